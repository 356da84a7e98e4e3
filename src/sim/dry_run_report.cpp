#include "sim/dry_run_report.h"

#include <charconv>
#include <cmath>

#include "model/message_text.h"

namespace rv720::sim {

namespace {

std::string number(double v) {
    if (v == 0) return "0";  // never "-0"
    char buffer[40];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

std::string fixed3(double v) {
    char buffer[40];
    const double rounded = std::round(v * 1000) / 1000;
    return std::string(buffer,
                       std::to_chars(buffer, buffer + sizeof buffer, rounded == 0 ? 0.0 : rounded,
                                     std::chars_format::fixed, 3)
                           .ptr);
}

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = std::uint8_t(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string howItStopped(const DryRun& run) {
    const std::string after = " after " + secondsText(run.stoppedAt) + " s";
    switch (run.end) {
        case DryRunEnd::NotStarted:
            return "Did not start: the program is empty or STOP is held";
        case DryRunEnd::End:
            return "Ended by end()" + after;
        case DryRunEnd::RanOff:
            return "Ended running past the last line" + after;
        case DryRunEnd::JumpOutside:
            return "Ended by a jump to a line outside the program" + after;
        case DryRunEnd::UnknownCommand:
            return "Ended on a command the controller does not know" + after;
        case DryRunEnd::StopInput:
            return "Stopped by the STOP input" + after;
        case DryRunEnd::Limit:
            return "Stopped at the limit" + after + ", still running";
    }
    return {};
}

}  // namespace

std::string secondsText(SimTime t) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t).count();
    const std::string fraction = std::to_string(1000 + std::abs(ms) % 1000).substr(1);
    return (ms < 0 ? "-" : "") + std::to_string(std::abs(ms) / 1000) + "." + fraction;
}

std::string dryRunSummary(const DryRun& run) {
    std::string out = howItStopped(run) + ".\n";
    out += "Commands executed: " + std::to_string(run.executed) + "\n";
    for (int m = 0; m < 3; ++m)
        out += "Motor " + std::to_string(m + 1) + ": position " + std::to_string(run.positions[m]) +
               " steps, peak velocity " + fixed3(run.peakVelocity[m]) + " rev/s\n";
    if (run.motorsRunning) out += "A motor was still turning when the run ended.\n";
    out += "Messages: " + std::to_string(run.messages.size()) + "\n";
    for (const DryRunMessage& m : run.messages) {
        std::string time = secondsText(m.at);
        time.insert(0, time.size() < 10 ? 10 - time.size() : 0, ' ');
        out += time + " s  " + messageText(m.characters) + "\n";
    }
    return out;
}

std::string dryRunJson(const DryRun& run) {
    const auto list = [](std::size_t n, auto&& item) {
        std::string out = "[";
        for (std::size_t i = 0; i < n; ++i)
            out += (i ? "," : "") + item(i);
        return out + "]";
    };
    const std::size_t lines = std::min(run.executions.size(), kJsonMaxLines);
    std::string out = "{";
    out += "\"ended\":" + std::string(run.ended() ? "true" : "false");
    out += ",\"stop\":\"" + std::string(dryRunEndName(run.end)) + "\"";
    out += ",\"seconds\":" + secondsText(run.stoppedAt);
    out += ",\"executed\":" + std::to_string(run.executed);
    out += ",\"positions\":" +
           list(3, [&](std::size_t m) { return std::to_string(run.positions[m]); });
    out +=
        ",\"peak_velocity\":" + list(3, [&](std::size_t m) { return number(run.peakVelocity[m]); });
    out += ",\"motors_running\":" + std::string(run.motorsRunning ? "true" : "false");
    out += ",\"messages\":" + list(run.messages.size(), [&](std::size_t i) {
               return jsonString(messageText(run.messages[i].characters));
           });
    out += ",\"message_seconds\":" + list(run.messages.size(), [&](std::size_t i) {
               return secondsText(run.messages[i].at);
           });
    out += ",\"lines\":" +
           list(lines, [&](std::size_t i) { return std::to_string(run.executions[i].line); });
    out += ",\"lines_truncated\":" + std::string(run.executed > lines ? "true" : "false");
    return out + "}\n";
}

std::string dryRunCsv(const DryRun& run) {
    std::string out = "t,line,x1,x2,x3,v1,v2,v3\n";
    out.reserve(out.size() + run.samples.size() * 48);
    for (const MotionSample& s : run.samples) {
        out += secondsText(s.at) + "," + std::to_string(s.line);
        for (int m = 0; m < 3; ++m)
            out += "," + std::to_string(s.position[m]);
        for (int m = 0; m < 3; ++m)
            out += "," + number(s.velocity[m]);
        out += '\n';
    }
    return out;
}

}  // namespace rv720::sim
