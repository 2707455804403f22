#include "texts.h"

#include "engine/text/text.h"

namespace tallyscan::gen {
namespace {

constexpr std::string_view kFirstNames[] = {
    "משה", "דוד", "יוסף", "אברהם", "יעקב",  "שרה",  "רחל",  "מרים", "אסתר", "נועה",
    "יעל", "תמר", "אורי", "איתי",  "רונית", "מיכל", "עמית", "גלית", "שלמה", "חנה",
};
constexpr std::string_view kFamilyNames[] = {
    "כהן",  "לוי",  "מזרחי", "פרץ",  "ביטון", "דהן",    "אברהם", "פרידמן", "אזולאי", "כץ",
    "יוסף", "מלכה", "חדד",   "גבאי", "שפירא", "אוחיון", "רוזן",  "בן דוד", "ששון",   "גולן",
};
constexpr std::string_view kCompanyWords[] = {
    "מערכות", "סחר", "שיווק", "יזמות", "הנדסה", "תעשיות", "אחזקות", "פתרונות", "מחשוב", "ייבוא",
};
constexpr std::string_view kCompanySuffixes[] = {"בע\"מ", "ושות'", "בע\"מ", "ובניו", "בע\"מ"};
constexpr std::string_view kStreets[] = {
    "הרצל",      "ז'בוטינסקי", "רוטשילד", "בן יהודה", "אלנבי", "ויצמן", "הנביאים",
    "דרך השלום", "העצמאות",    "סוקולוב", "יפו",      "הגפן",  "התאנה", "שדרות ירושלים",
};
constexpr std::string_view kCities[] = {
    "תל אביב", "ירושלים", "חיפה",   "באר שבע", "נתניה", "ראשון לציון", "פתח תקווה",
    "אשדוד",   "חולון",   "רמת גן", "כפר סבא", "רעננה", "הרצליה",      "רחובות",
};

constexpr ItemWords kItems[] = {
    {"נייר צילום A4", "חבילה", 100, 1500, 3500, false},
    {"עט כדורי כחול", "יחידה", 100, 150, 600, false},
    {"מחברת ספירלה", "יחידה", 100, 500, 1800, false},
    {"קלסר משרדי", "יחידה", 100, 900, 2500, false},
    {"מהדק סיכות", "יחידה", 100, 1200, 4500, false},
    {"מעטפות לבנות", "חבילה", 100, 800, 2600, false},
    {"דבק סטיק", "יחידה", 100, 250, 900, false},
    {"מקלדת אלחוטית", "יחידה", 200, 8000, 25000, false},
    {"עכבר אופטי", "יחידה", 200, 3500, 15000, false},
    {"מסך מחשב 24 אינץ'", "יחידה", 200, 45000, 120000, false},
    {"כבל רשת", "מטר", 200, 300, 1200, true},
    {"מדפסת לייזר", "יחידה", 200, 60000, 250000, false},
    {"טונר למדפסת", "יחידה", 200, 15000, 45000, false},
    {"דיסק קשיח חיצוני", "יחידה", 200, 25000, 90000, false},
    {"נתב אלחוטי", "יחידה", 200, 20000, 80000, false},
    {"שעת תמיכה טכנית", "שעה", 300, 18000, 35000, true},
    {"התקנת תוכנה", "יחידה", 300, 25000, 60000, false},
    {"שירות תחזוקה חודשי", "חודש", 300, 50000, 300000, false},
    {"הדרכת משתמשים", "שעה", 300, 20000, 45000, true},
    {"כיסא משרדי", "יחידה", 400, 40000, 180000, false},
    {"שולחן עבודה", "יחידה", 400, 90000, 350000, false},
    {"ארון מסמכים", "יחידה", 400, 60000, 200000, false},
};

}  // namespace

std::string FileText(std::string_view utf8, bool dos) {
  std::string bytes = Utf8ToCp1255(utf8);
  return dos ? WinToDos(bytes) : bytes;
}

std::span<const std::string_view> FirstNames() { return kFirstNames; }
std::span<const std::string_view> FamilyNames() { return kFamilyNames; }
std::span<const std::string_view> CompanyWords() { return kCompanyWords; }
std::span<const std::string_view> CompanySuffixes() { return kCompanySuffixes; }
std::span<const std::string_view> Streets() { return kStreets; }
std::span<const std::string_view> Cities() { return kCities; }
std::span<const ItemWords> ItemCatalogue() { return kItems; }

std::string_view CategoryName(int category) {
  switch (category) {
    case 100:
      return "ציוד משרדי";
    case 200:
      return "מחשבים וציוד היקפי";
    case 300:
      return "שירותים";
    default:
      return "ריהוט";
  }
}

}  // namespace tallyscan::gen
