// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include "records/csv.h"
#include "records/record_store.h"
#include "records_fixture.h"
#include "support/scripted_dialogs.h"
#include "support/widget_lookup.h"
#include "testtool/record_words.h"
#include "testtool/results_window.h"

namespace vfd::testtool {
namespace {

using records::TestRecord;
using records::Verdict;
using vfd::testing::named;

class ResultsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(store.open().outcome.ok());
        const QDateTime t0(QDate(2026, 12, 10), QTime(9, 14));
        all = {records::testing::fullRecord("VD000001"),
               records::testing::recordAt(t0, Verdict::Passed, "VD000002", "Station 3"),
               records::testing::recordAt(t0.addDays(1), Verdict::Failed, "VD000102"),
               records::testing::recordAt(t0.addDays(2), Verdict::EndedEarly, "")};
        all.back().ending = QStringLiteral("line lost");
        for (const TestRecord& r : all) {
            ASSERT_TRUE(store.add(r).ok());
        }
    }
    QStringList column(QTableWidget* table, int c) const {
        QStringList cells;
        for (int r = 0; r < table->rowCount(); ++r) {
            cells << table->item(r, c)->text();
        }
        return cells;
    }

    QTemporaryDir dir;
    records::RecordStore store{dir.filePath(QStringLiteral("records.sqlite"))};
    std::vector<TestRecord> all;
    vfd::testing::ScriptedDialogs dialogs;
};

TEST_F(ResultsWindowTest, ListsTheLastRecordsAndFindsThemBySerialNumber) {
    ResultsWindow window(store, dialogs);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Results"));
    auto* table = named<QTableWidget>(window, QStringLiteral("Records"));
    ASSERT_EQ(table->rowCount(), 4);
    EXPECT_EQ(column(table, 3), (QStringList{"", "VD000102", "VD000001", "VD000002"}));
    EXPECT_EQ(table->item(0, 4)->text(), QStringLiteral("ended early"));
    EXPECT_EQ(table->item(0, 5)->text(), QStringLiteral("line lost"));
    EXPECT_EQ(table->item(3, 0)->text(), QStringLiteral("2026-12-10 09:14:00"));
    EXPECT_EQ(table->item(3, 1)->text(), QStringLiteral("Station 3"));

    auto* search = named<QLineEdit>(window, QStringLiteral("Search"));
    search->setText(QStringLiteral("0001"));
    EXPECT_EQ(column(table, 3), (QStringList{"VD000102", "VD000001"}));
    search->setText(QStringLiteral("nothing like it"));
    EXPECT_EQ(table->rowCount(), 0);
    search->clear();
    EXPECT_EQ(table->rowCount(), 4);
}

TEST_F(ResultsWindowTest, ExportsTheChosenDaysAsCsv) {
    ResultsWindow window(store, dialogs);
    named<QDateEdit>(window, QStringLiteral("ExportFrom"))->setDate(QDate(2026, 12, 10));
    named<QDateEdit>(window, QStringLiteral("ExportTo"))->setDate(QDate(2026, 12, 11));
    const QString file = dir.filePath(QStringLiteral("export.csv"));
    dialogs.files = {file};
    named<QPushButton>(window, QStringLiteral("Export"))->click();

    ASSERT_EQ(dialogs.filters, QStringList{ResultsWindow::kCsvFilter});
    EXPECT_TRUE(dialogs.messages.isEmpty()) << dialogs.messages.join(u'\n').toStdString();
    const auto back = records::recordsFromCsv(records::testing::bytesOf(file));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, store.between(QDate(2026, 12, 10), QDate(2026, 12, 11)));
    EXPECT_GE(back->size(), 2U);
    EXPECT_TRUE(named<QLabel>(window, QStringLiteral("Exported"))->text().contains("export.csv"));
}

TEST_F(ResultsWindowTest, ACancelledOrImpossibleExportWritesNothing) {
    ResultsWindow window(store, dialogs);
    auto* exportButton = named<QPushButton>(window, QStringLiteral("Export"));
    dialogs.files = {QString()};
    exportButton->click();
    EXPECT_TRUE(dialogs.messages.isEmpty());

    named<QDateEdit>(window, QStringLiteral("ExportFrom"))->setDate(QDate(2026, 12, 12));
    named<QDateEdit>(window, QStringLiteral("ExportTo"))->setDate(QDate(2026, 12, 10));
    exportButton->click();
    ASSERT_EQ(dialogs.messages.size(), 1);
    EXPECT_EQ(dialogs.filters.size(), 1);  // no file was asked for

    named<QDateEdit>(window, QStringLiteral("ExportTo"))->setDate(QDate(2026, 12, 12));
    dialogs.files = {dir.filePath(QStringLiteral("no/such/folder/export.csv"))};
    exportButton->click();
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages.back().contains(QStringLiteral("could not be written")));
    EXPECT_FALSE(dialogs.details.back().isEmpty());
}

TEST_F(ResultsWindowTest, EveryControlHasANameAndTheTabKeyReachesIt) {
    ResultsWindow window(store, dialogs);
    window.show();
    const QStringList order = {"Search", "Records", "ExportFrom", "ExportTo", "Export", "Close"};
    for (const QString& name : order) {
        QWidget* control = named<QWidget>(window, name);
        EXPECT_FALSE(control->accessibleName().isEmpty()) << name.toStdString();
        EXPECT_TRUE(control->focusPolicy() & Qt::TabFocus) << name.toStdString();
    }
    // The focus chain, as the tab key walks it, meets them in this order.
    QStringList met;
    QWidget* start = named<QWidget>(window, order.front());
    QWidget* w = start;
    do {
        if (order.contains(w->objectName()) && !met.contains(w->objectName())) {
            met << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != start && met.size() < order.size());
    EXPECT_EQ(met, order);
}

TEST(RecordWords, SayWhatTheOperatorNeeds) {
    EXPECT_EQ(waitingLine(3), QStringLiteral("Results: 3 waiting for the line database"));
    EXPECT_TRUE(waitingLine(0).isEmpty());
    EXPECT_EQ(countsLine({12, 10, 1, 1}),
              QStringLiteral("Tested 12, passed 10, failed 1, ended early 1, yield 83%"));
    EXPECT_EQ(countsLine({}), QStringLiteral("Tested 0, passed 0, failed 0, ended early 0"));

    TestRecord before = records::testing::recordAt(QDateTime(QDate(2026, 12, 11), QTime(9, 13, 59)),
                                                   Verdict::Passed, "VD000001", "station 3");
    EXPECT_EQ(passedBeforeLine(before, QDateTime(QDate(2026, 12, 11), QTime(15, 0))),
              QStringLiteral("VD000001 passed before, 09:14 on station 3"));
    EXPECT_EQ(passedBeforeLine(before, QDateTime(QDate(2026, 12, 12), QTime(8, 0))),
              QStringLiteral("VD000001 passed before, 2026-12-11 09:14 on station 3"));

    const ui::Words refused = wordsFor(
        records::StoreOutcome{records::StoreStatus::FolderNotWritable,
                              QStringLiteral("/srv/records"), QStringLiteral("Permission denied")});
    EXPECT_NE(refused.text.find("/srv/records is not writable"), std::string::npos);
    EXPECT_NE(refused.text.find("Start"), std::string::npos);
    EXPECT_EQ(refused.detail, "Permission denied");
}

}  // namespace
}  // namespace vfd::testtool
