#pragma once
// Frames between the station and the controller, both directions alike:
//
//   FF FF FF | length L (16-bit BE) | code | status | data (L - 2 bytes) | sum (16-bit BE)
//
// L counts the code, the status byte and the data. The sum is the 16-bit sum of
// every byte before it, each taken unsigned. The station sends status 0; the
// controller sends its running flag (1 while its stored program executes).
// data[0] is the target: a motor 1..3, or 4 for the controller as a whole.
// The station builds at most 58 data bytes; the receive side holds 66 frame bytes.
// What the data of each code holds is in protocol/commands.h (station to
// controller) and protocol/replies.h (controller to station).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rv720 {

inline constexpr int kMaxTxData = 58;
inline constexpr int kTxFrameSize = 67;
inline constexpr int kRxBufferSize = 68;
inline constexpr int kMaxRxLengthField = 59;  // L + 7 <= 66 frame bytes

struct Frame {
    std::array<std::uint8_t, kTxFrameSize> bytes{};
    int size = 0;
    std::span<const std::uint8_t> view() const { return {bytes.data(), std::size_t(size)}; }
};

// Builds one frame; data beyond 58 bytes is not representable and is cut.
Frame buildFrame(std::uint8_t code, std::uint8_t status, std::span<const std::uint8_t> data);

std::uint16_t frameSum(std::span<const std::uint8_t> bytes);

// True for FF FF FF, a length field that matches the frame's size and a matching sum.
bool verifyFrame(std::span<const std::uint8_t> frame);

// A received frame read by its parts. A part the frame is too short for is empty
// (or 0), so nothing is ever read from beyond it.
class FrameView {
  public:
    FrameView() = default;
    explicit FrameView(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::span<const std::uint8_t> bytes() const { return bytes_; }
    std::uint8_t code() const { return bytes_.size() > 5 ? bytes_[5] : 0; }
    // The controller's running flag: 1 while its stored program executes.
    std::uint8_t status() const { return bytes_.size() > 6 ? bytes_[6] : 0; }
    // Everything between the status byte and the sum: the target, then the payload.
    std::span<const std::uint8_t> data() const {
        return bytes_.size() >= 9 ? bytes_.subspan(7, bytes_.size() - 9)
                                  : std::span<const std::uint8_t>();
    }
    // A motor 1..3, or 4 for the controller as a whole; 0 when the frame has no data.
    std::uint8_t target() const { return data().empty() ? 0 : data()[0]; }
    std::span<const std::uint8_t> payload() const {
        const auto d = data();
        return d.empty() ? d : d.subspan(1);
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

// Reassembles frames from a byte stream one byte at a time, as the link reads
// them. Sync is found byte by byte: a byte that breaks the FF FF FF sequence
// resets the search and is dropped. A length field above 59 cannot fit the
// receive buffer and also resets the search.
class FrameAssembler {
  public:
    enum class Result { Pending, Good, Bad };

    Result put(std::uint8_t b);

    // The last completed frame (valid after Good or Bad until the next put).
    std::span<const std::uint8_t> frame() const {
        return {buffer_.data() + 2, std::size_t(lastSize_)};
    }
    std::uint8_t frameByte(int n) const { return buffer_[n + 2]; }
    int state() const { return state_; }
    int position() const { return position_; }
    void reset() { state_ = position_ = 0; }

  private:
    bool verify() const;

    // Frame byte n is kept at index n + 2, as the receive buffer always has.
    std::array<std::uint8_t, kRxBufferSize> buffer_{};
    int expectedLength_ = 0;
    int position_ = 0;
    int state_ = 0;
    int lastSize_ = 0;
};

}  // namespace rv720
