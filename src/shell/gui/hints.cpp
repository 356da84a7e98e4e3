#include "shell/gui/hints.h"

namespace rv720 {

namespace {

// The texts are the station's own, typing slips included.
constexpr ControlHint kHints[] = {
    {"NewButton", "New", "Button creates new file with program",
     "Current project is save on request"},
    {"OpenButton", "Open", "Button opens ealier saved file with program",
     "Current project is saved on request"},
    {"SaveButton", "Save", "Button saves current project under earlier created name", ""},
    {"SaveAsButton", "Save as...", "Button saves current project under new name", ""},
    {"PrintButton", "Print", "Button prints program code", "..."},
    {"DownButton", "Move command down", "Button moves program command downward", "..."},
    {"UpButton", "Move command up", "Button moves program command upward", "..."},
    {"DisconnectButton", "Disconnect", "Button stops connection with USB",
     "All preview windows will be automatically closed"},
    {"ConnectButton", "Connect", "Button makes a connection with USB",
     "Program execution of EEPROM memory is finished"},
    {"WriteProgramButton", "Compile",
     "Button starts program compilation and recording to EEPROM memory", ""},
    {"ReadProgramButton", "Read program", "Button starts program reading of EEPROM memory",
     "Active only at connection with a device"},
    {"StopProgramButton", "Stop program", "Button stops program execution of EEPROM memory",
     "Active ony at connection with a device"},
    {"PlayProgramButton", "Start program", "Button starts program execution of EEPROM memory",
     "Active only at connection with a device"},
    {"DryRunButton", "Dry run (F6)",
     "Button tries the program of the editor on a controller twin: motion, cycle, messages",
     "The device is not touched; works also without a connection"},
    {"ViewUsbButton", "USB message preview ", "Button activates USB message preview window",
     "Active only at connection with a device"},
    {"WiewIoButton", "I/O preview", "Button activates I/O preview window",
     "Active only at connection with a device"},
    {"ViweMotorButton", "Motors preview", "Button activates current motor state preview window",
     "Active only at connection with a device"},
    {"HelpButton", "Help", "Button activates help window", ""},
    {"InfoButton", "About program", "Button shows window with information about software", ""},
    {"SpeedButton1", "Device reset", "Button reset the device",
     "Active only at connetion with a device"},
    {"SpeedButton2", "Firmware update", "Button updates software of the device",
     "Active only at connection with a device"},
    {"StopButton", "Stop program", "Emegency stop button of the program of EEPROM memory",
     "Active only at connection with a device"},
    {"led_usb", nullptr, "Control shows information about communication state with USB",
     "Green - active; Grey - inactive"},
    {"led_prog", nullptr,
     "Control shows information about state of executed program of EEPROM memory",
     "Green - active; Grey - stop"},
    {"SetConfigButton", "Ustaw parametry silników", "Direct control of motors",
     "Button configures motors and drivers parameters"},
    {"SetModeButton", "Ustaw tryb sterowania", "Direct control of motors",
     "Button sets device operation mode"},
    {"SetVminButton", "Ustaw prędkość minimalną", "Direct control of motors",
     "Button sets minimal velocity of the motor"},
    {"SetVmaxButton", "Ustaw prędkość maksymalną", "Direct control of motors",
     "Button sets maximal velocity of the motor"},
    {"SetAmaxButton", "Ustaw przyspieszenie maksymalne", "Direct control of motors",
     "Button sets maximal acceleration of the motor"},
    {"SetVdestButton", "Ustaw prędkość zadaną", "Direct control of motors",
     "Button sets target velocity - available in velocity mode"},
    {"SetXdestButton", "Ustaw pozycję zadaną", "Direct control of motors",
     "Button sets target position - available in position mode"},
    {"SetOutputButton", "Ustaw wyjścia", "Direct control of outputs",
     "Button activates window of control of power outputs"},
    {"CommadnConfigButton", "KOnfiguracja sterowników", "Program command",
     "Command configures driver and motor parameters"},
    {"CommadnVminButton", "Prędkość minimalna", "Program command",
     "Command configures minimal velocity"},
    {"CommadnVmaxButton", "Prędkość maksymalna", "Program command",
     "Command configures maximal velocity"},
    {"CommadnAmaxButton", "Przyspieszenie maksymalne", "Program command",
     "Command configures maximal acceleration"},
    {"CommadEnableButton", "Wyjście ENABLE", "Program command", "Command sets/reset ENABLE output"},
    {"CommadnVdestButton", "Prędkość zadana", "Program command", "Command sets set velocity"},
    {"CommadnXdestButton", "Pozycja zadana", "Program command", "Command sets set position"},
    {"CommadnHomeButton", "Pozycja HOME", "Program command", "Command sets back to home position"},
    {"CommadBreakButton", "Hamuj silniki", "Program command", "Command sets motor braking on ramp"},
    {"CommadnStopButton", "Zatrzymaj silniki", "Program command",
     "Program sets motor stop without a ramp"},
    {"CommadnWaitXButton", "Czekaj na osiągnięcie pozycji", "Program command",
     "Program waits until it reach set position"},
    {"CommandClearPos", nullptr, "Program command", "Reset motor position counter"},
    {"CommadnOutButton", "Ustaw wyjścia", "Program command", "Command configures the outputs"},
    {"CommadnCounterButton", "Ustaw licznik powtórzeń", "Program command",
     "Command sets repetition counter"},
    {"CommadnJumpButton", "Skocz do linii", "Program command",
     "Command makes jump to pointed program line"},
    {"CommadnJumpInputButton", "Skocz jeśli wejście", "Program command",
     "Command makes jump in dependence on input state"},
    {"CommadnJumpCounterButton", "Skocz jeśli licznik powtórzeń różny od zera", "Program command",
     "Command makes jump until repetition counter is bigger than zero"},
    {"CommadnWaitButton", "Czekaj", "Program command", "Command introduces delay in miliseconds"},
    {"CommadnEndButton", "Koniec programu", "Program command",
     "Command ends program execution of EEPROM memory"},
    {"CommadnUsbButton", "Konfiguracja komunikacji", "Program command",
     "Command turn on/off message sending through USB"},
    {"CommadnMessageButton", "Komunikat USB", "Program command",
     "Command sends short message through USB to PC"},
};

}  // namespace

std::span<const ControlHint> controlHints() {
    return kHints;
}

const ControlHint* hintFor(const QString& control) {
    for (const ControlHint& hint : kHints)
        if (control == QLatin1String(hint.control)) return &hint;
    return nullptr;
}

}  // namespace rv720
