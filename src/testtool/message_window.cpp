#include "testtool/message_window.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

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

}  // namespace

MessageWindow::MessageWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Message"));
    setModal(false);
    paintRed(this);

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setAccessibleName(QStringLiteral("Message"));
    label1_->setAlignment(Qt::AlignCenter);
    label1_->setWordWrap(true);
    label1_->setTextFormat(Qt::PlainText);
    label1_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    paintRed(label1_);
    label1_->installEventFilter(this);

    command1_ = new QPushButton(QStringLiteral("OK"), this);
    command1_->setObjectName(QStringLiteral("Command1"));
    command1_->setAccessibleName(QStringLiteral("OK"));
    command1_->setDefault(true);
    command1_->setAutoDefault(true);
    command1_->setMinimumSize(105, 41);

    label2_ = new QLabel(QStringLiteral("0"), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->setAccessibleName(QStringLiteral("Wait value"));
    paintRed(label2_);

    label3_ = new QLabel(this);
    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->setAccessibleName(QStringLiteral("Blank"));
    label3_->setMinimumSize(73, 49);
    paintRed(label3_);

    auto* bottom = new QHBoxLayout;
    bottom->addSpacing(130);
    bottom->addWidget(label2_);
    bottom->addStretch(1);
    bottom->addWidget(command1_);
    bottom->addStretch(1);
    bottom->addWidget(label3_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(label1_, 1);
    layout->addLayout(bottom);

    connect(command1_, &QPushButton::clicked, this, &QDialog::accept);
    resize(kWidth, kHeight);
}

void MessageWindow::setMessage(const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    label1_->setText(shown);
    fitMessage();
}

QString MessageWindow::message() const {
    return label1_->text();
}

int MessageWindow::waitValue() const {
    return label2_->text().toInt();
}

void MessageWindow::setWaitValue(int value) {
    label2_->setText(QString::number(value));
}

void MessageWindow::present() {
    show();
    raise();
    activateWindow();
    command1_->setFocus();
}

qreal MessageWindow::messagePointSize() const {
    return label1_->font().pointSizeF();
}

void MessageWindow::done(int result) {
    setWaitValue(0);
    QDialog::done(result);
    emit acknowledged();
}

bool MessageWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == label1_ && event->type() == QEvent::Resize) {
        fitMessage();
    }
    return QDialog::eventFilter(watched, event);
}

void MessageWindow::fitMessage() {
    const QRect room = label1_->contentsRect();
    if (room.isEmpty()) {
        return;
    }
    QFont font = label1_->font();
    const QString text = label1_->text();
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
    label1_->setFont(font);
}

}  // namespace vfd::testtool
