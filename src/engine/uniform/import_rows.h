#pragma once

// Private to uniform/.
//
// The texts of the import and the rows built from them, defined once.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/uniform/result_row.h"

namespace tallyscan {

// Refusals and file checks (shown in the message box; nothing is read).
inline constexpr std::string_view kAlreadyLoadedText = "הקובץ נקרא כבר וקיים בזכרון המחשב";
inline constexpr std::string_view kNoFolderText = "לא צויינה הספריה בה נמצא קובץ הנתונים";
inline constexpr std::string_view kNoIniText = "קובץ האתחול אינו קיים בספריה שצויינה";
inline constexpr std::string_view kNoDataText = "קובץ הנתונים אינו קיים בספריה שצויינה";
inline constexpr std::string_view kOutOfMemoryText = "אין די זיכרון לקריאת הקובץ";

// INI.TXT.
inline constexpr std::string_view kIniSizeText = "גודל קובץ האתחול אינו תקין";
inline constexpr std::string_view kIniVersionText =
    "קובץ האתחול אינו מסומן בגירסה האחרונה והעדכנית";
inline constexpr std::string_view kDealerText = "מספר העוסק הרשום";
inline constexpr std::string_view kBusinessNameText = "שם העסק";
inline constexpr std::string_view kTaxYearText = "שנת הכספים הרשומה";
inline constexpr std::string_view kDateRangeText = "טווח התאריכים הרשום";
inline constexpr std::string_view kFileVersionText = "גירסת הקובץ";
inline constexpr std::string_view kSoftwareText = "הקובץ הופק בעזרת התוכנה";
inline constexpr std::string_view kSoftwareVersionText = "גירסת התוכנה";
inline constexpr std::string_view kBookkeepingText = "סוג הנהלת החשבונות";
inline constexpr std::string_view kSingleEntryText = "חד צידי";
inline constexpr std::string_view kDoubleEntryText = "כפולה";
inline constexpr std::string_view kUnknownKindText = "לא ידוע";
inline constexpr std::string_view kFilesPathText = "נתיב הקבצים";
inline constexpr std::string_view kCompanyNumberText = "מספר ח.פ";
inline constexpr std::string_view kDeductionFileText = "מספר תיק ניכויים";
inline constexpr std::string_view kAddressText = "כתובת";
inline constexpr std::string_view kProducedText = "תאריך ושעת הפקה";
inline constexpr std::string_view kExpectedTotalText = "סה'כ רשומות צפויות בקובץ";
inline constexpr std::string_view kStatusBusinessText = "שם העסק - ";
inline constexpr std::string_view kStatusYearText = "שנת כספים - ";
inline constexpr std::string_view kStatusDatesText = "תאריכים - ";
inline constexpr std::string_view kExtractedToText = "קובץ הנתונים חולץ לספריה";

// BKMVDATA.TXT.
inline constexpr std::string_view kLineNumberText = "שורה מספר ";
inline constexpr std::string_view kIllegalCharactersText = " מכילה תוים לא חוקיים";
inline constexpr std::string_view kBadLengthText = " אינה באורך חוקי";
inline constexpr std::string_view kUnknownLineText = " הנה שורה בלתי מזוהה ולא חוקית";
inline constexpr std::string_view kDataVersionText =
    "קובץ הנתונים אינו מסומן בגירסה האחרונה והעדכנית";
inline constexpr std::string_view kIdentifierMismatchText =
    "גרסאות לא תואמות של קובץ האתחול וקובץ הנתונים";
inline constexpr std::string_view kInterruptedText = "קריאת הקובץ הופרעה";

// Summary.
inline constexpr std::string_view kDataRecordsHeading = "רשומות בקובץ הנתונים";
inline constexpr std::string_view kLinesReadText = "סה'כ רשומות שנקראו";
inline constexpr std::string_view kActualCountText = "אין התאמה בין מספר הרשומות בפועל (";
inline constexpr std::string_view kSummaryCountText = "למספר רשומות הסיכום (";
inline constexpr std::string_view kClosingRecordText = "לרשומת הסיכום (";
inline constexpr std::string_view kDocumentTypesHeading = "פרוט סוגי התעודות";
inline constexpr std::string_view kErrorsFoundText = "שגיאות שנמצאו במהלך קריאת הקובץ";
inline constexpr std::string_view kNoErrorsText = "ללא";
inline constexpr std::string_view kReadSuccessText = "הקובץ נקרא בהצלחה";

// Field validation.
inline constexpr std::string_view kNonNumericFieldText = "תוים לא חוקים בשדה נומרי";
inline constexpr std::string_view kBadSignText = "תוים לא חוקים בשדה סימן";
inline constexpr std::string_view kBadDateText = "תאריך בערך לא חוקי ";
inline constexpr std::string_view kInLineText = "בשורה - ";

// The texts of the six indexed record types, by code.
struct RecordTypeTexts {
  std::string_view code;     // "B100"
  std::string_view summary;  // row of the INI summary: "תנועות הנהלת חשבונות"
  std::string_view read;  // row of the records read: "סה'כ תנועות הנהלת חשבונות שנקראו "
  std::string_view mismatch;  // "רשומות B100 - חוסר התאמה ("
};
const RecordTypeTexts* FindRecordTypeTexts(std::string_view code4);

// "1" TAB text TAB "בשורה - " line TAB line.
std::string ValidationErrorRow(std::string_view text, std::int64_t line_number);

// "תאריך בערך לא חוקי " + the date as stored (UTF-8).
std::string BadDateText(std::string_view value);

// "1" TAB "שורה מספר " line TAB `text` TAB line: the character, length and unknown-line rows.
std::string LineErrorRow(std::string_view text, std::int64_t line_number);

}  // namespace tallyscan
