// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vfd::sim {

// Turns SIGINT, SIGTERM and SIGHUP into an ordinary quit of the running application's event
// loop, so that the virtual display removes its port link however it is stopped. Call once,
// after the application object exists.
void quitOnTerminationSignals();

}  // namespace vfd::sim
