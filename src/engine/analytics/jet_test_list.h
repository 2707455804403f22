#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The pack's tests in the order of their list, which is the order of every output, each
// beside the unit that holds it (analytics/journal_tests/: what the test reads of each line,
// how it decides, its texts and its own figures). A new test is its unit and its line here.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tallyscan {

enum class JetTest : std::uint8_t {
  kPopulation,
  kLateEntry,
  kPostClosing,
  kPeriodEnd,
  kWeekend,
  kHoliday,
  kRareOperator,
  kSeldomAccount,
  kRareFlow,
  kRoundAmount,
  kDuplicate,
  kTransactionGap,
  kDocumentGap,
  kBelowLimit,
  kBlankDescription,
  kKeyword,
  kNoReference,
  kMissingDocument,
  kReversal,
  kHighValue,
  kRelativeSize,
  kAfterHours,
  kBackdatedDocument,
  kCancelledDocument,
  kBenfordFirst,
  kBenfordSecond,
  kBenfordFirstTwo,
  kLastTwo,
};
inline constexpr std::size_t kJetTestCount = static_cast<std::size_t>(JetTest::kLastTwo) + 1;

inline std::size_t JetIndex(JetTest test) { return static_cast<std::size_t>(test); }

namespace analytics {

struct JetUnit;  // jet_unit.h, private to analytics/

namespace journal_tests {
extern const JetUnit population, late_entry, post_closing, period_end, weekend, holiday,
    rare_operator, seldom_account, rare_flow, round_amount, duplicate, transaction_gap,
    document_gap, below_limit, blank_description, keyword, no_reference, missing_document, reversal,
    high_value, relative_size, after_hours, backdated_document, cancelled_document, benford_first,
    benford_second, benford_first_two, last_two;
}  // namespace journal_tests

// The units in the list's order: the unit of a test is kJetUnits[JetIndex(test)].
inline constexpr std::array<const JetUnit*, kJetTestCount> kJetUnits = {
    &journal_tests::population,
    &journal_tests::late_entry,
    &journal_tests::post_closing,
    &journal_tests::period_end,
    &journal_tests::weekend,
    &journal_tests::holiday,
    &journal_tests::rare_operator,
    &journal_tests::seldom_account,
    &journal_tests::rare_flow,
    &journal_tests::round_amount,
    &journal_tests::duplicate,
    &journal_tests::transaction_gap,
    &journal_tests::document_gap,
    &journal_tests::below_limit,
    &journal_tests::blank_description,
    &journal_tests::keyword,
    &journal_tests::no_reference,
    &journal_tests::missing_document,
    &journal_tests::reversal,
    &journal_tests::high_value,
    &journal_tests::relative_size,
    &journal_tests::after_hours,
    &journal_tests::backdated_document,
    &journal_tests::cancelled_document,
    &journal_tests::benford_first,
    &journal_tests::benford_second,
    &journal_tests::benford_first_two,
    &journal_tests::last_two,
};

}  // namespace analytics
}  // namespace tallyscan
