// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testtool/serial_line.h"

namespace vfd::testtool {

inline constexpr int kResetSettleMs = 200;

// The free-text display: the first use after start-up initialises the display (ESC @, 200 ms),
// every use writes the text as one block with nothing added. A closed port is opened for it and
// closed again; an open one is used as it is and left open.
LineResult displayText(SerialLine& line, bool& resetPending, const std::vector<std::uint8_t>& text);

}  // namespace vfd::testtool
