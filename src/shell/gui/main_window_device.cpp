// The main window's device side: the core's DeviceStation (the link, the reply
// timeout, the dispatcher, the write, read and firmware update, the monitor
// requests) shown on the main window's controls and the secondary windows.
//
// Timers: the core makes TimeoutTimer (700 ms), UsbTimer (1 ms), Timer (100 ms,
// transfer tenths) and the two 100 ms monitor timers; the station gives the
// latter to the preview windows, so a window's Close button and the request loop
// stop the same timer. Every handler runs on the GUI thread; a reply is
// dispatched inside the link's wake-up (a socket notifier on the serial port, a
// timerfd when the twin has bytes due, or the UsbTimer tick while a libftdi reply
// is awaited; see UsbLink).
//
// The link's frames can be logged in hex at debug level under the category
// "rv720.link" (QT_LOGGING_RULES="rv720.link.debug=true"); off by default.
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>

#include "app/station_core.h"
#include "control/gui/log_window.h"
#include "control/gui/podglad_silniki_window.h"
#include "control/gui/podglad_wejscia_window.h"
#include "device/device_station.h"
#include "editor/gui/listing_view.h"
#include "shell/gui/info_window.h"
#include "shell/gui/kompilacja_window.h"
#include "shell/gui/main_window.h"
#include "shell/gui/main_window_device.h"
#include "shell/gui/pass_window.h"
#include "shell/gui/window_set.h"
#include "ui/dialogs.h"
#include "ui/form_controls.h"

Q_LOGGING_CATEGORY(lcLink, "rv720.link", QtInfoMsg)

namespace rv720 {

void TFMain::wireDevice() {
    device_.link().frameLog = [](FrameDirection direction, std::span<const std::uint8_t> bytes) {
        if (!lcLink().isDebugEnabled()) return;
        qCDebug(lcLink).noquote() << (direction == FrameDirection::Sent ? "->" : "<-")
                                  << QString::fromStdString(hexText(bytes));
    };
    auto on = [this](PictureButton* button, void (TFMain::*handler)()) {
        connect(button, &QAbstractButton::clicked, this, handler);
    };
    on(ConnectButton, &TFMain::ConnectButtonClick);
    on(DisconnectButton, &TFMain::DisconnectButtonClick);
    on(WriteProgramButton, &TFMain::WriteProgramButtonClick);
    on(ReadProgramButton, &TFMain::ReadProgramButtonClick);
    on(PlayProgramButton, &TFMain::PlayProgramButtonClick);
    on(StopProgramButton, &TFMain::StopProgramButtonClick);
    on(StopButton, &TFMain::StopButtonClick);
    on(SpeedButton1, &TFMain::SpeedButton1Click);
    on(SpeedButton2, &TFMain::SpeedButton2Click);
    on(ViweMotorButton, &TFMain::ViweMotorButtonClick);
    on(WiewIoButton, &TFMain::WiewIoButtonClick);
    on(ViewUsbButton, &TFMain::ViewUsbButtonClick);
    on(InfoButton, &TFMain::InfoButtonClick);
}

bool TFMain::isConnected() const {
    return device_.connected();
}

void TFMain::deviceAction() {
    if (!isConnected()) AddStatusLine(QStringLiteral("No connection"));
}

void TFMain::closeLink() {
    device_.link().CloseLink();
}

void TFMain::ConnectButtonClick() {
    device_.ConnectButtonClick();
}

void TFMain::DisconnectButtonClick() {
    if (stopPreviewTimers_) stopPreviewTimers_();
    device_.DisconnectButtonClick();
}

void TFMain::WriteProgramButtonClick() {
    showReportLinks(core_->WriteProgramButtonClick().lines);
}

// The report's lines show no line numbers, but some of its errors concern one
// command; a click on such a line chooses that command in the listing.
void TFMain::showReportLinks(const std::vector<LogLine>& report) {
    auto* transfer =
        windows_ ? qobject_cast<TFKompilacja*>(windows_->window(Window::FKompilacja)) : nullptr;
    if (!transfer) return;
    QVector<int> links;
    for (const LogLine& line : report)
        links.append(line.slot);
    transfer->setReportLinks(links);
    connect(transfer, &TFKompilacja::reportLineChosen, this, &TFMain::chooseLine,
            Qt::UniqueConnection);
}

void TFMain::chooseLine(int slot) {
    if (slot < 0 || std::uint32_t(slot) >= model_.length()) return;
    model_.cursorLine = slot;
    ProgramView->selectLine(slot);
}

void TFMain::ReadProgramButtonClick() {
    device_.ReadProgramButtonClick();
}

void TFMain::PlayProgramButtonClick() {
    device_.PlayProgramButtonClick();
}

void TFMain::StopProgramButtonClick() {
    device_.StopProgramButtonClick();
}

void TFMain::StopButtonClick() {
    device_.StopButtonClick();
}

void TFMain::SpeedButton1Click() {
    device_.SpeedButton1Click();
}

void TFMain::SpeedButton2Click() {
    device_.SpeedButton2Click();
    // The password window opens with its box emptied (and its colour restored).
    auto* pass = windows_ ? qobject_cast<TFPass*>(windows_->window(Window::FPass)) : nullptr;
    if (pass && pass->isVisible()) {
        pass->Edit->clear();
        setErrorColour(pass->Edit, false);
        pass->Edit->setFocus();
    }
}

void TFMain::ViweMotorButtonClick() {
    device_.ViweMotorButtonClick();
}

void TFMain::WiewIoButtonClick() {
    device_.WiewIoButtonClick();
}

void TFMain::ViewUsbButtonClick() {
    device_.ViewUsbButtonClick();
}

void TFMain::InfoButtonClick() {
    if (TFInfo* info = aboutWindow()) info->info_pc->setText(QStringLiteral("1.1 EN"));
    // "* * * * *" until the controller answers; the request goes out only when
    // connected, and nothing is posted otherwise.
    device_.InfoButtonClick();
}

}  // namespace rv720
