#pragma once

// Private to portfolio/: the rest of the program includes portfolio/portfolio.h.
//
// An archive looked at through its central directory before a byte of it is taken out: the
// sizes it declares decide whether it is opened at all, and how much memory its client is
// given.

#include <cstdint>
#include <string>

namespace tallyscan::portfolio {

inline constexpr std::int64_t kZipTotalLimit = std::int64_t{64} << 30;
inline constexpr std::int64_t kZipRatioLimit = 1000;
inline constexpr std::int64_t kZipEntryLimit = 16;

struct ZipExamination {
  // Why the archive is refused, in words for the client's row; empty when it may be opened.
  std::string refusal;
  std::int64_t uncompressed_bytes = 0;  // the sum the directory declares
};

// Refused: an archive that cannot be read as one, more than kZipEntryLimit entries, a name
// with a ".." part or an absolute path, an entry that declares more than kZipRatioLimit
// bytes for each compressed byte, or a total above kZipTotalLimit.
ZipExamination ExamineZip(const std::string& zip_path);

}  // namespace tallyscan::portfolio
