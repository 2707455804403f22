#pragma once

// Private to analytics/: the rest of the program includes analytics/analytics.h.
//
// The journal-entry tests in the words of the page, the dialogs and the reports. The engine's
// own words ("nonconformity", "all", "friday", "late_days") stay those of the JSON and of every
// form of the command line; whatever a person reads on screen or on paper is said here.

#include <string>
#include <string_view>

#include "engine/analytics/jet.h"

namespace tallyscan {

// What the digit tests judge, and where their lines are, for the tests list and the report:
// a class "אינו תואם" over 0 hits is no contradiction.
inline constexpr std::string_view kJetDigitNote =
    "בדיקות הספרות (חוק בנפורד ושתי הספרות האחרונות) שופטות את התפלגות הסכומים באוכלוסיה "
    "כולה ולא שורות בודדות: סיווג \"אינו תואם\" או p נמוך עם 0 פגיעות אינם סתירה. השורות של "
    "כל ספרה: בלשונית \"ספרות\" (בחירת עמודה בתרשים) ובטבלאות הספרות של דו\"ח הראיות.";

// A digit test's MAD class: "close" "תואם", "acceptable" "מקובל", "marginal" "גבולי",
// "nonconformity" "אינו תואם"; a text that is no class is returned as it is.
std::string_view JetClassCaption(std::string_view mad_class);

// "כל התנועות", "חובה", "זכות".
std::string_view JetPopulationCaption(JetPopulationKind population);

// A day of the week, 0 Sunday .. 6 Saturday: "יום ראשון" .. "יום שישי", "שבת"; empty outside.
std::string_view JetDayCaption(int day);
// The same day in the engine's words, as the parameter file writes it: "sunday" .. "saturday".
std::string_view JetDayName(int day);

// The caption of a parameter as the parameters dialog names its field ("ימי איחור ברישום" for
// "late_days"); empty for a key that has none.
std::string_view JetParameterCaption(std::string_view key);

// A parameter's value in effect as a person reads it: numbers and amounts as the parameter
// file writes them, lists joined by ", " (days by their captions), a switch "פעיל" or
// "כבוי"; "(אין)" for an empty list; empty for an unknown key.
std::string JetParameterValueText(const JetParameters& parameters, std::string_view key);

// The rule of `test` with every parameter it names replaced by that parameter's value in
// effect ("…ביותר מ-30 ימים").
std::string JetRuleText(JetTest test, const JetParameters& parameters);

}  // namespace tallyscan
