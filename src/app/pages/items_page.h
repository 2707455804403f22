#pragma once

#include <cstdint>
#include <memory>

#include "app/pages/page.h"

class QToolButton;

namespace tallyscan {

class Grid;
class ItemRows;
class GridRowSource;

// Page 8, the item catalogue: the items of the loaded set in a grid whose columns come from
// the field list "PrtFields"; a click on a column header sorts the catalogue by that field
// (kept as the page's "SortParit" property; a second click reverses the order), "איתור" (and
// Ctrl+F anywhere on the page) looks for a word in the sort column,
// "מבנה הדו'ח" chooses the columns. The rows are read from the data file as they are shown.
class ItemsPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kItems;

  ItemsPage(AppContext& app, PageHost& host, QWidget* parent);
  ~ItemsPage() override;

  void Enter() override;
  QWidget* DefaultFocus() override;

  // A header click on the column of `field`; fields that cannot be sorted by are ignored.
  void SortBy(int field);
  // Selects the next row after the current one (wrapping to the top) whose cell in the
  // search column holds `word` (figures by their digits); false (the selection stays, a beep
  // and a message) when none does.
  bool FindWord(const QString& word);
  // The column searched: the sort column, or the item's key when the sort field is not shown.
  int SearchColumn() const;
  // "איתור": the search box for the sort column, then FindWord.
  void Search();
  // "תנועת מקור": the chosen item's record, or the message to choose a row first.
  void ShowSource();
  // "מבנה הדו'ח": the field-selection dialog, then the grid with the saved columns.
  void ChooseFields();

  Grid* List() const { return list_; }
  int SortField() const;

 signals:
  // The record of the chosen item (its byte offset in the data file) for the source-record
  // viewer.
  void SourceRecord(qint64 offset);

 private:
  void ShowColumns();

  std::unique_ptr<ItemRows> rows_;
  std::unique_ptr<GridRowSource> row_source_;
  Grid* list_ = nullptr;
  QToolButton* print_button_ = nullptr;
  std::uint64_t shown_load_ = 0;  // the reading the sort state belongs to
};

}  // namespace tallyscan
