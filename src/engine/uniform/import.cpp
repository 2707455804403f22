#include "engine/uniform/import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "engine/text/text.h"
#include "engine/uniform/data_reading.h"
#include "engine/uniform/fields.h"
#include "engine/uniform/folder_files.h"
#include "engine/uniform/import_rows.h"
#include "engine/uniform/line_reader.h"
#include "engine/uniform/unzip.h"
#include "engine/uniform/validation.h"
#include "engine/uniform/values.h"

namespace tallyscan {

namespace {

using field::A000;

constexpr std::string_view kExtractedName = "BkMvdata.Txt";

// The threads a reading uses: as asked, or one per core when 0 (or fewer) is asked.
int ReadThreads(int asked) {
  if (asked > 0) return asked;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

// "1.31" -> 13100 (ten-thousandths); anything that is not such a number reads as 0.
std::int64_t ReadVersion(std::string_view text) {
  text = TrimSpaces(text);
  std::int64_t whole = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    whole = whole * 10 + (text[i] - '0');
  if (i == 0) return 0;
  std::int64_t fraction = 0;
  int decimals = 0;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9' && decimals < 4; ++i) {
      fraction = fraction * 10 + (text[i] - '0');
      ++decimals;
    }
  }
  if (i != text.size()) return 0;
  for (; decimals < 4; ++decimals) fraction *= 10;
  return whole * 10000 + fraction;
}

// The indexed record types: their index in the store and what the import counts for them.
struct IndexedType {
  RecordType type;
  RecordIndex<IndexEntry> RecordStore::*index;
  std::string_view code;
  int length;
};

const std::array<IndexedType, 6>& IndexedTypes() {
  // In the order of the summary of records read.
  static const std::array<IndexedType, 6> types = {{
      {RecordType::kB110, &RecordStore::AccountIndex, "B110", LayoutOf(RecordType::kB110).length},
      {RecordType::kB100, &RecordStore::MovementIndex, "B100", LayoutOf(RecordType::kB100).length},
      {RecordType::kC100, &RecordStore::DocumentIndex, "C100", LayoutOf(RecordType::kC100).length},
      {RecordType::kD110, &RecordStore::DocumentLineIndex, "D110",
       LayoutOf(RecordType::kD110).length},
      {RecordType::kD120, &RecordStore::ReceiptLineIndex, "D120",
       LayoutOf(RecordType::kD120).length},
      {RecordType::kM100, &RecordStore::ItemIndex, "M100", LayoutOf(RecordType::kM100).length},
  }};
  return types;
}

static_assert(kIndexedTypes[0] == RecordType::kB110 && kIndexedTypes[1] == RecordType::kB100 &&
                  kIndexedTypes[2] == RecordType::kC100 && kIndexedTypes[3] == RecordType::kD110 &&
                  kIndexedTypes[4] == RecordType::kD120 && kIndexedTypes[5] == RecordType::kM100,
              "the reading fills the indexes in the order of IndexedTypes");

// The files a passed file check names.
struct FolderFiles {
  std::string ini;
  std::string data;
  std::string extracted_to;  // the cache folder, when the zip was extracted there
  std::string zip;           // the zip extracted, when the data file came from one
};

std::string CacheFolderFor(const std::string& cache_root, const std::string& folder) {
  // One sub-folder per data folder, so that two data sets never share an extracted file.
  std::uint64_t hash = 1469598103934665603ull;
  for (const char c : folder) {
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  char name[17];
  static constexpr char kHex[] = "0123456789abcdef";
  for (int i = 15; i >= 0; --i, hash >>= 4) name[i] = kHex[hash & 15];
  name[16] = '\0';
  return JoinPath(cache_root, name);
}

Status CheckFiles(const std::string& folder, const ImportOptions& options, FolderFiles& files) {
  if (folder.empty()) return Status::NotFound(std::string(kNoFolderText));
  const std::optional<std::string> ini = FindFileIgnoringCase(folder, "ini.txt");
  if (!ini) return Status::NotFound(std::string(kNoIniText));
  files.ini = *ini;
  if (const auto data = FindFileIgnoringCase(folder, "bkmvdata.txt")) {
    files.data = *data;
    return Status::Ok();
  }
  const std::optional<std::string> zip = FindFileIgnoringCase(folder, "bkmvdata.zip");
  if (!zip) return Status::NotFound(std::string(kNoDataText));

  std::string target =
      JoinPath(options.extract_folder.empty() ? folder : options.extract_folder, kExtractedName);
  ExtractResult extracted = Extract(*zip, target, options.free_space);
  if (extracted.cannot_write && options.extract_folder.empty()) {
    // A read-only folder: the extracted copy goes to the per-user cache instead.
    const std::string root =
        options.cache_folder.empty() ? DefaultCacheFolder() : options.cache_folder;
    if (root.empty()) return Status::IoError(std::string(kNoDataText));
    const std::string cache = CacheFolderFor(root, folder);
    std::error_code ec;
    std::filesystem::create_directories(cache, ec);
    target = JoinPath(cache, kExtractedName);
    extracted = Extract(*zip, target, options.free_space);
    files.extracted_to = cache;
  }
  if (extracted.no_space) {
    const std::int64_t megabytes = (extracted.needed + kFreeSpaceMargin + (1 << 20) - 1) >> 20;
    return Status::IoError(std::string(kNoSpaceText) + FormatCount(megabytes) + ")");
  }
  if (extracted.oversized) return Status::Corrupt(std::string(kOversizedText));
  if (extracted.count == 0) {
    return extracted.cannot_write ? Status::IoError(std::string(kNoDataText))
                                  : Status::Corrupt(std::string(kNoDataText));
  }
  struct stat st;
  if (::stat(target.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return Status::IoError(std::string(kNoDataText));
  }
  files.data = target;
  files.zip = *zip;
  return Status::Ok();
}

class Importer {
 public:
  Importer(RecordStore& store, ProgressMonitor& monitor, ImportResult& result,
           const ImportOptions& options)
      : store_(store),
        monitor_(monitor),
        result_(result),
        rows_(result.rows),
        read_(options.read_call),
        listed_error_limit_(std::max<std::int64_t>(0, options.listed_error_limit)),
        threads_(ReadThreads(options.read_threads)),
        split_offsets_(options.split_offsets),
        digest_(options.digest) {}

  // Fails when a file cannot be read to its end or the data file cannot be opened again
  // for reading records back.
  Status Run(int ini_fd, int data_fd, std::int64_t data_size, const FolderFiles& files) {
    rows_.Clear();
    if (const int error = ReadIni(ini_fd); error != 0) return ReadFailed(files.ini, error);
    if (!files.extracted_to.empty()) {
      // The path is the file system's own (UTF-8), not data of the file.
      rows_.Append(MakeRow(RowStatus::kInfo, {kExtractedToText, SafeCellText(files.extracted_to)}));
    }
    if (const int error = ReadData(data_fd, data_size, files.data); error != 0) {
      return ReadFailed(files.data, error);
    }
    // Every consumer reads its records back from the file: without it the indexes are of
    // no use.
    if (!store_.DataFile.Open(files.data).ok()) return Status::IoError(std::string(kNoDataText));
    FinishIndexes();
    if (result_.interrupted) {
      rows_.SetStatusRow(MakeRow(RowStatus::kStopped,
                                 {std::string(kInterruptedText) + std::string(kHeadingMarker)}));
      return Status::Ok();
    }
    Summarize();
    BuildListIndexes();
    return Status::Ok();
  }

 private:
  std::string_view A000Field(Positions positions) const { return SliceField(a000_, positions); }
  std::string A000Text(const FieldLayout& text) const {
    return TextDisplay(SliceField(a000_, text), store_.DosCodePage, text.converted);
  }
  std::string A000Raw(Positions positions) const { return Cp1255ToUtf8(A000Field(positions)); }

  static Status ReadFailed(const std::string& path, int error) {
    return Status::IoError(std::string(kReadFailedText) + path + " - " +
                           std::error_code(error, std::generic_category()).message());
  }

  // 0, or the errno of a read that failed.
  int ReadIni(int fd) {
    LineReader reader(fd, ReadingBlockFor(0), read_);
    TextLine line;
    if (reader.Next(line)) {
      a000_.assign(line.head);
      a000_length_ = line.length;
    }
    // Faults of INI.TXT join the error list like those of the data lines, so that the header
    // rows keep their places (rows 2-14) and the error count covers them.
    if (a000_length_ != LayoutOf(RecordType::kA000).length) {
      AddError(MakeRow(RowStatus::kError, {kIniSizeText}));
    }
    if (!HasFormatMark(A000Field(A000(1005)))) {
      AddError(MakeRow(RowStatus::kError, {kIniVersionText}));
    }
    SetHeaderValues();
    while (reader.Next(line)) {
      summary_lines_.emplace_back(line.head);
      if (line.length != kIniSummaryLength) {
        AddError(MakeRow(RowStatus::kError, {kIniSizeText}));
      }
    }
    if (reader.failed()) return reader.error();
    AppendHeaderRows();
    for (const std::string& summary : summary_lines_) {
      const std::int64_t count = ReadInteger(SliceField(summary, kIniSummaryCount));
      const RecordTypeTexts* texts = FindRecordTypeTexts(SliceField(summary, kIniSummaryType));
      if (count != 0 && texts != nullptr) {
        rows_.Append(MakeRow(RowStatus::kInfo, {texts->summary, FormatCount(count)}));
      }
    }
    return 0;
  }

  void SetHeaderValues() {
    store_.FormatVersion = ReadVersion(A000Field(field::kFormatVersionDigits));
    store_.DosCodePage = DeclaresDosCodePage(a000_);
    store_.DealerNumber = A000Raw(A000(1003));
    store_.TaxYear = static_cast<std::int32_t>(
        std::min<std::int64_t>(ReadInteger(A000Field(A000(1023))), INT32_MAX));
    if (store_.TaxYear == 0) {
      store_.TaxYear = static_cast<std::int32_t>(ReadInteger(A000Field(field::YearOf(A000(1025)))));
    }
    store_.BookkeepingType = static_cast<std::int32_t>(
        std::min<std::int64_t>(ReadInteger(A000Field(A000(1013))), INT32_MAX));
    store_.BusinessName = A000Text(A000(1018));
    std::string address;
    for (const std::string& part :
         {A000Text(A000(1019)), A000Text(A000(1020)), A000Text(A000(1021)),
          Cp1255ToUtf8(StripLeadingBlanksAndZeros(A000Field(A000(1022))))}) {
      if (part.empty()) continue;
      if (!address.empty()) address += ' ';
      address += part;
    }
    store_.BusinessAddress = std::move(address);
    primary_id_.assign(A000Field(A000(1004)));
    expected_total_ = ReadInteger(A000Field(A000(1002)));
  }

  void AppendHeaderRows() {
    // Every value comes from the file: none may split its row or mark a cell.
    auto info = [&](std::string_view text, std::string_view value) {
      rows_.Append(MakeRow(RowStatus::kInfo, {text, SafeCellText(value)}));
    };
    info(kDealerText, A000Raw(A000(1003)));
    info(kBusinessNameText, store_.BusinessName);
    result_.status_bar_business =
        "\t" + std::string(kStatusBusinessText) + SafeCellText(store_.BusinessName);
    if (A000Field(A000(1011)) == "1") {
      const std::string year = A000Raw(A000(1023));
      info(kTaxYearText, year);
      result_.status_bar_period = "\t" + std::string(kStatusYearText) + SafeCellText(year);
    } else {
      const std::string range = Cp1255ToUtf8(FormatDate(A000Field(A000(1024))) + " - " +
                                             FormatDate(A000Field(A000(1025))));
      info(kDateRangeText, range);
      result_.status_bar_period = "\t" + std::string(kStatusDatesText) + SafeCellText(range);
    }
    info(kFileVersionText, A000Raw(field::kFormatVersionDigits));
    info(kSoftwareText, A000Text(A000(1007)));
    // The software's version is shown as it stands, never converted from DOS.
    info(kSoftwareVersionText, TextDisplay(A000Field(A000(1008)), store_.DosCodePage, false));
    std::string_view kind;
    switch (ReadInteger(A000Field(A000(1013)))) {
      case 1:
        kind = kSingleEntryText;
        break;
      case 2:
        kind = kDoubleEntryText;
        break;
      case 3:
        kind = kUnknownKindText;
        break;
      default:
        break;
    }
    info(kBookkeepingText, kind);
    info(kFilesPathText, A000Text(A000(1012)));
    info(kCompanyNumberText, A000Raw(A000(1015)));
    info(kDeductionFileText, A000Raw(A000(1016)));
    info(kAddressText, A000Text(A000(1019)) + " " + A000Text(A000(1020)) + " " +
                           A000Text(A000(1021)) + " " +
                           Cp1255ToUtf8(StripLeadingBlanksAndZeros(A000Field(A000(1022)))));
    info(kProducedText, Cp1255ToUtf8(FormatDate(A000Field(A000(1026))) + "  " +
                                     FormatTime(A000Field(A000(1027)))));
    info(kExpectedTotalText, FormatCount(expected_total_));
  }

  // The first summary line of a record type, as the INI states it.
  const std::string* FindSummary(std::string_view code) const {
    for (const std::string& summary : summary_lines_) {
      if (SliceField(summary, kIniSummaryType) == code) return &summary;
    }
    return nullptr;
  }

  // 0, or the errno of a read that failed.
  int ReadData(int fd, std::int64_t data_size, const std::string& path) {
    DataReadingSetup setup;
    setup.fd = fd;
    setup.path = path;
    setup.size = data_size;
    setup.read = read_;
    setup.format_version = store_.FormatVersion;
    setup.primary_id = primary_id_;
    setup.listed_fault_limit = listed_error_limit_;
    setup.expected_lines = expected_total_;
    setup.threads = threads_;
    setup.split_offsets = split_offsets_;
    for (std::size_t slot = 0; slot < kIndexedTypeCount; ++slot) {
      // Room for what the INI announces, but never more than the file can hold, so that a
      // wrong or hostile count cannot ask for memory the data cannot need.
      const IndexedType& t = IndexedTypes()[slot];
      std::int64_t expected = 0;
      if (const std::string* summary = FindSummary(t.code)) {
        expected = ReadInteger(SliceField(*summary, kIniSummaryCount));
      }
      setup.expected_records[slot] = std::min(expected, data_size / (t.length + 1) + 1);
    }
    store_.AccountListIndex.Reset(0);
    store_.ItemListIndex.Reset(0);
    std::optional<Sha256> digest;
    if (digest_) setup.digest = &digest.emplace();
    DataReading reading = ReadDataFile(setup, monitor_);
    if (reading.error != 0) return reading.error;
    // A reading stopped before the end has hashed only a part of the file: no digest of it.
    if (digest && !reading.interrupted) store_.DataSha256 = digest->HexDigest();
    for (std::size_t slot = 0; slot < kIndexedTypeCount; ++slot) {
      store_.*IndexedTypes()[slot].index = std::move(reading.indexes[slot]);
    }
    store_.TotalOpeningBalance = reading.account_totals[0];
    store_.TotalDebit = reading.account_totals[1];
    store_.TotalCredit = reading.account_totals[2];
    store_.TotalOpeningBalanceFx = reading.account_totals[3];
    result_.interrupted = reading.interrupted;
    closing_total_ = reading.closing_total;
    for (std::string& row : reading.fault_rows) AddError(std::move(row));
    error_count_ += reading.fault_count - static_cast<std::int64_t>(reading.fault_rows.size());
    lines_read_ = reading.lines;
    result_.lines_read = reading.lines;
    result_.bytes_read = data_size;
    return 0;
  }

  void FinishIndexes() {
    for (const IndexedType& t : IndexedTypes()) (store_.*t.index).ShrinkToCount();
    store_.AccountListIndex.Resize(store_.AccountIndex.Count());
    store_.ItemListIndex.Resize(store_.ItemIndex.Count());
  }

  void Summarize() {
    const std::int64_t n = lines_read_;
    rows_.Append(MakeRow(RowStatus::kHeading,
                         {std::string(kDataRecordsHeading) + std::string(kHeadingMarker)}));
    rows_.Append(MakeRow(RowStatus::kInfo, {kLinesReadText, FormatCount(n)}));
    if (expected_total_ != n) {
      AppendFinding(MakeRow(RowStatus::kError, {Quoted(kActualCountText, n),
                                                Quoted(kSummaryCountText, expected_total_)}));
    }
    if (closing_total_ != n) {
      AppendFinding(MakeRow(RowStatus::kError, {Quoted(kActualCountText, n),
                                                Quoted(kClosingRecordText, closing_total_)}));
    }
    for (const IndexedType& t : IndexedTypes()) {
      const std::int64_t count = (store_.*t.index).Count();
      if (count == 0) continue;
      const RecordTypeTexts* texts = FindRecordTypeTexts(t.code);
      rows_.Append(MakeRow(RowStatus::kInfo, {texts->read, FormatCount(count)}));
      if (const std::string* summary = FindSummary(t.code)) {
        const std::int64_t stated = ReadInteger(
            SliceField(*summary, kIniSummaryCount.start, static_cast<int>(summary->size())));
        if (stated != count) {
          AppendFinding(MakeRow(RowStatus::kError, {Quoted(texts->mismatch, count),
                                                    Quoted(kSummaryCountText, stated)}));
        }
      }
    }
    if (store_.DocumentIndex.Count() != 0) {
      rows_.Append(MakeRow(RowStatus::kInfo,
                           {std::string(kDocumentTypesHeading) + std::string(kHeadingMarker)}));
      for (const DocumentType& type : DocumentTypes()) {
        const std::string code = std::to_string(type.code);
        const std::int64_t count = PrefixRange(store_.DocumentIndex, code).size();
        if (count != 0) {
          rows_.Append(MakeRow(RowStatus::kInfo, {type.breakdown_text, FormatCount(count)}));
        }
      }
    }
    // With nothing found the row is good news: it takes the success status, not the error
    // icon and colour of the rows it would head.
    rows_.Append(error_count_ == 0
                     ? MakeRow(RowStatus::kHeading, {kErrorsFoundText, kNoErrorsText})
                     : MakeRow(RowStatus::kError, {kErrorsFoundText, PlainNumber(error_count_)}));
    const std::int64_t unlisted = error_count_ - static_cast<std::int64_t>(errors_.size());
    for (std::string& error : errors_) AppendFinding(std::move(error));
    errors_ = {};
    if (unlisted > 0) {
      rows_.Append(
          MakeRow(RowStatus::kError, {std::string(kUnlistedErrorsText) + PlainNumber(unlisted) +
                                      std::string(kUnlistedErrorsTail)}));
      result_.findings += unlisted;
    }
    rows_.SetStatusRow(MakeRow(RowStatus::kHeading,
                               {std::string(kReadSuccessText) + std::string(kHeadingMarker)}));
  }

  // A fault found while reading: counted always, kept while the list is below its limit, so
  // that a file of garbage cannot fill the memory with rows.
  void AddError(std::string row) {
    ++error_count_;
    if (static_cast<std::int64_t>(errors_.size()) < listed_error_limit_) {
      errors_.push_back(std::move(row));
    }
  }

  // An error row that reports a fault of the data (the heading of the errors list, an
  // error row too, is none).
  void AppendFinding(std::string row) {
    rows_.Append(std::move(row));
    ++result_.findings;
  }

  // text + count formatted "#," + ")".
  static std::string Quoted(std::string_view text, std::int64_t count) {
    return std::string(text) + FormatCount(count) + ")";
  }

  void BuildListIndexes() {
    for (std::int64_t i = 1; i <= store_.AccountIndex.Count(); ++i) {
      store_.AccountListIndex[i] = MakeAccountListEntry(store_.AccountIndex[i]);
    }
    for (std::int64_t i = 1; i <= store_.ItemIndex.Count(); ++i) {
      store_.ItemListIndex[i] = MakeItemListEntry(store_.ItemIndex[i]);
    }
  }

  RecordStore& store_;
  ProgressMonitor& monitor_;
  ImportResult& result_;
  ImportResultRows& rows_;
  ReadCall read_;
  std::string a000_;
  std::int64_t a000_length_ = 0;
  std::vector<std::string> summary_lines_;
  std::string primary_id_;
  std::int64_t expected_total_ = 0;
  std::int64_t closing_total_ = 0;
  std::int64_t lines_read_ = 0;
  ErrorRows errors_;  // the first listed_error_limit_ faults, in the order found
  std::int64_t error_count_ = 0;
  std::int64_t listed_error_limit_;
  int threads_;
  std::vector<std::int64_t> split_offsets_;
  bool digest_;
};

}  // namespace

int ReadThreadsFrom(std::string_view text) {
  if (text.empty() || text.size() > 4) return 0;
  int count = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    count = count * 10 + (c - '0');
  }
  return count <= 1024 ? count : 0;
}

ImportResult ImportFolder(RecordStore& store, const std::string& folder, ProgressMonitor& monitor,
                          const ImportOptions& options) {
  ImportResult result;
  store.DataFolder = folder;
  if (SameFolder(folder, store.LoadedFolder) && !options.read_again) {
    result.status = Status::Refused(std::string(kAlreadyLoadedText));
    return result;
  }
  FolderFiles files;
  result.status = CheckFiles(folder, options, files);
  if (!result.status.ok()) return result;
  // Taken once a zip is extracted into the folder, so that the copy does not count as a
  // change next time.
  result.folder_stamp = FolderStamp(folder);
  const FileHandle ini(files.ini);
  if (!ini.ok()) {
    result.status = Status::IoError(std::string(kNoIniText));
    return result;
  }
  const FileHandle data(files.data);
  if (!data.ok()) {
    result.status = Status::IoError(std::string(kNoDataText));
    return result;
  }
  ::posix_fadvise(data.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
  result.data_file_path = files.data;
  result.ini_file_path = files.ini;
  result.zip_file_path = files.zip;

  store.LoadedFolder.clear();
  store.DataFile.Close();
  store.DataSha256.clear();
  result.store_reset = true;
  ++store.LoadNumber;  // from here the store holds no longer the set it held
  Status read;
  try {
    read = Importer(store, monitor, result, options).Run(ini.fd(), data.fd(), data.Size(), files);
  } catch (const std::bad_alloc&) {
    read = Status::OutOfMemory(std::string(kOutOfMemoryText));
  }
  if (!read.ok()) {
    store.Clear();
    result = ImportResult();
    result.store_reset = true;
    result.status = std::move(read);
    return result;
  }
  if (!result.interrupted) {
    store.LoadedFolder = folder;
    store.LoadedAt = static_cast<std::int64_t>(std::time(nullptr));
    ++store.LoadNumber;
  }
  return result;
}

}  // namespace tallyscan
