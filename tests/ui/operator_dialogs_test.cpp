// SPDX-License-Identifier: GPL-3.0-or-later
// The real file choosers, driven as an operator would: a name typed into the dialog.
#include "ui/operator_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace vfd::ui {
namespace {

const QString kSaveFilter = QStringLiteral("VFD Files(*.bin) | *.vfd");

template <typename T>
T* shown() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* t = qobject_cast<T*>(w); t != nullptr && t->isVisible()) {
            return t;
        }
    }
    return nullptr;
}

// Runs `act` on the file dialog once it is open.
void whenTheChooserIsOpen(std::function<void(QFileDialog&)> act) {
    QTimer::singleShot(0, [act = std::move(act)] {
        QFileDialog* dialog = shown<QFileDialog>();
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

void type(QFileDialog& dialog, const QString& name) {
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

TEST(FileChooser, ANameWithoutExtensionGetsTheFiltersAndTheFolderIsRemembered) {
    QTemporaryDir dir;
    QtOperatorDialogs dialogs(nullptr, QStringLiteral("Zoravel"));
    whenTheChooserIsOpen([&](QFileDialog& d) {
        type(d, dir.filePath(QStringLiteral("mine")));
        QMetaObject::invokeMethod(&d, "accept", Qt::DirectConnection);
    });
    EXPECT_EQ(dialogs.chooseSaveFile(kSaveFilter), dir.filePath(QStringLiteral("mine.vfd")));
    EXPECT_EQ(dialogs.lastFolder(), dir.path());

    // The next chooser, Save or Load, opens there.
    QString openedIn;
    whenTheChooserIsOpen([&](QFileDialog& d) {
        openedIn = d.directory().absolutePath();
        d.reject();
    });
    EXPECT_TRUE(dialogs.chooseOpenFile(QStringLiteral("VFD Files(*.vfd) | *.vfd")).isEmpty());
    EXPECT_EQ(openedIn, dir.path());
}

TEST(FileChooser, OverwritingAsksFirst) {
    QTemporaryDir dir;
    QFile existing(dir.filePath(QStringLiteral("shop.vfd")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    QtOperatorDialogs dialogs(nullptr, QStringLiteral("Zoravel"));
    bool asked = false;
    for (const bool replace : {false, true}) {
        whenTheChooserIsOpen([&, replace](QFileDialog& d) {
            type(d, dir.filePath(QStringLiteral("shop")));
            QTimer::singleShot(0, [&, replace] {
                auto* question = shown<QMessageBox>();
                ASSERT_NE(question, nullptr);
                asked = true;
                question->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
            });
            QMetaObject::invokeMethod(&d, "accept", Qt::DirectConnection);
            if (d.isVisible()) {
                d.reject();  // the operator gave up after answering No
            }
        });
        const QString chosen = dialogs.chooseSaveFile(kSaveFilter);
        EXPECT_TRUE(asked);
        EXPECT_EQ(chosen, replace ? dir.filePath(QStringLiteral("shop.vfd")) : QString());
        asked = false;
    }
}

TEST(FileChooser, TheSuffixComesFromTheFilterPattern) {
    EXPECT_EQ(QtOperatorDialogs::defaultSuffix(kSaveFilter), QStringLiteral("vfd"));
    EXPECT_EQ(QtOperatorDialogs::defaultSuffix(QStringLiteral("All | *")), QString());
    EXPECT_EQ(QtOperatorDialogs::toDialogFilter(kSaveFilter),
              QStringLiteral("VFD Files(*.bin) (*.vfd)"));
}

}  // namespace
}  // namespace vfd::ui
