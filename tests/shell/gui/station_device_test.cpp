// The whole station on the controller twin: connect, compile, write, read back,
// run and follow the executed line, stop, reset, the firmware update behind the
// password window, the about window's version, and what a lost link or a silent
// controller leaves behind. Time is the twin's manual clock and the station's
// manual timers, so nothing waits in real time.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "control/gui/log_window.h"
#include "control/gui/podglad_silniki_window.h"
#include "control/gui/podglad_wejscia_window.h"
#include "control/gui/wyjscia_window.h"
#include "device/device_station.h"
#include "editor/gui/listing_view.h"
#include "model/program_file.h"
#include "protocol/commands.h"
#include "shell/gui/info_window.h"
#include "shell/gui/kompilacja_window.h"
#include "shell/gui/main_window.h"
#include "shell/gui/pass_window.h"
#include "shell/gui/shell_test_app.h"
#include "shell/gui/station_app.h"
#include "shell/gui/twin_station_rig.h"
#include "sim/simulated_ftdi.h"
#include "support/clock.h"
#include "support/color.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "support/timer.h"
#include "ui/dialogs.h"
#include "ui/form_controls.h"
#include "ui/qt_adapters.h"

namespace rv720 {
namespace {

const QString kDemo = QStringLiteral(RV720_TEST_DATA "/../../examples/demo.pri");
const QString kCaptionOfNew = QStringLiteral("3-axis trajectory generator RV720  -  [New]");

Record velocityRecordFor(int i) {
    Record r = makeRecord(1, std::uint8_t(1 + i % 3));
    writeBe32(&r[2], 1000 * i);
    return r;
}
const QString kDashes(69, QLatin1Char('-'));

struct TwinStation : testing::TwinStationRig {
    TwinStation() {
        transfer = qobject_cast<TFKompilacja*>(station->window(Window::FKompilacja));
        pass = qobject_cast<TFPass*>(station->window(Window::FPass));
        info = qobject_cast<TFInfo*>(station->window(Window::FInfo));
        main->device().link().frameLog = [this](FrameDirection d,
                                                std::span<const std::uint8_t> bytes) {
            if (d != FrameDirection::Sent) return;
            if (bytes.size() >= 7)
                sentCodes.push_back(bytes[5]);
            else
                rawBytes += int(bytes.size());
        };
    }

    bool pumpUntilStatus(const QString& text, int limitMs = 20000) {
        return pumpUntil([&] { return status1() == text || status2() == text; }, limitMs);
    }
    // A click where the operator sees the button: a covering picture takes it.
    void clickAsSeen(QWidget* window, QWidget* button) {
        const QPoint centre = button->geometry().center();
        QWidget* target = window->childAt(centre);
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(window, centre));
    }

    void loadDemo() {
        ProgramImage image;
        ASSERT_TRUE(loadProgramFile(QFile::encodeName(kDemo).toStdString(), image));
        main->model().image = image;
        main->refreshInputBreakControls();
        main->PrintProgram();
    }
    // Connects, compiles the demo and writes it.
    void writeDemo() {
        loadDemo();
        connect();
        click(main->WriteProgramButton);
        ASSERT_TRUE(transfer->downloadAvailable());
        clickAsSeen(transfer, transfer->DownloadButton);
        ASSERT_TRUE(pumpUntilStatus("Saving to EEPROM memory finished"));
        pump(5);  // the answer to command 18
    }

    QString lastLog() const { return transfer->logLines().value(transfer->logLines().size() - 1); }
    Rgb lastLogColour() const { return transfer->logLineColour(transfer->logLines().size() - 1); }
    QWidget* window(Window which) const { return station->window(which); }
    int sent(std::uint8_t code) const {
        return int(std::count(sentCodes.begin(), sentCodes.end(), code));
    }

    test::TempFolder dir;
    TFKompilacja* transfer = nullptr;
    TFPass* pass = nullptr;
    TFInfo* info = nullptr;
    std::vector<std::uint8_t> sentCodes;
    int rawBytes = 0;
};

// ---- link --------------------------------------------------------------------

TEST(StationLinkTest, ConnectLightsTheIndicatorAndDisconnectPutsItOut) {
    TwinStation s;
    s.click(s.main->ConnectButton);
    EXPECT_TRUE(s.main->isConnected());
    EXPECT_EQ(s.status1(), "Connection successful");  // Connect repeats the newest line
    EXPECT_EQ(s.status2(), "Connection successful");
    EXPECT_EQ(s.main->led_usb->pictureName(), "ID_led_play");
    EXPECT_EQ(s.main->connectionIndicator, 1);
    EXPECT_TRUE(s.main->UsbTimer->isActive());

    s.main->AddStatusLine("marker");
    s.click(s.main->ConnectButton);  // already connected: nothing happens
    EXPECT_EQ(s.status2(), "marker");

    s.click(s.main->DisconnectButton);
    EXPECT_FALSE(s.main->isConnected());
    EXPECT_EQ(s.status1(), "Connection finished");
    EXPECT_EQ(s.status2(), "Connection was finished");
    EXPECT_EQ(s.main->led_usb->pictureName(), "ID_led_stop");
    EXPECT_EQ(s.main->connectionIndicator, 0);
    EXPECT_FALSE(s.main->UsbTimer->isActive());
}

struct NoConnectionCase {
    const char* button;
    std::optional<Window> staysHidden;  // the window the action would show
};

TEST(StationLinkTest, ActionsWithoutConnectionSendNothingAndShowNothing) {
    const NoConnectionCase cases[] = {
        {"ReadProgramButton", Window::FKompilacja},
        {"PlayProgramButton", std::nullopt},
        {"StopProgramButton", std::nullopt},
        {"StopButton", std::nullopt},
        {"SpeedButton1", std::nullopt},
        {"SpeedButton2", Window::FPass},
        {"ViweMotorButton", Window::FPodgladSilniki},
        {"WiewIoButton", Window::FPodgladWejscia},
        {"ViewUsbButton", Window::FLog},
    };
    TwinStation s;
    for (const NoConnectionCase& c : cases) {
        SCOPED_TRACE(c.button);
        s.main->AddStatusLine("marker");
        s.click(s.main->findChild<PictureButton*>(c.button));
        EXPECT_EQ(s.status1(), "marker");
        EXPECT_EQ(s.status2(), "No connection");
        if (c.staysHidden) {
            EXPECT_FALSE(s.window(*c.staysHidden)->isVisible());
        }
        EXPECT_FALSE(s.main->NewButton->isHidden()) << "the editing look stays";
    }
    EXPECT_TRUE(s.sentCodes.empty());
    EXPECT_EQ(s.rawBytes, 0);
}

TEST(StationLinkTest, LostCableDuringAWriteHidesTheTransferWindowAndUnlocks) {
    TwinStation s;
    s.loadDemo();
    s.connect();
    s.click(s.main->WriteProgramButton);
    s.clickAsSeen(s.transfer, s.transfer->DownloadButton);
    s.pump(4);
    ASSERT_FALSE(s.main->isEnabled()) << "locked while writing";
    ASSERT_FALSE(s.transfer->close()) << "no closing while writing";

    s.ftdi.twin().injectFault(sim::FaultMode::Unplugged);
    s.pump(2);
    EXPECT_FALSE(s.main->isConnected());
    EXPECT_EQ(s.status2(), "Connection finished");
    EXPECT_EQ(s.main->led_usb->pictureName(), "ID_led_stop");
    EXPECT_FALSE(s.transfer->isVisible());
    EXPECT_TRUE(s.main->isEnabled()) << "the main window is usable again";
    EXPECT_FALSE(s.main->Timer->isActive()) << "the transfer clock stopped";
    EXPECT_TRUE(s.main->device().FKompilacja().FormCloseQuery());
    EXPECT_EQ(s.ftdi.twin().program().length(), 0u) << "a broken write keeps the old program";
}

TEST(StationLinkTest, SilentControllerDuringAReadGivesUpAndUnlocks) {
    TwinStation s;
    s.connect();
    s.ftdi.twin().injectFault(sim::FaultMode::DropReply, 10);
    s.click(s.main->ReadProgramButton);
    ASSERT_FALSE(s.main->isEnabled());
    const char* expected[] = {"Again data transmission - 1", "Again data transmission - 2",
                              "Device is not response"};
    for (const char* line : expected) {
        s.pump(1);
        s.manual(s.main->TimeoutTimer).tick();
        EXPECT_EQ(s.status2(), line);
    }
    EXPECT_EQ(s.sent(19), 3) << "sent once and re-sent twice";
    EXPECT_FALSE(s.main->isConnected());
    EXPECT_FALSE(s.main->TimeoutTimer->isActive());
    EXPECT_TRUE(s.main->isEnabled());
}

// ---- compilation -------------------------------------------------------------

struct CompileCase {
    const char* name;
    std::vector<Record> program;
    const char* verdict;
    int redLines;
    bool downloadAvailable;
};

Record record(std::uint8_t code, std::uint8_t motor = 4) {
    return makeRecord(code, motor);
}

TEST(StationCompileTest, ReportLinesColoursAndTheWriteButton) {
    const CompileCase cases[] = {
        {"empty", {}, "Compilation failed", 3, false},
        {"end only", {record(10)}, "Compilation successfuly finished", 0, true},
        {"move without driver configuration",
         {record(1, 1), record(2, 1), record(4, 1), record(8, 1), record(10)},
         "Compilation failed",
         2,
         false},
    };
    for (const CompileCase& c : cases) {
        SCOPED_TRACE(c.name);
        TwinStation s;
        for (std::size_t i = 0; i < c.program.size(); ++i)
            s.main->model().image.setRecord(int(i), c.program[i]);
        s.main->model().image.setLength(std::uint32_t(c.program.size()));
        s.click(s.main->WriteProgramButton);  // compiles without a connection

        EXPECT_TRUE(s.transfer->isVisible());
        EXPECT_EQ(s.transfer->FormCaption->text(), "Compilation");
        const QStringList lines = s.transfer->logLines();
        ASSERT_GE(lines.size(), 9);  // header, summary and verdict at least
        EXPECT_EQ(lines.first(), "Compilation start: 2026-12-08 o 12:00:00");
        EXPECT_EQ(s.lastLog(), c.verdict);
        EXPECT_EQ(s.lastLogColour(), colors::Blue);
        int red = 0;
        for (int i = 0; i < lines.size(); ++i)
            red += s.transfer->logLineColour(i) == colors::Red;
        EXPECT_EQ(red, c.redLines);
        EXPECT_TRUE(lines.contains(QStringLiteral("    Errors:       %1").arg(c.redLines)));
        EXPECT_EQ(s.transfer->downloadAvailable(), c.downloadAvailable);
        EXPECT_FALSE(s.transfer->stopAvailable());
        // The gauge ends full; an empty program's is empty, not busy (0 ... 0).
        EXPECT_EQ(s.transfer->KompilujBar->maximum(), std::max<int>(int(c.program.size()), 1));
        EXPECT_EQ(s.transfer->KompilujBar->value(), int(c.program.size()));
        EXPECT_TRUE(s.main->isEnabled()) << "compiling locks nothing";
        EXPECT_TRUE(s.sentCodes.empty());
    }
}

// What Download writes is what was compiled: an edit or an undo after the
// compilation takes Download away until the program is compiled again.
TEST(StationCompileTest, AnEditAfterCompilingTakesDownloadAway) {
    TwinStation s;
    s.loadDemo();
    for (auto edit : {std::function<void()>([&] { s.click(s.main->input_1_ex); }),
                      std::function<void()>([&] { s.main->undo(); })}) {
        s.click(s.main->WriteProgramButton);
        ASSERT_TRUE(s.transfer->downloadAvailable());
        edit();
        EXPECT_FALSE(s.transfer->downloadAvailable());
    }
    s.click(s.main->WriteProgramButton);
    EXPECT_TRUE(s.transfer->downloadAvailable());
}

// A click on a report line about one command chooses that command in the
// listing; the other lines lead nowhere.
TEST(StationCompileTest, AnErrorLineAboutACommandLeadsToItsLine) {
    TwinStation s;
    Record wait = record(20);
    wait[2] = wait[3] = 1;  // motors 1 and 2, after one position only
    for (const Record& r :
         {record(17, 1), record(1, 1), record(2, 1), record(4, 1), record(8, 1), wait, record(10)})
        s.main->model().appendRecord(r);
    s.main->PrintProgram();
    s.click(s.main->WriteProgramButton);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(s.transfer));
    QTextEdit* log = s.transfer->KompilacjaLog;
    for (const char* line : {"Compilation:", "Error: Wrong use of wait for position comand"}) {
        const QTextCursor at(log->document()->findBlockByNumber(
            int(s.transfer->logLines().indexOf(QLatin1String(line)))));
        QTest::mouseClick(log->viewport(), Qt::LeftButton, {},
                          log->cursorRect(at).center() + QPoint(30, 0));
        EXPECT_EQ(s.main->ProgramView->caretLine(), *line == 'C' ? 7 : 5) << line;
    }
    EXPECT_EQ(s.main->ProgramView->selectedText(), s.main->ProgramView->lineText(5));
    EXPECT_EQ(s.lastLog(), "Compilation failed") << "the report is as it was";
}

// ---- write and read ----------------------------------------------------------

TEST(StationTransferTest, WritesTheDemoAndReadsItBackIntoTheListing) {
    TwinStation s;
    s.loadDemo();
    const ProgramImage written = s.main->model().image;
    const std::uint32_t n = written.length();
    QStringList listing;
    for (int i = 0; i < s.main->ProgramView->lineCount(); ++i)
        listing << s.main->ProgramView->lineText(i);
    ASSERT_GT(n, 30u);

    s.connect();
    s.click(s.main->WriteProgramButton);
    ASSERT_EQ(s.lastLog(), "Compilation successfuly finished");
    s.clickAsSeen(s.transfer, s.transfer->DownloadButton);
    EXPECT_EQ(s.status2(), "Saving to EEPROM started");
    EXPECT_FALSE(s.main->isEnabled());
    EXPECT_TRUE(s.transfer->isEnabled());
    EXPECT_TRUE(s.transfer->stopAvailable());
    EXPECT_FALSE(s.transfer->downloadAvailable());
    EXPECT_EQ(s.transfer->logLines().first(), "Saving: 2026-12-08 o 12:00:00");
    EXPECT_EQ(s.transfer->logLines().value(3), QStringLiteral("    Commands:    %1").arg(n));

    ASSERT_TRUE(s.pumpUntilStatus("Saving to EEPROM memory finished"));
    s.pump(5);
    // Header, one record per acknowledgement, then the end of the exchange.
    std::vector<std::uint8_t> expected{16};
    expected.insert(expected.end(), n, 17);
    expected.push_back(18);
    EXPECT_EQ(s.sentCodes, expected);
    EXPECT_EQ(s.lastLog(), "Programming finished");
    EXPECT_EQ(s.lastLogColour(), colors::Blue);
    EXPECT_TRUE(s.transfer->logLines()
                    .value(s.transfer->logLines().size() - 3)
                    .startsWith("    Czas:        "));
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_TRUE(s.transfer->downloadAvailable());
    EXPECT_FALSE(s.transfer->stopAvailable());
    EXPECT_EQ(s.transfer->KompilujBar->value(), int(n));
    ASSERT_EQ(s.ftdi.twin().program().length(), n);
    for (int i = 0; i < int(n); ++i)
        ASSERT_EQ(s.ftdi.twin().program().record(i), written.record(i)) << "slot " << i;

    // Read it back over an emptied program.
    s.dialogs.yesNoAnswers = {false};  // do not save the program before the new one
    s.sentCodes.clear();
    s.click(s.main->ReadProgramButton);
    EXPECT_EQ(s.transfer->FormCaption->text(), "Program reading");
    EXPECT_EQ(s.status2(), " Program reading of EEPROM memory was started");
    EXPECT_FALSE(s.main->isEnabled());
    EXPECT_TRUE(s.transfer->stopAvailable());
    ASSERT_TRUE(s.pumpUntilStatus("Reading from EEPROM memory finished"));
    s.pump(5);
    EXPECT_EQ(s.dialogs.questions(), QStringList{"Do you want to save current program?"});
    EXPECT_EQ(s.sent(19), 1);
    EXPECT_EQ(s.sent(20), int(n));
    EXPECT_EQ(s.sentCodes.back(), 18);
    EXPECT_EQ(s.lastLog(), "Reading finished. Succesfull");
    EXPECT_EQ(s.lastLogColour(), colors::Blue);
    EXPECT_TRUE(s.transfer->logLines().contains(QStringLiteral("    Commands:    %1").arg(n)));
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_FALSE(s.transfer->stopAvailable());
    EXPECT_EQ(s.main->model().image.length(), n);
    EXPECT_EQ(s.main->model().image.inputBreakWire(), written.inputBreakWire());
    QStringList readBack;
    for (int i = 0; i < s.main->ProgramView->lineCount(); ++i)
        readBack << s.main->ProgramView->lineText(i);
    EXPECT_EQ(readBack, listing);
}

// A read stopped half-way gives back the program the operator had, its file name
// and the caption; the records still on their way change nothing.
TEST(StationTransferTest, AStoppedReadGivesBackTheProgramItsNameAndCaption) {
    TwinStation s;
    ProgramImage stored;
    for (int i = 0; i < 200; ++i)
        stored.setRecord(i, velocityRecordFor(i));
    stored.setLength(200);
    s.ftdi.twin().storeProgram(stored);
    s.dialogs.fileAnswers = {kDemo};
    s.click(s.main->OpenButton);
    ASSERT_EQ(s.main->CurrentFileName, kDemo);
    const QString caption = s.main->FormCaption->text();
    const ProgramImage before = s.main->model().image;
    QStringList listing;
    for (int i = 0; i < s.main->ProgramView->lineCount(); ++i)
        listing << s.main->ProgramView->lineText(i);

    s.connect();
    s.dialogs.yesNoAnswers = {false};  // do not save the demo first
    s.click(s.main->ReadProgramButton);
    s.pump(40);
    ASSERT_EQ(s.main->FormCaption->text(), kCaptionOfNew) << "the read began with a new program";
    s.clickAsSeen(s.transfer, s.transfer->StopButton);
    s.pump(50);

    EXPECT_EQ(s.main->CurrentFileName, kDemo);
    EXPECT_EQ(s.main->FormCaption->text(), caption);
    EXPECT_EQ(s.main->model().image.bytes(), before.bytes());
    QStringList shown;
    for (int i = 0; i < s.main->ProgramView->lineCount(); ++i)
        shown << s.main->ProgramView->lineText(i);
    EXPECT_EQ(shown, listing);
    EXPECT_EQ(s.lastLog(), "Previous program kept");
    EXPECT_FALSE(s.main->isModified()) << "the program is its file's again";
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_FALSE(s.transfer->stopAvailable());
}

// The save offered before a read is part of it: cancelled, the read does not start.
TEST(StationTransferTest, ACancelledSaveBeforeAReadKeepsTheProgramAndAsksNothing) {
    TwinStation s;
    s.loadDemo();
    s.connect();
    const ProgramImage before = s.main->model().image;
    s.dialogs.yesNoAnswers = {true};      // save first
    s.dialogs.fileAnswers = {QString()};  // then cancel the file dialog
    s.click(s.main->ReadProgramButton);
    s.pump(100);
    EXPECT_EQ(s.sent(19), 0);
    EXPECT_EQ(s.main->model().image.bytes(), before.bytes());
    EXPECT_FALSE(s.transfer->isVisible());
    EXPECT_TRUE(s.main->isEnabled());
}

// Off by default; when chosen, the write is read back and the log says whether it
// came back equal (blue) or where it differs (red).
TEST(StationTransferTest, VerifyAfterWritingIsAnOptionOfTheTransferWindow) {
    for (bool recordLost : {false, true}) {
        SCOPED_TRACE(recordLost ? "a record lost" : "clean");
        TwinStation s;
        s.loadDemo();
        const ProgramImage demo = s.main->model().image;
        if (recordLost) s.ftdi.twin().injectFault(sim::FaultMode::LoseRecord);
        s.connect();
        s.click(s.main->WriteProgramButton);
        ASSERT_FALSE(s.transfer->VerifyBox->isChecked());
        s.click(s.transfer->VerifyBox);
        s.clickAsSeen(s.transfer, s.transfer->DownloadButton);
        ASSERT_TRUE(s.pumpUntil([&] { return s.lastLog().startsWith("Verif"); }));
        s.pump(5);
        EXPECT_TRUE(s.transfer->logLines().contains("Programming finished"));
        if (recordLost) {
            EXPECT_EQ(s.lastLog(), QStringLiteral("Verify error: line 1: expected %1, read "
                                                  "00 00 00 00 00 00 00 00 00 00")
                                       .arg(QString::fromStdString(hexText(demo.record(0)))));
            EXPECT_EQ(s.lastLogColour(), colors::Red);
        } else {
            EXPECT_EQ(s.lastLog(), QStringLiteral("Verified: %1 commands").arg(demo.length()));
            EXPECT_EQ(s.lastLogColour(), colors::Blue);
        }
        EXPECT_EQ(s.sent(19), 1);
        EXPECT_EQ(s.sent(20), int(demo.length()));
        EXPECT_EQ(s.main->model().image.bytes(), demo.bytes()) << "verifying reads aside";
        EXPECT_TRUE(s.main->isEnabled());
        EXPECT_TRUE(s.transfer->downloadAvailable());
        EXPECT_FALSE(s.transfer->stopAvailable());
    }
}

// Esc and Enter of the transfer window go to the device side's transfer state.
TEST(StationTransferTest, EscStopsAWriteThenClosesEnterDownloadsOnlyWhenUncovered) {
    TwinStation s;
    s.loadDemo();
    s.click(s.main->WriteProgramButton);
    QTest::keyClick(s.transfer->KompilacjaLog, Qt::Key_Return);  // not connected yet
    EXPECT_EQ(s.status2(), "No connection");
    EXPECT_TRUE(s.main->isEnabled());

    s.connect();
    QTest::keyClick(s.transfer->KompilacjaLog, Qt::Key_Return);
    EXPECT_EQ(s.sent(16), 1) << "Enter downloads";
    s.pump(3);
    QTest::keyClick(s.transfer->KompilacjaLog, Qt::Key_Return);
    EXPECT_EQ(s.sent(16), 1) << "Download is covered while writing";

    QTest::keyClick(s.transfer->KompilacjaLog, Qt::Key_Escape);
    EXPECT_EQ(s.status2(), "Saving EEPROM stopped");
    EXPECT_EQ(s.lastLog(), "Programming error");
    EXPECT_EQ(s.lastLogColour(), colors::Blue);
    EXPECT_TRUE(s.transfer->isVisible()) << "Stop was available, so Esc stopped only";
    EXPECT_TRUE(s.main->isEnabled());
    const int recordsBefore = s.sent(17);

    // The acknowledgement still on its way ends the write without a report.
    s.pump(5);
    EXPECT_EQ(s.sent(17), recordsBefore) << "no record after Stop";
    EXPECT_EQ(s.sent(18), 2) << "Stop's command 18 and the end path's";
    EXPECT_EQ(s.lastLog(), "Programming error");
    EXPECT_FALSE(s.transfer->stopAvailable());
    EXPECT_TRUE(s.transfer->downloadAvailable());

    QTest::keyClick(s.transfer->KompilacjaLog, Qt::Key_Escape);
    EXPECT_FALSE(s.transfer->isVisible()) << "with Stop covered Esc closes";
    EXPECT_EQ(s.ftdi.twin().program().length(), 0u) << "an interrupted write stores nothing";
}

// `Timer` counts tenths while the transfer runs; Stop reports them as seconds in
// the user's decimal separator.
TEST(StationTransferTest, StopReportsTheTransferTimeInTheUsersSeparator) {
    struct Case {
        char separator;
        const char* line;
    } const cases[] = {{'.', "    Time:        12.3 sec."}, {',', "    Time:        12,3 sec."}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        TwinStation s;
        s.clock.setDecimalSeparator(c.separator);
        s.loadDemo();
        s.connect();
        s.click(s.main->WriteProgramButton);
        s.clickAsSeen(s.transfer, s.transfer->DownloadButton);
        ASSERT_TRUE(s.main->Timer->isActive());
        for (int i = 0; i < 123; ++i)
            s.manual(s.main->Timer).tick();
        s.clickAsSeen(s.transfer, s.transfer->StopButton);
        EXPECT_FALSE(s.main->Timer->isActive());
        const QStringList log = s.transfer->logLines();
        ASSERT_GE(log.size(), 3);
        EXPECT_EQ(log[log.size() - 3], c.line);
        EXPECT_EQ(log[log.size() - 2], kDashes);
        EXPECT_EQ(log.last(), "Programming error");
    }
}

// ---- running the program -----------------------------------------------------

TEST(StationRunTest, PlayFollowsTheExecutedLineAndStopEndsTheRun) {
    TwinStation s;
    s.writeDemo();
    s.main->kol->setFocus();  // so that following the line has to take the focus
    s.click(s.main->PlayProgramButton);
    EXPECT_FALSE(s.transfer->isVisible());
    EXPECT_TRUE(s.main->NewButton->isHidden()) << "run-mode look at once";

    // The selection follows the controller into the demo's loop (line 21 on, slot
    // 20) and on through it.
    std::set<int> followed;
    ASSERT_TRUE(s.pumpUntil([&] {
        if (s.main->ProgramView->hasSelection()) followed.insert(s.main->ProgramView->caretLine());
        return followed.size() >= 4 && s.main->ProgramView->caretLine() >= 20;
    })) << "the executed line moves";
    EXPECT_EQ(s.main->led_prog->pictureName(), "ID_led_play");
    EXPECT_EQ(s.main->programRunning, 1);
    EXPECT_EQ(s.main->ProgramView->popupMenu(), nullptr);
    const int line = s.main->ProgramView->caretLine();
    EXPECT_EQ(s.main->ProgramView->selectedText(), s.main->ProgramView->lineText(line));
    EXPECT_EQ(s.main->focusWidget(), s.main->ProgramView);
    auto* log = qobject_cast<TFLog*>(s.window(Window::FLog));
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->lines().join('\n').contains("\"Start\"")) << "the program's message";

    s.click(s.main->StopProgramButton);
    ASSERT_TRUE(s.pumpUntil([&] { return s.main->led_prog->pictureName() == "ID_led_stop"; }));
    EXPECT_FALSE(s.ftdi.twin().running());
    EXPECT_EQ(s.main->programRunning, 0);
    EXPECT_FALSE(s.main->NewButton->isHidden());
    EXPECT_EQ(s.main->ProgramView->popupMenu(), s.main->Popup);
}

TEST(StationRunTest, DeviceResetStopsTheRunAndClearsThePositionCounters) {
    TwinStation s;
    s.writeDemo();
    s.click(s.main->PlayProgramButton);
    ASSERT_TRUE(s.pumpUntil([&] { return s.ftdi.twin().currentSlot() >= 20; }));
    ASSERT_TRUE(s.pumpUntil([&] { return s.ftdi.twin().axis(0).position() != 0; }));
    ASSERT_TRUE(s.ftdi.twin().running());

    s.click(s.main->SpeedButton1);
    EXPECT_EQ(s.sentCodes.back(), 22);
    ASSERT_TRUE(s.pumpUntil([&] { return s.main->programRunning == 0; }, 50));
    EXPECT_FALSE(s.ftdi.twin().running());
    EXPECT_EQ(s.main->led_prog->pictureName(), "ID_led_stop");
    EXPECT_FALSE(s.main->NewButton->isHidden());
    for (int m = 0; m < 3; ++m)
        EXPECT_EQ(s.ftdi.twin().axis(m).position(), 0) << "motor " << m + 1;
}

// The running flag of every frame decides the look, whoever started the program.
TEST(StationRunTest, AProgramStartedAtTheControllerSwitchesTheLookBothWays) {
    TwinStation s;
    s.writeDemo();
    QWidget* control = s.window(Window::FSterowanie);
    control->show();
    s.ftdi.twin().setRunInput(true);  // the RUN input starts the stored program
    ASSERT_TRUE(s.pumpUntil([&] { return s.main->programRunning == 1; }, 500));
    EXPECT_EQ(s.main->led_prog->pictureName(), "ID_led_play");
    EXPECT_FALSE(control->isVisible()) << "direct control is hidden while the program runs";
    EXPECT_TRUE(s.main->ConnectButton->isHidden());
    EXPECT_EQ(s.main->ProgramView->popupMenu(), nullptr);

    s.ftdi.twin().setStopInput(true);  // and the STOP input ends it
    ASSERT_TRUE(s.pumpUntil([&] { return s.main->programRunning == 0; }, 500));
    EXPECT_EQ(s.main->led_prog->pictureName(), "ID_led_stop");
    EXPECT_FALSE(s.main->ConnectButton->isHidden());
    EXPECT_EQ(s.main->ProgramView->popupMenu(), s.main->Popup);
    EXPECT_TRUE(s.sentCodes.empty() || s.sentCodes.back() != 12) << "the station started nothing";
}

// ---- frame log and shut-down -------------------------------------------------

QStringList* capturedMessages = nullptr;
void captureMessage(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (capturedMessages && QLatin1String(context.category) == QLatin1String("rv720.link"))
        capturedMessages->append(text);
}

TEST(StationLinkTest, FramesAreLoggedInHexOnlyWhenTheCategoryIsEnabled) {
    QStringList messages;
    capturedMessages = &messages;
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    {
        testApp();
        sim::SimulatedFtdi ftdi{sim::TwinOptions{}, std::make_shared<sim::ManualTimeSource>()};
        ScriptedDialogs dialogs;
        ManualTimerFactory timers;
        FixedClock clock;
        Station station(dialogs, timers, clock, &ftdi);
        TFMain* main = station.main();
        main->ConnectButtonClick();
        main->InfoButtonClick();
        static_cast<ManualTimer*>(main->UsbTimer)->tick();  // its answer
        EXPECT_TRUE(messages.isEmpty()) << "off by default";

        QLoggingCategory::setFilterRules(QStringLiteral("rv720.link.debug=true"));
        main->InfoButtonClick();
        static_cast<ManualTimer*>(main->UsbTimer)->tick();
        QLoggingCategory::setFilterRules(QString());
    }
    qInstallMessageHandler(previous);
    capturedMessages = nullptr;
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0], "-> FF FF FF 00 03 0B 00 04 03 0F");
    EXPECT_TRUE(messages[1].startsWith("<- FF FF FF 00 05 0B 00 04 01 03 "))
        << messages[1].toStdString();
}

TEST(StationLinkTest, ClosingTheStationClosesTheLink) {
    TwinStation s;
    s.connect();
    s.dialogs.yesNoAnswers = {true};  // finish
    s.click(s.main->CloseButton);
    EXPECT_TRUE(s.main->closeAccepted());
    EXPECT_FALSE(s.main->isConnected());
    EXPECT_EQ(s.status2(), "Connection finished");
    EXPECT_EQ(s.main->led_usb->pictureName(), "ID_led_stop");
    EXPECT_FALSE(s.main->UsbTimer->isActive());
}

// ---- about window ------------------------------------------------------------

TEST(StationAboutTest, VersionRequestedOnlyWhenConnectedAndResetOnEachOpening) {
    TwinStation s;
    s.main->AddStatusLine("marker");
    s.click(s.main->InfoButton);
    EXPECT_TRUE(s.info->isVisible());
    EXPECT_EQ(s.info->info_pc->text(), "1.1 EN");
    EXPECT_EQ(s.info->info_uc->text(), "* * * * *");
    EXPECT_EQ(s.status2(), "marker") << "nothing posted without a connection";
    EXPECT_TRUE(s.sentCodes.empty());

    s.info->hide();
    s.connect();
    s.click(s.main->InfoButton);
    EXPECT_EQ(s.sentCodes, std::vector<std::uint8_t>{11});
    EXPECT_EQ(s.info->info_uc->text(), "* * * * *");
    s.pump(3);
    EXPECT_EQ(s.info->info_uc->text(), "1.3");
    s.click(s.main->InfoButton);
    EXPECT_EQ(s.info->info_uc->text(), "* * * * *") << "until the new answer";
}

// ---- monitor windows ---------------------------------------------------------

TEST(StationMonitorTest, PreviewWindowsShowTheRepliesTheirTimersAskFor) {
    TwinStation s;
    s.connect();
    s.ftdi.twin().setInput(1, true);
    s.click(s.main->ViweMotorButton);
    s.click(s.main->WiewIoButton);
    auto* motors = qobject_cast<TFPodgladSilniki*>(s.window(Window::FPodgladSilniki));
    auto* io = qobject_cast<TFPodgladWejscia*>(s.window(Window::FPodgladWejscia));
    ASSERT_TRUE(motors->isVisible());
    ASSERT_TRUE(io->isVisible());
    // The windows' timers are the device side's request timers.
    EXPECT_EQ(motors->MotorViewTimer, &s.main->device().MotorViewTimer());
    EXPECT_EQ(io->InputViewTimer, &s.main->device().InputViewTimer());

    s.manual(s.main->device().MotorViewTimer()).tick();
    s.manual(s.main->device().InputViewTimer()).tick();
    EXPECT_EQ(s.sent(1), 1);
    EXPECT_EQ(s.sent(2), 1);
    s.pump(3);
    EXPECT_NE(motors->m1_x->text(), TFPodgladSilniki::kStartCaption);
    EXPECT_EQ(io->im(10)->pictureName(), "ID_led_on") << "INPUT1";
    EXPECT_EQ(io->im(11)->pictureName(), "ID_led_off") << "INPUT2";
    EXPECT_TRUE(s.main->device().MotorViewTimer().isActive()) << "re-armed by the reply";

    s.click(s.main->DisconnectButton);
    EXPECT_FALSE(s.main->device().MotorViewTimer().isActive());
    EXPECT_FALSE(s.main->device().InputViewTimer().isActive());
}

// The outputs window opens showing the controller's outputs, not what was last
// sent from it.
TEST(StationMonitorTest, TheOutputsWindowOpensWithTheControllersOutputStates) {
    TwinStation s;
    s.connect();
    for (const int output : {3, 9}) {
        s.main->device().sendCommand(protocol::setOutput(output, true));
        s.pump(20);
    }
    s.click(s.main->SetOutputButton);
    s.pump(20);
    auto* outputs = qobject_cast<TFWyjscia*>(s.window(Window::FWyjscia));
    for (int n = 1; n <= TFWyjscia::kRows; ++n)
        EXPECT_EQ(outputs->io(n)->isChecked(), n == 3 || n == 9) << n;
}

// ---- password and firmware update --------------------------------------------

TEST(StationFirmwareTest, WrongPasswordsAreRefusedAndSendNothing) {
    const char* wrong[] = {"73916KQWMZ", "73916kqwm", "73916kqwmz ", " 73916kqwmz", ""};
    TwinStation s;
    s.connect();
    s.click(s.main->SpeedButton2);
    ASSERT_TRUE(s.pass->isVisible());
    for (const char* entry : wrong) {
        SCOPED_TRACE(entry);
        s.pass->Edit->setText(QString::fromLatin1(entry));
        QTest::keyClick(s.pass->Edit, Qt::Key_Return);
        EXPECT_EQ(s.status2(), "Wrong password");
        EXPECT_TRUE(hasErrorColour(s.pass->Edit));
        EXPECT_EQ(s.pass->Edit->text(), QString::fromLatin1(entry)) << "the text stays";
        EXPECT_TRUE(s.pass->isVisible());
    }
    EXPECT_TRUE(s.sentCodes.empty());

    // Reopening empties the box and gives it its colour back.
    s.pass->hide();
    s.click(s.main->SpeedButton2);
    EXPECT_EQ(s.pass->Edit->text(), "");
    EXPECT_FALSE(hasErrorColour(s.pass->Edit));
    QTest::keyClick(s.pass->Edit, Qt::Key_Escape);
    EXPECT_FALSE(s.pass->isVisible());
    EXPECT_TRUE(s.sentCodes.empty());
}

// Stands for an elapsed-time line, whose tenths depend on the twin's timing.
const QString kElapsed = QStringLiteral("    Time:        <t> sec.");

bool sameLine(const QString& shown, const QString& expected) {
    if (expected != kElapsed) return shown == expected;
    static const QRegularExpression time(QStringLiteral("^    Time:        \\d+\\.\\d sec\\.$"));
    return time.match(shown).hasMatch();
}

struct FirmwareCase {
    const char* name;
    int fileBytes;
    std::vector<QString> tail;  // the last log lines
    bool failInjected = false;
};

TEST(StationFirmwareTest, RightPasswordThenTheFileStreamsAndTheLinkCloses) {
    const FirmwareCase cases[] = {
        {"accepted",
         3000,
         {"    Data:      32 KB", kDashes, "Firmware updating finished successful"}},
        {"empty file refused", 0, {kElapsed, kDashes, "Firmware updating error"}},
        {"refused by the controller", 200, {kElapsed, kDashes, "Firmware updating error"}, true},
    };
    for (const FirmwareCase& c : cases) {
        SCOPED_TRACE(c.name);
        TwinStation s;
        QByteArray image;
        for (int i = 0; i < c.fileBytes; ++i)
            image.append(char(i * 7 + 1));
        QFile file(s.dir.filePath("rv720.bin"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(image);
        file.close();
        s.dialogs.fileAnswers = {file.fileName()};
        if (c.failInjected) s.ftdi.twin().injectFault(sim::FaultMode::FailFirmwareUpdate);

        s.connect();
        s.click(s.main->SpeedButton2);
        QTest::keyClicks(s.pass->Edit, "73916kqwmz");
        QTest::keyClick(s.pass->Edit, Qt::Key_Return);
        EXPECT_FALSE(s.pass->isVisible());
        EXPECT_EQ(s.sentCodes, std::vector<std::uint8_t>{21});

        ASSERT_TRUE(s.pumpUntilStatus("Firmware updating started", 100));
        ASSERT_EQ(s.dialogs.calls.size(), 1);
        EXPECT_EQ(s.dialogs.calls[0].request.filter, "Program (*.bin)|*.bin");
        EXPECT_EQ(s.dialogs.calls[0].request.defaultExtension, "bin");
        EXPECT_EQ(s.transfer->FormCaption->text(), "Firmware update");
        EXPECT_TRUE(s.transfer->isVisible());
        EXPECT_FALSE(s.main->isEnabled());
        EXPECT_EQ(s.transfer->KompilujBar->maximum(), 32500);
        EXPECT_EQ(s.transfer->KompilujBar->value(), c.fileBytes);
        EXPECT_EQ(s.rawBytes, 1 + c.fileBytes) << "the start byte, then the file byte by byte";
        EXPECT_EQ(s.clock.sleptMs(), 2000);
        EXPECT_EQ(s.transfer->logLines().first(),
                  "Firmware updating started: 2026-12-08 o 12:00:00");

        ASSERT_TRUE(s.pumpUntilStatus("Connection finished", 3000));
        EXPECT_EQ(s.status1(), "Firmware updating finished");
        const QStringList log = s.transfer->logLines();
        ASSERT_GE(log.size(), int(c.tail.size()));
        for (std::size_t i = 0; i < c.tail.size(); ++i)
            EXPECT_TRUE(sameLine(log[log.size() - int(c.tail.size()) + int(i)], c.tail[i]))
                << log[log.size() - int(c.tail.size()) + int(i)].toStdString();
        EXPECT_EQ(s.lastLogColour(), colors::Blue);
        EXPECT_FALSE(s.main->isConnected()) << "the update ends the connection";
        EXPECT_TRUE(s.main->isEnabled());
        if (c.tail.back() == "Firmware updating finished successful") {
            EXPECT_EQ(s.transfer->KompilujBar->value(), 32500);
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(s.ftdi.twin().lastFirmware().data()),
                                 qsizetype(s.ftdi.twin().lastFirmware().size())),
                      image);
        }
    }
}

TEST(StationFirmwareTest, CancelledFileDialogSendsNothingAndSaysWhatToDo) {
    TwinStation s;
    s.dialogs.fileAnswers = {QString()};
    s.connect();
    s.click(s.main->SpeedButton2);
    s.pass->Edit->setText("73916kqwmz");
    s.click(s.pass->OkButton);
    ASSERT_TRUE(s.pumpUntilStatus("Firmware file not chosen - reset the device", 100));
    EXPECT_EQ(s.rawBytes, 0);
    EXPECT_FALSE(s.transfer->isVisible());
    EXPECT_TRUE(s.main->isEnabled());
    EXPECT_TRUE(s.main->isConnected());
}

// On the real event loop the station does not poll: connected to an idle twin,
// nothing is armed at all; a request arms the waker for the reply, which comes
// through it.
TEST(StationOnTheEventLoop, SleepsUntilAReplyIsDue) {
    testApp();
    sim::SimulatedFtdi ftdi;
    ftdi.setWireTimeEmulation(true);
    ScriptedDialogs dialogs;
    QtTimerFactory timers;
    FixedClock clock;
    Station station(dialogs, timers, clock, &ftdi);
    TFMain* main = station.main();
    main->ConnectButtonClick();
    ASSERT_TRUE(main->isConnected());
    DeviceStation& device = main->device();
    EXPECT_FALSE(device.link().listening());

    device.InfoButtonClick();
    EXPECT_TRUE(device.link().listening());
    EXPECT_FALSE(device.UsbTimer().isActive());
    // Bounded only so that a fault cannot hang the test.
    QElapsedTimer waited;
    waited.start();
    while (device.TimeoutTimer().isActive() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_FALSE(device.TimeoutTimer().isActive()) << "the reply came";
    EXPECT_FALSE(device.UsbTimer().isActive());
    EXPECT_FALSE(device.link().listening());
    EXPECT_TRUE(main->isConnected());
}

}  // namespace
}  // namespace rv720
