#pragma once

// Private to transfer/: the shared core of one transfer, which every writer of a target file
// works through: the data set's lines, the staging and target folders, the record manager,
// the progress and the result. The writers (writers.h) each fill one target file.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/common/progress.h"
#include "engine/common/status.h"
#include "engine/isam/isam.h"
#include "engine/transfer/staging.h"
#include "engine/transfer/transfer.h"
#include "engine/transfer/transfer_format.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {

inline constexpr std::string_view kNewLine = "\n";

// The date of a target record, "DD/MM/YYYY" (kNoDate for none) from YYYYMMDD.
std::string TargetDate(std::string_view yyyymmdd);
// A number field of the data set; 0 when it is none or lies beyond 32 bits.
std::int32_t NumberOf(std::string_view field);
// An index key of text: its first 17 characters, blank-padded.
std::string KeyText(std::string_view text);
Status FromIsam(IsamStatus status, const std::string& path);

// The key block of one record: up to six keys of 17 bytes and the record number.
class KeyBlock {
 public:
  void Set(int key_number, std::string_view key);
  void SetRecord(std::uint32_t record);
  IsamKeyBlock View() const { return IsamKeyBlock(bytes_); }

 private:
  std::array<std::uint8_t, kIsamKeyBlockSize> bytes_{};
};

// A target record being filled, field by field from the tables.
class TargetRecord {
 public:
  explicit TargetRecord(std::size_t size) : bytes_(size) {}
  void Fill(std::uint8_t byte) { std::fill(bytes_.begin(), bytes_.end(), byte); }
  void Text(const TargetField& field, std::string_view text) { PutText(bytes_, field, text); }
  void Number(const TargetField& field, std::int64_t value) { PutNumber(bytes_, field, value); }
  std::int64_t NumberAt(const TargetField& field) const { return GetNumber(bytes_, field); }
  std::span<std::uint8_t> bytes() { return bytes_; }
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

// Record lines read through a window of the data file: records met in file order (or near
// it) cost one read per window instead of one per line.
class LineWindow {
 public:
  explicit LineWindow(const RecordStore& store) : store_(store) {}
  // The line at `offset`, at most its layout's width, without its line end.
  std::string_view Line(std::int64_t offset, RecordType type);

 private:
  static constexpr std::size_t kWindowBytes = std::size_t{1} << 18;
  const RecordStore& store_;
  std::int64_t start_ = 0;
  std::string bytes_;
};

// The movements' sums per account, for the balance rebuild.
struct AccountSums {
  std::int64_t debit = 0;
  std::int64_t credit = 0;
  std::int32_t movements = 0;
};

class TransferRun {
 public:
  TransferRun(const RecordStore& store, const TransferOptions& options, ProgressMonitor& monitor,
              const TransferStepSink& on_step);
  TransferRun(const TransferRun&) = delete;
  TransferRun& operator=(const TransferRun&) = delete;
  ~TransferRun();

  TransferResult Run();

  const RecordStore& store() const { return store_; }
  const TransferOptions& options() const { return options_; }
  TransferFileCalls& calls() { return calls_; }
  RecordManager& records() { return *records_; }
  std::string_view Line(std::int64_t offset, RecordType type) { return lines_.Line(offset, type); }

  // One record done; false when the user asked to stop.
  bool Tick();
  bool stopped() const { return stopped_; }
  void Step(std::string_view name) const;
  void Refuse(std::string message) { result_.refusals.push_back(std::move(message)); }
  void Wrote(const std::string& name, std::int64_t records, std::int64_t skipped = 0);

  // A file of this tax year ("24" + extension) in the target folder, and in the staging one.
  std::string FileName(std::string_view extension) const {
    return prefix_ + std::string(extension);
  }
  std::string Target(std::string_view extension) const;
  std::string Staged(std::string_view extension) const;
  bool TargetHoldsData(std::string_view extension) const;
  // The staged copy of a target file, copied from the target folder when it is there and
  // not yet staged.
  Status Stage(std::string_view extension);

  // A text of the data set as `field` holds it: trimmed, cut to the field's width (keeping
  // the rightmost characters of a DOS-coded set, whose texts are stored in visual order, the
  // leftmost otherwise), in the product's DOS code page.
  std::string Text(const TargetField& field, std::string_view text) const;
  // The product's number of an account key of the data set; 0 for a key it does not have.
  std::int32_t AccountNumberOfKey(std::string_view key) const;
  // An account key's number and, once the key's first movement is written, its entry in
  // `sums` (whose entries stay where they are while others are added): every movement then
  // finds both in one look-up.
  struct KeyedAccount {
    std::int32_t number = 0;
    AccountSums* sums = nullptr;
  };
  // The key's account; every key the data set does not have shares one, of number 0.
  KeyedAccount& AccountOfKey(std::string_view key);

  // What the movements leave for the balance rebuild.
  bool movements_written = false;
  std::unordered_map<std::int32_t, AccountSums> sums;

 private:
  Status PrepareFolder();
  void RunSteps();

  const RecordStore& store_;
  const TransferOptions& options_;
  const TransferStepSink& on_step_;
  TransferFileCalls& calls_;
  FolderLock lock_;
  TransferResult result_;
  std::unique_ptr<IsamFileSystem> index_files_;
  std::unique_ptr<RecordManager> records_;
  ProgressMonitor& monitor_;
  ProgressTracker progress_;
  long long done_ = 0;
  bool stopped_ = false;
  std::string prefix_;
  std::string staging_;
  LineWindow lines_;
  // Looked up by the key's view, so that the two look-ups of every movement make no string.
  struct KeyHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view key) const {
      return std::hash<std::string_view>{}(key);
    }
  };
  // account key -> account number
  std::unordered_map<std::string, KeyedAccount, KeyHash, std::equal_to<>> numbers_;
  KeyedAccount unknown_account_;
};

}  // namespace tallyscan
