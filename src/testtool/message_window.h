// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

class QAccessibleEvent;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace vfd::testtool {

// The red window through which the screen test speaks to the operator on the line: one big
// message and an OK button. It does not block; the caller keeps waiting while its wait value
// reads 1, and the operator's OK sets it to 0.
class MessageWindow : public QDialog {
    Q_OBJECT
public:
    explicit MessageWindow(QWidget* parent = nullptr);

    // The message as the display tools write it: a carriage return (with or without a line feed)
    // starts a new line, as in "S/N:" CR and the serial number.
    void setMessage(const QString& text);
    QString message() const;
    // The tool's own explanation beneath the message, in small print; empty hides it.
    void setDetail(const QString& text);
    QString detail() const;

    // 1 while a caller waits for OK, 0 otherwise.
    int waitValue() const;
    void setWaitValue(int value);

    // Shows the window in front without taking it modal, with OK ready for Enter or Space, and
    // announces it to a screen reader as an alert. The message label's accessible name is the
    // message, its lines joined by blanks.
    void present();
    // Where the alert goes: QAccessible::updateAccessibility unless a test listens instead (a
    // platform without accessibility, such as the offscreen one, drops every event).
    void setAnnouncer(std::function<void(QAccessibleEvent*)> announce);

    // The point size the message is drawn in, for the current text and window size.
    qreal messagePointSize() const;

    // Every way of closing the window (OK, Enter, Escape, the title bar) ends the caller's wait:
    // a window that is gone cannot be acknowledged any more.
    void done(int result) override;

signals:
    void acknowledged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fitMessage();

    QLabel* factoryLabel_ = nullptr;
    QLabel* detail_ = nullptr;
    QVBoxLayout* layout_ = nullptr;
    QPushButton* autoSearch_ = nullptr;
    QLabel* acknowledgeState_ = nullptr;
    QLabel* label3_ = nullptr;
    std::function<void(QAccessibleEvent*)> announce_;
};

}  // namespace vfd::testtool
