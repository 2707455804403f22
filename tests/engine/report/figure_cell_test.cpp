// The figure rules shared by the pages, the HTML document and the workbook.
#include "engine/report/figure_cell.h"

#include <gtest/gtest.h>

#include "engine/report/report.h"

namespace tallyscan {
namespace {

TEST(FigureCell, SignAndLetterMoveOnlyInFigureColumnsAndOnlyForFigures) {
  struct Case {
    std::string cell;
    int type;
    std::string at_end;    // pages and the e-mail form
    std::string in_front;  // the Excel form
  };
  for (const Case& c : {
           Case{"-120.00", 1, "120.00-", "-120.00"},
           Case{"120.00-", 4, "120.00-", "-120.00"},
           Case{"+5", 5, "5+", "+5"},
           Case{"50 ח", 3, "ח 50", "ח 50"},
           Case{"1,234.50 ז", 3, "ז 1,234.50", "ז 1,234.50"},
           Case{"ז 7.00", 3, "ז 7.00", "ז 7.00"},
           Case{"-120.00", 0, "-120.00", "-120.00"},  // a text column keeps its text
           Case{"ACC-01", 1, "ACC-01", "ACC-01"},     // a key in a figure column
           Case{"2024-01-31", 5, "2024-01-31", "2024-01-31"},
           Case{"זכות", 3, "זכות", "זכות"},
           Case{"", 4, "", ""},
       }) {
    EXPECT_EQ(c.at_end, FigureText(c.cell, c.type, SignPlace::kEnd)) << c.cell;
    EXPECT_EQ(c.in_front, FigureText(c.cell, c.type, SignPlace::kFront)) << c.cell;
  }
}

TEST(FigureCell, ColoursFollowTheColumnType) {
  struct Case {
    std::string cell;
    int type;
    CellColour colour;
  };
  for (const Case& c : {
           Case{"1.00", kDebitColumn, CellColour::kDebit},
           Case{"0.00", kDebitColumn, CellColour::kNone},
           Case{"", kDebitColumn, CellColour::kNone},
           Case{"ACC-1", kDebitColumn, CellColour::kDebit},
           Case{"1.00", kCreditColumn, CellColour::kCredit},
           Case{"50.00 ח", kLetterBalanceColumn, CellColour::kDebit},
           Case{"50.00 ז", kLetterBalanceColumn, CellColour::kCredit},
           Case{"50.00", kLetterBalanceColumn, CellColour::kNone},
           Case{"-3.00", kSignedBalanceColumn, CellColour::kCredit},
           Case{"3.00", kSignedBalanceColumn, CellColour::kDebit},
           Case{"", kSignedBalanceColumn, CellColour::kDebit},
           Case{"3.00", kFigureColumn, CellColour::kNone},
           Case{"3.00", kTextColumn, CellColour::kNone},
       }) {
    EXPECT_EQ(c.colour, ColourOfCell(c.cell, c.type)) << c.cell << " type " << c.type;
  }
}

TEST(FigureCell, ParsesTheValueOfAFigure) {
  const std::optional<Figure> balance = ParseFigure("1,234.5600 ז");
  ASSERT_TRUE(balance);
  EXPECT_EQ(12345600, balance->units);
  EXPECT_EQ(4, balance->decimals);
  EXPECT_EQ(-1, balance->sense);
  EXPECT_FALSE(balance->negative);
  const std::optional<Figure> negative = ParseFigure("120.00-");
  ASSERT_TRUE(negative);
  EXPECT_TRUE(negative->negative);
  EXPECT_EQ(12000, negative->units);
  for (const char* text : {"", "-", ",5", "1.2.3", "12a", "99999999999999999999"}) {
    EXPECT_FALSE(ParseFigure(text)) << text;
  }
}

}  // namespace
}  // namespace tallyscan
