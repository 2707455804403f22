#include "engine/analytics/jet_unit.h"

#include <algorithm>

#include "engine/analytics/jet.h"

namespace tallyscan {

namespace analytics {

namespace {

JetLineSet SetOf(std::vector<std::uint32_t> numbers) {
  if (!std::is_sorted(numbers.begin(), numbers.end())) std::sort(numbers.begin(), numbers.end());
  JetLineSet set;
  for (const std::uint32_t n : numbers) set.Append(n);
  set.Settle();
  return set;
}

// The hits the reading found joined with those found after it.
JetLineSet Joined(JetLineSet read, std::vector<std::uint32_t> found) {
  if (found.empty()) return read;
  for (const std::uint32_t n : read) found.push_back(n);
  return SetOf(std::move(found));
}

}  // namespace

const JetUnit& UnitOf(JetTest test) { return *kJetUnits[JetIndex(test)]; }

void JetDecision::MovementHits() {
  JetLineSet ordinals = Joined(std::move(pass.counts[JetIndex(r.test)].hits), std::move(hits));
  const MovementColumns& c = pass.columns;
  r.hits = static_cast<std::int64_t>(ordinals.size());
  for (const std::uint32_t o : ordinals) {
    // Ordinals and their lines rise together.
    r.lines.Append(c.lines.LineOf(o));
    if (Money::Usable(c.money[o])) r.hit_amount += Money::Magnitude(c.money[o]);
  }
  r.lines.Settle();
  ranked_.emplace_back(r.test, std::move(ordinals));
}

void JetDecision::LineHits() {
  r.lines = Joined(std::move(pass.counts[JetIndex(r.test)].hits), std::move(hits));
  r.hits = static_cast<std::int64_t>(r.lines.size());
}

}  // namespace analytics

std::string_view JetTestId(JetTest test) { return analytics::InfoOf(test).id; }

bool FindJetTest(std::string_view id, JetTest& test) {
  for (const analytics::JetUnit* unit : analytics::kJetUnits) {
    if (unit->info.id == id) {
      test = unit->info.test;
      return true;
    }
  }
  return false;
}

std::string_view JetCaption(JetTest test) { return analytics::InfoOf(test).caption; }
std::string_view JetRule(JetTest test) { return analytics::InfoOf(test).rule; }
std::string_view JetRisk(JetTest test) { return analytics::InfoOf(test).risk; }

bool JetHitsAreFindings(JetTest test) { return analytics::InfoOf(test).findings; }

std::string_view JetStateText(JetState state) {
  switch (state) {
    case JetState::kRun:
      return "run";
    case JetState::kWeak:
      return "weak";
    case JetState::kNotRun:
      return "not run";
  }
  return "";
}

}  // namespace tallyscan
