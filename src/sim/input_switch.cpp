#include "sim/input_switch.h"

#include <charconv>
#include <cstdint>

#include "sim/controller_twin.h"

namespace rv720::sim {

namespace {

constexpr std::int64_t kMaxDelayMs = 86'400'000;  // a day

std::optional<std::int64_t> parseWhole(std::string_view text, std::int64_t lo, std::int64_t hi) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < lo || value > hi) return std::nullopt;
    return value;
}

// Seconds with at most three decimals ("2", "0.25"), in milliseconds.
std::optional<std::int64_t> parseSeconds(std::string_view text) {
    const auto dot = text.find('.');
    const auto whole = parseWhole(text.substr(0, dot), 0, kMaxDelayMs / 1000);
    if (!whole) return std::nullopt;
    std::int64_t ms = *whole * 1000;
    if (dot != std::string_view::npos) {
        std::string fraction(text.substr(dot + 1));
        if (fraction.empty() || fraction.size() > 3) return std::nullopt;
        fraction.resize(3, '0');
        const auto f = parseWhole(fraction, 0, 999);
        if (!f) return std::nullopt;
        ms += *f;
    }
    if (ms > kMaxDelayMs) return std::nullopt;
    return ms;
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (auto& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

}  // namespace

std::optional<InputSwitch> parseInputSwitch(std::string_view text) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    const std::string name = lower(text.substr(0, eq));
    std::string_view rest = text.substr(eq + 1);
    InputSwitch change;
    if (const auto at = rest.find('@'); at != std::string_view::npos) {
        const auto ms = parseSeconds(rest.substr(at + 1));
        if (!ms) return std::nullopt;
        change.at = std::chrono::milliseconds(*ms);
        rest = rest.substr(0, at);
    }
    const std::string state = lower(rest);
    if (state != "on" && state != "off") return std::nullopt;
    change.on = state == "on";
    if (name == "run") {
        change.kind = InputSwitch::Kind::Run;
    } else if (name == "stop") {
        change.kind = InputSwitch::Kind::Stop;
    } else {
        std::string_view number = name;
        for (std::string_view prefix : {"input", "in"})
            if (number.substr(0, prefix.size()) == prefix) {
                number.remove_prefix(prefix.size());
                break;
            }
        const auto n = parseWhole(number, 1, 6);
        if (!n) return std::nullopt;
        change.input = int(*n);
    }
    return change;
}

std::string inputSwitchText(const InputSwitch& change) {
    std::string text = change.kind == InputSwitch::Kind::Run ? "RUN"
                       : change.kind == InputSwitch::Kind::Stop
                           ? "STOP"
                           : "INPUT" + std::to_string(change.input);
    text += change.on ? "=on" : "=off";
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(change.at).count();
    if (ms > 0) {
        text += "@" + std::to_string(ms / 1000);
        if (ms % 1000) {
            std::string fraction = std::to_string(1000 + ms % 1000).substr(1);
            while (fraction.back() == '0')
                fraction.pop_back();
            text += "." + fraction;
        }
    }
    return text;
}

void applyInputSwitch(ControllerTwin& twin, const InputSwitch& change) {
    switch (change.kind) {
        case InputSwitch::Kind::Input:
            return twin.setInput(change.input, change.on);
        case InputSwitch::Kind::Run:
            return twin.setRunInput(change.on);
        case InputSwitch::Kind::Stop:
            return twin.setStopInput(change.on);
    }
}

}  // namespace rv720::sim
