// The digit statistics against an independent reference in Python (fractions, 60-digit
// decimals, scipy's chi-square), on the count vectors the reference makes.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/analytics/digit_statistics.h"

namespace tallyscan::analytics {
namespace {

std::string RunReference(const std::string& script) {
  std::string out;
  FILE* pipe = ::popen(("/usr/bin/python3 " + script).c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[1 << 16];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

bool Near(double actual, double expected, double absolute = 1e-12) {
  return std::fabs(actual - expected) <= absolute ||
         std::fabs(actual - expected) <= 1e-9 * std::fabs(expected);
}

DigitTest TestNamed(const std::string& name) {
  if (name == "first") return DigitTest::kFirst;
  if (name == "second") return DigitTest::kSecond;
  if (name == "first-two") return DigitTest::kFirstTwo;
  return DigitTest::kLastTwo;
}

TEST(DigitStatistics, EqualTheReferenceOnEveryVectorAndClassBound) {
  const std::string reference = RunReference(std::string(TALLYSCAN_SOURCE_DIR) +
                                             "/tests/engine/analytics/digit_reference.py");
  ASSERT_FALSE(reference.empty()) << "the reference printed nothing";
  const nlohmann::json cases = nlohmann::json::parse(reference);
  ASSERT_EQ(42u, cases.size());
  for (const nlohmann::json& c : cases) {
    const std::vector<std::int64_t> counts = c["counts"].get<std::vector<std::int64_t>>();
    SCOPED_TRACE(c["test"].get<std::string>() + " n=" + std::to_string(c["n"].get<long long>()));
    const DigitFigures f = ComputeDigitFigures(TestNamed(c["test"]), counts, 32900);
    EXPECT_EQ(c["n"].get<std::int64_t>(), f.n);
    EXPECT_EQ(c["df"].get<int>(), f.df);
    const std::vector<double> expected = c["expected"];
    ASSERT_EQ(expected.size(), f.expected.size());
    for (std::size_t d = 0; d < expected.size(); ++d) EXPECT_TRUE(Near(f.expected[d], expected[d]));
    if (f.n == 0) {
      EXPECT_TRUE(f.actual.empty() && f.z.empty());
      EXPECT_FALSE(f.mad || f.chi2 || f.p || f.mad_class);
      continue;
    }
    EXPECT_TRUE(Near(*f.mad, c["mad"])) << *f.mad << " " << c["mad"];
    EXPECT_TRUE(Near(*f.chi2, c["chi2"])) << *f.chi2 << " " << c["chi2"];
    EXPECT_TRUE(Near(*f.p, c["p"], 1e-9)) << *f.p << " " << c["p"];
    const std::vector<double> actual = c["actual"], z = c["z"];
    const std::vector<bool> excess = c["excess"];
    for (std::size_t d = 0; d < actual.size(); ++d) {
      EXPECT_TRUE(Near(f.actual[d], actual[d])) << d;
      EXPECT_TRUE(Near(f.z[d], z[d])) << d << " " << f.z[d] << " " << z[d];
      EXPECT_EQ(excess[d], f.excess[d]) << d;
    }
    if (c.contains("class")) {
      ASSERT_TRUE(f.mad_class.has_value());
      EXPECT_EQ(c["class"].get<std::string>(), std::string(*f.mad_class));
    } else {
      EXPECT_FALSE(f.mad_class.has_value());
    }
  }
}

TEST(DigitStatistics, DigitsAreThoseOfTheAmountInAgorot) {
  // 12.34 is "1234": first 1, second 2, first two 12; 1,234.56 ends in shekels 34.
  EXPECT_EQ(0, DigitPlace(DigitTest::kFirst, 1234));
  EXPECT_EQ(2, DigitPlace(DigitTest::kSecond, 1234));
  EXPECT_EQ(12 - 10, DigitPlace(DigitTest::kFirstTwo, 1234));
  EXPECT_EQ(34, DigitPlace(DigitTest::kLastTwo, 123456));
  EXPECT_EQ(0, DigitPlace(DigitTest::kLastTwo, 10000));
  EXPECT_EQ(99 - 10, DigitPlace(DigitTest::kFirstTwo, 99999999999999));
  // Around every power of ten and of two, where the number of digits changes or is guessed
  // anew, the first two digits are those written.
  std::vector<std::uint64_t> amounts;
  for (std::uint64_t p = 10; p <= 100000000000000; p *= 10)
    amounts.insert(amounts.end(), {p - 1, p, p + 1});
  for (int bit = 4; bit < 47; ++bit) {
    const std::uint64_t p = std::uint64_t{1} << bit;
    amounts.insert(amounts.end(), {p - 1, p, p + 1});
  }
  for (const std::uint64_t a : amounts) {
    if (a < 10) continue;
    const std::string written = std::to_string(a);
    EXPECT_EQ(std::stoi(written.substr(0, 2)) - 10, DigitPlace(DigitTest::kFirstTwo, a)) << a;
    EXPECT_EQ(written[0] - '1', DigitPlace(DigitTest::kFirst, a)) << a;
    EXPECT_EQ(written[1] - '0', DigitPlace(DigitTest::kSecond, a)) << a;
  }
}

}  // namespace
}  // namespace tallyscan::analytics
