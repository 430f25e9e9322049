// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/window_values.h"

#include "config/option_tables.h"

namespace vfd {

std::uint8_t scrollFlags(bool scrollUpper, bool scrollLower) {
    std::uint8_t flags = 0;
    if (!scrollUpper) {
        flags += 1;
    }
    if (!scrollLower) {
        flags += 2;
    }
    return flags;
}

std::optional<ScrollBoxes> scrollBoxesFromFlags(std::uint8_t flags) {
    if (flags > 3) {
        return std::nullopt;
    }
    return ScrollBoxes{(flags & 1) == 0, (flags & 2) == 0};
}

void fillFromWindow(SettingsImage& image, const WindowValues& values, StandbyByte standby) {
    using namespace image_index;
    image.set(kLineSpeed, static_cast<std::uint8_t>(values.baudRate));
    image.set(kCharSet, static_cast<std::uint8_t>(values.charSet));
    image.set(kCommand, static_cast<std::uint8_t>(values.command));
    image.set(kPassthru, static_cast<std::uint8_t>(values.passthru));
    if (standby == StandbyByte::Fill) {
        image.set(kStandby, static_cast<std::uint8_t>(values.standby));
    }
    image.set(kScrollFlags, scrollFlags(values.scrollUpper, values.scrollLower));
    for (int k = 0; k < kMessage1Length; ++k) {
        image.set(kMessage1 + k, values.message1[static_cast<std::size_t>(k)]);
    }
    for (int k = 0; k < kMessage2Length; ++k) {
        image.set(kMessage2 + k, values.message2[static_cast<std::size_t>(k)]);
    }
}

namespace {
std::optional<int> positionIn(const OptionList& list, std::uint8_t byte) {
    return list.has(byte) ? std::optional<int>(byte) : std::nullopt;
}
}  // namespace

WindowUpdate windowUpdateFromImage(const SettingsImage& image) {
    using namespace image_index;
    WindowUpdate u;
    u.baudRate = positionIn(kBaudRateList, image.at(kLineSpeed));
    u.charSet = positionIn(kCharList, image.at(kCharSet));
    u.command = positionIn(kCommandList, image.at(kCommand));
    u.passthru = positionIn(kPassthruList, image.at(kPassthru));
    u.standby = positionIn(kStandbyList, image.at(kStandby));
    u.scroll = scrollBoxesFromFlags(image.at(kScrollFlags));
    for (int k = 0; k < kMessage1Length; ++k) {
        u.message1[static_cast<std::size_t>(k)] = image.at(kMessage1 + k);
    }
    for (int k = 0; k < kMessage2Length; ++k) {
        u.message2[static_cast<std::size_t>(k)] = image.at(kMessage2 + k);
    }
    return u;
}

}  // namespace vfd
