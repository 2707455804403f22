// The data file read in parts on several threads gives what one reader gives, byte for byte:
// the import rows, the line numbers in them, the listed and unlisted faults, the indexes and
// the totals, wherever the parts are made to begin.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/common/amount_sum.h"
#include "engine/common/progress.h"
#include "engine/uniform/import.h"
#include "generator/data_set.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan {
namespace {

// Everything an import leaves that a view could show.
struct Outcome {
  std::vector<std::string> rows;
  std::int64_t lines_read = 0;
  std::int64_t findings = 0;
  bool interrupted = false;
  std::string indexes;            // every entry of every index, raw
  std::vector<AmountSum> totals;  // exact, as the store keeps them

  bool operator==(const Outcome&) const = default;
};

template <typename Entry>
void AppendRaw(const RecordIndex<Entry>& index, std::string& out) {
  out += std::to_string(index.Count()) + ":";
  for (const Entry& entry : index.Entries()) {
    out.append(reinterpret_cast<const char*>(&entry.Key), sizeof entry.Key);
    out.append(reinterpret_cast<const char*>(&entry.Offset), sizeof entry.Offset);
  }
}

Outcome Import(const std::string& folder, int threads, std::vector<std::int64_t> splits,
               std::int64_t error_limit = 100000) {
  RecordStore store;
  SilentProgress silent;
  ImportOptions options;
  options.read_threads = threads;
  options.split_offsets = std::move(splits);
  options.listed_error_limit = error_limit;
  const ImportResult result = ImportFolder(store, folder, silent, options);
  EXPECT_TRUE(result.status.ok()) << result.status.message();
  Outcome outcome;
  const auto rows = result.rows.Rows();
  outcome.rows.assign(rows.begin(), rows.end());
  outcome.lines_read = result.lines_read;
  outcome.findings = result.findings;
  outcome.interrupted = result.interrupted;
  for (const auto* index : {&store.AccountIndex, &store.MovementIndex, &store.DocumentIndex,
                            &store.DocumentLineIndex, &store.ReceiptLineIndex, &store.ItemIndex}) {
    AppendRaw(*index, outcome.indexes);
  }
  AppendRaw(store.AccountListIndex, outcome.indexes);
  AppendRaw(store.ItemListIndex, outcome.indexes);
  outcome.totals = {store.TotalOpeningBalance, store.TotalDebit, store.TotalCredit,
                    store.TotalOpeningBalanceFx};
  return outcome;
}

// `count` split offsets taken from `places`, starting at `first` and wrapping around.
std::vector<std::int64_t> Pick(const std::vector<std::int64_t>& places, std::size_t first,
                               std::size_t count) {
  std::vector<std::int64_t> picked;
  for (std::size_t i = 0; i < count; ++i) picked.push_back(places[(first + i) % places.size()]);
  return picked;
}

// Each thread count, with split offsets drawn from `places` in every rotation, against one
// reader.
void ExpectEveryPartingMatches(const std::string& folder, const std::vector<std::int64_t>& places,
                               std::int64_t error_limit = 100000) {
  const Outcome single = Import(folder, 1, {}, error_limit);
  ASSERT_FALSE(single.rows.empty());
  for (const int threads : {2, 3, 8}) {
    for (std::size_t first = 0; first < places.size(); ++first) {
      const std::vector<std::int64_t> splits =
          Pick(places, first, static_cast<std::size_t>(threads - 1));
      const Outcome split = Import(folder, threads, splits, error_limit);
      ASSERT_EQ(single.rows, split.rows) << threads << " threads from place " << first;
      ASSERT_TRUE(single == split) << threads << " threads from place " << first;
    }
  }
}

// Offsets spread evenly over a file, and a few just off them.
std::vector<std::int64_t> SpreadOver(std::int64_t size) {
  std::vector<std::int64_t> places;
  for (int i = 1; i < 16; ++i) {
    places.push_back(size * i / 16);
    places.push_back(size * i / 16 + 1);
  }
  return places;
}

TEST(SplitReadingTest, GeneratedSetsReadInPartsGiveWhatOneReaderGives) {
  std::vector<FaultRequest> all_faults;
  for (const FaultInfo& fault : Faults()) all_faults.push_back({fault.kind, 1});
  struct Set {
    std::int64_t movements;
    std::uint64_t seed;
    bool dos;
    bool zip;
    bool faults;
  };
  for (const Set& set : {Set{400, 101, false, false, false}, Set{600, 102, false, false, true},
                         Set{300, 103, true, false, false}, Set{300, 104, false, true, false}}) {
    testing::TempFolder folder;
    testing::TempFolder cache;
    DataSetOptions options;
    options.movements = set.movements;
    options.seed = set.seed;
    options.dos_coded = set.dos;
    options.zip = set.zip;
    if (set.faults) options.faults = all_faults;
    GeneratedDataSet generated;
    ASSERT_TRUE(GenerateDataSet(options, folder.path(), &generated).ok());
    // The zipped set is extracted by its first reading; the parts then read the extracted file.
    Import(folder.path(), 1, {});
    const std::string data = std::filesystem::exists(folder.File("BkMvdata.Txt"))
                                 ? folder.File("BkMvdata.Txt")
                                 : folder.File("BKMVDATA.TXT");
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(data));
    ExpectEveryPartingMatches(folder.path(), SpreadOver(size));
    if (set.faults) {
      // A short list: the listed faults and the count of those beyond come from several parts.
      ExpectEveryPartingMatches(folder.path(), SpreadOver(size), 3);
    }
  }
}

TEST(SplitReadingTest, PartsBeginningAtAwkwardPlacesGiveWhatOneReaderGives) {
  testing::DataSetFiles set = testing::SmallValidSet();
  // A line of garbage with a control byte, a record cut short and one far longer than a
  // block, among the records.
  set.data.insert(set.data.begin() + 4, "garbage \x01 of no record type");
  set.data.insert(set.data.begin() + 7, set.data[6].substr(0, 40));
  set.data.insert(set.data.begin() + 9, "B100" + std::string(200000, '7'));
  testing::TempFolder folder;
  set.Write(folder.path());
  std::string data = set.Join(set.data);
  // The last line without its end, after a lone LF line end.
  data.insert(data.find("\r\n", data.find("M100")), "\n");
  data.erase(data.size() - 2);
  testing::WriteFile(folder.File("BKMVDATA.TXT"), data);

  std::vector<std::int64_t> places = {0, 1, static_cast<std::int64_t>(data.size()),
                                      static_cast<std::int64_t>(data.size()) + 50};
  const auto at = [&](std::string_view text, std::int64_t delta) {
    places.push_back(static_cast<std::int64_t>(data.find(text)) + delta);
  };
  at("\r\n", 1);                   // between CR and LF
  at("\r\n", 2);                   // just after a line end
  at("\r\n", 0);                   // on the CR
  at("garbage", 3);                // in the line of garbage
  at("\x01", 1);                   // just after its control byte
  at("B110", 100);                 // inside a record
  at(std::string(100, '7'), 150);  // inside the long line
  at("Z900", 5);                   // in the last line, which has no end
  at("M100", -1);                  // on the lone LF before the item
  ExpectEveryPartingMatches(folder.path(), places);
}

// The first part's reads of the data file wait until the monitor has been asked to stop, so
// that the stop falls inside the first part whatever the later parts have read by then.
std::atomic<bool> stop_asked{false};
std::int64_t data_size = 0;
ssize_t ReadHeldUntilStop(int fd, void* buffer, std::size_t count) {
  struct stat file {};
  if (::fstat(fd, &file) == 0 && file.st_size == data_size && ::lseek(fd, 0, SEEK_CUR) == 0) {
    while (!stop_asked.load()) std::this_thread::yield();
  }
  return ::read(fd, buffer, count);
}

TEST(SplitReadingTest, StopKeepsWhatOneReaderWouldHaveReadAndForgetsTheLaterParts) {
  class StopAtOnce final : public ProgressMonitor {
   public:
    void OnProgress(int) override {}
    bool StopRequested() override {
      stop_asked.store(true);
      return true;
    }
  };
  class StopAfterOneLine final : public ProgressMonitor {
   public:
    void OnProgress(int) override {}
    bool StopRequested() override { return asked_++ >= 1; }

   private:
    int asked_ = 0;
  };
  const auto outcome = [](const RecordStore& store, const ImportResult& result) {
    Outcome o;
    o.lines_read = result.lines_read;
    o.interrupted = result.interrupted;
    o.rows.assign(result.rows.Rows().begin(), result.rows.Rows().end());
    for (const auto* index :
         {&store.AccountIndex, &store.MovementIndex, &store.DocumentIndex, &store.DocumentLineIndex,
          &store.ReceiptLineIndex, &store.ItemIndex}) {
      AppendRaw(*index, o.indexes);
    }
    return o;
  };
  testing::TempFolder folder;
  testing::DataSetFiles set = testing::SmallValidSet();
  set.data.insert(set.data.begin() + 1, set.data[1]);  // the first part holds two accounts
  set.Write(folder.path());
  data_size = static_cast<std::int64_t>(std::filesystem::file_size(folder.File("BKMVDATA.TXT")));
  const std::int64_t third_line =
      static_cast<std::int64_t>(set.data[0].size() + set.data[1].size() + 4);

  RecordStore split_store;
  StopAtOnce stop_at_once;
  ImportOptions options;
  options.split_offsets = {third_line, third_line + 10, data_size / 2};
  options.read_call = ReadHeldUntilStop;
  const ImportResult split = ImportFolder(split_store, folder.path(), stop_at_once, options);
  ASSERT_TRUE(split.status.ok());

  RecordStore single_store;
  StopAfterOneLine stop_after_one_line;
  ImportOptions one;
  one.read_threads = 1;
  const ImportResult single = ImportFolder(single_store, folder.path(), stop_after_one_line, one);
  EXPECT_TRUE(split.interrupted);
  EXPECT_EQ(1, split.lines_read);
  EXPECT_TRUE(outcome(single_store, single) == outcome(split_store, split));
}

TEST(SplitReadingTest, OneThreadOrOneSmallFileIsReadOnTheCallersThread) {
  // One reader asks the monitor before every line: a stop after the fourth gives four lines.
  class StopAfterFour final : public ProgressMonitor {
   public:
    void OnProgress(int) override {}
    bool StopRequested() override { return asked_++ >= 4; }

   private:
    int asked_ = 0;
  };
  testing::TempFolder folder;
  testing::SmallValidSet().Write(folder.path());
  for (const int threads : {0, 1, 2, 8}) {
    RecordStore store;
    StopAfterFour monitor;
    ImportOptions options;
    options.read_threads = threads;
    const ImportResult result = ImportFolder(store, folder.path(), monitor, options);
    EXPECT_TRUE(result.interrupted) << threads;
    EXPECT_EQ(4, result.lines_read) << threads;
  }
}

}  // namespace
}  // namespace tallyscan
