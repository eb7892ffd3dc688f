// The differential check: one input read by the fast reader and by the
// plain one, compared field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tessary_test {

// An input is a few bytes of settings followed by the file:
//   byte 0  bits 0-2: separator length 0-6, or 7 for the default separator
//           bits 3-4: the size the source reports (exact, none, a fixed one)
//           bits 5, 7: the scans: the best there are (0), portable (1),
//                     SSE2 (2) or the best again (3)
//           bit 6:    a UTF-8 form of the separator that differs from it
//   byte 1  the two read sizes the source alternates between
//   byte 2  the fixed size the source reports, when it reports one; and
//           the window the file is read through: 8 + 3 * byte bytes
//           (8 to 773, so that contacts, lines and characters straddle
//           its moves), or the usual one for 0xFF
//   then the separator's bytes, then the file.
inline constexpr std::size_t kSettingsBytes = 3;

// Reads the input both ways; returns an empty string when the readers agree
// on everything, otherwise a description of the first difference.
std::string CompareReaders(const std::uint8_t* data, std::size_t size);

// The window byte 2 of an input asks for; 0 for the usual one.
std::size_t WindowOf(const std::uint8_t* data, std::size_t size);

// The modern reading of the input's file through that window, with the cards
// read again from the source and kept as from a pipe, against the usual
// window: empty when every card comes out the same, else the first
// difference.
std::string CompareDecodedReadings(const std::uint8_t* data, std::size_t size);

}  // namespace tessary_test
