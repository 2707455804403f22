// Bytes in a record's text that are no line end (a CR without LF, a NUL, 0xFF) stay inside
// their field: every field after them reaches the target as the source has it.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/common/progress.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_fixture.h"
#include "engine/transfer/transfer_format.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

using Account = testing::TransferAccount;
using testing::SetBuilder;
using testing::TempFolder;

constexpr std::string_view kOddBytes{"A\rB\0C\xFF", 6};
constexpr std::string_view kPlainBytes = "AxBxCx";

// A text field of a record type the transfer reads, and the target field it becomes.
struct OddField {
  RecordType type;
  Positions source;
  std::string_view target_file;  // where that record goes
  const TargetRecordMap& (*map)();
  const TargetField& target_field;
};

// The bytes written over a field from its second character on.
void Overlay(std::string& line, Positions field, std::string_view bytes) {
  line.replace(static_cast<std::size_t>(field.start), bytes.size(), bytes);
}

// One record of each type the transfer reads; the case's field of its record type holds
// `bytes`.
SetBuilder BuildSet(const OddField& odd, std::string_view bytes) {
  SetBuilder set({{"1200", "Cash account", "100", 100, 50000}, {"4000", "Sales", "600", 7000}});
  const auto add = [&](RecordType type, std::string line) {
    if (type == odd.type) Overlay(line, odd.source, bytes);
    set.Add(type, std::move(line));
  };
  add(RecordType::kB110, testing::AccountLine(set.Next(), {"5000", "Supplier name", "300", 5100}));
  add(RecordType::kB100, testing::B100Line(set.Next(), "1200", 3));
  add(RecordType::kM100, testing::M100Line(set.Next(), "ITEM-1"));
  add(RecordType::kC100, testing::C100Line(set.Next(), 305, "17"));
  add(RecordType::kD110, testing::D110Line(set.Next(), 305, "17", 1));
  set.Add(RecordType::kC100, testing::C100Line(set.Next(), 400, "18"));
  add(RecordType::kD120, testing::D120Line(set.Next(), 400, "18", 1));
  return set;
}

// The target's records of one file, transferred from the set.
std::vector<std::vector<std::uint8_t>> Transferred(SetBuilder set, std::string_view file,
                                                   std::size_t record_size) {
  TempFolder data, cache, target;
  set.Write(data.path());
  RecordStore store;
  SilentProgress silent;
  EXPECT_TRUE(ImportFolder(store, data.path(), silent, {cache.path()}).status.ok());
  TransferOptions options;
  options.target_folder = target.path();
  const TransferResult result = RunTransfer(store, options, silent);
  EXPECT_TRUE(result.status.ok()) << result.status.message();
  return testing::Records(target.File("23" + std::string(file)), record_size);
}

std::string Bytes(const std::vector<std::uint8_t>& record, const TargetField& f) {
  return {record.begin() + static_cast<std::ptrdiff_t>(f.offset),
          record.begin() + static_cast<std::ptrdiff_t>(f.offset + f.width)};
}

TEST(TransferRecordBytesTest, OddBytesInATextFieldLeaveEveryOtherFieldAsTheSourceHasIt) {
  const OddField cases[] = {
      {RecordType::kB110, field::B110(1404), ".Ndx", &AccountRecordMap, target::Account("name")},
      {RecordType::kB100, field::B100(1361), ".Trn", &MovementRecordMap,
       target::Movement("details")},
      {RecordType::kM100, field::M100(1456), ".Prt", &ItemRecordMap, target::Item("name")},
      {RecordType::kC100, field::C100(1207), ".Hs1", &DocumentRecordMap,
       target::Document("customer name")},
      {RecordType::kD110, field::D110(1260), ".Hs1", &LineRecordMap, target::Line("description")},
      {RecordType::kD120, field::D120(1309), ".Kb1", &PaymentRecordMap,
       target::Payment("bank account")},
  };
  for (const OddField& odd : cases) {
    SCOPED_TRACE(std::string(LayoutOf(odd.type).code));
    const TargetRecordMap& odd_map = odd.map();
    const auto plain = Transferred(BuildSet(odd, kPlainBytes), odd.target_file, odd_map.size);
    const auto with_odd = Transferred(BuildSet(odd, kOddBytes), odd.target_file, odd_map.size);
    ASSERT_FALSE(plain.empty());
    ASSERT_EQ(plain.size(), with_odd.size());
    const bool documents = TargetFileKindOf(odd.target_file) == TargetFileKind::kDocuments;
    int odd_fields = 0;
    for (std::size_t r = 0; r < plain.size(); ++r) {
      const TargetRecordMap* map = documents ? DocumentFileMapOf(plain[r][0]) : &odd_map;
      ASSERT_NE(nullptr, map);
      for (const TargetField& f : map->fields) {
        const bool odd_here =
            &f == &odd.target_field && Bytes(plain[r], f).find("xBx") != std::string::npos;
        if (!odd_here) {
          EXPECT_EQ(Bytes(plain[r], f), Bytes(with_odd[r], f)) << "record " << r << ": " << f.name;
          continue;
        }
        ++odd_fields;
        const std::string got = Bytes(with_odd[r], f);
        EXPECT_NE(std::string::npos, got.find('\r')) << got;
        EXPECT_NE(std::string::npos, got.find('\0')) << got;
      }
    }
    EXPECT_EQ(1, odd_fields);
  }
}

}  // namespace
}  // namespace tallyscan
