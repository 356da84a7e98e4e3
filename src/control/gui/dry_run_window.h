#pragma once
// FDryRun: the program in the editor tried on a controller twin of its own, never
// the controller or the link, so it works connected or not. It shows how the run
// stopped and when (the cycle time), and the three motors' positions and
// velocities against time in the motor colours, the USB messages on the time
// axis. A time cursor (the slider, or the mouse on the chart) shows the motors at
// that instant and reports the line then executing, which the main window selects
// in the listing. The limit and input switches ("INPUT3=on@40 STOP=on@90", as the
// tool takes them) are set before running; the chart saves as PNG or SVG and the
// trace as CSV.
#include <string>
#include <vector>

#include "model/program_image.h"
#include "sim/dry_run.h"
#include "ui/station_window.h"

class QLineEdit;
class QSlider;

namespace rv720 {

class Dialogs;
class MotionChart;

class TFDryRun : public StationWindow {
    Q_OBJECT
  public:
    explicit TFDryRun(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TFDryRun() override;

    // Takes a copy of the program and runs it with the window's limit and
    // switches; shows the window. Returns false (and runs nothing) while the
    // limit or the switches cannot be read, which are then in the error colour.
    bool dryRun(const ProgramImage& program);
    // The decimal separator of the listing line and the velocities shown.
    void setDecimalSeparator(char separator) { separator_ = separator; }
    const sim::DryRun& result() const { return run_; }

    // Moves the time cursor (milliseconds from the start) as the slider does.
    void setCursorMs(qint64 timeMs);
    // The line executing at the cursor, 1-based; 0 before the first command.
    int cursorLine() const { return cursorLine_; }

    QLabel* status = nullptr;      // how the run stopped, and when
    QLabel* cursorText = nullptr;  // the time and the line at the cursor
    QLabel* motorText[3] = {};     // each motor's position and velocity there
    QLineEdit* seconds = nullptr;  // the limit
    QLineEdit* inputs = nullptr;   // the input switches
    QSlider* timeCursor = nullptr;
    MotionChart* chart = nullptr;
    PictureButton* RunButton = nullptr;
    PictureButton* SaveChartButton = nullptr;
    PictureButton* SaveTraceButton = nullptr;
    PictureButton* CloseButton = nullptr;

  signals:
    // The cursor now stands in the command on `line` (1-based).
    void lineAtCursor(int line);

  protected:
    bool FormKeyPress(int key) override;

  private slots:
    void RunButtonClick();
    void SaveChartButtonClick();
    void SaveTraceButtonClick();
    void CloseButtonClick();
    void timeCursorChange(int ms);

  private:
    bool readOptions(sim::DryRunOptions& options);
    void showRun();
    void showCursor(qint64 timeMs);

    Dialogs& dialogs_;
    ProgramImage program_;
    sim::DryRun run_;
    int cursorLine_ = 0;
    char separator_ = '.';
    std::vector<std::string> lines_;  // the listing of the program run
};

}  // namespace rv720
