#include "app/statistics/field_statistics_tab.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/output_dialog.h"
#include "app/dialogs/record_detail_dialog.h"
#include "app/statistics/month_chart.h"
#include "app/statistics/statistics_run.h"
#include "app/statistics/statistics_run_bar.h"
#include "app/widgets/grid.h"
#include "engine/analytics/analytics.h"
#include "engine/report/report.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// The grid's columns as each list starts.
std::vector<GridColumn> StartColumns() {
  return PickedGridColumns(FieldStatisticsColumns::kAll, kFieldStatisticsGridPicks);
}

// The shapes of the figures of each of the grid's columns.
std::vector<QStringList> ShapesOfFigures(const Grid& grid) {
  const GridModel& model = grid.Model();
  std::vector<QStringList> shapes(static_cast<std::size_t>(model.columnCount()));
  for (int row = 0; row < model.rowCount(); ++row) {
    for (int column = 0; column < model.columnCount(); ++column) {
      if (!model.data(model.index(row, column), kFigureRole).toBool()) continue;
      const QString shape =
          QString::fromStdString(FigureShape(model.ShownText(row, column).toStdString()));
      QStringList& known = shapes[static_cast<std::size_t>(column)];
      if (!known.contains(shape)) known << shape;
    }
  }
  return shapes;
}

int ChosenRow(const Grid& grid) {
  const QModelIndex current = grid.selectionModel()->currentIndex();
  return current.isValid() ? current.row() : -1;
}

}  // namespace

FieldStatisticsTab::FieldStatisticsTab(AppContext& app, StatisticsRun& run, QWidget* parent)
    : QWidget(parent), app_(app), run_(run) {
  setObjectName(QStringLiteral("fieldStatisticsTab"));
  bar_ = new StatisticsRunBar(run, this);
  print_button_ = new QPushButton(QStringLiteral("הדפס"), this);
  print_button_->setObjectName(QStringLiteral("printButton"));
  print_button_->setToolTip(QStringLiteral("סטטיסטיקת השדות של כל סוגי הרשומות"));
  bar_->AddResultButton(print_button_);
  QLayout* choosers = BuildChoosers();
  BuildGrid();
  chart_ = new MonthChart(this);

  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(grid_);
  splitter->addWidget(chart_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  chart_->setMinimumHeight(240);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(bar_);
  layout->addLayout(choosers);
  layout->addWidget(splitter, 1);

  connect(print_button_, &QPushButton::clicked, this, &FieldStatisticsTab::Print);
  connect(&run_, &StatisticsRun::Started, this, &FieldStatisticsTab::ShowResult);
  connect(&run_, &StatisticsRun::Ended, this, &FieldStatisticsTab::ShowResult);
  connect(record_box_, &QComboBox::activated, this, [this](int index) {
    ChooseRecord(static_cast<RecordType>(record_box_->itemData(index).toInt()));
  });
  connect(date_box_, &QComboBox::activated, this,
          [this](int index) { ChooseDateField(date_box_->itemData(index).toInt()); });
  connect(grid_, &QAbstractItemView::clicked, this,
          [this](const QModelIndex& index) { OpenExtreme(index.row(), index.column()); });
  connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            const FieldFigures* figures = FiguresOfRow(current.row());
            if (figures != nullptr && figures->IsDate()) ChooseDateField(figures->field->code);
          });
}

// The record type listed and the date field charted.
QLayout* FieldStatisticsTab::BuildChoosers() {
  record_box_ = new QComboBox(this);
  record_box_->setObjectName(QStringLiteral("recordBox"));
  record_box_->setMinimumContentsLength(24);
  date_box_ = new QComboBox(this);
  date_box_->setObjectName(QStringLiteral("dateFieldBox"));
  date_box_->setMinimumContentsLength(24);
  auto* choosers = new QHBoxLayout;
  choosers->addWidget(new QLabel(QStringLiteral("סוג רשומה"), this));
  choosers->addWidget(record_box_);
  choosers->addSpacing(20);
  choosers->addWidget(new QLabel(QStringLiteral("שדה תאריך לגרף"), this));
  choosers->addWidget(date_box_);
  choosers->addStretch(1);
  return choosers;
}

void FieldStatisticsTab::BuildGrid() {
  grid_ = new Grid(this);
  grid_->setObjectName(QStringLiteral("fieldsGrid"));
  grid_->SetColumns(StartColumns());
  grid_->SetStretchField(
      GridFieldOf(kFieldStatisticsGridPicks, FieldStatisticsColumns::Cell("caption")));
  grid_->SetErrorRowColour(kCreditColour);
  grid_->SetSource(&rows_);
  rows_.SetKinds(PickedKinds(FieldStatisticsColumns::kAll, kFieldStatisticsGridPicks));
  grid_->SetSortRoutine([this](int field) { SortBy(field); });
  grid_->SetReverseRoutine([this] {
    rows_.Reverse();
    grid_->Model().RowsChanged();
  });
  grid_->SetReporter(
      [this](const QString& text) { AppMessage(app_, this, 1, MessageIcon::kExclamation, text); });
  grid_->installEventFilter(this);
}

FieldStatisticsTab::~FieldStatisticsTab() { grid_->SetSource(nullptr); }

void FieldStatisticsTab::ShowResult() {
  if (result_ == run_.Result() && result_ != nullptr) return;
  result_ = run_.Result();
  record_box_->clear();
  const std::optional<RecordType> before = record_;
  record_.reset();
  grid_->SetRowCount(0);
  rows_.Clear();
  figures_.clear();
  date_box_->clear();
  chart_->Show(nullptr, {});
  if (!result_) return;
  for (const RecordFigures& record : result_->records) {
    record_box_->addItem(
        FromStd(record.layout->code) + QStringLiteral(" - ") + FromStd(record.layout->name),
        static_cast<int>(record.layout->type));
  }
  // The type shown before stays when the file still holds it; else the movements, the first
  // thing an auditor ticks, else the first type.
  for (const RecordType type : {before.value_or(RecordType::kB100), RecordType::kB100}) {
    if (result_->Find(type) != nullptr) {
      ChooseRecord(type);
      return;
    }
  }
  if (!result_->records.empty()) ChooseRecord(result_->records.front().layout->type);
}

void FieldStatisticsTab::ChooseRecord(RecordType type) {
  if (!result_) return;
  const RecordFigures* record = result_->Find(type);
  if (record == nullptr) return;
  record_ = type;
  record_box_->setCurrentIndex(record_box_->findData(static_cast<int>(type)));
  grid_->SetRowCount(0);
  std::vector<std::string> rows;
  figures_.clear();
  std::size_t next_field = 0;
  for (const std::string& row : FieldStatisticsRows(*result_, type)) {
    const std::string_view kind = StatusRowCell(row, FieldStatisticsColumns::Cell("kind"));
    if (kind == "month") continue;
    const bool side = kind == "debit" || kind == "credit";
    figures_.push_back(!side && next_field < record->fields.size() ? &record->fields[next_field++]
                                                                   : nullptr);
    rows.push_back(PickedGridRow(row, kFieldStatisticsGridPicks));
  }
  rows_.Set(SortedRows::Rows(rows));
  // Sized afresh for each run and each record type, from the shapes of its own figures: the
  // widths of wider figures shown before would push these out of the viewport.
  grid_->SetColumns(StartColumns());
  grid_->SetSortIndex(0);
  grid_->SetRowCount(rows_.Count());
  grid_->WidenToShapes(ShapesOfFigures(*grid_));

  date_box_->clear();
  for (const FieldFigures& field : record->fields) {
    if (!field.IsDate()) continue;
    date_box_->addItem(FromStd(field.field->caption) + QStringLiteral(" (") +
                           QString::number(field.field->code) + QLatin1Char(')'),
                       field.field->code);
  }
  if (date_box_->count() > 0) {
    ChooseDateField(date_box_->itemData(0).toInt());
  } else {
    chart_->Show(nullptr, {});
  }
}

void FieldStatisticsTab::ChooseDateField(int code) {
  if (!result_ || !record_) return;
  const RecordFigures* record = result_->Find(*record_);
  for (const FieldFigures& field : record->fields) {
    if (field.IsDate() && field.field->code == code) {
      date_box_->setCurrentIndex(date_box_->findData(code));
      chart_->Show(&field, result_->period);
      return;
    }
  }
}

const FieldFigures* FieldStatisticsTab::FiguresOfRow(int row) const {
  const int original = rows_.Original(row);
  if (original < 0 || static_cast<std::size_t>(original) >= figures_.size()) return nullptr;
  return figures_[static_cast<std::size_t>(original)];
}

RecordDetailDialog* FieldStatisticsTab::OpenExtreme(int row, int column) {
  const FieldFigures* figures = FiguresOfRow(row);
  if (figures == nullptr || app_.store.LoadedFolder.empty()) return nullptr;
  const int field = grid_->Model().FieldOf(column);
  const std::optional<ValueAt>* extreme = nullptr;
  if (field == kSmallestField || field == kSmallestLineField) extreme = &figures->smallest;
  if (field == kLargestField || field == kLargestLineField) extreme = &figures->largest;
  if (extreme == nullptr || !*extreme) return nullptr;
  return OpenLineDetail(app_, this, app_.store.DataFile.Path(), (*extreme)->line);
}

void FieldStatisticsTab::Print() {
  if (!result_) return;
  // The control totals of the whole file, every record type, as the command line prints them.
  auto rows = std::make_shared<const std::vector<std::string>>(FieldStatisticsRows(*result_));
  ShowOutputDialog(app_, this, QStringLiteral("Fields"), [rows](ReportStream& stream) {
    return WriteFieldStatisticsReport(*rows, stream);
  });
}

void FieldStatisticsTab::SortBy(int field) {
  rows_.SortBy(field);
  grid_->SetSortIndex(field);
  grid_->Model().RowsChanged();
}

bool FieldStatisticsTab::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      const int row = ChosenRow(*grid_);
      if (row >= 0) OpenExtreme(row, grid_->selectionModel()->currentIndex().column());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tallyscan
