// tallyscan-cli view documents --type T [--number N] DIR: the documents of a type as the
// documents page shows them, one after the other (or the one the jump finds): the document's
// description, the header panel's items, the lines grid with its total row, the receipt grid.
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/view_command.h"
#include "engine/browse/browse.h"
#include "engine/checks/document_checks.h"
#include "engine/checks/record_reader.h"
#include "engine/uniform/result_row.h"

namespace tallyscan::cli {
namespace {

// The kinds of row the output holds, each with its own columns.
enum RowKind : std::uint8_t { kDescription, kPanel, kLine, kReceipt, kBlank, kKindCount };

std::vector<TableShape> Shapes() {
  std::vector<TableShape> shapes(kKindCount);
  for (TableShape& shape : shapes) shape.status_first = false;
  shapes[kPanel].columns = {ColumnKind::kText, ColumnKind::kText};
  shapes[kLine].columns.assign(14, ColumnKind::kText);
  for (std::size_t c = 7; c < 14; ++c) shapes[kLine].columns[c] = ColumnKind::kFigure;
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

}  // namespace

int RunViewDocuments(std::span<char* const> args) {
  constexpr std::string_view kOptions[] = {"type", "number"};
  ViewArgs read;
  if (const std::optional<int> wrong = ReadViewArgs(args, kOptions, read)) return *wrong;
  if (const std::string_view mistake = DocumentTypeMistake(read); !mistake.empty()) {
    return UsageError("view", mistake);
  }
  const std::string* type = read.Option("type");
  const std::string* number = read.Option("number");

  RecordStore store;
  if (const std::optional<int> failed = ImportForView(store, read)) return *failed;
  const ElementRange run = DocumentRunOrSay(store, *type);
  if (run.empty()) return kExitFailed;

  Output out;
  const checks::RecordReader reader(store);
  if (number != nullptr) {
    const std::int64_t element = DocumentNumberedOrSay(store, run, *type, *number);
    if (element == 0) return kExitFailed;
    AddDocument(store, reader, element, out);
  } else {
    // A document takes its description, the panel's items, its caption, the lines' total row
    // and a blank line, and its lines and receipt lines: room for some forty rows each.
    const auto guess = static_cast<std::size_t>(run.size()) * 40;
    out.rows.Reserve(guess);
    out.kinds.reserve(guess);
    for (std::int64_t e = run.first; e < run.last; ++e) AddDocument(store, reader, e, out);
  }

  RunFacts facts("view documents");
  facts.subject.Add("folder", *read.folder);
  facts.subject.Add("type", *type);
  if (number != nullptr) facts.subject.Add("number", *number);
  facts.summary.Add("documents", number != nullptr ? std::int64_t{1} : run.size());
  const std::vector<TableShape> shapes = Shapes();
  return PrintTable(read.output, facts, out.rows,
                    [&](std::size_t row) -> const TableShape& { return shapes[out.kinds[row]]; });
}

}  // namespace tallyscan::cli
