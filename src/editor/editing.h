#pragma once
// The main window's editing rules (TFMain): choosing a line of the listing,
// the double click, inserting from the pop-up menu, appending from the command
// column, editing, deleting, moving, and the two input-break rows. The form's
// handlers pass in what their controls show (the caret line, a list index) and
// let the EditorHost re-render, select and report.
//
// The caret line is the 0-based line of the listing, which is the slot index of
// a command; it equals the program length on the empty line below the program.
// A double click is a second press while LastClickTimer (200 ms, started by the
// first press and kept in phase by later ones) has not fired yet.
#include <cstdint>
#include <memory>

#include "editor/parameter_pages.h"
#include "model/program_image.h"
#include "support/timer.h"

namespace rv720 {

inline constexpr int kLastClickIntervalMs = 200;

enum class ListingKey : std::uint8_t { Up, Down, Delete, Other };

// What one input-break row of the main window shows.
struct InputBreakRow {
    bool ticked = false;           // input_N_ex
    bool controlsEnabled = false;  // input_N_text1, _line, _text2, _state
    int lineIndex = -1;            // item of input_N_line, -1 for none
    int edgeIndex = 0;             // item of input_N_state, -1 for none
};

class Editor {
  public:
    // Takes over the model's onInputBreakChanged: renumbering then has the host
    // refresh the input-break rows.
    Editor(ProgramModel& model, ParameterDialog& dialog, EditorHost& host, TimerFactory& timers);

    // Listing.
    void ProgramViewMouseDown(int caretLine);
    void ProgramViewKeyUp(ListingKey key, int caretLine);
    void LastClickTimerTimer();
    bool clickFlag() const { return clickFlag_; }
    Timer& lastClickTimer() { return *lastClickTimer_; }

    // Pop-up items of the insert submenu (EditMode insert at the caret line) and
    // the command buttons (EditMode append), by command code.
    void insertFromPopup(std::uint8_t code, int caretLine);
    void appendFromButton(std::uint8_t code);
    void Usu1Click(int caretLine) { deleteCommand(caretLine); }
    void Edytujzdarzenie1Click(int caretLine) { editCommand(caretLine); }

    void editCommand(int caretLine);
    void deleteCommand(int caretLine);
    void UpButtonClick(int caretLine);
    void DownButtonClick(int caretLine);

    // Input-break rows, input 1 or 2.
    void input_exClick(int input, bool ticked);
    // Returns the item the list must show (a line past the program is pulled back
    // to the last command's line; -1 when the program is empty).
    int input_lineChange(int input, int itemIndex);
    void input_stateChange(int input, int itemIndex);
    InputBreakRow inputBreakRow(int input) const;
    // Has the GUI reload both rows from the image (after New, Open, Read).
    void refreshInputBreakControls() { host_.refreshInputBreakControls(); }

  private:
    void enter(std::uint8_t code);
    void directEntry(std::uint8_t code);
    void addRecord(const Record& r);
    void reportFull();
    int clampCaret(int caretLine) const;

    ProgramModel& model_;
    ParameterDialog& dialog_;
    EditorHost& host_;
    std::unique_ptr<Timer> lastClickTimer_;
    bool clickFlag_ = false;
};

}  // namespace rv720
