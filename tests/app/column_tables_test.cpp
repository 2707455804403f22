// Each kind of result row has one table of its columns, and every reader of the rows takes
// its columns from it: the command line's CSV header and JSON keys, the report's headings
// and the window's grid headings are the table's names and headings. The browsers' rows keep
// positional JSON cells, one for each column, and head their CSV with the headings; their
// grids show the columns of their field lists. One case per row kind, on one generated set.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/jet/jet_tab.h"
#include "app/main_window.h"
#include "app/pages/accounts_index_page.h"
#include "app/pages/analysis_page.h"
#include "app/pages/checks_page.h"
#include "app/pages/documents_page.h"
#include "app/pages/items_page.h"
#include "app/pages/ledger_page.h"
#include "app/statistics/field_statistics_tab.h"
#include "app/statistics/producer_summaries_tab.h"
#include "app/widgets/grid.h"
#include "app_test_support.h"
#include "engine/analytics/analytics.h"
#include "engine/browse/browse.h"
#include "engine/checks/checks.h"
#include "engine/common/progress.h"
#include "engine/report/report.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"

namespace tallyscan::test {
namespace {

using Json = nlohmann::json;
using Cells = std::vector<std::size_t>;

// The headings each SetColumns gave, in order.
class HeadingsTarget final : public ReportTarget {
 public:
  void OnColumns(const ReportState& state) override {
    std::vector<std::string> headings;
    for (const ReportColumn& column : state.columns.columns) headings.push_back(column.caption);
    layouts.push_back(std::move(headings));
  }
  void OnLine(const ReportState&, const ReportLine&) override {}
  void OnFreeText(const ReportState&, const FreeText&) override {}
  void OnAddressBox(const ReportState&, std::span<const std::string>) override {}
  Status OnEnd(const ReportState&) override { return Status::Ok(); }
  std::vector<std::vector<std::string>> layouts;
};

std::vector<std::vector<std::string>> ReportHeadings(
    const std::function<bool(ReportStream&)>& write) {
  SilentProgress silent;
  HeadingsTarget target;
  const PrintFonts fonts = DefaultPrintFonts();
  ReportStream stream(ReportHeader{}, fonts, {&target}, silent);
  if (!write(stream) || !stream.End().ok()) return {};
  return target.layouts;
}

std::vector<std::string> Headings(std::span<const ResultColumn> table, const Cells& cells) {
  std::vector<std::string> headings;
  for (const std::size_t cell : cells) headings.emplace_back(table[cell].heading);
  return headings;
}

Cells EveryCell(std::span<const ResultColumn> table) {
  Cells cells;
  for (std::size_t cell = 0; cell < table.size(); ++cell) cells.push_back(cell);
  return cells;
}

// A journal-entry result with one test and no hit lines: the evidence report sets every
// table's columns.
JetResult OneTest(JetTest test) {
  JetResult result;
  JetTestResult t;
  t.test = test;
  result.tests.push_back(t);
  return result;
}

struct Case {
  const char* kind;
  std::span<const ResultColumn> table;
  QStringList csv;   // the command whose CSV header names the columns; empty: it names none
  QStringList json;  // the command whose JSON rows are objects keyed by column name
  const char* json_row = "";                  // the pointer of one such row
  Cells json_cells;                           // the cells the JSON rows carry
  std::function<bool(ReportStream&)> report;  // null: the rows have no report of their own
  std::vector<std::string> report_headings;   // the table's, as the report shows them
  std::function<Grid*(MainWindow&)> grid;
  std::vector<std::string> grid_headings;  // after the status column
  // A browser's: the CSV is headed by the headings, and each JSON row at `json_row` holds
  // its cells in the table's order.
  bool view = false;
};

std::vector<std::string> GridHeadings(std::span<const ResultColumn> table, const Cells& cells) {
  std::vector<std::string> headings;
  for (const std::size_t cell : cells) headings.emplace_back(table[cell].GridHeading());
  return headings;
}

// Every field of a browser, as a report of all its columns takes them.
std::vector<FieldListEntry> EveryField(std::span<const ResultColumn> table) {
  std::vector<FieldListEntry> fields;
  for (std::size_t cell = 0; cell < table.size(); ++cell) {
    fields.push_back({100, static_cast<int>(cell) + 1});
  }
  return fields;
}

// The headings of the fields a browser shows at first, after its "#".
std::vector<std::string> ListHeadings(const FieldCatalogue& catalogue) {
  std::vector<std::string> headings;
  for (const FieldListEntry& entry :
       ParseFieldList(catalogue.default_list, catalogue.FieldCount())) {
    if (entry.field != 1) {
      headings.emplace_back(catalogue.columns[static_cast<std::size_t>(entry.field - 1)].heading);
    }
  }
  return headings;
}

// The cases of the browsers' rows.
std::vector<Case> ViewCases() {
  const auto after_image = [](std::span<const ResultColumn> table) {
    Cells cells = EveryCell(table);
    cells.erase(cells.begin());
    return GridHeadings(table, cells);
  };
  std::vector<Case> cases = {
      {"accounts index",
       IndexColumns::kAll,
       {"view", "index"},
       {"view", "index"},
       "/rows/0",
       {},
       [](ReportStream& s) {
         return WriteIndexReport(RecordStore{}, EveryField(IndexColumns::kAll), s);
       },
       Headings(IndexColumns::kAll, EveryCell(IndexColumns::kAll)),
       [](MainWindow& w) { return w.PageOf<AccountsIndexPage>()->List(); },
       ListHeadings(AccountIndexCatalogue())},
      {"ledger card",
       LedgerColumns::kAll,
       {},
       {"view", "ledger", "--from", "1100"},
       "/rows/1",
       {},
       [](ReportStream& s) {
         return WriteLedgerReport(RecordStore{}, CardRange{}, EveryField(LedgerColumns::kAll), s);
       },
       Headings(LedgerColumns::kAll, EveryCell(LedgerColumns::kAll)),
       [](MainWindow& w) { return w.PageOf<LedgerPage>()->List(); },
       ListHeadings(LedgerCatalogue())},
      {"documents register",
       DocumentRegisterColumns::kAll,
       {},
       {},
       "",
       {},
       nullptr,
       {},
       [](MainWindow& w) { return w.PageOf<DocumentsPage>()->RegisterGrid(); },
       after_image(DocumentRegisterColumns::kAll)},
      {"item catalogue",
       ItemColumns::kAll,
       {"view", "items"},
       {"view", "items"},
       "/rows/0",
       {},
       [](ReportStream& s) {
         return WriteItemsReport(RecordStore{}, EveryField(ItemColumns::kAll), s);
       },
       Headings(ItemColumns::kAll, EveryCell(ItemColumns::kAll)),
       [](MainWindow& w) { return w.PageOf<ItemsPage>()->List(); },
       ListHeadings(ItemFieldCatalogue())},
      {"document lines",
       DocumentLineColumns::kAll,
       {},
       {},
       "",
       {},
       nullptr,
       {},
       [](MainWindow& w) { return w.PageOf<DocumentsPage>()->LinesGrid(); },
       ListHeadings(DocumentLinesCatalogue())},
  };
  for (Case& c : cases) c.view = true;
  return cases;
}

std::vector<Case> Cases() {
  using F = FieldStatisticsColumns;
  using S = JetSummaryColumns;
  using H = JetHitColumns;
  const auto jet = +[](MainWindow& w) { return w.PageOf<AnalysisPage>()->Jet(); };
  const auto summaries = +[](MainWindow& w) { return w.PageOf<AnalysisPage>()->Summaries(); };
  const Cells field_report = {
      F::Cell("record"),  F::Cell("code"),           F::Cell("caption"),
      F::Cell("lines"),   F::Cell("blanks"),         F::Cell("invalid"),
      F::Cell("zeros"),   F::Cell("positive_total"), F::Cell("negative_total"),
      F::Cell("net"),     F::Cell("smallest"),       F::Cell("smallest_line"),
      F::Cell("largest"), F::Cell("largest_line"),   F::Cell("before"),
      F::Cell("after")};
  Cells field_grid = {F::Cell("code"), F::Cell("caption")};
  for (std::size_t cell = F::Cell("lines"); cell < F::kCount; ++cell) field_grid.push_back(cell);
  // The hits' date and own cells are headed by what the test puts there.
  std::vector<std::string> hit_report = Headings(H::kAll, EveryCell(H::kAll));
  hit_report[H::Cell("date")] = JetDateCaption(JetTest::kDuplicate);
  hit_report[H::Cell("own")] = JetOwnCaption(JetTest::kDuplicate);
  std::vector<std::string> checks_report = {"#"};
  for (const std::string& heading : Headings(CheckColumns::kAll, EveryCell(CheckColumns::kAll))) {
    checks_report.push_back(heading);
  }
  std::vector<Case> cases = {
      {"field statistics",
       F::kAll,
       {"fields"},
       {"fields"},
       "/records/0/fields/0",
       {F::Cell("code"), F::Cell("caption"), F::Cell("kind"), F::Cell("lines"), F::Cell("blanks"),
        F::Cell("invalid")},
       [](ReportStream& s) { return WriteFieldStatisticsReport({}, s); },
       Headings(F::kAll, field_report),
       [](MainWindow& w) { return w.PageOf<AnalysisPage>()->Fields()->FieldsGrid(); },
       GridHeadings(F::kAll, field_grid)},
      {"documents summary",
       DocumentSummaryColumns::kAll,
       {"summary", "documents"},
       {"summary", "documents"},
       "/types/0",
       EveryCell(DocumentSummaryColumns::kAll),
       [](ReportStream& s) { return WriteDocumentSummaryReport({}, s); },
       Headings(DocumentSummaryColumns::kAll, EveryCell(DocumentSummaryColumns::kAll)),
       [summaries](MainWindow& w) { return summaries(w)->DocumentsGrid(); },
       GridHeadings(DocumentSummaryColumns::kAll, EveryCell(DocumentSummaryColumns::kAll))},
      {"record counts",
       RecordCountColumns::kAll,
       {"summary", "records"},
       {"summary", "records"},
       "/records/0",
       {RecordCountColumns::Cell("record"), RecordCountColumns::Cell("caption"),
        RecordCountColumns::Cell("in_file"), RecordCountColumns::Cell("stated")},
       [](ReportStream& s) { return WriteRecordCountsReport({}, s); },
       Headings(RecordCountColumns::kAll, EveryCell(RecordCountColumns::kAll)),
       [summaries](MainWindow& w) { return summaries(w)->RecordsGrid(); },
       GridHeadings(RecordCountColumns::kAll, EveryCell(RecordCountColumns::kAll))},
      {"journal-entry summary",
       S::kAll,
       {"jet"},
       {"jet"},
       "/tests/0",
       {S::Cell("id"), S::Cell("caption"), S::Cell("state"), S::Cell("hits")},
       [](ReportStream& s) {
         return WriteJetReport(RecordStore{}, OneTest(JetTest::kDuplicate), "2026-01-01", s);
       },
       Headings(S::kAll, EveryCell(S::kAll)),
       [jet](MainWindow& w) { return jet(w)->TestsGrid(); },
       GridHeadings(S::kAll, {S::Cell("caption"), S::Cell("state"), S::Cell("hits"),
                              S::Cell("figure"), S::Cell("id")})},
      {"journal-entry hits",
       H::kAll,
       {},
       {},
       "",
       {},
       [](ReportStream& s) {
         return WriteJetReport(RecordStore{}, OneTest(JetTest::kDuplicate), "2026-01-01", s);
       },
       hit_report,
       [jet](MainWindow& w) { return jet(w)->HitsGrid(); },
       GridHeadings(H::kAll, EveryCell(H::kAll))},
      {"journal-entry sufficiency",
       JetSufficiencyColumns::kAll,
       {},
       {"jet"},
       "/tests/0",
       {JetSufficiencyColumns::Cell("id"), JetSufficiencyColumns::Cell("needs"),
        JetSufficiencyColumns::Cell("usable_share"), JetSufficiencyColumns::Cell("state")},
       [](ReportStream& s) {
         return WriteJetReport(RecordStore{}, OneTest(JetTest::kDuplicate), "2026-01-01", s);
       },
       Headings(JetSufficiencyColumns::kAll, EveryCell(JetSufficiencyColumns::kAll)),
       [jet](MainWindow& w) { return jet(w)->SufficiencyGrid(); },
       GridHeadings(JetSufficiencyColumns::kAll, EveryCell(JetSufficiencyColumns::kAll))},
      {"journal-entry ranking",
       JetRankingColumns::kAll,
       {},
       {"jet"},
       "/ranking/0",
       {JetRankingColumns::Cell("transaction"), JetRankingColumns::Cell("score"),
        JetRankingColumns::Cell("tests"), JetRankingColumns::Cell("first_line")},
       [](ReportStream& s) {
         return WriteJetReport(RecordStore{}, OneTest(JetTest::kDuplicate), "2026-01-01", s);
       },
       Headings(JetRankingColumns::kAll, EveryCell(JetRankingColumns::kAll)),
       [jet](MainWindow& w) { return jet(w)->RankingGrid(); },
       GridHeadings(JetRankingColumns::kAll, EveryCell(JetRankingColumns::kAll))},
      {"checks",
       CheckColumns::kAll,
       {},
       {},
       "",
       {},
       [](ReportStream& s) { return WriteChecksReport({}, s); },
       checks_report,
       [](MainWindow& w) { return w.PageOf<ChecksPage>()->ResultGrid(); },
       GridHeadings(CheckColumns::kAll, EveryCell(CheckColumns::kAll))},
  };
  for (Case& c : ViewCases()) cases.push_back(std::move(c));
  return cases;
}

}  // namespace

class ColumnTablesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    DataSetOptions options;
    options.movements = 400;
    folder_ = sets_.filePath(QStringLiteral("set"));
    GeneratedDataSet generated;
    QVERIFY(GenerateDataSet(options, folder_.toStdString(), &generated).ok());
  }

  void EveryReaderTakesItsColumnsFromTheTable() {
    TestApp t;
    MainWindow window{t.app, StoredSize(1366, 768)};
    for (const Case& c : Cases()) {
      const QByteArray kind(c.kind);
      if (!c.csv.isEmpty()) {
        const QByteArray csv = Cli(c.csv + QStringList{"--format", "csv", folder_});
        std::string names = "\xEF\xBB\xBF";
        std::vector<std::string> header;
        for (const ResultColumn& column : c.table) header.emplace_back(column.heading);
        if (!c.view) header = ColumnNames(c.table);
        for (const std::string& name : header) names += name + ",";
        names.pop_back();
        QVERIFY2(csv.startsWith(QByteArray::fromStdString(names + "\r\n")),
                 kind + ": " + csv.left(200));
      }
      if (!c.json.isEmpty()) {
        const Json document = Json::parse(
            Cli(c.json + QStringList{"--format", "json", folder_}).toStdString(), nullptr, false);
        const Json::json_pointer at(c.json_row);
        QVERIFY2(document.contains(at), kind);
        if (c.view) QVERIFY2(document[at]["cells"].size() == c.table.size(), kind);
        for (const std::size_t cell : c.json_cells) {
          QVERIFY2(document[at].contains(std::string(c.table[cell].name)),
                   kind + ": " + QByteArray(c.table[cell].name.data()));
        }
      }
      if (c.report) {
        const std::vector<std::vector<std::string>> layouts = ReportHeadings(c.report);
        QVERIFY2(std::find(layouts.begin(), layouts.end(), c.report_headings) != layouts.end(),
                 kind);
      }
      const Grid* grid = c.grid(window);
      QVERIFY2(grid != nullptr, kind);
      const std::vector<GridColumn>& columns = grid->Model().Columns();
      QVERIFY2(columns.size() == c.grid_headings.size() + 1, kind);
      QCOMPARE(columns.front().caption, QStringLiteral("#"));
      for (std::size_t i = 0; i < c.grid_headings.size(); ++i) {
        QCOMPARE(columns[i + 1].caption, QString::fromStdString(c.grid_headings[i]));
      }
    }
  }

 private:
  QByteArray Cli(const QStringList& arguments) const {
    QProcess cli;
    cli.start(QStringLiteral(TALLYSCAN_CLI), arguments);
    if (!cli.waitForFinished(120000)) return {};
    return cli.readAllStandardOutput();
  }

  QTemporaryDir sets_;
  QString folder_;
};

}  // namespace tallyscan::test

QTEST_MAIN(tallyscan::test::ColumnTablesTest)
#include "column_tables_test.moc"
