#include "editor/editing.h"

#include <algorithm>

#include "editor/menu.h"
#include "model/commands.h"
#include "model/records.h"

namespace rv720 {

Editor::Editor(ProgramModel& model, ParameterDialog& dialog, EditorHost& host, TimerFactory& timers)
    : model_(model),
      dialog_(dialog),
      host_(host),
      lastClickTimer_(timers.create(kLastClickIntervalMs)) {
    lastClickTimer_->setHandler([this] { LastClickTimerTimer(); });
    model_.onInputBreakChanged = [this] { host_.refreshInputBreakControls(); };
}

int Editor::clampCaret(int caretLine) const {
    return std::clamp(caretLine, 0, int(model_.length()));
}

void Editor::reportFull() {
    host_.addStatusLine(std::string(texts::kProgramFull));
}

void Editor::ProgramViewMouseDown(int caretLine) {
    model_.cursorLine = clampCaret(caretLine);
    host_.selectLine(model_.cursorLine);
    lastClickTimer_->start();  // a running timer keeps its phase
    if (clickFlag_) editCommand(caretLine);
    clickFlag_ = true;
}

void Editor::LastClickTimerTimer() {
    clickFlag_ = false;
    lastClickTimer_->stop();
}

void Editor::ProgramViewKeyUp(ListingKey key, int caretLine) {
    switch (key) {
        case ListingKey::Up:
        case ListingKey::Down:
            host_.selectLine(caretLine);
            break;
        case ListingKey::Delete:
            deleteCommand(caretLine);
            break;
        case ListingKey::Other:
            break;
    }
}

void Editor::insertFromPopup(std::uint8_t code, int caretLine) {
    if (!commandEntryForCode(code)) return;
    model_.editMode = EditMode::Insert;
    model_.editedCode = code;
    model_.cursorLine = clampCaret(caretLine);
    enter(code);
}

void Editor::appendFromButton(std::uint8_t code) {
    const CommandEntry* entry = commandEntryForCode(code);
    if (!entry) return;
    if (entry->motors && countMotors(host_.motorBoxes()) == 0) return;
    model_.editMode = EditMode::Append;
    model_.editedCode = code;
    enter(code);
}

void Editor::enter(std::uint8_t code) {
    const CommandEntry* entry = commandEntryForCode(code);
    if (entry->entry == EntryKind::Direct) {
        directEntry(code);
        return;
    }
    if (const auto page = pageForCode(code)) dialog_.ShowParameterPage(*page);
}

void Editor::addRecord(const Record& r) {
    // The popup has just set the cursor from the caret, inside the program.
    if (model_.editMode == EditMode::Insert) {
        model_.insertRecordAtCursor(r);
    } else {
        model_.appendRecord(r);
    }
}

void Editor::directEntry(std::uint8_t code) {
    const MotorFlags motors = host_.motorBoxes();
    const auto total = std::uint32_t(countMotors(motors)) + model_.length();
    switch (code) {
        case code::Brake:
        case code::Stop:
            if (total >= 1000) return reportFull();
            for (int m = 1; m <= 3; ++m)
                if (motors[std::size_t(m - 1)]) addRecord(makeRecord(code, std::uint8_t(m)));
            host_.printProgram();
            break;
        case code::End:
            if (model_.length() > 998) return reportFull();
            addRecord(makeRecord(code::End, kControllerTarget));
            host_.printProgram();
            dialog_.hide();
            break;
        case code::WaitMotor:
        case code::ClearMotor: {
            if (total >= 1000) return reportFull();
            // With no motor ticked nothing is added, but the listing is still
            // re-rendered, which puts the caret back and gives the listing the focus.
            if (countMotors(motors) > 0)
                addRecord(MotorFlagsRecord{
                    code,
                    {std::uint8_t(motors[0]), std::uint8_t(motors[1]), std::uint8_t(motors[2])}}
                              .encode());
            host_.printProgram();
            break;
        }
        default:
            break;
    }
}

void Editor::editCommand(int caretLine) {
    // The empty line below the program holds no command to edit.
    if (caretLine < 0 || std::uint32_t(caretLine) >= model_.length()) return;
    // Nor does a slot a damaged file left with a code that is never stored.
    if (!commandInfo(model_.image.code(caretLine))) return;
    model_.editMode = EditMode::Edit;
    model_.cursorLine = caretLine;
    const std::uint8_t c = model_.image.code(caretLine);
    model_.editedCode = c == code::SetOut ? code::EditOutputs : c;
    const auto page = pageForCode(model_.editedCode);
    if (!page) return;  // END, brake and stop have nothing to edit
    dialog_.prefillForEdit();
    dialog_.ShowParameterPage(*page);
}

void Editor::deleteCommand(int caretLine) {
    if (deleteCommandAt(model_, host_, caretLine)) host_.printProgram();
}

void Editor::UpButtonClick(int caretLine) {
    const int i = caretLine;
    if (i <= 0 || std::uint32_t(i) >= model_.length()) return;
    model_.swapRecords(i, i - 1);
    host_.printProgram();
    host_.selectLine(i - 1);
}

void Editor::DownButtonClick(int caretLine) {
    const int i = caretLine;
    if (i < 0 || std::uint32_t(i) + 1 >= model_.length()) return;
    model_.swapRecords(i, i + 1);
    host_.printProgram();
    host_.selectLine(i + 1);
}

void Editor::input_exClick(int input, bool ticked) {
    InputBreak s = model_.image.inputBreak(input);
    s.enabled = ticked;
    model_.image.setInputBreak(input, s);
    model_.image.clearSparePairs();
}

int Editor::input_lineChange(int input, int itemIndex) {
    const int length = int(model_.length());
    if (itemIndex + 1 > length) itemIndex = length - 1;
    InputBreak s = model_.image.inputBreak(input);
    s.line = std::uint16_t(std::max(itemIndex + 1, 0));
    model_.image.setInputBreak(input, s);
    model_.image.clearSparePairs();
    return itemIndex;
}

void Editor::input_stateChange(int input, int itemIndex) {
    InputBreak s = model_.image.inputBreak(input);
    s.edge = std::uint8_t(std::clamp(itemIndex, 0, 1));
    model_.image.setInputBreak(input, s);
}

// Mirrors the image only: loading a program must not rewrite bytes of its block.
InputBreakRow Editor::inputBreakRow(int input) const {
    const InputBreak s = model_.image.inputBreak(input);
    InputBreakRow row;
    row.ticked = s.enabled;
    row.controlsEnabled = s.enabled;
    row.lineIndex = s.line >= 1 && s.line <= kMaxCommands ? int(s.line) - 1 : -1;
    row.edgeIndex = s.edge <= 1 ? int(s.edge) : -1;
    return row;
}

}  // namespace rv720
