#include "engine/portfolio/clients.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_files.h"

namespace tallyscan::portfolio {
namespace {

using tallyscan::testing::TempFolder;
using tallyscan::testing::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace fs = std::filesystem;

std::vector<std::string> IdsOf(const std::vector<Client>& clients) {
  std::vector<std::string> ids;
  for (const Client& c : clients) ids.push_back(c.id);
  return ids;
}

void MakeClient(const TempFolder& root, const std::string& relative, const char* ini = "INI.TXT") {
  fs::create_directories(root.File(relative));
  WriteFile(root.File(relative + "/" + ini), "A000\r\n");
}

TEST(ResultsPathTest, KeepsSafeBytesAndHebrewAndEscapesTheRest) {
  const struct {
    std::string id, path;
  } cases[] = {
      {"acme/2024", "acme/2024"},
      {"A-b_c.9", "A-b_c.9"},
      {"לקוח 1", "לקוח%201"},
      {"50%", "50%25"},
      {"caf\xC3\xA9", "caf%C3%A9"},  // a Latin letter outside the set
      {"\xD7\xB0", "%D7%B0"},        // Hebrew block, but not a letter
      {"a\\b:c", "a%5Cb%3Ac"},       // Windows separators are bytes like others
      {"\xD7", "%D7"},               // a lead byte at the end
  };
  for (const auto& c : cases) EXPECT_EQ(c.path, ResultsPathOf(c.id)) << c.id;
}

TEST(IdMistakesTest, RefusesUnusablePartsAndClashesNamingTheIds) {
  const struct {
    std::vector<std::string> ids;
    std::vector<std::string> named;  // empty: accepted
  } cases[] = {
      {{"a", "b/c", "לקוח"}, {}},
      {{"a/../b"}, {"a/../b"}},
      {{"./a"}, {"./a"}},
      {{"a//b"}, {"a//b"}},
      {{"a/"}, {"a/"}},
      {{""}, {"\"\""}},
      {{"a", "a/b"}, {"\"a\"", "\"a/b\""}},  // one's results inside the other's
      {{"ab", "a"}, {}},                     // a prefix that is not a folder is no clash
  };
  for (const auto& c : cases) {
    std::vector<Client> clients;
    for (const std::string& id : c.ids) clients.push_back({id, "/nowhere/" + id, {}});
    const std::string mistakes = IdMistakes(clients);
    if (c.named.empty()) {
      EXPECT_EQ("", mistakes) << c.ids[0];
    } else {
      for (const std::string& id : c.named) EXPECT_THAT(mistakes, HasSubstr(id)) << c.ids[0];
    }
  }
}

TEST(DiscoverClientsTest, FindsIniFoldersToTheDepthInByteOrderOnce) {
  TempFolder root;
  MakeClient(root, "b");
  MakeClient(root, "B/x", "ini.txt");  // letter case of the name ignored
  MakeClient(root, "a/deep/too/far");  // depth 4
  MakeClient(root, "a/two");           // depth 2
  MakeClient(root, "ח");               // Hebrew sorts after ASCII by its bytes
  fs::create_directories(root.File("empty/none"));
  fs::create_directory_symlink(root.File("b"), root.File("link-to-b"));

  std::vector<Client> clients;
  ASSERT_TRUE(DiscoverClients(root.path(), 2, clients).ok());
  EXPECT_THAT(IdsOf(clients), ElementsAre("B/x", "a/two", "b", "ח"));
  EXPECT_EQ(root.File("a/two"), clients[1].folder);

  ASSERT_TRUE(DiscoverClients(root.path(), 4, clients).ok());
  EXPECT_THAT(IdsOf(clients), ElementsAre("B/x", "a/deep/too/far", "a/two", "b", "ח"));

  EXPECT_EQ(StatusCode::kNotFound, DiscoverClients(root.File("missing"), 2, clients).code());
}

TEST(DiscoverClientsTest, NestedClientsClash) {
  TempFolder root;
  MakeClient(root, "a");
  MakeClient(root, "a/b");
  std::vector<Client> clients;
  const Status found = DiscoverClients(root.path(), 2, clients);
  EXPECT_EQ(StatusCode::kRefused, found.code());
  EXPECT_THAT(found.message(), HasSubstr("\"a/b\""));
}

// A batch's results kept inside the folder it screens hold copies of what it read (an INI.TXT
// a client's results may carry, an archive's data taken out): they are never its clients,
// however the results folder is named.
TEST(DiscoverClientsTest, TheResultsFolderUnderTheInputIsNotWalked) {
  TempFolder root;
  MakeClient(root, "in/a");
  MakeClient(root, "in/results/clients/a");
  MakeClient(root, "in/b");
  fs::create_directory_symlink(root.File("in/results"), root.File("results-link"));
  const std::string namings[] = {root.File("in/results"), root.File("in/./results/"),
                                 root.File("results-link")};
  for (const std::string& results : namings) {
    std::vector<Client> clients;
    ASSERT_TRUE(DiscoverClients(root.File("in"), 4, clients, results).ok()) << results;
    EXPECT_THAT(IdsOf(clients), ElementsAre("a", "b")) << results;
  }
  // Results not made yet, or elsewhere, hide nothing.
  std::vector<Client> clients;
  ASSERT_TRUE(DiscoverClients(root.File("in"), 1, clients, root.File("in/new")).ok());
  EXPECT_THAT(IdsOf(clients), ElementsAre("a", "b"));
  ASSERT_TRUE(DiscoverClients(root.File("in"), 4, clients, root.File("elsewhere")).ok());
  EXPECT_THAT(IdsOf(clients), ElementsAre("a", "b", "results/clients/a"));
}

TEST(ReadClientListTest, ReadsIdsPathsAndLabelsRelativeToTheList) {
  TempFolder root;
  MakeClient(root, "data/one");
  MakeClient(root, "data/two");
  fs::create_directories(root.File("lists"));
  WriteFile(root.File("lists/clients.tsv"),
            "\xEF\xBB\xBFzeta\t../data/one\tחברה א\r\n"
            "\n"
            "alpha\t" +
                root.File("data/two") +
                "\n"
                "again\t../data/one\n");
  std::vector<Client> clients;
  ASSERT_TRUE(ReadClientList(root.File("lists/clients.tsv"), clients).ok());
  // "again" and "zeta" are one folder: the first by id stays.
  ASSERT_THAT(IdsOf(clients), ElementsAre("again", "alpha"));
  EXPECT_EQ("", clients[0].label);
  EXPECT_EQ(root.File("data/two"), clients[1].folder);

  WriteFile(root.File("lists/bad.tsv"), "one\t../data/one\tx\nlonely\n");
  const Status bad = ReadClientList(root.File("lists/bad.tsv"), clients);
  EXPECT_EQ(StatusCode::kCorrupt, bad.code());
  EXPECT_THAT(bad.message(), HasSubstr("2"));
  EXPECT_EQ(StatusCode::kIoError, ReadClientList(root.File("lists/none.tsv"), clients).code());
}

TEST(ReadClientListTest, KeepsTheLabel) {
  TempFolder root;
  MakeClient(root, "one");
  WriteFile(root.File("list.tsv"), "c1\tone\tחברה א בע\"מ\n");
  std::vector<Client> clients;
  ASSERT_TRUE(ReadClientList(root.File("list.tsv"), clients).ok());
  ASSERT_EQ(1u, clients.size());
  EXPECT_EQ("חברה א בע\"מ", clients[0].label);
}

}  // namespace
}  // namespace tallyscan::portfolio
