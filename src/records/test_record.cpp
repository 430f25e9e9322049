// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/test_record.h"

#include <QSysInfo>
#include <QTimeZone>
#include <QUuid>

namespace vfd::records {

namespace {

constexpr std::array<std::string_view, kStepCount> kStepNames = {
    "factory_download", "identity",   "serial_number_step",
    "visual_test",      "test_image", "default_download"};
constexpr std::array<std::string_view, 4> kOutcomeTexts = {"not run", "passed", "failed",
                                                           "ended early"};
constexpr std::array<std::string_view, 3> kVerdictTexts = {"passed", "failed", "ended early"};

template <class Enum, std::size_t N>
std::optional<Enum> fromText(const std::array<std::string_view, N>& texts, const QString& text) {
    for (std::size_t i = 0; i < N; ++i) {
        if (text == QLatin1String(texts[i].data(), static_cast<qsizetype>(texts[i].size()))) {
            return static_cast<Enum>(i);
        }
    }
    return std::nullopt;
}

}  // namespace

bool TestRecord::operator==(const TestRecord& other) const {
    // Two moments are the same record's only with the same offset too: the local time the
    // operator saw is part of what is kept.
    auto sameMoment = [](const QDateTime& a, const QDateTime& b) {
        return a == b && a.offsetFromUtc() == b.offsetFromUtc();
    };
    return key == other.key && sameMoment(started, other.started) &&
           sameMoment(ended, other.ended) && station == other.station &&
           modelName == other.modelName && modelCaption == other.modelCaption &&
           port == other.port && device == other.device && adapterSerial == other.adapterSerial &&
           lineSettings == other.lineSettings && steps == other.steps && verdict == other.verdict &&
           ending == other.ending && serialNumber == other.serialNumber &&
           durationMs == other.durationMs;
}

TestRecord beginRecord(const QString& station, const QDateTime& now) {
    TestRecord record;
    record.key = newRecordKey();
    record.started = stationTime(now);
    record.ended = record.started;
    record.station = station;
    return record;
}

void endRecord(TestRecord& record, qint64 durationMs, const QDateTime& now) {
    record.ended = stationTime(now);
    record.durationMs = durationMs;
}

QString defaultStationName() {
    return QSysInfo::machineHostName();
}

QString newRecordKey() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QDateTime stationTime(const QDateTime& moment) {
    // Whole milliseconds: that is what the texts keep, so a record read back equals the one
    // written.
    const QDateTime ms =
        QDateTime::fromMSecsSinceEpoch(moment.toMSecsSinceEpoch(), QTimeZone::utc());
    return ms.toOffsetFromUtc(moment.offsetFromUtc());
}

QString utcText(const QDateTime& moment) {
    return moment.toUTC().toString(Qt::ISODateWithMs);
}

QString localText(const QDateTime& moment) {
    const QDateTime fixed = moment.toOffsetFromUtc(moment.offsetFromUtc());
    QString text = fixed.toString(Qt::ISODateWithMs);
    // Qt writes a zero offset as "Z"; the local form always says its offset in digits, so
    // that it is never mistaken for the UTC column.
    if (text.endsWith(QLatin1Char('Z'))) {
        text.chop(1);
        text += QStringLiteral("+00:00");
    }
    return text;
}

QDateTime fromStoredText(const QString& text) {
    QDateTime moment = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!moment.isValid() || moment.timeSpec() == Qt::LocalTime) {
        // A moment without an offset would be read in whatever zone the reader is in.
        return {};
    }
    return moment.toOffsetFromUtc(moment.offsetFromUtc());
}

std::string_view stepName(Step step) {
    return kStepNames[static_cast<std::size_t>(step)];
}

std::string_view outcomeText(StepOutcome outcome) {
    return kOutcomeTexts[static_cast<std::size_t>(outcome)];
}

std::string_view verdictText(Verdict verdict) {
    return kVerdictTexts[static_cast<std::size_t>(verdict)];
}

std::optional<StepOutcome> outcomeFromText(const QString& text) {
    return fromText<StepOutcome>(kOutcomeTexts, text);
}

std::optional<Verdict> verdictFromText(const QString& text) {
    return fromText<Verdict>(kVerdictTexts, text);
}

}  // namespace vfd::records
