#include "model/commands.h"

#include <array>

namespace rv720 {

namespace {
constexpr std::array<CommandInfo, 21> kCommands{{
    {code::VMin, "v_min", true, ParamKind::Milli},
    {code::VMax, "v_max", true, ParamKind::Milli},
    {code::VDest, "v_dest", true, ParamKind::Milli},
    {code::AMax, "a_max", true, ParamKind::Milli},
    {code::Enable, "enable", false, ParamKind::OnOff},
    {code::WaitMs, "wait_ms", false, ParamKind::Integer},
    {code::JumpLine, "jump_line", false, ParamKind::Line},
    {code::GoTo, "go_to", true, ParamKind::Integer},
    {code::Home, "home", true, ParamKind::MilliPair},
    {code::End, "end", false, ParamKind::None},
    {code::Brake, "brake", true, ParamKind::None},
    {code::Stop, "stop", true, ParamKind::None},
    {code::Counter, "counter", false, ParamKind::Integer},
    {code::JumpIfCounter, "if(counter>0) jump_line", false, ParamKind::Line},
    {code::SetOut, "set_out", false, ParamKind::Output},
    {code::JumpIfInput, "if(in", false, ParamKind::JumpInput},
    {code::Driver, "drv", true, ParamKind::Driver},
    {code::SetUsb, "set_USB", false, ParamKind::OnOff},
    {code::PrintUsb, "print_USB", false, ParamKind::Message},
    {code::WaitMotor, "wait_motor", false, ParamKind::MotorFlags},
    {code::ClearMotor, "clear_motor", false, ParamKind::MotorFlags},
}};
}  // namespace

const CommandInfo* commandInfo(std::uint8_t c) {
    // Asked once per listing line: a table by code.
    static const auto byCode = [] {
        std::array<const CommandInfo*, 256> table{};
        for (const auto& info : kCommands)
            table[info.code] = &info;
        return table;
    }();
    return byCode[c];
}

}  // namespace rv720
