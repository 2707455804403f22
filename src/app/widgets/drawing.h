#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

class QPainter;

namespace tallyscan {

// Draws `bitmap` at (x, y) in its own (logical) size, leaving every target pixel under a pixel of
// the colour `transparent` (0xRRGGBB) unchanged. A negative colour stands for the colour of the
// bitmap's top-left pixel. A null bitmap leaves the area untouched.
void DrawTransparentBitmap(QPainter& painter, const QImage& bitmap, int x, int y,
                           long long transparent);

// The background of every page: a horizontal gradient from RGB(224,224,224) at the leading
// edge to RGB(180,195,218), filling `rect`.
void PaintPageBand(QPainter& painter, const QRect& rect, Qt::LayoutDirection direction);

// The band of the main window beside its buttons: 158 wide along the leading edge, a vertical
// gradient from RGB(65,123,174) to RGB(180,195,218).
inline constexpr int kMainBandWidth = 158;
void PaintMainBand(QPainter& painter, const QRect& client, Qt::LayoutDirection direction);

}  // namespace tallyscan
