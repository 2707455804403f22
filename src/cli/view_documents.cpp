// tallyscan-cli view documents --type T [--number N] DIR: the documents of a type as the
// documents page shows them, one after the other (or the one the jump finds): the document's
// description, the header panel's items, the lines grid with its total row, the receipt grid.
// "--type all" prints the documents of every type in one run, type after type in the order of
// the type selector.
#include <algorithm>
#include <cstdint>
#include <iostream>
#include <numeric>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/view_command.h"
#include "engine/browse/browse.h"
#include "engine/checks/checks.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::cli {
namespace {

// The kinds of row the output holds, each with its own columns.
enum RowKind : std::uint8_t { kDescription, kPanel, kLine, kReceipt, kBlank, kKindCount };

std::vector<TableShape> Shapes() {
  std::vector<TableShape> shapes(kKindCount);
  for (TableShape& shape : shapes) shape.status_first = false;
  shapes[kPanel].columns = {ColumnKind::kText, ColumnKind::kText};
  shapes[kLine] = ViewShape(DocumentLineColumns::kAll);
  shapes[kReceipt].columns.assign(8, ColumnKind::kText);
  shapes[kReceipt].columns[7] = ColumnKind::kFigure;
  return shapes;
}

// Every document's rows are held until printed (the text format aligns its columns over
// all of them), in one buffer rather than one string each.
struct Output {
  RowBuffer rows;
  std::vector<RowKind> kinds;
  void Add(RowKind kind, std::string_view row) {
    rows.Add(row);
    kinds.push_back(kind);
  }
};

void AddDocument(const RecordStore& store, const checks::RecordReader& reader, std::int64_t element,
                 Output& out) {
  const IndexEntry& entry = store.DocumentIndex[element];
  out.Add(kDescription, SafeCell(checks::DocumentDescription(entry.Part(kKeyDocumentType),
                                                             entry.Part(kKeyDocumentNumber))));
  const LoadedDocument document = LoadDocument(store, element, reader);
  const HeaderPanelTexts panel = HeaderPanel(document, store.DosCodePage);
  for (const PanelItem& item : panel.items) out.Add(kPanel, JoinCells({item.label, item.value}));
  out.Add(kDescription, panel.summary_caption);
  for (const std::string& row : LinesGridRows(document, store.DosCodePage)) out.Add(kLine, row);
  for (const std::string& row : ReceiptGridRows(document)) out.Add(kReceipt, row);
  out.Add(kBlank, "");
}

// The rows of many documents, made in parts side by side and printed in the documents' order.
// Each part makes the documents of a stretch of the data file in file order, so that its reads
// go forward through the file rather than back and forth between the types.
class DocumentsRows final : public RowSource {
 public:
  DocumentsRows(const RecordStore& store, std::span<const std::int64_t> elements)
      : shapes_(Shapes()), documents_(elements.size()) {
    // The documents' places in print order, taken in file order.
    std::vector<std::size_t> by_offset(elements.size());
    std::iota(by_offset.begin(), by_offset.end(), std::size_t{0});
    std::sort(by_offset.begin(), by_offset.end(), [&](std::size_t a, std::size_t b) {
      return store.DocumentIndex[elements[a]].Offset < store.DocumentIndex[elements[b]].Offset;
    });
    const std::size_t parts =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMostParts);
    parts_.resize(std::min(parts, std::max<std::size_t>(elements.size(), 1)));
    const auto make = [&](std::size_t part) {
      const std::size_t begin = by_offset.size() * part / parts_.size();
      const std::size_t end = by_offset.size() * (part + 1) / parts_.size();
      Output& out = parts_[part];
      // A document takes its description, the panel's items, its caption, the lines' total
      // row and a blank line, and its lines and receipt lines: room for some forty rows each.
      out.rows.Reserve((end - begin) * 40);
      out.kinds.reserve((end - begin) * 40);
      const checks::RecordReader reader(store);
      for (std::size_t i = begin; i < end; ++i) {
        const std::size_t place = by_offset[i];
        documents_[place].part = part;
        documents_[place].first = out.rows.size();
        AddDocument(store, reader, elements[place], out);
        documents_[place].end = out.rows.size();
      }
    };
    std::vector<std::thread> others;
    for (std::size_t part = 1; part < parts_.size(); ++part) others.emplace_back(make, part);
    make(0);
    for (std::thread& other : others) other.join();
  }

  bool ForEachRow(const Each& each) const override {
    for (const Place& document : documents_) {
      const Output& out = parts_[document.part];
      for (std::size_t row = document.first; row < document.end; ++row) {
        if (!each(out.rows[row], shapes_[out.kinds[row]])) return false;
      }
    }
    return true;
  }
  const TableShape& FirstShape() const override { return shapes_[kDescription]; }

 private:
  static constexpr std::size_t kMostParts = 8;
  // Where a document's rows lie: the part that made them, and their first row and the row
  // after the last there.
  struct Place {
    std::size_t part = 0;
    std::size_t first = 0;
    std::size_t end = 0;
  };
  std::vector<TableShape> shapes_;
  std::vector<Output> parts_;
  std::vector<Place> documents_;
};

// The --type that asks for every type.
constexpr std::string_view kEveryType = "all";

// The runs of the documents `type` names, in the order they are printed: the run of one
// type, or of every type in the type selector's order ("all"). Runs without documents are
// left out.
std::vector<ElementRange> RunsOf(const RecordStore& store, std::string_view type) {
  std::vector<ElementRange> runs;
  if (type != kEveryType) {
    runs.push_back(DocumentTypeRun(store, type));
  } else {
    for (const DocumentType& selector_type : SelectorTypes()) {
      runs.push_back(DocumentTypeRun(store, std::to_string(selector_type.code)));
    }
  }
  std::erase_if(runs, [](const ElementRange& run) { return run.empty(); });
  return runs;
}

}  // namespace

int RunViewDocuments(std::span<char* const> args) {
  constexpr std::string_view kOptions[] = {"type", "number"};
  ViewArgs read;
  if (const std::optional<int> wrong = ReadViewArgs(args, kOptions, read)) return *wrong;
  const std::string* type = read.Option("type");
  const std::string* number = read.Option("number");
  const bool every_type = type != nullptr && *type == kEveryType;
  if (every_type && number != nullptr) {
    return UsageError("view", "--number needs a --type of three digits, not all");
  }
  if (const std::string_view mistake = DocumentTypeMistake(read); !mistake.empty() && !every_type) {
    return UsageError("view", mistake);
  }

  RecordStore store;
  if (const std::optional<int> failed = ImportForView(store, read)) return *failed;
  const std::vector<ElementRange> runs = RunsOf(store, *type);
  if (runs.empty()) {
    std::cerr << kNoDocumentsOfType << '\n';
    return kExitFailed;
  }

  std::vector<std::int64_t> elements;
  if (number != nullptr) {
    const std::int64_t element = DocumentNumberedOrSay(store, runs.front(), *type, *number);
    if (element == 0) return kExitFailed;
    elements.push_back(element);
  } else {
    for (const ElementRange& run : runs) {
      for (std::int64_t e = run.first; e < run.last; ++e) elements.push_back(e);
    }
  }
  const DocumentsRows rows(store, elements);

  RunFacts facts("view documents");
  facts.subject.Add("folder", *read.folder);
  facts.subject.Add("type", *type);
  if (number != nullptr) facts.subject.Add("number", *number);
  facts.summary.Add("documents", static_cast<std::int64_t>(elements.size()));
  return PrintTable(read.output, facts, rows);
}

}  // namespace tallyscan::cli
