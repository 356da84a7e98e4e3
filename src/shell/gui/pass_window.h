#pragma once
// FPass: the password window that guards a firmware update. It cannot be moved.
// OK (and Enter) hands the entry to the main window's device side, which sends the
// update request for the right password; a wrong one turns the box red.
#include <QPointer>

#include "ui/station_window.h"

class QLineEdit;

namespace rv720 {

class TFMain;

class TFPass : public StationWindow {
    Q_OBJECT
  public:
    // `mainWindow` is not the Qt parent: the transfer lock disables the main
    // window, and a disabled parent would take this window along, which must
    // stay usable throughout.
    explicit TFPass(QWidget* mainWindow = nullptr);

    QLabel* Label32 = nullptr;
    QLineEdit* Edit = nullptr;
    PictureButton* OkButton = nullptr;
    PictureButton* SpeedButton1 = nullptr;

  protected:
    bool FormKeyPress(int key) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private slots:
    void OkButtonClick();
    void SpeedButton1Click();
    void EditClick();
    void EditChange();

  private:
    QPointer<TFMain> main_;
};

}  // namespace rv720
