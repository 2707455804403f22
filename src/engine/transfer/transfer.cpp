#include "engine/transfer/transfer.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>

#include "engine/isam/isam.h"
#include "engine/text/cp1255.h"
#include "engine/text/dates.h"
#include "engine/text/hebrew_order.h"
#include "engine/text/trim.h"
#include "engine/transfer/account_numbers.h"
#include "engine/transfer/transfer_format.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/folder_files.h"
#include "engine/uniform/line_end.h"
#include "engine/uniform/values.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kStagingName = ".tallyscan-staging";
// Written into the staging folder once every file in it is complete: from then on the files
// belong in the target folder, and a transfer that finds the mark finishes moving them.
constexpr std::string_view kCompleteMark = ".complete";

constexpr std::string_view kNewLine = "\n";

// The step names of the status line.
constexpr std::string_view kStepAccounts = "קליטת אינדקס חשבונות";
constexpr std::string_view kStepAccountsRebuild = "שיחזור אינדקס חשבונות";
constexpr std::string_view kStepMovements = "קליטת תנועות הנה'ח";
constexpr std::string_view kStepBalances = "שיחזור התנועות והיתרות";
constexpr std::string_view kStepItems = "קליטת קטלוג הפריטים";
constexpr std::string_view kStepItemsRebuild = "שיחזור קטלוג פריטים";
constexpr std::string_view kOpeningDetails = "יתרת פתיחה";

std::string SystemError(std::string_view what, const std::string& path) {
  return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// The texts of a record: trimmed, cut to the width (keeping the rightmost characters of a
// DOS-coded set, whose texts are stored in visual order, the leftmost otherwise), and turned
// into the product's DOS code page.
std::string TargetText(std::string_view field, std::size_t width, bool dos_code_page) {
  std::string_view text = TrimSpaces(field);
  if (text.size() > width) {
    text = dos_code_page ? text.substr(text.size() - width) : text.substr(0, width);
  }
  return dos_code_page ? std::string(text) : WinToDos(text);
}

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

// The key block of one record: up to six keys of 17 bytes and the record number.
class KeyBlock {
 public:
  void Set(int key_number, std::string_view key) {
    std::memcpy(bytes_.data() + static_cast<std::size_t>(key_number - 1) * kIsamKeyLength,
                KeyText(key).data(), kIsamKeyLength);
  }
  void SetRecord(std::uint32_t record) {
    for (std::size_t i = 0; i < 4; ++i) {
      bytes_[kIsamKeyBlockPointerAt + i] = static_cast<std::uint8_t>(record >> (8 * i));
    }
  }
  IsamKeyBlock View() const { return IsamKeyBlock(bytes_); }

 private:
  std::array<std::uint8_t, kIsamKeyBlockSize> bytes_{};
};

// The bytes of a file; empty when it is missing or cannot be read.
std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::uint64_t FileSize(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = fs::file_size(path, error);
  return error ? 0 : size;
}

// A file of fixed records, written by record number and appended to through a buffer.
class RecordFile {
 public:
  RecordFile(std::size_t record_size, TransferFileCalls& calls)
      : record_size_(record_size), calls_(calls) {}
  RecordFile(const RecordFile&) = delete;
  RecordFile& operator=(const RecordFile&) = delete;
  ~RecordFile() {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0) return Status::IoError(SystemError("cannot open", path));
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return Status::IoError(SystemError("cannot read", path));
    count_ = static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.st_size) / record_size_);
    return Status::Ok();
  }
  std::uint32_t Count() const { return count_; }

  // Returns the new record's number.
  std::uint32_t Append(std::span<const std::uint8_t> record) {
    buffer_.append(reinterpret_cast<const char*>(record.data()), record_size_);
    ++count_;
    if (buffer_.size() >= kBufferBytes) failed_ |= !FlushBuffer();
    return count_;
  }
  bool Read(std::uint32_t number, std::span<std::uint8_t> record) {
    if (!FlushBuffer()) return false;
    return ::pread(fd_, record.data(), record_size_, Offset(number)) ==
           static_cast<ssize_t>(record_size_);
  }
  bool Write(std::uint32_t number, std::span<const std::uint8_t> record) {
    if (!FlushBuffer()) return false;
    return calls_.WriteAt(fd_, record.data(), record_size_, Offset(number)) ==
           static_cast<ssize_t>(record_size_);
  }
  Status Close() {
    const bool flushed = FlushBuffer() && !failed_;
    const bool synced = fd_ >= 0 && ::fsync(fd_) == 0;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!flushed || !synced) return Status::IoError(SystemError("cannot write", path_));
    return Status::Ok();
  }

 private:
  static constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
  off_t Offset(std::uint32_t number) const {
    return static_cast<off_t>((static_cast<std::uint64_t>(number) - 1) * record_size_);
  }
  bool FlushBuffer() {
    if (buffer_.empty()) return true;
    const std::uint64_t first = count_ - buffer_.size() / record_size_ + 1;
    std::size_t done = 0;
    while (done < buffer_.size()) {
      const ssize_t n =
          calls_.WriteAt(fd_, buffer_.data() + done, buffer_.size() - done,
                         Offset(static_cast<std::uint32_t>(first)) + static_cast<off_t>(done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
    return true;
  }

  std::size_t record_size_;
  TransferFileCalls& calls_;
  std::string path_;
  int fd_ = -1;
  std::uint32_t count_ = 0;
  std::string buffer_;
  bool failed_ = false;
};

// Record lines read through a window of the data file: records met in file order (or
// near it) cost one read per window instead of one per line.
class LineWindow {
 public:
  explicit LineWindow(const RecordStore& store) : store_(store) {}
  // The line at `offset`, at most its layout's width, without its line end.
  std::string_view Line(std::int64_t offset, RecordType type) {
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

 private:
  static constexpr std::size_t kWindowBytes = std::size_t{1} << 18;
  const RecordStore& store_;
  std::int64_t start_ = 0;
  std::string bytes_;
};

Status FromIsam(IsamStatus status, const std::string& path) {
  if (status == IsamStatus::kOk) return Status::Ok();
  if (status == IsamStatus::kCorrupt) return Status::Corrupt("damaged index file " + path);
  return Status::IoError("the record manager cannot write " + path);
}

bool SyncPath(const std::string& path, bool directory) {
  const int fd = ::open(path.c_str(), (directory ? O_RDONLY | O_DIRECTORY : O_RDONLY) | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

// An index file whose writes go through the transfer's file calls.
class CalledStorage final : public IsamStorage {
 public:
  CalledStorage(std::unique_ptr<IsamStorage> inner, TransferFileCalls& calls)
      : inner_(std::move(inner)), calls_(calls) {}
  std::int64_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) override {
    return inner_->ReadAt(offset, bytes);
  }
  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
    return calls_.WriteIndex(*inner_, offset, bytes);
  }
  bool Size(std::uint64_t& size) override { return inner_->Size(size); }
  bool Flush() override { return inner_->Flush(); }
  void Refresh() override { inner_->Refresh(); }
  IsamStatus Lock(IsamLockMode mode) override { return inner_->Lock(mode); }
  void Unlock() override { inner_->Unlock(); }
  bool LeftUnfinished() override { return inner_->LeftUnfinished(); }
  void ForgetUnfinished() override { inner_->ForgetUnfinished(); }
  IsamStatus MarkWriting() override { return inner_->MarkWriting(); }
  void KeepMark() override { inner_->KeepMark(); }

 private:
  std::unique_ptr<IsamStorage> inner_;
  TransferFileCalls& calls_;
};

class CalledIsamFiles final : public IsamFileSystem {
 public:
  explicit CalledIsamFiles(TransferFileCalls& calls) : calls_(calls) {}
  IsamOpenResult Open(const std::string& file_name, IsamOpenMode mode) override {
    IsamOpenResult opened = files_.Open(file_name, mode);
    if (opened.storage != nullptr) {
      opened.storage = std::make_unique<CalledStorage>(std::move(opened.storage), calls_);
    }
    return opened;
  }

 private:
  PosixIsamFileSystem files_;
  TransferFileCalls& calls_;
};

// Writes all of `bytes` at `offset` through the calls; false on any failure.
bool WriteAll(TransferFileCalls& calls, int fd, std::string_view bytes, off_t offset) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = calls.WriteAt(fd, bytes.data() + done, bytes.size() - done,
                                    offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A copy of `from` made new at `to`, with its permissions, synced to the disk.
Status CopyFile(TransferFileCalls& calls, const std::string& from, const std::string& to) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Status::IoError(SystemError("cannot open", from));
  struct stat info {};
  if (::fstat(in, &info) != 0) {
    ::close(in);
    return Status::IoError(SystemError("cannot read", from));
  }
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         info.st_mode & 07777);
  if (out < 0) {
    ::close(in);
    return Status::IoError(SystemError("cannot create", to));
  }
  std::string buffer(std::size_t{1} << 20, '\0');
  off_t at = 0;
  Status result;
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) result = Status::IoError(SystemError("cannot read", from));
    if (n <= 0) break;
    if (!WriteAll(calls, out, std::string_view(buffer.data(), static_cast<std::size_t>(n)), at)) {
      result = Status::IoError(SystemError("cannot write", to));
      break;
    }
    at += n;
  }
  if (result.ok() && ::fsync(out) != 0) result = Status::IoError(SystemError("cannot write", to));
  ::close(in);
  ::close(out);
  return result;
}

// The target folder held for one transfer: an exclusive lock on a descriptor of the folder,
// released when the descriptor closes (at the latest when the process ends).
class FolderLock {
 public:
  FolderLock() = default;
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }

  Status Take(const std::string& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) return Status::NotFound("התיקיה " + folder + " אינה קיימת");
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return Status::Ok();
    if (errno == EWOULDBLOCK) {
      return Status::Refused("קליטה אחרת לתיקיה " + folder +
                             " פועלת כעת - הקליטה לא בוצעה ודבר לא שונה בתיקיה");
    }
    return Status::IoError(SystemError("cannot lock", folder));
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// The regular files of a folder (a descriptor), by name.
std::vector<std::string> RegularFilesOf(int folder) {
  std::vector<std::string> names;
  const int listed = ::dup(folder);
  DIR* dir = listed >= 0 ? ::fdopendir(listed) : nullptr;
  if (dir == nullptr) {
    if (listed >= 0) ::close(listed);
    return names;
  }
  while (const dirent* entry = ::readdir(dir)) {
    struct stat info {};
    if (::fstatat(folder, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode)) {
      names.emplace_back(entry->d_name);
    }
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

// Moves every file of a complete staging folder into place, then removes the folder. A crash
// part way leaves the mark and the files not yet moved, for the next transfer to finish.
Status MoveIntoPlace(TransferFileCalls& calls, int target_fd, const std::string& target) {
  const std::string staging = StagingFolderOf(target);
  const int staged = ::openat(target_fd, std::string(kStagingName).c_str(),
                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (staged < 0) return Status::IoError(SystemError("cannot read", staging));
  for (const std::string& name : RegularFilesOf(staged)) {
    if (name == kCompleteMark) continue;
    if (calls.RenameAt(staged, name.c_str(), target_fd, name.c_str()) != 0) {
      const Status failed = Status::IoError(SystemError("cannot move " + name + " into", target));
      ::close(staged);
      return failed;
    }
  }
  ::close(staged);
  if (::fsync(target_fd) != 0) return Status::IoError(SystemError("cannot write", target));
  std::error_code error;
  fs::remove_all(staging, error);
  return Status::Ok();
}

// What was found under the staging folder's name before a transfer.
enum class LeftStaging { kNone, kUnfinished, kComplete, kForeign };

LeftStaging LeftStagingOf(int target_fd) {
  struct stat info {};
  const std::string name(kStagingName);
  if (::fstatat(target_fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return LeftStaging::kNone;
  }
  // Only a folder of this user can be one a transfer made; a link is never followed.
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid()) return LeftStaging::kForeign;
  const std::string mark = name + "/" + std::string(kCompleteMark);
  if (::fstatat(target_fd, mark.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
      S_ISREG(info.st_mode)) {
    return LeftStaging::kComplete;
  }
  return LeftStaging::kUnfinished;
}

class TransferRun {
 public:
  TransferRun(const RecordStore& store, const TransferOptions& options, ProgressMonitor& monitor,
              const TransferStepSink& on_step)
      : store_(store),
        options_(options),
        monitor_(monitor),
        on_step_(on_step),
        calls_(options.file_calls != nullptr ? *options.file_calls : SystemFileCalls()),
        records_(calls_, [this](const std::string& text) { result_.warnings.push_back(text); }),
        progress_(monitor, ExpectedUnits(store, options)),
        prefix_(TaxYearPrefix(store.TaxYear)),
        staging_(StagingFolderOf(options.target_folder)) {}

  TransferResult Run();

 private:
  // One record-manager slot table per run, over plain files written through the calls.
  struct Records {
    Records(TransferFileCalls& calls, IsamMessageSink sink)
        : files(calls), manager(files, std::move(sink)) {}
    CalledIsamFiles files;
    RecordManager manager;
  };

  static long long ExpectedUnits(const RecordStore& store, const TransferOptions& options) {
    long long units = 0;
    if (options.accounts) units += store.AccountListIndex.Count();
    if (options.movements) units += store.MovementIndex.Count();
    if (options.items) units += store.ItemIndex.Count();
    if (options.documents) units += store.DocumentIndex.Count();
    return units;
  }

  // One record done; false when the user asked to stop.
  bool Tick() {
    progress_.Advance(++done_);
    if (monitor_.StopRequested()) stopped_ = true;
    return !stopped_;
  }
  void Step(std::string_view name) {
    if (on_step_) on_step_(name);
  }
  void Refuse(std::string message) { result_.refusals.push_back(std::move(message)); }
  void Wrote(const std::string& name, std::int64_t records, std::int64_t skipped = 0) {
    for (TransferredFile& f : result_.files) {
      if (f.name == name) {
        f.records += records;
        f.skipped += skipped;
        return;
      }
    }
    result_.files.push_back({name, records, skipped});
  }

  std::string Target(std::string_view extension) const {
    return JoinPath(options_.target_folder, prefix_ + std::string(extension));
  }
  std::string Staged(std::string_view extension) const {
    return JoinPath(staging_, prefix_ + std::string(extension));
  }
  bool TargetHoldsData(std::string_view extension) const { return FileSize(Target(extension)) > 0; }
  // The staged copy of a target file, copied from the target folder when it is there and
  // not yet staged. Empty status: ready.
  Status Stage(std::string_view extension) {
    const std::string staged = Staged(extension);
    std::error_code error;
    if (fs::exists(staged, error)) return Status::Ok();
    if (fs::exists(Target(extension), error)) return CopyFile(calls_, Target(extension), staged);
    return Status::Ok();
  }

  std::string Text(std::string_view field, std::size_t width) const {
    return TargetText(field, width, store_.DosCodePage);
  }
  std::int32_t AccountNumberOfKey(std::string_view key) const {
    const auto found = numbers_.find(std::string(TrimSpaces(key)));
    return found == numbers_.end() ? 0 : found->second;
  }

  Status Accounts();
  Status Groups();
  Status Movements();
  Status OpeningBalances();
  Status Balances();
  Status Items();
  Status Documents();
  Status MakeStaging();
  Status MarkComplete();

  const RecordStore& store_;
  const TransferOptions& options_;
  ProgressMonitor& monitor_;
  const TransferStepSink& on_step_;
  TransferFileCalls& calls_;
  FolderLock lock_;
  Records records_;
  ProgressTracker progress_;
  long long done_ = 0;
  bool stopped_ = false;
  std::string prefix_;
  std::string staging_;
  TransferResult result_;
  LineWindow lines_{store_};
  std::unordered_map<std::string, std::int32_t> numbers_;  // account key -> account number
  bool movements_written_ = false;
  struct AccountSums {
    std::int64_t debit = 0;
    std::int64_t credit = 0;
    std::int32_t movements = 0;
  };
  std::unordered_map<std::int32_t, AccountSums> sums_;
};

Status TransferRun::Accounts() {
  Step(kStepAccounts);
  if (TargetHoldsData(kAccountRecordsExtension)) {
    Refuse(std::string("קיימים כבר נתונים קודמים בקובץ האינדקס") + std::string(kNewLine) +
           "העברת האינדקס לא תתבצע");
    return Status::Ok();
  }
  RecordFile data(kAccountRecordSize, calls_);
  if (Status s = data.Open(Staged(kAccountRecordsExtension)); !s.ok()) return s;
  const std::string index = Staged(kAccountIndexExtension);
  RecordManager& rm = records_.manager;
  if (Status s = FromIsam(rm.OpenDb(index, kAccountsFileNumber, kAccountsKeys, IsamOpenMode::kBulk),
                          index);
      !s.ok()) {
    return s;
  }
  const TargetRecordMap& map = AccountRecordMap();
  std::vector<std::uint8_t> record(map.size);
  Status failure;
  for (const ListEntry& entry : store_.AccountListIndex.Entries()) {
    const std::string_view line = lines_.Line(entry.Offset, RecordType::kB110);
    const auto f = [&](Positions p) { return SliceField(line, p); };
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    const std::int32_t number = static_cast<std::int32_t>(AccountNumberOf(entry.ShortKeyView()));
    const std::int32_t classification = NumberOf(f(field::B110(1417)));
    const std::int64_t opening = ReadAmount(f(field::B110(1414)));
    const std::int64_t balance =
        opening + ReadAmount(f(field::B110(1415))) - ReadAmount(f(field::B110(1416)));
    const std::string name = Text(f(field::B110(1404)), 25);
    PutNumber(record, FieldOf(map, "account number"), number);
    PutText(record, FieldOf(map, "name"), name);
    PutText(record, FieldOf(map, "street"), Text(f(field::B110(1407)), 20));
    PutText(record, FieldOf(map, "city"), Text(f(field::B110(1409)), 15));
    PutText(record, FieldOf(map, "postal code"), Text(f(field::B110(1410)), 5));
    PutText(record, FieldOf(map, "dealer number"), TrimSpaces(f(field::B110(1419))));
    PutNumber(record, FieldOf(map, "trial-balance code"), NumberOf(f(field::B110(1405))));
    PutNumber(record, FieldOf(map, balance >= 0 ? "classification debit" : "classification credit"),
              classification);
    PutNumber(record, FieldOf(map, "account kind"), AccountKindOf(classification));
    PutNumber(record, FieldOf(map, "opening balance"), opening);
    PutNumber(record, FieldOf(map, "opening balance currency"), ReadAmount(f(field::B110(1422))));
    PutNumber(record, FieldOf(map, "debit"), ReadAmount(f(field::B110(1415))));
    PutNumber(record, FieldOf(map, "credit"), ReadAmount(f(field::B110(1416))));
    PutNumber(record, FieldOf(map, "balance"), balance);
    PutText(record, FieldOf(map, "account key"), TrimSpaces(f(field::B110(1403))));
    const std::uint32_t at = data.Append(record);

    KeyBlock keys;
    keys.Set(1, NumberKey(number));
    keys.Set(2, TrimSpaces(name));
    keys.Set(3, RightAligned(std::to_string(NumberOf(f(field::B110(1405)))), 11) +
                    RightAligned(std::to_string(number), 6));
    keys.SetRecord(at);
    if (Status s = FromIsam(rm.DbInsert(kAccountsFileNumber, keys.View()), index); !s.ok()) {
      failure = s;
      break;
    }
    if (!Tick()) break;
  }
  const std::uint32_t written = data.Count();
  if (failure.ok() && !stopped_) {
    Step(kStepAccountsRebuild);
    std::uint32_t indexed = 0;
    failure = FromIsam(rm.GetRecords(kAccountsFileNumber, indexed), index);
    if (failure.ok() && indexed != written)
      failure = Status::Corrupt("the accounts index lost records");
    if (failure.ok()) failure = FromIsam(rm.PutStack(kAccountsFileNumber, written + 1), index);
  }
  const Status closed = FromIsam(rm.CloseDb(kAccountsFileNumber), index);
  const Status data_closed = data.Close();
  if (!failure.ok()) return failure;
  if (!closed.ok()) return closed;
  if (!data_closed.ok()) return data_closed;
  if (stopped_) return Status::Ok();
  Wrote(prefix_ + std::string(kAccountRecordsExtension), written);
  return Groups();
}

Status TransferRun::Groups() {
  struct Member {
    std::string code;
    std::int32_t number;
    std::string description;
  };
  std::vector<Member> members;
  for (const ListEntry& entry : store_.AccountListIndex.Entries()) {
    const std::string_view line = lines_.Line(entry.Offset, RecordType::kB110);
    members.push_back({std::string(SliceField(line, field::B110(1405))),
                       static_cast<std::int32_t>(AccountNumberOf(entry.ShortKeyView())),
                       std::string(SliceField(line, field::B110(1406)))});
  }
  std::sort(members.begin(), members.end(), [](const Member& a, const Member& b) {
    return a.code != b.code ? a.code < b.code : a.number < b.number;
  });
  RecordFile groups(kGroupRecordSize, calls_);
  const std::string path = Staged(kGroupsExtension);
  std::error_code error;
  fs::remove(path, error);  // the groups follow the accounts written now
  if (Status s = groups.Open(path); !s.ok()) return s;
  const TargetRecordMap& map = GroupRecordMap();
  std::vector<std::uint8_t> record(map.size, 0);
  PutText(record, FieldOf(map, "name"), "");
  for (int i = 0; i < kEmptyGroupRecords; ++i) groups.Append(record);
  std::int64_t written = kEmptyGroupRecords;
  for (std::size_t first = 0; first < members.size();) {
    std::size_t last = first;
    while (last + 1 < members.size() && members[last + 1].code == members[first].code) ++last;
    std::fill(record.begin(), record.end(), std::uint8_t{0});
    PutText(record, FieldOf(map, "name"), Text(members[first].description, 20));
    PutNumber(record, FieldOf(map, "in use"), 1);
    PutNumber(record, FieldOf(map, "first account"), members[first].number);
    PutNumber(record, FieldOf(map, "last account"), members[last].number);
    groups.Append(record);
    ++written;
    first = last + 1;
  }
  if (Status s = groups.Close(); !s.ok()) return s;
  Wrote(prefix_ + std::string(kGroupsExtension), written);
  return Status::Ok();
}

Status TransferRun::Movements() {
  Step(kStepMovements);
  if (TargetHoldsData(kMovementsExtension)) {
    Refuse(std::string("קיימים כבר נתונים קודמים בקובץ התנועות") + std::string(kNewLine) +
           "העברת התנועות לא תתבצע");
    return Status::Ok();
  }
  RecordFile file(kMovementRecordSize, calls_);
  if (Status s = file.Open(Staged(kMovementsExtension)); !s.ok()) return s;
  // In file order, as the data set lists them.
  std::vector<std::int64_t> offsets;
  offsets.reserve(static_cast<std::size_t>(store_.MovementIndex.Count()));
  for (const IndexEntry& e : store_.MovementIndex.Entries()) offsets.push_back(e.Offset);
  std::sort(offsets.begin(), offsets.end());
  const TargetRecordMap& map = MovementRecordMap();
  const TargetField& dc = FieldOf(map, "debit/credit");
  const TargetField& account = FieldOf(map, "account number");
  const TargetField& counter = FieldOf(map, "counter-account number");
  const TargetField& line_no = FieldOf(map, "line in movement");
  const TargetField& batch = FieldOf(map, "batch");
  const TargetField& source = FieldOf(map, "source");
  const TargetField& ref1 = FieldOf(map, "reference 1");
  const TargetField& ref2 = FieldOf(map, "reference 2");
  const TargetField& details = FieldOf(map, "details");
  const TargetField& date = FieldOf(map, "date");
  const TargetField& value_date = FieldOf(map, "value date");
  const TargetField& amount = FieldOf(map, "amount");
  const TargetField& amount_fx = FieldOf(map, "amount currency");
  std::vector<std::uint8_t> record(map.size);
  for (const std::int64_t offset : offsets) {
    const std::string_view line = lines_.Line(offset, RecordType::kB100);
    const auto f = [&](Positions p) { return SliceField(line, p); };
    std::fill(record.begin(), record.end(), std::uint8_t{' '});
    PutText(record, dc, f(field::B100(1366)));
    const std::int32_t number = AccountNumberOfKey(f(field::B100(1364)));
    PutNumber(record, account, number);
    PutNumber(record, counter, AccountNumberOfKey(f(field::B100(1365))));
    PutNumber(record, line_no, NumberOf(f(field::B100(1354))));
    PutNumber(record, batch, NumberOf(f(field::B100(1355))));
    PutNumber(record, source, kMovementFromData);
    PutText(record, ref1, TrimSpaces(StripLeadingBlanksAndZeros(f(field::B100(1357)))));
    PutText(record, ref2, TrimSpaces(StripLeadingBlanksAndZeros(f(field::B100(1359)))));
    PutText(record, details, Text(f(field::B100(1361)), details.width));
    PutText(record, date, TargetDate(f(field::B100(1362))));
    PutText(record, value_date, TargetDate(f(field::B100(1363))));
    const std::int64_t sum = ReadAmount(f(field::B100(1368)));
    PutNumber(record, amount, sum);
    PutNumber(record, amount_fx, ReadAmount(f(field::B100(1369))));
    file.Append(record);
    AccountSums& sums = sums_[number];
    (f(field::B100(1366)) == "2" ? sums.credit : sums.debit) += sum;
    ++sums.movements;
    if (!Tick()) break;
  }
  const std::uint32_t written = file.Count();
  if (Status s = file.Close(); !s.ok()) return s;
  if (stopped_) return Status::Ok();
  movements_written_ = true;
  Wrote(prefix_ + std::string(kMovementsExtension), written);
  return Status::Ok();
}

Status TransferRun::OpeningBalances() {
  if (!movements_written_ && TargetHoldsData(kMovementsExtension)) {
    Refuse(std::string("קיימים כבר נתונים קודמים בקובץ התנועות") + std::string(kNewLine) +
           "העברת יתרות הפתיחה לא תתבצע");
    return Status::Ok();
  }
  RecordFile file(kMovementRecordSize, calls_);
  if (Status s = file.Open(Staged(kMovementsExtension)); !s.ok()) return s;
  const std::uint32_t before = file.Count();
  const TargetRecordMap& map = MovementRecordMap();
  std::vector<std::uint8_t> record(map.size);
  const std::string date = "01/01/" + RightAligned(std::to_string(store_.TaxYear), 4);
  for (const ListEntry& entry : store_.AccountListIndex.Entries()) {
    const std::string_view line = lines_.Line(entry.Offset, RecordType::kB110);
    const std::int64_t opening = ReadAmount(SliceField(line, field::B110(1414)));
    if (opening == 0) continue;
    std::fill(record.begin(), record.end(), std::uint8_t{' '});
    PutText(record, FieldOf(map, "debit/credit"), opening > 0 ? "1" : "2");
    PutNumber(record, FieldOf(map, "account number"), AccountNumberOf(entry.ShortKeyView()));
    PutNumber(record, FieldOf(map, "counter-account number"), 0);
    PutNumber(record, FieldOf(map, "line in movement"), 0);
    PutNumber(record, FieldOf(map, "batch"), 0);
    PutNumber(record, FieldOf(map, "source"), kMovementOpening);
    PutText(record, FieldOf(map, "reference 1"), "");
    PutText(record, FieldOf(map, "reference 2"), "");
    PutText(record, FieldOf(map, "details"), WinToDos(Utf8ToCp1255(kOpeningDetails)));
    PutText(record, FieldOf(map, "date"), date);
    PutText(record, FieldOf(map, "value date"), date);
    PutNumber(record, FieldOf(map, "amount"), opening < 0 ? -opening : opening);
    PutNumber(record, FieldOf(map, "amount currency"),
              ReadAmount(SliceField(line, field::B110(1422))));
    file.Append(record);
  }
  const std::uint32_t written = file.Count() - before;
  if (Status s = file.Close(); !s.ok()) return s;
  Wrote(prefix_ + std::string(kMovementsExtension), written);
  return Status::Ok();
}

Status TransferRun::Balances() {
  Step(kStepBalances);
  // The accounts written now, or those already in the target folder (copied to be updated).
  if (!fs::exists(Staged(kAccountRecordsExtension)) && !TargetHoldsData(kAccountRecordsExtension)) {
    return Status::Ok();
  }
  if (Status s = Stage(kAccountRecordsExtension); !s.ok()) return s;
  if (Status s = Stage(kAccountIndexExtension); !s.ok()) return s;
  RecordFile data(kAccountRecordSize, calls_);
  if (Status s = data.Open(Staged(kAccountRecordsExtension)); !s.ok()) return s;
  const std::string index = Staged(kAccountIndexExtension);
  RecordManager& rm = records_.manager;
  if (Status s = FromIsam(rm.OpenDb(index, kAccountsFileNumber, kAccountsKeys), index); !s.ok()) {
    return s;
  }
  const TargetRecordMap& map = AccountRecordMap();
  std::vector<std::uint8_t> record(map.size);
  Status failure;
  for (const auto& [number, sums] : sums_) {
    IsamEntry entry;
    const std::string key = NumberKey(number);
    std::memcpy(entry.key.data(), key.data(), kIsamKeyLength);
    int selector = 1;
    if (Status s = FromIsam(rm.Search(kAccountsFileNumber, entry, selector), index); !s.ok()) {
      failure = s;
      break;
    }
    if (selector != 0 || entry.pointer < 1 || entry.pointer > data.Count()) continue;
    if (!data.Read(entry.pointer, record)) {
      failure = Status::IoError(SystemError("cannot read", Staged(kAccountRecordsExtension)));
      break;
    }
    const std::int64_t opening = GetNumber(record, FieldOf(map, "opening balance"));
    PutNumber(record, FieldOf(map, "debit"), sums.debit);
    PutNumber(record, FieldOf(map, "credit"), sums.credit);
    PutNumber(record, FieldOf(map, "balance"), opening + sums.debit - sums.credit);
    PutNumber(record, FieldOf(map, "movements"), sums.movements);
    if (!data.Write(entry.pointer, record)) {
      failure = Status::IoError(SystemError("cannot write", Staged(kAccountRecordsExtension)));
      break;
    }
  }
  const Status closed = FromIsam(rm.CloseDb(kAccountsFileNumber), index);
  const Status data_closed = data.Close();
  if (!failure.ok()) return failure;
  return closed.ok() ? data_closed : closed;
}

Status TransferRun::Items() {
  Step(kStepItems);
  if (TargetHoldsData(kItemRecordsExtension)) {
    Refuse(std::string("קיימים כבר נתונים קודמים בקטלוג הפריטים") + std::string(kNewLine) +
           "העברת הקטלוג לא תתבצע");
    return Status::Ok();
  }
  RecordFile data(kItemRecordSize, calls_);
  if (Status s = data.Open(Staged(kItemRecordsExtension)); !s.ok()) return s;
  const std::string index = Staged(kItemIndexExtension);
  RecordManager& rm = records_.manager;
  if (Status s = FromIsam(
          rm.OpenDb(index, kCatalogueFileNumber, kCatalogueKeys, IsamOpenMode::kBulk), index);
      !s.ok()) {
    return s;
  }
  const TargetRecordMap& map = ItemRecordMap();
  std::vector<std::uint8_t> record(map.size);
  Status failure;
  for (const IndexEntry& entry : store_.ItemIndex.Entries()) {
    const std::string_view line = lines_.Line(entry.Offset, RecordType::kM100);
    const auto f = [&](Positions p) { return SliceField(line, p); };
    std::fill(record.begin(), record.end(), std::uint8_t{' '});
    const std::string_view internal = TrimSpaces(f(field::M100(1455)));
    const std::string_view universal = TrimSpaces(f(field::M100(1453)));
    const std::string name = Text(f(field::M100(1456)), 25);
    const std::int32_t sort_code = NumberOf(f(field::M100(1457)));
    PutText(record, FieldOf(map, "internal code"), internal);
    PutText(record, FieldOf(map, "universal code"), universal);
    PutText(record, FieldOf(map, "name"), name);
    PutNumber(record, FieldOf(map, "sort code"), sort_code);
    PutText(record, FieldOf(map, "unit"), Text(f(field::M100(1459)), 20));
    PutNumber(record, FieldOf(map, "cost price"), ReadAmount(f(field::M100(1463))));
    const std::uint32_t at = data.Append(record);
    KeyBlock keys;
    keys.Set(1, RightAligned(internal, kIsamKeyLength));
    keys.Set(2, TrimSpaces(name));
    keys.Set(3, RightAligned(universal, kIsamKeyLength));
    keys.Set(4, RightAligned(std::to_string(sort_code), 7) + RightAligned(internal, 10));
    keys.SetRecord(at);
    if (Status s = FromIsam(rm.DbInsert(kCatalogueFileNumber, keys.View()), index); !s.ok()) {
      failure = s;
      break;
    }
    if (!Tick()) break;
  }
  const std::uint32_t written = data.Count();
  if (failure.ok() && !stopped_) {
    Step(kStepItemsRebuild);
    std::uint32_t indexed = 0;
    failure = FromIsam(rm.GetRecords(kCatalogueFileNumber, indexed), index);
    if (failure.ok() && indexed != written)
      failure = Status::Corrupt("the catalogue index lost records");
    if (failure.ok()) failure = FromIsam(rm.PutStack(kCatalogueFileNumber, written + 1), index);
  }
  const Status closed = FromIsam(rm.CloseDb(kCatalogueFileNumber), index);
  const Status data_closed = data.Close();
  if (!failure.ok()) return failure;
  if (!closed.ok()) return closed;
  if (!data_closed.ok()) return data_closed;
  if (!stopped_) Wrote(prefix_ + std::string(kItemRecordsExtension), written);
  return Status::Ok();
}

Status TransferRun::Documents() {
  // Which document files held data is decided once, before any type is written.
  std::map<std::string, bool, std::less<>> held;
  for (const TransferredDocumentType& t : TransferredDocumentTypes()) {
    held.emplace(std::string(t.extension), TargetHoldsData(t.extension));
  }
  std::int32_t vat_rate = kDefaultVatRate;
  if (FileSize(Target(kParametersExtension)) >= kParameterRecordSize) {
    std::ifstream in(Target(kParametersExtension), std::ios::binary);
    std::vector<std::uint8_t> parameters(kParameterRecordSize);
    if (in.read(reinterpret_cast<char*>(parameters.data()),
                static_cast<std::streamsize>(parameters.size()))) {
      vat_rate = static_cast<std::int32_t>(
          GetNumber(parameters, FieldOf(ParameterRecordMap(), "VAT rate")));
    }
  }
  // The accounts file for finding a customer's account: the staged one, else the target's.
  std::string accounts_index = Staged(kAccountIndexExtension);
  if (!fs::exists(accounts_index)) accounts_index = Target(kAccountIndexExtension);
  const bool have_accounts = FileSize(accounts_index) > 0;
  RecordManager& rm = records_.manager;
  if (have_accounts) {
    if (Status s =
            FromIsam(rm.OpenDb(accounts_index, kAccountsFileNumber, kAccountsKeys), accounts_index);
        !s.ok()) {
      return s;
    }
  }

  struct Counts {
    std::int64_t documents = 0, lines = 0, payments = 0, skipped = 0;
  };
  std::map<std::string, Counts> counts;
  const TargetRecordMap& head = DocumentRecordMap();
  const TargetRecordMap& line_map = LineRecordMap();
  const TargetRecordMap& pay_map = PaymentRecordMap();
  std::vector<std::uint8_t> record(kDocumentRecordSize);
  Status failure;
  for (const TransferredDocumentType& type : TransferredDocumentTypes()) {
    if (!failure.ok() || stopped_) break;
    Step("קליטת " + std::string(type.title));
    // A type the data set does not have is neither written nor refused.
    char code[4];
    std::snprintf(code, sizeof code, "%03d", type.code);
    const ElementRange range = PrefixRange(store_.DocumentIndex, code);
    if (range.empty()) continue;
    if (held[std::string(type.extension)] && type.code != 600 && type.code != 700) {
      Refuse("קיימות כבר תעודות בקובץ " + std::string(type.title) + std::string(kNewLine) +
             "העברת התעודות לא תתבצע");
      continue;
    }
    const std::string index_extension = DocumentIndexExtension(type.extension);
    if (failure = Stage(type.extension); !failure.ok()) break;
    if (failure = Stage(index_extension); !failure.ok()) break;
    RecordFile data(kDocumentRecordSize, calls_);
    if (failure = data.Open(Staged(type.extension)); !failure.ok()) break;
    const std::string index = Staged(index_extension);
    if (failure = FromIsam(
            rm.OpenDb(index, kDocumentsFileNumber, kDocumentsKeys, IsamOpenMode::kBulk), index);
        !failure.ok()) {
      break;
    }
    Counts& c = counts[std::string(type.extension)];
    // The records the file held before: a document keyed among them is not added again.
    const std::uint32_t held_records = held[std::string(type.extension)] ? data.Count() : 0;
    for (std::int64_t e = range.first; e < range.last; ++e) {
      const IndexEntry& document = store_.DocumentIndex[e];
      const std::string text(lines_.Line(document.Offset, RecordType::kC100));
      const auto f = [&](Positions p) { return SliceField(text, p); };
      const ElementRange lines = EqualRange(store_.DocumentLineIndex, document.KeyView());
      const ElementRange payments = EqualRange(store_.ReceiptLineIndex, ReceiptLineKeyOf(document));
      const std::string number(TrimSpaces(f(field::C100(1204))));
      // Document numbers are keyed without their leading zeros, as the product numbers them.
      const std::string_view bare = StripLeadingBlanksAndZeros(number);
      const std::string type_and_number = std::string(code) + RightAligned(bare, 14);
      if (held_records > 0) {
        IsamEntry found;
        std::memcpy(found.key.data(), KeyText(type_and_number).data(), kIsamKeyLength);
        std::uint32_t node = 0;
        int slot = 0;
        const IsamStatus match = rm.GetMatch(kDocumentsFileNumber, 1, found, node, slot);
        if (match == IsamStatus::kOk && found.pointer <= held_records) {
          ++c.skipped;
          if (!Tick()) break;
          continue;
        }
        if (match != IsamStatus::kNotFound) {
          if (failure = FromIsam(match, index); !failure.ok()) break;
        }
      }
      std::int32_t customer = AccountNumberOfKey(f(field::C100(1225)));
      if (customer != 0 && have_accounts) {
        IsamEntry found;
        const std::string key = NumberKey(customer);
        std::memcpy(found.key.data(), key.data(), kIsamKeyLength);
        int selector = 1;
        if (failure = FromIsam(rm.Search(kAccountsFileNumber, found, selector), accounts_index);
            !failure.ok()) {
          break;
        }
        if (selector != 0) customer = 0;
      } else {
        customer = 0;
      }
      std::fill(record.begin(), record.end(), std::uint8_t{' '});
      PutText(record, FieldOf(head, "mark"), std::string(1, kDocumentMark));
      PutNumber(record, FieldOf(head, "document type"), type.code);
      PutText(record, FieldOf(head, "document number"), number);
      PutText(record, FieldOf(head, "document date"), TargetDate(f(field::C100(1230))));
      PutText(record, FieldOf(head, "production date"), TargetDate(f(field::C100(1205))));
      PutText(record, FieldOf(head, "production time"), FormatTime(f(field::C100(1206))));
      PutText(record, FieldOf(head, "customer name"), Text(f(field::C100(1207)), 50));
      PutText(record, FieldOf(head, "street"), Text(f(field::C100(1208)), 50));
      PutText(record, FieldOf(head, "house number"), Text(f(field::C100(1209)), 10));
      PutText(record, FieldOf(head, "city"), Text(f(field::C100(1210)), 30));
      PutText(record, FieldOf(head, "postal code"), Text(f(field::C100(1211)), 8));
      PutText(record, FieldOf(head, "phone"), TrimSpaces(f(field::C100(1214))));
      PutText(record, FieldOf(head, "value date"), TargetDate(f(field::C100(1216))));
      PutNumber(record, FieldOf(head, "amount before discount"), ReadAmount(f(field::C100(1219))));
      PutNumber(record, FieldOf(head, "discount"), ReadAmount(f(field::C100(1220))));
      PutNumber(record, FieldOf(head, "VAT"), ReadAmount(f(field::C100(1222))));
      PutNumber(record, FieldOf(head, "amount with VAT"), ReadAmount(f(field::C100(1223))));
      PutNumber(record, FieldOf(head, "withholding tax"), ReadAmount(f(field::C100(1224))));
      PutNumber(record, FieldOf(head, "customer account number"), customer);
      PutText(record, FieldOf(head, "customer key"), TrimSpaces(f(field::C100(1225))));
      PutText(record, FieldOf(head, "producing user"), TrimSpaces(f(field::C100(1233))));
      PutNumber(record, FieldOf(head, "VAT rate"), vat_rate);
      PutNumber(record, FieldOf(head, "lines"), lines.size());
      PutNumber(record, FieldOf(head, "payments"), payments.size());
      const std::uint32_t at = data.Append(record);

      for (std::int64_t l = lines.first; l < lines.last; ++l) {
        const std::string_view d =
            lines_.Line(store_.DocumentLineIndex[l].Offset, RecordType::kD110);
        const auto g = [&](Positions p) { return SliceField(d, p); };
        std::fill(record.begin(), record.end(), std::uint8_t{' '});
        PutText(record, FieldOf(line_map, "mark"), std::string(1, kLineMark));
        PutNumber(record, FieldOf(line_map, "document type"), type.code);
        PutText(record, FieldOf(line_map, "document number"), number);
        PutNumber(record, FieldOf(line_map, "line number"), NumberOf(g(field::D110(1255))));
        PutText(record, FieldOf(line_map, "catalogue number"), Text(g(field::D110(1259)), 20));
        PutText(record, FieldOf(line_map, "description"), Text(g(field::D110(1260)), 30));
        PutText(record, FieldOf(line_map, "serial number"), TrimSpaces(g(field::D110(1262))));
        PutText(record, FieldOf(line_map, "unit"), Text(g(field::D110(1263)), 20));
        PutNumber(record, FieldOf(line_map, "quantity"), ReadAmount(g(field::D110(1264))));
        PutNumber(record, FieldOf(line_map, "unit price"), ReadAmount(g(field::D110(1265))));
        PutNumber(record, FieldOf(line_map, "discount"), ReadAmount(g(field::D110(1266))));
        data.Append(record);
        ++c.lines;
      }
      for (std::int64_t p = payments.first; p < payments.last; ++p) {
        const std::string_view d =
            lines_.Line(store_.ReceiptLineIndex[p].Offset, RecordType::kD120);
        const auto g = [&](Positions q) { return SliceField(d, q); };
        const auto key = [&](Positions q) { return TrimSpaces(StripLeadingBlanksAndZeros(g(q))); };
        std::fill(record.begin(), record.end(), std::uint8_t{' '});
        PutText(record, FieldOf(pay_map, "mark"), std::string(1, kPaymentMark));
        PutNumber(record, FieldOf(pay_map, "document type"), type.code);
        PutText(record, FieldOf(pay_map, "document number"), number);
        PutNumber(record, FieldOf(pay_map, "line number"), NumberOf(g(field::D120(1305))));
        PutText(record, FieldOf(pay_map, "payment type"), g(field::D120(1306)));
        PutText(record, FieldOf(pay_map, "cheque number"), key(field::D120(1310)));
        PutText(record, FieldOf(pay_map, "bank account"), key(field::D120(1309)));
        PutText(record, FieldOf(pay_map, "branch"), key(field::D120(1308)));
        PutText(record, FieldOf(pay_map, "bank"), key(field::D120(1307)));
        PutText(record, FieldOf(pay_map, "card company"), g(field::D120(1313)));
        PutText(record, FieldOf(pay_map, "due date"), TargetDate(g(field::D120(1311))));
        PutNumber(record, FieldOf(pay_map, "amount"), ReadAmount(g(field::D120(1312))));
        data.Append(record);
        ++c.payments;
      }
      KeyBlock keys;
      keys.Set(1, type_and_number);
      keys.Set(2, NumberKey(customer));
      keys.Set(3, std::string(TrimSpaces(f(field::C100(1230)))) + code + RightAligned(bare, 6));
      keys.SetRecord(at);
      if (failure = FromIsam(rm.DbInsert(kDocumentsFileNumber, keys.View()), index);
          !failure.ok()) {
        break;
      }
      ++c.documents;
      if (!Tick()) break;
    }
    const Status closed = FromIsam(rm.CloseDb(kDocumentsFileNumber), index);
    const Status data_closed = data.Close();
    if (failure.ok()) failure = closed.ok() ? data_closed : closed;
  }
  if (have_accounts) {
    const Status closed = FromIsam(rm.CloseDb(kAccountsFileNumber), accounts_index);
    if (failure.ok()) failure = closed;
  }
  if (!failure.ok() || stopped_ || counts.empty()) return failure;

  // The summary keeps the rows of the files not written now; a file added to has its row
  // grow by what was added.
  const TargetRecordMap& map = SummaryRecordMap();
  const std::string summary_name = SummaryFileName(store_.TaxYear);
  std::vector<std::vector<std::uint8_t>> rows;
  {
    const std::string before = ReadWholeFile(JoinPath(options_.target_folder, summary_name));
    for (std::size_t at = 0; at + map.size <= before.size(); at += map.size) {
      rows.emplace_back(before.begin() + static_cast<std::ptrdiff_t>(at),
                        before.begin() + static_cast<std::ptrdiff_t>(at + map.size));
    }
  }
  for (const auto& [extension, c] : counts) {
    const auto same = std::find_if(rows.begin(), rows.end(), [&](const auto& row) {
      return TrimSpaces(GetText(row, FieldOf(map, "extension"))) == extension;
    });
    std::vector<std::uint8_t>& row =
        same != rows.end() ? *same : rows.emplace_back(map.size, std::uint8_t{0});
    PutText(row, FieldOf(map, "extension"), extension);
    for (const auto& [name, added] :
         {std::pair<std::string_view, std::int64_t>{"documents", c.documents},
          {"lines", c.lines},
          {"payments", c.payments}}) {
      PutNumber(row, FieldOf(map, name), GetNumber(row, FieldOf(map, name)) + added);
    }
    Wrote(prefix_ + extension, c.documents + c.lines + c.payments, c.skipped);
  }
  RecordFile summary(kSummaryRecordSize, calls_);
  const std::string summary_path = JoinPath(staging_, summary_name);
  std::error_code error;
  fs::remove(summary_path, error);
  if (Status s = summary.Open(summary_path); !s.ok()) return s;
  for (const std::vector<std::uint8_t>& row : rows) summary.Append(row);
  if (Status s = summary.Close(); !s.ok()) return s;
  Wrote(summary_name, static_cast<std::int64_t>(rows.size()));
  return Status::Ok();
}

// What an earlier transfer left in the folder is dealt with first: its finished files are
// moved into place (and that is all this transfer does), an unfinished staging folder goes.
// Then the staging folder is made new.
Status TransferRun::MakeStaging() {
  switch (LeftStagingOf(lock_.fd())) {
    case LeftStaging::kForeign:
      return Status::Refused("בתיקיה " + options_.target_folder + " קיים כבר " +
                             std::string(kStagingName) + " שלא נוצר בידי התוכנה - הקליטה לא תתבצע");
    case LeftStaging::kComplete:
      if (Status s = MoveIntoPlace(calls_, lock_.fd(), options_.target_folder); !s.ok()) return s;
      result_.notice =
          "הקליטה הקודמת לתיקיה זו נקטעה לפני שכל קבציה הועברו למקומם - "
          "העברתם הושלמה כעת, ולא נעשה דבר נוסף";
      return Status::Ok();
    case LeftStaging::kUnfinished: {
      std::error_code error;
      fs::remove_all(staging_, error);
      break;
    }
    case LeftStaging::kNone:
      break;
  }
  if (::mkdirat(lock_.fd(), std::string(kStagingName).c_str(), 0700) != 0) {
    return Status::IoError(SystemError("cannot create", staging_));
  }
  return Status::Ok();
}

// Every file is complete and synced: the mark says so, for a rerun after a crash in the moves.
Status TransferRun::MarkComplete() {
  const std::string mark = JoinPath(staging_, kCompleteMark);
  const int fd = ::open(mark.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  const bool written = fd >= 0 && WriteAll(calls_, fd, kNewLine, 0) && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!written || !SyncPath(staging_, true)) return Status::IoError("cannot write " + staging_);
  return Status::Ok();
}

TransferResult TransferRun::Run() {
  result_.problems = AccountNumberProblems(store_);
  if (!result_.problems.empty()) {
    result_.status = Status::Refused(std::string(kAccountNumbersMessage));
    return result_;
  }
  if (options_.target_folder.empty()) {
    result_.status = Status::NotFound("התיקיה " + options_.target_folder + " אינה קיימת");
    return result_;
  }
  if (Status s = lock_.Take(options_.target_folder); !s.ok()) {
    result_.status = s;
    return result_;
  }
  if (Status s = MakeStaging(); !s.ok() || !result_.notice.empty()) {
    result_.status = s;
    return result_;
  }
  for (const auto& name : store_.AccountListIndex.Entries()) {
    const std::string key(TrimSpaces(ReadRecordField(store_, name.Offset, field::B110(1403))));
    numbers_.emplace(key, static_cast<std::int32_t>(AccountNumberOf(name.ShortKeyView())));
  }

  Status failure;
  const auto run = [&](bool ticked, Status (TransferRun::*step)()) {
    if (!ticked || !failure.ok() || stopped_) return;
    failure = (this->*step)();
  };
  run(options_.accounts, &TransferRun::Accounts);
  run(options_.movements, &TransferRun::Movements);
  run(options_.opening_balances, &TransferRun::OpeningBalances);
  run(options_.movements && movements_written_, &TransferRun::Balances);
  run(options_.items, &TransferRun::Items);
  run(options_.documents, &TransferRun::Documents);
  if (failure.ok() && !stopped_) failure = MarkComplete();

  std::error_code error;
  if (!failure.ok() || stopped_) {
    fs::remove_all(staging_, error);
    result_.files.clear();
    result_.status =
        stopped_ ? Status::Interrupted("הקליטה הופסקה - לא נכתב דבר בתיקיית היעד") : failure;
    return result_;
  }
  if (Status s = MoveIntoPlace(calls_, lock_.fd(), options_.target_folder); !s.ok()) {
    result_.status = s;
  }
  return result_;
}

}  // namespace

std::int16_t AccountKindOf(std::int32_t c) {
  if ((c >= 1000 && c <= 1100) || (c >= 5100 && c <= 5300)) return 30;
  if (c >= 7000 && c <= 8889) return 11;
  return c <= 8999 ? 40 : 21;
}

std::string StagingFolderOf(const std::string& target_folder) {
  return JoinPath(target_folder, kStagingName);
}

TransferResult RunTransfer(const RecordStore& store, const TransferOptions& options,
                           ProgressMonitor& monitor, const TransferStepSink& on_step) {
  return TransferRun(store, options, monitor, on_step).Run();
}

}  // namespace tallyscan
