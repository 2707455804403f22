#include "engine/analytics/jet_pass.h"

#include <algorithm>
#include <cstring>

#include "engine/analytics/digit_statistics.h"
#include "engine/analytics/field_rules.h"
#include "engine/checks/check_run.h"
#include "engine/text/cp1255.h"
#include "engine/text/hebrew_order.h"
#include "engine/text/trim.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/record_store.h"

namespace tallyscan::analytics {

namespace {

using field::B100;
using field::B110;
using field::C100;

const TextKey<15> kBlankAccount = PackText<15>("");

// The record code of a line as one number, letter case ignored as the import ignores it.
std::uint32_t CodeOf(std::string_view head) {
  if (head.size() < 4) return 0;
  std::uint32_t code = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    char c = head[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    code = code << 8 | static_cast<unsigned char>(c);
  }
  return code;
}

std::uint32_t CodeOf(RecordType type) { return CodeOf(LayoutOf(type).code); }

std::string_view Trimmed(std::string_view line, Positions positions) {
  return TrimSpaces(SliceField(line, positions));
}

// The smallest whole number of agorot at or above numerator / 10000.
std::uint64_t CeilingOfTenThousandths(AmountSum numerator) {
  return static_cast<std::uint64_t>((numerator + 9999) / 10000);
}

// |A| of a line for the digit tests: of an eligible amount only.
void CountDigits(DigitCounts& counts, std::uint64_t magnitude, bool credit) {
  for (std::size_t t = 0; t < 4; ++t) {
    const auto test = static_cast<DigitTest>(t);
    const auto place = static_cast<std::size_t>(DigitPlace(test, magnitude));
    ++counts[t][0][place];
    ++counts[t][credit ? 2 : 1][place];
  }
}

}  // namespace

TextKey<23> DocumentKey(std::string_view type, std::string_view number) {
  TextKey<23> key;
  key.fill(' ');
  std::copy_n(type.begin(), std::min<std::size_t>(type.size(), 3), key.begin());
  std::copy_n(number.begin(), std::min<std::size_t>(number.size(), 20), key.begin() + 3);
  return key;
}

std::uint32_t LineRuns::LineOf(std::uint32_t ordinal) const {
  auto run = std::upper_bound(runs_.begin(), runs_.end(), ordinal,
                              [](std::uint32_t o, const auto& r) { return o < r.first; });
  --run;
  return run->second + (ordinal - run->first);
}

JetPass::JetPass(const RecordStore& store, const JetParameters& p, std::optional<DayNumber> from,
                 std::optional<DayNumber> to)
    : parameters(p),
      period_from(from),
      period_to(to),
      store_(store),
      holidays_(p.holiday_eves,
                [&] {
                  std::vector<DayNumber> days;
                  for (const std::string& d : p.extra_holidays) days.push_back(*ReadIsoDate(d));
                  return days;
                }()),
      movement_type_(CodeOf(RecordType::kB100)),
      card_type_(CodeOf(RecordType::kB110)),
      document_type_(CodeOf(RecordType::kC100)) {
  for (const int day : p.weekend_days) weekend_[static_cast<std::size_t>(day)] = true;
  for (const std::string& word : p.keywords) keywords_.push_back(Utf8ToCp1255(word));
  keyword_lines.assign(keywords_.size(), 0);
  keyword_seen_.assign(keywords_.size(), false);
  for (const std::string& word : keywords_) {
    keyword_starts_[static_cast<unsigned char>(word.front())] = true;
  }
  const std::int64_t expected = store.MovementIndex.Count();
  columns.account.reserve(static_cast<std::size_t>(expected));
  columns.counter.reserve(static_cast<std::size_t>(expected));
  columns.reference.reserve(static_cast<std::size_t>(expected));
  columns.transaction.reserve(static_cast<std::size_t>(expected));
  columns.money.reserve(static_cast<std::size_t>(expected));
  columns.date.reserve(static_cast<std::size_t>(expected));
  // An operator is rare with fewer lines than max(min, share x lines with an operator);
  // those lines are at most the movements of the file.
  operator_cap_ = std::max<std::uint64_t>(
      static_cast<std::uint64_t>(p.rare_operator_min),
      CeilingOfTenThousandths(static_cast<AmountSum>(p.rare_operator_share) * expected));
  for (const std::int64_t limit : p.limits) {
    const AmountSum l = limit;
    LimitWindow window{limit,
                       CeilingOfTenThousandths((10000 - p.below_limit_window) * l),
                       CeilingOfTenThousandths((10000 + p.below_limit_window) * l),
                       0,
                       0,
                       {}};
    limits.push_back(std::move(window));
  }
  for (std::size_t t = 0; t < 4; ++t) {
    for (auto& population : digit_counts[t]) {
      population.assign(static_cast<std::size_t>(DigitCount(static_cast<DigitTest>(t))), 0);
    }
  }
  IndexDocuments();
}

void JetPass::IndexDocuments() {
  const auto& index = store_.DocumentIndex;
  documents.Reserve(static_cast<std::size_t>(index.Count()));
  document_counts.reserve(static_cast<std::size_t>(index.Count()));
  for (std::int64_t i = 1; i <= index.Count(); ++i) {
    const IndexEntry& entry = index[i];
    const std::string_view type = TrimSpaces(entry.Part(kKeyDocumentType));
    const std::string_view number = NumberKey(entry.Part(kKeyDocumentNumber));
    if (type.empty() || number.empty()) continue;
    document_types.Intern(PackText<3>(type));
    const std::uint32_t id = documents.Intern(DocumentKey(type, number));
    if (id == document_counts.size()) document_counts.push_back(0);
    ++document_counts[id];
  }
}

void JetPass::Settle() {
  for (TestCounts& test : counts) test.hits.Settle();
  for (LimitWindow& window : limits) window.below_ordinals.shrink_to_fit();
  seldom_candidates.shrink_to_fit();
  operator_candidates.shrink_to_fit();
}

bool JetPass::OnLine(std::int64_t number, std::string_view head) {
  if (number > static_cast<std::int64_t>(kNoId) - 1) return false;
  const auto line = static_cast<std::uint32_t>(number);
  const std::uint32_t code = CodeOf(head);
  if (code == movement_type_) {
    OnMovement(line, head);
  } else if (code == document_type_) {
    OnDocument(line, head);
  } else if (code == card_type_) {
    OnCard(line, head);
  }
  return true;
}

void JetPass::AddHighValue(std::uint64_t magnitude, std::uint32_t ordinal) {
  if (parameters.high_value_top == 0) return;
  // The heap's top is the weakest kept: the smallest amount, the latest line among equals.
  auto weaker = [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first > b.first : a.second < b.second;
  };
  if (static_cast<std::int64_t>(high_values.size()) < parameters.high_value_top) {
    high_values.emplace_back(magnitude, ordinal);
    std::push_heap(high_values.begin(), high_values.end(), weaker);
  } else if (magnitude > high_values.front().first) {
    std::pop_heap(high_values.begin(), high_values.end(), weaker);
    high_values.back() = {magnitude, ordinal};
    std::push_heap(high_values.begin(), high_values.end(), weaker);
  }
}

void JetPass::OnMovement(std::uint32_t line, std::string_view head) {
  const JetParameters& p = parameters;
  const auto ordinal = static_cast<std::uint32_t>(columns.size());
  columns.lines.Add(ordinal, line);
  ++movement_lines;

  const std::optional<std::int64_t> amount = ReadUsableAmount(SliceField(head, B100(1368)));
  const std::uint64_t magnitude =
      amount ? static_cast<std::uint64_t>(*amount < 0 ? -*amount : *amount) : 0;
  const bool credit = SliceField(head, B100(1366)) == "2";
  const std::optional<DayNumber> moved = moved_dates_.Read(SliceField(head, B100(1362)));
  const std::optional<DayNumber> entered = entered_dates_.Read(SliceField(head, B100(1375)));
  const TextKey<15> account_key = PackField<15>(SliceField(head, B100(1364)));
  const TextKey<15> counter_key = PackField<15>(SliceField(head, B100(1365)));
  const bool has_account = !SameKey(account_key, kBlankAccount);
  const bool has_counter = !SameKey(counter_key, kBlankAccount);
  const std::string_view reference = Trimmed(head, B100(1357));
  // The tables are large and looked up at random: their places are fetched while the line's
  // other fields are read.
  accounts.Prefetch(account_key);
  if (has_counter) accounts.Prefetch(counter_key);
  std::string_view document_type;
  TextKey<23> document_key;
  if (!reference.empty()) {
    document_type = Trimmed(head, B100(1358));
    if (!document_type.empty() && document_type.size() <= 3) {
      document_key = DocumentKey(document_type, NumberKey(SliceField(head, B100(1357))));
      documents.Prefetch(document_key);
    }
  }

  // Dates.
  if (moved) {
    if (!first_date || *moved < *first_date) first_date = moved;
    if (!last_date || *moved > *last_date) last_date = moved;
  }
  if (moved && entered) {
    Usable(JetTest::kLateEntry);
    if (*entered - *moved > p.late_days) Hit(JetTest::kLateEntry, ordinal);
    Usable(JetTest::kPostClosing);
    if (period_to) {
      if (*period_from <= *moved && *moved <= *period_to && *entered > *period_to) {
        Hit(JetTest::kPostClosing, ordinal);
      }
    } else if (*entered > *last_date) {
      late_after_period.emplace_back(ordinal, *entered);
    }
  }
  if (moved) Usable(JetTest::kPeriodEnd);
  if (const std::optional<DayNumber> posted = entered ? entered : moved) {
    Usable(JetTest::kWeekend);
    Usable(JetTest::kHoliday);
    if (weekend_[static_cast<std::size_t>(WeekdayOf(*posted))]) Hit(JetTest::kWeekend, ordinal);
    if (*posted != last_posted_) {
      last_posted_ = *posted;
      last_posted_holiday_ = holidays_.IsHoliday(*posted);
    }
    if (last_posted_holiday_) Hit(JetTest::kHoliday, ordinal);
  }

  // Who and where. The lines of a transaction mostly share their operator: the last field
  // read is kept with its id.
  const std::string_view operator_field = SliceField(head, B100(1376));
  if (operator_field != std::string_view(last_operator_field_.data(), last_operator_size_)) {
    const std::string_view operator_name = TrimSpaces(operator_field);
    last_operator_ = operator_name.empty() ? kNoId : operators.Intern(PackText<9>(operator_name));
    if (last_operator_ == operator_counts.size()) operator_counts.push_back(0);
    last_operator_size_ = std::min(operator_field.size(), last_operator_field_.size());
    std::memcpy(last_operator_field_.data(), operator_field.data(), last_operator_size_);
  }
  if (last_operator_ != kNoId) {
    Usable(JetTest::kRareOperator);
    ++operator_lines;
    if (static_cast<std::uint64_t>(++operator_counts[last_operator_]) < operator_cap_) {
      operator_candidates.emplace_back(last_operator_, ordinal);
    }
  }
  // The gate: totals by side, batches, accounts.
  const std::uint32_t account_id = accounts.Intern(account_key);
  const std::uint32_t counter_id = has_counter ? accounts.Intern(counter_key) : kNoId;
  if (accounts.size() > account_states.size()) account_states.resize(accounts.size());
  AccountState& state = account_states[account_id];
  ++state.movements;
  const std::string_view batch_text = SliceField(head, B100(1355));
  // Lines of a batch mostly follow each other: its number is parsed when its text changes.
  std::uint64_t batch_bytes = 0;
  const bool whole_batch = batch_text.size() == 8;
  if (whole_batch) std::memcpy(&batch_bytes, batch_text.data(), 8);
  if (!last_batch_whole_ || !whole_batch || batch_bytes != last_batch_text_) {
    const auto batch = static_cast<std::uint64_t>(checks::WholeNumber(batch_text));
    last_batch_ = batches.Intern(batch);
    if (last_batch_ == batch_sums.size()) batch_sums.push_back({0, 0, line});
    last_batch_text_ = batch_bytes;
    last_batch_whole_ = whole_batch;  // a short field is parsed again on the next line
  }
  if (amount) {
    Usable(JetTest::kPopulation);
    (credit ? state.credit : state.debit) += *amount;
    (credit ? batch_sums[last_batch_].credit : batch_sums[last_batch_].debit) += *amount;
  }

  if (has_account) {
    Usable(JetTest::kSeldomAccount);
    if (state.movements <= p.seldom_account_lines) {
      seldom_candidates.emplace_back(account_id, ordinal);
    }
    if (counter_id != kNoId) Usable(JetTest::kRareFlow);
  }

  // Amounts.
  if (amount) {
    Usable(JetTest::kRoundAmount);
    if (magnitude >= static_cast<std::uint64_t>(p.round_unit) &&
        magnitude % static_cast<std::uint64_t>(p.round_unit) == 0) {
      Hit(JetTest::kRoundAmount, ordinal);
    }
    Usable(JetTest::kBelowLimit);
    for (LimitWindow& w : limits) {
      if (magnitude >= w.low && magnitude < static_cast<std::uint64_t>(w.limit)) {
        ++w.below;
        w.below_ordinals.push_back(ordinal);
      } else if (magnitude >= static_cast<std::uint64_t>(w.limit) && magnitude < w.high) {
        ++w.above;
      }
    }
    Usable(JetTest::kHighValue);
    AddHighValue(magnitude, ordinal);
    if (has_account) {
      Usable(JetTest::kRelativeSize);
      ++state.usable_amounts;
      if (state.usable_amounts == 1 || magnitude > state.largest) {
        if (state.usable_amounts > 1) state.second = state.largest;
        state.largest = magnitude;
        state.largest_ordinal = ordinal;
      } else if (magnitude > state.second) {
        state.second = magnitude;
      }
    }
    for (const JetTest t : {JetTest::kBenfordFirst, JetTest::kBenfordSecond,
                            JetTest::kBenfordFirstTwo, JetTest::kLastTwo}) {
      Usable(t);
    }
    if (magnitude >= static_cast<std::uint64_t>(std::max<std::int64_t>(p.benford_min_amount, 10))) {
      CountDigits(digit_counts, magnitude, credit);
    }
  }

  // Texts and references.
  const std::string_view details = Trimmed(head, B100(1361));
  Usable(JetTest::kBlankDescription);
  if (details.empty()) {
    Hit(JetTest::kBlankDescription, ordinal);
  } else {
    Usable(JetTest::kKeyword);
    std::string converted;
    std::string_view text = details;
    if (store_.DosCodePage) {
      converted = DosToWin(details);
      text = converted;
    }
    if (FindKeywords(text)) Hit(JetTest::kKeyword, ordinal);
  }
  Usable(JetTest::kNoReference);
  if (reference.empty() && IsBlank(SliceField(head, B100(1359)))) {
    Hit(JetTest::kNoReference, ordinal);
  }
  if (!reference.empty()) {
    if (!document_type.empty() && document_type.size() <= 3 && HasDocuments(document_type)) {
      Usable(JetTest::kMissingDocument);
      // The lines of a transaction mostly name one document: the last answer is kept.
      if (!have_last_document_ || document_key != last_document_) {
        have_last_document_ = true;
        last_document_ = document_key;
        last_document_missing_ = documents.Find(document_key) == KeyTable<TextKey<23>>::kNone;
      }
      if (last_document_missing_) {
        Hit(JetTest::kMissingDocument, ordinal);
      }
    }
  }

  // What the tests that compare lines need: duplicate, reversal, transaction-gap.
  if (has_account && !reference.empty() && amount && moved) Usable(JetTest::kDuplicate);
  if (has_account && has_counter && magnitude > 0 && moved) Usable(JetTest::kReversal);
  const std::string_view transaction = NumberKey(SliceField(head, B100(1353)));
  std::uint64_t code = 0;
  if (transaction.empty()) {
    code = kBlankTransaction | ordinal;
  } else if (AllDigits(transaction)) {
    Usable(JetTest::kTransactionGap);
    for (const char c : transaction) code = code * 10 + static_cast<std::uint64_t>(c - '0');
  } else {
    code = kTextTransaction | text_transactions.Intern(PackText<10>(transaction));
  }
  columns.account.push_back(has_account ? account_id : kNoId);
  columns.counter.push_back(counter_id);
  columns.reference.push_back(reference.empty() ? 0 : (HashText(reference) | 1));
  columns.transaction.push_back(code);
  columns.money.push_back(Money::Of(amount, credit));
  columns.date.push_back(moved ? *moved : kNoDay);
}

bool JetPass::HasDocuments(std::string_view type) {
  const TextKey<3> key = PackText<3>(type);
  if (!have_last_type_ || key != last_type_) {
    have_last_type_ = true;
    last_type_ = key;
    last_type_has_documents_ = document_types.Find(key) != KeyTable<TextKey<3>>::kNone;
  }
  return last_type_has_documents_;
}

bool JetPass::FindKeywords(std::string_view text) {
  // One look along the text: only where a keyword's first byte stands are the keywords that
  // begin with it compared; each keyword counts once per line.
  bool found = false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto first = static_cast<unsigned char>(text[at]);
    if (!keyword_starts_[first]) continue;
    for (std::size_t k = 0; k < keywords_.size(); ++k) {
      if (keyword_seen_[k] || keywords_[k].front() != text[at]) continue;
      if (text.substr(at).starts_with(keywords_[k])) {
        keyword_seen_[k] = true;
        found = true;
      }
    }
  }
  if (found) {
    for (std::size_t k = 0; k < keywords_.size(); ++k) {
      keyword_lines[k] += keyword_seen_[k] ? 1 : 0;
      keyword_seen_[k] = false;
    }
  }
  return found;
}

void JetPass::OnCard(std::uint32_t line, std::string_view head) {
  const std::uint32_t id = accounts.Intern(PackField<15>(SliceField(head, B110(1403))));
  if (accounts.size() > account_states.size()) account_states.resize(accounts.size());
  account_states[id].has_card = true;
  cards.push_back({id, line, ReadUsableAmount(SliceField(head, B110(1414))),
                   ReadUsableAmount(SliceField(head, B110(1415))),
                   ReadUsableAmount(SliceField(head, B110(1416)))});
}

void JetPass::OnDocument(std::uint32_t line, std::string_view head) {
  const JetParameters& p = parameters;
  ++document_lines;
  const std::string_view type = Trimmed(head, C100(1203));
  const std::string_view number = NumberKey(SliceField(head, C100(1204)));
  if (!type.empty() && !number.empty()) {
    Usable(JetTest::kDocumentGap);
    const std::uint32_t id = documents.Find(DocumentKey(type, number));
    if (id != KeyTable<TextKey<23>>::kNone && document_counts[id] > 1) {
      Hit(JetTest::kDocumentGap, line);
    }
  }
  const std::string_view time = SliceField(head, C100(1206));
  if (time.size() == 4 && AllDigits(time)) {
    const int hours = (time[0] - '0') * 10 + (time[1] - '0');
    const int minutes = (time[2] - '0') * 10 + (time[3] - '0');
    if (hours <= 23 && minutes <= 59) {
      Usable(JetTest::kAfterHours);
      const int at = hours * 60 + minutes;
      if (at < p.work_start || at >= p.work_end) Hit(JetTest::kAfterHours, line);
    }
  }
  const std::optional<DayNumber> produced = produced_dates_.Read(SliceField(head, C100(1205)));
  const std::optional<DayNumber> dated = document_dates_.Read(SliceField(head, C100(1230)));
  if (produced && dated) {
    Usable(JetTest::kBackdatedDocument);
    if (*produced - *dated > p.backdate_days) Hit(JetTest::kBackdatedDocument, line);
  }
  Usable(JetTest::kCancelledDocument);
  if (SliceField(head, C100(1228)) == "1") Hit(JetTest::kCancelledDocument, line);
}

}  // namespace tallyscan::analytics
