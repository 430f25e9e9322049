#pragma once

#include "config/settings_image.h"
#include "link/date_stamp.h"
#include "testtool/test_line.h"

namespace vfd::testtool {

// Sends a settings image to the display through the same handshake as the configuration tool.
// A port that is already open is used as it is. Success ends at once with the port closed, with
// no pause and no message; a failure has been told to the operator when this returns false.
bool downloadImage(TestLine& line, Operator& op, const link::DateStamp& stamp,
                   const BodyBytes& body);

}  // namespace vfd::testtool
