// The record layouts of the uniform format and the fixed tables that give fields their
// meaning. Captions and names are the system's own words, kept byte for byte.
#include "engine/uniform/layouts.h"

#include <algorithm>
#include <iterator>

#include "engine/uniform/layout_tables.h"

namespace tallyscan {
namespace {

using T = EnumTable;
using layout_tables::kLayouts;

constexpr Bank kBanks[] = {
    {2, "פאגי   לשעבר צפון אמריקה"},
    {4, "יהב"},
    {8, "פועלים  לשעבר ספנות"},
    {9, "הדואר"},
    {10, "לאומי"},
    {11, "דיסקונט"},
    {12, "הפועלים"},
    {13, "איגוד"},
    {14, "אוצר החייל"},
    {17, "מרכנתיל דיסקונט"},
    {20, "מזרחי"},
    {22, "סיטי-בנק"},
    {23, "HSBC"},
    {24, "הפועלים לשעבר אמריקאי ישראלי"},
    {25, "BNP PARIBAS"},
    {26, "יובנק"},
    {28, "הפועלים לשעבר קונטיננטל"},
    {31, "בינלאומי"},
    {33, "דיסקונט לשעבר מרכנתיל"},
    {34, "ערבי ישראלי"},
    {37, "אוף ג'ורדן"},
    {38, "קומרשיאל בנק אוף פלשתין"},
    {39, "סטייט בנק אוף אינדייה"},
    {43, "ג'ורדן נשיונל בנק פי.אל.סי.עמן"},
    {46, "מסד"},
    {48, "אוצר החייל לשעבר עובד לאומי נתניה"},
    {49, "ערב בנק"},
    {52, "פאג'י"},
    {54, "בנק ירושלים"},
    {66, "קהיר-עמאן"},
    {67, "ערב-לנד"},
    {68, "אוצר השלטון המקומי"},
    {71, "קומרשיאל ג'ורדן"},
    {73, "ערב איסמליק"},
    {74, "בריטיש בנק אוף מידל איסט"},
    {76, "השקעות פלשתין"},
    {81, "אלאסלאמי אלפלסטיני"},
    {82, "אל-קודס לפיתוח והשקעות"},
    {83, "יוניון בנק"},
    {84, "האוזינג"},
    {89, "פלסטין"},
    {93, "ג'ורדן כווית"},
    {99, "ישראל"},
};
constexpr DocumentType kDocumentTypes[] = {
    {100, "הזמנה", "סה'כ הזמנות "},
    {200, "תעודת משלוח", "סה'כ תעודות משלוח "},
    {205, "תעודת משלוח סוכן", "סה'כ תעודות משלוח סוכן"},
    {210, "תעודת החזרה", "סה'כ תעודות החזרה "},
    {300, "חשבון עיסקה", "סה'כ חשבונות עיסקה "},
    {305, "חשבונית מס", "סהכ חשבוניות מס "},
    {310, "חשבונית ריכוז", "סה'כ חשבוניות ריכוז "},
    {320, "חשבונית מס'קבלה", "סה'כ חשבונית מס/קבלה "},
    {330, "הודעת זיכוי", "סה'כ הודעות זיכוי "},
    {340, "חשבונית שיריון", "סה'כ חשבוניות שיריון "},
    {345, "חשבונית סוכן", "סה'כ חשבוניות סוכן "},
    {400, "קבלה", "סה'כ קבלות "},
    {405, "קבלה תרומות", "סה'כ קבלות על תרומות "},
    {410, "יציאה מקופה", "סה'כ יציאה מקופה "},
    {420, "הפקדה לבנק", "סה'כ הפקדות בבנק "},
    {500, "הזמנת רכש", "סה'כ הזמנות רכש "},
    {600, "תע. משלוח רכש", "סה'כ תעודות משלוח רכש "},
    {610, "תע. החזרה רכש", "סה'כ החזרות רכש "},
    {700, "חשבונית מס רכש", "סה'כ חשבונית מס רכש "},
    {710, "הודעת זיכוי רכש", "סה'כ זיכוי רכש "},
    {800, "תע. יתרת פתיחה", "סה'כ יתרת פתיחה "},
    {810, "תע. כניסה למלאי", "סה'כ כניסות למלאי "},
    {820, "תע. יציאה ממלאי", "סה'כ יציאות ממלאי "},
    {830, "תע. העברה בין מחסנים", "סה'כ העברות בין מחסנים "},
    {840, "תע. ספירת מלאי", "סה'כ ספירות מלאי "},
    {900, "תע. כניסה ליצור", "סה'כ דוחות יצור כניסה"},
    {910, "תע. יציאה מיצור", "סה'כ דוחות יצור יציאה "},
};

struct SummaryCaptionEntry {
  std::string_view code;
  std::string_view caption;
};
constexpr SummaryCaptionEntry kSummaryCaptions[] = {
    {"B100", "תנועות הנהלת חשבונות"}, {"B110", "כרטיסי הנהלת חשבונות"}, {"C100", "כותרות מסמכים"},
    {"D110", "פרטי מסמסכים"},         {"D120", "פרטי קבלות"},           {"M100", "פרטי מלאי"},
};

struct EnumEntry {
  std::string_view value;
  std::string_view meaning;
};
struct EnumDefinition {
  EnumTable table;
  std::span<const EnumEntry> entries;
  std::string_view otherwise;  // the meaning of every value not listed
};

constexpr EnumEntry kSoftwareKinds[] = {{"1", "חד שנתי"}};
constexpr EnumEntry kBookkeepingKinds[] = {{"1", "חד צידית"}, {"2", "כפולה"}};
constexpr EnumEntry kBalanceLevels[] = {{"1", "רמת התנועה"}};
constexpr EnumEntry kLanguages[] = {{"1", "ערבי"}, {"2", "אחר"}};
constexpr EnumEntry kCharacterSets[] = {{"1", "חלונות"}};
constexpr EnumEntry kDebitCredit[] = {{"1", "חובה"}};
constexpr EnumEntry kTransactionKinds[] = {{"1", "שירות"}, {"2", "מכר"}, {"3", "שירות ומכר"}};
constexpr EnumEntry kPaymentMeans[] = {
    {"1", "מזומן"},    {"2", "המחאה"},      {"3", "כרטיס אשראי"}, {"4", "העברה בנקאית"},
    {"5", "תוי קניה"}, {"6", "תלוש החלפה"}, {"7", "שטר"},         {"8", "הוראת קבע"},
};
constexpr EnumEntry kClearingCompanies[] = {
    {"1", "ישראכרט"}, {"2", "כאל"}, {"3", "דיינרס"}, {"4", "אמריקן"}, {"6", "לאומי כארד"},
};
// Compared by numeric value (see EnumMeaning).
constexpr std::string_view kCreditDealKinds[] = {"רגיל", "תשלומים", "קרדיט", "חיוב נדחה", "אחר"};

constexpr EnumDefinition kEnums[] = {
    {T::kSoftwareKind, kSoftwareKinds, "רב שנתי"},
    {T::kBookkeepingKind, kBookkeepingKinds, "לא רלוונטי"},
    {T::kBalanceLevel, kBalanceLevels, "רמת המנה"},
    {T::kLanguage, kLanguages, "עברית"},
    {T::kCharacterSet, kCharacterSets, "דוס"},
    {T::kDebitCredit, kDebitCredit, "זכות"},
    {T::kTransactionKind, kTransactionKinds, kUnknownMeaning},
    {T::kPaymentMeans, kPaymentMeans, kUnknownMeaning},
    {T::kClearingCompany, kClearingCompanies, ""},
};

// The leading digits of a value as a number; 0 when it does not begin with a digit. Kept
// local so that the tables depend on nothing; values.h has the general reader.
long long LeadingNumber(std::string_view value) {
  long long result = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    if (result > 100000000000000000LL) return -1;  // far beyond any table code
    result = result * 10 + (c - '0');
  }
  return result;
}

}  // namespace

const RecordLayout& LayoutOf(RecordType type) {
  for (const RecordLayout& layout : kLayouts) {
    if (layout.type == type) return layout;
  }
  return kLayouts[0];  // unreachable: every RecordType has a layout
}

int LongestRecordWidth() {
  int widest = 0;
  for (const RecordLayout& layout : kLayouts) widest = std::max(widest, layout.full_width);
  return widest;
}

const RecordLayout* FindLayout(std::string_view code4) {
  if (code4.size() < 4) return nullptr;
  code4 = code4.substr(0, 4);
  for (const RecordLayout& layout : kLayouts) {
    if (layout.code == code4) return &layout;
  }
  return nullptr;
}

const FieldLayout* FindField(const RecordLayout& layout, int code) {
  for (const FieldLayout& field : layout.fields) {
    if (field.code == code) return &field;
  }
  return nullptr;
}

std::span<const DocumentType> DocumentTypes() { return kDocumentTypes; }

const DocumentType* FindDocumentType(int code) {
  for (const DocumentType& type : kDocumentTypes) {
    if (type.code == code) return &type;
  }
  return nullptr;
}

std::span<const Bank> Banks() { return kBanks; }

std::string_view BankName(int code) {
  for (const Bank& bank : kBanks) {
    if (bank.code == code) return bank.name;
  }
  return {};
}

std::string_view SummaryCaption(std::string_view code4) {
  for (const SummaryCaptionEntry& entry : kSummaryCaptions) {
    if (entry.code == code4) return entry.caption;
  }
  return {};
}

std::string_view EnumMeaning(EnumTable table, std::string_view value) {
  if (table == T::kBank) {
    const long long code = LeadingNumber(value);
    return code > 0 && code < 1000 ? BankName(static_cast<int>(code)) : std::string_view{};
  }
  if (table == T::kCreditDealKind) {
    const long long code = LeadingNumber(value);
    if (code >= 1 && code <= static_cast<long long>(std::size(kCreditDealKinds))) {
      return kCreditDealKinds[code - 1];
    }
    return {};
  }
  for (const EnumDefinition& definition : kEnums) {
    if (definition.table != table) continue;
    for (const EnumEntry& entry : definition.entries) {
      if (entry.value == value) return entry.meaning;
    }
    return definition.otherwise;
  }
  return {};
}

}  // namespace tallyscan
