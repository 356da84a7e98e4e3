#pragma once
// The editor's host (the main window, to the editor and the parameter dialog) as
// a recorder: what was posted, rendered, selected and asked, with scripted answers.
#include <functional>
#include <string>
#include <vector>

#include "editor/editing.h"

namespace rv720::test {

class RecordingHost final : public EditorHost {
  public:
    std::vector<std::string> status;
    std::vector<int> selections;
    std::vector<std::string> questions;
    int renders = 0;
    int motorLabelUpdates = 0;
    int inputBreakRefreshes = 0;
    bool answerYes = true;
    MotorFlags boxes{};

    void addStatusLine(const std::string& text) override { status.push_back(text); }
    void printProgram() override { ++renders; }
    void selectLine(int line) override { selections.push_back(line); }
    void updateMotorLabels() override { ++motorLabelUpdates; }
    void refreshInputBreakControls() override { ++inputBreakRefreshes; }
    bool askYesNo(const std::string& caption, const std::string& text) override {
        questions.push_back(caption + "|" + text);
        return answerYes;
    }
    MotorFlags motorBoxes() const override { return boxes; }
    void parameterDialogChanged() override {
        if (onChanged) onChanged();
    }
    std::function<void()> onChanged;  // what the station does then: re-show the form
};

}  // namespace rv720::test
