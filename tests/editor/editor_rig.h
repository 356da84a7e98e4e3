#pragma once
// A main window without windows: the program model, a recording EditorHost, the
// parameter dialog and the editor, wired as TFMain wires them.
#include <string>

#include "editor/editing.h"
#include "editor/parameter_pages.h"
#include "model/commands.h"
#include "model/program_image.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/record_builders.h"
#include "support/recording_editor_host.h"

namespace rv720::edtest {

using test::RecordingHost;

// Filler command number n: a wait whose P1 tells the commands apart.
inline Record filler(int n) {
    return test::withParams(code::WaitMs, kControllerTarget, 1000 + n);
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
