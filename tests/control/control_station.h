#pragma once
// The whole station on the controller twin for the direct-control and monitor
// tests: manual timers, the twin's manual clock, scripted dialogs, and every
// frame the station sends recorded as code and data bytes.
#include <QTest>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "control/gui/log_window.h"
#include "control/gui/podglad_silniki_window.h"
#include "control/gui/podglad_wejscia_window.h"
#include "control/gui/sterowanie_window.h"
#include "control/gui/wyjscia_window.h"
#include "device/device_station.h"
#include "editor/gui/parameter_dialog.h"
#include "shell/gui/dialogs.h"
#include "shell/gui/main_window.h"
#include "shell/gui/station_app.h"
#include "shell/shell_test_app.h"
#include "sim/simulated_ftdi.h"
#include "support/clock.h"
#include "support/timer.h"

namespace rv720::testing {

struct SentFrame {
    std::uint8_t code = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const SentFrame&, const SentFrame&) = default;
};

inline void PrintTo(const SentFrame& f, std::ostream* os) {
    *os << "code " << int(f.code) << " [";
    for (std::size_t i = 0; i < f.data.size(); ++i)
        *os << (i ? " " : "") << int(f.data[i]);
    *os << "]";
}

struct ControlStation {
    explicit ControlStation(sim::TwinOptions options = {}) : ftdi(std::move(options), time) {
        testApp();
        station = std::make_unique<Station>(dialogs, timers, clock, &ftdi);
        main = station->main();
        control = qobject_cast<TFSterowanie*>(station->window("FSterowanie"));
        outputs = qobject_cast<TFWyjscia*>(station->window("FWyjscia"));
        motors = qobject_cast<TFPodgladSilniki*>(station->window("FPodgladSilniki"));
        inputs = qobject_cast<TFPodgladWejscia*>(station->window("FPodgladWejscia"));
        log = qobject_cast<TFLog*>(station->window("FLog"));
        parameters = qobject_cast<TFParametrLiczbowy*>(station->window("FParametrLiczbowy"));
        motors->setSampleClock([this] {
            return qint64(
                std::chrono::duration_cast<std::chrono::milliseconds>(time->now()).count());
        });
        main->device().link().frameLog = [this](FrameDirection d,
                                                std::span<const std::uint8_t> bytes) {
            if (d != FrameDirection::Sent || bytes.size() < 9) return;
            sent.push_back({bytes[5], {bytes.begin() + 7, bytes.end() - 2}});
            if (onSend) onSend(sent.back());
        };
    }

    ManualTimer& manual(Timer& t) { return static_cast<ManualTimer&>(t); }
    ManualTimer& motorTimer() { return manual(main->device().MotorViewTimer()); }
    ManualTimer& inputTimer() { return manual(main->device().InputViewTimer()); }

    // Moves the twin's clock in 1 ms steps, polling the link every step and
    // firing the preview timers every 100 ms, as the event loop would.
    void pump(int ms) {
        for (int i = 0; i < ms; ++i) {
            time->advance(std::chrono::milliseconds(1));
            manual(*main->UsbTimer).tick();
            if (++elapsedMs % 100 == 0) {
                motorTimer().tick();
                inputTimer().tick();
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
        sent.clear();
    }
    QString status1() const { return main->Warning1->text(); }
    QString status2() const { return main->Warning2->text(); }
    int sentWithCode(std::uint8_t code) const {
        return int(std::count_if(sent.begin(), sent.end(),
                                 [code](const SentFrame& f) { return f.code == code; }));
    }

    std::shared_ptr<sim::ManualTimeSource> time = std::make_shared<sim::ManualTimeSource>();
    sim::SimulatedFtdi ftdi;
    ScriptedDialogs dialogs;
    ManualTimerFactory timers;
    FixedClock clock;
    std::unique_ptr<Station> station;
    TFMain* main = nullptr;
    TFSterowanie* control = nullptr;
    TFWyjscia* outputs = nullptr;
    TFPodgladSilniki* motors = nullptr;
    TFPodgladWejscia* inputs = nullptr;
    TFLog* log = nullptr;
    TFParametrLiczbowy* parameters = nullptr;
    std::vector<SentFrame> sent;
    std::function<void(const SentFrame&)> onSend;
    long elapsedMs = 0;
};

}  // namespace rv720::testing
