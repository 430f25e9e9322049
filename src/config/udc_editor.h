// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

#include "device/settings_image.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vfd::ui {
class OperatorDialogs;
}

namespace vfd::config {

// A user-defined character's record: its code and five column bytes, bit 0 the top row.
using UdcRecord = std::array<std::uint8_t, 6>;

inline const QString kHexValueError = QStringLiteral("Hex Value Error !!");
inline const QString kUdcRangeError = QStringLiteral("Error !! Range is 0x20~0x7E !!");
inline const QString kUdcTitle = QStringLiteral("User Defined Character");

// The user-defined character page: a 5 by 7 grid of dot buttons, the code box and the paging
// buttons. The grid is the working copy of the current character; it reaches the character's
// record in the settings image when the operator pages away with a valid code, and when a
// download or a save takes the settings (storeDraft), so that a drawing is never left behind.
class UdcEditor : public QWidget {
    Q_OBJECT
public:
    UdcEditor(device::SettingsImage& image, ui::OperatorDialogs& dialogs,
              QWidget* parent = nullptr);

    // The character on the grid, 1 to 9, and the image index of its record.
    int number() const { return number_; }
    int index() const { return device::udcRecordStart(number_); }

    // Back to character 1 with the start caption; neither the grid nor the code box changes.
    void returnToFirst();
    // Character 1, empty code box, all dots off; the image is not read.
    void setDefaults();
    // Shows the record of the current character on the grid and in the code box.
    void redraw();
    // All dots off; the code box and the records stay as they are.
    void clearGrid();

    // Columns 1 to 5 (left to right), rows 0 to 6 (top to bottom), as the records count them.
    QPushButton* dot(int column, int row) const;
    bool dotOn(int column, int row) const;
    QLineEdit* codeBox() const { return code_; }
    QLabel* caption() const { return caption_; }
    QPushButton* previousButton() const { return previous_; }
    QPushButton* nextButton() const { return next_; }
    QPushButton* clearButton() const { return clear_; }

    // The record that paging away would store now: the code in the box and the grid's five
    // column bytes. Nothing while the box is empty or holds a code that would be refused.
    std::optional<UdcRecord> draft() const;
    // Stores the draft in the character's record as paging away would, without paging and
    // without a word; nothing while there is no draft. Download and Save call it first.
    void storeDraft();

signals:
    // The grid, the code box or the character on the grid changed.
    void changed();

protected:
    // Arrow keys move between the dots; see the constructor.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void page(int step);
    // The dot that the Tab key reaches: the grid is one stop in the tab chain, and it keeps the
    // dot the operator was last on.
    void makeTabStop(QPushButton* dot);
    // Names the grid and the code box after the character on the grid.
    void nameForNumber();
    // The code in the box, or nothing after the operator has been told what is wrong with it.
    std::optional<std::uint8_t> takeCode();
    void store(std::uint8_t code);
    UdcRecord gridRecord(std::uint8_t code) const;
    void setDot(QPushButton* dot, bool on);

    device::SettingsImage& image_;
    ui::OperatorDialogs& dialogs_;
    int number_ = 1;
    std::array<std::array<QPushButton*, device::kUdcRows>, device::kUdcColumns> dots_{};
    QLineEdit* code_ = nullptr;
    QLabel* caption_ = nullptr;
    QPushButton* previous_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* clear_ = nullptr;
    QWidget* grid_ = nullptr;
};

}  // namespace vfd::config
