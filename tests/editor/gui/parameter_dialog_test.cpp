// The parameter dialog form FParametrLiczbowy: its eighteen pages built from the
// editor's page table, the form's own small handlers, and how it mirrors the
// editor's ParameterDialog.
#include <gtest/gtest.h>

#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "control/gui/window_checks.h"
#include "editor/gui/parameter_dialog.h"
#include "editor/parameter_pages.h"
#include "model/commands.h"
#include "model/program_image.h"
#include "shell/gui/shell_test_app.h"
#include "support/clock.h"
#include "support/fixed_clock.h"
#include "support/recording_editor_host.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

using testing::typeKey;

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

class ParameterFormTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        form = std::make_unique<TFParametrLiczbowy>();
    }
    // Shows the page that holds `control` and the form itself.
    QGroupBox* showPageOf(const QString& control) {
        for (const PageInfo& info : allPages()) {
            QGroupBox* box = form->page(info.page);
            if (box->findChild<QWidget*>(control)) {
                form->ShowPage(info.page, qs(info.title), true);
                form->show();
                return box;
            }
        }
        return nullptr;
    }
    std::unique_ptr<TFParametrLiczbowy> form;
};

// ---------------------------------------------------------------- the pages

TEST_F(ParameterFormTest, EveryPageIsBuiltFromTheTableAndShownAlone) {
    form->show();
    for (const PageInfo& info : allPages()) {
        SCOPED_TRACE(std::string(info.name));
        form->ShowPage(info.page, qs(info.title), true);
        EXPECT_EQ(form->currentPage(), info.page);
        EXPECT_EQ(form->size(), QSize(info.clientWidth, info.clientHeight));
        EXPECT_EQ(form->windowTitle(), qs(info.title));
        QGroupBox* shown = form->page(info.page);
        EXPECT_EQ(shown->objectName(), qs(info.name));
        EXPECT_EQ(shown->pos(), QPoint(1, 32));
        EXPECT_TRUE(form->rect().contains(shown->geometry()));
        for (const PageInfo& other : allPages())
            EXPECT_EQ(form->page(other.page)->isVisible(), other.page == info.page) << other.name;
        EXPECT_EQ(form->heading(info.page)->text(), qs(info.heading));
        EXPECT_TRUE(form->heading(info.page)->font().bold());

        for (const PageControl& pageControl : info.controls) {
            if (pageControl.name.empty()) continue;
            SCOPED_TRACE(std::string(pageControl.name));
            QWidget* control = shown->findChild<QWidget*>(qs(pageControl.name));
            ASSERT_NE(control, nullptr);
            if (pageControl.kind == PageControlKind::Entry) {
                auto* edit = qobject_cast<QLineEdit*>(control);
                ASSERT_NE(edit, nullptr);
                EXPECT_EQ(edit->maxLength(),
                          pageControl.maxLength > 0 ? pageControl.maxLength : 32767);
                EXPECT_EQ(shown->findChild<QLabel*>(qs(pageControl.name) + "_unit")->text(),
                          qs(pageControl.text));
            } else if (pageControl.kind == PageControlKind::CheckBox ||
                       pageControl.kind == PageControlKind::RadioButton) {
                ASSERT_NE(form->captionOf(control), nullptr);
                EXPECT_EQ(form->captionOf(control)->text(), qs(pageControl.text));
            }
        }
        auto* confirm = form->confirmButton(info.page);
        EXPECT_EQ(confirm->objectName() + "Click", qs(info.confirmHandler));
        EXPECT_EQ(confirm->toolTip(), "Ustaw parametr");
        EXPECT_EQ(form->closeButton(info.page)->toolTip(), "Zamknij okno");
        EXPECT_TRUE(artwork::hasGlyph(confirm->glyphName()));
        EXPECT_TRUE(artwork::hasGlyph(form->closeButton(info.page)->glyphName()));
    }
}

TEST_F(ParameterFormTest, NoControlOverlapsAnotherOrLeavesItsPage) {
    form->show();
    for (const PageInfo& info : allPages()) {
        SCOPED_TRACE(std::string(info.name));
        form->ShowPage(info.page, qs(info.title), true);
        testing::expectNoOverlaps(*form->page(info.page));
    }
}

TEST_F(ParameterFormTest, DriverRadioButtonsOnlyInDirectMode) {
    form->show();
    for (bool direct : {false, true, false}) {
        form->ShowPage(Page::p_ster, "Config. driver", direct);
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(form->mc(n)->isVisible(), direct) << n;
            EXPECT_EQ(form->captionOf(form->mc(n))->isVisible(), direct) << n;
            EXPECT_EQ(form->captionOf(form->mc(n))->objectName(), QStringLiteral("l%1").arg(n));
        }
    }
}

TEST_F(ParameterFormTest, StartingContents) {
    EXPECT_EQ(form->entry(TextField::num_step)->text(), "8");
    EXPECT_EQ(form->entry(TextField::num_mot)->text(), "200");
    EXPECT_EQ(form->entry(TextField::num_vmax)->text(), "");
    EXPECT_TRUE(form->mc(1)->isChecked());
    EXPECT_FALSE(form->mc(2)->isChecked());
    QStringList inputs;
    for (int i = 0; i < form->input->count(); ++i)
        inputs << form->input->itemText(i);
    EXPECT_EQ(inputs,
              (QStringList{"Input 1", "Input 2", "Input 3", "Input 4", "Input 5", "Input 6"}));
    for (int n = 1; n <= 9; ++n) {
        EXPECT_FALSE(form->w(n)->isChecked()) << n;
        EXPECT_FALSE(form->wo(n)->isEnabled()) << n;
    }
    EXPECT_TRUE(form->FormCaption->isHidden());  // the title is only the window text
}

// ------------------------------------------------------- the small handlers

TEST_F(ParameterFormTest, EveryCaptionTogglesTheBoxBesideIt) {
    for (const LabelTarget& t : labelTargets()) {
        SCOPED_TRACE(std::string(t.label));
        ASSERT_NE(showPageOf(qs(t.control)), nullptr);
        auto* control = form->findChild<QAbstractButton*>(qs(t.control));
        auto* label = form->findChild<ToggleLabel*>(qs(t.label));
        ASSERT_NE(control, nullptr);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(form->captionOf(control), label);
        // A state box is usable only with its row selected.
        const QString name = qs(t.control);
        if (name.startsWith('w') && name.endsWith('o') && name != "wxo")
            form->findChild<QCheckBox*>(name.chopped(1))->click();
        ASSERT_TRUE(control->isEnabled());

        if (qobject_cast<QRadioButton*>(control)) {
            for (int round = 0; round < 2; ++round) {
                QTest::mouseClick(label, Qt::LeftButton);
                EXPECT_TRUE(control->isChecked());  // choosing again keeps it chosen
                int chosen = 0;
                for (int n = 1; n <= 3; ++n)
                    chosen += form->mc(n)->isChecked();
                EXPECT_EQ(chosen, 1);
            }
        } else {
            const bool before = control->isChecked();
            QTest::mouseClick(label, Qt::LeftButton);
            EXPECT_EQ(control->isChecked(), !before);
            QTest::mouseClick(label, Qt::LeftButton);
            EXPECT_EQ(control->isChecked(), before);
        }
    }
}

TEST_F(ParameterFormTest, ASelectBoxUnlocksOnlyTheStateBoxOfItsRow) {
    showPageOf("w1");
    for (int n = 1; n <= 9; ++n) {
        SCOPED_TRACE(n);
        QTest::mouseClick(form->w(n), Qt::LeftButton);
        for (int k = 1; k <= 9; ++k)
            EXPECT_EQ(form->wo(k)->isEnabled(), k == n) << k;
        // A locked state box does not change through its caption either.
        if (n < 9) {
            QTest::mouseClick(form->captionOf(form->wo(n + 1)), Qt::LeftButton);
            EXPECT_FALSE(form->wo(n + 1)->isChecked());
        }
        QTest::mouseClick(form->w(n), Qt::LeftButton);
        EXPECT_FALSE(form->wo(n)->isEnabled());
    }
}

TEST_F(ParameterFormTest, StateBoxesCaptionTheirState) {
    showPageOf("w1");
    QList<QCheckBox*> boxes;
    for (int n = 1; n <= 9; ++n) {
        form->w(n)->click();
        boxes << form->wo(n);
    }
    boxes << form->wxo << form->in_ch;
    for (QCheckBox* box : boxes) {
        SCOPED_TRACE(box->objectName().toStdString());
        showPageOf(box->objectName());
        ToggleLabel* caption = form->captionOf(box);
        EXPECT_EQ(caption->text(), "On");  // before the first click
        box->click();
        EXPECT_EQ(caption->text(), "On");
        box->click();
        EXPECT_EQ(caption->text(), "Off");
        QTest::mouseClick(caption, Qt::LeftButton);  // through the caption
        EXPECT_TRUE(box->isChecked());
        EXPECT_EQ(caption->text(), "On");
    }
    // Boxes without a state caption keep theirs.
    showPageOf("enable");
    form->enable->click();
    form->enable->click();
    EXPECT_EQ(form->captionOf(form->enable)->text(), "On");
}

TEST_F(ParameterFormTest, TypingIntoAnyBoxClearsItsErrorColour) {
    for (int f = 0; f < kTextFieldCount; ++f) {
        QLineEdit* box = form->entry(TextField(f));
        SCOPED_TRACE(box->objectName().toStdString());
        showPageOf(box->objectName());
        box->clear();
        setErrorColour(box, true);
        setErrorColour(form->entry(TextField((f + 1) % kTextFieldCount)), true);
        QTest::keyClicks(box, "1");
        EXPECT_FALSE(hasErrorColour(box));
        // Only the box typed into.
        EXPECT_TRUE(hasErrorColour(form->entry(TextField((f + 1) % kTextFieldCount))));
        setErrorColour(form->entry(TextField((f + 1) % kTextFieldCount)), false);
    }
}

TEST_F(ParameterFormTest, EscAndTheCloseButtonHideEnterAsksForTheConfirm) {
    QSignalSpy closed(form.get(), &TFParametrLiczbowy::closedByOperator);
    QSignalSpy enter(form.get(), &TFParametrLiczbowy::enterPressed);
    showPageOf("num_amax");
    typeKey(form->entry(TextField::num_amax), Qt::Key_Return);
    EXPECT_EQ(enter.count(), 1);
    EXPECT_TRUE(form->isVisible());
    typeKey(form->entry(TextField::num_amax), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 1);
    showPageOf("num_kom");
    QTest::mouseClick(form->closeButton(Page::p_kom), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(closed.count(), 2);
    EXPECT_EQ(enter.count(), 1);
}

// ------------------------------------------------ mirroring the editor's dialog

class ParameterMirrorTest : public ParameterFormTest {
  protected:
    ProgramModel model;
    test::RecordingHost host = [] {
        test::RecordingHost h;
        h.boxes = {true, false, false};
        return h;
    }();
    FixedClock clock{"2026-12-08", "12:00:00", ','};
    ParameterDialog dialog{model, host, clock};
};

TEST_F(ParameterMirrorTest, ShowsThePageTheEditorOpened) {
    model.editMode = EditMode::Append;
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_out));
    form->showDialog(dialog);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->currentPage(), Page::p_out);
    EXPECT_EQ(form->size(), QSize(230, 272));
    EXPECT_EQ(form->windowTitle(), "Set Outputs");
    EXPECT_TRUE(form->page(Page::p_out)->isVisible());

    model.editMode = EditMode::Direct;
    dialog.fields().motorRadio = {false, false, true};
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_ster));
    form->showDialog(dialog);
    EXPECT_EQ(form->size(), QSize(230, 162));
    EXPECT_TRUE(form->mc(3)->isVisible());
    EXPECT_TRUE(form->mc(3)->isChecked());
    EXPECT_FALSE(form->mc(1)->isChecked());

    dialog.hide();
    form->showDialog(dialog);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ParameterMirrorTest, FieldsMakeTheRoundTrip) {
    DialogFields f;
    f.text(TextField::num_vmin) = "0,7";
    f.text(TextField::num_xdest) = "-400";
    f.text(TextField::num_kom) = "Hello";
    f.text(TextField::num_step) = "16";
    f.enable = true;
    f.Right = true;
    f.w = {false, true, false, false, false, false, false, true, false};
    f.wo = {false, false, false, false, false, false, false, true, false};
    f.input = 4;
    f.m = {true, false, true};
    f.motorRadio = {false, true, false};
    f.in_ch = true;
    f.input_number = "Relay 2";
    form->showFields(f);
    DialogFields back;
    form->readFields(back);
    EXPECT_EQ(back.texts, f.texts);
    EXPECT_EQ(back.enable, f.enable);
    EXPECT_EQ(back.usb, f.usb);
    EXPECT_EQ(back.wxo, f.wxo);
    EXPECT_EQ(back.in_ch, f.in_ch);
    EXPECT_EQ(back.Left, f.Left);
    EXPECT_EQ(back.Right, f.Right);
    EXPECT_EQ(back.w, f.w);
    EXPECT_EQ(back.wo, f.wo);
    EXPECT_EQ(back.input, f.input);
    EXPECT_EQ(back.m, f.m);
    EXPECT_EQ(back.motorRadio, f.motorRadio);
    EXPECT_EQ(back.input_number, f.input_number);
    // A state set from outside works like a click: the rows unlock, captions follow.
    EXPECT_TRUE(form->wo(2)->isEnabled());
    EXPECT_TRUE(form->wo(8)->isEnabled());
    EXPECT_FALSE(form->wo(3)->isEnabled());
    EXPECT_EQ(form->captionOf(form->in_ch)->text(), "On");
    f.in_ch = false;
    form->showFields(f);
    EXPECT_EQ(form->captionOf(form->in_ch)->text(), "Off");
}

TEST_F(ParameterMirrorTest, EditingAnOutputShowsItsNameAndState) {
    struct Case {
        std::uint8_t output, state;
        const char* name;
        const char* caption;
    };
    for (const Case& c : {Case{3, 1, "Output 3", "On"}, Case{8, 0, "Relay 1", "Off"},
                          Case{9, 1, "Relay 2", "On"}}) {
        SCOPED_TRACE(c.name);
        Record r = makeRecord(15, kControllerTarget);
        r[2] = c.output;
        r[3] = c.state;
        model.clear();
        model.appendRecord(r);
        model.cursorLine = 0;
        model.editMode = EditMode::Edit;
        model.editedCode = 15;
        dialog.prefillForEdit();
        ASSERT_TRUE(dialog.ShowParameterPage(Page::p_edit_out));
        form->showDialog(dialog);
        EXPECT_EQ(form->currentPage(), Page::p_edit_out);
        EXPECT_EQ(form->input_number->text(), c.name);
        EXPECT_EQ(form->wxo->isChecked(), c.state == 1);
        EXPECT_EQ(form->captionOf(form->wxo)->text(), c.caption);
    }
}

// ------------------------------------------ the form attached to the editor's dialog

// The form as the station uses it: the host re-shows it on every change the
// dialog reports, and the form hands every action to the dialog.
class ParameterAttachedTest : public ParameterMirrorTest {
  protected:
    void SetUp() override {
        ParameterMirrorTest::SetUp();
        host.onChanged = [this] { form->showDialog(dialog); };
        form->attach(dialog);
        model.editMode = EditMode::Append;
    }
    Record record(int slot) const { return model.image.record(slot); }
};

TEST_F(ParameterAttachedTest, ConfirmingAppendsOneRecordPerTickedMotor) {
    host.boxes = {true, false, true};
    model.editedCode = 2;
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_vx));
    ASSERT_TRUE(form->isVisible());
    QTest::keyClicks(form->entry(TextField::num_vmax), "0,7");
    QTest::mouseClick(form->confirmButton(Page::p_vx), Qt::LeftButton);
    ASSERT_EQ(model.length(), 2u);
    EXPECT_EQ(record(0)[0], 2);
    EXPECT_EQ(record(0)[1], 1);
    EXPECT_EQ(record(1)[1], 3);
    EXPECT_EQ(model.image.p1(0), 699);
    EXPECT_EQ(model.image.p1(1), 699);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->entry(TextField::num_vmax)->text(), "0,7");  // the box keeps its text
}

TEST_F(ParameterAttachedTest, AnUnreadableValueStaysOnScreenUntilRetyped) {
    model.editedCode = 8;
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_xt));
    QLineEdit* box = form->entry(TextField::num_xdest);
    QTest::keyClicks(box, "12,5");  // a position takes whole steps only
    QTest::mouseClick(form->confirmButton(Page::p_xt), Qt::LeftButton);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(hasErrorColour(box));
    EXPECT_EQ(model.length(), 0u);
    box->clear();
    EXPECT_FALSE(hasErrorColour(box));
    EXPECT_FALSE(dialog.hasErrorColour(TextField::num_xdest));
    QTest::keyClicks(box, "1000000000");
    QTest::mouseClick(form->confirmButton(Page::p_xt), Qt::LeftButton);
    ASSERT_EQ(model.length(), 1u);
    EXPECT_EQ(model.image.p1(0), 8388607);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(ParameterAttachedTest, OutputsTickedThroughTheirCaptionsAreWrittenInOrder) {
    model.editedCode = 15;
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_out));
    for (const char* label : {"Label40", "Label34", "Label57"})  // Relay 1, Output 2, its state
        QTest::mouseClick(form->findChild<ToggleLabel*>(label), Qt::LeftButton);
    QTest::mouseClick(form->confirmButton(Page::p_out), Qt::LeftButton);
    ASSERT_EQ(model.length(), 2u);
    const std::array<std::array<std::uint8_t, 4>, 2> expected{{{15, 4, 2, 0}, {15, 4, 8, 1}}};
    for (int i = 0; i < 2; ++i)
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(record(i)[std::size_t(k)], expected[i][k]) << i;
}

TEST_F(ParameterAttachedTest, TheDriverPageShowsTheLimitedValues) {
    model.editedCode = 17;
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_ster));
    form->entry(TextField::num_step)->setText("0");
    form->entry(TextField::num_mot)->setText("5000");
    QTest::mouseClick(form->findChild<ToggleLabel*>("Label59"), Qt::LeftButton);  // RIGHT sensor
    QTest::mouseClick(form->confirmButton(Page::p_ster), Qt::LeftButton);
    EXPECT_EQ(form->entry(TextField::num_step)->text(), "1");
    EXPECT_EQ(form->entry(TextField::num_mot)->text(), "1600");
    ASSERT_EQ(model.length(), 1u);
    EXPECT_EQ(record(0)[0], 17);
    EXPECT_EQ(record(0)[3], 1);  // RIGHT sensor
    EXPECT_EQ(model.motors[0].stepsPerRev, 1600);
}

TEST_F(ParameterAttachedTest, EnterConfirmsThePageOfTheEditedCodeEscClosesIt) {
    model.editedCode = 4;
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_ax));
    QTest::keyClicks(form->entry(TextField::num_amax), "10");
    typeKey(form->entry(TextField::num_amax), Qt::Key_Return);
    ASSERT_EQ(model.length(), 1u);
    EXPECT_EQ(record(0)[0], 4);
    EXPECT_EQ(model.image.p1(0), 10000);
    EXPECT_FALSE(form->isVisible());

    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_ax));
    typeKey(form->entry(TextField::num_amax), Qt::Key_Escape);
    EXPECT_FALSE(dialog.visible());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(model.length(), 1u);
}

}  // namespace
}  // namespace rv720
