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
      // A cell that starts as a formula is text to a spreadsheet; figures keep their sign.
      {{"=1+1", "+SUM(A1)", "@SUM(1)", "-x"}, "'=1+1,'+SUM(A1),'@SUM(1),'-x\r\n"},
      {{"=HYPERLINK(\"h\",\"c\")"}, "\"'=HYPERLINK(\"\"h\"\",\"\"c\"\")\"\r\n"},
      {{"-7", "-0.50", "-1,234,567.891", "-12.00 ז", "3 ח"},
       "-7,-0.50,\"-1,234,567.891\",-12.00 ז,3 ח\r\n"},
      {{"-1234", "-1,23", "-.5", "-1.", "-12.00 x", "+5"},
       "'-1234,\"'-1,23\",'-.5,'-1.,'-12.00 x,'+5\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.record, CsvRecord(c.cells));
}

}  // namespace
}  // namespace tallyscan
