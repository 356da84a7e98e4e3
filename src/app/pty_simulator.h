#pragma once
// The controller twin served on a pseudo-terminal, so the serial backend can be
// driven end to end without hardware: "rv720 serve-simulator" prints the
// terminal's path, and anything that opens it as a serial port (the station, the
// tool with --device PATH, a terminal program) talks to the twin.
//
// Bytes move as they come: what the port's user writes reaches the twin at the
// moment it is read here, and what the twin sends is written back at once. In
// between the server sleeps until the user writes or the twin has something
// scheduled, so an idle server costs nothing. The
// twin runs on the steady clock, so its programs, waits and firmware silence keep
// real time. The terminal passes bytes without a baud rate of its own, but the
// line settings its user chose are looked at: until they are 111,111 baud, 8 data
// bits, one stop bit and no parity, every byte arrives inverted in both
// directions, as garbage would on a mismatched line (the same rule as the
// in-process simulator's).
//
// The server keeps its own handle on the terminal's far end open, so the port
// can be opened and closed by its users any number of times while it serves. It
// also lifts the exclusive-use flag a serial port library sets on opening, since a
// user killed before closing would otherwise lock every later one out.
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "sim/controller_twin.h"
#include "sim/sim_time.h"

namespace rv720 {

class PtySimulator {
  public:
    // Opens a new pseudo-terminal; nullptr with `error` set when the system has none.
    static std::unique_ptr<PtySimulator> open(sim::TwinOptions options, std::string& error);
    // The twin with its EEPROM kept in `eeprom`.
    static std::unique_ptr<PtySimulator> openWithEeprom(const std::filesystem::path& eeprom,
                                                        std::string& error);
    ~PtySimulator();
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // The path to open as a serial port ("/dev/pts/5").
    const std::string& path() const { return path_; }
    sim::ControllerTwin& twin() { return twin_; }

    // Moves bytes for at most `span`, returning early when `stop` is set.
    // Returns false when the terminal failed and serving cannot go on.
    bool serve(const std::atomic<bool>& stop,
               std::chrono::milliseconds span = std::chrono::milliseconds::max());
    // Whether the port's user has set the controller's line settings.
    bool lineSettingsMatch() const;

  private:
    PtySimulator(int master, int slave, std::string path, sim::TwinOptions options);
    bool pumpOnce(int waitMs);
    bool flushPending();

    int master_;
    int slave_;
    std::string path_;
    sim::SteadyTimeSource clock_;
    sim::ControllerTwin twin_;
    std::string pending_;  // twin output the terminal has not taken yet
};

}  // namespace rv720
