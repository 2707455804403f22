#include "engine/report/report_source.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/text/number_format.h"
#include "engine/text/trim.h"
#include "engine/uniform/record_store.h"

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
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        EVP_MD_CTX_free);
  bool ok = context != nullptr && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
  std::vector<unsigned char> buffer(1 << 20);
  while (ok) {
    const ssize_t got = ::read(fd, buffer.data(), buffer.size());
    if (got == 0) break;
    if (got < 0) {
      ok = errno == EINTR;
      continue;
    }
    ok = EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got)) == 1;
  }
  ::close(fd);
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!ok || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return {};
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", digest[i]);
    hex += pair;
  }
  return hex;
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
    source.sha256 = FileSha256(source.file_name);
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
