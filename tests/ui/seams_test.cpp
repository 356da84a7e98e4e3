// The dialog, timer and clock seams of the station.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QPrinter>
#include <QTest>
#include <QTimer>

#include "shell/gui/shell_test_app.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"
#include "ui/qt_adapters.h"

namespace rv720 {
namespace {

TEST(DialogFilterTest, StationFiltersBecomeQtFilters) {
    const struct {
        const char* station;
        const char* qt;
    } cases[] = {
        {"RV702 program file (*.pri)|*.pri", "RV702 program file (*.pri)"},
        {"Firmware|*.bin", "Firmware (*.bin)"},
        {"Programs (*.pri)|*.pri|All files|*.*", "Programs (*.pri);;All files (*.*)"},
        {"Images|*.png;*.bmp", "Images (*.png *.bmp)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(toQtFilter(c.station), c.qt) << c.station;
}

TEST(DialogFilterTest, DefaultExtensionOnlyForBareNames) {
    const struct {
        const char* path;
        const char* result;
    } cases[] = {
        {"/tmp/prog", "/tmp/prog.pri"},
        {"/tmp/prog.pri", "/tmp/prog.pri"},
        {"/tmp/prog.old", "/tmp/prog.old"},
        {"/tmp/dir.d/prog", "/tmp/dir.d/prog.pri"},  // a dot in a folder name does not count
        {"", ""},                                    // cancelled stays cancelled
    };
    for (const auto& c : cases)
        EXPECT_EQ(withDefaultExtension(c.path, "pri"), c.result) << c.path;
}

TEST(ScriptedDialogsTest, AnswersInOrderAndCountsUnexpectedQuestions) {
    testApp();
    ScriptedDialogs d;
    d.yesNoAnswers = {true, false};
    d.fileAnswers = {"/tmp/a", ""};
    EXPECT_TRUE(d.askYesNo(nullptr, "C1", "Q1", QuestionIcon::Question));
    EXPECT_FALSE(d.askYesNo(nullptr, "C2", "Q2", QuestionIcon::Warning));
    EXPECT_FALSE(d.askYesNo(nullptr, "C3", "Q3", QuestionIcon::Question));  // unscripted
    EXPECT_EQ(d.openFileName(nullptr, {"F|*.pri", "pri"}), "/tmp/a.pri");
    EXPECT_EQ(d.saveFileName(nullptr, {"F|*.pri", "pri"}), "");
    EXPECT_EQ(d.saveFileName(nullptr, {"F|*.pri", "pri"}), "");  // unscripted
    EXPECT_EQ(d.unscripted, 2);
    EXPECT_EQ(d.questions(), (QStringList{"Q1", "Q2", "Q3"}));
    ASSERT_EQ(d.calls.size(), 6);
    EXPECT_EQ(d.calls[1].icon, QuestionIcon::Warning);
    EXPECT_EQ(d.calls[3].kind, ScriptedDialogs::Kind::Open);
    EXPECT_EQ(d.calls[3].request.filter, "F|*.pri");
}

TEST(ScriptedDialogsTest, AcceptedPrintGoesToThePdfFile) {
    testApp();
    ScriptedDialogs d;
    d.printAnswers = {false, true};
    d.pdfPath = "/tmp/out.pdf";
    QPrinter printer;
    EXPECT_FALSE(d.choosePrinter(nullptr, printer));
    EXPECT_NE(printer.outputFileName(), "/tmp/out.pdf");
    EXPECT_TRUE(d.choosePrinter(nullptr, printer));
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer.outputFileName(), "/tmp/out.pdf");
}

TEST(QtTimerTest, StartKeepsARunningTimerAndStopDisarms) {
    testApp();
    QtTimerFactory factory;
    auto timer = factory.create(700);
    EXPECT_EQ(timer->intervalMs(), 700);
    EXPECT_FALSE(timer->isActive());
    timer->start();
    EXPECT_TRUE(timer->isActive());
    timer->start();
    EXPECT_TRUE(timer->isActive());
    timer->stop();
    EXPECT_FALSE(timer->isActive());
    timer->setActive(true);
    EXPECT_TRUE(timer->isActive());
}

// The waker on the GUI loop: a deadline shorter than a millisecond, a descriptor
// turning readable, and nothing once disarmed (the loop must not spin on a
// descriptor nobody drains).
TEST(QtWakerTest, FiresOnceForADeadlineOrAReadableDescriptor) {
    testApp();
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    QtTimerFactory factory;
    auto waker = factory.createWaker();
    std::vector<std::string> fired;
    waker->setHandler([&] { fired.push_back("fired"); });
    auto spin = [](int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    };

    waker->arm(-1, std::chrono::microseconds(300));
    spin(50);
    EXPECT_EQ(fired.size(), 1u);
    EXPECT_FALSE(waker->armed());

    waker->arm(pipeEnds[0], std::nullopt);
    spin(20);
    EXPECT_EQ(fired.size(), 1u) << "nothing to read yet";
    ASSERT_EQ(::write(pipeEnds[1], "x", 1), 1);
    spin(50);
    EXPECT_EQ(fired.size(), 2u) << "readable, once, though nobody read it";

    waker->arm(pipeEnds[0], std::chrono::milliseconds(1));
    waker->disarm();
    spin(50);
    EXPECT_EQ(fired.size(), 2u);
    waker.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

TEST(QtClockTest, DecimalSeparatorFollowsTheLocale) {
    testApp();
    const QLocale saved;
    QtClock clock;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(clock.decimalSeparator(), ',');
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(clock.decimalSeparator(), '.');
    EXPECT_FALSE(QString::fromStdString(clock.longTime()).contains("UTC"));
    EXPECT_EQ(QString::fromStdString(clock.longTime()).count(':'), 2);
    QLocale::setDefault(saved);
}

// The firmware update's pause: the windows repaint during it, but no timer runs,
// so no reply is dispatched and nothing is sent.
TEST(QtClockTest, APauseRepaintsTheWindowsButRunsNoTimer) {
    testApp();
    struct : QWidget {
        int paints = 0;
        void paintEvent(QPaintEvent*) override { ++paints; }
    } window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    int polled = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { ++polled; });
    poll.start(1);
    window.paints = 0;
    window.update();
    QtClock().sleepMs(80);
    EXPECT_GT(window.paints, 0);
    EXPECT_EQ(polled, 0);
}

}  // namespace
}  // namespace rv720
