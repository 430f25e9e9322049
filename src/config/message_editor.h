// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>
#include <QList>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "device/settings_image.h"
#include "ui/code_page.h"

class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vfd::config {

// One welcome-message line: a row of cells that is entered either as two hexadecimal digits a
// cell or as one character a cell, with its "Scroll" box and "Clear" button. Line 1 is the upper
// line of the display (20 positions), line 2 the lower line (40 positions, in two rows of 20).
//
// Only the hexadecimal cells ever carry the message into or out of the settings image; the
// character cells are an entry aid and are converted into hexadecimal cells whenever the line is
// switched back. Exactly one of the two rows is visible, and the hidden one is always empty.
class MessageEditor : public QGroupBox {
    Q_OBJECT
public:
    enum class Entry { Hex, Ascii };

    // `line` is 1 or 2.
    explicit MessageEditor(int line, QWidget* parent = nullptr);

    int line() const { return line_; }
    int length() const { return length_; }

    Entry entry() const;
    // Both select the option as a click would; the conversion runs only when the mode changes.
    void selectHex();
    void selectAscii();

    // Empties the visible row. The scroll box is not touched.
    void clear();

    // The line's bytes from its hexadecimal cells, the texts joined before they are read in
    // pairs. A line in character entry is switched to hexadecimal entry first and stays there.
    std::vector<std::uint8_t> takeBytes();
    // The bytes takeBytes would give now, with the line left in the entry it is in.
    std::vector<std::uint8_t> peekBytes() const;
    // Puts the line in hexadecimal entry and writes every cell, zero bytes as "00". Cells past
    // the end of `bytes` get 00.
    void showBytes(std::span<const std::uint8_t> bytes);

    // Character cell k takes character k of `text`; cells past its end are emptied. Meant for a
    // line in character entry (the defaults), and writes the cells whatever the mode.
    void setCharacters(const QString& text);

    // The character set the display will show the line with: character cells show what it
    // shows, and take only characters it has. Cells in character entry keep their codes.
    void setCharacterSet(device::CharacterSet set);

    bool scrolls() const;
    void setScrolls(bool scroll);

    // Cells are numbered from 1, as their object names are.
    QLineEdit* hexCell(int k) const;
    QLineEdit* charCell(int k) const;
    QCheckBox* scrollBox() const { return scroll_; }
    QRadioButton* hexOption() const { return hexOption_; }
    QRadioButton* asciiOption() const { return asciiOption_; }
    QPushButton* clearButton() const { return clear_; }
    const QList<QLabel*>& hexRuler() const { return hexRuler_; }
    const QList<QLabel*>& charRuler() const { return charRuler_; }
    // Says which character was refused, until the next edit.
    QLabel* note() const { return note_; }

signals:
    // A cell, the entry or the scroll box changed.
    void changed();

protected:
    // The cells of a row type like one field; see the constructor.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Writes a text over the visible row from cell k on: one character a cell in character
    // entry, two hexadecimal digits a cell in hexadecimal entry.
    void spread(int k, const QString& text);
    bool keyInCell(const QList<QLineEdit*>& row, int at, QKeyEvent* key);
    void refuse(QChar c, Entry in);
    void showCode(QLineEdit* cell, std::uint8_t code);
    // The code of character cell i (from 0), nothing for an empty cell.
    std::optional<std::uint8_t> charCellCode(int i) const;
    void switchToAscii();
    void switchToHex();

    int line_;
    int length_;
    QCheckBox* scroll_ = nullptr;
    QRadioButton* hexOption_ = nullptr;
    QRadioButton* asciiOption_ = nullptr;
    QPushButton* clear_ = nullptr;
    QList<QLineEdit*> hexCells_;
    QList<QLineEdit*> charCells_;
    QList<QLabel*> hexRuler_;
    QList<QLabel*> charRuler_;
    QLabel* note_ = nullptr;
    const ui::CodePage* page_ = &ui::CodePage::of(device::CharacterSet::UsaEurope);
};

}  // namespace vfd::config
