#include "app/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "device/backends/line_settings.h"

namespace rv720 {

namespace {
constexpr std::size_t kChunk = 4096;
// A user that stops reading must not make the server hoard without bound.
constexpr std::size_t kMaxPending = 1 << 20;
constexpr std::chrono::milliseconds kLongestWait{100};

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}
}  // namespace

std::unique_ptr<PtySimulator> PtySimulator::openWithEeprom(const std::filesystem::path& eeprom,
                                                           std::string& error) {
    sim::TwinOptions options;
    options.eepromPath = eeprom;
    return open(std::move(options), error);
}

std::unique_ptr<PtySimulator> PtySimulator::open(sim::TwinOptions options, std::string& error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0) {
        error = systemError("cannot open a pseudo-terminal");
        return nullptr;
    }
    char name[128] = {};
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        error = systemError("cannot prepare the pseudo-terminal");
        ::close(master);
        return nullptr;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave < 0) {
        error = systemError("cannot open the pseudo-terminal's far end");
        ::close(master);
        return nullptr;
    }
    // Raw until its user configures it: no echo, no line editing, no CR/LF rewrites.
    struct termios tio {};
    if (::tcgetattr(slave, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave, TCSANOW, &tio);
    }
    return std::unique_ptr<PtySimulator>(new PtySimulator(master, slave, name, std::move(options)));
}

PtySimulator::PtySimulator(int master, int slave, std::string path, sim::TwinOptions options)
    : master_(master), slave_(slave), path_(std::move(path)), twin_(std::move(options)) {}

PtySimulator::~PtySimulator() {
    ::close(slave_);
    ::close(master_);
}

bool PtySimulator::lineSettingsMatch() const {
    return terminalHasControllerLine(slave_);
}

bool PtySimulator::flushPending() {
    while (!pending_.empty()) {
        const ssize_t n = ::write(master_, pending_.data(), pending_.size());
        if (n > 0) {
            pending_.erase(0, std::size_t(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;  // later
        return false;
    }
    return true;
}

bool PtySimulator::pumpOnce(int waitMs) {
    pollfd fd{master_, short(POLLIN | (pending_.empty() ? 0 : POLLOUT)), 0};
    const int ready = ::poll(&fd, 1, waitMs);
    if (ready < 0 && errno != EINTR) return false;

    // A port user that ended without closing the port (killed, crashed) leaves the
    // terminal exclusive, and every later open would fail; a simulator lets the next
    // user in.
    ::ioctl(slave_, TIOCNXCL);

    const bool match = lineSettingsMatch();
    const auto onTheWire = [match](std::uint8_t b) { return match ? b : std::uint8_t(~b); };
    if (ready > 0 && (fd.revents & POLLIN)) {
        std::uint8_t buffer[kChunk];
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n > 0) {
            twin_.advanceTo(clock_.now());
            for (ssize_t i = 0; i < n; ++i)
                twin_.receiveByte(onTheWire(buffer[i]));
        } else if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) {
            return false;
        }
    }
    twin_.advanceTo(clock_.now());
    for (std::uint8_t b : twin_.takeBytes())
        if (pending_.size() < kMaxPending) pending_.push_back(char(onTheWire(b)));
    return flushPending();
}

bool PtySimulator::serve(const std::atomic<bool>& stop, std::chrono::milliseconds span) {
    using namespace std::chrono;
    const auto start = steady_clock::now();
    while (!stop.load()) {
        // Asleep until the port's user writes, or the twin acts on its own (a
        // program's step or report); now and then anyway, to see `stop` set by
        // another thread.
        milliseconds wait = kLongestWait;
        if (span != milliseconds::max()) {
            const auto left = ceil<milliseconds>(start + span - steady_clock::now());
            if (left <= milliseconds::zero()) break;
            wait = std::min(wait, left);
        }
        if (const auto next = twin_.nextEventTime())
            wait =
                std::min(wait, std::max(ceil<milliseconds>(*next - clock_.now()), milliseconds(0)));
        if (!pumpOnce(int(wait.count()))) return false;
    }
    return true;
}

}  // namespace rv720
