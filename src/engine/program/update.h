#pragma once

// Private to program/: the rest of the program includes program/program.h.

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/common/status.h"
#include "engine/program/settings.h"
#include "engine/program/version_check.h"

namespace tallyscan {

// The largest program the update downloads, 256 MiB: a longer reply is refused and nothing of
// it is kept.
inline constexpr std::uint64_t kProgramDownloadLimit = std::uint64_t{256} << 20;

// The replacement script: a batch file on Windows, a shell script elsewhere.
enum class ScriptKind { kBatch, kShell };

// The files of one update. The download and the script are written beside the program when
// its folder is writable; an installed program's folder is not, and they go to the user's
// data folder instead.
struct UpdatePaths {
  std::string program_folder;  // ends with the platform's separator
  std::string program_file;    // file name of the program within program_folder
  std::string work_folder;     // where the download and the script go; ends with a separator
  std::string download_file;   // "Tallyscan.Tmp"
  std::string script_file;     // "Tlsc.Bat", or "tlsc.sh" for a shell script

  std::string ProgramPath() const { return program_folder + program_file; }
  std::string DownloadPath() const { return work_folder + download_file; }
  std::string ScriptPath() const { return work_folder + script_file; }
};

// Whether the program in `program_folder` (its real path, links resolved) may replace itself.
// A program under /usr was installed by the package manager: replacing it would fight the
// package manager and fail on a folder the user cannot write, so its user is only told that
// a newer version exists. A program run from a folder of the user's own updates itself.
bool MayReplaceItself(std::string_view program_folder);

UpdatePaths PlanUpdatePaths(ScriptKind kind, std::string program_folder, std::string program_file,
                            std::string user_data_folder, bool program_folder_writable);

// The program's address on the server: "/files/tallyscan/Tallyscan.exe" for Windows, the
// running program's own file name under "/files/tallyscan/" elsewhere.
std::string ProgramServerPath(ScriptKind kind, std::string_view program_file);

// The script that waits until the program has exited, puts the download in its place, starts
// it and deletes itself. The batch form retries the deletion until the old program is gone;
// the shell form waits for process `pid` to end. Every path is quoted, so folders with blanks
// or other characters the command interpreter would read are taken as they are.
std::string UpdateScript(ScriptKind kind, const UpdatePaths& paths, long long pid);

// The file system as the update uses it; tests inject failures through it. A failure says
// which file and why.
class UpdateFiles {
 public:
  virtual ~UpdateFiles() = default;
  virtual bool Exists(const std::string& path) = 0;
  // Removes the file; removing one that is not there is no failure.
  virtual Status Remove(const std::string& path) = 0;
  // Writes the whole file (replacing it); `executable` marks a script that runs by itself.
  virtual Status WriteFile(const std::string& path, std::string_view bytes, bool executable) = 0;
  // Makes the folder and those above it that are missing.
  virtual Status MakeFolder(const std::string& path) = 0;
};

// UpdateFiles over the local file system.
class LocalUpdateFiles final : public UpdateFiles {
 public:
  bool Exists(const std::string& path) override;
  Status Remove(const std::string& path) override;
  Status WriteFile(const std::string& path, std::string_view bytes, bool executable) override;
  Status MakeFolder(const std::string& path) override;
};

// The update's preparation: removes an old download, downloads the program from the server
// configured under Params/UpdateServer into the download file and writes the script. A
// failure says why (no server or a refused one, the folder, the download, the script), and
// then neither a download nor a script is left behind, so the running program stays as it is.
Status PrepareUpdate(const SettingsStore& settings, UpdateFetcher& fetcher, UpdateFiles& files,
                     const UpdatePaths& paths, ScriptKind kind, long long pid);

}  // namespace tallyscan
