// The detail of a record read from a file, by line number and by stored offset.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/uniform/import.h"
#include "engine/uniform/record_detail.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

using testing::DataSetFiles;
using testing::TempFolder;

// The record code cell (the third) of a detail's first row: "B110" plus the heading marker.
std::string CodeShown(const RecordDetail& detail) {
  if (detail.rows.empty()) return "(no rows)";
  const std::string& row = detail.rows.front();
  const std::size_t third = row.find('\t', row.find('\t', row.find('\t') + 1) + 1);
  return row.substr(third + 1, 4);
}

bool HasRowOfField(const RecordDetail& detail, std::string_view code) {
  for (const std::string& row : detail.rows) {
    if (row.substr(2, code.size() + 1) == std::string(code) + "\t") return true;
  }
  return false;
}

TEST(RecordDetailFileTest, DetailShowsTheLineTheImportNamesAcrossALoneCr) {
  TempFolder folder;
  DataSetFiles set = testing::SmallValidSet();
  set.data[1][40] = '\r';        // line 2, an account: a lone CR inside its name
  set.data[4][6] = 'X';          // line 5, a movement: a letter in its record number
  set.data[9].insert(60, "\r");  // line 10, a document: one character too long
  set.Write(folder.path());
  RecordStore store;
  SilentProgress silent;
  const ImportResult import = ImportFolder(store, folder.path(), silent);
  ASSERT_TRUE(import.status.ok()) << import.status.message();

  // Every error row that names a line (its fourth cell) names the line the detail shows.
  std::vector<std::pair<std::int64_t, std::string>> named;
  for (const std::string& row : import.rows.Rows()) {
    const std::size_t last = row.rfind('\t');
    if (row[0] != '1' || std::count(row.begin(), row.end(), '\t') != 3) continue;
    named.emplace_back(std::stoll(row.substr(last + 1)), row);
  }
  std::set<std::int64_t> lines;
  for (const auto& entry : named) lines.insert(entry.first);
  ASSERT_EQ((std::set<std::int64_t>{2, 5, 10}), lines);
  const std::string data = folder.File("BKMVDATA.TXT");
  for (const auto& [line, row] : named) {
    SCOPED_TRACE(row);
    const RecordDetail detail = DetailOfLine(data, line);
    ASSERT_TRUE(detail.status.ok()) << detail.status.message();
    EXPECT_EQ(set.data[static_cast<std::size_t>(line - 1)].substr(0, 4), CodeShown(detail));
  }
  // The movement's faulty field is the one the detail marks.
  const RecordDetail movement = DetailOfLine(data, 5);
  ASSERT_FALSE(movement.rows.empty());
  EXPECT_TRUE(movement.rows[1].starts_with("1\t1351\t")) << movement.rows[1];
  EXPECT_EQ("Z900", CodeShown(DetailOfLine(data, 14)));
}

TEST(RecordDetailFileTest, FailuresSayWhy) {
  TempFolder folder;
  DataSetFiles set = testing::SmallValidSet();
  set.data[5] = "X100 nobody knows this record";
  set.Write(folder.path());
  const std::string data = folder.File("BKMVDATA.TXT");
  struct Case {
    std::string path;
    std::int64_t line;
    StatusCode code;
  };
  const Case cases[] = {
      {folder.File("NOPE.TXT"), 1, StatusCode::kNotFound},
      {folder.path(), 1, StatusCode::kIoError},  // a folder is no file to read
      {data, 15, StatusCode::kOutOfRange},
      {data, 6, StatusCode::kCorrupt},
      {data, 7, StatusCode::kOk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " line " + std::to_string(c.line));
    const RecordDetail detail = DetailOfLine(c.path, c.line);
    EXPECT_EQ(c.code, detail.status.code()) << detail.status.message();
    EXPECT_EQ(c.code == StatusCode::kOk, !detail.rows.empty());
    EXPECT_EQ(c.code == StatusCode::kOk, detail.status.message().empty());
  }
  EXPECT_EQ(14, DetailOfLine(data, 15).line_count);
}

TEST(RecordDetailFileTest, IniHeaderTakesOpeningAndClosingRecordsFromTheDataFileBeside) {
  TempFolder folder;
  DataSetFiles set = testing::SmallValidSet();
  set.data.push_back("   ");  // blank lines after the closing record are not it
  set.data.push_back("");
  set.Write(folder.path(), "ini.txt", "BkMvData.txt");
  const RecordDetail header = DetailOfLine(folder.File("ini.txt"), 1);
  ASSERT_TRUE(header.status.ok()) << header.status.message();
  EXPECT_EQ("A000", CodeShown(header));
  EXPECT_TRUE(HasRowOfField(header, "1050"));
  EXPECT_TRUE(HasRowOfField(header, "1100"));
  // The closing record is shown whole, its reserved area included.
  EXPECT_TRUE(HasRowOfField(header, "1156"));

  const RecordDetail summary = DetailOfLine(folder.File("ini.txt"), 3);
  ASSERT_EQ(1u, summary.rows.size());
  EXPECT_TRUE(summary.rows[0].starts_with("3\t1050\t")) << summary.rows[0];
}

TEST(RecordDetailFileTest, RecordAtAStoredOffset) {
  RecordStore store;
  EXPECT_EQ(StatusCode::kNotFound, DetailOfRecordAt(store, 0).status.code());

  TempFolder folder;
  testing::SmallValidSet().Write(folder.path());
  SilentProgress silent;
  ASSERT_TRUE(ImportFolder(store, folder.path(), silent).status.ok());
  EXPECT_EQ("B110", CodeShown(DetailOfRecordAt(store, store.AccountIndex[1].Offset)));
  EXPECT_EQ("D120", CodeShown(DetailOfRecordAt(store, store.ReceiptLineIndex[1].Offset)));
  EXPECT_EQ(StatusCode::kOutOfRange, DetailOfRecordAt(store, 1 << 20).status.code());
  EXPECT_EQ(StatusCode::kOutOfRange, DetailOfRecordAt(store, -1).status.code());
}

}  // namespace
}  // namespace tallyscan
