#include "engine/browse/companies_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

#include "engine/browse/accounts_index.h"
#include "engine/common/texts.h"
#include "engine/uniform/uniform.h"

namespace tallyscan {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kNoStoreText = "לא נמצאה ספריה לשמירת החברות";
constexpr std::string_view kBadDealerText = "מספר העוסק בקובץ האתחול אינו מורכב מספרות בלבד (";
constexpr std::string_view kBadDealerEndText = "), ולכן לא ניתן לשמור את החברה";
constexpr std::string_view kIniGoneText = "קובץ האתחול של הקובץ הנוכחי אינו קיים עוד";
constexpr std::string_view kDataGoneText = "קובץ הנתונים של הקובץ הנוכחי אינו פתוח";
constexpr std::string_view kSaveFailedText = "שמירת החברה בספריית החברות נכשלה";
constexpr std::string_view kSaveStoppedText = "שמירת החברה הופסקה";
constexpr std::string_view kPreviousKeptText = "העותק הקודם של החברה נשאר כפי שהיה";
constexpr std::string_view kDeleteFailedText = "מחיקת החברה נכשלה";
constexpr std::string_view kNotInStoreText = "החברה אינה נמצאת בספריית החברות";
constexpr std::string_view kFolderKeptText =
    "קבצי החברה נמחקו, אך בספריה נמצאו קבצים נוספים ולכן היא לא נמחקה: ";
constexpr std::string_view kLinkedFolderText = "בספריית החברות נמצא קישור במקום ספריה: ";

// A save writes each file under its final name plus this and a random tail, and renames it
// when complete. Older versions wrote the name plus this alone; both are leftovers alike.
constexpr std::string_view kTemporarySuffix = ".tmp";
constexpr std::size_t kRandomTailLength = 8;
constexpr std::size_t kCopyBlock = 1 << 20;
// The first line of INI.TXT is the A000 header of 466 characters; more is never needed.
constexpr std::size_t kHeaderReadLimit = 4096;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

// The user's words for why the file system refused.
std::string Reason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return "אין די מקום פנוי בדיסק";
    case EACCES:
    case EPERM:
      return "אין הרשאה לכתוב בספריה";
    case EROFS:
      return "הדיסק מוגן מפני כתיבה";
    default:
      return std::strerror(error);
  }
}

Status Failure(int error, const std::string& path) {
  return Status::IoError(Reason(error) + " (" + path + ")");
}

// What lies at `path` itself, a link not followed.
bool IsRealFolder(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRealFile(const std::string& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Company and year folders: real folders (not links) whose names hold no ".".
std::vector<std::string> SetFolders(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    const std::string name = it->path().filename().string();
    if (name.find('.') != std::string::npos || !IsRealFolder(it->path().string())) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The saved file `name` of a year folder in any letter case: a regular file, never a link
// (a planted link would make a save or a listing reach outside the store).
std::optional<std::string> SavedFileIn(const std::string& year_folder, std::string_view name) {
  const std::optional<std::string> found = FindFileIgnoringCase(year_folder, name);
  if (!found || !IsRealFile(*found)) return std::nullopt;
  return found;
}

// Whether `name` is a temporary file of a save of `saved_name`: the name plus the suffix,
// alone or followed by "." and a random tail.
bool IsTemporaryOf(std::string_view name, std::string_view saved_name) {
  const std::size_t stem = saved_name.size() + kTemporarySuffix.size();
  if (name.size() < stem || !EqualIgnoringCase(name.substr(0, saved_name.size()), saved_name) ||
      !EqualIgnoringCase(name.substr(saved_name.size(), kTemporarySuffix.size()),
                         kTemporarySuffix)) {
    return false;
  }
  return name.size() == stem || name[stem] == '.';
}

bool IsTemporaryName(std::string_view name) {
  return IsTemporaryOf(name, kSavedIniName) || IsTemporaryOf(name, kSavedDataName);
}

// Removes the temporary files an interrupted save left in a year folder. unlink removes a
// link itself, never what it points at.
void RemoveLeftovers(const std::string& year_folder) {
  std::vector<std::string> leftovers;
  std::error_code ec;
  for (fs::directory_iterator it(year_folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    if (IsTemporaryName(it->path().filename().string())) leftovers.push_back(it->path());
  }
  for (const std::string& leftover : leftovers) ::unlink(leftover.c_str());
}

std::string RandomTail() {
  static constexpr std::string_view kLetters =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::random_device random;
  std::uniform_int_distribution<std::size_t> pick(0, kLetters.size() - 1);
  std::string tail(kRandomTailLength, ' ');
  for (char& c : tail) c = kLetters[pick(random)];
  return tail;
}

// Makes `folder` as a real folder of the store, or finds it one already. A link, or anything
// else standing in its place, is refused: writing through it would leave the store.
Status MakeStoreFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) return Failure(errno, folder);
  if (!IsRealFolder(folder)) return Status::Refused(std::string(kLinkedFolderText) + folder);
  return Status::Ok();
}

std::string FirstLine(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string head(kHeaderReadLimit, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  head.resize(CutLine(head, static_cast<int>(head.size())).size());
  return head;
}

std::string BusinessNameOf(const std::string& year_folder) {
  const std::optional<std::string> ini = SavedFileIn(year_folder, kSavedIniName);
  if (!ini) return {};
  const std::string header = FirstLine(*ini);
  return SafeCellText(TextDisplay(SliceField(header, field::A000(1018)),
                                  DeclaresDosCodePage(header), field::A000(1018).converted));
}

bool AllDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A name the scan lists and a delete may join to a root: one path component, no ".".
bool IsSetFolderName(std::string_view name) {
  return !name.empty() && name.find_first_of("./\\") == std::string_view::npos;
}

// Makes the renames in a folder durable; a failure only weakens what a power cut keeps.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// One file of a save: from the loaded set to a temporary name, then over the saved one.
struct CopyStep {
  std::string source;
  std::string target;
  std::string temporary;
  std::int64_t size = 0;
};

}  // namespace

RowCells CompanyCells(const CompanyRow& row) {
  // Folder names are the file system's: a TAB or a line break in one must not forge a row.
  return {SafeCellText(row.name), SafeCellText(row.year), SafeCellText(row.folder)};
}

std::string CompanyRowText(const CompanyRow& row) {
  const RowCells cells = CompanyCells(row);
  return MakeRow(RowStatus::kInfo, {cells[0], cells[1], cells[2]});
}

std::string DefaultCompaniesRoot() {
  std::string data;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    data = xdg;
  } else if (home != nullptr && home[0] != '\0') {
    data = JoinPath(JoinPath(home, ".local"), "share");
  } else {
    return {};
  }
  return JoinPath(JoinPath(JoinPath(data, "Norva"), "Tallyscan"), kCompaniesFolderName);
}

Status LocalCompanyFiles::Copy(const std::string& from, const std::string& to,
                               const std::function<bool(std::int64_t)>& copied) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Failure(errno, from);
  // Made new: whatever stands at the name already, a planted link above all, is refused.
  const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (out < 0) {
    const int error = errno;
    ::close(in);
    return Failure(error, to);
  }
  std::vector<char> block(kCopyBlock);
  std::int64_t done = 0;
  Status status;
  while (status.ok()) {
    const ssize_t got = ::read(in, block.data(), block.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      status = Failure(errno, from);
      break;
    }
    if (got == 0) break;
    for (ssize_t written = 0; written < got && status.ok();) {
      const ssize_t put =
          ::write(out, block.data() + written, static_cast<std::size_t>(got - written));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) {
        status = Failure(errno, to);
      } else {
        written += put;
      }
    }
    done += got;
    if (status.ok() && copied(done)) status = Status::Interrupted(std::string(kSaveStoppedText));
  }
  // Only a copy that reached the disk may replace the saved one.
  if (status.ok() && ::fdatasync(out) != 0) status = Failure(errno, to);
  if (::close(out) != 0 && status.ok()) status = Failure(errno, to);
  ::close(in);
  return status;
}

CompaniesStore::CompaniesStore(std::string root, std::vector<std::string> listed_too,
                               CompanyFiles* files)
    : root_(std::move(root)), listed_too_(std::move(listed_too)), files_(files) {}

bool CompaniesStore::IsOurRoot(const std::string& root) const {
  if (root.empty()) return false;
  return root == root_ ||
         std::find(listed_too_.begin(), listed_too_.end(), root) != listed_too_.end();
}

std::vector<CompanyRow> CompaniesStore::Scan() const {
  std::vector<std::string> roots;
  if (!root_.empty()) roots.push_back(root_);
  for (const std::string& other : listed_too_) {
    std::error_code ec;
    // The same folder named twice (the program kept in the per-user folder) is listed once.
    const bool seen = std::any_of(roots.begin(), roots.end(), [&](const std::string& root) {
      std::error_code same_ec;
      return root == other || fs::equivalent(root, other, same_ec);
    });
    if (!other.empty() && !seen && fs::is_directory(other, ec)) roots.push_back(other);
  }
  std::vector<CompanyRow> rows;
  for (const std::string& root : roots) {
    for (const std::string& company : SetFolders(root)) {
      const std::string company_folder = JoinPath(root, company);
      for (const std::string& year : SetFolders(company_folder)) {
        CompanyRow row;
        row.folder = JoinPath(company_folder, year);
        row.name = BusinessNameOf(row.folder);
        row.year = year;
        row.root = root;
        row.company = company;
        rows.push_back(std::move(row));
      }
    }
  }
  return rows;
}

SaveTarget CompaniesStore::TargetOf(const RecordStore& store) const {
  SaveTarget target;
  if (store.LoadedFolder.empty()) {
    target.status = Status::Refused(std::string(kNeedsDataText));
    return target;
  }
  if (root_.empty()) {
    target.status = Status::NotFound(std::string(kNoStoreText));
    return target;
  }
  if (!AllDigits(store.DealerNumber)) {
    target.status = Status::Refused(std::string(kBadDealerText) + store.DealerNumber +
                                    std::string(kBadDealerEndText));
    return target;
  }
  char year[16];
  std::snprintf(year, sizeof year, "%04d", static_cast<int>(std::max(store.TaxYear, 0)));
  target.year_folder = JoinPath(JoinPath(root_, store.DealerNumber), year);
  target.replaces = SavedFileIn(target.year_folder, kSavedIniName).has_value();
  return target;
}

Status CompaniesStore::Save(const RecordStore& store, ProgressMonitor& monitor) const {
  const SaveTarget target = TargetOf(store);
  if (!target.status.ok()) return target.status;
  const std::optional<std::string> ini = FindFileIgnoringCase(store.LoadedFolder, "ini.txt");
  if (!ini) return Status::NotFound(std::string(kIniGoneText));
  if (!store.DataFile.IsOpen() || store.DataFile.Path().empty()) {
    return Status::NotFound(std::string(kDataGoneText));
  }
  // Folders this save makes go again when it fails, so that no empty set is listed.
  const std::string company_folder = fs::path(target.year_folder).parent_path().string();
  const bool company_existed = IsRealFolder(company_folder);
  const bool year_existed = IsRealFolder(target.year_folder);
  std::error_code ec;
  fs::create_directories(root_, ec);
  Status made = ec ? Failure(ec.value(), root_) : MakeStoreFolder(company_folder);
  if (made.ok()) made = MakeStoreFolder(target.year_folder);
  if (!made.ok()) {
    if (!company_existed) ::rmdir(company_folder.c_str());
    return made.WithMessage(std::string(kSaveFailedText) + "\n" + made.message());
  }
  RemoveLeftovers(target.year_folder);

  std::vector<CopyStep> steps;
  std::int64_t total = 0;
  const std::pair<std::string, std::string_view> files[] = {
      {*ini, kSavedIniName}, {store.DataFile.Path(), kSavedDataName}};
  for (const auto& [source, saved_name] : files) {
    // A saved file spelled in another letter case is replaced, not joined by a second one
    // that the case-blind lookup of the import might not pick.
    CopyStep step;
    step.source = source;
    step.target = SavedFileIn(target.year_folder, saved_name)
                      .value_or(JoinPath(target.year_folder, saved_name));
    // The set was read from this very folder: its files are the saved ones already, and
    // replacing the data file would part the store's open file from the one on disk.
    std::error_code same_ec;
    if (IsRealFile(step.target) && fs::equivalent(step.source, step.target, same_ec)) continue;
    // A random tail, so that no name can be planted in advance; the copy creates it new.
    step.temporary =
        JoinPath(target.year_folder,
                 std::string(saved_name) + std::string(kTemporarySuffix) + "." + RandomTail());
    std::error_code size_ec;
    const auto size = fs::file_size(step.source, size_ec);
    step.size = size_ec ? 0 : static_cast<std::int64_t>(size);
    total += step.size;
    steps.push_back(std::move(step));
  }

  bool previous_intact = true;
  auto undo = [&](Status failure) {
    for (const CopyStep& step : steps) ::unlink(step.temporary.c_str());
    if (!year_existed) ::rmdir(target.year_folder.c_str());
    if (!company_existed) ::rmdir(company_folder.c_str());
    std::string message = failure.message() == kSaveStoppedText
                              ? failure.message()
                              : std::string(kSaveFailedText) + "\n" + failure.message();
    if (target.replaces && previous_intact) message += "\n" + std::string(kPreviousKeptText);
    return failure.WithMessage(std::move(message));
  };

  LocalCompanyFiles local_files;
  CompanyFiles& copier = files_ != nullptr ? *files_ : local_files;
  ProgressTracker progress(monitor, total);
  std::int64_t before = 0;
  for (const CopyStep& step : steps) {
    if (monitor.StopRequested()) return undo(Status::Interrupted(std::string(kSaveStoppedText)));
    const Status copied = copier.Copy(step.source, step.temporary, [&](std::int64_t bytes) {
      progress.Advance(before + bytes);
      return monitor.StopRequested();
    });
    if (!copied.ok()) return undo(copied);
    before += step.size;
  }
  // Both copies are complete: only now does the previous set give way. A rename within one
  // folder fails only when the folder itself has just become unwritable.
  for (const CopyStep& step : steps) {
    if (::rename(step.temporary.c_str(), step.target.c_str()) != 0) {
      return undo(Failure(errno, step.target));
    }
    previous_intact = false;
  }
  SyncFolder(target.year_folder);
  return Status::Ok();
}

Status CompaniesStore::Delete(const CompanyRow& row) const {
  if (!IsOurRoot(row.root) || !IsSetFolderName(row.company) || !IsSetFolderName(row.year)) {
    return Status::Refused(std::string(kNotInStoreText));
  }
  const std::string company_folder = JoinPath(row.root, row.company);
  const std::string year_folder = JoinPath(company_folder, row.year);
  // Either folder a link: its files lie outside the store.
  if (!IsRealFolder(company_folder) || !IsRealFolder(year_folder)) {
    return Status::Refused(std::string(kNotInStoreText));
  }
  std::vector<std::string> doomed;
  std::error_code ec;
  for (fs::directory_iterator it(year_folder, ec); !ec && it != fs::directory_iterator();
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const bool saved =
        (EqualIgnoringCase(name, kSavedIniName) || EqualIgnoringCase(name, kSavedDataName)) &&
        IsRealFile(it->path().string());
    // A leftover temporary file goes whatever it is: unlink never follows a link.
    const bool leftover = IsTemporaryName(name) && !IsRealFolder(it->path().string());
    if (saved || leftover) doomed.push_back(it->path().string());
  }
  if (ec) {
    const Status failure = Failure(ec.value(), year_folder);
    return failure.WithMessage(std::string(kDeleteFailedText) + "\n" + failure.message());
  }
  for (const std::string& file : doomed) {
    if (::unlink(file.c_str()) != 0 && errno != ENOENT) {
      const Status failure = Failure(errno, file);
      return failure.WithMessage(std::string(kDeleteFailedText) + "\n" + failure.message());
    }
  }
  if (::rmdir(year_folder.c_str()) != 0) {
    if (errno == ENOTEMPTY || errno == EEXIST) {
      return Status::Refused(std::string(kFolderKeptText) + year_folder);
    }
    const Status failure = Failure(errno, year_folder);
    return failure.WithMessage(std::string(kDeleteFailedText) + "\n" + failure.message());
  }
  // The company folder goes with its last year; anything else in it keeps it.
  ::rmdir(company_folder.c_str());
  return Status::Ok();
}

}  // namespace tallyscan
