// Lines of accounts that have very few.

#include "engine/analytics/jet_unit.h"
#include "engine/analytics/journal_tests/account_pair.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {
namespace {

class SeldomReader final : public JetReader {
 public:
  SeldomReader(const JetPass& pass, TestCounts& counts)
      : JetReader(counts), most_(pass.parameters.seldom_account_lines) {}
  void OnMovement(const MovementLine& m) override {
    if (!m.has_account) return;
    Usable();
    if (m.account.movements <= most_) candidates.emplace_back(m.account_id, m.ordinal);
  }
  void Settle() override { candidates.shrink_to_fit(); }

  // (account, ordinal) of lines whose account was still seldom enough to matter when read.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> candidates;

 private:
  std::int64_t most_;
};

bool Decide(JetDecision& d) {
  const JetPass& pass = d.pass;
  const std::int64_t most = d.parameters.seldom_account_lines;
  for (const auto& [id, ordinal] : d.ReaderOf<SeldomReader>().candidates) {
    if (pass.account_states[id].movements <= most) d.hits.push_back(ordinal);
  }
  AmountSum accounts = 0;
  AmountSum seldom = 0;
  const std::uint32_t blank = pass.accounts.Find(PackText<15>(""));
  for (std::uint32_t id = 0; id < pass.account_states.size(); ++id) {
    const std::int64_t n = pass.account_states[id].movements;
    if (id == blank || n == 0) continue;
    ++accounts;
    seldom += n <= most;
  }
  d.Figure("accounts", accounts);
  d.Figure("seldom_accounts", seldom);
  d.MovementHits();
  return true;
}

}  // namespace

namespace journal_tests {
extern const JetUnit seldom_account = {
    .info = {JetTest::kSeldomAccount, "seldom-account", "חשבון עם תנועות מעטות",
             "לחשבון יש לכל היותר seldom_account_lines שורות.",
             "חשבון שנפתח או שימש פעם אחת כדי להעביר סכום שלא יבלוט בחשבונות הרגילים.",
             RecordType::kB100, "B100:1364", true, "חשבון נגדי"},
    .read = MakeReader<SeldomReader>,
    .decide = Decide,
    .own_cell = CounterAccountCell,
};
}  // namespace journal_tests

}  // namespace tallyscan::analytics
