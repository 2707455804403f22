#pragma once

// The one grid of the program: a table over a model in virtual mode. The grid holds no
// texts: its owner keeps the rows (or computes them), tells the grid how many there are and
// answers for the text of a field of a row. Columns come from a browser's field list (field
// numbers of its catalogue) or from a fixed set of "width,caption" texts; one text column
// takes the width the others leave. Field 1 is the image column: its text is an index into
// the "LvImg" strip. Cell markers are drawn (heading bold, credit red, debit in its own
// colour) and never shown as characters.
//
// Figures are never cut: a column is widened to its widest figure as rows arrive, a figure
// that still does not fit (the user made the column narrower) shows "###", and texts are
// elided, the whole cell in its tooltip. Text columns beside the stretch column widen to
// their texts too, up to a limit, so that a text quoting a figure is seldom cut. When the
// columns are wider than the viewport, text columns give way first, to no less than their
// heading (and their widest figure, date or code, where they hold some), then figure columns
// give up their
// spare room; what still does not fit scrolls, and a figure cell cut by the viewport's edge
// shows "#" across its visible part, never the end of a figure. Widths the user drags are
// handed to the owner to keep (SetWidthKeeper) and are not given away.
//
// Measuring reads every row's texts. The first kMeasuredAtOnce rows of a list and its last
// kMeasuredLast are measured when it is told of them; the rest in slices between the window's
// events, so that a list of a hundred thousand rows does not hold the window: its columns widen as
// the slices come.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QAbstractTableModel>
#include <QColor>
#include <QIODevice>
#include <QStringList>
#include <QTableView>
#include <QTimer>

#include "engine/browse/browse.h"

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
  int width = 0;  // the width kept for the column: the stored one, or the one the user dragged
  int field = 0;  // catalogue field shown in the column
  QString caption;
  // The widest figure the field can hold, for grids with too many rows to measure: the
  // column is made wide enough for it from the start. Empty: measured on the rows.
  QString widest_figure;
};

// Columns from a field list, captions from the catalogue.
std::vector<GridColumn> ColumnsFromFieldList(const std::vector<FieldListEntry>& list,
                                             const FieldCatalogue& catalogue);
// Columns from "width,caption" texts ("30,#", "200,פרטים" ...): column n shows field n + 1.
// `stored` is the set's kept widths in the form of a field list ("30,1;250,2;..."); entries
// for fields of the set replace their default width.
std::vector<GridColumn> FixedColumns(const QStringList& columns, std::string_view stored = {});
// The columns' kept widths in the form of a field list, as the settings keep them.
std::string ColumnWidthsText(const std::vector<GridColumn>& columns);

// The colours of marked cells: credit amounts and error values red; debit amounts dark green.
inline const QColor kCreditColour = QColor(Qt::red);
inline const QColor kDebitColour = QColor(0, 110, 0);

// An amount's sign and its digits kept together left to right inside right-to-left text, so
// that "-1,234.50" (or a field as stored, "+00000000015780") reads as written wherever it
// stands in a cell.
QString KeepFiguresLeftToRight(const QString& text);

// Whether a cell shows a figure: a number as the masks write it ("#,.00", "#,.0000", "#," or
// plain digits, a minus before it, " ח" or " ז" after a balance). A value marked in the credit
// sense without decimals is an error value quoted from the data (an account key, a dealer
// number), not an amount: it is text.
bool IsFigure(std::string_view shown, bool credit_marked);

// Roles of the grid's model beyond Qt's own.
inline constexpr int kFigureRole = Qt::UserRole + 1;  // bool: the cell shows a figure
inline constexpr int kShownRole = Qt::UserRole + 2;   // the cell's text as shown, plain

class GridModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit GridModel(QObject* parent = nullptr);

  void SetColumns(std::vector<GridColumn> columns);
  const std::vector<GridColumn>& Columns() const { return columns_; }
  void SetKeptWidth(int column, int width);
  // The field of a column; 0 beyond the last column.
  int FieldOf(int column) const;

  void SetSource(const GridRowSource* source);
  // Null until a source is set.
  const GridRowSource* Source() const { return source_; }
  // Virtual mode: the owner says how many rows there are. A grown count adds rows after
  // those shown; anything else starts the list afresh.
  void SetRowCount(int count);
  // The rows are others now (a filter changed): the list starts afresh with `count`.
  void ResetRows(int count);
  // The texts of the rows shown have changed (a sort, an edit).
  void RowsChanged();
  void SetTextColour(const QColor& colour) { text_colour_ = colour; }
  // The colour of the unmarked cells of error rows (status "1" in field 1); none by default.
  void SetErrorRowColour(const QColor& colour) { error_row_colour_ = colour; }
  // The background of row `row` (as the grid counts), an invalid colour for the usual one:
  // a row that stands apart from the rest (the account a year's result is carried to).
  using RowBackground = std::function<QColor(int row)>;
  void SetRowBackground(RowBackground background) { row_background_ = std::move(background); }

  // A cell's text as shown, without markers or layout marks: what is copied and exported.
  QString ShownText(int row, int column) const;
  // What sizing a column needs of a cell, read once: its text as drawn, whether it is a
  // figure, whether it is bold.
  struct CellSize {
    QString text;
    bool figure = false;
    bool bold = false;
  };
  CellSize SizeOfCell(int row, int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  std::vector<GridColumn> columns_;
  const GridRowSource* source_ = nullptr;
  int row_count_ = 0;
  QColor text_colour_;
  QColor error_row_colour_;
  RowBackground row_background_;
};

class Grid : public QTableView {
  Q_OBJECT
 public:
  explicit Grid(QWidget* parent = nullptr);

  GridModel& Model() { return model_; }
  const GridModel& Model() const { return model_; }
  // Sets the columns and their widths.
  void SetColumns(std::vector<GridColumn> columns);
  // The column (by field) that takes the width the others leave; 0 for none. Its kept width
  // is the least it gets.
  void SetStretchField(int field);
  void SetSource(const GridRowSource* source);
  // Virtual mode, as GridModel::SetRowCount; new rows are measured (MeasureCells). A new
  // list (fewer rows than before) forgets which columns the user has sized.
  void SetRowCount(int count);
  // As GridModel::ResetRows.
  void ResetRows(int count);
  void SetTextColour(const QColor& colour);
  void SetErrorRowColour(const QColor& colour);
  void SetRowBackground(GridModel::RowBackground background);

  // Called with the columns when the user has dragged a column's width, so that the owner
  // keeps the widths (its field list or its fixed-column setting).
  void SetWidthKeeper(std::function<void(const std::vector<GridColumn>&)> keeper) {
    width_keeper_ = std::move(keeper);
  }

  // The owner's sort routine, called with the field of a clicked column header. Without
  // one, header clicks do nothing.
  void SetSortRoutine(std::function<void(int field)> sort) {
    sort_ = std::move(sort);
    ShowSortIndicator();
  }
  // The owner's reversal of the rows' order, called when the sorted column's header is
  // clicked again. Without one, a second click sorts again.
  void SetReverseRoutine(std::function<void()> reverse) { reverse_ = std::move(reverse); }
  // The field the rows are sorted by, kept as the "SortIndex" property of the grid; the
  // header shows it, and its direction. Setting it says in which direction the rows stand.
  int SortIndex() const;
  void SetSortIndex(int field, bool descending = false);
  bool SortDescending() const { return sort_descending_; }
  // The column a search of the sort field `sort_field` looks in: its own when it shows text
  // (not the image column, and shown at all), else that of `key_field`, else the first
  // column with text; -1 when there is none.
  int SearchColumnFor(int sort_field, int key_field) const;

  // The owner's search (Ctrl+F). Without one the grid asks for a word and looks for it in
  // the stretch column (without one: the sort column, else the current cell's column), from
  // the row after the current one.
  void SetSearchRoutine(std::function<void()> search) { search_ = std::move(search); }
  void Search();
  // Looks for `word` in `column` from the row after the current one, wrapping to the top, and
  // makes the row found current and selected, the focus on the grid. A search that finds
  // nothing beeps and says so (through the reporter). The word and column are kept for
  // FindNext. True when a row was found.
  bool SearchColumn(int column, const QString& word);
  // "חפש הבא" (F3): the next row below the current one that the last search matches; at the
  // end of the rows (or before any search) a beep, the current row kept.
  bool FindNext();
  // The next row from `from` whose cell of `column` the word matches (TextMatch: figures by
  // their digits too), wrapping to the top when `wrap`; -1 when there is none.
  int FindRow(int column, const QString& word, int from, bool wrap = true) const;

  // The selected rows, in order.
  std::vector<int> SelectedRows() const;
  // Rows as text: the columns that show text, cells joined by TAB, rows ended by a new line;
  // figures as shown, markers removed. With `headings`, a first line of the captions.
  QString RowsAsText(const std::vector<int>& rows, bool headings) const;
  // Every row as CSV (the program's one CSV writer): the UTF-8 byte-order mark, the
  // captions, then the rows as RowsAsText shows them. False when the device refused a write.
  bool WriteCsv(QIODevice& out) const;
  // Ctrl+C: the selected rows to the clipboard.
  void CopySelection(bool headings) const;
  // "save as CSV": asks for a file and writes WriteCsv() to it whole or not at all. A
  // failure goes to the reporter (the window's message box in the pages).
  void SaveAsCsv();
  void SetReporter(std::function<void(const QString&)> report) { report_ = std::move(report); }
  // The file the next "save as CSV" writes without asking; for tests.
  void SetCsvFileForTest(QString path) { csv_file_for_test_ = std::move(path); }

  // The width a cell's text needs, in this grid's font (bold for headings).
  int WidthNeeded(const QString& text, bool bold) const;
  // The least a column is given when the columns are wider than the viewport: its heading,
  // and its widest figure where it holds figures.
  int LeastWidth(int column) const;

  // For an owner that knows every figure column's widest figure (WidenToShapes): rows are
  // measured only by their sample, the first kMeasuredAtOnce and the last kMeasuredLast, for
  // the widths of their texts; no slices follow.
  void SetSampleMeasure(bool sample) { sample_only_ = sample; }
  // Widens each column to the widest of the shapes given for it (by column; none for a
  // column beyond them), as GridColumn::widest_figure does. A shape is a figure with every
  // digit written as "0" (FigureShape); it is measured in bold with the face's widest digit,
  // so that any figure of that shape fits, and kept as the column's least width; a column the
  // user has sized keeps its width.
  void WidenToShapes(const std::vector<QStringList>& shapes);

  inline static constexpr int kMeasuredAtOnce = 1000;
  inline static constexpr int kMeasuredLast = 100;
  // Rows are still to be measured in slices.
  bool Measuring() const { return !waiting_rows_.empty(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
  void resizeEvent(QResizeEvent* event) override;
  // Fits the columns sized while hidden (a tab not shown): a grid shown again at the size it
  // had gets no resize.
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void HeaderClicked(int column);
  void SectionResized(int column, int old_width, int new_width);
  // Sets a column's width without taking it for the user's.
  void SetShownWidth(int column, int width);
  // Widens columns to the cells of rows [first, last): to their widest figure, and, but for
  // the stretch column, to their widest text up to kTextWidthCap; not the columns the user
  // has sized since the list began.
  void MeasureCells(int first, int last);
  void MeasureRows(int first, int last);
  // The next slice of the rows still to measure, for as long as the window may wait.
  void MeasureSlice();
  // The columns to the viewport: the stretch column takes what the others leave; when they
  // are too wide, text columns give way, then the spare room of figure columns.
  void Fit();
  void SelectFound(int row, int column);
  void ApplyRowHeight();

  GridModel model_;
  std::function<void(int)> sort_;
  std::function<void()> reverse_;
  bool sort_descending_ = false;
  void ShowSortIndicator();
  std::function<void()> search_;
  std::function<void(const std::vector<GridColumn>&)> width_keeper_;
  std::function<void(const QString&)> report_;
  QString csv_file_for_test_;
  int stretch_field_ = 0;
  std::vector<bool> sized_by_user_;  // by column, since the list began
  std::vector<int> wanted_width_;    // by column: what it takes when there is room
  // By column: the width its widest figure (or date, time or code) needs, 0 for none.
  std::vector<int> widest_figure_;
  int search_column_ = -1;  // the last search, for FindNext
  QString search_word_;
  bool setting_widths_ = false;  // widths are being set by the grid, not dragged by the user
  bool sample_only_ = false;
  std::vector<std::pair<int, int>> waiting_rows_;  // [from, to) ranges for MeasureSlice
  QTimer measure_timer_;
};

}  // namespace tallyscan
