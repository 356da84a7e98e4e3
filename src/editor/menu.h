#pragma once
// Where the operator enters commands: the listing's pop-up menu `Popup` and the
// command column of the main window. The GUI builds both from these tables, so
// the order, captions and separators live in one place.
#include <cstdint>
#include <span>
#include <string_view>

namespace rv720 {

// Dialog: the parameter dialog opens on the command's page. Direct: the command
// has no parameters and is added at once.
enum class EntryKind : std::uint8_t { Dialog, Direct };

struct CommandEntry {
    std::uint8_t code;
    std::string_view popupItem;  // item of the "Insert command" submenu
    std::string_view caption;    // its caption
    std::string_view button;     // command button
    bool motors;                 // applies to the ticked motors
    EntryKind entry;
    bool separatorAfter;  // a separator follows the item in the submenu
};

// The submenu rows in menu order. The popup item captioned "Brake" inserts code
// 12 and the one captioned "Stop" code 11; the buttons match the listing.
std::span<const CommandEntry> commandEntries();
const CommandEntry* commandEntryForCode(std::uint8_t code);

struct MenuItem {
    std::string_view name;
    std::string_view caption;
};

// The pop-up menu, top to bottom: delete, the insert submenu, edit.
inline constexpr MenuItem kDeleteItem{"Usu1", "Delete command"};
inline constexpr std::string_view kInsertSubmenuCaption = "Insert command";
inline constexpr MenuItem kEditItem{"Edytujzdarzenie1", "Edit command"};

// The button outside the twenty of the command column, which stays usable while
// the controller runs its program.
inline constexpr std::string_view kClearPosButton = "CommandClearPos";

}  // namespace rv720
