// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vfd::link {

inline constexpr int kHighestPortNumber = 255;

// "Com 3", "com3", "COM 12": the port number (1 to 255), or nothing for any other text.
std::optional<int> parseComName(std::string_view text);

// The per-user folder of port links ("COM1", "COM2", ... each a link to a device), looked at
// before the fixed device names so that the virtual display and adapters can be given numbers.
// `runtimeDir` is $XDG_RUNTIME_DIR (null or empty when unset).
std::string portFolderFor(const char* runtimeDir, unsigned uid);
// The same for this process's environment and user.
std::string portFolder();

// The device behind port number n when the port folder has no link for it:
// 1..32 /dev/ttyS(n-1), 33..64 /dev/ttyUSB(n-33), 65..96 /dev/ttyACM(n-65); on Windows "COMn".
std::string fixedDeviceName(int number);

struct PortLookup {
    std::string folder;                              // the port folder
    std::function<bool(const std::string&)> exists;  // does this path exist (a link counts)
    // Why the folder may not be trusted, or empty when it may. Unset: it is trusted.
    std::function<std::string(const std::string&)> distrust = {};
};

// A port folder is this user's own only when it is a real folder (not a link), owned by the user
// and writable by nobody else: otherwise another local user could have put links into it first.
// Gives the reason when it is not, empty when it is or does not exist.
std::string portFolderDistrust(const std::string& folder);

// The reason not to open `device`: it lies in the port folder and the folder may not be trusted.
// Empty otherwise.
std::string distrustOf(const std::string& device, const PortLookup& lookup);

// The device to open for what the operator chose or typed in the port list: "Com n" is port n
// (the folder link first, the fixed name otherwise); a device path is used as it stands.
// Nothing for a text that is neither.
std::optional<std::string> resolvePortText(std::string_view text, const PortLookup& lookup);
std::optional<std::string> resolvePortNumber(int number, const PortLookup& lookup);

// Whether a device (or a link to one) is there now: on Windows a port the system lists (COMn).
bool deviceExists(const std::string& device);

// The lookup of this machine: the real port folder and file system.
PortLookup systemPortLookup();

}  // namespace vfd::link
