#pragma once

// Private to analytics/.
//
// What the four digit tests share: each counts the digits of its own kind of the amounts of
// at least benford_min_amount (and never below 10 agorot) in three populations, every
// movement, the debits and the credits, and judges their distribution when the reading ends.

#include <array>
#include <string>
#include <vector>

#include "engine/analytics/digit_statistics.h"
#include "engine/analytics/jet_unit.h"

namespace tallyscan::analytics {

class DigitReader final : public JetReader {
 public:
  DigitReader(const JetPass& pass, TestCounts& counts, DigitTest kind);
  void OnMovement(const MovementLine& m) override {
    if (!m.amount) return;
    Usable();
    if (m.magnitude < least_) return;
    const auto place = static_cast<std::size_t>(DigitPlace(kind_, m.magnitude));
    ++populations[0][place];
    ++populations[m.credit ? 2 : 1][place];
  }

  std::array<std::vector<std::int64_t>, 3> populations;  // all, debit, credit

 private:
  DigitTest kind_;
  std::uint64_t least_;
};

template <DigitTest kind>
std::unique_ptr<JetReader> MakeDigitReader(const JetPass& pass, TestCounts& counts) {
  return std::make_unique<DigitReader>(pass, counts, kind);
}

// The test's figures in its three populations, its state by every movement's, and for
// benford-first-two in a marginal or nonconforming file, the lines of the pairs in excess.
bool DecideDigits(JetDecision& d, DigitTest kind);
template <DigitTest kind>
bool DecideDigitsOf(JetDecision& d) {
  return DecideDigits(d, kind);
}

// "MAD 0.026356 (אינו תואם), p = 0.0000, N = 5,432 סכומים", of every movement's amounts.
std::string DigitFigure(const JetResult& result, const JetTestResult& test);
// In the page's words DigitFigure; in the engine's the class of the distribution.
std::string DigitClassFigure(const JetResult& result, const JetTestResult& test, JetWords words);

}  // namespace tallyscan::analytics
