// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Text as the display shows it: bytes are codes of the display's character set (a `Char` list
// position), not of the computer's. The national sets put letters where ASCII has brackets, and
// the upper half is a DOS code page, so a byte means what the stored set says.
namespace vfd::cli {

// The UTF-8 text of `codes` as a display with character set `characterSet` shows them: control
// codes (a zero in an unused message cell among them) as blanks, a code the set leaves
// unassigned as U+FFFD.
std::string displayedText(std::span<const std::uint8_t> codes, int characterSet);

struct EncodedText {
    std::vector<std::uint8_t> codes;
    std::string error;  // why the text cannot be shown; empty when it can
};

// The codes that show UTF-8 `text` with character set `characterSet`, one per character. A
// character the set does not have is an error naming it.
EncodedText encodeForDisplay(std::string_view text, int characterSet);

// "2A 2A 20", two upper-case digits a byte, blank-separated.
std::string hexBytes(std::span<const std::uint8_t> bytes);
// Bytes from a display as text: printable ASCII as it is, anything else as \xNN.
std::string printableBytes(std::span<const std::uint8_t> bytes);

// Parses "2A 2A 20" or "2a2a20" (blanks anywhere between the pairs) into bytes; nothing when a
// character is not a hexadecimal digit or the digits do not pair up.
bool parseHexBytes(std::string_view text, std::vector<std::uint8_t>& out);

}  // namespace vfd::cli
