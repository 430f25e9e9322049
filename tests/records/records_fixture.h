// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTimeZone>

#include "records/test_record.h"

namespace vfd::records::testing {

// A record with every field set, the texts holding what CSV and SQL must keep apart: commas,
// quotes, line breaks, non-ASCII letters.
inline TestRecord fullRecord(const QString& serial = QStringLiteral("VD000001")) {
    TestRecord r;
    r.key = newRecordKey();
    // An offset of +05:30 tells a kept offset from one made up on reading.
    const QTimeZone zone(5 * 3600 + 30 * 60);
    r.started = QDateTime(QDate(2026, 12, 11), QTime(9, 14, 3, 250), zone);
    r.ended = r.started.addMSecs(3412);
    r.station = QStringLiteral("Station 3, \"north\" bay");
    r.modelName = QStringLiteral("Option_CD5220_NR400_CD5220_RUSSIA");
    r.modelCaption = QStringLiteral("(CD5220 mode)NR-400(RUSSIA+CD5220)");
    r.port = QStringLiteral("Com 3");
    r.device = QStringLiteral("/dev/ttyUSB0");
    r.adapterSerial = QStringLiteral("A1B2C3");
    r.lineSettings = QStringLiteral("9600,n,8,1");
    r.step(Step::FactoryDownload) = {StepOutcome::Passed,
                                     QStringLiteral("Download O.K ! Please restart VFD!")};
    r.step(Step::Identity) = {StepOutcome::Passed, {}};
    r.step(Step::SerialNumber) = {StepOutcome::Passed, QStringLiteral("S/N:\r\n") + serial};
    r.step(Step::VisualTest) = {StepOutcome::Passed, {}};
    r.step(Step::TestImage) = {StepOutcome::Failed, QStringLiteral("3 bytes differ; Größe \"x\"")};
    r.step(Step::DefaultDownload) = {StepOutcome::NotRun, {}};
    r.verdict = Verdict::Failed;
    r.ending = QStringLiteral("Error!");
    r.serialNumber = serial;
    r.durationMs = 3412;
    return r;
}

// A plain record of the given verdict started at `when`.
inline TestRecord recordAt(const QDateTime& when, Verdict verdict, const QString& serial = {},
                           const QString& station = QStringLiteral("S1")) {
    TestRecord r = beginRecord(station, when);
    r.verdict = verdict;
    r.serialNumber = serial;
    endRecord(r, 1000, when.addSecs(1));
    return r;
}

inline QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString& file, const QByteArray& bytes) {
    QFile f(file);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(bytes);
    }
}

}  // namespace vfd::records::testing
