// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/message_editor.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "config/hex_text.h"
#include "device/settings_image.h"
#include "ui/code_page.h"
#include "ui/operator_texts.h"
#include "ui/widgets.h"

namespace vfd::config {

namespace {

constexpr int kCellsPerRow = 20;
constexpr int kRulerMarksPerRow = 5;

struct LineNames {
    const char* frame;
    const char* title;
    const char* scroll;
    const char* clear;
    const char* hexOption;
    const char* asciiOption;
    const char* hexCells;
    const char* charCells;
    const char* hexRuler;
    const char* charRuler;
    const char* spoken;  // what a screen reader calls the line
    std::array<const char*, 10> rulerMarks;
};

// Ruler marks: the first mark of a row sits at the row's left edge, the others over every fifth
// cell. The lower line's second row starts its marks at 21, the number of its first cell.
const std::array<LineNames, 2> kLines = {{
    {"Frame1",
     "Welcome Msg 1",
     "Scrollupline",
     "CLR_MSG1",
     "Op_L1H",
     "Op_L1A",
     "L1H",
     "L1A",
     "Label_L1H1",
     "Label_L1A1",
     "Welcome Msg 1",
     {"0", "5", "10", "15", "20", nullptr, nullptr, nullptr, nullptr, nullptr}},
    {"Frame2",
     "Welcome Msg 2 ",
     "Scrolllowline",
     "CLR_MSG2",
     "Op_L2H",
     "Op_L2A",
     "L2H",
     "L2A",
     "Label_L2H1",
     "Label_L2A1",
     "Welcome Msg 2",
     {"0", "5", "10", "15", "20", "21", "25", "30", "35", "40"}},
}};

QString indexed(const char* array, int index) {
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

// Hexadecimal cells accept any text; whatever is not a digit counts 0 when they are read. A
// character outside ASCII is never a digit, and it must still take exactly one place in the
// joined text, or every later pair would shift differently from what the operator sees.
std::string digitText(const QString& cell) {
    std::string out;
    out.reserve(static_cast<std::size_t>(cell.size()));
    for (const QChar c : cell) {
        out += c.unicode() < 0x80 ? static_cast<char>(c.unicode()) : '?';
    }
    return out;
}

std::uint8_t cellByte(const QString& cell) {
    const std::string digits = digitText(cell);
    const std::string_view view(digits);
    const auto high = strToDec(view.substr(0, std::min<std::size_t>(1, view.size())));
    const auto low = view.size() > 1 ? strToDec(view.substr(1, 1)) : std::uint8_t{0};
    return static_cast<std::uint8_t>(high * 16 + low);
}

bool isHexDigit(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

// Hexadecimal cells take only hexadecimal digits, written in upper case; anything else would be
// read as 0 and change the byte behind the operator's back.
class HexDigitValidator : public QValidator {
public:
    HexDigitValidator(std::function<void(QChar)> refused, QObject* parent)
        : QValidator(parent), refused_(std::move(refused)) {}
    State validate(QString& input, int& /*pos*/) const override {
        for (const QChar c : input) {
            if (!isHexDigit(c)) {
                refused_(c);
                return Invalid;
            }
        }
        input = input.toUpper();
        return Acceptable;
    }

private:
    std::function<void(QChar)> refused_;
};

const char* const kCodeProperty = "displayCode";

}  // namespace

MessageEditor::MessageEditor(int line, QWidget* parent)
    : QGroupBox(parent),
      line_(line),
      length_(line == 1 ? device::kMessage1Length : device::kMessage2Length) {
    Q_ASSERT(line == 1 || line == 2);
    const LineNames& names = kLines[static_cast<std::size_t>(line - 1)];
    const QString spoken = QLatin1String(names.spoken);

    setObjectName(QLatin1String(names.frame));
    setTitle(QLatin1String(names.title));
    setAccessibleName(spoken);

    scroll_ = new QCheckBox(QStringLiteral("Scroll"), this);
    scroll_->setObjectName(QLatin1String(names.scroll));
    scroll_->setAccessibleName(spoken + QStringLiteral(" Scroll"));
    hexOption_ = new QRadioButton(QStringLiteral("Hex"), this);
    hexOption_->setObjectName(QLatin1String(names.hexOption));
    hexOption_->setAccessibleName(spoken + QStringLiteral(" Hex entry"));
    asciiOption_ = new QRadioButton(QStringLiteral("ASCII"), this);
    asciiOption_->setObjectName(QLatin1String(names.asciiOption));
    asciiOption_->setAccessibleName(spoken + QStringLiteral(" ASCII entry"));
    clear_ = new QPushButton(ui::fromUtf8(ui::kClearCaption), this);
    clear_->setObjectName(QLatin1String(names.clear));
    clear_->setAccessibleName(QStringLiteral("Clear ") + spoken);

    auto* modes = new QButtonGroup(this);
    modes->addButton(hexOption_);
    modes->addButton(asciiOption_);
    hexOption_->setChecked(true);

    auto* controls = new QHBoxLayout;
    controls->addWidget(scroll_);
    controls->addSpacing(16);
    controls->addWidget(hexOption_);
    controls->addWidget(asciiOption_);
    controls->addStretch(1);
    controls->addWidget(clear_);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const int cellWidth = QFontMetrics(fixed).horizontalAdvance(QStringLiteral("WW")) + 14;
    // A character cell takes only characters the display's character set shows, so every
    // character that reaches a cell has exactly one code and the display shows what was typed.
    auto* charValidator =
        new ui::DisplayTextValidator([this]() -> const ui::CodePage& { return *page_; },
                                     [this](QChar c) { refuse(c, Entry::Ascii); }, this);
    auto* hexValidator = new HexDigitValidator([this](QChar c) { refuse(c, Entry::Hex); }, this);

    // Hexadecimal and character cells share their grid places: only one row is ever visible, so
    // switching the mode does not move anything on the page.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(1);
    const int rows = length_ / kCellsPerRow;
    for (int row = 0; row < rows; ++row) {
        for (int mark = 0; mark < kRulerMarksPerRow; ++mark) {
            const int index = row * kRulerMarksPerRow + mark;
            const QString caption =
                QLatin1String(names.rulerMarks[static_cast<std::size_t>(index)]);
            const int column = mark == 0 ? 0 : mark * 5 - 1;
            const Qt::Alignment align =
                Qt::AlignBottom | (mark == 0 ? Qt::AlignLeft : Qt::AlignRight);
            for (const bool hex : {true, false}) {
                auto* label = new QLabel(caption, this);
                label->setObjectName(indexed(hex ? names.hexRuler : names.charRuler, index));
                label->setAccessibleName(caption);
                grid->addWidget(label, 2 * row, column, align);
                (hex ? hexRuler_ : charRuler_).append(label);
            }
        }
        for (int column = 0; column < kCellsPerRow; ++column) {
            const int k = row * kCellsPerRow + column + 1;
            auto* hex = new QLineEdit(this);
            hex->setObjectName(indexed(names.hexCells, k));
            hex->setAccessibleName(spoken + QStringLiteral(" hex cell %1").arg(k));
            hex->setMaxLength(2);
            hex->setValidator(hexValidator);
            auto* chr = new QLineEdit(this);
            chr->setObjectName(indexed(names.charCells, k));
            chr->setAccessibleName(spoken + QStringLiteral(" character cell %1").arg(k));
            chr->setMaxLength(1);
            chr->setValidator(charValidator);
            for (QLineEdit* cell : {hex, chr}) {
                cell->installEventFilter(this);
                cell->setFont(fixed);
                cell->setFixedWidth(cellWidth);
                cell->setAlignment(Qt::AlignCenter);
                grid->addWidget(cell, 2 * row + 1, column);
            }
            hexCells_.append(hex);
            charCells_.append(chr);
        }
    }
    for (QLineEdit* cell : charCells_) {
        cell->setVisible(false);
    }
    for (QLabel* label : charRuler_) {
        label->setVisible(false);
    }

    // The note keeps its line whether or not it says something, so that nothing below it moves.
    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("L%1Note").arg(line));
    note_->setAccessibleName(spoken + QStringLiteral(" note"));
    note_->setFixedHeight(note_->fontMetrics().height());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(grid);
    layout->addWidget(note_);

    connect(hexOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            switchToHex();
        }
    });
    connect(asciiOption_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            switchToAscii();
        }
    });
    connect(clear_, &QPushButton::clicked, this, &MessageEditor::clear);
    connect(scroll_, &QCheckBox::toggled, this, &MessageEditor::changed);
    connect(hexOption_, &QRadioButton::toggled, this, &MessageEditor::changed);
    for (QLineEdit* cell : hexCells_ + charCells_) {
        connect(cell, &QLineEdit::textChanged, this, &MessageEditor::changed);
        connect(cell, &QLineEdit::textEdited, note_, &QLabel::clear);
    }
}

void MessageEditor::refuse(QChar c, Entry in) {
    note_->setText(
        in == Entry::Hex
            ? QStringLiteral("\u201C%1\u201D is not a hexadecimal digit (0 to 9, A to F).")
                  .arg(QString(c))
            : ui::refusedCharacterNote(c, *page_));
}

void MessageEditor::setCharacterSet(device::CharacterSet set) {
    const ui::CodePage& next = ui::CodePage::of(set);
    if (&next == page_) {
        return;
    }
    // The codes stay; the characters change to what the display shows for them with the set.
    std::vector<std::optional<std::uint8_t>> codes;
    codes.reserve(static_cast<std::size_t>(length_));
    for (int i = 0; i < length_; ++i) {
        codes.push_back(charCellCode(i));
    }
    page_ = &next;
    for (int i = 0; i < length_; ++i) {
        const auto& code = codes[static_cast<std::size_t>(i)];
        if (code) {
            showCode(charCells_[i], *code);
        } else if (!charCells_[i]->text().isEmpty()) {
            charCells_[i]->clear();
        }
    }
}

void MessageEditor::showCode(QLineEdit* cell, std::uint8_t code) {
    cell->setText(code == 0 ? QString() : QString(page_->toChar(code)));
    cell->setProperty(kCodeProperty, code == 0 ? QVariant() : QVariant(int{code}));
}

std::optional<std::uint8_t> MessageEditor::charCellCode(int i) const {
    const QLineEdit* cell = charCells_[i];
    const QString text = cell->text();
    if (text.isEmpty()) {
        return std::nullopt;
    }
    // A cell filled from a byte keeps that byte while it shows the byte's character: several
    // codes may show one character (GERMANY shows Ä at 0x5B and at 0x8E).
    const QVariant shown = cell->property(kCodeProperty);
    if (shown.isValid()) {
        const auto code = static_cast<std::uint8_t>(shown.toInt());
        if (QString(page_->toChar(code)) == text) {
            return code;
        }
    }
    return page_->toCode(text.front());
}

// Each cell keeps its own limit, but the row types like one field: a keystroke in a full cell goes
// on to the next cell, Backspace in an empty cell deletes in the one before it, Left and Right at
// a cell's edge move to its neighbour, and a pasted text spreads over the following cells.
bool MessageEditor::eventFilter(QObject* watched, QEvent* event) {
    const QList<QLineEdit*>& row = entry() == Entry::Ascii ? charCells_ : hexCells_;
    auto* cell = qobject_cast<QLineEdit*>(watched);
    const qsizetype at = cell != nullptr ? row.indexOf(cell) : -1;
    if (at < 0) {
        return QGroupBox::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        return keyInCell(row, static_cast<int>(at), static_cast<QKeyEvent*>(event));
    }
    if (event->type() == QEvent::ContextMenu) {
        // The menu's Paste spreads the text as Ctrl+V does.
        QMenu* menu = cell->createStandardContextMenu();
        // The menu's actions carry no names; Paste is the one that shows the paste shortcut.
        const QString pasteKey =
            QLatin1Char('\t') +
            QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        for (QAction* action : menu->actions()) {
            if (action->text().endsWith(pasteKey)) {
                disconnect(action, &QAction::triggered, nullptr, nullptr);
                connect(action, &QAction::triggered, this, [this, at] {
                    spread(static_cast<int>(at) + 1, QApplication::clipboard()->text());
                });
            }
        }
        menu->exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        delete menu;
        return true;
    }
    return false;
}

bool MessageEditor::keyInCell(const QList<QLineEdit*>& row, int at, QKeyEvent* key) {
    QLineEdit* cell = row[at];
    QLineEdit* before = at > 0 ? row[at - 1] : nullptr;
    QLineEdit* after = at + 1 < row.size() ? row[at + 1] : nullptr;
    if (key->matches(QKeySequence::Paste)) {
        spread(at + 1, QApplication::clipboard()->text());
        return true;
    }
    const bool plain = !cell->hasSelectedText();
    const bool atStart = plain && cell->cursorPosition() == 0;
    const bool atEnd = plain && cell->cursorPosition() == cell->text().size();
    const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier && key->key() == Qt::Key_Left && atStart && before) {
        before->setFocus(Qt::OtherFocusReason);
        before->end(false);
        return true;
    }
    if (modifiers == Qt::NoModifier && key->key() == Qt::Key_Right && atEnd && after) {
        after->setFocus(Qt::OtherFocusReason);
        after->home(false);
        return true;
    }
    if (key->key() == Qt::Key_Backspace && cell->text().isEmpty() && before) {
        before->setFocus(Qt::OtherFocusReason);
        before->end(false);
        before->backspace();
        return true;
    }
    const QString typed = key->text();
    const bool printable = !typed.isEmpty() && typed.front().isPrint() &&
                           (modifiers & (Qt::ControlModifier | Qt::AltModifier)) == 0;
    if (!printable || cell->text().size() < cell->maxLength() || !plain) {
        return false;
    }
    if (!atEnd) {
        // Inside a full cell a keystroke types over the character after the cursor.
        cell->setSelection(cell->cursorPosition(), 1);
        return false;
    }
    if (after) {
        after->setFocus(Qt::OtherFocusReason);
        after->selectAll();
        QKeyEvent copy(key->type(), key->key(), key->modifiers(), typed);
        QCoreApplication::sendEvent(after, &copy);
    }
    return true;
}

void MessageEditor::spread(int k, const QString& text) {
    const bool hex = entry() == Entry::Hex;
    const QList<QLineEdit*>& row = hex ? hexCells_ : charCells_;
    QStringList pieces;
    if (hex) {
        // Digits are often copied in pairs with blanks between them: "48 45 4C". A text with
        // anything else in it is not pasted at all: dropping a letter would shift every pair.
        QString digits = text;
        digits.remove(QRegularExpression(QStringLiteral("\\s")));
        if (const auto bad = std::find_if_not(digits.begin(), digits.end(), isHexDigit);
            bad != digits.end()) {
            refuse(*bad, Entry::Hex);
            return;
        }
        digits = digits.toUpper();
        for (qsizetype i = 0; i < digits.size(); i += 2) {
            pieces << digits.mid(i, 2);
        }
    } else {
        for (const QChar c : text) {
            if (!c.isPrint()) {
                continue;
            }
            if (!page_->toCode(c)) {
                refuse(c, Entry::Ascii);
                continue;
            }
            pieces << QString(c);
        }
    }
    int i = k - 1;
    for (const QString& piece : pieces) {
        if (i >= row.size()) {
            break;
        }
        row[i]->setText(piece);
        ++i;
    }
    QLineEdit* last = row[std::min<qsizetype>(i, row.size() - 1)];
    last->setFocus(Qt::OtherFocusReason);
    last->end(false);
}

MessageEditor::Entry MessageEditor::entry() const {
    return asciiOption_->isChecked() ? Entry::Ascii : Entry::Hex;
}

void MessageEditor::selectHex() {
    hexOption_->setChecked(true);
}

void MessageEditor::selectAscii() {
    asciiOption_->setChecked(true);
}

void MessageEditor::switchToAscii() {
    for (QLabel* label : hexRuler_) {
        label->setVisible(false);
    }
    for (int i = 0; i < length_; ++i) {
        QLineEdit* chr = charCells_[i];
        QLineEdit* hex = hexCells_[i];
        chr->setVisible(true);
        showCode(chr, cellByte(hex->text()));
        hex->clear();
        hex->setVisible(false);
    }
    for (QLabel* label : charRuler_) {
        label->setVisible(true);
    }
}

void MessageEditor::switchToHex() {
    for (QLabel* label : charRuler_) {
        label->setVisible(false);
    }
    for (int i = 0; i < length_; ++i) {
        QLineEdit* chr = charCells_[i];
        QLineEdit* hex = hexCells_[i];
        hex->setVisible(true);
        // An empty character cell keeps the hexadecimal cell as it is; by the time the row is
        // switched that cell is empty anyway.
        if (const auto code = charCellCode(i)) {
            hex->setText(QString::fromStdString(hexByte(*code)));
        }
        chr->clear();
        chr->setProperty(kCodeProperty, QVariant());
        chr->setVisible(false);
    }
    for (QLabel* label : hexRuler_) {
        label->setVisible(true);
    }
}

void MessageEditor::clear() {
    for (QLineEdit* cell : entry() == Entry::Ascii ? charCells_ : hexCells_) {
        cell->clear();
    }
}

std::vector<std::uint8_t> MessageEditor::takeBytes() {
    selectHex();
    return peekBytes();
}

std::vector<std::uint8_t> MessageEditor::peekBytes() const {
    // A character cell reads as the hexadecimal cell that switching to hexadecimal entry would
    // make of it; an empty one as an empty cell.
    const bool ascii = entry() == Entry::Ascii;
    std::vector<std::string> cells;
    cells.reserve(static_cast<std::size_t>(length_));
    for (int i = 0; i < length_; ++i) {
        if (!ascii) {
            cells.push_back(digitText(hexCells_[i]->text()));
            continue;
        }
        const auto code = charCellCode(i);
        cells.push_back(code ? hexByte(*code) : std::string());
    }
    return joinAndPair(cells, length_);
}

void MessageEditor::showBytes(std::span<const std::uint8_t> bytes) {
    selectHex();
    for (int i = 0; i < length_; ++i) {
        const auto at = static_cast<std::size_t>(i);
        const std::uint8_t value = at < bytes.size() ? bytes[at] : 0;
        hexCells_[i]->setText(QString::fromStdString(hexByte(value)));
    }
}

void MessageEditor::setCharacters(const QString& text) {
    for (int i = 0; i < length_; ++i) {
        charCells_[i]->setText(i < text.size() ? QString(text[i]) : QString());
        charCells_[i]->setProperty(kCodeProperty, QVariant());
    }
}

bool MessageEditor::scrolls() const {
    return scroll_->isChecked();
}

void MessageEditor::setScrolls(bool scroll) {
    scroll_->setChecked(scroll);
}

QLineEdit* MessageEditor::hexCell(int k) const {
    return hexCells_.value(k - 1);
}

QLineEdit* MessageEditor::charCell(int k) const {
    return charCells_.value(k - 1);
}

}  // namespace vfd::config
