// rv720 monitor against the controller twin in-process, on virtual time: the
// station's own monitor loops, every second of reports played out without waiting.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/monitor_verb.h"
#include "sim/eeprom_file.h"
#include "sim/simulated_ftdi.h"
#include "support/fixed_clock.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"

namespace rv720::cli {
namespace {

using namespace rv720::test;
using Prepare = std::function<void(sim::SimulatedFtdi&)>;

// One report: the fields in the order printed, and by name ("M2.v", "in3").
struct Report {
    std::vector<std::string> order;
    std::map<std::string, std::string> field;
    const std::string& operator[](const std::string& name) const { return field.at(name); }
};

Report parseReport(const std::string& line) {
    Report r;
    std::istringstream words(line);
    std::string word, motor;
    words >> word;
    r.order.push_back("time");
    r.field["time"] = word;
    while (words >> word) {
        if (word.size() == 2 && word[0] == 'M') {
            motor = word + ".";
            continue;
        }
        const auto eq = word.find('=');
        const std::string name =
            (word[0] == 'x' || word[0] == 'v' ? motor : "") + word.substr(0, eq);
        r.order.push_back(name);
        r.field[name] = eq == std::string::npos ? "" : word.substr(eq + 1);
    }
    return r;
}

const std::vector<std::string> kOrder = {"time", "M1.x", "M1.v",   "M2.x",   "M2.v", "M3.x",
                                         "M3.v", "out1", "out2",   "out3",   "out4", "out5",
                                         "out6", "out7", "relay1", "relay2", "in1",  "in2",
                                         "in3",  "in4",  "in5",    "in6",    "RUN",  "STOP"};

struct Result {
    int status;
    std::string err;
    std::vector<Report> reports;
};

class Monitor : public ::testing::Test {
  protected:
    TempFolder folder;
    std::string eeprom = folder.file("eeprom.bin");

    Result run(std::vector<std::string> args, Prepare prepare = {}, char separator = '.') {
        args.insert(args.end(), {"--device", "simulator", "--eeprom", eeprom});
        return runRaw(args, std::move(prepare), separator);
    }
    Result runRaw(const std::vector<std::string>& args, Prepare prepare = {},
                  char separator = '.') {
        std::ostringstream out, err;
        FixedClock clock("08.12.2026", "19:30:05", separator);
        Io io{out, err, clock};
        const int status =
            runMonitor(args, io, DeviceRun{EventLoop::Time::Virtual, std::move(prepare)});
        Result r{status, err.str(), {}};
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);)
            r.reports.push_back(parseReport(line));
        return r;
    }
};

TEST_F(Monitor, BadOptionsAreUsageErrorsAndNothingIsPolled) {
    const std::vector<std::vector<std::string>> cases = {
        {"--count", "0"},
        {"--count", "2x"},
        {"--divisor", "0"},
        {"--divisor", "8,8"},
        {"--steps", "1601"},
        {"--steps", "200,,200"},
        {"--set-input", "7=on"},
        {"--set-input", "in0=on"},
        {"--set-input", "1=maybe"},
        {"--set-input", "1on"},
        {"--set-input", "RUN=on@-1"},
        {"--set-input", "1=on@0.0001"},
        {"--set-input", "1=on@"},
        {"surplus"},
    };
    for (const auto& args : cases) {
        const Result r = run(args);
        EXPECT_EQ(r.status, kExitFailure) << args[0] << " " << args.back();
        EXPECT_TRUE(r.reports.empty()) << args.back();
        EXPECT_EQ(r.err.rfind("rv720 monitor: ", 0), 0u) << r.err;
    }
    const Result port = runRaw({"--device", "/dev/null", "--set-input", "1=on"});
    EXPECT_EQ(port.status, kExitFailure);
    EXPECT_NE(port.err.find("simulator only"), std::string::npos) << port.err;
    EXPECT_EQ(runRaw({"--device", ""}).status, kExitFailure);
}

TEST_F(Monitor, ReportsOnceASecondWithPositionsVelocitiesAndSeventeenLamps) {
    // M1 goes to 1000 (well under a second at the power-on limits), M2 runs at -52
    // units until STOP rises at 1.5 s; INPUT6 is on from the start.
    const Result r = run({"--count", "3", "--set-input", "in6=on", "--set-input", "STOP=on@1.5"},
                         [](sim::SimulatedFtdi& s) {
                             s.twin().axis(0).moveTo(1000);
                             s.twin().axis(1).runAtVelocity(-52);
                         });
    ASSERT_EQ(r.status, kExitOk) << r.err;
    ASSERT_EQ(r.reports.size(), 3u);
    for (const Report& report : r.reports) {
        EXPECT_EQ(report.order, kOrder);
        EXPECT_EQ(report["time"], "19:30:05");
        EXPECT_EQ(report["in6"], "1");
        EXPECT_EQ(report["M3.x"], "0");
        EXPECT_EQ(report["M3.v"], "0,000") << "zero has a comma whatever the separator";
        for (const char* off : {"out1", "out7", "relay1", "relay2", "in1", "in5", "RUN"})
            EXPECT_EQ(report[off], "0") << off;
    }
    const Report &first = r.reports[0], &second = r.reports[1], &third = r.reports[2];
    EXPECT_EQ(first["M2.v"], "-0.495") << "-52 units at 200 steps and divisor 8";
    EXPECT_EQ(second["M1.x"], "1000");
    EXPECT_EQ(second["M1.v"], "0,000");
    EXPECT_EQ(second["M2.v"], "-0.495");
    EXPECT_EQ(second["STOP"], "0");
    // A second at 793 steps/s between the two reports, give or take the 100 ms or so
    // between two motor replies.
    const int travelled = std::stoi(first["M2.x"]) - std::stoi(second["M2.x"]);
    EXPECT_GE(travelled, 793 - 110);
    EXPECT_LE(travelled, 793 + 110);
    EXPECT_EQ(third["STOP"], "1");
    EXPECT_EQ(third["M2.v"], "0,000") << "a rising STOP halts the motors";
    EXPECT_GT(std::stoi(second["M2.x"]) - std::stoi(third["M2.x"]), 0);
    EXPECT_NE(r.err.find("Connection successful"), std::string::npos) << "status lines on stderr";
}

TEST_F(Monitor, VelocitiesFollowTheGivenDriverConfigurationAndSeparator) {
    struct {
        std::vector<std::string> args;
        char separator;
        const char* m2;
    } cases[] = {
        {{}, '.', "-0.495"},
        {{}, ',', "-0,495"},
        {{"--steps", "400"}, '.', "-0.247"},
        {{"--divisor", "8,16,8"}, '.', "-0.247"},
        {{"--divisor", "16,8,16"}, '.', "-0.495"},  // M2 keeps its own
        {{"--divisor", "1", "--steps", "1"}, '.', "-793.457"},
    };
    for (auto& c : cases) {
        c.args.insert(c.args.end(), {"--count", "1"});
        const Result r = run(
            c.args, [](sim::SimulatedFtdi& s) { s.twin().axis(1).runAtVelocity(-52); },
            c.separator);
        ASSERT_EQ(r.status, kExitOk) << r.err;
        ASSERT_EQ(r.reports.size(), 1u);
        EXPECT_EQ(r.reports[0]["M2.v"], c.m2) << c.args[0];
    }
}

TEST_F(Monitor, InputsStartAndBreakTheStoredProgram) {
    // set_out(1), a long wait, end; INPUT1 rising breaks to line 4: set_out(2), end.
    ProgramImage program = programOf({withBytes(code::SetOut, kControllerTarget, {1, 1}),
                                      withParams(code::WaitMs, kControllerTarget, 100000),
                                      makeRecord(code::End, kControllerTarget),
                                      withBytes(code::SetOut, kControllerTarget, {2, 1}),
                                      makeRecord(code::End, kControllerTarget)});
    program.setInputBreak(1, {true, 4, 1});
    ASSERT_TRUE(sim::saveEeprom(eeprom, program));

    const Result r = run({"--count", "3", "--set-input", "RUN=on", "--set-input", "1=on@1.5"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    ASSERT_EQ(r.reports.size(), 3u);
    EXPECT_EQ(r.reports[0]["RUN"], "1");
    EXPECT_EQ(r.reports[0]["out1"], "1") << "the rising RUN started the program";
    EXPECT_EQ(r.reports[1]["out2"], "0");
    EXPECT_EQ(r.reports[1]["in1"], "0");
    EXPECT_EQ(r.reports[2]["in1"], "1");
    EXPECT_EQ(r.reports[2]["out2"], "1") << "the break jump ran line 4";

    const Result idle = run({"--count", "1"});
    EXPECT_EQ(idle.reports.at(0)["out1"], "0") << "without RUN the program does not start";
}

TEST_F(Monitor, ADeviceThatIsGoneOrStopsAnsweringFails) {
    struct {
        const char* name;
        sim::FaultMode fault;
        const char* why;
        const char* statusLine;
    } cases[] = {
        {"unplugged", sim::FaultMode::Unplugged, "the device cannot be reached", ""},
        {"no replies", sim::FaultMode::DropReply,
         "the connection to the device was lost or it did not answer", "Device is not response"},
    };
    for (const auto& c : cases) {
        const Result r =
            run({}, [&](sim::SimulatedFtdi& s) { s.twin().injectFault(c.fault, 1000); });
        EXPECT_EQ(r.status, kExitDeviceFailure) << c.name;
        EXPECT_TRUE(r.reports.empty()) << c.name;
        EXPECT_NE(r.err.find(std::string("rv720 monitor: ") + c.why), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.statusLine), std::string::npos) << r.err;
    }
}

TEST_F(Monitor, HelpDescribesTheReportAndTheInputs) {
    std::ostringstream out, err;
    FixedClock clock;
    Io io{out, err, clock};
    EXPECT_EQ(runMonitor(std::vector<std::string>{"--help"}, io, {}), kExitOk);
    EXPECT_EQ(err.str(), "");
    for (const char* part : {"--count N", "--set-input", "RUN", "STOP", "relay1", "rev/s"})
        EXPECT_NE(out.str().find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace rv720::cli
