// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/port_choice.h"

#include "link/transfer.h"

namespace vfd::link {

namespace {

std::string trimmed(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return {};
    }
    const auto end = text.find_last_not_of(" \t");
    return std::string(text.substr(begin, end - begin + 1));
}

PortChoiceResult refused(PortProblem problem, const std::string& label,
                         std::string_view settingsText) {
    PortChoiceResult result;
    result.failure.problem = problem;
    result.failure.label = label;
    result.failure.settingsText = std::string(settingsText);
    return result;
}

// The part both ways of choosing share: the device is known, the line parameters are checked.
PortChoiceResult withSettings(const std::string& label, const std::string& device,
                              std::string_view settingsText, const PortLookup& lookup) {
    if (std::string why = distrustOf(device, lookup); !why.empty()) {
        auto result = refused(PortProblem::UnsafeFolder, label, settingsText);
        result.failure.folder = lookup.folder;
        result.failure.detail = std::move(why);
        return result;
    }
    const auto settings = parseLineSettings(settingsText);
    if (!settings) {
        auto result = refused(PortProblem::BadSettings, label, settingsText);
        result.failure.device = device;
        return result;
    }
    PortChoiceResult result;
    result.choice = PortChoice{label, device, *settings};
    return result;
}

}  // namespace

PortChoiceResult choosePort(std::string_view portText, std::string_view settingsText,
                            const PortLookup& lookup) {
    const std::string label = trimmed(portText);
    if (label.empty()) {
        return refused(PortProblem::NoneChosen, label, settingsText);
    }
    const auto device = resolvePortText(label, lookup);
    if (!device) {
        return refused(PortProblem::NotAPort, label, settingsText);
    }
    return withSettings(label, *device, settingsText, lookup);
}

PortChoiceResult choosePortNumber(int number, const std::string& label,
                                  std::string_view settingsText, const PortLookup& lookup) {
    if (number < 1) {
        return refused(PortProblem::NoneChosen, label, settingsText);
    }
    const auto device = resolvePortNumber(number, lookup);
    if (!device) {
        return refused(PortProblem::NoSuchPort, label, settingsText);
    }
    return withSettings(label, *device, settingsText, lookup);
}

PortFailure openChosenPort(Port& port, const PortChoice& choice) {
    PortFailure failure;
    const PortError error = openPort(port, choice.device, choice.settings);
    if (error == PortError::None) {
        return failure;
    }
    failure.problem = PortProblem::OpenFailed;
    failure.label = choice.label;
    failure.device = choice.device;
    failure.error = error;
    failure.detail = port.errorText();
    return failure;
}

}  // namespace vfd::link
