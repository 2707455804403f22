#include "app/widgets/filter_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "app/widgets/text_match.h"
#include "engine/uniform/result_row.h"

namespace tallyscan {
namespace {

const QString kCoversAllRows = QStringLiteral(" (לכל השורות)");

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

FilterBox::FilterBox(Grid& grid, const GridRowSource& rows, int caption_field, QWidget* parent)
    : QWidget(parent), grid_(grid), rows_(rows), caption_field_(caption_field) {
  setObjectName(QStringLiteral("filterBox"));
  auto* caption = new QLabel(QStringLiteral("סינון"), this);
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
  layout->addWidget(caption);
  layout->addWidget(field_);
  layout->addWidget(count_);
  connect(field_, &QLineEdit::textChanged, this, [this] { Apply(); });
  grid_.SetSource(this);
}

FilterBox::~FilterBox() { grid_.SetSource(nullptr); }

void FilterBox::SetRows(int data_rows, int kept_rows, bool measure) {
  data_rows_ = data_rows;
  kept_rows_ = kept_rows;
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

bool FilterBox::Matches(const TextMatch& match, int row) const {
  for (const GridColumn& column : grid_.Model().Columns()) {
    if (column.field <= 1) continue;  // the image column shows no text
    if (match.Matches(FromStd(LookOfCell(rows_.CellText(row, column.field)).shown))) return true;
  }
  return false;
}

void FilterBox::Apply(bool measure) {
  needle_ = field_->text().trimmed();
  const TextMatch match(needle_);
  shown_.clear();
  for (int row = 0; row < data_rows_; ++row) {
    if (!Active() || Matches(match, row)) shown_.push_back(row);
  }
  const int matched = static_cast<int>(shown_.size());
  for (int row = 0; row < kept_rows_; ++row) shown_.push_back(data_rows_ + row);
  count_->setText(QStringLiteral("%1 מתוך %2").arg(matched).arg(data_rows_));
  if (measure) {
    grid_.ResetRows(static_cast<int>(shown_.size()));
  } else {
    grid_.Model().ResetRows(static_cast<int>(shown_.size()));
  }
  emit Filtered();
}

}  // namespace tallyscan
