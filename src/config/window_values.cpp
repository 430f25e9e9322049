// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/window_values.h"

#include "device/option_lists.h"

namespace vfd::config {

std::uint8_t scrollFlags(bool scrollUpper, bool scrollLower) {
    return device::ScrollFlags::of(scrollUpper, scrollLower).bits;
}

std::optional<ScrollBoxes> scrollBoxesFromFlags(std::uint8_t flags) {
    const device::ScrollFlags stored{flags};
    if (!stored.valid()) {
        return std::nullopt;
    }
    return ScrollBoxes{stored.upperScrolls(), stored.lowerScrolls()};
}

void fillFromWindow(device::SettingsImage& image, const WindowValues& values, StandbyByte standby) {
    using namespace device::image_index;
    image.set(kLineSpeed, static_cast<std::uint8_t>(values.baudRate));
    image.set(kCharSet, static_cast<std::uint8_t>(values.charSet));
    image.set(kCommand, static_cast<std::uint8_t>(values.command));
    image.set(kPassthru, static_cast<std::uint8_t>(values.passthru));
    if (standby == StandbyByte::Fill) {
        image.set(kStandby, static_cast<std::uint8_t>(values.standby));
    }
    image.set(kScrollFlags, scrollFlags(values.scrollUpper, values.scrollLower));
    for (int k = 0; k < device::kMessage1Length; ++k) {
        image.set(kMessage1 + k, values.message1[static_cast<std::size_t>(k)]);
    }
    for (int k = 0; k < device::kMessage2Length; ++k) {
        image.set(kMessage2 + k, values.message2[static_cast<std::size_t>(k)]);
    }
}

namespace {
std::optional<int> positionIn(const device::OptionList& list, std::uint8_t byte) {
    return list.has(byte) ? std::optional<int>(byte) : std::nullopt;
}
}  // namespace

WindowUpdate windowUpdateFromImage(const device::SettingsImage& image) {
    using namespace device::image_index;
    WindowUpdate u;
    u.baudRate = positionIn(device::kBaudRateList, image.at(kLineSpeed));
    u.charSet = positionIn(device::kCharList, image.at(kCharSet));
    u.command = positionIn(device::kCommandList, image.at(kCommand));
    u.passthru = positionIn(device::kPassthruList, image.at(kPassthru));
    u.standby = positionIn(device::kStandbyList, image.at(kStandby));
    u.scroll = scrollBoxesFromFlags(image.at(kScrollFlags));
    for (int k = 0; k < device::kMessage1Length; ++k) {
        u.message1[static_cast<std::size_t>(k)] = image.at(kMessage1 + k);
    }
    for (int k = 0; k < device::kMessage2Length; ++k) {
        u.message2[static_cast<std::size_t>(k)] = image.at(kMessage2 + k);
    }
    return u;
}

}  // namespace vfd::config
