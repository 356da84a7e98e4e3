// The main window's device side: one DeviceStation (the link, the reply timeout,
// the dispatcher, the write, read and firmware update, the monitor requests) shown
// on the main window's controls and the secondary windows.
//
// Timers: the main window makes TimeoutTimer (700 ms), UsbTimer (1 ms) and Timer
// (100 ms, transfer tenths) and hands them to the station, which also makes the
// two 100 ms monitor timers and gives them to the preview windows, so a window's
// Close button and the request loop stop the same timer. Every handler runs on
// the GUI thread; a reply is dispatched inside the link's wake-up (a socket
// notifier on the serial port, a timerfd when the twin has bytes due, or the
// UsbTimer tick while a libftdi reply is awaited; see UsbLink).
//
// The link's frames can be logged in hex at debug level under the category
// "rv720.link" (QT_LOGGING_RULES="rv720.link.debug=true"); off by default.
#include <QFile>
#include <QLineEdit>
#include <QLoggingCategory>
#include <deque>

#include "compiler/compiler.h"
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

namespace {

// Gives out timers made beforehand (matched by interval, first made first) and
// asks the real factory for the rest.
class HandOverTimers final : public TimerFactory {
  public:
    explicit HandOverTimers(TimerFactory& base) : base_(base) {}
    void offer(std::unique_ptr<Timer> timer) { spare_.push_back(std::move(timer)); }
    std::unique_ptr<Timer> create(int intervalMs) override {
        for (auto it = spare_.begin(); it != spare_.end(); ++it)
            if ((*it)->intervalMs() == intervalMs) {
                auto timer = std::move(*it);
                spare_.erase(it);
                return timer;
            }
        return base_.create(intervalMs);
    }
    std::unique_ptr<Waker> createWaker() override { return base_.createWaker(); }

  private:
    TimerFactory& base_;
    std::deque<std::unique_ptr<Timer>> spare_;
};

// The driver of a station started without a device: the list is empty, so
// Connect reports that no converter was found.
class NoDevice final : public FtdiApi {
  public:
    FtStatus createDeviceInfoList(std::uint32_t& count) override {
        count = 0;
        return ft::Ok;
    }
    FtStatus getDeviceInfoDetail(std::uint32_t, FtDeviceInfo&) override {
        return ft::DeviceNotFound;
    }
    FtStatus openEx(const std::string&, std::uint32_t, FtHandle&) override {
        return ft::DeviceNotFound;
    }
    FtStatus setBaudRate(FtHandle, std::uint32_t) override { return ft::InvalidHandle; }
    FtStatus setDataCharacteristics(FtHandle, std::uint8_t, std::uint8_t, std::uint8_t) override {
        return ft::InvalidHandle;
    }
    FtStatus setFlowControl(FtHandle, std::uint16_t, std::uint8_t, std::uint8_t) override {
        return ft::InvalidHandle;
    }
    FtStatus purge(FtHandle, std::uint32_t) override { return ft::InvalidHandle; }
    FtStatus getStatus(FtHandle, std::uint32_t&, std::uint32_t&, std::uint32_t&) override {
        return ft::InvalidHandle;
    }
    FtStatus read(FtHandle, std::uint8_t*, std::uint32_t, std::uint32_t& got) override {
        got = 0;
        return ft::InvalidHandle;
    }
    FtStatus write(FtHandle, const std::uint8_t*, std::uint32_t, std::uint32_t& written) override {
        written = 0;
        return ft::InvalidHandle;
    }
    FtStatus close(FtHandle) override { return ft::InvalidHandle; }
};

}  // namespace

void TFMain::createDevice(FtdiApi* ftdi, std::unique_ptr<rv720::Timer> timeout,
                          std::unique_ptr<rv720::Timer> usb,
                          std::unique_ptr<rv720::Timer> transfer) {
    if (!ftdi) {
        noDevice_ = std::make_unique<NoDevice>();
        ftdi = noDevice_.get();
    }
    deviceViews_ = std::make_unique<DeviceViews>(*this);
    HandOverTimers timers(timers_);
    timers.offer(std::move(usb));
    timers.offer(std::move(timeout));
    timers.offer(std::move(transfer));
    device_ = std::make_unique<DeviceStation>(*ftdi, timers, clock_, model_, *deviceViews_,
                                              *deviceViews_, *deviceViews_);
    TimeoutTimer = &device_->TimeoutTimer();
    UsbTimer = &device_->UsbTimer();
    Timer = &device_->TransferTimer();

    device_->link().frameLog = [](FrameDirection direction, std::span<const std::uint8_t> bytes) {
        if (!lcLink().isDebugEnabled()) return;
        qCDebug(lcLink).noquote() << (direction == FrameDirection::Sent ? "->" : "<-")
                                  << QString::fromStdString(hexText(bytes));
    };
}

void TFMain::wireDevice() {
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
    return device_->connected();
}

void TFMain::deviceAction() {
    if (!isConnected()) AddStatusLine(QStringLiteral("No connection"));
}

void TFMain::closeLink() {
    device_->link().CloseLink();
}

void TFMain::ConnectButtonClick() {
    device_->ConnectButtonClick();
}

void TFMain::DisconnectButtonClick() {
    if (stopPreviewTimers_) stopPreviewTimers_();
    device_->DisconnectButtonClick();
}

void TFMain::WriteProgramButtonClick() {
    device_->WriteProgramButtonClick();
    showReportLinks();
}

// The report just written names no lines, but some of its errors concern one
// command; a click on such a line chooses that command in the listing. The
// compilation is pure, so running it again tells which lines those are.
void TFMain::showReportLinks() {
    auto* transfer =
        windows_ ? qobject_cast<TFKompilacja*>(windows_->window(Window::FKompilacja)) : nullptr;
    if (!transfer) return;
    QVector<int> links;
    for (const LogLine& line : compileProgram(model_.image, {}, {}).lines)
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
    device_->ReadProgramButtonClick();
}

void TFMain::PlayProgramButtonClick() {
    device_->PlayProgramButtonClick();
}

void TFMain::StopProgramButtonClick() {
    device_->StopProgramButtonClick();
}

void TFMain::StopButtonClick() {
    device_->StopButtonClick();
}

void TFMain::SpeedButton1Click() {
    device_->SpeedButton1Click();
}

void TFMain::SpeedButton2Click() {
    device_->SpeedButton2Click();
    // The password window opens with its box emptied (and its colour restored).
    auto* pass = windows_ ? qobject_cast<TFPass*>(windows_->window(Window::FPass)) : nullptr;
    if (pass && pass->isVisible()) {
        pass->Edit->clear();
        setErrorColour(pass->Edit, false);
        pass->Edit->setFocus();
    }
}

void TFMain::ViweMotorButtonClick() {
    device_->ViweMotorButtonClick();
}

void TFMain::WiewIoButtonClick() {
    device_->WiewIoButtonClick();
}

void TFMain::ViewUsbButtonClick() {
    device_->ViewUsbButtonClick();
}

void TFMain::InfoButtonClick() {
    if (TFInfo* info = aboutWindow()) info->info_pc->setText(QStringLiteral("1.1 EN"));
    // "* * * * *" until the controller answers; the request goes out only when
    // connected, and nothing is posted otherwise.
    device_->InfoButtonClick();
}

}  // namespace rv720
