// The main window: start-up state, the window set, status and hint areas, motor
// labels, run-mode look, transfer lock, device actions without a connection,
// the listing's column switch and the two close paths.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QHelpEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include "control/gui/dry_run_window.h"
#include "model/commands.h"
#include "shell/gui/help_viewer.h"
#include "shell/gui/info_window.h"
#include "station_fixture.h"
#include "ui/artwork.h"

namespace rv720 {
namespace {

const QString kNewCaption = "3-axis trajectory generator RV720  -  [New]";

TEST(MainWindowStartTest, FreshStationShowsItsStartState) {
    StationFixture s;
    TFMain& m = *s.main;
    EXPECT_EQ(m.size(), QSize(1149, 732));
    EXPECT_EQ(m.FormCaption->text(), kNewCaption);
    EXPECT_EQ(m.windowTitle(), "3-axis trajectory generator RV720");
    for (QLabel* l : {m.Warning1, m.Warning2, m.Info1, m.Info2})
        EXPECT_EQ(l->text(), "...");
    EXPECT_EQ(m.led_usb->pictureName(), "ID_led_stop");
    EXPECT_EQ(m.led_prog->pictureName(), "ID_led_stop");
    EXPECT_EQ(m.i1->text(), "Motor 1 [1/8   200]");
    EXPECT_EQ(m.i2->text(), "Motor 2 [1/8   200]");
    EXPECT_EQ(m.i3->text(), "Motor 3 [1/8   200]");
    EXPECT_TRUE(m.kol->isChecked());
    EXPECT_EQ(m.Label29->text(), "4 columns");
    EXPECT_EQ(m.comand_counter->text(), "Commands: 000 ( left 999 ) ");
    EXPECT_EQ(m.ProgramBar->maximum(), 999);
    EXPECT_EQ(m.ProgramBar->value(), 0);
    EXPECT_EQ(m.ProgramView->textLimit(), 4194176);
    EXPECT_EQ(m.ProgramView->lineCount(), 0);
    EXPECT_TRUE(m.CurrentFileName.isEmpty());
    EXPECT_EQ(m.StartupDirectory, QDir::currentPath());
    EXPECT_FALSE(m.isConnected());

    for (QComboBox* line : {m.input_1_line, m.input_2_line}) {
        EXPECT_EQ(line->count(), 999);
        EXPECT_EQ(line->itemText(0), "1");
        EXPECT_EQ(line->itemText(998), "999");
        EXPECT_FALSE(line->isEnabled());
    }
    for (QComboBox* state : {m.input_1_state, m.input_2_state}) {
        EXPECT_EQ(state->currentText(), "falling");
        EXPECT_EQ(state->count(), 2);
        EXPECT_FALSE(state->isEnabled());
    }
    EXPECT_EQ(m.input_1_text2->text(), ", if the INPUT1 occurs edge ");
    EXPECT_EQ(m.input_2_text2->text(), ", if the INPUT2 occurs edge ");
    EXPECT_FALSE(m.input_1_ex->isChecked());

    // The four timers exist, disabled, with their intervals.
    // The main window is created first, so its timers are the first four made.
    ASSERT_GE(s.timers.timers().size(), 4u);
    const int intervals[] = {700, 1, 100, 200};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(s.timers.timers()[i]->intervalMs(), intervals[i]);
        EXPECT_FALSE(s.timers.timers()[i]->isActive());
    }
}

TEST(MainWindowStartTest, TenWindowsInOrderOnlyTheMainWindowShown) {
    StationFixture s;
    const QStringList expected{"FMain",
                               "FSterowanie",
                               "FWyjscia",
                               "FPodgladSilniki",
                               "FPodgladWejscia",
                               "FParametrLiczbowy",
                               "FInfo",
                               "FKompilacja",
                               "FLog",
                               "FPass"};
    QStringList names;
    for (QWidget* w : s.station->windows().all())
        names << w->objectName();
    EXPECT_EQ(names, expected);
    s.main->show();
    for (QWidget* w : s.station->windows().all()) {
        auto* sw = qobject_cast<StationWindow*>(w);
        ASSERT_NE(sw, nullptr) << w->objectName().toStdString();
        EXPECT_EQ(w->isVisible(), w == s.main) << w->objectName().toStdString();
        EXPECT_EQ(sw->staysOnTop(), w != s.main) << w->objectName().toStdString();
        EXPECT_EQ(sw->isDraggable(), w->objectName() != "FPass");
        EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
    }
    // Each window is an instance of its own form class.
    const QStringList classes{"rv720::TFMain",
                              "rv720::TFSterowanie",
                              "rv720::TFWyjscia",
                              "rv720::TFPodgladSilniki",
                              "rv720::TFPodgladWejscia",
                              "rv720::TFParametrLiczbowy",
                              "rv720::TFInfo",
                              "rv720::TFKompilacja",
                              "rv720::TFLog",
                              "rv720::TFPass"};
    QStringList actual;
    for (QWidget* w : s.station->windows().all())
        actual << w->metaObject()->className();
    EXPECT_EQ(actual, classes);
}

TEST(ArtworkTest, EveryPictureButtonOfEveryWindowHasItsGlyph) {
    StationFixture s;
    int buttons = 0;
    for (QWidget* w : s.station->windows().all()) {
        for (PictureButton* b : w->findChildren<PictureButton*>()) {
            ++buttons;
            EXPECT_TRUE(artwork::hasGlyph(b->glyphName()))
                << w->objectName().toStdString() << "." << b->objectName().toStdString() << ": '"
                << b->glyphName().toStdString() << "'";
        }
    }
    EXPECT_GE(buttons, 60);
}

TEST(StatusAreaTest, TheTwoNewestMessagesShowNewestBelow) {
    StationFixture s;
    const struct {
        const char* posted;
        const char* upper;
        const char* lower;
    } steps[] = {
        {"No connection", "...", "No connection"},
        {"File was saved", "No connection", "File was saved"},
        {"New file was created", "File was saved", "New file was created"},
        {"New file was created", "New file was created", "New file was created"},
    };
    for (const auto& step : steps) {
        s.main->AddStatusLine(step.posted);
        EXPECT_EQ(s.status1(), step.upper) << step.posted;
        EXPECT_EQ(s.status2(), step.lower) << step.posted;
    }
}

TEST(MotorLabelTest, StepsColumnStaysAlignedForDivisorsUpToThreeDigits) {
    StationFixture s;
    const struct {
        std::uint32_t divisor;
        std::int32_t steps;
        const char* text;
    } cases[] = {
        {8, 200, "Motor 2 [1/8   200]"},     {16, 200, "Motor 2 [1/16  200]"},
        {128, 200, "Motor 2 [1/128 200]"},   {1, 400, "Motor 2 [1/1   400]"},
        {99, 48, "Motor 2 [1/99  48]"},      {100, -5, "Motor 2 [1/100 -5]"},
        {1000, 200, "Motor 2 [1/1000 200]"},
    };
    for (const auto& c : cases) {
        s.main->model().motors[1] = {c.divisor, c.steps};
        s.main->UpdateMotorLabels();
        EXPECT_EQ(s.main->i2->text(), c.text);
        EXPECT_EQ(s.main->i1->text(), "Motor 1 [1/8   200]");
    }
}

TEST(MotorLabelTest, ClickingALabelTogglesItsBox) {
    StationFixture s;
    QTest::mouseClick(s.main->i2, Qt::LeftButton);
    EXPECT_TRUE(s.main->m2_ch->isChecked());
    EXPECT_FALSE(s.main->m1_ch->isChecked());
    EXPECT_FALSE(s.main->m3_ch->isChecked());
    QTest::mouseClick(s.main->i2, Qt::LeftButton);
    EXPECT_FALSE(s.main->m2_ch->isChecked());
    QTest::mouseClick(s.main->i3, Qt::LeftButton);
    EXPECT_TRUE(s.main->m3_ch->isChecked());
}

// Names as the run-mode look lists them.
const QStringList kHiddenInRunMode{"SetConfigButton",
                                   "SetModeButton",
                                   "SetVminButton",
                                   "SetVmaxButton",
                                   "SetAmaxButton",
                                   "SetVdestButton",
                                   "SetXdestButton",
                                   "SetOutputButton",
                                   "SpeedButton2",
                                   "SpeedButton1",
                                   "InfoButton",
                                   "HelpButton",
                                   "ReadProgramButton",
                                   "WriteProgramButton",
                                   "ConnectButton",
                                   "DisconnectButton",
                                   "SaveButton",
                                   "SaveAsButton",
                                   "OpenButton",
                                   "NewButton",
                                   "CommadnConfigButton",
                                   "CommadnVminButton",
                                   "CommadnVmaxButton",
                                   "CommadnAmaxButton",
                                   "CommadEnableButton",
                                   "CommadnVdestButton",
                                   "CommadnXdestButton",
                                   "CommadnHomeButton",
                                   "CommadBreakButton",
                                   "CommadnStopButton",
                                   "CommadnWaitXButton",
                                   "CommadnOutButton",
                                   "CommadnCounterButton",
                                   "CommadnJumpButton",
                                   "CommadnJumpInputButton",
                                   "CommadnJumpCounterButton",
                                   "CommadnWaitButton",
                                   "CommadnEndButton",
                                   "CommadnUsbButton",
                                   "CommadnMessageButton"};
const QStringList kUsableInRunMode{"StopButton",      "StopProgramButton", "PlayProgramButton",
                                   "ViewUsbButton",   "WiewIoButton",      "ViweMotorButton",
                                   "PrintButton",     "UpButton",          "DownButton",
                                   "CommandClearPos", "CloseButton",       "MinimalizeButton"};

TEST(RunModeLookTest, HidesTheEditingControlsAndTheMenuThenBringsThemBack) {
    StationFixture s;
    s.main->show();
    s.main->HideEditingControls();
    for (const QString& name : kHiddenInRunMode) {
        QWidget* w = s.main->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_FALSE(w->isVisible()) << name.toStdString();
    }
    for (const QString& name : kUsableInRunMode) {
        QWidget* w = s.main->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_TRUE(w->isVisible()) << name.toStdString();
    }
    EXPECT_EQ(s.main->ProgramView->popupMenu(), nullptr);

    s.main->ShowEditingControls();
    for (const QString& name : kHiddenInRunMode)
        EXPECT_TRUE(s.main->findChild<QWidget*>(name)->isVisible()) << name.toStdString();
    EXPECT_EQ(s.main->ProgramView->popupMenu(), s.main->Popup);
}

TEST(RunModeLookTest, StopButtonsBringTheEditingLookBackEvenWithoutConnection) {
    StationFixture s;
    for (PictureButton* stop : {s.main->StopProgramButton, s.main->StopButton}) {
        s.main->HideEditingControls();
        QTest::mouseClick(stop, Qt::LeftButton);
        EXPECT_EQ(s.status2(), "No connection");
        EXPECT_FALSE(s.main->NewButton->isHidden());
        EXPECT_EQ(s.main->ProgramView->popupMenu(), s.main->Popup);
    }
}

TEST(TransferLockTest, LocksAllButTransferAndPasswordWindowsAndHidesMonitors) {
    StationFixture s;
    const QStringList locked{
        "FInfo",           "FLog",        "FMain",   "FParametrLiczbowy", "FPodgladSilniki",
        "FPodgladWejscia", "FSterowanie", "FWyjscia"};
    for (QWidget* w : s.station->windows().all())
        w->show();
    s.main->LockWindows();
    for (QWidget* w : s.station->windows().all()) {
        const QString name = w->objectName();
        EXPECT_EQ(w->isEnabled(), !locked.contains(name)) << name.toStdString();
        const bool hidden =
            name == "FPodgladSilniki" || name == "FPodgladWejscia" || name == "FLog";
        EXPECT_EQ(w->isVisible(), !hidden) << name.toStdString();
    }
    s.main->UnlockWindows();
    for (QWidget* w : s.station->windows().all()) {
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
        if (w->objectName() == "FLog") {
            EXPECT_FALSE(w->isVisible()) << "unlock shows nothing";
        }
    }
}

TEST(DeviceActionTest, ActionsThatNeedTheControllerSayNoConnection) {
    StationFixture s;
    const char* buttons[] = {"ReadProgramButton", "PlayProgramButton", "ViewUsbButton",
                             "WiewIoButton",      "ViweMotorButton",   "SpeedButton1",
                             "SpeedButton2",      "SetConfigButton",   "SetModeButton",
                             "SetVminButton",     "SetXdestButton",    "SetOutputButton"};
    for (const char* name : buttons) {
        s.main->AddStatusLine("marker");
        auto* b = s.main->findChild<PictureButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
        EXPECT_EQ(s.status1(), "marker") << name << " posts exactly one line";
        EXPECT_EQ(s.status2(), "No connection") << name;
    }
    EXPECT_FALSE(s.main->NewButton->isHidden()) << "play without a link changes no look";
}

TEST(DeviceActionTest, ConnectWithoutADeviceAndDisconnectWhenNotConnected) {
    StationFixture s;
    int stops = 0;
    s.main->setPreviewTimerStopper([&] { ++stops; });
    QTest::mouseClick(s.main->ConnectButton, Qt::LeftButton);
    EXPECT_EQ(s.status2(), "Can't find USB device");
    EXPECT_EQ(s.main->led_usb->pictureName(), "ID_led_stop");
    QTest::mouseClick(s.main->DisconnectButton, Qt::LeftButton);
    EXPECT_EQ(s.status1(), "Can't find USB device");
    EXPECT_EQ(s.status2(), "Connection was finished");
    EXPECT_EQ(stops, 1);
}

struct HintCase {
    const char* control;
    const char* toolTip;
    const char* info1;
    const char* info2;
};

TEST(DryRunTest, F6RunsTheEditorsProgramWithoutTheLinkAndTheCursorSelectsItsLine) {
    StationFixture s;
    s.main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.main));
    for (int i = 0; i < 2; ++i)
        s.main->model().image.setRecord(i, velocityRecord(code::WaitMs, 4, 500));
    s.main->model().image.setRecord(2, makeRecord(code::End, 4));
    s.main->model().image.setLength(3);
    s.main->PrintProgram();
    const QString status = s.status2();

    QTest::keyClick(s.main, Qt::Key_F6);
    TFDryRun* window = s.main->dryRunWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->result().ended());
    EXPECT_EQ(window->result().stoppedAt, std::chrono::milliseconds(1002));
    EXPECT_EQ(s.status2(), status) << "nothing about the link";

    window->setCursorMs(700);
    EXPECT_EQ(s.main->ProgramView->caretLine(), 1);
    EXPECT_TRUE(s.main->ProgramView->selectedText().startsWith("002: "));
    EXPECT_TRUE(s.main->ProgramView->selectedText().contains("wait_ms(500)"));
}

TEST(HintTest, MovingOverAControlShowsItsTwoLinesAndTooltip) {
    StationFixture s;
    s.main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.main));
    const HintCase cases[] = {
        {"NewButton", "New", "Button creates new file with program",
         "Current project is save on request"},
        {"SaveButton", "Save", "Button saves current project under earlier created name", ""},
        {"StopProgramButton", "Stop program", "Button stops program execution of EEPROM memory",
         "Active ony at connection with a device"},
        {"ViewUsbButton", "USB message preview ", "Button activates USB message preview window",
         "Active only at connection with a device"},
        {"SpeedButton1", "Device reset", "Button reset the device",
         "Active only at connetion with a device"},
        {"StopButton", "Stop program", "Emegency stop button of the program of EEPROM memory",
         "Active only at connection with a device"},
        {"led_prog", "",
         "Control shows information about state of executed program of EEPROM memory",
         "Green - active; Grey - stop"},
        {"SetVdestButton", "Ustaw prędkość zadaną", "Direct control of motors",
         "Button sets target velocity - available in velocity mode"},
        {"CommadnConfigButton", "KOnfiguracja sterowników", "Program command",
         "Command configures driver and motor parameters"},
        {"CommandClearPos", "", "Program command", "Reset motor position counter"},
        {"CommadnJumpCounterButton", "Skocz jeśli licznik powtórzeń różny od zera",
         "Program command", "Command makes jump until repetition counter is bigger than zero"},
        {"CommadnWaitButton", "Czekaj", "Program command",
         "Command introduces delay in miliseconds"},
    };
    for (const HintCase& c : cases) {
        QWidget* w = s.main->findChild<QWidget*>(c.control);
        ASSERT_NE(w, nullptr) << c.control;
        s.main->Info1->setText("stale");
        s.main->Info2->setText("stale");
        QTest::mouseMove(w, w->rect().center());
        EXPECT_EQ(s.main->Info1->text(), QString::fromUtf8(c.info1)) << c.control;
        EXPECT_EQ(s.main->Info2->text(), QString::fromUtf8(c.info2)) << c.control;
        EXPECT_EQ(w->toolTip(), QString::fromUtf8(c.toolTip)) << c.control;
    }
    EXPECT_EQ(s.main->CloseButton->toolTip(), "Zamknij");
    EXPECT_EQ(s.main->MinimalizeButton->toolTip(), "Minimalizuj");
}

TEST(HintTest, ListingAndBackgroundClearTheLinesPlainControlsLeaveThem) {
    StationFixture s;
    s.main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.main));
    QTest::mouseMove(s.main->SaveButton, s.main->SaveButton->rect().center());
    EXPECT_EQ(s.main->Info2->text(), "");
    QTest::mouseMove(s.main->NewButton, s.main->NewButton->rect().center());
    EXPECT_EQ(s.main->Info2->text(), "Current project is save on request");

    for (QWidget* plain :
         {static_cast<QWidget*>(s.main->m1_ch), static_cast<QWidget*>(s.main->input_1_state),
          static_cast<QWidget*>(s.main->Label29)}) {
        QTest::mouseMove(plain, plain->rect().center());
        EXPECT_EQ(s.main->Info1->text(), "Button creates new file with program")
            << plain->objectName().toStdString();
    }
    QTest::mouseMove(s.main->ProgramView->viewport(), QPoint(40, 40));
    EXPECT_EQ(s.main->Info1->text(), "...");
    EXPECT_EQ(s.main->Info2->text(), "...");

    QTest::mouseMove(s.main->NewButton, s.main->NewButton->rect().center());
    QTest::mouseMove(s.main, QPoint(162, 300));  // bare background between two groups
    EXPECT_EQ(s.main->Info1->text(), "...");
    EXPECT_EQ(s.main->Info2->text(), "...");
}

TEST(ColumnSwitchTest, KolSwitchesLayoutCaptionAndFurniture) {
    StationFixture s;
    s.main->show();
    s.loadProgram(3);  // v_min on motors 1, 2, 3
    ASSERT_EQ(s.main->ProgramView->lineCount(), 3);
    // Four columns: the motor-2 body starts at character 29.
    EXPECT_EQ(s.main->ProgramView->lineText(1).indexOf("v_min"), 29);
    QTest::mouseClick(s.main->kol, Qt::LeftButton);
    EXPECT_EQ(s.main->kol->text(), "1 Column");
    EXPECT_EQ(s.main->ProgramView->lineText(1).indexOf("v_min"), 5);
    EXPECT_FALSE(s.main->name1->isVisible());
    EXPECT_FALSE(s.main->separators[3]->isVisible());
    QTest::mouseClick(s.main->kol, Qt::LeftButton);
    EXPECT_EQ(s.main->kol->text(), "4 Columns");
    EXPECT_TRUE(s.main->name4->isVisible());
    EXPECT_TRUE(s.main->separators[0]->isVisible());
    EXPECT_EQ(s.main->ProgramView->lineText(2).indexOf("v_min"), 53);
    EXPECT_EQ(s.main->Label29->text(), "4 columns");
}

TEST(ColumnSwitchTest, SeparatorsStandBeforeTheColumnsAndHeadersRightOfThem) {
    StationFixture s;
    const int starts[4] = {5, 29, 53, 77};
    QLabel* headers[4] = {s.main->name1, s.main->name2, s.main->name3, s.main->name4};
    const QStringList texts{"Motor 1", "Motor 2", "Motor 3", "Driver"};
    for (int i = 0; i < 4; ++i) {
        const int columnLeft = s.main->ProgramView->x() + s.main->ProgramView->columnX(starts[i]);
        const int sep = s.main->separators[i]->x();
        EXPECT_EQ(s.main->separators[i]->width(), 1);
        EXPECT_LT(sep, columnLeft);
        EXPECT_GE(sep, columnLeft - 7) << "in the blank before column " << starts[i];
        EXPECT_GT(headers[i]->x(), sep);
        EXPECT_EQ(headers[i]->text(), texts[i]);
    }
}

// A line that runs into the next column (a 1/256 driver line reaches character
// 30) is not crossed by that column's separator; shorter lines and the blank
// below the program show it.
TEST(ColumnSwitchTest, SeparatorsNeverCrossALineThatRunsIntoTheNextColumn) {
    StationFixture s;
    s.main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.main));
    Record driver = makeRecord(17, 1);
    writeBe16(&driver[4], 256);
    writeBe16(&driver[8], 1600);
    s.main->model().appendRecord(velocityRecord(1, 1, 1000));
    s.main->model().appendRecord(driver);
    s.main->PrintProgram();
    ASSERT_EQ(s.main->ProgramView->lineText(1).indexOf("0; 0)"), 26) << "across character 29";

    const QImage shot = s.main->grab().toImage();
    ListingView* view = s.main->ProgramView;
    const int x = s.main->separators[1]->x();
    auto separatorShows = [&](int row) {
        const int y = view->y() + view->viewport()->y() + 2 + row * view->lineHeight() +
                      view->lineHeight() / 2;
        return shot.pixelColor(x, y) == QColor(Qt::black);
    };
    EXPECT_TRUE(separatorShows(0));
    EXPECT_FALSE(separatorShows(1));
    EXPECT_TRUE(separatorShows(4));
}

// Each key presses its button (in the run-mode look only the buttons still shown),
// and the button's tooltip names the key after its own text.
TEST(ShortcutTest, EachKeyPressesItsButtonAndItsTooltipNamesIt) {
    StationFixture s;
    s.main->show();
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        PictureButton* button;
        const char* tip;
    } keys[] = {
        {Qt::Key_N, Qt::ControlModifier, s.main->NewButton, "New  (Ctrl+N)"},
        {Qt::Key_O, Qt::ControlModifier, s.main->OpenButton, "Open  (Ctrl+O)"},
        {Qt::Key_S, Qt::ControlModifier, s.main->SaveButton, "Save  (Ctrl+S)"},
        {Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, s.main->SaveAsButton,
         "Save as...  (Ctrl+Shift+S)"},
        {Qt::Key_P, Qt::ControlModifier, s.main->PrintButton, "Print  (Ctrl+P)"},
        {Qt::Key_F1, {}, s.main->HelpButton, "Help  (F1)"},
        {Qt::Key_F5, {}, s.main->WriteProgramButton, "Compile  (F5)"},
        {Qt::Key_F9, {}, s.main->PlayProgramButton, "Start program  (F9)"},
        {Qt::Key_F9, Qt::ShiftModifier, s.main->StopProgramButton, "Stop program  (Shift+F9)"},
    };
    for (const auto& k : keys) {
        QSignalSpy pressed(k.button, &QAbstractButton::clicked);
        for (const bool runMode : {true, false}) {
            runMode ? s.main->HideEditingControls() : s.main->ShowEditingControls();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w != s.main) w->hide();
            s.main->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(s.main));
            QTest::keyClick(s.main, k.key, k.modifiers);
        }
        EXPECT_EQ(pressed.count(), s.main->editingControls().contains(k.button) ? 1 : 2) << k.tip;
        QHelpEvent tip(QEvent::ToolTip, QPoint(4, 4), k.button->mapToGlobal(QPoint(4, 4)));
        QApplication::sendEvent(k.button, &tip);
        EXPECT_EQ(QToolTip::text(), k.tip);
    }
}

TEST(PopupMenuTest, DeleteThenTheInsertSubmenuThenEdit) {
    StationFixture s;
    const QList<QAction*> top = s.main->Popup->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0]->text(), "Delete command");
    EXPECT_EQ(top[0]->objectName(), "Usu1");
    ASSERT_NE(top[1]->menu(), nullptr);
    EXPECT_EQ(top[1]->text(), "Insert command");
    EXPECT_EQ(top[2]->text(), "Edit command");
    EXPECT_EQ(top[2]->objectName(), "Edytujzdarzenie1");

    QStringList captions;
    for (QAction* a : top[1]->menu()->actions())
        captions << (a->isSeparator() ? "-" : a->text());
    const QStringList expected{"Driver configuration",
                               "Min velocity",
                               "Max velocity",
                               "Max acceleration",
                               "-",
                               "ENABLE output",
                               "Set velocity",
                               "Set position",
                               "HOME",
                               "Brake",
                               "Stop",
                               "Wait for position",
                               "Reset pos. counter",
                               "-",
                               "Set outputs",
                               "Set repet. counter",
                               "Jump to a line",
                               "Jump if input",
                               "Jump if repet. counter",
                               "Wait [ms]",
                               "END of program",
                               "-",
                               "Communication config",
                               "USB message"};
    EXPECT_EQ(captions, expected);
    EXPECT_NE(s.main->Popup->findChild<QAction*>("Skoczje2"), nullptr);
}

TEST(ListingRenderTest, CounterGaugeAndCaretFollowTheProgram) {
    StationFixture s;
    s.loadProgram(12);
    EXPECT_EQ(s.main->comand_counter->text(), "Command: 12 (left 987 )");
    EXPECT_EQ(s.main->ProgramBar->value(), 12);
    EXPECT_EQ(s.main->ProgramView->caretLine(), 12) << "cursor line 0: the empty line below";
    EXPECT_EQ(s.main->ProgramView->lineColor(1), QColor(123, 40, 42));
    s.main->model().cursorLine = 5;
    s.main->PrintProgram();
    EXPECT_EQ(s.main->ProgramView->caretLine(), 4);
    EXPECT_FALSE(s.main->ProgramView->hasSelection());
}

TEST(AboutWindowTest, OpensWithVersionsResetAndHidesOnEsc) {
    StationFixture s;
    auto* info = qobject_cast<TFInfo*>(s.station->window(Window::FInfo));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->size(), QSize(249, 150));
    EXPECT_EQ(info->FormCaption->text(), "About program");
    EXPECT_EQ(info->OkButton->toolTip(), "Zamknij okno");
    EXPECT_EQ(info->toolTip(), "Zamknij okno");
    info->showFirmwareVersion("2.7");
    QTest::mouseClick(s.main->InfoButton, Qt::LeftButton);
    EXPECT_TRUE(info->isVisible());
    EXPECT_EQ(info->info_pc->text(), "1.1 EN");
    EXPECT_EQ(info->info_uc->text(), "* * * * *") << "a second opening resets the field";
    EXPECT_EQ(s.status2(), "...") << "no status line without a connection";
    QTest::keyClick(info, Qt::Key_Return);
    EXPECT_TRUE(info->isVisible()) << "Enter does nothing here";
    QTest::keyClick(info, Qt::Key_Escape);
    EXPECT_FALSE(info->isVisible());
    info->show();
    QTest::mouseClick(info->OkButton, Qt::LeftButton);
    EXPECT_FALSE(info->isVisible());
}

TEST(HelpTest, ManualIsLookedForBelowTheStartUpDirectory) {
    StationFixture s;
    s.main->StartupDirectory = s.dir.dirPath();
    QTest::mouseClick(s.main->HelpButton, Qt::LeftButton);
    HelpViewer* viewer = s.main->helpViewer();
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->manualPath(), s.dir.filePath("help/RV_702_HELP.html"));
    EXPECT_FALSE(viewer->manualLoaded());
    EXPECT_TRUE(viewer->visibleSections().isEmpty());

    QDir(s.dir.dirPath()).mkdir("help");
    QFile f(s.dir.filePath("help/RV_702_HELP.html"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<h1>Manual</h1><p>x</p><h2>Files</h2><p>Open and save.</p>");
    f.close();
    QTest::mouseClick(s.main->HelpButton, Qt::LeftButton);
    EXPECT_TRUE(viewer->manualLoaded());
    EXPECT_EQ(viewer->visibleSections(), (QStringList{"Manual", "Files"}));
}

// The manual's viewer has the station's window furniture: its title strip and
// close button, Esc, the background drag; its contents column fits every entry.
TEST(HelpTest, TheViewerIsAStationWindowWhoseContentsFitTheirColumn) {
    StationFixture s;
    s.main->StartupDirectory = QStringLiteral(RV720_TEST_DATA "/../..");
    s.main->show();
    QTest::mouseClick(s.main->HelpButton, Qt::LeftButton);
    HelpViewer* viewer = s.main->helpViewer();
    ASSERT_TRUE(viewer->manualLoaded());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    EXPECT_TRUE(viewer->isDraggable());
    QTreeWidget* contents = viewer->contents();
    const int shown = contents->viewport()->width();
    contents->header()->setStretchLastSection(false);
    contents->resizeColumnToContents(0);  // the width its longest entry needs
    EXPECT_LE(contents->columnWidth(0), shown);
    QTest::keyClick(viewer->searchBox(), Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
    QTest::mouseClick(s.main->HelpButton, Qt::LeftButton);
    QTest::mouseClick(viewer->CloseButton, Qt::LeftButton);
    EXPECT_FALSE(viewer->isVisible());
}

TEST(CloseTest, CloseButtonNoLeavesEverythingAsItWas) {
    StationFixture s;
    s.main->show();
    s.loadProgram(2);
    QSignalSpy terminated(s.main, &TFMain::terminateRequested);
    s.dialogs.yesNoAnswers = {false};
    QTest::mouseClick(s.main->CloseButton, Qt::LeftButton);
    ASSERT_EQ(s.dialogs.calls.size(), 1);
    EXPECT_EQ(s.dialogs.calls[0].caption, "End of the program");
    EXPECT_EQ(s.dialogs.calls[0].text, "Do you want to finish this action ?");
    EXPECT_EQ(terminated.count(), 0);
    EXPECT_TRUE(s.main->isVisible());
    EXPECT_EQ(s.main->ProgramView->lineCount(), 2);
}

TEST(CloseTest, BothPathsAskTheirQuestionThenOfferToSave) {
    const struct {
        const char* name;
        bool viaSystem;
        int commands;
        QStringList questions;
    } cases[] = {
        {"button, empty", false, 0, {"Do you want to finish this action ?"}},
        {"button, one command",
         false,
         1,
         {"Do you want to finish this action ?", "Do you want to save current program?"}},
        {"system, empty", true, 0, {"Do you want to finish this action?"}},
        {"system, program",
         true,
         5,
         {"Do you want to finish this action?", "Do you want to save current program?"}},
    };
    for (const auto& c : cases) {
        StationFixture s;
        s.main->show();
        if (c.commands) s.loadProgram(c.commands);
        int stops = 0;
        s.main->setPreviewTimerStopper([&] { ++stops; });
        QWidget* transfer = s.station->window(Window::FKompilacja);
        transfer->show();
        QSignalSpy terminated(s.main, &TFMain::terminateRequested);
        s.dialogs.yesNoAnswers = {true, false};
        if (c.viaSystem)
            s.main->close();
        else
            QTest::mouseClick(s.main->CloseButton, Qt::LeftButton);
        EXPECT_EQ(s.dialogs.questions(), c.questions) << c.name;
        EXPECT_EQ(s.dialogs.calls.last().caption, c.commands ? "Open a file" : "End of the program")
            << c.name;
        EXPECT_EQ(terminated.count(), 1) << c.name;
        EXPECT_EQ(stops, 1) << c.name;
        EXPECT_FALSE(transfer->isVisible()) << c.name << ": the transfer window is asked to close";
        EXPECT_EQ(s.dialogs.unscripted, 0) << c.name;
    }
}

TEST(CloseTest, SystemCloseRefusedOnNo) {
    StationFixture s;
    s.main->show();
    s.dialogs.yesNoAnswers = {false};
    EXPECT_FALSE(s.main->close());
    EXPECT_TRUE(s.main->isVisible());
    EXPECT_FALSE(s.main->closeAccepted());
}

TEST(CloseTest, SavingOnCloseWritesTheProgram) {
    StationFixture s;
    s.loadProgram(3);
    s.dialogs.yesNoAnswers = {true, true};
    s.dialogs.fileAnswers = {s.path("closing")};
    QTest::mouseClick(s.main->CloseButton, Qt::LeftButton);
    EXPECT_EQ(s.fileBytes("closing.pri").size(), 30 + 3 * 10);
    EXPECT_EQ(s.status2(), "File was saved");
}

}  // namespace
}  // namespace rv720
