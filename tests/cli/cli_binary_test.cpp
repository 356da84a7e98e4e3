// The rv720 binary as scripts use it: exit status, stdout and stderr.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/listing_examples.h"
#include "model/program_file.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

using namespace rv720::test;

struct Outcome {
    int status;
    std::string out, err;
};

// Runs the binary with `args` (already quoted as the shell needs them).
Outcome runTool(const TempFolder& folder, const std::string& args,
                const std::string& stdoutTarget = "") {
    const std::string out = stdoutTarget.empty() ? folder.file("stdout") : stdoutTarget;
    const std::string err = folder.file("stderr");
    const std::string command =
        "'" + std::string(RV720_BIN) + "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return {status, stdoutTarget.empty() ? readText(out) : "", readText(err)};
}

std::string quoted(const std::string& path) {
    return "'" + path + "'";
}

int lines(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

TEST(ToolBinary, ListReproducesTheGoldenListings) {
    TempFolder folder;
    const std::string program = folder.file("examples.pri");
    ASSERT_TRUE(saveProgramFile(program, listingExamplesProgram()));
    const std::string data = RV720_TEST_DATA;
    const struct {
        std::string args;
        std::string golden;
    } cases[] = {
        {"list " + quoted(program), "/listing/examples_one_column.txt"},
        {"list " + quoted(program) + " --columns 4", "/listing/examples_four_columns.txt"},
    };
    for (const auto& c : cases) {
        const Outcome o = runTool(folder, c.args);
        EXPECT_EQ(o.status, 0) << c.args;
        EXPECT_EQ(o.out, readText(data + c.golden)) << c.args;
        EXPECT_EQ(o.err, "") << c.args;
    }
}

TEST(ToolBinary, DemoProgramListsAndChecks) {
    TempFolder folder;
    const std::string demo = quoted(std::string(RV720_TEST_DATA) + "/../../examples/demo.pri");
    Outcome o = runTool(folder, "list " + demo + " --columns 4");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(lines(o.out), 43);
    o = runTool(folder, "check " + demo);
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("Compilation start: ", 0), 0u);
    EXPECT_NE(o.out.find("\n    Errors:       0\n"), std::string::npos);
}

TEST(ToolBinary, ExitStatusTellsScriptsWhatHappened) {
    TempFolder folder;
    const std::string good = folder.file("good.pri");
    ASSERT_TRUE(saveProgramFile(good, programOf({makeRecord(code::End, 4)})));
    const std::string bad = folder.file("bad.pri");
    ASSERT_TRUE(saveProgramFile(bad, programOf({withParams(code::GoTo, 1, 1)})));
    const std::string damaged = folder.file("damaged.pri");
    writeBytes(damaged, std::vector<std::uint8_t>(25, 0));
    const std::string empty = folder.file("empty.pri");
    ASSERT_TRUE(saveProgramFile(empty, ProgramImage{}));
    const std::string mistake = folder.file("mistake.rv720");
    writeBytes(mistake, {'e', 'n', 'd', '(', ' '});
    const struct {
        std::string args;
        int status;
        std::string err;  // exact, when given
        int outLines;
    } cases[] = {
        {"check " + quoted(good), 0, "", 9},
        {"check " + quoted(bad), 1, "", 17},
        {"check " + quoted(damaged), 2,
         "rv720: " + damaged + ": file is 25 bytes, a program file has at least 30 bytes\n", 0},
        {"list " + quoted(damaged), 2,
         "rv720: " + damaged + ": file is 25 bytes, a program file has at least 30 bytes\n", 0},
        {"list " + quoted(folder.file("none.pri")), 2,
         "rv720: " + folder.file("none.pri") + ": cannot open: No such file or directory\n", 0},
        {"simulate " + quoted(good), 0, "", 6},
        {"simulate " + quoted(empty), 1, "", 6},
        {"simulate " + quoted(damaged), 2,
         "rv720: " + damaged + ": file is 25 bytes, a program file has at least 30 bytes\n", 0},
        {"import " + quoted(mistake), 2, mistake + ":1:6: expected ')'\n", 0},
        {"", 2, "rv720: no command given (see 'rv720 --help')\n", 0},
        {"--help", 0, "", -1},
        {"list --help", 0, "", -1},
    };
    for (const auto& c : cases) {
        const Outcome o = runTool(folder, c.args);
        EXPECT_EQ(o.status, c.status) << c.args;
        EXPECT_EQ(o.err, c.err) << c.args;
        if (c.outLines >= 0) {
            EXPECT_EQ(lines(o.out), c.outLines) << c.args;
        } else {
            EXPECT_GT(lines(o.out), 3) << c.args;
        }
    }
}

TEST(ToolBinary, OutputThatCannotBeWrittenIsAFailure) {
    TempFolder folder;
    const std::string program = folder.file("examples.pri");
    ASSERT_TRUE(saveProgramFile(program, listingExamplesProgram()));
    const Outcome o = runTool(folder, "list " + quoted(program), "/dev/full");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.err, "rv720: cannot write the output\n");
}

}  // namespace
}  // namespace rv720
