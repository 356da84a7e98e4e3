#pragma once
// FSterowanie: the small shared window of the direct-control column. One window
// serves six kinds of value (work mode, minimum and maximum velocity, maximum
// acceleration, set velocity, set position); the opening handler sets the kind,
// and the kind decides the title, the unit and which controls are shown.
//
// Sending: OK (or Enter) converts the value box for the chosen motor into the
// controller's units and sends it with the kind's command; "<" and ">" send the
// step count of `Inc` with the step-down and step-up commands. Every send names
// the motor first. The window stays open, so a later press sends again.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "model/program_image.h"
#include "protocol/codes.h"
#include "ui/station_window.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace rv720 {

class Clock;
class Dialogs;
class ToggleLabel;

// What sending needs from the rest of the station: the message box, the user's
// decimal separator, the main window's per-motor driver configuration (read at
// every send, so a new configuration takes effect at once) and SendCommand.
struct DirectControlLink {
    Dialogs* dialogs = nullptr;
    const Clock* clock = nullptr;
    const std::array<MotorConfig, 3>* motors = nullptr;
    std::function<void(const protocol::Message& command)> send;

    bool complete() const { return dialogs && clock && motors && send; }
};

class TFSterowanie : public StationWindow {
    Q_OBJECT
  public:
    explicit TFSterowanie(QWidget* parent = nullptr);

    // The control kind is the code of the command the window sends (see
    // ControlKind in control/conversions.h). Applies the opening handler's part that belongs to
    // this window: title, unit, the visible controls, an emptied value box for every kind but the
    // work mode. The chosen motor, mode and step count stay. Returns false for a kind the window
    // does not know (nothing changes then).
    bool SetControlKind(std::uint8_t kind);
    std::uint8_t controlKind() const { return kind_; }

    // The motor chosen with the radio buttons, 1 ... 3, or 0 when none is.
    int chosenMotor() const;

    // Until a link is given the send buttons do nothing.
    void connectStation(DirectControlLink link) { link_ = std::move(link); }
    bool connectedToStation() const { return link_.complete(); }

    QLineEdit* number = nullptr;
    QLabel* unit = nullptr;
    QComboBox* mode = nullptr;
    QRadioButton* m1_check = nullptr;
    QRadioButton* m2_check = nullptr;
    QRadioButton* m3_check = nullptr;
    ToggleLabel* i1 = nullptr;
    ToggleLabel* i2 = nullptr;
    ToggleLabel* i3 = nullptr;
    PictureButton* OkButton = nullptr;
    PictureButton* SpeedButton1 = nullptr;
    PictureButton* DownButton = nullptr;
    PictureButton* UpButton = nullptr;
    QComboBox* Inc = nullptr;

  protected:
    bool FormKeyPress(int key) override;

  public slots:
    void OkButtonClick();
    void UpButtonClick();
    void DownButtonClick();

  private slots:
    void SpeedButton1Click();
    void i1Click();
    void i2Click();
    void i3Click();
    void numberChange();

  private:
    // The motor for a send; shows the one-motor message box when the radio
    // buttons do not name exactly one.
    std::optional<int> motorOrReport();
    void step(bool up);

    std::uint8_t kind_ = 0;
    DirectControlLink link_;
};

}  // namespace rv720
