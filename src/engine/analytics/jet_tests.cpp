#include "engine/analytics/jet_tests.h"

#include "engine/analytics/jet.h"

namespace tallyscan {

namespace analytics {

namespace {

using T = JetTest;
constexpr RecordType kMovement = RecordType::kB100;
constexpr RecordType kDocument = RecordType::kC100;

constexpr std::array<JetTestInfo, kJetTestCount> kTests = {{
    {T::kPopulation, "אוכלוסיית התנועות", kMovement, "B100:1368", true},
    {T::kLateEntry, "רישום מאוחר", kMovement, "B100:1375,B100:1362", true},
    {T::kPostClosing, "רישום אחרי סוף התקופה", kMovement, "B100:1375,B100:1362", true},
    {T::kPeriodEnd, "תנועות בימי סוף התקופה", kMovement, "B100:1362", false},
    {T::kWeekend, "רישום בסוף שבוע", kMovement, "B100:1375,B100:1362", true},
    {T::kHoliday, "רישום ביום חג", kMovement, "B100:1375,B100:1362", true},
    {T::kRareOperator, "מבצע פעולה נדיר", kMovement, "B100:1376", true},
    {T::kSeldomAccount, "חשבון עם תנועות מעטות", kMovement, "B100:1364", true},
    {T::kRareFlow, "צמד חשבון וחשבון נגדי נדיר", kMovement, "B100:1364,B100:1365", true},
    {T::kRoundAmount, "סכום עגול", kMovement, "B100:1368", true},
    {T::kDuplicate, "תנועות כפולות", kMovement, "B100:1364,B100:1357,B100:1368,B100:1362", true},
    {T::kTransactionGap, "פערים במספרי התנועות", kMovement, "B100:1353", true},
    {T::kDocumentGap, "פערים וכפילויות במספרי המסמכים", kDocument, "C100:1203,C100:1204", true},
    {T::kBelowLimit, "ריכוז סכומים מתחת לסף אישור", kMovement, "B100:1368", true},
    {T::kBlankDescription, "תנועה ללא פרטים", kMovement, "B100:1361", true},
    {T::kKeyword, "מילת מפתח בפרטים", kMovement, "B100:1361", true},
    {T::kNoReference, "תנועה ללא אסמכתא", kMovement, "B100:1357,B100:1359", true},
    {T::kMissingDocument, "אסמכתא שאין לה מסמך", kMovement, "B100:1357,B100:1358", true},
    {T::kReversal, "תנועה ותנועה הפוכה", kMovement, "B100:1364,B100:1365,B100:1368,B100:1362",
     true},
    {T::kHighValue, "הסכומים הגדולים", kMovement, "B100:1368", false},
    {T::kRelativeSize, "סכום חריג בחשבון", kMovement, "B100:1364,B100:1368", false},
    {T::kAfterHours, "מסמך שהופק מחוץ לשעות העבודה", kDocument, "C100:1206", true},
    {T::kBackdatedDocument, "מסמך שתאריכו מוקדם מהפקתו", kDocument, "C100:1205,C100:1230", true},
    {T::kCancelledDocument, "מסמך מבוטל", kDocument, "C100:1228", true},
    {T::kBenfordFirst, "חוק בנפורד - הספרה הראשונה", kMovement, "B100:1368", true},
    {T::kBenfordSecond, "חוק בנפורד - הספרה השנייה", kMovement, "B100:1368", true},
    {T::kBenfordFirstTwo, "חוק בנפורד - שתי הספרות הראשונות", kMovement, "B100:1368", true},
    {T::kLastTwo, "שתי הספרות האחרונות של השקלים", kMovement, "B100:1368", true},
}};

}  // namespace

const JetTestInfo& InfoOf(JetTest test) { return kTests[JetIndex(test)]; }

}  // namespace analytics

std::string_view JetCaption(JetTest test) { return analytics::InfoOf(test).caption; }

std::string_view JetStateText(JetState state) {
  switch (state) {
    case JetState::kRun:
      return "run";
    case JetState::kWeak:
      return "weak";
    case JetState::kNotRun:
      return "not run";
  }
  return "";
}

}  // namespace tallyscan
