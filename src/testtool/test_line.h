#pragma once

#include <string>
#include <vector>

#include "link/clock.h"
#include "link/port.h"
#include "link/port_names.h"

namespace vfd::testtool {

// What the test tool's exchanges need to reach a display: the port, the clock, and the port and
// line parameters as the window holds them.
struct TestLine {
    link::Port& port;
    link::Clock& clock;
    link::PortLookup lookup;
    int portNumber = 0;        // the port list's position + 1; 0 while the list is empty
    std::string portLabel;     // the port list's text, for messages ("com 1")
    std::string settingsText;  // line parameters, "9600,n,8,1"
};

// Opens the port when it is closed, as every step of the test tool does before it talks to the
// display. Empty on success; otherwise the operator's words, with the port left closed.
std::string openIfClosed(TestLine& line);

// After the line failed in the middle of an exchange: closes the port and gives the operator's
// words for it, with the port's own reason.
std::string closeLostLine(TestLine& line);

// The operator's side of the test tool: the red message window that waits for OK, and the
// ordinary message box.
class Operator {
public:
    virtual ~Operator() = default;
    // Shows the text in the message window and returns once the operator pressed OK. Window
    // events run meanwhile.
    virtual void showAndWait(const std::string& text) = 0;
    // A message box with an OK button, titled with the program's name.
    virtual void message(const std::string& text) = 0;
};

// Port numbers 1 to 255 that can be opened now, in ascending order. Sends nothing and leaves the
// port closed; the port's line parameters are left as they were.
std::vector<int> searchPorts(link::Port& port, const link::PortLookup& lookup);

}  // namespace vfd::testtool
