#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/pages/page.h"
#include "engine/browse/browse.h"
#include "engine/checks/checks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tallyscan {

class FilterBox;
class Grid;
class GridRowSource;

// Page 5, the documents: the type selector, above the panel the register of the selected
// type's documents (or of all types), the header panel of the current document with its
// lines grid ("TudFields") and, for documents with receipt lines, the receipt grid. The
// toolbar pages through the type's run, beeping at its ends; the jump box finds a typed
// number. Choosing a register row shows that document.
class DocumentsPage final : public Page {
  Q_OBJECT
 public:
  static constexpr PageId kId = PageId::kDocuments;

  DocumentsPage(AppContext& app, PageHost& host, QWidget* parent);
  ~DocumentsPage() override;

  void Enter() override;
  QWidget* DefaultFocus() override;
  // Leaving stops the register's marks: the store may change only while another page is shown.
  void Leave() override;

  // Selector item `index`: 0 none, 1-27 the types in the selector's order, 28 all types.
  void SelectType(int index);
  // The toolbar's moves; false (after a beep) when there is nowhere to go.
  bool Move(DocumentMove move);
  // "בצוע": the jump to the typed number; false (after a beep) when none is found.
  bool Jump(const QString& typed);
  // Shows DocumentIndex element `element` (0 empties the panel).
  void ShowDocument(std::int64_t element);
  // A drill-down to DocumentIndex element `element`: its type is selected (all types when the
  // selector does not list it) and the document shown, as the jump would show it.
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
  // The grid row that shows row `register_row` of the register; -1 when the filter hides it.
  int RegisterGridRow(int register_row) const;
  void ShowColumns();
  void StartMarks();
  void MarksReady();
  void ShowSource();
  // Opens the output dialog with the current document ("Teuda"); beeps without one.
  void Print();
  void Beep();

  std::uint64_t shown_load_ = ~std::uint64_t{0};  // LoadNumber of the set the page shows
  std::string type_;  // the selected type ("305"), empty for none or all
  ElementRange run_;
  DocumentMarks marks_;
  bool marks_found_ = false;
  std::unique_ptr<DocumentMarksTask> marks_task_;
  std::unique_ptr<DocumentRegister> register_;
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
  QLabel* lower_title_ = nullptr;
  QLabel* summary_caption_ = nullptr;
  std::array<QLabel*, kPanelFieldCount> labels_{};
  std::array<QLabel*, kPanelFieldCount> values_{};
};

}  // namespace tallyscan
