#pragma once
// FLog: the text messages a running program sends over USB, one line each. Lines
// accumulate while the window is hidden; the clear button empties it.
#include "shell/gui/station_window.h"

class QPlainTextEdit;

namespace rv720 {

class TFLog : public StationWindow {
    Q_OBJECT
  public:
    explicit TFLog(QWidget* parent = nullptr);

    void appendLine(const QString& line);
    QStringList lines() const;

    QPlainTextEdit* log = nullptr;
    PictureButton* OkButton = nullptr;
    PictureButton* SpeedButton1 = nullptr;

  protected:
    bool FormKeyPress(int key) override;

  private slots:
    void OkButtonClick();
    void SpeedButton1Click();
};

}  // namespace rv720
