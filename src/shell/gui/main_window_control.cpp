// The main window's direct-control column: the six buttons that open the control
// window FSterowanie for one kind of value, the driver configuration in direct
// mode on the parameter dialog, and the outputs window FWyjscia.
//
// Each button needs the link: without it "No connection" is posted and nothing
// opens. The control window and the parameter dialog share the screen corner, so
// opening one hides the others. What the two windows send goes out through the
// device side's SendCommand: the control window's values and steps for one motor;
// the input and output state request, sent before the outputs window shows (its
// answer lights the input preview and ticks the outputs window's boxes); and the
// outputs window's row 1 ... 9 with its new state, on every box change.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "control/conversions.h"
#include "control/gui/sterowanie_window.h"
#include "control/gui/wyjscia_window.h"
#include "device/device_station.h"
#include "protocol/commands.h"
#include "shell/gui/main_window.h"
#include "shell/gui/window_set.h"

namespace rv720 {

void TFMain::setWindowSet(WindowSet* windows) {
    windows_ = windows;
    wireDirectControl();
}

void TFMain::wireDirectControl() {
    // The column's buttons only reported a missing link until the windows they
    // open exist; from here on they run their own handlers.
    const std::pair<PictureButton*, void (TFMain::*)()> column[] = {
        {SetConfigButton, &TFMain::SetConfigButtonClick},
        {SetModeButton, &TFMain::SetModeButtonClick},
        {SetVminButton, &TFMain::SetVminButtonClick},
        {SetVmaxButton, &TFMain::SetVmaxButtonClick},
        {SetAmaxButton, &TFMain::SetAmaxButtonClick},
        {SetVdestButton, &TFMain::SetVdestButtonClick},
        {SetXdestButton, &TFMain::SetXdestButtonClick},
        {SetOutputButton, &TFMain::SetOutputButtonClick},
    };
    for (const auto& [button, handler] : column) {
        disconnect(button, &QAbstractButton::clicked, this, &TFMain::deviceAction);
        connect(button, &QAbstractButton::clicked, this, handler, Qt::UniqueConnection);
    }
}

TFSterowanie* TFMain::controlWindow() {
    auto* window =
        windows_ ? qobject_cast<TFSterowanie*>(windows_->window(Window::FSterowanie)) : nullptr;
    if (window && !window->connectedToStation()) {
        DirectControlLink link;
        link.dialogs = &dialogs_;
        link.clock = &clock_;
        link.motors = &model_.motors;
        link.send = [this](const protocol::Message& command) { device_.sendCommand(command); };
        window->connectStation(std::move(link));
    }
    return window;
}

TFWyjscia* TFMain::outputsWindow() {
    auto* window =
        windows_ ? qobject_cast<TFWyjscia*>(windows_->window(Window::FWyjscia)) : nullptr;
    if (window)
        connect(window, &TFWyjscia::ioClick, this, &TFMain::outputClick, Qt::UniqueConnection);
    return window;
}

void TFMain::openControlWindow(std::uint8_t kind) {
    if (!device_.connectedOrReport()) return;
    TFSterowanie* control = controlWindow();
    if (!control) return;
    control->SetControlKind(kind);
    control->show();
    control->raise();
    control->activateWindow();
    parameterDialog_.hide();
    if (TFWyjscia* outputs = outputsWindow()) outputs->hide();
    // Ready to type the value (or pick the mode) and press Enter.
    if (control->number->isVisible())
        control->number->setFocus();
    else
        control->mode->setFocus();
}

void TFMain::SetModeButtonClick() {
    openControlWindow(std::uint8_t(ControlKind::WorkMode));
}

void TFMain::SetVminButtonClick() {
    openControlWindow(std::uint8_t(ControlKind::MinVelocity));
}

void TFMain::SetVmaxButtonClick() {
    openControlWindow(std::uint8_t(ControlKind::MaxVelocity));
}

void TFMain::SetAmaxButtonClick() {
    openControlWindow(std::uint8_t(ControlKind::MaxAcceleration));
}

void TFMain::SetVdestButtonClick() {
    openControlWindow(std::uint8_t(ControlKind::SetVelocity));
}

void TFMain::SetXdestButtonClick() {
    openControlWindow(std::uint8_t(ControlKind::SetPosition));
}

void TFMain::SetConfigButtonClick() {
    if (!device_.connectedOrReport()) return;
    if (TFWyjscia* outputs = outputsWindow()) outputs->hide();
    if (TFSterowanie* control = controlWindow()) {
        control->hide();
        control->DownButton->hide();
        control->UpButton->hide();
        control->Inc->hide();
    }
    // Direct mode, edited code 17: the driver page with its motor radio buttons;
    // its confirm sets the station's own configuration and keeps the page open.
    parameterDialog_.showDirectDriverPage();
}

void TFMain::SetOutputButtonClick() {
    if (!device_.connectedOrReport()) return;
    // The boxes show the states last reported until the answer to this request
    // brings the controller's own (a reply that changes nothing is not passed on).
    showOutputStates(device_.lampStates());
    outputsAwaitState_ = true;
    device_.sendCommand(protocol::command(protocol::CommandCode::IoState));
    if (TFWyjscia* outputs = outputsWindow()) {
        outputs->show();
        outputs->raise();
        outputs->activateWindow();
    }
    if (TFSterowanie* control = controlWindow()) control->hide();
    parameterDialog_.hide();
}

void TFMain::showOutputStates(const std::array<bool, kLampCount>& lamps) {
    outputsAwaitState_ = false;
    if (TFWyjscia* outputs = outputsWindow())
        for (int n = 1; n <= TFWyjscia::kRows; ++n)
            outputs->io(n)->setChecked(lamps[std::size_t(n - 1)]);
}

void TFMain::outputClick(int row, bool on) {
    // The box keeps its new state whatever the controller answers; a closed link
    // is SendCommand's business.
    device_.sendCommand(protocol::setOutput(row, on));
}

}  // namespace rv720
