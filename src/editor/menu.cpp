#include "editor/menu.h"

#include <array>

#include "model/commands.h"

namespace rv720 {

namespace {

using E = EntryKind;

constexpr std::array<CommandEntry, 21> kEntries{{
    {code::Driver, "Skonfigurujsterownik1", "Driver configuration", "CommadnConfigButton", true,
     E::Dialog, false},
    {code::VMin, "Prdko1", "Min velocity", "CommadnVminButton", true, E::Dialog, false},
    {code::VMax, "maksymalna1", "Max velocity", "CommadnVmaxButton", true, E::Dialog, false},
    {code::AMax, "Przyspieszeniemaksymalne1", "Max acceleration", "CommadnAmaxButton", true,
     E::Dialog, true},
    {code::Enable, "Wyj2", "ENABLE output", "CommadEnableButton", false, E::Dialog, false},
    {code::VDest, "Prdkodocelowa1", "Set velocity", "CommadnVdestButton", true, E::Dialog, false},
    {code::GoTo, "Znajdpozycj1", "Set position", "CommadnXdestButton", true, E::Dialog, false},
    {code::Home, "Bazuj1", "HOME", "CommadnHomeButton", true, E::Dialog, false},
    {code::Stop, "Stop1", "Brake", "CommadnStopButton", true, E::Direct, false},
    {code::Brake, "Hamuj1", "Stop", "CommadBreakButton", true, E::Direct, false},
    {code::WaitMotor, "Czekajnapozycj1", "Wait for position", "CommadnWaitXButton", true, E::Direct,
     false},
    {code::ClearMotor, "Zerujlicznikpozycji1", "Reset pos. counter", "CommandClearPos", true,
     E::Direct, true},
    {code::SetOut, "Ustawwyj2", "Set outputs", "CommadnOutButton", false, E::Dialog, false},
    {code::Counter, "Ustawlicznikpowturze1", "Set repet. counter", "CommadnCounterButton", false,
     E::Dialog, false},
    {code::JumpLine, "Skoczdolinii1", "Jump to a line", "CommadnJumpButton", false, E::Dialog,
     false},
    {code::JumpIfInput, "Skoczje1", "Jump if input", "CommadnJumpInputButton", false, E::Dialog,
     false},
    {code::JumpIfCounter, "Skoczje2", "Jump if repet. counter", "CommadnJumpCounterButton", false,
     E::Dialog, false},
    {code::WaitMs, "Czekaj1", "Wait [ms]", "CommadnWaitButton", false, E::Dialog, false},
    {code::End, "Koniec1", "END of program", "CommadnEndButton", false, E::Direct, true},
    {code::SetUsb, "SkonfigurujKomunikacj1", "Communication config", "CommadnUsbButton", false,
     E::Dialog, false},
    {code::PrintUsb, "KomunikatUSB1", "USB message", "CommadnMessageButton", false, E::Dialog,
     false},
}};

}  // namespace

std::span<const CommandEntry> commandEntries() {
    return kEntries;
}

const CommandEntry* commandEntryForCode(std::uint8_t c) {
    for (const auto& e : kEntries)
        if (e.code == c) return &e;
    return nullptr;
}

}  // namespace rv720
