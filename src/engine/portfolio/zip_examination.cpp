#include "engine/portfolio/zip_examination.h"

#include <minizip/unzip.h>

#include <memory>
#include <string_view>

namespace tallyscan::portfolio {
namespace {

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};

bool HasParentPart(std::string_view name) {
  for (std::size_t start = 0; start <= name.size();) {
    std::size_t end = name.find_first_of("/\\", start);
    if (end == std::string_view::npos) end = name.size();
    if (name.substr(start, end - start) == "..") return true;
    start = end + 1;
  }
  return false;
}

bool IsAbsolute(std::string_view name) {
  return name.starts_with('/') || name.starts_with('\\') || (name.size() >= 2 && name[1] == ':');
}

}  // namespace

ZipExamination ExamineZip(const std::string& zip_path) {
  ZipExamination found;
  const std::unique_ptr<void, ZipCloser> zip(unzOpen64(zip_path.c_str()));
  if (!zip) {
    found.refusal = "הארכיון אינו קריא כקובץ zip";
    return found;
  }
  unz_global_info64 global{};
  if (unzGetGlobalInfo64(zip.get(), &global) != UNZ_OK) {
    found.refusal = "תוכן הארכיון אינו קריא";
    return found;
  }
  if (global.number_entry > static_cast<ZPOS64_T>(kZipEntryLimit)) {
    found.refusal = "בארכיון " + std::to_string(global.number_entry) + " קבצים, יותר מ-" +
                    std::to_string(kZipEntryLimit);
    return found;
  }
  std::int64_t entries = 0;
  for (int at = unzGoToFirstFile(zip.get()); at == UNZ_OK; at = unzGoToNextFile(zip.get())) {
    if (++entries > kZipEntryLimit) {
      found.refusal = "בארכיון יותר מ-" + std::to_string(kZipEntryLimit) + " קבצים";
      return found;
    }
    unz_file_info64 info{};
    char name[1024] = {};
    if (unzGetCurrentFileInfo64(zip.get(), &info, name, sizeof name - 1, nullptr, 0, nullptr, 0) !=
        UNZ_OK) {
      found.refusal = "תוכן הארכיון אינו קריא";
      return found;
    }
    const std::string_view entry_name(name);
    if (HasParentPart(entry_name) || IsAbsolute(entry_name)) {
      found.refusal = "שם קובץ בארכיון יוצא מתיקייתו: " + std::string(entry_name);
      return found;
    }
    const auto declared = static_cast<std::int64_t>(
        info.uncompressed_size > static_cast<ZPOS64_T>(kZipTotalLimit) ? kZipTotalLimit + 1
                                                                       : info.uncompressed_size);
    const auto packed = static_cast<std::int64_t>(info.compressed_size);
    if (declared > 0 && (packed == 0 || declared / kZipRatioLimit > packed ||
                         (declared / kZipRatioLimit == packed && declared % kZipRatioLimit > 0))) {
      found.refusal = "יחס הדחיסה של " + std::string(entry_name) + " עולה על 1000:1";
      return found;
    }
    found.uncompressed_bytes += declared;
    if (found.uncompressed_bytes > kZipTotalLimit) {
      found.refusal = "גודל הארכיון הפרוס עולה על 64 GiB";
      return found;
    }
  }
  return found;
}

}  // namespace tallyscan::portfolio
