#pragma once
// The main window `FMain`: toolbars, the command column, the listing with its
// column furniture, counter and gauge, the input-break rows, the indicators and
// the emergency stop, the direct-control column, the motor selection, and the
// two-line status and hint areas. It owns the program model and the file state
// and runs the file workflows, printing, the about and help services and the two
// close paths. The program, the editing rules, the parameter dialog's state, the
// device side and the timers are one StationCore, which the window owns; its
// device side (main_window_device.cpp) puts the controller's link, transfers and
// replies on these controls.
#include <QString>
#include <array>
#include <functional>
#include <memory>

#include "editor/parameter_pages.h"
#include "editor/undo_history.h"
#include "model/program_image.h"
#include "model/program_store.h"
#include "support/clock.h"
#include "support/log_line.h"
#include "support/timer.h"
#include "ui/station_window.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QMenu;
class QProgressBar;
class QShortcut;

namespace rv720 {

class DeviceStation;
class Dialogs;
class Editor;
class FtdiApi;
class ListingView;
class StationCore;
class TFDryRun;
class TFParametrLiczbowy;
class TFInfo;
class TFSterowanie;
class TFWyjscia;
class HelpViewer;
class PrintCanvas;
class StationSettings;
class WindowSet;
struct FileDialogSpec;

// A label that reports clicks (the motor labels toggle their boxes).
class ClickLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;
  signals:
    void clicked();

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TFMain : public StationWindow, public EditorHost {
    Q_OBJECT
  public:
    // `ftdi` is the controller's driver; without one the device list is empty and
    // Connect finds nothing. It must outlive the window.
    // `settings` keeps the recent files and the last folder between runs; without
    // it they last for this run.
    TFMain(Dialogs& dialogs, TimerFactory& timers, Clock& clock, FtdiApi* ftdi = nullptr,
           StationSettings* settings = nullptr, QWidget* parent = nullptr);
    ~TFMain() override;

    // The other windows, for the lock, the close body, the about window and the
    // direct-control column that opens the control and outputs windows.
    void setWindowSet(WindowSet* windows);
    // Run by the close body to stop the preview windows' request timers.
    void setPreviewTimerStopper(std::function<void()> stop) {
        stopPreviewTimers_ = std::move(stop);
    }

    // The command parameter dialog's form, which mirrors the editor's dialog state.
    void attachParameterForm(TFParametrLiczbowy* form);
    Editor& editor() { return editor_; }
    ParameterDialog& parameterDialog() { return parameterDialog_; }
    // The station without its windows.
    StationCore& core() { return *core_; }

    ProgramModel& model() { return model_; }
    const ProgramModel& model() const { return model_; }
    // The link, its timers, replies and transfers.
    DeviceStation& device() { return device_; }
    // The link's connected flag.
    bool isConnected() const;

    QString CurrentFileName;
    ProgramForm CurrentFileForm = ProgramForm::Binary;  // what Save writes
    QString StartupDirectory;
    std::uint8_t connectionIndicator = 0;
    std::uint8_t programRunning = 0;

    // Operations other windows call.
    void AddStatusLine(const QString& text);
    void UpdateMotorLabels();
    void HideEditingControls();
    void ShowEditingControls();
    void LockWindows();
    void UnlockWindows();
    bool HasProgramLines() const;
    void PrintProgram();
    void refreshInputBreakControls() override;

    // What the editing rules ask of the main window.
    void addStatusLine(const std::string& text) override;
    void printProgram() override { PrintProgram(); }
    void selectLine(int line) override;
    void updateMotorLabels() override { UpdateMotorLabels(); }
    bool askYesNo(const std::string& caption, const std::string& text) override;
    MotorFlags motorBoxes() const override;
    void parameterDialogChanged() override;
    QString helpFilePath() const;

    // Controls, under the station's names.
    PictureButton *NewButton, *OpenButton, *SaveButton, *SaveAsButton, *PrintButton, *DownButton,
        *UpButton;
    PictureButton *DisconnectButton, *ConnectButton, *WriteProgramButton, *ReadProgramButton,
        *StopProgramButton, *PlayProgramButton, *DryRunButton, *ViewUsbButton, *WiewIoButton,
        *ViweMotorButton, *HelpButton, *InfoButton, *SpeedButton1, *SpeedButton2;
    PictureButton *MinimalizeButton, *CloseButton;
    QList<PictureButton*> commandButtons;  // the twenty, CommadnConfigButton..CommadnMessageButton
    PictureButton* CommandClearPos;
    PictureButton *SetConfigButton, *SetModeButton, *SetVminButton, *SetVmaxButton, *SetAmaxButton,
        *SetVdestButton, *SetXdestButton, *SetOutputButton;
    QCheckBox *m1_ch, *m2_ch, *m3_ch;
    ClickLabel *i1, *i2, *i3;
    ListingView* ProgramView;
    QMenu* Popup;
    QCheckBox* kol;
    QLabel* Label29;
    QLabel *name1, *name2, *name3, *name4;
    QFrame* separators[4];
    QLabel* comand_counter;
    QProgressBar* ProgramBar;
    QCheckBox *input_1_ex, *input_2_ex;
    QLabel *input_1_text1, *input_1_text2, *input_2_text1, *input_2_text2;
    QComboBox *input_1_line, *input_1_state, *input_2_line, *input_2_state;
    PictureBox *led_usb, *led_prog;
    QLabel *led_usb_caption, *led_prog_caption;
    PictureButton* StopButton;
    QLabel *Warning1, *Warning2, *Info1, *Info2;

    // The core's timers, under the station's names.
    rv720::Timer *TimeoutTimer = nullptr, *UsbTimer = nullptr, *Timer = nullptr;
    rv720::Timer* LastClickTimer = nullptr;  // the editor's double-click timer

    TFInfo* aboutWindow() const;
    HelpViewer* helpViewer() const { return help_; }

    // The controls HideEditingControls hides, in its order.
    QList<QWidget*> editingControls() const;

    // Handlers.
    bool NewButtonClick();  // false when a save asked for first was cancelled or failed
    void OpenButtonClick();
    bool SaveButtonClick();  // true when the program was written
    bool SaveAsButtonClick();
    // The Open workflow for a file named outside the Open dialog (a recent file,
    // the command line, a file dropped on the window).
    void openNamedFile(const QString& path);
    // Whether the program differs from its file (from the empty program for "New").
    bool isModified() const;
    QStringList recentFiles() const;
    StationSettings& settings() { return *settings_; }
    QMenu* RecentMenu = nullptr;  // a right click on OpenButton
    QLabel* ModifiedLabel = nullptr;
    // Undo and redo of whole user actions (Ctrl+Z; Ctrl+Shift+Z or Ctrl+Y).
    void undo();
    void redo();
    const UndoHistory& history() const { return history_; }
    // The keyboard shortcut of a control, if it has one.
    QShortcut* shortcutOf(QWidget* control) const;
    // Where a print job draws: the chosen printer, or this canvas (tests).
    void setPrintCanvas(PrintCanvas* canvas) { printCanvas_ = canvas; }
    void PrintButtonClick();
    void CloseButtonClick();
    void MinimalizeButtonClick();
    void kolClick();
    void InfoButtonClick();
    void HelpButtonClick();
    void ConnectButtonClick();
    void DisconnectButtonClick();
    void WriteProgramButtonClick();  // compiles into FKompilacja
    void ReadProgramButtonClick();
    void PlayProgramButtonClick();
    // Runs the program in the editor on a twin of its own and shows FDryRun;
    // the controller and the link are not touched.
    void DryRunButtonClick();
    TFDryRun* dryRunWindow() const { return dryRun_; }
    void StopProgramButtonClick();
    void StopButtonClick();    // the emergency stop beside the indicators
    void SpeedButton1Click();  // device reset
    void SpeedButton2Click();  // firmware update: the password window
    void ViweMotorButtonClick();
    void WiewIoButtonClick();
    void ViewUsbButtonClick();
    // The direct-control column (main_window_control.cpp).
    void SetConfigButtonClick();
    void SetModeButtonClick();
    void SetVminButtonClick();
    void SetVmaxButtonClick();
    void SetAmaxButtonClick();
    void SetVdestButtonClick();
    void SetXdestButtonClick();
    void SetOutputButtonClick();
    void i1Click();
    void i2Click();
    void i3Click();
    void input_exClick(int input);
    void input_lineChange(int input);
    void input_stateChange(int input);
    void ProgramViewMouseDown();
    void ProgramViewKeyUp(int key);
    void UpButtonClick();
    void DownButtonClick();

    // Whether the last close request was accepted (for tests and the main routine).
    bool closeAccepted() const { return closeAccepted_; }

  signals:
    // The close body finished and the application should end.
    void terminateRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;  // FormCloseQuery
    void Image1MouseMove() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void FormCreate();
    void buildToolbars();
    void buildCommandColumn();
    void buildListing();
    void buildInputBreakRows();
    void buildIndicators();
    void buildDirectControl();
    void buildStatusArea();
    void attachHints();
    void setCaptionFile(const QString& path);
    void deviceAction();  // a direct-control button: says so when not connected
    void wireDirectControl();
    void openControlWindow(std::uint8_t kind);
    TFSterowanie* controlWindow();
    TFWyjscia* outputsWindow();
    void outputClick(int row, bool on);  // FWyjscia's ioNClick, sent as set output
    // The outputs window's boxes from the lamps of outputs 1..7 and relays 1..2.
    void showOutputStates(const std::array<bool, 17>& lamps);
    class DeviceViews;
    void wireDevice();
    void closeLink();  // the close body's CloseLink
    bool writeProgramTo(const QString& path, ProgramForm form);
    void wireDryRun();
    bool closeBody();
    // The save question of New, Open and closing: true to go on (nothing changed,
    // No, or a save that wrote the file), false when the save was cancelled or failed.
    bool offerToSave(const QString& caption);
    bool newProgram(bool asStep);  // New; a read records its own step when it ends
    void clearProgram();           // New without the question
    bool loadProgramFrom(const QString& path);
    void fileUsed(const QString& path);  // recent files, last folder, saved state
    FileDialogSpec programFileDialog(bool saving) const;
    void showRecentFiles(const QPoint& at);
    void buildShortcuts();
    // After every change: an undo step, the unsaved mark, and Download waits for the
    // next compilation.
    void programChanged();
    void showRestoredProgram();  // after an undo or a redo
    void showReportLinks(const std::vector<LogLine>& report);
    void chooseLine(int slot);  // a report line's command, chosen in the listing
    void placeColumnFurniture();
    void showInputRowEnabled(int input, bool enabled);
    void wireEditing();

    Dialogs& dialogs_;
    Clock& clock_;
    // Declared in this order: the core refers to the views, and the references
    // after it to the core.
    std::unique_ptr<DeviceViews> deviceViews_;
    std::unique_ptr<StationCore> core_;
    ProgramModel& model_;
    ParameterDialog& parameterDialog_;
    Editor& editor_;
    DeviceStation& device_;
    TFParametrLiczbowy* parameterForm_ = nullptr;
    WindowSet* windows_ = nullptr;
    std::function<void()> stopPreviewTimers_;
    bool closeAccepted_ = false;
    bool closing_ = false;
    HelpViewer* help_ = nullptr;
    TFDryRun* dryRun_ = nullptr;  // made on the first Dry run
    StationSettings* settings_;
    std::unique_ptr<StationSettings> ownSettings_;
    UndoHistory history_;
    ProgramImage savedImage_;  // the program as its file holds it
    QList<QPair<QWidget*, QShortcut*>> shortcuts_;
    PrintCanvas* printCanvas_ = nullptr;
    bool outputsAwaitState_ = false;  // the outputs window waits for its opening reply
};

// The filter of the text form in the station's file dialogs.
inline const QString kTextFormFilter = QStringLiteral("RV720 program text (*.rv720)|*.rv720");

}  // namespace rv720
