// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/display_preview.h"

#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include "sim/firmware.h"
#include "sim/vfd_view.h"

namespace vfd::config {

namespace {

// Fine enough for the display's 300 ms scroll step.
constexpr int kClockStepMs = 100;
// A little smaller than the virtual display's own window: the preview takes the window's width
// and does not widen it.
constexpr int kPreviewPitch = 5;

const QString kPlainNote = QStringLiteral("Preview: the display after a download and a restart.");

}  // namespace

DisplayPreview::DisplayPreview(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    view_ = new sim::VfdView(this);
    view_->setObjectName(QStringLiteral("Preview"));
    view_->setAccessibleName(QStringLiteral("Display preview"));
    view_->setFocusPolicy(Qt::NoFocus);
    view_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    view_->setFixedHeight(sim::VfdView::sizeAtPitch(kPreviewPitch).height());
    note_ = new QLabel(kPlainNote, this);
    note_->setObjectName(QStringLiteral("PreviewNote"));
    note_->setWordWrap(true);
    // Room for the longer note, so that the window does not jump when it appears.
    note_->setMinimumHeight(2 * note_->fontMetrics().lineSpacing());
    note_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    layout->addWidget(note_);

    clock_ = new QTimer(this);
    clock_->setInterval(kClockStepMs);
    connect(clock_, &QTimer::timeout, this, [this] { advance(kClockStepMs); });
    clock_->start();
}

DisplayPreview::~DisplayPreview() = default;

void DisplayPreview::showSettings(const device::BodyBytes& body,
                                  std::optional<std::uint8_t> draftCode) {
    sim::FirmwareOptions options;
    options.memory = body;
    // A preview never goes to stand-by: it shows what the display shows while it is in use.
    device::setBodyByte(*options.memory, device::image_index::kStandby,
                        device::SettingsImage::toByte(device::StandBy::Never));
    nowMs_ = 0;
    firmware_ = std::make_unique<sim::Firmware>(std::move(options), nowMs_);
    view_->setScreen(&firmware_->screen());
    shownRevision_ = firmware_->screen().revision();
    view_->setMarkedCode(draftCode);
    const QString code = draftCode ? QString::number(*draftCode, 16).toUpper() : QString();
    const QString note =
        draftCode ? kPlainNote + QStringLiteral(
                                     " Amber: the character 0x%1 as drawn on the grid, "
                                     "not stored yet (paging on, Download and Save store it).")
                                     .arg(code)
                  : kPlainNote;
    note_->setText(note);
    note_->setAccessibleName(note);
}

void DisplayPreview::advance(int ms) {
    if (!firmware_) {
        return;
    }
    nowMs_ += ms;
    firmware_->tick(nowMs_);
    if (firmware_->screen().revision() != shownRevision_) {
        shownRevision_ = firmware_->screen().revision();
        view_->refresh();
    }
}

QString DisplayPreview::text() const {
    return firmware_ ? sim::VfdView::describe(firmware_->screen()) : QString();
}

}  // namespace vfd::config
