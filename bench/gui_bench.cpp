// Cost of re-rendering a full program in the main window's listing, including
// the widget's repaint, offscreen: what the operator waits for after each edit.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>

#include "editor/gui/listing_view.h"
#include "model/commands.h"
#include "shell/gui/main_window.h"
#include "support/clock.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/scripted_dialogs.h"
#include "support/timer.h"
#include "ui/dialogs.h"

namespace rv720 {
namespace {

void fillFullProgram(ProgramImage& image) {
    static const std::uint8_t codes[] = {code::Driver, code::VMin,     code::VMax,    code::AMax,
                                         code::GoTo,   code::Home,     code::Enable,  code::WaitMs,
                                         code::SetOut, code::PrintUsb, code::JumpLine};
    for (int i = 0; i < kMaxCommands; ++i) {
        const std::uint8_t c = codes[i % std::size(codes)];
        Record r =
            makeRecord(c, commandInfo(c)->perMotor ? std::uint8_t(1 + i % 3) : kControllerTarget);
        writeBe32(&r[2], 1000 + 37 * i);
        if (c == code::PrintUsb) r[2] = 0;
        image.setRecord(i, r);
    }
    image.setLength(kMaxCommands);
}

struct MainWindowRig {
    ScriptedDialogs dialogs;
    ManualTimerFactory timers;
    FixedClock clock;
    TFMain window{dialogs, timers, clock};
    MainWindowRig() {
        fillFullProgram(window.model().image);
        window.show();
    }
};

void printProgram(benchmark::State& state, bool fourColumns) {
    MainWindowRig rig;
    rig.window.kol->setChecked(fourColumns);
    for (auto _ : state) {
        rig.window.PrintProgram();
        rig.window.ProgramView->viewport()->repaint();
    }
    state.counters["lines"] = rig.window.ProgramView->lineCount();
}

void printProgramFourColumns(benchmark::State& state) {
    printProgram(state, true);
}
void printProgramOneColumn(benchmark::State& state) {
    printProgram(state, false);
}
BENCHMARK(printProgramFourColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(printProgramOneColumn)->Unit(benchmark::kMillisecond);

// The view alone: replacing 999 lines and painting the visible ones.
void listingViewSetLines(benchmark::State& state) {
    ListingView view;
    view.resize(772, 466);
    view.show();
    QVector<ListingView::Line> lines;
    for (int i = 0; i < kMaxCommands; ++i)
        lines.append({QStringLiteral("%1: v_min(M1; 12.50)")
                          .arg(i + 1, 3, 10, QLatin1Char('0'))
                          .leftJustified(105),
                      QColor(24, 142, 214)});
    for (auto _ : state) {
        view.setLines(lines);
        view.setCaret(500);
        view.viewport()->repaint();
    }
}
BENCHMARK(listingViewSetLines)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace rv720
