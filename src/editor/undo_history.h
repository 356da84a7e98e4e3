#pragma once
// Undo and redo of program changes, one step per user action. A step keeps the
// whole program state from before the action: the 10,012-byte image with its
// length (records, stale slots and the input-break block alike) and the cursor
// line. Undoing an insert, a delete or an edit therefore puts back every byte the
// action and its renumbering touched, without replaying the renumbering.
//
// The station records a step after every action (the listing is re-rendered
// after each one); an action that changed nothing records nothing. Changes made
// outside an action (a program read from the controller) become a step of their
// own the next time anything is recorded, undone or redone.
#include <cstddef>
#include <cstdint>
#include <deque>

#include "model/program_image.h"

namespace rv720 {

inline constexpr std::size_t kUndoDepth = 200;

struct ProgramState {
    ProgramImage image;
    std::int32_t cursorLine = 0;
};

class UndoHistory {
  public:
    explicit UndoHistory(std::size_t depth = kUndoDepth) : depth_(depth) {}

    // Takes the model as the state nothing is undone past, forgetting all steps.
    void reset(const ProgramModel& model);
    // After a user action: when the image differs from the state last recorded,
    // that state becomes an undo step and the redo steps are dropped.
    bool record(const ProgramModel& model);

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    std::size_t undoSteps() const { return undo_.size(); }
    // Put the state before the last step (after the undone one) into `model`;
    // false when there is none. Unrecorded changes are recorded first.
    bool undo(ProgramModel& model);
    bool redo(ProgramModel& model);

  private:
    static ProgramState stateOf(const ProgramModel& model) {
        return {model.image, model.cursorLine};
    }
    static void restore(ProgramModel& model, const ProgramState& state) {
        model.image = state.image;
        model.cursorLine = state.cursorLine;
    }

    std::size_t depth_;
    std::deque<ProgramState> undo_, redo_;
    ProgramState current_;
};

// Whether the two images give the same program file (length, input-break block
// and the records in use): "the program differs from its file".
bool sameProgramFile(const ProgramImage& a, const ProgramImage& b);

}  // namespace rv720
