// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

namespace vfd::sim {

// The replies a display gives, one kind per exchange.
enum class ReplyKind { Check, Upload, Identity, Serial };

// Ways a display or its cable misbehaves, switched on one by one by tests and by people trying
// how the tools cope. All off is a healthy display.
struct Faults {
    int replyDelayMs = 0;              // every reply leaves this long after the byte that asked
    bool wrongCheck = false;           // the download check byte is one too high
    bool noReply = false;              // the display answers nothing at all
    std::optional<int> shortReply{};   // only the first N bytes of each reply leave
    bool garble = false;               // reply bytes arrive with bits flipped
    int extraBytes = 0;                // this many stray bytes follow each reply
    bool badMarker = false;            // the upload reply starts with something other than 0xAA
    bool noSerial = false;             // the serial-number query goes unanswered
    std::optional<int> hangUpAfter{};  // the line drops once this many bytes have been received
    // When set, the reply faults above (delay, silence, short, garbled, extra bytes) touch only
    // this kind of reply, so one exchange of a longer run can be made to fail on its own.
    std::optional<ReplyKind> only{};
};

}  // namespace vfd::sim
