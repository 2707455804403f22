// Parameter files: what is refused, with the key named, what is read from disk at all, and the
// printed form loading back to itself byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "engine/analytics/jet_parameters.h"
#include "engine/uniform/uniform.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

// Every key, none at its default, in the printed form.
constexpr std::string_view kNonDefault = R"({
  "late_days": 45,
  "period_end_days": 0,
  "weekend_days": [
    "saturday",
    "sunday"
  ],
  "holiday_eves": true,
  "extra_holidays": [
    "2026-11-03",
    "2024-02-27"
  ],
  "rare_operator_min": 3,
  "rare_operator_share": "0.0025",
  "seldom_account_lines": 0,
  "rare_flow_count": 2,
  "round_unit": "500.50",
  "limits": [
    "2500.00",
    "0.01"
  ],
  "below_limit_window": "0.07",
  "below_limit_min": 4,
  "below_limit_ratio": "1.5",
  "keywords": [
    "סטורנו",
    "adj"
  ],
  "reversal_days": 7,
  "high_value_top": 0,
  "relative_size_min_lines": 2,
  "relative_size_ratio": "12.3456",
  "work_start": "08:30",
  "work_end": "23:59",
  "backdate_days": 0,
  "benford_min_amount": "0.10",
  "benford_z": "1.96",
  "benford_min_n": 1,
  "weak_share": "1",
  "weights": {
    "late-entry": 0,
    "keyword": 100
  },
  "ranking_top": 1,
  "report_hits": 20
}
)";

TEST(JetParameters, APrintedFileLoadsBackToTheSameBytes) {
  JetParameters loaded;
  ASSERT_TRUE(LoadJetParameters(kNonDefault, JetParameters{}, loaded).ok());
  EXPECT_EQ(kNonDefault, JetParametersJson(loaded));
  EXPECT_EQ(50050, loaded.round_unit);
  EXPECT_EQ(123456, loaded.relative_size_ratio);
  EXPECT_EQ(510, loaded.work_start);
  // And the defaults print and load back alike.
  JetParameters defaults;
  ASSERT_TRUE(LoadJetParameters(JetParametersJson(JetParameters{}), loaded, defaults).ok());
  EXPECT_EQ(JetParametersJson(JetParameters{}), JetParametersJson(defaults));
}

TEST(JetParameters, PortfolioWeightsLoadOverTheirDefaultsAndPrintOnlyInTheFileForm) {
  JetParameters p;
  ASSERT_TRUE(
      LoadJetParameters(R"({"portfolio_weights": {"import": 0, "digits": 100}})", {}, p).ok());
  EXPECT_EQ((PortfolioWeights{0, 20, 20, 20, 100}), p.portfolio_weights);
  JetParameters again;
  ASSERT_TRUE(LoadJetParameters(JetParameterFileJson(p), {}, again).ok());
  EXPECT_EQ(p.portfolio_weights, again.portfolio_weights);
  // A test run's record of its parameters is unchanged by weights that change none of its
  // results.
  EXPECT_EQ(JetParametersJson(JetParameters{}), JetParametersJson(p));
  const std::string file = JetParameterFileJson(p);
  EXPECT_NE(std::string::npos, file.find("\"report_hits\": 1000,\n  \"portfolio_weights\": {"));
}

TEST(JetParameters, AFileGivesOnlyWhatItChangesAndForgivesShortForms) {
  JetParameters p;
  ASSERT_TRUE(
      LoadJetParameters(R"({"round_unit": "250", "benford_z": "2.50", "limits": []})", {}, p).ok());
  EXPECT_EQ(25000, p.round_unit);
  EXPECT_EQ(25000, p.benford_z);
  EXPECT_TRUE(p.limits.empty());
  EXPECT_EQ(30, p.late_days);
}

TEST(JetParameters, EachRefusalNamesItsKeyAndChangesNothing) {
  struct Refusal {
    std::string json;
    std::string key;
  };
  const std::vector<Refusal> refusals = {
      {R"({"late_dayz": 3})", "late_dayz"},      // unknown key
      {R"({"late_days": "30"})", "late_days"},   // wrong type
      {R"({"late_days": 30.0})", "late_days"},   // not an integer
      {R"({"late_days": -1})", "late_days"},     // out of range
      {R"({"ranking_top": 0})", "ranking_top"},  //
      {R"({"report_hits": 0})", "report_hits"},  //
      {R"({"relative_size_min_lines": 1})", "relative_size_min_lines"},
      {R"({"high_value_top": 18446744073709551615})", "high_value_top"},
      {R"({"round_unit": "1000.001"})", "round_unit"},  // three decimals
      {R"({"round_unit": 1000})", "round_unit"},        // a number, not a string
      {R"({"round_unit": "0.00"})", "round_unit"},      // not above 0
      {R"({"round_unit": "1,000"})", "round_unit"},     // not a decimal
      {R"({"benford_min_amount": "0.09"})", "benford_min_amount"},
      {R"({"limits": ["10000.00", "-5"]})", "limits"},
      {R"({"limits": "10000.00"})", "limits"},
      {R"({"rare_operator_share": "0.00001"})", "rare_operator_share"},  // five decimals
      {R"({"rare_operator_share": "1.0001"})", "rare_operator_share"},
      {R"({"weak_share": "-0.1"})", "weak_share"},
      {R"({"below_limit_window": "0"})", "below_limit_window"},
      {R"({"below_limit_window": "1"})", "below_limit_window"},
      {R"({"below_limit_ratio": "0"})", "below_limit_ratio"},
      {R"({"relative_size_ratio": "-2"})", "relative_size_ratio"},
      {R"({"benford_z": "0.0000"})", "benford_z"},
      {R"({"work_start": "7:00"})", "work_start"},
      {R"({"work_end": "24:00"})", "work_end"},
      {R"({"work_start": "20:00"})", "work_start"},  // not before work_end
      {R"({"weekend_days": ["Friday"]})", "weekend_days"},
      {R"({"weekend_days": "friday"})", "weekend_days"},
      {R"({"extra_holidays": ["2023-02-29"]})", "extra_holidays"},
      {R"({"holiday_eves": 1})", "holiday_eves"},
      {R"({"keywords": [""]})", "keywords"},
      {R"({"keywords": ["تصحيح"]})", "keywords"},  // Arabic: not in code page 1255
      {R"({"weights": {"late-entry": 101}})", "weights"},
      {R"({"weights": {"late_entry": 1}})", "weights"},
      {R"({"weights": [1]})", "weights"},
      {R"({"portfolio_weights": {"import": 101}})", "portfolio_weights"},
      {R"({"portfolio_weights": {"digits": -1}})", "portfolio_weights"},
      {R"({"portfolio_weights": {"tests": 2.5}})", "portfolio_weights"},
      {R"({"portfolio_weights": {"risk": 5}})", "portfolio_weights"},
      {R"({"portfolio_weights": [20, 20, 20, 20, 20]})", "portfolio_weights"},
      // A key given twice, the first time with a value that would be refused.
      {R"({"late_days": -1, "late_days": 30})", "late_days"},
      {R"({"weights": {"keyword": 500, "keyword": 2}})", "weights"},
      // Control characters (C0, DEL, C1) in a text value, shown blanked in the message.
      {R"({"keywords": ["adj\u001b]0;title\u0007"]})", "keywords"},
      {R"({"keywords": ["adj\u007f"]})", "keywords"},
      {R"({"keywords": ["adj\u009b"]})", "keywords"},
      {R"({"weekend_days": ["friday\u0000"]})", "weekend_days"},
      {R"({"extra_holidays": ["2024-01-01\n"]})", "extra_holidays"},
      {R"({"\u001b]0;title\u0007": 1})", " ]0;title "},
  };
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.json);
    JetParameters p;
    p.late_days = 77;
    const Status s = LoadJetParameters(r.json, JetParameters{}, p);
    EXPECT_EQ(StatusCode::kCorrupt, s.code());
    EXPECT_NE(std::string::npos, s.message().find("\"" + r.key + "\"")) << s.message();
    EXPECT_TRUE(IsSafeCellText(s.message())) << s.message();
    EXPECT_EQ(77, p.late_days);
  }
}

TEST(JetParameters, ATextThatIsNotOneJsonObjectIsRefusedWithoutItsControlCharacters) {
  const std::string refused[] = {
      "[1, 2]",
      "{\"late_days\": ",
      std::string("{\"late_days\": 3}") + '\0' + "{\"late_days\": -1}",  // a NUL, then more
      std::string("\0{}", 3),
      "{\"late_days\": 3} {}",
      "{\"late_days\": 3}\x1b]0;title\x07",
      "\x9b{}",
  };
  for (const std::string& text : refused) {
    SCOPED_TRACE(text);
    JetParameters p;
    p.late_days = 77;
    const Status s = LoadJetParameters(text, JetParameters{}, p);
    EXPECT_EQ(StatusCode::kCorrupt, s.code());
    EXPECT_TRUE(IsSafeCellText(s.message())) << s.message();
    EXPECT_EQ(77, p.late_days);
  }
}

// Only a regular file is read, and at most 16 MiB of it: a folder, a device without end or a
// FIFO without a writer is refused at once, the path named.
TEST(JetParameters, OnlyARegularFileOfAtMostSixteenMebibytesIsRead) {
  testing::TempFolder scratch;
  const std::string folder = scratch.File("folder");
  std::filesystem::create_directory(folder);
  const std::string fifo = scratch.File("fifo");
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
  // Spaces after the object up to the limit, then one byte more.
  const std::string at_limit = scratch.File("at-limit.json");
  std::string text = "{\"late_days\": 12}";
  text.resize(kJetParametersFileLimit, ' ');
  testing::WriteFile(at_limit, text);
  const std::string beyond = scratch.File("beyond.json");
  testing::WriteFile(beyond, text + " ");
  const std::string refused_key = scratch.File("refused.json");
  testing::WriteFile(refused_key, R"({"late_days": -1})");

  struct Case {
    std::string path;
    StatusCode code;
    std::string said;
  };
  const Case cases[] = {
      {at_limit, StatusCode::kOk, ""},
      {folder, StatusCode::kIoError, "אינו קובץ רגיל"},
      {"/dev/zero", StatusCode::kIoError, "אינו קובץ רגיל"},
      {fifo, StatusCode::kIoError, "אינו קובץ רגיל"},
      {beyond, StatusCode::kIoError, "16 MiB"},
      {scratch.File("missing.json"), StatusCode::kIoError, "לא ניתן לפתוח"},
      {refused_key, StatusCode::kCorrupt, "\"late_days\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    JetParameters p;
    const Status s = ReadJetParametersFile(c.path, JetParameters{}, p);
    EXPECT_EQ(c.code, s.code()) << s.message();
    if (c.code == StatusCode::kOk) {
      EXPECT_EQ(12, p.late_days);
      continue;
    }
    EXPECT_TRUE(s.message().starts_with(c.path + ": ")) << s.message();
    EXPECT_NE(std::string::npos, s.message().find(c.said)) << s.message();
    EXPECT_EQ(30, p.late_days);
  }
}

}  // namespace
}  // namespace tallyscan
