#pragma once
// FSterowanie: the small shared window of the direct-control column. One window
// serves six kinds of value (work mode, minimum and maximum velocity, maximum
// acceleration, set velocity, set position); the opening handler sets the kind,
// and the kind decides the title, the unit and which controls are shown.
#include <cstdint>

#include "shell/gui/station_window.h"

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace rv720 {

class ToggleLabel;

class TFSterowanie : public StationWindow {
    Q_OBJECT
  public:
    explicit TFSterowanie(QWidget* parent = nullptr);

    // The control kind is the code of the command the window sends (4 ... 9, see
    // ControlKind in control/conversions.h). Applies the opening handler's part that belongs to
    // this window: title, unit, the visible controls, an emptied value box for kinds 5 ... 9. The
    // chosen motor, mode and step count stay. Returns false for a kind the
    // window does not know (nothing changes then).
    bool SetControlKind(std::uint8_t kind);
    std::uint8_t controlKind() const { return kind_; }

    // The motor chosen with the radio buttons, 1 ... 3, or 0 when none is.
    int chosenMotor() const;

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

  private slots:
    void SpeedButton1Click();
    void i1Click();
    void i2Click();
    void i3Click();
    void numberChange();

  private:
    std::uint8_t kind_ = 0;
};

}  // namespace rv720
