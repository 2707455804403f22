#include "engine/checks/document_checks.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <utility>

#include "engine/checks/bank_account.h"
#include "engine/checks/dealer_number.h"
#include "engine/checks/record_facts.h"
#include "engine/checks/result_rows.h"
#include "engine/checks/sums.h"
#include "engine/text/text.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::checks {
namespace {

constexpr double kMaxDeviation = 2;  // percent

constexpr std::string_view kNoLines = "לא נמצאו תנועות מתאימות לתעודה זו";
constexpr std::string_view kRepeatedHeader = "כותרת חוזרת של תעודה זו - שורותיה נבדקו פעם אחת";

// Whether a computed value is off its expected value: beyond the tolerance and, unless the
// expected value is 0, by more than the allowed share of it. `by_size` compares sizes
// only, as the price x quantity test does: a line total signed the other way from its
// price x quantity is not off for that alone, and its accuracy reads 100.00%.
bool Deviates(double expected, double actual, bool by_size = false) {
  if (std::fabs(actual - expected) <= static_cast<double>(kBalanceTolerance)) return false;
  if (expected == 0) return true;
  const double share = actual / expected * 100;
  return std::fabs(100 - (by_size ? std::fabs(share) : share)) > kMaxDeviation;
}

std::string Percent(double value) { return FormatNumber("#.00", value); }

// The rows of one document: its caption goes before its first row, once. The caption and
// the findings about the document as a whole refer to its header line; a finding about one
// of its lines refers to that line.
class DocumentRows {
 public:
  DocumentRows(CheckRun& run, std::string caption, std::int64_t header_offset)
      : run_(run), caption_(std::move(caption)), header_{RecordType::kC100, header_offset} {}

  void Error(const CheckCells& cells) { Error(header_, cells); }
  void Error(const RecordReference& record, const CheckCells& cells) {
    if (!caption_written_) {
      run_.Append(caption_, header_);
      caption_written_ = true;
    }
    run_.Append(CheckRow(RowStatus::kError, cells), record);
    run_.ShowRows();
  }

 private:
  CheckRun& run_;
  std::string caption_;
  RecordReference header_;
  bool caption_written_ = false;
};

std::string Caption(std::string_view type, std::string_view number) {
  return CheckRow(RowStatus::kError, {.text = "בעיה ב " + DocumentDescription(type, number)});
}

// The summary amounts of a document header (C100), with what else the pass knows of it.
using Summary = DocumentFact;

class DocumentPass {
 public:
  explicit DocumentPass(CheckRun& run) : run_(run), store_(run.store()) {}

  void Run();

 private:
  bool Ticked(DocumentItem item) const { return run_.ticks().Ticked(item); }

  // Each returns false when a stop ended it part way.
  void CheckSummary(const Summary& summary, DocumentRows& rows);
  bool CheckLines(const IndexEntry& document, const Summary& summary, DocumentRows& rows);
  bool CheckReceipts(const IndexEntry& document, const Summary& summary, DocumentRows& rows);
  void CheckCustomer(std::string_view type, const IndexEntry& document, const Summary& summary,
                     DocumentRows& rows);
  void CheckDealer(std::string_view type, const IndexEntry& document, const Summary& summary,
                   DocumentRows& rows);
  // A record's line read back, for a row that quotes a text of it.
  std::string_view LineOf(const RecordReference& record) {
    return run_.reader().Line(record.offset, record.type, line_scratch_);
  }

  CheckRun& run_;
  const RecordStore& store_;
  DocumentFacts facts_;
  std::int64_t missing_dealers_ = 0;
  std::string line_scratch_;  // the line a row quotes
};

void DocumentPass::Run() {
  run_.BeginCheck(kDocumentPassTitle);
  run_.Append(HeadingRow(kDocumentPassTitle));
  run_.ShowRows();

  const bool read_lines =
      Ticked(DocumentItem::kLineTotals) || Ticked(DocumentItem::kLinesAgainstSummary);
  const auto& documents = store_.DocumentIndex;
  // Stopped while the documents were read: the pass closes as before its first document.
  std::optional<DocumentFacts> taken = run_.facts().TakeDocuments(run_);
  if (taken) facts_ = std::move(*taken);
  const std::int64_t count = taken ? documents.Count() : 0;
  RecordLoop loop(run_, count);
  for (std::int64_t i = 1; i <= count; ++i) {
    if (loop.Stop(i)) break;
    const IndexEntry& document = documents[i];
    const std::string_view type = document.Part(kKeyDocumentType);
    DocumentRows rows(run_, Caption(type, document.Part(kKeyDocumentNumber)), document.Offset);
    const Summary& summary = facts_.documents[static_cast<std::size_t>(i - 1)];

    // Receipts (400-499) have no summary arithmetic of their own.
    const bool receipt = type >= "400" && type <= "499";
    if (Ticked(DocumentItem::kSummaries) && !receipt) CheckSummary(summary, rows);
    // Headers are in key order, so the copies of one document key follow each other: its
    // lines are checked for the first copy only, and each further copy says it is one, so
    // that the rows grow with the file, not with copies times lines.
    const bool repeated = i > 1 && documents[i - 1].KeyView() == document.KeyView();
    if (read_lines && repeated) {
      rows.Error({.text = kRepeatedHeader});
    } else if (read_lines) {
      bool completed = true;
      if (receipt) {
        completed = CheckReceipts(document, summary, rows);
      } else if (type == "320") {  // an invoice-receipt has both kinds of lines
        completed = CheckLines(document, summary, rows) && CheckReceipts(document, summary, rows);
      } else if (type >= "100" && type <= "799") {
        completed = CheckLines(document, summary, rows);
      }
      if (!completed) break;
    }
    if (Ticked(DocumentItem::kCustomerKey)) CheckCustomer(type, document, summary, rows);
    if (Ticked(DocumentItem::kDealerNumbers)) CheckDealer(type, document, summary, rows);
  }

  if (Ticked(DocumentItem::kDealerNumbers) && missing_dealers_ != 0) {
    run_.Append(CheckRow(RowStatus::kError, {.text = "ב " + PlainNumber(missing_dealers_) +
                                                     " תעודות לא מוגדר מספר עוסק"}));
  }
  run_.Append(CheckRow(RowStatus::kInfo, {.text = "סיום בדיקת תעודות"}));
  run_.ShowRows();
}

void DocumentPass::CheckSummary(const Summary& s, DocumentRows& rows) {
  if (Beyond(s.before + s.discount - s.after, kBalanceTolerance)) {
    rows.Error({.text = "סיכום מחיר בסיס והנחה לא תקין",
                .debit = Credit(s.before),
                .credit = Credit(s.discount),
                .balance = Amount(s.after)});
  }
  if (Beyond(s.after + s.vat - s.total, kBalanceTolerance)) {
    rows.Error({.text = "סיכום מחיר + מע'מ אינו תקין",
                .debit = Debit(s.after),
                .credit = Credit(s.vat),
                .balance = Amount(s.total)});
  }
}

bool DocumentPass::CheckLines(const IndexEntry& document, const Summary& summary,
                              DocumentRows& rows) {
  // Document lines keep positions 23-45 as they stand, as the header's key does.
  const ElementRange range = EqualRange(store_.DocumentLineIndex, document.KeyView());
  if (range.empty()) {
    rows.Error({.text = kNoLines});
    return true;
  }

  double lines_sum = 0;
  double exempt_sum = 0;
  for (std::int64_t m = range.first; m < range.last; ++m) {
    if (run_.PollStop()) return false;
    const RecordReference at{RecordType::kD110, store_.DocumentLineIndex[m].Offset};
    const DocumentLineFact& fact = facts_.lines[static_cast<std::size_t>(m - 1)];
    using field::D110;
    std::int64_t quantity = fact.quantity;  // ten-thousandths
    if (quantity == 0) quantity = 10000;    // a line without a quantity counts once
    const std::int64_t price = fact.price;
    const std::int64_t discount = fact.discount;
    const std::int64_t total = fact.total;
    const std::int64_t rate = fact.rate;  // hundredths of a percent

    if (Ticked(DocumentItem::kLineTotals)) {
      const double expected = static_cast<double>(price) * static_cast<double>(quantity) / 10000.0 +
                              static_cast<double>(discount);
      if (Deviates(expected, static_cast<double>(total), /*by_size=*/true)) {
        const double ratio =
            expected == 0 ? 0 : std::fabs(static_cast<double>(total) / expected) * 100;
        rows.Error(at, {.text = "בשורה מס. " + KeyForRow(SliceField(LineOf(at), D110(1255))) +
                                " סיכום לא נכון מחיר/כמות דיוק " + Percent(ratio) + "%",
                        .debit = FormatNumber("#,.0000", quantity, 4) + kDebitMarker,
                        .credit = Credit(price),
                        .balance = Amount(discount)});
      }
    }

    if (rate != 0) run_.last_vat_rate = rate;
    lines_sum += static_cast<double>(total);
    if (rate == 0) exempt_sum += static_cast<double>(total);

    if (Ticked(DocumentItem::kItemCodes) && fact.item_unknown) {
      const std::string_view code = SliceField(LineOf(at), D110(1259));
      rows.Error(at, {.text = "מקט " + SafeCellText(TextDisplay(code, store_.DosCodePage, true)) +
                              " אינו מופיע ברשימת הפריטים"});
    }
  }

  if (Ticked(DocumentItem::kLinesAgainstSummary)) {
    const double lines_vat = LinesVat(lines_sum, exempt_sum, summary.discount, run_.last_vat_rate);
    const auto before = static_cast<double>(summary.before);
    if (DeviatesFromSummary(before, lines_sum)) {
      rows.Error({.text = " אין התאמה בין תנועות המסמך לסיכום",
                  .debit = Debit(summary.before),
                  .credit = Credit(lines_sum),
                  .balance = "דיוק של " + Accuracy(before, lines_sum) + "%" + kCreditMarker});
    }
    const auto vat = static_cast<double>(summary.vat);
    if (DeviatesFromSummary(vat, lines_vat)) {
      rows.Error({.text = " אין התאמה בין המע'מ בסיכום לתנועות",
                  .debit = Debit(summary.vat),
                  .credit = Credit(lines_vat),
                  .balance = "דיוק של " + Accuracy(vat, lines_vat) + "%" + kCreditMarker});
    }
  }
  return true;
}

bool DocumentPass::CheckReceipts(const IndexEntry& document, const Summary& summary,
                                 DocumentRows& rows) {
  // The receipt-line index keeps the document number trimmed and right-aligned; the
  // header's key is looked up in that form.
  const ElementRange range = EqualRange(store_.ReceiptLineIndex, ReceiptLineKeyOf(document));
  if (range.empty()) {
    rows.Error({.text = kNoLines});
    return true;
  }

  AmountSum receipt_sum = 0;
  for (std::int64_t m = range.first; m < range.last; ++m) {
    if (run_.PollStop()) return false;
    const RecordReference at{RecordType::kD120, store_.ReceiptLineIndex[m].Offset};
    const ReceiptLineFact& fact = facts_.receipts[static_cast<std::size_t>(m - 1)];
    receipt_sum += fact.amount;
    if (!fact.cheque) continue;  // only cheques are looked into

    const auto line_number = [&] { return KeyForRow(SliceField(LineOf(at), field::D120(1305))); };
    if (Ticked(DocumentItem::kChequeNumbers) && fact.no_cheque_number) {
      rows.Error(at,
                 {.text = "בשורה מס. " + line_number() + " לא מצויינת מספר ההמחאה", .debit = ""});
    }
    if (Ticked(DocumentItem::kBankDetails)) {
      const std::int64_t bank = fact.bank;
      const std::int64_t branch = fact.branch;
      const std::int64_t account = fact.account;
      const std::string details = "בנק " + PlainNumber(bank) + " סניף " + PlainNumber(branch) +
                                  " חשבון " + PlainNumber(account);
      if (bank == 0 || branch == 0 || account == 0) {
        rows.Error(
            at, {.text = "בשורה מס. " + line_number() + " לא מוגדרים פרטי הבנק", .debit = details});
      } else if (!ValidBankAccount(bank, branch, account)) {
        rows.Error(at, {.text = "בשורה מס. " + line_number() + " פרטי הבנק המוגדרים אינם נכונים",
                        .debit = details});
      }
    }
  }

  if (Ticked(DocumentItem::kLinesAgainstSummary) && ReceiptsDeviate(summary.total, receipt_sum)) {
    rows.Error(
        {.text = " אין התאמה בין תנועות הקבלה לסיכום",
         .debit = Debit(summary.total),
         .credit = Credit(receipt_sum),
         .balance = "דיוק של " +
                    Accuracy(static_cast<double>(summary.total), static_cast<double>(receipt_sum)) +
                    "%" + kCreditMarker});
  }
  return true;
}

void DocumentPass::CheckCustomer(std::string_view type, const IndexEntry& document,
                                 const Summary& summary, DocumentRows& rows) {
  if (WholeNumber(type) < 800) return;  // stock documents (800 and above) only
  if (summary.customer_missing) {
    const std::string_view key =
        SliceField(LineOf({RecordType::kC100, document.Offset}), field::C100(1225));
    rows.Error(
        {.text = "מפתח התעודה אינו קיים באינדקס", .debit = TrimmedForRow(key) + kCreditMarker});
  }
}

void DocumentPass::CheckDealer(std::string_view type, const IndexEntry& document,
                               const Summary& summary, DocumentRows& rows) {
  static constexpr std::string_view kTypes[] = {"305", "310", "320", "330",
                                                "340", "345", "700", "401"};
  if (std::find(std::begin(kTypes), std::end(kTypes), type) == std::end(kTypes)) return;
  if (summary.dealer == DealerState::kMissing) {
    ++missing_dealers_;
  } else if (summary.dealer == DealerState::kInvalid) {
    const std::string_view dealer =
        SliceField(LineOf({RecordType::kC100, document.Offset}), field::C100(1215));
    rows.Error({.text = "מספר העוסק אינו תקין/לא מוגדר",
                .debit = kCreditMarker + TrimmedForRow(dealer) + kCreditMarker});
  }
}

}  // namespace

std::string Accuracy(double x, double y) {
  const double divisor = x <= y ? y : x;
  if (divisor == 0) return Percent(0);
  const double ratio = std::fabs((x <= y ? x : y) / divisor * 100);
  return Percent(ratio > 100 ? 0 : ratio);
}

void CheckDocuments(CheckRun& run) { DocumentPass(run).Run(); }

std::string DocumentDescription(std::string_view type, std::string_view number) {
  const DocumentType* known = FindDocumentType(static_cast<int>(WholeNumber(type)));
  const std::string_view name = known != nullptr ? known->name : kUnknownMeaning;
  return std::string(name) + " מספר - " + KeyForRow(number);
}

bool DeviatesFromSummary(double summary, double computed) { return Deviates(summary, computed); }

double LinesVat(double lines_sum, double exempt_sum, std::int64_t discount,
                std::int64_t last_vat_rate) {
  return (lines_sum - exempt_sum + static_cast<double>(discount)) *
         static_cast<double>(last_vat_rate) / 10000.0;
}

bool ReceiptsDeviate(std::int64_t total, AmountSum receipt_sum) {
  return Beyond(receipt_sum - total, kBalanceTolerance);
}

}  // namespace tallyscan::checks
