#include "engine/portfolio/manifest.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tallyscan::portfolio {
namespace {

Manifest FullManifest() {
  Manifest m;
  m.client = "north/שמש בע\"מ";
  m.label = "לקוח א";
  m.inputs = {{"INI.TXT", 1234, std::string(64, 'a'), 1234, -5, 2049, 77},
              {"BKMVDATA.TXT", 18446744073709551615u, std::nullopt, 99, 1733776800123456789,
               18446744073709551615u, 18446744073709551615u}};
  m.parameters_sha256 = std::string(64, '0');
  m.analyses = {"import", "check", "jet"};
  m.status = ClientStatus::kFailed;
  m.reason = "הסתיים באות 9";
  m.exit_code = -1;
  m.signal = 9;
  m.started = "2026-12-09T20:40:00Z";
  m.seconds = 1.25;
  m.peak_rss_kb = 182000;
  return m;
}

// The fixed form: the same values always give these bytes.
TEST(ManifestTest, WritesTheKeysInTheirOrderWithNullsForWhatIsAbsent) {
  Manifest m;
  m.client = "a";
  m.inputs = {{"INI.TXT", 3, std::nullopt, 3, 10, 1, 2}};
  m.analyses = {"import"};
  m.status = ClientStatus::kOk;
  m.started = "2026-01-02T03:04:05Z";
  m.seconds = 0.5;
  EXPECT_EQ(
      "{\n  \"client\": \"a\",\n  \"label\": \"\",\n  \"inputs\": [\n    {\n"
      "      \"name\": \"INI.TXT\",\n      \"bytes\": 3,\n      \"sha256\": null,\n"
      "      \"size\": 3,\n      \"mtime_ns\": 10,\n      \"dev\": 1,\n      \"ino\": 2\n"
      "    }\n  ],\n  \"analysis_version\": 1,\n  \"parameters_sha256\": null,\n"
      "  \"analyses\": [\n    \"import\"\n  ],\n  \"status\": \"ok\",\n  \"reason\": \"\",\n"
      "  \"exit_code\": null,\n  \"signal\": null,\n  \"started\": \"2026-01-02T03:04:05Z\",\n"
      "  \"seconds\": 0.5,\n  \"peak_rss_kb\": null\n}\n",
      ManifestJson(m));
}

TEST(ManifestTest, EveryStatusAndTheWidestNumbersSurviveARoundTrip) {
  for (int s = 0; s <= static_cast<int>(ClientStatus::kOk); ++s) {
    Manifest m = FullManifest();
    m.status = static_cast<ClientStatus>(s);
    Manifest read;
    ASSERT_TRUE(ReadManifest(ManifestJson(m), read).ok()) << StatusWord(m.status);
    EXPECT_EQ(m, read);
    EXPECT_EQ(ManifestJson(m), ManifestJson(read));
  }
}

TEST(ManifestTest, StatusesTakePrecedenceInTheirListOrder) {
  const std::vector<std::string_view> words = {"failed",       "timed out", "changed during run",
                                               "not analysed", "findings",  "ok"};
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::optional<ClientStatus> status = StatusOfWord(words[i]);
    ASSERT_TRUE(status.has_value()) << words[i];
    EXPECT_EQ(words[i], StatusWord(*status));
    for (std::size_t j = i; j < words.size(); ++j) {
      EXPECT_EQ(*status, Precedent(*status, *StatusOfWord(words[j])));
      EXPECT_EQ(*status, Precedent(*StatusOfWord(words[j]), *status));
    }
  }
  EXPECT_FALSE(StatusOfWord("OK").has_value());
  // The window and the reports say each status in its own Hebrew words; a text that is no
  // status word (a damaged summary's cell) is shown as it is.
  const std::vector<std::string_view> captions = {"נכשל",    "חרג מהזמן", "השתנה בזמן הקריאה",
                                                  "לא נותח", "ממצאים",    "תקין"};
  for (std::size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(captions[i], StatusCaption(*StatusOfWord(words[i])));
    EXPECT_EQ(captions[i], StatusCaptionOfWord(words[i]));
  }
  EXPECT_EQ("OK", StatusCaptionOfWord("OK"));
}

// Replaces the first `from` in the valid document by `to`.
std::string Damaged(const std::string& from, const std::string& to) {
  std::string text = ManifestJson(FullManifest());
  const std::size_t at = text.find(from);
  EXPECT_NE(std::string::npos, at) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

TEST(ManifestTest, ADamagedManifestIsRefusedNamingWhatIsWrong) {
  struct Case {
    std::string text;
    std::string named;  // a part of the message
  };
  const std::vector<Case> cases = {
      {"", "אינו JSON"},
      {ManifestJson(FullManifest()).substr(0, 200), "אינו JSON"},
      {"[1, 2]", "אינו אובייקט"},
      {Damaged("\"status\": \"failed\"", "\"status\": \"crashed\""), "\"status\""},
      {Damaged("\"status\": \"failed\"", "\"status\": 3"), "\"status\""},
      {Damaged("\"client\"", "\"klient\""), "\"client\""},
      {Damaged("\"client\": \"north", "\"client\": \"\" , \"x\": \"north"), "\"client\" ריק"},
      {Damaged("\"analysis_version\": 1", "\"analysis_version\": \"1\""), "analysis_version"},
      {Damaged("\"analysis_version\": 1", "\"analysis_version\": 1.5"), "analysis_version"},
      {Damaged("\"parameters_sha256\": \"0000", "\"parameters_sha256\": \"000g"),
       "parameters_sha256"},
      {Damaged("\"sha256\": \"aaaa", "\"sha256\": \"aaa"), "בקובץ הקלט ה-1"},
      {Damaged("\"size\": 1234", "\"size\": -1"), "\"size\""},
      {Damaged("\"dev\": 18446744073709551615", "\"dev\": 18446744073709551616"), "\"dev\""},
      {Damaged("\"name\": \"BKMVDATA.TXT\"", "\"name\": \"\""), "בקובץ הקלט ה-2"},
      {Damaged("\"inputs\": [", "\"inputs\": 7, \"x\": ["), "\"inputs\""},
      {Damaged("\"analyses\": [", "\"analyses\": [5, "), "\"analyses\""},
      {Damaged("\"exit_code\": -1", "\"exit_code\": 4294967296"), "\"exit_code\""},
      {Damaged("\"signal\": 9", "\"signal\": true"), "\"signal\""},
      {Damaged("\"started\": \"2026-12-09T20:40:00Z\"", "\"started\": \"2026-12-09 20:40:00\""),
       "\"started\""},
      {Damaged("\"started\": \"2026-12-09T20:40:00Z\"", "\"started\": \"2026-13-09T20:40:00Z\""),
       "\"started\""},
      {Damaged("\"seconds\": 1.25", "\"seconds\": -1"), "\"seconds\""},
      {Damaged("\"peak_rss_kb\": 182000", "\"peak_rss_kb\": \"big\""), "\"peak_rss_kb\""},
  };
  for (const Case& c : cases) {
    Manifest out = FullManifest();
    out.client = "unchanged";
    const Status read = ReadManifest(c.text, out);
    EXPECT_FALSE(read.ok()) << c.text;
    EXPECT_EQ(StatusCode::kCorrupt, read.code());
    EXPECT_NE(std::string::npos, read.message().find(c.named)) << read.message();
    EXPECT_EQ("unchanged", out.client);
  }
}

TEST(ManifestTest, UnknownKeysArePassedOver) {
  Manifest read;
  ASSERT_TRUE(ReadManifest(Damaged("\"label\"", "\"later\": {\"a\": 1}, \"label\""), read).ok());
  EXPECT_EQ(FullManifest(), read);
}

TEST(ManifestTest, TheFileIsWrittenWholeAndReadBack) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("manifest_test." + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::filesystem::path path = folder / kManifestFileName;
  ASSERT_TRUE(WriteManifestFile(path, FullManifest()).ok());
  Manifest read;
  ASSERT_TRUE(ReadManifestFile(path, read).ok());
  EXPECT_EQ(FullManifest(), read);
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(folder),
                             std::filesystem::directory_iterator()));

  std::ofstream(path, std::ios::trunc) << "{\"client\": ";
  const Status damaged = ReadManifestFile(path, read);
  EXPECT_EQ(0u, damaged.message().find(path.string())) << damaged.message();
  EXPECT_EQ(StatusCode::kNotFound, ReadManifestFile(folder / "none.json", read).code());
  EXPECT_EQ(StatusCode::kNotFound, ReadManifestFile(folder, read).code());
  std::filesystem::remove_all(folder);
}

TEST(ManifestTest, TimestampsAreUtcWholeSeconds) {
  EXPECT_EQ("1970-01-01T00:00:00Z", UtcTimestamp(std::chrono::system_clock::time_point{}));
  EXPECT_EQ("2026-12-09T20:40:00Z",
            UtcTimestamp(std::chrono::system_clock::from_time_t(1796848800) +
                         std::chrono::milliseconds(999)));
}

}  // namespace
}  // namespace tallyscan::portfolio
