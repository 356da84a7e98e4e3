#pragma once
// The main window's side of the device core: MainWindowView, TransferView and
// MonitorView put on the main window and the secondary windows. Private to the
// main window's sources.
#include <QFile>
#include <QString>
#include <optional>
#include <string>

#include "control/gui/log_window.h"
#include "control/gui/podglad_silniki_window.h"
#include "control/gui/podglad_wejscia_window.h"
#include "device/device_station.h"
#include "device/station_view.h"
#include "editor/gui/listing_view.h"
#include "shell/gui/info_window.h"
#include "shell/gui/kompilacja_window.h"
#include "shell/gui/main_window.h"
#include "shell/gui/window_set.h"
#include "ui/dialogs.h"

namespace rv720 {

// What the device core shows, put on the windows. A window that does not exist
// (the main window on its own, in tests) is passed over.
class TFMain::DeviceViews final : public MainWindowView, public TransferView, public MonitorView {
  public:
    explicit DeviceViews(TFMain& main) : main_(main) {}

    // ---- MainWindowView
    void AddStatusLine(const std::string& text) override {
        main_.AddStatusLine(QString::fromStdString(text));
    }
    void RepeatNewestStatusLine() override { main_.Warning1->setText(main_.Warning2->text()); }
    void setIndicator(Indicator which, bool lit) override {
        const QString picture = lit ? QStringLiteral("ID_led_play") : QStringLiteral("ID_led_stop");
        if (which == Indicator::led_usb) {
            main_.led_usb->loadPicture(picture);
            main_.connectionIndicator = lit ? 1 : 0;
        } else {
            main_.led_prog->loadPicture(picture);
            main_.programRunning = lit ? 1 : 0;
        }
    }
    void HideEditingControls() override { main_.HideEditingControls(); }
    void ShowEditingControls() override { main_.ShowEditingControls(); }
    void LockWindows() override { main_.LockWindows(); }
    void UnlockWindows() override { main_.UnlockWindows(); }
    void setWindowVisible(Window window, bool visible) override {
        QWidget* w = find(window);
        if (!w) return;
        w->setVisible(visible);
    }
    bool isWindowVisible(Window window) const override {
        QWidget* w = find(window);
        return w && w->isVisible();
    }
    void selectExecutedLine(int line) override {
        main_.ProgramView->selectLine(line);
        main_.ProgramView->setFocus();
    }
    // A read starts with New; the whole read becomes one undo step when it ends.
    bool NewButtonClick() override {
        const ProgramImage saved = main_.savedImage_;
        if (!main_.newProgram(/*asStep=*/false)) return false;
        savedBeforeRead_ = saved;
        return true;
    }
    std::string programFileName() const override {
        return QFile::encodeName(main_.CurrentFileName).toStdString();
    }
    // A read that did not finish: the program is its file's again, as before.
    void restoreProgramFileName(const std::string& name) override {
        main_.CurrentFileName = QFile::decodeName(QByteArray::fromStdString(name));
        main_.setCaptionFile(main_.CurrentFileName);
        main_.savedImage_ = savedBeforeRead_;
    }
    void PrintProgram() override { main_.PrintProgram(); }
    void refreshInputBreakControls() override { main_.refreshInputBreakControls(); }
    std::optional<std::string> chooseFirmwareFile() override {
        const QString path = main_.dialogs_.openFileName(
            &main_, {QStringLiteral("Program (*.bin)|*.bin"), QStringLiteral("bin")});
        if (path.isEmpty()) return std::nullopt;
        return QFile::encodeName(path).toStdString();
    }

    // ---- TransferView: FKompilacja
    void setCaption(const std::string& text) override {
        if (auto* k = transfer()) k->setCaption(text);
    }
    void clearLog() override {
        if (auto* k = transfer()) k->clearLog();
    }
    void addLogLine(const std::string& text, Rgb color) override {
        if (auto* k = transfer()) k->addLogLine(text, color);
    }
    void setGaugeMaximum(int maximum) override {
        if (auto* k = transfer()) k->setGaugeMaximum(maximum);
    }
    void setGaugePosition(int position) override {
        if (auto* k = transfer()) k->setGaugePosition(position);
    }
    void setStopAvailable(bool available) override {
        if (auto* k = transfer()) k->setStopAvailable(available);
    }
    void setDownloadAvailable(bool available) override {
        if (auto* k = transfer()) k->setDownloadAvailable(available);
    }

    // ---- MonitorView: the about window and the three monitor windows
    void showFirmwareVersion(const std::string& text) override {
        if (TFInfo* info = main_.aboutWindow())
            info->showFirmwareVersion(QString::fromStdString(text));
    }
    void showMotorState(const MotorState& state) override {
        if (auto* w = window<TFPodgladSilniki>(Window::FPodgladSilniki))
            w->showMotorState(state, main_.model_.motors, main_.clock_.decimalSeparator());
    }
    void showIoState(const IoState& state) override {
        if (auto* w = window<TFPodgladWejscia>(Window::FPodgladWejscia)) w->showIoState(state);
        if (main_.outputsAwaitState_) main_.showOutputStates(state.on);
    }
    void showUsbMessage(const std::vector<std::uint8_t>& bytes) override {
        if (auto* w = window<TFLog>(Window::FLog))
            w->showUsbMessage(bytes, QString::fromStdString(main_.clock_.longTime()));
    }

  private:
    QWidget* find(Window window) const {
        if (window == Window::FMain) return &main_;
        if (!main_.windows_) return nullptr;
        return main_.windows_->window(window);
    }
    template <class W>
    W* window(Window which) const {
        return qobject_cast<W*>(find(which));
    }
    TFKompilacja* transfer() const { return window<TFKompilacja>(Window::FKompilacja); }

    TFMain& main_;
    ProgramImage savedBeforeRead_;  // what the file held when a read replaced the program
};

}  // namespace rv720
