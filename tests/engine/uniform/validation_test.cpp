#include "engine/uniform/validation.h"

#include <string>

#include <gtest/gtest.h>

#include "support/small_set.h"

namespace tallyscan {
namespace {

constexpr std::int64_t kV131 = 13100;
constexpr std::int64_t kV130 = 13000;

const std::string kNumeric = "1\tתוים לא חוקים בשדה נומרי\tבשורה - 9\t9";
const std::string kSign = "1\tתוים לא חוקים בשדה סימן\tבשורה - 9\t9";

std::string DateRow(std::string_view value) {
  return "1\tתאריך בערך לא חוקי " + std::string(value) + "\tבשורה - 9\t9";
}

// The rows that validating `line` as line 9 adds.
ErrorRows Validate(RecordType type, const std::string& line, std::int64_t version = kV131) {
  ErrorRows errors;
  const bool failed = ValidateLine(type, line, version, 9, errors);
  EXPECT_EQ(failed, !errors.empty());
  EXPECT_LE(errors.size(), 1u) << "at most one row per line";
  return errors;
}

std::string With(std::string line, int position, std::string_view bytes) {
  line.replace(static_cast<std::size_t>(position - 1), bytes.size(), bytes);
  return line;
}

TEST(ValidationTest, ValidLinesOfEveryTypePass) {
  EXPECT_TRUE(Validate(RecordType::kC100, testing::C100Line(1, 305, "1")).empty());
  EXPECT_TRUE(Validate(RecordType::kD110, testing::D110Line(1, 305, "1", 1)).empty());
  EXPECT_TRUE(Validate(RecordType::kD120, testing::D120Line(1, 400, "1", 1)).empty());
  EXPECT_TRUE(Validate(RecordType::kB100, testing::B100Line(1, "1200", 3)).empty());
  EXPECT_TRUE(Validate(RecordType::kB110, testing::B110Line(1, "1200", 5, -5, 0)).empty());
  EXPECT_TRUE(Validate(RecordType::kM100, testing::M100Line(1, "X")).empty());
  EXPECT_TRUE(Validate(RecordType::kZ900, "Z900 anything").empty());
}

TEST(ValidationTest, DateChecksAcceptTheCenturyAndNoDate) {
  const std::string line = testing::B100Line(1, "1200", 3);
  for (const char* good : {"20491231", "20000101", "00000000", "20230231"}) {
    EXPECT_TRUE(Validate(RecordType::kB100, With(line, 157, good)).empty()) << good;
  }
  for (const char* bad : {"20231301", "19991231", "20500101", "20230100", "20230132"}) {
    EXPECT_EQ((ErrorRows{DateRow(bad)}), Validate(RecordType::kB100, With(line, 157, bad)));
  }
  // A letter in a date is a numeric failure, not a date failure.
  EXPECT_EQ((ErrorRows{kNumeric}), Validate(RecordType::kB100, With(line, 165, "2023O305")));
}

TEST(ValidationTest, OnlyTheFirstFailingStepReports) {
  const std::string c100 = testing::C100Line(1, 305, "1");
  // A space for the sign of 1217 after every numeric step passed.
  EXPECT_EQ((ErrorRows{kSign}), Validate(RecordType::kC100, With(c100, 270, " ")));
  // A letter in positions 5-25 and a bad date: only the numeric error.
  EXPECT_EQ((ErrorRows{kNumeric}),
            Validate(RecordType::kC100, With(With(c100, 10, "X"), 46, "20231301")));
  // A bad sign and a bad digit of a later amount: the digit step comes first.
  EXPECT_EQ((ErrorRows{kNumeric}),
            Validate(RecordType::kC100, With(With(c100, 270, "*"), 370, "?")));
}

TEST(ValidationTest, EachTypeChecksItsOwnFields) {
  EXPECT_EQ((ErrorRows{kNumeric}),
            Validate(RecordType::kD110, With(testing::D110Line(1, 305, "1", 1), 287, "A")));
  EXPECT_EQ((ErrorRows{kNumeric}),  // one run of 50 digits covers bank, branch and account
            Validate(RecordType::kD120, With(testing::D120Line(1, 400, "1", 1), 80, " ")));
  EXPECT_EQ((ErrorRows{DateRow("20231399")}),
            Validate(RecordType::kD120, With(testing::D120Line(1, 400, "1", 1), 96, "20231399")));
  EXPECT_EQ((ErrorRows{kNumeric}),
            Validate(RecordType::kB100, With(testing::B100Line(1, "1200", 3), 203, "D")));
  EXPECT_EQ((ErrorRows{kSign}),
            Validate(RecordType::kB110, With(testing::B110Line(1, "1200", 5, 5, 5), 308, "0")));
  EXPECT_EQ((ErrorRows{kSign}),
            Validate(RecordType::kM100, With(testing::M100Line(1, "X"), 217, "=")));
}

TEST(ValidationTest, LaterFormatStepsRunOnlyAboveVersion130) {
  const std::string d110 = With(testing::D110Line(1, 305, "1", 1), 297, "20991301");
  const std::string d120 = With(testing::D120Line(1, 400, "1", 1), 148, "19990101");
  const std::string b100 = With(testing::B100Line(1, "1200", 3), 276, "20230000");
  const std::string b110 = With(testing::B110Line(1, "1200", 5, 5, 5), 343, "*");
  const std::string m100 = With(testing::M100Line(1, "X"), 240, "x");
  EXPECT_EQ((ErrorRows{DateRow("20991301")}), Validate(RecordType::kD110, d110, kV131));
  EXPECT_EQ((ErrorRows{DateRow("19990101")}), Validate(RecordType::kD120, d120, kV131));
  EXPECT_EQ((ErrorRows{DateRow("20230000")}), Validate(RecordType::kB100, b100, kV131));
  EXPECT_EQ((ErrorRows{kSign}), Validate(RecordType::kB110, b110, kV131));
  EXPECT_EQ((ErrorRows{kNumeric}), Validate(RecordType::kM100, m100, kV131));
  for (const auto& [type, line] : {std::pair{RecordType::kD110, d110},
                                   {RecordType::kD120, d120},
                                   {RecordType::kB100, b100},
                                   {RecordType::kB110, b110},
                                   {RecordType::kM100, m100}}) {
    EXPECT_TRUE(Validate(type, line, kV130).empty());
  }
}

TEST(ValidationTest, ShortLineFailsOnTheFirstFieldItCannotHold) {
  // Positions 289-302 hold 12 digits of the cut line and pass; 304-317 hold nothing.
  const std::string cut = testing::C100Line(1, 305, "1").substr(0, 300);
  EXPECT_EQ((ErrorRows{kNumeric}), Validate(RecordType::kC100, cut));
  EXPECT_EQ((ErrorRows{kNumeric}), Validate(RecordType::kB110, "B110"));
}

}  // namespace
}  // namespace tallyscan
