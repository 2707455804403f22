#pragma once

// Valid record lines written with the record writer, and a small valid data set made of them,
// so that each test starts from a clean data set and breaks one thing.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/uniform/uniform.h"
#include "support/test_files.h"

namespace tallyscan::testing {

inline constexpr std::int64_t kDealer = 123456782;  // passes the check-digit test
inline constexpr std::string_view kPrimaryId = "000000000012345";

// A valid A000 header announcing `total` data lines.
inline std::string A000Line(std::int64_t total) {
  RecordWriter w(RecordType::kA000);
  w.SetDigits(1002, total).SetDigits(1003, kDealer).SetText(1004, kPrimaryId);
  w.SetText(1005, "&OF1.31&").SetDigits(1006, 12345678).SetText(1007, "Ledger Writer");
  w.SetText(1008, "5.2").SetDigits(1009, kDealer).SetText(1010, "Maker Ltd").SetText(1011, "2");
  w.SetText(1012, "C:\\OPENFRMT\\12345678.23").SetText(1013, "2").SetText(1014, "1");
  w.SetDigits(1015, 512345676).SetDigits(1016, 923456781).SetText(1018, "Acme Trading");
  w.SetText(1019, "Herzl").SetText(1020, "12").SetText(1021, "Haifa").SetDigits(1022, 3303000);
  w.SetDigits(1023, 2023).SetDate(1024, 20230101).SetDate(1025, 20231231);
  w.SetDate(1026, 20240115).SetDigits(1027, 930).SetText(1028, "0").SetText(1029, "1");
  w.SetText(1032, "ILS").SetDigits(1034, 0);
  return std::string(w.line());
}

inline std::string SummaryLine(std::string_view code, std::int64_t count) {
  std::string digits = std::to_string(count);
  return std::string(code) + std::string(15 - digits.size(), '0') + digits;
}

inline std::string A100Line() {
  RecordWriter w(RecordType::kA100);
  w.SetDigits(1101, 1).SetDigits(1102, kDealer).SetText(1103, kPrimaryId).SetText(1104, "&OF1.31&");
  return std::string(w.line());
}

inline std::string Z900Line(std::int64_t record, std::int64_t total) {
  RecordWriter w(RecordType::kZ900);
  w.SetDigits(1151, record).SetDigits(1152, kDealer).SetText(1153, kPrimaryId);
  w.SetText(1154, "&OF1.31&").SetDigits(1155, total);
  return std::string(w.line());
}

inline std::string B110Line(std::int64_t record, std::string_view account, std::int64_t opening,
                            std::int64_t debit, std::int64_t credit) {
  RecordWriter w(RecordType::kB110);
  w.SetDigits(1401, record).SetDigits(1402, kDealer).SetText(1403, account);
  w.SetText(1404, "Account").SetAmount(1414, opening).SetAmount(1415, debit);
  w.SetAmount(1416, credit).SetDigits(1417, 100).SetDigits(1419, kDealer);
  w.SetAmount(1422, 0);
  return std::string(w.line());
}

inline std::string B100Line(std::int64_t record, std::string_view account, int batch) {
  RecordWriter w(RecordType::kB100);
  w.SetDigits(1351, record).SetDigits(1352, kDealer).SetDigits(1353, record);
  w.SetDigits(1354, 1).SetDigits(1355, batch).SetText(1356, "JV").SetDigits(1358, 305);
  w.SetDate(1362, 20230305).SetDate(1363, 20230305).SetText(1364, account);
  w.SetText(1365, "4000").SetText(1366, "1").SetAmount(1368, 11700).SetAmount(1369, 0);
  w.SetAmount(1370, 0).SetDate(1375, 20230306);
  return std::string(w.line());
}

inline std::string C100Line(std::int64_t record, int type, std::string_view number) {
  RecordWriter w(RecordType::kC100);
  w.SetDigits(1201, record).SetDigits(1202, kDealer).SetDigits(1203, type);
  w.SetText(1204, number).SetDate(1205, 20230305).SetDigits(1206, 1015);
  w.SetDigits(1215, kDealer).SetDate(1216, 20230305);
  for (int code : {1217, 1219, 1220, 1221, 1222, 1223, 1224}) w.SetAmount(code, 1000);
  w.SetDate(1230, 20230305);
  return std::string(w.line());
}

inline std::string D110Line(std::int64_t record, int type, std::string_view number, int line) {
  RecordWriter w(RecordType::kD110);
  w.SetDigits(1251, record).SetDigits(1252, kDealer).SetDigits(1253, type);
  w.SetText(1254, number).SetDigits(1255, line).SetDigits(1256, 0).SetDigits(1257, 0);
  w.SetText(1258, "2").SetText(1259, "ITEM-1").SetAmount(1264, 10000).SetAmount(1265, 1000);
  w.SetAmount(1266, 0).SetAmount(1267, 1000).SetDigits(1268, 1700).SetDate(1272, 20230305);
  w.SetDigits(1273, 1);
  return std::string(w.line());
}

inline std::string D120Line(std::int64_t record, int type, std::string_view number, int line) {
  RecordWriter w(RecordType::kD120);
  w.SetDigits(1301, record).SetDigits(1302, kDealer).SetDigits(1303, type);
  w.SetTextRight(1304, number).SetDigits(1305, line).SetDigits(1306, 2).SetDigits(1307, 12);
  w.SetDigits(1308, 600).SetDigits(1309, 123456).SetDigits(1310, 1001);
  w.SetDate(1311, 20230401).SetAmount(1312, 11700).SetDigits(1313, 0).SetDigits(1315, 0);
  w.SetDigits(1320, 0).SetDate(1322, 20230305).SetDigits(1323, 1);
  return std::string(w.line());
}

inline std::string M100Line(std::int64_t record, std::string_view item) {
  RecordWriter w(RecordType::kM100);
  w.SetDigits(1451, record).SetDigits(1452, kDealer).SetText(1455, item);
  w.SetText(1456, "Widget").SetAmount(1460, 100).SetAmount(1461, 0).SetAmount(1462, 0);
  w.SetDigits(1463, 250).SetDigits(1464, 250);
  return std::string(w.line());
}

// The lines of a data set, joined and written as INI.TXT and BKMVDATA.TXT.
struct DataSetFiles {
  std::vector<std::string> ini;
  std::vector<std::string> data;
  std::string line_end = "\r\n";

  void Write(const std::string& folder, std::string_view ini_name = "INI.TXT",
             std::string_view data_name = "BKMVDATA.TXT") const {
    WriteFile(folder + "/" + std::string(ini_name), Join(ini));
    WriteFile(folder + "/" + std::string(data_name), Join(data));
  }
  std::string Join(const std::vector<std::string>& lines) const {
    std::string out;
    for (const std::string& line : lines) out += line + line_end;
    return out;
  }
};

// A small valid set: 2 accounts, 3 movements, 2 invoices (305) and a receipt (400) with
// their lines, 1 item; INI.TXT summaries, A000's total and Z900 all agree.
inline DataSetFiles SmallValidSet() {
  DataSetFiles set;
  std::vector<std::string>& d = set.data;
  d.push_back(A100Line());
  d.push_back(B110Line(2, "1200", 50000, 11700, 0));
  d.push_back(B110Line(3, "4000", -20000, 0, 23400));
  d.push_back(B100Line(4, "4000", 7));
  d.push_back(B100Line(5, "1200", 7));
  d.push_back(B100Line(6, "1200", 3));
  d.push_back(C100Line(7, 305, "1001"));
  d.push_back(D110Line(8, 305, "1001", 1));
  d.push_back(D110Line(9, 305, "1001", 2));
  d.push_back(C100Line(10, 305, "1002"));
  d.push_back(C100Line(11, 400, "77"));
  d.push_back(D120Line(12, 400, "77", 1));
  d.push_back(M100Line(13, "ITEM-1"));
  d.push_back(Z900Line(14, 14));
  set.ini = {A000Line(14),           SummaryLine("A100", 1), SummaryLine("B110", 2),
             SummaryLine("B100", 3), SummaryLine("C100", 3), SummaryLine("D110", 2),
             SummaryLine("D120", 1), SummaryLine("M100", 1), SummaryLine("Z900", 1)};
  return set;
}

}  // namespace tallyscan::testing
