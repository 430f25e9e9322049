// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

#include "device/settings_image.h"

class QLabel;
class QTimer;

namespace vfd::sim {
class Firmware;
class VfdView;
}  // namespace vfd::sim

namespace vfd::config {

// What the display will show once these settings are downloaded and it is restarted, drawn as the
// virtual display draws its glass: the same firmware starts from the settings and the same view
// paints its screen, so the two cannot drift apart. The welcome messages scroll as the display
// scrolls them. The preview only shows; it takes no keyboard focus.
class DisplayPreview : public QWidget {
    Q_OBJECT
public:
    explicit DisplayPreview(QWidget* parent = nullptr);
    ~DisplayPreview() override;

    // Starts the display afresh from a download body. `draftCode` names a user-defined character
    // that is drawn on the grid but not stored yet: its cells are marked.
    void showSettings(const device::BodyBytes& body, std::optional<std::uint8_t> draftCode);

    // Moves the display's clock on: the timer does this while the preview is visible.
    void advance(int ms);

    // The two lines as the screen shows them, trailing blanks dropped.
    QString text() const;
    sim::VfdView* glass() const { return view_; }
    QLabel* note() const { return note_; }

private:
    std::unique_ptr<sim::Firmware> firmware_;
    std::int64_t nowMs_ = 0;
    std::uint64_t shownRevision_ = 0;
    sim::VfdView* view_ = nullptr;
    QLabel* note_ = nullptr;
    QTimer* clock_ = nullptr;
};

}  // namespace vfd::config
