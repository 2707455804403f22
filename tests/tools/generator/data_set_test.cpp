#include "generator/data_set.h"

#include <unistd.h>

#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "engine/text/text.h"
#include "engine/uniform/uniform.h"
#include "support/set_check.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;
using testing::CheckSet;
using testing::ReadFile;
using testing::SplitLines;

class DataSetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("tallyscan_gen_" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
             std::to_string(::getpid()));  // two test runs at once keep apart
    fs::remove_all(root_);
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path Generate(const std::string& name, const DataSetOptions& options,
                    GeneratedDataSet* result = nullptr) {
    GeneratedDataSet local;
    GeneratedDataSet* out = result != nullptr ? result : &local;
    const fs::path folder = root_ / name;
    const Status status = GenerateDataSet(options, folder, out);
    EXPECT_TRUE(status.ok()) << status.message();
    return folder;
  }

  static std::string Describe(const std::vector<testing::Finding>& findings) {
    std::string text;
    for (const auto& f : findings) {
      text += FaultName(f.kind) + " " + f.file + ":" + std::to_string(f.line) + " " + f.what + "\n";
    }
    return text;
  }
  static std::string FaultName(FaultKind kind) {
    for (const FaultInfo& info : Faults()) {
      if (info.kind == kind) return std::string(info.name);
    }
    return "?";
  }

  fs::path root_;
};

DataSetOptions Small(std::uint64_t seed = 7) {
  DataSetOptions options;
  options.movements = 600;
  options.accounts = 50;
  options.documents = 80;
  options.items = 25;
  options.seed = seed;
  return options;
}

TEST_F(DataSetTest, ValidSetsPassEveryConsistencyCheck) {
  for (std::uint64_t seed : {1u, 2u, 99u}) {
    for (std::int64_t movements : {10, 11, 600, 2501}) {
      DataSetOptions options = Small(seed);
      options.movements = movements;
      GeneratedDataSet result;
      const fs::path folder = Generate("valid", options, &result);
      const testing::SetCheck check = CheckSet(folder);
      EXPECT_TRUE(check.findings.empty()) << "seed " << seed << " movements " << movements << "\n"
                                          << Describe(check.findings);
      EXPECT_FALSE(check.index_unbalanced);
      EXPECT_FALSE(check.index_movements_off);
      EXPECT_EQ(movements, result.counts.b100);
      EXPECT_EQ(options.accounts, result.counts.b110);
      EXPECT_EQ(options.documents, result.counts.c100);
      EXPECT_EQ(check.data_lines, result.data_lines);
      EXPECT_TRUE(result.manifest.empty());
      EXPECT_EQ(static_cast<std::uintmax_t>(result.data_bytes),
                fs::file_size(folder / "BKMVDATA.TXT"));
    }
  }
}

TEST_F(DataSetTest, SetsWithoutMovementsOrDocumentsAreValid) {
  DataSetOptions options = Small();
  options.movements = 0;
  options.documents = 0;
  const testing::SetCheck check = CheckSet(Generate("empty", options));
  EXPECT_TRUE(check.findings.empty()) << Describe(check.findings);
}

TEST_F(DataSetTest, OptionsOutsideTheirRangeAreRefused) {
  GeneratedDataSet result;
  DataSetOptions options = Small();
  options.movements = 1;
  EXPECT_FALSE(GenerateDataSet(options, root_ / "x", &result).ok());
  options = Small();
  options.accounts = 5;
  EXPECT_FALSE(GenerateDataSet(options, root_ / "x", &result).ok());
  options = Small();
  options.items = 0;
  EXPECT_FALSE(GenerateDataSet(options, root_ / "x", &result).ok());
  options = Small();
  options.faults = {{FaultKind::kIniTotal, 2}};
  EXPECT_FALSE(GenerateDataSet(options, root_ / "x", &result).ok());
  options = Small();
  options.documents = 2;
  options.faults = {{FaultKind::kVat, 3}};
  EXPECT_FALSE(GenerateDataSet(options, root_ / "x", &result).ok());
}

TEST_F(DataSetTest, TheLargestChartKeepsEveryAccountKeyApart) {
  DataSetOptions options = Small();
  options.accounts = kMostAccounts;
  // Enough movements for an opening balance on more accounts than a transaction has lines.
  options.movements = 500005;
  GeneratedDataSet result;
  const fs::path folder = Generate("largest", options, &result);
  const testing::SetCheck check = CheckSet(folder);
  EXPECT_TRUE(check.findings.empty()) << Describe(check.findings);
  EXPECT_EQ(kMostAccounts, result.counts.b110);
  std::set<std::string> keys;
  for (const std::string& line : SplitLines(ReadFile(folder / "BKMVDATA.TXT"))) {
    if (line.starts_with("B110")) keys.emplace(SliceField(line, field::B110(1403)));
  }
  EXPECT_EQ(static_cast<std::size_t>(kMostAccounts), keys.size());

  options.accounts = kMostAccounts + 1;
  EXPECT_FALSE(GenerateDataSet(options, root_ / "x", &result).ok());
}

TEST_F(DataSetTest, TheSameSeedGivesTheSameBytes) {
  const fs::path a = Generate("a", Small(5));
  const fs::path b = Generate("b", Small(5));
  const fs::path c = Generate("c", Small(6));
  EXPECT_EQ(ReadFile(a / "BKMVDATA.TXT"), ReadFile(b / "BKMVDATA.TXT"));
  EXPECT_EQ(ReadFile(a / "INI.TXT"), ReadFile(b / "INI.TXT"));
  EXPECT_NE(ReadFile(a / "BKMVDATA.TXT"), ReadFile(c / "BKMVDATA.TXT"));
}

TEST_F(DataSetTest, TextsAreHebrewInCodePage1255) {
  const std::string data = ReadFile(Generate("win", Small()) / "BKMVDATA.TXT");
  const std::vector<std::string> lines = SplitLines(data);
  const FieldLayout* name = FindField(LayoutOf(RecordType::kB110), 1404);
  int hebrew_names = 0;
  for (const std::string& line : lines) {
    if (line.rfind("B110", 0) != 0) continue;
    const std::string_view value = SliceField(line, *name);
    if (std::any_of(value.begin(), value.end(), [](char c) {
          return static_cast<unsigned char>(c) >= 0xE0 && static_cast<unsigned char>(c) <= 0xFA;
        })) {
      ++hebrew_names;
    }
  }
  EXPECT_EQ(50, hebrew_names);
}

TEST_F(DataSetTest, DosCodedSetsMarkTheHeaderAndConvertBack) {
  DataSetOptions options = Small();
  const fs::path win = Generate("win", options);
  options.dos_coded = true;
  const fs::path dos = Generate("dos", options);
  EXPECT_TRUE(CheckSet(dos).findings.empty());

  const std::vector<std::string> win_ini = SplitLines(ReadFile(win / "INI.TXT"));
  const std::vector<std::string> dos_ini = SplitLines(ReadFile(dos / "INI.TXT"));
  const FieldLayout* charset = FindField(LayoutOf(RecordType::kA000), 1029);
  EXPECT_EQ("1", SliceField(win_ini[0], *charset));
  EXPECT_EQ("2", SliceField(dos_ini[0], *charset));

  // Every converted text field holds the DOS form of the same text; everything else is
  // byte for byte the same.
  const std::vector<std::string> win_lines = SplitLines(ReadFile(win / "BKMVDATA.TXT"));
  const std::vector<std::string> dos_lines = SplitLines(ReadFile(dos / "BKMVDATA.TXT"));
  ASSERT_EQ(win_lines.size(), dos_lines.size());
  int converted = 0;
  for (std::size_t i = 0; i < win_lines.size(); ++i) {
    const RecordLayout* layout = FindLayout(std::string_view(win_lines[i]).substr(0, 4));
    ASSERT_NE(nullptr, layout);
    for (const FieldLayout& field : layout->fields) {
      const std::string_view w = SliceField(win_lines[i], field);
      const std::string_view d = SliceField(dos_lines[i], field);
      if (field.kind == FieldKind::kText && field.converted) {
        const auto trim = [](std::string_view s) {
          const auto b = s.find_first_not_of(' ');
          return b == std::string_view::npos ? std::string_view()
                                             : s.substr(b, s.find_last_not_of(' ') - b + 1);
        };
        EXPECT_EQ(std::string(trim(w)), DosToWin(trim(d))) << "line " << i + 1;
        if (trim(w) != trim(d)) ++converted;
      } else {
        EXPECT_EQ(w, d) << "line " << i + 1 << " field " << field.code;
      }
    }
  }
  EXPECT_GT(converted, 100);
}

TEST_F(DataSetTest, ZippedSetHoldsOneEntryWithThePlainBytes) {
  DataSetOptions options = Small();
  const fs::path plain = Generate("plain", options);
  options.zip = true;
  const fs::path zipped = Generate("zipped", options);
  EXPECT_FALSE(fs::exists(zipped / "BKMVDATA.TXT"));

  unzFile zip = unzOpen64((zipped / "BKMVDATA.ZIP").string().c_str());
  ASSERT_NE(nullptr, zip);
  unz_global_info64 info;
  ASSERT_EQ(UNZ_OK, unzGetGlobalInfo64(zip, &info));
  EXPECT_EQ(1u, info.number_entry);
  ASSERT_EQ(UNZ_OK, unzGoToFirstFile(zip));
  char name[64] = {};
  unz_file_info64 file;
  ASSERT_EQ(UNZ_OK, unzGetCurrentFileInfo64(zip, &file, name, sizeof name, nullptr, 0, nullptr, 0));
  EXPECT_STREQ("BKMVDATA.TXT", name);
  ASSERT_EQ(UNZ_OK, unzOpenCurrentFile(zip));
  std::string bytes;
  char buffer[65536];
  for (int n; (n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0;)
    bytes.append(buffer, static_cast<std::size_t>(n));
  unzCloseCurrentFile(zip);
  unzClose(zip);

  EXPECT_EQ(ReadFile(plain / "BKMVDATA.TXT"), bytes);
  EXPECT_EQ(ReadFile(plain / "INI.TXT").size(), ReadFile(zipped / "INI.TXT").size());
  EXPECT_TRUE(CheckSet(zipped, &bytes).findings.empty());
}

// Each fault, alone and several times over, is found by an independent reading of the
// set exactly where the manifest says, and nothing else is.
TEST_F(DataSetTest, EveryInjectedFaultIsFoundWhereTheManifestSays) {
  for (const FaultInfo& info : Faults()) {
    for (int count : {1, 2, 3}) {
      if (info.max_count > 0 && count > info.max_count) continue;
      DataSetOptions options = Small(11);
      options.faults = {{info.kind, count}};
      GeneratedDataSet result;
      const fs::path folder = Generate(std::string(info.name), options, &result);
      const testing::SetCheck check = CheckSet(folder);
      const std::vector<std::string> lines = SplitLines(ReadFile(folder / "BKMVDATA.TXT"));

      std::set<std::tuple<FaultKind, std::string, std::int64_t>> expected, found;
      bool whole_file_rows = false;
      for (const ManifestEntry& entry : result.manifest) {
        EXPECT_EQ(info.kind, entry.kind);
        EXPECT_FALSE(entry.message.empty());
        std::int64_t line = entry.line;
        if (entry.kind == FaultKind::kAccountTotals &&
            entry.message.find("באינדקס") != std::string::npos) {
          whole_file_rows = true;
          continue;
        }
        if (entry.kind == FaultKind::kUnbalancedBatch) {
          // The independent reading knows the batch, not the line that unbalanced it.
          const FieldLayout* batch = FindField(LayoutOf(RecordType::kB100), 1355);
          line = std::stoll(
              std::string(SliceField(lines[static_cast<std::size_t>(line - 1)], *batch)));
          EXPECT_NE(std::string::npos, entry.message.find(std::to_string(line)));
        }
        expected.insert({entry.kind, entry.file, line});
      }
      for (const testing::Finding& finding : check.findings) {
        found.insert({finding.kind, finding.file, finding.line});
      }
      EXPECT_EQ(static_cast<std::size_t>(count), expected.size()) << info.name << "@" << count;
      EXPECT_EQ(expected, found) << info.name << "@" << count << "\n" << Describe(check.findings);
      EXPECT_EQ(whole_file_rows, check.index_unbalanced || check.index_movements_off)
          << info.name << "@" << count;
      // Whole-file totals only ever move when an account total is left unpaired.
      EXPECT_EQ(info.kind == FaultKind::kAccountTotals && count % 2 == 1, whole_file_rows)
          << info.name << "@" << count;
    }
  }
}

TEST_F(DataSetTest, ManifestNamesTheRowsThatReportTheFaults) {
  DataSetOptions options = Small(3);
  options.faults = {{FaultKind::kUnknownAccount, 2},
                    {FaultKind::kBadDate, 1},
                    {FaultKind::kPriceQuantity, 1},
                    {FaultKind::kIniTypeCount, 1}};
  GeneratedDataSet result;
  const fs::path folder = Generate("manifest", options, &result);
  const std::vector<std::string> lines = SplitLines(ReadFile(folder / "BKMVDATA.TXT"));

  // The movement index is sorted by account key and batch; the unknown keys come last,
  // so their movements are the last two positions.
  std::map<FaultKind, std::vector<const ManifestEntry*>> by_kind;
  for (const ManifestEntry& entry : result.manifest) by_kind[entry.kind].push_back(&entry);
  ASSERT_EQ(2u, by_kind[FaultKind::kUnknownAccount].size());
  EXPECT_EQ("בתנועה מספר - 599 המפתח ", by_kind[FaultKind::kUnknownAccount][0]->message);
  EXPECT_EQ("בתנועה מספר - 600 המפתח ", by_kind[FaultKind::kUnknownAccount][1]->message);
  std::vector<std::string> keys;
  const FieldLayout* key = FindField(LayoutOf(RecordType::kB100), 1364);
  for (const std::string& line : lines) {
    if (line.rfind("B100", 0) == 0) keys.emplace_back(SliceField(line, *key));
  }
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(by_kind[FaultKind::kUnknownAccount][0]->value, keys[598].substr(0, 7));
  EXPECT_EQ(by_kind[FaultKind::kUnknownAccount][1]->value, keys[599].substr(0, 7));

  const ManifestEntry& date = *by_kind[FaultKind::kBadDate].at(0);
  EXPECT_EQ("בשורה - " + std::to_string(date.line), date.value);
  EXPECT_EQ("תאריך בערך לא חוקי " + lines[static_cast<std::size_t>(date.line - 1)].substr(164, 8),
            date.message);

  const ManifestEntry& price = *by_kind[FaultKind::kPriceQuantity].at(0);
  EXPECT_EQ(0u, price.value.rfind("בעיה ב חשבונית מס מספר - ", 0));
  EXPECT_EQ("D110", lines[static_cast<std::size_t>(price.line - 1)].substr(0, 4));

  const ManifestEntry& count = *by_kind[FaultKind::kIniTypeCount].at(0);
  EXPECT_EQ("INI.TXT", count.file);
  EXPECT_EQ("רשומות B100 - חוסר התאמה (600)", count.message);
  EXPECT_EQ("למספר רשומות הסיכום (601)", count.value);

  // The file lists the same entries under a header line.
  const std::vector<std::string> manifest = [&] {
    std::vector<std::string> rows;
    const std::string text = ReadFile(folder / std::string(kManifestFileName));
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\n', start);
      rows.push_back(text.substr(start, end - start));
    }
    return rows;
  }();
  ASSERT_EQ(result.manifest.size() + 1, manifest.size());
  EXPECT_EQ("fault\tfile\tline\tmessage\tvalue", manifest[0]);
  EXPECT_EQ("bad-date\tBKMVDATA.TXT\t" + std::to_string(date.line) + "\t" + date.message + "\t" +
                date.value,
            manifest[1 + static_cast<std::size_t>(&date - result.manifest.data())]);
}

// The demonstration set in the repository is exactly what its README's command writes.
TEST_F(DataSetTest, CommittedDemoSetIsCurrentAndValid) {
  const fs::path demo = fs::path(TALLYSCAN_SOURCE_DIR) / "samples" / "demo";
  DataSetOptions options;
  options.movements = 300;
  options.accounts = 40;
  options.documents = 40;
  options.items = 20;
  options.seed = 2024;
  const fs::path fresh = Generate("demo", options);
  EXPECT_EQ(ReadFile(fresh / "BKMVDATA.TXT"), ReadFile(demo / "BKMVDATA.TXT"));
  EXPECT_EQ(ReadFile(fresh / "INI.TXT"), ReadFile(demo / "INI.TXT"));
  const testing::SetCheck check = CheckSet(demo);
  EXPECT_TRUE(check.findings.empty()) << Describe(check.findings);
  EXPECT_EQ(521, check.data_lines);
}

}  // namespace
}  // namespace tallyscan
