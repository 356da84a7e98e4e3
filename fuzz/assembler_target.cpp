#include <deque>
#include <optional>
#include <vector>

#include "device/usb_link.h"
#include "fuzz/targets.h"
#include "protocol/frame.h"
#include "support/manual_timer.h"
#include "support/open_line.h"
#include "support/timer.h"

namespace rv720::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Completed {
    bool good = false;
    Bytes frame;
    friend bool operator==(const Completed&, const Completed&) = default;
};

// The reassembly rules, written plainly: three FF bytes in a row open a frame (any
// other byte starts the search again); the next two bytes are the length L; an L
// below 2 or above 59 abandons the frame; L + 2 further bytes complete it, and it
// is good when its last two bytes are the 16-bit sum of all the bytes before them.
class Model {
  public:
    std::optional<Completed> put(std::uint8_t b) {
        if (syncBytes_ < 3) {
            syncBytes_ = b == 0xFF ? syncBytes_ + 1 : 0;
            return std::nullopt;
        }
        body_.push_back(b);
        if (body_.size() < 2) return std::nullopt;
        const std::size_t length = body_[0] * 256u + body_[1];
        if (length < 2 || length > 59) return restart();
        if (body_.size() < length + 4) return std::nullopt;
        Completed done{false, {0xFF, 0xFF, 0xFF}};
        done.frame.insert(done.frame.end(), body_.begin(), body_.end());
        unsigned sum = 0;
        for (std::size_t i = 0; i + 2 < done.frame.size(); ++i)
            sum += done.frame[i];
        done.good = (sum & 0xFFFF) == done.frame[done.frame.size() - 2] * 256u + done.frame.back();
        restart();
        return done;
    }

  private:
    std::nullopt_t restart() {
        syncBytes_ = 0;
        body_.clear();
        return std::nullopt;
    }
    int syncBytes_ = 0;
    Bytes body_;
};

// A converter that lets the link see the stream a chunk at a time.
class ChunkedLine final : public OpenLine {
  public:
    std::deque<std::uint8_t> stream;
    std::size_t chunk = 0;

    FtStatus getStatus(FtHandle, std::uint32_t& rx, std::uint32_t& tx, std::uint32_t& ev) override {
        rx = std::uint32_t(std::min(chunk, stream.size()));
        tx = ev = 0;
        return ft::Ok;
    }
    FtStatus read(FtHandle, std::uint8_t* buffer, std::uint32_t, std::uint32_t& got) override {
        got = stream.empty() ? 0 : 1;
        if (got) {
            *buffer = stream.front();
            stream.pop_front();
        }
        return ft::Ok;
    }
    FtStatus write(FtHandle, const std::uint8_t*, std::uint32_t n, std::uint32_t& w) override {
        w = n;
        return ft::Ok;
    }
};

class Receiver final : public LinkEvents {
  public:
    std::vector<Bytes> dispatched;
    void AddStatusLine(const std::string&) override {}
    void connectionIndicatorChanged(bool) override {}
    void linkLost() override {}
    void dispatchFrame(std::span<const std::uint8_t> frame) override {
        dispatched.emplace_back(frame.begin(), frame.end());
    }
};

}  // namespace

// Input: one byte k, then 1 + k % 8 chunk sizes (each byte + 1, used in turn),
// then the stream.
std::string frameAssemblyMatchesModel(Input input) {
    if (input.empty()) return {};
    const std::size_t sizes = std::min<std::size_t>(1 + input[0] % 8, input.size() - 1);
    const Input chunkSizes = input.subspan(1, sizes);
    const Input stream = input.subspan(1 + sizes);

    Model model;
    FrameAssembler assembler;
    std::vector<Completed> expected;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        const auto modelled = model.put(stream[i]);
        const auto result = assembler.put(stream[i]);
        if (modelled) expected.push_back(*modelled);
        if ((result == FrameAssembler::Result::Pending) != !modelled)
            return "byte " + std::to_string(i) +
                   ": the assembler and the model disagree on the end of a frame";
        if (!modelled) continue;
        const auto frame = assembler.frame();
        if (Bytes(frame.begin(), frame.end()) != modelled->frame ||
            (result == FrameAssembler::Result::Good) != modelled->good)
            return "byte " + std::to_string(i) +
                   ": the assembler completed another frame than the model";
    }

    ChunkedLine line;
    line.stream.assign(stream.begin(), stream.end());
    ManualTimer usbTimer(1), timeoutTimer(700);
    Receiver receiver;
    UsbLink link(line, usbTimer, timeoutTimer, receiver);
    std::vector<Completed> logged;
    link.frameLog = [&](FrameDirection direction, std::span<const std::uint8_t> frame) {
        if (direction == FrameDirection::Received)
            logged.push_back({verifyFrame(frame), Bytes(frame.begin(), frame.end())});
    };
    link.OpenLink();
    if (!link.connected()) return "the link did not open";
    for (std::size_t tick = 0; !line.stream.empty(); ++tick) {
        line.chunk = chunkSizes.empty() ? 1 : chunkSizes[tick % chunkSizes.size()] + 1u;
        link.UsbTimerTimer();
    }

    std::vector<Bytes> good;
    for (const auto& c : expected)
        if (c.good) good.push_back(c.frame);
    if (receiver.dispatched != good)
        return "the link dispatched other frames than the model's good ones";
    if (logged != expected)
        return "the link's frame log differs from the frames the model completed";
    return {};
}

}  // namespace rv720::fuzz
