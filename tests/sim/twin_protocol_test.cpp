#include <fstream>

#include "sim/eeprom_file.h"
#include "support/twin_harness.h"

namespace rv720::sim::testing {
namespace {

Bytes writeHeader(std::uint16_t length) {
    Bytes d(23, 0);
    d[0] = 4;
    writeBe16(d.data() + 1, length);
    return d;
}

TEST(TwinCommands, EveryCodeIsAnsweredWithItsReplyAndTarget) {
    struct Case {
        std::uint8_t code;
        Bytes data;
        std::uint8_t replyCode;
        std::uint8_t target;
        std::size_t size;  // data bytes of the reply
    };
    const Case cases[] = {
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
        {16, writeHeader(0), 17, 4, 1},
        {18, {4}, 18, 4, 1},
        {19, {4}, 19, 4, 23},
        {20, {4, 0, 1}, 20, 4, 13},
        {21, {4}, 21, 4, 1},
        {22, {4}, 22, 4, 1},
        {28, {2, 0, 0, 1, 0xF4}, 28, 2, 1},
        {29, {2, 0, 0, 1, 0xF4}, 29, 2, 1},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        const Reply r = h.exchange(c.code, c.data);
        EXPECT_EQ(r.code, c.replyCode) << "command " << int(c.code);
        EXPECT_EQ(r.status, 0) << "command " << int(c.code);
        ASSERT_EQ(r.data.size(), c.size) << "command " << int(c.code);
        EXPECT_EQ(r.data[0], c.target) << "command " << int(c.code);
    }
    TwinOptions options;
    options.version = {2, 12};
    EXPECT_EQ(TwinHarness(options).exchange(11, {4}).data, (Bytes{4, 2, 12}));
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
        {"header longer than the memory", 16, writeHeader(1000)},
        {"unknown code 14", 14, {4}},
        {"unknown code 30", 30, {4}},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        EXPECT_EQ(h.exchange(c.code, c.data), (Reply{kRefusedCode, 0, {4, c.code}})) << c.what;
    }
}

TEST(TwinCommands, MotorStateEncodesPositionsAndVelocities) {
    TwinOptions instant;  // positions at once, so the reply shows the targets
    instant.axisFactory = makeInstantAxis;
    TwinHarness h(instant);
    h.exchange(9, {1, 0xFF, 0xFF, 0xFF, 0xFF});  // motor 1 to -1
    h.exchange(9, {2, 0x00, 0x7F, 0xFF, 0xF0});  // motor 2 to 8388592 ...
    h.exchange(28, {2, 0, 0, 0, 20});            // ... +20, limited to 8388607
    h.exchange(29, {3, 0, 0, 0, 2});             // motor 3 two steps down
    h.exchange(8, {1, 0xFF, 0xFF, 0xFF, 0xFF});  // motor 1 at velocity -1
    h.exchange(8, {3, 0x00, 0x00, 0x7F, 0xFF});  // beyond 2047: limited
    EXPECT_EQ(h.exchange(1, {4}).data,
              (Bytes{4, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0x00, 0x0F, 0xFF,
                     0x00, 0x00, 0x00, 0x00, 0x07, 0xFF}));
}

TEST(TwinCommands, OutputsAndInputsShowInTheIoState) {
    TwinHarness h;
    for (const Bytes& d : {Bytes{4, 1, 1}, Bytes{4, 9, 1}, Bytes{4, 7, 1}, Bytes{4, 7, 0}})
        h.exchange(3, d);
    h.twin.setInput(6, true);
    h.twin.setStopInput(true);
    Bytes expected(18, 0);
    expected[0] = 4;
    expected[1] = expected[9] = expected[15] = expected[17] = 1;  // out 1, relay 2, in 6, STOP
    EXPECT_EQ(h.exchange(2, {4}).data, expected);
}

TEST(TwinCommands, ResetStopsAndClearsButKeepsTheProgram) {
    TwinHarness h;
    h.exchange(9, {1, 0, 0, 0, 50});
    h.run({setOut(2, true), recordOf({5, 4, 1}), waitMs(10000), end()});
    h.twin.advance(5ms);
    ASSERT_TRUE(h.twin.output(2) && h.twin.enableOutput());
    h.twin.takeBytes();
    EXPECT_EQ(h.exchange(22, {4}), (Reply{22, 0, {4}}));
    EXPECT_FALSE(h.twin.running());
    EXPECT_FALSE(h.twin.output(2));
    EXPECT_FALSE(h.twin.enableOutput());
    EXPECT_EQ(h.twin.axis(0).position(), 0);
    EXPECT_EQ(h.twin.program().length(), 4u);
}

TEST(TwinCommands, ResetRestoresThePowerOnMotion) {
    // Power-on: Ramp, v_min 7, v_max 105 and a_max 94 units.
    TwinHarness h;
    h.exchange(4, {2, 1, 0, 0, 0});           // Soft
    h.exchange(6, {2, 0, 0, 0x07, 0xFF});     // v_max 2047
    h.exchange(7, {2, 0, 0, 0x07, 0xFF});     // a_max 2047
    h.exchange(9, {2, 0, 0x01, 0x00, 0x00});  // to 65536
    h.twin.advance(100ms);
    ASSERT_EQ(h.twin.axis(1).velocity(), 2047);
    EXPECT_EQ(h.exchange(22, {4}).code, 22);
    EXPECT_EQ(h.twin.axis(1).position(), 0);
    h.exchange(9, {2, 0, 0x01, 0x00, 0x00});
    h.twin.advance(100ms);
    EXPECT_EQ(h.twin.axis(1).velocity(), 105) << "v_max";
    h.exchange(6, {2, 0, 0, 0x07, 0xFF});
    h.twin.advance(1ms);
    EXPECT_LE(h.twin.axis(1).velocity(), 105 + 105) << "a_max: about 105 units more per ms";
}

// ---------------------------------------------------------------- write and read

InputBreakWire sampleBlock() {
    InputBreakWire block{};
    block[0] = 1;  // INPUT1 enabled, line 3, rising
    block[2] = 3;
    block[3] = 1;
    block[10] = 1;  // INPUT2 enabled, line 258
    block[11] = 1;
    block[12] = 2;
    return block;
}

const std::vector<Record> kSample = {recordOf({17, 1, 1, 0, 0, 8, 0, 0, 0, 200}),
                                     withParams(8, 1, -400),
                                     recordOf({19, 4, 3, 'a', 'b', 'c', 9, 9, 9, 9}), end()};

// Reads the program back as the station does and checks every reply against it.
void expectReadBack(TwinHarness& h, const std::vector<Record>& records,
                    const InputBreakWire& block) {
    Bytes header{4, 0, std::uint8_t(records.size())};
    header.insert(header.end(), block.begin(), block.end());
    EXPECT_EQ(h.exchange(19, {4}), (Reply{19, 0, header}));
    for (std::size_t k = 1; k <= records.size(); ++k) {
        Bytes expected{4, 0, std::uint8_t(k)};
        expected.insert(expected.end(), records[k - 1].begin(), records[k - 1].end());
        EXPECT_EQ(h.exchange(20, {4, 0, std::uint8_t(k)}), (Reply{20, 0, expected})) << k;
    }
    EXPECT_EQ(h.exchange(18, {4}).code, 18);
}

TEST(TwinTransfer, WrittenProgramReadsBackRecordForRecord) {
    TwinHarness h;
    h.writeProgram(kSample, sampleBlock());
    expectReadBack(h, kSample, sampleBlock());
    EXPECT_EQ(h.twin.program().inputBreak(2).line, 258);
    h.writeProgram({});
    expectReadBack(h, {}, {});
}

TEST(TwinTransfer, InterruptedWriteKeepsTheStoredProgram) {
    TwinHarness h;
    h.writeProgram({end()});
    EXPECT_EQ(h.exchange(16, writeHeader(3)).code, 17);
    const Bytes record{4, 0, 1, 5, 4, 1, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(h.exchange(17, record).code, 17);
    for (std::uint8_t index : {0, 4}) {  // outside the header's 1..3
        Bytes wrong = record;
        wrong[2] = index;
        EXPECT_EQ(h.exchange(17, wrong).code, kRefusedCode) << int(index);
    }
    EXPECT_EQ(h.exchange(18, {4}).code, 18);  // the station's Stop
    EXPECT_EQ(h.twin.program().length(), 1u);
    EXPECT_EQ(h.twin.program().record(0), end());
    EXPECT_EQ(h.exchange(17, record).code, kRefusedCode) << "the session is over";
}

TEST(TwinTransfer, RecordsResentAfterALostReplyAreStoredOnce) {
    TwinHarness h;
    h.exchange(16, writeHeader(2));
    const Bytes first{4, 0, 1, 13, 4, 0, 0, 0, 5, 0, 0, 0, 0};
    const Bytes last{4, 0, 2, 10, 4, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const Bytes& record : {first, first, last, last})
        EXPECT_EQ(h.exchange(17, record).code, 17);
    h.exchange(18, {4});
    expectReadBack(h, {withParams(13, 4, 5), end()}, {});
}

TEST(TwinTransfer, WriteAndFirmwareRequestsStopARunningProgram) {
    for (std::uint8_t code : {16, 21}) {
        TwinHarness h;
        h.run({waitMs(100000), end()});
        h.twin.advance(1ms);
        h.twin.takeBytes();
        const Reply r = h.exchange(code, code == 16 ? writeHeader(1) : Bytes{4});
        EXPECT_EQ(r.status, 0) << int(code);
        EXPECT_FALSE(h.twin.running()) << int(code);
    }
}

// ---------------------------------------------------------------- EEPROM file

TEST(TwinEeprom, ProgramSurvivesANewTwin) {
    TempFolder dir;
    TwinOptions options;
    options.eepromPath = dir.path() / "nested" / "eeprom.bin";
    TwinHarness(options).writeProgram(kSample, sampleBlock());
    TwinHarness second(options);
    expectReadBack(second, kSample, sampleBlock());
}

TEST(TwinEeprom, FileLayoutIsHeaderRecordsAndSum) {
    TempFolder dir;
    const auto path = dir.path() / "eeprom.bin";
    ProgramImage program;
    program.setLength(1);
    program.setRecord(0, end());
    program.setInputBreak(2, {true, 2, 1});
    ASSERT_TRUE(saveEeprom(path, program));
    std::ifstream in(path, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Bytes expected(34, 0);
    expected[1] = 1;                                       // length
    expected[12] = 1, expected[14] = 2, expected[15] = 1;  // INPUT2 half of the block
    expected[22] = 10, expected[23] = 4;                   // END
    expected[33] = 1 + 1 + 2 + 1 + 10 + 4;
    EXPECT_EQ(bytes, expected);
}

TEST(TwinEeprom, DamagedOrMissingFilesGiveAnEmptyProgram) {
    TempFolder dir;
    const auto path = dir.path() / "eeprom.bin";
    ProgramImage program;
    program.setLength(2);
    program.setRecord(0, withParams(13, 4, 5));
    program.setRecord(1, end());
    ASSERT_TRUE(saveEeprom(path, program));
    std::ifstream in(path, std::ios::binary);
    const Bytes good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    auto lengthAfterLoading = [&](Bytes bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        TwinOptions options;
        options.eepromPath = path;
        return ControllerTwin(options).program().length();
    };
    Bytes flipped = good, truncated(good.begin(), good.end() - 3), longer = good, tooLong = good;
    flipped[25] ^= 0x01;
    longer.push_back(0);
    tooLong[0] = 0x03, tooLong[1] = 0xE8;
    for (const Bytes& bad : {flipped, truncated, longer, tooLong, Bytes{}})
        EXPECT_EQ(lengthAfterLoading(bad), 0u) << bad.size() << " bytes";
    EXPECT_EQ(lengthAfterLoading(good), 2u);
    std::filesystem::remove(path);
    EXPECT_FALSE(loadEeprom(path).has_value());
}

TEST(TwinEeprom, UnwritablePathIsReportedAndTheProgramStillRuns) {
    TempFolder dir;
    std::ofstream(dir.path() / "file") << "x";
    TwinOptions options;
    options.eepromPath = dir.path() / "file" / "eeprom.bin";  // under a plain file
    TwinHarness h(options);
    h.writeProgram({end()});
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
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";
    ::setenv("HOME", "/home/operator", 1);
    EXPECT_EQ(defaultEepromPath(),
              std::filesystem::path("/home/operator/.local/share/rv720/eeprom.bin"));
    ::unsetenv("HOME");
    EXPECT_TRUE(defaultEepromPath().empty());
    if (oldHome) ::setenv("HOME", savedHome.c_str(), 1);
    if (oldXdg) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace rv720::sim::testing
