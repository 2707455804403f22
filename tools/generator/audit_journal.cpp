#include "audit_journal.h"

#include <algorithm>

#include "bank_accounts.h"
#include "calendar.h"
#include "texts.h"

namespace tallyscan::gen {
namespace {

struct FlowWords {
  std::string_view type_text;
  std::string_view details[3];
};
constexpr FlowWords kFlowWords[] = {
    {"מכירות", {"חשבונית מכירה ללקוח", "מכירת סחורה ללקוח", "מכירה באשראי"}},
    {"קניות", {"חשבונית ספק", "רכישת סחורה מספק", "קניות מספק"}},
    {"תקבולים", {"תקבול מלקוח", "הפקדת המחאות מלקוח", "העברה בנקאית מלקוח"}},
    {"תשלומים", {"תשלום לספק", "העברה בנקאית לספק", "תשלום בהמחאה לספק"}},
    {"שכר", {"משכורת חודשית", "שכר עובדים", "תשלום שכר"}},
};

std::size_t At(std::int64_t index) { return static_cast<std::size_t>(index); }

}  // namespace

AuditJournal::AuditJournal(const AuditPlan& plan)
    : plan_(plan), batch_size_(std::clamp<std::int64_t>(plan.movements() / 60, 8, 400)) {}

bool AuditJournal::Next(AuditMovement* movement) {
  if (line_ >= lines_) {
    const auto& transactions = plan_.transactions();
    if (transaction_ + 1 >= static_cast<std::int64_t>(transactions.size())) return false;
    ++transaction_;
    line_ = 0;
    lines_ = plan_.Lines(transactions[At(transaction_)], planned_);
    if (batch_ == 0 || batch_lines_ >= batch_size_) {
      ++batch_;
      batch_lines_ = 0;
    }
    batch_lines_ += lines_;
  }
  *movement = {transaction_, line_, lines_, batch_, planned_[line_]};
  ++line_;
  return true;
}

AuditWords::AuditWords(bool dos) {
  for (std::size_t k = 0; k < std::size(kFlowWords); ++k) {
    type_texts_[k] = FileText(kFlowWords[k].type_text, dos);
    for (std::size_t w = 0; w < 3; ++w) details_[k][w] = FileText(kFlowWords[k].details[w], dos);
  }
  for (int k = 0; k < 5; ++k) {
    keyword_details_[k] = FileText(AuditPlan::KeywordDetails(k), dos);
  }
}

std::string_view AuditWords::TypeText(Flow flow) const {
  return type_texts_[static_cast<std::size_t>(flow)];
}

std::string_view AuditWords::Details(const PlannedTransaction& t, int line) const {
  if (line == 0 && t.details == kBlankDetails) return {};
  if (line == 0 && t.details >= 0) return keyword_details_[static_cast<std::size_t>(t.details)];
  return details_[static_cast<std::size_t>(t.flow)][t.wording];
}

void MakeAuditDocument(const AuditPlan& plan, const Chart& chart, const PlannedTransaction& t,
                       Random& random, Document* d) {
  *d = Document();
  d->type = t.document_type;
  d->number = t.document;
  d->date = t.date;
  d->produced = t.produced;
  d->time = t.time;
  d->cancelled = t.cancelled;
  d->operator_name = plan.operators()[t.operator_index];
  d->customer = t.flow == Flow::kSalary ? chart.salaries : t.partner;
  d->dealer = chart.accounts[At(d->customer)].dealer;
  PlannedLine planned[kMaxLines];
  plan.Lines(t, planned);

  if (t.flow == Flow::kSale || t.flow == Flow::kPurchase) {
    // One to three lines of one unit each, whose prices share the net amount.
    const int count = t.amount >= 30000 ? static_cast<int>(random.Between(1, 3)) : 1;
    std::int64_t left = t.amount;
    for (int i = 0; i < count; ++i) {
      DocumentLine line;
      line.item = static_cast<int>(random.Next() % chart.items.size());
      line.quantity = 10000;
      line.price =
          i + 1 == count ? left : left / (count - i) - random.Between(0, left / 10 / (count - i));
      line.total = line.price;
      left -= line.price;
      d->lines.push_back(line);
    }
    d->before = d->after = t.amount;
    d->vat = VatOf(t.amount);
    d->total = t.amount + d->vat;
    return;
  }

  // A receipt, payment or salary: its payment lines.
  const std::int64_t total = t.flow == Flow::kSalary ? planned[1].amount : t.amount;
  d->before = d->after = d->total = total;
  const int count = t.flow == Flow::kReceipt && total >= 200000 && random.Percent(30) ? 2 : 1;
  std::int64_t left = total;
  for (int i = 0; i < count; ++i) {
    ReceiptLine line;
    line.amount = i + 1 == count ? left : left / 2 - random.Between(0, left / 10);
    left -= line.amount;
    const int roll = static_cast<int>(random.Between(0, 99));
    if (t.flow == Flow::kReceipt) {
      line.means = roll < 40 ? 4 : roll < 75 ? 2 : 3;
    } else {
      line.means = t.flow == Flow::kPayment && roll < 30 ? 2 : 4;
    }
    if (line.means == 2 || line.means == 4) line.bank = MakeValidBankAccount(random);
    if (line.means == 2) {
      line.cheque = random.Between(1000000, 9999999);
      line.due_date = DateOfDayNumber(DayNumber(t.date) + static_cast<int>(random.Between(0, 60)));
    }
    if (line.means == 3) {
      static constexpr int kCompanies[] = {1, 2, 3, 4, 6};
      line.card_company = random.Pick(kCompanies);
      line.deal_kind = random.Percent(80) ? 1 : 2;
    }
    d->receipts.push_back(line);
  }
}

}  // namespace tallyscan::gen
