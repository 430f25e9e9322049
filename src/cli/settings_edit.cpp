// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/settings_edit.h"

#include <algorithm>
#include <cctype>

#include "cli/display_text.h"
#include "cli/settings_view.h"
#include "device/option_lists.h"

namespace vfd::cli {

namespace {

using device::SettingsImage;

// Lower case, blanks trimmed and runs of blanks made one, so that "None (default)" finds
// "None     (Default)".
std::string normalised(std::string_view text) {
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            blank = !out.empty();
            continue;
        }
        if (blank) {
            out += ' ';
            blank = false;
        }
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string withoutDefaultMark(std::string_view entry) {
    std::string text = normalised(entry);
    const std::string mark = "(default)";
    if (const auto at = text.find(mark); at != std::string::npos) {
        text.erase(at, mark.size());
    }
    return normalised(text);
}

bool allDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
    });
}

const ListSetting* settingFor(std::string_view key) {
    for (const auto& s : kListSettings) {
        if (s.key == key) {
            return &s;
        }
    }
    return nullptr;
}

std::string entriesList(const device::OptionList& list) {
    std::string out;
    for (const auto entry : list.entries) {
        out += (out.empty() ? "\"" : ", \"") + std::string(entry) + "\"";
    }
    return out;
}

std::optional<bool> onOff(std::string_view value) {
    const std::string v = normalised(value);
    if (v == "on" || v == "yes" || v == "true" || v == "1") {
        return true;
    }
    if (v == "off" || v == "no" || v == "false" || v == "0") {
        return false;
    }
    return std::nullopt;
}

std::string setMessage(SettingsImage& image, const MessageField& field,
                       const std::vector<std::uint8_t>& codes) {
    if (static_cast<int>(codes.size()) > field.length) {
        return std::string(field.caption) + " holds " + std::to_string(field.length) +
               " characters; the text has " + std::to_string(codes.size());
    }
    for (int k = 0; k < field.length; ++k) {
        const auto i = static_cast<std::size_t>(k);
        image.set(field.imageIndex + k, i < codes.size() ? codes[i] : 0);
    }
    return {};
}

// "N:CODE[:COLUMNS]": character N (1 to 9), its code as two hexadecimal digits (20 to 7E, as
// the character page takes it, or 00 for an empty record), and its five dot columns as ten
// hexadecimal digits, bit 0 the top row.
std::string setCharacter(SettingsImage& image, std::string_view given) {
    // Built by appending: g++ 12 at -O3 falsely warns (-Wrestrict) about a literal + string.
    std::string shown = "\"";
    shown.append(given).append("\"");
    const auto colon = given.find(':');
    if (colon == std::string_view::npos || !allDigits(given.substr(0, colon))) {
        return "--udc " + shown + " is not N:CODE:COLUMNS (for example 1:41:7E0909097E)";
    }
    const int number = std::stoi(std::string(given.substr(0, colon)));
    if (number < 1 || number > device::kUdcCount) {
        return "--udc " + shown + ": the characters are numbered 1 to 9";
    }
    std::string_view rest = given.substr(colon + 1);
    const auto second = rest.find(':');
    std::vector<std::uint8_t> code;
    std::vector<std::uint8_t> columns(device::kUdcColumns, 0);
    if (!parseHexBytes(rest.substr(0, second), code) || code.size() != 1) {
        return "--udc " + shown + ": the code is two hexadecimal digits";
    }
    if (code[0] != 0 && (code[0] < 0x20 || code[0] > 0x7E)) {
        return "--udc " + shown + ": the code must lie in the range 0x20~0x7E (or be 00)";
    }
    if (second != std::string_view::npos) {
        if (!parseHexBytes(rest.substr(second + 1), columns) ||
            columns.size() != static_cast<std::size_t>(device::kUdcColumns)) {
            return "--udc " + shown + ": the columns are five bytes (ten hexadecimal digits)";
        }
        for (const std::uint8_t c : columns) {
            if (c > 0x7F) {
                return "--udc " + shown + ": a column has seven dots, so its byte is at most 7F";
            }
        }
    }
    const int start = device::udcRecordStart(number);
    image.set(start, code[0]);
    for (int c = 0; c < device::kUdcColumns; ++c) {
        image.set(start + 1 + c, columns[static_cast<std::size_t>(c)]);
    }
    return {};
}

}  // namespace

SettingsImage windowDefaults() {
    SettingsImage image;
    for (const auto& s : kListSettings) {
        image.set(s.imageIndex, static_cast<std::uint8_t>(s.list->defaultPosition));
    }
    image.setScrollFlags(device::ScrollFlags::of(true, true));
    auto put = [&](int first, std::string_view text) {
        for (std::size_t k = 0; k < text.size(); ++k) {
            image.set(first + static_cast<int>(k), static_cast<std::uint8_t>(text[k]));
        }
    };
    put(device::image_index::kMessage1, device::kDefaultMessage1);
    put(device::image_index::kMessage2, device::kDefaultMessage2);
    return image;
}

std::optional<int> listPosition(std::string_view key, std::string_view value, std::string& error) {
    const ListSetting* setting = settingFor(key);
    if (setting == nullptr) {
        std::string why = "there is no setting \"";
        why.append(key).append("\"");
        error = std::move(why);
        return std::nullopt;
    }
    const device::OptionList& list = *setting->list;
    if (setting->imageIndex == device::image_index::kStandby) {
        if (const int position = device::standbyPositionFromText(value); position >= 0) {
            return position;
        }
    }
    const std::string wanted = normalised(value);
    for (int i = 0; i < list.size(); ++i) {
        const std::string_view entry = list.entries[static_cast<std::size_t>(i)];
        const std::string_view firstField = entry.substr(0, entry.find(','));
        if (wanted == normalised(entry) || wanted == withoutDefaultMark(entry) ||
            (setting->imageIndex == device::image_index::kLineSpeed &&
             wanted == normalised(firstField))) {
            return i;
        }
    }
    if (allDigits(value) && value.size() <= 3 && list.has(std::stoi(std::string(value)))) {
        return std::stoi(std::string(value));
    }
    std::string why(1, '"');
    why.append(value).append("\" is not an entry of \"").append(list.caption).append("\": ");
    why += entriesList(list);
    error = std::move(why);
    return std::nullopt;
}

std::string applyEdits(SettingsImage& target, const Edits& edits) {
    SettingsImage image = target;
    for (const std::string& set : edits.sets) {
        const auto eq = set.find('=');
        if (eq == std::string::npos) {
            return "--set \"" + set + "\" is not KEY=VALUE";
        }
        const std::string key = normalised(set.substr(0, eq));
        const std::string value = set.substr(eq + 1);
        const auto message =
            std::find_if(kMessageFields.begin(), kMessageFields.end(),
                         [&](const MessageField& f) { return f.scrollKey == key; });
        if (message != kMessageFields.end()) {
            const auto on = onOff(value);
            if (!on) {
                return std::string("--set ")
                    .append(key)
                    .append(" takes on or off, not \"")
                    .append(value)
                    .append("\"");
            }
            const device::ScrollFlags flags = image.scrollFlags().valid()
                                                  ? image.scrollFlags()
                                                  : device::ScrollFlags::of(true, true);
            const bool upper = message == kMessageFields.begin();
            image.setScrollFlags(device::ScrollFlags::of(upper ? *on : flags.upperScrolls(),
                                                         upper ? flags.lowerScrolls() : *on));
            continue;
        }
        std::string error;
        const auto position = listPosition(key, value, error);
        if (!position) {
            return std::string("--set ").append(key).append(": ").append(error);
        }
        image.set(settingFor(key)->imageIndex, static_cast<std::uint8_t>(*position));
    }

    // A file from elsewhere may name no set: its messages are then typed in the factory one, as
    // such a display shows them.
    const int stored = image.at(device::image_index::kCharSet);
    const int set = device::kCharList.has(stored) ? stored : device::kCharList.defaultPosition;
    const std::array<const std::optional<std::string>*, 2> texts = {&edits.message1,
                                                                    &edits.message2};
    const std::array<const std::optional<std::string>*, 2> hexes = {&edits.message1Hex,
                                                                    &edits.message2Hex};
    for (std::size_t m = 0; m < kMessageFields.size(); ++m) {
        const auto& field = kMessageFields[m];
        const std::string option = "--message" + std::to_string(m + 1);
        if (*texts[m] && *hexes[m]) {
            return std::string(option).append(" and ").append(option).append(
                "-hex cannot both be given");
        }
        std::vector<std::uint8_t> codes;
        if (*texts[m]) {
            const EncodedText encoded = encodeForDisplay(**texts[m], set);
            if (!encoded.error.empty()) {
                return option + ": " + encoded.error + " (\"" +
                       std::string(device::kCharEntries[static_cast<std::size_t>(set)]) + "\")";
            }
            codes = encoded.codes;
        } else if (*hexes[m]) {
            if (!parseHexBytes(**hexes[m], codes)) {
                return option + "-hex: \"" + **hexes[m] + "\" is not pairs of hexadecimal digits";
            }
        } else {
            continue;
        }
        if (std::string error = setMessage(image, field, codes); !error.empty()) {
            return std::string(option).append(": ").append(error);
        }
    }

    for (const std::string& given : edits.characters) {
        if (std::string error = setCharacter(image, given); !error.empty()) {
            return error;
        }
    }
    target = image;
    return {};
}

}  // namespace vfd::cli
