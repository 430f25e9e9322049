// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/option_lists.h"

#include <cctype>
#include <string>

namespace vfd::device {

namespace {

std::string trimmedLower(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) {
        ++begin;
    }
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
        --end;
    }
    std::string out;
    for (std::size_t i = begin; i < end; ++i) {
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    }
    return out;
}

std::string_view entryOf(const OptionList& list, std::uint8_t value) {
    return list.has(value) ? list.entries[value] : std::string_view{};
}

}  // namespace

std::string_view caption(Emulation value) {
    return entryOf(kCommandList, SettingsImage::toByte(value));
}

std::string_view caption(CharacterSet value) {
    return entryOf(kCharList, SettingsImage::toByte(value));
}

namespace {

// An entry without the list's "(Default)" and the blanks before it.
std::string_view withoutDefaultMark(std::string_view entry) {
    if (const auto paren = entry.find(" ("); paren != std::string_view::npos) {
        entry = entry.substr(0, paren);
    }
    while (!entry.empty() && entry.back() == ' ') {
        entry.remove_suffix(1);
    }
    return entry;
}

}  // namespace

std::string_view shortName(Emulation value) {
    return withoutDefaultMark(caption(value));
}

std::string_view shortName(CharacterSet value) {
    return withoutDefaultMark(caption(value));
}

int standbyPositionFromText(std::string_view text) {
    for (int i = 0; i < kStandbyList.size(); ++i) {
        if (text == kStandbyEntries[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    const std::string t = trimmedLower(text);
    std::size_t digits = 0;
    while (digits < t.size() && digits < 3 && std::isdigit(static_cast<unsigned char>(t[digits]))) {
        ++digits;
    }
    if (digits == 0 || (digits < t.size() && std::isdigit(static_cast<unsigned char>(t[digits])))) {
        return -1;
    }
    const int value = std::stoi(t.substr(0, digits));
    std::string rest = t.substr(digits);
    while (!rest.empty() && rest.front() == ' ') {
        rest.erase(rest.begin());
    }
    const bool unitOk = rest.empty() || rest == "minute" || rest == "minutes" || rest == "min";
    if (!unitOk || value < 0 || value > SettingsImage::toByte(StandBy::Longest)) {
        return -1;
    }
    return value;
}

}  // namespace vfd::device
