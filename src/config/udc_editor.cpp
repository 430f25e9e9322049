// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/udc_editor.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "config/hex_text.h"
#include "ui/operator_dialogs.h"
#include "ui/operator_texts.h"
#include "ui/widgets.h"

namespace vfd::config {

namespace {

constexpr std::uint8_t kLowestCode = 0x20;
constexpr std::uint8_t kHighestCode = 0x7E;
constexpr int kDotSize = 26;

const QString kCaptionPrefix = kUdcTitle + QLatin1Char(' ');
// Set by the defaults and by a load: two blanks before the number, where paging writes one.
const QString kStartCaption = kCaptionPrefix + QStringLiteral(" 1");

// Unlike the message cells, the code box does not count a stray character as 0: it is refused.
std::optional<std::uint8_t> hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return static_cast<std::uint8_t>(u - u'0');
    }
    if (u >= u'A' && u <= u'F') {
        return static_cast<std::uint8_t>(u - u'A' + 10);
    }
    if (u >= u'a' && u <= u'f') {
        return static_cast<std::uint8_t>(u - u'a' + 10);
    }
    return std::nullopt;
}

// The code in the box, or the message that refuses it. One character is the low digit alone, so
// it always lands below 0x20 and is refused by the range check; the high digit is read only from
// a two-character code.
struct ParsedCode {
    std::optional<std::uint8_t> code;
    QString refusal;
};

ParsedCode parseCode(const QString& text) {
    int code = 0;
    if (text.size() == 2) {
        const auto high = hexDigit(text.front());
        if (!high) {
            return {std::nullopt, kHexValueError};
        }
        code = *high * 16;
    }
    const auto low = hexDigit(text.back());
    if (!low) {
        return {std::nullopt, kHexValueError};
    }
    code += *low;
    if (code < kLowestCode || code > kHighestCode) {
        return {std::nullopt, kUdcRangeError};
    }
    return {static_cast<std::uint8_t>(code), {}};
}

// A dot is on while its button is checked and is painted in the system's window-text colour;
// off is the button-face colour. The colours follow the palette, so a theme change keeps them
// apart, and the checked state is what storing reads.
const QString kDotStyle = QStringLiteral(
    "QPushButton { background-color: palette(button); border: 1px solid palette(mid); }"
    "QPushButton:checked { background-color: palette(window-text); }"
    // The focus ring is thick and in the highlight colour, which stands apart from both the lit
    // and the unlit face.
    "QPushButton:focus { border: 4px solid palette(highlight); }");

// Where each arrow key moves the focus on the grid.
struct ArrowStep {
    int key;
    int dx;
    int dy;
};
constexpr ArrowStep kArrowSteps[] = {
    {Qt::Key_Left, -1, 0}, {Qt::Key_Right, 1, 0}, {Qt::Key_Up, 0, -1}, {Qt::Key_Down, 0, 1}};

QLabel* note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    return label;
}

}  // namespace

UdcEditor::UdcEditor(device::SettingsImage& image, ui::OperatorDialogs& dialogs, QWidget* parent)
    : QWidget(parent), image_(image), dialogs_(dialogs) {
    // For the keyboard the grid is one control: Tab reaches one dot, the arrow keys move within
    // the five columns and seven rows, and Space toggles the dot in focus.
    auto* grid = new QWidget(this);
    grid_ = grid;
    grid->setStyleSheet(kDotStyle);
    auto* gridLayout = new QGridLayout(grid);
    gridLayout->setSpacing(3);
    for (int row = 0; row < device::kUdcRows; ++row) {
        for (int column = 1; column <= device::kUdcColumns; ++column) {
            auto* button = new QPushButton(grid);
            button->setObjectName(QStringLiteral("map%1(%2)").arg(column).arg(row));
            button->setAccessibleName(
                QStringLiteral("Dot column %1 row %2").arg(column).arg(row + 1));
            button->setCheckable(true);
            button->setFixedSize(kDotSize, kDotSize);
            button->setFocusPolicy(Qt::ClickFocus);
            button->installEventFilter(this);
            button->setAccessibleDescription(QStringLiteral("off"));
            connect(button, &QPushButton::toggled, this, [this, button](bool on) {
                button->setAccessibleDescription(on ? QStringLiteral("on") : QStringLiteral("off"));
                emit changed();
            });
            gridLayout->addWidget(button, row, column - 1);
            dots_[static_cast<std::size_t>(column - 1)][static_cast<std::size_t>(row)] = button;
        }
    }

    auto* heading = note(kUdcTitle, this);
    caption_ = new QLabel(kStartCaption, this);
    caption_->setObjectName(QStringLiteral("UDC_label"));

    auto* prefix = note(QStringLiteral("0x"), this);
    code_ = new QLineEdit(this);
    code_->setObjectName(QStringLiteral("UDC_TEXT"));
    code_->setMaxLength(2);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    code_->setFont(fixed);
    code_->setFixedWidth(QFontMetrics(fixed).horizontalAdvance(QStringLiteral("WW")) + 14);
    prefix->setBuddy(code_);
    auto* suffix = note(QStringLiteral("(Hex)"), this);

    previous_ = new QPushButton(QStringLiteral("<<"), this);
    previous_->setObjectName(QStringLiteral("UDC_UP"));
    previous_->setAccessibleName(QStringLiteral("Previous character"));
    previous_->setToolTip(QStringLiteral("Previous character"));
    next_ = new QPushButton(QStringLiteral(">>"), this);
    next_->setObjectName(QStringLiteral("UDC_NEXT"));
    next_->setAccessibleName(QStringLiteral("Next character"));
    next_->setToolTip(QStringLiteral("Next character"));
    clear_ = new QPushButton(ui::fromUtf8(ui::kClearCaption), this);
    clear_->setObjectName(QStringLiteral("MAP_Clear"));
    clear_->setAccessibleName(QStringLiteral("Clear dot grid"));

    auto* range = note(QStringLiteral("Range : 0x20~0x7E"), this);
    auto* most = note(QStringLiteral("Max Characters = 9"), this);

    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(prefix);
    codeRow->addWidget(code_);
    codeRow->addWidget(suffix);
    codeRow->addStretch(1);
    auto* pagingRow = new QHBoxLayout;
    pagingRow->addWidget(previous_);
    pagingRow->addWidget(next_);
    pagingRow->addStretch(1);

    auto* side = new QVBoxLayout;
    side->addWidget(heading);
    side->addWidget(caption_);
    side->addLayout(codeRow);
    side->addLayout(pagingRow);
    side->addWidget(clear_, 0, Qt::AlignLeft);
    side->addSpacing(12);
    side->addWidget(range);
    side->addWidget(most);
    side->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(grid, 0, Qt::AlignTop);
    layout->addSpacing(24);
    layout->addLayout(side);
    layout->addStretch(1);

    makeTabStop(dot(1, 0));
    nameForNumber();

    connect(code_, &QLineEdit::textChanged, this, &UdcEditor::changed);
    connect(previous_, &QPushButton::clicked, this, [this] { page(-1); });
    connect(next_, &QPushButton::clicked, this, [this] { page(+1); });
    connect(clear_, &QPushButton::clicked, this, &UdcEditor::clearGrid);
}

void UdcEditor::makeTabStop(QPushButton* target) {
    for (const auto& column : dots_) {
        for (QPushButton* button : column) {
            button->setFocusPolicy(button == target ? Qt::StrongFocus : Qt::ClickFocus);
        }
    }
}

void UdcEditor::nameForNumber() {
    const QString character = kUdcTitle + QStringLiteral(" %1").arg(number_);
    grid_->setAccessibleName(character + QStringLiteral(" dot grid"));
    code_->setAccessibleName(character + QStringLiteral(" code (Hex)"));
}

bool UdcEditor::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QPushButton*>(watched);
    if (button == nullptr || button->parentWidget() != grid_) {
        return QWidget::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusIn) {
        makeTabStop(button);
        return false;
    }
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const int pressed = static_cast<QKeyEvent*>(event)->key();
    const auto* step = std::find_if(std::begin(kArrowSteps), std::end(kArrowSteps),
                                    [pressed](const ArrowStep& s) { return s.key == pressed; });
    if (step == std::end(kArrowSteps)) {
        return false;
    }
    for (int column = 1; column <= device::kUdcColumns; ++column) {
        for (int row = 0; row < device::kUdcRows; ++row) {
            if (dot(column, row) == button) {
                // The edges hold: moving off the grid is what Tab is for.
                const int toColumn = std::clamp(column + step->dx, 1, device::kUdcColumns);
                const int toRow = std::clamp(row + step->dy, 0, device::kUdcRows - 1);
                QPushButton* target = dot(toColumn, toRow);
                makeTabStop(target);
                target->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    }
    return false;
}

QPushButton* UdcEditor::dot(int column, int row) const {
    return dots_.at(static_cast<std::size_t>(column - 1)).at(static_cast<std::size_t>(row));
}

bool UdcEditor::dotOn(int column, int row) const {
    return dot(column, row)->isChecked();
}

void UdcEditor::setDot(QPushButton* button, bool on) {
    button->setChecked(on);
}

void UdcEditor::returnToFirst() {
    number_ = 1;
    caption_->setText(kStartCaption);
    nameForNumber();
}

void UdcEditor::setDefaults() {
    returnToFirst();
    code_->clear();
    clearGrid();
}

void UdcEditor::clearGrid() {
    for (const auto& column : dots_) {
        for (QPushButton* button : column) {
            setDot(button, false);
        }
    }
}

void UdcEditor::redraw() {
    clearGrid();
    const int start = index();
    const std::uint8_t code = image_.at(start);
    code_->setText(code != 0 ? QString::fromStdString(hexNoPad(code)) : QString());
    for (int column = 1; column <= device::kUdcColumns; ++column) {
        const std::uint8_t bits = image_.at(start + column);
        for (int row = 0; row < device::kUdcRows; ++row) {
            if ((bits >> row) & 1) {
                setDot(dot(column, row), true);
            }
        }
    }
}

std::optional<std::uint8_t> UdcEditor::takeCode() {
    const ParsedCode parsed = parseCode(code_->text());
    if (!parsed.code) {
        dialogs_.message(parsed.refusal);
        code_->clear();
    }
    return parsed.code;
}

std::optional<UdcRecord> UdcEditor::draft() const {
    if (code_->text().isEmpty()) {
        return std::nullopt;
    }
    const auto code = parseCode(code_->text()).code;
    if (!code) {
        return std::nullopt;
    }
    return gridRecord(*code);
}

void UdcEditor::storeDraft() {
    if (const auto record = draft()) {
        store(record->front());
        emit changed();
    }
}

UdcRecord UdcEditor::gridRecord(std::uint8_t code) const {
    UdcRecord record{code};
    for (int column = 1; column <= device::kUdcColumns; ++column) {
        std::uint8_t bits = 0;
        for (int row = 0; row < device::kUdcRows; ++row) {
            if (dotOn(column, row)) {
                bits = static_cast<std::uint8_t>(bits | (1u << row));
            }
        }
        record[static_cast<std::size_t>(column)] = bits;
    }
    return record;
}

void UdcEditor::store(std::uint8_t code) {
    const UdcRecord record = gridRecord(code);
    const int start = index();
    for (std::size_t i = 0; i < record.size(); ++i) {
        image_.set(start + static_cast<int>(i), record[i]);
    }
}

void UdcEditor::page(int step) {
    const int target = number_ + step;
    if (target < 1 || target > device::kUdcCount) {
        return;
    }
    // An empty code box stores nothing: the drawing on the grid is dropped and the record keeps
    // what it had, its code byte included.
    if (!code_->text().isEmpty()) {
        const auto code = takeCode();
        if (!code) {
            return;
        }
        store(*code);
    }
    number_ = target;
    caption_->setText(kCaptionPrefix + QString::number(number_));
    nameForNumber();
    redraw();
    emit changed();
}

}  // namespace vfd::config
