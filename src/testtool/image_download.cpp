// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/image_download.h"

#include "ui/operator_texts.h"

namespace vfd::testtool {

ImageDownloadResult downloadImage(SerialLine& line, const device::DateStamp& stamp,
                                  const device::BodyBytes& body) {
    ImageDownloadResult result;
    if (auto failure = openIfClosed(line)) {
        result.line = portFailed(std::move(failure));
        return result;
    }
    result.download = link::downloadSettings(line.port, line.clock, stamp, body);
    return result;
}

ui::Words wordsFor(const ImageDownloadResult& result, const SerialLine& line) {
    if (!result.line.done()) {
        return wordsFor(result.line, line);
    }
    if (result.sent()) {
        return {};
    }
    return ui::wordsFor(result.download, namesOf(line));
}

}  // namespace vfd::testtool
