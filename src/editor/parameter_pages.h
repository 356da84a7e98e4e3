#pragma once
// The rules of the command parameter dialog (FParametrLiczbowy): its eighteen
// pages, what each page shows, how a page opens (capacity check, driver page
// pre-fill), how an edited record fills the page, and what confirming a page
// writes into the program. The Qt form only mirrors ParameterDialog: it copies
// the fields into its widgets after every change and the widgets' edits back.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/program_image.h"

namespace rv720 {

class Clock;

// The station's own texts.
namespace texts {
inline constexpr std::string_view kProgramFull = "Program counter is exceeded";
inline constexpr std::string_view kMotorParametersSet = "Motor parameters set";
inline constexpr std::string_view kDeleteCaption = "Deleting line";
inline constexpr std::string_view kDeleteQuestion =
    "You try to delete the line, to which reffer jump comands.\n\r Do you want to continue?";
inline constexpr std::string_view kConfirmHint = "Ustaw parametr";  // every page's confirm button
inline constexpr std::string_view kCloseHint = "Zamknij okno";      // every page's close button
}  // namespace texts

// Ticked state of the three motors, motor 1 first.
using MotorFlags = std::array<bool, 3>;

inline int countMotors(const MotorFlags& m) {
    return int(m[0]) + int(m[1]) + int(m[2]);
}

// What the editing rules need from the main window. The GUI implements it in
// TFMain; the tests record the calls.
class EditorHost {
  public:
    virtual ~EditorHost() = default;
    virtual void addStatusLine(const std::string& text) = 0;
    // Full re-render of the listing; the caret goes to line cursorLine - 1.
    virtual void printProgram() = 0;
    virtual void selectLine(int line) = 0;
    virtual void updateMotorLabels() = 0;
    virtual void refreshInputBreakControls() = 0;
    // A Yes/No question with the warning icon; true for Yes.
    virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
    // The main window's motor boxes m1_ch, m2_ch, m3_ch as they are now.
    virtual MotorFlags motorBoxes() const = 0;
    // The parameter dialog's visibility, page, title, fields or colours changed.
    virtual void parameterDialogChanged() = 0;
};

enum class Page : std::uint8_t {
    p_vi,
    p_vx,
    p_vt,
    p_ax,
    p_en,
    p_w,
    p_jl,
    p_xt,
    p_h,
    p_lp,
    p_jp,
    p_out,
    p_edit_out,
    p_ji,
    p_ster,
    p_usb,
    p_kom,
    p_m,
};
inline constexpr int kPageCount = 18;

// The dialog's entry boxes; their texts are what the operator typed.
enum class TextField : std::uint8_t {
    num_vmin,
    num_vmax,
    num_vdest,
    num_amax,
    num_wait,
    num_line,
    num_xdest,
    num_home_v1,
    num_home_v2,
    num_count,
    num_jump_line,
    num_line_in,
    num_step,
    num_mot,
    num_kom,
};
inline constexpr int kTextFieldCount = 15;
std::string_view textFieldName(TextField f);

enum class PageControlKind : std::uint8_t { Entry, CheckBox, List, Label, RadioButton };

struct PageControl {
    std::string_view name;
    PageControlKind kind;
    std::string_view text;  // unit label of an entry box, caption of the others
    int maxLength = 0;      // entry boxes only; 0 = no limit
};

// What the one entry box of a value page holds, and so how it is read and limited.
enum class PageValue : std::uint8_t {
    None,            // the page has no single value box
    Velocity,        // rev/s, 0 ... the velocity limit
    SignedVelocity,  // rev/s, either direction
    Acceleration,    // rev/s^2
    Position,        // steps
    Milliseconds,
    Repetitions,
    Line,  // a jump target
};

struct PageInfo {
    Page page;
    std::string_view name;     // "p_vi"
    std::string_view heading;  // bold heading; '\n' separates a second line
    std::string_view title;    // window title
    int clientWidth;
    int clientHeight;
    std::string_view confirmHandler;
    std::span<const PageControl> controls;
    std::uint8_t code;       // the command the page writes, and rewrites in place
    std::uint8_t otherCode;  // a second command it rewrites in place, or 0
    std::uint8_t openedBy;   // the edited code that opens it when not `code`, or 0
    bool perMotor;           // one record for each ticked motor
    PageValue value;
    std::optional<TextField> valueField;  // the box of a value page
};

inline constexpr int kPageTop = 32;
inline constexpr int kPageLeft = 1;

const PageInfo& pageInfo(Page page);
std::span<const PageInfo> allPages();

// The page that enters or edits a command; code 21 is the edit of one code-15
// record. Codes 10, 11, 12 and unknown codes have none.
std::optional<Page> pageForCode(std::uint8_t code);

// The page whose confirm handler Enter runs for the edited code.
std::optional<Page> enterPageForCode(std::uint8_t code);

// Codes a page rewrites in edit mode.
bool pageEditsCode(Page page, std::uint8_t code);

// A caption that says a state box's state.
inline std::string_view onOffCaption(bool on) {
    return on ? "On" : "Off";
}

// A dialog label that toggles (or chooses) the control beside it when clicked.
struct LabelTarget {
    std::string_view label;
    std::string_view control;
};
std::span<const LabelTarget> labelTargets();

// Everything the operator can set in the dialog, texts in UTF-8. Entry boxes
// keep their texts between openings.
struct DialogFields {
    std::array<std::string, kTextFieldCount> texts{};
    bool enable = false;
    bool usb = false;
    bool wxo = false;
    bool in_ch = false;
    bool Left = false;
    bool Right = false;
    std::array<bool, 9> w{};   // select boxes w1..w9: outputs 1..7, relay 1, relay 2
    std::array<bool, 9> wo{};  // state boxes w1o..w9o
    int input = 0;             // list `input`: 0..5 for "Input 1".."Input 6"
    MotorFlags m{};            // m1, m2, m3 on p_m
    MotorFlags motorRadio{true, false, false};  // m1_c, m2_c, m3_c (direct mode)
    std::string input_number;                   // label on p_edit_out

    DialogFields();
    std::string& text(TextField f) { return texts[std::size_t(f)]; }
    const std::string& text(TextField f) const { return texts[std::size_t(f)]; }
};

// Deletes the command on `line` (0-based): does nothing on the empty line below
// the program; asks first when a jump names that line. Returns whether it deleted.
bool deleteCommandAt(ProgramModel& model, EditorHost& host, int line);

class ParameterDialog {
  public:
    ParameterDialog(ProgramModel& model, EditorHost& host, const Clock& clock);

    // What the form shows.
    bool visible() const { return visible_; }
    Page page() const { return page_; }
    const std::string& title() const { return title_; }
    int clientWidth() const { return width_; }
    int clientHeight() const { return height_; }
    bool radioButtonsShown() const { return radioShown_; }
    bool hasErrorColour(TextField f) const { return error_[std::size_t(f)]; }
    // w1o..w9o are usable only while their select box is ticked.
    bool stateBoxEnabled(int output) const { return fields_.w[std::size_t(output - 1)]; }

    DialogFields& fields() { return fields_; }
    const DialogFields& fields() const { return fields_; }

    // The operator changed a box's text: store it and give the box its normal
    // background again (every box, num_step included).
    void setText(TextField f, std::string text);
    void num_xdestChange(TextField f);

    // Opens `page` for the mode and edited code in the model. Returns whether it
    // opened; posts "Program counter is exceeded" when the program is full.
    bool ShowParameterPage(Page page);
    // The direct driver configuration of the control column: EditMode direct,
    // edited code 17 (so Enter confirms), then the driver page with its radio
    // buttons. The caller has checked the connection.
    bool showDirectDriverPage();
    // Fills the page of the edited code from the record at the cursor line.
    void prefillForEdit();

    // The confirm button of `page` (only the visible page confirms).
    void confirm(Page page);
    void SetVminButtonClick() { confirm(Page::p_vi); }
    void SetVmaxButtonClick() { confirm(Page::p_vx); }
    void SetVdestButtonClick() { confirm(Page::p_vt); }
    void SetAmaxButtonClick() { confirm(Page::p_ax); }
    void SetEnableButtonClick() { confirm(Page::p_en); }
    void SetWaitButtonClick() { confirm(Page::p_w); }
    void SetJumpLineButtonClick() { confirm(Page::p_jl); }
    void SetXdestButtonClick() { confirm(Page::p_xt); }
    void SetHomeButtonClick() { confirm(Page::p_h); }
    void SetCounterButtonClick() { confirm(Page::p_lp); }
    void SetJumpCounterButtonClick() { confirm(Page::p_jp); }
    void SetOutButtonClick() { confirm(Page::p_out); }
    void EditOutputButtonClick() { confirm(Page::p_edit_out); }
    void SetJumpInputButtonClick() { confirm(Page::p_ji); }
    void SetDriverButtonClick() { confirm(Page::p_ster); }
    void SetUsbButtonClick() { confirm(Page::p_usb); }
    void SetMessageButtonClick() { confirm(Page::p_kom); }
    void SetWaitMottorClick() { confirm(Page::p_m); }

    void SpeedButton1Click() { hide(); }
    // Esc hides; Enter confirms the page of the edited code.
    void FormKeyPress(char key);
    void hide();

  private:
    void confirmValuePage(Page page);
    void confirmHome();
    void confirmOnOff(Page page);
    void confirmMessage();
    void confirmOutputs();
    void confirmEditOutput();
    void confirmJumpInput();
    void confirmMotorFlags();
    void confirmDriver();

    // Returns whether the record at the cursor line may be rewritten by `page`.
    bool editTargetValid(Page page) const;
    // The one store step of the confirm handlers. Edit mode rewrites the record at
    // the cursor line in place, and only when the page may rewrite its command;
    // append and insert mode add one record (one for each of `motors` on a per-motor
    // page) after the capacity check; direct mode stores nothing. `set` puts the
    // page's fields on a record: a fresh one, or the one at the cursor line.
    enum class Stored { Nothing, Edited, Added, Full };
    Stored store(Page page, const MotorFlags& motors, const std::function<void(Record&)>& set);
    // Adds records in append or insert mode, after checking capacity; false when
    // the program would overflow (nothing is written then).
    bool roomFor(int records);
    void addRecord(const Record& r);
    void finish();  // re-render and hide
    void markError(TextField f);
    void changed() { host_.parameterDialogChanged(); }

    ProgramModel& model_;
    EditorHost& host_;
    const Clock& clock_;
    DialogFields fields_;
    std::array<bool, kTextFieldCount> error_{};
    bool visible_ = false;
    Page page_ = Page::p_vi;
    std::string title_;
    int width_ = 230;
    int height_ = 162;
    bool radioShown_ = false;
};

}  // namespace rv720
