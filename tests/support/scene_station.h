#pragma once
// The station as an operator starts it, on the real event loop and the real
// clock, for the programs that draw the documentation's screenshots: scripted
// dialogs, and the converter given (the twin) or none.
#include "protocol/ftdi_api.h"
#include "shell/gui/station_app.h"
#include "support/scripted_dialogs.h"
#include "ui/qt_adapters.h"

namespace rv720 {

struct SceneStation {
    explicit SceneStation(FtdiApi* ftdi = nullptr) : station(dialogs, timers, clock, ftdi) {}
    ScriptedDialogs dialogs;
    QtTimerFactory timers;
    QtClock clock;
    Station station;
};

}  // namespace rv720
