#pragma once

#include <QString>
#include <string_view>

#include "engine/common/texts.h"

namespace tallyscan {

// The engine's UTF-8 text as the window shows it.
inline QString FromStd(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tallyscan

// The application's own fixed texts, each defined once; those the engine shows too are its.
namespace tallyscan::texts {

inline const QString kAppCaption = QStringLiteral("תוכנת טליסקן");
inline const QString kMainCaption = QStringLiteral("תוכנת טליסקן - נורבה מוצרי תוכנה בע\"מ");
inline const QString kNeedsData = FromStd(kNeedsDataText);
inline const QString kNewerVersion =
    QStringLiteral("קיימת גרסה מעודכנת יותר מאשר זו שהנך משתמש/ת בה");
inline const QString kAskUpdate = QStringLiteral("האם ברצונך לעדכן את הגרסה החדשה");
// Told instead of kAskUpdate when the package manager installed the program, followed by the
// update server's address.
inline const QString kUpdateThroughPackages =
    QStringLiteral("התוכנה הותקנה על ידי מנהל החבילות של המערכת, ויש לעדכן אותה דרכו.");
inline const QString kNewVersionAt = QStringLiteral("הגרסה החדשה זמינה בכתובת:");
inline const QString kChooseFolder = QStringLiteral("ציין את הספריה הרצוייה");

// While a long operation runs: why some buttons are disabled (shown in the status bar).
inline const QString kBusyReading =
    QStringLiteral("קריאת הקובץ מתבצעת - הדפים הדורשים נתונים ייפתחו בסיומה");
inline const QString kBusySaving =
    QStringLiteral("שמירת החברה מתבצעת - ניתן לקרוא קובץ אחר בסיומה או לאחר עצירתה (Esc)");
inline const QString kBusyWorkers = QStringLiteral(
    "הנתונים נקראים ברקע - קריאת קובץ, קריאת חברה, שינוי קבוצות וקליטה ייפתחו בסיומה");
inline const QString kBusyChecking =
    QStringLiteral("הבדיקה מתבצעת - ניתן לקרוא קובץ אחר בסיומה או לאחר עצירתה (Esc)");

// The grids.
inline const QString kCopy = QStringLiteral("העתק");
inline const QString kCopyWithHeadings = QStringLiteral("העתק עם כותרות");
inline const QString kSaveAsCsv = QStringLiteral("שמור כקובץ CSV");
inline const QString kCsvFilter = QStringLiteral("קובצי CSV (*.csv)");
inline const QString kFindNext = QStringLiteral("חפש הבא");
inline const QString kNotFound = QStringLiteral("לא נמצאה שורה המכילה: ");
inline const QString kCannotWriteFile = FromStd(kCannotWriteFileText);
inline const QString kChooseRow = FromStd(kNoRowSelected);
inline const QString kGridKeys = QStringLiteral(
    "חיפוש: Ctrl+F   חפש הבא: F3   העתקת השורות המסומנות: Ctrl+C   שורה ראשונה/אחרונה: Home/End");

// The result lists.
inline const QString kErrorsOnly = QStringLiteral("רק שגיאות");
inline const QString kErrorKeys =
    QStringLiteral("השגיאה הבאה: F8   השגיאה הקודמת: Shift+F8   פרטי הרשומה: Enter או לחיצה כפולה");

// Asked before the loaded folder is read again while its files are as they were read.
inline const QString kReadAgain = QStringLiteral("הקובץ כבר נקרא. לקרוא אותו שוב?");

// The record-detail dialog.
inline const QString kRecordDetailTitle = QStringLiteral("פרטי הרשומה");
inline const QString kClose = QStringLiteral("סגור");

}  // namespace tallyscan::texts
