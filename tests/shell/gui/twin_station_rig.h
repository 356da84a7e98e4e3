#pragma once
// The whole station on the controller twin, for window tests: the twin's manual
// clock, the station's manual timers, scripted dialogs and a fixed clock, so
// nothing waits in real time. pump() plays the event loop: the 1 ms poll every
// millisecond, the transfer clock and the two preview timers every 100 ms (a
// timer that is not running does not fire).
#include <QAbstractButton>
#include <QTest>
#include <chrono>
#include <functional>
#include <memory>

#include "shell/gui/main_window.h"
#include "shell/gui/shell_test_app.h"
#include "shell/gui/station_app.h"
#include "sim/simulated_ftdi.h"
#include "support/clock.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/scripted_dialogs.h"
#include "support/timer.h"
#include "ui/dialogs.h"

namespace rv720::testing {

struct TwinStationRig {
    explicit TwinStationRig(sim::TwinOptions options = {}) : ftdi(std::move(options), time) {
        testApp();
        station = std::make_unique<Station>(dialogs, timers, clock, &ftdi);
        main = station->main();
    }

    ManualTimer& manual(Timer& t) { return static_cast<ManualTimer&>(t); }
    ManualTimer& manual(Timer* t) { return static_cast<ManualTimer&>(*t); }

    void pump(int ms) {
        for (int i = 0; i < ms; ++i) {
            time->advance(std::chrono::milliseconds(1));
            manual(main->UsbTimer).tick();
            if (++elapsedMs % 100 == 0) {
                manual(main->Timer).tick();
                manual(main->device().MotorViewTimer()).tick();
                manual(main->device().InputViewTimer()).tick();
            }
        }
    }
    bool pumpUntil(const std::function<bool()>& done, int limitMs = 20000) {
        for (int i = 0; i < limitMs && !done(); ++i)
            pump(1);
        return done();
    }

    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void connect() {
        click(main->ConnectButton);
        ASSERT_TRUE(main->isConnected());
    }
    QString status1() const { return main->Warning1->text(); }
    QString status2() const { return main->Warning2->text(); }

    std::shared_ptr<sim::ManualTimeSource> time = std::make_shared<sim::ManualTimeSource>();
    sim::SimulatedFtdi ftdi;
    ScriptedDialogs dialogs;
    ManualTimerFactory timers;
    FixedClock clock;
    std::unique_ptr<Station> station;
    TFMain* main = nullptr;
    long elapsedMs = 0;
};

}  // namespace rv720::testing
