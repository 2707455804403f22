#include "app/widgets/result_list.h"

#include <QColor>
#include <QFont>
#include <QHeaderView>

#include "app/images.h"

namespace tallyscan {
namespace {

constexpr QChar kHeadingMarker(0x200E);
constexpr QChar kDebitMarker(0x1C);
constexpr QChar kCreditMarker(0x1D);

QString Shown(QString cell) {
  cell.remove(kHeadingMarker);
  cell.remove(kDebitMarker);
  cell.remove(kCreditMarker);
  return cell;
}

}  // namespace

ResultRowsModel::ResultRowsModel(const QStringList& columns, QObject* parent)
    : QAbstractTableModel(parent) {
  for (const QString& column : columns) {
    const qsizetype comma = column.indexOf(QLatin1Char(','));
    widths_.append(column.left(comma).toInt());
    captions_.append(column.mid(comma + 1));
  }
}

void ResultRowsModel::SetRows(std::vector<std::string> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

int ResultRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ResultRowsModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(captions_.size());
}

QString ResultRowsModel::Cell(int row, int column) const {
  const std::string& text = rows_[static_cast<std::size_t>(row)];
  std::size_t start = 0;
  for (int i = 0; i < column; ++i) {
    start = text.find('\t', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  const std::size_t end = text.find('\t', start);
  return QString::fromUtf8(
      text.data() + start,
      static_cast<qsizetype>((end == std::string::npos ? text.size() : end) - start));
}

QVariant ResultRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const QString cell = Cell(index.row(), index.column());
  if (index.column() == 0) {
    if (role == Qt::DecorationRole) {
      bool ok = false;
      const int image = cell.toInt(&ok);
      return ok ? QVariant(ListImage(image)) : QVariant();
    }
    return {};
  }
  switch (role) {
    case Qt::DisplayRole:
      return Shown(cell);
    case Qt::FontRole:
      if (cell.contains(kHeadingMarker)) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ForegroundRole:
      if (cell.contains(kCreditMarker)) return QColor(Qt::red);
      return {};
    default:
      return {};
  }
}

QVariant ResultRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return captions_.value(section);
}

ResultList::ResultList(const QStringList& columns, QWidget* parent)
    : QTreeView(parent), model_(columns) {
  setModel(&model_);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setItemsExpandable(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(kListImageSize, kListImageSize));
  header()->setStretchLastSection(true);
  header()->setSectionsMovable(false);
  for (int column = 0; column < model_.columnCount(); ++column) {
    setColumnWidth(column, model_.ColumnWidth(column));
  }
}

void ResultList::SetRows(std::vector<std::string> rows) { model_.SetRows(std::move(rows)); }

}  // namespace tallyscan
