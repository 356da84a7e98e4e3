#include "protocol/frame.h"

#include <algorithm>

namespace rv720 {

std::uint16_t frameSum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (auto b : bytes)
        sum += b;
    return std::uint16_t(sum);
}

bool verifyFrame(std::span<const std::uint8_t> frame) {
    if (frame.size() < 7) return false;
    if (frame[0] != 0xFF || frame[1] != 0xFF || frame[2] != 0xFF) return false;
    const std::size_t length = std::size_t(frame[3]) * 256 + frame[4];
    if (frame.size() != length + 7) return false;
    const unsigned stored = frame[length + 5] * 256u + frame[length + 6];
    return frameSum(frame.first(length + 5)) == stored;
}

Frame buildFrame(std::uint8_t code, std::uint8_t status, std::span<const std::uint8_t> data) {
    Frame f;
    const int count = int(std::min<std::size_t>(data.size(), kMaxTxData));
    auto& b = f.bytes;
    b[0] = b[1] = b[2] = 0xFF;
    b[3] = std::uint8_t((count + 2) >> 8);
    b[4] = std::uint8_t((count + 2) & 0xFF);
    b[5] = code;
    b[6] = status;
    std::copy_n(data.begin(), count, b.begin() + 7);
    const std::uint16_t sum = frameSum({b.data(), std::size_t(count + 7)});
    b[count + 7] = std::uint8_t(sum >> 8);
    b[count + 8] = std::uint8_t(sum & 0xFF);
    f.size = count + 9;
    return f;
}

FrameAssembler::Result FrameAssembler::put(std::uint8_t b) {
    if (state_ == 3) {
        buffer_[position_ + 2] = b;
        ++position_;
        if (position_ == 5) {
            expectedLength_ = frameByte(3) * 256 + frameByte(4);
            if (expectedLength_ > kMaxRxLengthField || expectedLength_ < 2) {
                // Would overrun the buffer, or cannot hold code and status.
                reset();
                return Result::Pending;
            }
        }
        if (position_ >= 5 && position_ == expectedLength_ + 7) {
            lastSize_ = position_;
            reset();
            return verify() ? Result::Good : Result::Bad;
        }
        return Result::Pending;
    }
    buffer_[position_ + 2] = b;
    if (frameByte(0) == 0xFF && state_ == 0) {
        state_ = 1;
        ++position_;
    } else if (frameByte(1) == 0xFF && state_ == 1) {
        state_ = 2;
        ++position_;
    } else if (frameByte(2) == 0xFF && state_ == 2) {
        state_ = 3;
        ++position_;
    } else {
        reset();
    }
    return Result::Pending;
}

bool FrameAssembler::verify() const {
    if (frameByte(0) != 0xFF || frameByte(1) != 0xFF || frameByte(2) != 0xFF) return false;
    const int length = frameByte(3) * 256 + frameByte(4);
    unsigned sum = 0;
    for (int n = 0; n <= length + 4; ++n)
        sum += frameByte(n);
    const unsigned stored = frameByte(length + 5) * 256u + frameByte(length + 6);
    return std::uint16_t(sum) == stored;
}

}  // namespace rv720
