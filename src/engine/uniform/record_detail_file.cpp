// The detail of a record read from a file: by line number (as an import row names it) or
// by the offset an index entry holds. The lines are counted by the import's own reader, so
// that "line N" means the same line in the import's log and in its detail.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/text/text.h"
#include "engine/uniform/folder_files.h"
#include "engine/uniform/layouts.h"
#include "engine/uniform/line_reader.h"
#include "engine/uniform/record_detail.h"
#include "engine/uniform/record_store.h"
#include "engine/uniform/values.h"

namespace tallyscan {
namespace {

// The closing record is short and last: it is looked for in this much of the file's end.
constexpr std::int64_t kTailBytes = 64 * 1024;
constexpr std::size_t kBlockBytes = 64 * 1024;

bool HasType(std::string_view line, RecordType type) {
  const RecordLayout* layout = FindLayout(line);
  return layout != nullptr && layout->type == type;
}

// Why a file cannot be read; Ok when it can.
Status Readable(const FileHandle& file, const std::string& path) {
  if (!file.ok() && (file.open_error() == ENOENT || file.open_error() == ENOTDIR)) {
    return Status::NotFound("הקובץ " + path + " אינו קיים");
  }
  if (!file.ok() || !file.IsRegular()) {
    return Status::IoError("לא ניתן לקרוא את הקובץ " + path);
  }
  return Status::Ok();
}

std::string FirstLine(const std::string& path) {
  FileHandle file(path);
  if (!file.ok()) return {};
  LineReader reader(file.fd(), kBlockBytes);
  TextLine line;
  return reader.Next(line) ? std::string(line.head) : std::string();
}

// The last line that is not empty or all spaces.
std::string LastNonBlankLine(const std::string& path) {
  FileHandle file(path);
  if (!file.ok()) return {};
  // Reading from one byte before the tail, the first line is either the rest of a line the
  // tail cuts or the empty line that the byte before a line's start ends: dropped either way.
  const std::int64_t start = std::max<std::int64_t>(0, file.Size() - kTailBytes - 1);
  if (::lseek(file.fd(), static_cast<off_t>(start), SEEK_SET) < 0) return {};
  LineReader reader(file.fd(), static_cast<std::size_t>(kTailBytes) + 2);
  TextLine line;
  std::string last;
  bool drop = start > 0;
  while (reader.Next(line)) {
    if (!drop && !TrimSpaces(line.head).empty()) last.assign(line.head);
    drop = false;
  }
  return last;
}

// The file named `name` (letter case ignored) in the folder of `path`.
std::optional<std::string> Beside(const std::string& path, std::string_view name) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return FindFileIgnoringCase(parent.empty() ? std::string(".") : parent.string(), name);
}

std::vector<std::string> IniHeaderRows(const std::vector<std::string>& lines,
                                       const std::string& path) {
  const std::vector<std::string_view> summaries(lines.begin() + 1, lines.end());
  std::string a100;
  std::string z900;
  if (const std::optional<std::string> data = Beside(path, "bkmvdata.txt")) {
    a100 = FirstLine(*data);
    z900 = LastNonBlankLine(*data);
    if (!HasType(a100, RecordType::kA100)) a100.clear();
    if (!HasType(z900, RecordType::kZ900)) z900.clear();
  }
  return BuildIniDetailRows(lines.front(), summaries, a100, z900,
                            DeclaresDosCodePage(lines.front()));
}

}  // namespace

RecordDetail DetailOfLine(const std::string& path, std::int64_t line_number) {
  RecordDetail detail;
  const FileHandle file(path);
  detail.status = Readable(file, path);
  if (!detail.status.ok()) return detail;

  // The lines up to the one asked for; an INI.TXT is kept whole when its header is asked
  // for, since the header view lists every summary line.
  LineReader reader(file.fd(), kBlockBytes);
  TextLine line;
  std::vector<std::string> kept;
  std::string target;
  std::int64_t count = 0;
  bool is_ini = false;
  while (reader.Next(line)) {
    ++count;
    if (count == 1) is_ini = HasType(line.head, RecordType::kA000);
    if (count == line_number) target.assign(line.head);
    if (is_ini && line_number == 1) {
      kept.emplace_back(line.head);
    } else if (count >= line_number && line_number >= 1) {
      break;
    }
  }
  if (reader.failed()) {
    detail.status = Status::IoError("לא ניתן לקרוא את הקובץ " + path);
    return detail;
  }
  if (line_number < 1 || count < line_number) {
    detail.line_count = count;
    detail.status = Status::OutOfRange("בקובץ " + path + " יש " + std::to_string(count) +
                                       " שורות, אין בו שורה " + std::to_string(line_number));
    return detail;
  }

  if (is_ini && line_number == 1) {
    detail.rows = IniHeaderRows(kept, path);
  } else if (is_ini) {
    std::string row = BuildSummaryDetailRow(target);
    if (!row.empty()) detail.rows.push_back(std::move(row));
  } else {
    const std::optional<std::string> ini = Beside(path, "ini.txt");
    detail.rows = BuildRecordDetailRows(target, ini && DeclaresDosCodePage(FirstLine(*ini)));
  }
  if (detail.rows.empty()) {
    detail.status = Status::Corrupt("שורה " + std::to_string(line_number) + " בקובץ " + path +
                                    " אינה רשומה מסוג מוכר");
  }
  return detail;
}

RecordDetail DetailOfRecordAt(const RecordStore& store, std::int64_t offset) {
  RecordDetail detail;
  if (!store.DataFile.IsOpen()) {
    detail.status = Status::NotFound("לא נטען קובץ נתונים");
    return detail;
  }
  // One character beyond the widest record tells a line too long for its type.
  const std::string line =
      offset >= 0 ? store.DataFile.ReadLine(offset, LongestRecordWidth() + 1) : std::string();
  if (line.empty()) {
    detail.status =
        Status::OutOfRange("אין רשומה במקום " + std::to_string(offset) + " של קובץ הנתונים");
    return detail;
  }
  detail.rows = BuildRecordDetailRows(line, store.DosCodePage);
  if (detail.rows.empty()) {
    detail.status =
        Status::Corrupt("במקום " + std::to_string(offset) + " של קובץ הנתונים אין רשומה מסוג מוכר");
  }
  return detail;
}

}  // namespace tallyscan
