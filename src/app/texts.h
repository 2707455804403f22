#pragma once

#include <QString>

// The application's own fixed texts, each defined once.
namespace tallyscan::texts {

inline const QString kAppCaption = QStringLiteral("תוכנת טליסקן");
inline const QString kMainCaption = QStringLiteral("תוכנת טליסקן - נורבה מוצרי תוכנה בע\"מ");
inline const QString kNeedsData = QStringLiteral("יש לקרוא תחילה את קובץ הנתונים");
inline const QString kNewerVersion =
    QStringLiteral("קיימת גרסה מעודכנת יותר מאשר זו שהנך משתמש/ת בה");
inline const QString kAskUpdate = QStringLiteral("האם ברצונך לעדכן את הגרסה החדשה");
// Told instead of kAskUpdate when the package manager installed the program, followed by the
// update server's address.
inline const QString kUpdateThroughPackages =
    QStringLiteral("התוכנה הותקנה על ידי מנהל החבילות של המערכת, ויש לעדכן אותה דרכו.");
inline const QString kNewVersionAt = QStringLiteral("הגרסה החדשה זמינה בכתובת:");
inline const QString kChooseFolder = QStringLiteral("ציין את הספריה הרצוייה");

}  // namespace tallyscan::texts
