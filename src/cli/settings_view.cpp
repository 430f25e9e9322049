// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/settings_view.h"

#include <algorithm>
#include <span>

#include "cli/display_text.h"
#include "device/settings_file.h"

namespace vfd::cli {

namespace {

using device::SettingsImage;

// Bytes the window neither shows nor sets: they travel with the file as they are.
struct UnusedRange {
    int first;
    int count;
};
constexpr std::array<UnusedRange, 3> kUnused = {{{5, 1}, {67, 1}, {123, 4}}};

std::span<const std::uint8_t> field(const SettingsImage& image, int first, int length) {
    return std::span<const std::uint8_t>(image.bytes())
        .subspan(static_cast<std::size_t>(first), static_cast<std::size_t>(length));
}

std::string entryText(const ListSetting& setting, int value) {
    if (setting.list->has(value)) {
        return std::string(setting.list->entries[static_cast<std::size_t>(value)]);
    }
    return std::to_string(value) + " (not in the list \"" + std::string(setting.list->name) + "\")";
}

// The set the welcome messages are shown in: the stored one, or the factory set when the byte
// names none, as a display would fall back.
int shownCharacterSet(const SettingsImage& image) {
    const int stored = image.at(device::image_index::kCharSet);
    return device::kCharList.has(stored) ? stored : device::kCharList.defaultPosition;
}

std::string padded(std::string_view text, std::size_t width) {
    std::string out(text);
    if (out.size() < width) {
        out.append(width - out.size(), ' ');
    }
    return out;
}

std::string scrollText(const SettingsImage& image, int message) {
    const device::ScrollFlags flags = image.scrollFlags();
    if (!flags.valid()) {
        return "unknown (the flags byte holds " + std::to_string(flags.bits) + ")";
    }
    return (message == 0 ? flags.upperScrolls() : flags.lowerScrolls()) ? "on" : "off";
}

Json scrollJson(const SettingsImage& image, int message) {
    const device::ScrollFlags flags = image.scrollFlags();
    if (!flags.valid()) {
        return nullptr;
    }
    return message == 0 ? flags.upperScrolls() : flags.lowerScrolls();
}

bool recordUsed(const SettingsImage& image, int number) {
    const int start = device::udcRecordStart(number);
    for (int i = 0; i < device::kUdcRecordSize; ++i) {
        if (image.at(start + i) != 0) {
            return true;
        }
    }
    return false;
}

std::string codeText(std::uint8_t code) {
    std::string out = "code " + hexBytes(std::span<const std::uint8_t>(&code, 1));
    if (code >= 0x20 && code < 0x7F) {
        out += std::string(" (\"") + static_cast<char>(code) + "\")";
    }
    return out;
}

// A display draws a user-defined character wherever its code stands, welcome messages included;
// the first record that takes a code wins, and a record outside 0x20 to 0x7E takes none.
std::string userCharacterNotes(const SettingsImage& image) {
    std::string out;
    std::array<bool, 256> taken{};
    for (int n = 1; n <= device::kUdcCount; ++n) {
        const std::uint8_t code = image.at(device::udcRecordStart(n));
        if (code < 0x20 || code > 0x7E || taken[code]) {
            continue;
        }
        taken[code] = true;
        for (const auto& f : kMessageFields) {
            const auto bytes = field(image, f.imageIndex, f.length);
            if (std::find(bytes.begin(), bytes.end(), code) != bytes.end()) {
                out += "(On the display every " + codeText(code) + " shows " +
                       std::string(kUdcTitle) + " " + std::to_string(n) + ".)\n";
                break;
            }
        }
    }
    return out;
}

}  // namespace

std::array<std::string, device::kUdcRows> dotRows(const SettingsImage& image, int number) {
    std::array<std::string, device::kUdcRows> rows;
    const int start = device::udcRecordStart(number);
    for (int row = 0; row < device::kUdcRows; ++row) {
        for (int column = 0; column < device::kUdcColumns; ++column) {
            const std::uint8_t bits = image.at(start + 1 + column);
            rows[static_cast<std::size_t>(row)] += ((bits >> row) & 1U) != 0 ? '#' : '.';
        }
    }
    return rows;
}

std::string settingsText(const SettingsImage& image, std::string_view source) {
    std::size_t width = 0;
    for (const auto& s : kListSettings) {
        width = std::max(width, s.list->caption.size());
    }
    width += 2;

    std::string out = "Settings of " + std::string(source) + "\n\n";
    for (const auto& s : kListSettings) {
        out += padded(s.list->caption, width) + entryText(s, image.at(s.imageIndex)) + "\n";
    }

    const int set = shownCharacterSet(image);
    for (std::size_t m = 0; m < kMessageFields.size(); ++m) {
        const auto& f = kMessageFields[m];
        const auto bytes = field(image, f.imageIndex, f.length);
        out += "\n" + std::string(f.caption) + "\n";
        out += "  Scroll  " + scrollText(image, static_cast<int>(m)) + "\n";
        out += "  Text    |" + displayedText(bytes, set) + "|\n";
        // Twenty cells a row, as the window lays out its hexadecimal cells.
        for (int row = 0; row * device::kMessage1Length < f.length; ++row) {
            out += row == 0 ? "  Hex     " : "          ";
            out += hexBytes(bytes.subspan(static_cast<std::size_t>(row) * device::kMessage1Length,
                                          device::kMessage1Length)) +
                   "\n";
        }
    }
    out += "\n(Text in the character set \"" +
           std::string(device::kCharEntries[static_cast<std::size_t>(set)]) +
           "\"; control codes and empty cells show as blanks.)\n";
    out += userCharacterNotes(image);

    std::string empty;
    for (int n = 1; n <= device::kUdcCount; ++n) {
        if (!recordUsed(image, n)) {
            empty += (empty.empty() ? "" : ", ") + std::to_string(n);
            continue;
        }
        out += "\n" + std::string(kUdcTitle) + " " + std::to_string(n) + "  " +
               codeText(image.at(device::udcRecordStart(n))) + "\n";
        for (const auto& row : dotRows(image, n)) {
            out += "  " + row + "\n";
        }
    }
    if (!empty.empty()) {
        out += "\n" + std::string(kUdcTitle) + " " + empty + ": empty\n";
    }

    out += "\nBytes the window does not use:";
    for (const auto& u : kUnused) {
        out += " offset " + std::to_string(u.first - 1) + (u.count > 1 ? "+" : "") + ": " +
               hexBytes(field(image, u.first, u.count)) + ";";
    }
    out.back() = '\n';
    return out;
}

Json settingsJson(const SettingsImage& image) {
    Json settings = Json::object();
    for (const auto& s : kListSettings) {
        const int value = image.at(s.imageIndex);
        Json entry = Json::object();
        entry.set("caption", s.list->caption)
            .set("list", s.list->name)
            .set("offset", static_cast<int>(device::bodyOffset(s.imageIndex)))
            .set("position", value)
            .set("entry", s.list->has(value)
                              ? Json(s.list->entries[static_cast<std::size_t>(value)])
                              : Json());
        settings.set(s.key, std::move(entry));
    }

    const int set = shownCharacterSet(image);
    Json messages = Json::array();
    for (std::size_t m = 0; m < kMessageFields.size(); ++m) {
        const auto& f = kMessageFields[m];
        const auto bytes = field(image, f.imageIndex, f.length);
        Json message = Json::object();
        message.set("caption", f.caption)
            .set("scroll", scrollJson(image, static_cast<int>(m)))
            .set("text", displayedText(bytes, set))
            .set("hex", hexBytes(bytes));
        messages.push(std::move(message));
    }

    Json characters = Json::array();
    for (int n = 1; n <= device::kUdcCount; ++n) {
        const int start = device::udcRecordStart(n);
        Json columns = Json::array();
        for (int c = 0; c < device::kUdcColumns; ++c) {
            columns.push(static_cast<int>(image.at(start + 1 + c)));
        }
        Json rows = Json::array();
        for (const auto& row : dotRows(image, n)) {
            rows.push(row);
        }
        Json character = Json::object();
        character.set("number", n)
            .set("code", static_cast<int>(image.at(start)))
            .set("columns", std::move(columns))
            .set("dots", std::move(rows));
        characters.push(std::move(character));
    }

    Json unused = Json::object();
    for (const auto& u : kUnused) {
        unused.set(std::to_string(u.first - 1), hexBytes(field(image, u.first, u.count)));
    }

    Json out = Json::object();
    out.set("settings", std::move(settings))
        .set("scrollFlags", static_cast<int>(image.scrollFlags().bits))
        .set("characterSet", device::kCharEntries[static_cast<std::size_t>(set)])
        .set("messages", std::move(messages))
        .set("characters", std::move(characters))
        .set("unusedBytes", std::move(unused))
        .set("hex", hexBytes(std::span<const std::uint8_t>(image.bytes()).subspan(1)));
    return out;
}

}  // namespace vfd::cli
