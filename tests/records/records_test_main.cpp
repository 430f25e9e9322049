// SPDX-License-Identifier: GPL-3.0-or-later
// Qt loads its SQL drivers as plugins, which needs an application object.
#include <gtest/gtest.h>
#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
