// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/settings_image.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "device/option_lists.h"

namespace vfd::device {

namespace {
void checkIndex(int index) {
    if (index < 0 || index >= kImageSize) {
        throw std::out_of_range("settings image index " + std::to_string(index) + " outside 0 to " +
                                std::to_string(kImageSize - 1));
    }
}
}  // namespace

std::size_t bodyOffset(int imageIndex) {
    if (imageIndex < 1 || imageIndex >= kImageSize) {
        throw std::out_of_range("a body holds image indexes 1 to " +
                                std::to_string(kImageSize - 1));
    }
    return static_cast<std::size_t>(imageIndex - 1);
}

std::uint8_t bodyByte(const BodyBytes& body, int imageIndex) {
    return body[bodyOffset(imageIndex)];
}

void setBodyByte(BodyBytes& body, int imageIndex, std::uint8_t value) {
    body[bodyOffset(imageIndex)] = value;
}

SettingsImage SettingsImage::fromBody(const BodyBytes& body) {
    SettingsImage image;
    image.setBody(body);
    return image;
}

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

void SettingsImage::putText(int first, std::string_view text, int width) {
    for (int i = 0; i < width; ++i) {
        const auto k = static_cast<std::size_t>(i);
        set(first + i, k < text.size() ? static_cast<std::uint8_t>(text[k]) : std::uint8_t{' '});
    }
}

SettingsImage factoryImage() {
    SettingsImage image;
    image.setEmulation(kFactoryEmulation);
    image.putText(image_index::kMessage1, kDefaultMessage1,
                  static_cast<int>(kDefaultMessage1.size()));
    image.putText(image_index::kMessage2, kDefaultMessage2,
                  static_cast<int>(kDefaultMessage2.size()));
    return image;
}

}  // namespace vfd::device
