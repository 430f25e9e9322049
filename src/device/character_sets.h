// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>

#include "device/settings_image.h"

// Which character a display shows for a code: the factory character table, the international
// sets of the `Char` list and the code tables that ESC t selects at run time. The virtual
// display draws its glass from this, and both tools turn typed text into codes with it.
namespace vfd::device {

// Codes below this are control codes: they show nothing.
inline constexpr std::uint8_t kFirstShownCode = 0x20;

// What an unassigned code reads as.
inline constexpr char32_t kMissingCharacter = U'\uFFFD';

// The international sets are the `Char` positions, 0 to kCharacterSetCount - 1: 0 to 10 replace
// twelve ASCII codes with national characters and keep code page 437 above them, 11 to 15 are
// ASCII with a code page of their own in the upper half. Other numbers are taken as 0.
//
// The code table the display starts with is the upper half of its international set. ESC t n
// selects a code table by its EPSON number instead (isCodeTable).
inline constexpr int kStoredCodeTable = -1;
bool isCodeTable(int table);

// The factory table: codes 0x20 to 0x7E are ASCII, 0x7F a house sign and the upper half code
// page 437. Control codes read as a blank.
char32_t romCharacter(std::uint8_t code);

// What a code shows with an international set and a code table in force: a blank for a control
// code, kMissingCharacter for a code the table leaves unassigned.
char32_t characterOf(std::uint8_t code, int internationalSet, int codeTable);

// What a code shows with a stored character set, before any command changes it.
char32_t characterOf(std::uint8_t code, CharacterSet set);

// The code that shows `character` with a stored character set: the lowest one where several
// show it (GERMANY shows ü at 0x7D and, in its code page 437 half, at 0x81 too). Nothing when
// the set cannot show it; control codes are never the answer, the blank is 0x20.
std::optional<std::uint8_t> codeOf(char32_t character, CharacterSet set);

}  // namespace vfd::device
