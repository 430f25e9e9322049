// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/vfd_view.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

namespace vfd::sim {

namespace {

// Dot pitches: one blank dot column between cells, two blank dot rows between the lines, and a
// border of glass around them.
constexpr int kCellGap = 1;
constexpr int kLineGap = 2;
constexpr int kBorder = 3;
constexpr int kDotsAcross =
    Screen::kColumns * kGlyphColumns + (Screen::kColumns - 1) * kCellGap + 2 * kBorder;
constexpr int kDotsDown = Screen::kRows * kGlyphRows + (Screen::kRows - 1) * kLineGap + 2 * kBorder;
constexpr int kPreferredPitch = 6;
constexpr int kSmallestPitch = 3;

// The phosphor of these tubes: blue-green, with a halo that spreads into the dark glass.
const QColor kGlowCore(190, 255, 240);
const QColor kGlow(60, 245, 205);
const QColor kMarkedCore(255, 236, 190);
const QColor kMarked(255, 170, 40);
const QColor kUnlit(22, 50, 46);
const QColor kGlassTop(10, 24, 23);
const QColor kGlassBottom(3, 9, 9);

// A lit dot: a bright core in a halo that reaches past the dot's own square, so that lit
// neighbours run together.
QPixmap litDotImage(int side, double scale, const QColor& core, const QColor& glow) {
    const QPointF centre(side / 2.0, side / 2.0);
    QPixmap lit(side, side);
    lit.fill(Qt::transparent);
    QPainter p(&lit);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient halo(centre, scale * 1.4);
    QColor inner = glow;
    inner.setAlpha(120);
    QColor outer = glow;
    outer.setAlpha(0);
    halo.setColorAt(0, inner);
    halo.setColorAt(1, outer);
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(centre, scale * 1.4, scale * 1.4);
    QRadialGradient body(centre, scale * 0.42);
    body.setColorAt(0, core);
    body.setColorAt(0.7, glow);
    body.setColorAt(1, glow.darker(130));
    p.setBrush(body);
    p.drawEllipse(centre, scale * 0.38, scale * 0.38);
    return lit;
}

}  // namespace

VfdView::VfdView(QWidget* parent) : QWidget(parent) {
    setAccessibleName(tr("Virtual display"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void VfdView::setScreen(const Screen* screen) {
    screen_ = screen;
    refresh();
}

QSize VfdView::sizeAtPitch(int pitch) {
    return {kDotsAcross * pitch, kDotsDown * pitch};
}

QSize VfdView::sizeHint() const {
    return {kDotsAcross * kPreferredPitch, kDotsDown * kPreferredPitch};
}

QSize VfdView::minimumSizeHint() const {
    return {kDotsAcross * kSmallestPitch, kDotsDown * kSmallestPitch};
}

QString VfdView::describe(const Screen& screen) {
    QStringList lines;
    for (int row = 0; row < Screen::kRows; ++row) {
        QString text = QString::fromStdString(screen.text(row));
        while (text.endsWith(QLatin1Char(' ')) || text.endsWith(QChar(0xA0))) {
            text.chop(1);
        }
        lines << text;
    }
    if (const std::string note = lookNote(screen); !note.empty()) {
        lines << QString::fromStdString(note).trimmed();
    }
    return lines.join(QLatin1Char('\n'));
}

void VfdView::setMarkedCode(std::optional<std::uint8_t> code) {
    if (marked_ != code) {
        marked_ = code;
        update();
    }
}

void VfdView::refresh() {
    setAccessibleDescription(screen_ != nullptr ? describe(*screen_) : QString());
    update();
}

VfdView::Geometry VfdView::geometry() const {
    Geometry g;
    g.pitch = std::min(static_cast<double>(width()) / kDotsAcross,
                       static_cast<double>(height()) / kDotsDown);
    const QPointF used(g.pitch * kDotsAcross, g.pitch * kDotsDown);
    const QPointF corner((width() - used.x()) / 2, (height() - used.y()) / 2);
    g.origin = corner + QPointF((kBorder + 0.5) * g.pitch, (kBorder + 0.5) * g.pitch);
    return g;
}

QPointF VfdView::dotCentre(int row, int column, int dotColumn, int dotRow) const {
    const Geometry g = geometry();
    const double x = column * (kGlyphColumns + kCellGap) + dotColumn;
    const double y = row * (kGlyphRows + kLineGap) + dotRow;
    return g.origin + QPointF(x * g.pitch, y * g.pitch);
}

void VfdView::makeDotImages(double pitch) {
    const qreal ratio = devicePixelRatioF();
    const int side = static_cast<int>(std::ceil(pitch * 3 * ratio));
    const QPointF centre(side / 2.0, side / 2.0);
    const double scale = pitch * ratio;
    QPixmap lit = litDotImage(side, scale, kGlowCore, kGlow);
    QPixmap marked = litDotImage(side, scale, kMarkedCore, kMarked);
    QPixmap dark(side, side);
    dark.fill(Qt::transparent);
    {
        QPainter p(&dark);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kUnlit);
        p.drawEllipse(centre, scale * 0.34, scale * 0.34);
    }
    lit.setDevicePixelRatio(ratio);
    marked.setDevicePixelRatio(ratio);
    dark.setDevicePixelRatio(ratio);
    litDot_ = lit;
    markedDot_ = marked;
    darkDot_ = dark;
    dotImagePitch_ = pitch;
}

void VfdView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    dotImagePitch_ = 0;
}

void VfdView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient glass(0, 0, 0, height());
    glass.setColorAt(0, kGlassTop);
    glass.setColorAt(1, kGlassBottom);
    p.fillRect(rect(), glass);

    const Geometry g = geometry();
    if (g.pitch <= 0) {
        return;
    }
    if (dotImagePitch_ != g.pitch) {
        makeDotImages(g.pitch);
    }
    const QPointF half(litDot_.width() / litDot_.devicePixelRatio() / 2,
                       litDot_.height() / litDot_.devicePixelRatio() / 2);

    // The dark dots first, then the lit ones, so no dark dot covers a neighbour's halo. A dimmed
    // tube glows less, which the lit dots show as less opaque over the glass.
    for (const bool lit : {false, true}) {
        if (lit && screen_ != nullptr) {
            p.setOpacity(screen_->brightnessPercent() / 100.0);
        }
        for (int row = 0; row < Screen::kRows; ++row) {
            for (int column = 0; column < Screen::kColumns; ++column) {
                const Glyph glyph = screen_ != nullptr ? screen_->glyph(row, column) : Glyph{};
                const bool marked = lit && marked_ && screen_ != nullptr && screen_->isLit() &&
                                    screen_->code(row, column) == *marked_;
                const QPixmap& image = !lit ? darkDot_ : marked ? markedDot_ : litDot_;
                for (int dx = 0; dx < kGlyphColumns; ++dx) {
                    for (int dy = 0; dy < kGlyphRows; ++dy) {
                        if (glyphDot(glyph, dx, dy) == lit) {
                            p.drawPixmap(dotCentre(row, column, dx, dy) - half, image);
                        }
                    }
                }
            }
        }
    }

    // The cursor: a row of dots in the gap under its cell, where the tube has no character dots.
    if (screen_ != nullptr && screen_->isLit() && screen_->isCursorShown()) {
        const Screen::Cursor at = screen_->cursor();
        for (int dx = 0; dx < kGlyphColumns; ++dx) {
            p.drawPixmap(dotCentre(at.row, at.column, dx, kGlyphRows) - half, litDot_);
        }
    }
    p.setOpacity(1);

    // A faint reflection across the upper half of the glass.
    QLinearGradient sheen(0, 0, 0, height() / 2.0);
    sheen.setColorAt(0, QColor(255, 255, 255, 14));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, width(), height() / 2.0), sheen);
}

}  // namespace vfd::sim
