#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The reports of the four browsers, written from the browsers' own rows so that paper, the
// HTML forms, the workbook and the PDF say what the pages and `tallyscan-cli view` say:
// "Index" (the accounts index), "Kartis" (a range of ledger cards), "Teuda" (one document as
// a printed document) and "Parit" (the item catalogue).
//
// Columns are a browser's field list as the page shows it (caption from its catalogue, width
// in characters the list's width divided by 10, the figure type of the field). The image
// column "#" (field 1) prints the number of the data row instead of an image: 1, 2, 3 ...,
// restarting with each ledger card, empty on totals and spanning rows. Cells lose their
// markers. Each producer returns false when the stream was stopped before its last line.

#include <span>

#include "engine/browse/browse.h"
#include "engine/report/report_stream.h"

namespace tallyscan {

class RecordStore;
struct CardRange;
struct LoadedDocument;

// Title "10" + "אינדקס החשבונות"; every account in the index's order; an empty line that
// draws a rule (mode 1); the totals row in the summary style.
bool WriteIndexReport(const RecordStore& store, std::span<const FieldListEntry> fields,
                      ReportStream& stream);

// Title "10" + "כרטיס חשבון - " + the first card's header; each further card opens with a
// spanning line (centred, sub-title style) holding its own title; each card's rows, then its
// totals row in the summary style. An empty range writes the title alone.
bool WriteLedgerReport(const RecordStore& store, const CardRange& range,
                       std::span<const FieldListEntry> fields, ReportStream& stream);

// Title "10" + "קטלוג פריטים"; every item in the catalogue's order.
bool WriteItemsReport(const RecordStore& store, std::span<const FieldListEntry> fields,
                      ReportStream& stream);

// The document as it is printed on paper: its description and "****העתק****" as titles, the
// dates, the addressee box, who produced it, the lines table (`fields` of the lines grid, one
// line per document line) and the totals, each a label and its value separated by a TAB.
bool WriteDocumentReport(const RecordStore& store, const LoadedDocument& document,
                         std::span<const FieldListEntry> fields, ReportStream& stream);

}  // namespace tallyscan
