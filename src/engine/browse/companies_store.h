#pragma once

// Private to browse/: the rest of the program includes browse/browse.h.
//
// The companies store: saved copies of examined data sets, so that a set can be read again
// without the folder it was delivered in. One folder per company, named by its dealer
// number, holds one folder per fiscal year ("2023"), which holds the set's two files. There
// is no index file: the list is rebuilt by scanning the folders.
//
// A store saves into one root folder and may list the sets of older roots too (the store the
// program used to keep beside itself): those can be read and deleted, never saved into.
// Everything here runs on the caller's thread; the store keeps no state between calls beyond
// its roots, so two stores over the same roots see the same sets.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/browse/accounts_index.h"
#include "engine/common/progress.h"
#include "engine/common/status.h"

namespace tallyscan {

class RecordStore;

// The name of a store's root folder within the folder that holds it.
inline constexpr std::string_view kCompaniesFolderName = "Zevavu";

// The names a save gives the two files in a year folder. Sets saved by hand or by older
// versions may spell them in any letter case; they are found without regard to it.
inline constexpr std::string_view kSavedIniName = "Ini.txt";
inline constexpr std::string_view kSavedDataName = "Bkmvdata.txt";

// One saved data set, a row of the companies list.
struct CompanyRow {
  // The business name (A000 field 1018) in the first line of the year folder's INI.TXT,
  // trimmed, converted when the header declares the DOS code page, UTF-8, control
  // characters turned into spaces. Empty when the file is missing or unreadable.
  std::string name;
  std::string year;     // the year folder's name
  std::string folder;   // the year folder's full path: the folder an import reads
  std::string root;     // the root the set was found under
  std::string company;  // the company folder's name, the dealer number
};

// The cells of a row: name, year and folder, each made safe for a cell (a folder name holding
// a TAB or a line break cannot forge a row).
RowCells CompanyCells(const CompanyRow& row);
// The row as the list shows it: the image "3" and the cells above, joined by TAB.
std::string CompanyRowText(const CompanyRow& row);

// The per-user store root for programs without Qt: $XDG_DATA_HOME/Norva/Tallyscan/Zevavu,
// else $HOME/.local/share/Norva/Tallyscan/Zevavu, the folder the desktop application's
// per-user data location names on Linux. Empty when neither variable is set.
std::string DefaultCompaniesRoot();

// How a save copies a file; tests put in one that fails.
class CompanyFiles {
 public:
  virtual ~CompanyFiles() = default;
  // Copies `from` into `to`, a name that the copy creates new (O_EXCL, a link never followed:
  // anything already at `to` fails the copy), and flushes it to the disk.
  // `copied` is told the bytes written so far after each block and returns true to stop the
  // copy. A failure or a stop may leave part of `to` behind: the caller removes it.
  virtual Status Copy(const std::string& from, const std::string& to,
                      const std::function<bool(std::int64_t)>& copied) = 0;
};

// Copies with the local file system.
class LocalCompanyFiles final : public CompanyFiles {
 public:
  Status Copy(const std::string& from, const std::string& to,
              const std::function<bool(std::int64_t)>& copied) override;
};

// Where a save of the loaded data set would go.
struct SaveTarget {
  // Failed when nothing is loaded, the store has no root, or the dealer number of the set
  // holds anything but digits (it names a folder, so it must not leave the store).
  Status status;
  std::string year_folder;
  bool replaces = false;  // the folder already holds a saved INI.TXT: ask before saving
};

class CompaniesStore {
 public:
  // `root` receives the saves and is created when first needed; an empty root lists nothing
  // and refuses saves. `listed_too` are older roots whose sets are listed after those of
  // `root`; a missing one, or one that is `root` itself, adds nothing. `files` does the
  // copying (not owned; it must outlive the store); null means the local file system.
  explicit CompaniesStore(std::string root, std::vector<std::string> listed_too = {},
                          CompanyFiles* files = nullptr);

  const std::string& Root() const { return root_; }

  // Every saved set: root by root, the company folders in name order and within each its
  // year folders in name order. Only folders whose names hold no "." count, and only real
  // folders: a symbolic link, which would lead out of the store, is never listed, nor is its
  // name read through a linked INI.TXT. A save's temporary files and hidden folders are
  // never listed.
  std::vector<CompanyRow> Scan() const;

  // The year folder of the loaded set, root/dealer number/tax year as "0000". Changes
  // nothing on disk.
  SaveTarget TargetOf(const RecordStore& store) const;

  // Saves the loaded data set into its year folder: the INI.TXT and the data file its import
  // read (an extracted copy of BKMVDATA.ZIP included; the data file as it is now). Each file
  // is copied to a temporary name in the year folder (the saved name, ".tmp." and a random
  // tail, created new), and both are renamed over the previous set only when both copies are
  // complete, so a failure or a stop leaves the previous set as it was and no temporary file
  // behind; the temporary files of an earlier interrupted save are removed first. A company or
  // year folder that is a symbolic link (or no folder at all) is refused, nothing written.
  // The store's data file stays open throughout.
  // `monitor` is told the percentage of bytes copied and asked once per block whether to
  // stop. The caller asks the user first when the target `replaces` a saved set.
  Status Save(const RecordStore& store, ProgressMonitor& monitor) const;

  // Deletes a listed set: only what a save writes (the set's two files and the temporary
  // files of an interrupted save), then the year folder when that left it empty, then the
  // company folder when it holds nothing else. Nothing else in those folders is touched: a
  // year folder that holds other files is kept, and the status says so. A company or year
  // folder that is a symbolic link is refused, and a saved file that is one is kept.
  Status Delete(const CompanyRow& row) const;

 private:
  bool IsOurRoot(const std::string& root) const;

  std::string root_;
  std::vector<std::string> listed_too_;
  CompanyFiles* files_;  // null: LocalCompanyFiles
};

}  // namespace tallyscan
