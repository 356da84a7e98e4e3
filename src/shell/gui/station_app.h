#pragma once
// The station's window set: the ten windows created once, in their fixed order,
// and the services they share (questions and dialogs, timers, clock).
#include <QString>
#include <memory>
#include <vector>

#include "shell/gui/window_set.h"

namespace rv720 {

class Clock;
class Dialogs;
class FtdiApi;
class StationSettings;
class TFMain;
class TimerFactory;

inline const QString kApplicationTitle = QStringLiteral("3-axis trajectory generator RV720");

class Station {
  public:
    // Creates FMain, FSterowanie, FWyjscia, FPodgladSilniki, FPodgladWejscia,
    // FParametrLiczbowy, FInfo, FKompilacja, FLog and FPass, in that order; none
    // is shown. `ftdi` is the controller's driver (none: Connect finds no device);
    // `settings` keeps recent files, the last folder and window positions (none:
    // for this run only). Both must outlive the station.
    Station(Dialogs& dialogs, TimerFactory& timers, Clock& clock, FtdiApi* ftdi = nullptr,
            StationSettings* settings = nullptr);
    ~Station();

    TFMain* main() const { return main_; }
    WindowSet& windows() { return windows_; }
    QWidget* window(Window which) const { return windows_.window(which); }

  private:
    WindowSet windows_;
    TFMain* main_ = nullptr;
    std::vector<std::unique_ptr<QWidget>> owned_;
};

}  // namespace rv720
