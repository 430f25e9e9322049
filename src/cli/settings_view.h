// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "cli/json.h"
#include "device/option_lists.h"
#include "device/settings_image.h"

// A settings image as the configuration window shows it: every list setting by the caption of
// its list and the entry it stands on, the welcome messages as text and as the hexadecimal
// cells, and the user-defined characters as their dot grids.
namespace vfd::cli {

// The list settings in the order of the window's "Command Setting" page. `key` is the name
// `vfdctl make --set` takes and the JSON output uses.
struct ListSetting {
    std::string_view key;
    const device::OptionList* list;
    int imageIndex;
};

inline constexpr std::array<ListSetting, 5> kListSettings = {{
    {"charset", &device::kCharList, device::image_index::kCharSet},
    {"emulation", &device::kCommandList, device::image_index::kCommand},
    {"speed", &device::kBaudRateList, device::image_index::kLineSpeed},
    {"passthru", &device::kPassthruList, device::image_index::kPassthru},
    {"standby", &device::kStandbyList, device::image_index::kStandby},
}};

// The welcome-message frames and their scroll boxes as the window names them.
struct MessageField {
    std::string_view caption;
    std::string_view scrollKey;  // the make --set key of its "Scroll" box
    int imageIndex;
    int length;
};
inline constexpr std::array<MessageField, 2> kMessageFields = {{
    {"Welcome Msg 1", "scroll1", device::image_index::kMessage1, device::kMessage1Length},
    {"Welcome Msg 2", "scroll2", device::image_index::kMessage2, device::kMessage2Length},
}};

inline constexpr std::string_view kUdcTitle = "User Defined Character";

// The five columns of a user-defined character record as seven rows of '#' (lit) and '.'.
std::array<std::string, device::kUdcRows> dotRows(const device::SettingsImage& image, int number);

// For people: aligned text, ending in a newline. `source` names where the settings came from.
std::string settingsText(const device::SettingsImage& image, std::string_view source);
// For machines: the same facts as a JSON object.
Json settingsJson(const device::SettingsImage& image);

}  // namespace vfd::cli
