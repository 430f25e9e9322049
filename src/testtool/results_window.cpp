// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/results_window.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "records/csv.h"
#include "testtool/record_words.h"
#include "ui/widgets.h"

namespace vfd::testtool {

namespace {

using records::TestRecord;

const char* const kColumns[] = {"Time",          "Station", "Model",
                                "Serial number", "Verdict", "How it ended"};

QDateEdit* makeDay(const char* name, const QString& spoken, QWidget* parent) {
    auto* day = new QDateEdit(QDate::currentDate(), parent);
    day->setObjectName(QLatin1String(name));
    day->setAccessibleName(spoken);
    day->setCalendarPopup(true);
    day->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    return day;
}

QStringList cellsOf(const TestRecord& r) {
    return {r.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            r.station,
            r.modelCaption,
            r.serialNumber,
            verdictWord(r.verdict),
            r.ending};
}

}  // namespace

ResultsWindow::ResultsWindow(records::RecordStore& store, ui::OperatorDialogs& dialogs,
                             QWidget* parent)
    : QDialog(parent), store_(store), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Results"));
    setWindowTitle(kResultsCaption);

    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("Search"));
    search_->setAccessibleName(QStringLiteral("Search serial number"));
    search_->setPlaceholderText(QStringLiteral("Serial number"));
    search_->setClearButtonEnabled(true);
    auto* searchLabel = ui::makeLabel("SearchLabel", QStringLiteral("&Search:"),
                                      QStringLiteral("Search serial number"), this);
    searchLabel->setBuddy(search_);

    table_ = new QTableWidget(0, static_cast<int>(std::size(kColumns)), this);
    table_->setObjectName(QStringLiteral("Records"));
    table_->setAccessibleName(QStringLiteral("Records, newest first"));
    QStringList headers;
    for (const char* column : kColumns) {
        headers << QLatin1String(column);
    }
    table_->setHorizontalHeaderLabels(headers);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the table for the next control instead of walking its cells; the arrow keys
    // walk them.
    table_->setTabKeyNavigation(false);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);

    counts_ = ui::makeLabel("Counts", QString(), QStringLiteral("Today"), this);

    from_ = makeDay("ExportFrom", QStringLiteral("Export from"), this);
    to_ = makeDay("ExportTo", QStringLiteral("Export to"), this);
    auto* fromLabel = ui::makeLabel("ExportFromLabel", QStringLiteral("&From:"),
                                    QStringLiteral("Export from"), this);
    fromLabel->setBuddy(from_);
    auto* toLabel =
        ui::makeLabel("ExportToLabel", QStringLiteral("&To:"), QStringLiteral("Export to"), this);
    toLabel->setBuddy(to_);
    export_ = ui::makeButton("Export", QStringLiteral("&Export CSV..."), this);
    export_->setAccessibleName(QStringLiteral("Export CSV"));
    exported_ = ui::makeLabel("Exported", QString(), QStringLiteral("Export result"), this);
    close_ = ui::makeButton("Close", QStringLiteral("Close"), this);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(search_, 1);

    auto* exportRow = new QHBoxLayout;
    exportRow->addWidget(fromLabel);
    exportRow->addWidget(from_);
    exportRow->addWidget(toLabel);
    exportRow->addWidget(to_);
    exportRow->addWidget(export_);
    exportRow->addStretch(1);
    exportRow->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(searchRow);
    layout->addWidget(table_, 1);
    layout->addWidget(counts_);
    layout->addLayout(exportRow);
    layout->addWidget(exported_);

    setTabOrder(search_, table_);
    setTabOrder(table_, from_);
    setTabOrder(from_, to_);
    setTabOrder(to_, export_);
    setTabOrder(export_, close_);

    connect(search_, &QLineEdit::textChanged, this, [this] { refresh(); });
    connect(export_, &QPushButton::clicked, this, &ResultsWindow::onExport);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    resize(760, 420);
    refresh();
}

void ResultsWindow::showEvent(QShowEvent* event) {
    refresh();
    QDialog::showEvent(event);
}

void ResultsWindow::refresh() {
    const QString text = search_->text().trimmed();
    shown_ = text.isEmpty() ? store_.last(kShown) : store_.bySerialNumber(text, kShown);
    table_->setRowCount(static_cast<int>(shown_.size()));
    for (int row = 0; row < static_cast<int>(shown_.size()); ++row) {
        const QStringList cells = cellsOf(shown_[static_cast<std::size_t>(row)]);
        for (int column = 0; column < cells.size(); ++column) {
            table_->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    table_->resizeColumnsToContents();
    counts_->setText(QStringLiteral("Today: ") + countsLine(store_.countsToday()));
    counts_->setAccessibleName(counts_->text());
}

void ResultsWindow::onExport() {
    const QDate first = from_->date();
    const QDate last = to_->date();
    if (first > last) {
        dialogs_.message(QStringLiteral("The first day of the export is after its last day."));
        return;
    }
    const QString file = dialogs_.chooseSaveFile(kCsvFilter);
    if (file.isEmpty()) {
        return;
    }
    const std::vector<TestRecord> records = store_.between(first, last);
    const records::StoreOutcome written =
        records::writeFileWhole(file, records::recordsCsv(records));
    if (!written.ok()) {
        dialogs_.message(QStringLiteral("The CSV file %1 could not be written.").arg(file),
                         written.systemWords);
        return;
    }
    exported_->setText(QStringLiteral("%1 records written to %2")
                           .arg(records.size())
                           .arg(QFileInfo(file).fileName()));
    exported_->setAccessibleName(exported_->text());
}

}  // namespace vfd::testtool
