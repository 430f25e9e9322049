// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <optional>

#include "link/port_names.h"

class QComboBox;

namespace vfd::ui {

// What the system tells of a serial device; for a USB adapter its description, maker and
// serial number. A field the system does not know is empty.
struct AdapterFacts {
    QString description;
    QString manufacturer;
    QString serialNumber;
};

// The facts for a device path ("/dev/ttyUSB0"), or nothing when the system lists no serial port
// there.
using AdapterFactsSource = std::function<std::optional<AdapterFacts>(const QString& device)>;

// QSerialPortInfo's facts for the serial port whose system location is `device`.
std::optional<AdapterFacts> systemAdapterFacts(const QString& device);

// What is behind a port list's text, in the operator's words: the device a "Com n" (or a typed
// path) leads to, following links, and
// - for a serial port the system lists, what it knows of it: "/dev/ttyUSB0 · FT232R USB UART ·
//   FTDI · A1B2C3";
// - for a pseudo-terminal linked into the port folder, where only the virtual display puts
//   links to pseudo-terminals: "/dev/pts/4 (virtual display)";
// - for nothing there, or a link whose device is gone: "/dev/ttyUSB2: no such device".
QString portIdentityText(const QString& portText, const link::PortLookup& lookup,
                         const AdapterFactsSource& facts);

// The line beside a port list that answers "which device is this Com n?". It follows the list's
// current text, chosen or typed, and looks again whenever the window comes to the front, so that
// an adapter plugged in meanwhile shows. A screen reader hears "Port device: " and the line.
class PortIdentityLine : public QLabel {
    Q_OBJECT
public:
    // `facts` empty: the system's (QSerialPortInfo).
    PortIdentityLine(QComboBox* list, link::PortLookup lookup, QWidget* parent,
                     AdapterFactsSource facts = {});

    void refresh();
    QSize minimumSizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QComboBox* list_;
    link::PortLookup lookup_;
    AdapterFactsSource facts_;
    QPointer<QWidget> watchedWindow_;
    std::map<QString, std::optional<AdapterFacts>> known_;  // by device, since the last look
    bool activatedBefore_ = false;
};

}  // namespace vfd::ui
