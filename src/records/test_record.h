// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <array>
#include <optional>
#include <string_view>

namespace vfd::records {

// The steps of a screen test, in the order a run takes them.
enum class Step {
    FactoryDownload,
    Identity,
    SerialNumber,
    VisualTest,  // all dots on and off; judged by the operator's eye
    TestImage,   // the test image downloaded, read back and compared
    DefaultDownload,
};
inline constexpr int kStepCount = 6;

enum class StepOutcome { NotRun, Passed, Failed, EndedEarly };
enum class Verdict { Passed, Failed, EndedEarly };

struct StepResult {
    StepOutcome outcome = StepOutcome::NotRun;
    QString detail;  // what the message window said about it, if anything

    bool operator==(const StepResult&) const = default;
};

// What one screen test left behind. Every text is as the operator saw it; the serial number is
// already decoded from the display's code page.
struct TestRecord {
    QString key;  // a UUID, unique across every station of the line
    // Both carry the station's offset from UTC at that moment, so that the local time the
    // operator saw and the instant can both be given back.
    QDateTime started;
    QDateTime ended;
    QString station;
    QString modelName;     // the option's object name, e.g. "Option_EPSON_QV310"
    QString modelCaption;  // e.g. "QV310(Wexlor)"
    QString port;          // as chosen, e.g. "Com 3"
    QString device;        // what the port stood for, e.g. "/dev/ttyUSB0"
    QString adapterSerial;
    QString lineSettings;  // e.g. "9600,n,8,1"
    std::array<StepResult, kStepCount> steps{};
    Verdict verdict = Verdict::EndedEarly;
    QString ending;  // how it ended: "OK!", "line lost", "Exit pressed", "file missing", ...
    QString serialNumber;
    qint64 durationMs = 0;

    StepResult& step(Step s) { return steps[static_cast<std::size_t>(s)]; }
    const StepResult& step(Step s) const { return steps[static_cast<std::size_t>(s)]; }

    bool operator==(const TestRecord&) const;
};

// A record for a test starting now on this station: a new key and the start time. The end
// time, the duration and everything the test learns are the caller's to fill in.
TestRecord beginRecord(const QString& station, const QDateTime& now = QDateTime::currentDateTime());
// Sets the end time and the duration, measured by the caller on a monotonic clock.
void endRecord(TestRecord& record, qint64 durationMs,
               const QDateTime& now = QDateTime::currentDateTime());

// This computer's name, the station's name unless the operator gives another.
QString defaultStationName();
QString newRecordKey();

// A moment as this station's local time with its offset from UTC fixed, the form records keep.
QDateTime stationTime(const QDateTime& moment);
// The two texts stored for a moment, both ISO 8601 with milliseconds:
// "2026-12-11T09:14:03.250Z" and "2026-12-11T10:14:03.250+01:00". The UTC form sorts in time
// order as text, which the queries rely on.
QString utcText(const QDateTime& moment);
QString localText(const QDateTime& moment);
// The moment of a local text with offset (the UTC text is accepted too); invalid when it is
// neither.
QDateTime fromStoredText(const QString& text);

// The words stored for the outcomes; they are what a CSV file and the line database hold.
std::string_view stepName(Step step);
std::string_view outcomeText(StepOutcome outcome);
std::string_view verdictText(Verdict verdict);
std::optional<StepOutcome> outcomeFromText(const QString& text);
std::optional<Verdict> verdictFromText(const QString& text);

}  // namespace vfd::records
