#pragma once

// The one grid of the program: a table over a model in virtual mode. The grid holds no
// texts: its owner keeps the rows (or computes them), tells the grid how many there are and
// answers for the text of a field of a row. Columns come from a browser's field list (field
// numbers of its catalogue) or from a fixed set of "width,caption" texts, and an empty last
// column takes the remaining width. Field 1 is the image column: its text is an index into
// the "LvImg" strip. Cell markers are drawn (heading bold, credit red, debit in its own
// colour) and never shown as characters.

#include <functional>
#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <QTableView>

#include "engine/browse/grid.h"

namespace tallyscan {

// Where a grid's cell texts come from. Rows are 0-based, fields 1-based; the text may carry
// cell markers. Called while painting, so it must answer without side effects.
class GridRowSource {
 public:
  virtual ~GridRowSource() = default;
  virtual std::string CellText(int row, int field) const = 0;
};

// Rows kept by the owner as TAB-separated texts: field n of a row is its n-th part. The
// vector is read, never changed; it must outlive the source and hold at least as many rows
// as the grid is told.
class TabRowSource final : public GridRowSource {
 public:
  explicit TabRowSource(const std::vector<std::string>& rows) : rows_(rows) {}
  std::string CellText(int row, int field) const override;

 private:
  const std::vector<std::string>& rows_;
};

struct GridColumn {
  int width = 0;
  int field = 0;  // catalogue field shown in the column
  QString caption;
};

// Columns from a field list, captions from the catalogue.
std::vector<GridColumn> ColumnsFromFieldList(const std::vector<FieldListEntry>& list,
                                             const FieldCatalogue& catalogue);
// Columns from "width,caption" texts ("30,#", "200,פרטים" ...): column n shows field n + 1.
std::vector<GridColumn> FixedColumns(const QStringList& columns);

// The colours of marked cells: credit amounts and error values red; debit amounts dark green.
inline const QColor kCreditColour = QColor(Qt::red);
inline const QColor kDebitColour = QColor(0, 110, 0);

// An amount's minus sign and its digits kept together left to right inside right-to-left
// text, so that "-1,234.50" reads as written wherever it stands in a cell.
QString KeepFiguresLeftToRight(const QString& text);

class GridModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit GridModel(QObject* parent = nullptr);

  // The columns shown, followed by the empty last column.
  void SetColumns(std::vector<GridColumn> columns);
  const std::vector<GridColumn>& Columns() const { return columns_; }
  // The field of a column; 0 for the empty last column or one beyond.
  int FieldOf(int column) const;

  void SetSource(const GridRowSource* source);
  // Virtual mode: the owner says how many rows there are. A grown count adds rows after
  // those shown; anything else starts the list afresh.
  void SetRowCount(int count);
  // The texts of the rows shown have changed (a sort, an edit).
  void RowsChanged();
  void SetTextColour(const QColor& colour) { text_colour_ = colour; }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<GridColumn> columns_;
  const GridRowSource* source_ = nullptr;
  int row_count_ = 0;
  QColor text_colour_;
};

class Grid : public QTableView {
  Q_OBJECT
 public:
  explicit Grid(QWidget* parent = nullptr);

  GridModel& Model() { return model_; }
  // Sets the columns and their widths; the last, empty column stretches.
  void SetColumns(std::vector<GridColumn> columns);
  void SetSource(const GridRowSource* source) { model_.SetSource(source); }
  void SetRowCount(int count) { model_.SetRowCount(count); }
  void SetTextColour(const QColor& colour);

  // The owner's sort routine, called with the field of a clicked column header. Without
  // one, header clicks do nothing.
  void SetSortRoutine(std::function<void(int field)> sort) { sort_ = std::move(sort); }
  // The field the rows are sorted by, kept as the "SortIndex" property of the grid.
  int SortIndex() const;
  void SetSortIndex(int field);

 private:
  void HeaderClicked(int column);

  GridModel model_;
  std::function<void(int)> sort_;
};

}  // namespace tallyscan
