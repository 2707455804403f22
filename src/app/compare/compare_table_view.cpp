#include "app/compare/compare_table_view.h"

#include <cstdlib>

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "app/pages/page.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// The grid's field of the table's name or caption cell, which takes the spare width.
constexpr int kStretchField = 3;

// How each field orders: figures by the value they stand for, the account key by its number,
// the rest (names, dates written YYYY-MM-DD, the engine's words) by their text.
std::vector<ValueKind> ColumnKinds(CompareTable table) {
  std::vector<ValueKind> kinds{ValueKind::kText};
  const int key_column = CompareAccountColumn(table);
  int column = 0;
  for (const CompareColumn& c : CompareColumns(table)) {
    kinds.push_back(c.figure               ? ValueKind::kQuantity
                    : column == key_column ? ValueKind::kKey
                                           : ValueKind::kText);
    ++column;
  }
  return kinds;
}

QStringList ColumnTexts(CompareTable table) {
  QStringList columns = {QStringLiteral("30,#")};
  for (const CompareColumn& c : CompareColumns(table)) {
    columns << QString::number(c.pixels) + QLatin1Char(',') + FromStd(c.caption);
  }
  return columns;
}

}  // namespace

CompareTableView::CompareTableView(CompareTable table, QWidget* parent)
    : QWidget(parent), table_(table) {
  grid_ = new Grid(this);
  grid_->SetColumns(FixedColumns(ColumnTexts(table)));
  rows_.SetKinds(ColumnKinds(table));
  grid_->SetStretchField(kStretchField);
  grid_->SetErrorRowColour(kCreditColour);
  filter_ = new FilterBox(*grid_, rows_, kStretchField, this);
  grid_->SetSortRoutine([this](int field) { Sort(field); });
  grid_->SetReverseRoutine([this] { Reverse(); });
  const int key_column = CompareAccountColumn(table);
  if (key_column >= 0) {
    grid_->SetRowBackground([this, key_column](int row) {
      const int engine = EngineRow(row);
      if (result_account_.empty() || engine < 0) return QColor();
      return RowField(engine_rows_[static_cast<std::size_t>(engine)], key_column + 2) ==
                     result_account_
                 ? ResultAccountColour()
                 : QColor();
    });
  }
  auto* filter_row = new QHBoxLayout;
  filter_row->addStretch(1);
  filter_row->addWidget(filter_);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(filter_row);
  layout->addWidget(grid_, 1);
}

CompareTableView::~CompareTableView() {
  // The grid asks the filter for texts until it is gone.
  delete filter_;
}

QColor CompareTableView::ResultAccountColour() { return QColor(255, 236, 160); }

void CompareTableView::SetRows(std::vector<std::string> engine_rows, std::string result_account) {
  engine_rows_ = std::move(engine_rows);
  result_account_ = std::move(result_account);
  std::vector<std::string> shown;
  shown.reserve(engine_rows_.size());
  for (const std::string& row : engine_rows_) shown.push_back(CompareShownRow(table_, row));
  rows_.Set(SortedRows::Rows(shown));
  grid_->SetSortIndex(0);
  filter_->SetRows(0, 0);
  filter_->SetRows(rows_.Count(), 0);
}

int CompareTableView::EngineRow(int row) const { return rows_.Original(filter_->SourceRow(row)); }

int CompareTableView::CurrentEngineRow() const {
  const QModelIndex current = grid_->selectionModel()->currentIndex();
  if (!current.isValid() || !grid_->selectionModel()->isRowSelected(current.row(), {})) return -1;
  return EngineRow(current.row());
}

void CompareTableView::Sort(int field) {
  rows_.SortBy(field);
  filter_->SetRows(rows_.Count(), 0, /*measure=*/false);
}

void CompareTableView::Reverse() {
  rows_.Reverse();
  filter_->SetRows(rows_.Count(), 0, /*measure=*/false);
}

void CompareTableView::SaveView(PageView& view) const {
  SaveGridView(*grid_, view);
  view.row = CurrentEngineRow();
  view.sort_field = grid_->SortDescending() ? -grid_->SortIndex() : grid_->SortIndex();
  view.filter_text = filter_->Text();
}

void CompareTableView::RestoreView(const PageView& view) {
  const int sort = std::abs(view.sort_field);
  if (sort != 0) {
    rows_.SortBy(sort);
    if (view.sort_field < 0) rows_.Reverse();
  }
  grid_->SetSortIndex(sort, view.sort_field < 0);
  filter_->SetText(view.filter_text);
  filter_->SetRows(rows_.Count(), 0, /*measure=*/false);
  PageView shown = view;
  shown.row = -1;
  for (int row = 0; view.row >= 0 && row < filter_->ShownRows(); ++row) {
    if (EngineRow(row) == view.row) shown.row = row;
  }
  RestoreGridView(*grid_, shown);
  grid_->setFocus();
}

}  // namespace tallyscan
