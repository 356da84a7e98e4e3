#pragma once
// A whole station (ten windows) on scripted dialogs, manual timers and a fixed
// clock, with a scratch folder for program files.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <memory>

#include "editor/gui/listing_view.h"
#include "model/program_image.h"
#include "shell/gui/main_window.h"
#include "shell/gui/station_app.h"
#include "shell_test_app.h"
#include "support/clock.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "support/timer.h"
#include "ui/dialogs.h"

namespace rv720 {

inline Record velocityRecord(std::uint8_t code, std::uint8_t motor, std::int32_t milli) {
    Record r = makeRecord(code, motor);
    writeBe32(&r[2], milli);
    return r;
}

struct StationFixture {
    StationFixture() {
        testApp();
        station = std::make_unique<Station>(dialogs, timers, clock);
        main = station->main();
    }

    // Puts n records in the program (v_min on motor 1, 2, 3 in turn) and renders it.
    void loadProgram(int n) {
        for (int i = 0; i < n; ++i)
            main->model().image.setRecord(i, velocityRecord(1, std::uint8_t(1 + i % 3), 1000 * i));
        main->model().image.setLength(std::uint32_t(n));
        main->PrintProgram();
    }

    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray fileBytes(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString status1() const { return main->Warning1->text(); }
    QString status2() const { return main->Warning2->text(); }

    ScriptedDialogs dialogs;
    ManualTimerFactory timers;
    FixedClock clock;
    test::TempFolder dir;
    std::unique_ptr<Station> station;
    TFMain* main = nullptr;
};

}  // namespace rv720
