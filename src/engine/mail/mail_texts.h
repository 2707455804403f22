#pragma once

// Private to mail/: the rest of the program includes mail/mail.h.

#include <string_view>

// The messages of e-mail sending, each defined once. A text ending in " : " or ": " is
// followed by the server's reply or by what went wrong.
namespace tallyscan::mail_texts {

inline constexpr std::string_view kNeedServer = "חובה לציין את שם שרת הדואר היוצא";
inline constexpr std::string_view kBadSender = "כתובת השולח אינה כתובת חוקית";
inline constexpr std::string_view kBadRecipient = "כתובת הנמען אינה כתובת חוקית";
// Follow kBadSender or kBadRecipient on a line of their own: forms of address that mail
// servers may take but that this program does not send.
inline constexpr std::string_view kAddressQuoted = "כתובת שחלקה לפני ה-@ במירכאות אינה נתמכת";
inline constexpr std::string_view kAddressLiteral =
    "כתובת IP בסוגריים מרובעים במקום שם מתחם אינה נתמכת";
inline constexpr std::string_view kAddressNonAscii =
    "כתובת עם אותיות שאינן אותיות לטיניות אינה נתמכת";
inline constexpr std::string_view kConnectFailed = "טעות בזמן חיבור לשרת הדואר";
inline constexpr std::string_view kNoHostAddress = "טעות במציאת כתובת מחשב מארח";
inline constexpr std::string_view kHeloFailed = "טעות 'הלו': ";
inline constexpr std::string_view kAuthFailed = "טעות באימות לקוח/סיסמא : ";
inline constexpr std::string_view kSenderRefused = "טעות בשם השולח : ";
inline constexpr std::string_view kRecipientRefused = "טעות בשם נמען הדואר : ";
inline constexpr std::string_view kDataFailed = "טעות בשיגור הנתונים : ";
inline constexpr std::string_view kQuitFailed = "טעות ניתוק : ";
inline constexpr std::string_view kSent = "משלוח הדואר הסתיים בהצלחה";

// The encryption of the connection could not be set up: the server refused STARTTLS, the
// handshake failed or its certificate is not trusted.
inline constexpr std::string_view kTlsFailed = "טעות בהצפנת הקשר לשרת הדואר : ";
// A user name is set but the connection is not encrypted and the server is not this computer:
// the password is not sent.
inline constexpr std::string_view kNoEncryption =
    "שרת הדואר אינו מציע הצפנה: שם המשתמש והסיסמא לא יישלחו בקשר גלוי";
// The server is not this computer and offers no encryption, and the user has not allowed this
// server to take reports in clear; followed by the server's "host:port".
inline constexpr std::string_view kClearTextRefused =
    "שרת הדואר אינו מציע הצפנה (STARTTLS) והדוח לא יישלח בקשר גלוי. ניתן להתיר משלוח ללא "
    "הצפנה לשרת זה בחלון \"פרמטרים\" : ";
// After the parameters were stored: no system keyring answered, so the password went into
// the settings, scrambled.
inline constexpr std::string_view kPasswordScrambled =
    "לא נמצא מאגר סיסמאות של המערכת: הסיסמא נשמרה בהגדרות התוכנה בצורה מעורבלת, לא כטקסט גלוי";
// The report file to be sent could not be read.
inline constexpr std::string_view kReportUnreadable = "טעות בקריאת קובץ הדוח : ";
// Reading the report failed while it was being sent: the connection was dropped before the
// message's end, so nothing was delivered. Followed by the path and the reason.
inline constexpr std::string_view kReportReadFailed =
    "טעות בקריאת קובץ הדוח בזמן השיגור, הדואר לא נשלח : ";

}  // namespace tallyscan::mail_texts
