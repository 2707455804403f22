#include "app/widgets/filter_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/app_texts.h"
#include "app/background/read_task.h"
#include "app/widgets/text_match.h"
#include "engine/common/progress.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

const QString kCoversAllRows = QStringLiteral(" (לכל השורות)");

// The fields of the grid's columns that show text (the image column shows none).
std::vector<int> TextFields(const Grid& grid) {
  std::vector<int> fields;
  for (const GridColumn& column : grid.Model().Columns()) {
    if (column.field > 1) fields.push_back(column.field);
  }
  return fields;
}

bool Matches(const GridRowSource& rows, const std::vector<int>& fields, const TextMatch& match,
             int row) {
  for (const int field : fields) {
    if (match.Matches(FromStd(LookOfCell(rows.CellText(row, field)).shown))) return true;
  }
  return false;
}

}  // namespace

FilterBox::FilterBox(Grid& grid, const GridRowSource& rows, int caption_field, QWidget* parent)
    : QWidget(parent), grid_(grid), rows_(rows), caption_field_(caption_field) {
  setObjectName(QStringLiteral("filterBox"));
  caption_ = new QLabel(QStringLiteral("סינון"), this);
  field_ = new QLineEdit(this);
  field_->setObjectName(QStringLiteral("filterField"));
  field_->setClearButtonEnabled(true);
  field_->setFixedWidth(180);
  field_->setToolTip(QStringLiteral("הצג רק שורות המכילות את הטקסט"));
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("filterCount"));
  // Room for the count of a million rows, so that the box neither cuts it nor jumps as it changes.
  count_->setMinimumWidth(
      count_->fontMetrics().horizontalAdvance(QStringLiteral("0000000 מתוך 0000000")));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(caption_);
  layout->addWidget(field_);
  layout->addWidget(count_);
  connect(field_, &QLineEdit::textChanged, this, [this] { Apply(); });
  grid_.SetSource(this);
}

FilterBox::~FilterBox() { grid_.SetSource(nullptr); }

void FilterBox::MatchOffThread(StoreReaders& readers, WorkerRows worker_rows) {
  task_ = std::make_unique<ReadTask>(readers);
  worker_rows_ = std::move(worker_rows);
}

bool FilterBox::Working() const { return task_ && task_->Running(); }

void FilterBox::StopWork() {
  if (!task_) return;
  stopped_by_page_ = true;
  task_->Stop();
  stopped_by_page_ = false;
  task_->Wait();
}

void FilterBox::SetRows(int data_rows, int kept_rows, bool measure) {
  data_rows_ = data_rows;
  kept_rows_ = kept_rows;
  reordered_ = true;  // whatever was shown named the rows before
  Apply(measure);
}

void FilterBox::SetText(const QString& text) {
  if (field_->text() == text) {
    Apply();
  } else {
    field_->setText(text);  // applies it
  }
}

QString FilterBox::Text() const { return field_->text(); }

int FilterBox::SourceRow(int row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return -1;
  return shown_[static_cast<std::size_t>(row)];
}

std::string FilterBox::CellText(int row, int field) const {
  const int source_row = SourceRow(row);
  if (source_row < 0) return {};
  std::string text = rows_.CellText(source_row, field);
  if (!Active() || source_row < data_rows_ || field != caption_field_) return text;
  // The note goes before the cell's markers, which end it.
  std::size_t end = text.size();
  while (true) {
    if (end >= 1 && (text[end - 1] == '\x1C' || text[end - 1] == '\x1D')) {
      --end;
    } else if (end >= kHeadingMarker.size() &&
               std::string_view(text).substr(end - kHeadingMarker.size()) == kHeadingMarker) {
      end -= kHeadingMarker.size();
    } else {
      break;
    }
  }
  text.insert(end, kCoversAllRows.toStdString());
  return text;
}

void FilterBox::Apply(bool measure) {
  if (restoring_) return;
  const QString text = field_->text();
  needle_ = text.trimmed();
  std::vector<int> quick;
  if (Active() && quick_match_ && quick_match_(needle_, quick)) {
    if (task_) task_->Stop();  // its rows are not wanted any more
    shown_ = std::move(quick);
    for (int row = 0; row < kept_rows_; ++row) shown_.push_back(data_rows_ + row);
    applied_text_ = text;
    Show(measure);
    return;
  }
  const TextMatch match(needle_);
  const bool off_thread = task_ && Active() && data_rows_ > kRowsMatchedAtOnce;
  if (!off_thread) {
    if (task_) task_->Stop();  // its rows are not wanted any more
    shown_.clear();
    const std::vector<int> fields = TextFields(grid_);
    for (int row = 0; row < data_rows_; ++row) {
      if (!Active() || Matches(rows_, fields, match, row)) shown_.push_back(row);
    }
    for (int row = 0; row < kept_rows_; ++row) shown_.push_back(data_rows_ + row);
    applied_text_ = text;
    Show(measure);
    return;
  }
  // The rows shown until the match is in: the same, unless the rows are new or reordered,
  // whose places they no longer name.
  const bool rows_new = measure || applied_rows_ != data_rows_ || reordered_;
  if (rows_new) {
    shown_.clear();
    for (int row = 0; row < kept_rows_; ++row) shown_.push_back(data_rows_ + row);
    Show(measure);
  }
  auto found = std::make_shared<std::vector<int>>();
  std::shared_ptr<const GridRowSource> rows(worker_rows_());
  const int data_rows = data_rows_;
  task_->Start(
      [found, rows, fields = TextFields(grid_), needle = needle_,
       data_rows](ProgressMonitor& monitor) {
        const TextMatch worker_match(needle);
        ProgressTracker progress(monitor, data_rows);
        for (int row = 0; row < data_rows; ++row) {
          progress.Advance(row + 1);
          if (monitor.StopRequested()) return false;
          if (Matches(*rows, fields, worker_match, row)) found->push_back(row);
        }
        return true;
      },
      [this, found, text, measure, rows_new](bool completed) {
        if (!completed) {
          if (!stopped_by_page_) MatchStopped(rows_new);
          return;
        }
        shown_ = std::move(*found);
        for (int row = 0; row < kept_rows_; ++row) shown_.push_back(data_rows_ + row);
        applied_text_ = text;
        Show(measure);
      });
}

void FilterBox::MatchStopped(bool rows_new) {
  restoring_ = true;
  if (rows_new) {
    field_->clear();
    needle_.clear();
    shown_.clear();
    for (int row = 0; row < data_rows_ + kept_rows_; ++row) shown_.push_back(row);
    applied_text_.clear();
    Show(false);
  } else {
    field_->setText(applied_text_);
    needle_ = applied_text_.trimmed();
  }
  restoring_ = false;
}

void FilterBox::Show(bool measure) {
  applied_rows_ = data_rows_;
  reordered_ = false;
  const int matched = static_cast<int>(shown_.size()) - kept_rows_;
  count_->setText(QStringLiteral("%1 מתוך %2").arg(matched).arg(data_rows_));
  if (measure) {
    grid_.ResetRows(static_cast<int>(shown_.size()));
  } else {
    grid_.Model().ResetRows(static_cast<int>(shown_.size()));
  }
  emit Filtered();
}

}  // namespace tallyscan
