#include "engine/transfer/transfer_run.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>

#include "engine/text/text.h"
#include "engine/transfer/record_files.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

long long ExpectedUnits(const RecordStore& store, const TransferOptions& options) {
  long long units = 0;
  if (options.accounts) units += store.AccountListIndex.Count();
  if (options.movements) units += store.MovementIndex.Count();
  if (options.items) units += store.ItemIndex.Count();
  if (options.documents) units += store.DocumentIndex.Count();
  return units;
}

}  // namespace

std::string TargetDate(std::string_view yyyymmdd) {
  const std::string_view trimmed = TrimSpaces(yyyymmdd);
  if (trimmed.empty() || trimmed.find_first_not_of('0') == std::string_view::npos) {
    return std::string(kNoDate);
  }
  return FormatDate(yyyymmdd);
}

std::int32_t NumberOf(std::string_view field) {
  const std::optional<std::int64_t> value = ParseSignedDecimal(TrimSpaces(field));
  if (!value || *value > INT32_MAX || *value < INT32_MIN) return 0;
  return static_cast<std::int32_t>(*value);
}

std::string KeyText(std::string_view text) {
  std::string key(text.substr(0, std::min(text.size(), kIsamKeyLength)));
  key.resize(kIsamKeyLength, ' ');
  return key;
}

Status FromIsam(IsamStatus status, const std::string& path) {
  if (status == IsamStatus::kOk) return Status::Ok();
  if (status == IsamStatus::kCorrupt) return Status::Corrupt("damaged index file " + path);
  return Status::IoError("the record manager cannot write " + path);
}

void KeyBlock::Set(int key_number, std::string_view key) {
  std::memcpy(bytes_.data() + static_cast<std::size_t>(key_number - 1) * kIsamKeyLength,
              KeyText(key).data(), kIsamKeyLength);
}

void KeyBlock::SetRecord(std::uint32_t record) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes_[kIsamKeyBlockPointerAt + i] = static_cast<std::uint8_t>(record >> (8 * i));
  }
}

std::string_view LineWindow::Line(std::int64_t offset, RecordType type) {
  const int width = LayoutOf(type).full_width;
  // The byte after the width tells whether a CR at the limit is the line's own end.
  const auto span = static_cast<std::size_t>(width) + 1;
  if (offset < start_ || static_cast<std::size_t>(offset - start_) + span > bytes_.size()) {
    start_ = offset;
    bytes_ = store_.DataFile.ReadAt(offset, std::max(kWindowBytes, span));
  }
  const std::string_view rest =
      static_cast<std::size_t>(offset - start_) < bytes_.size()
          ? std::string_view(bytes_).substr(static_cast<std::size_t>(offset - start_))
          : std::string_view();
  return CutLine(rest, width);
}

TransferRun::TransferRun(const RecordStore& store, const TransferOptions& options,
                         ProgressMonitor& monitor, const TransferStepSink& on_step)
    : store_(store),
      options_(options),
      on_step_(on_step),
      calls_(options.file_calls != nullptr ? *options.file_calls : SystemFileCalls()),
      index_files_(IndexFilesThrough(calls_)),
      records_(std::make_unique<RecordManager>(
          *index_files_, [this](const std::string& text) { result_.warnings.push_back(text); })),
      monitor_(monitor),
      progress_(monitor, ExpectedUnits(store, options)),
      prefix_(TaxYearPrefix(store.TaxYear)),
      staging_(StagingFolderOf(options.target_folder)),
      lines_(store) {}

TransferRun::~TransferRun() = default;

bool TransferRun::Tick() {
  progress_.Advance(++done_);
  if (monitor_.StopRequested()) stopped_ = true;
  return !stopped_;
}

void TransferRun::Step(std::string_view name) const {
  if (on_step_) on_step_(name);
}

void TransferRun::Wrote(const std::string& name, std::int64_t records, std::int64_t skipped) {
  for (TransferredFile& f : result_.files) {
    if (f.name == name) {
      f.records += records;
      f.skipped += skipped;
      return;
    }
  }
  result_.files.push_back({name, records, skipped});
}

std::string TransferRun::Target(std::string_view extension) const {
  return JoinPath(options_.target_folder, FileName(extension));
}

std::string TransferRun::Staged(std::string_view extension) const {
  return JoinPath(staging_, FileName(extension));
}

bool TransferRun::TargetHoldsData(std::string_view extension) const {
  return FileSize(Target(extension)) > 0;
}

Status TransferRun::Stage(std::string_view extension) {
  std::error_code error;
  if (std::filesystem::exists(Staged(extension), error)) return Status::Ok();
  if (!std::filesystem::exists(Target(extension), error)) return Status::Ok();
  return CopyFile(calls_, Target(extension), Staged(extension));
}

std::string TransferRun::Text(const TargetField& field, std::string_view text) const {
  std::string_view trimmed = TrimSpaces(text);
  if (trimmed.size() > field.width) {
    trimmed = store_.DosCodePage ? trimmed.substr(trimmed.size() - field.width)
                                 : trimmed.substr(0, field.width);
  }
  return store_.DosCodePage ? std::string(trimmed) : WinToDos(trimmed);
}

std::int32_t TransferRun::AccountNumberOfKey(std::string_view key) const {
  const auto found = numbers_.find(TrimSpaces(key));
  return found == numbers_.end() ? 0 : found->second.number;
}

TransferRun::KeyedAccount& TransferRun::AccountOfKey(std::string_view key) {
  const auto found = numbers_.find(TrimSpaces(key));
  return found == numbers_.end() ? unknown_account_ : found->second;
}

}  // namespace tallyscan
