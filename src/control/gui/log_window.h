#pragma once
// FLog: the text messages a running program sends over USB, one line each. Lines
// accumulate while the window is hidden; the clear button empties it.
//
// A line is the time of arrival in the user's long time format, nine blanks and
// the message between double quotes. Only printable ASCII (32 ... 126) is kept, so
// a stray control byte from the controller cannot break the line apart.
#include <cstdint>
#include <vector>

#include "ui/station_window.h"

class QPlainTextEdit;

namespace rv720 {

class TFLog : public StationWindow {
    Q_OBJECT
  public:
    explicit TFLog(QWidget* parent = nullptr);

    static QString messageLine(const QString& longTime, const std::vector<std::uint8_t>& bytes);
    // Adds the line of one program message.
    void showUsbMessage(const std::vector<std::uint8_t>& bytes, const QString& longTime);
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
