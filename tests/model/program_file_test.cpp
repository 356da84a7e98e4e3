#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <functional>
#include <map>

#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "model/commands.h"
#include "model/program_file.h"
#include "model/program_image.h"
#include "model/program_store.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using test::readBytes;
using test::TempFolder;
using test::writeBytes;

Bytes header(std::uint32_t declared) {
    Bytes b(30, 0);
    writeBe32(b.data(), std::int32_t(declared));
    return b;
}

// `n` records with distinct bytes so that any misplaced byte shows.
Bytes fileWithRecords(std::uint32_t declared, std::size_t n) {
    Bytes b = header(declared);
    for (std::size_t i = 0; i < n; ++i)
        for (int k = 0; k < 10; ++k)
            b.push_back(std::uint8_t(i * 10 + k + 1));
    return b;
}

ProgramImage randomProgram(unsigned seed, int n) {
    std::mt19937 rng(seed);
    ProgramImage image;
    for (int i = 0; i < n; ++i) {
        Record r;
        for (auto& byte : r)
            byte = std::uint8_t(rng());
        image.setRecord(i, r);
    }
    image.setLength(std::uint32_t(n));
    image.setInputBreak(1, {true, std::uint16_t(rng() % 1000), std::uint8_t(rng() % 2)});
    image.setInputBreak(2, {bool(rng() % 2), std::uint16_t(rng() % 1000), 0});
    return image;
}

// --- encoding -------------------------------------------------------------

TEST(ProgramFileEncoding, EmptyProgramIsThirtyZeroBytes) {
    EXPECT_EQ(encodeProgramFile(ProgramImage{}), Bytes(30, 0));
}

TEST(ProgramFileEncoding, SingleEndCommandMatchesTheKnownBytes) {
    ProgramImage image;
    image.setRecord(0, makeRecord(code::End, 4));
    image.setLength(1);
    Bytes expected = {0, 0, 0, 1};
    expected.resize(30, 0);
    expected.insert(expected.end(), {0x0A, 0x04, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(encodeProgramFile(image), expected);
}

TEST(ProgramFileEncoding, InputBreakHalvesAndLengthAreBigEndian) {
    ProgramImage image;
    image.setLength(300);
    image.setInputBreak(1, {true, 0x0102, 1});
    image.setInputBreak(2, {true, 7, 0});
    const Bytes file = encodeProgramFile(image);
    ASSERT_EQ(file.size(), 30u + 3000u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{0, 0, 0x01, 0x2C}));
    EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 10), Bytes(6, 0));
    EXPECT_EQ(Bytes(file.begin() + 10, file.begin() + 14), (Bytes{1, 0x01, 0x02, 1}));
    EXPECT_EQ(Bytes(file.begin() + 14, file.begin() + 20), Bytes(6, 0));
    EXPECT_EQ(Bytes(file.begin() + 20, file.begin() + 24), (Bytes{1, 0, 7, 0}));
    EXPECT_EQ(Bytes(file.begin() + 24, file.begin() + 30), Bytes(6, 0));
}

TEST(ProgramFileEncoding, SizeIsThirtyPlusTenPerCommandAndRecordsKeepTheirByteOrder) {
    for (int n : {0, 1, 2, 17, 998, 999}) {
        const ProgramImage image = randomProgram(unsigned(n), n);
        const Bytes file = encodeProgramFile(image);
        ASSERT_EQ(file.size(), 30u + 10u * unsigned(n)) << n;
        for (int i = 0; i < n; ++i) {
            const Record r = image.record(i);
            ASSERT_TRUE(std::equal(r.begin(), r.end(), file.begin() + 30 + 10 * i))
                << n << "/" << i;
        }
    }
}

TEST(ProgramFileEncoding, StaleSlotsBeyondTheLengthAreNotWritten) {
    ProgramImage image = randomProgram(5, 40);
    image.setLength(3);
    EXPECT_EQ(encodeProgramFile(image).size(), 60u);
}

// --- decoding -------------------------------------------------------------

TEST(ProgramFileDecoding, RoundTripIsByteIdenticalAndRestoresTheProgram) {
    for (int n : {0, 1, 5, 999}) {
        const ProgramImage original = randomProgram(100u + unsigned(n), n);
        const Bytes file = encodeProgramFile(original);
        ProgramImage loaded;
        const auto result = decodeProgramFile(file, loaded);
        ASSERT_TRUE(result) << result.reason();
        EXPECT_EQ(loaded.length(), original.length());
        EXPECT_EQ(loaded.inputBreakWire(), original.inputBreakWire());
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(loaded.record(i), original.record(i)) << i;
        EXPECT_EQ(encodeProgramFile(loaded), file);
    }
}

TEST(ProgramFileDecoding, OverwritesOnlyLengthBlockAndDeclaredSlots) {
    ProgramImage image = randomProgram(7, 10);
    const Record stale = image.record(5);
    Bytes file = fileWithRecords(2, 2);
    ASSERT_TRUE(decodeProgramFile(file, image));
    EXPECT_EQ(image.length(), 2u);
    EXPECT_EQ(image.record(0), (Record{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(image.record(1), (Record{11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
    EXPECT_EQ(image.record(5), stale);
    EXPECT_EQ(image.inputBreakWire(), InputBreakWire{});
}

TEST(ProgramFileDecoding, ReservedBytesAreIgnoredAndWrittenBackAsZero) {
    Bytes file = fileWithRecords(1, 1);
    for (int i = 4; i < 10; ++i)
        file[i] = 0xEE;
    ProgramImage image;
    ASSERT_TRUE(decodeProgramFile(file, image));
    EXPECT_EQ(image.length(), 1u);
    EXPECT_EQ(encodeProgramFile(image), fileWithRecords(1, 1));
}

TEST(ProgramFileDecoding, InputBreakHalvesGoToEvenAndOddBlockBytes) {
    Bytes file = header(0);
    for (int i = 0; i < 20; ++i)
        file[10 + i] = std::uint8_t(100 + i);
    ProgramImage image;
    ASSERT_TRUE(decodeProgramFile(file, image));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(image.blockByte(2 * i), 100 + i);
        EXPECT_EQ(image.blockByte(2 * i + 1), 110 + i);
    }
}

TEST(ProgramFileDecoding, DeclaredLengthAbove999ReadsTheFirst999Records) {
    for (std::uint32_t declared : {1000u, 1200u, 0xFFFFFFFFu}) {
        const Bytes file = fileWithRecords(declared, 1000);
        ProgramImage image;
        const auto result = decodeProgramFile(file, image);
        ASSERT_TRUE(result) << declared << ": " << result.reason();
        EXPECT_EQ(result.declaredLength, declared);
        EXPECT_EQ(image.length(), 999u);
        EXPECT_EQ(image.record(998)[0], std::uint8_t(998 * 10 + 1));
    }
}

TEST(ProgramFileDecoding, BytesAfterTheDeclaredRecordsAreIgnored) {
    Bytes file = fileWithRecords(2, 3);
    file.push_back(0x55);  // and a partial record
    ProgramImage image;
    ASSERT_TRUE(decodeProgramFile(file, image));
    EXPECT_EQ(image.length(), 2u);
}

struct DamagedFile {
    const char* what;
    Bytes bytes;
    FileError kind;
    std::string error;
};

TEST(ProgramFileDecoding, ShortFilesAreRefusedAndLeaveTheImageUntouched) {
    constexpr FileError kShort = FileError::TooShort, kCut = FileError::Truncated;
    Bytes partialRecord = fileWithRecords(1, 0);
    partialRecord.resize(39, 0x0A);
    const DamagedFile cases[] = {
        {"empty", {}, kShort, "file is 0 bytes, a program file has at least 30 bytes"},
        {"one byte", {0}, kShort, "file is 1 byte, a program file has at least 30 bytes"},
        {"25 bytes", Bytes(25, 0), kShort,
         "file is 25 bytes, a program file has at least 30 bytes"},
        {"29 bytes", Bytes(29, 0), kShort,
         "file is 29 bytes, a program file has at least 30 bytes"},
        {"fewer records", fileWithRecords(12, 7), kCut, "declares 12 commands but holds 7"},
        {"header only", header(1), kCut, "declares 1 command but holds 0"},
        {"partial record", partialRecord, kCut, "declares 1 command but holds 0"},
        {"cut above 999", fileWithRecords(1000, 500), kCut, "declares 1000 commands but holds 500"},
        {"all ones", fileWithRecords(0xFFFFFFFF, 0), kCut,
         "declares 4294967295 commands but holds 0"},
    };
    for (const auto& c : cases) {
        ProgramImage image = randomProgram(3, 20);
        const auto before = image.bytes();
        const auto result = decodeProgramFile(c.bytes, image);
        EXPECT_FALSE(result) << c.what;
        EXPECT_EQ(result.error, c.kind) << c.what;
        EXPECT_EQ(result.reason(), c.error) << c.what;
        EXPECT_EQ(image.length(), 20u) << c.what;
        EXPECT_TRUE(image.bytes() == before) << c.what;
    }
}

// --- files on disk ----------------------------------------------------------

TEST(ProgramFileStorage, SaveThenLoadRestoresTheSameFile) {
    TempFolder folder;
    const fs::path p = folder.path() / "prog.pri";
    const ProgramImage original = randomProgram(11, 123);
    ASSERT_TRUE(saveProgramFile(p.string(), original));
    EXPECT_EQ(readBytes(p), encodeProgramFile(original));
    ProgramImage loaded;
    ASSERT_TRUE(loadProgramFile(p.string(), loaded));
    ASSERT_TRUE(saveProgramFile(p.string(), loaded));
    EXPECT_EQ(readBytes(p), encodeProgramFile(original));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"prog.pri"});
}

TEST(ProgramFileStorage, LoadFailuresNameTheReasonAndKeepTheImage) {
    TempFolder folder;
    writeBytes(folder.path() / "short.pri", Bytes(25, 0));
    writeBytes(folder.path() / "cut.pri", fileWithRecords(12, 7));
    fs::create_directory(folder.path() / "dir.pri");
    const struct {
        const char* name;
        FileError kind;
        std::string error;
    } cases[] = {
        {"missing.pri", FileError::CannotOpen, "cannot open: No such file or directory"},
        {"dir.pri", FileError::CannotOpen, "cannot open: not a regular file (a folder)"},
        {"short.pri", FileError::TooShort,
         "file is 25 bytes, a program file has at least 30 bytes"},
        {"cut.pri", FileError::Truncated, "declares 12 commands but holds 7"},
    };
    for (const auto& c : cases) {
        ProgramImage image = randomProgram(4, 9);
        const auto before = image.bytes();
        const auto result = loadProgramFile((folder.path() / c.name).string(), image);
        EXPECT_FALSE(result) << c.name;
        EXPECT_EQ(result.error, c.kind) << c.name;
        EXPECT_EQ(result.reason(), c.error) << c.name;
        EXPECT_EQ(image.length(), 9u) << c.name;
        EXPECT_TRUE(image.bytes() == before) << c.name;
    }
}

TEST(ProgramFileStorage, SaveIntoAMissingFolderFailsAndReportsIt) {
    TempFolder folder;
    const auto result =
        saveProgramFile((folder.path() / "nope" / "prog.pri").string(), randomProgram(1, 3));
    EXPECT_EQ(result.error, FileError::CannotCreate);
    EXPECT_EQ(result.reason(), "cannot create a file in its folder: No such file or directory");
}

TEST(ProgramFileStorage, FailedReplaceKeepsWhatWasThereAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const fs::path target = folder.path() / "taken.pri";
    fs::create_directory(target);
    writeBytes(target / "inside", Bytes{1, 2, 3});
    const auto result = saveProgramFile(target.string(), randomProgram(2, 3));
    EXPECT_EQ(result.error, FileError::CannotReplace);
    EXPECT_EQ(result.reason(), "cannot replace it: not a regular file (a folder)");
    EXPECT_TRUE(fs::is_directory(target));
    EXPECT_EQ(readBytes(target / "inside"), (Bytes{1, 2, 3}));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"taken.pri"});
}

// A write that runs out of room (here: the file size limit) must fail the save
// and leave the previous file whole.
TEST(ProgramFileStorage, FailedWriteKeepsThePreviousFileAndReportsTheError) {
    TempFolder folder;
    const fs::path target = folder.path() / "prog.pri";
    const ProgramImage previous = randomProgram(21, 3);
    ASSERT_TRUE(saveProgramFile(target.string(), previous));

    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto result = saveProgramFile(target.string(), randomProgram(22, 50));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(result.error, FileError::CannotWrite);
    EXPECT_EQ(result.reason(), "cannot write: File too large");
    EXPECT_EQ(readBytes(target), encodeProgramFile(previous));
    EXPECT_EQ(folder.names(), std::vector<std::string>{"prog.pri"});
}

// Root writes into any folder; to meet a folder that takes no new files, a save
// runs in a child that has given root up (the folder and file belong to nobody).
constexpr uid_t kNobody = 65534;

// How a save or load ended: the kind and the reason's words.
struct Outcome {
    FileError error = FileError::None;
    std::string reason;
};
Outcome outcomeOf(const FileResult& r) {
    return {r.error, r.reason()};
}

Outcome saveAsOrdinaryUser(const fs::path& path, const ProgramImage& image) {
    if (::geteuid() != 0) return outcomeOf(saveProgramFile(path.string(), image));
    int channel[2];
    if (::pipe(channel) != 0) return {FileError::CannotWrite, "no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(2);
        const SaveResult r = saveProgramFile(path.string(), image);
        const std::string answer = char('A' + int(r.error)) + r.reason();
        (void)!::write(channel[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, std::size_t(n));
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);
    if (answer.empty()) return {FileError::CannotWrite, "the child gave no answer"};
    return {FileError(answer[0] - 'A'), answer.substr(1)};
}

// Saving and opening where the path is not simply a file in a writable folder.
TEST(ProgramFileStorage, UnusualPlacesAreSavedAndOpenedSafely) {
    enum class Action { Save, SaveInLockedFolder, Open, OpenEitherForm };
    struct Case {
        const char* what;
        std::function<fs::path(const fs::path& folder)> prepare;  // the path to use
        Action action;
        std::string landsAt;  // the file that must then hold the program, if any
        FileError kind;
        std::string error;  // empty when it succeeds
    };
    const std::string longName = std::string(251, 'n') + ".pri";
    const ProgramImage program = randomProgram(31, 7);
    const ProgramImage other = randomProgram(32, 2);
    const auto file = [&](const fs::path& p, fs::perms perms = fs::perms(0644)) {
        writeBytes(p, encodeProgramFile(other));
        fs::permissions(p, perms);
        return p;
    };
    const auto fifo = [](const fs::path& p) {
        EXPECT_EQ(::mkfifo(p.c_str(), 0644), 0);
        return p;
    };
    const auto lockedFolder = [&](const fs::path& folder, fs::perms filePerms) {
        const fs::path p = file(folder / "prog.pri", filePerms);
        if (::geteuid() == 0) {
            EXPECT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
            EXPECT_EQ(::chown(p.c_str(), kNobody, kNobody), 0);
        }
        fs::permissions(folder, fs::perms(0555));
        return p;
    };
    const Case cases[] = {
        {"a name of 255 characters", [&](const fs::path& f) { return f / longName; }, Action::Save,
         longName, FileError::None, ""},
        {"a link to a file, whose permissions stay",
         [&](const fs::path& f) {
             file(f / "real.pri", fs::perms(0640));
             fs::create_symlink("real.pri", f / "link.pri");
             return f / "link.pri";
         },
         Action::Save, "real.pri", FileError::None, ""},
        {"a dangling link",
         [](const fs::path& f) {
             fs::create_directory(f / "sub");
             fs::create_symlink("sub/new.pri", f / "link.pri");
             return f / "link.pri";
         },
         Action::Save, "sub/new.pri", FileError::None, ""},
        {"a chain of links ending in another folder",
         [&](const fs::path& f) {
             fs::create_directory(f / "other");
             file(f / "other" / "end.pri");
             fs::create_symlink(f / "other" / "end.pri", f / "b.pri");
             fs::create_symlink("b.pri", f / "a.pri");
             return f / "a.pri";
         },
         Action::Save, "other/end.pri", FileError::None, ""},
        {"a link that points at itself",
         [](const fs::path& f) {
             fs::create_symlink("loop.pri", f / "loop.pri");
             return f / "loop.pri";
         },
         Action::Save, "", FileError::CannotFollowLink,
         "cannot follow the link: Too many levels of symbolic links"},
        {"a named pipe, saved over", [&](const fs::path& f) { return fifo(f / "pipe.pri"); },
         Action::Save, "", FileError::CannotReplace,
         "cannot replace it: not a regular file (a named pipe)"},
        {"a named pipe, opened", [&](const fs::path& f) { return fifo(f / "pipe.pri"); },
         Action::Open, "", FileError::CannotOpen, "cannot open: not a regular file (a named pipe)"},
        {"a named pipe, opened as a program of either form",
         [&](const fs::path& f) { return fifo(f / "pipe.rv720"); }, Action::OpenEitherForm, "",
         FileError::CannotOpen, "cannot open: not a regular file (a named pipe)"},
        {"a device, opened", [](const fs::path&) { return fs::path("/dev/null"); }, Action::Open,
         "", FileError::CannotOpen, "cannot open: not a regular file (a device)"},
        {"a writable file in a folder that takes no new files",
         [&](const fs::path& f) { return lockedFolder(f, fs::perms(0644)); },
         Action::SaveInLockedFolder, "prog.pri", FileError::None, ""},
        {"a read-only file in a folder that takes no new files",
         [&](const fs::path& f) { return lockedFolder(f, fs::perms(0444)); },
         Action::SaveInLockedFolder, "", FileError::CannotCreate,
         "cannot create a file in its folder: Permission denied"},
    };

    ::alarm(60);  // a regression that blocks on the pipe ends the test instead of hanging
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const fs::path path = c.prepare(folder.path());
        // What every entry was before, so that links stay links and pipes pipes.
        std::map<fs::path, fs::file_status> before;
        for (const auto& e : fs::recursive_directory_iterator(folder.path()))
            before[e.path()] = e.symlink_status();

        Outcome result;
        ProgramImage image = other;
        if (c.action == Action::Open) {
            result = outcomeOf(loadProgramFile(path.string(), image));
            EXPECT_TRUE(image.bytes() == other.bytes());
        } else if (c.action == Action::OpenEitherForm) {
            result = outcomeOf(loadProgram(path.string(), image));
            EXPECT_TRUE(image.bytes() == other.bytes());
        } else if (c.action == Action::Save) {
            result = outcomeOf(saveProgramFile(path.string(), program));
        } else {
            result = saveAsOrdinaryUser(path, program);
            fs::permissions(folder.path(), fs::perms(0755));
        }

        EXPECT_EQ(result.error, c.kind);
        EXPECT_EQ(result.reason, c.error);
        if (!c.landsAt.empty()) {
            EXPECT_EQ(readBytes(folder.path() / c.landsAt), encodeProgramFile(program));
        }
        for (const auto& [p, status] : before) {
            const fs::file_status now = fs::symlink_status(p);
            EXPECT_EQ(now.type(), status.type()) << p;
            EXPECT_EQ(now.permissions(), status.permissions()) << p;
        }
        for (const auto& e : fs::recursive_directory_iterator(folder.path()))
            EXPECT_NE(e.path().filename().string().rfind(".rv720-", 0), 0u) << e.path();
    }
    ::alarm(0);
}

}  // namespace
}  // namespace rv720
