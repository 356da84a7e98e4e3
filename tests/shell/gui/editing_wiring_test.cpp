// The main window's editing controls reach the editor: command buttons, pop-up
// items, listing presses and keys, Up/Down, the input-break rows and the
// parameter dialog's form.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <functional>

#include "editor/editing.h"
#include "editor/gui/parameter_dialog.h"
#include "station_fixture.h"
#include "support/manual_timer.h"

namespace rv720 {
namespace {

TFParametrLiczbowy* parameterForm(StationFixture& s) {
    return qobject_cast<TFParametrLiczbowy*>(s.station->window(Window::FParametrLiczbowy));
}

QString body(StationFixture& s, int line) {
    return s.main->ProgramView->lineText(line).mid(5).trimmed();
}

QPoint lineAt(ListingView* v, int line) {
    return {v->textLeft() + 20, 2 + (line - v->firstVisibleLine()) * v->lineHeight() + 5};
}

void clickLine(StationFixture& s, int line) {
    ListingView* v = s.main->ProgramView;
    v->setCaret(line, 0);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, lineAt(v, line));
}

// Lets the double-click interval run out, so the next press is a single one.
void afterTheClickInterval(StationFixture& s) {
    if (s.main->LastClickTimer->isActive())
        static_cast<ManualTimer*>(s.main->LastClickTimer)->tick();
}

TEST(EditingWiringTest, CommandButtonsAppendForTheTickedMotors) {
    StationFixture s;
    s.main->kol->click();  // one column keeps the bodies at character 5
    QTest::mouseClick(s.main->i1, Qt::LeftButton);
    s.main->m3_ch->setChecked(true);
    QTest::mouseClick(s.main->findChild<PictureButton*>("CommadnStopButton"), Qt::LeftButton);
    QTest::mouseClick(s.main->findChild<PictureButton*>("CommadnEndButton"), Qt::LeftButton);
    QTest::mouseClick(s.main->CommandClearPos, Qt::LeftButton);
    ASSERT_EQ(s.main->ProgramView->lineCount(), 4);
    EXPECT_EQ(body(s, 0), "stop(M1)");
    EXPECT_EQ(body(s, 1), "stop(M3)");
    EXPECT_EQ(body(s, 2), "end()");
    EXPECT_EQ(body(s, 3), "clear_motor(M1; M3)");
    EXPECT_EQ(s.main->comand_counter->text(), "Command: 4 (left 995 )");
}

TEST(EditingWiringTest, ADialogCommandIsEnteredThroughTheParameterForm) {
    StationFixture s;
    s.main->kol->click();
    s.main->m2_ch->setChecked(true);
    QTest::mouseClick(s.main->findChild<PictureButton*>("CommadnVminButton"), Qt::LeftButton);
    TFParametrLiczbowy* form = parameterForm(s);
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->currentPage(), Page::p_vi);
    QLineEdit* entry = form->entry(TextField::num_vmin);
    QTest::keyClicks(entry, "abc");
    QTest::mouseClick(form->confirmButton(Page::p_vi), Qt::LeftButton);
    EXPECT_EQ(s.main->ProgramView->lineCount(), 0) << "an unreadable number adds nothing";
    EXPECT_TRUE(form->isVisible());

    entry->clear();
    QTest::keyClicks(entry, "12.5");
    QTest::keyClick(entry, Qt::Key_Return);  // Enter confirms the page
    ASSERT_EQ(s.main->ProgramView->lineCount(), 1);
    EXPECT_EQ(body(s, 0), "v_min(M2; 12.50)");
    EXPECT_FALSE(form->isVisible());
}

TEST(EditingWiringTest, PopupInsertsAtTheChosenLine) {
    StationFixture s;
    s.main->kol->click();
    s.loadProgram(3);
    s.main->m1_ch->setChecked(true);
    clickLine(s, 1);
    EXPECT_EQ(s.main->ProgramView->caretLine(), 1);
    EXPECT_EQ(s.main->ProgramView->selectedText(), s.main->ProgramView->lineText(1));
    s.main->Popup->findChild<QAction*>("Hamuj1")->trigger();  // "Stop" inserts brake
    ASSERT_EQ(s.main->ProgramView->lineCount(), 4);
    EXPECT_EQ(body(s, 1), "brake(M1)");
    EXPECT_TRUE(body(s, 2).startsWith("v_min(M2;"));
}

TEST(EditingWiringTest, DeleteKeyWarnsAboutJumpTargetsWithTheWarningIcon) {
    StationFixture s;
    s.loadProgram(3);
    Record jump = makeRecord(7, 4);
    writeBe32(&jump[2], 2);
    s.main->model().image.setRecord(3, jump);
    s.main->model().image.setLength(4);
    s.main->PrintProgram();

    clickLine(s, 1);
    s.dialogs.yesNoAnswers = {false};
    QTest::keyClick(s.main->ProgramView, Qt::Key_Delete);
    ASSERT_EQ(s.dialogs.calls.size(), 1);
    EXPECT_EQ(s.dialogs.calls[0].caption, "Deleting line");
    EXPECT_EQ(s.dialogs.calls[0].icon, QuestionIcon::Warning);
    EXPECT_EQ(s.main->model().length(), 4u);

    s.dialogs.yesNoAnswers = {true};
    QTest::keyClick(s.main->ProgramView, Qt::Key_Delete);
    EXPECT_EQ(s.main->model().length(), 3u);
    EXPECT_EQ(s.main->ProgramView->lineCount(), 3);
}

TEST(EditingWiringTest, UpAndDownSwapWithTheNeighbour) {
    StationFixture s;
    s.loadProgram(3);
    const Record first = s.main->model().image.record(0);
    const Record second = s.main->model().image.record(1);
    clickLine(s, 1);
    QTest::mouseClick(s.main->UpButton, Qt::LeftButton);
    EXPECT_EQ(s.main->model().image.record(0), second);
    EXPECT_EQ(s.main->model().image.record(1), first);
    EXPECT_EQ(s.main->ProgramView->caretLine(), 0);
    QTest::mouseClick(s.main->DownButton, Qt::LeftButton);
    EXPECT_EQ(s.main->model().image.record(0), first);
    EXPECT_EQ(s.main->ProgramView->caretLine(), 1);
}

TEST(EditingWiringTest, TwoPressesBeforeTheClickTimerFiresOpenTheEdit) {
    StationFixture s;
    s.loadProgram(2);
    TFParametrLiczbowy* form = parameterForm(s);
    clickLine(s, 0);
    ASSERT_TRUE(s.main->LastClickTimer->isActive());
    static_cast<ManualTimer*>(s.main->LastClickTimer)->tick();  // too late for a double click
    clickLine(s, 0);
    EXPECT_FALSE(form->isVisible());
    clickLine(s, 0);  // second press inside the interval
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->currentPage(), Page::p_vi);
    EXPECT_EQ(form->entry(TextField::num_vmin)->text(), "0.00");
}

TEST(EditingWiringTest, InputBreakRowsEditTheBlock) {
    StationFixture s;
    s.loadProgram(20);
    s.main->input_1_ex->click();
    EXPECT_TRUE(s.main->input_1_line->isEnabled());
    EXPECT_TRUE(s.main->model().image.inputBreak(1).enabled);
    s.main->input_1_line->setCurrentIndex(49);  // line 50 of a 20-command program
    emit s.main->input_1_line->activated(49);
    EXPECT_EQ(s.main->input_1_line->currentText(), "20");
    EXPECT_EQ(s.main->model().image.inputBreak(1).line, 20);
    s.main->input_1_state->setCurrentIndex(1);
    emit s.main->input_1_state->activated(1);
    EXPECT_EQ(s.main->model().image.inputBreak(1).edge, 1);
    s.main->input_1_ex->click();
    EXPECT_FALSE(s.main->input_1_state->isEnabled());
    EXPECT_FALSE(s.main->model().image.inputBreak(1).enabled);
    EXPECT_FALSE(s.main->model().image.inputBreak(2).enabled);
}

TEST(EditingWiringTest, AFullProgramRefusesMore) {
    StationFixture s;
    s.loadProgram(999);
    QTest::mouseClick(s.main->findChild<PictureButton*>("CommadnEndButton"), Qt::LeftButton);
    EXPECT_EQ(s.status2(), "Program counter is exceeded");
    EXPECT_EQ(s.main->model().length(), 999u);
}

TEST(EditingWiringTest, ARightClickChoosesThePressedLineForThePopup) {
    StationFixture s;
    s.loadProgram(20);
    clickLine(s, 1);
    afterTheClickInterval(s);
    const Record line15 = s.main->model().image.record(14);
    QTest::mouseClick(s.main->ProgramView->viewport(), Qt::RightButton, {},
                      lineAt(s.main->ProgramView, 13));
    EXPECT_EQ(s.main->ProgramView->selectedText(), s.main->ProgramView->lineText(13));
    s.main->Popup->findChild<QAction*>("Edytujzdarzenie1")->trigger();
    EXPECT_EQ(parameterForm(s)->entry(TextField::num_vmin)->text(), "13.00") << "line 14's value";
    s.main->Popup->findChild<QAction*>("Usu1")->trigger();
    EXPECT_EQ(s.main->model().image.record(13), line15) << "line 14 went, line 2 stayed";
}

TEST(EditingWiringTest, APopupWaitWithNoMotorTickedStillReRendersTheListing) {
    StationFixture s;
    s.loadProgram(5);
    clickLine(s, 3);
    s.main->Popup->findChild<QAction*>("Czekajnapozycj1")->trigger();
    EXPECT_EQ(s.main->model().length(), 5u);
    EXPECT_FALSE(s.main->ProgramView->hasSelection()) << "the rendering put the caret back";
    EXPECT_EQ(s.main->ProgramView->caretLine(), 2);
}

TEST(EditingWiringTest, ShiftArrowsSelectWholeLinesAndCopyLeavesThePaddingOut) {
    StationFixture s;
    s.main->kol->click();
    s.loadProgram(6);
    clickLine(s, 2);
    auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::ShiftModifier) {
        QTest::keyClick(s.main->ProgramView, k, m);
    };
    key(Qt::Key_Down), key(Qt::Key_Down), key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(),
              "003: v_min(M3; 2.00)\n004: v_min(M1; 3.00)\n005: v_min(M2; 4.00)");
    key(Qt::Key_Up), key(Qt::Key_Up), key(Qt::Key_Up);  // back past the line first chosen
    EXPECT_EQ(s.main->ProgramView->selectedText().count('\n'), 1);
    EXPECT_EQ(s.main->ProgramView->caretLine(), 1);
    key(Qt::Key_Down, {});
    EXPECT_EQ(s.main->ProgramView->selectedText(), s.main->ProgramView->lineText(2));
}

// Every kind of change, undone from the keyboard, gives back the image byte for
// byte (renumbered jumps and the input-break block included); redone, the image
// after the change.
TEST(UndoWiringTest, EveryChangeUndoesAndRedoesByteForByteFromTheKeys) {
    StationFixture s;
    s.main->show();
    s.loadProgram(8);
    s.main->model().appendRecord({7, 4, 0, 0, 0, 5});  // jump_line(5)
    s.main->model().image.setInputBreak(2, {true, 6, 1});
    s.main->refreshInputBreakControls();
    s.main->PrintProgram();
    QFile file(s.path("end.pri"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("00000001") + QByteArray(26, 0) +
               QByteArray::fromHex("0a040000000000000000"));
    file.close();
    auto press = [&](const char* name) {
        QTest::mouseClick(s.main->findChild<PictureButton*>(name), Qt::LeftButton);
    };
    auto keys = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        s.main->activateWindow();  // the parameter dialog may have had the focus
        ASSERT_TRUE(QTest::qWaitForWindowActive(s.main));
        QTest::keyClick(s.main, key, modifiers);
    };
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"append", [&] { s.main->m1_ch->setChecked(true), press("CommadnStopButton"); }},
        {"insert",
         [&] { clickLine(s, 1), s.main->Popup->findChild<QAction*>("Hamuj1")->trigger(); }},
        {"delete", [&] { clickLine(s, 2), QTest::keyClick(s.main->ProgramView, Qt::Key_Delete); }},
        {"move", [&] { clickLine(s, 4), press("UpButton"); }},
        {"input break", [&] { s.main->input_1_ex->click(); }},
        {"edit",
         [&] {
             clickLine(s, 0), QTest::keyClick(s.main->ProgramView, Qt::Key_Return);
             QLineEdit* entry = parameterForm(s)->entry(TextField::num_vmin);
             entry->setText("7.5"), QTest::keyClick(entry, Qt::Key_Return);
         }},
        {"new", [&] { s.dialogs.yesNoAnswers = {false}, press("NewButton"); }},
        {"open", [&] { s.dialogs.fileAnswers = {file.fileName()}, press("OpenButton"); }},
    };
    for (const auto& [name, act] : actions) {
        SCOPED_TRACE(name);
        afterTheClickInterval(s);
        const ProgramImage before = s.main->model().image;
        act();
        afterTheClickInterval(s);
        const ProgramImage after = s.main->model().image;
        ASSERT_FALSE(after == before);
        keys(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(s.main->model().image == before);
        EXPECT_EQ(s.main->ProgramView->lineCount(), int(before.length()));
        keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        keys(Qt::Key_Z, Qt::ControlModifier);
        keys(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_TRUE(s.main->model().image == after);
        EXPECT_EQ(s.main->input_2_ex->isChecked(), after.inputBreak(2).enabled);
    }
}

}  // namespace
}  // namespace rv720
