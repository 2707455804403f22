#pragma once

// The tab "סטטיסטיקת שדות" of the analysis page: the figures of every counted field of one
// record type of the loaded set (the rows of `tallyscan-cli fields` but the record and the
// kind, the months of a date field going to the chart instead), the record
// type chosen among those the file holds. A click, or Enter, on the smallest or largest value (or
// its line) opens that line in the source-record viewer. Below the grid the dates of a date field
// by month of the period. "הפעל" (F5) runs the shared statistics run; "הדפס" prints the figures of
// every record type through the output dialog.

#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "app/app_context.h"
#include "app/widgets/column_grid.h"
#include "app/widgets/sorted_rows.h"
#include "engine/analytics/analytics.h"

class QComboBox;
class QLayout;
class QPushButton;

namespace tallyscan {

class Grid;
class MonthChart;
class RecordDetailDialog;
class StatisticsRun;
class StatisticsRunBar;

// The grid's columns after the status: the code, the caption and the figures, each figure
// column narrow at first, widening to its widest figure, leaving the captions room.
inline constexpr GridPick kFieldStatisticsGridPicks[] = {
    {FieldStatisticsColumns::Cell("code"), 40},
    {FieldStatisticsColumns::Cell("caption"), 200},
    {FieldStatisticsColumns::Cell("lines"), 40},
    {FieldStatisticsColumns::Cell("blanks"), 40},
    {FieldStatisticsColumns::Cell("invalid"), 40},
    {FieldStatisticsColumns::Cell("zeros"), 40},
    {FieldStatisticsColumns::Cell("positive"), 40},
    {FieldStatisticsColumns::Cell("positive_total"), 40},
    {FieldStatisticsColumns::Cell("negative"), 40},
    {FieldStatisticsColumns::Cell("negative_total"), 40},
    {FieldStatisticsColumns::Cell("net"), 40},
    {FieldStatisticsColumns::Cell("absolute"), 40},
    {FieldStatisticsColumns::Cell("smallest"), 40},
    {FieldStatisticsColumns::Cell("smallest_line"), 40},
    {FieldStatisticsColumns::Cell("largest"), 40},
    {FieldStatisticsColumns::Cell("largest_line"), 40},
    {FieldStatisticsColumns::Cell("before"), 40},
    {FieldStatisticsColumns::Cell("after"), 40},
};

class FieldStatisticsTab final : public QWidget {
  Q_OBJECT
 public:
  // `run` is shared with the other statistics tab and must outlive this one.
  FieldStatisticsTab(AppContext& app, StatisticsRun& run, QWidget* parent);
  ~FieldStatisticsTab() override;

  // Shows the figures of `type`; nothing when the result has no line of it.
  void ChooseRecord(RecordType type);
  // Charts the months of the date field `code` of the record type shown.
  void ChooseDateField(int code);
  // Opens the line of the smallest or largest value in the grid's row `row` (as shown) at the
  // grid's column `column`; null when the cell is neither or the field has no value there.
  RecordDetailDialog* OpenExtreme(int row, int column);
  // "הדפס": the figures of every record type through the output dialog.
  void Print();

  // The record type shown; nullopt without a result.
  std::optional<RecordType> Record() const { return record_; }
  // The engine's figures of the grid's row `row` (as shown); null for a side of B100.
  const FieldFigures* FiguresOfRow(int row) const;

  StatisticsRunBar* Bar() const { return bar_; }
  QComboBox* RecordBox() const { return record_box_; }
  QComboBox* DateFieldBox() const { return date_box_; }
  QPushButton* PrintButton() const { return print_button_; }
  Grid* FieldsGrid() const { return grid_; }
  MonthChart* Chart() const { return chart_; }

  // Grid fields (1-based, field 1 the status picture) of the values that open their line.
  static constexpr int kSmallestField =
      GridFieldOf(kFieldStatisticsGridPicks, FieldStatisticsColumns::Cell("smallest"));
  static constexpr int kSmallestLineField =
      GridFieldOf(kFieldStatisticsGridPicks, FieldStatisticsColumns::Cell("smallest_line"));
  static constexpr int kLargestField =
      GridFieldOf(kFieldStatisticsGridPicks, FieldStatisticsColumns::Cell("largest"));
  static constexpr int kLargestLineField =
      GridFieldOf(kFieldStatisticsGridPicks, FieldStatisticsColumns::Cell("largest_line"));

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The tab's parts, built by the constructor.
  QLayout* BuildChoosers();
  void BuildGrid();

  void ShowResult();
  void SortBy(int field);

  AppContext& app_;
  StatisticsRun& run_;
  std::shared_ptr<const FieldStatistics> result_;  // the one shown
  std::optional<RecordType> record_;
  SortedRows rows_;
  std::vector<const FieldFigures*> figures_;  // by the engine's row; null for a side

  StatisticsRunBar* bar_ = nullptr;
  QPushButton* print_button_ = nullptr;
  QComboBox* record_box_ = nullptr;
  QComboBox* date_box_ = nullptr;
  Grid* grid_ = nullptr;
  MonthChart* chart_ = nullptr;
};

}  // namespace tallyscan
