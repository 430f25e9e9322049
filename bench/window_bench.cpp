// SPDX-License-Identifier: GPL-3.0-or-later
// Measures how long the configuration window takes to start, its preview of the display
// included, and what one redraw of the preview costs when an edit changes it.
//
//   QT_QPA_PLATFORM=offscreen build/bench/window_bench
#include <QApplication>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "config/config_window.h"
#include "config/display_preview.h"
#include "config/message_editor.h"
#include "sim/vfd_view.h"

using namespace vfd;

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    constexpr int kStarts = 15;
    std::vector<double> starts;
    for (int i = 0; i < kStarts; ++i) {
        const auto start = std::chrono::steady_clock::now();
        config::ConfigWindow window;
        window.show();
        // Shown means painted: the queued preview and the first paint of every control.
        QCoreApplication::processEvents();
        window.grab();
        starts.push_back(msSince(start));
    }

    config::ConfigWindow window;
    window.show();
    QCoreApplication::processEvents();
    constexpr int kEdits = 200;
    std::vector<double> edits;
    for (int i = 0; i < kEdits; ++i) {
        const auto start = std::chrono::steady_clock::now();
        window.message1().hexCell(1)->setText(i % 2 == 0 ? QStringLiteral("41")
                                                         : QStringLiteral("42"));
        QCoreApplication::processEvents();
        window.preview().glass()->repaint();
        edits.push_back(msSince(start));
    }

    std::printf("Configuration window, %d starts (construct, show, first paint with preview):\n",
                kStarts);
    std::printf("  median %.1f ms, best %.1f ms, worst %.1f ms (the first start loads fonts)\n",
                median(starts), *std::min_element(starts.begin(), starts.end()),
                *std::max_element(starts.begin(), starts.end()));
    std::printf("One edit of a welcome-message cell until the preview has repainted, %d edits:\n",
                kEdits);
    std::printf("  median %.2f ms, worst %.2f ms\n", median(edits),
                *std::max_element(edits.begin(), edits.end()));
    return 0;
}
