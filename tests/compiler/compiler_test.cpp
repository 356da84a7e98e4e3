#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "support/golden.h"
#include "support/record_builders.h"

namespace rv720 {
namespace {

using namespace rv720::test;

const char* const kCheckLines[] = {
    "",
    "Error: No driver configuration in first program line",
    "Error: Non defined minimal velocity",
    "Error: Non defined maximal velocity",
    "Error: Non defined maximal acceleration",
    "Error: Non definde driver step division",
    "Error: Non defined end of the program",
    "Error: Non defined end of the program in last line",
    "Error: No commands",
    "Error: Wrong use of wait for position comand",
    "Error: Not allowed use of 1 input in break mode",
    "Error: Not allowed use of 2 input in break mode",
    "Error: No defined jump for 1 input in break mode",
    "Error: No defined jump for 2 input in break mode",
};
const std::string kWarning = "Warning: Motors aren't unblocked";
const std::string kDashes(69, '-');

Record end() {
    return makeRecord(code::End, 4);
}
Record goTo(std::uint8_t motor) {
    return withParams(code::GoTo, motor, 100);
}
Record waitFor(std::uint8_t m1, std::uint8_t m2, std::uint8_t m3) {
    return withBytes(code::WaitMotor, 4, {m1, m2, m3});
}
Record jumpOnInput(std::uint8_t input) {
    return jumpIfInput(1, input, false);
}

// Everything a program with motion needs, in front of `tail`, then END.
std::vector<Record> complete(std::vector<Record> tail, bool withEnable = true) {
    std::vector<Record> p = {driver(1, 8, 200), withParams(code::VMin, 1, 500),
                             withParams(code::VMax, 1, 5000), withParams(code::AMax, 1, 1000)};
    if (withEnable) p.push_back(withBytes(code::Enable, 4, {1}));
    p.insert(p.end(), tail.begin(), tail.end());
    p.push_back(end());
    return p;
}

std::vector<Record> without(std::vector<Record> p, std::uint8_t c) {
    std::erase_if(p, [c](const Record& r) { return r[0] == c; });
    return p;
}

struct BreakBytes {
    std::uint8_t enabled = 0;
    std::uint16_t line = 0;
};

ProgramImage imageOf(const std::vector<Record>& records, BreakBytes in1 = {}, BreakBytes in2 = {}) {
    ProgramImage image = programOf(records);
    image.setBlockByte(0, in1.enabled);
    image.setBlockByte(2, std::uint8_t(in1.line >> 8));
    image.setBlockByte(4, std::uint8_t(in1.line));
    image.setBlockByte(1, in2.enabled);
    image.setBlockByte(3, std::uint8_t(in2.line >> 8));
    image.setBlockByte(5, std::uint8_t(in2.line));
    return image;
}

// The lines between the header and the summary.
std::vector<std::string> findings(const CompileReport& report) {
    std::vector<std::string> out;
    for (std::size_t i = 2; i < report.lines.size() && report.lines[i].text != kDashes; ++i)
        out.push_back(report.lines[i].text);
    return out;
}

struct CheckCase {
    const char* name;
    std::vector<Record> program;
    std::vector<int> failing;  // check numbers, in report order
    bool warning = false;
    BreakBytes in1{}, in2{};
};

void expectReport(const CheckCase& c) {
    SCOPED_TRACE(c.name);
    const CompileReport report = compileProgram(imageOf(c.program, c.in1, c.in2), "d", "t");
    std::vector<std::string> expected;
    for (int check : c.failing)
        expected.push_back(kCheckLines[check]);
    if (c.warning) expected.push_back(kWarning);
    EXPECT_EQ(findings(report), expected);
    EXPECT_EQ(report.errors, int(c.failing.size()));
    EXPECT_EQ(report.warnings, c.warning ? 1 : 0);
    EXPECT_EQ(report.commands, c.program.size());
    EXPECT_EQ(report.writeAllowed, !c.program.empty() && c.failing.empty());
    EXPECT_EQ(report.lines.back().text,
              c.failing.empty() ? "Compilation successfuly finished" : "Compilation failed");
    // The summary counts always equal the coloured lines above them.
    int red = 0, green = 0;
    for (const auto& l : report.lines) {
        red += l.color == colors::Red;
        green += l.color == colors::Green;
    }
    EXPECT_EQ(red, report.errors);
    EXPECT_EQ(green, report.warnings);
}

TEST(CompilerChecks, ProgramStructure) {
    const CheckCase cases[] = {
        {"empty program", {}, {6, 7, 8}},
        {"END only", {end()}, {}},
        {"complete with motion", complete({goTo(1)}), {}},
        {"motion without ENABLE warns only", complete({goTo(1)}, false), {}, true},
        {"no motion needs no configuration", {withBytes(code::SetOut, 4, {1, 1}), end()}, {}},
        {"driver configuration not first",
         [] {
             auto p = complete({goTo(1)});
             std::swap(p[0], p[1]);
             return p;
         }(),
         {1}},
        {"no driver configuration", without(complete({goTo(1)}), code::Driver), {1, 5}},
        {"no minimum velocity", without(complete({goTo(1)}), code::VMin), {2}},
        {"no maximum velocity", without(complete({goTo(1)}), code::VMax), {3}},
        {"no maximum acceleration", without(complete({goTo(1)}), code::AMax), {4}},
        {"every motion code counts",
         without(complete({withParams(code::VDest, 2, 5)}), code::VMin),
         {2}},
        {"HOME counts as motion",
         without(complete({withParams(code::Home, 3, 1, 1)}), code::AMax),
         {4}},
        {"brake counts as motion",
         without(complete({makeRecord(code::Brake, 1)}), code::VMax),
         {3}},
        {"stop counts as motion", complete({makeRecord(code::Stop, 1)}, false), {}, true},
        {"END present but not last",
         [] {
             auto p = complete({});
             p.push_back(goTo(1));
             return p;
         }(),
         {7}},
        {"no END at all", without(complete({goTo(1)}), code::End), {6, 7}},
        {"no END without motion", {withParams(code::WaitMs, 4, 10)}, {6, 7}},
    };
    for (const auto& c : cases)
        expectReport(c);
}

TEST(CompilerChecks, WaitForPosition) {
    Record damagedWait = withBytes(code::WaitMotor, 4, {2, 2, 2});  // waits for "six" motors
    const CheckCase cases[] = {
        {"two motors after two positions", complete({goTo(1), goTo(2), waitFor(1, 1, 0)}), {}},
        {"two motors after v_min and a position",
         complete({withParams(code::VMin, 2, 1), goTo(1), waitFor(1, 1, 0)}),
         {9}},
        {"one motor as the very first command", {waitFor(1, 0, 0), end()}, {9}},
        {"no motor as the very first command", {waitFor(0, 0, 0), end()}, {}},
        {"three motors after HOME, brake and stop",
         complete({withParams(code::Home, 1, 1, 1), makeRecord(code::Brake, 2),
                   makeRecord(code::Stop, 3), waitFor(1, 1, 1)}),
         {}},
        {"one motor after set velocity",
         complete({withParams(code::VDest, 1, 9), waitFor(1, 0, 0)}),
         {9}},
        {"one motor after a wait", complete({goTo(1), waitFor(1, 0, 0), waitFor(0, 1, 0)}), {9}},
        {"more motors than commands before it",
         {goTo(1), waitFor(1, 1, 1)},
         {1, 2, 3, 4, 5, 6, 7, 9},
         true},
        {"two motors with one command before it",
         {goTo(1), waitFor(1, 1, 0)},
         {1, 2, 3, 4, 5, 6, 7, 9},
         true},
        {"two misplaced waits report once",
         complete({waitFor(1, 0, 0), withParams(code::WaitMs, 4, 1), waitFor(0, 0, 1)}),
         {9}},
        {"damaged flags after six positions",
         complete({goTo(1), goTo(2), goTo(3), goTo(1), goTo(2), goTo(3), damagedWait}),
         {}},
        {"damaged flags after five positions",
         complete({goTo(1), goTo(2), goTo(3), goTo(1), goTo(2), damagedWait}),
         {9}},
    };
    for (const auto& c : cases)
        expectReport(c);
}

TEST(CompilerChecks, InputBreaks) {
    const CheckCase cases[] = {
        {"input 1 ticked, no line", {end()}, {12}, false, {1, 0}},
        {"input 2 ticked, no line", {end()}, {13}, false, {}, {1, 0}},
        {"input 1 ticked, line beyond the list", {end()}, {12}, false, {1, 1000}},
        {"input 1 ticked, any non-zero enabled byte", {end()}, {12}, false, {2, 0}},
        {"input 1 ticked with line 999", {end()}, {}, false, {1, 999}},
        {"unticked line 0 is fine", {end()}, {}, false, {0, 0}},
        {"jumps on input 1 while it breaks, once",
         {jumpOnInput(1), jumpOnInput(1), end()},
         {10},
         false,
         {1, 1}},
        {"jump on input 2 while it breaks", {jumpOnInput(2), end()}, {11}, false, {}, {1, 3}},
        {"jump on input 2 while only input 1 breaks", {jumpOnInput(2), end()}, {}, false, {1, 2}},
        {"jump on input 1 while no break", {jumpOnInput(1), end()}, {}, false, {0, 5}},
        {"both inputs misused, no lines",
         {jumpOnInput(1), jumpOnInput(2), end()},
         {10, 11, 12, 13},
         false,
         {1, 0},
         {1, 0}},
        {"empty program with a break ticked", {}, {6, 7, 8, 12}, false, {1, 0}},
    };
    for (const auto& c : cases)
        expectReport(c);
}

TEST(CompilerChecks, EveryErrorAtOnceInTableOrder) {
    expectReport({"all but no commands",
                  {goTo(1), waitFor(1, 1, 0), jumpOnInput(1), jumpOnInput(2)},
                  {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13},
                  true,
                  {1, 0},
                  {1, 0}});
}

// --- the report as a whole ------------------------------------------------------------

std::vector<std::string> texts(const CompileReport& report) {
    std::vector<std::string> out;
    for (const auto& l : report.lines)
        out.push_back(l.text);
    return out;
}

TEST(CompilerReport, MatchesTheGoldenReports) {
    const struct {
        const char* file;
        std::vector<Record> program;
    } cases[] = {
        {"empty_program.txt", {}},
        {"end_only.txt", {end()}},
        {"motion_without_enable.txt", complete({goTo(1)}, false)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(texts(compileProgram(programOf(c.program), "08.12.2026", "19:30:05")),
                  goldenLines("compiler/" + std::string(c.file)))
            << c.file;
}

TEST(CompilerReport, LinesCarryTheirColours) {
    const CompileReport report =
        compileProgram(imageOf(complete({goTo(1)}, false), {1, 0}), "d", "t");
    std::vector<Rgb> expected = {colors::Black, colors::Black, colors::Red, colors::Green};
    for (int i = 0; i < 6; ++i)
        expected.push_back(colors::Black);
    expected.push_back(colors::Blue);
    ASSERT_EQ(report.lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(report.lines[i].color, expected[i]) << i << ": " << report.lines[i].text;
    EXPECT_EQ(report.lines[0].text, "Compilation start: d o t");
}

TEST(CompilerReport, ProgressAdvancesOncePerCommand) {
    std::vector<int> seen;
    compileProgram(programOf(complete({goTo(1), goTo(2)})), "d", "t",
                   [&](int n) { seen.push_back(n); });
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    seen.clear();
    compileProgram(ProgramImage{}, "d", "t", [&](int n) { seen.push_back(n); });
    EXPECT_TRUE(seen.empty());
}

TEST(CompilerReport, StaleSlotsAndAnOverlongLengthAreNotChecked) {
    ProgramImage image = programOf({end()});
    image.setRecord(1, goTo(1));  // stale, outside the program
    EXPECT_EQ(compileProgram(image, "d", "t").errors, 0);
    std::vector<Record> full(998, withParams(code::WaitMs, 4, 1));
    full.push_back(end());
    image = programOf(full);
    image.setLength(4000);
    const CompileReport report = compileProgram(image, "d", "t");
    EXPECT_EQ(report.commands, 999u);
    EXPECT_EQ(report.errors, 0);
}

}  // namespace
}  // namespace rv720
