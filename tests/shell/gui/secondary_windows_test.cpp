// The secondary windows inside the whole station: each global name is served by
// its own class, and the transfer lock leaves exactly the transfer and password
// windows usable.
#include <gtest/gtest.h>

#include <QTest>

#include <QComboBox>
#include <QLineEdit>

#include "editor/gui/parameter_dialog.h"
#include "shell/gui/kompilacja_window.h"
#include "station_fixture.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

TEST(SecondaryWindowsTest, EachNameIsServedByItsOwnClass) {
    StationFixture s;
    // The settings keep each window's place under its global name.
    for (Window window : WindowSet::kAll)
        EXPECT_EQ(s.station->window(window)->objectName(), WindowSet::name(window));
    const std::pair<Window, const char*> classes[] = {
        {Window::FSterowanie, "rv720::TFSterowanie"},
        {Window::FWyjscia, "rv720::TFWyjscia"},
        {Window::FPodgladSilniki, "rv720::TFPodgladSilniki"},
        {Window::FPodgladWejscia, "rv720::TFPodgladWejscia"},
        {Window::FParametrLiczbowy, "rv720::TFParametrLiczbowy"},
        {Window::FKompilacja, "rv720::TFKompilacja"},
        {Window::FLog, "rv720::TFLog"},
        {Window::FPass, "rv720::TFPass"},
    };
    for (const auto& [window, className] : classes) {
        const QString name = WindowSet::name(window);
        QWidget* w = s.station->window(window);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_STREQ(w->metaObject()->className(), className);
        EXPECT_FALSE(w->isVisible()) << name.toStdString() << " is hidden at start";
        EXPECT_TRUE(w->isWindow()) << name.toStdString();
    }
}

TEST(SecondaryWindowsTest, TheTransferLockSparesOnlyTheTransferAndPasswordWindows) {
    StationFixture s;
    for (Window window : {Window::FLog, Window::FPodgladSilniki, Window::FPodgladWejscia,
                          Window::FKompilacja, Window::FPass})
        s.station->window(window)->show();
    s.main->LockWindows();
    for (Window window : WindowSet::kAll) {
        const bool spared = window == Window::FKompilacja || window == Window::FPass;
        EXPECT_EQ(s.station->window(window)->isEnabled(), spared)
            << WindowSet::name(window).toStdString();
    }
    for (Window window : {Window::FLog, Window::FPodgladSilniki, Window::FPodgladWejscia})
        EXPECT_FALSE(s.station->window(window)->isVisible())
            << WindowSet::name(window).toStdString();

    // The transfer window's Close gives every window back.
    auto* transfer = qobject_cast<TFKompilacja*>(s.station->window(Window::FKompilacja));
    ASSERT_NE(transfer, nullptr);
    QTest::mouseClick(transfer->CloseButton, Qt::LeftButton);
    EXPECT_FALSE(transfer->isVisible());
    for (Window window : WindowSet::kAll)
        EXPECT_TRUE(s.station->window(window)->isEnabled())
            << WindowSet::name(window).toStdString();
}

// Every secondary window hides on Esc and on its close button.
TEST(SecondaryWindowsTest, EscAndTheCloseButtonHideEveryWindow) {
    const std::pair<Window, const char*> windows[] = {
        {Window::FSterowanie, "SpeedButton1"},
        {Window::FWyjscia, "SpeedButton1"},
        {Window::FPodgladSilniki, "CloseButton"},
        {Window::FPodgladWejscia, "closeButton"},
        {Window::FParametrLiczbowy, "SpeedButton1"},
        {Window::FKompilacja, "CloseButton"},
        {Window::FLog, "OkButton"},
        {Window::FPass, "SpeedButton1"},
    };
    StationFixture s;
    for (const auto& [which, closeName] : windows) {
        SCOPED_TRACE(WindowSet::name(which).toStdString());
        QWidget* window = s.station->window(which);
        window->show();
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
        window->show();
        // The parameter dialog's close button lies on the page on show.
        QWidget* close = nullptr;
        for (QWidget* w : window->findChildren<QWidget*>(QLatin1String(closeName)))
            if (w->isVisible()) close = w;
        ASSERT_NE(close, nullptr);
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_FALSE(window->isVisible());
    }
}

// A left press on a window's background, on a plain label or on a covering
// picture, followed by a movement, moves the window; a press on a caption that
// toggles a box does not, and the password window never moves.
struct DragCase {
    Window window;
    const char* target;  // a child by object name; empty for the window itself
    QPoint at;           // in the target's coordinates
    bool moves;
};

TEST(SecondaryWindowsTest, WindowsAreDraggedByTheirBackgroundOnly) {
    const DragCase cases[] = {
        {Window::FSterowanie, "", {20, 170}, true},
        {Window::FSterowanie, "unit", {5, 5}, true},
        {Window::FSterowanie, "i2", {5, 5}, false},
        {Window::FWyjscia, "", {100, 300}, true},
        {Window::FWyjscia, "Label4", {5, 5}, false},
        {Window::FPodgladSilniki, "m2_v", {5, 5}, true},
        {Window::FPodgladWejscia, "", {70, 55}, true},  // on the name painted beside a lamp
        {Window::FParametrLiczbowy, "p_vi", {150, 60}, true},
        {Window::FParametrLiczbowy, "p_vi_heading", {5, 5}, true},
        {Window::FKompilacja, "DownloadDumm", {10, 10}, true},
        {Window::FLog, "", {120, 20}, true},
        {Window::FPass, "", {150, 140}, false},
        {Window::FPass, "Label32", {5, 5}, false},
    };
    StationFixture s;
    for (const DragCase& c : cases) {
        SCOPED_TRACE(WindowSet::name(c.window).toStdString() + " " + c.target);
        QWidget* window = s.station->window(c.window);
        ASSERT_NE(window, nullptr);
        if (auto* dialog = qobject_cast<TFParametrLiczbowy*>(window))
            dialog->ShowPage(Page::p_vi, "Speed min.");
        window->show();
        window->move(120, 100);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        QWidget* target = *c.target ? window->findChild<QWidget*>(QLatin1String(c.target)) : window;
        ASSERT_NE(target, nullptr);
        const QPoint start = window->pos();
        const QPoint from = target->mapTo(window, c.at);
        QTest::mousePress(target, Qt::LeftButton, {}, c.at);
        QTest::mouseMove(window, from + QPoint(30, 20));
        QTest::mouseRelease(window, Qt::LeftButton, {}, from + QPoint(30, 20));
        EXPECT_EQ(window->pos(), c.moves ? start + QPoint(30, 20) : start);
        window->hide();
    }
}

// In the station, an operator's choice on the parameter dialog survives the
// dialog's change reports that come before the confirm.
TEST(SecondaryWindowsTest, ParameterChoicesSurviveTheDialogsReports) {
    StationFixture s;
    ParameterDialog& dialog = s.main->parameterDialog();
    auto* form = qobject_cast<TFParametrLiczbowy*>(s.station->window(Window::FParametrLiczbowy));
    ASSERT_NE(form, nullptr);
    s.main->model().editMode = EditMode::Append;
    s.main->model().editedCode = 16;
    ASSERT_TRUE(dialog.ShowParameterPage(Page::p_ji));
    QLineEdit* line = form->entry(TextField::num_line_in);
    QTest::keyClicks(line, "0");  // line 0 is refused: error colour
    QTest::mouseClick(form->confirmButton(Page::p_ji), Qt::LeftButton);
    ASSERT_TRUE(dialog.hasErrorColour(TextField::num_line_in));

    form->input->setCurrentIndex(4);
    QTest::mouseClick(form->captionOf(form->in_ch), Qt::LeftButton);
    line->clear();  // clears the colour: the dialog reports a change
    ASSERT_FALSE(dialog.hasErrorColour(TextField::num_line_in));
    EXPECT_EQ(form->input->currentIndex(), 4);
    EXPECT_TRUE(form->in_ch->isChecked());

    QTest::keyClicks(line, "1");
    QTest::mouseClick(form->confirmButton(Page::p_ji), Qt::LeftButton);
    ASSERT_EQ(s.main->model().length(), 1u);
    const Record r = s.main->model().image.record(0);
    EXPECT_EQ(r[0], 16);
    EXPECT_EQ(r[6], 5);  // Input 5
    EXPECT_EQ(r[7], 1);
}

}  // namespace
}  // namespace rv720
