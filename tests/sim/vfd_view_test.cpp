// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/vfd_view.h"

#include <gtest/gtest.h>
#include <QImage>

#include "sim/firmware.h"

namespace vfd::sim {
namespace {

TEST(VfdView, LightsTheDotsOfEachCellAndDescribesTheText) {
    Firmware firmware({});
    firmware.feed(std::vector<std::uint8_t>{0x1B, 0x40, kAllDotsCode, ' ', 'H', 'i', 0x1F, 0x24, 1,
                                            2, 'O', 'K'},
                  0);
    VfdView view;
    view.resize(view.sizeHint());
    view.setScreen(&firmware.screen());
    EXPECT_EQ(view.accessibleName(), "Virtual display");
    EXPECT_EQ(view.accessibleDescription(), QString::fromUtf8("\u2588 Hi\nOK"));

    const QImage image = view.grab().toImage();
    auto green = [&](int row, int column, int dotColumn, int dotRow) {
        return QColor(image.pixel(view.dotCentre(row, column, dotColumn, dotRow).toPoint()))
            .green();
    };
    constexpr int kLit = 200;
    constexpr int kDark = 110;
    for (int dx = 0; dx < kGlyphColumns; ++dx) {
        for (int dy = 0; dy < kGlyphRows; ++dy) {
            EXPECT_GT(green(0, 0, dx, dy), kLit) << dx << "," << dy;
            EXPECT_LT(green(0, 1, dx, dy), kDark) << dx << "," << dy;
        }
    }
    // 'H' has its left column lit and its middle column dark apart from the bar on row 3.
    EXPECT_GT(green(0, 2, 0, 0), kLit);
    EXPECT_LT(green(0, 2, 2, 0), kDark);
    EXPECT_GT(green(0, 2, 2, 3), kLit);
}

TEST(VfdView, DimsTheLitDotsDrawsTheCursorAndSaysSo) {
    Firmware firmware({});
    // Full brightness first, then the dimmest step with the cursor under the third cell.
    firmware.feed(std::vector<std::uint8_t>{0x1B, 0x40, kAllDotsCode, kAllDotsCode}, 0);
    VfdView view;
    view.resize(view.sizeHint());
    view.setScreen(&firmware.screen());
    auto green = [&](const QImage& image, QPointF at) {
        return QColor(image.pixel(at.toPoint())).green();
    };
    const QPointF dot = view.dotCentre(0, 0, 2, 3);
    const QPointF underCursor = view.dotCentre(0, 2, 2, kGlyphRows);
    const QImage full = view.grab().toImage();
    const int dark = green(full, underCursor);

    firmware.feed(std::vector<std::uint8_t>{0x1F, 0x58, 1, 0x1F, 0x43, 1}, 0);
    view.refresh();
    const QImage dim = view.grab().toImage();
    EXPECT_LT(green(dim, dot), green(full, dot) - 60);
    EXPECT_GT(green(dim, dot), dark);
    EXPECT_GT(green(dim, underCursor), dark);
    EXPECT_EQ(view.accessibleDescription(),
              QString::fromUtf8("\u2588\u2588\n\n[brightness 1/4] [cursor line 1 column 3]"));
}

}  // namespace
}  // namespace vfd::sim
