#include "app/report/grid_print.h"

#include <vector>

#include "app/dialogs/output_dialog.h"
#include "app/widgets/grid.h"
#include "engine/report/report.h"

namespace tallyscan {

ReportProducer GridReportProducer(const Grid& grid, std::string coded_title) {
  return [&grid, title = std::move(coded_title)](ReportStream& stream) {
    const GridModel& model = grid.Model();
    std::vector<GridReportColumn> columns;
    std::vector<int> fields;
    for (const GridColumn& column : model.Columns()) {
      columns.push_back(
          {column.caption.toStdString(), column.width, kTextColumn, column.field == 1});
      fields.push_back(column.field);
    }
    const GridRowSource* source = model.Source();
    const std::int64_t rows = source != nullptr ? model.rowCount() : 0;
    return WriteGridReport(
        title, columns, rows,
        [source, &fields](std::int64_t row, std::size_t column) {
          return source->CellText(static_cast<int>(row), fields[column]);
        },
        stream);
  };
}

QPushButton* MakePrintButton(AppContext& app, Grid& grid, const QString& kind,
                             std::function<ReportProducer()> make, QWidget* parent) {
  auto* button = new QPushButton(QStringLiteral("הדפס"), parent);
  button->setObjectName(QStringLiteral("printButton"));
  GridModel* model = &grid.Model();
  const auto follow_rows = [button, model] { button->setEnabled(model->rowCount() > 0); };
  follow_rows();
  QObject::connect(model, &QAbstractItemModel::modelReset, button, follow_rows);
  QObject::connect(model, &QAbstractItemModel::rowsInserted, button, follow_rows);
  QObject::connect(model, &QAbstractItemModel::rowsRemoved, button, follow_rows);
  QObject::connect(button, &QPushButton::clicked, button,
                   [&app, &grid, kind, make = std::move(make), parent] {
                     // A long task is pumping events: its rows may change under the report.
                     if (app.app_busy || grid.Model().rowCount() == 0) return;
                     ShowOutputDialog(app, parent, kind, make());
                   });
  return button;
}

QPushButton* MakeGridPrintButton(AppContext& app, Grid& grid, const QString& kind,
                                 std::string coded_title, QWidget* parent) {
  return MakePrintButton(
      app, grid, kind,
      [&grid, title = std::move(coded_title)] { return GridReportProducer(grid, title); }, parent);
}

}  // namespace tallyscan
