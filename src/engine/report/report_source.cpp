#include "engine/report/report_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "engine/common/sha256.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

ReportHeader HeaderOfStore(const RecordStore& store, const CivilDate& print_date) {
  ReportHeader header;
  header.company = store.BusinessName;
  header.second_line = store.BusinessAddress;
  header.dealer_number = std::string(TrimSpaces(store.DealerNumber));
  header.fiscal_year = store.TaxYear;
  header.print_date = print_date;
  return header;
}

std::string FileSha256(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  Sha256 sha;
  std::vector<char> buffer(1 << 20);
  bool ok = true;
  while (ok) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      ok = errno == EINTR;
      continue;
    }
    sha.Add(buffer.data(), static_cast<std::size_t>(got));
  }
  ::close(fd);
  return ok ? sha.HexDigest() : std::string();
}

ReportSource DescribeSource(const RecordStore& store) {
  ReportSource source;
  source.file_name = store.DataFile.Path();
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(source.file_name, error);
  if (!error && !source.file_name.empty()) source.file_name = absolute.lexically_normal().string();
  source.read_at = store.LoadedAt;
  struct stat info {};
  if (!source.file_name.empty() && ::stat(source.file_name.c_str(), &info) == 0) {
    source.size = static_cast<std::int64_t>(info.st_size);
    // The digest the import took as it read the file; a set read without one is hashed here.
    source.sha256 = !store.DataSha256.empty() ? store.DataSha256 : FileSha256(source.file_name);
  }
  return source;
}

std::string IsoTime(std::int64_t seconds) {
  const CivilDate date = UtcDateOf(seconds);
  std::int64_t in_day = seconds % 86400;
  if (in_day < 0) in_day += 86400;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", date.year, date.month,
                date.day, static_cast<int>(in_day / 3600), static_cast<int>(in_day / 60 % 60),
                static_cast<int>(in_day % 60));
  return text;
}

std::string SourceDescription(const ReportSource& source) {
  std::string text = source.file_name.empty() ? std::string("-") : source.file_name;
  if (source.size >= 0) text += ", " + FormatCount(source.size) + " bytes";
  if (!source.sha256.empty()) text += ", SHA-256 " + source.sha256;
  if (source.read_at != 0) text += ", read " + IsoTime(source.read_at);
  return text;
}

}  // namespace tallyscan
