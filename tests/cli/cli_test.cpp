#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/demo_program.h"
#include "cli/program_verbs.h"
#include "compiler/compiler.h"
#include "editor/listing_examples.h"
#include "model/program_file.h"
#include "model/program_store.h"
#include "support/fixed_clock.h"
#include "support/temp_folder.h"

namespace rv720::cli {
namespace {

using namespace rv720::test;
using namespace rv720::testing;

struct RunResult {
    int status;
    std::string out, err;
};

RunResult run(std::vector<std::string> args) {
    std::ostringstream out, err;
    FixedClock clock("08.12.2026", "19:30:05");
    Io io{out, err, clock};
    const int status = runCli(args, io);
    return {status, out.str(), err.str()};
}

int lineCount(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

std::string golden(const std::string& name) {
    return readText(std::string(RV720_TEST_DATA) + "/" + name);
}

// --- arguments ------------------------------------------------------------------

TEST(CliArguments, OptionsPositionalsAndErrors) {
    const OptionDef defs[] = {{"columns", true}, {"flag", false}};
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> positional;
        std::optional<std::string> columns;
        bool help;
        std::string error;
    } cases[] = {
        {{"f.pri"}, {"f.pri"}, std::nullopt, false, ""},
        {{"f.pri", "--columns", "4"}, {"f.pri"}, "4", false, ""},
        {{"--columns=4", "f.pri"}, {"f.pri"}, "4", false, ""},
        {{"--columns", "1", "--columns", "4", "f"}, {"f"}, "4", false, ""},
        {{"--columns="}, {}, "", false, ""},
        {{"-h"}, {}, std::nullopt, true, ""},
        {{"x", "--help"}, {"x"}, std::nullopt, true, ""},
        {{"--", "--columns", "-h"}, {"--columns", "-h"}, std::nullopt, false, ""},
        {{"-"}, {"-"}, std::nullopt, false, ""},
        {{"--columns"}, {}, std::nullopt, false, "option '--columns' needs a value"},
        {{"--flag=1"}, {}, std::nullopt, false, "option '--flag' takes no value"},
        {{"--colour", "4"}, {}, std::nullopt, false, "unknown option '--colour'"},
        {{"-c"}, {}, std::nullopt, false, "unknown option '-c'"},
    };
    for (const auto& c : cases) {
        const std::string name = ::testing::PrintToString(c.args);
        const ParsedArgs parsed = parseArgs(c.args, defs);
        EXPECT_EQ(parsed.error, c.error) << name;
        if (!c.error.empty()) continue;
        EXPECT_EQ(parsed.positional, c.positional) << name;
        EXPECT_EQ(parsed.value("columns"), c.columns) << name;
        EXPECT_EQ(parsed.help, c.help) << name;
    }
}

TEST(CliArguments, ColumnsAndSeparatorValues) {
    EXPECT_EQ(parseColumns("1"), ListingLayout::OneColumn);
    EXPECT_EQ(parseColumns("4"), ListingLayout::FourColumns);
    for (const char* bad : {"", "2", "3", "01", "4 ", "four"})
        EXPECT_EQ(parseColumns(bad), std::nullopt) << bad;
    for (char good : {'.', ',', '\'', '_'})
        EXPECT_EQ(parseDecimalSeparator(std::string(1, good)), good);
    for (const char* bad : {"", "..", "5", "-", "+", " ", "\t", "\xC2\xB7"})
        EXPECT_EQ(parseDecimalSeparator(bad), std::nullopt) << bad;
}

// --- help ---------------------------------------------------------------------------

TEST(CliHelp, OverviewNamesEveryVerb) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--help"}, {"-h"}, {"help"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, kExitOk);
        EXPECT_TRUE(r.err.empty());
        for (const Verb& verb : verbs())
            EXPECT_NE(r.out.find("  " + std::string(verb.name) + " "), std::string::npos)
                << verb.name;
    }
}

TEST(CliHelp, EveryVerbDescribesItsOptions) {
    const struct {
        const char* verb;
        std::vector<std::string> mentions;
    } cases[] = {
        {"list",
         {"Usage: rv720 list FILE.pri", "--columns 1|4", "--decimal-separator CHAR", "--help",
          "Exit status"}},
        {"check", {"Usage: rv720 check FILE.pri", "--help", "Exit status"}},
        {"export", {"Usage: rv720 export FILE.pri", "--output OUT", "--labels", "Exit status"}},
        {"import", {"Usage: rv720 import FILE.rv720", "--output OUT", "Exit status"}},
        {"simulate",
         {"Usage: rv720 simulate FILE", "--seconds S", "--set-input", "--json", "--csv OUT.csv",
          "Exit status"}},
        {"write", {"Usage: rv720 write FILE.pri", "--device DEV", "--eeprom PATH", "Exit status"}},
        {"read", {"Usage: rv720 read -o FILE.pri", "--output FILE", "--device DEV", "Exit status"}},
        {"run", {"Usage: rv720 run", "--device DEV", "Exit status"}},
        {"stop", {"Usage: rv720 stop", "--device DEV", "Exit status"}},
        {"reset", {"Usage: rv720 reset", "--device DEV", "Exit status"}},
        {"version", {"Usage: rv720 version", "--device DEV", "Exit status"}},
        {"firmware", {"Usage: rv720 firmware FILE.bin", "--password PW", "Exit status"}},
        {"serve-simulator", {"Usage: rv720 serve-simulator", "--eeprom PATH", "Exit status"}},
        {"monitor", {"Usage: rv720 monitor", "--device DEV", "--count N", "Exit status"}},
        {"devices", {"Usage: rv720 devices", "Can't find USB device", "Exit status"}},
    };
    ASSERT_EQ(std::size(cases), verbs().size());
    for (const auto& c : cases) {
        for (const std::vector<std::string>& args : {std::vector<std::string>{c.verb, "--help"},
                                                     {c.verb, "-h"},
                                                     {"help", c.verb},
                                                     {c.verb, "file.pri", "--help"}}) {
            const RunResult r = run(args);
            EXPECT_EQ(r.status, kExitOk) << c.verb;
            for (const auto& m : c.mentions)
                EXPECT_NE(r.out.find(m), std::string::npos) << c.verb << ": " << m;
        }
    }
}

// --- usage errors ------------------------------------------------------------------------

TEST(CliUsage, MistakesExitTwoWithOneLine) {
    const struct {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{}, "rv720: no command given (see 'rv720 --help')\n"},
        {{"frobnicate"}, "rv720: unknown command 'frobnicate' (see 'rv720 --help')\n"},
        {{"help", "frobnicate"}, "rv720: unknown command 'frobnicate' (see 'rv720 --help')\n"},
        {{"list"}, "rv720 list: no program file given (see 'rv720 list --help')\n"},
        {{"list", "a.pri", "b.pri"},
         "rv720 list: exactly one program file is expected (see 'rv720 list --help')\n"},
        {{"list", "a.pri", "--columns", "3"},
         "rv720 list: --columns takes 1 or 4, not '3' (see 'rv720 list --help')\n"},
        {{"list", "a.pri", "--columns"},
         "rv720 list: option '--columns' needs a value (see 'rv720 list --help')\n"},
        {{"list", "a.pri", "--decimal-separator", "5"},
         "rv720 list: --decimal-separator takes one printable character other than a digit or "
         "a sign, not '5' (see 'rv720 list --help')\n"},
        {{"check", "a.pri", "--columns", "4"},
         "rv720 check: unknown option '--columns' (see 'rv720 check --help')\n"},
        {{"check", "-x", "a.pri"}, "rv720 check: unknown option '-x' (see 'rv720 check --help')\n"},
        {{"import", "a.pri"},
         "rv720 import: FILE is a .pri already; give the output with -o (see 'rv720 import "
         "--help')\n"},
        {{"export", "a.pri", "-o"},
         "rv720 export: option '-o' needs a value (see 'rv720 export --help')\n"},
        {{"simulate", "a.pri", "--seconds", "0"},
         "rv720 simulate: --seconds takes 0.001 ... 3600 (at most three decimals), not '0' (see "
         "'rv720 simulate --help')\n"},
        {{"simulate", "a.pri", "--set-input", "INPUT7=on"},
         "rv720 simulate: --set-input needs IN=on or IN=off, optionally @SECONDS (IN: INPUT1 ... "
         "INPUT6, RUN, STOP), not 'INPUT7=on' (see 'rv720 simulate --help')\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = run(c.args);
        const std::string name = ::testing::PrintToString(c.args);
        EXPECT_EQ(r.status, kExitFailure) << name;
        EXPECT_EQ(r.err, c.err) << name;
        EXPECT_TRUE(r.out.empty()) << name;
    }
}

// --- files that cannot be used -------------------------------------------------------------

TEST(CliFiles, UnreadableOrDamagedFilesExitTwoNamingFileAndReason) {
    TempFolder folder;
    const std::string shortFile = folder.file("short.pri");
    writeBytes(shortFile, std::vector<std::uint8_t>(25, 0));
    std::vector<std::uint8_t> cut = encodeProgramFile(demoProgram());
    cut.resize(30 + 7 * 10);
    const std::string cutFile = folder.file("cut.pri");
    writeBytes(cutFile, cut);
    const std::string missing = folder.file("missing.pri");
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        {missing, "cannot open: No such file or directory"},
        {shortFile, "file is 25 bytes, a program file has at least 30 bytes"},
        {cutFile, "declares 43 commands but holds 7"},
    };
    for (const char* verb : {"list", "check"}) {
        for (const auto& c : cases) {
            const RunResult r = run({verb, c.path});
            EXPECT_EQ(r.status, kExitFailure) << verb << " " << c.path;
            EXPECT_EQ(r.err, "rv720: " + c.path + ": " + c.reason + "\n");
            EXPECT_TRUE(r.out.empty()) << verb << " " << c.path;
        }
    }
}

TEST(CliFiles, OverlongDeclarationIsReadAsTheFirst999WithANote) {
    TempFolder folder;
    std::vector<std::uint8_t> bytes(30, 0);
    writeBe32(bytes.data(), 1005);
    for (int i = 0; i < 1005; ++i)
        bytes.insert(bytes.end(), {code::End, 4, 0, 0, 0, 0, 0, 0, 0, 0});
    const std::string path = folder.file("long.pri");
    writeBytes(path, bytes);
    const RunResult r = run({"list", path});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(lineCount(r.out), 999);
    EXPECT_EQ(r.err, "rv720: " + path + ": note: declares 1005 commands, the first 999 are read\n");
}

// --- list ------------------------------------------------------------------------------------

TEST(CliList, DecimalSeparatorReachesEveryMilliValue) {
    TempFolder folder;
    const std::string path = folder.file("examples.pri");
    ASSERT_TRUE(saveProgramFile(path, listingExamplesProgram()));
    const RunResult r = run({"list", path, "--decimal-separator", ","});
    EXPECT_EQ(r.status, kExitOk);
    std::string expected = golden("listing/examples_one_column.txt");
    for (const char* from : {"12.50", "20.00", "2.00", "0.50", "-1.50"}) {
        std::string to = from;
        to[to.find('.')] = ',';
        expected.replace(expected.find(from), to.size(), to);
    }
    EXPECT_EQ(r.out, expected);
}

// --- check ---------------------------------------------------------------------------------

TEST(CliCheck, ReportAndExitStatusFollowTheErrors) {
    TempFolder folder;
    ProgramImage warningOnly = programOf(
        {driver(1, 8, 200), withParams(code::VMin, 1, 1), withParams(code::VMax, 1, 2),
         withParams(code::AMax, 1, 3), withParams(code::GoTo, 1, 4), makeRecord(code::End, 4)});
    const struct {
        const char* name;
        ProgramImage image;
        int status;
        const char* golden;
    } cases[] = {
        {"empty", ProgramImage{}, kExitProgramErrors, "compiler/empty_program.txt"},
        {"end", programOf({makeRecord(code::End, 4)}), kExitOk, "compiler/end_only.txt"},
        {"warning", warningOnly, kExitOk, "compiler/motion_without_enable.txt"},
    };
    for (const auto& c : cases) {
        const std::string path = folder.file(std::string(c.name) + ".pri");
        ASSERT_TRUE(saveProgramFile(path, c.image));
        const RunResult r = run({"check", path});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.out, golden(c.golden)) << c.name;
        EXPECT_TRUE(r.err.empty()) << c.name;
    }
}

TEST(CliCheck, InputBreakSettingsTravelWithTheFile) {
    TempFolder folder;
    ProgramImage image = programOf({makeRecord(code::End, 4)});
    image.setInputBreak(2, {true, 0, 1});
    const std::string path = folder.file("break.pri");
    ASSERT_TRUE(saveProgramFile(path, image));
    const RunResult r = run({"check", path});
    EXPECT_EQ(r.status, kExitProgramErrors);
    EXPECT_NE(r.out.find("\nError: No defined jump for 2 input in break mode\n"),
              std::string::npos);
}

// --- the text form ---------------------------------------------------------------------------

TEST(CliTextForm, ExportAndImportGiveBackTheFileAndEveryVerbReadsEitherForm) {
    TempFolder folder;
    ProgramImage program = demoProgram();
    program.setRecord(5, {code::PrintUsb, 4, 2, 'H', 'i', 'x', 0, 0, 0, 9});  // stale bytes
    const std::string pri = folder.file("demo.pri");
    ASSERT_TRUE(saveProgramFile(pri, program));
    for (const bool labels : {false, true}) {
        const std::string text = folder.file(labels ? "labels.rv720" : "demo.rv720");
        std::vector<std::string> exportArgs{"export", pri, "-o", text};
        if (labels) exportArgs.push_back("--labels");
        ASSERT_EQ(run(exportArgs).status, kExitOk);
        ASSERT_EQ(run({"import", text}).status, kExitOk);
        EXPECT_EQ(readBytes(folder.file(labels ? "labels.pri" : "demo.pri")),
                  encodeProgramFile(program));
        for (const char* verb : {"list", "check", "export"}) {
            const RunResult fromText = run({verb, text});
            const RunResult fromPri = run({verb, pri});
            EXPECT_EQ(fromText.status, fromPri.status) << verb;
            EXPECT_EQ(fromText.out, fromPri.out) << verb;
        }
    }

    // A mistake names the place, and nothing is written.
    const std::string wrong = folder.file("wrong.rv720");
    const std::string wrongPri = folder.file("wrong.pri");
    writeBytes(wrong, {'e', 'n', 'd', '(', ')', '\n', 'g', 'o', '_', 't', 'o', '(', 'M', '9'});
    for (const char* verb : {"import", "list", "simulate"}) {
        const RunResult r = run({verb, wrong});
        EXPECT_EQ(r.status, kExitFailure) << verb;
        EXPECT_EQ(r.err, wrong + ":2:7: expected a motor M1, M2 or M3\n") << verb;
        EXPECT_TRUE(r.out.empty()) << verb;
    }
    EXPECT_FALSE(std::filesystem::exists(wrongPri));
}

// --- dry run --------------------------------------------------------------------------------

TEST(CliSimulate, TheDemoRunsItsFiveExtraRoundsAndEndsOnceInput3Comes) {
    TempFolder folder;
    const std::string demo = std::string(RV720_TEST_DATA) + "/../../examples/demo.rv720";
    const std::string csv = folder.file("trace.csv");
    RunResult r = run({"simulate", demo, "--json", "--set-input", "INPUT3=on@40", "--csv", csv});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out.rfind("{\"ended\":true,\"stop\":\"end\",\"seconds\":40.", 0), 0u) << r.out;
    EXPECT_NE(r.out.find(",\"positions\":[0,0,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(",\"messages\":[\"Start\",\"Cycle\",\"Cycle\",\"Cycle\",\"Cycle\","
                         "\"Cycle\",\"Cycle\",\"Done\"],"),
              std::string::npos)
        << r.out;
    const std::string trace = readText(csv);
    EXPECT_EQ(trace.rfind("t,line,x1,x2,x3,v1,v2,v3\n0.000,1,0,0,0,0,0,0\n0.010,", 0), 0u);
    EXPECT_EQ(lineCount(trace), 1 + 4002);

    // Without the input it waits for INPUT3 to the limit.
    r = run({"simulate", demo, "--seconds", "60"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out.rfind("Stopped at the limit after 60.000 s, still running.\n", 0), 0u) << r.out;

    const std::string empty = folder.file("empty.pri");
    ASSERT_TRUE(saveProgramFile(empty, ProgramImage{}));
    r = run({"simulate", empty});
    EXPECT_EQ(r.status, kExitProgramErrors);
    EXPECT_EQ(r.out.rfind("Did not start", 0), 0u);
}

// --- the demo program -------------------------------------------------------------------------

TEST(DemoProgram, CommittedFileMatchesItsGeneratorAndCompilesCleanly) {
    const ProgramImage demo = demoProgram();
    EXPECT_EQ(readBytes(std::string(RV720_TEST_DATA) + "/../../examples/demo.pri"),
              encodeProgramFile(demo))
        << "regenerate with: make_demo_program examples/demo.pri";
    // The text form beside it is the same program, its labels and comments aside.
    ProgramImage fromText;
    const ProgramLoad text =
        loadProgram(std::string(RV720_TEST_DATA) + "/../../examples/demo.rv720", fromText);
    ASSERT_TRUE(text) << text.located("demo.rv720");
    EXPECT_EQ(encodeProgramFile(fromText), encodeProgramFile(demo));
    const CompileReport report = compileProgram(demo, "d", "t");
    EXPECT_EQ(report.errors, 0);
    EXPECT_EQ(report.warnings, 0);
    EXPECT_TRUE(report.writeAllowed);
    // Many kinds of command: every stored code but the never-stored 0 and 21.
    std::set<int> codes;
    for (std::uint32_t i = 0; i < demo.length(); ++i)
        codes.insert(demo.code(int(i)));
    EXPECT_EQ(codes.size(), 21u);
}

}  // namespace
}  // namespace rv720::cli
