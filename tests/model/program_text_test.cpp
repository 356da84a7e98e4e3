#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "model/message_text.h"
#include "model/program_file.h"
#include "model/program_text.h"
#include "model/values.h"
#include "support/record_builders.h"

namespace rv720 {
namespace {

using namespace rv720::test;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// What the parameter dialog can store: every command kind with values inside its
// limits, typed as an operator would type them. Each must come out as words.
Record dialogRecord(std::mt19937& rng, std::uint32_t length) {
    const auto pick = [&](int lo, int hi) { return int(rng() % unsigned(hi - lo + 1)) + lo; };
    const auto motor = std::uint8_t(pick(1, 3));
    const auto typed = [&](double hi) {
        // Any real in range, as the dialog rounds it to single precision.
        return toMilli(float(double(rng() % 1'000'000'000u) / 1e6 * hi / 1000.0));
    };
    const std::int32_t line =
        pick(0, 9) == 0 ? -pick(1, 50) : pick(1, int(length) + 1);  // the dialog passes negatives
    const std::uint8_t c = kControllerTarget;
    switch (pick(0, 20)) {
        case 0:
            return withParams(code::VMin, motor, typed(31234.74));
        case 1:
            return withParams(code::VMax, motor, typed(31234.74));
        case 2:
            return withParams(code::VDest, motor, pick(0, 1) ? typed(31234.74) : -typed(31234.74));
        case 3:
            return withParams(code::AMax, motor, typed(543263.8));
        case 4:
            return withBytes(code::Enable, c, {std::uint8_t(pick(0, 1))});
        case 5:
            return withParams(code::WaitMs, c, pick(0, 86'400'000));
        case 6:
            return withParams(code::JumpLine, c, line);
        case 7:
            return withParams(code::GoTo, motor, pick(-8'388'607, 8'388'607));
        case 8:
            return withParams(code::Home, motor, typed(31234.74), typed(31234.74));
        case 9:
            return makeRecord(code::End, c);
        case 10:
            return makeRecord(pick(0, 1) ? code::Brake : code::Stop, motor);
        case 11:
            return withParams(code::Counter, c, pick(0, 65535));
        case 12:
            return withParams(code::JumpIfCounter, c, line);
        case 13:
            return withBytes(code::SetOut, c, {std::uint8_t(pick(1, 9)), std::uint8_t(pick(0, 1))});
        case 14: {
            Record r = withParams(code::JumpIfInput, c, line);
            r[6] = std::uint8_t(pick(1, 6));
            r[7] = std::uint8_t(pick(0, 1));
            return r;
        }
        case 15:
            return driver(motor, std::uint16_t(pick(1, 256)), std::uint16_t(pick(1, 1600)),
                          pick(0, 1), pick(0, 1));
        case 16:
            return withBytes(code::SetUsb, c, {std::uint8_t(pick(0, 1))});
        case 17: {
            // Any printable character of the code page, commas, parentheses and
            // '#' included.
            static const std::string alphabet = messageBytes("a,)(#@;Z 9 żółć€„…", 99);
            Record r = makeRecord(code::PrintUsb, c);
            r[2] = std::uint8_t(pick(0, 7));
            for (int k = 0; k < r[2]; ++k)
                r[std::size_t(3 + k)] = std::uint8_t(alphabet[rng() % alphabet.size()]);
            return r;
        }
        default:
            return withBytes(
                pick(0, 1) ? code::WaitMotor : code::ClearMotor, c,
                {std::uint8_t(pick(0, 1)), std::uint8_t(pick(0, 1)), std::uint8_t(pick(0, 1))});
    }
}

struct RandomProgram {
    ProgramImage image;
    std::vector<bool> fromDialog;
};

RandomProgram randomProgram(unsigned seed) {
    std::mt19937 rng(seed);
    RandomProgram p;
    const auto n = std::uint32_t(seed % 7 == 0 ? 999 : rng() % 60);
    p.fromDialog.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        Record r = dialogRecord(rng, n);
        p.fromDialog[i] = true;
        if (rng() % 4 == 0) {  // junk: a damaged byte, or nothing but junk
            p.fromDialog[i] = false;
            if (rng() % 2)
                r[rng() % 10] = std::uint8_t(rng());
            else
                for (auto& b : r)
                    b = std::uint8_t(rng());
        }
        p.image.setRecord(int(i), r);
    }
    p.image.setLength(n);
    for (int input = 1; input <= 2; ++input)
        p.image.setInputBreak(input, {rng() % 2 == 0, std::uint16_t(n ? rng() % (n + 1) : 0),
                                      std::uint8_t(rng() % 2)});
    if (rng() % 3 == 0) p.image.setBlockByte(int(rng() % 20), std::uint8_t(rng()));
    return p;
}

TEST(ProgramText, RandomProgramsComeBackByteForByteAndDialogRecordsAsWords) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const RandomProgram p = randomProgram(seed);
        const bool labels = seed % 2 == 0;
        const std::string text = exportProgramText(p.image, {labels});
        ProgramImage back;
        const TextImportResult read = importProgramText(text, back);
        ASSERT_TRUE(read) << seed << ": " << read.line << ":" << read.column << ": " << read.message
                          << "\n"
                          << text;
        ASSERT_EQ(encodeProgramFile(back), encodeProgramFile(p.image)) << seed << "\n" << text;

        if (labels) continue;  // the labels shift the lines; the bytes are checked above
        const auto lines = linesOf(text);
        ASSERT_EQ(lines.size(), 3 + p.fromDialog.size()) << seed;
        for (std::size_t i = 0; i < p.fromDialog.size(); ++i)
            EXPECT_TRUE(!p.fromDialog[i] || lines[3 + i].rfind("raw(", 0) != 0) << seed << " " << i;
    }
}

TEST(ProgramText, EditedTextReadsTheSameAfterAnotherRoundTrip) {
    // Damaged texts either fail with a position inside the text, or read as a
    // program whose export reads back as the same program.
    std::mt19937 rng(7);
    const std::string base = exportProgramText(randomProgram(14).image, {true});
    for (int round = 0; round < 400; ++round) {
        std::string text = base;
        for (int k = 0; k < 3; ++k)
            text[rng() % text.size()] = "0123456789@:;()#,.-Mx \n"[rng() % 23];
        ProgramImage first;
        const TextImportResult read = importProgramText(text, first);
        if (!read) {
            EXPECT_GE(read.line, 1);
            EXPECT_LE(read.line, int(linesOf(text).size()) + 1);
            EXPECT_GE(read.column, 1);
            continue;
        }
        ProgramImage second;
        ASSERT_TRUE(importProgramText(exportProgramText(first), second));
        EXPECT_EQ(encodeProgramFile(second), encodeProgramFile(first)) << text;
    }
}

TEST(ProgramText, EveryCommandInTheListingsWords) {
    const std::uint8_t c = kControllerTarget;
    Record jumpIn = withParams(code::JumpIfInput, c, 3);
    jumpIn[6] = 2;
    const struct {
        Record record;
        const char* text;
    } cases[] = {
        {withParams(code::VMin, 1, 12500), "v_min(M1; 12.5)"},
        {withParams(code::VMax, 3, 699), "v_max(M3; 0.699)"},       // 0.7 as the dialog stores it
        {withParams(code::VMax, 2, 2675), "v_max(M2; 2.6750002)"},  // no float truncates to 2.675
        {withParams(code::VDest, 1, -1500), "v_dest(M1; -1.5)"},
        {withParams(code::AMax, 2, 543263812), "a_max(M2; 543263.812)"},
        {withBytes(code::Enable, c, {1}), "enable(on)"},
        {withParams(code::WaitMs, c, 250), "wait_ms(250)"},
        {withParams(code::JumpLine, c, -3), "jump_line(-3)"},
        {withParams(code::GoTo, 2, -800), "go_to(M2; -800)"},
        {withParams(code::Home, 3, 2000, 500), "home(M3; 2.0; 0.5)"},
        {makeRecord(code::End, c), "end()"},
        {makeRecord(code::Brake, 1), "brake(M1)"},
        {makeRecord(code::Stop, 3), "stop(M3)"},
        {withParams(code::Counter, c, 5), "counter(5)"},
        {withParams(code::JumpIfCounter, c, 2), "if(counter>0) jump_line(2)"},
        {withBytes(code::SetOut, c, {8, 1}), "set_out(pk1 = on)"},
        {jumpIn, "if(in2 = off) jump_line(3)"},
        {driver(1, 256, 1600, true, false), "drv(M1; 1/256; 1600; 1; 0)"},
        {withBytes(code::SetUsb, c, {0}), "set_USB(off)"},
        {message("Start"), "print_USB(Start,5)"},
        {withBytes(code::PrintUsb, c, {4, 'a', ',', '1', ')'}), "print_USB(a,1),4)"},
        {withBytes(code::WaitMotor, c, {1, 0, 1}), "wait_motor(M1; M3)"},
        {withBytes(code::ClearMotor, c, {0, 0, 0}), "clear_motor()"},
        // Bytes the words cannot hold: raw, with the listing's reading beside it.
        {withBytes(code::PrintUsb, c, {2, 'H', 'i', 'l', 'l', 'o'}),
         "raw(13 04 02 48 69 6C 6C 6F 00 00)  # print_USB(Hi,2)"},
        {withParams(code::VMin, 1, -5000), "raw(01 01 FF FF EC 78 00 00 00 00)  # v_min(M1; -5.0)"},
        {withParams(code::JumpLine, c, 0), "raw(07 04 00 00 00 00 00 00 00 00)  # jump_line(0)"},
        {withBytes(0x2A, 7, {1, 2}), "raw(2A 07 01 02 00 00 00 00 00 00)"},
    };
    for (const auto& k : cases) {
        const ProgramImage image = programOf({k.record, makeRecord(code::End, c)});
        const auto lines = linesOf(exportProgramText(image));
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[3], k.text);
    }
}

TEST(ProgramText, LabelsAndInputBreaksResolveToLineNumbers) {
    const std::string text =
        "# a hand-written program\n"
        "input1(on; @stop; rising)\n"
        "input2(off; none; falling)\n"
        "\n"
        "counter(3)\n"
        "@loop:\n"
        "  go_to( M1 ;1600 )   # out\n"
        "@back: go_to(M1; 0)\n"
        "if(counter>0) jump_line(@loop)\n"
        "jump_line(@after)\n"
        "@stop: stop(M1)\n"
        "jump_line(@back)\r\n"
        "@after:\n";
    ProgramImage image;
    const TextImportResult read = importProgramText(text, image);
    ASSERT_TRUE(read) << read.line << ":" << read.column << ": " << read.message;
    const std::uint8_t c = kControllerTarget;
    const ProgramImage expected = [&] {
        ProgramImage p =
            programOf({withParams(code::Counter, c, 3), withParams(code::GoTo, 1, 1600),
                       withParams(code::GoTo, 1, 0), withParams(code::JumpIfCounter, c, 2),
                       withParams(code::JumpLine, c, 8), makeRecord(code::Stop, 1),
                       withParams(code::JumpLine, c, 3)});
        p.setInputBreak(1, {true, 6, 1});
        return p;
    }();
    EXPECT_EQ(encodeProgramFile(image), encodeProgramFile(expected));
}

TEST(ProgramText, ImportErrorsNameTheLineTheColumnAndWhatWasExpected) {
    const struct {
        const char* text;
        int line, column;
        const char* message;
    } cases[] = {
        {"end()\ngo_to(M4; 5)", 2, 7, "expected a motor M1, M2 or M3"},
        {"go_to(M1 5)", 1, 10, "expected ';'"},
        {"go_to(M1; 5", 1, 12, "expected ')'"},
        {"goto(M1; 5)", 1, 1,
         "expected a command: v_min, v_max, v_dest, a_max, enable, wait_ms, "
         "jump_line, go_to, home, end, brake, stop, counter, if, set_out, "
         "drv, set_USB, print_USB, wait_motor, clear_motor or raw"},
        {"v_min(M1; 40000)", 1, 11, "expected a velocity from 0 to 31234.74 rev/s"},
        {"v_max(M1; -0.5)", 1, 11, "expected a velocity from 0 to 31234.74 rev/s"},
        {"v_dest(M1; 1,5)", 1, 12, "expected a velocity from -31234.74 to 31234.74 rev/s"},
        {"a_max(M1; 600000)", 1, 11, "expected an acceleration from 0 to 543263.8 rev/s^2"},
        {"home(M1; 1; x)", 1, 13, "expected a velocity from 0 to 31234.74 rev/s"},
        {"go_to(M1; 8388608)", 1, 11, "expected a position from -8388607 to 8388607 steps"},
        {"go_to(M1; 1.5)", 1, 11, "expected a position from -8388607 to 8388607 steps"},
        {"wait_ms(-1)", 1, 9, "expected a time from 0 to 86400000 ms"},
        {"counter(65536)", 1, 9, "expected a count from 0 to 65535"},
        {"drv(M1; 2/8; 200; 0; 0)", 1, 9, "expected a step divisor such as 1/8"},
        {"drv(M1; 1/512; 200; 0; 0)", 1, 11, "expected a step divisor from 1/1 to 1/256"},
        {"drv(M1; 1/8; 0; 0; 0)", 1, 14, "expected steps per revolution from 1 to 1600"},
        {"drv(M1; 1/8; 200; 2; 0)", 1, 19, "expected 0 or 1"},
        {"enable(yes)", 1, 8, "expected on or off"},
        {"set_out(out8 = on)", 1, 9, "expected an output out1 ... out7, pk1 or pk2"},
        {"if(in7 = on) jump_line(1)", 1, 4, "expected counter>0 or an input in1 ... in6"},
        {"if(counter>1) jump_line(1)", 1, 11, "expected >0"},
        {"if(in1 = on) goto(1)", 1, 14, "expected jump_line"},
        {"end()\njump_line(0)", 2, 11, "expected a line from 1 to 3 or a label"},
        {"jump_line(3)", 1, 11, "expected a line from 1 to 2 or a label"},
        {"jump_line(@nowhere)", 1, 11, "expected a label defined in this file; @nowhere is not"},
        {"jump_line(x)", 1, 11, "expected a line number or a label"},
        {"jump_line(@)", 1, 12, "expected a label name after '@'"},
        {"end", 1, 4, "expected '('"},
        {"input1(on; -1; rising)", 1, 12, "expected a line number, none or a label"},
        {"input1 raw(01 00 26)", 1, 20,
         "expected ten bytes in hex, as raw(0A 04 00 00 00 00 00 00 00 00)"},
        {"@a: end()\n@a: end()", 2, 1, "expected a new label: @a is already on line 1"},
        {"@: end()", 1, 2, "expected a label name after '@'"},
        {"@a end()", 1, 4, "expected ':'"},
        {"print_USB(Too long,8)", 1, 11, "expected at most 7 characters"},
        {"print_USB(Hello,4)", 1, 17,
         "expected the number of characters between '(' and the comma"},
        {"print_USB(Hello)", 1, 11,
         "expected the text, a comma and its number of characters, as print_USB(Hello,5)"},
        {"print_USB(x\xe2\x88\x9e,2)", 1, 12,
         "expected a printable character of the Central European code page (Windows-1250)"},
        {"wait_motor(M1; M1)", 1, 16, "expected each motor once"},
        {"raw(0A 04 00)", 1, 13,
         "expected ten bytes in hex, as raw(0A 04 00 00 00 00 00 00 00 00)"},
        {"raw(0A 04 00 00 00 00 00 00 00 00 00)", 1, 35,
         "expected ten bytes in hex, as raw(0A 04 00 00 00 00 00 00 00 00)"},
        {"end() end()", 1, 7, "expected the end of the line or a # comment"},
        {"end()\ninput1(on; 1; rising)", 2, 1,
         "expected the input-break lines before the first command"},
        {"input1(on; 1; up)", 1, 15, "expected falling or rising"},
        {"input1(on; 2; rising)\nend()", 1, 12, "expected a line from 1 to 1, none or a label"},
        {"input2(off; none; falling)\ninput2(off; none; falling)", 2, 1,
         "expected input2 once: it is already on line 1"},
        {"@x: input1(on; 1; rising)", 1, 5, "expected a command after the label @x"},
    };
    for (const auto& k : cases) {
        ProgramImage image = programOf({makeRecord(code::Stop, 2)});
        const ProgramImage before = image;
        const TextImportResult read = importProgramText(k.text, image);
        EXPECT_FALSE(read) << k.text;
        EXPECT_EQ(read.line, k.line) << k.text;
        EXPECT_EQ(read.column, k.column) << k.text;
        EXPECT_EQ(read.message, k.message) << k.text;
        EXPECT_EQ(encodeProgramFile(image), encodeProgramFile(before)) << k.text;
    }
    ProgramImage image;
    std::string full;
    for (int i = 0; i < 1000; ++i)
        full += "end()\n";
    const TextImportResult read = importProgramText(full, image);
    EXPECT_EQ(read.line, 1000);
    EXPECT_EQ(read.message, "expected at most 999 commands");
}

// A decimal comma in the C++ locale, and in the C locale when the system has one:
// the text keeps its points and reads the same.
struct CommaDecimals : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

TEST(ProgramText, TheLocaleChangesNothing) {
    const ProgramImage image = randomProgram(21).image;
    const std::string inC = exportProgramText(image);
    const std::locale previous = std::locale::global(std::locale(std::locale(), new CommaDecimals));
    const std::string cLocale = std::setlocale(LC_ALL, nullptr);
    for (const char* name : {"de_DE.UTF-8", "pl_PL.UTF-8", "fr_FR.UTF-8"})
        if (std::setlocale(LC_ALL, name)) break;
    const std::string inComma = exportProgramText(image);
    ProgramImage back;
    const bool read = bool(importProgramText(inC, back));
    std::setlocale(LC_ALL, cLocale.c_str());
    std::locale::global(previous);
    EXPECT_EQ(inComma, inC);
    ASSERT_TRUE(read);
    EXPECT_EQ(encodeProgramFile(back), encodeProgramFile(image));
}

}  // namespace
}  // namespace rv720
