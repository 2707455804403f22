// The journal-entry faults of an audit set, planted in its plan. Each fault makes lines that
// its test finds and leaves the other tests as they were: transactions stay balanced, every
// changed amount is one the accounts' totals are made from, a changed entry date stays
// within the rules of the other date tests, changed amounts avoid round thousands and the
// approval limits' neighbourhoods, and a transaction carries one fault at most.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audit_plan.h"
#include "calendar.h"
#include "engine/text/text.h"

namespace tallyscan::gen {
namespace {

constexpr int kSpikePairs[] = {23, 36, 68};  // first two digits, none near a limit's
constexpr int kRoundThousands[] = {2, 3, 5, 4, 6, 12, 8, 15, 20, 7, 25, 30, 40, 60, 80};
// The first-two-digits MAD a spike reaches, well beyond the upper bound of "acceptable"
// (0.0018); each further spike adds to it. And the Z its pair reaches at least, beyond the
// 3.29 that makes the pair's lines hits.
constexpr double kSpikeMad = 0.0030;
constexpr double kFurtherSpikeMad = 0.0010;
constexpr double kSpikeZ = 5.0;
constexpr std::int64_t kMissingDocumentOffset = 9000000;
constexpr int kLastDocumentTypes[] = {305, 400, 700, 410};

constexpr std::string_view kKeywords[] = {"תיקון", "ביטול", "שונות", "זמני", "מעבר"};
constexpr std::string_view kKeywordDetails[] = {"תיקון רישום", "ביטול תקבול כפול", "הוצאות שונות",
                                                "רישום זמני", "מעבר בין חשבונות"};

std::size_t At(std::int64_t index) { return static_cast<std::size_t>(index); }

std::string IsoDate(int yyyymmdd) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", yyyymmdd / 10000, yyyymmdd / 100 % 100,
                yyyymmdd % 100);
  return text;
}

// Whether an amount lies where the below-limit test counts it.
bool NearALimit(std::int64_t amount) {
  return std::any_of(std::begin(kApprovalLimits), std::end(kApprovalLimits),
                     [amount](std::int64_t limit) {
                       return BelowALimit(amount, limit) || AboveALimit(amount, limit);
                     });
}

bool Round(std::int64_t amount) { return amount >= 100000 && amount % 100000 == 0; }

bool TwoLines(const PlannedTransaction& t) {
  return t.flow == Flow::kReceipt || t.flow == Flow::kPayment;
}

// The first two digits of an amount of at least 10.00 (1,000 agorot).
int FirstTwo(std::int64_t amount) {
  while (amount >= 100) amount /= 10;
  return static_cast<int>(amount);
}

double Expected(int pair) { return std::log10(1.0 + 1.0 / pair); }

}  // namespace

std::string_view AuditPlan::Keyword(int keyword) { return kKeywords[At(keyword)]; }
std::string_view AuditPlan::KeywordDetails(int keyword) { return kKeywordDetails[At(keyword)]; }

Status AuditPlan::TooSmall(FaultKind kind) const {
  std::string name;
  for (const FaultInfo& info : JournalFaults()) {
    if (info.kind == kind) name = info.name;
  }
  return Status::Refused("the set is too small for so many " + name + " faults");
}

void AuditPlan::Note(std::int64_t transaction, int line, FaultKind kind, std::string message,
                     std::string value) {
  notes_.push_back({transaction, line, kind, std::move(message), std::move(value)});
}

void AuditPlan::NoteEveryLine(std::int64_t transaction, FaultKind kind, const std::string& message,
                              const std::string& value) {
  Note(transaction, kEveryLine, kind, message, value);
}

template <typename Fits>
std::int64_t AuditPlan::Pick(FaultKind kind, int rank, int count, Fits fits) {
  const auto size = static_cast<std::int64_t>(transactions_.size());
  // Each kind starts a little further on, so that kinds asked for together do not all go
  // for the same transactions.
  const std::int64_t start =
      (rank * size / (count + 1) + static_cast<std::int64_t>(kind) * 13) % size;
  for (std::int64_t step = 0; step < size; ++step) {
    const std::int64_t i = (start + step) % size;
    if (!used_[At(i)] && fits(transactions_[At(i)])) {
      used_[At(i)] = true;
      return i;
    }
  }
  return -1;
}

Status AuditPlan::ChooseGaps() {
  const int count = Count(FaultKind::kTransactionGap);
  for (int rank = 1; rank <= count; ++rank) {
    const std::int64_t last = static_cast<std::int64_t>(transactions_.size()) - 1;
    const std::int64_t i =
        Pick(FaultKind::kTransactionGap, rank, count,
             [&](const PlannedTransaction& t) { return &t != &transactions_[At(last)]; });
    if (i < 0) return TooSmall(FaultKind::kTransactionGap);
    transaction_gaps_.push_back({i, 1 + (rank - 1) % 3});
  }
  // A document gap lies between two documents of its type.
  const int documents = Count(FaultKind::kDocumentGap);
  for (int rank = 1; rank <= documents; ++rank) {
    const int type = kLastDocumentTypes[At((rank - 1) % 4)];
    const PlannedTransaction* last_of_type = nullptr;
    for (const PlannedTransaction& t : transactions_) {
      if (t.copy_of < 0 && t.document_type == type) last_of_type = &t;
    }
    const std::int64_t i =
        Pick(FaultKind::kDocumentGap, rank, documents, [&](const PlannedTransaction& t) {
          return t.copy_of < 0 && t.document_type == type && &t != last_of_type;
        });
    if (i < 0) return TooSmall(FaultKind::kDocumentGap);
    document_gaps_.push_back({i, 1 + (rank - 1) % 3});
  }
  const auto by_place = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::sort(transaction_gaps_.begin(), transaction_gaps_.end(), by_place);
  std::sort(document_gaps_.begin(), document_gaps_.end(), by_place);
  return Status::Ok();
}

Status AuditPlan::PlantFaults() {
  for (const FaultKind kind :
       {FaultKind::kLateEntry, FaultKind::kPostClosing, FaultKind::kWeekend, FaultKind::kHoliday}) {
    if (Status status = PlantDates(kind); !status.ok()) return status;
  }
  for (const FaultKind kind :
       {FaultKind::kRareOperator, FaultKind::kRareFlow, FaultKind::kRoundAmount,
        FaultKind::kBlankDescription, FaultKind::kKeyword, FaultKind::kNoReference,
        FaultKind::kMissingDocument, FaultKind::kAfterHours, FaultKind::kBackdatedDocument,
        FaultKind::kCancelledDocument}) {
    if (Status status = PlantInTransactions(kind); !status.ok()) return status;
  }
  // Amounts last, each on the amounts as the faults before left them: the crowd below a
  // limit is counted against what lies above it, the spike takes its lines from digit
  // pairs that have more than their share (so that no other pair rises above its own), and
  // the largest amount of an account is measured against the account's others.
  for (int rank = 1; rank <= Count(FaultKind::kBelowLimit); ++rank) {
    if (Status status = PlantBelowLimit(rank); !status.ok()) return status;
  }
  for (int rank = 1; rank <= Count(FaultKind::kBenfordSpike); ++rank) {
    if (Status status = PlantSpike(rank); !status.ok()) return status;
  }
  return PlantRelativeSize();
}

Status AuditPlan::PlantDates(FaultKind kind) {
  const int count = Count(kind);
  if (count == 0) return Status::Ok();
  const int year = options_->tax_year;
  const int last_day = DayNumber(year * 10000 + 1231);
  const auto business = [](int date) { return Weekday(date) <= 4 && !IsIsraeliHoliday(date); };
  int next_year_opens = DayNumber((year + 1) * 10000 + 101);
  while (!business(DateOfDayNumber(next_year_opens))) ++next_year_opens;

  for (int rank = 1; rank <= count; ++rank) {
    // The day it is entered on, for a transaction of `date`; 0 when none fits.
    const auto entry_for = [&](int date) {
      const int day = DayNumber(date);
      switch (kind) {
        case FaultKind::kLateEntry:  // late, but within the year and on a business day
          for (int d = day + 31; d <= std::min(day + 40, last_day); ++d) {
            if (business(DateOfDayNumber(d))) return DateOfDayNumber(d);
          }
          return 0;
        case FaultKind::kPostClosing:  // the next year's first business day, within 30 days
          return next_year_opens - day <= 30 ? DateOfDayNumber(next_year_opens) : 0;
        case FaultKind::kWeekend: {  // the next Friday, or Saturday, that is no holiday
          const int weekday = rank % 2 == 1 ? 5 : 6;
          for (int d = day + 1; d <= std::min(day + 7, last_day); ++d) {
            const int candidate = DateOfDayNumber(d);
            if (Weekday(candidate) == weekday && !IsIsraeliHoliday(candidate)) return candidate;
          }
          return 0;
        }
        default:  // a holiday on a weekday within ten days
          for (int d = day + 1; d <= std::min(day + 10, last_day); ++d) {
            const int candidate = DateOfDayNumber(d);
            if (Weekday(candidate) <= 4 && IsIsraeliHoliday(candidate)) return candidate;
          }
          return 0;
      }
    };
    const std::int64_t i = Pick(
        kind, rank, count, [&](const PlannedTransaction& t) { return entry_for(t.date) != 0; });
    if (i < 0) return TooSmall(kind);
    PlannedTransaction& t = transactions_[At(i)];
    t.entry_date = entry_for(t.date);
    std::string message;
    switch (kind) {
      case FaultKind::kLateEntry:
        message = "entered " + std::to_string(DayNumber(t.entry_date) - DayNumber(t.date)) +
                  " days after its date";
        break;
      case FaultKind::kPostClosing:
        message = "entered after the period's last day " + IsoDate(year * 10000 + 1231);
        break;
      case FaultKind::kWeekend:
        message = Weekday(t.entry_date) == 5 ? "entered on a Friday" : "entered on a Saturday";
        break;
      default:
        message = "entered on a holiday";
        break;
    }
    NoteEveryLine(i, kind, message, IsoDate(t.entry_date));
  }
  return Status::Ok();
}

Status AuditPlan::PlantInTransactions(FaultKind kind) {
  const int count = Count(kind);
  // Rare flows: each through a partner that has seen the flow often enough to keep its
  // usual pair twice when one goes the other way.
  std::vector<int> flows_of(chart_->accounts.size(), 0);
  std::vector<bool> partner_taken(chart_->accounts.size(), false);
  if (kind == FaultKind::kRareFlow) {
    for (const PlannedTransaction& t : transactions_) {
      if (TwoLines(t) && t.bank == bank_of_[At(t.partner)]) ++flows_of[At(t.partner)];
    }
  }
  PlannedLine planned[kMaxLines];
  for (int rank = 1; rank <= count; ++rank) {
    const std::int64_t i = Pick(kind, rank, count, [&](const PlannedTransaction& t) {
      switch (kind) {
        case FaultKind::kRareFlow:
          // Receipts and payments of one partner counted together: a customer has no
          // payments and a supplier no receipts.
          return TwoLines(t) && !partner_taken[At(t.partner)] && flows_of[At(t.partner)] >= 3;
        case FaultKind::kRoundAmount:
          return TwoLines(t);
        default:
          return t.copy_of < 0;
      }
    });
    if (i < 0) return TooSmall(kind);
    PlannedTransaction& t = transactions_[At(i)];
    switch (kind) {
      case FaultKind::kRareOperator: {
        const std::string name = "temp" + std::to_string(rank);
        t.operator_index = static_cast<std::uint8_t>(operators_.size());
        operators_.push_back(name);
        NoteEveryLine(
            i, kind,
            "the only transaction of its operator, " + std::to_string(Lines(t, planned)) + " lines",
            name);
        break;
      }
      case FaultKind::kRareFlow: {
        partner_taken[At(t.partner)] = true;
        t.bank = t.bank == chart_->banks[0] ? chart_->banks[1] : chart_->banks[0];
        NoteEveryLine(i, kind,
                      t.flow == Flow::kReceipt ? "received through a bank the customer never uses"
                                               : "paid through a bank the supplier never uses",
                      chart_->accounts[At(t.bank)].key);
        break;
      }
      case FaultKind::kRoundAmount:
        t.amount =
            kRoundThousands[At((rank - 1) % static_cast<int>(std::size(kRoundThousands)))] * 100000;
        NoteEveryLine(i, kind, "whole thousands", FormatAgorot(t.amount));
        break;
      case FaultKind::kBlankDescription:
        t.details = kBlankDetails;
        Note(i, 0, kind, "no details", "");
        break;
      case FaultKind::kKeyword: {
        const int keyword = (rank - 1) % static_cast<int>(std::size(kKeywords));
        t.details = static_cast<std::int8_t>(keyword);
        Note(i, 0, kind, "details holding a keyword", std::string(kKeywords[At(keyword)]));
        break;
      }
      case FaultKind::kNoReference:
        t.reference = 0;
        NoteEveryLine(i, kind, "no reference", "");
        break;
      case FaultKind::kMissingDocument:
        t.reference = t.document_type * std::int64_t{10000000} + kMissingDocumentOffset + rank;
        NoteEveryLine(i, kind, "refers to a document the file lacks",
                      std::to_string(t.document_type) + " " + std::to_string(t.reference));
        break;
      case FaultKind::kAfterHours: {
        static constexpr int kHours[] = {21, 5, 22, 6, 20, 23};
        t.time =
            static_cast<std::int16_t>(kHours[At((rank - 1) % 6)] * 100 + random_.Between(0, 59));
        char time[16];
        std::snprintf(time, sizeof time, "%02d:%02d", t.time / 100, t.time % 100);
        Note(i, kDocumentHeader, kind, "produced after hours", time);
        break;
      }
      case FaultKind::kBackdatedDocument: {
        const int days = 31 + (rank - 1) % 15;
        t.produced = DateOfDayNumber(DayNumber(t.date) + days);
        Note(i, kDocumentHeader, kind, "produced " + std::to_string(days) + " days after its date",
             IsoDate(t.produced));
        break;
      }
      default:
        t.cancelled = true;
        Note(i, kDocumentHeader, kind, "cancelled", "1");
        break;
    }
  }
  return Status::Ok();
}

Status AuditPlan::PlantBelowLimit(int rank) {
  const std::int64_t limit = kApprovalLimits[At(rank - 1)];
  const std::int64_t low = limit / 10 * 9;
  std::int64_t below = 0, above = 0;
  PlannedLine planned[kMaxLines];
  std::vector<std::int64_t> candidates;
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    const PlannedTransaction& t = transactions_[i];
    for (int k = 0, n = Lines(t, planned); k < n; ++k) {
      below += BelowALimit(planned[k].amount, limit);
      above += AboveALimit(planned[k].amount, limit);
    }
    if (!used_[i] && TwoLines(t) && !NearALimit(t.amount)) {
      candidates.push_back(static_cast<std::int64_t>(i));
    }
  }
  // The test finds the crowd when it holds at least ten lines and more than twice those
  // just above the limit; each receipt or payment moved below adds two.
  const std::int64_t lines = std::max<std::int64_t>(10, 2 * above + 1) - below;
  const std::int64_t moves = std::max<std::int64_t>(5, (lines + 1) / 2);
  const auto size = static_cast<std::int64_t>(candidates.size());
  if (size < moves) return TooSmall(FaultKind::kBelowLimit);
  const std::string message = "just below the approval limit " + FormatAgorot(limit);
  for (std::int64_t j = 0; j < moves; ++j) {
    const std::int64_t i = candidates[At(j * size / moves)];
    PlannedTransaction& t = transactions_[At(i)];
    // Spread over the window by the golden ratio's multiples, so that none repeats.
    double fraction = 0.5 + static_cast<double>(j) * 0.6180339887498949;
    fraction -= std::floor(fraction);
    t.amount = low + static_cast<std::int64_t>(fraction * static_cast<double>(limit - low));
    if (Round(t.amount)) ++t.amount;
    used_[At(i)] = true;
    NoteEveryLine(i, FaultKind::kBelowLimit, message, FormatAgorot(t.amount));
  }
  return Status::Ok();
}

Status AuditPlan::PlantSpike(int rank) {
  const int pair = kSpikePairs[At(rank - 1)];
  // The "all" population: every line of 10.00 or more, counted by its first two digits.
  std::vector<std::int64_t> counts(100, 0);
  std::int64_t population = 0;
  std::vector<std::vector<std::int64_t>> sources(100);
  PlannedLine planned[kMaxLines];
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    const PlannedTransaction& t = transactions_[i];
    for (int k = 0, n = Lines(t, planned); k < n; ++k) {
      if (planned[k].amount < 1000) continue;
      ++counts[At(FirstTwo(planned[k].amount))];
      ++population;
    }
    const bool spiked =
        std::find(std::begin(kSpikePairs), std::end(kSpikePairs),
                  FirstTwo(std::max<std::int64_t>(t.amount, 10))) != std::end(kSpikePairs);
    if (!used_[i] && TwoLines(t) && t.amount >= 1000 && !NearALimit(t.amount) && !spiked) {
      sources[At(FirstTwo(t.amount))].push_back(static_cast<std::int64_t>(i));
    }
  }
  for (std::vector<std::int64_t>& source : sources) {
    for (std::size_t i = source.size(); i > 1; --i) {
      std::swap(source[i - 1], source[random_.Next() % i]);
    }
  }
  const auto mad = [&] {
    double sum = 0;
    for (int k = 10; k <= 99; ++k) {
      sum += std::fabs(static_cast<double>(counts[At(k)]) / static_cast<double>(population) -
                       Expected(k));
    }
    return sum / 90;
  };
  const auto z = [&] {
    const double n = static_cast<double>(population);
    const double expected = Expected(pair);
    return (static_cast<double>(counts[At(pair)]) / n - expected - 1 / (2 * n)) /
           std::sqrt(expected * (1 - expected) / n);
  };
  const double target = kSpikeMad + kFurtherSpikeMad * (rank - 1);
  const std::string message = "first two digits " + std::to_string(pair);
  while (mad() < target || z() < kSpikeZ) {
    int from = -1;
    double most = 0;
    for (int k = 10; k <= 99; ++k) {
      const double excess =
          static_cast<double>(counts[At(k)]) - Expected(k) * static_cast<double>(population);
      if (!sources[At(k)].empty() && (from < 0 || excess > most)) {
        from = k;
        most = excess;
      }
    }
    if (from < 0) return TooSmall(FaultKind::kBenfordSpike);
    const std::int64_t i = sources[At(from)].back();
    sources[At(from)].pop_back();
    PlannedTransaction& t = transactions_[At(i)];
    // The same number of digits, the first two the spike's.
    std::int64_t scale = 1;
    while (t.amount / scale >= 100) scale *= 10;
    std::int64_t amount = 0;
    for (int attempt = 0; attempt < 20; ++attempt) {
      amount = pair * scale + random_.Between(0, scale - 1);
      if (!Round(amount) && !NearALimit(amount)) break;
      amount = 0;
    }
    if (amount == 0) continue;
    t.amount = amount;
    used_[At(i)] = true;
    counts[At(from)] -= 2;
    counts[At(pair)] += 2;
    NoteEveryLine(i, FaultKind::kBenfordSpike, message, FormatAgorot(amount));
  }
  return Status::Ok();
}

Status AuditPlan::PlantRelativeSize() {
  const int count = Count(FaultKind::kRelativeSize);
  if (count == 0) return Status::Ok();
  // Each account's two largest amounts, and the transaction of the largest.
  struct Largest {
    std::int64_t first = 0, second = 0, transaction = -1;
  };
  std::vector<Largest> largest(chart_->accounts.size());
  PlannedLine planned[kMaxLines];
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    for (int k = 0, n = Lines(transactions_[i], planned); k < n; ++k) {
      Largest& l = largest[At(planned[k].account)];
      if (planned[k].amount > l.first) {
        l.second = l.first;
        l.first = planned[k].amount;
        l.transaction = static_cast<std::int64_t>(i);
      } else if (planned[k].amount > l.second) {
        l.second = planned[k].amount;
      }
    }
  }
  std::vector<bool> partner_taken(chart_->accounts.size(), false);
  for (int rank = 1; rank <= count; ++rank) {
    const std::int64_t i =
        Pick(FaultKind::kRelativeSize, rank, count, [&](const PlannedTransaction& t) {
          return TwoLines(t) && !partner_taken[At(t.partner)] && !NearALimit(t.amount);
        });
    if (i < 0) return TooSmall(FaultKind::kRelativeSize);
    PlannedTransaction& t = transactions_[At(i)];
    partner_taken[At(t.partner)] = true;
    const Largest& l = largest[At(t.partner)];
    const std::int64_t next_largest = l.transaction == i ? l.second : l.first;
    std::int64_t times = 11;
    while (Round(next_largest * times + 37) || NearALimit(next_largest * times + 37)) ++times;
    t.amount = next_largest * times + 37;
    Note(i, ShapeOf(t.flow).partner_line, FaultKind::kRelativeSize,
         std::to_string(times) + " times the account's next largest amount",
         FormatAgorot(t.amount));
  }
  return Status::Ok();
}

void AuditPlan::NoteCopiesAndGaps() {
  for (std::size_t i = 0; i < transactions_.size(); ++i) {
    const PlannedTransaction& t = transactions_[i];
    const auto index = static_cast<std::int64_t>(i);
    if (t.copy_of >= 0) {
      const PlannedTransaction& original = transactions_[At(t.copy_of)];
      const std::string amount = FormatAgorot(t.amount);
      if (t.reversed) {
        NoteEveryLine(t.copy_of, FaultKind::kReversal,
                      "reversed by transaction " + std::to_string(t.number), amount);
        NoteEveryLine(index, FaultKind::kReversal,
                      "reverses transaction " + std::to_string(original.number), amount);
      } else {
        NoteEveryLine(t.copy_of, FaultKind::kDuplicate,
                      "entered again as transaction " + std::to_string(t.number), amount);
        NoteEveryLine(index, FaultKind::kDuplicate,
                      "a copy of transaction " + std::to_string(original.number), amount);
      }
    }
    if (std::find(seldom_accounts_.begin(), seldom_accounts_.end(), t.partner) !=
        seldom_accounts_.end()) {
      Note(index, ShapeOf(t.flow).partner_line, FaultKind::kSeldomAccount,
           "one of the account's two movements", chart_->accounts[At(t.partner)].key);
    }
  }
  for (const auto& [i, size] : transaction_gaps_) {
    const std::int64_t from = transactions_[At(i)].number + 1;
    Note(i, kLastLine, FaultKind::kTransactionGap, "transaction numbers missing after this line",
         std::to_string(from) + "-" + std::to_string(from + size - 1));
  }
  for (const auto& [i, size] : document_gaps_) {
    const PlannedTransaction& t = transactions_[At(i)];
    Note(i, kDocumentHeader, FaultKind::kDocumentGap,
         "document numbers missing after this document",
         std::to_string(t.document + 1) + "-" + std::to_string(t.document + size) + " " +
             std::to_string(t.document_type));
  }
}

}  // namespace tallyscan::gen
