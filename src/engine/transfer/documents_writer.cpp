// The documents: each transferred type into its file (24.Hs1 …), a "T" record followed by
// its lines "I" and its payments "E", the "T" records indexed by the file's index (24.Hsx …).
// A file that holds documents already is refused, except the supplier documents (600, 700),
// which are added to it; a document whose type and number the file holds already is skipped.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "engine/text/text.h"
#include "engine/transfer/record_files.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

// The VAT rate of the product's parameters in the target folder; the default without them.
std::int32_t VatRateOf(const TransferRun& run) {
  const std::string path = run.Target(kParametersExtension);
  if (FileSize(path) < kParameterRecordSize) return kDefaultVatRate;
  std::ifstream in(path, std::ios::binary);
  TargetRecord parameters(kParameterRecordSize);
  if (!in.read(reinterpret_cast<char*>(parameters.bytes().data()),
               static_cast<std::streamsize>(kParameterRecordSize))) {
    return kDefaultVatRate;
  }
  return static_cast<std::int32_t>(parameters.NumberAt(target::Parameters("VAT rate")));
}

// One document type's place in its file.
struct TypeFile {
  const TransferredDocumentType& type;
  char code[4];        // "305"
  std::uint32_t held;  // records the file held before the transfer
  RecordFile& data;
  std::string index;
  DocumentCounts& counts;
};

class DocumentsWriter {
 public:
  explicit DocumentsWriter(TransferRun& run) : run_(run), rm_(run.records()) {}

  Status Run();

 private:
  Status OpenAccounts();
  Status WriteType(const TransferredDocumentType& type, bool held);
  Status WriteDocument(TypeFile& file, const IndexEntry& document);
  Status AlreadyHeld(const TypeFile& file, const std::string& key, bool& held);
  Status CustomerOf(std::string_view key, std::int32_t& customer);
  void FillHead(const TypeFile& file, std::string_view line, const std::string& number,
                std::int32_t customer, ElementRange lines, ElementRange payments);
  void WriteLines(TypeFile& file, const std::string& number, ElementRange lines);
  void WritePayments(TypeFile& file, const std::string& number, ElementRange payments);

  TransferRun& run_;
  RecordManager& rm_;
  std::int32_t vat_rate_ = kDefaultVatRate;
  std::string accounts_index_;
  bool have_accounts_ = false;
  std::map<std::string, DocumentCounts> counts_;
  TargetRecord record_{kDocumentRecordSize};
};

// The accounts file for finding a customer's account: the staged one, else the target's.
Status DocumentsWriter::OpenAccounts() {
  accounts_index_ = run_.Staged(kAccountIndexExtension);
  const bool staged = std::filesystem::exists(accounts_index_);
  if (!staged) accounts_index_ = run_.Target(kAccountIndexExtension);
  have_accounts_ = FileSize(accounts_index_) > 0;
  if (!have_accounts_) return Status::Ok();
  if (Status s = FromIsam(rm_.OpenDb(accounts_index_, kAccountsFileNumber, kAccountsKeys),
                          accounts_index_);
      !s.ok() || !staged) {
    return s;
  }
  // No other program sees the staged copy: it is locked once for every customer looked up,
  // not once per look-up. The target's own file is left to each call, since the product may
  // read it meanwhile. CloseDb releases the lock.
  return FromIsam(rm_.DbLock(kAccountsFileNumber, 0), accounts_index_);
}

Status DocumentsWriter::Run() {
  // Which document files held data is decided once, before any type is written.
  std::map<std::string, bool, std::less<>> held;
  for (const TransferredDocumentType& t : TransferredDocumentTypes()) {
    held.emplace(std::string(t.extension), run_.TargetHoldsData(t.extension));
  }
  vat_rate_ = VatRateOf(run_);
  if (Status s = OpenAccounts(); !s.ok()) return s;
  Status failure;
  for (const TransferredDocumentType& type : TransferredDocumentTypes()) {
    if (!failure.ok() || run_.stopped()) break;
    failure = WriteType(type, held[std::string(type.extension)]);
  }
  if (have_accounts_) {
    const Status closed = FromIsam(rm_.CloseDb(kAccountsFileNumber), accounts_index_);
    if (failure.ok()) failure = closed;
  }
  if (!failure.ok() || run_.stopped() || counts_.empty()) return failure;
  return WriteSummary(run_, counts_);
}

Status DocumentsWriter::WriteType(const TransferredDocumentType& type, bool held) {
  run_.Step("קליטת " + std::string(type.title));
  char code[4];
  std::snprintf(code, sizeof code, "%03d", type.code);
  // A type the data set does not have is neither written nor refused.
  const ElementRange range = PrefixRange(run_.store().DocumentIndex, code);
  if (range.empty()) return Status::Ok();
  if (held && type.code != 600 && type.code != 700) {
    run_.Refuse("קיימות כבר תעודות בקובץ " + std::string(type.title) + std::string(kNewLine) +
                "העברת התעודות לא תתבצע");
    return Status::Ok();
  }
  const std::string index_extension = DocumentIndexExtension(type.extension);
  if (Status s = run_.Stage(type.extension); !s.ok()) return s;
  if (Status s = run_.Stage(index_extension); !s.ok()) return s;
  RecordFile data(kDocumentRecordSize, run_.calls());
  if (Status s = data.Open(run_.Staged(type.extension)); !s.ok()) return s;
  const std::string index = run_.Staged(index_extension);
  if (Status s = FromIsam(
          rm_.OpenDb(index, kDocumentsFileNumber, kDocumentsKeys, IsamOpenMode::kBulk), index);
      !s.ok()) {
    return s;
  }
  const auto held_records = static_cast<std::uint32_t>(
      held ? FileSize(run_.Target(type.extension)) / kDocumentRecordSize : 0);
  TypeFile file{type, {}, held_records, data, index, counts_[std::string(type.extension)]};
  std::memcpy(file.code, code, sizeof code);
  Status failure;
  for (std::int64_t e = range.first; e < range.last && failure.ok(); ++e) {
    failure = WriteDocument(file, run_.store().DocumentIndex[e]);
    if (failure.ok() && !run_.Tick()) break;
  }
  const Status closed = FromIsam(rm_.CloseDb(kDocumentsFileNumber), index);
  const Status data_closed = data.Close();
  if (!failure.ok()) return failure;
  return closed.ok() ? data_closed : closed;
}

Status DocumentsWriter::WriteDocument(TypeFile& file, const IndexEntry& document) {
  const RecordStore& store = run_.store();
  const std::string line(run_.Line(document.Offset, RecordType::kC100));
  const std::string number(TrimSpaces(SliceField(line, field::C100(1204))));
  // Document numbers are keyed without their leading zeros, as the product numbers them.
  const std::string_view bare = StripLeadingBlanksAndZeros(number);
  const std::string type_and_number = std::string(file.code) + RightAligned(bare, 14);
  bool held = false;
  if (Status s = AlreadyHeld(file, type_and_number, held); !s.ok() || held) {
    if (held) ++file.counts.skipped;
    return s;
  }
  std::int32_t customer = 0;
  if (Status s = CustomerOf(SliceField(line, field::C100(1225)), customer); !s.ok()) return s;
  const ElementRange lines = EqualRange(store.DocumentLineIndex, document.KeyView());
  const ElementRange payments = EqualRange(store.ReceiptLineIndex, ReceiptLineKeyOf(document));
  FillHead(file, line, number, customer, lines, payments);
  const std::uint32_t at = file.data.Append(record_.bytes());
  WriteLines(file, number, lines);
  WritePayments(file, number, payments);
  KeyBlock keys;
  keys.Set(1, type_and_number);
  keys.Set(2, NumberKey(customer));
  keys.Set(3, std::string(TrimSpaces(SliceField(line, field::C100(1230)))) + file.code +
                  RightAligned(bare, 6));
  keys.SetRecord(at);
  if (Status s = FromIsam(rm_.DbInsert(kDocumentsFileNumber, keys.View()), file.index); !s.ok()) {
    return s;
  }
  ++file.counts.documents;
  return Status::Ok();
}

// Whether the file held, before the transfer, a document of this type and number.
Status DocumentsWriter::AlreadyHeld(const TypeFile& file, const std::string& key, bool& held) {
  held = false;
  if (file.held == 0) return Status::Ok();
  IsamEntry found;
  std::memcpy(found.key.data(), KeyText(key).data(), kIsamKeyLength);
  std::uint32_t node = 0;
  int slot = 0;
  const IsamStatus match = rm_.GetMatch(kDocumentsFileNumber, 1, found, node, slot);
  if (match == IsamStatus::kNotFound) return Status::Ok();
  held = match == IsamStatus::kOk && found.pointer <= file.held;
  return FromIsam(match, file.index);
}

// The customer's account number when the accounts file has it, else 0.
Status DocumentsWriter::CustomerOf(std::string_view key, std::int32_t& customer) {
  customer = run_.AccountNumberOfKey(key);
  if (customer == 0 || !have_accounts_) {
    customer = 0;
    return Status::Ok();
  }
  IsamEntry found;
  const std::string number_key = NumberKey(customer);
  std::memcpy(found.key.data(), number_key.data(), kIsamKeyLength);
  int selector = 1;
  if (Status s = FromIsam(rm_.Search(kAccountsFileNumber, found, selector), accounts_index_);
      !s.ok()) {
    return s;
  }
  if (selector != 0) customer = 0;
  return Status::Ok();
}

void DocumentsWriter::FillHead(const TypeFile& file, std::string_view line,
                               const std::string& number, std::int32_t customer, ElementRange lines,
                               ElementRange payments) {
  const auto f = [&](Positions p) { return SliceField(line, p); };
  const auto text = [&](const TargetField& field, Positions p) {
    record_.Text(field, run_.Text(field, f(p)));
  };
  record_.Fill(' ');
  record_.Text(target::Document("mark"), std::string(1, kDocumentMark));
  record_.Number(target::Document("document type"), file.type.code);
  record_.Text(target::Document("document number"), number);
  record_.Text(target::Document("document date"), TargetDate(f(field::C100(1230))));
  record_.Text(target::Document("production date"), TargetDate(f(field::C100(1205))));
  record_.Text(target::Document("production time"), FormatTime(f(field::C100(1206))));
  text(target::Document("customer name"), field::C100(1207));
  text(target::Document("street"), field::C100(1208));
  text(target::Document("house number"), field::C100(1209));
  text(target::Document("city"), field::C100(1210));
  text(target::Document("postal code"), field::C100(1211));
  record_.Text(target::Document("phone"), TrimSpaces(f(field::C100(1214))));
  record_.Text(target::Document("value date"), TargetDate(f(field::C100(1216))));
  record_.Number(target::Document("amount before discount"), ReadAmount(f(field::C100(1219))));
  record_.Number(target::Document("discount"), ReadAmount(f(field::C100(1220))));
  record_.Number(target::Document("VAT"), ReadAmount(f(field::C100(1222))));
  record_.Number(target::Document("amount with VAT"), ReadAmount(f(field::C100(1223))));
  record_.Number(target::Document("withholding tax"), ReadAmount(f(field::C100(1224))));
  record_.Number(target::Document("customer account number"), customer);
  record_.Text(target::Document("customer key"), TrimSpaces(f(field::C100(1225))));
  record_.Text(target::Document("producing user"), TrimSpaces(f(field::C100(1233))));
  record_.Number(target::Document("VAT rate"), vat_rate_);
  record_.Number(target::Document("lines"), lines.size());
  record_.Number(target::Document("payments"), payments.size());
}

void DocumentsWriter::WriteLines(TypeFile& file, const std::string& number, ElementRange lines) {
  for (std::int64_t l = lines.first; l < lines.last; ++l) {
    const std::string_view d =
        run_.Line(run_.store().DocumentLineIndex[l].Offset, RecordType::kD110);
    const auto g = [&](Positions p) { return SliceField(d, p); };
    const auto text = [&](const TargetField& field, Positions p) {
      record_.Text(field, run_.Text(field, g(p)));
    };
    record_.Fill(' ');
    record_.Text(target::Line("mark"), std::string(1, kLineMark));
    record_.Number(target::Line("document type"), file.type.code);
    record_.Text(target::Line("document number"), number);
    record_.Number(target::Line("line number"), NumberOf(g(field::D110(1255))));
    text(target::Line("catalogue number"), field::D110(1259));
    text(target::Line("description"), field::D110(1260));
    record_.Text(target::Line("serial number"), TrimSpaces(g(field::D110(1262))));
    text(target::Line("unit"), field::D110(1263));
    record_.Number(target::Line("quantity"), ReadAmount(g(field::D110(1264))));
    record_.Number(target::Line("unit price"), ReadAmount(g(field::D110(1265))));
    record_.Number(target::Line("discount"), ReadAmount(g(field::D110(1266))));
    file.data.Append(record_.bytes());
    ++file.counts.lines;
  }
}

void DocumentsWriter::WritePayments(TypeFile& file, const std::string& number,
                                    ElementRange payments) {
  for (std::int64_t p = payments.first; p < payments.last; ++p) {
    const std::string_view d =
        run_.Line(run_.store().ReceiptLineIndex[p].Offset, RecordType::kD120);
    const auto g = [&](Positions q) { return SliceField(d, q); };
    const auto key = [&](Positions q) { return TrimSpaces(StripLeadingBlanksAndZeros(g(q))); };
    record_.Fill(' ');
    record_.Text(target::Payment("mark"), std::string(1, kPaymentMark));
    record_.Number(target::Payment("document type"), file.type.code);
    record_.Text(target::Payment("document number"), number);
    record_.Number(target::Payment("line number"), NumberOf(g(field::D120(1305))));
    record_.Text(target::Payment("payment type"), g(field::D120(1306)));
    record_.Text(target::Payment("cheque number"), key(field::D120(1310)));
    record_.Text(target::Payment("bank account"), key(field::D120(1309)));
    record_.Text(target::Payment("branch"), key(field::D120(1308)));
    record_.Text(target::Payment("bank"), key(field::D120(1307)));
    record_.Text(target::Payment("card company"), g(field::D120(1313)));
    record_.Text(target::Payment("due date"), TargetDate(g(field::D120(1311))));
    record_.Number(target::Payment("amount"), ReadAmount(g(field::D120(1312))));
    file.data.Append(record_.bytes());
    ++file.counts.payments;
  }
}

}  // namespace

Status WriteDocuments(TransferRun& run) { return DocumentsWriter(run).Run(); }

}  // namespace tallyscan
