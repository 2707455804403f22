// The account groups (24.Kvu): 200 empty records, then one per trial-balance code with the
// first and last account numbers under it.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "engine/transfer/account_numbers.h"
#include "engine/transfer/record_files.h"
#include "engine/transfer/target_fields.h"
#include "engine/transfer/writers.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

struct Member {
  std::string code;
  std::int32_t number;
  std::string description;
};

// The accounts by trial-balance code, then by number.
std::vector<Member> MembersByCode(TransferRun& run) {
  std::vector<Member> members;
  for (const ListEntry& entry : run.store().AccountListIndex.Entries()) {
    const std::string_view line = run.Line(entry.Offset, RecordType::kB110);
    members.push_back({std::string(SliceField(line, field::B110(1405))),
                       static_cast<std::int32_t>(AccountNumberOf(entry.ShortKeyView())),
                       std::string(SliceField(line, field::B110(1406)))});
  }
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) {
    return a.code != b.code ? a.code < b.code : a.number < b.number;
  });
  return members;
}

}  // namespace

Status WriteGroups(TransferRun& run) {
  const std::vector<Member> members = MembersByCode(run);
  RecordFile groups(kGroupRecordSize, run.calls());
  const std::string path = run.Staged(kGroupsExtension);
  std::error_code error;
  std::filesystem::remove(path, error);  // the groups follow the accounts written now
  if (Status s = groups.Open(path); !s.ok()) return s;
  TargetRecord record(kGroupRecordSize);
  record.Fill(0);
  record.Text(target::Group("name"), "");
  for (int i = 0; i < kEmptyGroupRecords; ++i) groups.Append(record.bytes());
  std::int64_t written = kEmptyGroupRecords;
  for (std::size_t first = 0; first < members.size();) {
    std::size_t last = first;
    while (last + 1 < members.size() && members[last + 1].code == members[first].code) ++last;
    record.Fill(0);
    record.Text(target::Group("name"), run.Text(target::Group("name"), members[first].description));
    record.Number(target::Group("in use"), 1);
    record.Number(target::Group("first account"), members[first].number);
    record.Number(target::Group("last account"), members[last].number);
    groups.Append(record.bytes());
    ++written;
    first = last + 1;
  }
  if (Status s = groups.Close(); !s.ok()) return s;
  run.Wrote(run.FileName(kGroupsExtension), written);
  return Status::Ok();
}

}  // namespace tallyscan
