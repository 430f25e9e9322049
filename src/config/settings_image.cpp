// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/settings_image.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vfd {

namespace {
void checkIndex(int index) {
    if (index < 0 || index >= kImageSize) {
        throw std::out_of_range("settings image index " + std::to_string(index) +
                                " outside 0 to 126");
    }
}
}  // namespace

std::uint8_t SettingsImage::at(int index) const {
    checkIndex(index);
    return bytes_[static_cast<std::size_t>(index)];
}

void SettingsImage::set(int index, std::uint8_t value) {
    checkIndex(index);
    bytes_[static_cast<std::size_t>(index)] = value;
}

BodyBytes SettingsImage::body() const {
    BodyBytes body{};
    std::copy(bytes_.begin() + 1, bytes_.end(), body.begin());
    return body;
}

void SettingsImage::setBody(std::span<const std::uint8_t, kBodySize> body) {
    std::copy(body.begin(), body.end(), bytes_.begin() + 1);
}

}  // namespace vfd
