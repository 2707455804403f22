#pragma once

// Data sets built line by line for the transfer's tests, and the files it writes read back.

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/uniform/uniform.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan::testing {

// Named apart from the checks' fixture's Account: two classes of one name in one test
// program break the one-definition rule (their inline copies and destructors get mixed).
struct TransferAccount {
  std::string key;
  std::string name = "Account";
  std::string group = "100";
  int classification = 100;
  std::int64_t opening = 0;
};

inline std::string AccountLine(std::int64_t record, const TransferAccount& a) {
  RecordWriter w(RecordType::kB110);
  w.SetDigits(1401, record).SetDigits(1402, kDealer).SetText(1403, a.key);
  w.SetText(1404, a.name).SetTextRight(1405, a.group).SetText(1406, "Group " + a.group);
  w.SetAmount(1414, a.opening).SetAmount(1415, 0).SetAmount(1416, 0);
  w.SetDigits(1417, a.classification).SetAmount(1422, 0);
  return std::string(w.line());
}

// A data set of the given accounts followed by the given other lines (record numbers from
// the caller), with A100, Z900 and INI.TXT's counts made to agree.
class SetBuilder {
 public:
  explicit SetBuilder(std::vector<TransferAccount> accounts) {
    for (const TransferAccount& a : accounts) Add(RecordType::kB110, AccountLine(Next(), a));
  }
  std::int64_t Next() { return ++record_; }
  void Add(RecordType type, std::string line) {
    lines_.push_back(std::move(line));
    ++counts_[std::string(LayoutOf(type).code)];
  }
  void Write(const std::string& folder, bool dos = false) {
    DataSetFiles set;
    set.data.push_back(A100Line());
    for (const std::string& l : lines_) set.data.push_back(l);
    const std::int64_t total = static_cast<std::int64_t>(lines_.size()) + 2;
    set.data.push_back(Z900Line(total, total));
    std::string a000 = A000Line(total);
    if (dos) a000[static_cast<std::size_t>(field::A000(1029).start - 1)] = '2';
    set.ini = {a000, SummaryLine("A100", 1), SummaryLine("Z900", 1)};
    for (const auto& [code, count] : counts_) set.ini.push_back(SummaryLine(code, count));
    set.Write(folder);
  }

 private:
  std::int64_t record_ = 1;
  std::vector<std::string> lines_;
  std::map<std::string, std::int64_t> counts_;
};

inline std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string() + ":" + ReadFile(e.path().string()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline std::vector<std::vector<std::uint8_t>> Records(const std::string& path, std::size_t size) {
  const std::string bytes = ReadFile(path);
  std::vector<std::vector<std::uint8_t>> out;
  for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
    out.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                     bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
  }
  return out;
}

// Everything under a folder, however deep, with what it holds: a file its bytes, a link
// where it leads, a folder nothing more.
inline std::vector<std::string> Snapshot(const std::string& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(e.path(), folder).string();
    if (e.is_symlink()) {
      out.push_back(name + " -> " + std::filesystem::read_symlink(e.path()).string());
    } else if (e.is_regular_file()) {
      out.push_back(name + ":" + ReadFile(e.path().string()));
    } else {
      out.push_back(name + "/");
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace tallyscan::testing
