// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/serial_line.h"

#include "ui/operator_texts.h"

namespace vfd::testtool {

link::PortChoiceResult choosePort(const SerialLine& line) {
    const std::string label =
        line.portLabel.empty() ? "com " + std::to_string(line.portNumber) : line.portLabel;
    return link::choosePortNumber(line.portNumber, label, line.settingsText, line.lookup);
}

link::PortFailure openIfClosed(SerialLine& line) {
    if (line.port.isOpen()) {
        return {};
    }
    if (line.chosen) {
        return link::openChosenPort(line.port, *line.chosen);
    }
    const auto chosen = choosePort(line);
    if (!chosen.choice) {
        return chosen.failure;
    }
    return link::openChosenPort(line.port, *chosen.choice);
}

LineResult closeLostLine(SerialLine& line) {
    LineResult result;
    result.outcome = LineOutcome::LineLost;
    result.lineError = line.port.errorText();
    line.port.close();
    return result;
}

ui::Words wordsFor(const LineResult& result, const SerialLine& line) {
    switch (result.outcome) {
        case LineOutcome::Done:
            return {};
        case LineOutcome::PortFailed:
            return {ui::textFor(result.port, ui::Tool::Tymbrik), {}};
        case LineOutcome::LineLost:
            return ui::lineLostWords(line.portLabel, result.lineError);
    }
    return {};
}

}  // namespace vfd::testtool
