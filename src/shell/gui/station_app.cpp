#include "shell/gui/station_app.h"

#include "control/gui/log_window.h"
#include "control/gui/podglad_silniki_window.h"
#include "control/gui/podglad_wejscia_window.h"
#include "control/gui/sterowanie_window.h"
#include "control/gui/wyjscia_window.h"
#include "device/device_station.h"
#include "editor/gui/parameter_dialog.h"
#include "shell/gui/info_window.h"
#include "shell/gui/kompilacja_window.h"
#include "shell/gui/main_window.h"
#include "shell/gui/pass_window.h"
#include "ui/station_window.h"

namespace rv720 {

Station::Station(Dialogs& dialogs, TimerFactory& timers, Clock& clock, FtdiApi* ftdi,
                 StationSettings* settings) {
    auto mainWindow = std::make_unique<TFMain>(dialogs, timers, clock, ftdi, settings);
    main_ = mainWindow.get();
    main_->setWindowSet(&windows_);
    StationWindow::setMainWindow(main_);
    StationWindow::setSettings(&main_->settings());

    auto adopt = [this](Window which, std::unique_ptr<QWidget> window) {
        windows_.add(which, window.get());
        owned_.push_back(std::move(window));
    };
    adopt(Window::FMain, std::move(mainWindow));
    auto sterowanie = std::make_unique<TFSterowanie>(main_);
    auto wyjscia = std::make_unique<TFWyjscia>(main_);
    auto silniki = std::make_unique<TFPodgladSilniki>(main_, &timers);
    auto wejscia = std::make_unique<TFPodgladWejscia>(main_, &timers);
    auto* motorView = silniki.get();
    auto* inputView = wejscia.get();
    // The device side's request loops and the windows' Close buttons share one timer each.
    motorView->useMotorViewTimer(main_->device().MotorViewTimer());
    inputView->useInputViewTimer(main_->device().InputViewTimer());
    adopt(Window::FSterowanie, std::move(sterowanie));
    adopt(Window::FWyjscia, std::move(wyjscia));
    adopt(Window::FPodgladSilniki, std::move(silniki));
    adopt(Window::FPodgladWejscia, std::move(wejscia));
    auto parameters = std::make_unique<TFParametrLiczbowy>(main_);
    main_->attachParameterForm(parameters.get());
    adopt(Window::FParametrLiczbowy, std::move(parameters));
    adopt(Window::FInfo, std::make_unique<TFInfo>());
    adopt(Window::FKompilacja, std::make_unique<TFKompilacja>(main_));
    adopt(Window::FLog, std::make_unique<TFLog>(main_));
    adopt(Window::FPass, std::make_unique<TFPass>(main_));

    main_->setPreviewTimerStopper([motorView, inputView] {
        motorView->MotorViewTimer->stop();
        inputView->InputViewTimer->stop();
    });
}

Station::~Station() {
    // Secondary windows go first; the main window, which refers to them, last.
    while (owned_.size() > 1)
        owned_.pop_back();
    StationWindow::setMainWindow(nullptr);
    StationWindow::setSettings(nullptr);
}

}  // namespace rv720
