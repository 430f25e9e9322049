#pragma once

#include "config/settings_image.h"
#include "testtool/test_line.h"

namespace vfd::testtool {

inline constexpr int kIdentityReplyWaitMs = 3000;
inline constexpr int kIdentityPauseMs = 300;
inline constexpr int kSerialFirstByteWaitMs = 2000;
inline constexpr int kSerialRestWaitMs = 3000;

inline constexpr std::string_view kPidPassText = "            PID:3524";  // one display line
inline constexpr std::string_view kPidFailText = "PID error!";
inline constexpr std::string_view kPidFailMessage = "VFD PID is Error.";
inline constexpr std::string_view kNoSerialMessage = "NO S/N";

// Asks the display for its identity twice; both answers must be exactly "PID:3524". On a pass
// the display shows the identity at the right end of its lower line for a moment; on a failure
// it shows "PID error!" and the operator is told. The port is closed afterwards either way.
bool checkIdentity(TestLine& line, Operator& op);

// Reads the eight-character serial number and shows it to the operator ("S/N:", a line break,
// the number). The eight bytes also go into positions 0 to 7 of `scratch`. No answer, or fewer
// than eight bytes, is "NO S/N" and a failed step. The port is closed afterwards either way.
bool readSerialNumber(TestLine& line, Operator& op, ImageBytes& scratch);

}  // namespace vfd::testtool
