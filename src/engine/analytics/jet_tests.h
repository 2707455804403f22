#pragma once

// Private to analytics/.
//
// The table of the pack's tests: its caption, its rule and risk in words, what it reads, in which
// record type, and whether its hits are findings (the tests that always find something when the
// data is sound are not).

#include <array>
#include <string_view>

#include "engine/analytics/jet_parameters.h"
#include "engine/uniform/layouts.h"

namespace tallyscan::analytics {

struct JetTestInfo {
  JetTest test;
  std::string_view caption;  // UTF-8
  std::string_view rule;     // what makes a hit, in words (UTF-8)
  std::string_view risk;     // the risk it answers, one sentence (UTF-8)
  RecordType type;           // the record type whose lines the test examines
  std::string_view needs;    // "B100:1375,B100:1362": the fields a usable line needs
  bool findings;             // hits are findings (--fail-on-findings)
};

const JetTestInfo& InfoOf(JetTest test);

inline bool IsDigitTest(JetTest test) { return test >= JetTest::kBenfordFirst; }

}  // namespace tallyscan::analytics
