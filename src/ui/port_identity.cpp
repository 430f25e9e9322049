// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/port_identity.h"

#include <QPainter>

#include <QComboBox>
#include <QEvent>
#include <QSerialPortInfo>
#include <QStringList>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

namespace vfd::ui {

namespace {

namespace fs = std::filesystem;

const QString kSeparator = QStringLiteral(" \u00B7 ");

QString fromPath(const std::string& path) {
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

}  // namespace

std::optional<AdapterFacts> systemAdapterFacts(const QString& device) {
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    // Linux names a port by its device path; Windows by COMn, which a device path of
    // \\.\COMn names too.
    for (const QSerialPortInfo& info : ports) {
        if (info.systemLocation() == device || info.portName() == device ||
            QStringLiteral("\\\\.\\") + info.portName() == device) {
            return AdapterFacts{info.description(), info.manufacturer(), info.serialNumber()};
        }
    }
    return std::nullopt;
}

QString portIdentityText(const QString& portText, const link::PortLookup& lookup,
                         const AdapterFactsSource& facts) {
    const QString trimmed = portText.trimmed();
    if (trimmed.isEmpty()) {
        return QStringLiteral("no port chosen");
    }
    const auto resolved = link::resolvePortText(trimmed.toStdString(), lookup);
    if (!resolved) {
        return QStringLiteral("not a port name");
    }
    const std::string& device = *resolved;
    const bool exists = lookup.exists ? lookup.exists(device) : link::deviceExists(device);
    const QString noDevice = QStringLiteral(": no such device");
    if (!exists) {
        return fromPath(device) + noDevice;
    }

    // A link (the port folder's, or a /dev/serial/by-id name typed in) stands for its device.
    std::string target = device;
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(device, ec))) {
        const fs::path real = fs::canonical(device, ec);
        if (ec) {
            const fs::path pointsAt = fs::read_symlink(device, ec);
            return fromPath(ec ? device : pointsAt.string()) + noDevice;
        }
        target = real.string();
    }

    // The virtual display links a pseudo-terminal into the port folder; nothing else does.
    if (target.starts_with("/dev/pts/")) {
        const bool linked = !lookup.folder.empty() && device.starts_with(lookup.folder + "/");
        return fromPath(target) + (linked ? QStringLiteral(" (virtual display)")
                                          : QStringLiteral(" (pseudo-terminal)"));
    }

    QStringList parts = {fromPath(target)};
    const AdapterFactsSource& source = facts ? facts : AdapterFactsSource(systemAdapterFacts);
    if (const auto known = source(parts.front())) {
        for (const QString& field :
             {known->description, known->manufacturer, known->serialNumber}) {
            if (!field.trimmed().isEmpty()) {
                parts << field.trimmed();
            }
        }
    }
    return parts.join(kSeparator);
}

PortIdentityLine::PortIdentityLine(QComboBox* list, link::PortLookup lookup, QWidget* parent,
                                   AdapterFactsSource facts)
    : QLabel(parent),
      list_(list),
      lookup_(std::move(lookup)),
      facts_(facts ? std::move(facts) : AdapterFactsSource(systemAdapterFacts)) {
    setObjectName(QStringLiteral("PortDevice"));
    setTextFormat(Qt::PlainText);
    // One line whatever the text: a long port-folder path that wrapped would move every control
    // below it, and a click aimed at the old place would miss. A text too long for the line
    // loses its middle on the screen; the tooltip and the accessible description carry it whole.
    setWordWrap(false);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    setFixedHeight(fontMetrics().height() + contentsMargins().top() + contentsMargins().bottom());
    connect(list_, &QComboBox::currentTextChanged, this, &PortIdentityLine::refresh);
    refresh();
}

void PortIdentityLine::refresh() {
    // Asking the system for its serial ports reads sysfs for every tty and takes milliseconds,
    // and the list's text changes many times while a window is built: what it said of a device
    // is kept until the window comes to the front again.
    const AdapterFactsSource cached = [this](const QString& device) {
        auto known = known_.find(device);
        if (known == known_.end()) {
            known = known_.emplace(device, facts_(device)).first;
        }
        return known->second;
    };
    const QString line = portIdentityText(list_->currentText(), lookup_, cached);
    if (line == text() && !accessibleName().isEmpty()) {
        return;
    }
    setText(line);
    setToolTip(line);
    setAccessibleDescription(line);
    // The separator dot is read aloud by some screen readers; a comma is a pause in all.
    setAccessibleName(QStringLiteral("Port device: ") +
                      QString(line).replace(kSeparator, QStringLiteral(", ")));
}

QSize PortIdentityLine::minimumSizeHint() const {
    return {0, height()};
}

void PortIdentityLine::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect room = contentsRect();
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(room, static_cast<int>(alignment()),
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width()));
}

void PortIdentityLine::showEvent(QShowEvent* event) {
    QLabel::showEvent(event);
    if (watchedWindow_ != window()) {
        if (watchedWindow_) {
            watchedWindow_->removeEventFilter(this);
        }
        watchedWindow_ = window();
        watchedWindow_->installEventFilter(this);
    }
    refresh();
}

bool PortIdentityLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == watchedWindow_ && event->type() == QEvent::WindowActivate) {
        // The first activation follows the window's first show at once: what was just asked is
        // still true then.
        if (activatedBefore_) {
            known_.clear();
        }
        activatedBefore_ = true;
        refresh();
    }
    return QLabel::eventFilter(watched, event);
}

}  // namespace vfd::ui
