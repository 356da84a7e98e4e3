#pragma once
// FPodgladWejscia: seventeen lamps for the controller's outputs, relays and
// inputs, polled while the window is open. InputViewTimer paces the requests.
#include <array>
#include <memory>

#include "device/station_view.h"
#include "support/timer.h"
#include "ui/station_window.h"

namespace rv720 {

class PaintedTexts;

class TFPodgladWejscia : public StationWindow {
    Q_OBJECT
  public:
    explicit TFPodgladWejscia(QWidget* parent = nullptr, TimerFactory* timers = nullptr);
    ~TFPodgladWejscia() override;

    static constexpr int kLamps = 17;
    static constexpr int kTimerIntervalMs = 100;

    // Lamp k (1 ... 17): outputs 1-7, relays 1-2, inputs 1-6, RUN, STOP.
    PictureBox* im(int k) const { return lamps_[std::size_t(k - 1)]; }
    // Shows "ID_led_on" or "ID_led_off" in lamp k.
    void showLamp(int k, bool on);
    // Redraws the lamps an input-and-output reply changed; the others stay.
    void showIoState(const IoState& state);

    // As the motor window: the device side may hand in the timer it drives.
    void useInputViewTimer(Timer& timer) { InputViewTimer = &timer; }

    PictureBox* im1 = nullptr;
    PictureBox* im17 = nullptr;
    PictureButton* closeButton = nullptr;
    Timer* InputViewTimer = nullptr;

    const PaintedTexts* backgroundTexts() const { return names_; }

  protected:
    bool FormKeyPress(int key) override;

  private slots:
    void closeButtonClick();

  private:
    void FormCreate();

    std::array<PictureBox*, kLamps> lamps_{};
    PaintedTexts* names_ = nullptr;
    std::unique_ptr<TimerFactory> ownTimers_;
    std::unique_ptr<Timer> ownTimer_;
};

}  // namespace rv720
