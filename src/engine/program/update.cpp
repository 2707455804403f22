#include "engine/program/update.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "engine/common/texts.h"

namespace tallyscan {
namespace {

// A shell word that stands for `text` exactly, whatever characters the path holds.
std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// A batch-file word that stands for the path `text`: quoted against blanks, `&`, `^` and the
// like, and with `%` doubled, since a batch file expands it even between quotes. A Windows
// path holds no `"`.
std::string BatchQuote(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) {
    quoted += c;
    if (c == '%') quoted += '%';
  }
  return quoted + "\"";
}

std::string BatchScript(const UpdatePaths& paths) {
  const std::string& p = paths.program_folder;
  const std::string& w = paths.work_folder;
  const std::string program = BatchQuote(p + "Tallyscan.exe");
  // Beside the program the download is renamed in place; from the user's data folder it has
  // to be moved across folders.
  const std::string put_in_place =
      w == p ? "Ren " + BatchQuote(p + "Tallyscan.Tmp") + " Tallyscan.Exe"
             : "Move /Y " + BatchQuote(w + "Tallyscan.Tmp") + " " + program;
  const std::string lines[] = {
      ":DeleteFile",  // from here until the old program has exited and is gone
      "Del " + program,
      "if exist " + program + " goto StillExists",
      put_in_place,
      program,
      "del " + BatchQuote(w + "Tlsc.Bat"),
      "exit",
      ":StillExists",
      "goto DeleteFile",
  };
  std::string script;
  for (const std::string& line : lines) script += line + "\r\n";
  return script;
}

std::string ShellScript(const UpdatePaths& paths, long long pid) {
  const std::string program = ShellQuote(paths.ProgramPath());
  const std::string download = ShellQuote(paths.DownloadPath());
  // When the program cannot be replaced (the move and the copy both fail) the old one is
  // started again, so the user is never left without a program.
  return "#!/bin/sh\n"
         "while kill -0 " +
         std::to_string(pid) +
         " 2>/dev/null; do sleep 1; done\n"
         "if mv -f " +
         download + " " + program + " 2>/dev/null || cp -f " + download + " " + program +
         "; then chmod +x " + program +
         "; fi\n"
         "rm -f " +
         download + "\n" + program + " >/dev/null 2>&1 &\n" + "rm -f " +
         ShellQuote(paths.ScriptPath()) + "\n";
}

}  // namespace

bool MayReplaceItself(std::string_view program_folder) {
  return !(program_folder == "/usr" || program_folder.starts_with("/usr/"));
}

UpdatePaths PlanUpdatePaths(ScriptKind kind, std::string program_folder, std::string program_file,
                            std::string user_data_folder, bool program_folder_writable) {
  UpdatePaths paths;
  paths.work_folder = program_folder_writable ? program_folder : std::move(user_data_folder);
  paths.program_folder = std::move(program_folder);
  paths.program_file = std::move(program_file);
  paths.download_file = "Tallyscan.Tmp";
  paths.script_file = kind == ScriptKind::kBatch ? "Tlsc.Bat" : "tlsc.sh";
  return paths;
}

std::string ProgramServerPath(ScriptKind kind, std::string_view program_file) {
  if (kind == ScriptKind::kBatch) return "/files/tallyscan/Tallyscan.exe";
  return "/files/tallyscan/" + std::string(program_file);
}

std::string UpdateScript(ScriptKind kind, const UpdatePaths& paths, long long pid) {
  return kind == ScriptKind::kBatch ? BatchScript(paths) : ShellScript(paths, pid);
}

bool LocalUpdateFiles::Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

Status LocalUpdateFiles::Remove(const std::string& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
  if (error) return Status::IoError("cannot remove " + path + " (" + error.message() + ")");
  return Status::Ok();
}

Status LocalUpdateFiles::WriteFile(const std::string& path, std::string_view bytes,
                                   bool executable) {
  const auto failed = [&path](const std::string& reason) {
    return Status::IoError(std::string(kCannotWriteFileText) + path + " (" + reason + ")");
  };
  {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return failed(std::strerror(errno));
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return failed(std::strerror(errno));
  }
  if (executable) {
    std::error_code error;
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_exec | perms::group_exec | perms::others_exec,
                                 std::filesystem::perm_options::add, error);
    if (error) return failed(error.message());
  }
  return Status::Ok();
}

Status LocalUpdateFiles::MakeFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error)
    return Status::IoError("cannot make the folder " + path + " (" + error.message() + ")");
  return Status::Ok();
}

Status PrepareUpdate(const SettingsStore& settings, UpdateFetcher& fetcher, UpdateFiles& files,
                     const UpdatePaths& paths, ScriptKind kind, long long pid) {
  const std::string base = settings.ReadReg(kParams, kUpdateServer);
  if (base.empty()) return Status::Refused("no update server is set");
  if (!IsAllowedServerAddress(base)) {
    return Status::Refused("the update server " + base +
                           " is refused: only https://, or http:// on this computer");
  }
  if (Status made = files.MakeFolder(paths.work_folder); !made.ok()) return made;
  const std::string download = paths.DownloadPath();
  if (files.Exists(download)) {
    if (Status removed = files.Remove(download); !removed.ok()) return removed;
  }
  const std::string url = ServerUrl(base, ProgramServerPath(kind, paths.program_file));
  if (const Status fetched = fetcher.Download(url, download, kProgramDownloadLimit);
      !fetched.ok()) {
    // The partial download goes whatever its own removal says: the failure to tell is this one.
    (void)files.Remove(download);
    return fetched.WithMessage("the download of " + url + " failed: " + fetched.message());
  }
  const std::string script = paths.ScriptPath();
  if (Status written =
          files.WriteFile(script, UpdateScript(kind, paths, pid), kind == ScriptKind::kShell);
      !written.ok()) {
    (void)files.Remove(script);
    (void)files.Remove(download);
    return written;
  }
  return Status::Ok();
}

}  // namespace tallyscan
