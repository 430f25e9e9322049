#include "link/port_choice.h"

#include "link/exchanges.h"
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
}  // namespace

PortChoiceResult choosePort(std::string_view portText, std::string_view settingsText,
                            const PortLookup& lookup) {
    PortChoiceResult result;
    const std::string label = trimmed(portText);
    if (label.empty()) {
        result.problem = "No serial port is chosen. Choose a port in the port list first.";
        return result;
    }
    const auto device = resolvePortText(label, lookup);
    if (!device) {
        result.problem = "\"" + label +
                         "\" is not a serial port. Choose Com 1 to Com 255, or type a device "
                         "path such as /dev/ttyUSB0.";
        return result;
    }
    const auto settings = parseLineSettings(settingsText);
    if (!settings) {
        result.problem = label + " can't be opened: the line parameters \"" +
                         std::string(settingsText) +
                         "\" are not valid. Write them as speed,parity,data bits,stop bits, "
                         "for example 9600,n,8,1.";
        return result;
    }
    result.choice = PortChoice{label, *device, *settings};
    return result;
}

std::string openChosenPort(Port& port, const PortChoice& choice) {
    const PortError error = openPort(port, choice.device, choice.settings);
    if (error == PortError::None) {
        return {};
    }
    return describeOpenFailure(choice.label, choice.device, error, port.errorText());
}

}  // namespace vfd::link
