#pragma once
// Drives a ControllerTwin the way the station does: frames built with buildFrame,
// replies taken apart with the station's own reassembler.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "model/program_image.h"
#include "protocol/frame.h"
#include "sim/controller_twin.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"

namespace rv720::sim::testing {

using namespace rv720::test;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

struct Reply {
    std::uint8_t code = 0;
    std::uint8_t status = 0;
    Bytes data;  // data[0] is the target
    bool operator==(const Reply&) const = default;
};
using Replies = std::vector<Reply>;

inline Replies parseReplies(const Bytes& stream, int* bad = nullptr) {
    FrameAssembler assembler;
    Replies out;
    for (auto b : stream) {
        const auto r = assembler.put(b);
        if (r == FrameAssembler::Result::Bad && bad) ++*bad;
        if (r != FrameAssembler::Result::Good) continue;
        const auto f = assembler.frame();
        out.push_back({f[5], f[6], Bytes(f.begin() + 7, f.end() - 2)});
    }
    return out;
}

inline Bytes frameBytes(std::uint8_t code, const Bytes& data) {
    const Frame f = buildFrame(code, 0, data);
    return Bytes(f.view().begin(), f.view().end());
}

inline Record setOut(int output, bool on) {
    return recordOf({15, 4, std::uint8_t(output), std::uint8_t(on)});
}
inline Record waitMs(std::int32_t ms) {
    return withParams(6, 4, ms);
}
inline Record end() {
    return recordOf({10, 4});
}

class TwinHarness {
  public:
    explicit TwinHarness(TwinOptions options = {}) : twin(std::move(options)) {}

    void send(std::uint8_t code, const Bytes& data) { twin.receive(frameBytes(code, data)); }
    Replies replies(int* bad = nullptr) { return parseReplies(twin.takeBytes(), bad); }

    // One command, exactly one reply expected.
    Reply exchange(std::uint8_t code, const Bytes& data) {
        send(code, data);
        auto got = replies();
        EXPECT_EQ(got.size(), 1u) << "command " << int(code);
        return got.empty() ? Reply{} : got.front();
    }

    // The station's write: header, every record, end; checks every acknowledgement.
    void writeProgram(const std::vector<Record>& records, const InputBreakWire& block = {}) {
        Bytes header{4, 0, std::uint8_t(records.size())};
        header.insert(header.end(), block.begin(), block.end());
        EXPECT_EQ(exchange(16, header).code, 17);
        for (std::size_t i = 0; i < records.size(); ++i) {
            Bytes data{4, 0, std::uint8_t(i + 1)};
            data.insert(data.end(), records[i].begin(), records[i].end());
            EXPECT_EQ(exchange(17, data).code, 17) << "record " << i + 1;
        }
        EXPECT_EQ(exchange(18, {4}).code, 18);
    }

    // Writes the program and starts it at the current time.
    void run(const std::vector<Record>& program, const InputBreakWire& block = {}) {
        writeProgram(program, block);
        EXPECT_EQ(exchange(12, {4}), (Reply{12, 1, {4}}));
    }

    ControllerTwin twin;
};

}  // namespace rv720::sim::testing
