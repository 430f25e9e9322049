// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/quit_signals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <utility>

namespace vfd::sim {

namespace {

// A handler may do next to nothing; it writes one byte, and the event loop does the rest.
int signalPipe[2] = {-1, -1};

void onSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

void quitOnTerminationSignals(std::function<void()> onHangUp) {
    if (signalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    auto* notifier =
        new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                     [hangUp = std::move(onHangUp)] {
                         char byte = 0;
                         if (::read(signalPipe[0], &byte, 1) == 1 && byte == SIGHUP && hangUp) {
                             hangUp();
                             return;
                         }
                         QCoreApplication::quit();
                     });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal, &action, nullptr);
    }
}

}  // namespace vfd::sim
