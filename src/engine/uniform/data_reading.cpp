#include "engine/uniform/data_reading.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "engine/uniform/fields.h"
#include "engine/uniform/import_rows.h"
#include "engine/uniform/validation.h"
#include "engine/uniform/values.h"

namespace tallyscan {

namespace {

using field::A100;
using field::B110;
using field::Z900;

// A part smaller than this is not worth a thread of its own.
constexpr std::int64_t kMinPartBytes = std::int64_t{8} << 20;
// How often the caller's thread asks the monitor while the parts are read.
constexpr std::chrono::milliseconds kPollInterval(20);
// How many lines a part reads between two reports of its count.
constexpr std::int64_t kCountEvery = 1024;

// A fault as a part finds it: its line is counted within the part, and the row that names
// it is made when the parts before it have told how many lines they hold.
enum class FaultRow : char {
  kTextThenLine,  // ValidationErrorRow
  kLineThenText,  // LineErrorRow
  kNoLine,        // the text alone
};
struct PartFault {
  std::int64_t line;
  FaultRow row;
  std::string text;
};

// The slot of an indexed type in kIndexedTypes; -1 for the others.
int IndexedSlot(RecordType type) {
  switch (type) {
    case RecordType::kB110:
      return 0;
    case RecordType::kB100:
      return 1;
    case RecordType::kC100:
      return 2;
    case RecordType::kD110:
      return 3;
    case RecordType::kD120:
      return 4;
    case RecordType::kM100:
      return 5;
    default:
      return -1;
  }
}

// One part of the file: the bytes [begin, end), which start at a line's start and end after
// a line end (or at the end of the file).
class Part {
 public:
  // The last part reads on to the end of the file, as one reader would, however long the
  // file has grown since its size was taken.
  Part(const DataReadingSetup& setup, std::int64_t begin, std::int64_t end, bool last)
      : setup_(setup), begin_(begin), end_(end), last_(last) {}

  // Reads the part from `fd`, positioned at its first byte. Before each line hooks.Stop() is
  // asked whether to end here, after it hooks.Advance(lines read).
  template <typename Hooks>
  void Read(int fd, Hooks& hooks) {
    Reserve();
    LineReader reader(fd, ReadingBlockFor(end_ - begin_), setup_.read, last_ ? -1 : end_ - begin_);
    if (begin_ == 0 && last_) reader.HashInto(setup_.digest);
    TextLine line;
    std::int64_t n = 0;
    while (true) {
      if (hooks.Stop()) {
        stopped_ = true;
        break;
      }
      if (!reader.Next(line)) break;
      ++n;
      hooks.Advance(n);
      ReadLine(line, n);
    }
    lines_ = n;
    if (reader.failed()) error_ = reader.error();
    for (RecordIndex<IndexEntry>& index : indexes_) SortIndex(index);
  }

  // A part whose file could not be opened or whose memory ran out.
  void Fail(int error) { error_ = error; }
  void RanOutOfMemory() { out_of_memory_ = true; }

  std::int64_t begin() const { return begin_; }
  bool stopped() const { return stopped_; }
  int error() const { return error_; }
  bool out_of_memory() const { return out_of_memory_; }
  std::int64_t lines() const { return lines_; }
  std::int64_t fault_count() const { return fault_count_; }
  const std::vector<PartFault>& faults() const { return faults_; }
  const std::optional<std::int64_t>& closing_total() const { return closing_total_; }
  const std::array<AmountSum, 4>& account_totals() const { return account_totals_; }
  RecordIndex<IndexEntry>& index(std::size_t slot) { return indexes_[slot]; }

 private:
  // A part of the file gets its share and a little more, the records not being spread
  // evenly; the whole file gets what the header announces, as the index keeps it.
  void Reserve() {
    const bool whole = begin_ == 0 && last_;
    const double share = whole || setup_.size <= 0 ? 1.0
                                                   : static_cast<double>(end_ - begin_) /
                                                         static_cast<double>(setup_.size);
    for (std::size_t slot = 0; slot < kIndexedTypeCount; ++slot) {
      const auto expected = static_cast<double>(setup_.expected_records[slot]);
      indexes_[slot].Reset(whole ? setup_.expected_records[slot]
                                 : static_cast<std::int64_t>(expected * share * 1.02) + 1000);
    }
  }

  void ReadLine(const TextLine& line, std::int64_t n) {
    const std::string_view head = line.head;
    if (line.has_control) Fault(n, FaultRow::kLineThenText, kIllegalCharactersText);
    const RecordLayout* layout = FindLayout(head);
    if (layout == nullptr || layout->type == RecordType::kA000) {
      Fault(n, FaultRow::kLineThenText, kUnknownLineText);
      return;
    }
    const RecordType type = layout->type;
    if (const int slot = IndexedSlot(type); slot >= 0) {
      IndexEntry& entry = indexes_[static_cast<std::size_t>(slot)].Append();
      MakeKey(type, head, entry.Key);
      entry.Offset = begin_ + line.offset;
      if (line.length != layout->length) Fault(n, FaultRow::kLineThenText, kBadLengthText);
      if (FindLineFault(type, head, setup_.format_version, fault_text_)) {
        Fault(n, FaultRow::kTextThenLine, fault_text_);
      }
      if (type == RecordType::kB110) AddAccountTotals(head);
    } else if (type == RecordType::kA100) {
      CheckOpeningRecord(head);
    } else if (type == RecordType::kZ900) {
      closing_total_ = ReadInteger(SliceField(head, Z900(1155)));
    } else {
      Fault(n, FaultRow::kLineThenText, kUnknownLineText);
    }
  }

  void AddAccountTotals(std::string_view line) {
    account_totals_[0] += ReadAmount(SliceField(line, B110(1414)));
    account_totals_[1] += ReadAmount(SliceField(line, B110(1415)));
    account_totals_[2] += ReadAmount(SliceField(line, B110(1416)));
    account_totals_[3] += ReadAmount(SliceField(line, B110(1422)));
  }

  void CheckOpeningRecord(std::string_view line) {
    if (!HasFormatMark(SliceField(line, A100(1104)))) {
      Fault(0, FaultRow::kNoLine, kDataVersionText);
    }
    if (SliceField(line, A100(1103)) != setup_.primary_id) {
      Fault(0, FaultRow::kNoLine, kIdentifierMismatchText);
    }
  }

  // Counted always, kept while the part's list is below the limit: no part can list more
  // than the whole reading does, so none keeps a fault that the join could need.
  void Fault(std::int64_t line, FaultRow row, std::string_view text) {
    ++fault_count_;
    if (static_cast<std::int64_t>(faults_.size()) < setup_.listed_fault_limit) {
      faults_.push_back({line, row, std::string(text)});
    }
  }

  const DataReadingSetup& setup_;
  std::int64_t begin_;
  std::int64_t end_;
  bool last_;
  std::array<RecordIndex<IndexEntry>, kIndexedTypeCount> indexes_;
  std::vector<PartFault> faults_;
  std::int64_t fault_count_ = 0;
  std::string fault_text_;
  std::int64_t lines_ = 0;
  std::optional<std::int64_t> closing_total_;
  std::array<AmountSum, 4> account_totals_{};
  bool stopped_ = false;
  bool out_of_memory_ = false;
  int error_ = 0;
};

// The hooks of the one part read on the caller's thread: the monitor asked before every line.
class CallerHooks {
 public:
  CallerHooks(ProgressMonitor& monitor, std::int64_t expected_lines)
      : monitor_(monitor), progress_(monitor, expected_lines) {}
  bool Stop() { return monitor_.StopRequested(); }
  void Advance(std::int64_t lines) { progress_.Advance(lines); }

 private:
  ProgressMonitor& monitor_;
  ProgressTracker progress_;
};

// The hooks of a part on a thread of its own: the stop is a flag the caller's thread sets,
// and the count of lines is told now and then for the percentage.
class ThreadHooks {
 public:
  ThreadHooks(const std::atomic<bool>& stop, std::atomic<std::int64_t>& lines)
      : stop_(stop), lines_(lines) {}
  bool Stop() const { return stop_.load(std::memory_order_relaxed); }
  void Advance(std::int64_t lines) {
    if (lines % kCountEvery == 0) lines_.store(lines, std::memory_order_relaxed);
  }

 private:
  const std::atomic<bool>& stop_;
  std::atomic<std::int64_t>& lines_;
};

// The start of the first line that begins at or after `offset`: `offset` itself when the
// byte before it ends a line, else the byte after the next line end (the end of the file
// when none follows). A file that cannot be read there gives the end of the file: the part
// before then reads on to the end, which is still right, only not split.
std::int64_t LineStartFrom(int fd, std::int64_t offset, std::int64_t size) {
  if (offset <= 0) return 0;
  if (offset >= size) return size;
  char buffer[16 * 1024];
  for (std::int64_t at = offset - 1; at < size;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return size;
    const void* lf = std::memchr(buffer, '\n', static_cast<std::size_t>(n));
    if (lf != nullptr) return at + (static_cast<const char*>(lf) - buffer) + 1;
    at += n;
  }
  return size;
}

// Where each part begins; the first at 0. A part may be empty (two offsets in one line).
std::vector<std::int64_t> PartStarts(const DataReadingSetup& setup) {
  // A digest takes the bytes in file order: one part reads them all.
  if (setup.digest != nullptr) return {0};
  std::vector<std::int64_t> offsets = setup.split_offsets;
  if (offsets.empty()) {
    const std::int64_t parts = std::clamp<std::int64_t>(
        std::min<std::int64_t>(setup.threads, setup.size / kMinPartBytes), 1, 1024);
    for (std::int64_t i = 1; i < parts; ++i) offsets.push_back(setup.size / parts * i);
  }
  std::sort(offsets.begin(), offsets.end());
  std::vector<std::int64_t> starts = {0};
  for (const std::int64_t offset : offsets) {
    starts.push_back(std::max(starts.back(), LineStartFrom(setup.fd, offset, setup.size)));
  }
  return starts;
}

// Reads every part on a thread of its own while the caller's thread asks the monitor.
void ReadSideBySide(const DataReadingSetup& setup, std::vector<std::unique_ptr<Part>>& parts,
                    ProgressMonitor& monitor) {
  std::atomic<bool> stop{false};
  std::vector<std::atomic<std::int64_t>> lines(parts.size());
  std::mutex mutex;
  std::condition_variable finished;
  std::size_t running = parts.size();

  auto read_part = [&](std::size_t i) {
    Part& part = *parts[i];
    ThreadHooks hooks(stop, lines[i]);
    try {
      if (i == 0) {
        part.Read(setup.fd, hooks);
      } else {
        const FileHandle file(setup.path);
        if (!file.ok()) {
          part.Fail(file.open_error() != 0 ? file.open_error() : EIO);
        } else if (::lseek(file.fd(), part.begin(), SEEK_SET) != part.begin()) {
          part.Fail(errno != 0 ? errno : EIO);
        } else {
          ::posix_fadvise(file.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
          part.Read(file.fd(), hooks);
        }
      }
    } catch (const std::exception&) {  // memory ran out: nothing else is thrown here
      part.RanOutOfMemory();
    }
    const std::lock_guard<std::mutex> lock(mutex);
    --running;
    finished.notify_one();
  };

  std::vector<std::thread> threads;
  threads.reserve(parts.size());
  try {
    for (std::size_t i = 0; i < parts.size(); ++i) threads.emplace_back(read_part, i);
  } catch (const std::system_error&) {
    // No thread to be had: the ones started end at once, and the reading fails as it does
    // when memory runs out.
    stop.store(true);
    {
      std::unique_lock<std::mutex> lock(mutex);
      running -= parts.size() - threads.size();
      finished.wait(lock, [&] { return running == 0; });
    }
    for (std::thread& thread : threads) thread.join();
    throw std::bad_alloc();
  }

  ProgressTracker progress(monitor, setup.expected_lines);
  std::unique_lock<std::mutex> lock(mutex);
  while (!finished.wait_for(lock, kPollInterval, [&] { return running == 0; })) {
    lock.unlock();
    if (!stop.load(std::memory_order_relaxed) && monitor.StopRequested()) stop.store(true);
    std::int64_t read = 0;
    for (const std::atomic<std::int64_t>& count : lines) {
      read += count.load(std::memory_order_relaxed);
    }
    progress.Advance(read);
    lock.lock();
  }
  lock.unlock();
  for (std::thread& thread : threads) thread.join();
  std::int64_t read = 0;
  for (const std::unique_ptr<Part>& part : parts) read += part->lines();
  progress.Advance(read);
}

std::string FaultRowText(const PartFault& fault, std::int64_t line_base) {
  switch (fault.row) {
    case FaultRow::kTextThenLine:
      return ValidationErrorRow(fault.text, line_base + fault.line);
    case FaultRow::kLineThenText:
      return LineErrorRow(fault.text, line_base + fault.line);
    case FaultRow::kNoLine:
      break;
  }
  return MakeRow(RowStatus::kError, {fault.text});
}

// The parts joined in file order into what one reader gives.
DataReading Join(const DataReadingSetup& setup, std::vector<std::unique_ptr<Part>>& parts) {
  DataReading reading;
  std::size_t kept = parts.size();
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const Part& part = *parts[i];
    if (part.out_of_memory()) throw std::bad_alloc();
    if (part.error() != 0) {
      reading.error = part.error();
      return reading;
    }
    if (part.stopped()) {
      reading.interrupted = true;
      kept = i + 1;
      break;
    }
  }
  parts.resize(kept);  // what lies after a stop is forgotten, as one reader never read it

  for (const std::unique_ptr<Part>& part : parts) {
    for (const PartFault& fault : part->faults()) {
      if (static_cast<std::int64_t>(reading.fault_rows.size()) >= setup.listed_fault_limit) {
        break;
      }
      reading.fault_rows.push_back(FaultRowText(fault, reading.lines));
    }
    reading.fault_count += part->fault_count();
    reading.lines += part->lines();
    if (part->closing_total()) reading.closing_total = *part->closing_total();
    // Exact sums: the parts add up in any order to the sums of one pass.
    for (std::size_t k = 0; k < reading.account_totals.size(); ++k) {
      reading.account_totals[k] += part->account_totals()[k];
    }
  }

  for (std::size_t slot = 0; slot < kIndexedTypeCount; ++slot) {
    RecordIndex<IndexEntry>& index = reading.indexes[slot];
    index = std::move(parts[0]->index(slot));
    std::vector<std::int64_t> runs = {index.Count()};
    for (std::size_t i = 1; i < parts.size(); ++i) {
      RecordIndex<IndexEntry>& part_index = parts[i]->index(slot);
      index.AppendEntries(part_index.Entries());
      runs.push_back(part_index.Count());
      part_index = RecordIndex<IndexEntry>();  // its memory back before the next part's copy
    }
    MergeSortedRuns(index, runs);
  }
  return reading;
}

// The parts joined on a thread of their own while the caller's thread, which waited through
// the reading asking its monitor every 20 ms, goes on telling it that it waits: merging the
// indexes of a large file takes long enough to be felt in a window. The reading is whole by
// then; a stop asked now has nothing left to stop.
DataReading JoinBeside(const DataReadingSetup& setup, std::vector<std::unique_ptr<Part>>& parts,
                       ProgressMonitor& monitor) {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  DataReading reading;
  std::exception_ptr failure;
  std::thread joiner;
  try {
    joiner = std::thread([&] {
      try {
        reading = Join(setup, parts);
      } catch (...) {
        failure = std::current_exception();
      }
      const std::lock_guard<std::mutex> lock(mutex);
      done = true;
      finished.notify_one();
    });
  } catch (const std::system_error&) {
    return Join(setup, parts);  // no thread to be had: joined on the caller's, as one part is
  }
  std::unique_lock<std::mutex> lock(mutex);
  while (!finished.wait_for(lock, kPollInterval, [&] { return done; })) {
    lock.unlock();
    monitor.OnWaiting();
    lock.lock();
  }
  lock.unlock();
  joiner.join();
  if (failure) std::rethrow_exception(failure);
  return reading;
}

}  // namespace

bool HasFormatMark(std::string_view field) {
  static constexpr std::string_view kFormatMark = "&OF1.31&";
  if (field.size() != kFormatMark.size()) return false;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    if (upper != kFormatMark[i]) return false;
  }
  return true;
}

std::size_t ReadingBlockFor(std::int64_t size) {
  constexpr std::int64_t kSmallest = 64 * 1024;
  return static_cast<std::size_t>(
      std::clamp(size + 1, kSmallest, static_cast<std::int64_t>(LineReader::kBlockSize)));
}

DataReading ReadDataFile(const DataReadingSetup& setup, ProgressMonitor& monitor) {
  const std::vector<std::int64_t> starts = PartStarts(setup);
  std::vector<std::unique_ptr<Part>> parts;
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::int64_t end = i + 1 < starts.size() ? starts[i + 1] : setup.size;
    parts.push_back(std::make_unique<Part>(setup, starts[i], end, i + 1 == starts.size()));
  }
  if (parts.size() == 1) {
    CallerHooks hooks(monitor, setup.expected_lines);
    parts[0]->Read(setup.fd, hooks);
  } else {
    ReadSideBySide(setup, parts, monitor);
    return JoinBeside(setup, parts, monitor);
  }
  return Join(setup, parts);
}

}  // namespace tallyscan
