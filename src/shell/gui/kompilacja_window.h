#pragma once
// FKompilacja: the compilation report and the program write, read and firmware
// update. The log keeps one colour per line; the two covering pictures
// (DownloadDumm, StopDumm) make the Download and Stop buttons unreachable while
// they are shown. The transfer state (close permission, direction, which buttons
// are available) lives in the main window's device side alone: the buttons, Esc,
// Enter and the close query all go there, and the window only shows the result.
#include <QElapsedTimer>
#include <QPointer>
#include <QVector>
#include <cstdint>

#include "device/station_view.h"
#include "ui/station_window.h"

class QCheckBox;
class QProgressBar;
class QTextEdit;

namespace rv720 {

class TFMain;
class TransferWindow;

class TFKompilacja : public StationWindow, public TransferView {
    Q_OBJECT
  public:
    // The main window is the one whose windows the Close button gives back; it is
    // not the Qt parent, because the transfer lock disables the main window and a
    // disabled parent would take this window along.
    explicit TFKompilacja(TFMain* mainWindow = nullptr);

    // TransferView
    void setCaption(const std::string& text) override;
    void clearLog() override;
    void addLogLine(const std::string& text, Rgb color) override;
    void setGaugeMaximum(int maximum) override;
    void setGaugePosition(int position) override;
    void setStopAvailable(bool available) override;
    void setDownloadAvailable(bool available) override;

    bool stopAvailable() const;
    bool downloadAvailable() const;
    QStringList logLines() const;
    // For each log line the command it concerns, or -1; a click on such a line
    // reports that command. A new log forgets them.
    void setReportLinks(QVector<int> links);
    int reportLink(int line) const { return links_.value(line, -1); }
    Rgb logLineColour(int line) const;

    QTextEdit* KompilacjaLog = nullptr;
    QProgressBar* KompilujBar = nullptr;
    PictureButton* DownloadButton = nullptr;
    PictureButton* StopButton = nullptr;
    PictureButton* CloseButton = nullptr;
    QWidget* DownloadDumm = nullptr;
    QWidget* StopDumm = nullptr;
    // Off unless chosen: after a successful write the program is read back and
    // compared, and the log says whether it came back equal.
    QCheckBox* VerifyBox = nullptr;

  signals:
    void reportLineChosen(int slot);

  public slots:
    // Hides the window and gives the other windows back to the operator.
    void CloseButtonClick();
    void DownloadButtonClick();
    void StopButtonClick();

  protected:
    bool FormKeyPress(int key) override;
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    TransferWindow* handlers() const;  // the device side's, when there is a main window
    int linkAt(const QPoint& viewportPoint) const;

    QPointer<TFMain> main_;
    int lines_ = 0;
    QVector<int> links_;
    QElapsedTimer sinceRepaint_;
};

}  // namespace rv720
