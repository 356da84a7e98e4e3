// The monitor windows on the controller twin: every way the request loops end, a
// jogged motor seen in the motor window and its chart, and the running program's
// messages in the message window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>

#include "control/gui/control_station.h"
#include "control/gui/motion_chart.h"
#include "model/commands.h"
#include "shell/gui/kompilacja_window.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

using testing::ControlStation;

struct StopCase {
    const char* name;
    std::function<void(ControlStation&)> action;
    bool previewsHidden;
    bool connectedAfter;
};

TEST(MonitorLoopTest, EveryWayOfStoppingLeavesNoRequestGoingOut) {
    const StopCase cases[] = {
        {"Esc in both windows",
         [](ControlStation& s) {
             QTest::keyClick(s.motors, Qt::Key_Escape);
             QTest::keyClick(s.inputs, Qt::Key_Escape);
         },
         true, true},
        {"close buttons",
         [](ControlStation& s) {
             s.click(s.motors->CloseButton);
             s.click(s.inputs->closeButton);
         },
         true, true},
        {"Disconnect", [](ControlStation& s) { s.click(s.main->DisconnectButton); }, false, false},
        {"transfer lock", [](ControlStation& s) { s.main->LockWindows(); }, true, true},
        {"cable pulled",
         [](ControlStation& s) {
             s.ftdi.twin().injectFault(sim::FaultMode::Unplugged);
             s.pump(3);
         },
         true, false},
        {"silent controller",
         [](ControlStation& s) {
             s.ftdi.twin().injectFault(sim::FaultMode::DropReply, 100);
             s.pump(300);  // the requests go out and stay unanswered
             for (int i = 0; i < 3; ++i)
                 s.manual(*s.main->TimeoutTimer).tick();
         },
         true, false},
    };
    for (const StopCase& c : cases) {
        SCOPED_TRACE(c.name);
        ControlStation s;
        s.connect();
        s.click(s.main->ViweMotorButton);
        s.click(s.main->WiewIoButton);
        s.pump(500);
        ASSERT_GE(s.sentWithCode(1), 4) << "both windows poll";
        ASSERT_GE(s.sentWithCode(2), 4);

        c.action(s);
        s.pump(5);
        s.sent.clear();
        s.pump(2000);
        EXPECT_EQ(s.sentWithCode(1), 0);
        EXPECT_EQ(s.sentWithCode(2), 0);
        EXPECT_FALSE(s.motorTimer().isActive());
        EXPECT_FALSE(s.inputTimer().isActive());
        EXPECT_EQ(s.motors->isVisible(), !c.previewsHidden);
        EXPECT_EQ(s.inputs->isVisible(), !c.previewsHidden);
        EXPECT_EQ(s.main->isConnected(), c.connectedAfter);
    }
}

TEST(MonitorLoopTest, ReopeningAfterEscPollsAgainOneRequestAtATime) {
    ControlStation s;
    s.connect();
    s.click(s.main->ViweMotorButton);
    s.pump(300);
    QTest::keyClick(s.motors, Qt::Key_Escape);
    s.pump(500);
    s.sent.clear();
    s.click(s.main->ViweMotorButton);
    // Each 100 ms tick sends at most one request, and only after the previous reply.
    s.pump(1000);
    EXPECT_GE(s.sentWithCode(1), 8);
    EXPECT_LE(s.sentWithCode(1), 10);
}

TEST(MonitorLoopTest, AJoggedMotorMovesInTheNumbersAndTheChart) {
    ControlStation s;
    s.connect();
    s.click(s.main->ViweMotorButton);
    s.pump(300);  // standing first
    s.click(s.main->SetXdestButton);
    QTest::mouseClick(s.control->i2, Qt::LeftButton);
    s.control->Inc->setCurrentText("500");
    s.click(s.control->UpButton);

    ASSERT_TRUE(s.pumpUntil([&] { return s.motors->m2_x->text() == "500"; }));
    EXPECT_EQ(s.motors->m1_x->text(), "0");
    EXPECT_EQ(s.motors->m3_x->text(), "0");
    s.pump(500);
    EXPECT_EQ(s.motors->m2_v->text(), "0,000") << "arrived and standing";

    // The chart saw the move: motor 2 climbed from 0 to 500 without stepping back,
    // and it moved at some point; the other motors stood still.
    const auto& samples = s.motors->chart->samples();
    ASSERT_GE(samples.size(), 5u);
    EXPECT_EQ(samples.front().position[1], 0);
    EXPECT_EQ(samples.back().position[1], 500);
    bool moved = false;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        EXPECT_GE(samples[i].position[1], samples[i - 1].position[1]);
        EXPECT_GT(samples[i].timeMs, samples[i - 1].timeMs);
        moved = moved || samples[i].velocity[1] > 0;
        EXPECT_EQ(samples[i].position[0], 0);
        EXPECT_EQ(samples[i].position[2], 0);
    }
    EXPECT_TRUE(moved);

    // "<" brings it back.
    s.click(s.control->DownButton);
    ASSERT_TRUE(s.pumpUntil([&] { return s.motors->m2_x->text() == "0"; }));
    EXPECT_EQ(s.motors->chart->samples().back().position[1], 0);
}

Record messageRecord(std::initializer_list<std::uint8_t> text) {
    Record r = makeRecord(code::PrintUsb, kControllerTarget);
    r[2] = std::uint8_t(text.size());
    std::size_t i = 3;
    for (std::uint8_t c : text)
        r[i++] = c;
    return r;
}

TEST(MonitorLoopTest, ProgramMessagesGatherInTheMessageWindowWithOnlyPrintableCharacters) {
    ControlStation s;
    ProgramImage& image = s.main->model().image;
    Record usbOn = makeRecord(code::SetUsb, kControllerTarget);
    usbOn[2] = 1;
    image.setRecord(0, usbOn);
    image.setRecord(1, messageRecord({'A', 13, 'B'}));
    image.setRecord(2, messageRecord({}));
    image.setRecord(3, messageRecord({'t', 0x7F, 0xB5, 'x', '~'}));
    image.setRecord(4, makeRecord(code::End, kControllerTarget));
    image.setLength(5);
    s.main->PrintProgram();
    s.connect();

    auto* transfer = qobject_cast<TFKompilacja*>(s.station->window(Window::FKompilacja));
    s.click(s.main->WriteProgramButton);
    transfer->DownloadButtonClick();
    ASSERT_TRUE(s.pumpUntil([&] { return s.status2() == "Saving to EEPROM memory finished"; }));
    s.pump(10);
    s.log->log->clear();
    s.clock.setTime("09:41:07");
    s.click(s.main->PlayProgramButton);
    ASSERT_TRUE(s.pumpUntil([&] { return s.log->lines().size() >= 3; }, 3000));
    s.pump(200);

    EXPECT_EQ(s.log->lines(), (QStringList{"09:41:07         \"AB\"", "09:41:07         \"\"",
                                           "09:41:07         \"tx~\""}));
    EXPECT_FALSE(s.log->isVisible()) << "messages do not open the window";
    s.click(s.main->ViewUsbButton);
    EXPECT_TRUE(s.log->isVisible());
    s.click(s.log->SpeedButton1);
    EXPECT_TRUE(s.log->lines().isEmpty());
}

}  // namespace
}  // namespace rv720
