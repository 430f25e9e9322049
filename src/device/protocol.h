// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "device/settings_image.h"

// The bytes, lengths and time limits of the four exchanges between a tool and a display, and
// the few display commands the tools send.
namespace vfd::device {

inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kGs = 0x1D;
inline constexpr std::uint8_t kUs = 0x1F;
inline constexpr std::uint8_t kCr = 0x0D;

// The display's tools use one byte both to accept a check byte and to mark an upload reply.
inline constexpr std::uint8_t kAcceptByte = 0xAA;

// Settings download: ESC 0xEF, eight date digits, the display's check byte, then 0xAA and the
// 126-byte body, or 0x55 when the check byte is wrong.
inline constexpr std::uint8_t kDownloadCommand = 0xEF;
inline constexpr std::uint8_t kAcceptCheck = kAcceptByte;
inline constexpr std::uint8_t kRefuseCheck = 0x55;
inline constexpr int kDateStampLength = 8;
inline constexpr int kDownloadReplyWaitMs = 2000;

// Settings upload: ESC 0xEE; the display answers the marker and its 126 stored bytes, which is
// the whole image.
inline constexpr std::uint8_t kUploadCommand = 0xEE;
inline constexpr std::uint8_t kReplyMarker = kAcceptByte;
inline constexpr int kUploadReplyLength = kImageSize;
inline constexpr int kUploadFirstByteWaitMs = 2000;
inline constexpr int kUploadRestWaitMs = 3000;

// Identity: GS I 2 answers "PID:3524". The test tool asks twice, a short pause between.
inline constexpr std::array<std::uint8_t, 3> kIdentityQuery = {kGs, 0x49, 0x02};
inline constexpr std::string_view kExpectedPid = "PID:3524";
inline constexpr int kIdentityLength = static_cast<int>(kExpectedPid.size());
inline constexpr int kIdentityReplyWaitMs = 3000;
inline constexpr int kIdentityPauseMs = 300;

// Serial number: GS I 6 1 answers eight characters.
inline constexpr std::array<std::uint8_t, 4> kSerialQuery = {kGs, 0x49, 0x06, 0x01};
inline constexpr int kSerialLength = 8;
inline constexpr int kSerialFirstByteWaitMs = 2000;
inline constexpr int kSerialRestWaitMs = 3000;

// Display commands.
inline constexpr std::array<std::uint8_t, 2> kInitialise = {kEsc, 0x40};  // ESC @: clear, home
inline constexpr std::uint8_t kCursorCommand = 0x24;                      // US $ x y
inline constexpr std::uint8_t kLineCommand = 0x51;  // ESC Q A|B text CR: one display row
inline constexpr std::uint8_t kUpperRow = 0x41;
inline constexpr std::uint8_t kLowerRow = 0x42;

inline constexpr int kDisplayColumns = 20;
inline constexpr int kDisplayRows = 2;

}  // namespace vfd::device
