#include "engine/analytics/jet_pass.h"

#include <algorithm>
#include <cstring>

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_unit.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

namespace {

using field::B100;
using field::B110;

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

JetPass::JetPass(const RecordStore& s, const JetParameters& p, std::optional<DayNumber> from,
                 std::optional<DayNumber> to)
    : store(s),
      parameters(p),
      period_from(from),
      period_to(to),
      movement_type_(CodeOf(RecordType::kB100)),
      card_type_(CodeOf(RecordType::kB110)),
      document_type_(CodeOf(RecordType::kC100)) {
  const auto expected = static_cast<std::size_t>(s.MovementIndex.Count());
  columns.account.reserve(expected);
  columns.counter.reserve(expected);
  columns.reference.reserve(expected);
  columns.transaction.reserve(expected);
  columns.money.reserve(expected);
  columns.date.reserve(expected);
  IndexDocuments();
  StartReaders();
}

JetPass::~JetPass() = default;

void JetPass::StartReaders() {
  for (std::size_t i = 0; i < kJetTestCount; ++i) {
    const JetUnit& unit = *kJetUnits[i];
    if (unit.read == nullptr) continue;
    readers_[i] = unit.read(*this, counts[i]);
    JetReader* reader = readers_[i].get();
    (unit.info.type == RecordType::kC100 ? document_readers_ : movement_readers_).push_back(reader);
    if (unit.reads_cards) card_readers_.push_back(reader);
  }
}

void JetPass::IndexDocuments() {
  const auto& index = store.DocumentIndex;
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
  for (const auto& reader : readers_) {
    if (reader) reader->Settle();
  }
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

std::pair<std::uint32_t, std::uint32_t> JetPass::InternAccounts(const TextKey<15>& account,
                                                                const TextKey<15>* counter) {
  const std::uint32_t account_id = accounts.Intern(account);
  const std::uint32_t counter_id = counter != nullptr ? accounts.Intern(*counter) : kNoId;
  if (accounts.size() > account_states.size()) account_states.resize(accounts.size());
  ++account_states[account_id].movements;
  return {account_id, counter_id};
}

std::uint64_t JetPass::TransactionCode(std::uint32_t ordinal, std::string_view head,
                                       bool& numbered) {
  const std::string_view transaction = NumberKey(SliceField(head, B100(1353)));
  numbered = false;
  if (transaction.empty()) return kBlankTransaction | ordinal;
  if (!AllDigits(transaction)) {
    return kTextTransaction | text_transactions.Intern(PackText<10>(transaction));
  }
  numbered = true;
  std::uint64_t code = 0;
  for (const char c : transaction) code = code * 10 + static_cast<std::uint64_t>(c - '0');
  return code;
}

void JetPass::OnMovement(std::uint32_t line, std::string_view head) {
  const auto ordinal = static_cast<std::uint32_t>(columns.size());
  columns.lines.Add(ordinal, line);
  ++movement_lines;

  const std::optional<std::int64_t> amount = ReadUsableAmount(SliceField(head, B100(1368)));
  const bool credit = SliceField(head, B100(1366)) == "2";
  const std::optional<DayNumber> moved = moved_dates_.Read(SliceField(head, B100(1362)));
  const TextKey<15> account_key = PackField<15>(SliceField(head, B100(1364)));
  const TextKey<15> counter_key = PackField<15>(SliceField(head, B100(1365)));
  const bool has_counter = !SameKey(counter_key, kBlankAccount);
  const std::string_view reference = Trimmed(head, B100(1357));
  // The tables are large and looked up at random: their places are fetched while the line's
  // other fields are read.
  accounts.Prefetch(account_key);
  if (has_counter) accounts.Prefetch(counter_key);
  std::string_view document_type;
  TextKey<23> document_key;
  bool has_document = false;
  if (!reference.empty()) {
    document_type = Trimmed(head, B100(1358));
    has_document = !document_type.empty() && document_type.size() <= 3;
    if (has_document) {
      document_key = DocumentKey(document_type, NumberKey(SliceField(head, B100(1357))));
      documents.Prefetch(document_key);
    }
  }
  if (moved) {
    if (!first_date || *moved < *first_date) first_date = moved;
    if (!last_date || *moved > *last_date) last_date = moved;
  }
  const auto [account_id, counter_id] =
      InternAccounts(account_key, has_counter ? &counter_key : nullptr);
  bool numbered = false;
  const std::uint64_t transaction = TransactionCode(ordinal, head, numbered);
  const MovementLine m{ordinal,
                       line,
                       head,
                       amount,
                       amount ? static_cast<std::uint64_t>(*amount < 0 ? -*amount : *amount) : 0,
                       credit,
                       moved,
                       entered_dates_.Read(SliceField(head, B100(1375))),
                       !SameKey(account_key, kBlankAccount),
                       account_id,
                       counter_id,
                       account_states[account_id],
                       reference,
                       document_type,
                       has_document ? &document_key : nullptr,
                       Trimmed(head, B100(1361)),
                       numbered};
  for (JetReader* reader : movement_readers_) reader->OnMovement(m);

  columns.account.push_back(m.has_account ? account_id : kNoId);
  columns.counter.push_back(counter_id);
  columns.reference.push_back(reference.empty() ? 0 : (HashText(reference) | 1));
  columns.transaction.push_back(transaction);
  columns.money.push_back(Money::Of(amount, credit));
  columns.date.push_back(moved ? *moved : kNoDay);
}

void JetPass::OnCard(std::uint32_t line, std::string_view head) {
  const std::uint32_t id = accounts.Intern(PackField<15>(SliceField(head, B110(1403))));
  if (accounts.size() > account_states.size()) account_states.resize(accounts.size());
  account_states[id].has_card = true;
  for (JetReader* reader : card_readers_) reader->OnCard(id, line, head);
}

void JetPass::OnDocument(std::uint32_t line, std::string_view head) {
  ++document_lines;
  for (JetReader* reader : document_readers_) reader->OnDocument(line, head);
}

}  // namespace tallyscan::analytics
