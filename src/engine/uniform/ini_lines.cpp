#include "engine/uniform/ini_lines.h"

#include <system_error>

#include "engine/uniform/layouts.h"
#include "engine/uniform/line_reader.h"
#include "engine/uniform/values.h"

namespace tallyscan {

namespace {

constexpr std::string_view kReadFailedText = "שגיאה בקריאת הקובץ ";
// INI.TXT holds a header and a few summary lines: a small block reads it.
constexpr std::size_t kIniBlock = 64 * 1024;

}  // namespace

Status ReadIniLines(const std::string& path, IniLines& lines) {
  lines = {};
  FileHandle file(path);
  auto failed = [&](int error) {
    lines = {};
    return Status::IoError(std::string(kReadFailedText) + path + " - " +
                           std::error_code(error, std::generic_category()).message());
  };
  if (!file.ok()) return failed(file.open_error());
  LineReader reader(file.fd(), kIniBlock);
  TextLine line;
  for (bool first = true; reader.Next(line); first = false) {
    if (first) {
      lines.a000.assign(line.head);
    } else {
      lines.summaries.emplace_back(line.head);
    }
  }
  if (reader.failed()) return failed(reader.error());
  return Status::Ok();
}

std::string_view SummaryRecordType(std::string_view summary) {
  return SliceField(summary, kIniSummaryType);
}

std::int64_t SummaryStatedCount(std::string_view summary) {
  return ReadInteger(SliceField(summary, kIniSummaryCount.start, static_cast<int>(summary.size())));
}

}  // namespace tallyscan
