#include "chart.h"

#include <cstdio>
#include <string_view>

#include "engine/uniform/uniform.h"
#include "texts.h"

namespace tallyscan::gen {
namespace {

struct FixedAccount {
  const char* key;
  std::string_view name;
  AccountRole role;
  int section;
  const char* trial_code;
  std::string_view trial_name;
};

// Balance-sheet accounts carry section codes from 7000 up, profit and loss below 7000;
// 9980 is the result of earlier years.
constexpr FixedAccount kFixed[] = {
    {"1100", "קופה ראשית", AccountRole::kCash, 7100, "100", "רכוש שוטף"},
    {"1210", "בנק לאומי - עו\"ש", AccountRole::kBank, 7100, "100", "רכוש שוטף"},
    {"1220", "בנק הפועלים - עו\"ש", AccountRole::kBank, 7100, "100", "רכוש שוטף"},
    {"1300", "מע\"מ תשומות", AccountRole::kVatInput, 7460, "100", "רכוש שוטף"},
    {"1400", "מלאי סחורות", AccountRole::kInventory, 7800, "100", "רכוש שוטף"},
    {"1500", "ריהוט וציוד משרדי", AccountRole::kEquipment, 8000, "150", "רכוש קבוע"},
    {"1510", "מחשבים", AccountRole::kEquipment, 8000, "150", "רכוש קבוע"},
    {"4100", "מע\"מ עסקאות", AccountRole::kVatOutput, 9440, "400", "התחייבויות שוטפות"},
    {"4200", "מס הכנסה ניכויים", AccountRole::kWithholding, 9420, "400", "התחייבויות שוטפות"},
    {"4300", "ביטוח לאומי", AccountRole::kNationalInsurance, 9420, "400", "התחייבויות שוטפות"},
    {"5000", "הון מניות", AccountRole::kCapital, 9900, "500", "הון עצמי"},
    {"5100", "עודפים", AccountRole::kRetainedEarnings, 9980, "500", "הון עצמי"},
    {"6000", "הכנסות ממכירות", AccountRole::kSalesRevenue, 1010, "600", "הכנסות"},
    {"6100", "הכנסות ממתן שירותים", AccountRole::kServiceRevenue, 1020, "600", "הכנסות"},
    {"7000", "קניות סחורה", AccountRole::kPurchases, 1310, "700", "עלות המכירות"},
    {"7100", "משכורות", AccountRole::kSalaries, 3011, "750", "הוצאות הנהלה וכלליות"},
    {"7200", "שכירות משרד", AccountRole::kRent, 3520, "750", "הוצאות הנהלה וכלליות"},
    {"7300", "הוצאות משרד", AccountRole::kOffice, 3560, "750", "הוצאות הנהלה וכלליות"},
    {"7400", "חשמל ומים", AccountRole::kUtilities, 3540, "750", "הוצאות הנהלה וכלליות"},
    {"8000", "עמלות בנק", AccountRole::kBankFees, 5010, "800", "מימון"},
    {"8100", "הכנסות ריבית", AccountRole::kInterestIncome, 5110, "800", "מימון"},
};

// Partners of one role whose keys have six digits.
constexpr int kSixDigitPartners = 99999;

std::string Digits(std::int64_t value, int width) {
  std::string text(static_cast<std::size_t>(width), '0');
  for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10) {
    text[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
  }
  return text;
}

template <typename T>
const T& PickFrom(Random& random, std::span<const T> items) {
  return items[random.Next() % items.size()];
}

// Each draw is its own statement: the operands of one expression may be evaluated in any
// order, and the same seed must give the same set whatever the compiler.
std::string PersonOrCompanyName(Random& random) {
  std::string name;
  if (random.Percent(45)) {
    name.append(PickFrom(random, FirstNames())).append(" ");
    name.append(PickFrom(random, FamilyNames()));
  } else {
    name.append(PickFrom(random, FamilyNames())).append(" ");
    name.append(PickFrom(random, CompanyWords())).append(" ");
    name.append(PickFrom(random, CompanySuffixes()));
  }
  return name;
}

void FillAddress(Account& account, bool dos, Random& random) {
  account.street = FileText(PickFrom(random, Streets()), dos);
  account.house = std::to_string(random.Between(1, 180));
  account.city = FileText(PickFrom(random, Cities()), dos);
  account.zip = Digits(random.Between(1000000, 9999999), 7);
  account.phone = Digits(random.Between(2, 9), 2);
  account.phone.append("-").append(Digits(random.Between(1000000, 9999999), 7));
}

}  // namespace

int FixedAccountCount() { return static_cast<int>(std::size(kFixed)); }

std::string ValidDealer(Random& random) {
  std::string first = Digits(random.Between(1000000, 99999999), 8);
  return first + static_cast<char>('0' + IdCheckDigit(first));
}

Account MakePartner(AccountRole role, int number, bool dos, Random& random) {
  const bool customer = role == AccountRole::kCustomer;
  Account account;
  // Six digits for the first 99,999 of each role, as every set has had them; a larger chart
  // goes on with seven digits, so that customers never reach the suppliers' keys.
  const int first = customer ? 200001 : 300001;
  account.key = std::to_string(number < kSixDigitPartners ? first + number : first * 10 + number);
  account.name = FileText(PersonOrCompanyName(random), dos);
  account.role = role;
  account.section = customer ? 7310 : 9210;
  account.trial_code = customer ? "300" : "450";
  account.trial_name = FileText(customer ? "לקוחות" : "ספקים", dos);
  account.dealer = ValidDealer(random);
  FillAddress(account, dos, random);
  return account;
}

Chart BuildChart(int accounts, int items, bool dos, Random& random) {
  Chart chart;
  Business& business = chart.business;
  business.dealer = ValidDealer(random);
  business.primary_id = Digits(random.Between(100000000, 999999999), 9);
  business.primary_id += Digits(random.Between(0, 999999), 6);
  business.name = FileText("מחשבי השרון שיווק והפצה בע\"מ", dos);
  business.street = FileText(PickFrom(random, Streets()), dos);
  business.house = std::to_string(random.Between(1, 120));
  business.city = FileText(PickFrom(random, Cities()), dos);
  business.postal_code = static_cast<int>(random.Between(1000000, 9999999));

  for (const FixedAccount& fixed : kFixed) {
    Account account;
    account.key = fixed.key;
    account.name = FileText(fixed.name, dos);
    account.role = fixed.role;
    account.section = fixed.section;
    account.trial_code = fixed.trial_code;
    account.trial_name = FileText(fixed.trial_name, dos);
    account.dealer = "000000000";
    const int index = static_cast<int>(chart.accounts.size());
    switch (fixed.role) {
      case AccountRole::kCash:
        chart.cash = index;
        break;
      case AccountRole::kBank:
        chart.banks.push_back(index);
        break;
      case AccountRole::kVatInput:
        chart.vat_input = index;
        break;
      case AccountRole::kInventory:
        chart.inventory = index;
        break;
      case AccountRole::kEquipment:
        chart.equipment.push_back(index);
        break;
      case AccountRole::kVatOutput:
        chart.vat_output = index;
        break;
      case AccountRole::kWithholding:
        chart.withholding = index;
        break;
      case AccountRole::kNationalInsurance:
        chart.national_insurance = index;
        break;
      case AccountRole::kCapital:
        chart.capital = index;
        break;
      case AccountRole::kRetainedEarnings:
        chart.retained = index;
        break;
      case AccountRole::kSalesRevenue:
        chart.sales = index;
        break;
      case AccountRole::kServiceRevenue:
        chart.services = index;
        break;
      case AccountRole::kPurchases:
        chart.purchases = index;
        break;
      case AccountRole::kSalaries:
        chart.salaries = index;
        break;
      case AccountRole::kRent:
        chart.rent = index;
        break;
      case AccountRole::kOffice:
        chart.office = index;
        break;
      case AccountRole::kUtilities:
        chart.utilities = index;
        break;
      case AccountRole::kBankFees:
        chart.bank_fees = index;
        break;
      case AccountRole::kInterestIncome:
        break;
      case AccountRole::kCustomer:
      case AccountRole::kSupplier:
        break;
    }
    chart.accounts.push_back(std::move(account));
  }

  // Customers and suppliers share what is left, three to two.
  const int partners = accounts - FixedAccountCount();
  const int suppliers = partners * 2 / 5 > 0 ? partners * 2 / 5 : 1;
  const int customers = partners - suppliers;
  for (int i = 0; i < partners; ++i) {
    const bool customer = i < customers;
    (customer ? chart.customers : chart.suppliers)
        .push_back(static_cast<int>(chart.accounts.size()));
    chart.accounts.push_back(MakePartner(customer ? AccountRole::kCustomer : AccountRole::kSupplier,
                                         customer ? i : i - customers, dos, random));
  }

  const auto catalogue = ItemCatalogue();
  for (int i = 0; i < items; ++i) {
    const ItemWords& words = catalogue[static_cast<std::size_t>(i) % catalogue.size()];
    const int variant = i / static_cast<int>(catalogue.size());
    Item item;
    item.code = std::to_string(words.category) + "-" + Digits(i + 1, items > 9999 ? 6 : 4);
    item.catalogue_number = "729" + Digits(random.Between(0, 9999999999), 10);
    item.maker_code = "MK" + Digits(random.Between(0, 999999), 6);
    std::string description(words.description);
    if (variant > 0) description += " דגם " + std::to_string(variant + 1);
    item.description = FileText(description, dos);
    item.unit = FileText(words.unit, dos);
    item.sort_code = std::to_string(words.category);
    item.sort_name = FileText(CategoryName(words.category), dos);
    item.price = random.Between(words.low_price, words.high_price);
    item.cost = item.price * random.Between(55, 80) / 100;
    item.fractional = words.fractional;
    item.opening_qty = random.Between(0, 200) * 100;
    item.in_qty = random.Between(0, 500) * 100;
    item.out_qty = random.Between(0, (item.opening_qty + item.in_qty) / 100) * 100;
    chart.items.push_back(std::move(item));
  }
  return chart;
}

}  // namespace tallyscan::gen
