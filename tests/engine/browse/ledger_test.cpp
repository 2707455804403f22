#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/browse/balance_text.h"
#include "engine/browse/browse_fixture.h"
#include "engine/browse/cards_on_cores.h"
#include "engine/browse/ledger_card.h"
#include "engine/common/progress.h"
#include "engine/report/report.h"
#include "engine/text/text.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

using testing::Account;
using testing::AccountLine;
using testing::BrowseTest;
using testing::DataSetFiles;
using testing::kCredit;
using testing::kDebit;
using testing::kMark;
using testing::MovementLine;
using testing::TempFolder;

TEST_F(BrowseTest, CardsRunInFileOrderWithTheirBalanceAndOpeningRow) {
  Import({AccountLine(2, {.key = "100"}),
          AccountLine(3, {.key = "990020         ", .opening = -5000, .credit = 1000}),
          AccountLine(4, {.key = "200", .opening = 700}), MovementLine(5, "990020", '2', 1000),
          MovementLine(6, "100", '1', 2500), MovementLine(7, "100", '2', 400),
          MovementLine(8, "100", '1', 100)});
  // Account "100": its movements in file order, the running balance following them, with
  // "ח" or "ז" as the index shows a balance.
  const std::int64_t hundred = FindAccount(store_, " 100 ");
  ASSERT_NE(0, hundred);
  EXPECT_EQ((std::vector<std::string>{
                "9|25.00|25.00" + kDebit + "||25.00 ח" + kDebit,
                "10|-4.00||4.00" + kCredit + "|21.00 ח" + kDebit,
                "9|1.00|1.00" + kDebit + "||22.00 ח" + kDebit,
                "8||26.00" + kMark + kDebit + "|4.00" + kMark + kCredit + "|",
                // The index gives the account no totals: the card names the gap.
                "8|-22.00" + kMark + "||22.00" + kMark + kCredit + "|",
            }),
            Card(hundred, {1, 16, 17, 18, 19}));
  // A key stored left-aligned is found by its digits; its opening balance (credit, not
  // covered by the movements) comes first as a row of its own and enters the balance.
  const std::int64_t left = FindAccount(store_, "990020");
  ASSERT_NE(0, left);
  EXPECT_EQ((std::vector<std::string>{
                "10|||01/01/2023|יתרת פתיחה|-50.00|50.00" + kCredit + "|50.00 ז" + kCredit,
                "10|5|1|05/03/2023||-10.00|10.00" + kCredit + "|60.00 ז" + kCredit,
                "8||||סה'כ תנועות בכרטיס" + kMark + "||60.00" + kMark + kCredit + "|",
            }),
            Card(left, {1, 2, 3, 6, 12, 16, 18, 19}));
  // The card's last balance reads as the index shows the account's balance (field 17).
  AccountsIndexRows index(store_);
  std::string index_balance;
  for (std::int64_t row = 1; row < index.RowCount(); ++row) {
    if (index.Row(row)[1] == "990020") index_balance = index.Row(row)[16];
  }
  const LedgerCard left_card = LoadCard(store_, left);
  EXPECT_EQ("60.00 ז" + kCredit, index_balance);
  EXPECT_EQ(index_balance, LedgerRowCells(store_, left_card,
                                          static_cast<std::int64_t>(left_card.rows.size()))[18]);
  // An opening balance without movements is a row of the card; account "100" had none.
  EXPECT_EQ(2, LoadCard(store_, FindAccount(store_, "200")).RowCount());

  // Cards read together are the cards read one by one, whatever the budget of rows.
  for (const std::int64_t budget : {1, 2, 100}) {
    std::vector<std::string> together;
    for (std::int64_t account = 1; account <= 3;) {
      const std::vector<LedgerCard> cards = LoadCards(store_, account, 3, budget, nullptr);
      ASSERT_FALSE(cards.empty());
      for (const LedgerCard& card : cards) {
        ASSERT_EQ(account++, card.account);
        for (std::int64_t r = 1; r <= card.RowCount(); ++r) {
          for (const std::string& cell : LedgerRowCells(store_, card, r)) together.push_back(cell);
        }
      }
    }
    std::vector<std::string> alone;
    for (std::int64_t account = 1; account <= 3; ++account) {
      const LedgerCard card = LoadCard(store_, account);
      for (std::int64_t r = 1; r <= card.RowCount(); ++r) {
        for (const std::string& cell : LedgerRowCells(store_, card, r)) alone.push_back(cell);
      }
    }
    EXPECT_EQ(alone, together) << budget;
  }
}

// The index's balance against the movements': the made-up opening row only for the gap of the
// opening balance the movements lack, any other gap over 0.99 a row after the totals.
TEST_F(BrowseTest, CardsMakeUpTheOpeningOnlyForItsGapAndShowAnyOtherAsADifference) {
  const struct {
    Account account;
    std::vector<std::pair<char, std::int64_t>> movements;
    std::vector<std::string> rows;  // fields 12, 16, 17, 18, 19 (an empty 12 adds no "|")
  } cases[] = {
      // The file's own opening movement and totals that disagree: the opening is not added
      // again, the gap is named.
      {{.key = "1", .opening = 5000, .debit = 20000},
       {{'1', 5000}, {'1', 10000}},
       {"50.00|50.00" + kDebit + "||50.00 ח" + kDebit,
        "100.00|100.00" + kDebit + "||150.00 ח" + kDebit,
        "סה'כ תנועות בכרטיס" + kMark + "||150.00" + kMark + kDebit + "|" + kMark + kCredit + "|",
        "הפרש בין הכרטיס לאינדקס" + kMark + "|100.00" + kMark + "|100.00" + kMark + kDebit + "||"}},
      // The movements lack the opening, give or take 0.99: it comes first and enters the balance.
      {{.key = "2", .opening = -5000, .credit = 10000},
       {{'2', 9901}},
       {"יתרת פתיחה|-50.00||50.00" + kCredit + "|50.00 ז" + kCredit,
        "-99.01||99.01" + kCredit + "|149.01 ז" + kCredit,
        "סה'כ תנועות בכרטיס" + kMark + "||" + kMark + kDebit + "|149.01" + kMark + kCredit + "|"}},
      // A shekel off the opening is no opening: the whole gap is the difference.
      {{.key = "3", .opening = 5000, .debit = 10000},
       {{'1', 9900}},
       {"99.00|99.00" + kDebit + "||99.00 ח" + kDebit,
        "סה'כ תנועות בכרטיס" + kMark + "||99.00" + kMark + kDebit + "|" + kMark + kCredit + "|",
        "הפרש בין הכרטיס לאינדקס" + kMark + "|51.00" + kMark + "|51.00" + kMark + kDebit + "||"}},
      // A credit gap without opening or movements stands on the credit side.
      {{.key = "4", .credit = 3000},
       {},
       {"סה'כ תנועות בכרטיס" + kMark + "||" + kMark + kDebit + "|" + kMark + kCredit + "|",
        "הפרש בין הכרטיס לאינדקס" + kMark + "|-30.00" + kMark + "||30.00" + kMark + kCredit + "|"}},
      // Within 0.99 the two agree: nothing is added.
      {{.key = "5", .debit = 10000},
       {{'1', 9901}},
       {"99.01|99.01" + kDebit + "||99.01 ח" + kDebit,
        "סה'כ תנועות בכרטיס" + kMark + "||99.01" + kMark + kDebit + "|" + kMark + kCredit + "|"}},
  };
  std::vector<std::string> lines;
  std::int64_t record = 2;
  for (const auto& c : cases) lines.push_back(AccountLine(record++, c.account));
  for (const auto& c : cases) {
    for (const auto& [side, amount] : c.movements) {
      lines.push_back(MovementLine(record++, c.account.key, side, amount));
    }
  }
  Import(lines);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.account.key);
    EXPECT_EQ(c.rows, Card(FindAccount(store_, c.account.key), {12, 16, 17, 18, 19}));
  }
}

// On a large set with every fault the generator plants, each card ends at its account's
// balance in the index or names the gap in its difference row.
TEST(LedgerOfEveryFaultTest, EachCardEndsAtTheIndexBalanceOrNamesTheGap) {
  DataSetOptions options;
  options.movements = 20000;
  options.accounts = 400;
  options.documents = 2000;
  options.items = 300;
  options.seed = 5;
  for (const FaultInfo& fault : Faults()) options.faults.push_back({fault.kind});
  TempFolder folder, cache;
  GeneratedDataSet generated;
  ASSERT_TRUE(GenerateDataSet(options, folder.path(), &generated).ok());
  RecordStore store;
  SilentProgress silent;
  ASSERT_TRUE(ImportFolder(store, folder.path(), silent, {cache.path()}).status.ok());

  int differences = 0;
  CardBatches batches(store, {1, store.AccountIndex.Count(), {}});
  std::vector<LedgerCard> cards;
  while (batches.Next(cards)) {
    for (const LedgerCard& card : cards) {
      const std::int64_t offset = store.AccountIndex[card.account].Offset;
      const auto amount = [&](Positions positions) {
        return AmountSum{ReadAmount(ReadRecordField(store, offset, positions))};
      };
      const AmountSum index_balance =
          amount(field::B110(1414)) + amount(field::B110(1415)) - amount(field::B110(1416));
      const AmountSum final_balance = card.rows.empty() ? 0 : card.rows.back().balance;
      SCOPED_TRACE(card.header);
      if (card.difference == 0) {
        const AmountSum gap = index_balance - final_balance;
        EXPECT_LE(gap < 0 ? -gap : gap, 99);
        EXPECT_EQ(1, card.TrailingRows());
        continue;
      }
      ++differences;
      EXPECT_EQ(index_balance - final_balance, card.difference);
      const RowCells last = LedgerRowCells(store, card, card.RowCount());
      EXPECT_EQ(std::string(kCardIndexDifference) + kMark, last[11]);
      EXPECT_EQ(BalanceText(card.difference, false) + kMark, last[15]);
    }
  }
  // The account whose totals disagree with its movements, which hold their own opening.
  const LedgerCard flagged = LoadCard(store, FindAccount(store, "200080"));
  ASSERT_FALSE(flagged.rows.empty());
  EXPECT_FALSE(flagged.rows.front().opening);
  EXPECT_NE(0, flagged.difference);
  EXPECT_LT(0, differences);
}

// Every cell of the cards `cards`, row by row.
std::vector<std::string> CardCells(const RecordStore& store, const std::vector<LedgerCard>& cards) {
  std::vector<std::string> cells;
  for (const LedgerCard& card : cards) {
    for (std::int64_t r = 1; r <= card.RowCount(); ++r) {
      for (std::string& cell : LedgerRowCells(store, card, r)) cells.push_back(std::move(cell));
    }
  }
  return cells;
}

// Many accounts, each the counter account of some movements (more than the names table starts
// with), and cards of many sizes: the first account has a seventh of the movements.
std::vector<std::string> ManyCards(int movements = 3000) {
  std::vector<std::string> lines;
  std::int64_t record = 2;
  constexpr int kAccounts = 700;
  for (int a = 0; a < kAccounts; ++a) {
    lines.push_back(AccountLine(record++, {.key = std::to_string(1000 + a),
                                           .opening = a % 3 * 500,
                                           .name = "חשבון " + std::to_string(a)}));
  }
  for (int m = 0; m < movements; ++m) {
    const int account = m % 7 == 0 ? 0 : (m * 37) % kAccounts;
    std::string line =
        MovementLine(record++, std::to_string(1000 + account), m % 2 ? '2' : '1', 100 + m);
    RecordWriter w(RecordType::kB100);
    w.SetRaw(1, line).SetText(1365, std::to_string(1000 + (m * 11) % kAccounts));
    lines.emplace_back(w.line());
  }
  return lines;
}

TEST_F(BrowseTest, BatchesGiveEveryCardOnceInOrderWhateverMayBeHeld) {
  Import(ManyCards());
  const CardRange all{1, store_.AccountIndex.Count(), {}};
  std::vector<LedgerCard> alone;
  for (std::int64_t a = all.first; a <= all.last; ++a) alone.push_back(LoadCard(store_, a));
  const std::vector<std::string> expected = CardCells(store_, alone);
  // Held: less than the largest card (each batch read when asked for), a few cards, all.
  for (const std::int64_t held : {1, 30, 200, 100000}) {
    CardBatches batches(store_, all, held);
    std::vector<LedgerCard> cards;
    std::vector<LedgerCard> together;
    while (batches.Next(cards)) {
      for (LedgerCard& card : cards) together.push_back(std::move(card));
    }
    ASSERT_EQ(alone.size(), together.size()) << held;
    EXPECT_EQ(expected, CardCells(store_, together)) << held;
  }
  // A copy of a card keeps its lines when the card is gone.
  LedgerCard copy;
  {
    const LedgerCard card = LoadCard(store_, 1);
    copy = card;
  }
  EXPECT_EQ(CardCells(store_, {LoadCard(store_, 1)}), CardCells(store_, {copy}));
}

// Rows are named "card:row" (row 0 the title) in the tests of the rows made on the cores.
std::string RowName(const LedgerCard& card, std::int64_t row) {
  return std::to_string(card.account) + ":" + std::to_string(row);
}

TEST(CutCardRowsTest, StretchesCoverEveryRowOnceInOrderAndShareThemEvenly) {
  // Cards of 1, 5 and 2 grid rows: with their titles, 2 + 6 + 3 = 11 rows.
  std::vector<LedgerCard> cards(3);
  cards[0].rows.resize(0);  // the totals row alone
  cards[1].rows.resize(4);
  cards[2].rows.resize(1);
  struct Case {
    std::size_t parts;
    std::size_t stretches;
  };
  for (const Case c : {Case{1, 1}, Case{2, 2}, Case{3, 3}, Case{11, 11}, Case{40, 11}}) {
    const std::vector<CardStretch> stretches = CutCardRows(cards, c.parts);
    ASSERT_EQ(c.stretches, stretches.size()) << c.parts;
    std::vector<std::pair<std::size_t, std::int64_t>> rows;
    for (const CardStretch& s : stretches) {
      std::size_t taken = 0;
      for (std::size_t card = s.first_card; card <= s.end_card && card < cards.size(); ++card) {
        const std::int64_t from = card == s.first_card ? s.first_row : 0;
        const std::int64_t to = card == s.end_card ? s.end_row : cards[card].RowCount() + 1;
        for (std::int64_t row = from; row < to; ++row, ++taken) rows.emplace_back(card, row);
      }
      // No stretch is more than one row longer than another.
      EXPECT_GE(taken, 11 / c.stretches) << c.parts;
      EXPECT_LE(taken, 11 / c.stretches + 1) << c.parts;
    }
    std::vector<std::pair<std::size_t, std::int64_t>> expected;
    for (std::size_t card = 0; card < cards.size(); ++card) {
      for (std::int64_t row = 0; row <= cards[card].RowCount(); ++row) {
        expected.emplace_back(card, row);
      }
    }
    EXPECT_EQ(expected, rows) << c.parts;
  }
  EXPECT_TRUE(CutCardRows({}, 4).empty());
}

TEST_F(BrowseTest, RowsMadeOnTheCoresComeInCardOrderAndFailuresReachTheCaller) {
  // Enough movements for several batches, and a first card larger than a stretch.
  Import(ManyCards(60000));
  const CardRange all{1, store_.AccountIndex.Count(), {}};
  std::vector<std::string> expected;
  for (std::int64_t a = all.first; a <= all.last; ++a) {
    const LedgerCard card = LoadCard(store_, a);
    for (std::int64_t row = 0; row <= card.RowCount(); ++row) {
      expected.push_back(RowName(card, row) + JoinCells(LedgerRowCells(store_, card, row)));
    }
  }
  for (const std::size_t makers : std::initializer_list<std::size_t>{1, 2, 3, 8}) {
    std::vector<std::string> taken;
    std::size_t parts = 0;
    std::size_t largest = 0;
    EXPECT_TRUE(MakeCardRows<std::vector<std::string>>(
        store_, all,
        [this](std::vector<std::string>& part, const LedgerCard& card, std::int64_t row) {
          part.push_back(RowName(card, row) + JoinCells(LedgerRowCells(store_, card, row)));
        },
        [&](std::vector<std::string>& part) {
          ++parts;
          largest = std::max(largest, part.size());
          for (std::string& row : part) taken.push_back(std::move(row));
          return true;
        },
        makers));
    EXPECT_EQ(expected, taken) << makers;
    EXPECT_LT(makers, parts) << "more than one batch";
    // The first card alone is larger than a part may be.
    EXPECT_LE(largest, static_cast<std::size_t>(kRowsPerPart)) << makers;
  }
  // The taker stops it at once, and the makers with it: no more than the round taken and the
  // one being made are made.
  int parts = 0;
  std::atomic<std::int64_t> made = 0;
  EXPECT_FALSE(MakeCardRows<int>(
      store_, all, [&made](int&, const LedgerCard&, std::int64_t) { ++made; },
      [&parts](int&) { return ++parts < 1; }, 2));
  EXPECT_EQ(1, parts);
  EXPECT_LE(made.load(), 2 * 2 * kRowsPerPart);
  EXPECT_LT(made.load(), static_cast<std::int64_t>(expected.size()));
  // A maker's failure on another thread stops the others and reaches the caller.
  for (const std::size_t makers : std::initializer_list<std::size_t>{1, 4}) {
    made = 0;
    EXPECT_THROW(MakeCardRows<int>(
                     store_, all,
                     [&made](int&, const LedgerCard& card, std::int64_t row) {
                       ++made;
                       if (card.account == 3 && row == 1) throw std::runtime_error("made badly");
                     },
                     [](int&) { return true; }, makers),
                 std::runtime_error);
    EXPECT_LT(made.load(), static_cast<std::int64_t>(expected.size())) << makers;
  }
}

// The lines a report target is given, each as its cells joined by "|".
class LineRecorder final : public ReportTarget {
 public:
  void OnColumns(const ReportState&) override {}
  void OnLine(const ReportState&, const ReportLine& line) override {
    std::string joined;
    for (const std::string& cell : line.cells) joined += cell + "|";
    lines.push_back(joined);
  }
  void OnFreeText(const ReportState&, const FreeText&) override {}
  void OnAddressBox(const ReportState&, std::span<const std::string>) override {}
  Status OnEnd(const ReportState&) override { return Status::Ok(); }
  std::vector<std::string> lines;
};

// A monitor that asks to stop once `lines` lines have been let through.
class StopAfter final : public ProgressMonitor {
 public:
  explicit StopAfter(int lines) : lines_(lines) {}
  void OnProgress(int) override {}
  bool StopRequested() override { return asked_++ >= lines_; }

 private:
  int lines_;
  int asked_ = 0;
};

TEST_F(BrowseTest, LedgerReportLinesAreTheCardsRowsAndAStopEndsThem) {
  Import(ManyCards(8000));
  const CardRange all{1, store_.AccountIndex.Count(), {}};
  const FieldListEntry fields[] = {{30, 1}, {90, 6}, {200, 12}, {100, 17}, {100, 19}};
  // What the report says: each card's title (the first one heads the report), its rows with the
  // "#" of each, its totals row.
  std::vector<std::string> expected;
  for (std::int64_t a = all.first; a <= all.last; ++a) {
    const LedgerCard card = LoadCard(store_, a);
    if (a > all.first) expected.push_back(std::string(kCardTitle) + card.header + "|");
    for (std::int64_t r = 1; r <= card.RowCount(); ++r) {
      const RowCells cells = LedgerRowCells(store_, card, r);
      const bool movement = r <= static_cast<std::int64_t>(card.rows.size());
      std::string joined = movement ? std::to_string(r) + "|" : "|";
      for (const FieldListEntry& f : std::span(fields).subspan(1)) {
        joined += LookOfCell(cells[static_cast<std::size_t>(f.field - 1)]).shown + "|";
      }
      expected.push_back(joined);
    }
  }
  ASSERT_GT(expected.size(), 8192u);  // more than two of the blocks handed between threads
  const ReportHeader header;
  const PrintFonts fonts = DefaultPrintFonts();
  SilentProgress silent;
  {
    LineRecorder recorder;
    ReportStream stream(header, fonts, {&recorder}, silent);
    EXPECT_TRUE(WriteLedgerReport(store_, all, fields, stream));
    EXPECT_EQ(expected, recorder.lines);
    ASSERT_FALSE(stream.State().titles.empty());
    EXPECT_EQ(std::string(kCardTitle) + LoadCard(store_, 1).header,
              stream.State().titles.front().text);
  }
  // Stopped part way, the report ends where it stopped and the lines still being made are
  // given up.
  StopAfter stop(5000);
  LineRecorder recorder;
  ReportStream stream(header, fonts, {&recorder}, stop);
  EXPECT_FALSE(WriteLedgerReport(store_, all, fields, stream));
  EXPECT_EQ(std::vector<std::string>(expected.begin(), expected.begin() + 5000), recorder.lines);
}

TEST_F(BrowseTest, RangesNeighboursAndTheirMessages) {
  Import({AccountLine(2, {.key = "  100"}), AccountLine(3, {.key = "200"}),
          AccountLine(4, {.key = "300"})});
  const struct {
    std::string_view from, to;
    std::int64_t cards;
    std::string_view message;
  } cases[] = {
      {"100", "", 1, ""},
      {" 100", "300 ", 3, ""},
      {"", "300", 0, kNoFirstCard},
      {"400", "", 0, kNoCardsToPrint},
      {"300", "100", 0, kNoCardsToPrint},
      {"0100", "", 0, kNoCardsToPrint},  // keys are compared trimmed, not stripped
  };
  for (const auto& c : cases) {
    const CardRange range = FindCardRange(store_, c.from, c.to);
    EXPECT_EQ(c.message, range.message) << c.from << ".." << c.to;
    EXPECT_EQ(c.cards, range.last - range.first + 1) << c.from << ".." << c.to;
  }
  const std::int64_t last = store_.AccountIndex.Count();
  EXPECT_EQ(0, NeighbourCard(store_, last, +1));
  EXPECT_EQ(last - 1, NeighbourCard(store_, last, -1));
  EXPECT_EQ(0, NeighbourCard(store_, 1, -1));
  EXPECT_EQ(0, NeighbourCard(store_, 0, +1));  // no card loaded
}

TEST_F(BrowseTest, SourceDocumentFoundForAZeroPaddedNumber) {
  std::string invoice = testing::C100Line(4, 305, "00000000000000001001");
  {
    RecordWriter w(RecordType::kC100);
    w.SetRaw(1, invoice).SetText(1225, "1200");
    invoice = std::string(w.line());
  }
  Import({AccountLine(2, {.key = "1200"}), testing::C100Line(3, 305, "1001"), invoice,
          MovementLine(5, "1200", '1', 100, "1001"), MovementLine(6, "1200", '1', 100, "77")});
  const LedgerCard card = LoadCard(store_, FindAccount(store_, "1200"));
  ASSERT_EQ(2u, card.rows.size());
  // The first invoice has the number but not the customer; the padded one is the source.
  const std::int64_t found = FindSourceDocument(store_, card.rows[0].line);
  ASSERT_NE(0, found);
  EXPECT_EQ(
      invoice.substr(0, 60),
      ReadRecordLine(store_, store_.DocumentIndex[found].Offset, RecordType::kC100).substr(0, 60));
  EXPECT_EQ(0, FindSourceDocument(store_, card.rows[1].line));
}

// Lines read many at once are the lines read one by one, past the end of the file empty.
TEST_F(BrowseTest, ManyLinesReadAsOne) {
  Import(
      {AccountLine(2, {.key = "1"}), AccountLine(3, {.key = "2"}), AccountLine(4, {.key = "3"})});
  std::vector<std::int64_t> offsets;
  for (std::int64_t e = store_.AccountIndex.Count(); e >= 1; --e) {
    offsets.push_back(store_.AccountIndex[e].Offset);
  }
  offsets.push_back(std::int64_t{1} << 40);
  offsets.push_back(offsets.front());
  std::vector<std::string> lines(offsets.size(), "unread");
  ForEachRecordLine(store_, offsets, RecordType::kB110, [&](std::size_t i, std::string_view line) {
    lines[i] = std::string(line);
    return true;
  });
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    EXPECT_EQ(ReadRecordLine(store_, offsets[i], RecordType::kB110), lines[i]) << i;
  }
  EXPECT_EQ("", lines[3]);
}

}  // namespace
}  // namespace tallyscan
