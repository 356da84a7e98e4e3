#pragma once
// A main window without windows: the program model, a recording EditorHost, the
// parameter dialog and the editor, wired as TFMain wires them.
#include <initializer_list>
#include <string>
#include <vector>

#include "editor/editing.h"
#include "editor/parameter_pages.h"
#include "model/commands.h"
#include "model/program_image.h"
#include "support/clock.h"
#include "support/timer.h"

namespace rv720::edtest {

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
    void parameterDialogChanged() override {}
};

inline Record rec(std::uint8_t code, std::uint8_t motor, std::int32_t p1 = 0, std::int32_t p2 = 0) {
    Record r = makeRecord(code, motor);
    writeBe32(&r[2], p1);
    writeBe32(&r[6], p2);
    return r;
}

// A record from its leading bytes b0, b1, b2, ...; the rest zero.
inline Record bytes(std::initializer_list<std::uint8_t> leading) {
    Record r{};
    std::size_t i = 0;
    for (auto b : leading)
        r[i++] = b;
    return r;
}

inline Record jumpTo(std::int32_t line) {
    return rec(code::JumpLine, kControllerTarget, line);
}

// Filler command number n: a wait whose P1 tells the commands apart.
inline Record filler(int n) {
    return rec(code::WaitMs, kControllerTarget, 1000 + n);
}

struct Rig {
    ProgramModel model;
    RecordingHost host;
    FixedClock clock;
    ParameterDialog dialog{model, host, clock};
    ManualTimerFactory timers;
    Editor editor{model, dialog, host, timers};

    // n filler commands, line k holding filler(k).
    void fill(int n) {
        for (int k = 1; k <= n; ++k)
            model.appendRecord(filler(k));
    }
    void put(int line, const Record& r) { model.image.setRecord(line - 1, r); }
    Record line(int n) const { return model.image.record(n - 1); }
    std::uint32_t length() const { return model.length(); }
    ManualTimer& clickTimer() { return *timers.timers().front(); }
    void tick(int m1, int m2, int m3) { host.boxes = {m1 != 0, m2 != 0, m3 != 0}; }
    std::string& text(TextField f) { return dialog.fields().text(f); }
    bool programFullPosted() const {
        for (const auto& s : host.status)
            if (s == "Program counter is exceeded") return true;
        return false;
    }
};

}  // namespace rv720::edtest
