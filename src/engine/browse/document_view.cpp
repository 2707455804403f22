#include "engine/browse/document_view.h"

#include <algorithm>
#include <limits>

#include "engine/checks/checks.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

std::string_view NumberPart(const IndexEntry& entry) { return entry.Part(kKeyDocumentNumber); }

// A number compared as the jump compares it: leading blanks and zeros and trailing blanks
// removed.
std::string_view Bare(std::string_view number) { return StripLeadingBlanksAndZeros(number); }

// Sorts records by their line-number field; records with equal numbers keep the order they
// were read in, which is file order (the indexes keep equal keys by offset).
template <typename Record, typename LineOf>
void SortByLineNumber(std::vector<Record>& records, Positions line_number, LineOf line_of) {
  std::stable_sort(records.begin(), records.end(), [&](const Record& a, const Record& b) {
    return SliceField(line_of(a), line_number) < SliceField(line_of(b), line_number);
  });
}

}  // namespace

std::span<const DocumentType> SelectorTypes() { return DocumentTypes(); }

std::vector<std::string> SelectorItems() {
  std::vector<std::string> items{std::string(kNoTypeChosen)};
  for (const DocumentType& type : SelectorTypes()) {
    items.push_back(std::to_string(type.code) + " - " + std::string(type.name));
  }
  return items;
}

ElementRange DocumentTypeRun(const RecordStore& store, std::string_view type) {
  if (type.size() != static_cast<std::size_t>(kKeyDocumentType.width)) return {};
  return PrefixRange(store.DocumentIndex, type);
}

std::string DocumentNumberText(const IndexEntry& document) {
  return SafeCellText(Cp1255ToUtf8(Bare(NumberPart(document))));
}

std::int64_t MoveInRun(const ElementRange& run, std::int64_t current, DocumentMove move) {
  if (run.empty() || current < run.first || current >= run.last) return 0;
  switch (move) {
    case DocumentMove::kNext:
      return current + 1 < run.last ? current + 1 : 0;
    case DocumentMove::kPrevious:
      return current > run.first ? current - 1 : 0;
    case DocumentMove::kFirst:
      return run.first;
    case DocumentMove::kLast:
      return run.last - 1;
  }
  return 0;
}

JumpResult JumpToNumber(const RecordStore& store, const ElementRange& run, std::string_view type,
                        std::string_view typed) {
  JumpResult result;
  const std::string number = Utf8ToCp1255(TrimSpaces(typed));
  if (number.empty() || run.empty()) return result;

  // The type followed by the rightmost 20 characters of twenty zeros and the typed text.
  const auto width = static_cast<std::size_t>(kKeyDocumentNumber.width);
  std::string padded = std::string(width, '0') + number;
  padded = padded.substr(padded.size() - width);
  const std::string key = std::string(type) + padded;
  const ElementRange exact = EqualRange(store.DocumentIndex, key);
  if (!exact.empty() && exact.first >= run.first && exact.first < run.last) {
    result.element = exact.first;
  } else {
    // Numbers stored left-aligned, or padded with blanks, are found by their digits.
    const std::string_view wanted = Bare(number);
    for (std::int64_t e = run.first; e < run.last && !wanted.empty(); ++e) {
      if (Bare(NumberPart(store.DocumentIndex[e])) == wanted) {
        result.element = e;
        break;
      }
    }
  }
  if (result.element != 0) {
    result.box_text = DocumentNumberText(store.DocumentIndex[result.element]);
    return result;
  }
  const bool past_run = store.DocumentIndex[run.last - 1].KeyView() < std::string_view(key);
  result.box_text = DocumentNumberText(store.DocumentIndex[past_run ? run.last - 1 : run.first]);
  return result;
}

std::vector<std::int64_t> LoadedDocument::SourceOffsets() const {
  std::vector<std::int64_t> offsets{header.offset};
  for (const DocumentRecord& line : lines) offsets.push_back(line.offset);
  for (const ReceiptGridLine& receipt : receipts) {
    if (receipt.kind == ReceiptGridLine::Kind::kLine) offsets.push_back(receipt.record.offset);
  }
  return offsets;
}

namespace {

// Loads a document reading each record line through `read(offset, type)`.
template <typename ReadLine>
LoadedDocument Load(const RecordStore& store, std::int64_t element, ReadLine read) {
  LoadedDocument document;
  if (element < 1 || element > store.DocumentIndex.Count()) return document;
  const IndexEntry& entry = store.DocumentIndex[element];
  document.element = element;
  document.header = {read(entry.Offset, RecordType::kC100), entry.Offset};
  const std::string_view header = document.header.line;
  const std::int64_t withholding = ReadAmount(SliceField(header, field::C100(1224)));
  document.receipt_total = withholding;

  const std::int64_t type = ReadInteger(entry.Part(kKeyDocumentType));
  const bool has_lines = (type >= 100 && type <= 399) || (type >= 500 && type <= 999);
  const bool has_receipts = type == 320 || (type >= 400 && type <= 499);

  if (has_lines) {
    const ElementRange range = EqualRange(store.DocumentLineIndex, entry.KeyView());
    document.lines.reserve(static_cast<std::size_t>(range.size()));
    for (std::int64_t m = range.first; m < range.last; ++m) {
      const std::int64_t offset = store.DocumentLineIndex[m].Offset;
      DocumentRecord line{read(offset, RecordType::kD110), offset};
      const std::int64_t total = ReadAmount(SliceField(line.line, field::D110(1267)));
      document.lines_total += total;
      if (ReadAmount(SliceField(line.line, field::D110(1268))) != 0) {
        document.vat_lines_total += total;
      }
      document.lines.push_back(std::move(line));
    }
    SortByLineNumber(document.lines, field::D110(1255),
                     [](const DocumentRecord& r) -> std::string_view { return r.line; });
  }

  if (has_receipts) {
    // The receipt index keeps the number trimmed and right-aligned: look it up that way.
    const ElementRange range = EqualRange(store.ReceiptLineIndex, ReceiptLineKeyOf(entry));
    for (std::int64_t m = range.first; m < range.last; ++m) {
      const std::int64_t offset = store.ReceiptLineIndex[m].Offset;
      ReceiptGridLine line;
      line.record = {read(offset, RecordType::kD120), offset};
      line.amount = ReadAmount(SliceField(line.record.line, field::D120(1312)));
      document.receipt_total += line.amount;
      document.receipts.push_back(std::move(line));
    }
    SortByLineNumber(document.receipts, field::D120(1305),
                     [](const ReceiptGridLine& r) -> std::string_view { return r.record.line; });
  }

  if (withholding != 0) {
    document.receipts.push_back({ReceiptGridLine::Kind::kWithholding, {}, withholding});
  }
  if (!document.receipts.empty()) {
    document.receipts.push_back({ReceiptGridLine::Kind::kTotal, {}, document.receipt_total});
  }
  return document;
}

}  // namespace

LoadedDocument LoadDocument(const RecordStore& store, std::int64_t element) {
  return Load(store, element, [&store](std::int64_t offset, RecordType type) {
    return ReadRecordLine(store, offset, type);
  });
}

LoadedDocument LoadDocument(const RecordStore& store, std::int64_t element,
                            const checks::RecordReader& reader) {
  std::string scratch;
  return Load(store, element, [&](std::int64_t offset, RecordType type) {
    return std::string(reader.Line(offset, type, scratch));
  });
}

}  // namespace tallyscan
