#pragma once

// The filter box of a browser's grid: the rows whose visible text contains the typed text are
// shown, with the count "N מתוך M" beside the box, matched as TextMatch matches ("1,234.50" is
// found by "1234.50" and by "123450"). Rows the page keeps at the end (the totals row) always stay,
// their caption saying that they cover every row.
//
// The box stands between the page's own row source and its grid: the grid reads through it,
// and the page maps the grid's rows back to its own with SourceRow.

#include <string>
#include <vector>

#include <QWidget>

#include "app/widgets/grid.h"

class QLabel;
class QLineEdit;

namespace tallyscan {

class TextMatch;

class FilterBox final : public QWidget, public GridRowSource {
  Q_OBJECT
 public:
  // Filters `grid`, whose rows come from `rows`; the field `caption_field` of a kept row
  // carries the note that it covers every row. Sets itself as the grid's source.
  FilterBox(Grid& grid, const GridRowSource& rows, int caption_field, QWidget* parent);
  ~FilterBox() override;

  // The page's rows are new (a new card, an import; `measure`) or the same in another order
  // (a sort): `data_rows` rows to filter and `kept_rows` after them that always stay. The typed
  // text is applied again. Only new rows are measured for the column widths: the grid reads
  // every row for that, and the rows of a sort or a filter are those measured already.
  void SetRows(int data_rows, int kept_rows, bool measure = true);
  // Applies `text` as if typed.
  void SetText(const QString& text);
  QString Text() const;
  bool Active() const { return !needle_.isEmpty(); }

  // The page's row of grid row `row`; -1 outside the rows shown.
  int SourceRow(int row) const;
  int ShownRows() const { return static_cast<int>(shown_.size()); }
  QLabel* CountLabel() const { return count_; }
  QLineEdit* Field() const { return field_; }

  // GridRowSource
  std::string CellText(int row, int field) const override;

 signals:
  // The rows shown changed.
  void Filtered();

 private:
  void Apply(bool measure = false);
  bool Matches(const TextMatch& match, int row) const;

  Grid& grid_;
  const GridRowSource& rows_;
  int caption_field_;
  int data_rows_ = 0;
  int kept_rows_ = 0;
  QString needle_;
  std::vector<int> shown_;  // the page's rows shown, in order
  QLineEdit* field_ = nullptr;
  QLabel* count_ = nullptr;
};

}  // namespace tallyscan
