#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The documents register: the documents of one type (or of all types) as a list an auditor
// scans rather than pages through. One row per document with its number, date, customer,
// dealer number, amounts and a mark where the document check finds its lines or its VAT
// disagreeing with the header; then a totals row. Rows are virtual: a row's texts are read
// from the data file when asked for (the last header read is kept), so 100,000 documents
// cost a few figures each.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/browse/view_columns.h"
#include "engine/common/amount_sum.h"
#include "engine/common/progress.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

// What the document check finds about a document's agreement with its header, by
// DocumentIndex element (index 0 unused).
enum DocumentMark : std::uint8_t {
  kMarkNone = 0,
  kMarkLines = 1,  // no lines, or the lines (receipt lines) disagree with the header
  kMarkVat = 2,    // the VAT of the lines disagrees with the header's VAT
};
using DocumentMarks = std::vector<std::uint8_t>;

// The marks of every document, found as the document check's "הצלבת סיכומי תנועות מסמכים"
// finds them (the VAT rate of the lines carries from one document to the next in
// DocumentIndex order, as in the check); the records are read in file order. False when the
// monitor asked to stop; the marks are then incomplete and must not be shown. Reads the store
// only, so it may run off the window's thread while the register shows its rows. The documents
// are read in `parts` stretches of the file side by side, each on a thread (0: as many as the
// machine has cores); the monitor is called from the calling thread only.
bool FindDocumentMarks(const RecordStore& store, ProgressMonitor& monitor, DocumentMarks* marks,
                       std::size_t parts = 0);

// The register's columns as the grid starts them, "width,heading" texts: field n is the n-th
// column of its table (view_columns.h).
std::vector<std::string> RegisterColumns();
inline constexpr int kRegisterFieldCount = DocumentRegisterColumns::kFieldCount;
inline constexpr std::string_view kAllTypes = "כל הסוגים";

class DocumentRegister {
 public:
  // The documents of `type` (three characters, "305"), or of every type when `type` is
  // empty, in DocumentIndex order. `store` and `marks` must outlive the register and stay
  // unchanged; `marks` may be empty (no marks shown).
  DocumentRegister(const RecordStore& store, std::string_view type, const DocumentMarks& marks);
  // The same, reporting the share of documents read; null when the monitor asked to stop.
  // Reads the store only, so it may run off the window's thread.
  static std::unique_ptr<DocumentRegister> Build(const RecordStore& store, std::string_view type,
                                                 const DocumentMarks& marks,
                                                 ProgressMonitor& monitor);
  // A copy reads its headers through a cache of its own: one register per thread.
  DocumentRegister(const DocumentRegister&) = default;

  // Documents, plus the totals row.
  int RowCount() const { return static_cast<int>(rows_.size()) + 1; }
  int DocumentCount() const { return static_cast<int>(rows_.size()); }
  // Field 1..kRegisterFieldCount of a row; the last row is the totals row.
  std::string Cell(int row, int field) const;
  // Every field of a row joined by TAB.
  std::string RowText(int row) const;

  // Sorts the documents by a field (ties by file order); the totals row stays last.
  void Sort(int field);
  // The same, reporting progress over the keys read; false, the order unchanged, when the
  // monitor asked to stop.
  bool Sort(int field, ProgressMonitor& monitor);
  int SortField() const { return sort_field_; }

  // The DocumentIndex element of a row; 0 for the totals row.
  std::int64_t ElementOf(int row) const;
  // The row of an element; -1 when it is not listed.
  int RowOf(std::int64_t element) const;

 private:
  struct Row {
    std::int64_t element;
    std::int64_t offset;
    std::int64_t before;
    std::int64_t vat;
    std::int64_t total;
  };
  DocumentRegister(const RecordStore& store, const DocumentMarks& marks)
      : store_(store), marks_(marks) {}
  bool Fill(std::string_view type, ProgressMonitor& monitor);
  std::string_view Header(const Row& row) const;

  const RecordStore& store_;
  const DocumentMarks& marks_;
  std::vector<Row> rows_;
  AmountSum before_sum_ = 0;  // exact for any file
  AmountSum vat_sum_ = 0;
  AmountSum total_sum_ = 0;
  int sort_field_ = 1;
  mutable std::int64_t cached_offset_ = -1;
  mutable std::string cached_header_;
};

}  // namespace tallyscan
