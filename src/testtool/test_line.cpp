#include "testtool/test_line.h"

#include "link/exchanges.h"
#include "link/line_settings.h"
#include "link/transfer.h"

namespace vfd::testtool {

std::string openIfClosed(TestLine& line) {
    if (line.port.isOpen()) {
        return {};
    }
    const std::string label =
        line.portLabel.empty() ? "com " + std::to_string(line.portNumber) : line.portLabel;
    if (line.portNumber < 1) {
        return "No serial port is chosen. Press \"Auto Search Comport\" or choose a port first.";
    }
    const auto device = link::resolvePortNumber(line.portNumber, line.lookup);
    if (!device) {
        return label + " can't be opened: there is no such port.";
    }
    const auto settings = link::parseLineSettings(line.settingsText);
    if (!settings) {
        return label + " can't be opened: the line parameters \"" + line.settingsText +
               "\" are not valid. Write them as speed,parity,data bits,stop bits, for example "
               "9600,n,8,1.";
    }
    const auto error = link::openPort(line.port, *device, *settings);
    if (error != link::PortError::None) {
        return link::describeOpenFailure(label, *device, error, line.port.errorText());
    }
    return {};
}

std::string closeLostLine(TestLine& line) {
    const std::string detail = line.port.errorText();
    line.port.close();
    return link::describeLineLost(line.portLabel, detail);
}

std::vector<int> searchPorts(link::Port& port, const link::PortLookup& lookup) {
    std::vector<int> found;
    for (int n = 1; n <= link::kHighestPortNumber; ++n) {
        const auto device = link::resolvePortNumber(n, lookup);
        // Asking the file system first keeps the search short: most numbers have no device.
        if (!device || (lookup.exists && !lookup.exists(*device))) {
            continue;
        }
        port.setPortName(*device);
        if (port.open() == link::PortError::None && port.isOpen()) {
            found.push_back(n);
        }
        port.close();
    }
    return found;
}

}  // namespace vfd::testtool
