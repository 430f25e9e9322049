// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "records/csv.h"
#include "records/record_fields.h"
#include "records/record_store.h"
#include "records_fixture.h"

namespace vfd::records {
namespace {

using Rows = std::vector<QStringList>;

TEST(Csv, RowsAreQuotedOnlyWhereTheyMustBe) {
    struct Case {
        QStringList fields;
        QByteArray row;
    };
    const Case cases[] = {
        {{"a", "b c", ""}, "a,b c,\r\n"},
        {{"one, two"}, "\"one, two\"\r\n"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\"\r\n"},
        {{"S/N:\r\nVD1", "x\ny"}, "\"S/N:\r\nVD1\",\"x\ny\"\r\n"},
        {{"Größe"},
         "Gr\xc3\xb6\xc3\x9f"
         "e\r\n"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(csvRow(c.fields), c.row) << c.row.toStdString();
        const auto back = parseCsv(c.row);
        ASSERT_TRUE(back) << c.row.toStdString();
        EXPECT_EQ(*back, Rows{c.fields}) << c.row.toStdString();
    }
}

TEST(Csv, ReadsWhatSpreadsheetsWriteAndRefusesWhatIsNotCsv) {
    struct Case {
        const char* name;
        QByteArray text;
        std::optional<Rows> rows;
    };
    const Case cases[] = {
        {"no line end at the end", "a,b\r\nc,d", Rows{{"a", "b"}, {"c", "d"}}},
        {"byte order mark",
         "\xef\xbb\xbf"
         "a,b\r\n",
         Rows{{"a", "b"}}},
        {"bare line feeds", "a\nb\n", Rows{{"a"}, {"b"}}},
        {"empty quoted field", "\"\",x\r\n", Rows{{"", "x"}}},
        {"nothing", "", Rows{}},
        {"quote left open", "\"abc\r\n", std::nullopt},
        {"text after a closing quote", "\"ab\"c,d\r\n", std::nullopt},
        {"quote inside a bare field", "ab\"c\r\n", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parseCsv(c.text), c.rows) << c.name;
    }
}

TEST(Csv, ADayExportedFromTheStoreReadsBackAsTheSameRecords) {
    QTemporaryDir dir;
    RecordStore store(dir.filePath(QStringLiteral("records.sqlite")));
    ASSERT_TRUE(store.open().outcome.ok());
    const TestRecord full = testing::fullRecord();
    const QDate day = full.started.toLocalTime().date();
    const TestRecord plain = testing::recordAt(QDateTime(day, QTime(23, 0)), Verdict::Passed);
    const TestRecord nextDay =
        testing::recordAt(QDateTime(day.addDays(1), QTime(0, 0, 1)), Verdict::Passed);
    for (const TestRecord& r : {full, plain, nextDay}) {
        ASSERT_TRUE(store.add(r).ok());
    }

    const QString file = dir.filePath(QStringLiteral("day.csv"));
    ASSERT_TRUE(store.exportCsv(day, day, file).ok());
    const QByteArray bytes = testing::bytesOf(file);

    EXPECT_TRUE(bytes.startsWith(csvRow(fieldNames())));
    EXPECT_TRUE(bytes.contains(",\"Station 3, \"\"north\"\" bay\","));
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const auto records = recordsFromCsv(bytes);
    ASSERT_TRUE(records);
    const std::vector<TestRecord> expected = full.started < plain.started
                                                 ? std::vector<TestRecord>{full, plain}
                                                 : std::vector<TestRecord>{plain, full};
    EXPECT_EQ(*records, expected);

    // A range takes every day in it; a file written over is replaced whole.
    ASSERT_TRUE(store.exportCsv(day, day.addDays(1), file).ok());
    const auto range = recordsFromCsv(testing::bytesOf(file));
    ASSERT_TRUE(range);
    EXPECT_EQ(range->size(), 3U);
}

TEST(Csv, AFileThatIsNotAnExportIsNotTakenForRecords) {
    const TestRecord r = testing::fullRecord();
    QStringList fields = toFields(r);
    EXPECT_TRUE(recordsFromCsv(csvRow(fieldNames()) + csvRow(fields)));
    QStringList header = fieldNames();
    header.swapItemsAt(0, 1);
    EXPECT_FALSE(recordsFromCsv(csvRow(header) + csvRow(fields)));
    fields[2] = QStringLiteral("2026-12-11T09:14:03.250");  // local time without its offset
    EXPECT_FALSE(recordsFromCsv(csvRow(fieldNames()) + csvRow(fields)));
    EXPECT_FALSE(recordsFromCsv(csvRow(fieldNames()) + csvRow(fields.mid(1))));
}

}  // namespace
}  // namespace vfd::records
