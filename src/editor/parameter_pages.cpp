#include "editor/parameter_pages.h"

#include <algorithm>
#include <cstdint>

#include "model/commands.h"
#include "model/message_text.h"
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

// The acceleration page never had a title of its own; "Acceleration" names it.
const std::array<PageInfo, kPageCount> kPages{{
    {Page::p_vi, "p_vi", "Set minimum velocity", "Speed min.", 230, 162, "SetVminButtonClick", kVi},
    {Page::p_vx, "p_vx", "Set maximum velocity", "Speed max.", 230, 162, "SetVmaxButtonClick", kVx},
    {Page::p_vt, "p_vt", "Set destination velocity", "Destination velocity", 230, 162,
     "SetVdestButtonClick", kVt},
    {Page::p_ax, "p_ax", "Set acceleration", "Acceleration", 230, 162, "SetAmaxButtonClick", kAx},
    {Page::p_en, "p_en", "Set output enable", "Enable output", 230, 162, "SetEnableButtonClick",
     kEn},
    {Page::p_w, "p_w", "Wait", "Wait", 230, 162, "SetWaitButtonClick", kW},
    {Page::p_jl, "p_jl", "Jump to line", "Jump to line", 230, 162, "SetJumpLineButtonClick", kJl},
    {Page::p_xt, "p_xt", "Set destination position", "Search position", 230, 162,
     "SetXdestButtonClick", kXt},
    {Page::p_h, "p_h", "Find HOME ", "Home", 230, 162, "SetHomeButtonClick", kH},
    {Page::p_lp, "p_lp", "Set repetition counter", "Set repetition counter", 230, 162,
     "SetCounterButtonClick", kLp},
    {Page::p_jp, "p_jp", "Jump to line if repetitnion counter\ngreater than zero",
     "Jump if repetition counter", 230, 162, "SetJumpCounterButtonClick", kJp},
    {Page::p_out, "p_out", "Set output", "Set Outputs", 230, 272, "SetOutButtonClick", kOut},
    {Page::p_edit_out, "p_edit_out", "Edit output", "Edit outputs", 230, 162,
     "EditOutputButtonClick", kEditOut},
    {Page::p_ji, "p_ji", "Jump to line if input", "Jump if input", 230, 162,
     "SetJumpInputButtonClick", kJi},
    {Page::p_ster, "p_ster", "Configure driver", "Config. driver", 230, 162, "SetDriverButtonClick",
     kSter},
    {Page::p_usb, "p_usb", "Communication", "Config. communication", 230, 162, "SetUsbButtonClick",
     kUsb},
    {Page::p_kom, "p_kom", "USB message", "USB message", 230, 162, "SetMessageButtonClick", kKom},
    {Page::p_m, "p_m", "Wait for position", "Wait for position", 230, 162, "SetWaitMottorClick",
     kM},
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

bool isPerMotorPage(Page p) {
    switch (p) {
        case Page::p_vi:
        case Page::p_vx:
        case Page::p_vt:
        case Page::p_ax:
        case Page::p_xt:
        case Page::p_h:
        case Page::p_ster:
            return true;
        default:
            return false;
    }
}

std::uint8_t codeOfPage(Page p) {
    switch (p) {
        case Page::p_vi:
            return code::VMin;
        case Page::p_vx:
            return code::VMax;
        case Page::p_vt:
            return code::VDest;
        case Page::p_ax:
            return code::AMax;
        case Page::p_en:
            return code::Enable;
        case Page::p_w:
            return code::WaitMs;
        case Page::p_jl:
            return code::JumpLine;
        case Page::p_xt:
            return code::GoTo;
        case Page::p_h:
            return code::Home;
        case Page::p_lp:
            return code::Counter;
        case Page::p_jp:
            return code::JumpIfCounter;
        case Page::p_out:
            return code::SetOut;
        case Page::p_edit_out:
            return code::SetOut;
        case Page::p_ji:
            return code::JumpIfInput;
        case Page::p_ster:
            return code::Driver;
        case Page::p_usb:
            return code::SetUsb;
        case Page::p_kom:
            return code::PrintUsb;
        case Page::p_m:
            return code::WaitMotor;
    }
    return 0;
}

// The single entry box of a value page.
TextField valueField(Page p) {
    switch (p) {
        case Page::p_vi:
            return TextField::num_vmin;
        case Page::p_vx:
            return TextField::num_vmax;
        case Page::p_vt:
            return TextField::num_vdest;
        case Page::p_ax:
            return TextField::num_amax;
        case Page::p_w:
            return TextField::num_wait;
        case Page::p_jl:
            return TextField::num_line;
        case Page::p_xt:
            return TextField::num_xdest;
        case Page::p_lp:
            return TextField::num_count;
        case Page::p_jp:
            return TextField::num_jump_line;
        default:
            return TextField::num_vmin;
    }
}

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
    switch (c) {
        case code::VMin:
            return Page::p_vi;
        case code::VMax:
            return Page::p_vx;
        case code::VDest:
            return Page::p_vt;
        case code::AMax:
            return Page::p_ax;
        case code::Enable:
            return Page::p_en;
        case code::WaitMs:
            return Page::p_w;
        case code::JumpLine:
            return Page::p_jl;
        case code::GoTo:
            return Page::p_xt;
        case code::Home:
            return Page::p_h;
        case code::Counter:
            return Page::p_lp;
        case code::JumpIfCounter:
            return Page::p_jp;
        case code::SetOut:
            return Page::p_out;
        case code::JumpIfInput:
            return Page::p_ji;
        case code::Driver:
            return Page::p_ster;
        case code::SetUsb:
            return Page::p_usb;
        case code::PrintUsb:
            return Page::p_kom;
        case code::WaitMotor:
            return Page::p_m;
        case code::EditOutputs:
            return Page::p_edit_out;
        case code::ClearMotor:
            return Page::p_m;
        default:
            return std::nullopt;
    }
}

// Enter confirms every page that has a confirm handler, the reset-position-counter
// edit (code 22) included.
std::optional<Page> enterPageForCode(std::uint8_t c) {
    return pageForCode(c);
}

bool pageEditsCode(Page page, std::uint8_t c) {
    if (page == Page::p_m) return c == code::WaitMotor || c == code::ClearMotor;
    return c == codeOfPage(page);
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
    else if (isPerMotorPage(page))
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
    const ProgramImage& im = model_.image;
    const char sep = clock_.decimalSeparator();
    auto b = [&](int k) { return im.byte(slot, k); };
    switch (im.code(slot)) {
        case code::VMin:
        case code::VMax:
        case code::VDest:
        case code::AMax: {
            const Page p = *pageForCode(im.code(slot));
            fields_.text(valueField(p)) = formatMilli(im.p1(slot), sep);
            break;
        }
        case code::Enable:
            fields_.enable = b(2) == 1;
            break;
        case code::WaitMs:
        case code::JumpLine:
        case code::GoTo:
        case code::Counter:
        case code::JumpIfCounter: {
            const Page p = *pageForCode(im.code(slot));
            fields_.text(valueField(p)) = formatInteger(im.p1(slot));
            break;
        }
        case code::Home:
            fields_.text(TextField::num_home_v1) = formatMilli(im.p1(slot), sep);
            fields_.text(TextField::num_home_v2) = formatMilli(im.p2(slot), sep);
            break;
        case code::SetOut:
            fields_.input_number =
                b(2) <= 7 ? "Output " + std::to_string(b(2)) : "Relay " + std::to_string(b(2) - 7);
            fields_.wxo = b(3) == 1;
            model_.editedCode = code::EditOutputs;
            break;
        case code::JumpIfInput:
            fields_.text(TextField::num_line_in) = formatInteger(im.p1(slot));
            // A damaged input byte still selects one of the six entries.
            fields_.input = std::clamp(int(b(6)) - 1, 0, 5);
            fields_.in_ch = b(7) == 1;
            break;
        case code::Driver:
            fields_.text(TextField::num_step) = std::to_string(b(4) * 256 + b(5));
            fields_.text(TextField::num_mot) = std::to_string(b(8) * 256 + b(9));
            fields_.Left = b(2) != 0;
            fields_.Right = b(3) != 0;
            break;
        case code::SetUsb:
            fields_.usb = b(2) == 1;
            break;
        case code::PrintUsb: {
            // Never past b9, whatever a damaged length byte says.
            const int n = std::min<int>(b(2), limits::kMessageChars);
            std::string text;
            for (int i = 0; i < n; ++i)
                text += char(b(3 + i));
            fields_.text(TextField::num_kom) = messageText(text);
            break;
        }
        case code::WaitMotor:
        case code::ClearMotor:
            fields_.m = {b(2) != 0, b(3) != 0, b(4) != 0};
            break;
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

void ParameterDialog::confirmValuePage(Page page) {
    const MotorFlags flags = host_.motorBoxes();
    const TextField field = valueField(page);
    const char sep = clock_.decimalSeparator();
    model_.valueText = fields_.text(field);

    std::int32_t stored = 0;
    switch (page) {
        case Page::p_vi:
        case Page::p_vx:
        case Page::p_vt:
        case Page::p_ax: {
            const auto typed = parseDecimal(fields_.text(field), sep);
            if (!typed) return markError(field);
            const float hi = page == Page::p_ax ? kAccelerationLimit : kVelocityLimit;
            const float lo = page == Page::p_vt ? -kVelocityLimit : 0.0f;
            const float v = limits::limitDecimal(float(*typed), lo, hi);
            model_.valueText = formatGeneral(v, sep);
            stored = toMilli(v);
            break;
        }
        default: {
            const auto typed = parseInteger(fields_.text(field));
            if (!typed) return markError(field);
            std::int32_t v = *typed;
            if (page == Page::p_xt) {
                v = clampInt(v, -limits::kPosition, limits::kPosition);
            } else if (page == Page::p_w) {
                v = v < 1 ? 0 : std::min(v, limits::kWaitMs);
            } else if (page == Page::p_lp) {
                v = v < 1 ? 0 : std::min(v, limits::kCounter);
            } else {
                const auto target = limitJumpTarget(v, model_.length());
                if (!target) return markError(field);
                v = *target;
            }
            model_.valueText = formatInteger(v);
            stored = v;
            break;
        }
    }

    const std::uint8_t c = codeOfPage(page);
    switch (model_.editMode) {
        case EditMode::Edit:
            if (editTargetValid(page)) model_.image.setP1(model_.cursorLine, stored);
            break;
        case EditMode::Append:
        case EditMode::Insert: {
            const bool perMotor = isPerMotorPage(page);
            if (!roomFor(perMotor ? countMotors(flags) : 1)) return;
            for (int m = 1; m <= 3; ++m) {
                if (perMotor && !flags[std::size_t(m - 1)]) continue;
                Record r = makeRecord(c, perMotor ? std::uint8_t(m) : kControllerTarget);
                writeBe32(&r[2], stored);
                addRecord(r);
                if (!perMotor) break;
            }
            break;
        }
        case EditMode::Direct:
            break;  // only the driver page works without the program
    }
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

    switch (model_.editMode) {
        case EditMode::Edit:
            if (editTargetValid(Page::p_h)) {
                model_.image.setP1(model_.cursorLine, stored[0]);
                model_.image.setP2(model_.cursorLine, stored[1]);
            }
            break;
        case EditMode::Append:
        case EditMode::Insert:
            if (!roomFor(countMotors(flags))) return;
            for (int m = 1; m <= 3; ++m) {
                if (!flags[std::size_t(m - 1)]) continue;
                Record r = makeRecord(code::Home, std::uint8_t(m));
                writeBe32(&r[2], stored[0]);
                writeBe32(&r[6], stored[1]);
                addRecord(r);
            }
            break;
        case EditMode::Direct:
            break;
    }
    finish();
}

void ParameterDialog::confirmOnOff(Page page) {
    const bool on = page == Page::p_en ? fields_.enable : fields_.usb;
    switch (model_.editMode) {
        case EditMode::Edit:
            if (editTargetValid(page)) {
                model_.image.setByte(model_.cursorLine, 2, on ? 1 : 0);
                // Keeps the caret on the edited line after the re-render.
                ++model_.cursorLine;
            }
            break;
        case EditMode::Append:
        case EditMode::Insert: {
            if (!roomFor(1)) return;
            Record r = makeRecord(codeOfPage(page), kControllerTarget);
            r[2] = on ? 1 : 0;
            addRecord(r);
            break;
        }
        case EditMode::Direct:
            break;
    }
    finish();
}

void ParameterDialog::confirmMessage() {
    const std::string text = messageBytes(fields_.text(TextField::num_kom), limits::kMessageChars);
    const std::size_t n = text.size();
    switch (model_.editMode) {
        case EditMode::Edit:
            if (editTargetValid(Page::p_kom)) {
                model_.image.setByte(model_.cursorLine, 2, std::uint8_t(n));
                for (std::size_t i = 0; i < n; ++i)
                    model_.image.setByte(model_.cursorLine, 3 + int(i), std::uint8_t(text[i]));
            }
            break;
        case EditMode::Append:
        case EditMode::Insert: {
            if (!roomFor(1)) return;
            Record r = makeRecord(code::PrintUsb, kControllerTarget);
            r[2] = std::uint8_t(n);
            for (std::size_t i = 0; i < n; ++i)
                r[3 + i] = std::uint8_t(text[i]);
            addRecord(r);
            break;
        }
        case EditMode::Direct:
            break;
    }
    finish();
}

void ParameterDialog::confirmOutputs() {
    const EditMode mode = model_.editMode;
    if (mode == EditMode::Append || mode == EditMode::Insert) {
        const int n = int(std::count(fields_.w.begin(), fields_.w.end(), true));
        if (!roomFor(n)) return;  // the page stays open
        for (int out = 1; out <= 9; ++out) {
            if (!fields_.w[std::size_t(out - 1)]) continue;
            Record r = makeRecord(code::SetOut, kControllerTarget);
            r[2] = std::uint8_t(out);
            r[3] = fields_.wo[std::size_t(out - 1)] ? 1 : 0;
            addRecord(r);
        }
    }
    finish();
}

void ParameterDialog::confirmEditOutput() {
    if (model_.editMode == EditMode::Edit && editTargetValid(Page::p_edit_out))
        model_.image.setByte(model_.cursorLine, 3, fields_.wxo ? 1 : 0);
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
    const std::uint8_t input = std::uint8_t(std::clamp(fields_.input, 0, 5) + 1);
    const std::uint8_t state = fields_.in_ch ? 1 : 0;

    switch (model_.editMode) {
        case EditMode::Edit:
            if (editTargetValid(Page::p_ji)) {
                model_.image.setP1(model_.cursorLine, *target);
                model_.image.setByte(model_.cursorLine, 6, input);
                model_.image.setByte(model_.cursorLine, 7, state);
            }
            break;
        case EditMode::Append:
        case EditMode::Insert: {
            if (!roomFor(1)) return;
            Record r = makeRecord(code::JumpIfInput, kControllerTarget);
            writeBe32(&r[2], *target);
            r[6] = input;
            r[7] = state;
            addRecord(r);
            break;
        }
        case EditMode::Direct:
            break;
    }
    finish();
}

void ParameterDialog::confirmMotorFlags() {
    // Always the record at the cursor line, whatever the mode; only a motor-flag
    // command may be rewritten here.
    if (editTargetValid(Page::p_m)) {
        const int slot = model_.cursorLine;
        for (int k = 0; k < 3; ++k)
            model_.image.setByte(slot, 2 + k, fields_.m[std::size_t(k)]);
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

    auto writeDriverBytes = [&](auto&& setByte) {
        setByte(2, fields_.Left ? 1 : 0);
        setByte(3, fields_.Right ? 1 : 0);
        std::uint8_t be[4];
        writeBe16(be, divisor);
        setByte(4, be[0]);
        setByte(5, be[1]);
        writeBe32(be, steps);
        for (int k = 0; k < 4; ++k)
            setByte(6 + k, be[k]);
    };

    switch (mode) {
        case EditMode::Direct:
            // Several motors may be configured one after another: the page stays.
            // With no motor chosen nothing was set, and nothing is reported.
            if (countMotors(flags) == 0) return;
            host_.addStatusLine(std::string(texts::kMotorParametersSet));
            return;
        case EditMode::Append:
        case EditMode::Insert:
            for (int m = 1; m <= 3; ++m) {
                if (!flags[std::size_t(m - 1)]) continue;
                Record r = makeRecord(code::Driver, std::uint8_t(m));
                writeDriverBytes([&](int k, std::uint8_t v) { r[std::size_t(k)] = v; });
                addRecord(r);
            }
            break;
        case EditMode::Edit: {
            const int slot = model_.cursorLine;
            writeDriverBytes([&](int k, std::uint8_t v) { model_.image.setByte(slot, k, v); });
            break;
        }
    }
    finish();
}

}  // namespace rv720
