#include "engine/browse/document_register.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <numeric>
#include <span>
#include <thread>

#include "engine/browse/balance_text.h"
#include "engine/browse/cell_text.h"
#include "engine/browse/document_view.h"
#include "engine/browse/item_sort_key.h"
#include "engine/checks/checks.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using field::C100;

using R = DocumentRegisterColumns;

// The grid's starting width of each column, in the table's order.
constexpr std::array<int, kRegisterFieldCount> kWidths = {30, 110, 90, 95,  180,
                                                          95, 100, 90, 100, 90};

std::string MarkText(std::uint8_t mark) {
  std::string text;
  if (mark & kMarkLines) text = "שורות";
  if (mark & kMarkVat) text += text.empty() ? "מע'מ" : ", מע'מ";
  return text.empty() ? text : text + kCreditMarker;
}

// DocumentIndex elements in the order of their lines in the data file. The index is sorted by
// type and number, the file by what the producer wrote first: reading in file order takes each
// block of the file once instead of once per document.
std::vector<std::int64_t> InFileOrder(const RecordStore& store, ElementRange range) {
  std::vector<std::int64_t> elements(static_cast<std::size_t>(range.size()));
  std::iota(elements.begin(), elements.end(), range.first);
  std::sort(elements.begin(), elements.end(), [&store](std::int64_t a, std::int64_t b) {
    return store.DocumentIndex[a].Offset < store.DocumentIndex[b].Offset;
  });
  return elements;
}

}  // namespace

namespace {

// What the VAT comparison needs of a document with lines. The lines' VAT rate carries from
// one document to the next in DocumentIndex order, as in the check: the documents are read in
// file order first, then compared in index order.
struct LinesVatFacts {
  double sum = 0;
  double exempt = 0;
  std::int64_t discount = 0;
  std::int64_t vat = 0;
  std::int64_t last_rate = 0;  // of the document's own lines; 0 when none has one
  bool compared = false;
};

// The marks of the documents `elements` (and the VAT facts of those with lines), read through a
// reader of its own: one part of the pass. `advance(done)` is told after each document and
// returns false to stop.
template <typename Advance>
bool MarkDocuments(const RecordStore& store, std::span<const std::int64_t> elements,
                   DocumentMarks& marks, std::vector<LinesVatFacts>& facts, Advance advance) {
  const auto& documents = store.DocumentIndex;
  const checks::RecordReader reader(store);
  std::string header_scratch;
  std::string line_scratch;
  std::int64_t done = 0;
  for (const std::int64_t i : elements) {
    if (!advance(++done)) return false;
    const IndexEntry& document = documents[i];
    const std::string_view type = document.Part(kKeyDocumentType);
    const bool receipt = type >= "400" && type <= "499";
    const bool lines = type == "320" || (!receipt && type >= "100" && type <= "799");
    if (!receipt && !lines) continue;
    const std::string_view header = reader.Line(document.Offset, RecordType::kC100, header_scratch);
    std::uint8_t& mark = marks[static_cast<std::size_t>(i)];
    if (lines) {
      const ElementRange range = EqualRange(store.DocumentLineIndex, document.KeyView());
      LinesVatFacts& f = facts[static_cast<std::size_t>(i)];
      for (std::int64_t m = range.first; m < range.last; ++m) {
        const std::string_view line =
            reader.Line(store.DocumentLineIndex[m].Offset, RecordType::kD110, line_scratch);
        const std::int64_t total = ReadAmount(SliceField(line, field::D110(1267)));
        const std::int64_t rate = ReadAmount(SliceField(line, field::D110(1268)));
        if (rate != 0) f.last_rate = rate;
        f.sum += static_cast<double>(total);
        if (rate == 0) f.exempt += static_cast<double>(total);
      }
      if (range.empty()) {
        mark |= kMarkLines;
      } else {
        const auto before = static_cast<double>(ReadAmount(SliceField(header, C100(1219))));
        if (checks::DeviatesFromSummary(before, f.sum)) mark |= kMarkLines;
        f.discount = ReadAmount(SliceField(header, C100(1220)));
        f.vat = ReadAmount(SliceField(header, C100(1222)));
        f.compared = true;
      }
    }
    if (type == "320" || receipt) {
      const ElementRange range = EqualRange(store.ReceiptLineIndex, ReceiptLineKeyOf(document));
      AmountSum sum = 0;
      for (std::int64_t m = range.first; m < range.last; ++m) {
        sum += ReadAmount(
            reader.Field(store.ReceiptLineIndex[m].Offset, field::D120(1312), line_scratch));
      }
      const std::int64_t total = ReadAmount(SliceField(header, C100(1223)));
      if (range.empty() || checks::ReceiptsDeviate(total, sum)) mark |= kMarkLines;
    }
  }
  return true;
}

}  // namespace

bool FindDocumentMarks(const RecordStore& store, ProgressMonitor& monitor, DocumentMarks* marks,
                       std::size_t parts) {
  const auto& documents = store.DocumentIndex;
  marks->assign(static_cast<std::size_t>(documents.Count() + 1), kMarkNone);
  std::vector<LinesVatFacts> facts(static_cast<std::size_t>(documents.Count() + 1));
  // The documents in file order, in parts side by side: each part goes forward through its own
  // stretch of the file and writes the marks and facts of its own documents only. The first
  // part tells the monitor (the others' progress is alike) and tells them to stop.
  const std::vector<std::int64_t> in_file_order = InFileOrder(store, {1, documents.Count() + 1});
  const std::span<const std::int64_t> all(in_file_order);
  // A part of fewer than a thousand documents is not worth its thread.
  if (parts == 0) {
    parts = std::min<std::size_t>({std::thread::hardware_concurrency(), all.size() / 1000, 8});
  }
  parts = std::clamp<std::size_t>(parts, 1, std::max<std::size_t>(all.size(), 1));
  const auto part_of = [&](std::size_t part) {
    return all.subspan(all.size() * part / parts,
                       all.size() * (part + 1) / parts - all.size() * part / parts);
  };
  std::atomic<bool> stop{false};
  std::vector<std::thread> others;
  for (std::size_t part = 1; part < parts; ++part) {
    others.emplace_back([&, part] {
      MarkDocuments(store, part_of(part), *marks, facts,
                    [&stop](std::int64_t) { return !stop.load(std::memory_order_relaxed); });
    });
  }
  const std::span<const std::int64_t> first = part_of(0);
  ProgressTracker progress(monitor, static_cast<long long>(first.size()));
  const bool whole = MarkDocuments(store, first, *marks, facts, [&](std::int64_t done) {
    progress.Advance(done);
    if (!monitor.StopRequested()) return true;
    stop.store(true, std::memory_order_relaxed);
    return false;
  });
  for (std::thread& other : others) other.join();
  if (!whole) return false;

  std::int64_t last_rate = 0;
  for (std::size_t i = 1; i < facts.size(); ++i) {
    const LinesVatFacts& f = facts[i];
    if (f.last_rate != 0) last_rate = f.last_rate;
    if (f.compared &&
        checks::DeviatesFromSummary(static_cast<double>(f.vat),
                                    checks::LinesVat(f.sum, f.exempt, f.discount, last_rate))) {
      (*marks)[i] |= kMarkVat;
    }
  }
  return true;
}

std::vector<std::string> RegisterColumns() {
  std::vector<std::string> columns;
  columns.reserve(kRegisterFieldCount);
  for (std::size_t cell = 0; cell < R::kCount; ++cell) {
    columns.push_back(std::to_string(kWidths[cell]) + "," + std::string(R::Of(cell).heading));
  }
  return columns;
}

DocumentRegister::DocumentRegister(const RecordStore& store, std::string_view type,
                                   const DocumentMarks& marks)
    : store_(store), marks_(marks) {
  SilentProgress silent;
  Fill(type, silent);
}

std::unique_ptr<DocumentRegister> DocumentRegister::Build(const RecordStore& store,
                                                          std::string_view type,
                                                          const DocumentMarks& marks,
                                                          ProgressMonitor& monitor) {
  std::unique_ptr<DocumentRegister> list(new DocumentRegister(store, marks));
  if (!list->Fill(type, monitor)) return nullptr;
  return list;
}

bool DocumentRegister::Fill(std::string_view type, ProgressMonitor& monitor) {
  const ElementRange range = type.empty() ? ElementRange{1, store_.DocumentIndex.Count() + 1}
                                          : DocumentTypeRun(store_, type);
  const checks::RecordReader reader(store_);
  std::string scratch;
  // The amounts of every row are read once: the totals need them, and sorting by them must
  // not read the file again.
  static constexpr Positions kAmounts = field::Run(C100(1219), C100(1223));
  static constexpr Positions kBefore = field::Within(kAmounts, C100(1219));
  static constexpr Positions kVat = field::Within(kAmounts, C100(1222));
  static constexpr Positions kTotal = field::Within(kAmounts, C100(1223));
  rows_.resize(static_cast<std::size_t>(range.size()));
  ProgressTracker progress(monitor, range.size());
  std::int64_t done = 0;
  for (const std::int64_t e : InFileOrder(store_, range)) {
    progress.Advance(++done);
    if (monitor.StopRequested()) return false;
    const std::int64_t offset = store_.DocumentIndex[e].Offset;
    const std::string_view amounts = reader.Field(offset, kAmounts, scratch);
    Row row{e, offset, ReadAmount(SliceField(amounts, kBefore)),
            ReadAmount(SliceField(amounts, kVat)), ReadAmount(SliceField(amounts, kTotal))};
    rows_[static_cast<std::size_t>(e - range.first)] = row;
  }
  for (const Row& row : rows_) {
    before_sum_ += row.before;
    vat_sum_ += row.vat;
    total_sum_ += row.total;
  }
  return true;
}

std::string_view DocumentRegister::Header(const Row& row) const {
  if (cached_offset_ != row.offset) {
    cached_header_ = ReadRecordLine(store_, row.offset, RecordType::kC100);
    cached_offset_ = row.offset;
  }
  return cached_header_;
}

std::string DocumentRegister::Cell(int row, int field) const {
  if (row < 0 || row > DocumentCount()) return {};
  if (row == DocumentCount()) {
    switch (field) {
      case R::Field("image"):
        return "20";
      case R::Field("customer"):
        return "סה'כ לתעודות ברשימה" + std::string(kHeadingMarker);
      case R::Field("before_discount"):
        return FormatAgorot(before_sum_) + std::string(kHeadingMarker);
      case R::Field("vat"):
        return FormatAgorot(vat_sum_) + std::string(kHeadingMarker);
      case R::Field("total"):
        return FormatAgorot(total_sum_) + std::string(kHeadingMarker);
      default:
        return {};
    }
  }
  const Row& r = rows_[static_cast<std::size_t>(row)];
  const auto at = static_cast<std::size_t>(r.element);
  const std::uint8_t mark = at < marks_.size() ? marks_[at] : std::uint8_t{kMarkNone};
  switch (field) {
    case R::Field("image"):
      return mark != kMarkNone ? "1" : "0";
    case R::Field("type"): {
      const DocumentType* type = FindDocumentType(
          static_cast<int>(ReadInteger(store_.DocumentIndex[r.element].Part(kKeyDocumentType))));
      return std::string(type != nullptr ? type->name : kUnknownMeaning);
    }
    case R::Field("number"):
      // The number is the file's text: a TAB in it must not open another cell.
      return SafeCellText(DocumentNumberText(store_.DocumentIndex[r.element]));
    case R::Field("date"):
      return FieldCell(Header(r), C100(1230), store_.DosCodePage);
    case R::Field("customer"):
      return FieldCell(Header(r), C100(1207), store_.DosCodePage);
    case R::Field("dealer_number"):
      return StrippedCell(SliceField(Header(r), C100(1215)));
    case R::Field("before_discount"):
      return FormatAgorot(r.before);
    case R::Field("vat"):
      return FormatAgorot(r.vat);
    case R::Field("total"):
      return FormatAgorot(r.total);
    case R::Field("mismatch"):
      return MarkText(mark);
    default:
      return {};
  }
}

std::string DocumentRegister::RowText(int row) const {
  std::vector<std::string> cells;
  cells.reserve(kRegisterFieldCount);
  for (int f = 1; f <= kRegisterFieldCount; ++f) cells.push_back(Cell(row, f));
  return JoinCells(cells);
}

void DocumentRegister::Sort(int field) {
  SilentProgress silent;
  Sort(field, silent);
}

bool DocumentRegister::Sort(int field, ProgressMonitor& monitor) {
  if (field < 1 || field > kRegisterFieldCount) return true;
  std::vector<std::string> keys(rows_.size());
  ProgressTracker progress(monitor, static_cast<long long>(rows_.size()));
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    progress.Advance(static_cast<long long>(i) + 1);
    if (monitor.StopRequested()) return false;
    const Row& r = rows_[i];
    switch (field) {
      case R::Field("number"): {
        // Numbers in numeric order however they are stored: right-aligned without their
        // leading blanks and zeros.
        const std::string_view bare =
            StripLeadingBlanksAndZeros(store_.DocumentIndex[r.element].Part(kKeyDocumentNumber));
        keys[i] =
            std::string(kKeyDocumentNumber.width - std::min<std::size_t>(bare.size(), 20), ' ') +
            std::string(bare);
        break;
      }
      case R::Field("date"):  // dates in calendar order, as stored (YYYYMMDD)
        keys[i] = std::string(SliceField(Header(r), C100(1230)));
        break;
      case R::Field("before_discount"):
        keys[i] = SignedSortKey(r.before);
        break;
      case R::Field("vat"):
        keys[i] = SignedSortKey(r.vat);
        break;
      case R::Field("total"):
        keys[i] = SignedSortKey(r.total);
        break;
      case R::Field("image"):
      case R::Field("mismatch"):
        keys[i] = Cell(static_cast<int>(i), field);
        break;
      default:
        keys[i] = TextSortKey(Cell(static_cast<int>(i), field));
    }
  }
  std::vector<std::size_t> order(rows_.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (keys[a] != keys[b]) return keys[a] < keys[b];
    return rows_[a].offset < rows_[b].offset;
  });
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  for (const std::size_t i : order) sorted.push_back(rows_[i]);
  rows_ = std::move(sorted);
  sort_field_ = field;
  return true;
}

std::int64_t DocumentRegister::ElementOf(int row) const {
  if (row < 0 || row >= DocumentCount()) return 0;
  return rows_[static_cast<std::size_t>(row)].element;
}

int DocumentRegister::RowOf(std::int64_t element) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].element == element) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tallyscan
