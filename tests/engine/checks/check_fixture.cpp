#include "check_fixture.h"

#include <unistd.h>

#include <fstream>
#include <random>

namespace tallyscan::testing {

void CheckFixture::SetUp() {
  std::random_device seed;
  folder_ = std::filesystem::temp_directory_path() /
            ("tallyscan-checks-" + std::to_string(seed()) + "-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder_);
}

void CheckFixture::TearDown() {
  store_.Clear();
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

void CheckFixture::Add(const Account& a) {
  RecordWriter w(RecordType::kB110);
  w.SetText(1403, a.key).SetAmount(1414, a.opening).SetAmount(1415, a.debit);
  w.SetAmount(1416, a.credit).SetDigits(1417, a.section).SetText(1419, a.dealer);
  AddLine(w.line());
}

void CheckFixture::AddMovement(std::string_view account, int batch, bool credit,
                               std::int64_t amount) {
  RecordWriter w(RecordType::kB100);
  w.SetText(1364, account).SetDigits(1355, batch).SetText(1366, credit ? "2" : "1");
  w.SetAmount(1368, amount);
  AddLine(w.line());
}

void CheckFixture::Add(const Document& d) {
  RecordWriter w(RecordType::kC100);
  w.SetDigits(1203, d.type).SetText(1204, d.number).SetText(1215, d.dealer);
  w.SetAmount(1219, d.before).SetAmount(1220, d.discount).SetAmount(1221, d.after);
  w.SetAmount(1222, d.vat).SetAmount(1223, d.total).SetText(1225, d.customer);
  AddLine(w.line());
}

void CheckFixture::Add(const DocumentLine& l) {
  RecordWriter w(RecordType::kD110);
  w.SetDigits(1253, l.type).SetText(1254, l.number).SetDigits(1255, l.line);
  w.SetText(1259, l.item).SetAmount(1264, l.quantity).SetAmount(1265, l.price);
  w.SetAmount(1266, l.discount).SetAmount(1267, l.total).SetDigits(1268, l.rate);
  AddLine(w.line());
}

void CheckFixture::Add(const ReceiptLine& r) {
  RecordWriter w(RecordType::kD120);
  w.SetDigits(1303, r.type).SetText(1304, r.number).SetDigits(1305, r.line);
  w.SetText(1306, std::string(1, r.kind)).SetDigits(1307, r.bank).SetDigits(1308, r.branch);
  w.SetDigits(1309, r.account).SetDigits(1310, r.cheque).SetAmount(1312, r.amount);
  AddLine(w.line());
}

void CheckFixture::AddItem(std::string_view code, bool right_aligned) {
  RecordWriter w(RecordType::kM100);
  if (right_aligned) {
    w.SetTextRight(1455, code);
  } else {
    w.SetText(1455, code);
  }
  AddLine(w.line());
}

const RecordStore& CheckFixture::Store() {
  if (built_) return store_;
  built_ = true;
  const std::filesystem::path file = folder_ / "BKMVDATA.TXT";
  {
    std::ofstream out(file, std::ios::binary);
    std::int64_t offset = 0;
    for (const std::string& line : lines_) {
      const RecordLayout* layout = FindLayout(std::string_view(line).substr(0, 4));
      RecordIndex<IndexEntry>* index = nullptr;
      switch (layout != nullptr ? layout->type : RecordType::kA000) {
        case RecordType::kB100:
          index = &store_.MovementIndex;
          break;
        case RecordType::kB110:
          index = &store_.AccountIndex;
          break;
        case RecordType::kC100:
          index = &store_.DocumentIndex;
          break;
        case RecordType::kD110:
          index = &store_.DocumentLineIndex;
          break;
        case RecordType::kD120:
          index = &store_.ReceiptLineIndex;
          break;
        case RecordType::kM100:
          index = &store_.ItemIndex;
          break;
        default:
          break;
      }
      if (index != nullptr) {
        IndexEntry& entry = index->Append();
        MakeKey(layout->type, line, entry.Key);
        entry.Offset = offset;
      }
      out << line << "\r\n";
      offset += static_cast<std::int64_t>(line.size()) + 2;
    }
  }
  for (auto* index : {&store_.DocumentIndex, &store_.DocumentLineIndex, &store_.ReceiptLineIndex,
                      &store_.MovementIndex, &store_.AccountIndex, &store_.ItemIndex}) {
    SortIndex(*index);
  }
  // The item catalogue's list starts in the item index's order, as an import leaves it.
  store_.ItemListIndex.Resize(store_.ItemIndex.Count());
  for (std::int64_t i = 1; i <= store_.ItemIndex.Count(); ++i) {
    store_.ItemListIndex[i] = MakeItemListEntry(store_.ItemIndex[i]);
  }
  store_.BookkeepingType = bookkeeping_type;
  const Status opened = store_.DataFile.Open(file.string());
  EXPECT_TRUE(opened.ok()) << opened.message();
  return store_;
}

CheckResultRows CheckFixture::Run(const CheckTicks& ticks) {
  SilentProgress monitor;
  return Run(ticks, monitor, nullptr);
}

CheckResultRows CheckFixture::Run(const CheckTicks& ticks, ProgressMonitor& monitor,
                                  bool* completed) {
  const FixedClock clock;
  CheckResultRows rows{"left over from an earlier run"};
  const bool done = RunChecks(Store(), ticks, clock, monitor, rows);
  if (completed != nullptr) *completed = done;
  return rows;
}

CheckTicks CheckFixture::Only(std::initializer_list<BookkeepingItem> bookkeeping,
                              std::initializer_list<DocumentItem> documents) {
  CheckTicks ticks;
  ticks.bookkeeping.SetAll(false);
  ticks.documents.SetAll(false);
  for (BookkeepingItem item : bookkeeping) {
    ticks.bookkeeping.SetTicked(static_cast<std::size_t>(item), true);
  }
  for (DocumentItem item : documents) {
    ticks.documents.SetTicked(static_cast<std::size_t>(item), true);
  }
  return ticks;
}

std::vector<std::string> CheckFixture::Section(const CheckResultRows& rows,
                                               std::string_view heading) {
  const std::string wanted = "0\t" + std::string(heading) + std::string(H);
  std::vector<std::string> section;
  bool inside = false;
  for (const std::string& row : rows) {
    if (inside && row.starts_with("0\t") && row.ends_with(H)) break;
    if (inside) section.push_back(row);
    if (row == wanted) inside = true;
  }
  return section;
}

}  // namespace tallyscan::testing
