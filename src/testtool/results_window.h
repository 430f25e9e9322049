// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

#include "records/record_store.h"
#include "ui/operator_dialogs.h"

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vfd::testtool {

inline const QString kResultsCaption = QStringLiteral("Results");

// The station's records: the last tests in a table, a search by serial number, today's counts,
// and an export of a range of days as a CSV file. It reads the store whenever it is shown or
// refreshed and never writes to it.
class ResultsWindow : public QDialog {
    Q_OBJECT
public:
    // How many records the table holds at most.
    static constexpr int kShown = 500;
    static inline const QString kCsvFilter = QStringLiteral("CSV files | *.csv");

    ResultsWindow(records::RecordStore& store, ui::OperatorDialogs& dialogs,
                  QWidget* parent = nullptr);

    // Reads the table again: the last records, or those whose serial number holds the search
    // text. The window calls it itself when it is shown and as the search text changes.
    void refresh();
    // What the table shows, newest first.
    const std::vector<records::TestRecord>& shown() const { return shown_; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void onExport();

private:
    records::RecordStore& store_;
    ui::OperatorDialogs& dialogs_;
    std::vector<records::TestRecord> shown_;

    QLineEdit* search_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* counts_ = nullptr;
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* close_ = nullptr;
    QLabel* exported_ = nullptr;
};

}  // namespace vfd::testtool
