#include "app/widgets/grid.h"

#include <QFont>
#include <QHeaderView>
#include <QRegularExpression>

#include "app/images.h"
#include "engine/browse/grid.h"

namespace tallyscan {
namespace {

constexpr char kSortIndexProperty[] = "SortIndex";
constexpr int kRowHeight = 20;

QString FromStd(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::string TabRowSource::CellText(int row, int field) const {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return {};
  return std::string(RowField(rows_[static_cast<std::size_t>(row)], field));
}

std::vector<GridColumn> ColumnsFromFieldList(const std::vector<FieldListEntry>& list,
                                             const FieldCatalogue& catalogue) {
  std::vector<GridColumn> columns;
  for (const FieldListEntry& entry : list) {
    columns.push_back(
        {entry.width, entry.field, FromStd(std::string(catalogue.Caption(entry.field)))});
  }
  return columns;
}

std::vector<GridColumn> FixedColumns(const QStringList& columns) {
  std::vector<GridColumn> result;
  int field = 1;
  for (const QString& column : columns) {
    const qsizetype comma = column.indexOf(QLatin1Char(','));
    result.push_back({column.left(comma).toInt(), field++, column.mid(comma + 1)});
  }
  return result;
}

QString KeepFiguresLeftToRight(const QString& text) {
  // Without isolation the bidirectional layout of a right-to-left paragraph moves a leading
  // minus to the right of the digits ("1,234.50-"). A minus that follows a digit is a range
  // or a code ("100-200") and already stays with its digits.
  static const QRegularExpression kSignedFigure(
      QStringLiteral("(?<![\\d.,])(-\\d[\\d,]*(?:\\.\\d+)?)"));
  if (!text.contains(QLatin1Char('-'))) return text;
  QString result = text;
  result.replace(kSignedFigure, QStringLiteral("\u2066\\1\u2069"));
  return result;
}

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::SetColumns(std::vector<GridColumn> columns) {
  beginResetModel();
  columns_ = std::move(columns);
  endResetModel();
}

int GridModel::FieldOf(int column) const {
  if (column < 0 || static_cast<std::size_t>(column) >= columns_.size()) return 0;
  return columns_[static_cast<std::size_t>(column)].field;
}

void GridModel::SetSource(const GridRowSource* source) {
  beginResetModel();
  source_ = source;
  endResetModel();
}

void GridModel::SetRowCount(int count) {
  if (count < 0) count = 0;
  if (count == row_count_) {
    RowsChanged();
    return;
  }
  if (count > row_count_) {
    beginInsertRows({}, row_count_, count - 1);
    row_count_ = count;
    endInsertRows();
    return;
  }
  beginResetModel();
  row_count_ = count;
  endResetModel();
}

void GridModel::RowsChanged() {
  if (row_count_ == 0) return;
  emit dataChanged(index(0, 0), index(row_count_ - 1, columnCount() - 1));
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : row_count_;
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size()) + 1;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || source_ == nullptr || index.row() >= row_count_) return {};
  const int field = FieldOf(index.column());
  if (field == 0) return {};
  if (role != Qt::DisplayRole && role != Qt::DecorationRole && role != Qt::FontRole &&
      role != Qt::ForegroundRole) {
    return {};
  }
  const CellLook look = LookOfCell(source_->CellText(index.row(), field));
  if (field == 1) {
    if (role != Qt::DecorationRole) return {};
    bool ok = false;
    const int image = FromStd(look.shown).trimmed().toInt(&ok);
    return ok ? QVariant(ListImage(image)) : QVariant();
  }
  switch (role) {
    case Qt::DisplayRole:
      return KeepFiguresLeftToRight(FromStd(look.shown));
    case Qt::FontRole:
      if (look.heading) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ForegroundRole:
      if (look.credit) return kCreditColour;
      if (look.debit) return kDebitColour;
      return text_colour_.isValid() ? QVariant(text_colour_) : QVariant();
    default:
      return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || static_cast<std::size_t>(section) >= columns_.size()) return QString();
  return columns_[static_cast<std::size_t>(section)].caption;
}

Grid::Grid(QWidget* parent) : QTableView(parent), model_(this) {
  setModel(&model_);
  setShowGrid(false);
  setWordWrap(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(kListImageSize, kListImageSize));
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(kRowHeight);
  horizontalHeader()->setStretchLastSection(true);
  horizontalHeader()->setSectionsMovable(false);
  horizontalHeader()->setSectionsClickable(true);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeading | Qt::AlignVCenter);
  setProperty(kSortIndexProperty, 1);
  connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &Grid::HeaderClicked);
}

void Grid::SetColumns(std::vector<GridColumn> columns) {
  model_.SetColumns(std::move(columns));
  const auto& shown = model_.Columns();
  for (std::size_t column = 0; column < shown.size(); ++column) {
    setColumnWidth(static_cast<int>(column), shown[column].width);
  }
}

void Grid::SetTextColour(const QColor& colour) {
  model_.SetTextColour(colour);
  viewport()->update();
}

int Grid::SortIndex() const { return property(kSortIndexProperty).toInt(); }

void Grid::SetSortIndex(int field) { setProperty(kSortIndexProperty, field); }

void Grid::HeaderClicked(int column) {
  const int field = model_.FieldOf(column);
  if (field == 0 || !sort_) return;
  sort_(field);
  SetSortIndex(field);
  model_.RowsChanged();
  setFocus();
  viewport()->update();
}

}  // namespace tallyscan
