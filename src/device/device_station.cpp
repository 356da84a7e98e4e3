#include "device/device_station.h"

#include "protocol/commands.h"

namespace rv720 {

DeviceStation::DeviceStation(FtdiApi& ftdi, TimerFactory& timers, Clock& clock, ProgramModel& model,
                             MainWindowView& mainView, TransferView& transferView,
                             MonitorView& monitorView)
    : DeviceStation(ftdi, DeviceTimers::make(timers), timers.createWaker(), clock, model, mainView,
                    transferView, monitorView) {}

DeviceStation::DeviceStation(FtdiApi& ftdi, DeviceTimers timers, std::unique_ptr<Waker> waker,
                             Clock& clock, ProgramModel& model, MainWindowView& mainView,
                             TransferView& transferView, MonitorView& monitorView)
    : model_(model),
      main_(mainView),
      sessions_(ftdi, std::move(timers), std::move(waker), clock),
      channel_(sessions_.channel()),
      transfer_(sessions_.transfer()),
      commands_(sessions_.commands()),
      presenter_(clock, mainView, transferView, monitorView) {
    sessions_.present(presenter_);
    commands_.setMonitorWanted([this](Monitor monitor) {
        return main_.isWindowVisible(monitor == Monitor::Motors ? Window::FPodgladSilniki
                                                                : Window::FPodgladWejscia);
    });
}

DeviceStation::~DeviceStation() = default;

// ---- link ------------------------------------------------------------------

void DeviceStation::ConnectButtonClick() {
    if (connected()) return;
    channel_.open();
    main_.RepeatNewestStatusLine();
}

void DeviceStation::sendCommand(const protocol::Message& command) {
    if (connected()) commands_.send(command);
}

// ---- protocol --------------------------------------------------------------

void DeviceStation::PlayProgramButtonClick() {
    if (!connectedOrReport()) return;
    if (!commands_.run()) return;  // the request failed and took the link with it
    for (auto w :
         {Window::FKompilacja, Window::FParametrLiczbowy, Window::FSterowanie, Window::FPass})
        main_.setWindowVisible(w, false);
    main_.HideEditingControls();
}

void DeviceStation::StopProgramButtonClick() {
    if (connectedOrReport()) commands_.stop();
    main_.ShowEditingControls();
}

void DeviceStation::StopButtonClick() {
    StopProgramButtonClick();
}

void DeviceStation::SpeedButton1Click() {
    if (connectedOrReport()) commands_.reset();
}

// ---- about and password windows --------------------------------------------

void DeviceStation::InfoButtonClick() {
    presenter_.versionAsked();
    if (connected()) commands_.requestVersion();
    main_.setWindowVisible(Window::FInfo, true);
}

void DeviceStation::SpeedButton2Click() {
    if (connectedOrReport()) main_.setWindowVisible(Window::FPass, true);
}

bool DeviceStation::PassOkButtonClick(const std::string& entry) {
    if (entry != kFirmwarePassword) {
        presenter_.passwordRefused();
        return false;
    }
    // The password window is locked while a write or read runs; an update started
    // anyway (a caller without windows) would take that transfer's place and leave
    // it, and the windows, hanging.
    if (windowsLocked()) return false;
    // The connection was tested when the window opened; nothing is sent on a link
    // lost since. The file is chosen when the controller asks for it.
    transfer_.updateFirmware([this] { return main_.chooseFirmwareFile(); });
    main_.setWindowVisible(Window::FPass, false);
    return true;
}

// ---- monitor windows -------------------------------------------------------

void DeviceStation::ViweMotorButtonClick() {
    if (!connectedOrReport()) return;
    main_.setWindowVisible(Window::FPodgladSilniki, true);
    commands_.startMonitor(Monitor::Motors);
}

void DeviceStation::WiewIoButtonClick() {
    if (!connectedOrReport()) return;
    main_.setWindowVisible(Window::FPodgladWejscia, true);
    commands_.startMonitor(Monitor::Io);
}

void DeviceStation::ViewUsbButtonClick() {
    if (connectedOrReport()) main_.setWindowVisible(Window::FLog, true);
}

void DeviceStation::closeMotorView() {
    commands_.stopMonitor(Monitor::Motors);
    main_.setWindowVisible(Window::FPodgladSilniki, false);
}

void DeviceStation::closeInputView() {
    main_.setWindowVisible(Window::FPodgladWejscia, false);
    commands_.stopMonitor(Monitor::Io);
}

// ---- transfers -----------------------------------------------------------------

void DeviceStation::ReadProgramButtonClick() {
    // Tested first: a read that never starts leaves the transfer window as it was.
    if (!connectedOrReport()) return;
    ProgramImage before = model_.image;
    std::string fileName = main_.programFileName();
    if (!main_.NewButtonClick()) return;  // the operator kept the program
    presenter_.readReplaces(std::move(fileName));
    model_.clear();
    transfer_.read(model_.image, std::move(before));
}

void DeviceStation::programChanged() {
    if (!transfer_.running()) presenter_.compiledProgramChanged();
}

void DeviceStation::DownloadButtonClick() {
    if (!connectedOrReport()) return;
    transfer_.write(model_.image);
}

void DeviceStation::transferStop() {
    presenter_.allowClose();
    transfer_.stop();
}

// Closing the window ends a write or read that still runs, as Stop does: it must
// not go on unseen while the program can be edited.
void DeviceStation::transferClose() {
    const TransferKind kind = transfer_.kind();
    const bool running =
        kind == TransferKind::Write || kind == TransferKind::Read || kind == TransferKind::Verify;
    if (running && !transfer_.stopRequested() && connected()) transferStop();
    presenter_.closeTransferWindow();
}

void TransferWindow::DownloadButtonClick() {
    station_.DownloadButtonClick();
}
void TransferWindow::StopButtonClick() {
    station_.transferStop();
}
void TransferWindow::CloseButtonClick() {
    station_.transferClose();
}
bool TransferWindow::FormCloseQuery() const {
    return station_.closePermission();
}

// Esc stops while Stop is available and closes once it is not.
void TransferWindow::FormKeyPress(char key) {
    if (key == 27) {
        if (station_.stopAvailable())
            StopButtonClick();
        else
            CloseButtonClick();
    } else if (key == 13) {
        if (station_.downloadAvailable()) DownloadButtonClick();
    }
}

}  // namespace rv720
