// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/record_fields.h"

namespace vfd::records {

namespace {

QString text(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

constexpr int kStepsFirstField = 12;

}  // namespace

const QStringList& fieldNames() {
    static const QStringList names = [] {
        QStringList n = {"record_key",  "started_utc", "started_local",  "ended_utc",
                         "ended_local", "station",     "model_name",     "model_caption",
                         "port",        "device",      "adapter_serial", "line_settings"};
        for (int i = 0; i < kStepCount; ++i) {
            const QString step = text(stepName(static_cast<Step>(i)));
            n << step << step + QStringLiteral("_detail");
        }
        n << QStringLiteral("verdict") << QStringLiteral("ending")
          << QStringLiteral("serial_number") << QStringLiteral("duration_ms");
        return n;
    }();
    return names;
}

QStringList toFields(const TestRecord& r) {
    QStringList f = {r.key,
                     utcText(r.started),
                     localText(r.started),
                     utcText(r.ended),
                     localText(r.ended),
                     r.station,
                     r.modelName,
                     r.modelCaption,
                     r.port,
                     r.device,
                     r.adapterSerial,
                     r.lineSettings};
    for (const StepResult& step : r.steps) {
        f << text(outcomeText(step.outcome)) << step.detail;
    }
    f << text(verdictText(r.verdict)) << r.ending << r.serialNumber
      << QString::number(r.durationMs);
    return f;
}

std::optional<TestRecord> fromFields(const QStringList& f) {
    if (f.size() != fieldNames().size()) {
        return std::nullopt;
    }
    TestRecord r;
    r.key = f[0];
    // The local texts carry the offset, and with it the instant the UTC texts say.
    r.started = fromStoredText(f[2]);
    r.ended = fromStoredText(f[4]);
    if (!r.started.isValid() || !r.ended.isValid()) {
        return std::nullopt;
    }
    r.station = f[5];
    r.modelName = f[6];
    r.modelCaption = f[7];
    r.port = f[8];
    r.device = f[9];
    r.adapterSerial = f[10];
    r.lineSettings = f[11];
    for (int i = 0; i < kStepCount; ++i) {
        const auto outcome = outcomeFromText(f[kStepsFirstField + 2 * i]);
        if (!outcome) {
            return std::nullopt;
        }
        r.steps[static_cast<std::size_t>(i)] = {*outcome, f[kStepsFirstField + 2 * i + 1]};
    }
    const int tail = kStepsFirstField + 2 * kStepCount;
    const auto verdict = verdictFromText(f[tail]);
    bool numeric = false;
    r.durationMs = f[tail + 3].toLongLong(&numeric);
    if (!verdict || !numeric) {
        return std::nullopt;
    }
    r.verdict = *verdict;
    r.ending = f[tail + 1];
    r.serialNumber = f[tail + 2];
    return r;
}

}  // namespace vfd::records
