#include "editor/undo_history.h"

#include "model/program_file.h"

namespace rv720 {

void UndoHistory::reset(const ProgramModel& model) {
    undo_.clear();
    redo_.clear();
    current_ = stateOf(model);
}

bool UndoHistory::record(const ProgramModel& model) {
    if (model.image == current_.image) {
        current_.cursorLine = model.cursorLine;
        return false;
    }
    undo_.push_back(std::move(current_));
    if (undo_.size() > depth_) undo_.pop_front();
    redo_.clear();
    current_ = stateOf(model);
    return true;
}

bool UndoHistory::undo(ProgramModel& model) {
    record(model);
    if (undo_.empty()) return false;
    redo_.push_back(std::move(current_));
    current_ = std::move(undo_.back());
    undo_.pop_back();
    restore(model, current_);
    return true;
}

bool UndoHistory::redo(ProgramModel& model) {
    // A change made since the last undo starts a new line of history.
    if (record(model) || redo_.empty()) return false;
    undo_.push_back(std::move(current_));
    current_ = std::move(redo_.back());
    redo_.pop_back();
    restore(model, current_);
    return true;
}

bool sameProgramFile(const ProgramImage& a, const ProgramImage& b) {
    return a.length() == b.length() && encodeProgramFile(a) == encodeProgramFile(b);
}

}  // namespace rv720
