#include "engine/program/version_check.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "engine/common/version.h"

namespace tallyscan {
namespace {

TEST(VersionFromReplyTest, ReadsNumbersOfUpToSixBytes) {
  EXPECT_EQ(10300, VersionFromReply("1.03"));
  EXPECT_EQ(10400, VersionFromReply("1.04\r\n"));
  EXPECT_EQ(20000, VersionFromReply("2"));
  EXPECT_EQ(10305, VersionFromReply("1.0305"));
  EXPECT_EQ(10300, VersionFromReply("1.03ab"));  // trailing text is ignored, as atof does
}

TEST(VersionFromReplyTest, IgnoresLongRepliesAndNonNumbers) {
  EXPECT_EQ(std::nullopt, VersionFromReply("1.04000"));  // 7 bytes
  EXPECT_EQ(std::nullopt, VersionFromReply("<html><body>404</body></html>"));
  EXPECT_EQ(std::nullopt, VersionFromReply("abc"));
  EXPECT_EQ(std::nullopt, VersionFromReply(""));
  EXPECT_EQ(std::nullopt, VersionFromReply("0.00"));
}

// Numbers past 9999.9999 are refused, whatever they would come to in fewer bits: 429497 and
// 429498 wrap a 32-bit count of ten-thousandths round to 0.2704 and 1.2704.
TEST(VersionFromReplyTest, NumbersBeyondTheHighestVersionAreRefused) {
  const std::pair<const char*, std::optional<std::int64_t>> cases[] = {
      {"9999.9", 99999000},     {"9999", 99990000},       {".00005", 1},
      {"10000", std::nullopt},  {"429497", std::nullopt}, {"429498", std::nullopt},
      {"214749", std::nullopt}, {"999999", std::nullopt}, {"-10000", std::nullopt},
  };
  for (const auto& [reply, version] : cases) EXPECT_EQ(version, VersionFromReply(reply)) << reply;
}

// The version shown and packaged is the one the check compares with the server's, and it is
// a valid Debian version: the release number, then "+git" and the commit if there is one.
TEST(ProgramVersionTest, IsTheRunningVersionWithItsCommit) {
  EXPECT_EQ(kRunningVersion, VersionFromReply(ReleaseNumber()));
  const std::string_view version = ProgramVersion();
  ASSERT_TRUE(version.starts_with(ReleaseNumber())) << version;
  const std::string_view commit = version.substr(ReleaseNumber().size());
  if (!commit.empty()) {
    EXPECT_TRUE(commit.starts_with("+git")) << version;
    EXPECT_GT(commit.size(), 4u) << version;
    EXPECT_EQ(std::string_view::npos,
              commit.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                       "0123456789.+~"))
        << version;
  }
}

TEST(ServerAddressTest, OnlyHttpsOrLoopbackHttpIsAllowed) {
  EXPECT_TRUE(IsAllowedServerAddress("https://updates.example.org"));
  EXPECT_TRUE(IsAllowedServerAddress("HTTPS://updates.example.org/"));
  EXPECT_TRUE(IsAllowedServerAddress("http://127.0.0.1:8123"));
  EXPECT_TRUE(IsAllowedServerAddress("http://localhost/"));
  EXPECT_TRUE(IsAllowedServerAddress("http://[::1]:80"));
  EXPECT_FALSE(IsAllowedServerAddress("http://updates.example.org"));
  EXPECT_FALSE(IsAllowedServerAddress("http://127.0.0.1.evil.example"));
  EXPECT_FALSE(IsAllowedServerAddress("http://127.0.0.1@evil.example"));
  EXPECT_FALSE(IsAllowedServerAddress("ftp://127.0.0.1"));
  EXPECT_FALSE(IsAllowedServerAddress("https://"));
  EXPECT_FALSE(IsAllowedServerAddress(""));
}

TEST(ServerAddressTest, RedirectsStayOnTheHostAndItsAllowedSchemes) {
  struct Case {
    const char* from;
    const char* to;
    bool allowed;
  };
  const Case cases[] = {
      {"http://127.0.0.1:8123/a", "http://127.0.0.1:8123/b", true},
      {"http://127.0.0.1:8123/a", "http://127.0.0.1:9000/b", true},
      {"https://upd.example.org/a", "https://UPD.example.org/b", true},
      {"http://localhost/a", "https://localhost/b", true},
      {"http://127.0.0.1:8123/a", "http://localhost:8123/b", false},
      {"https://upd.example.org/a", "http://upd.example.org/b", false},
      {"https://upd.example.org/a", "https://evil.example/b", false},
      {"https://upd.example.org/a", "https://upd.example.org@evil.example/b", false},
      {"http://127.0.0.1/a", "ftp://127.0.0.1/b", false},
      {"http://127.0.0.1/a", "/b", false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.allowed, IsAllowedRedirect(c.from, c.to)) << c.to;
}

TEST(ServerAddressTest, UrlJoinsBaseAndPath) {
  EXPECT_EQ("https://h/files/tallyscan/tlsclastver.dat",
            ServerUrl("https://h//", kVersionFilePath));
}

// Answers every request with a fixed reply and records what was asked.
class FakeFetcher : public UpdateFetcher {
 public:
  bool Connected() override { return connected; }
  std::optional<std::string> Get(const std::string& url, std::size_t max_bytes) override {
    requests.push_back(url);
    if (!reply) return std::nullopt;
    return reply->substr(0, max_bytes);
  }
  Status Download(const std::string&, const std::string&, std::uint64_t) override {
    return Status::IoError("not asked for in these tests");
  }

  bool connected = true;
  std::optional<std::string> reply;
  std::vector<std::string> requests;
};

class NewerVersionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.WriteReg(kParams, kUpdateServer, "https://updates.example.org");
  }
  MemorySettings settings;
  FakeFetcher fetcher;
};

TEST_F(NewerVersionTest, OnlyAGreaterNumberRaisesTheQuestion) {
  fetcher.reply = "1.04";
  EXPECT_TRUE(NewerVersionAvailable(settings, fetcher));
  fetcher.reply = "1.03";
  EXPECT_FALSE(NewerVersionAvailable(settings, fetcher));
  fetcher.reply = "1.0";
  EXPECT_FALSE(NewerVersionAvailable(settings, fetcher));
  ASSERT_EQ(3u, fetcher.requests.size());
  EXPECT_EQ("https://updates.example.org/files/tallyscan/tlsclastver.dat", fetcher.requests[0]);
}

TEST_F(NewerVersionTest, FailuresAreSilent) {
  fetcher.reply = std::nullopt;
  EXPECT_FALSE(NewerVersionAvailable(settings, fetcher));
  fetcher.reply = "2.00000";
  EXPECT_FALSE(NewerVersionAvailable(settings, fetcher));
}

TEST_F(NewerVersionTest, NothingIsRequestedWithoutServerOrConnection) {
  fetcher.reply = "9";
  fetcher.connected = false;
  EXPECT_FALSE(NewerVersionAvailable(settings, fetcher));
  fetcher.connected = true;
  MemorySettings empty;
  EXPECT_FALSE(NewerVersionAvailable(empty, fetcher));
  settings.WriteReg(kParams, kUpdateServer, "http://updates.example.org");
  EXPECT_FALSE(NewerVersionAvailable(settings, fetcher));
  EXPECT_TRUE(fetcher.requests.empty());
}

}  // namespace
}  // namespace tallyscan
