// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <string_view>

// Small pieces both tool windows build their controls with.
namespace vfd::ui {

// The tools' own texts, device paths and the system's reasons are UTF-8; bytes that came from a
// display are not, and go through the code page instead.
inline QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A control keeps its window name as its object name; a screen reader hears `spoken`.
inline QPushButton* makeButton(const char* name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    return button;
}

enum class Typing { ListOnly, Typed };

inline QComboBox* makeList(const char* name, const QString& spoken, Typing typing,
                           QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(spoken);
    if (typing == Typing::Typed) {
        box->setEditable(true);
        // A typed text is used as it stands (or, for the stand-by list, turned into an entry);
        // it never becomes a new entry, so positions keep their meaning.
        box->setInsertPolicy(QComboBox::NoInsert);
        // The text field is a child of its own in the accessibility tree: a screen reader that
        // lands in it hears which list it types into.
        box->lineEdit()->setAccessibleName(spoken);
    }
    return box;
}

inline QLabel* makeLabel(const char* name, const QString& caption, const QString& spoken,
                         QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QLatin1String(name));
    label->setAccessibleName(spoken);
    return label;
}

// Where a window keeps the controls it carries only by name (for its stored layout, or to hold a
// value) and that say nothing to the operator: a window of its own that is never shown. Its
// controls are found by their object names like any other, but they are never drawn, the tab
// key never reaches them, and a screen reader never meets them: Qt's accessibility tree leaves
// out child windows, whereas a merely hidden control stays in it.
inline QWidget* parkingFor(QWidget* owner) {
    const QString name = QStringLiteral("parked");
    auto* parked = owner->findChild<QWidget*>(name, Qt::FindDirectChildrenOnly);
    if (parked == nullptr) {
        parked = new QWidget(owner, Qt::Window);
        parked->setObjectName(name);
    }
    return parked;
}

}  // namespace vfd::ui
