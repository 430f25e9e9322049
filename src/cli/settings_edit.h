// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/settings_image.h"

// The edits `vfdctl make` applies to a settings image, each checked the way the configuration
// window checks what the operator chooses or types.
namespace vfd::cli {

struct Edits {
    std::vector<std::string> sets;  // "key=value", in the order given
    std::optional<std::string> message1;
    std::optional<std::string> message2;
    std::optional<std::string> message1Hex;
    std::optional<std::string> message2Hex;
    std::vector<std::string> characters;  // "N:CODE[:COLUMNS]"

    bool empty() const {
        return sets.empty() && !message1 && !message2 && !message1Hex && !message2Hex &&
               characters.empty();
    }
};

// What a new configuration window holds before anything is changed, as its Save writes it: every
// list at its default, both scroll boxes ticked, the default welcome messages (the cells after
// the text empty, which is 0), no user-defined characters.
device::SettingsImage windowDefaults();

// The list position `value` names in the list of setting `key` (see kListSettings): an entry's
// text (case and blanks aside, "(Default)" may be left out), the first field of a line speed
// ("19200"), a stand-by time as the window takes it typed ("5 minutes"), or a position number.
// Nothing, with `error` set, for a value the list does not have.
std::optional<int> listPosition(std::string_view key, std::string_view value, std::string& error);

// Applies the edits: list settings and scroll boxes first, then the welcome messages (typed text
// in the character set the image ends up with), then the user-defined characters. Gives an
// empty text on success; otherwise what was wrong, and the image is left as it was.
std::string applyEdits(device::SettingsImage& image, const Edits& edits);

}  // namespace vfd::cli
