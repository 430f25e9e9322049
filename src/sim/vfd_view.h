// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPixmap>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "sim/screen.h"

namespace vfd::sim {

// The glass of the display: dark, with every dot of the 5 by 7 cells shown faintly and the lit
// ones glowing cyan-green as on a vacuum fluorescent tube. Its accessible description is the text
// the display shows, one line per display line.
class VfdView : public QWidget {
    Q_OBJECT

public:
    explicit VfdView(QWidget* parent = nullptr);

    // The screen to draw; not owned, and it must outlive the view or be unset. Null shows dark
    // glass.
    void setScreen(const Screen* screen);

    // The glass with the dots this many pixels apart.
    static QSize sizeAtPitch(int pitch);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The centre of dot (dotColumn, dotRow) of the cell at (row, column), in widget pixels.
    QPointF dotCentre(int row, int column, int dotColumn, int dotRow) const;

    // Cells that show this code glow amber instead of blue-green: the configuration tool marks a
    // character that is drawn but not yet stored this way. Nothing marks no cell.
    void setMarkedCode(std::optional<std::uint8_t> code);
    std::optional<std::uint8_t> markedCode() const { return marked_; }

    // The two lines as text, trailing blanks dropped, and the look note of the text renderings
    // (brightness, blinking, the cursor) on a third line when there is one.
    static QString describe(const Screen& screen);

public slots:
    // Redraws after the screen has changed.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Geometry {
        double pitch = 0;  // distance between neighbouring dots
        QPointF origin;    // centre of the top left dot of the top left cell
    };
    Geometry geometry() const;
    void makeDotImages(double pitch);

    const Screen* screen_ = nullptr;
    std::optional<std::uint8_t> marked_;
    QPixmap litDot_;
    QPixmap markedDot_;
    QPixmap darkDot_;
    double dotImagePitch_ = 0;
};

}  // namespace vfd::sim
