// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "device/date_stamp.h"
#include "device/settings_image.h"
#include "link/exchanges.h"
#include "testtool/serial_line.h"

namespace vfd::testtool {

struct ImageDownloadResult {
    LineResult line;  // PortFailed when the port would not open; the download did not start
    link::DownloadResult download;
    bool sent() const { return line.done() && download.outcome == link::DownloadOutcome::Sent; }
};

// Sends a settings image to the display through the same handshake as the configuration tool.
// A port that is already open is used as it is. Every way out leaves the port closed, with no
// pause and no message.
ImageDownloadResult downloadImage(SerialLine& line, const device::DateStamp& stamp,
                                  const device::BodyBytes& body);

// The operator's words for a download that did not go out; empty when it did.
ui::Words wordsFor(const ImageDownloadResult& result, const SerialLine& line);

}  // namespace vfd::testtool
