#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/pages/page.h"

class QPushButton;
class QToolButton;

namespace tallyscan {

class AccountsIndexSearch;
class FilterBox;
class ReadTask;
class Grid;
class GridRowSource;
class WorkProgress;

// Page 3, the accounts index: one row per account in AccountListIndex order and the totals
// row, in the columns of the field list "IdxFields". A header click sorts by its field, the
// toolbar opens the chosen account's ledger card (so do a double-click and Enter), shows its
// source record, changes the field list, searches the sort column and prints the index. F2
// edits the chosen account's card number in place.
//
// A large index is sized and filtered through the engine's search of its rows, made off the
// window's thread with the progress bar and "עצור" whenever the rows or the columns are new:
// the figure columns take the width of their widest figure shape, the other columns that of
// the first and last rows, and a filter keystroke asks the search (narrowed from the previous
// word while the word grows). Until the search is made, the filter matches many accounts off
// the window's thread.
class AccountsIndexPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kAccountsIndex;

  AccountsIndexPage(AppContext& app, PageHost& host, QWidget* parent);
  ~AccountsIndexPage() override;

  // Shows the rows of the loaded set (again after an import).
  void Enter() override;
  void Leave() override;
  QWidget* DefaultFocus() override;
  PageView SaveView() const override;
  void RestoreView(const PageView& view) override;

  // 1001 "צפה בתנועות": asks for the chosen account's card (OpenCard).
  void ShowCard();
  // 1002 "תנועת מקור": the chosen account's record in the source-record viewer.
  void ShowSourceRecord();
  // 1003 "מבנה הדו'ח": the field-selection dialog, then the columns again; the rows keep
  // their order and the sort its field.
  void ChooseFields();
  // 1004 "איתור": the search box over the sort column.
  void SearchSortColumn();
  // A header click on `field`: the rows sorted as the engine sorts them.
  void SortBy(int field);
  // Makes the search of the rows and the figure widths anew, off the window's thread.
  void MakeSearch();
  bool SearchMade() const { return search_ != nullptr; }

  Grid* List() const { return list_; }
  FilterBox* Filter() const { return filter_; }
  WorkProgress* Progress() const { return work_; }
  // The filter is matching, or the search is being made.
  bool Working() const;
  // The chosen row of the index (0-based, through the filter), -1 when none; the totals row
  // counts as none for 1001 and 1002.
  int ChosenRow() const;

 signals:
  // The card of the account with this key (trimmed) was asked for.
  void OpenCard(const QString& key);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildColumns();
  // The rows of the loaded set again: new after an import (`measure`), in another order
  // after a sort.
  void Refill(bool measure);
  // The chosen account's AccountListIndex element, 0 (after the message) when none is.
  std::int64_t ChosenAccount();

  // The figure columns to the engine's figure shapes.
  void SizeFigureColumns();
  // Stops the search being made (waiting for its thread); whether one was.
  bool StopSearch();
  // After the list's order changed: the search follows it, or is made again when `making`
  // was stopped for the change.
  void Reordered(bool making);

  std::unique_ptr<GridRowSource> source_;
  std::shared_ptr<AccountsIndexSearch> search_;  // of the rows and columns shown; null until made
  std::unique_ptr<ReadTask> search_task_;
  Grid* list_ = nullptr;
  FilterBox* filter_ = nullptr;  // the grid reads its rows through the filter
  QPushButton* print_button_ = nullptr;
  WorkProgress* work_ = nullptr;
  std::uint64_t shown_load_ = ~std::uint64_t{0};  // LoadNumber of the set the rows show
};

}  // namespace tallyscan
