#include "engine/analytics/jet_pass.h"

#include <algorithm>
#include <cstring>

#include "engine/analytics/field_rules.h"
#include "engine/analytics/jet_handoff.h"
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

// A line as the reading thread leaves it for the readers: what it parsed, and where the
// line's head lies in the batch's text.
struct LineItem {
  enum class Kind : std::uint8_t { kMovement, kDocument, kCard };
  Kind kind = Kind::kMovement;
  bool credit = false;
  bool has_account = false;
  bool has_document = false;
  bool numbered = false;
  std::uint32_t line = 0;
  std::uint32_t ordinal = 0;     // of a movement
  std::uint32_t account_id = 0;  // of a movement or a card
  std::uint32_t counter_id = kNoId;
  std::uint32_t head_at = 0;  // in LineBatch::heads
  std::uint32_t head_size = 0;
  std::optional<std::int64_t> amount;
  std::optional<DayNumber> moved, entered;
  TextKey<23> document_key;  // when has_document
};

// The lines of a stretch of the file, their heads copied: the block they were read from is
// read over while the readers work.
struct LineBatch {
  static constexpr std::size_t kLines = 1024;
  std::vector<LineItem> items;
  std::string heads;

  LineItem& Add(LineItem::Kind kind, std::uint32_t line, std::string_view head) {
    LineItem& item = items.emplace_back();
    item.kind = kind;
    item.line = line;
    item.head_at = static_cast<std::uint32_t>(heads.size());
    item.head_size = static_cast<std::uint32_t>(head.size());
    heads.append(head);
    return item;
  }
  std::string_view HeadOf(const LineItem& item) const {
    return std::string_view(heads).substr(item.head_at, item.head_size);
  }
  bool Full() const { return items.size() >= kLines; }
  void clear() {
    items.clear();
    heads.clear();
  }
};

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
  handoff_ = std::make_unique<BatchHandoff<LineBatch>>([this](LineBatch& b) { Examine(b); });
}

JetPass::~JetPass() = default;

bool JetPass::Failed() const { return handoff_->Failed(); }

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
  handoff_->Finish();
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
  LineItem& item = handoff_->Filling().Add(LineItem::Kind::kMovement, line, head);
  item.ordinal = ordinal;
  item.amount = ReadUsableAmount(SliceField(head, B100(1368)));
  item.credit = SliceField(head, B100(1366)) == "2";
  item.moved = moved_dates_.Read(SliceField(head, B100(1362)));
  item.entered = entered_dates_.Read(SliceField(head, B100(1375)));
  const TextKey<15> account_key = PackField<15>(SliceField(head, B100(1364)));
  const TextKey<15> counter_key = PackField<15>(SliceField(head, B100(1365)));
  const bool has_counter = !SameKey(counter_key, kBlankAccount);
  const std::string_view reference = Trimmed(head, B100(1357));
  // The table is large and looked up at random: its places are fetched while the line's
  // other fields are read.
  accounts.Prefetch(account_key);
  if (has_counter) accounts.Prefetch(counter_key);
  if (!reference.empty()) {
    const std::string_view document_type = Trimmed(head, B100(1358));
    item.has_document = !document_type.empty() && document_type.size() <= 3;
    if (item.has_document) {
      item.document_key = DocumentKey(document_type, NumberKey(SliceField(head, B100(1357))));
    }
  }
  item.has_account = !SameKey(account_key, kBlankAccount);
  item.account_id = accounts.Intern(account_key);
  item.counter_id = has_counter ? accounts.Intern(counter_key) : kNoId;
  const std::uint64_t transaction = TransactionCode(ordinal, head, item.numbered);

  columns.account.push_back(item.has_account ? item.account_id : kNoId);
  columns.counter.push_back(item.counter_id);
  columns.reference.push_back(reference.empty() ? 0 : (HashText(reference) | 1));
  columns.transaction.push_back(transaction);
  columns.money.push_back(Money::Of(item.amount, item.credit));
  columns.date.push_back(item.moved ? *item.moved : kNoDay);
  Added();
}

void JetPass::OnCard(std::uint32_t line, std::string_view head) {
  LineItem& item = handoff_->Filling().Add(LineItem::Kind::kCard, line, head);
  item.account_id = accounts.Intern(PackField<15>(SliceField(head, B110(1403))));
  Added();
}

void JetPass::OnDocument(std::uint32_t line, std::string_view head) {
  ++document_lines;
  handoff_->Filling().Add(LineItem::Kind::kDocument, line, head);
  Added();
}

void JetPass::Added() {
  if (handoff_->Filling().Full()) handoff_->Hand();
}

void JetPass::Examine(const LineBatch& batch) {
  for (const LineItem& item : batch.items) {
    const std::string_view head = batch.HeadOf(item);
    switch (item.kind) {
      case LineItem::Kind::kMovement:
        ExamineMovement(item, head);
        break;
      case LineItem::Kind::kCard:
        ExamineCard(item.account_id, item.line, head);
        break;
      case LineItem::Kind::kDocument:
        for (JetReader* reader : document_readers_) reader->OnDocument(item.line, head);
        break;
    }
  }
}

void JetPass::HaveStateOf(std::uint32_t id) {
  if (id >= account_states.size()) account_states.resize(std::size_t{id} + 1);
}

void JetPass::ExamineMovement(const LineItem& item, std::string_view head) {
  // The ids are dense in the order first seen: the states reach the highest so far, as
  // the table's size did when the line was read.
  HaveStateOf(item.account_id);
  if (item.counter_id != kNoId) HaveStateOf(item.counter_id);
  AccountState& account = account_states[item.account_id];
  ++account.movements;
  if (item.moved) {
    if (!first_date || *item.moved < *first_date) first_date = item.moved;
    if (!last_date || *item.moved > *last_date) last_date = item.moved;
  }
  const std::optional<std::int64_t> amount = item.amount;
  const std::string_view reference = Trimmed(head, B100(1357));
  const MovementLine m{item.ordinal,
                       item.line,
                       head,
                       amount,
                       amount ? static_cast<std::uint64_t>(*amount < 0 ? -*amount : *amount) : 0,
                       item.credit,
                       item.moved,
                       item.entered,
                       item.has_account,
                       item.account_id,
                       item.counter_id,
                       account,
                       reference,
                       reference.empty() ? std::string_view() : Trimmed(head, B100(1358)),
                       item.has_document ? &item.document_key : nullptr,
                       Trimmed(head, B100(1361)),
                       item.numbered};
  for (JetReader* reader : movement_readers_) reader->OnMovement(m);
}

void JetPass::ExamineCard(std::uint32_t account, std::uint32_t line, std::string_view head) {
  HaveStateOf(account);
  account_states[account].has_card = true;
  for (JetReader* reader : card_readers_) reader->OnCard(account, line, head);
}

}  // namespace tallyscan::analytics
