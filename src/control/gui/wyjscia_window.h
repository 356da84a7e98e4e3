#pragma once
// FWyjscia: switches the controller's seven digital outputs and two relays. A box
// shows the state last sent from here; nothing is read back.
#include <array>

#include "ui/station_window.h"

class QCheckBox;

namespace rv720 {

class ToggleLabel;

class TFWyjscia : public StationWindow {
    Q_OBJECT
  public:
    explicit TFWyjscia(QWidget* parent = nullptr);

    static constexpr int kRows = 9;
    // Row n (1 ... 9): ioN and LabelN.
    QCheckBox* io(int n) const { return io_[std::size_t(n - 1)]; }
    ToggleLabel* label(int n) const { return label_[std::size_t(n - 1)]; }

    PictureButton* SpeedButton1 = nullptr;

  signals:
    // A click on box n (or on its label) left it in state `on`; the device side
    // sends the new state.
    void ioClick(int n, bool on);

  protected:
    bool FormKeyPress(int key) override;

  private slots:
    void SpeedButton1Click();

  private:
    std::array<QCheckBox*, kRows> io_{};
    std::array<ToggleLabel*, kRows> label_{};
};

}  // namespace rv720
