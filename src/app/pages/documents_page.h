#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/background/read_task.h"
#include "app/pages/page.h"
#include "engine/browse/browse.h"
#include "engine/checks/checks.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tallyscan {

class FilterBox;
class Grid;
class GridRowSource;
class WorkProgress;

// Page 5, the documents: the type selector, above the panel the register of the selected
// type's documents (or of all types), the header panel of the current document with its
// lines grid ("TudFields") and, for documents with receipt lines, the receipt grid. The
// toolbar pages through the type's run, beeping at its ends; the jump box finds a typed
// number. Choosing a register row shows that document.
//
// The register is built, and sorted, off the window's thread with the progress bar and
// "עצור"; the page shows what it showed until the new rows are in, and a stop leaves it so.
// Its marks are found off the thread too and shown when they are in.
class DocumentsPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kDocuments;

  DocumentsPage(AppContext& app, PageHost& host, QWidget* parent);
  ~DocumentsPage() override;

  void Enter() override;
  QWidget* DefaultFocus() override;
  // Leaving stops the work on the register and its marks: the store may change only while
  // another page is shown.
  void Leave() override;

  // Selector item `index`: 0 none, 1-27 the types in the selector's order, 28 all types. The
  // register is built off the window's thread; once it is in, the type's first document is
  // shown and `then` runs (not when the work is stopped or replaced).
  void SelectType(int index, std::function<void()> then = {});
  // A header click: the register sorted by `field` off the window's thread.
  void SortRegister(int field);
  // The register is being built or sorted, or its filter is matching.
  bool Working() const;
  WorkProgress* Progress() const { return work_; }
  // The toolbar's moves; false (after a beep) when there is nowhere to go.
  bool Move(DocumentMove move);
  // "בצוע": the jump to the typed number; false (after a beep) when none is found.
  bool Jump(const QString& typed);
  // Shows DocumentIndex element `element` (0 empties the panel).
  void ShowDocument(std::int64_t element);
  // A drill-down to DocumentIndex element `element`: its type is selected (all types when the
  // selector does not list it) and the document shown, as the jump would show it, once the
  // register is in.
  void OpenDocument(std::int64_t element);
  PageView SaveView() const override;
  void RestoreView(const PageView& view) override;

  std::int64_t Current() const { return document_.element; }
  const LoadedDocument& Document() const { return document_; }
  const DocumentRegister* Register() const { return register_.get(); }
  // The register's marks are shown (they are found in the background once a list is built).
  bool MarksShown() const { return marks_found_; }
  QComboBox* TypeBox() const { return type_box_; }
  Grid* RegisterGrid() const { return register_grid_; }
  FilterBox* RegisterFilter() const { return register_filter_; }
  Grid* LinesGrid() const { return lines_grid_; }
  Grid* ReceiptGrid() const { return receipt_grid_; }
  QLineEdit* JumpBox() const { return jump_box_; }
  // The panel's value label of an item.
  QLabel* PanelValue(PanelField field) const;

 signals:
  // "תנועת מקור": the current document's records (C100, D110, D120) for the source-record
  // viewer.
  void SourceRecords(const std::vector<RecordReference>& records);

 private:
  // The constructor's steps, in their order.
  void MakeTypeBox();
  std::vector<QToolButton*> MakeTools();
  QPushButton* MakeJumpBox();
  void MakeRegister();
  std::array<QGroupBox*, 3> MakePanel();
  void MakeLowerGrids();
  void LayOutParts(const std::vector<QToolButton*>& tools, QPushButton* jump_button,
                   const std::array<QGroupBox*, 3>& boxes);
  void ConnectParts(const std::vector<QToolButton*>& tools, QPushButton* jump_button);
  // The grid row that shows row `register_row` of the register; -1 when the filter hides it.
  int RegisterGridRow(int register_row) const;
  void ShowColumns();
  void StartMarks();
  // Marks found are taken once nothing off the thread reads the register (which reads the
  // marks); the order or the filter's choice may change with them.
  void TakeMarks();
  void ChooseCurrentRow();
  void ShowSource();
  // Opens the output dialog with the current document ("Teuda"); beeps without one.
  void Print();
  void Beep();

  std::uint64_t shown_load_ = ~std::uint64_t{0};  // LoadNumber of the set the page shows
  int shown_type_index_ = 0;                      // the selector item whose register is shown
  std::string type_;                              // the type shown ("305"), empty for none or all
  ElementRange run_;
  DocumentMarks marks_;
  bool marks_found_ = false;
  DocumentMarks found_marks_;  // found, waiting for TakeMarks
  bool marks_waiting_ = false;
  ReadTask marks_task_;
  ReadTask register_task_;  // the register built or sorted
  // Never changed once shown (a sort makes a sorted copy): work off the thread may hold it.
  std::shared_ptr<DocumentRegister> register_;
  int register_sorted_by_ = 0;  // the field of the last header click; 0: in index order
  LoadedDocument document_;
  std::vector<std::string> line_rows_;
  std::vector<std::string> receipt_rows_;
  std::unique_ptr<GridRowSource> register_source_;
  std::unique_ptr<GridRowSource> line_source_;
  std::unique_ptr<GridRowSource> receipt_source_;

  QComboBox* type_box_ = nullptr;
  QLineEdit* jump_box_ = nullptr;
  Grid* register_grid_ = nullptr;
  FilterBox* register_filter_ = nullptr;
  Grid* lines_grid_ = nullptr;
  Grid* receipt_grid_ = nullptr;
  WorkProgress* work_ = nullptr;
  QLabel* lower_title_ = nullptr;
  QLabel* summary_caption_ = nullptr;
  std::array<QLabel*, kPanelFieldCount> labels_{};
  std::array<QLabel*, kPanelFieldCount> values_{};
};

}  // namespace tallyscan
