#pragma once
// The about window `FInfo`: the station's software version and the controller's
// firmware version, which the main window asks for when a controller is connected.
#include "ui/station_window.h"

namespace rv720 {

class TFInfo : public StationWindow {
    Q_OBJECT
  public:
    explicit TFInfo(QWidget* parent = nullptr);

    QLabel *Label3, *Label1, *info_pc, *Label2, *info_uc;
    PictureButton* OkButton;

    // The controller's answer: major.minor.
    void showFirmwareVersion(const QString& text) { info_uc->setText(text); }
    void OkButtonClick() { hide(); }

  protected:
    bool FormKeyPress(int key) override;
};

}  // namespace rv720
