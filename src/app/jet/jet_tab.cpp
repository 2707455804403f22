#include "app/jet/jet_tab.h"

#include <algorithm>
#include <cstdlib>

#include <QEvent>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/app_message.h"
#include "app/app_texts.h"
#include "app/dialogs/output_dialog.h"
#include "app/jet/jet_digit_chart.h"
#include "app/jet/jet_parameters_dialog.h"
#include "app/shared_fonts.h"
#include "app/widgets/column_grid.h"
#include "app/widgets/filter_box.h"
#include "app/widgets/grid.h"
#include "app/widgets/progress_bar.h"
#include "app/widgets/run_bar.h"
#include "engine/analytics/analytics.h"
#include "engine/report/report.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

const QString kBusyAnalysis = QStringLiteral(
    "ניתוח פקודות היומן מתבצע ברקע - קריאת קובץ, קריאת חברה, שינוי קבוצות וקליטה ייפתחו "
    "בסיומו או לאחר עצירתו (Esc)");
const QString kReconciles = QStringLiteral("האוכלוסיה מתאזנת");
const QString kChooseBar =
    QStringLiteral("שורות הספרה: בחרו עמודה בתרשים (לחיצה, או חיצים ו-Enter)");
// More rows than this are sorted off the window's thread: a sort of as many takes a few
// milliseconds, of a million hits half a second.
constexpr int kRowsSortedAtOnce = 20000;

// The tests' grid: the id last, for the few who need it.
using S = JetSummaryColumns;
constexpr GridPick kTestPicks[] = {{S::Cell("caption"), 220},
                                   {S::Cell("state"), 80},
                                   {S::Cell("hits"), 80},
                                   {S::Cell("figure"), 260},
                                   {S::Cell("id"), 130}};
constexpr int kTestIdField = GridFieldOf(kTestPicks, S::Cell("id"));
constexpr int kTestStretchField = GridFieldOf(kTestPicks, S::Cell("figure"));

// The hit columns, every cell of a hit row; the date's and the own cell's headings follow the
// test shown.
using H = JetHitColumns;
constexpr GridPick kHitPicks[] = {{H::Cell("line"), 70},        {H::Cell("record"), 50},
                                  {H::Cell("transaction"), 90}, {H::Cell("account"), 90},
                                  {H::Cell("date"), 90},        {H::Cell("amount"), 110},
                                  {H::Cell("own"), 200},        {H::Cell("document"), 200}};
static_assert(PicksEveryCell(kHitPicks, H::kCount));
constexpr int kDateField = GridFieldOf(kHitPicks, H::Cell("date"));
constexpr int kOwnField = GridFieldOf(kHitPicks, H::Cell("own"));
// The own cell orders by what the test puts there.
std::vector<ValueKind> HitKinds(ValueKind own) {
  std::vector<ValueKind> kinds = PickedKinds(H::kAll, kHitPicks);
  kinds[kOwnField - 1] = own;
  return kinds;
}
std::vector<GridColumn> HitColumns(const QString& own) {
  std::vector<GridColumn> columns = PickedGridColumns(H::kAll, kHitPicks);
  columns[kOwnField - 1].caption = own;
  return columns;
}

using F = JetSufficiencyColumns;
constexpr GridPick kSufficiencyPicks[] = {{F::Cell("id"), 130},    {F::Cell("caption"), 200},
                                          {F::Cell("needs"), 170}, {F::Cell("usable_share"), 90},
                                          {F::Cell("state"), 80},  {F::Cell("reason"), 250}};
static_assert(PicksEveryCell(kSufficiencyPicks, F::kCount));
constexpr int kSufficiencyStretchField = GridFieldOf(kSufficiencyPicks, F::Cell("reason"));

using R = JetRankingColumns;
constexpr GridPick kRankingPicks[] = {{R::Cell("rank"), 50},
                                      {R::Cell("transaction"), 120},
                                      {R::Cell("score"), 60},
                                      {R::Cell("tests"), 300},
                                      {R::Cell("first_line"), 90}};
static_assert(PicksEveryCell(kRankingPicks, R::kCount));
constexpr int kRankingStretchField = GridFieldOf(kRankingPicks, R::Cell("tests"));

// The status digit that picks a test's state picture: a tick, information, stopped.
RowStatus StatePicture(JetState state) {
  switch (state) {
    case JetState::kRun:
      return RowStatus::kHeading;
    case JetState::kWeak:
      return RowStatus::kInfo;
    case JetState::kNotRun:
      break;
  }
  return RowStatus::kStopped;
}

Grid* MakeGrid(const QString& name, std::vector<GridColumn> columns, int stretch, QWidget* parent) {
  auto* grid = new Grid(parent);
  grid->setObjectName(name);
  grid->SetColumns(std::move(columns));
  grid->SetStretchField(stretch);
  return grid;
}

// The grid's order as a view keeps it: the field, negative when descending; 0 for none.
int SavedSort(const Grid& grid) {
  return grid.SortDescending() ? -grid.SortIndex() : grid.SortIndex();
}

// The row of the grid's current row among the source's rows; -1 when none is chosen.
int ChosenRow(const Grid& grid) {
  const QModelIndex current = grid.selectionModel()->currentIndex();
  if (!current.isValid() || !grid.selectionModel()->isRowSelected(current.row(), {})) return -1;
  return current.row();
}

}  // namespace

JetTab::JetTab(AppContext& app, PageHost& host, Page& page, QWidget* parent)
    : QWidget(parent),
      app_(app),
      host_(host),
      page_(page),
      run_task_(app.readers),
      lines_task_(app.readers),
      hits_sort_task_(app.readers),
      digit_sort_task_(app.readers),
      parameters_(StoredJetParameters(app.settings)) {
  setObjectName(QStringLiteral("jetTab"));
  BuildRunBar();
  gate_ = new QLabel(this);
  gate_->setObjectName(QStringLiteral("gate"));
  gate_->setFont(host.Fonts().Tahoma10Bold);
  tests_grid_ =
      SortedGrid(QStringLiteral("testsGrid"), PickedGridColumns(S::kAll, kTestPicks),
                 kTestStretchField, test_rows_, PickedKinds(S::kAll, kTestPicks), nullptr, this);
  details_ = new QTabWidget(this);
  details_->setObjectName(QStringLiteral("details"));
  details_->addTab(BuildHitsPage(), QStringLiteral("פגיעות"));
  details_->addTab(BuildDigitsPage(), QStringLiteral("ספרות"));
  sufficiency_grid_ =
      SortedGrid(QStringLiteral("sufficiencyGrid"), PickedGridColumns(F::kAll, kSufficiencyPicks),
                 kSufficiencyStretchField, sufficiency_rows_,
                 PickedKinds(F::kAll, kSufficiencyPicks), nullptr, details_);
  details_->addTab(sufficiency_grid_, QStringLiteral("מספיקות הנתונים"));
  ranking_grid_ = SortedGrid(QStringLiteral("rankingGrid"),
                             PickedGridColumns(R::kAll, kRankingPicks), kRankingStretchField,
                             ranking_rows_, PickedKinds(R::kAll, kRankingPicks), nullptr, details_);
  details_->addTab(ranking_grid_, QStringLiteral("דירוג עסקאות"));
  for (Grid* grid :
       {tests_grid_, hits_grid_, sufficiency_grid_, ranking_grid_, digit_lines_grid_}) {
    grid->SetReporter([this](const QString& text) {
      AppMessage(app_, this, 1, MessageIcon::kExclamation, text);
    });
    grid->installEventFilter(this);
  }
  LayOut();
  ConnectParts();
  ShowRunning(false);
}

void JetTab::BuildRunBar() {
  run_bar_ = new RunBar({.run_tip = QStringLiteral("הפעלת כל הבדיקות (F5)"),
                         .stop_tip = QStringLiteral("עצירת הבדיקות (Esc)")},
                        this);
  parameters_button_ = new QPushButton(QStringLiteral("פרמטרים"), run_bar_);
  parameters_button_->setObjectName(QStringLiteral("parametersButton"));
  print_button_ = new QPushButton(QStringLiteral("הדפס"), run_bar_);
  print_button_->setObjectName(QStringLiteral("printButton"));
  print_button_->setToolTip(QStringLiteral("דו\"ח הראיות של הבדיקות"));
  run_bar_->AddButton(parameters_button_);
  run_bar_->AddButton(print_button_);
}

Grid* JetTab::SortedGrid(const QString& name, std::vector<GridColumn> columns, int stretch,
                         SortedRows& rows, std::vector<ValueKind> kinds, ReadTask* task,
                         QWidget* parent) {
  Grid* grid = MakeGrid(name, std::move(columns), stretch, parent);
  grid->SetSource(&rows);
  rows.SetKinds(std::move(kinds));
  grid->SetSortRoutine(
      [this, grid, &rows, task](int field) { SortGrid(*grid, rows, nullptr, task, field); });
  grid->SetReverseRoutine([this, grid, &rows, task] { Reverse(*grid, rows, nullptr, task); });
  return grid;
}

QWidget* JetTab::BuildHitsPage() {
  auto* hits_page = new QWidget(details_);
  hits_grid_ =
      MakeGrid(QStringLiteral("hitsGrid"), HitColumns(QStringLiteral("פרט")), kOwnField, hits_page);
  hits_filter_ = new FilterBox(*hits_grid_, hit_rows_, kOwnField, hits_page);
  // Over many hits the filter matches off the window's thread, on the rows as shown when it
  // began.
  hits_filter_->MatchOffThread(app_.readers, [this] { return hit_rows_.Snapshot(); });
  hits_grid_->SetSortRoutine([this](int field) {
    SortGrid(*hits_grid_, hit_rows_, hits_filter_, &hits_sort_task_, field);
  });
  hits_grid_->SetReverseRoutine(
      [this] { Reverse(*hits_grid_, hit_rows_, hits_filter_, &hits_sort_task_); });
  connect(hits_filter_, &FilterBox::Filtered, this, [this] {
    if (pending_hit_) ChooseSavedHit();
  });
  auto* hits_layout = new QVBoxLayout(hits_page);
  auto* filter_row = new QHBoxLayout;
  filter_row->addStretch(1);
  filter_row->addWidget(hits_filter_);
  hits_layout->addLayout(filter_row);
  hits_layout->addWidget(hits_grid_, 1);
  return hits_page;
}

// The chart over the lines of the digit chosen in it.
QWidget* JetTab::BuildDigitsPage() {
  auto* digits_page = new QSplitter(Qt::Vertical, details_);
  chart_ = new JetDigitChart(digits_page);
  auto* digit_lines = new QWidget(digits_page);
  digit_lines_count_ = new QLabel(kChooseBar, digit_lines);
  digit_lines_count_->setObjectName(QStringLiteral("digitLinesCount"));
  digit_lines_grid_ = SortedGrid(
      QStringLiteral("digitLinesGrid"), HitColumns(QStringLiteral("ספרה")), kOwnField, digit_rows_,
      HitKinds(ValueKind::kKey) /* the digit */, &digit_sort_task_, digit_lines);
  auto* digit_lines_layout = new QVBoxLayout(digit_lines);
  digit_lines_layout->setContentsMargins(0, 0, 0, 0);
  digit_lines_layout->addWidget(digit_lines_count_);
  digit_lines_layout->addWidget(digit_lines_grid_, 1);
  digits_page->addWidget(chart_);
  digits_page->addWidget(digit_lines);
  digits_page->setStretchFactor(0, 3);
  digits_page->setStretchFactor(1, 1);
  return digits_page;
}

void JetTab::LayOut() {
  // Under the tests, what the digit tests judge and where their lines are.
  auto* tests_part = new QWidget(this);
  digit_note_ = new QLabel(FromStd(kJetDigitNote), tests_part);
  digit_note_->setObjectName(QStringLiteral("digitNote"));
  digit_note_->setWordWrap(true);
  digit_note_->hide();
  auto* tests_layout = new QVBoxLayout(tests_part);
  tests_layout->setContentsMargins(0, 0, 0, 0);
  tests_layout->addWidget(tests_grid_, 1);
  tests_layout->addWidget(digit_note_);
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->addWidget(tests_part);
  splitter->addWidget(details_);
  splitter->setStretchFactor(0, 2);
  splitter->setStretchFactor(1, 3);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(run_bar_);
  layout->addWidget(gate_);
  layout->addWidget(splitter, 1);
}

void JetTab::ConnectParts() {
  connect(run_bar_->RunButton(), &QPushButton::clicked, this, &JetTab::Run);
  connect(run_bar_->StopButton(), &QPushButton::clicked, this, &JetTab::Stop);
  connect(parameters_button_, &QPushButton::clicked, this, &JetTab::EditParameters);
  connect(print_button_, &QPushButton::clicked, this, &JetTab::Print);
  connect(&run_task_, &ReadTask::Progress, run_bar_->Progress(), &QProgressBar::setValue);
  connect(&lines_task_, &ReadTask::Progress, run_bar_->Progress(), &QProgressBar::setValue);
  connect(tests_grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this](const QModelIndex& current) {
            if (current.isValid()) ChooseTest(current.row());
          });
  connect(hits_grid_, &QAbstractItemView::doubleClicked, this, [this] { OpenHit(); });
  connect(digit_lines_grid_, &QAbstractItemView::doubleClicked, this, [this] { OpenDigitLine(); });
  connect(ranking_grid_, &QAbstractItemView::doubleClicked, this, [this] { OpenRanked(); });
  connect(chart_, &JetDigitChart::BarClicked, this, &JetTab::ListDigit);
  connect(chart_, &JetDigitChart::Redrawn, this, &JetTab::ClearDigitLines);
}

JetTab::~JetTab() {
  // The grids ask the filter and the rows for texts until they are gone.
  delete hits_filter_;
  for (Grid* grid : {tests_grid_, sufficiency_grid_, ranking_grid_, digit_lines_grid_}) {
    grid->SetSource(nullptr);
  }
}

QPushButton* JetTab::RunButton() const { return run_bar_->RunButton(); }
QPushButton* JetTab::StopButton() const { return run_bar_->StopButton(); }
PercentProgressBar* JetTab::Progress() const { return run_bar_->Progress(); }

void JetTab::ShowRunning(bool running) {
  run_bar_->ShowRunning(running, running || lines_task_.Running());
  parameters_button_->setEnabled(!running);
  print_button_->setEnabled(!running && result_ != nullptr);
}

void JetTab::Run() {
  if (Running() || app_.app_busy || app_.store.LoadedFolder.empty()) return;
  lines_task_.Stop();
  ClearResults();
  clock_.start();
  stop_asked_ = false;
  run_bar_->Progress()->setValue(0);
  ShowRunning(true);
  run_bar_->Status()->setText(QStringLiteral("הבדיקות מתבצעות..."));
  host_.RunStateChanged(&page_, kBusyAnalysis);
  auto run = std::make_shared<JetRun>();
  const RecordStore* store = &app_.store;
  const SourceFiles sources = SourceFilesOfStore(app_.store);
  const JetParameters parameters = parameters_;
  run_task_.Start(
      [run, store, sources, parameters](ProgressMonitor& monitor) {
        *run = RunJet(*store, sources, parameters, AllJetTests(), monitor);
        return run->status.ok();
      },
      [this, run](bool completed) {
        ShowRunning(false);
        host_.RunStateChanged(nullptr, {});
        if (completed && run->result) {
          ShowResult(std::move(*run->result));
          last_run_ms_ = clock_.elapsed();
          run_bar_->Status()->setText(QStringLiteral("הבדיקות הסתיימו"));
        } else if (stop_asked_) {
          // The work may still be running: its result is not looked at.
          run_bar_->Status()->setText(FromStd(kJetStoppedText));
        } else {
          run_bar_->Status()->setText(FromStd(run->status.message()));
          AppMessage(app_, this, 1, MessageIcon::kExclamation, FromStd(run->status.message()));
        }
        emit RunEnded();
      });
}

void JetTab::Stop() {
  if (!Running()) return;
  stop_asked_ = true;
  run_task_.Stop();
}

void JetTab::ClearResults() {
  lines_task_.Stop();
  result_.reset();
  chosen_.reset();
  pending_view_.reset();
  pending_hit_.reset();
  gate_->clear();
  run_bar_->Status()->clear();
  hit_targets_.clear();
  digit_targets_.clear();
  Replace(*hits_grid_, hit_rows_, &hits_sort_task_, {});
  Replace(*digit_lines_grid_, digit_rows_, &digit_sort_task_, {});
  for (SortedRows* rows : {&test_rows_, &sufficiency_rows_, &ranking_rows_}) rows->Clear();
  tests_grid_->SetRowCount(0);
  hits_filter_->SetRows(0, 0);
  sufficiency_grid_->SetRowCount(0);
  ranking_grid_->SetRowCount(0);
  digit_lines_grid_->SetRowCount(0);
  chart_->SetResult(nullptr);
  digit_note_->hide();
  ShowRunning(Running());
}

void JetTab::Enter() {
  if (result_ && result_load_ != app_.store.LoadNumber) ClearResults();
}

void JetTab::BusyChanged(bool) { ShowRunning(Running()); }

void JetTab::ShowResult(JetResult result) {
  result_ = std::make_shared<const JetResult>(std::move(result));
  result_load_ = app_.store.LoadNumber;
  const JetResult& r = *result_;
  const std::vector<std::string> summary = JetSummaryRows(r, JetWords::kPage);
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < summary.size() && i < r.tests.size(); ++i) {
    const std::string_view row = summary[i];
    // The status shows the test's state as a picture.
    std::string shown = PickedGridRow(row, kTestPicks);
    shown[0] = static_cast<char>(StatePicture(r.tests[i].state));
    rows.push_back(std::move(shown));
  }
  if (r.population.reconciles) {
    gate_->setText(kReconciles);
    gate_->setStyleSheet(QStringLiteral("color: darkgreen"));
  } else {
    gate_->setText(
        QStringLiteral("האוכלוסיה ") +
        (summary.empty() ? QString() : FromStd(StatusRowCell(summary.front(), S::Cell("figure")))));
    gate_->setStyleSheet(QStringLiteral("color: red"));
  }
  Replace(*tests_grid_, test_rows_, nullptr, SortedRows::Rows(rows));
  tests_grid_->SetRowCount(test_rows_.Count());
  Replace(*sufficiency_grid_, sufficiency_rows_, nullptr, SortedRows::Rows(JetSufficiencyRows(r)));
  sufficiency_grid_->SetRowCount(sufficiency_rows_.Count());
  Replace(*ranking_grid_, ranking_rows_, nullptr, SortedRows::Rows(JetRankingRows(r)));
  ranking_grid_->SetRowCount(ranking_rows_.Count());
  chart_->SetResult(result_);
  digit_note_->setVisible(!r.digits.empty());
  if (test_rows_.Count() > 0) {
    tests_grid_->selectionModel()->setCurrentIndex(
        tests_grid_->model()->index(0, 1),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  ShowRunning(false);
}

void JetTab::ChooseTest(int row) {
  if (!result_ || row < 0 || row >= test_rows_.Count()) return;
  JetTest test;
  if (!FindJetTest(RowField(test_rows_.Row(row), kTestIdField), test)) return;
  if (chosen_ == test) return;
  chosen_ = test;
  LoadHits(test);
}

void JetTab::LoadHits(JetTest test) {
  std::vector<GridColumn> columns = hits_grid_->Model().Columns();
  if (static_cast<int>(columns.size()) >= kOwnField) {
    columns[kDateField - 1].caption = FromStd(JetDateCaption(test));
    columns[kOwnField - 1].caption = FromStd(JetOwnCaption(test));
    hits_grid_->SetColumns(std::move(columns));
  }
  hit_rows_.SetKinds(HitKinds(JetOwnKind(test)));
  Replace(*hits_grid_, hit_rows_, &hits_sort_task_, {});
  hit_targets_.clear();
  pending_hit_.reset();
  hits_filter_->SetRows(0, 0);
  auto rows = std::make_shared<SortedRows::Rows>();
  auto targets = std::make_shared<std::vector<LineTarget>>();
  auto order = std::make_shared<std::vector<int>>();
  // The order a view returned to had: sorted here, as a million hits would hold the window.
  const int sort = pending_view_ ? pending_view_->sort_field : 0;
  const ValueKind sort_kind = hit_rows_.KindOf(std::abs(sort));
  const RecordStore* store = &app_.store;
  std::shared_ptr<const JetResult> result = result_;
  run_bar_->Progress()->setValue(0);
  lines_task_.Start(
      [store, result, test, rows, targets, order, sort, sort_kind](ProgressMonitor& monitor) {
        std::vector<std::string> made;
        if (!JetHitRows(*store, *result, test, monitor, made, targets.get(), JetWords::kPage)
                 .ok()) {
          return false;
        }
        *rows = SortedRows::Rows(made);
        if (sort != 0) *order = SortedRows::SortedOrder(*rows, std::abs(sort), sort_kind);
        return true;
      },
      [this, rows, targets, order, sort](bool completed) {
        ShowRunning(Running());
        if (!completed) return;
        Replace(*hits_grid_, hit_rows_, &hits_sort_task_, std::move(*rows));
        hit_targets_ = std::move(*targets);
        if (sort != 0) {
          hit_rows_.SetOrder(std::move(*order));
          if (sort < 0) hit_rows_.Reverse();
          hits_grid_->SetSortIndex(std::abs(sort), sort < 0);
        }
        if (pending_view_) {
          // The text first, so that the hits are matched once, in their order.
          hits_filter_->SetText(pending_view_->filter_text);
          hits_filter_->SetRows(hit_rows_.Count(), 0);
          pending_hit_ = std::move(pending_view_);
          pending_view_.reset();
          ChooseSavedHit();
        } else {
          hits_filter_->SetRows(hit_rows_.Count(), 0);
        }
        emit LinesShown();
      });
  ShowRunning(Running());
}

void JetTab::ChooseSavedHit() {
  if (!pending_hit_ || hits_filter_->Working()) return;
  PageView view = *pending_hit_;
  pending_hit_.reset();
  const int shown = hit_rows_.Shown(view.row);
  view.row = -1;
  for (int row = 0; shown >= 0 && row < hits_filter_->ShownRows(); ++row) {
    if (hits_filter_->SourceRow(row) == shown) view.row = row;
  }
  RestoreGridView(*hits_grid_, view);
}

void JetTab::ClearDigitLines() {
  ++digit_lines_asked_;
  Replace(*digit_lines_grid_, digit_rows_, &digit_sort_task_, {});
  digit_targets_.clear();
  digit_lines_grid_->SetRowCount(0);
  digit_lines_count_->setText(kChooseBar);
}

void JetTab::ListDigit(JetTest test, JetPopulationKind population, int digit) {
  if (!result_) return;
  const std::uint64_t asked = ++digit_lines_asked_;
  auto rows = std::make_shared<SortedRows::Rows>();
  auto targets = std::make_shared<std::vector<LineTarget>>();
  const RecordStore* store = &app_.store;
  const JetParameters parameters = result_->parameters;
  lines_task_.Start(
      [=](ProgressMonitor& monitor) {
        std::vector<std::string> made;
        if (!JetDigitLineRows(*store, parameters, test, population, digit, monitor, made,
                              targets.get(), JetWords::kPage)
                 .ok()) {
          return false;
        }
        *rows = SortedRows::Rows(made);
        return true;
      },
      [this, rows, targets, asked, digit](bool completed) {
        ShowRunning(Running());
        // Lines of a chart shown no more are not listed under another.
        if (!completed || asked != digit_lines_asked_) return;
        Replace(*digit_lines_grid_, digit_rows_, &digit_sort_task_, std::move(*rows));
        digit_targets_ = std::move(*targets);
        digit_lines_grid_->SetRowCount(0);
        digit_lines_grid_->SetRowCount(digit_rows_.Count());
        digit_lines_count_->setText(
            QStringLiteral("שורות הספרה %1 (%2): %3")
                .arg(chart_->Test() == JetTest::kLastTwo
                         ? QStringLiteral("%1").arg(digit, 2, 10, QLatin1Char('0'))
                         : QString::number(digit),
                     FromStd(JetPopulationCaption(chart_->Population())),
                     FromStd(FormatCount(digit_rows_.Count()))));
        emit LinesShown();
      });
  ShowRunning(Running());
}

void JetTab::OpenHit() {
  const int row = ChosenRow(*hits_grid_);
  if (row < 0) return;
  const int original = hit_rows_.Original(hits_filter_->SourceRow(row));
  if (original < 0 || static_cast<std::size_t>(original) >= hit_targets_.size()) return;
  emit OpenTarget(hit_targets_[static_cast<std::size_t>(original)]);
}

void JetTab::OpenDigitLine() {
  const int original = digit_rows_.Original(ChosenRow(*digit_lines_grid_));
  if (original < 0 || static_cast<std::size_t>(original) >= digit_targets_.size()) return;
  emit OpenTarget(digit_targets_[static_cast<std::size_t>(original)]);
}

void JetTab::OpenRanked() {
  const int original = ranking_rows_.Original(ChosenRow(*ranking_grid_));
  if (!result_ || original < 0) return;
  const std::uint32_t line = result_->ranking[static_cast<std::size_t>(original)].first_line;
  auto targets = std::make_shared<std::vector<LineTarget>>();
  const RecordStore* store = &app_.store;
  lines_task_.Start(
      [store, line, targets](ProgressMonitor& monitor) {
        const std::uint32_t lines[] = {line};
        return JetLineTargets(*store, lines, monitor, *targets).ok();
      },
      [this, targets](bool completed) {
        ShowRunning(Running());
        if (completed && !targets->empty()) emit OpenTarget(targets->front());
      });
  ShowRunning(Running());
}

void JetTab::SortGrid(Grid& grid, SortedRows& rows, FilterBox* filter, ReadTask* task, int field) {
  if (task == nullptr || rows.Count() <= kRowsSortedAtOnce) {
    if (task != nullptr) task->Stop();
    rows.SortBy(field);
    ShowOrder(grid, rows, filter);
    return;
  }
  auto shared = rows.Shared();
  auto order = std::make_shared<std::vector<int>>();
  const ValueKind kind = rows.KindOf(field);
  task->Start(
      [shared, order, field, kind](ProgressMonitor&) {
        *order = SortedRows::SortedOrder(*shared, field, kind);
        return true;
      },
      [&grid, &rows, filter, shared, order](bool completed) {
        if (!completed || rows.Shared() != shared) return;
        rows.SetOrder(std::move(*order));
        // The header was clicked again while the rows were sorted.
        if (grid.SortDescending()) rows.Reverse();
        ShowOrder(grid, rows, filter);
      });
}

void JetTab::Reverse(Grid& grid, SortedRows& rows, FilterBox* filter, const ReadTask* task) {
  // A sort still running turns its order when it ends, as the grid says then.
  if (task != nullptr && task->Running()) return;
  rows.Reverse();
  ShowOrder(grid, rows, filter);
}

void JetTab::ShowOrder(Grid& grid, const SortedRows& rows, FilterBox* filter) {
  if (filter != nullptr) {
    filter->SetRows(rows.Count(), 0, /*measure=*/false);
  } else {
    grid.Model().RowsChanged();
  }
}

void JetTab::Replace(Grid& grid, SortedRows& rows, ReadTask* task, SortedRows::Rows new_rows) {
  if (task != nullptr) task->Stop();
  rows.Set(std::move(new_rows));
  grid.SetSortIndex(0);
}

void JetTab::EditParameters() {
  JetParametersDialog dialog(app_, parameters_, this);
  if (dialog.exec() != QDialog::Accepted || !dialog.Parameters()) return;
  parameters_ = *dialog.Parameters();
  app_.settings.WriteReg(kParams, kJetParamsSetting, JetParametersJson(parameters_));
}

void JetTab::Print() {
  if (!result_) return;
  std::shared_ptr<const JetResult> result = result_;
  const std::optional<std::string> day = ReportDay(app_, this);
  if (!day) return;
  ShowOutputDialog(app_, this, QStringLiteral("Jet"), [this, result, day](ReportStream& stream) {
    return WriteJetReport(app_.store, *result, *day, stream);
  });
}

void JetTab::SaveView(PageView& view) const {
  SaveGridView(*hits_grid_, view);
  view.row = hit_rows_.Original(hits_filter_->SourceRow(view.row));
  view.sort_field = SavedSort(*hits_grid_);
  view.shown = chosen_ ? static_cast<std::int64_t>(JetIndex(*chosen_)) + 1 : 0;
  view.filter_text = hits_filter_->Text();
  view.first_text = QString::number(details_->currentIndex());
}

void JetTab::RestoreView(const PageView& view) {
  details_->setCurrentIndex(view.first_text.toInt());
  if (!result_ || view.shown <= 0) return;
  const auto test = static_cast<JetTest>(view.shown - 1);
  if (chosen_ == test && !HitsLoading() && view.sort_field == SavedSort(*hits_grid_)) {
    hits_filter_->SetText(view.filter_text);
    pending_hit_ = view;
    ChooseSavedHit();
    hits_grid_->setFocus();
    return;
  }
  pending_view_ = view;
  // The same test's hits, loading or in another order: loaded again, in the order returned to.
  if (chosen_ == test) {
    LoadHits(test);
    return;
  }
  for (int row = 0; row < test_rows_.Count(); ++row) {
    if (RowField(test_rows_.Row(row), kTestIdField) == JetTestId(test)) {
      tests_grid_->selectionModel()->setCurrentIndex(
          tests_grid_->model()->index(row, 1),
          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
  }
}

bool JetTab::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == hits_grid_) {
        OpenHit();
        return true;
      }
      if (watched == digit_lines_grid_) {
        OpenDigitLine();
        return true;
      }
      if (watched == ranking_grid_) {
        OpenRanked();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace tallyscan
