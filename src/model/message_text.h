#pragma once
// USB message characters. The controller keeps one byte per character; the
// station shows and takes them in the listing font's Central-European code page
// (Windows-1250), so what the operator types is what the listing shows and what
// the controller sends back. Texts on the station's side are UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rv720 {

// Appends the character of one message byte as UTF-8. Bytes below 0x80 stand for
// themselves; the code page's five unassigned bytes become '?'.
void appendMessageChar(std::string& utf8, std::uint8_t byte);

// The bytes of a message as UTF-8 text.
std::string messageText(std::string_view bytes);

// At most `maxChars` message bytes for a UTF-8 text: a character the code page
// lacks becomes '?'; a stray byte that is not UTF-8 stands for itself.
std::string messageBytes(std::string_view utf8, std::size_t maxChars);

}  // namespace rv720
