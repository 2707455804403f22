#pragma once

#include <string>
#include <vector>

#include <QAbstractTableModel>
#include <QStringList>
#include <QTreeView>

namespace tallyscan {

// Result rows as the engine builds them: TAB-separated UTF-8 cells whose first cell is a
// status digit. Column 0 shows the status as its list image; the next columns show the
// following cells. A cell holding the heading marker (U+200E) is bold, one holding the
// credit marker (0x1D) red; the markers themselves are not shown.
class ResultRowsModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // `columns` in the "width,caption" form, e.g. {"30,#", "290,הפעולה", "210,התוצאה"}.
  explicit ResultRowsModel(const QStringList& columns, QObject* parent = nullptr);

  void SetRows(std::vector<std::string> rows);
  const std::vector<std::string>& Rows() const { return rows_; }
  int ColumnWidth(int column) const { return widths_.value(column); }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString Cell(int row, int column) const;

  std::vector<std::string> rows_;
  QList<int> widths_;
  QStringList captions_;
};

// A list view of result rows with its columns set to their widths.
class ResultList : public QTreeView {
  Q_OBJECT
 public:
  explicit ResultList(const QStringList& columns, QWidget* parent = nullptr);
  ResultRowsModel& Model() { return model_; }
  void SetRows(std::vector<std::string> rows);

 private:
  ResultRowsModel model_;
};

}  // namespace tallyscan
