#include "app/widgets/result_list.h"

#include <algorithm>

#include <QCheckBox>
#include <QShortcut>
#include <QVBoxLayout>

#include "app/app_texts.h"
#include "app/widgets/grid.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

bool IsErrorRow(std::string_view row) {
  if (RowField(row, 1) != "1") return false;
  return row.find_first_not_of('\t', 1) != std::string_view::npos;
}

// The rows the grid shows: all the owner's, or its error rows only.
class ResultList::Source final : public GridRowSource {
 public:
  Source(const std::vector<std::string>& rows, const std::vector<int>& error_rows)
      : rows_(rows), error_rows_(error_rows) {}

  bool errors_only = false;

  int SourceRow(int row) const {
    if (!errors_only) return row;
    if (row < 0 || static_cast<std::size_t>(row) >= error_rows_.size()) return -1;
    return error_rows_[static_cast<std::size_t>(row)];
  }

  std::string CellText(int row, int field) const override {
    const int source = SourceRow(row);
    if (source < 0 || static_cast<std::size_t>(source) >= rows_.size()) return {};
    return std::string(RowField(rows_[static_cast<std::size_t>(source)], field));
  }

 private:
  const std::vector<std::string>& rows_;
  const std::vector<int>& error_rows_;
};

ResultList::ResultList(const std::vector<std::string>& rows, QWidget* page)
    : QWidget(page), rows_(rows), source_(std::make_unique<Source>(rows_, error_rows_)) {
  errors_only_ = new QCheckBox(this);
  errors_only_->setObjectName(QStringLiteral("errorsOnly"));
  errors_only_->setToolTip(texts::kErrorKeys);
  grid_ = new Grid(this);
  grid_->setObjectName(QStringLiteral("resultList"));
  grid_->SetSource(source_.get());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(errors_only_);
  layout->addWidget(grid_, 1);
  ShowCount();

  connect(errors_only_, &QCheckBox::toggled, this, [this] { Refilter(); });
  connect(grid_, &Grid::activated, this, [this](const QModelIndex& index) {
    const int source = SourceRow(index.row());
    if (source >= 0) emit RowOpened(source);
  });
  // Ctrl+F searches the list from anywhere on the page (the grid answers it itself too).
  auto* find = new QShortcut(QKeySequence::Find, page, [this] { grid_->Search(); });
  find->setContext(Qt::WidgetWithChildrenShortcut);
  for (const bool backwards : {false, true}) {
    auto* key =
        new QShortcut(backwards ? QKeySequence(Qt::SHIFT | Qt::Key_F8) : QKeySequence(Qt::Key_F8),
                      page, [this, backwards] { NextError(backwards); });
    key->setContext(Qt::WidgetWithChildrenShortcut);
  }
}

ResultList::~ResultList() {
  // The grid asks the source for texts until it is gone.
  grid_->SetSource(nullptr);
}

void ResultList::SetRowCount(int count) {
  count = std::clamp(count, 0, static_cast<int>(rows_.size()));
  const bool appended = count > count_;
  if (!appended) {
    error_rows_.clear();
    count_ = 0;
  }
  for (int row = count_; row < count; ++row) {
    if (IsErrorRow(rows_[static_cast<std::size_t>(row)])) error_rows_.push_back(row);
  }
  count_ = count;
  ShowCount();
  if (!source_->errors_only) {
    grid_->SetRowCount(count);
  } else if (appended) {
    grid_->SetRowCount(static_cast<int>(error_rows_.size()));
  } else {
    grid_->ResetRows(static_cast<int>(error_rows_.size()));
  }
}

bool ResultList::ErrorsOnly() const { return errors_only_->isChecked(); }

void ResultList::SetErrorsOnly(bool errors_only) { errors_only_->setChecked(errors_only); }

void ResultList::Refilter() {
  // The row that was current stays current when the filter keeps it.
  const int current = SourceRow(grid_->currentIndex().row());
  source_->errors_only = errors_only_->isChecked();
  grid_->ResetRows(source_->errors_only ? static_cast<int>(error_rows_.size()) : count_);
  if (current < 0) return;
  int row = current;
  if (source_->errors_only) {
    const auto found = std::lower_bound(error_rows_.begin(), error_rows_.end(), current);
    if (found == error_rows_.end() || *found != current) return;
    row = static_cast<int>(found - error_rows_.begin());
  }
  const QModelIndex cell = grid_->model()->index(row, 1);
  grid_->setCurrentIndex(cell);
  grid_->scrollTo(cell);
}

int ResultList::SourceRow(int row) const {
  if (row < 0 || row >= grid_->model()->rowCount()) return -1;
  return source_->SourceRow(row);
}

bool ResultList::NextError(bool backwards) {
  if (error_rows_.empty()) return false;
  const int current = SourceRow(grid_->currentIndex().row());
  std::vector<int>::const_iterator target;
  if (backwards) {
    const auto after =
        std::lower_bound(error_rows_.begin(), error_rows_.end(), current < 0 ? count_ : current);
    if (after == error_rows_.begin()) return false;
    target = after - 1;
  } else {
    target = std::upper_bound(error_rows_.begin(), error_rows_.end(), current);
    if (target == error_rows_.end()) return false;
  }
  const int row = source_->errors_only ? static_cast<int>(target - error_rows_.begin()) : *target;
  const QModelIndex cell = grid_->model()->index(row, 1);
  grid_->setCurrentIndex(cell);
  grid_->scrollTo(cell);
  grid_->setFocus();
  return true;
}

void ResultList::ShowCount() {
  errors_only_->setText(texts::kErrorsOnly + QStringLiteral(" (") +
                        QString::number(error_rows_.size()) + QLatin1Char(')'));
}

}  // namespace tallyscan
