#include "editor/parameter_pages.h"

#include <algorithm>
#include <cstdint>

#include "model/commands.h"
#include "model/message_text.h"
#include "model/records.h"
#include "model/value_limits.h"
#include "model/values.h"
#include "support/clock.h"

namespace rv720 {

namespace {

constexpr std::array<std::string_view, kTextFieldCount> kTextFieldNames{
    "num_vmin",      "num_vmax",    "num_vdest",   "num_amax",    "num_wait",
    "num_line",      "num_xdest",   "num_home_v1", "num_home_v2", "num_count",
    "num_jump_line", "num_line_in", "num_step",    "num_mot",     "num_kom",
};

using K = PageControlKind;

constexpr PageControl kVi[] = {{"num_vmin", K::Entry, "[rev/s]"}};
constexpr PageControl kVx[] = {{"num_vmax", K::Entry, "[rev/s]"}};
constexpr PageControl kVt[] = {{"num_vdest", K::Entry, "[rev/s]"}};
constexpr PageControl kAx[] = {{"num_amax", K::Entry, "[rev/s^2]"}};
constexpr PageControl kEn[] = {{"enable", K::CheckBox, "On"}};
constexpr PageControl kW[] = {{"num_wait", K::Entry, "[ms]"}};
constexpr PageControl kJl[] = {{"num_line", K::Entry, "[line]"}};
constexpr PageControl kXt[] = {{"num_xdest", K::Entry, "[steps]"}};
constexpr PageControl kH[] = {{"num_home_v1", K::Entry, "[rev/s]"},
                              {"num_home_v2", K::Entry, "[rev/s]"}};
constexpr PageControl kLp[] = {{"num_count", K::Entry, "[repetitions]"}};
constexpr PageControl kJp[] = {{"num_jump_line", K::Entry, "[line]"}};
constexpr PageControl kOut[] = {
    {"w1", K::CheckBox, "Output 1"}, {"w1o", K::CheckBox, "On"},
    {"w2", K::CheckBox, "Output 2"}, {"w2o", K::CheckBox, "On"},
    {"w3", K::CheckBox, "Output 3"}, {"w3o", K::CheckBox, "On"},
    {"w4", K::CheckBox, "Output 4"}, {"w4o", K::CheckBox, "On"},
    {"w5", K::CheckBox, "Output 5"}, {"w5o", K::CheckBox, "On"},
    {"w6", K::CheckBox, "Output 6"}, {"w6o", K::CheckBox, "On"},
    {"w7", K::CheckBox, "Output 7"}, {"w7o", K::CheckBox, "On"},
    {"w8", K::CheckBox, "Relay 1"},  {"w8o", K::CheckBox, "On"},
    {"w9", K::CheckBox, "Relay 2"},  {"w9o", K::CheckBox, "On"},
};
constexpr PageControl kEditOut[] = {{"input_number", K::Label, ""}, {"wxo", K::CheckBox, "On"}};
constexpr PageControl kJi[] = {
    {"num_line_in", K::Entry, "[line]"},
    {"input", K::List, "Input 1\nInput 2\nInput 3\nInput 4\nInput 5\nInput 6"},
    {"in_ch", K::CheckBox, "On"},
};
constexpr PageControl kSter[] = {
    {"num_step", K::Entry, "[step div.]", 3}, {"num_mot", K::Entry, "[step / rev]", 4},
    {"Left", K::CheckBox, "LEFT sensor"},     {"Right", K::CheckBox, "RIGHT sensor"},
    {"m1_c", K::RadioButton, "Motor 1"},      {"m2_c", K::RadioButton, "Motor 2"},
    {"m3_c", K::RadioButton, "Motor 3"},
};
constexpr PageControl kUsb[] = {{"usb", K::CheckBox, "On"}, {"", K::Label, "Communication"}};
constexpr PageControl kKom[] = {{"num_kom", K::Entry, "[message]", 7}};
constexpr PageControl kM[] = {
    {"m1", K::CheckBox, "Motor 1"}, {"m2", K::CheckBox, "Motor 2"}, {"m3", K::CheckBox, "Motor 3"}};

using V = PageValue;
using F = TextField;

// The acceleration page never had a title of its own; "Acceleration" names it. The
// output editor writes set_out records but opens for the edit of one (edited code
// 21); the motor page also serves clear_motor.
const std::array<PageInfo, kPageCount> kPages{{
    {Page::p_vi, "p_vi", "Set minimum velocity", "Speed min.", 230, 162, "SetVminButtonClick", kVi,
     code::VMin, 0, 0, true, V::Velocity, F::num_vmin},
    {Page::p_vx, "p_vx", "Set maximum velocity", "Speed max.", 230, 162, "SetVmaxButtonClick", kVx,
     code::VMax, 0, 0, true, V::Velocity, F::num_vmax},
    {Page::p_vt, "p_vt", "Set destination velocity", "Destination velocity", 230, 162,
     "SetVdestButtonClick", kVt, code::VDest, 0, 0, true, V::SignedVelocity, F::num_vdest},
    {Page::p_ax, "p_ax", "Set acceleration", "Acceleration", 230, 162, "SetAmaxButtonClick", kAx,
     code::AMax, 0, 0, true, V::Acceleration, F::num_amax},
    {Page::p_en, "p_en", "Set output enable", "Enable output", 230, 162, "SetEnableButtonClick",
     kEn, code::Enable, 0, 0, false, V::None, std::nullopt},
    {Page::p_w, "p_w", "Wait", "Wait", 230, 162, "SetWaitButtonClick", kW, code::WaitMs, 0, 0,
     false, V::Milliseconds, F::num_wait},
    {Page::p_jl, "p_jl", "Jump to line", "Jump to line", 230, 162, "SetJumpLineButtonClick", kJl,
     code::JumpLine, 0, 0, false, V::Line, F::num_line},
    {Page::p_xt, "p_xt", "Set destination position", "Search position", 230, 162,
     "SetXdestButtonClick", kXt, code::GoTo, 0, 0, true, V::Position, F::num_xdest},
    {Page::p_h, "p_h", "Find HOME ", "Home", 230, 162, "SetHomeButtonClick", kH, code::Home, 0, 0,
     true, V::None, std::nullopt},
    {Page::p_lp, "p_lp", "Set repetition counter", "Set repetition counter", 230, 162,
     "SetCounterButtonClick", kLp, code::Counter, 0, 0, false, V::Repetitions, F::num_count},
    {Page::p_jp, "p_jp", "Jump to line if repetitnion counter\ngreater than zero",
     "Jump if repetition counter", 230, 162, "SetJumpCounterButtonClick", kJp, code::JumpIfCounter,
     0, 0, false, V::Line, F::num_jump_line},
    {Page::p_out, "p_out", "Set output", "Set Outputs", 230, 272, "SetOutButtonClick", kOut,
     code::SetOut, 0, 0, false, V::None, std::nullopt},
    {Page::p_edit_out, "p_edit_out", "Edit output", "Edit outputs", 230, 162,
     "EditOutputButtonClick", kEditOut, code::SetOut, 0, code::EditOutputs, false, V::None,
     std::nullopt},
    {Page::p_ji, "p_ji", "Jump to line if input", "Jump if input", 230, 162,
     "SetJumpInputButtonClick", kJi, code::JumpIfInput, 0, 0, false, V::None, std::nullopt},
    {Page::p_ster, "p_ster", "Configure driver", "Config. driver", 230, 162, "SetDriverButtonClick",
     kSter, code::Driver, 0, 0, true, V::None, std::nullopt},
    {Page::p_usb, "p_usb", "Communication", "Config. communication", 230, 162, "SetUsbButtonClick",
     kUsb, code::SetUsb, 0, 0, false, V::None, std::nullopt},
    {Page::p_kom, "p_kom", "USB message", "USB message", 230, 162, "SetMessageButtonClick", kKom,
     code::PrintUsb, 0, 0, false, V::None, std::nullopt},
    {Page::p_m, "p_m", "Wait for position", "Wait for position", 230, 162, "SetWaitMottorClick", kM,
     code::WaitMotor, code::ClearMotor, 0, false, V::None, std::nullopt},
}};

constexpr LabelTarget kLabelTargets[] = {
    {"Label33", "w1"},  {"Label34", "w2"},    {"Label35", "w3"},     {"Label36", "w4"},
    {"Label37", "w5"},  {"Label38", "w6"},    {"Label39", "w7"},     {"Label40", "w8"},
    {"Label41", "w9"},  {"Label49", "w1o"},   {"Label51", "w2o"},    {"Label52", "w3o"},
    {"Label53", "w4o"}, {"Label54", "w5o"},   {"Label55", "w6o"},    {"Label56", "w7o"},
    {"Label57", "w8o"}, {"Label58", "w9o"},   {"Label45", "enable"}, {"Label46", "usb"},
    {"Label47", "wxo"}, {"Label48", "in_ch"}, {"Label42", "m1"},     {"Label43", "m2"},
    {"Label44", "m3"},  {"Label50", "Left"},  {"Label59", "Right"},  {"l1", "m1_c"},
    {"l2", "m2_c"},     {"l3", "m3_c"},
};

constexpr float kVelocityLimit = limits::kVelocity;
constexpr float kAccelerationLimit = limits::kAcceleration;

// A jump target as typed: beyond the line after the program it names the last
// line; 0 names nothing and is refused. Negative targets pass as they are.
std::optional<std::int32_t> limitJumpTarget(std::int32_t value, std::uint32_t length) {
    if (std::int64_t(value) > limits::lastJumpTarget(length)) value = std::int32_t(length);
    if (value == 0) return std::nullopt;
    return value;
}

std::int32_t clampInt(std::int32_t v, std::int32_t lo, std::int32_t hi) {
    return std::min(std::max(v, lo), hi);
}

bool holdsMilli(PageValue v) {
    return v == PageValue::Velocity || v == PageValue::SignedVelocity ||
           v == PageValue::Acceleration;
}

}  // namespace

std::string_view textFieldName(TextField f) {
    return kTextFieldNames[std::size_t(f)];
}

const PageInfo& pageInfo(Page page) {
    return kPages[std::size_t(page)];
}
std::span<const PageInfo> allPages() {
    return kPages;
}
std::span<const LabelTarget> labelTargets() {
    return kLabelTargets;
}

std::optional<Page> pageForCode(std::uint8_t c) {
    if (c == 0) return std::nullopt;
    for (const PageInfo& info : kPages)
        if (info.code == c || info.otherCode == c || info.openedBy == c) return info.page;
    return std::nullopt;
}

// Enter confirms every page that has a confirm handler, the reset-position-counter
// edit (code 22) included.
std::optional<Page> enterPageForCode(std::uint8_t c) {
    return pageForCode(c);
}

bool pageEditsCode(Page page, std::uint8_t c) {
    const PageInfo& info = pageInfo(page);
    return c != 0 && (c == info.code || c == info.otherCode);
}

DialogFields::DialogFields() {
    text(TextField::num_step) = "8";
    text(TextField::num_mot) = "200";
}

bool deleteCommandAt(ProgramModel& model, EditorHost& host, int line) {
    // The empty line below the program holds no command: nothing to delete.
    if (line < 0 || std::uint32_t(line) >= model.length()) return false;
    if (model.isJumpTarget(line) &&
        !host.askYesNo(std::string(texts::kDeleteCaption), std::string(texts::kDeleteQuestion)))
        return false;
    model.deleteRecord(line);
    return true;
}

ParameterDialog::ParameterDialog(ProgramModel& model, EditorHost& host, const Clock& clock)
    : model_(model), host_(host), clock_(clock) {}

void ParameterDialog::setText(TextField f, std::string text) {
    fields_.text(f) = std::move(text);
    num_xdestChange(f);
}

void ParameterDialog::num_xdestChange(TextField f) {
    if (!error_[std::size_t(f)]) return;
    error_[std::size_t(f)] = false;
    changed();
}

void ParameterDialog::markError(TextField f) {
    error_[std::size_t(f)] = true;
    changed();
}

void ParameterDialog::hide() {
    visible_ = false;
    changed();
}

bool ParameterDialog::ShowParameterPage(Page page) {
    const PageInfo& info = pageInfo(page);
    width_ = info.clientWidth;
    height_ = info.clientHeight;
    page_ = page;
    title_ = std::string(info.title);
    if (page == Page::p_m && model_.editedCode == code::ClearMotor)
        title_ = "Reset position counter";
    radioShown_ = false;

    const EditMode mode = model_.editMode;
    const MotorFlags boxes = host_.motorBoxes();
    if (page == Page::p_ster) {
        radioShown_ = mode == EditMode::Direct;
        if (mode != EditMode::Edit) {
            const MotorFlags& from = mode == EditMode::Direct ? fields_.motorRadio : boxes;
            const auto first = std::find(from.begin(), from.end(), true);
            if (first == from.end()) {
                // No motor to configure: the page does not open.
                hide();
                return false;
            }
            const MotorConfig& cfg = model_.motors[std::size_t(first - from.begin())];
            fields_.text(TextField::num_mot) = formatInteger(cfg.stepsPerRev);
            fields_.text(TextField::num_step) = std::to_string(cfg.stepDivisor);
        }
    }

    bool opens = true;
    const std::uint32_t length = model_.length();
    if (page == Page::p_edit_out || page == Page::p_m || mode == EditMode::Edit)
        opens = true;
    else if (info.perMotor)
        opens = std::uint32_t(countMotors(boxes)) + length <= std::uint32_t(kMaxCommands);
    else
        opens = length < std::uint32_t(kMaxCommands);
    if (!opens) {
        host_.addStatusLine(std::string(texts::kProgramFull));
        hide();
        return false;
    }
    visible_ = true;
    changed();
    return true;
}

bool ParameterDialog::showDirectDriverPage() {
    model_.editMode = EditMode::Direct;
    model_.editedCode = code::Driver;
    return ShowParameterPage(Page::p_ster);
}

void ParameterDialog::prefillForEdit() {
    const int slot = model_.cursorLine;
    if (slot < 0 || std::uint32_t(slot) >= model_.length()) return;
    const Record r = model_.image.record(slot);
    const std::uint8_t c = r[0];
    if (const auto page = pageForCode(c); page && pageInfo(*page).value != PageValue::None) {
        const PageInfo& info = pageInfo(*page);
        const std::int32_t value = ValueRecord::decode(r).value;
        fields_.text(*info.valueField) = holdsMilli(info.value)
                                             ? formatMilli(value, clock_.decimalSeparator())
                                             : formatInteger(value);
        changed();
        return;
    }
    switch (c) {
        case code::Enable:
            fields_.enable = SwitchRecord::decode(r).on == 1;
            break;
        case code::SetUsb:
            fields_.usb = SwitchRecord::decode(r).on == 1;
            break;
        case code::Home: {
            const HomeRecord home = HomeRecord::decode(r);
            const char sep = clock_.decimalSeparator();
            fields_.text(TextField::num_home_v1) = formatMilli(home.firstMilli, sep);
            fields_.text(TextField::num_home_v2) = formatMilli(home.secondMilli, sep);
            break;
        }
        case code::SetOut: {
            const OutputRecord out = OutputRecord::decode(r);
            fields_.input_number = out.output <= 7 ? "Output " + std::to_string(out.output)
                                                   : "Relay " + std::to_string(out.output - 7);
            fields_.wxo = out.state == 1;
            model_.editedCode = code::EditOutputs;
            break;
        }
        case code::JumpIfInput: {
            const InputJumpRecord jump = InputJumpRecord::decode(r);
            fields_.text(TextField::num_line_in) = formatInteger(jump.target);
            // A damaged input byte still selects one of the six entries.
            fields_.input = std::clamp(int(jump.input) - 1, 0, 5);
            fields_.in_ch = jump.state == 1;
            break;
        }
        case code::Driver: {
            // The steps as the listing shows them: their low 16 bits.
            const DriverRecord d = DriverRecord::decode(r);
            fields_.text(TextField::num_step) = std::to_string(d.divisor);
            fields_.text(TextField::num_mot) = std::to_string(std::uint16_t(d.stepsPerRev));
            fields_.Left = d.left != 0;
            fields_.Right = d.right != 0;
            break;
        }
        case code::PrintUsb: {
            // Never past b9, whatever a damaged count says.
            const MessageRecord message = MessageRecord::decode(r);
            fields_.text(TextField::num_kom) = messageText(std::string_view(
                reinterpret_cast<const char*>(message.characters.data()), message.shown()));
            break;
        }
        case code::WaitMotor:
        case code::ClearMotor: {
            const auto motors = MotorFlagsRecord::decode(r).motors;
            fields_.m = {motors[0] != 0, motors[1] != 0, motors[2] != 0};
            break;
        }
        default:
            return;
    }
    changed();
}

void ParameterDialog::FormKeyPress(char key) {
    if (key == 27) {
        hide();
        return;
    }
    if (key != '\r' && key != '\n') return;
    // Enter confirms the page the edited code belongs to, and only while that page
    // is the one on screen: a stale edited code must not write through a page the
    // operator cannot see.
    const auto target = enterPageForCode(model_.editedCode);
    if (target && visible_ && *target == page_) confirm(*target);
}

bool ParameterDialog::editTargetValid(Page page) const {
    const int slot = model_.cursorLine;
    if (slot < 0 || std::uint32_t(slot) >= model_.length()) return false;
    return pageEditsCode(page, model_.image.code(slot));
}

bool ParameterDialog::roomFor(int records) {
    if (model_.length() + std::uint32_t(records) > std::uint32_t(kMaxCommands)) {
        host_.addStatusLine(std::string(texts::kProgramFull));
        return false;
    }
    return true;
}

void ParameterDialog::addRecord(const Record& r) {
    if (model_.editMode == EditMode::Insert) {
        // The cursor may point past a program that shrank while the dialog was open.
        model_.cursorLine =
            std::clamp<std::int32_t>(model_.cursorLine, 0, std::int32_t(model_.length()));
        model_.insertRecordAtCursor(r);
    } else {
        model_.appendRecord(r);
    }
}

void ParameterDialog::finish() {
    host_.printProgram();
    hide();
}

void ParameterDialog::confirm(Page page) {
    if (!visible_ || page != page_) return;
    switch (page) {
        case Page::p_h:
            confirmHome();
            break;
        case Page::p_en:
        case Page::p_usb:
            confirmOnOff(page);
            break;
        case Page::p_kom:
            confirmMessage();
            break;
        case Page::p_out:
            confirmOutputs();
            break;
        case Page::p_edit_out:
            confirmEditOutput();
            break;
        case Page::p_ji:
            confirmJumpInput();
            break;
        case Page::p_m:
            confirmMotorFlags();
            break;
        case Page::p_ster:
            confirmDriver();
            break;
        default:
            confirmValuePage(page);
            break;
    }
}

ParameterDialog::Stored ParameterDialog::store(Page page, const MotorFlags& motors,
                                               const std::function<void(Record&)>& set) {
    const PageInfo& info = pageInfo(page);
    switch (model_.editMode) {
        case EditMode::Edit: {
            if (!editTargetValid(page)) return Stored::Nothing;
            const int slot = model_.cursorLine;
            Record r = model_.image.record(slot);
            set(r);
            model_.image.setRecord(slot, r);
            return Stored::Edited;
        }
        case EditMode::Append:
        case EditMode::Insert:
            if (!roomFor(info.perMotor ? countMotors(motors) : 1)) return Stored::Full;
            for (int m = 1; m <= 3; ++m) {
                if (info.perMotor && !motors[std::size_t(m - 1)]) continue;
                Record r =
                    makeRecord(info.code, info.perMotor ? std::uint8_t(m) : kControllerTarget);
                set(r);
                addRecord(r);
                if (!info.perMotor) break;
            }
            return Stored::Added;
        case EditMode::Direct:
            break;  // only the driver page works without the program
    }
    return Stored::Nothing;
}

void ParameterDialog::confirmValuePage(Page page) {
    const MotorFlags flags = host_.motorBoxes();
    const PageInfo& info = pageInfo(page);
    const TextField field = *info.valueField;
    const char sep = clock_.decimalSeparator();
    model_.valueText = fields_.text(field);

    std::int32_t stored = 0;
    if (holdsMilli(info.value)) {
        const auto typed = parseDecimal(fields_.text(field), sep);
        if (!typed) return markError(field);
        const float hi =
            info.value == PageValue::Acceleration ? kAccelerationLimit : kVelocityLimit;
        const float lo = info.value == PageValue::SignedVelocity ? -kVelocityLimit : 0.0f;
        const float v = limits::limitDecimal(float(*typed), lo, hi);
        model_.valueText = formatGeneral(v, sep);
        stored = toMilli(v);
    } else {
        const auto typed = parseInteger(fields_.text(field));
        if (!typed) return markError(field);
        std::int32_t v = *typed;
        switch (info.value) {
            case PageValue::Position:
                v = clampInt(v, -limits::kPosition, limits::kPosition);
                break;
            case PageValue::Milliseconds:
                v = v < 1 ? 0 : std::min(v, limits::kWaitMs);
                break;
            case PageValue::Repetitions:
                v = v < 1 ? 0 : std::min(v, limits::kCounter);
                break;
            default: {
                const auto target = limitJumpTarget(v, model_.length());
                if (!target) return markError(field);
                v = *target;
            }
        }
        model_.valueText = formatInteger(v);
        stored = v;
    }

    const auto set = [&](Record& r) {
        ValueRecord value = ValueRecord::decode(r);
        value.value = stored;
        value.store(r);
    };
    if (store(page, flags, set) == Stored::Full) return;
    finish();
}

void ParameterDialog::confirmHome() {
    const MotorFlags flags = host_.motorBoxes();
    const char sep = clock_.decimalSeparator();
    std::int32_t stored[2] = {0, 0};
    const TextField boxes[2] = {TextField::num_home_v1, TextField::num_home_v2};
    for (int i = 0; i < 2; ++i) {
        model_.valueText = fields_.text(boxes[i]);
        const auto typed = parseDecimal(fields_.text(boxes[i]), sep);
        if (!typed) return markError(boxes[i]);
        const float v = limits::limitDecimal(float(*typed), 0.0f, kVelocityLimit);
        model_.valueText = formatGeneral(v, sep);
        // The limited value goes back into the box, which is then readable again.
        fields_.text(boxes[i]) = model_.valueText;
        error_[std::size_t(boxes[i])] = false;
        stored[i] = toMilli(v);
    }
    changed();

    const auto set = [&](Record& r) {
        HomeRecord home = HomeRecord::decode(r);
        home.firstMilli = stored[0];
        home.secondMilli = stored[1];
        home.store(r);
    };
    if (store(Page::p_h, flags, set) == Stored::Full) return;
    finish();
}

void ParameterDialog::confirmOnOff(Page page) {
    const bool on = page == Page::p_en ? fields_.enable : fields_.usb;
    const auto set = [&](Record& r) {
        SwitchRecord s = SwitchRecord::decode(r);
        s.on = on ? 1 : 0;
        s.store(r);
    };
    switch (store(page, {}, set)) {
        case Stored::Full:
            return;
        case Stored::Edited:
            // Keeps the caret on the edited line after the re-render.
            ++model_.cursorLine;
            break;
        default:
            break;
    }
    finish();
}

void ParameterDialog::confirmMessage() {
    const std::string text = messageBytes(fields_.text(TextField::num_kom), limits::kMessageChars);
    const auto set = [&](Record& r) {
        MessageRecord message = MessageRecord::decode(r);
        message.setText(text);
        message.store(r);
    };
    if (store(Page::p_kom, {}, set) == Stored::Full) return;
    finish();
}

void ParameterDialog::confirmOutputs() {
    const EditMode mode = model_.editMode;
    if (mode == EditMode::Append || mode == EditMode::Insert) {
        const int n = int(std::count(fields_.w.begin(), fields_.w.end(), true));
        if (!roomFor(n)) return;  // the page stays open
        for (int out = 1; out <= 9; ++out) {
            if (!fields_.w[std::size_t(out - 1)]) continue;
            addRecord(OutputRecord{std::uint8_t(out),
                                   std::uint8_t(fields_.wo[std::size_t(out - 1)] ? 1 : 0)}
                          .encode());
        }
    }
    finish();
}

void ParameterDialog::confirmEditOutput() {
    // The page edits one set_out record; it adds nothing.
    if (model_.editMode == EditMode::Edit)
        store(Page::p_edit_out, {}, [&](Record& r) {
            OutputRecord out = OutputRecord::decode(r);
            out.state = fields_.wxo ? 1 : 0;
            out.store(r);
        });
    finish();
}

void ParameterDialog::confirmJumpInput() {
    const TextField field = TextField::num_line_in;
    model_.valueText = fields_.text(field);
    const auto typed = parseInteger(fields_.text(field));
    if (!typed) return markError(field);
    const auto target = limitJumpTarget(*typed, model_.length());
    if (!target) return markError(field);
    model_.valueText = formatInteger(*target);
    const auto set = [&](Record& r) {
        InputJumpRecord jump = InputJumpRecord::decode(r);
        jump.target = *target;
        jump.input = std::uint8_t(std::clamp(fields_.input, 0, 5) + 1);
        jump.state = fields_.in_ch ? 1 : 0;
        jump.store(r);
    };
    if (store(Page::p_ji, {}, set) == Stored::Full) return;
    finish();
}

void ParameterDialog::confirmMotorFlags() {
    // Always the record at the cursor line, whatever the mode; only a motor-flag
    // command may be rewritten here.
    if (editTargetValid(Page::p_m)) {
        const int slot = model_.cursorLine;
        Record r = model_.image.record(slot);
        MotorFlagsRecord flags = MotorFlagsRecord::decode(r);
        for (int k = 0; k < 3; ++k)
            flags.motors[std::size_t(k)] = fields_.m[std::size_t(k)] ? 1 : 0;
        flags.store(r);
        model_.image.setRecord(slot, r);
        // With no motor left the command has no work: it goes, the edited line
        // itself (the caret may have wandered off it with the arrow keys).
        if (countMotors(fields_.m) == 0) deleteCommandAt(model_, host_, slot);
    }
    finish();
}

void ParameterDialog::confirmDriver() {
    const EditMode mode = model_.editMode;
    const MotorFlags flags = mode == EditMode::Direct ? fields_.motorRadio : host_.motorBoxes();

    struct Limit {
        TextField field;
        std::int32_t lo, hi;
    };
    const Limit bounds[2] = {
        {TextField::num_step, limits::kMinStepDivisor, limits::kMaxStepDivisor},
        {TextField::num_mot, limits::kMinStepsPerRev, limits::kMaxStepsPerRev}};
    std::int32_t values[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        const TextField f = bounds[i].field;
        model_.valueText = fields_.text(f);
        const auto typed = parseInteger(fields_.text(f));
        if (!typed) return markError(f);
        values[i] = clampInt(*typed, bounds[i].lo, bounds[i].hi);
        model_.valueText = formatInteger(values[i]);
        fields_.text(f) = model_.valueText;
        error_[std::size_t(f)] = false;
    }
    changed();
    const auto divisor = std::uint16_t(values[0]);
    const std::int32_t steps = values[1];

    // Both refusals come before the station's own configuration changes.
    if ((mode == EditMode::Append || mode == EditMode::Insert) && !roomFor(countMotors(flags)))
        return;
    if (mode == EditMode::Edit && !editTargetValid(Page::p_ster)) {
        hide();
        return;
    }

    for (int m = 0; m < 3; ++m) {
        if (!flags[std::size_t(m)]) continue;
        model_.motors[std::size_t(m)].stepDivisor = divisor;
        model_.motors[std::size_t(m)].stepsPerRev = steps;
    }
    host_.updateMotorLabels();

    if (mode == EditMode::Direct) {
        // Several motors may be configured one after another: the page stays.
        // With no motor chosen nothing was set, and nothing is reported.
        if (countMotors(flags) == 0) return;
        host_.addStatusLine(std::string(texts::kMotorParametersSet));
        return;
    }
    store(Page::p_ster, flags, [&](Record& r) {
        DriverRecord d = DriverRecord::decode(r);
        d.left = fields_.Left ? 1 : 0;
        d.right = fields_.Right ? 1 : 0;
        d.divisor = divisor;
        d.stepsPerRev = steps;
        d.store(r);
    });
    finish();
}

}  // namespace rv720
