// The device verbs against the controller twin in-process, on virtual time: the
// same link, protocol and transfer code as the binary, with every timeout and
// wire delay played out but no waiting.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "cli/demo_program.h"
#include "cli/device_verbs.h"
#include "device/device_station.h"
#include "model/program_file.h"
#include "sim/eeprom_file.h"
#include "sim/simulated_ftdi.h"
#include "support/fixed_clock.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"

namespace rv720::cli {
namespace {

using namespace rv720::test;
using namespace rv720::testing;
using Prepare = std::function<void(sim::SimulatedFtdi&)>;

const std::string kDashes(69, '-');

struct RunResult {
    int status;
    std::string out, err;
    std::vector<std::string> lines;  // stdout, one entry per line
    bool printed(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

RunResult run(const std::string& verb, std::vector<std::string> args, Prepare prepare = {}) {
    std::ostringstream out, err;
    FixedClock clock("08.12.2026", "19:30:05");
    Io io{out, err, clock};
    DeviceRun how{EventLoop::Time::Virtual, std::move(prepare)};
    const int status = runDeviceVerb(verb, args, io, how);
    RunResult r{status, out.str(), err.str(), {}};
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        r.lines.push_back(line);
    return r;
}

// A program that compiles: it waits five seconds, sets output 1 and ends.
ProgramImage waitingProgram() {
    return programOf({withParams(code::WaitMs, kControllerTarget, 5000),
                      withBytes(code::SetOut, kControllerTarget, {1, 1}),
                      makeRecord(code::End, kControllerTarget)});
}

class DeviceVerbs : public ::testing::Test {
  protected:
    TempFolder folder;
    std::string eeprom = folder.file("eeprom.bin");

    std::vector<std::string> onSimulator(std::vector<std::string> args) {
        args.insert(args.end(), {"--device", "simulator", "--eeprom", eeprom});
        return args;
    }
    std::string programFile(const ProgramImage& image, const std::string& name = "p.pri") {
        const std::string path = folder.file(name);
        EXPECT_TRUE(saveProgramFile(path, image));
        return path;
    }
};

// ---- write and read --------------------------------------------------------------

TEST_F(DeviceVerbs, WritePrintsTheStationsLinesAndStoresTheProgram) {
    const ProgramImage program = waitingProgram();
    const RunResult r = run("write", onSimulator({programFile(program)}));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.lines.size(), 10u) << r.out;
    const std::vector<std::string> head = {
        "Connection successful", "Saving: 08.12.2026 o 19:30:05", kDashes, kDashes,
        "    Commands:    3",    "Saving to EEPROM started"};
    EXPECT_EQ(std::vector<std::string>(r.lines.begin(), r.lines.begin() + 6), head);
    EXPECT_EQ(r.lines[6].rfind("    Czas:        0.", 0), 0u) << r.lines[6];
    EXPECT_EQ(r.lines[7], kDashes);
    EXPECT_EQ(r.lines[8], "Programming finished");
    EXPECT_EQ(r.lines[9], "Saving to EEPROM memory finished");

    const auto stored = sim::loadEeprom(eeprom);
    ASSERT_TRUE(stored.has_value());
    ASSERT_EQ(stored->length(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stored->record(i), program.record(i)) << i;
}

TEST_F(DeviceVerbs, ReadGivesBackWhatWasWrittenByteForByte) {
    ProgramImage demo = demoProgram();
    demo.setInputBreak(1, {true, 2, 1});
    const std::string written = programFile(demo, "demo.pri");
    ASSERT_EQ(run("write", onSimulator({written})).status, kExitOk);

    const std::string back = folder.file("back.pri");
    for (const auto& spelling :
         {std::vector<std::string>{"-o", back}, std::vector<std::string>{"--output=" + back}}) {
        std::filesystem::remove(back);
        const RunResult r = run("read", onSimulator(spelling));
        ASSERT_EQ(r.status, kExitOk) << r.err;
        EXPECT_TRUE(r.printed(" Program reading of EEPROM memory was started"));
        EXPECT_TRUE(r.printed("    Commands:    " + std::to_string(demo.length())));
        EXPECT_TRUE(r.printed("Reading finished. Succesfull"));
        EXPECT_EQ(r.lines.back(), "Reading from EEPROM memory finished");
        EXPECT_EQ(readBytes(back), readBytes(written));
    }
}

TEST_F(DeviceVerbs, ReadOfAnEmptyControllerSavesAnEmptyProgram) {
    const std::string back = folder.file("empty.pri");
    const RunResult r = run("read", onSimulator({"-o", back}));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    ProgramImage image = waitingProgram();
    ASSERT_TRUE(loadProgramFile(back, image));
    EXPECT_EQ(image.length(), 0u);
}

TEST_F(DeviceVerbs, ProgramsTheCompilerRefusesAreNeverSent) {
    const struct {
        const char* name;
        ProgramImage program;
        const char* reportLine;
    } cases[] = {
        {"no end", programOf({withBytes(code::SetOut, kControllerTarget, {1, 1})}),
         "Error: Non defined end of the program"},
        {"empty", ProgramImage{}, "Error: No commands"},
    };
    for (const auto& c : cases) {
        const RunResult r = run("write", onSimulator({programFile(c.program)}));
        EXPECT_EQ(r.status, kExitDeviceFailure) << c.name;
        EXPECT_EQ(r.out, "") << c.name;  // not even a connection
        EXPECT_NE(r.err.find(c.reportLine), std::string::npos) << c.name << r.err;
        EXPECT_NE(r.err.find("nothing was sent"), std::string::npos) << c.name;
        EXPECT_FALSE(std::filesystem::exists(eeprom)) << c.name;
    }
}

TEST_F(DeviceVerbs, TheEepromFileComesFromTheOptionOrTheEnvironment) {
    const std::string fromEnv = folder.file("env.bin");
    const std::string fromOption = folder.file("option.bin");
    const std::string program = programFile(waitingProgram());
    ::setenv(kEepromVariable, fromEnv.c_str(), 1);
    EXPECT_EQ(run("write", {program, "--device", "simulator"}).status, kExitOk);
    EXPECT_EQ(run("write", {program, "--device", "simulator", "--eeprom", fromOption}).status,
              kExitOk);
    ::unsetenv(kEepromVariable);
    EXPECT_EQ(sim::loadEeprom(fromEnv)->length(), 3u);
    EXPECT_EQ(sim::loadEeprom(fromOption)->length(), 3u);
}

// ---- faults ------------------------------------------------------------------------

TEST_F(DeviceVerbs, LostRepliesAreResentTwiceThenTheVerbFails) {
    const std::string program = programFile(waitingProgram());
    const struct {
        const char* verb;
        std::vector<std::string> args;
        int dropped;
        int status;
        std::vector<std::string> mustPrint;
    } cases[] = {
        {"version", {}, 1, kExitOk, {"Again data transmission - 1", "1.3"}},
        {"version",
         {},
         2,
         kExitOk,
         {"Again data transmission - 1", "Again data transmission - 2", "1.3"}},
        {"version", {}, 3, kExitDeviceFailure, {"Device is not response"}},
        {"write", {program}, 1, kExitOk, {"Again data transmission - 1", "Programming finished"}},
        {"write", {program}, 3, kExitDeviceFailure, {"Device is not response"}},
        {"reset", {}, 3, kExitDeviceFailure, {"Device is not response"}},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.verb, onSimulator(c.args), [&](sim::SimulatedFtdi& ftdi) {
            ftdi.twin().injectFault(sim::FaultMode::DropReply, c.dropped);
        });
        const std::string what = std::string(c.verb) + " dropping " + std::to_string(c.dropped);
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.out << r.err;
        for (const auto& line : c.mustPrint)
            EXPECT_TRUE(r.printed(line)) << what << ": " << line;
        EXPECT_EQ(r.err.empty(), c.status == kExitOk) << what << r.err;
    }
    // The record re-sent after its lost reply was stored once, in its place.
    EXPECT_EQ(sim::loadEeprom(eeprom)->length(), 3u);
}

// Silence, frames the controller sends on its own, or garbage: every verb that
// talks to the device re-sends twice, says "Device is not response" and fails.
TEST_F(DeviceVerbs, EveryVerbEndsWhenTheControllerStopsAnswering) {
    const std::string program = programFile(waitingProgram());
    const std::string image = folder.file("fw.bin");
    writeBytes(image, {1, 2, 3});
    const std::vector<std::pair<const char*, std::vector<std::string>>> verbs = {
        {"write", {program}},
        {"read", {"-o", folder.file("back.pri")}},
        {"run", {}},
        {"stop", {}},
        {"reset", {}},
        {"version", {}},
        {"firmware", {image, "--password", kFirmwarePassword}},
    };
    for (sim::FaultMode fault : {sim::FaultMode::DropReply, sim::FaultMode::LineReportInstead,
                                 sim::FaultMode::CorruptChecksum}) {
        for (const auto& [verb, args] : verbs) {
            const RunResult r = run(verb, onSimulator(args), [&](sim::SimulatedFtdi& ftdi) {
                ftdi.twin().injectFault(fault, 1000);
            });
            const std::string what = std::string(verb) + ", fault " + std::to_string(int(fault));
            EXPECT_EQ(r.status, kExitDeviceFailure) << what << "\n" << r.out << r.err;
            EXPECT_TRUE(r.printed("Again data transmission - 2")) << what;
            EXPECT_TRUE(r.printed("Device is not response")) << what;
            EXPECT_NE(r.err, "") << what;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("back.pri")));
}

// --verify reads the program back: equal, or the first difference.
TEST_F(DeviceVerbs, WriteVerifyReadsTheProgramBack) {
    const ProgramImage program = waitingProgram();
    const std::string file = programFile(program);
    const RunResult good = run("write", onSimulator({file, "--verify"}));
    EXPECT_EQ(good.status, kExitOk) << good.err;
    EXPECT_EQ(good.lines.back(), "Verified: 3 commands");

    // A controller that acknowledges the first record without storing it.
    std::filesystem::remove(eeprom);
    const RunResult bad =
        run("write", onSimulator({file, "--verify"}),
            [](sim::SimulatedFtdi& ftdi) { ftdi.twin().injectFault(sim::FaultMode::LoseRecord); });
    EXPECT_EQ(bad.status, kExitDeviceFailure);
    EXPECT_TRUE(bad.printed("Programming finished"));
    EXPECT_EQ(bad.lines.back(), "Verify error: line 1: expected " + hexText(program.record(0)) +
                                    ", read 00 00 00 00 00 00 00 00 00 00");
    EXPECT_NE(bad.err.find("differs"), std::string::npos) << bad.err;
}

// The trace shows the frames as they go over the wire, the re-sent one included.
TEST_F(DeviceVerbs, TraceShowsEveryFrameInHex) {
    const RunResult r = run("version", onSimulator({"--trace"}), [](sim::SimulatedFtdi& ftdi) {
        ftdi.twin().injectFault(sim::FaultMode::DropReply, 1);
    });
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err,
              "> FF FF FF 00 03 0B 00 04 03 0F\n"
              "> FF FF FF 00 03 0B 00 04 03 0F\n"
              "< FF FF FF 00 05 0B 00 04 01 03 03 15\n");
    EXPECT_EQ(r.lines.back(), "1.3");
}

TEST_F(DeviceVerbs, AnUnpluggedDeviceCannotBeReached) {
    for (const char* verb : {"version", "run", "stop", "reset"}) {
        const RunResult r = run(verb, onSimulator({}), [](sim::SimulatedFtdi& ftdi) {
            ftdi.twin().injectFault(sim::FaultMode::Unplugged);
        });
        EXPECT_EQ(r.status, kExitDeviceFailure) << verb;
        EXPECT_EQ(r.lines, std::vector<std::string>{"Can't find USB device"}) << verb;
        EXPECT_NE(r.err.find("cannot be reached"), std::string::npos) << verb;
    }
}

TEST_F(DeviceVerbs, AReadCutOffByAPulledCableSavesNothing) {
    ASSERT_EQ(run("write", onSimulator({programFile(demoProgram())})).status, kExitOk);
    const std::string back = folder.file("back.pri");
    // Every reply to the header request arrives damaged: sent three times, then given up.
    const RunResult r = run("read", onSimulator({"-o", back}), [](sim::SimulatedFtdi& ftdi) {
        ftdi.twin().injectFault(sim::FaultMode::CorruptChecksum, 3);
    });
    EXPECT_EQ(r.status, kExitDeviceFailure);
    EXPECT_TRUE(r.printed("Device is not response"));
    EXPECT_FALSE(std::filesystem::exists(back));
}

// Ctrl+C during a transfer: the controller is told that it ended (command 18,
// answered), the stored program stays as it was, and nothing is saved.
TEST_F(DeviceVerbs, AnInterruptedTransferIsEndedWithTheController) {
    const ProgramImage before = waitingProgram();
    ASSERT_TRUE(sim::saveEeprom(eeprom, before));
    const Prepare ctrlC = [](sim::SimulatedFtdi&) { std::raise(SIGINT); };
    const std::string back = folder.file("back.pri");
    const struct {
        const char* verb;
        std::vector<std::string> args;
        const char* stopped;
    } cases[] = {
        {"write", {programFile(demoProgram())}, "Saving EEPROM stopped"},
        {"read", {"-o", back}, "Reading from EEPROM stopped"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--trace");
        const RunResult r = run(c.verb, onSimulator(args), ctrlC);
        EXPECT_EQ(r.status, kExitInterrupted) << c.verb << r.err;
        EXPECT_TRUE(r.printed(c.stopped)) << c.verb << "\n" << r.out;
        EXPECT_NE(r.err.find("interrupted"), std::string::npos) << c.verb;
        EXPECT_NE(r.err.find("> FF FF FF 00 03 12 00 04"), std::string::npos) << c.verb;
        EXPECT_NE(r.err.find("< FF FF FF 00 03 12 00 04"), std::string::npos) << c.verb;
        EXPECT_EQ(sim::loadEeprom(eeprom)->length(), before.length()) << c.verb;
    }
    EXPECT_FALSE(std::filesystem::exists(back));
    // The handler is the tool's only while a verb runs.
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_DFL);
}

// ---- simple commands -----------------------------------------------------------------

TEST_F(DeviceVerbs, RunStartsOnlyAStoredProgramThatMayStart) {
    const struct {
        const char* name;
        bool stored;
        bool stopHeld;
        int status;
    } cases[] = {
        {"nothing stored", false, false, kExitDeviceFailure},
        {"stored", true, false, kExitOk},
        {"STOP input held", true, true, kExitDeviceFailure},
    };
    for (const auto& c : cases) {
        std::filesystem::remove(eeprom);
        if (c.stored) {
            ASSERT_TRUE(sim::saveEeprom(eeprom, waitingProgram()));
        }
        const RunResult r = run("run", onSimulator({}), [&](sim::SimulatedFtdi& ftdi) {
            ftdi.twin().setStopInput(c.stopHeld);
        });
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.printed("Program running"), c.status == kExitOk) << c.name;
        EXPECT_EQ(r.err.find("did not start") != std::string::npos, c.status != kExitOk) << c.name;
    }
}

TEST_F(DeviceVerbs, SimpleCommandsPrintTheirAnswer) {
    const struct {
        const char* verb;
        std::string last;
    } cases[] = {
        {"version", "1.3"},
        {"stop", "Program stopped"},
        {"reset", "Device reset"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.verb, onSimulator({}));
        EXPECT_EQ(r.status, kExitOk) << c.verb << r.err;
        EXPECT_EQ(r.lines, (std::vector<std::string>{"Connection successful", c.last})) << c.verb;
    }
}

// ---- firmware --------------------------------------------------------------------------

TEST_F(DeviceVerbs, FirmwareIsStreamedAndTheControllersVerdictDecides) {
    const std::string image = folder.file("fw.bin");
    std::vector<std::uint8_t> bytes(2048);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = std::uint8_t(i * 7);
    writeBytes(image, bytes);
    const std::string empty = folder.file("empty.bin");
    writeBytes(empty, {});

    const struct {
        const char* name;
        std::string file;
        std::string password;
        bool failInjected;
        int status;
        std::string verdict;  // the log's result line, or the status line that ends it
    } cases[] = {
        {"accepted", image, kFirmwarePassword, false, kExitOk,
         "Firmware updating finished successful"},
        {"empty file", empty, kFirmwarePassword, false, kExitDeviceFailure,
         "Firmware updating error"},
        {"refused", image, kFirmwarePassword, true, kExitDeviceFailure, "Firmware updating error"},
        {"wrong password", image, "secret", false, kExitFailure, "Wrong password"},
    };
    for (const auto& c : cases) {
        const RunResult r = run("firmware", onSimulator({c.file, "--password", c.password}),
                                [&](sim::SimulatedFtdi& ftdi) {
                                    if (c.failInjected)
                                        ftdi.twin().injectFault(sim::FaultMode::FailFirmwareUpdate);
                                });
        EXPECT_EQ(r.status, c.status) << c.name << "\n" << r.out << r.err;
        EXPECT_TRUE(r.printed(c.verdict)) << c.name << "\n" << r.out;
        if (c.status != kExitFailure) {
            EXPECT_TRUE(r.printed("Firmware updating finished")) << c.name;
        }
    }
}

// ---- usage -----------------------------------------------------------------------------

TEST_F(DeviceVerbs, BadInputExitsTwoBeforeTouchingTheDevice) {
    const std::string program = programFile(waitingProgram());
    const std::string damaged = folder.file("damaged.pri");
    writeBytes(damaged, {0, 0, 0, 5, 1});
    const struct {
        const char* verb;
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {"write", {}, "no program file given"},
        {"write", {program, program}, "unexpected argument"},
        {"write", {folder.file("missing.pri")}, "missing.pri"},
        {"write", {damaged}, "damaged.pri"},
        {"write", {program, "--device", ""}, "--device needs"},
        {"write", {program, "--port", "x"}, "unknown option '--port'"},
        {"read", {}, "no output file given"},
        {"read", {"-o"}, "needs a value"},
        {"version", {"extra"}, "unexpected argument 'extra'"},
        {"firmware", {}, "no firmware file given"},
        {"firmware", {program}, "no password given"},
        {"firmware", {folder.file("none.bin"), "--password", "x"}, "cannot be read"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(
            c.verb, c.args, [](sim::SimulatedFtdi&) { ADD_FAILURE() << "the device was opened"; });
        EXPECT_EQ(r.status, kExitFailure) << c.verb;
        EXPECT_EQ(r.out, "") << c.verb;
        EXPECT_NE(r.err.find(c.err), std::string::npos) << c.verb << ": " << r.err;
    }
}

TEST_F(DeviceVerbs, ReadRefusesAnOutputItCannotWrite) {
    const RunResult r = run("read", onSimulator({"-o", folder.file("no/such/dir/p.pri")}));
    EXPECT_EQ(r.status, kExitFailure);
    EXPECT_TRUE(r.printed("Reading from EEPROM memory finished"));
    EXPECT_NE(r.err.find("p.pri"), std::string::npos);
}

// A path that is no serial port is refused as the vendor driver refuses a device
// it cannot open: the indicator lights while the list is taken, then goes out, and
// one more line says why.
TEST(SerialFtdiListing, APathThatIsNoPortClosesTheLinkAgain) {
    TempFolder folder;
    const std::string file = folder.file("not-a-port");
    writeBytes(file, {1, 2, 3});
    std::ostringstream out, err;
    FixedClock clock;
    cli::Io io{out, err, clock};
    const std::vector<std::string> args = {"--device", file};
    EXPECT_EQ(cli::runDeviceVerb("version", args, io, {EventLoop::Time::Virtual, {}}),
              cli::kExitDeviceFailure);
    const std::string why = file + ": cannot be opened: not a serial port";
    EXPECT_EQ(out.str(), "Connection successful\nConnection finished\n" + why + "\n");
    EXPECT_EQ(err.str(), "rv720 version: the device cannot be reached: " + why + "\n");
}

}  // namespace
}  // namespace rv720::cli
