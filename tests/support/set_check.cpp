#include "support/set_check.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "engine/uniform/uniform.h"

namespace tallyscan::testing {
namespace {

std::string_view Field(std::string_view line, RecordType type, int code) {
  const FieldLayout* field = FindField(LayoutOf(type), code);
  return field == nullptr ? std::string_view() : SliceField(line, *field);
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::int64_t Number(std::string_view text) {
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::int64_t Amount(std::string_view text) {
  if (text.empty()) return 0;
  const std::int64_t value = Number(text.substr(1));
  return text[0] == '-' ? -value : value;
}

std::string Trim(std::string_view text) {
  const auto begin = text.find_first_not_of(' ');
  if (begin == std::string_view::npos) return "";
  const auto end = text.find_last_not_of(' ');
  return std::string(text.substr(begin, end - begin + 1));
}

// The first field of a line whose form is wrong, as the fault it would come from.
std::optional<FaultKind> BadField(std::string_view line, const RecordLayout& layout) {
  for (const FieldLayout& field : layout.fields) {
    const std::string_view value = SliceField(line, field);
    switch (field.kind) {
      case FieldKind::kDigits:
      case FieldKind::kId9:
      case FieldKind::kUdec:
      case FieldKind::kTime:
        if (!AllDigits(value)) return FaultKind::kBadNumeric;
        break;
      case FieldKind::kAmount:
      case FieldKind::kQty4:
        if (value.empty() || (value[0] != '+' && value[0] != '-')) return FaultKind::kBadSign;
        if (!AllDigits(value.substr(1))) return FaultKind::kBadNumeric;
        break;
      case FieldKind::kDate: {
        if (!AllDigits(value)) return FaultKind::kBadNumeric;
        const std::int64_t date = Number(value);
        const std::int64_t year = date / 10000, month = date / 100 % 100, day = date % 100;
        if (date != 0 &&
            (year < 2000 || year > 2049 || month < 1 || month > 12 || day < 1 || day > 31)) {
          return FaultKind::kBadDate;
        }
        break;
      }
      default:
        break;
    }
  }
  return std::nullopt;
}

// The check-digit rules of the banks whose accounts the generator writes.
bool ValidBank(int bank, int branch, std::int64_t account) {
  int a[10] = {};  // a[1] .. a[9], from the left
  for (int i = 9; i >= 1; --i, account /= 10) a[i] = static_cast<int>(account % 10);
  const int s1 = branch / 100 % 10, s2 = branch / 10 % 10, s3 = branch % 10;
  const auto weighted = [](const int(&digits)[9]) {
    int sum = 0;
    for (int i = 0; i < 9; ++i) sum += digits[i] * (9 - i);
    return sum;
  };
  switch (bank) {
    case 10: {
      const int sum = 2 * a[7] + 3 * a[6] + 4 * a[5] + 5 * a[4] + 6 * a[3] + 7 * a[2] + 8 * s3 +
                      9 * s2 + 10 * s1 + a[8] * 10 + a[9];
      const int r = sum % 100;
      return r == 90 || r == 70 || r == 60 || r == 20;
    }
    case 12:
    case 20: {
      const int digits[9] = {s1, s2, s3, a[4], a[5], a[6], a[7], a[8], a[9]};
      return weighted(digits) % 11 == 0 && (bank != 20 || branch <= 400);
    }
    case 11:
    case 31: {
      const int digits[9] = {a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9]};
      return weighted(digits) % 11 == 0;
    }
    case 99:
      return true;
    default:
      return false;  // the generator writes no other bank
  }
}

struct Account {
  std::int64_t line;
  std::int64_t opening, debit, credit;
  std::int64_t moved_debit = 0, moved_credit = 0;
};

}  // namespace

bool ValidId(std::string_view digits) {
  if (!AllDigits(digits)) return false;
  int sum = 0;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    int d = digits[i] - '0';
    if (i % 2 == 1) {
      d *= 2;
      if (d > 9) d = d % 10 + 1;
    }
    sum += d;
  }
  return sum % 10 == 0;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

SetCheck CheckSet(const std::filesystem::path& folder, const std::string* data) {
  SetCheck check;
  const auto add = [&check](FaultKind kind, std::string_view file, std::int64_t line,
                            std::string what) {
    check.findings.push_back({kind, std::string(file), line, std::move(what)});
  };
  const std::string data_bytes = data != nullptr ? *data : ReadFile(folder / "BKMVDATA.TXT");
  const std::vector<std::string> lines = SplitLines(data_bytes);
  const std::vector<std::string> ini = SplitLines(ReadFile(folder / "INI.TXT"));
  check.data_lines = static_cast<std::int64_t>(lines.size());

  std::map<std::string, std::int64_t> counts;
  std::map<std::string, Account> accounts;  // by trimmed key
  std::set<std::string> items;
  std::map<std::int64_t, std::int64_t> batches;  // batch -> debit - credit
  std::int64_t movement_debit = 0, movement_credit = 0;
  struct Move {
    std::string key;
    std::int64_t line, batch, amount;
    bool credit;
  };
  std::vector<Move> moves;
  struct Doc {
    std::int64_t line;
    std::string header;
    std::vector<std::pair<std::int64_t, std::string>> lines, receipts;
  };
  std::map<std::string, Doc> docs;  // by type + number
  std::vector<std::string> doc_order;

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const auto n = static_cast<std::int64_t>(i + 1);
    for (const char character : line) {
      const auto c = static_cast<unsigned char>(character);
      if (c >= 1 && c <= 30) {
        add(FaultKind::kControlCharacter, "BKMVDATA.TXT", n, "control character");
        break;
      }
    }
    const RecordLayout* layout = FindLayout(std::string_view(line).substr(0, 4));
    if (layout == nullptr || layout->type == RecordType::kA000) {
      add(FaultKind::kUnknownRecord, "BKMVDATA.TXT", n, "unknown record " + line.substr(0, 4));
      continue;
    }
    const RecordType type = layout->type;
    const int expected = layout->length != 0 ? layout->length : layout->full_width;
    if (static_cast<int>(line.size()) != expected) {
      add(FaultKind::kBadLength, "BKMVDATA.TXT", n, "length " + std::to_string(line.size()));
    }
    if (auto bad = BadField(line, *layout)) add(*bad, "BKMVDATA.TXT", n, "malformed field");
    ++counts[std::string(layout->code)];
    switch (type) {
      case RecordType::kB110: {
        const std::string key = Trim(Field(line, type, 1403));
        accounts[key] = {n, Amount(Field(line, type, 1414)), Amount(Field(line, type, 1415)),
                         Amount(Field(line, type, 1416))};
        const std::int64_t section = Number(Field(line, type, 1417));
        const std::string_view dealer = Field(line, type, 1419);
        if (section == 0 && (accounts[key].opening != 0 || accounts[key].credit != 0)) {
          add(FaultKind::kMissingSection, "BKMVDATA.TXT", n, "no section code");
        }
        const bool partner = section == 7310 || section == 7320 || section == 7390 ||
                             section == 7410 || section == 9210 || section == 9220 ||
                             section == 9290 || section == 9370;
        if (Number(dealer) == 0 ? partner : !ValidId(dealer)) {
          add(FaultKind::kAccountDealer, "BKMVDATA.TXT", n, "dealer " + std::string(dealer));
        }
        break;
      }
      case RecordType::kB100: {
        const bool credit = Field(line, type, 1366) == "2";
        const std::int64_t amount = Amount(Field(line, type, 1368));
        const std::int64_t batch = Number(Field(line, type, 1355));
        (credit ? movement_credit : movement_debit) += amount;
        batches[batch] += credit ? -amount : amount;
        moves.push_back({Trim(Field(line, type, 1364)), n, batch, amount, credit});
        break;
      }
      case RecordType::kM100:
        items.insert(Trim(Field(line, type, 1455)));
        break;
      case RecordType::kC100: {
        const std::string key(Field(line, type, 1203));
        const std::string id = key + std::string(Field(line, type, 1204));
        docs[id].line = n;
        docs[id].header = line;
        doc_order.push_back(id);
        break;
      }
      case RecordType::kD110:
        docs[std::string(Field(line, type, 1253)) + std::string(Field(line, type, 1254))]
            .lines.push_back({n, line});
        break;
      case RecordType::kD120:
        docs[std::string(Field(line, type, 1303)) + std::string(Field(line, type, 1304))]
            .receipts.push_back({n, line});
        break;
      case RecordType::kZ900:
        if (Number(Field(line, type, 1155)) != check.data_lines) {
          add(FaultKind::kZ900Total, "BKMVDATA.TXT", n, "Z900 total");
        }
        break;
      default:
        break;
    }
  }

  // INI.TXT: the header's total and each summary line against what was read.
  if (!ini.empty()) {
    if (ini[0].size() != 466) add(FaultKind::kIniTotal, "INI.TXT", 1, "A000 length");
    if (auto bad = BadField(ini[0], LayoutOf(RecordType::kA000))) {
      add(*bad, "INI.TXT", 1, "malformed A000 field");
    }
    if (Number(Field(ini[0], RecordType::kA000, 1002)) != check.data_lines) {
      add(FaultKind::kIniTotal, "INI.TXT", 1, "A000 total");
    }
  }
  for (std::size_t i = 1; i < ini.size(); ++i) {
    const std::string code = ini[i].substr(0, 4);
    if (ini[i].size() != 19 || Number(std::string_view(ini[i]).substr(4)) != counts[code]) {
      add(FaultKind::kIniTypeCount, "INI.TXT", static_cast<std::int64_t>(i + 1), "count " + code);
    }
  }

  for (const auto& [batch, balance] : batches) {
    if (balance != 0) add(FaultKind::kUnbalancedBatch, "BKMVDATA.TXT", batch, "batch");
  }
  // Movements against accounts: the first batch carries the opening balances.
  for (const Move& move : moves) {
    auto account = accounts.find(move.key);
    if (account == accounts.end()) {
      add(FaultKind::kUnknownAccount, "BKMVDATA.TXT", move.line, "account " + move.key);
      continue;
    }
    (move.credit ? account->second.moved_credit : account->second.moved_debit) += move.amount;
  }
  std::int64_t index_debit = 0, index_credit = 0;
  for (const auto& [key, a] : accounts) {
    const std::int64_t moved = a.moved_debit - a.moved_credit;
    if (std::llabs(a.debit - a.credit - moved) > 99 &&
        std::llabs(a.opening + a.debit - a.credit - moved) > 99) {
      add(FaultKind::kAccountTotals, "BKMVDATA.TXT", a.line, "account " + key);
    }
    (a.opening < 0 ? index_credit : index_debit) += std::llabs(a.opening);
    index_debit += a.debit;
    index_credit += a.credit;
  }
  check.index_unbalanced = std::llabs(index_debit - index_credit) > 99;
  check.index_movements_off = std::llabs(index_debit - movement_debit) > 99 ||
                              std::llabs(index_credit - movement_credit) > 99;

  // Documents: their own arithmetic, their lines, their receipts and whom they name.
  const auto off = [](double summary, double computed) {
    if (std::fabs(summary - computed) <= 99) return false;
    if (summary == 0) return true;
    return std::fabs(100 - computed / summary * 100) > 2;
  };
  for (const std::string& id : doc_order) {
    const Doc& doc = docs[id];
    const std::string_view h = doc.header;
    const RecordType c = RecordType::kC100;
    const std::int64_t type = Number(Field(h, c, 1203));
    const std::int64_t before = Amount(Field(h, c, 1219)), discount = Amount(Field(h, c, 1220)),
                       after = Amount(Field(h, c, 1221)), vat = Amount(Field(h, c, 1222)),
                       total = Amount(Field(h, c, 1223));
    const bool receipt = type >= 400 && type <= 499;
    if (!receipt &&
        (std::llabs(before + discount - after) > 99 || std::llabs(after + vat - total) > 99)) {
      add(FaultKind::kDocumentArithmetic, "BKMVDATA.TXT", doc.line, "summary " + id);
    }
    if (accounts.count(Trim(Field(h, c, 1225))) == 0) {
      add(FaultKind::kUnknownCustomer, "BKMVDATA.TXT", doc.line, "customer " + id);
    }
    const std::string_view dealer = Field(h, c, 1215);
    if ((type == 305 || type == 310 || type == 320 || type == 330 || type == 340 || type == 345 ||
         type == 700 || type == 401) &&
        (Number(dealer) == 0 || !ValidId(dealer))) {
      add(FaultKind::kDocumentDealer, "BKMVDATA.TXT", doc.line, "dealer " + id);
    }
    const bool wants_lines = (type >= 100 && type <= 799 && !receipt);
    if (wants_lines) {
      double sum = 0;
      double rate = 0;  // percent
      for (const auto& [n, line] : doc.lines) {
        const RecordType d = RecordType::kD110;
        double quantity = static_cast<double>(Amount(Field(line, d, 1264))) / 10000;
        if (quantity == 0) quantity = 1;
        const double price = static_cast<double>(Amount(Field(line, d, 1265)));
        const double line_discount = static_cast<double>(Amount(Field(line, d, 1266)));
        const double line_total = static_cast<double>(Amount(Field(line, d, 1267)));
        if (off(price * quantity + line_discount, line_total)) {
          add(FaultKind::kPriceQuantity, "BKMVDATA.TXT", n, "price x quantity " + id);
        }
        if (Number(Field(line, d, 1268)) != 0)
          rate = static_cast<double>(Number(Field(line, d, 1268))) / 100;
        sum += line_total;
        if (items.count(Trim(Field(line, d, 1259))) == 0) {
          add(FaultKind::kUnknownItem, "BKMVDATA.TXT", n, "item " + id);
        }
      }
      if (doc.lines.empty() || off(static_cast<double>(before), sum)) {
        add(FaultKind::kDocumentArithmetic, "BKMVDATA.TXT", doc.line, "lines " + id);
      }
      const double lines_vat = (sum + static_cast<double>(discount)) / 100 * rate;
      if (off(static_cast<double>(vat), lines_vat)) {
        add(FaultKind::kVat, "BKMVDATA.TXT", doc.line, "vat " + id);
      }
    }
    if (receipt || type == 320) {
      std::int64_t sum = 0;
      for (const auto& [n, line] : doc.receipts) {
        const RecordType r = RecordType::kD120;
        sum += Amount(Field(line, r, 1312));
        if (Field(line, r, 1306) != "2") continue;
        const auto bank = Number(Field(line, r, 1307)), branch = Number(Field(line, r, 1308)),
                   account = Number(Field(line, r, 1309));
        if (Number(Field(line, r, 1310)) == 0) {
          add(FaultKind::kMissingCheque, "BKMVDATA.TXT", n, "cheque " + id);
        }
        if (bank == 0 || branch == 0 || account == 0 ||
            !ValidBank(static_cast<int>(bank), static_cast<int>(branch), account)) {
          add(FaultKind::kBadBankAccount, "BKMVDATA.TXT", n, "bank " + id);
        }
      }
      if (doc.receipts.empty() || std::llabs(sum - total) > 99) {
        add(FaultKind::kReceiptSum, "BKMVDATA.TXT",
            doc.receipts.empty() ? doc.line : doc.receipts.front().first, "receipts " + id);
      }
    }
  }
  return check;
}

}  // namespace tallyscan::testing
