#include "engine/program/update.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

namespace tallyscan {
namespace {

TEST(UpdateScriptTest, BatchBesideTheProgramIsTheNineLines) {
  const UpdatePaths paths =
      PlanUpdatePaths(ScriptKind::kBatch, "C:\\Tls\\", "Tallyscan.exe", "C:\\Users\\u\\", true);
  EXPECT_EQ(
      ":DeleteFile\r\n"
      "Del C:\\Tls\\Tallyscan.exe\r\n"
      "if exist C:\\Tls\\Tallyscan.exe goto StillExists\r\n"
      "Ren C:\\Tls\\Tallyscan.Tmp Tallyscan.Exe\r\n"
      "C:\\Tls\\Tallyscan.exe\r\n"
      "del C:\\Tls\\Tlsc.Bat\r\n"
      "exit\r\n"
      ":StillExists\r\n"
      "goto DeleteFile\r\n",
      UpdateScript(ScriptKind::kBatch, paths, 1));
  EXPECT_EQ("C:\\Tls\\Tallyscan.Tmp", paths.DownloadPath());
  EXPECT_EQ("/files/tallyscan/Tallyscan.exe", ProgramServerPath(ScriptKind::kBatch, "x.exe"));
}

TEST(UpdateScriptTest, UnwritableProgramFolderSendsTheFilesToTheUserFolder) {
  const UpdatePaths paths =
      PlanUpdatePaths(ScriptKind::kShell, "/usr/bin/", "tallyscan", "/home/u/.local/t/", false);
  EXPECT_EQ("/home/u/.local/t/Tallyscan.Tmp", paths.DownloadPath());
  EXPECT_EQ("/home/u/.local/t/tlsc.sh", paths.ScriptPath());
  EXPECT_EQ("/usr/bin/tallyscan", paths.ProgramPath());
  EXPECT_EQ("/files/tallyscan/tallyscan", ProgramServerPath(ScriptKind::kShell, "tallyscan"));
}

TEST(UpdateScriptTest, OnlyAProgramOutsideUsrReplacesItself) {
  const std::pair<const char*, bool> cases[] = {
      {"/usr/bin/", false},
      {"/usr/local/bin/", false},
      {"/usr/", false},
      {"/usr", false},
      {"/usrx/bin/", true},
      {"/home/dana/tallyscan/", true},
      {"/opt/tallyscan/bin/", true},
      {"C:\\Tls\\", true},
      {"/", true},
  };
  for (const auto& [folder, may] : cases) EXPECT_EQ(may, MayReplaceItself(folder)) << folder;
}

// Runs the shell script for real: it waits for a process, replaces the program, starts the
// new one and deletes itself. Paths carry a quote and a space to prove the quoting.
TEST(UpdateScriptTest, ShellScriptReplacesStartsAndRemovesItself) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "tallyscan update 'test'";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const std::string folder = dir.string() + "/";
  const UpdatePaths paths = PlanUpdatePaths(ScriptKind::kShell, folder, "prog", folder, true);
  {
    std::ofstream(paths.ProgramPath()) << "#!/bin/sh\necho old\n";
    std::ofstream(paths.DownloadPath()) << "#!/bin/sh\necho started > \"$(dirname \"$0\")/ran\"\n";
  }
  LocalUpdateFiles files;
  ASSERT_TRUE(
      files.WriteFile(paths.ScriptPath(), UpdateScript(ScriptKind::kShell, paths, 999999), true));
  const std::string command = "sh \"" + paths.ScriptPath() + "\"; sleep 0.5";
  ASSERT_EQ(0, std::system(command.c_str()));
  std::stringstream program;
  program << std::ifstream(paths.ProgramPath()).rdbuf();
  EXPECT_NE(std::string::npos, program.str().find("echo started"));
  EXPECT_TRUE(std::filesystem::exists(dir / "ran"));  // the new program was started
  EXPECT_FALSE(std::filesystem::exists(paths.DownloadPath()));
  EXPECT_FALSE(std::filesystem::exists(paths.ScriptPath()));
  std::filesystem::remove_all(dir);
}

// Files in memory, with a switch that makes writes fail.
class MemoryFiles : public UpdateFiles {
 public:
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  bool Remove(const std::string& path) override {
    files.erase(path);
    return true;
  }
  bool WriteFile(const std::string& path, std::string_view bytes, bool) override {
    if (fail_writes) return false;
    files[path] = std::string(bytes);
    return true;
  }
  bool MakeFolder(const std::string&) override { return true; }
  std::map<std::string, std::string> files;
  bool fail_writes = false;
};

// Writes a part of the program and then fails, like a dropped connection, when asked to.
class DownloadFetcher : public UpdateFetcher {
 public:
  explicit DownloadFetcher(MemoryFiles& files) : files_(files) {}
  bool Connected() override { return true; }
  std::optional<std::string> Get(const std::string&, std::size_t) override { return {}; }
  bool Download(const std::string& url, const std::string& target) override {
    urls.push_back(url);
    files_.files[target] = drop_connection ? "partial" : "new program";
    return !drop_connection;
  }
  bool drop_connection = false;
  std::vector<std::string> urls;

 private:
  MemoryFiles& files_;
};

class PrepareUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override { settings.WriteReg(kParams, kUpdateServer, "https://upd.example.org/"); }
  MemorySettings settings;
  MemoryFiles files;
  DownloadFetcher fetcher{files};
  UpdatePaths paths = PlanUpdatePaths(ScriptKind::kShell, "/p/", "tallyscan", "/u/", true);
};

TEST_F(PrepareUpdateTest, ReplacesAnOldDownloadAndWritesTheScript) {
  files.files["/p/Tallyscan.Tmp"] = "stale";
  ASSERT_TRUE(PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 42));
  EXPECT_EQ("new program", files.files["/p/Tallyscan.Tmp"]);
  EXPECT_EQ(UpdateScript(ScriptKind::kShell, paths, 42), files.files["/p/tlsc.sh"]);
  EXPECT_EQ(std::vector<std::string>{"https://upd.example.org/files/tallyscan/tallyscan"},
            fetcher.urls);
}

TEST_F(PrepareUpdateTest, FailedDownloadLeavesNeitherDownloadNorScript) {
  fetcher.drop_connection = true;
  EXPECT_FALSE(PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 42));
  EXPECT_TRUE(files.files.empty());
}

TEST_F(PrepareUpdateTest, FailedScriptWriteRemovesTheDownload) {
  files.fail_writes = true;
  EXPECT_FALSE(PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 42));
  EXPECT_TRUE(files.files.empty());
}

TEST_F(PrepareUpdateTest, PlainHttpServerIsNeverAsked) {
  settings.WriteReg(kParams, kUpdateServer, "http://upd.example.org");
  EXPECT_FALSE(PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 42));
  EXPECT_TRUE(fetcher.urls.empty());
  EXPECT_TRUE(files.files.empty());
}

}  // namespace
}  // namespace tallyscan
