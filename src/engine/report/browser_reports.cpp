#include "engine/report/browser_reports.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/browse/browse.h"
#include "engine/checks/checks.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using field::C100;

// The figure types of the browsers' fields; every other field is text.
int IndexFieldType(int field) {
  using I = IndexColumns;
  switch (field) {
    case I::Field("debit"):
      return kDebitColumn;
    case I::Field("credit"):
      return kCreditColumn;
    case I::Field("opening"):
    case I::Field("balance"):
    case I::Field("opening_fx"):
      return kLetterBalanceColumn;
    default:
      return kTextColumn;
  }
}

int LedgerFieldType(int field) {
  using L = LedgerColumns;
  switch (field) {
    case L::Field("debit"):
    case L::Field("debit_fx"):
      return kDebitColumn;
    case L::Field("credit"):
    case L::Field("credit_fx"):
      return kCreditColumn;
    case L::Field("amount"):
    case L::Field("amount_fx"):
      return kSignedBalanceColumn;
    case L::Field("balance"):
      return kLetterBalanceColumn;
    default:
      return kTextColumn;
  }
}

// The other browsers' figures are plain: the type follows the column's alignment.
int FigureOrText(std::span<const ResultColumn> table, int field) {
  const auto at = static_cast<std::size_t>(field - 1);
  return at < table.size() && table[at].IsFigure() ? kFigureColumn : kTextColumn;
}
int DocumentLineFieldType(int field) { return FigureOrText(DocumentLineColumns::kAll, field); }
int ItemFieldType(int field) { return FigureOrText(ItemColumns::kAll, field); }

// The image column "#" that prints the number of the data row.
constexpr int kRowNumberField = 1;

ColumnLayout FieldColumns(const FieldCatalogue& catalogue, std::span<const FieldListEntry> fields,
                          int (*type_of)(int field)) {
  ColumnLayout layout;
  layout.columns.reserve(fields.size());
  for (const FieldListEntry& entry : fields) {
    layout.columns.push_back({std::string(catalogue.Caption(entry.field)),
                              CharactersOfPixels(entry.width), type_of(entry.field)});
  }
  return layout;
}

// The cells of a report line from a row's cells (field f at [f - 1], markers included):
// `number` in the "#" column, empty there when 0.
std::vector<std::string> ReportCells(std::span<const FieldListEntry> fields, std::int64_t number,
                                     auto&& cell_of_field) {
  std::vector<std::string> cells;
  cells.reserve(fields.size());
  for (const FieldListEntry& entry : fields) {
    if (entry.field == kRowNumberField) {
      cells.push_back(number == 0 ? std::string() : PlainNumber(number));
    } else {
      cells.push_back(LookOfCell(cell_of_field(entry.field)).shown);
    }
  }
  return cells;
}

std::vector<std::string> RowReportCells(std::span<const FieldListEntry> fields, std::int64_t number,
                                        const RowCells& row) {
  return ReportCells(fields, number, [&row](int field) -> std::string_view {
    const auto at = static_cast<std::size_t>(field - 1);
    return at < row.size() ? std::string_view(row[at]) : std::string_view();
  });
}

// A text of the document print: its two code characters, then the text.
std::string Coded(std::string_view code, std::string_view text) {
  std::string coded(code);
  coded += text;
  return coded;
}
std::string Coded(std::string_view code, std::string_view label, std::string_view value) {
  return JoinCells({Coded(code, label), value});
}

// The document's description as the checks name it, which is the text after their "בעיה ב ".
std::string DocumentTitle(const RecordStore& store, const LoadedDocument& document) {
  const IndexEntry& entry = store.DocumentIndex[document.element];
  return SafeCell(
      checks::DocumentDescription(entry.Part(kKeyDocumentType), entry.Part(kKeyDocumentNumber)));
}

}  // namespace

bool WriteIndexReport(const RecordStore& store, std::span<const FieldListEntry> fields,
                      ReportStream& stream) {
  stream.AddTitle("10אינדקס החשבונות");
  stream.SetColumns(FieldColumns(AccountIndexCatalogue(), fields, IndexFieldType));
  AccountsIndexRows rows(store);
  const std::int64_t accounts = store.AccountListIndex.Count();
  for (std::int64_t row = 1; row <= accounts; ++row) {
    if (!stream.Line(RowReportCells(fields, row, rows.Row(row)))) return false;
  }
  if (!stream.Line({}, kBodyStyle, 1)) return false;
  return stream.Line(RowReportCells(fields, 0, rows.Row(accounts + 1)), kSummaryStyle);
}

namespace {

// A line of the ledger report made ahead of the stream: a card's title, or one of its rows.
struct MadeLine {
  std::vector<std::string> cells;
  int style = kBodyStyle;
  bool title = false;
};

// Lines made on a thread of their own and handed to the stream's thread in blocks, a few blocks
// ahead at most: the cells of the next lines are made while the targets write the last ones.
class MadeLines {
 public:
  // The maker's: false once the taker has stopped.
  bool Put(std::vector<MadeLine> block) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopped_ || blocks_.size() < kBlocksAhead; });
    if (stopped_) return false;
    blocks_.push_back(std::move(block));
    changed_.notify_all();
    return true;
  }
  // The maker's last call, with what it failed with, if anything.
  void Close(std::exception_ptr failure) {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    failure_ = std::move(failure);
    changed_.notify_all();
  }
  // The taker's: the next block; empty once the maker is done. Throws what the maker failed
  // with.
  std::vector<MadeLine> Take() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return closed_ || !blocks_.empty(); });
    if (blocks_.empty()) {
      if (failure_) std::rethrow_exception(failure_);
      return {};
    }
    std::vector<MadeLine> block = std::move(blocks_.front());
    blocks_.pop_front();
    changed_.notify_all();
    return block;
  }
  // The taker stops taking: the maker's next Put returns false.
  void Stop() {
    const std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

 private:
  static constexpr std::size_t kBlocksAhead = 4;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<MadeLine>> blocks_;
  bool closed_ = false;
  bool stopped_ = false;
  std::exception_ptr failure_;
};

// Makes the lines of every card of `range` into `lines`, a block for each stretch of cards
// made on a core.
void MakeLedgerLines(const RecordStore& store, const CardRange& range,
                     std::span<const FieldListEntry> fields, MadeLines& lines) {
  LedgerFieldMask shown = 0;
  for (const FieldListEntry& entry : fields) shown |= LedgerFieldMask{1} << entry.field;
  MakeCardRows<std::vector<MadeLine>>(
      store, range,
      [&](std::vector<MadeLine>& block, const LedgerCard& card, std::int64_t row) {
        if (row == 0) {
          block.push_back({{std::string(kCardTitle) + card.header}, kSubTitleStyle, true});
        } else if (row <= static_cast<std::int64_t>(card.rows.size())) {
          block.push_back({RowReportCells(fields, row, LedgerRowCells(store, card, row, shown))});
        } else {
          block.push_back(
              {RowReportCells(fields, 0, LedgerRowCells(store, card, row)), kSummaryStyle});
        }
      },
      [&lines](std::vector<MadeLine>& block) { return lines.Put(std::move(block)); });
}

}  // namespace

bool WriteLedgerReport(const RecordStore& store, const CardRange& range,
                       std::span<const FieldListEntry> fields, ReportStream& stream) {
  if (range.first > range.last) {
    stream.AddTitle(Coded("10", kCardTitle));
    stream.SetColumns(FieldColumns(LedgerCatalogue(), fields, LedgerFieldType));
    return true;
  }
  MadeLines lines;
  std::thread maker([&] {
    std::exception_ptr failure;
    try {
      MakeLedgerLines(store, range, fields, lines);
    } catch (...) {
      failure = std::current_exception();
    }
    lines.Close(failure);
  });
  // The stream stops the maker however this ends.
  struct Joined {
    MadeLines& lines;
    std::thread& maker;
    ~Joined() {
      lines.Stop();
      maker.join();
    }
  } joined{lines, maker};
  // The first card's title opens the report; each further one opens its card.
  bool opened = false;
  for (std::vector<MadeLine> block = lines.Take(); !block.empty(); block = lines.Take()) {
    for (MadeLine& line : block) {
      if (line.title && !opened) {
        stream.AddTitle(Coded("10", line.cells.front()));
        stream.SetColumns(FieldColumns(LedgerCatalogue(), fields, LedgerFieldType));
        opened = true;
      } else if (!stream.Line(std::move(line.cells), line.style, line.title ? kSpanCentre : 0)) {
        return false;
      }
    }
  }
  return true;
}

bool WriteItemsReport(const RecordStore& store, std::span<const FieldListEntry> fields,
                      ReportStream& stream) {
  stream.AddTitle("10קטלוג פריטים");
  stream.SetColumns(FieldColumns(ItemFieldCatalogue(), fields, ItemFieldType));
  const ItemRows items(store);
  for (int row = 0; row < items.RowCount(); ++row) {
    std::vector<std::string> cells =
        ReportCells(fields, row + 1, [&items, row](int field) { return items.Cell(row, field); });
    if (!stream.Line(std::move(cells))) return false;
  }
  return true;
}

bool WriteDocumentReport(const RecordStore& store, const LoadedDocument& document,
                         std::span<const FieldListEntry> fields, ReportStream& stream) {
  if (document.element == 0) return true;
  const bool dos = store.DosCodePage;
  const std::string_view header = document.header.line;
  const HeaderPanelTexts panel = HeaderPanel(document, dos);
  const auto value = [&panel](PanelField item) -> const std::string& { return panel[item].value; };
  const auto text = [&stream](std::string_view coded) { stream.PlainKot(0, 0, coded, 0); };

  stream.AddTitle(Coded("10", DocumentTitle(store, document)));
  stream.AddTitle("50****העתק****");
  text(Coded("52", "תאריך המסמך", value(PanelField::kDate)));
  text(Coded("52", "שעה", value(PanelField::kTime)));
  text(Coded("52", "תאריך הערך", value(PanelField::kValueDate)));
  text(Coded("52", "תאריך ההפקה", value(PanelField::kIssueDate)));

  const std::string addressee[] = {
      "לכב' :",
      value(PanelField::kName),
      value(PanelField::kAddress),
      value(PanelField::kCity),
      "טלפון - " + value(PanelField::kPhone),
      "מס. עוסק - " + value(PanelField::kDealer) + "      חן - הלקוח - " +
          value(PanelField::kNumber),
  };
  stream.CliName(addressee);
  text(Coded("51", "מפיק התעודה - " + FieldCell(header, C100(1233), dos)));

  stream.SetColumns(FieldColumns(DocumentLinesCatalogue(), fields, DocumentLineFieldType));
  std::int64_t number = 0;
  for (const DocumentRecord& line : document.lines) {
    std::vector<std::string> cells = ReportCells(fields, ++number, [&line, dos](int field) {
      return DocumentLineCell(line.line, field, dos);
    });
    if (!stream.Line(std::move(cells))) return false;
  }

  for (const PanelField item : {PanelField::kVatBearing, PanelField::kExempt, PanelField::kDiscount,
                                PanelField::kAfterDiscount, PanelField::kVat}) {
    text(Coded("52", panel[item].label, value(item)));
  }
  if (ReadAmount(SliceField(header, C100(1217))) != 0) {
    text(Coded("51", "סכום במט'ח ", value(PanelField::kForeign)));
    text(Coded("51", "קוד מטבע", FieldCell(header, C100(1218), dos)));
  }
  text(Coded("72", "סה'כ לתשלום", value(PanelField::kTotal)));
  return !stream.Stopped();
}

}  // namespace tallyscan
