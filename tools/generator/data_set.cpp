#include "data_set.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <system_error>

#include "audit_journal.h"
#include "chart.h"
#include "documents.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"
#include "movements.h"
#include "output.h"
#include "texts.h"

namespace tallyscan {
namespace {

using gen::Account;
using gen::Chart;
using gen::Document;
using gen::Movement;

constexpr std::string_view kDataFile = "BKMVDATA.TXT";
constexpr std::string_view kIniFile = "INI.TXT";
constexpr std::string_view kVersionMark = "&OF1.31&";
constexpr std::int64_t kAccountTotalsShift = 100000;  // agorot

// The faults a movement line carries as written.
constexpr std::array kLineFaults = {FaultKind::kBadLength,     FaultKind::kControlCharacter,
                                    FaultKind::kUnknownRecord, FaultKind::kBadNumeric,
                                    FaultKind::kBadSign,       FaultKind::kBadDate};
constexpr std::array kAccountFaults = {FaultKind::kAccountTotals, FaultKind::kMissingSection,
                                       FaultKind::kAccountDealer};

// Writes `bytes` over a line from character `offset` (0 is the first) of a field.
void Overwrite(std::string& line, Positions field, int offset, std::string_view bytes) {
  line.replace(static_cast<std::size_t>(field.start - 1 + offset), bytes.size(), bytes);
}

std::string LineText(std::int64_t line) { return "שורה מספר " + std::to_string(line); }
std::string AtLine(std::int64_t line) { return "בשורה - " + std::to_string(line); }

// Faults of several kinds spread over `slots` places: the kinds take turns, and the j-th
// of `total` faults is due at slot (j + 1) * slots / (total + 1).
struct SpreadFault {
  FaultKind kind;
  std::int64_t due;
};
std::vector<SpreadFault> Spread(const std::vector<std::pair<FaultKind, int>>& counts,
                                std::int64_t slots) {
  std::vector<FaultKind> order;
  for (bool more = true; more;) {
    more = false;
    for (const auto& [kind, count] : counts) {
      const auto taken = std::count(order.begin(), order.end(), kind);
      if (taken < count) {
        order.push_back(kind);
        more = true;
      }
    }
  }
  std::vector<SpreadFault> spread;
  const auto total = static_cast<std::int64_t>(order.size());
  for (std::int64_t j = 0; j < total; ++j) {
    spread.push_back({order[static_cast<std::size_t>(j)], (j + 1) * slots / (total + 1)});
  }
  return spread;
}

class Generator {
 public:
  Generator(const DataSetOptions& options, GeneratedDataSet* result)
      : options_(options), result_(result), counts_(result->counts) {}

  Status Run(const std::filesystem::path& folder);

 private:
  Status Validate();
  int Count(FaultKind kind) const;
  void Note(FaultKind kind, std::string_view file, std::int64_t line, std::string message,
            std::string value);
  std::string Caption(const Document& document) const;
  std::string KeyOf(const Document& document) const;
  Status Emit(RecordWriter& writer);

  bool Audit() const { return options_.profile == DataProfile::kAudit; }
  Status TotalAccounts();
  void TotalAuditAccounts();
  Status PlanAccountFaults();
  Status WriteData(const std::filesystem::path& folder);
  void WriteA100();
  Status WriteAccounts();
  Status WriteItems();
  Status WriteMovements();
  Status WriteAuditMovements();
  Status WriteDocuments();
  Status WriteAuditDocuments();
  Status WriteDocument(const Document& document);
  void WriteZ900();
  Status WriteIni(const std::filesystem::path& folder);
  Status WriteManifest(const std::filesystem::path& folder);
  void NoteWholeFileFindings();

  const DataSetOptions& options_;
  GeneratedDataSet* result_;
  RecordCounts& counts_;
  Chart chart_;
  gen::AuditPlan plan_;
  gen::LineWriter* out_ = nullptr;

  // Per account: which account-level fault it carries, and the line it was written on.
  std::vector<std::optional<FaultKind>> account_fault_;
  std::vector<int> account_fault_rank_;
  std::vector<std::int64_t> account_line_;
  std::vector<std::int64_t> account_movements_;  // of an audit set, which lists only those moved
  std::int64_t movement_debit_ = 0, movement_credit_ = 0;
  std::int64_t unpaired_totals_line_ = 0;

  int year_ = 2024;
  int production_date_ = 0;
  std::string business_dealer_;
};

int Generator::Count(FaultKind kind) const {
  int count = 0;
  for (const FaultRequest& request : options_.faults) {
    if (request.kind == kind) count += request.count;
  }
  return count;
}

void Generator::Note(FaultKind kind, std::string_view file, std::int64_t line, std::string message,
                     std::string value) {
  result_->manifest.push_back(
      {kind, std::string(file), line, std::move(message), std::move(value)});
}

Status Generator::Validate() {
  if (options_.movements < 0 || options_.movements == 1) {
    return Status::Refused("movements must be 0 or at least 2");
  }
  const int minimum_accounts = gen::FixedAccountCount() + 2;
  if (options_.accounts < minimum_accounts || options_.accounts > kMostAccounts) {
    return Status::Refused("accounts must be between " + std::to_string(minimum_accounts) +
                           " and " + std::to_string(kMostAccounts));
  }
  if (options_.documents < 0 || options_.items < 0 || options_.items > 999999) {
    return Status::Refused("documents and items must not be negative (items at most 999999)");
  }
  if (options_.documents > 0 && options_.items < 1) {
    return Status::Refused("documents need at least one item");
  }
  if (options_.tax_year < 2000 || options_.tax_year > 2048) {
    return Status::Refused("the tax year must be between 2000 and 2048");
  }
  if (Audit() && options_.items < 1) return Status::Refused("an audit set needs at least one item");
  for (const FaultRequest& request : options_.faults) {
    const FaultInfo* info = nullptr;
    for (const FaultInfo& candidate : Audit() ? JournalFaults() : Faults()) {
      if (candidate.kind == request.kind) info = &candidate;
    }
    if (info == nullptr) {
      const FaultInfo* other = nullptr;
      for (const FaultInfo& candidate : Audit() ? Faults() : JournalFaults()) {
        if (candidate.kind == request.kind) other = &candidate;
      }
      if (other == nullptr) return Status::Refused("bad fault request");
      return Status::Refused(Audit() ? "an audit set carries only the journal-entry faults, not " +
                                           std::string(other->name)
                                     : "the journal-entry fault " + std::string(other->name) +
                                           " needs the audit profile");
    }
    if (request.count < 1) return Status::Refused("bad fault request");
    if (info->max_count > 0 && Count(request.kind) > info->max_count) {
      return Status::Refused("at most " + std::to_string(info->max_count) + " of " +
                             std::string(info->name));
    }
  }
  return Status::Ok();
}

std::string Generator::Caption(const Document& document) const {
  const DocumentType* type = FindDocumentType(document.type);
  return "בעיה ב " + std::string(type != nullptr ? type->name : kUnknownMeaning) + " מספר - " +
         std::to_string(document.number);
}

std::string Generator::KeyOf(const Document& document) const {
  if (!document.customer_key_override.empty()) return document.customer_key_override;
  return chart_.accounts[static_cast<std::size_t>(document.customer)].key;
}

Status Generator::Emit(RecordWriter& writer) {
  if (!writer.fitted()) {
    return Status::Refused("a value does not fit its field in a " +
                           std::string(writer.layout().code) + " line");
  }
  out_->Line(writer.line());
  return Status::Ok();
}

// Runs the journal once without writing, to learn each account's opening balance and
// totals, which its B110 line states before any movement is written.
Status Generator::TotalAccounts() {
  if (Audit()) {
    TotalAuditAccounts();
    return Status::Ok();
  }
  gen::MovementStream stream(chart_, options_, Count(FaultKind::kUnknownAccount),
                             Count(FaultKind::kUnbalancedBatch));
  Movement m;
  while (stream.Next(&m)) {
    (m.credit ? movement_credit_ : movement_debit_) += m.amount;
    if (m.account < 0) continue;
    Account& account = chart_.accounts[static_cast<std::size_t>(m.account)];
    if (m.opening) {
      account.opening += m.credit ? -m.amount : m.amount;
    } else {
      (m.credit ? account.credit : account.debit) += m.amount;
    }
  }
  if (!stream.AllFaultsPlaced()) {
    return Status::Refused("too few movements for the unknown-account and unbalanced-batch faults");
  }
  return Status::Ok();
}

void Generator::TotalAuditAccounts() {
  account_movements_.assign(chart_.accounts.size(), 0);
  gen::AuditJournal journal(plan_);
  gen::AuditMovement m;
  while (journal.Next(&m)) {
    const gen::PlannedLine& line = m.movement;
    Account& account = chart_.accounts[static_cast<std::size_t>(line.account)];
    (line.credit ? account.credit : account.debit) += line.amount;
    (line.credit ? movement_credit_ : movement_debit_) += line.amount;
    ++account_movements_[static_cast<std::size_t>(line.account)];
  }
}

Status Generator::PlanAccountFaults() {
  const auto n = static_cast<std::int64_t>(chart_.accounts.size());
  account_fault_.assign(static_cast<std::size_t>(n), std::nullopt);
  account_fault_rank_.assign(static_cast<std::size_t>(n), 0);
  std::vector<std::pair<FaultKind, int>> counts;
  for (FaultKind kind : kAccountFaults) counts.push_back({kind, Count(kind)});
  std::array<int, 3> ranks{};
  for (const SpreadFault& fault : Spread(counts, n)) {
    const auto kind_index = static_cast<std::size_t>(
        std::find(kAccountFaults.begin(), kAccountFaults.end(), fault.kind) -
        kAccountFaults.begin());
    const int rank = ranks[kind_index] + 1;
    bool placed = false;
    for (std::int64_t step = 0; step < n && !placed; ++step) {
      const auto i = static_cast<std::size_t>((fault.due + step) % n);
      const Account& account = chart_.accounts[i];
      if (account_fault_[i]) continue;
      bool fits = false;
      switch (fault.kind) {
        case FaultKind::kAccountTotals: {
          // Odd ranks add to the debit total, even ranks take the same away elsewhere,
          // so that pairs leave the index totals as they were. The card check compares
          // with and without the opening balance; neither may happen to absorb the shift.
          const std::int64_t shift = rank % 2 == 1 ? kAccountTotalsShift : -kAccountTotalsShift;
          fits = (rank % 2 == 1 || account.debit >= kAccountTotalsShift) &&
                 std::llabs(shift - account.opening) > 99;
          break;
        }
        case FaultKind::kMissingSection:
          fits = account.credit != 0 || account.opening != 0;
          break;
        default:
          fits = account.role == gen::AccountRole::kCustomer ||
                 account.role == gen::AccountRole::kSupplier;
          break;
      }
      if (!fits) continue;
      account_fault_[i] = fault.kind;
      account_fault_rank_[i] = rank;
      ranks[kind_index] = rank;
      placed = true;
    }
    if (!placed) {
      return Status::Refused("no account can carry another " +
                             std::string(fault.kind == FaultKind::kAccountTotals ? "account-totals"
                                         : fault.kind == FaultKind::kMissingSection
                                             ? "missing-section"
                                             : "account-dealer") +
                             " fault");
    }
  }
  return Status::Ok();
}

void Generator::WriteA100() {
  RecordWriter a100(RecordType::kA100);
  a100.SetDigits(1101, out_->next_line())
      .SetText(1102, business_dealer_)
      .SetText(1103, chart_.business.primary_id)
      .SetText(1104, kVersionMark);
  out_->Line(a100.line());
}

Status Generator::WriteAccounts() {
  RecordWriter w(RecordType::kB110);
  const std::string country = gen::FileText("ישראל", options_.dos_coded);
  account_line_.assign(chart_.accounts.size(), 0);
  for (std::size_t i = 0; i < chart_.accounts.size(); ++i) {
    if (Audit() && account_movements_[i] == 0) continue;
    const Account& a = chart_.accounts[i];
    const std::int64_t line = out_->next_line();
    account_line_[i] = line;
    std::int64_t debit = a.debit;
    int section = a.section;
    std::string dealer = a.dealer;
    std::string key15 = a.key;
    key15.resize(15, ' ');
    if (account_fault_[i]) {
      const int rank = account_fault_rank_[i];
      switch (*account_fault_[i]) {
        case FaultKind::kAccountTotals:
          debit += rank % 2 == 1 ? kAccountTotalsShift : -kAccountTotalsShift;
          Note(FaultKind::kAccountTotals, kDataFile, line,
               "בכרטיס - " + key15 + " אין התאמה בין יתרות הכרטיס לתנועות הכרטיס", "");
          if (rank % 2 == 1 && rank == Count(FaultKind::kAccountTotals)) {
            unpaired_totals_line_ = line;
          }
          break;
        case FaultKind::kMissingSection:
          section = 0;
          Note(FaultKind::kMissingSection, kDataFile, line,
               "סעיפי מס הכנסה לא מוגדרים בכל הכרטיסים", "");
          break;
        default:
          dealer.back() = static_cast<char>('0' + (dealer.back() - '0' + 1) % 10);
          Note(FaultKind::kAccountDealer, kDataFile, line, "בכרטיס " + a.key + " מס. עוסק לא תקין",
               dealer);
          break;
      }
    }
    w.Reset();
    w.SetDigits(1401, line)
        .SetText(1402, business_dealer_)
        .SetText(1403, a.key)
        .SetText(1404, a.name)
        .SetText(1405, a.trial_code)
        .SetText(1406, a.trial_name)
        .SetAmount(1414, a.opening)
        .SetAmount(1415, debit)
        .SetAmount(1416, a.credit)
        .SetDigits(1417, section)
        .SetText(1419, dealer)
        .SetAmount(1422, 0);
    if (!a.street.empty()) {
      w.SetText(1407, a.street)
          .SetText(1408, a.house)
          .SetText(1409, a.city)
          .SetText(1410, a.zip)
          .SetText(1411, country)
          .SetText(1412, "IL");
    }
    if (Status status = Emit(w); !status.ok()) return status;
    ++counts_.b110;
  }
  return Status::Ok();
}

Status Generator::WriteItems() {
  RecordWriter w(RecordType::kM100);
  for (const gen::Item& item : chart_.items) {
    w.Reset();
    w.SetDigits(1451, out_->next_line())
        .SetText(1452, business_dealer_)
        .SetText(1453, item.catalogue_number)
        .SetText(1454, item.maker_code)
        .SetTextRight(1455, item.code)
        .SetText(1456, item.description)
        .SetText(1457, item.sort_code)
        .SetText(1458, item.sort_name)
        .SetText(1459, item.unit)
        .SetAmount(1460, item.opening_qty)
        .SetAmount(1461, item.in_qty)
        .SetAmount(1462, item.out_qty)
        .SetDigits(1463, item.cost)
        .SetDigits(1464, item.cost);
    if (Status status = Emit(w); !status.ok()) return status;
    ++counts_.m100;
  }
  return Status::Ok();
}

Status Generator::WriteMovements() {
  if (Audit()) return WriteAuditMovements();
  gen::MovementStream stream(chart_, options_, Count(FaultKind::kUnknownAccount),
                             Count(FaultKind::kUnbalancedBatch));
  std::vector<std::pair<FaultKind, int>> counts;
  for (FaultKind kind : kLineFaults) counts.push_back({kind, Count(kind)});
  const std::vector<SpreadFault> line_faults = Spread(counts, options_.movements);
  std::size_t next_fault = 0;
  const int unknown_accounts = Count(FaultKind::kUnknownAccount);

  RecordWriter w(RecordType::kB100);
  std::string faulty;
  const auto& words = stream.words();
  Movement m;
  while (stream.Next(&m)) {
    const std::int64_t line = out_->next_line();
    const gen::MovementWords& text = words[static_cast<std::size_t>(m.kind)];
    w.Reset();
    w.SetDigits(1351, line)
        .SetText(1352, business_dealer_)
        .SetDigits(1353, m.transaction)
        .SetDigits(1354, m.line)
        .SetDigits(1355, m.batch)
        .SetText(1356, text.type_text)
        .SetText(1361, text.details)
        .SetDate(1362, m.date)
        .SetDate(1363, m.value_date)
        .SetText(1364,
                 m.account >= 0
                     ? std::string_view(chart_.accounts[static_cast<std::size_t>(m.account)].key)
                     : m.unknown_key)
        .SetText(1366, m.credit ? "2" : "1")
        .SetAmount(1368, m.amount)
        .SetAmount(1369, 0)
        .SetAmount(1370, 0)
        .SetDate(1375, m.date)
        .SetText(1376, "user01");
    if (m.reference != 0) {
      w.SetDigits(1357, m.reference).SetDigits(1358, m.reference_type);
    }
    if (m.counter >= 0) w.SetText(1365, chart_.accounts[static_cast<std::size_t>(m.counter)].key);
    if (!w.fitted()) return Emit(w);
    ++counts_.b100;

    if (m.faulty && m.fault == FaultKind::kUnknownAccount) {
      const std::int64_t position = options_.movements - unknown_accounts + m.fault_rank;
      Note(FaultKind::kUnknownAccount, kDataFile, line,
           "בתנועה מספר - " + std::to_string(position) + " המפתח ", std::string(m.unknown_key));
    } else if (m.faulty) {
      Note(FaultKind::kUnbalancedBatch, kDataFile, line, "סה'כ למנה " + std::to_string(m.batch),
           FormatAgorot(m.fault_rank % 2 == 1 ? -1 : 1));
    }

    if (next_fault < line_faults.size() && m.regular && m.index >= line_faults[next_fault].due) {
      const FaultKind kind = line_faults[next_fault++].kind;
      faulty.assign(w.line());
      switch (kind) {
        case FaultKind::kBadLength:
          faulty.push_back(' ');
          Note(kind, kDataFile, line, LineText(line), " אינה באורך חוקי");
          break;
        case FaultKind::kControlCharacter:
          Overwrite(faulty, field::B100(1361), 4, "\t");  // inside the details
          Note(kind, kDataFile, line, LineText(line), " מכילה תוים לא חוקיים");
          break;
        case FaultKind::kBadNumeric:
          Overwrite(faulty, field::B100(1351), field::B100(1351).width - 1, "X");
          Note(kind, kDataFile, line, "תוים לא חוקים בשדה נומרי", AtLine(line));
          break;
        case FaultKind::kBadSign:
          Overwrite(faulty, field::SignOf(field::B100(1370)), 0, " ");
          Note(kind, kDataFile, line, "תוים לא חוקים בשדה סימן", AtLine(line));
          break;
        case FaultKind::kBadDate: {
          const std::string date = std::to_string(m.value_date / 10000) + "13" +
                                   std::to_string(m.value_date % 100 / 10) +
                                   std::to_string(m.value_date % 10);
          Overwrite(faulty, field::B100(1363), 0, date);
          Note(kind, kDataFile, line, "תאריך בערך לא חוקי " + date, AtLine(line));
          break;
        }
        default:
          break;
      }
      out_->Line(faulty);
      if (kind == FaultKind::kUnknownRecord) {
        // The movement stays as it is; a line nobody knows follows it.
        const std::int64_t extra = out_->next_line();
        Overwrite(faulty, kRecordCode, 0, "X100");
        char number[16];
        std::snprintf(number, sizeof number, "%09lld", static_cast<long long>(extra % 1000000000));
        Overwrite(faulty, field::B100(1351), 0, number);
        out_->Line(faulty);
        Note(kind, kDataFile, extra, LineText(extra), " הנה שורה בלתי מזוהה ולא חוקית");
      }
    } else {
      out_->Line(w.line());
    }
  }
  if (next_fault < line_faults.size()) {
    return Status::Refused("too few movements for the requested line faults");
  }
  return Status::Ok();
}

Status Generator::WriteAuditMovements() {
  const gen::AuditWords words(options_.dos_coded);
  const std::vector<gen::PlannedNote>& notes = plan_.notes();
  const std::vector<gen::PlannedTransaction>& transactions = plan_.transactions();
  std::size_t next_note = 0;
  RecordWriter w(RecordType::kB100);
  gen::AuditJournal journal(plan_);
  gen::AuditMovement m;
  while (journal.Next(&m)) {
    const gen::PlannedTransaction& t = transactions[static_cast<std::size_t>(m.transaction)];
    const gen::PlannedLine& movement = m.movement;
    const std::int64_t line = out_->next_line();
    w.Reset();
    w.SetDigits(1351, line)
        .SetText(1352, business_dealer_)
        .SetDigits(1353, t.number)
        .SetDigits(1354, m.line + 1)
        .SetDigits(1355, m.batch)
        .SetText(1356, words.TypeText(t.flow))
        .SetText(1361, words.Details(t, m.line))
        .SetDate(1362, t.date)
        .SetDate(1363, t.date)
        .SetText(1364, chart_.accounts[static_cast<std::size_t>(movement.account)].key)
        .SetText(1365, chart_.accounts[static_cast<std::size_t>(movement.counter)].key)
        .SetText(1366, movement.credit ? "2" : "1")
        .SetAmount(1368, movement.amount)
        .SetAmount(1369, 0)
        .SetAmount(1370, 0)
        .SetDate(1375, t.entry_date)
        .SetText(1376, plan_.operators()[t.operator_index]);
    if (t.reference != 0) w.SetDigits(1357, t.reference).SetDigits(1358, t.document_type);
    if (Status status = Emit(w); !status.ok()) return status;
    ++counts_.b100;

    while (next_note < notes.size() && notes[next_note].transaction < m.transaction) ++next_note;
    for (std::size_t k = next_note; k < notes.size() && notes[k].transaction == m.transaction;
         ++k) {
      const gen::PlannedNote& note = notes[k];
      if (note.line == m.line || note.line == gen::kEveryLine ||
          (note.line == gen::kLastLine && m.line + 1 == m.lines)) {
        Note(note.kind, kDataFile, line, note.message, note.value);
      }
    }
  }
  return Status::Ok();
}

Status Generator::WriteDocuments() {
  if (Audit()) return WriteAuditDocuments();
  std::vector<std::pair<FaultKind, int>> counts;
  for (const FaultInfo& info : Faults()) {
    if (gen::DocumentMaker::IsDocumentFault(info.kind))
      counts.push_back({info.kind, Count(info.kind)});
  }
  const std::vector<SpreadFault> faults = Spread(counts, options_.documents);
  if (static_cast<std::int64_t>(faults.size()) > options_.documents) {
    return Status::Refused("too few documents for the requested document faults");
  }
  gen::DocumentMaker maker(chart_, options_);
  Document document;
  std::size_t next_fault = 0;
  for (std::int64_t i = 0; i < options_.documents; ++i) {
    std::optional<FaultKind> fault;
    // Never fall behind: the remaining faults must fit in the remaining documents.
    if (next_fault < faults.size() &&
        (i >= faults[next_fault].due ||
         options_.documents - i <= static_cast<std::int64_t>(faults.size() - next_fault))) {
      fault = faults[next_fault++].kind;
    }
    maker.Make(i, options_.documents, fault, &document);
    if (Status status = WriteDocument(document); !status.ok()) return status;
  }
  return Status::Ok();
}

// One document a transaction, in the order of the transactions.
Status Generator::WriteAuditDocuments() {
  gen::Random random(options_.seed * 0x9E3779B97F4A7C15ull + 5);
  const std::vector<gen::PlannedNote>& notes = plan_.notes();
  const std::vector<gen::PlannedTransaction>& transactions = plan_.transactions();
  std::size_t next_note = 0;
  Document document;
  for (std::size_t i = 0; i < transactions.size(); ++i) {
    const gen::PlannedTransaction& t = transactions[i];
    if (t.document == 0) continue;
    gen::MakeAuditDocument(plan_, chart_, t, random, &document);
    const std::int64_t header_line = out_->next_line();
    if (Status status = WriteDocument(document); !status.ok()) return status;
    const auto index = static_cast<std::int64_t>(i);
    while (next_note < notes.size() && notes[next_note].transaction < index) ++next_note;
    for (std::size_t k = next_note; k < notes.size() && notes[k].transaction == index; ++k) {
      if (notes[k].line == gen::kDocumentHeader) {
        Note(notes[k].kind, kDataFile, header_line, notes[k].message, notes[k].value);
      }
    }
  }
  return Status::Ok();
}

Status Generator::WriteDocument(const Document& d) {
  const Account& customer = chart_.accounts[static_cast<std::size_t>(d.customer)];
  const std::int64_t header_line = out_->next_line();
  const std::int64_t link = header_line % 10000000;
  RecordWriter c(RecordType::kC100);
  c.SetDigits(1201, header_line)
      .SetText(1202, business_dealer_)
      .SetDigits(1203, d.type)
      .SetDigits(1204, d.number)
      .SetDate(1205, d.produced != 0 ? d.produced : d.date)
      .SetDigits(1206, d.time)
      .SetText(1207, customer.name)
      .SetText(1208, customer.street)
      .SetText(1209, customer.house)
      .SetText(1210, customer.city)
      .SetText(1211, customer.zip)
      .SetText(1213, "IL")
      .SetText(1214, customer.phone)
      .SetText(1215, d.dealer)
      .SetDate(1216, d.date)
      .SetAmount(1217, 0)
      .SetAmount(1219, d.before)
      .SetAmount(1220, d.discount)
      .SetAmount(1221, d.after)
      .SetAmount(1222, d.vat)
      .SetAmount(1223, d.total)
      .SetAmount(1224, 0)
      .SetText(1225, KeyOf(d))
      .SetDate(1230, d.date)
      .SetText(1233, d.operator_name.empty() ? "user01" : d.operator_name);
  if (d.cancelled) c.SetText(1228, "1");
  if (Status status = Emit(c); !status.ok()) return status;
  ++counts_.c100;

  if (d.fault) {
    switch (*d.fault) {
      case FaultKind::kDocumentArithmetic:
        Note(*d.fault, kDataFile, header_line, "סיכום מחיר בסיס והנחה לא תקין", Caption(d));
        break;
      case FaultKind::kVat:
        Note(*d.fault, kDataFile, header_line, " אין התאמה בין המע'מ בסיכום לתנועות", Caption(d));
        break;
      case FaultKind::kUnknownCustomer:
        Note(*d.fault, kDataFile, header_line, "מפתח התעודה אינו קיים באינדקס", Caption(d));
        break;
      case FaultKind::kDocumentDealer:
        Note(*d.fault, kDataFile, header_line, "מספר העוסק אינו תקין/לא מוגדר", Caption(d));
        break;
      default:
        break;
    }
  }

  RecordWriter l(RecordType::kD110);
  int number = 0;
  for (const gen::DocumentLine& line : d.lines) {
    ++number;
    const std::int64_t at = out_->next_line();
    const gen::Item* item =
        line.item >= 0 ? &chart_.items[static_cast<std::size_t>(line.item)] : nullptr;
    const std::string_view code =
        item != nullptr ? std::string_view(item->code) : line.unknown_code;
    l.Reset();
    l.SetDigits(1251, at)
        .SetText(1252, business_dealer_)
        .SetDigits(1253, d.type)
        .SetDigits(1254, d.number)
        .SetDigits(1255, number)
        .SetDigits(1256, 0)
        .SetDigits(1257, 0)
        .SetText(1258, code.substr(0, 3) == "300" ? "1" : "2")
        .SetTextRight(1259, code)
        .SetText(1260, item != nullptr ? std::string_view(item->description)
                                       : chart_.items.front().description)
        .SetText(1263, item != nullptr ? std::string_view(item->unit) : chart_.items.front().unit)
        .SetAmount(1264, line.quantity)
        .SetAmount(1265, line.price)
        .SetAmount(1266, line.discount)
        .SetAmount(1267, line.total)
        .SetDigits(1268, line.vat_rate)
        .SetDate(1272, d.date)
        .SetDigits(1273, link);
    if (Status status = Emit(l); !status.ok()) return status;
    ++counts_.d110;
    if (d.fault && number == d.fault_line) {
      if (*d.fault == FaultKind::kPriceQuantity) {
        Note(*d.fault, kDataFile, at,
             "בשורה מס. " + std::to_string(number) + " סיכום לא נכון מחיר/כמות דיוק 50.00%",
             Caption(d));
      } else if (*d.fault == FaultKind::kUnknownItem) {
        Note(*d.fault, kDataFile, at, "מקט " + line.unknown_code + " אינו מופיע ברשימת הפריטים",
             Caption(d));
      }
    }
  }

  static constexpr std::string_view kCardNames[] = {
      "", "ישראכרט", "ויזה כאל", "דיינרס", "אמריקן אקספרס", "", "לאומי קארד"};
  RecordWriter r(RecordType::kD120);
  number = 0;
  for (const gen::ReceiptLine& line : d.receipts) {
    ++number;
    const std::int64_t at = out_->next_line();
    r.Reset();
    r.SetDigits(1301, at)
        .SetText(1302, business_dealer_)
        .SetDigits(1303, d.type)
        .SetDigits(1304, d.number)
        .SetDigits(1305, number)
        .SetDigits(1306, line.means)
        .SetDigits(1307, line.bank.bank)
        .SetDigits(1308, line.bank.branch)
        .SetDigits(1309, line.bank.account)
        .SetDigits(1310, line.cheque)
        .SetDate(1311, line.due_date)
        .SetAmount(1312, line.amount)
        .SetDigits(1313, line.card_company)
        .SetDigits(1315, line.deal_kind)
        .SetDigits(1320, 0)
        .SetDate(1322, d.date)
        .SetDigits(1323, link);
    if (line.card_company > 0) {
      r.SetText(1314, gen::FileText(kCardNames[line.card_company], options_.dos_coded));
    }
    if (Status status = Emit(r); !status.ok()) return status;
    ++counts_.d120;
    if (d.fault && number == d.fault_line) {
      const std::string at_line = "בשורה מס. " + std::to_string(number);
      switch (*d.fault) {
        case FaultKind::kReceiptSum:
          Note(*d.fault, kDataFile, at, " אין התאמה בין תנועות הקבלה לסיכום", Caption(d));
          break;
        case FaultKind::kMissingCheque:
          Note(*d.fault, kDataFile, at, at_line + " לא מצויינת מספר ההמחאה", Caption(d));
          break;
        case FaultKind::kBadBankAccount:
          Note(*d.fault, kDataFile, at, at_line + " פרטי הבנק המוגדרים אינם נכונים", Caption(d));
          break;
        default:
          break;
      }
    }
  }
  return Status::Ok();
}

void Generator::WriteZ900() {
  const std::int64_t line = out_->next_line();
  std::int64_t total = line;
  if (Count(FaultKind::kZ900Total) > 0) {
    ++total;
    Note(FaultKind::kZ900Total, kDataFile, line,
         "אין התאמה בין מספר הרשומות בפועל (" + FormatCount(line) + ")",
         "לרשומת הסיכום (" + FormatCount(total) + ")");
  }
  RecordWriter z(RecordType::kZ900);
  z.SetDigits(1151, line)
      .SetText(1152, business_dealer_)
      .SetText(1153, chart_.business.primary_id)
      .SetText(1154, kVersionMark)
      .SetDigits(1155, total);
  out_->Line(z.line());
}

// The index and movement totals as the checks add them up; a shift of an account total
// that no second fault balances shows in them, and is listed with that account's fault.
void Generator::NoteWholeFileFindings() {
  std::int64_t index_debit = 0, index_credit = 0;
  for (std::size_t i = 0; i < chart_.accounts.size(); ++i) {
    const Account& a = chart_.accounts[i];
    std::int64_t debit = a.debit;
    if (account_fault_[i] == FaultKind::kAccountTotals) {
      debit += account_fault_rank_[i] % 2 == 1 ? kAccountTotalsShift : -kAccountTotalsShift;
    }
    (a.opening < 0 ? index_credit : index_debit) += a.opening < 0 ? -a.opening : a.opening;
    index_debit += debit;
    index_credit += a.credit;
  }
  const std::int64_t line = unpaired_totals_line_;
  const FaultKind kind = FaultKind::kAccountTotals;
  if (std::llabs(index_debit - index_credit) > 99) {
    Note(kind, kDataFile, line, "קיים חוסר איזון בסכומי האינדקס בסך של - ",
         FormatAgorot(index_debit - index_credit));
  }
  if (std::llabs(index_debit - movement_debit_) > 99) {
    Note(kind, kDataFile, line, "סכומי החובה באינדקס", FormatAgorot(index_debit));
  }
  if (std::llabs(index_credit - movement_credit_) > 99) {
    Note(kind, kDataFile, line, "סכומי הזכות באינדקס", FormatAgorot(index_credit));
  }
}

Status Generator::WriteData(const std::filesystem::path& folder) {
  std::unique_ptr<gen::ByteSink> sink;
  if (options_.zip) {
    const bool large = options_.movements > 5000000;
    sink = gen::OpenZipSink(folder / "BKMVDATA.ZIP", kDataFile, production_date_, large);
  } else {
    sink = gen::OpenFileSink(folder / kDataFile);
  }
  if (sink == nullptr) return Status::IoError("cannot create the data file in " + folder.string());
  gen::LineWriter out(sink.get());
  out_ = &out;
  WriteA100();
  Status status = WriteAccounts();
  if (status.ok()) status = WriteItems();
  if (status.ok()) status = WriteMovements();
  if (status.ok()) status = WriteDocuments();
  if (status.ok()) WriteZ900();
  const Status finished = out.Finish(std::string(kDataFile));
  out_ = nullptr;
  if (!status.ok()) return status;
  if (!finished.ok()) return finished;
  result_->data_lines = out.lines();
  result_->data_bytes = out.bytes();
  NoteWholeFileFindings();
  return Status::Ok();
}

Status Generator::WriteIni(const std::filesystem::path& folder) {
  std::unique_ptr<gen::ByteSink> sink = gen::OpenFileSink(folder / kIniFile);
  if (sink == nullptr) return Status::IoError("cannot create INI.TXT in " + folder.string());
  gen::LineWriter out(sink.get());
  const bool dos = options_.dos_coded;
  std::int64_t stated_total = result_->data_lines;
  if (Count(FaultKind::kIniTotal) > 0) {
    ++stated_total;
    Note(FaultKind::kIniTotal, kIniFile, 1,
         "אין התאמה בין מספר הרשומות בפועל (" + FormatCount(result_->data_lines) + ")",
         "למספר רשומות הסיכום (" + FormatCount(stated_total) + ")");
  }
  RecordWriter a(RecordType::kA000);
  a.SetDigits(1002, stated_total)
      .SetText(1003, business_dealer_)
      .SetText(1004, chart_.business.primary_id)
      .SetText(1005, kVersionMark)
      .SetDigits(1006, 10234567)
      .SetText(1007, "TALLYSCAN-GEN")
      .SetText(1008, "1.0")
      .SetText(1009, business_dealer_)
      .SetText(1010, gen::FileText("טליסקן", dos))
      .SetText(1011, "1")
      .SetText(1012,
               "C:\\OPENFRMT\\" + business_dealer_.substr(0, 8) + "." + std::to_string(year_ % 100))
      .SetText(1013, "2")
      .SetText(1014, "1")
      .SetText(1015, business_dealer_)
      .SetText(1016, business_dealer_)
      .SetText(1018, chart_.business.name)
      .SetText(1019, chart_.business.street)
      .SetText(1020, chart_.business.house)
      .SetText(1021, chart_.business.city)
      .SetDigits(1022, chart_.business.postal_code)
      .SetDigits(1023, year_)
      .SetDate(1024, year_ * 10000 + 101)
      .SetDate(1025, year_ * 10000 + 1231)
      .SetDate(1026, production_date_)
      .SetDigits(1027, 1030)
      .SetText(1028, "0")
      .SetText(1029, dos ? "2" : "1")
      .SetText(1030, options_.zip ? "ZIP" : "")
      .SetText(1032, "ILS")
      .SetText(1034, "0");
  if (!a.fitted()) return Status::Refused("a value does not fit its field in the A000 line");
  out.Line(a.line());

  struct Summary {
    std::string_view code;
    std::int64_t count;
  };
  const Summary summaries[] = {{"A100", 1},
                               {"B100", counts_.b100},
                               {"B110", counts_.b110},
                               {"C100", counts_.c100},
                               {"D110", counts_.d110},
                               {"D120", counts_.d120},
                               {"M100", counts_.m100},
                               {"Z900", 1}};
  int type_faults = Count(FaultKind::kIniTypeCount);
  for (const Summary& summary : summaries) {
    std::int64_t stated = summary.count;
    const bool countable = summary.code != "A100" && summary.code != "Z900";
    if (type_faults > 0 && countable && summary.count > 0) {
      --type_faults;
      ++stated;
      Note(FaultKind::kIniTypeCount, kIniFile, out.next_line(),
           "רשומות " + std::string(summary.code) + " - חוסר התאמה (" + FormatCount(summary.count) +
               ")",
           "למספר רשומות הסיכום (" + FormatCount(stated) + ")");
    }
    char line[32];
    std::snprintf(line, sizeof line, "%.4s%015lld", summary.code.data(),
                  static_cast<long long>(stated));
    out.Line(line);
  }
  if (type_faults > 0) return Status::Refused("too few record types for the ini-type-count faults");
  return out.Finish(std::string(kIniFile));
}

Status Generator::WriteManifest(const std::filesystem::path& folder) {
  std::unique_ptr<gen::ByteSink> sink = gen::OpenFileSink(folder / kManifestFileName);
  if (sink == nullptr) return Status::IoError("cannot create the manifest in " + folder.string());
  std::string text = "fault\tfile\tline\tmessage\tvalue\n";
  for (const ManifestEntry& entry : result_->manifest) {
    text.append(ManifestName(entry.kind)).append("\t").append(entry.file).append("\t");
    text.append(std::to_string(entry.line)).append("\t").append(entry.message);
    text.append("\t").append(entry.value).append("\n");
  }
  const bool written = sink->Write(text);
  if (!sink->Close() || !written) return Status::IoError("cannot write the manifest");
  return Status::Ok();
}

Status Generator::Run(const std::filesystem::path& folder) {
  if (Status status = Validate(); !status.ok()) return status;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return Status::IoError("cannot create " + folder.string() + ": " + error.message());
  // A set holds one form of the data file; a stale one of the other form would be read.
  std::filesystem::remove(folder / (options_.zip ? "BKMVDATA.TXT" : "BKMVDATA.ZIP"), error);

  year_ = options_.tax_year;
  production_date_ = (year_ + 1) * 10000 + 115;
  gen::Random random(options_.seed);
  chart_ = gen::BuildChart(options_.accounts, options_.items, options_.dos_coded, random);
  business_dealer_ = chart_.business.dealer;
  if (Audit()) {
    if (Status status = plan_.Make(chart_, options_); !status.ok()) return status;
  }

  if (Status status = TotalAccounts(); !status.ok()) return status;
  if (Status status = PlanAccountFaults(); !status.ok()) return status;
  if (Status status = WriteData(folder); !status.ok()) return status;
  if (Status status = WriteIni(folder); !status.ok()) return status;
  return WriteManifest(folder);
}

}  // namespace

Status GenerateDataSet(const DataSetOptions& options, const std::filesystem::path& folder,
                       GeneratedDataSet* result) {
  *result = GeneratedDataSet();
  Generator generator(options, result);
  return generator.Run(folder);
}

}  // namespace tallyscan
