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
#include "shell/gui/main_window.h"
#include "shell/gui/shell_test_app.h"
#include "shell/gui/station_app.h"
#include "shell/gui/twin_station_rig.h"
#include "sim/simulated_ftdi.h"
#include "support/clock.h"
#include "support/manual_timer.h"
#include "support/timer.h"
#include "ui/dialogs.h"

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

struct ControlStation : TwinStationRig {
    explicit ControlStation(sim::TwinOptions options = {}) : TwinStationRig(std::move(options)) {
        control = qobject_cast<TFSterowanie*>(station->window(Window::FSterowanie));
        outputs = qobject_cast<TFWyjscia*>(station->window(Window::FWyjscia));
        motors = qobject_cast<TFPodgladSilniki*>(station->window(Window::FPodgladSilniki));
        inputs = qobject_cast<TFPodgladWejscia*>(station->window(Window::FPodgladWejscia));
        log = qobject_cast<TFLog*>(station->window(Window::FLog));
        parameters = qobject_cast<TFParametrLiczbowy*>(station->window(Window::FParametrLiczbowy));
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

    ManualTimer& motorTimer() { return manual(main->device().MotorViewTimer()); }
    ManualTimer& inputTimer() { return manual(main->device().InputViewTimer()); }

    void connect() {
        TwinStationRig::connect();
        sent.clear();
    }
    int sentWithCode(std::uint8_t code) const {
        return int(std::count_if(sent.begin(), sent.end(),
                                 [code](const SentFrame& f) { return f.code == code; }));
    }

    TFSterowanie* control = nullptr;
    TFWyjscia* outputs = nullptr;
    TFPodgladSilniki* motors = nullptr;
    TFPodgladWejscia* inputs = nullptr;
    TFLog* log = nullptr;
    TFParametrLiczbowy* parameters = nullptr;
    std::vector<SentFrame> sent;
    std::function<void(const SentFrame&)> onSend;
};

}  // namespace rv720::testing
