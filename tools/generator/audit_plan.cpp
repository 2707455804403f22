#include "audit_plan.h"

#include <algorithm>
#include <cmath>

#include "calendar.h"

namespace tallyscan::gen {
namespace {

// Whole decades keep each flow's amounts true to Benford's law, and every other line of a
// transaction is a multiple of its amount (VAT, gross, deductions), which keeps the law. No range
// ends near 10,000.00 or 50,000.00: an end there would crowd amounts on one side of an approval
// limit.
constexpr FlowShape kShapes[] = {
    {3, 305, 0, 10000, 3},    // sale: 100.00 to 100,000.00 net
    {3, 700, 2, 20000, 2},    // purchase: 200.00 to 20,000.00 net
    {2, 400, 1, 10000, 3},    // receipt: 100.00 to 100,000.00
    {2, 410, 0, 30000, 2},    // payment: 300.00 to 30,000.00
    {4, 410, -1, 300000, 1},  // salary: 3,000.00 to 30,000.00 gross
};

// Of the transactions beyond those every account needs, per mille.
constexpr int kFlowShares[] = {320, 200, 260, 160, 60};

constexpr std::string_view kOperators[] = {
    "dana", "yossi", "michal", "avi",  "noa", "eitan", "shira", "oren", "tamar", "roni",
    "gal",  "yael",  "amir",   "liat", "nir", "hila",  "ofer",  "maya", "uri",   "adi",
};
// Per mille of the transactions, in the order above.
constexpr int kOperatorShares[] = {133, 86, 74, 66, 60, 56, 52, 48, 45, 42,
                                   40,  38, 36, 35, 34, 33, 32, 31, 30, 29};

constexpr int kMinimumMovements = 1000;
constexpr int kSalariesAYear = 12;
constexpr int kLeastLines = 4;  // every account has more than three movements
constexpr std::int64_t kDocumentBase = 10000000;

std::size_t At(std::int64_t index) { return static_cast<std::size_t>(index); }

}  // namespace

const FlowShape& ShapeOf(Flow flow) { return kShapes[static_cast<std::size_t>(flow)]; }

std::int64_t VatOf(std::int64_t net) { return (net * 17 + 50) / 100; }

int AuditPlan::Count(FaultKind kind) const {
  int count = 0;
  for (const FaultRequest& request : options_->faults) {
    if (request.kind == kind) count += request.count;
  }
  return count;
}

Status AuditPlan::Make(Chart& chart, const DataSetOptions& options) {
  chart_ = &chart;
  options_ = &options;
  movements_ = options.movements;
  random_ = Random(options.seed * 0xD1B54A32D192ED03ull + 41);
  if (options.movements < kMinimumMovements) {
    return Status::Refused("an audit set needs at least " + std::to_string(kMinimumMovements) +
                           " movements");
  }
  for (const FaultRequest& request : options.faults) {
    const std::span<const FaultInfo> journal = JournalFaults();
    if (std::none_of(journal.begin(), journal.end(),
                     [&](const FaultInfo& info) { return info.kind == request.kind; })) {
      return Status::Refused("an audit set carries only the journal-entry faults");
    }
  }
  for (std::string_view name : kOperators) operators_.emplace_back(name);

  AddSeldomAccounts(Count(FaultKind::kSeldomAccount));
  TieAccounts();
  // Copies of receipts and payments take two lines each, a seldom account's two sales six.
  const std::int64_t added = 2 * (Count(FaultKind::kDuplicate) + Count(FaultKind::kReversal)) +
                             6 * static_cast<std::int64_t>(seldom_accounts_.size());
  if (Status status = ListFlows(options.movements - added); !status.ok()) return status;
  Shuffle();
  if (Status status = InsertCopies(); !status.ok()) return status;
  ListBusinessDays();
  SpreadOverTheYear();
  ShareOperators();
  DrawAmounts();
  DrawDocuments();
  if (Status status = ChooseGaps(); !status.ok()) return status;
  Number();
  if (Status status = PlantFaults(); !status.ok()) return status;
  NoteCopiesAndGaps();
  std::stable_sort(notes_.begin(), notes_.end(), [](const PlannedNote& a, const PlannedNote& b) {
    return a.transaction < b.transaction;
  });
  return Status::Ok();
}

void AuditPlan::AddSeldomAccounts(int count) {
  // After the regular customers' keys, outside the list of customers that the flows draw
  // from: these accounts see their two sales and nothing else.
  const int regular = static_cast<int>(chart_->customers.size());
  for (int i = 0; i < count; ++i) {
    seldom_accounts_.push_back(static_cast<int>(chart_->accounts.size()));
    chart_->accounts.push_back(
        MakePartner(AccountRole::kCustomer, regular + i, options_->dos_coded, random_));
  }
}

void AuditPlan::TieAccounts() {
  const Chart& c = *chart_;
  booked_against_.assign(c.accounts.size(), -1);
  bank_of_.assign(c.accounts.size(), -1);
  for (std::size_t i = 0; i < c.customers.size(); ++i) {
    const auto customer = At(c.customers[i]);
    booked_against_[customer] = i % 4 == 3 ? c.services : c.sales;
    bank_of_[customer] = c.banks[i % c.banks.size()];
  }
  const int expenses[] = {c.purchases, c.office, c.purchases, c.rent, c.purchases, c.utilities};
  for (std::size_t i = 0; i < c.suppliers.size(); ++i) {
    const auto supplier = At(c.suppliers[i]);
    booked_against_[supplier] = expenses[i % std::size(expenses)];
    bank_of_[supplier] = c.banks[(i + 1) % c.banks.size()];
  }
  for (int account : seldom_accounts_) booked_against_[At(account)] = c.sales;
}

void AuditPlan::AddFlow(Flow flow, int partner) {
  PlannedTransaction t;
  t.flow = flow;
  t.partner = partner;
  if (flow == Flow::kSalary) {
    t.bank = chart_->banks.front();
  } else if (flow == Flow::kReceipt || flow == Flow::kPayment) {
    t.bank = bank_of_[At(partner)];
  }
  t.amount = ShapeOf(flow).low;  // drawn later; any amount counts the lines alike
  transactions_.push_back(t);
}

Status AuditPlan::ListFlows(std::int64_t lines) {
  const Chart& c = *chart_;
  // What every account needs: each partner sees each of its flows twice, so that every pair
  // of account and counter account comes twice, and the year has its monthly salaries.
  for (int customer : c.customers) {
    for (Flow flow : {Flow::kSale, Flow::kSale, Flow::kReceipt, Flow::kReceipt})
      AddFlow(flow, customer);
  }
  for (int supplier : c.suppliers) {
    for (Flow flow : {Flow::kPurchase, Flow::kPurchase, Flow::kPayment, Flow::kPayment})
      AddFlow(flow, supplier);
  }
  for (int i = 0; i < kSalariesAYear; ++i) AddFlow(Flow::kSalary, -1);

  // An account that a single partner feeds may still have too few lines.
  std::vector<std::int64_t> count(c.accounts.size(), 0);
  PlannedLine planned[kMaxLines];
  for (const PlannedTransaction& t : transactions_) {
    for (int i = 0, n = Lines(t, planned); i < n; ++i) ++count[At(planned[i].account)];
  }
  const auto feeder = [&](int account) -> std::pair<Flow, int> {
    for (int customer : c.customers) {
      if (booked_against_[At(customer)] == account) return {Flow::kSale, customer};
      if (bank_of_[At(customer)] == account) return {Flow::kReceipt, customer};
    }
    for (int supplier : c.suppliers) {
      if (booked_against_[At(supplier)] == account) return {Flow::kPurchase, supplier};
      if (bank_of_[At(supplier)] == account) return {Flow::kPayment, supplier};
    }
    if (account == c.vat_output) return {Flow::kSale, c.customers.front()};
    if (account == c.vat_input) return {Flow::kPurchase, c.suppliers.front()};
    return {Flow::kSalary, -1};
  };
  for (std::size_t account = 0; account < count.size(); ++account) {
    while (count[account] > 0 && count[account] < kLeastLines) {
      const auto [flow, partner] = feeder(static_cast<int>(account));
      AddFlow(flow, partner);
      const std::int64_t before = count[account];
      for (int i = 0, n = Lines(transactions_.back(), planned); i < n; ++i)
        ++count[At(planned[i].account)];
      if (count[account] == before) break;  // nothing feeds it: it keeps what it has
    }
  }
  std::int64_t needed = 0;
  for (const PlannedTransaction& t : transactions_) needed += ShapeOf(t.flow).lines;
  if (needed > lines) {
    return Status::Refused("an audit set with " + std::to_string(c.accounts.size()) +
                           " accounts and these faults needs at least " +
                           std::to_string(needed + options_->movements - lines) + " movements");
  }

  // The rest at random, busier partners first in the chart; the last few lines fill up
  // exactly, never leaving a single line over.
  const auto weights = [](std::size_t size) {
    std::vector<std::int64_t> cumulative(size);
    std::int64_t total = 0;
    for (std::size_t i = 0; i < size; ++i) {
      cumulative[i] = total += 1000000 / static_cast<std::int64_t>(i + 4);
    }
    return cumulative;
  };
  const std::vector<std::int64_t> customer_weights = weights(c.customers.size());
  const std::vector<std::int64_t> supplier_weights = weights(c.suppliers.size());
  const auto draw = [&](const std::vector<int>& partners, const std::vector<std::int64_t>& w) {
    const auto pick =
        static_cast<std::int64_t>(random_.Next() % static_cast<std::uint64_t>(w.back()));
    return partners[At(std::upper_bound(w.begin(), w.end(), pick) - w.begin())];
  };
  for (std::int64_t left = lines - needed; left > 0;) {
    Flow flow;
    if (left <= 5) {
      const bool first = random_.Percent(50);
      flow = left == 4   ? Flow::kSalary
             : left == 2 ? (first ? Flow::kReceipt : Flow::kPayment)
                         : (first ? Flow::kSale : Flow::kPurchase);
    } else {
      int roll = static_cast<int>(random_.Between(0, 999));
      std::size_t k = 0;
      while (roll >= kFlowShares[k]) roll -= kFlowShares[k++];
      flow = static_cast<Flow>(k);
    }
    int partner = -1;
    if (flow == Flow::kSale || flow == Flow::kReceipt) {
      partner = draw(c.customers, customer_weights);
    } else if (flow != Flow::kSalary) {
      partner = draw(c.suppliers, supplier_weights);
    }
    AddFlow(flow, partner);
    left -= ShapeOf(flow).lines;
  }
  return Status::Ok();
}

void AuditPlan::Shuffle() {
  for (std::size_t i = transactions_.size(); i > 1; --i) {
    std::swap(transactions_[i - 1], transactions_[random_.Next() % i]);
  }
}

Status AuditPlan::InsertCopies() {
  const auto size = static_cast<std::int64_t>(transactions_.size());
  struct Insert {
    std::int64_t after;  // index in the list as it was
    PlannedTransaction transaction;
  };
  std::vector<Insert> inserts;
  std::vector<bool> copied(At(size), false);
  for (const FaultKind kind : {FaultKind::kDuplicate, FaultKind::kReversal}) {
    const int count = Count(kind);
    for (int rank = 1; rank <= count; ++rank) {
      std::int64_t found = -1;
      for (std::int64_t step = 0; step < size && found < 0; ++step) {
        const std::int64_t i = (rank * size / (count + 1) + step +
                                (kind == FaultKind::kReversal ? size / (2 * count + 2) : 0)) %
                               size;
        if (!copied[At(i)] && ShapeOf(transactions_[At(i)].flow).lines == 2) found = i;
      }
      if (found < 0) return TooSmall(kind);
      copied[At(found)] = true;
      PlannedTransaction copy = transactions_[At(found)];
      copy.reversed = kind == FaultKind::kReversal;
      copy.copy_of = static_cast<std::int32_t>(found);
      inserts.push_back({found, copy});
    }
  }
  // A seldom account's two sales, half a year apart.
  const auto seldom = static_cast<std::int64_t>(seldom_accounts_.size());
  for (std::int64_t k = 0; k < seldom; ++k) {
    const std::int64_t first = (k + 1) * size / (2 * seldom + 2);
    for (const std::int64_t after : {first, first + size / 2}) {
      PlannedTransaction sale;
      sale.flow = Flow::kSale;
      sale.partner = seldom_accounts_[At(k)];
      sale.amount = ShapeOf(Flow::kSale).low;
      inserts.push_back({after, sale});
    }
  }
  std::stable_sort(inserts.begin(), inserts.end(),
                   [](const Insert& a, const Insert& b) { return a.after < b.after; });

  std::vector<PlannedTransaction> all;
  all.reserve(transactions_.size() + inserts.size());
  std::vector<std::int32_t> moved(At(size));
  std::size_t next = 0;
  for (std::int64_t i = 0; i < size; ++i) {
    moved[At(i)] = static_cast<std::int32_t>(all.size());
    all.push_back(transactions_[At(i)]);
    for (; next < inserts.size() && inserts[next].after == i; ++next) {
      all.push_back(inserts[next].transaction);
    }
  }
  transactions_ = std::move(all);
  used_.assign(transactions_.size(), false);
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    PlannedTransaction& t = transactions_[i];
    if (t.copy_of >= 0) {
      t.copy_of = moved[At(t.copy_of)];
      used_[i] = used_[At(t.copy_of)] = true;
    }
    if (std::find(seldom_accounts_.begin(), seldom_accounts_.end(), t.partner) !=
        seldom_accounts_.end()) {
      used_[i] = true;
    }
  }
  return Status::Ok();
}

void AuditPlan::ListBusinessDays() {
  const int year = options_->tax_year;
  for (int day = 0; day < DaysInYear(year); ++day) {
    const int date = DateOfYear(year, day);
    if (Weekday(date) <= 4 && !IsIsraeliHoliday(date)) business_days_.push_back(date);
  }
}

void AuditPlan::SpreadOverTheYear() {
  const auto days = static_cast<std::int64_t>(business_days_.size());
  const auto size = static_cast<std::int64_t>(transactions_.size());
  for (std::int64_t i = 0; i < size; ++i) {
    PlannedTransaction& t = transactions_[At(i)];
    if (t.copy_of >= 0) {
      // A copy is entered the day its original was.
      t.date = transactions_[At(t.copy_of)].date;
      t.entry_date = transactions_[At(t.copy_of)].entry_date;
      continue;
    }
    const std::int64_t day = i * days / size;
    t.date = business_days_[At(day)];
    const int roll = static_cast<int>(random_.Between(0, 99));
    std::int64_t entered = std::min(day + (roll < 55   ? 0
                                           : roll < 80 ? 1
                                           : roll < 92 ? 2
                                                       : 3),
                                    days - 1);
    while (DayNumber(business_days_[At(entered)]) - DayNumber(t.date) > 10) --entered;
    t.entry_date = business_days_[At(entered)];
  }
}

void AuditPlan::ShareOperators() {
  // The shares exactly, in random order: each operator's transactions come to its share
  // however small the set.
  const auto size = static_cast<std::int64_t>(transactions_.size());
  std::vector<std::uint8_t> order;
  order.reserve(At(size));
  for (std::size_t k = 0; k < std::size(kOperatorShares); ++k) {
    order.insert(order.end(), At(size * kOperatorShares[k] / 1000), static_cast<std::uint8_t>(k));
  }
  while (static_cast<std::int64_t>(order.size()) < size) order.push_back(0);
  for (std::size_t i = order.size(); i > 1; --i) {
    std::swap(order[i - 1], order[random_.Next() % i]);
  }
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    PlannedTransaction& t = transactions_[i];
    t.operator_index = t.copy_of >= 0 ? transactions_[At(t.copy_of)].operator_index : order[i];
    t.wording = t.copy_of >= 0 ? transactions_[At(t.copy_of)].wording
                               : static_cast<std::uint8_t>(random_.Between(0, 2));
  }
}

std::int64_t AuditPlan::DrawAmount(Flow flow) {
  const FlowShape& shape = ShapeOf(flow);
  const double fraction = static_cast<double>(random_.Next() >> 11) * 0x1.0p-53;
  const double amount = static_cast<double>(shape.low) * std::pow(10.0, shape.decades * fraction);
  return std::max(shape.low, static_cast<std::int64_t>(amount));
}

bool AuditPlan::HasRoundLine(const PlannedTransaction& transaction) const {
  PlannedLine planned[kMaxLines];
  for (int i = 0, n = Lines(transaction, planned); i < n; ++i) {
    if (planned[i].amount >= 100000 && planned[i].amount % 100000 == 0) return true;
  }
  return false;
}

void AuditPlan::DrawAmounts() {
  // Amounts drawn evenly over the logarithm follow Benford's law, but a few thousand of them
  // stray from it as far as its tests allow, and more where two lines carry one amount. So
  // each transaction takes, of a few amounts drawn, the one whose lines' first two digits
  // are furthest behind their share so far, of all lines and of the lines on their side:
  // the digits then keep to the law at any size, the amounts still spread over the decades.
  // Just below an approval limit, chance alone can gather more than twice the amounts just
  // above it in a small set: an amount is not taken there while the lines below would come
  // to more than one and a half times those above (five lines are always let through), which
  // leaves room for the copies of the faults. An amount that a copy repeats stays away from
  // the limits altogether.
  constexpr int kCandidates = 4;
  constexpr int kDraws = 64;
  double share[100] = {};
  for (int pair = 10; pair <= 99; ++pair) share[pair] = std::log10(1.0 + 1.0 / pair);
  std::int64_t counts[3][100] = {};  // all lines, debit lines, credit lines
  std::int64_t totals[3] = {};
  std::int64_t below[std::size(kApprovalLimits)] = {};
  std::int64_t above[std::size(kApprovalLimits)] = {};
  std::vector<bool> copied(transactions_.size(), false);
  for (const PlannedTransaction& t : transactions_) {
    if (t.copy_of >= 0) copied[At(t.copy_of)] = true;
  }
  PlannedLine planned[kMaxLines];
  const auto first_two = [](std::int64_t amount) {
    while (amount >= 100) amount /= 10;
    return static_cast<std::size_t>(amount);
  };
  const auto allowed = [&](int lines, bool copy) {
    for (std::size_t k = 0; k < std::size(kApprovalLimits); ++k) {
      std::int64_t new_below = 0, new_above = 0;
      for (int i = 0; i < lines; ++i) {
        new_below += BelowALimit(planned[i].amount, kApprovalLimits[k]);
        new_above += AboveALimit(planned[i].amount, kApprovalLimits[k]);
      }
      if (copy && new_below + new_above > 0) return false;
      if (new_below > 0 &&
          2 * (below[k] + new_below) > std::max<std::int64_t>(10, 3 * (above[k] + new_above))) {
        return false;
      }
    }
    return true;
  };
  for (std::size_t index = 0; index < transactions_.size(); ++index) {
    PlannedTransaction& t = transactions_[index];
    if (t.copy_of >= 0) {
      t.amount = transactions_[At(t.copy_of)].amount;
    } else {
      std::int64_t best = 0;
      double best_score = 0;
      for (int draw = 0, candidates = 0; candidates < kCandidates && draw < kDraws; ++draw) {
        t.amount = DrawAmount(t.flow);
        while (HasRoundLine(t)) ++t.amount;
        const int n = Lines(t, planned);
        if (!allowed(n, copied[index]) && draw + 1 < kDraws) continue;
        double score = 0;
        for (int i = 0; i < n; ++i) {
          if (planned[i].amount < 1000) continue;
          const std::size_t pair = first_two(planned[i].amount);
          const std::size_t side = planned[i].credit ? 2 : 1;
          score += share[pair] * static_cast<double>(totals[0] + 1) -
                   static_cast<double>(counts[0][pair]);
          score += share[pair] * static_cast<double>(totals[side] + 1) -
                   static_cast<double>(counts[side][pair]);
        }
        if (candidates++ == 0 || score > best_score) {
          best = t.amount;
          best_score = score;
        }
      }
      t.amount = best;
    }
    for (int i = 0, n = Lines(t, planned); i < n; ++i) {
      for (std::size_t k = 0; k < std::size(kApprovalLimits); ++k) {
        below[k] += BelowALimit(planned[i].amount, kApprovalLimits[k]);
        above[k] += AboveALimit(planned[i].amount, kApprovalLimits[k]);
      }
      if (planned[i].amount < 1000) continue;
      const std::size_t pair = first_two(planned[i].amount);
      for (const std::size_t population :
           {std::size_t{0}, planned[i].credit ? std::size_t{2} : std::size_t{1}}) {
        ++counts[population][pair];
        ++totals[population];
      }
    }
  }
}

void AuditPlan::DrawDocuments() {
  for (PlannedTransaction& t : transactions_) {
    t.document_type = static_cast<std::int16_t>(ShapeOf(t.flow).document_type);
    if (t.copy_of >= 0) continue;  // it refers to its original's document
    const auto hour = random_.Between(7, 19);
    t.time = static_cast<std::int16_t>(hour * 100 + random_.Between(0, 59));
    t.produced = random_.Percent(75)
                     ? t.date
                     : DateOfDayNumber(DayNumber(t.date) + static_cast<int>(random_.Between(1, 3)));
  }
}

void AuditPlan::Number() {
  std::int64_t number = 0;
  auto gap = transaction_gaps_.begin();
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    transactions_[i].number = ++number;
    if (gap != transaction_gaps_.end() && At(gap->first) == i) number += (gap++)->second;
  }
  constexpr int kTypes[] = {305, 400, 410, 700};
  std::int64_t last[std::size(kTypes)] = {};
  auto document_gap = document_gaps_.begin();
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    PlannedTransaction& t = transactions_[i];
    if (t.copy_of >= 0) {
      t.reference = transactions_[At(t.copy_of)].document;
      continue;
    }
    const auto k =
        At(std::find(std::begin(kTypes), std::end(kTypes), t.document_type) - std::begin(kTypes));
    t.document = t.document_type * kDocumentBase + ++last[k];
    t.reference = t.document;
    if (document_gap != document_gaps_.end() && At(document_gap->first) == i) {
      last[k] += (document_gap++)->second;
    }
  }
}

int AuditPlan::Lines(const PlannedTransaction& t, PlannedLine* lines) const {
  const Chart& c = *chart_;
  const std::int64_t a = t.amount;
  const int p = t.partner;
  int n = 0;
  const auto add = [&](int account, int counter, bool credit, std::int64_t amount) {
    lines[n++] = {account, counter, credit != t.reversed, amount};
  };
  switch (t.flow) {
    case Flow::kSale: {
      const int revenue = booked_against_[At(p)];
      add(p, revenue, false, a + VatOf(a));
      add(revenue, p, true, a);
      add(c.vat_output, p, true, VatOf(a));
      break;
    }
    case Flow::kPurchase: {
      const int expense = booked_against_[At(p)];
      add(expense, p, false, a);
      add(c.vat_input, p, false, VatOf(a));
      add(p, expense, true, a + VatOf(a));
      break;
    }
    case Flow::kReceipt:
      add(t.bank, p, false, a);
      add(p, t.bank, true, a);
      break;
    case Flow::kPayment:
      add(p, t.bank, false, a);
      add(t.bank, p, true, a);
      break;
    case Flow::kSalary: {
      // Income tax from 8 % to 14.99 % and national insurance from 5.5 % to 7.49 %, as the
      // gross's last digits fall: a Benford amount times a rate of its own stays Benford,
      // and the deductions do not repeat the gross's leading digits.
      const std::int64_t tax = a * (800 + a % 700) / 10000;
      const std::int64_t insurance = a * (550 + a / 7 % 200) / 10000;
      add(c.salaries, t.bank, false, a);
      add(t.bank, c.salaries, true, a - tax - insurance);
      add(c.withholding, c.salaries, true, tax);
      add(c.national_insurance, c.salaries, true, insurance);
      break;
    }
  }
  return n;
}

}  // namespace tallyscan::gen
