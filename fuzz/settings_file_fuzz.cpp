// SPDX-License-Identifier: GPL-3.0-or-later
// A settings file as the configuration tool loads it: the bytes are judged, a body whose list
// values the window does not have is refused, and an accepted body goes into the image and the
// window. The test tool takes any whole body as it stands, so it is checked too.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "device/option_lists.h"
#include "device/settings_image.h"
#include "file/settings_file.h"
#include "fuzz_check.h"
#include "window_checks.h"

namespace {

using namespace vfd;

bool listHas(int imageIndex, std::uint8_t value) {
    switch (imageIndex) {
        case device::image_index::kStandby:
            return device::kStandbyList.has(value);
        case device::image_index::kLineSpeed:
            return device::kBaudRateList.has(value);
        case device::image_index::kCharSet:
            return device::kCharList.has(value);
        case device::image_index::kCommand:
            return device::kCommandList.has(value);
        case device::image_index::kPassthru:
            return device::kPassthruList.has(value);
        default:
            return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const file::ReadResult read = device::parseSettingsBytes(bytes);
    FUZZ_CHECK(read.body.has_value() ==
               (size >= static_cast<std::size_t>(device::kSettingsFileSize)));
    if (!read.body) {
        FUZZ_CHECK(!read.error.empty());
        return 0;
    }
    const device::BodyBytes& body = *read.body;
    FUZZ_CHECK(std::equal(body.begin(), body.end(), bytes.begin()));

    device::SettingsImage image;
    image.setBody(body);
    FUZZ_CHECK(image.body() == body);
    FUZZ_CHECK(image.at(device::image_index::kMarker) == 0);

    const auto bad = device::firstBadListByte(body);
    if (bad) {
        FUZZ_CHECK(!listHas(*bad, image.at(*bad)));
        // Every list checked before the bad one holds a position of its list.
        for (const int index : {device::image_index::kStandby, device::image_index::kLineSpeed,
                                device::image_index::kCharSet, device::image_index::kCommand,
                                device::image_index::kPassthru}) {
            if (index == *bad) {
                break;
            }
            FUZZ_CHECK(listHas(index, image.at(index)));
        }
    } else {
        for (const int index : {device::image_index::kStandby, device::image_index::kLineSpeed,
                                device::image_index::kCharSet, device::image_index::kCommand,
                                device::image_index::kPassthru}) {
            FUZZ_CHECK(listHas(index, image.at(index)));
        }
    }
    // The configuration window only takes a body that passed; the checks hold for any image.
    fuzz::checkWindowUpdate(image);
    return 0;
}
