#pragma once

// The filter box of a browser's grid: the rows whose visible text contains the typed text are
// shown, with the count "N מתוך M" beside the box, matched as TextMatch matches ("1,234.50" is
// found by "1234.50" and by "123450"). Rows the page keeps at the end (the totals row) always stay,
// their caption saying that they cover every row.
//
// The box stands between the page's own row source and its grid: the grid reads through it,
// and the page maps the grid's rows back to its own with SourceRow.
//
// Matching reads every row. Over more than kRowsMatchedAtOnce rows, a box told to
// (MatchOffThread) matches off the window's thread, on a row source made for that work alone,
// reading the store as a ReadTask does; the grid keeps the rows it showed until the match is
// in (new rows, or the same in another order, show only the kept rows meanwhile). A stopped
// match leaves the rows shown and puts back the text they were matched by; stopped over new
// rows, the box is emptied and every row shown.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QWidget>

#include "app/widgets/grid.h"

class QLabel;
class QLineEdit;

namespace tallyscan {

class ReadTask;
class StoreReaders;
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

  inline static constexpr int kRowsMatchedAtOnce = 1000;
  // Makes a source of the rows for one match off the window's thread: it must read only what
  // stays unchanged while the match runs (the store; a card or register held by shared_ptr)
  // and keep no cache the window's thread uses.
  using WorkerRows = std::function<std::unique_ptr<GridRowSource>()>;
  void MatchOffThread(StoreReaders& readers, WorkerRows worker_rows);
  // A match the page can make at once, without reading the rows (an index it keeps of their
  // texts): it fills `rows` (the page's data rows, ascending) for the text `needle`, matched
  // as TextMatch matches the grid's text columns, and returns true; false when it cannot now,
  // and the box reads the rows itself.
  using QuickMatch = std::function<bool(const QString& needle, std::vector<int>& rows)>;
  void SetQuickMatch(QuickMatch match) { quick_match_ = std::move(match); }
  // The task of the match off the thread (for a page's WorkProgress); null until
  // MatchOffThread.
  ReadTask* Task() const { return task_.get(); }
  bool Working() const;
  // Stops a match running, its text kept, and waits until its thread no longer reads the
  // rows: before the page changes what they are read from, then tells the box (SetRows).
  void StopWork();

  // The page's row of grid row `row`; -1 outside the rows shown.
  int SourceRow(int row) const;
  int ShownRows() const { return static_cast<int>(shown_.size()); }
  QLabel* Caption() const { return caption_; }
  QLabel* CountLabel() const { return count_; }
  QLineEdit* Field() const { return field_; }

  // GridRowSource
  std::string CellText(int row, int field) const override;

 signals:
  // The rows shown changed.
  void Filtered();

 private:
  void Apply(bool measure = false);
  // Shows shown_: the count, the grid's rows.
  void Show(bool measure);
  // Puts the text back as it was before the match that stopped.
  void MatchStopped(bool rows_new);

  Grid& grid_;
  const GridRowSource& rows_;
  int caption_field_;
  int data_rows_ = 0;
  int kept_rows_ = 0;
  QString needle_;
  QString applied_text_;  // the field's text the rows shown were matched by
  bool restoring_ = false;
  bool stopped_by_page_ = false;
  int applied_rows_ = 0;    // data_rows_ when shown_ was made
  bool reordered_ = false;  // the rows changed (SetRows) since shown_ was made
  std::unique_ptr<ReadTask> task_;
  WorkerRows worker_rows_;
  QuickMatch quick_match_;
  std::vector<int> shown_;  // the page's rows shown, in order
  QLabel* caption_ = nullptr;
  QLineEdit* field_ = nullptr;
  QLabel* count_ = nullptr;
};

}  // namespace tallyscan
