#pragma once

// Private to uniform/: code reads fields through layouts.h (by record type and code at run
// time) or fields.h (by name, checked while compiling), which the rest of the program has from
// uniform/uniform.h.
//
// The field tables of the record layouts: the one place that says where each field of each
// record type lies.

#include "engine/uniform/layouts.h"

namespace tallyscan {
namespace layout_tables {

using K = FieldKind;
using C = DetailCheck;
using T = EnumTable;

// The B110 reserved area (361-376) carries no field code of its own; it is listed with
// code 0 and the detail view leaves its code cell empty.
// The cost prices of M100 (1463, 1464) have no sign, so the detail view tests every
// character of them, as the import does.
// A000
inline constexpr FieldLayout kA000Fields[] = {
    {1000, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1001, "לשימוש עתידי", 5, 5, K::kReserved, false, C::kNone, T::kNone},
    {1002, "סה'כ רשומות בקובץ הנתונים", 10, 15, K::kDigits, false, C::kDigits, T::kNone},
    {1003, "מספר עוסק", 25, 9, K::kId9, false, C::kId9, T::kNone},
    {1004, "מזהה ראשי", 34, 15, K::kDigits, false, C::kDigits, T::kNone},
    {1005, "קבוע מערכת", 49, 8, K::kCode, false, C::kNone, T::kNone},
    {1006, "תעודת רישום של התוכנה", 57, 8, K::kDigits, false, C::kDigits, T::kNone},
    {1007, "שם התוכנה", 65, 20, K::kText, true, C::kNone, T::kNone},
    {1008, "מהדורת התוכנה", 85, 20, K::kText, true, C::kNone, T::kNone},
    {1009, "מס. עוסק של היצרן", 105, 9, K::kId9, false, C::kId9, T::kNone},
    {1010, "שם יצרן התוכנה", 114, 20, K::kText, true, C::kNone, T::kNone},
    {1011, "סוג התוכנה", 134, 1, K::kEnum, false, C::kNone, T::kSoftwareKind},
    {1012, "נתיב שמירת הקבצים", 135, 50, K::kText, false, C::kNone, T::kNone},
    {1013, "סוג הנה'ח של התוכנה", 185, 1, K::kEnum, false, C::kNone, T::kBookkeepingKind},
    {1014, "איזון חשבונאי נדרש", 186, 1, K::kEnum, false, C::kNone, T::kBalanceLevel},
    {1015, "מס. חברה ברשם החברות", 187, 9, K::kId9, false, C::kId9, T::kNone},
    {1016, "מס. תיק ניכויים", 196, 9, K::kId9, false, C::kId9, T::kNone},
    {1017, "שטח נתונים עתידי", 205, 10, K::kReserved, false, C::kNone, T::kNone},
    {1018, "שם העסק", 215, 50, K::kText, true, C::kNone, T::kNone},
    {1019, "מען העסק - רחוב", 265, 50, K::kText, true, C::kNone, T::kNone},
    {1020, "מען העסק - בית", 315, 10, K::kText, true, C::kNone, T::kNone},
    {1021, "מען העסק - עיר", 325, 30, K::kText, true, C::kNone, T::kNone},
    {1022, "מען העסק - מיקוד", 355, 8, K::kDigits, false, C::kNone, T::kNone},
    {1023, "שנת המס", 363, 4, K::kDigits, false, C::kDigits, T::kNone},
    {1024, "טווח נתונים - תא' התחלה", 367, 8, K::kDate, false, C::kDigits, T::kNone},
    {1025, "טווח נתונים תא' סיום", 375, 8, K::kDate, false, C::kDigits, T::kNone},
    {1026, "תאריך תחילת התהליך", 383, 8, K::kDate, false, C::kDigits, T::kNone},
    {1027, "שעת תחילת התהליך", 391, 4, K::kTime, false, C::kDigits, T::kNone},
    {1028, "קוד שפה", 395, 1, K::kEnum, false, C::kNone, T::kLanguage},
    {1029, "סט תוים", 396, 1, K::kEnum, false, C::kNone, T::kCharacterSet},
    {1030, "שם תוכנת הכיווץ", 397, 20, K::kText, false, C::kNone, T::kNone},
    {1032, "שם מטבע מוביל", 417, 3, K::kText, true, C::kNone, T::kNone},
    {1034, "מידע על סניפים/ענפים", 420, 1, K::kDigits, false, C::kDigits, T::kNone},
    {1035, "שטח לנתונים עתידיים", 421, 46, K::kReserved, false, C::kNone, T::kNone},
};
// A100
inline constexpr FieldLayout kA100Fields[] = {
    {1100, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1101, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1102, "מספר עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1103, "מזהה ראשי", 23, 15, K::kDigits, false, C::kDigits, T::kNone},
    {1104, "קבוע מערכת", 38, 8, K::kCode, false, C::kNone, T::kNone},
    {1105, "נתונים עתידיים", 46, 50, K::kReserved, false, C::kNone, T::kNone},
};
// Z900
inline constexpr FieldLayout kZ900Fields[] = {
    {1150, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1151, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1152, "מספר עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1153, "מזהה ראשי", 23, 15, K::kDigits, false, C::kDigits, T::kNone},
    {1154, "קבוע מערכת", 38, 8, K::kCode, false, C::kNone, T::kNone},
    {1155, "סה'כ רשומות כולל בקובץ", 46, 15, K::kDigits, false, C::kDigits, T::kNone},
    {1156, "נתונים עתידיים", 61, 50, K::kReserved, false, C::kNone, T::kNone},
};
// B100
inline constexpr FieldLayout kB100Fields[] = {
    {1350, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1351, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1352, "מס. עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1353, "מספר תנועה", 23, 10, K::kKey, false, C::kNone, T::kNone},
    {1354, "מספר שורה בתנועה", 33, 5, K::kKey, false, C::kNone, T::kNone},
    {1355, "מנה", 38, 8, K::kKey, false, C::kNone, T::kNone},
    {1356, "סוג התנועה", 46, 15, K::kText, true, C::kNone, T::kNone},
    {1357, "אסמכתא 1", 61, 20, K::kKey, false, C::kNone, T::kNone},
    {1358, "סוג האסמכתא", 81, 3, K::kDoctype, false, C::kDoctypeListed, T::kNone},
    {1359, "אסמכתא 2", 84, 20, K::kKey, false, C::kNone, T::kNone},
    {1360, "סוג האסמכתא 2", 104, 3, K::kDoctype, false, C::kDoctypeListed, T::kNone},
    {1361, "פרטים", 107, 50, K::kText, true, C::kNone, T::kNone},
    {1362, "תאריך", 157, 8, K::kDate, false, C::kNone, T::kNone},
    {1363, "תאריך ערך", 165, 8, K::kDate, false, C::kNone, T::kNone},
    {1364, "מפתח החשבון", 173, 15, K::kKey, false, C::kNone, T::kNone},
    {1365, "חשבון נגדי", 188, 15, K::kKey, false, C::kNone, T::kNone},
    {1366, "סימן הפעולה", 203, 1, K::kEnum, false, C::kNone, T::kDebitCredit},
    {1367, "קוד מט'ח", 204, 3, K::kText, true, C::kNone, T::kNone},
    {1368, "סכום הפעולה", 207, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1369, "סכום במט'ח", 222, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1370, "כמות", 237, 12, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1371, "התאמה 1", 249, 10, K::kKey, false, C::kNone, T::kNone},
    {1372, "התאמה 2", 259, 10, K::kKey, false, C::kNone, T::kNone},
    {1374, "מזהה סניף/ענף", 269, 7, K::kKey, false, C::kNone, T::kNone},
    {1375, "תאריך", 276, 8, K::kDate, false, C::kNone, T::kNone},
    {1376, "מבצע הפעולה", 284, 9, K::kText, true, C::kNone, T::kNone},
    {1377, "נתונים עתידיים", 293, 25, K::kReserved, false, C::kNone, T::kNone},
};
// B110
inline constexpr FieldLayout kB110Fields[] = {
    {1400, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1401, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1402, "מס. עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1403, "מפתח החשבון", 23, 15, K::kKey, false, C::kNone, T::kNone},
    {1404, "שם החשבון", 38, 50, K::kText, true, C::kNone, T::kNone},
    {1405, "קוד מאזן בוחן", 88, 15, K::kKey, false, C::kNone, T::kNone},
    {1406, "תאור מאזן בוחן", 103, 30, K::kText, true, C::kNone, T::kNone},
    {1407, "מען - רחוב", 133, 50, K::kText, true, C::kNone, T::kNone},
    {1408, "מען - מס. בית", 183, 10, K::kText, true, C::kNone, T::kNone},
    {1409, "מען - עיר", 193, 30, K::kText, true, C::kNone, T::kNone},
    {1410, "מען - מיקוד", 223, 8, K::kText, false, C::kNone, T::kNone},
    {1411, "מען - מדינה", 231, 30, K::kText, true, C::kNone, T::kNone},
    {1412, "מען - קוד מדינה", 261, 2, K::kText, false, C::kNone, T::kNone},
    {1413, "חשבון מרכז", 263, 15, K::kKey, false, C::kNone, T::kNone},
    {1414, "יתרת פתיחה", 278, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1415, "מצטבר חובה", 293, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1416, "מצטבר זכות", 308, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1417, "קוד בסיווג חשבונאי", 323, 4, K::kDigits, false, C::kNone, T::kNone},
    {1419, "מס. עוסק מורשה", 327, 9, K::kId9, false, C::kId9, T::kNone},
    {1421, "מזהה סניף/ענף", 336, 7, K::kKey, false, C::kNone, T::kNone},
    {1422, "יתרת פתיחה מט'ח", 343, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1423, "קוד מט'ח", 358, 3, K::kText, true, C::kNone, T::kNone},
    {0, "נתונים עתידיים", 361, 16, K::kReserved, false, C::kNone, T::kNone},
};
// C100
inline constexpr FieldLayout kC100Fields[] = {
    {1200, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1201, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1202, "מס. עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1203, "סוג המסמך", 23, 3, K::kDoctype, false, C::kDoctypeListed, T::kNone},
    {1204, "מספר המסמך", 26, 20, K::kText, false, C::kNone, T::kNone},
    {1205, "תאריך הפקת המסמך", 46, 8, K::kDate, false, C::kNone, T::kNone},
    {1206, "שעת הפקת המסמך", 54, 4, K::kTime, false, C::kDigits, T::kNone},
    {1207, "שם לקוח/ספק", 58, 50, K::kText, true, C::kNone, T::kNone},
    {1208, "מען לקוח/ספק - רחוב", 108, 50, K::kText, true, C::kNone, T::kNone},
    {1209, "מען לקוח/ספק - בית", 158, 10, K::kText, true, C::kNone, T::kNone},
    {1210, "מען לקוח/ספק - עיר", 168, 30, K::kText, true, C::kNone, T::kNone},
    {1211, "מען לקוח/ספק - מיקוד", 198, 8, K::kText, true, C::kNone, T::kNone},
    {1212, "מען לקוח/ספק - מדינה", 206, 30, K::kText, true, C::kNone, T::kNone},
    {1213, "קוד מדינה", 236, 2, K::kText, false, C::kNone, T::kNone},
    {1214, "טלפון לקוח/ספק", 238, 15, K::kText, false, C::kNone, T::kNone},
    {1215, "עוסק מורשה לקוח/ספק", 253, 9, K::kId9, false, C::kId9, T::kNone},
    {1216, "תאריך ערך", 262, 8, K::kDate, false, C::kNone, T::kNone},
    {1217, "סכום מסמך במט'ח", 270, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1218, "קוד מט'ח", 285, 3, K::kText, true, C::kNone, T::kNone},
    {1219, "סכום מסמך לפני הנחה", 288, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1220, "הנחת מסמך", 303, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1221, "סכום מסמך אחרי הנחה", 318, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1222, "סכום המע'מ", 333, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1223, "סכום מסמך כולל מע'מ", 348, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1224, "סכום ניכוי במקור", 363, 12, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1225, "מפתח לקוח/ספק", 375, 15, K::kKey, false, C::kNone, T::kNone},
    {1226, "שדה התאמה", 390, 10, K::kText, true, C::kNone, T::kNone},
    {1228, "מסמך מבוטל", 400, 1, K::kText, true, C::kNone, T::kNone},
    {1230, "תאריך המסמך", 401, 8, K::kDate, false, C::kNone, T::kNone},
    {1231, "מזהה סניף/ענף", 409, 7, K::kText, true, C::kNone, T::kNone},
    {1233, "מבצע הפעולה", 416, 9, K::kText, true, C::kNone, T::kNone},
    {1234, "שדה מקשר לשורה", 425, 7, K::kText, true, C::kNone, T::kNone},
    {1235, "נתונים עתידיים", 432, 13, K::kReserved, false, C::kNone, T::kNone},
};
// D110
inline constexpr FieldLayout kD110Fields[] = {
    {1250, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1251, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1252, "מס. עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1253, "סוג המסמך", 23, 3, K::kDoctype, false, C::kDoctypeListed, T::kNone},
    {1254, "מספר המסמך", 26, 20, K::kText, false, C::kNone, T::kNone},
    {1255, "מספר שורה במסמך", 46, 4, K::kDigits, false, C::kDigits, T::kNone},
    {1256, "סוג מסמך בסיס", 50, 3, K::kDoctype, false, C::kNone, T::kNone},
    {1257, "מס. מסמך בסיס", 53, 20, K::kDigits, false, C::kDigits, T::kNone},
    {1258, "סוג עיסקה", 73, 1, K::kEnum, false, C::kDigits, T::kTransactionKind},
    {1259, "מק'ט פנימי", 74, 20, K::kText, true, C::kNone, T::kNone},
    {1260, "תיאור הטובין שנמכר או השירות שניתן", 94, 30, K::kText, true, C::kNone, T::kNone},
    {1261, "שם היצרן", 124, 50, K::kText, true, C::kNone, T::kNone},
    {1262, "מספר סידורי של המוצר", 174, 30, K::kText, false, C::kNone, T::kNone},
    {1263, "תאור יחידת המידה", 204, 20, K::kText, true, C::kNone, T::kNone},
    {1264, "הכמות", 224, 17, K::kQty4, false, C::kAmountDigits, T::kNone},
    {1265, "מחיר ליחידה ללא מע'מ", 241, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1266, "הנחת שורה", 256, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1267, "סך סכום בשורה", 271, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1268, "שיעור המע'מ בשורה", 286, 4, K::kUdec, false, C::kDigits, T::kNone},
    {1270, "מזהה סניף/ענף", 290, 7, K::kText, true, C::kNone, T::kNone},
    {1272, "תאריך המסמך", 297, 8, K::kDate, false, C::kDateRange, T::kNone},
    {1273, "שדה מקשר לכותרת", 305, 7, K::kDigits, false, C::kDigits, T::kNone},
    {1274, "מזהה סניף או ענף למסמך בסיס", 312, 7, K::kText, true, C::kNone, T::kNone},
    {1275, "לשימוש עתידי", 319, 21, K::kReserved, false, C::kNone, T::kNone},
};
// D120
inline constexpr FieldLayout kD120Fields[] = {
    {1300, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1301, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1302, "מס. עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1303, "סוג המסמך", 23, 3, K::kDoctype, false, C::kDoctypeListed, T::kNone},
    {1304, "מספר המסמך", 26, 20, K::kDigits, false, C::kDigits, T::kNone},
    {1305, "מספר שורה במסמך", 46, 4, K::kDigits, false, C::kDigits, T::kNone},
    {1306, "סוג אמצעי תשלום", 50, 1, K::kEnum, false, C::kDigits, T::kPaymentMeans},
    {1307, "מספר הבנק", 51, 10, K::kDigits, false, C::kDigits, T::kBank},
    {1308, "מספר הסניף", 61, 10, K::kDigits, false, C::kDigits, T::kNone},
    {1309, "מספר חשבון", 71, 15, K::kDigits, false, C::kDigits, T::kNone},
    {1310, "מספר המחאה", 86, 10, K::kDigits, false, C::kDigits, T::kNone},
    {1311, "תאריך פרעון", 96, 8, K::kDate, false, C::kDateRange, T::kNone},
    {1312, "סכום השורה", 104, 15, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1313, "קוד החברה הסולקת", 119, 1, K::kEnum, false, C::kDigits, T::kClearingCompany},
    {1314, "שם הכרטיס הנסלק", 120, 20, K::kText, true, C::kNone, T::kNone},
    {1315, "סוג עסקת האשראי", 140, 1, K::kEnum, false, C::kDigits, T::kCreditDealKind},
    {1320, "מזהה סניף/ענף", 141, 7, K::kDigits, false, C::kDigits, T::kNone},
    {1322, "תאריך המסמך", 148, 8, K::kDate, false, C::kDateRange, T::kNone},
    {1323, "שדה מקשר לכותרת", 156, 7, K::kDigits, false, C::kDigits, T::kNone},
    {1324, "לשימוש עתידי", 163, 60, K::kReserved, false, C::kNone, T::kNone},
};
// M100
inline constexpr FieldLayout kM100Fields[] = {
    {1450, "קוד רשומה", 1, 4, K::kCode, false, C::kNone, T::kNone},
    {1451, "מס. רשומה בקובץ", 5, 9, K::kDigits, false, C::kDigits, T::kNone},
    {1452, "מס. עוסק מורשה", 14, 9, K::kId9, false, C::kId9, T::kNone},
    {1453, "מספר קטלוגי", 23, 20, K::kKey, false, C::kNone, T::kNone},
    {1454, "מק'ט יצרן", 43, 20, K::kKey, false, C::kNone, T::kNone},
    {1455, "מק'ט פנימי", 63, 20, K::kKey, false, C::kNone, T::kNone},
    {1456, "תאור הפריט", 83, 50, K::kText, true, C::kNone, T::kNone},
    {1457, "קוד מיון", 133, 10, K::kKey, false, C::kNone, T::kNone},
    {1458, "תאור קוד מיון", 143, 30, K::kText, true, C::kNone, T::kNone},
    {1459, "יחידת מידה", 173, 20, K::kText, true, C::kNone, T::kNone},
    {1460, "כמות פתיחה", 193, 12, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1461, "כמות כניסה", 205, 12, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1462, "כמות יציאה", 217, 12, K::kAmount, false, C::kAmountDigits, T::kNone},
    {1463, "מחיר עלות", 229, 10, K::kUdec, false, C::kDigits, T::kNone},
    {1464, "מחיר עלות במחסן", 239, 10, K::kUdec, false, C::kDigits, T::kNone},
    {1465, "נתונים עתידיים", 249, 50, K::kReserved, false, C::kNone, T::kNone},
};

inline constexpr RecordLayout kLayouts[] = {
    {RecordType::kA000, "A000", "קובץ אתחול", 466, 466, kA000Fields},
    {RecordType::kA100, "A100", "רשומת פתיחה", 0, 95, kA100Fields},
    {RecordType::kB100, "B100", "תנועת הנה'ח", 317, 317, kB100Fields},
    {RecordType::kB110, "B110", "כרטיס הנה'ח", 376, 376, kB110Fields},
    {RecordType::kC100, "C100", "כותרת מסמך", 444, 444, kC100Fields},
    {RecordType::kD110, "D110", "שורת פרוט תעודה", 339, 339, kD110Fields},
    {RecordType::kD120, "D120", "שורת פרוט קבלה", 222, 222, kD120Fields},
    {RecordType::kM100, "M100", "פריט מלאי", 298, 298, kM100Fields},
    {RecordType::kZ900, "Z900", "רשומת סגירה", 0, 110, kZ900Fields},
};

}  // namespace layout_tables
}  // namespace tallyscan
