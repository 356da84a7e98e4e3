#pragma once
// FParametrLiczbowy: the command parameter dialog. Eighteen pages, one group box
// per kind of command, built from the editor's page table; exactly one is shown,
// at top 32, left 1. The editing rules live in the core's ParameterDialog: this
// form shows its state (showDialog) and hands the operator's entries back
// (readFields). What only concerns the form itself is done here: the captions
// that toggle their boxes, the select boxes that unlock their state boxes, the
// "On"/"Off" captions and the error colour that typing clears.
#include <QHash>
#include <array>

#include "editor/parameter_pages.h"
#include "ui/station_window.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QRadioButton;

namespace rv720 {

class ToggleLabel;

class TFParametrLiczbowy : public StationWindow {
    Q_OBJECT
  public:
    explicit TFParametrLiczbowy(QWidget* parent = nullptr);

    // Sizes the dialog for `page`, hides the other pages, shows this one at
    // top 32, left 1 and sets the window title. The driver page's motor radio
    // buttons and their captions are shown only when `radioButtons` is set.
    void ShowPage(Page page, const QString& title, bool radioButtons = false);
    // Mirrors the core dialog: page, title, size, visibility, fields and error colours.
    void showDialog(const ParameterDialog& dialog);
    // The same, and from then on every change the operator makes to a control goes
    // to `dialog` at once. Otherwise a change report of the dialog in between (a
    // box losing its error colour, say) would show the dialog's older fields and
    // undo a tick or a list choice not yet confirmed. `dialog` must outlive the form.
    void showDialog(ParameterDialog& dialog);
    // Fields as the operator left them, for the core to confirm.
    void readFields(DialogFields& fields) const;
    // Binds the form to `dialog` as showDialog does and hands it the operator's
    // actions too: the confirm buttons, Enter, Esc and the close buttons. For a
    // host that does not connect those itself (both would confirm twice). The
    // host answers each change the dialog reports with showDialog.
    void attach(ParameterDialog& dialog);
    // Puts the fields into the controls. A box whose state changes runs its click
    // handler, as a click would (captions, state boxes).
    void showFields(const DialogFields& fields);

    Page currentPage() const { return current_; }
    QGroupBox* page(Page p) const { return pages_[std::size_t(p)]; }
    QLabel* heading(Page p) const { return headings_[std::size_t(p)]; }
    PictureButton* confirmButton(Page p) const { return confirm_[std::size_t(p)]; }
    PictureButton* closeButton(Page p) const { return close_[std::size_t(p)]; }
    QLineEdit* entry(TextField f) const { return entries_[std::size_t(f)]; }
    // Select box w1 ... w9 and state box w1o ... w9o of output row n (1 ... 9).
    QCheckBox* w(int n) const { return w_[std::size_t(n - 1)]; }
    QCheckBox* wo(int n) const { return wo_[std::size_t(n - 1)]; }
    // Motor boxes m1 ... m3 of the wait page and radio buttons m1_c ... m3_c.
    QCheckBox* m(int n) const { return m_[std::size_t(n - 1)]; }
    QRadioButton* mc(int n) const { return mc_[std::size_t(n - 1)]; }
    // The caption label that belongs to a box or radio button ("Label49" for w1o).
    ToggleLabel* captionOf(const QWidget* control) const;

    QCheckBox* enable = nullptr;
    QCheckBox* usb = nullptr;
    QCheckBox* wxo = nullptr;
    QCheckBox* in_ch = nullptr;
    QCheckBox* Left = nullptr;
    QCheckBox* Right = nullptr;
    QComboBox* input = nullptr;
    QLabel* input_number = nullptr;

  signals:
    // Enter: the core confirms the page of the edited code.
    void enterPressed();
    // The operator closed the dialog (close button or Esc).
    void closedByOperator();

  protected:
    bool FormKeyPress(int key) override;

  private slots:
    void SpeedButton1Click();

  private:
    void buildPage(const PageInfo& info);
    void layoutOutputs(QGroupBox* box);
    void layoutDriver(QGroupBox* box);
    void layoutCommunication(QGroupBox* box);
    void wClick(int n);
    void onOffClick(QCheckBox* box);
    void num_xdestChange(QLineEdit* box);
    void setBoxState(QCheckBox* box, bool on);
    void pushToDialog();
    void pushText(TextField field, const QString& text);

    std::array<QGroupBox*, kPageCount> pages_{};
    std::array<QLabel*, kPageCount> headings_{};
    std::array<PictureButton*, kPageCount> confirm_{};
    std::array<PictureButton*, kPageCount> close_{};
    std::array<QLineEdit*, kTextFieldCount> entries_{};
    std::array<QCheckBox*, 9> w_{};
    std::array<QCheckBox*, 9> wo_{};
    std::array<QCheckBox*, 3> m_{};
    std::array<QRadioButton*, 3> mc_{};
    QHash<const QWidget*, ToggleLabel*> captions_;
    Page current_ = Page::p_vi;
    ParameterDialog* dialog_ = nullptr;
    int showing_ = 0;  // inside showDialog/showFields: the changes come from the dialog
};

}  // namespace rv720
