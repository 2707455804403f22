#include "engine/text/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace tallyscan {
namespace {

TEST(CsvTest, QuotesOnlyTheCellsThatNeedIt) {
  struct Case {
    std::vector<std::string_view> cells;
    std::string_view record;
  } cases[] = {
      {{}, "\r\n"},
      {{""}, "\r\n"},
      {{"a", "", "b"}, "a,,b\r\n"},
      {{"1,234.50", "x"}, "\"1,234.50\",x\r\n"},
      {{"ספק \"הצפון\""}, "\"ספק \"\"הצפון\"\"\"\r\n"},
      {{"two\nlines", "cr\r"}, "\"two\nlines\",\"cr\r\"\r\n"},
      {{" blanks kept "}, " blanks kept \r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.record, CsvRecord(c.cells));
}

}  // namespace
}  // namespace tallyscan
