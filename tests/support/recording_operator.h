// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "testtool/operator.h"
#include "testtool/serial_line.h"

namespace vfd::testing {

// The test tool's operator as a record: what went to the message window and the message boxes.
class RecordingOperator : public testtool::Operator {
public:
    using testtool::Operator::showAndWait;
    void showAndWait(const std::string& text, const std::string& detail) override {
        shown.push_back(text);
        shownDetails.push_back(detail);
    }
    std::vector<std::string> shownDetails;  // beneath each shown message; empty where none
    void message(const ui::Words& words) override {
        messages.push_back(words.text);
        details.push_back(words.detail);
    }
    std::vector<std::string> shown;
    std::vector<std::string> messages;
    std::vector<std::string> details;  // beneath each message; empty where there is none
};

}  // namespace vfd::testing
