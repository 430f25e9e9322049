// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <span>
#include <string_view>

#include "device/settings_image.h"

namespace vfd::device {

// The option lists of the configuration window. The value stored in the settings image is the
// zero-based position of the chosen entry, so the order of these tables is part of the format.
struct OptionList {
    std::string_view name;     // the window's name for the list
    std::string_view caption;  // what the window calls it, and what a screen reader says
    std::span<const std::string_view> entries;
    int defaultPosition;

    int size() const { return static_cast<int>(entries.size()); }
    bool has(int position) const { return position >= 0 && position < size(); }
};

inline constexpr std::array<std::string_view, kCharacterSetCount> kCharEntries = {
    "USA/Eurpope  (Default)",
    "FRANCE",
    "GERMANY",
    "U.K",
    "DENMARK I",
    "SWEDEN",
    "ITALY",
    "SPAIN",
    "JAPAN",
    "NORWAY",
    "DENMARK II",
    "SLAVONIC/RUSSIA",
    "RUSSIA",
    "GREEK",
    "CZECH",
    "LATIVAIN"};

inline constexpr std::array<std::string_view, kEmulationCount> kCommandEntries = {
    "QV310",  "EPSON (Default)", "UTC/S",  "UTC/P", "AEDEX",
    "ADM788", "DSP800",          "CD5220", "EMAX",  "LogicControl"};

inline constexpr std::array<std::string_view, 2> kBaudRateEntries = {"9600,n,8,1 (Default)",
                                                                     "19200,n,8,1"};

inline constexpr std::array<std::string_view, 3> kPassthruEntries = {
    "None     (Default)", "with ESC/POS command", "without ESC/POS command"};

inline constexpr std::array<std::string_view, 11> kStandbyEntries = {"No Stand-by Status (Default)",
                                                                     "1 minute",
                                                                     "2 minutes",
                                                                     "3 minutes",
                                                                     "4 minutes",
                                                                     "5 minutes",
                                                                     "6 minutes",
                                                                     "7 minutes",
                                                                     "8 minutes",
                                                                     "9 minutes",
                                                                     "10 minutes"};

// The computer's end of the line: not stored in a display, but listed the same way.
inline constexpr std::array<std::string_view, 2> kBaudEntries = {"9600,n,8,1", "19200,n,8,1"};

inline constexpr std::array<std::string_view, 8> kCommEntries = {
    "Com 1", "Com 2", "Com 3", "Com 4", "Com 5", "Com 6", "Com 7", "Com 8"};

inline constexpr OptionList kCharList{"Char", "Character Type", kCharEntries,
                                      SettingsImage::toByte(CharacterSet::UsaEurope)};
inline constexpr OptionList kCommandList{"Command", "Command Mode", kCommandEntries,
                                         SettingsImage::toByte(kFactoryEmulation)};
inline constexpr OptionList kBaudRateList{"BaudRate", "BaudRate Select", kBaudRateEntries,
                                          SettingsImage::toByte(LineSpeed::Baud9600)};
inline constexpr OptionList kPassthruList{"Passthru", "Passthru Mode", kPassthruEntries,
                                          SettingsImage::toByte(PassThrough::None)};
inline constexpr OptionList kStandbyList{"standby", "Time To enter Stand-by Status",
                                         kStandbyEntries, SettingsImage::toByte(StandBy::Never)};
inline constexpr OptionList kBaudList{"Baud", "Baud Rate", kBaudEntries, 0};
inline constexpr OptionList kCommList{"Comm", "Com Port Select", kCommEntries, 0};

// The order in which the window fills its lists at start-up.
inline constexpr std::array<const OptionList*, 7> kFillOrder = {
    &kCharList, &kCommandList,  &kBaudRateList, &kBaudList,
    &kCommList, &kPassthruList, &kStandbyList};

// The welcome messages of a display as it leaves the factory, and of the window's defaults.
inline constexpr std::string_view kDefaultMessage1 = "*** VFD DISPLAY  ***";
inline constexpr std::string_view kDefaultMessage2 = "**HAVE A NICE DAY AND THANK YOU**";

// The list entry of a stored value; empty for a value the list does not have.
std::string_view caption(Emulation value);
std::string_view caption(CharacterSet value);
// The name without the list's "(Default)": "EPSON", "CD5220", "USA/Eurpope", "GERMANY".
std::string_view shortName(Emulation value);
std::string_view shortName(CharacterSet value);

// The stand-by list also takes typed text. Accepts an entry text, "n minute(s)" or a bare number,
// each for 0 to 10, and gives the list position; anything else gives -1.
int standbyPositionFromText(std::string_view text);

}  // namespace vfd::device
