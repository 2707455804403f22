// The field statistics read in parts on several threads give what one reader gives, byte for
// byte, wherever the parts begin; the parted reading numbers every line as one reader does,
// a stop ends every part, and a part that cannot be read or whose visit throws is reported.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "engine/analytics/field_statistics.h"
#include "engine/analytics/parted_pass.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "generator/data_set.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan::testing {
namespace {

// Every document the statistics print.
std::string Outputs(const FieldStatistics& result) {
  return FieldStatisticsJson(result) + DocumentSummaryJson(result) + RecordCountsJson(result);
}

std::string Statistics(const RecordStore& store, const ImportResult& imported, int threads,
                       std::vector<std::int64_t> splits) {
  SilentProgress silent;
  FieldStatisticsOptions options;
  options.threads = threads;
  options.split_offsets = std::move(splits);
  const FieldStatisticsRun run =
      RunFieldStatistics(store, SourceFilesOf(imported), silent, options);
  EXPECT_TRUE(run.status.ok()) << run.status.message();
  return run.result ? Outputs(*run.result) : std::string();
}

// A movement whose amount (1368) and value date (1362) are given.
std::string Movement(std::int64_t record, std::string_view amount, std::string_view date) {
  RecordWriter w(RecordType::kB100);
  w.SetDigits(1351, record).SetDigits(1352, kDealer).SetDigits(1353, record).SetDigits(1354, 1);
  w.SetDigits(1355, 1).SetText(1362, date).SetDate(1363, 20240305).SetText(1364, "1200");
  w.SetText(1366, "1").SetText(1368, amount).SetAmount(1369, 0).SetAmount(1370, 0);
  return std::string(w.line());
}

// A generated set with every fault, and among its lines the same smallest and largest amount
// and earliest date at the start and at the end (the first must win), documents numbered
// by digits and not, garbage, a line far longer than a block and a short one; the last line
// has no line end.
std::string MixedSet(const std::string& folder) {
  std::vector<FaultRequest> faults;
  for (const FaultInfo& fault : Faults()) faults.push_back({fault.kind, 1});
  DataSetOptions options;
  options.movements = 600;
  options.seed = 77;
  options.faults = faults;
  GeneratedDataSet generated;
  EXPECT_TRUE(GenerateDataSet(options, folder, &generated).ok());
  const std::string path = folder + "/BKMVDATA.TXT";
  std::string data = ReadFile(path);
  const std::string low = "-99999999999999", high = "+99999999999999";
  const std::string early = Movement(900001, low, "20000101") + "\r\n" +
                            Movement(900002, high, "20000101") + "\r\n" +
                            "garbage \x01 of no record type\r\n" + C100Line(900003, 305, "A17") +
                            "\r\n" + "B100" + std::string(200000, '7') + "\r\n";
  const std::string late = Movement(900004, high, "20000101") + "\r\n" +
                           Movement(900005, low, "20000101") + "\r\n" +
                           C100Line(900006, 305, "0009") + "\r\n" +
                           Movement(900007, low, "20240101").substr(0, 100) + "\r\n";
  data.insert(data.find("\r\n") + 2, early);
  data.insert(data.rfind("\r\n", data.size() - 3) + 2, late);
  data.erase(data.size() - 2);
  WriteFile(path, data);
  return data;
}

TEST(FieldStatisticsPartsTest, PartsGiveWhatOneReaderGivesWhereverTheyBegin) {
  TempFolder folder;
  const std::string data = MixedSet(folder.path());
  RecordStore store;
  SilentProgress silent;
  const ImportResult imported = ImportFolder(store, folder.path(), silent);
  ASSERT_TRUE(imported.status.ok()) << imported.status.message();
  const std::string single = Statistics(store, imported, 1, {});  // one reader
  ASSERT_NE(std::string::npos, single.find("\"smallest\""));

  const auto size = static_cast<std::int64_t>(data.size());
  std::vector<std::int64_t> places = {0, 1, size, size + 50};
  for (int i = 1; i < 12; ++i) places.push_back(size * i / 12);
  const auto at = [&](std::string_view text, std::int64_t delta) {
    places.push_back(static_cast<std::int64_t>(data.find(text)) + delta);
  };
  at("\r\n", 1);                      // between CR and LF
  at("\r\n", 2);                      // just after a line end
  at("garbage", 3);                   // in the line of garbage
  at(std::string(100, '7'), 150000);  // inside the long line
  at("B10090000", 0);                 // at the first of the movements added
  places.push_back(static_cast<std::int64_t>(data.rfind("\r\n")) + 2);  // the last line

  struct Parting {
    int threads;
    std::size_t splits;
  } const partings[] = {{2, 1}, {3, 2}, {8, 7}};
  for (const Parting& parting : partings) {
    for (std::size_t first = 0; first < places.size(); ++first) {
      std::vector<std::int64_t> splits;
      for (std::size_t i = 0; i < parting.splits; ++i) {
        splits.push_back(places[(first + i * 5) % places.size()]);
      }
      ASSERT_EQ(single, Statistics(store, imported, parting.threads, splits))
          << parting.threads << " threads from place " << first;
    }
  }
}

// A data file opened as the store keeps it, for the parted reading alone.
class RawFile {
 public:
  explicit RawFile(const std::string& bytes) : path_(folder_.File("BKMVDATA.TXT")) {
    WriteFile(path_, bytes);
    EXPECT_TRUE(store.DataFile.Open(path_).ok());
  }
  const std::string& path() const { return path_; }
  RecordStore store;

 private:
  TempFolder folder_;
  std::string path_;
};

// Lines of `width` bytes up to `size` bytes, numbered in their first bytes.
std::string Lines(std::int64_t size, std::size_t width = 200) {
  std::string bytes;
  for (std::int64_t n = 1; static_cast<std::int64_t>(bytes.size()) < size; ++n) {
    std::string line = std::to_string(n);
    line.resize(width - 2, '.');
    bytes += line + "\r\n";
  }
  return bytes;
}

TEST(PartedPassTest, EveryLineIsNumberedAsOneReaderNumbersItAndSmallFilesStayWhole) {
  std::string bytes = Lines(1 << 20);
  bytes += "a lone CR\r stays\n\n" + std::string(9000, 'x') + "\r\n" + "last, without LF\r";
  RawFile file(bytes);
  SilentProgress silent;
  std::vector<std::string> single;
  analytics::DataPass one(file.store, false);
  ASSERT_TRUE(one.Run(silent,
                      [&](std::int64_t number, std::string_view head) {
                        single.push_back(std::to_string(number) + ":" + std::string(head));
                        return true;
                      })
                  .ok());
  const auto size = static_cast<std::int64_t>(bytes.size());
  const std::vector<std::vector<std::int64_t>> splits = {
      {size / 2}, {1, 599, 601}, {size - 20, size - 9010, size / 3}, {5, 5, 5, size, size + 1}};
  for (const std::vector<std::int64_t>& split : splits) {
    analytics::PartedPass pass(file.store, 0, split);
    ASSERT_EQ(split.size() + 1, pass.parts());
    std::vector<std::vector<std::pair<std::int64_t, std::string>>> parts(pass.parts());
    ASSERT_TRUE(pass.Run(silent,
                         [&](std::size_t part, std::int64_t number, std::string_view head) {
                           parts[part].emplace_back(number, std::string(head));
                         })
                    .ok());
    std::vector<std::string> joined;
    for (std::size_t part = 0; part < parts.size(); ++part) {
      for (const auto& [number, head] : parts[part]) {
        joined.push_back(std::to_string(pass.LinesBefore(part) + number) + ":" + head);
      }
    }
    EXPECT_EQ(single, joined) << split.size() << " splits";
  }
  // A file too small to be worth splitting is one part, however many threads are asked.
  for (const int threads : {0, 1, 2, 8}) {
    EXPECT_EQ(1u, analytics::PartedPass(file.store, threads).parts()) << threads;
  }
}

// The parts of a file of `parts` equal shares, each of several blocks.
struct SharedFile {
  explicit SharedFile(int parts) : file(Lines(std::int64_t{parts} * 3 << 20)) {
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(file.path()));
    for (int i = 1; i < parts; ++i) splits.push_back(size * i / parts);
  }
  RawFile file;
  std::vector<std::int64_t> splits;
};

TEST(PartedPassTest, AStopEndsEveryPart) {
  SharedFile shared(3);
  // Every part waits on its first line until the monitor was asked, so that each is still
  // reading when the stop comes.
  std::atomic<bool> asked{false};
  class StopAtOnce final : public ProgressMonitor {
   public:
    explicit StopAtOnce(std::atomic<bool>& asked) : asked_(asked) {}
    void OnProgress(int) override {}
    bool StopRequested() override {
      asked_.store(true);
      return true;
    }

   private:
    std::atomic<bool>& asked_;
  } stop(asked);
  analytics::PartedPass pass(shared.file.store, 3, shared.splits);
  std::vector<std::int64_t> lines(pass.parts(), 0);
  const Status status = pass.Run(stop, [&](std::size_t part, std::int64_t, std::string_view) {
    while (!asked.load()) std::this_thread::yield();
    ++lines[part];
  });
  EXPECT_EQ(StatusCode::kInterrupted, status.code());
  for (std::size_t part = 0; part < lines.size(); ++part) {
    EXPECT_LT(lines[part], 6000) << "part " << part << " read on after the stop";
  }
}

TEST(PartedPassTest, APartThatFailsIsReportedAndEndsTheOthers) {
  SilentProgress silent;
  {
    // The file shrinks while the second part reads it: it cannot read its later blocks.
    SharedFile shared(2);
    analytics::PartedPass pass(shared.file.store, 2, shared.splits);
    const std::string path = shared.file.path();
    const std::int64_t cut = shared.splits[0];
    std::atomic<bool> cut_done{false};
    const Status status = pass.Run(silent, [&](std::size_t part, std::int64_t, std::string_view) {
      if (part == 1 && !cut_done.exchange(true))
        std::filesystem::resize_file(path, static_cast<std::uintmax_t>(cut));
    });
    EXPECT_EQ(StatusCode::kIoError, status.code());
  }
  {
    // What a visit throws comes out of the reading once every thread has ended.
    SharedFile shared(3);
    analytics::PartedPass pass(shared.file.store, 3, shared.splits);
    EXPECT_THROW(pass.Run(silent,
                          [&](std::size_t part, std::int64_t number, std::string_view) {
                            if (part == 2 && number == 10) throw std::bad_alloc();
                          }),
                 std::bad_alloc);
  }
}

}  // namespace
}  // namespace tallyscan::testing
