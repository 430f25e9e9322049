// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "ui/operator_texts.h"

namespace vfd::testtool {

// The operator's side of the test tool: the red message window that waits for OK, and the
// ordinary message box.
class Operator {
public:
    virtual ~Operator() = default;
    // Shows the text in the message window and returns once the operator pressed OK. Window
    // events run meanwhile.
    virtual void showAndWait(const std::string& text) { showAndWait(text, {}); }
    // The same with the tool's own explanation in small print beneath the message.
    virtual void showAndWait(const std::string& text, const std::string& detail) = 0;
    // A message box with an OK button, titled with the program's name; the detail goes beneath
    // the text.
    virtual void message(const ui::Words& words) = 0;
};

}  // namespace vfd::testtool
