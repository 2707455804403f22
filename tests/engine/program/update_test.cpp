#include "engine/program/update.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

#include "engine/common/texts.h"

namespace tallyscan {
namespace {

// Every path is one quoted word, so a folder with blanks stays whole, and a % stays itself.
TEST(UpdateScriptTest, BatchBesideTheProgramIsTheNineLines) {
  const UpdatePaths paths = PlanUpdatePaths(ScriptKind::kBatch, "C:\\Program Files\\Tls 100%\\",
                                            "Tallyscan.exe", "C:\\Users\\u\\", true);
  EXPECT_EQ(
      ":DeleteFile\r\n"
      "Del \"C:\\Program Files\\Tls 100%%\\Tallyscan.exe\"\r\n"
      "if exist \"C:\\Program Files\\Tls 100%%\\Tallyscan.exe\" goto StillExists\r\n"
      "Ren \"C:\\Program Files\\Tls 100%%\\Tallyscan.Tmp\" Tallyscan.Exe\r\n"
      "\"C:\\Program Files\\Tls 100%%\\Tallyscan.exe\"\r\n"
      "del \"C:\\Program Files\\Tls 100%%\\Tlsc.Bat\"\r\n"
      "exit\r\n"
      ":StillExists\r\n"
      "goto DeleteFile\r\n",
      UpdateScript(ScriptKind::kBatch, paths, 1));
  EXPECT_EQ("C:\\Program Files\\Tls 100%\\Tallyscan.Tmp", paths.DownloadPath());
  EXPECT_EQ("/files/tallyscan/Tallyscan.exe", ProgramServerPath(ScriptKind::kBatch, "x.exe"));
}

TEST(UpdateScriptTest, BatchFromTheUserFolderMovesBetweenQuotedPaths) {
  const UpdatePaths paths = PlanUpdatePaths(ScriptKind::kBatch, "C:\\Program Files\\Tls\\",
                                            "Tallyscan.exe", "C:\\Users\\Dana Cohen\\", false);
  const std::string script = UpdateScript(ScriptKind::kBatch, paths, 1);
  EXPECT_NE(std::string::npos, script.find("\r\nMove /Y \"C:\\Users\\Dana Cohen\\Tallyscan.Tmp\" "
                                           "\"C:\\Program Files\\Tls\\Tallyscan.exe\"\r\n"))
      << script;
  EXPECT_NE(std::string::npos, script.find("\r\ndel \"C:\\Users\\Dana Cohen\\Tlsc.Bat\"\r\n"))
      << script;
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
      files.WriteFile(paths.ScriptPath(), UpdateScript(ScriptKind::kShell, paths, 999999), true)
          .ok());
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
  Status Remove(const std::string& path) override {
    files.erase(path);
    return Status::Ok();
  }
  Status WriteFile(const std::string& path, std::string_view bytes, bool) override {
    if (fail_writes) return Status::IoError("disk full: " + path);
    files[path] = std::string(bytes);
    return Status::Ok();
  }
  Status MakeFolder(const std::string&) override { return Status::Ok(); }
  std::map<std::string, std::string> files;
  bool fail_writes = false;
};

// Writes a part of the program and then fails, like a dropped connection, when asked to.
class DownloadFetcher : public UpdateFetcher {
 public:
  explicit DownloadFetcher(MemoryFiles& files) : files_(files) {}
  bool Connected() override { return true; }
  std::optional<std::string> Get(const std::string&, std::size_t) override { return {}; }
  Status Download(const std::string& url, const std::string& target,
                  std::uint64_t max_bytes) override {
    urls.push_back(url);
    limits.push_back(max_bytes);
    files_.files[target] = drop_connection ? "partial" : "new program";
    return drop_connection ? Status::IoError("connection closed") : Status::Ok();
  }
  bool drop_connection = false;
  std::vector<std::string> urls;
  std::vector<std::uint64_t> limits;

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
  ASSERT_TRUE(PrepareUpdate(settings, fetcher, files, paths, ScriptKind::kShell, 42).ok());
  EXPECT_EQ("new program", files.files["/p/Tallyscan.Tmp"]);
  EXPECT_EQ(UpdateScript(ScriptKind::kShell, paths, 42), files.files["/p/tlsc.sh"]);
  EXPECT_EQ(std::vector<std::string>{"https://upd.example.org/files/tallyscan/tallyscan"},
            fetcher.urls);
  EXPECT_EQ(std::vector<std::uint64_t>{std::uint64_t{256} << 20}, fetcher.limits);
}

// A server that is not set or refused is never asked; a failed download or script write
// leaves neither file behind. Each failure says why.
TEST_F(PrepareUpdateTest, EachFailureSaysWhyAndLeavesNeitherDownloadNorScript) {
  struct Case {
    const char* server;
    bool drop_connection;
    bool fail_writes;
    StatusCode code;
    std::string message;
  };
  const Case cases[] = {
      {"", false, false, StatusCode::kRefused, "no update server is set"},
      {"http://upd.example.org", false, false, StatusCode::kRefused,
       "the update server http://upd.example.org is refused: only https://, or http:// on this "
       "computer"},
      {"https://upd.example.org/", true, false, StatusCode::kIoError,
       "the download of https://upd.example.org/files/tallyscan/tallyscan failed: connection "
       "closed"},
      {"https://upd.example.org/", false, true, StatusCode::kIoError, "disk full: /p/tlsc.sh"},
  };
  for (const Case& c : cases) {
    MemoryFiles memory;
    DownloadFetcher network(memory);
    network.drop_connection = c.drop_connection;
    memory.fail_writes = c.fail_writes;
    settings.WriteReg(kParams, kUpdateServer, c.server);
    const Status prepared = PrepareUpdate(settings, network, memory, paths, ScriptKind::kShell, 42);
    EXPECT_EQ(c.code, prepared.code()) << c.message;
    EXPECT_EQ(c.message, prepared.message());
    EXPECT_TRUE(memory.files.empty()) << c.message;
    if (c.code == StatusCode::kRefused) {
      EXPECT_TRUE(network.urls.empty()) << c.message;
    }
  }
}

TEST(LocalUpdateFiles, AFileOrFolderThatCannotBeMadeIsNamedWithTheReason) {
  const std::string dir = testing::TempDir() + "update_files_test";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/plain") << "a file, not a folder";
  LocalUpdateFiles files;
  const Status written = files.WriteFile(dir + "/missing/tlsc.sh", "#!/bin/sh\n", true);
  EXPECT_EQ(StatusCode::kIoError, written.code());
  EXPECT_EQ(
      std::string(kCannotWriteFileText) + dir + "/missing/tlsc.sh (" + std::strerror(ENOENT) + ")",
      written.message());
  const Status made = files.MakeFolder(dir + "/plain/sub");
  EXPECT_EQ(StatusCode::kIoError, made.code());
  EXPECT_EQ(0u, made.message().find("cannot make the folder " + dir + "/plain/sub ("));
  EXPECT_TRUE(files.Remove(dir + "/never-written").ok());
  EXPECT_TRUE(files.WriteFile(dir + "/tlsc.sh", "#!/bin/sh\n", true).ok());
  EXPECT_TRUE(files.MakeFolder(dir + "/a/b").ok());
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tallyscan
