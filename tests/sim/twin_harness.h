#pragma once
// Drives a ControllerTwin the way the station does: frames built with buildFrame,
// replies taken apart with the station's own reassembler.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cctype>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "device/frame.h"
#include "model/program_image.h"
#include "sim/controller_twin.h"

namespace rv720::sim::testing {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

struct Reply {
    std::uint8_t code = 0;
    std::uint8_t status = 0;
    Bytes data;  // data[0] is the target
    bool operator==(const Reply&) const = default;
};

inline std::vector<Reply> parseReplies(const Bytes& stream, int* bad = nullptr) {
    FrameAssembler assembler;
    std::vector<Reply> out;
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

inline Record rec(std::initializer_list<std::uint8_t> bytes) {
    Record r{};
    std::copy(bytes.begin(), bytes.end(), r.begin());
    return r;
}
// A record whose P1 is a 32-bit value.
inline Record recP1(std::uint8_t code, std::uint8_t motor, std::int32_t p1) {
    Record r = makeRecord(code, motor);
    writeBe32(r.data() + 2, p1);
    return r;
}

class TwinHarness {
  public:
    explicit TwinHarness(TwinOptions options = {}) : twin(std::move(options)) {}

    void send(std::uint8_t code, const Bytes& data) { twin.receive(frameBytes(code, data)); }
    std::vector<Reply> replies(int* bad = nullptr) { return parseReplies(twin.takeBytes(), bad); }

    // One command, exactly one reply expected.
    Reply exchange(std::uint8_t code, const Bytes& data) {
        send(code, data);
        auto got = replies();
        EXPECT_EQ(got.size(), 1u) << "command " << int(code);
        return got.empty() ? Reply{} : got.front();
    }

    // The station's write: header, every record, end; checks every acknowledgement.
    void writeProgram(const std::vector<Record>& records, const InputBreakWire& block = {}) {
        Bytes header{4, 0, 0};
        writeBe16(header.data() + 1, std::uint16_t(records.size()));
        header.insert(header.end(), block.begin(), block.end());
        EXPECT_EQ(exchange(16, header).code, 17);
        for (std::size_t i = 0; i < records.size(); ++i) {
            Bytes data{4, 0, 0};
            writeBe16(data.data() + 1, std::uint16_t(i + 1));
            data.insert(data.end(), records[i].begin(), records[i].end());
            EXPECT_EQ(exchange(17, data).code, 17) << "record " << i + 1;
        }
        EXPECT_EQ(exchange(18, {4}).code, 18);
    }

    ControllerTwin twin;
};

// A scratch directory removed at the end of the test.
class TempDir {
  public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info->name();
        for (auto& c : name)
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        path_ = std::filesystem::temp_directory_path() /
                ("rv720-twin-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace rv720::sim::testing
