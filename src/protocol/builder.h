#pragma once
// Helpers of the encoders and decoders in this folder only.
#include <algorithm>
#include <array>
#include <optional>
#include <span>

#include "model/program_image.h"
#include "protocol/codes.h"

namespace rv720::protocol {

// Builds a message from its code, its target and the bytes after the target.
class Builder {
  public:
    Builder(std::uint8_t code, std::uint8_t target) {
        message_.code = code;
        put(target);
    }
    // Bytes beyond a frame's data are not representable and are left out.
    Builder& put(std::uint8_t b) {
        if (message_.size < message_.bytes.size()) message_.bytes[message_.size++] = b;
        return *this;
    }
    Builder& put(std::span<const std::uint8_t> bytes) {
        for (auto b : bytes)
            put(b);
        return *this;
    }
    Builder& put16(std::uint16_t v) {
        std::uint8_t be[2];
        writeBe16(be, v);
        return put(std::span<const std::uint8_t>(be));
    }
    Builder& put32(std::int32_t v) {
        std::uint8_t be[4];
        writeBe32(be, v);
        return put(std::span<const std::uint8_t>(be));
    }
    Message take() const { return message_; }

  private:
    Message message_;
};

// The payload (after the target) when it holds at least `n` bytes.
inline std::optional<std::span<const std::uint8_t>> payloadOf(FrameView frame, std::size_t n) {
    const auto p = frame.payload();
    if (frame.data().empty() || p.size() < n) return std::nullopt;
    return p;
}

}  // namespace rv720::protocol
