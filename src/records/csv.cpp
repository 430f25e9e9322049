// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/csv.h"

#include "records/record_fields.h"

namespace vfd::records {

namespace {

bool needsQuotes(const QString& field) {
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n') {
            return true;
        }
    }
    return false;
}

}  // namespace

QByteArray csvRow(const QStringList& fields) {
    QString row;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            row += u',';
        }
        const QString& field = fields[i];
        if (needsQuotes(field)) {
            row += u'"';
            row += QString(field).replace(u'"', QStringLiteral("\"\""));
            row += u'"';
        } else {
            row += field;
        }
    }
    row += QStringLiteral("\r\n");
    return row.toUtf8();
}

QByteArray recordsCsv(const std::vector<TestRecord>& records) {
    QByteArray out = csvRow(fieldNames());
    for (const TestRecord& record : records) {
        out += csvRow(toFields(record));
    }
    return out;
}

std::optional<std::vector<QStringList>> parseCsv(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) {
        text.remove(0, 1);
    }
    std::vector<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;      // inside a quoted field
    bool afterQuote = false;  // a quoted field just closed: only a separator may follow
    bool rowStarted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c != u'"') {
                field += c;
            } else if (i + 1 < n && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else {
                quoted = false;
                afterQuote = true;
            }
            continue;
        }
        if (c == u',') {
            row << field;
            field.clear();
            afterQuote = false;
            rowStarted = true;
        } else if (c == u'\r' || c == u'\n') {
            // CRLF ends a row; a lone LF is taken as well, as files edited elsewhere have them.
            if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
                ++i;
            }
            row << field;
            rows.push_back(row);
            row.clear();
            field.clear();
            afterQuote = false;
            rowStarted = false;
        } else if (afterQuote) {
            return std::nullopt;
        } else if (c == u'"') {
            if (!field.isEmpty()) {
                return std::nullopt;
            }
            quoted = true;
            rowStarted = true;
        } else {
            field += c;
            rowStarted = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (rowStarted || afterQuote) {
        row << field;
        rows.push_back(row);
    }
    return rows;
}

std::optional<std::vector<TestRecord>> recordsFromCsv(const QByteArray& bytes) {
    const auto rows = parseCsv(bytes);
    if (!rows || rows->empty() || rows->front() != fieldNames()) {
        return std::nullopt;
    }
    std::vector<TestRecord> records;
    for (std::size_t i = 1; i < rows->size(); ++i) {
        auto record = fromFields((*rows)[i]);
        if (!record) {
            return std::nullopt;
        }
        records.push_back(std::move(*record));
    }
    return records;
}

}  // namespace vfd::records
