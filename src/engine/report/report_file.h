#pragma once

// Private to report/: the rest of the program includes report/report.h or report/report_writers.h.
//
// The file a report goes to, for every file form (the HTML documents, the workbook, the PDF),
// from the command-line program and the output dialog alike.
//
// The path is examined before anything is written: a report never replaces the files its data
// set was read from, never writes through a symbolic link and never writes into a device, a
// pipe or a folder. The report is written into a new temporary file beside the path, which
// takes the path's place only when the report is complete; a failure removes that temporary
// file and nothing else, so whatever the path held before stays as it was.
//
//   ReportFile file;
//   if (const Status refused = ReportFile::Open(path, InputsOfStore(store), file); !refused.ok())
//     ... nothing was made ...
//   ... the writer writes file.fd() or file.WritePath() ...
//   const Status done = written ? file.Commit() : (file.Discard(), failure);

#include <string>
#include <vector>

#include "engine/common/status.h"

namespace tallyscan {

class RecordStore;

// What a data set was read from: the folder and the files in it (INI.TXT, BKMVDATA.TXT,
// BKMVDATA.ZIP, whichever exist) and the data file actually read, which may be an extracted
// copy elsewhere.
struct ReportInputs {
  std::string folder;              // empty when no set is loaded
  std::vector<std::string> files;  // paths that exist
};
ReportInputs InputsOfStore(const RecordStore& store);

class ReportFile {
 public:
  // No file: Commit and Discard do nothing.
  ReportFile() = default;
  ReportFile(ReportFile&& other) noexcept;
  ReportFile& operator=(ReportFile&& other) noexcept;
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;
  // A file neither committed nor discarded is discarded.
  ~ReportFile();

  // Examines `path` (without following a link at its end) and makes the temporary file beside
  // it, mode 0644 less the umask, open for writing. Refused, making nothing, when the path is
  // a symbolic link or exists as anything but a regular file, when it is one of `inputs` (the
  // same file on disk, through a link or another name), or when it lies in the data folder
  // under the name of an input in any letter case. The messages name `path`.
  static Status Open(const std::string& path, const ReportInputs& inputs, ReportFile& file);

  bool IsOpen() const { return fd_ >= 0; }
  // The path asked for, as messages name it.
  const std::string& path() const { return path_; }
  // The temporary file, for writers that open their file by name.
  const std::string& WritePath() const { return write_path_; }
  // Open on the temporary file until Commit or Discard.
  int fd() const { return fd_; }

  // Puts the complete report at `path()`: the temporary file's data on disk, then renamed over
  // the path. Failed, with the temporary file removed and the path as it was, when that cannot
  // be done or when the path has meanwhile become something a report may not replace.
  Status Commit();
  // Closes and removes the temporary file.
  void Discard();

 private:
  std::string path_;
  std::string write_path_;
  int fd_ = -1;
};

}  // namespace tallyscan
