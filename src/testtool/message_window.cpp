// SPDX-License-Identifier: GPL-3.0-or-later
#include "testtool/message_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/widgets.h"

namespace vfd::testtool {

namespace {

// The operator reads the message from a few steps away on the production line, so it is drawn
// as large as the window allows, up to this size.
constexpr qreal kLargestPointSize = 72;
constexpr qreal kSmallestPointSize = 10;
constexpr qreal kPointStep = 2;

// The window's stored size, 9615 x 7155 twips at 15 twips a pixel.
constexpr int kWidth = 641;
constexpr int kHeight = 477;

const QColor kRed(255, 0, 0);

void paintRed(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, kRed);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

// A screen reader treats the window as an alert, as it treats a message box: it reads the
// message at once rather than waiting for the operator to look for it.
QAccessibleInterface* alertFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(MessageWindow::staticMetaObject.className()) &&
        object->isWidgetType()) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    }
    return nullptr;
}

// The message as it reads aloud: its lines run on, a blank between them.
QString spoken(const QString& shown) {
    return shown.split(QLatin1Char('\n'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
}

}  // namespace

MessageWindow::MessageWindow(QWidget* parent)
    : QDialog(parent), announce_(&QAccessible::updateAccessibility) {
    static const bool alertRole = [] {
        QAccessible::installFactory(alertFactory);
        return true;
    }();
    (void)alertRole;
    setWindowTitle(QStringLiteral("Message"));
    setModal(false);
    paintRed(this);

    factoryLabel_ = new QLabel(this);
    factoryLabel_->setObjectName(QStringLiteral("Label1"));
    factoryLabel_->setAlignment(Qt::AlignCenter);
    factoryLabel_->setWordWrap(true);
    factoryLabel_->setTextFormat(Qt::PlainText);
    factoryLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    paintRed(factoryLabel_);
    factoryLabel_->installEventFilter(this);

    // Without a detail the label waits out of sight, so that a screen reader meets no empty text.
    detail_ = new QLabel(ui::parkingFor(this));
    detail_->setObjectName(QStringLiteral("Detail"));
    detail_->setAlignment(Qt::AlignCenter);
    detail_->setWordWrap(true);
    detail_->setTextFormat(Qt::PlainText);
    detail_->setContentsMargins(12, 0, 12, 4);
    paintRed(detail_);

    autoSearch_ = new QPushButton(QStringLiteral("OK"), this);
    autoSearch_->setObjectName(QStringLiteral("Command1"));
    autoSearch_->setAccessibleName(QStringLiteral("OK"));
    autoSearch_->setDefault(true);
    autoSearch_->setAutoDefault(true);
    autoSearch_->setMinimumSize(105, 41);

    // The wait value and the blank label say nothing to the operator: they are kept, by their
    // names, out of sight and out of what a screen reader reads.
    QWidget* parked = ui::parkingFor(this);
    acknowledgeState_ = new QLabel(QStringLiteral("0"), parked);
    acknowledgeState_->setObjectName(QStringLiteral("Label2"));
    paintRed(acknowledgeState_);

    label3_ = new QLabel(parked);
    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->setMinimumSize(73, 49);
    paintRed(label3_);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(autoSearch_);
    bottom->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout_ = layout;
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(factoryLabel_, 1);
    layout->addLayout(bottom);

    connect(autoSearch_, &QPushButton::clicked, this, &QDialog::accept);
    resize(kWidth, kHeight);
}

void MessageWindow::setMessage(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    factoryLabel_->setText(shown);
    factoryLabel_->setAccessibleName(spoken(shown));
    fitMessage();
}

QString MessageWindow::message() const {
    return factoryLabel_->text();
}

void MessageWindow::setDetail(const QString& text) {
    detail_->setText(text);
    detail_->setAccessibleName(text);
    if (text.isEmpty()) {
        layout_->removeWidget(detail_);
        detail_->setParent(ui::parkingFor(this));
    } else if (detail_->parentWidget() != this) {
        detail_->setParent(this);
        layout_->insertWidget(1, detail_);
        detail_->show();
        // Children are read in their order: the detail between the message and OK.
        autoSearch_->raise();
    }
    fitMessage();
}

QString MessageWindow::detail() const {
    return detail_->text();
}

int MessageWindow::waitValue() const {
    return acknowledgeState_->text().toInt();
}

void MessageWindow::setWaitValue(int value) {
    acknowledgeState_->setText(QString::number(value));
}

void MessageWindow::present() {
    show();
    raise();
    activateWindow();
    autoSearch_->setFocus();
    QAccessibleEvent alert(this, QAccessible::Alert);
    announce_(&alert);
}

void MessageWindow::setAnnouncer(std::function<void(QAccessibleEvent*)> announce) {
    announce_ = announce ? std::move(announce) : &QAccessible::updateAccessibility;
}

qreal MessageWindow::messagePointSize() const {
    return factoryLabel_->font().pointSizeF();
}

void MessageWindow::done(int result) {
    setWaitValue(0);
    QDialog::done(result);
    emit acknowledged();
}

bool MessageWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == factoryLabel_ && event->type() == QEvent::Resize) {
        fitMessage();
    }
    return QDialog::eventFilter(watched, event);
}

void MessageWindow::fitMessage() {
    const QRect room = factoryLabel_->contentsRect();
    if (room.isEmpty()) {
        return;
    }
    QFont font = factoryLabel_->font();
    const QString text = factoryLabel_->text();
    qreal size = kLargestPointSize;
    for (; size > kSmallestPointSize; size -= kPointStep) {
        font.setPointSizeF(size);
        const QRect needed =
            QFontMetrics(font).boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, text);
        if (needed.width() <= room.width() && needed.height() <= room.height()) {
            break;
        }
    }
    font.setPointSizeF(std::max(size, kSmallestPointSize));
    factoryLabel_->setFont(font);
}

}  // namespace vfd::testtool
