// tallyscan-cli detail FILE LINE_NUMBER: one record shown field by field, one row per
// output line (UTF-8, TAB-separated, markers as their characters).
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "engine/uniform/layouts.h"
#include "engine/uniform/record_detail.h"
#include "engine/uniform/values.h"

namespace tallyscan::cli {
namespace {

namespace fs = std::filesystem;

// Reads a file line by line without holding it whole; a line ends with CR LF, LF or CR.
class LineReader {
 public:
  explicit LineReader(const fs::path& path) : in_(path, std::ios::binary) {}
  bool ok() const { return static_cast<bool>(in_); }

  // The next line without its end; false at the end of the file.
  bool Next(std::string& line) {
    line.clear();
    bool any = false;
    while (true) {
      if (pos_ == size_) {
        if (!Fill()) return any;
      }
      const char c = buffer_[pos_++];
      if (skip_lf_) {
        skip_lf_ = false;
        if (c == '\n') continue;
      }
      if (c == '\n') return true;
      if (c == '\r') {
        skip_lf_ = true;
        return true;
      }
      line += c;
      any = true;
    }
  }

 private:
  bool Fill() {
    in_.read(buffer_, sizeof buffer_);
    size_ = static_cast<std::size_t>(in_.gcount());
    pos_ = 0;
    return size_ > 0;
  }

  std::ifstream in_;
  char buffer_[1 << 16];
  std::size_t size_ = 0;
  std::size_t pos_ = 0;
  bool skip_lf_ = false;
};

// The file of this name (compared without regard to case) in a folder.
std::optional<fs::path> FindSibling(const fs::path& folder, std::string_view name) {
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    std::string candidate = it->path().filename().string();
    if (candidate.size() != name.size()) continue;
    if (std::equal(candidate.begin(), candidate.end(), name.begin(), [](char a, char b) {
          return std::tolower(static_cast<unsigned char>(a)) ==
                 std::tolower(static_cast<unsigned char>(b));
        })) {
      return it->path();
    }
  }
  return std::nullopt;
}

std::string FirstLine(const fs::path& path) {
  LineReader reader(path);
  std::string line;
  reader.Next(line);
  return line;
}

// The last non-blank line of a file, read from its tail: the closing record is short.
std::string LastLine(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return {};
  const std::streamoff size = in.tellg();
  const std::streamoff start = std::max<std::streamoff>(0, size - (1 << 16));
  in.seekg(start);
  std::string tail(static_cast<std::size_t>(size - start), '\0');
  in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  tail.resize(static_cast<std::size_t>(in.gcount()));
  std::string_view rest(tail);
  while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r' || rest.back() == ' ')) {
    rest.remove_suffix(1);
  }
  const std::size_t end = rest.find_last_of("\r\n");
  if (end != std::string_view::npos) return std::string(rest.substr(end + 1));
  return start == 0 ? std::string(rest) : std::string();
}

bool HasType(std::string_view line, RecordType type) {
  const RecordLayout* layout = FindLayout(line);
  return layout != nullptr && layout->type == type;
}

std::optional<long long> ParseLineNumber(std::string_view text) {
  if (text.empty() || text.size() > 15) return std::nullopt;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1) return std::nullopt;
  return value;
}

}  // namespace

int RunDetail(std::span<char* const> args) {
  if (args.size() != 2) {
    std::cerr << "usage: tallyscan-cli detail FILE LINE_NUMBER\n";
    return 2;
  }
  const fs::path path = args[0];
  const std::optional<long long> wanted = ParseLineNumber(args[1]);
  if (!wanted) {
    std::cerr << "detail: LINE_NUMBER must be a whole number from 1: " << args[1] << "\n";
    return 2;
  }
  std::error_code error;
  if (!fs::is_regular_file(path, error)) {
    std::cerr << "detail: cannot read " << path.string() << ": not a readable file\n";
    return 1;
  }
  LineReader reader(path);
  if (!reader.ok()) {
    std::cerr << "detail: cannot read " << path.string() << "\n";
    return 1;
  }

  // The lines up to the one wanted; an INI.TXT (first line A000) is kept whole, since its
  // header view lists every summary line.
  std::vector<std::string> kept;
  std::string line;
  std::string target;
  long long count = 0;
  bool is_ini = false;
  while (reader.Next(line)) {
    ++count;
    if (count == 1) is_ini = HasType(line, RecordType::kA000);
    if (count == *wanted) target = line;
    if (is_ini) {
      kept.push_back(line);
    } else if (count >= *wanted) {
      break;
    }
  }
  if (count < *wanted) {
    std::cerr << "detail: " << path.string() << " has " << count << " lines, no line " << *wanted
              << "\n";
    return 2;
  }

  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  std::vector<std::string> rows;
  if (is_ini && *wanted == 1) {
    const bool dos = DeclaresDosCodePage(kept.front());
    const std::vector<std::string_view> summaries(kept.begin() + 1, kept.end());
    std::string a100;
    std::string z900;
    if (const auto data = FindSibling(folder, "BKMVDATA.TXT")) {
      a100 = FirstLine(*data);
      z900 = LastLine(*data);
      if (!HasType(a100, RecordType::kA100)) a100.clear();
      if (!HasType(z900, RecordType::kZ900)) z900.clear();
    }
    rows = BuildIniDetailRows(kept.front(), summaries, a100, z900, dos);
  } else if (is_ini) {
    std::string row = BuildSummaryDetailRow(target);
    if (!row.empty()) rows.push_back(std::move(row));
  } else {
    bool dos = false;
    if (const auto ini = FindSibling(folder, "INI.TXT")) dos = DeclaresDosCodePage(FirstLine(*ini));
    rows = BuildRecordDetailRows(target, dos);
  }
  if (rows.empty()) {
    std::cerr << "detail: line " << *wanted << " of " << path.string()
              << " holds no record of a known type\n";
    return 2;
  }
  for (const std::string& row : rows) std::cout << row << '\n';
  return 0;
}

}  // namespace tallyscan::cli
