// The serial backend end to end, over pseudo-terminals: the tool's verbs through
// "rv720 serve-simulator", and SerialFtdi against a twin served in this process.
// No hardware, no timed assertions: waits are bounded only so a fault cannot hang.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/pty_simulator.h"
#include "cli/demo_program.h"
#include "device/backends/serial_ftdi.h"
#include "model/program_file.h"
#include "protocol/commands.h"
#include "sim/eeprom_file.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

using namespace rv720::test;
using namespace rv720::testing;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// ---- the tool against serve-simulator ---------------------------------------------

// "rv720 serve-simulator" as a child process; the path is its first line.
class ServedSimulator {
  public:
    explicit ServedSimulator(const std::string& eeprom) {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(RV720_BIN, RV720_BIN, "serve-simulator", "--eeprom", eeprom.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        // The path comes at once; ten seconds only guard against a server that hangs.
        pollfd fd{out[0], POLLIN, 0};
        char c;
        while (::poll(&fd, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1 && c != '\n')
            path_ += c;
        ::close(out[0]);
    }
    ~ServedSimulator() {
        if (pid_ > 0 && !waited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& path() const { return path_; }
    // Interrupts the server as Ctrl+C would; its exit status.
    int interrupt() {
        ::kill(pid_, SIGINT);
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
        waited_ = true;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

  private:
    pid_t pid_ = -1;
    bool waited_ = false;
    std::string path_;
};

struct Outcome {
    int status;
    std::string out, err;
};

Outcome tool(const TempFolder& folder, const std::string& args) {
    const std::string out = folder.file("stdout"), err = folder.file("stderr");
    const std::string command =
        "'" + std::string(RV720_BIN) + "' " + args + " >'" + out + "' 2>'" + err + "'";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(out), readText(err)};
}

TEST(SerialEndToEnd, TheToolsVerbsThroughServeSimulator) {
    TempFolder folder;
    const std::string eeprom = folder.file("eeprom.bin");
    const std::string program = folder.file("demo.pri");
    ASSERT_TRUE(saveProgramFile(program, demoProgram()));
    ServedSimulator server(eeprom);
    ASSERT_EQ(server.path().rfind("/dev/", 0), 0u) << server.path();
    const std::string device = " --device '" + server.path() + "'";

    Outcome o = tool(folder, "write '" + program + "'" + device);
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_NE(o.out.find("\nProgramming finished\nSaving to EEPROM memory finished\n"),
              std::string::npos)
        << o.out;

    const std::string back = folder.file("back.pri");
    o = tool(folder, "read -o '" + back + "'" + device);
    EXPECT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_EQ(readBytes(back), readBytes(program));

    const struct {
        const char* verb;
        const char* lastLine;
    } simple[] = {
        {"version", "1.3\n"},
        {"run", "Program running\n"},
        {"stop", "Program stopped\n"},
        {"reset", "Device reset\n"},
    };
    for (const auto& s : simple) {
        o = tool(folder, std::string(s.verb) + device);
        EXPECT_EQ(o.status, 0) << s.verb << o.err;
        EXPECT_EQ(o.out, std::string("Connection successful\n") + s.lastLine) << s.verb;
    }

    EXPECT_EQ(server.interrupt(), 0);
    const auto stored = sim::loadEeprom(eeprom);
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->length(), demoProgram().length());
}

// No controller is attached here (nor on a build machine): `auto` finds none, says
// so in the station's words, and the tool fails at once.
TEST(SerialEndToEnd, WithoutTheControllerAutoFindsNoDevice) {
    TempFolder folder;
    Outcome o = tool(folder, "devices");
    EXPECT_EQ(o.status, 1) << o.out << o.err;
    EXPECT_TRUE(o.out.ends_with("Can't find USB device\n")) << o.out;
    o = tool(folder, "version --device auto");
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "Can't find USB device\n");
    EXPECT_EQ(o.err, "rv720 version: the device cannot be reached\n");
}

// ---- SerialFtdi against a twin served here ------------------------------------------

// A twin on a pseudo-terminal, served by a thread of its own for the test's length.
class ServedHere {
  public:
    ServedHere() {
        std::string error;
        server_ = PtySimulator::open({}, error);
        if (!server_) return;
        thread_ = std::thread([this] { server_->serve(stop_); });
    }
    ~ServedHere() { shutDown(); }
    void shutDown() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        server_.reset();
    }
    bool ok() const { return server_ != nullptr; }
    std::string path() const { return server_->path(); }

  private:
    std::unique_ptr<PtySimulator> server_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

Bytes versionRequest() {
    const Frame f = protocol::toFrame(protocol::command(protocol::CommandCode::FirmwareVersion));
    return Bytes(f.bytes.begin(), f.bytes.begin() + f.size);
}

Bytes inverted(Bytes bytes) {
    for (auto& b : bytes)
        b = std::uint8_t(~b);
    return bytes;
}

// Polls until `count` bytes are queued (or the status query fails) and reads them.
Bytes receive(SerialFtdi& ftdi, FtHandle h, std::size_t count, FtStatus& status) {
    Bytes got;
    for (int attempt = 0; attempt < 5000 && got.size() < count; ++attempt) {
        std::uint32_t rx = 0, tx = 0, ev = 0;
        status = ftdi.getStatus(h, rx, tx, ev);
        if (status != ft::Ok) break;
        for (std::uint32_t i = 0; i < rx; ++i) {
            std::uint8_t b = 0;
            std::uint32_t n = 0;
            ftdi.read(h, &b, 1, n);
            if (n == 1) got.push_back(b);
        }
        if (got.size() < count) std::this_thread::sleep_for(1ms);
    }
    return got;
}

FtHandle openPort(SerialFtdi& ftdi) {
    std::uint32_t count = 0;
    ftdi.createDeviceInfoList(count);
    FtHandle h = 0;
    EXPECT_EQ(ftdi.openEx(kDeviceDescription, ft::OpenByDescription, h), ft::Ok);
    return h;
}

TEST(SerialEndToEnd, OpensTheConverterItsDescriptionNames) {
    ServedHere served;
    ASSERT_TRUE(served.ok());
    SerialFtdi ftdi([&] {
        return std::vector<SerialPortEntry>{{"/dev/rv720-other", "FT232R USB UART", "", 0, 0},
                                            {served.path(), "Quellbrandtor_RV720", "", 0, 0}};
    });
    const FtHandle h = openPort(ftdi);
    EXPECT_EQ(ftdi.portPath(), served.path());
    FtHandle again = 0;
    EXPECT_EQ(ftdi.openEx(kDeviceDescription, ft::OpenByDescription, again), ft::DeviceNotOpened);
    EXPECT_EQ(ftdi.close(h), ft::Ok);
    EXPECT_EQ(ftdi.close(h), ft::InvalidHandle);
}

// The twin hears the bytes as they are only once the port has the controller's
// line; before, both directions are garbled, as on a mismatched line.
TEST(SerialEndToEnd, TheLineSettingsDecideWhatTheControllerHears) {
    ServedHere served;
    ASSERT_TRUE(served.ok());
    for (bool configured : {true, false}) {
        auto ftdi = SerialFtdi::onPort(served.path());
        const FtHandle h = openPort(*ftdi);
        if (configured) {
            ASSERT_EQ(ftdi->setBaudRate(h, kBaudRate), ft::Ok);
            ASSERT_EQ(ftdi->setDataCharacteristics(h, ft::Bits8, ft::StopBits1, ft::ParityNone),
                      ft::Ok);
            ASSERT_EQ(ftdi->setFlowControl(h, ft::FlowNone, 0, 0), ft::Ok);
        }
        ASSERT_EQ(ftdi->purge(h, ft::PurgeRxTx), ft::Ok);
        const Bytes request = configured ? versionRequest() : inverted(versionRequest());
        std::uint32_t written = 0;
        ASSERT_EQ(ftdi->write(h, request.data(), std::uint32_t(request.size()), written), ft::Ok);
        EXPECT_EQ(written, request.size());

        FtStatus status = ft::Ok;
        Bytes reply = receive(*ftdi, h, 12, status);
        ASSERT_EQ(status, ft::Ok) << configured;
        if (!configured) reply = inverted(reply);
        // FF FF FF 00 05 0B status 04 01 03 and the sum: version 1.3.
        ASSERT_EQ(reply.size(), 12u) << configured;
        EXPECT_EQ(reply[5], protocol::byteOf(protocol::ReplyCode::FirmwareVersion)) << configured;
        EXPECT_EQ(reply[8], 1) << configured;
        EXPECT_EQ(reply[9], 3) << configured;
        // Raw, and without HUPCL: closing must not drop DTR under the controller.
        termios tio{};
        ASSERT_EQ(::tcgetattr(ftdi->receiveWait(h).fd, &tio), 0);
        EXPECT_EQ(tio.c_cflag & HUPCL, 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u);
        EXPECT_EQ(ftdi->close(h), ft::Ok);
    }
}

TEST(SerialEndToEnd, LineSettingsThePortCannotTakeAreRefused) {
    ServedHere served;
    ASSERT_TRUE(served.ok());
    auto ftdi = SerialFtdi::onPort(served.path());
    const FtHandle h = openPort(*ftdi);
    const struct {
        const char* what;
        FtStatus status;
    } cases[] = {
        {"baud 0", ftdi->setBaudRate(h, 0)},
        {"5 data bits", ftdi->setDataCharacteristics(h, 5, ft::StopBits1, ft::ParityNone)},
        {"1.5 stop bits", ftdi->setDataCharacteristics(h, ft::Bits8, 1, ft::ParityNone)},
        {"parity 9", ftdi->setDataCharacteristics(h, ft::Bits8, ft::StopBits1, 9)},
        {"DTR/DSR handshake", ftdi->setFlowControl(h, 0x0200, 0, 0)},
    };
    for (const auto& c : cases)
        EXPECT_NE(c.status, ft::Ok) << c.what;
    // Two stop bits are a line a terminal takes (it keeps 8 bits and no parity).
    EXPECT_EQ(ftdi->setDataCharacteristics(h, ft::Bits8, 2, ft::ParityNone), ft::Ok);
}

// A port user killed before it could close leaves the terminal exclusive; the
// server lets the next user in all the same.
TEST(SerialEndToEnd, AUserKilledWhileHoldingThePortLocksNobodyOut) {
    std::string error;
    auto server = PtySimulator::open({}, error);
    ASSERT_NE(server, nullptr) << error;
    const int dead = ::open(server->path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(dead, 0);
    ASSERT_EQ(::ioctl(dead, TIOCEXCL), 0);
    ::close(dead);  // as the kernel closes it for a killed process: the flag stays

    std::atomic<bool> stop{false};
    server->serve(stop, 5ms);
    const int next = ::open(server->path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(next, 0);
    int exclusive = -1;
    ASSERT_EQ(::ioctl(next, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);
    ::close(next);
}

TEST(SerialEndToEnd, AVanishedTerminalIsAFailureNotSilence) {
    auto served = std::make_unique<ServedHere>();
    ASSERT_TRUE(served->ok());
    auto ftdi = SerialFtdi::onPort(served->path());
    const FtHandle h = openPort(*ftdi);
    ASSERT_EQ(ftdi->setBaudRate(h, kBaudRate), ft::Ok);
    served.reset();  // the far end closes, as a pulled converter's port does

    FtStatus status = ft::Ok;
    for (int attempt = 0; attempt < 1000 && status == ft::Ok; ++attempt) {
        const Bytes request = versionRequest();
        std::uint32_t n = 0;
        status = ftdi->write(h, request.data(), std::uint32_t(request.size()), n);
        if (status == ft::Ok) receive(*ftdi, h, 1, status);
    }
    EXPECT_NE(status, ft::Ok);
}

}  // namespace
}  // namespace rv720
