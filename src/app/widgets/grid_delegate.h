#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;
class QRect;

namespace tallyscan {

// Draws the cells of a grid. A figure (kFigureRole) stands whole against the right edge, or,
// when the column is too narrow for it or the viewport's edge cuts the cell, as "###" across
// what shows of the cell, as a spreadsheet does: a figure is never cut, so a cut one can never
// be misread. Other cells are drawn as the style draws them, their texts elided.
class GridDelegate final : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // What a figure cell draws in a cell `width` wide: the figure, or "###" when it does not fit.
  static QString FigureShown(const QFontMetrics& metrics, const QString& figure, int width);
  // What a figure cell at `cell` draws in a viewport that shows `visible`: as above when the
  // cell shows whole, else "###" across the part that shows.
  static QString FigureShown(const QFontMetrics& metrics, const QString& figure, const QRect& cell,
                             const QRect& visible);
};

// The space kept on either side of a figure.
inline constexpr int kFigureMargin = 4;

// The width a cell needs to show `figure` whole in `metrics`' font.
int FigureWidth(const QFontMetrics& metrics, const QString& figure);

}  // namespace tallyscan
