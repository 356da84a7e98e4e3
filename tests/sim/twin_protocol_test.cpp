#include <fstream>

#include "sim/eeprom_file.h"
#include "twin_harness.h"

namespace rv720::sim::testing {
namespace {

struct CommandCase {
    std::uint8_t code;
    Bytes data;
    std::uint8_t replyCode;
    std::uint8_t replyTarget;
    std::size_t replyDataSize;
};

// Every code the station sends, with the reply the twin gives and its size.
const CommandCase kCommands[] = {
    {1, {4}, 1, 4, 19},
    {2, {4}, 2, 4, 18},
    {3, {4, 1, 1}, 3, 4, 1},
    {4, {2, 1, 0, 0, 0}, 4, 2, 1},
    {5, {1, 0, 0, 0, 10}, 5, 1, 1},
    {6, {2, 0, 0, 4, 0}, 6, 2, 1},
    {7, {3, 0, 0, 0, 94}, 7, 3, 1},
    {8, {3, 0, 0, 0, 104}, 8, 3, 1},
    {9, {1, 0xFF, 0xFF, 0xFF, 0x9C}, 9, 1, 1},
    {10, {4}, 10, 4, 1},
    {11, {4}, 11, 4, 3},
    {12, {4}, 12, 4, 1},
    {13, {4}, 13, 4, 1},
    {16, Bytes(23, 0), 17, 4, 1},  // target patched below
    {18, {4}, 18, 4, 1},
    {19, {4}, 19, 4, 23},
    {20, {4, 0, 1}, 20, 4, 13},
    {21, {4}, 21, 4, 1},
    {22, {4}, 22, 4, 1},
    {28, {2, 0, 0, 1, 0xF4}, 28, 2, 1},
    {29, {2, 0, 0, 1, 0xF4}, 29, 2, 1},
};

TEST(TwinCommands, EveryCodeIsAnsweredWithItsReplyAndTarget) {
    for (auto c : kCommands) {
        TwinHarness h;
        if (c.code == 16) c.data[0] = 4;
        const Reply r = h.exchange(c.code, c.data);
        EXPECT_EQ(r.code, c.replyCode) << "command " << int(c.code);
        ASSERT_FALSE(r.data.empty()) << "command " << int(c.code);
        EXPECT_EQ(r.data[0], c.replyTarget) << "command " << int(c.code);
        EXPECT_EQ(r.data.size(), c.replyDataSize) << "command " << int(c.code);
        EXPECT_EQ(r.status, 0) << "nothing runs, command " << int(c.code);
    }
}

TEST(TwinCommands, MalformedOrMisaddressedFramesAreRefusedWithCodeZero) {
    struct Case {
        const char* what;
        std::uint8_t code;
        Bytes data;
    };
    const Case cases[] = {
        {"no data at all", 1, {}},
        {"controller command aimed at a motor", 1, {2}},
        {"motor command aimed at the controller", 8, {4, 0, 0, 0, 1}},
        {"motor command for motor 0", 9, {0, 0, 0, 0, 1}},
        {"motor command cut short", 9, {1, 0, 0}},
        {"output 0", 3, {4, 0, 1}},
        {"output 10", 3, {4, 10, 1}},
        {"work mode 3", 4, {1, 3, 0, 0, 0}},
        {"record without a header", 17, {4, 0, 1, 10, 4, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"read index 0", 20, {4, 0, 0}},
        {"read index 1000", 20, {4, 0x03, 0xE8}},
        {"header longer than the memory", 16,
         [] {
             Bytes d(23, 0);
             d[0] = 4;
             d[1] = 0x03;
             d[2] = 0xE8;
             return d;
         }()},
        {"unknown code 14", 14, {4}},
        {"unknown code 30", 30, {4}},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        const Reply r = h.exchange(c.code, c.data);
        EXPECT_EQ(r.code, kRefusedCode) << c.what;
        EXPECT_EQ(r.data, (Bytes{4, c.code})) << c.what;
    }
}

TEST(TwinCommands, VersionReplyCarriesTheConfiguredVersion) {
    TwinHarness standard;
    EXPECT_EQ(standard.exchange(11, {4}).data, (Bytes{4, 1, 3}));
    TwinOptions options;
    options.version = {2, 12};
    TwinHarness custom(options);
    EXPECT_EQ(custom.exchange(11, {4}).data, (Bytes{4, 2, 12}));
}

TEST(TwinCommands, MotorStateEncodesPositionsAndVelocities) {
    TwinHarness h;
    h.exchange(9, {1, 0xFF, 0xFF, 0xFF, 0xFF});  // motor 1 to -1
    h.exchange(9, {2, 0x00, 0x7F, 0xFF, 0xFF});  // motor 2 to 8388607
    h.exchange(9, {3, 0x7F, 0xFF, 0xFF, 0xFF});  // far beyond: limited to 24 bits
    h.exchange(8, {1, 0xFF, 0xFF, 0xFF, 0xFF});  // motor 1 at velocity -1
    h.exchange(8, {3, 0x00, 0x00, 0x7F, 0xFF});  // beyond 2047: limited
    const Reply r = h.exchange(1, {4});
    EXPECT_EQ(r.data, (Bytes{4, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0x00, 0x0F,
                             0xFF, 0x00, 0x00, 0x00, 0x00, 0x07, 0xFF}));
}

TEST(TwinCommands, StepsMoveRelativeToThePosition) {
    TwinHarness h;
    h.exchange(9, {2, 0, 0, 0x03, 0xE8});  // 1000
    h.exchange(28, {2, 0, 0, 1, 0xF4});    // +500
    h.exchange(29, {2, 0, 0, 0, 100});     // -100
    EXPECT_EQ(h.twin.axis(1).position(), 1400);
    EXPECT_EQ(h.twin.axis(0).position(), 0);
}

TEST(TwinCommands, OutputsShowInTheIoStateAndInputsToo) {
    TwinHarness h;
    h.exchange(3, {4, 1, 1});
    h.exchange(3, {4, 9, 1});
    h.exchange(3, {4, 7, 1});
    h.exchange(3, {4, 7, 0});
    h.twin.setInput(6, true);
    h.twin.setStopInput(true);
    Bytes expected(18, 0);
    expected[0] = 4;
    expected[1] = 1;   // output 1
    expected[9] = 1;   // relay 2
    expected[15] = 1;  // input 6
    expected[17] = 1;  // STOP
    EXPECT_EQ(h.exchange(2, {4}).data, expected);
}

TEST(TwinCommands, DirectLimitsAndModeReachTheAxis) {
    TwinHarness h;
    h.exchange(4, {3, 1, 0, 0, 0});
    h.exchange(5, {3, 0, 0, 0, 0});        // 0 is raised to 1
    h.exchange(6, {3, 0, 0, 0x10, 0x00});  // 4096 is limited to 2047
    h.exchange(7, {3, 0, 0, 0, 94});
    auto& axis = dynamic_cast<InstantAxis&>(h.twin.axis(2));
    EXPECT_EQ(axis.mode(), AxisMode::Soft);
    EXPECT_EQ(axis.minVelocity(), 1);
    EXPECT_EQ(axis.maxVelocity(), 2047);
    EXPECT_EQ(axis.maxAcceleration(), 94);
}

TEST(TwinCommands, ResetStopsAndClearsButKeepsTheProgram) {
    TwinHarness h;
    h.writeProgram({rec({15, 4, 2, 1}), rec({5, 4, 1}), recP1(6, 4, 10000), rec({10, 4})});
    h.exchange(9, {1, 0, 0, 0, 50});
    h.exchange(12, {4});
    h.twin.advance(5ms);
    ASSERT_TRUE(h.twin.running());
    ASSERT_TRUE(h.twin.output(2));
    h.twin.takeBytes();
    const Reply r = h.exchange(22, {4});
    EXPECT_EQ(r.code, 22);
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(h.twin.running());
    EXPECT_FALSE(h.twin.output(2));
    EXPECT_FALSE(h.twin.enableOutput());
    EXPECT_EQ(h.twin.axis(0).position(), 0);
    EXPECT_EQ(h.twin.program().length(), 4u);
}

// ---------------------------------------------------------------- write and read

InputBreakWire sampleBlock() {
    InputBreakWire block{};
    block[0] = 1;  // INPUT1 enabled
    block[2] = 3;  // line low byte
    block[3] = 1;  // rising
    block[10] = 1;
    block[11] = 1;  // INPUT2 line 256 + 2
    block[12] = 2;
    return block;
}

std::vector<Record> sampleRecords() {
    return {rec({17, 1, 1, 0, 0, 8, 0, 0, 0, 200}), recP1(8, 1, -400),
            rec({19, 4, 3, 'a', 'b', 'c', 9, 9, 9, 9}), rec({10, 4})};
}

std::vector<Reply> readBack(TwinHarness& h, int count) {
    std::vector<Reply> out{h.exchange(19, {4})};
    for (int k = 1; k <= count; ++k)
        out.push_back(h.exchange(20, {4, 0, std::uint8_t(k)}));
    h.exchange(18, {4});
    return out;
}

TEST(TwinTransfer, WrittenProgramReadsBackRecordForRecord) {
    TwinHarness h;
    const auto records = sampleRecords();
    h.writeProgram(records, sampleBlock());
    const auto got = readBack(h, int(records.size()));
    Bytes header{4, 0, 4};
    const auto block = sampleBlock();
    header.insert(header.end(), block.begin(), block.end());
    EXPECT_EQ(got[0].code, 19);
    EXPECT_EQ(got[0].data, header);
    for (std::size_t k = 1; k <= records.size(); ++k) {
        Bytes expected{4, 0, std::uint8_t(k)};
        expected.insert(expected.end(), records[k - 1].begin(), records[k - 1].end());
        EXPECT_EQ(got[k].code, 20);
        EXPECT_EQ(got[k].data, expected) << "record " << k;
    }
    const InputBreak in2 = h.twin.program().inputBreak(2);
    EXPECT_TRUE(in2.enabled);
    EXPECT_EQ(in2.line, 258);
}

TEST(TwinTransfer, InterruptedWriteKeepsTheStoredProgram) {
    TwinHarness h;
    h.writeProgram({rec({10, 4})});
    Bytes header(23, 0);
    header[0] = 4;
    header[2] = 3;
    EXPECT_EQ(h.exchange(16, header).code, 17);
    EXPECT_EQ(h.exchange(17, {4, 0, 1, 5, 4, 1, 0, 0, 0, 0, 0, 0, 0}).code, 17);
    EXPECT_EQ(h.exchange(18, {4}).code, 18);  // the station's Stop
    EXPECT_EQ(h.twin.program().length(), 1u);
    EXPECT_EQ(h.twin.program().record(0), rec({10, 4}));
    // A record after the end of the session belongs to no write.
    EXPECT_EQ(h.exchange(17, {4, 0, 2, 5, 4, 1, 0, 0, 0, 0, 0, 0, 0}).code, kRefusedCode);
}

TEST(TwinTransfer, RecordIndexBeyondTheHeaderIsRefused) {
    TwinHarness h;
    Bytes header(23, 0);
    header[0] = 4;
    header[2] = 1;
    h.exchange(16, header);
    EXPECT_EQ(h.exchange(17, {4, 0, 2, 10, 4, 0, 0, 0, 0, 0, 0, 0, 0}).code, kRefusedCode);
    EXPECT_EQ(h.exchange(17, {4, 0, 0, 10, 4, 0, 0, 0, 0, 0, 0, 0, 0}).code, kRefusedCode);
    EXPECT_EQ(h.twin.program().length(), 0u);
}

TEST(TwinTransfer, EmptyProgramWriteClearsTheStoredOne) {
    TwinHarness h;
    h.writeProgram(sampleRecords());
    h.writeProgram({});
    EXPECT_EQ(h.twin.program().length(), 0u);
    EXPECT_EQ(h.exchange(19, {4}).data[2], 0);
}

TEST(TwinTransfer, ReadServesStaleSlotsPastTheLength) {
    TwinHarness h;
    h.writeProgram({rec({10, 4}), rec({11, 2})});
    h.writeProgram({rec({13, 4})});
    const Reply r = h.exchange(20, {4, 0, 2});
    EXPECT_EQ(r.code, 20);
    EXPECT_EQ(Bytes(r.data.begin() + 3, r.data.begin() + 5), (Bytes{11, 2}));
}

TEST(TwinTransfer, WriteHeaderStopsARunningProgram) {
    TwinHarness h;
    h.writeProgram({recP1(6, 4, 100000), rec({10, 4})});
    h.exchange(12, {4});
    h.twin.advance(1ms);
    ASSERT_TRUE(h.twin.running());
    h.twin.takeBytes();
    h.writeProgram({rec({10, 4})});
    EXPECT_FALSE(h.twin.running());
}

// ---------------------------------------------------------------- EEPROM file

TEST(TwinEeprom, ProgramSurvivesANewTwin) {
    TempDir dir;
    TwinOptions options;
    options.eepromPath = dir.path() / "nested" / "eeprom.bin";
    {
        TwinHarness first(options);
        first.writeProgram(sampleRecords(), sampleBlock());
        EXPECT_TRUE(first.twin.eepromSaved());
    }
    TwinHarness second(options);
    const auto got = readBack(second, 4);
    EXPECT_EQ(got[0].data[2], 4);
    const auto block = sampleBlock();
    EXPECT_EQ(Bytes(got[0].data.begin() + 3, got[0].data.end()), Bytes(block.begin(), block.end()));
    const auto records = sampleRecords();
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(Bytes(got[k].data.begin() + 3, got[k].data.end()),
                  Bytes(records[k - 1].begin(), records[k - 1].end()));
}

TEST(TwinEeprom, FileLayoutIsHeaderRecordsAndSum) {
    TempDir dir;
    const auto path = dir.path() / "eeprom.bin";
    ProgramImage program;
    program.setLength(1);
    program.setRecord(0, rec({10, 4}));
    ASSERT_TRUE(saveEeprom(path, program));
    std::ifstream in(path, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Bytes expected{0, 1};
    expected.resize(22, 0);
    expected.push_back(10);
    expected.push_back(4);
    expected.resize(32, 0);
    expected.push_back(0);
    expected.push_back(15);  // 1 + 10 + 4
    EXPECT_EQ(bytes, expected);
}

TEST(TwinEeprom, DamagedOrMissingFilesGiveAnEmptyProgram) {
    TempDir dir;
    const auto path = dir.path() / "eeprom.bin";
    ProgramImage program;
    program.setLength(2);
    program.setRecord(0, rec({13, 4, 0, 0, 0, 5}));
    program.setRecord(1, rec({10, 4}));
    ASSERT_TRUE(saveEeprom(path, program));
    std::ifstream in(path, std::ios::binary);
    const Bytes good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    ASSERT_TRUE(loadEeprom(path).has_value());

    auto damaged = [&](Bytes bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        TwinOptions options;
        options.eepromPath = path;
        ControllerTwin twin(options);
        return twin.program().length();
    };
    Bytes flipped = good;
    flipped[25] ^= 0x01;
    Bytes truncated(good.begin(), good.end() - 3);
    Bytes longer = good;
    longer.push_back(0);
    Bytes tooLong = good;
    tooLong[0] = 0x03;
    tooLong[1] = 0xE8;
    EXPECT_EQ(damaged(flipped), 0u);
    EXPECT_EQ(damaged(truncated), 0u);
    EXPECT_EQ(damaged(longer), 0u);
    EXPECT_EQ(damaged(tooLong), 0u);
    EXPECT_EQ(damaged({}), 0u);
    EXPECT_EQ(damaged(good), 2u);
    std::filesystem::remove(path);
    EXPECT_FALSE(loadEeprom(path).has_value());
}

TEST(TwinEeprom, UnwritablePathIsReportedAndTheProgramStillRuns) {
    TempDir dir;
    const auto blocker = dir.path() / "file";
    std::ofstream(blocker) << "x";
    TwinOptions options;
    options.eepromPath = blocker / "eeprom.bin";  // a directory that cannot exist
    TwinHarness h(options);
    h.writeProgram({rec({10, 4})});
    EXPECT_FALSE(h.twin.eepromSaved());
    EXPECT_EQ(h.twin.program().length(), 1u);
}

TEST(TwinEeprom, DefaultPathFollowsTheDataHome) {
    const char* oldXdg = std::getenv("XDG_DATA_HOME");
    const std::string saved = oldXdg ? oldXdg : "";
    ::setenv("XDG_DATA_HOME", "/data/home", 1);
    EXPECT_EQ(defaultEepromPath(), std::filesystem::path("/data/home/rv720/eeprom.bin"));
    EXPECT_EQ(TwinOptions::persistent().eepromPath, defaultEepromPath());
    EXPECT_TRUE(TwinOptions{}.eepromPath.empty()) << "tests never touch the user's folder";
    ::unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (home && *home)
        EXPECT_EQ(defaultEepromPath(),
                  std::filesystem::path(home) / ".local/share/rv720/eeprom.bin");
    if (oldXdg) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace rv720::sim::testing
