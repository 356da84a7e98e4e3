#pragma once
// The bodies of the fuzz targets. Each takes one input and answers with an empty
// text when every promise held, otherwise with what broke. The libFuzzer drivers
// abort on a non-empty answer; the test suite replays the committed corpora
// (fuzz/corpus/<target>/) through the same functions, so an input that once broke
// something keeps being checked by `make test`, without clang.
#include <cstdint>
#include <span>
#include <string>

namespace rv720::fuzz {

using Input = std::span<const std::uint8_t>;

// The input as a program file: decoding either refuses it and leaves the image
// alone, or loads it; a loaded program renders in both layouts and with both
// decimal separators, compiles, and encodes back to the input's own bytes (the
// reserved header bytes as zeros, a length above 999 as 999, nothing past the
// last record), which decode and encode again unchanged.
std::string programFileRoundTrip(Input input);

// The input as a byte stream from the controller, handed to the link in chunks
// whose sizes the input also chooses: the frames it dispatches, and what the
// assembler reports byte by byte, match a plain model of the reassembly rules.
std::string frameAssemblyMatchesModel(Input input);

// The input as a session with the station: the operator starts writes, reads and
// firmware updates; the controller answers honestly, but its answers are lost,
// doubled, late, cut up, or crowded by frames of its own and random ones, and the
// converter fails now and then. Whatever happens: the windows are never left
// locked once the link is closed; a write reported finished left the controller
// holding exactly that program; a read reported finished holds exactly what the
// controller stores; no firmware file is asked for unless the operator started an
// update; and once the input ends, an answering controller lets every transfer
// end, and a silent one lets the reply timeout give the windows back.
std::string replyDispatchKeepsItsPromises(Input input);

}  // namespace rv720::fuzz
