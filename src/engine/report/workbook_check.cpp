#include "engine/report/workbook_check.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>

namespace tallyscan {
namespace {

constexpr unsigned kChunkSize = 1u << 16;
constexpr std::string_view kRowEnd = "</row>";
constexpr std::string_view kSheetEnd = "</worksheet>";

// The parts every workbook of the writer holds besides its sheets.
constexpr std::string_view kFixedParts[] = {
    "[Content_Types].xml", "_rels/.rels",   "docProps/app.xml",           "docProps/core.xml",
    "xl/workbook.xml",     "xl/styles.xml", "xl/_rels/workbook.xml.rels", "xl/theme/theme1.xml"};

struct EntryFacts {
  std::uint64_t size = 0;
  std::int64_t rows = 0;  // closing row tags
  std::string tail;       // the last bytes, blanks included
};

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};

std::string SheetName(std::size_t index) {
  return "xl/worksheets/sheet" + std::to_string(index + 1) + ".xml";
}

std::string_view TrimmedEnd(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
    text.remove_suffix(1);
  }
  return text;
}

// Reads the current entry through; false with `fault` set when it cannot be read or its CRC
// is wrong.
bool ReadEntry(unzFile zip, const std::string& name, EntryFacts& facts, std::string& fault) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) {
    fault = "the entry " + name + " cannot be opened";
    return false;
  }
  std::string window;  // the end of what was read, long enough to find a tag across chunks
  auto chunk = std::make_unique_for_overwrite<char[]>(kChunkSize);
  int got = 0;
  while ((got = unzReadCurrentFile(zip, chunk.get(), kChunkSize)) > 0) {
    facts.size += static_cast<std::uint64_t>(got);
    const std::size_t carried = window.size();
    window.append(chunk.get(), static_cast<std::size_t>(got));
    // A tag counted once: only matches that end in the new bytes.
    for (std::size_t at = window.find(kRowEnd); at != std::string::npos;
         at = window.find(kRowEnd, at + 1)) {
      if (at + kRowEnd.size() > carried) ++facts.rows;
    }
    window.erase(0, window.size() - std::min(window.size(), kSheetEnd.size() + 16));
  }
  facts.tail = window;
  const int closed = unzCloseCurrentFile(zip);
  if (got < 0 || closed != UNZ_OK) {
    fault = "the entry " + name + (closed == UNZ_CRCERROR ? " fails its CRC" : " cannot be read");
    return false;
  }
  return true;
}

}  // namespace

std::string WorkbookFault(const std::string& path, const WorkbookParts& parts) {
  const std::unique_ptr<void, ZipCloser> zip(unzOpen64(path.c_str()));
  if (!zip) return "the archive cannot be opened";
  std::map<std::string, EntryFacts> entries;
  std::string fault;
  for (int step = unzGoToFirstFile(zip.get()); step == UNZ_OK; step = unzGoToNextFile(zip.get())) {
    char name[512];
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
        UNZ_OK) {
      return "the archive's directory cannot be read";
    }
    EntryFacts facts;
    if (!ReadEntry(zip.get(), name, facts, fault)) return fault;
    if (facts.size != info.uncompressed_size) return std::string("the entry ") + name + " is short";
    entries[name] = std::move(facts);
  }

  std::vector<std::string> expected(std::begin(kFixedParts), std::end(kFixedParts));
  if (parts.custom_properties) expected.emplace_back("docProps/custom.xml");
  for (std::size_t s = 0; s < parts.sheet_rows.size(); ++s) expected.push_back(SheetName(s));
  for (int c = 1; c <= parts.charts; ++c)
    expected.push_back("xl/charts/chart" + std::to_string(c) + ".xml");
  for (int d = 1; d <= parts.drawings; ++d) {
    expected.push_back("xl/drawings/drawing" + std::to_string(d) + ".xml");
  }
  for (const std::string& name : expected) {
    if (entries.find(name) == entries.end()) return "the part " + name + " is missing";
  }
  for (const auto& [name, facts] : entries) {
    if (facts.size == 0) return "the part " + name + " is empty";
    if (name.ends_with(".xml") || name.ends_with(".rels")) {
      if (!TrimmedEnd(facts.tail).ends_with('>')) return "the part " + name + " is cut short";
    }
  }
  for (std::size_t s = 0; s < parts.sheet_rows.size(); ++s) {
    const EntryFacts& sheet = entries[SheetName(s)];
    if (!TrimmedEnd(sheet.tail).ends_with(kSheetEnd) || sheet.rows != parts.sheet_rows[s]) {
      return "the sheet " + SheetName(s) + " is cut short";
    }
  }
  return {};
}

}  // namespace tallyscan
