#include <algorithm>
#include <vector>

#include "compiler/compiler.h"
#include "editor/listing.h"
#include "fuzz/targets.h"
#include "model/program_file.h"

namespace rv720::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;

// What a loaded file must encode back to: its first 30 + 10 N bytes with the
// reserved bytes cleared and the length cut to what was loaded.
Bytes canonicalFile(Input input, std::uint32_t loaded) {
    Bytes bytes(input.begin(), input.begin() + kFileHeaderSize + loaded * kRecordSize);
    writeBe32(bytes.data(), std::int32_t(loaded));
    std::fill(bytes.begin() + 4, bytes.begin() + 10, 0);
    return bytes;
}

// The listing text with either separator written as '.', so that the two
// separators' renderings can be compared.
std::vector<std::string> dotted(const std::vector<ListingLine>& lines) {
    std::vector<std::string> out;
    for (const auto& line : lines) {
        std::string text = line.text;
        std::replace(text.begin(), text.end(), ',', '.');
        out.push_back(std::move(text));
    }
    return out;
}

}  // namespace

std::string programFileRoundTrip(Input input) {
    // Stale slots beyond the length must survive a decode that loads fewer records.
    ProgramImage image;
    for (int slot = 0; slot < kMaxCommands; ++slot)
        image.setByte(slot, 0, std::uint8_t(slot));
    const ProgramImage before = image;

    const ProgramFileResult result = decodeProgramFile(input.data(), input.size(), image);
    if (!result) {
        if (result.reason().empty()) return "a refused file gives no reason";
        if (image.bytes() != before.bytes() || image.length() != before.length())
            return "a refused file changed the program";
        return {};
    }
    const std::uint32_t n = image.length();
    if (n != std::min<std::uint32_t>(result.declaredLength, kMaxCommands))
        return "the loaded length is not the declared one cut to 999";
    for (int slot = int(n); slot < kMaxCommands; ++slot)
        if (image.record(slot) != before.record(slot)) return "a slot beyond the length changed";

    for (auto layout : {ListingLayout::OneColumn, ListingLayout::FourColumns}) {
        const auto withDot = renderListing(image, layout, '.');
        const auto withComma = renderListing(image, layout, ',');
        if (withDot.size() != n || withComma.size() != n)
            return "the listing has not one line per command";
        if (dotted(withDot) != dotted(withComma))
            return "the decimal separator changes more than the separators";
    }
    // Any record may reach the compiler; only the sanitizers judge this step.
    compileProgram(image, "2026-01-01", "12:00:00");

    const Bytes encoded = encodeProgramFile(image);
    if (encoded != canonicalFile(input, n)) return "the loaded program does not encode to its file";
    ProgramImage again;
    if (!decodeProgramFile(encoded, again)) return "an encoded program does not decode";
    if (encodeProgramFile(again) != encoded) return "encode, decode, encode is not byte-identical";
    return {};
}

}  // namespace rv720::fuzz
