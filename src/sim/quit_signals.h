// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

namespace vfd::sim {

// Turns SIGINT, SIGTERM and SIGHUP into an ordinary quit of the running application's event
// loop, so that the virtual display removes its port link however it is stopped. With
// `onHangUp`, SIGHUP calls it instead of quitting. Call once, after the application object
// exists.
void quitOnTerminationSignals(std::function<void()> onHangUp = {});

}  // namespace vfd::sim
