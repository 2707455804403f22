#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The documents view without its window: the documents of one type as a run of
// DocumentIndex, paging through the run, the jump to a typed number, and loading a document
// with its lines (D110) and receipt lines (D120) in line-number order. What the page shows
// of a loaded document is built by document_cells.h.
//
// Everything reads the store's sorted indexes and its data file; nothing is kept between
// calls but what the caller holds (the run, the current element, the loaded document).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/common/amount_sum.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace checks {
class RecordReader;
}

// The types of the type selector in its order, after its first item "000 - טרם נבחר".
std::span<const DocumentType> SelectorTypes();
// The selector's items: "000 - טרם נבחר", then "CODE - name" for each type (28 items).
std::vector<std::string> SelectorItems();
inline constexpr std::string_view kNoTypeChosen = "000 - טרם נבחר";
inline constexpr std::string_view kNoDocumentsOfType = "לא נמצאו תעודות מסוג זה";
inline constexpr std::string_view kNoDocumentNumbered = "לא נמצאה תעודה מספר ";

// The documents of a type: the run of DocumentIndex whose keys begin with the three
// characters of `type` ("305"). Empty when there are none.
ElementRange DocumentTypeRun(const RecordStore& store, std::string_view type);

// The number a document shows (jump box, panel): key characters 4-23 without leading blanks
// and zeros, UTF-8, made safe for a cell.
std::string DocumentNumberText(const IndexEntry& document);

enum class DocumentMove { kNext, kPrevious, kFirst, kLast };

// The element a move leads to within `run`, or 0 when there is no current document
// (`current` 0) or the move would leave the run: the caller beeps and changes nothing.
std::int64_t MoveInRun(const ElementRange& run, std::int64_t current, DocumentMove move);

struct JumpResult {
  std::int64_t element = 0;  // the document found; 0 when none (the caller beeps)
  std::string box_text;      // what the jump box shows afterwards
};

// The document of `run` (the documents of `type`) numbered `typed` (UTF-8 as typed): the key
// of the type and the typed number zero-padded to 20 characters; when no document has that
// key, the document whose number, without leading blanks and zeros and trailing blanks,
// equals the typed number without its leading zeros. When none is found the box goes back
// to the number of the run's last document if the padded key lies past the run, else of its
// first. An empty (or blank) `typed` finds nothing and leaves the box empty.
JumpResult JumpToNumber(const RecordStore& store, const ElementRange& run, std::string_view type,
                        std::string_view typed);

// A record line of a loaded document with its byte offset in the data file.
struct DocumentRecord {
  std::string line;
  std::int64_t offset = 0;
};

// A receipt-grid line: a D120 line, or one of the synthetic lines the view adds after them.
struct ReceiptGridLine {
  enum class Kind { kLine, kWithholding, kTotal };
  Kind kind = Kind::kLine;
  DocumentRecord record;  // kLine only
  AmountSum amount = 0;   // agorot: the line's amount, the withholding, or the total
};

struct LoadedDocument {
  std::int64_t element = 0;               // in DocumentIndex
  DocumentRecord header;                  // the C100 line
  std::vector<DocumentRecord> lines;      // D110, by line number, ties in file order
  std::vector<ReceiptGridLine> receipts;  // D120 by line number, then the synthetic lines
  AmountSum lines_total = 0;              // sum of the line totals, agorot, exact
  AmountSum vat_lines_total = 0;          // of the lines that carry a VAT rate
  AmountSum receipt_total = 0;            // withholding + receipt lines

  // The records the document is made of (header, lines, receipt lines) in that order, as
  // the source-record viewer lists them.
  std::vector<std::int64_t> SourceOffsets() const;
};

// Loads DocumentIndex element `element` (1..Count()). Types 100-399 and 500-999 read their
// document lines, 320 and 400-499 their receipt lines; receipt lines are found by the
// header's number in the receipt index's form (trimmed, right-aligned). A non-zero
// withholding adds a "ניכוי במקור" line, and a receipts list that is not empty then gets a
// "סה'כ לקבלה" line with the receipt total. Sums are exact for any file.
LoadedDocument LoadDocument(const RecordStore& store, std::int64_t element);
// The same through a reader of the data file kept for many documents (one pass over all of
// them), which saves a system call per record.
LoadedDocument LoadDocument(const RecordStore& store, std::int64_t element,
                            const checks::RecordReader& reader);

}  // namespace tallyscan
