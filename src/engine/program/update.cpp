#include "engine/program/update.h"

#include <filesystem>
#include <fstream>
#include <system_error>

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

std::string BatchScript(const UpdatePaths& paths) {
  const std::string& p = paths.program_folder;
  const std::string& w = paths.work_folder;
  // Beside the program the download is renamed in place; from the user's data folder it has
  // to be moved across folders.
  const std::string put_in_place = w == p ? "Ren " + p + "Tallyscan.Tmp Tallyscan.Exe"
                                          : "Move /Y " + w + "Tallyscan.Tmp " + p + "Tallyscan.exe";
  const std::string lines[] = {
      ":DeleteFile",
      "Del " + p + "Tallyscan.exe",
      "if exist " + p + "Tallyscan.exe" + " goto StillExists",
      put_in_place,
      p + "Tallyscan.exe",
      "del " + w + "Tlsc.Bat",
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

bool LocalUpdateFiles::Remove(const std::string& path) {
  std::error_code error;
  std::filesystem::remove(path, error);
  return !error;
}

bool LocalUpdateFiles::WriteFile(const std::string& path, std::string_view bytes, bool executable) {
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) return false;
  }
  if (executable) {
    std::error_code error;
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_exec | perms::group_exec | perms::others_exec,
                                 std::filesystem::perm_options::add, error);
    if (error) return false;
  }
  return true;
}

bool LocalUpdateFiles::MakeFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return !error;
}

bool PrepareUpdate(const SettingsStore& settings, UpdateFetcher& fetcher, UpdateFiles& files,
                   const UpdatePaths& paths, ScriptKind kind, long long pid) {
  const std::string base = settings.ReadReg(kParams, kUpdateServer);
  if (base.empty() || !IsAllowedServerAddress(base)) return false;
  if (!files.MakeFolder(paths.work_folder)) return false;
  const std::string download = paths.DownloadPath();
  if (files.Exists(download) && !files.Remove(download)) return false;
  if (!fetcher.Download(ServerUrl(base, ProgramServerPath(kind, paths.program_file)), download)) {
    files.Remove(download);
    return false;
  }
  const std::string script = paths.ScriptPath();
  if (!files.WriteFile(script, UpdateScript(kind, paths, pid), kind == ScriptKind::kShell)) {
    files.Remove(script);
    files.Remove(download);
    return false;
  }
  return true;
}

}  // namespace tallyscan
