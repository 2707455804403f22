// A results document read with only the kept members: what is kept is exactly what the full
// reading has there, and a broken document is none.
#include "engine/portfolio/pruned_json.h"

#include <gtest/gtest.h>

namespace tallyscan::portfolio {
namespace {

using Json = nlohmann::json;

TEST(PrunedJsonTest, KeepsThePathsAskedAndTheirSubtrees) {
  const std::string text = R"({"tests": [{"id": "a", "hits": 3, "lines": [1, 2, 3]},
      {"id": "b", "hits": {"lines": [4]}, "state": "run"}],
    "ranking": [{"score": 7, "line": 9}, [{"score": 8}]],
    "digits": {"benford-first": {"all": {"class": "close", "n": 5}, "debit": {"class": "x"}}},
    "summary": {"findings": {"one": 1, "two": 0}, "other": true}, "notes": "left out"})";
  const struct {
    std::vector<std::string_view> kept;
    const char* expected;
  } cases[] = {
      {{"tests/id", "tests/hits"},
       R"({"tests": [{"id": "a", "hits": 3}, {"id": "b", "hits": {"lines": [4]}}]})"},
      {{"ranking/score"}, R"({"ranking": [{"score": 7}, [{"score": 8}]]})"},
      {{"digits/benford-first/all/class"},
       R"({"digits": {"benford-first": {"all": {"class": "close"}}}})"},
      {{"summary/findings"}, R"({"summary": {"findings": {"one": 1, "two": 0}}})"},
      {{"notes", "tests/state"}, R"({"notes": "left out", "tests": [{}, {"state": "run"}]})"},
      {{}, "{}"},
  };
  for (const auto& c : cases) {
    const std::optional<Json> read = ReadPrunedJson(text, c.kept);
    ASSERT_TRUE(read.has_value()) << c.expected;
    EXPECT_EQ(Json::parse(c.expected), *read);
  }
}

TEST(PrunedJsonTest, ABrokenDocumentIsNoneEvenWhereNothingIsKept) {
  for (const char* text : {"", "{\"tests\": [1, 2", "{\"a\": 1} trailing", "{\"a\": nul}"}) {
    EXPECT_FALSE(ReadPrunedJson(text, {}).has_value()) << text;
    EXPECT_FALSE(ReadPrunedJson(text, {"a", "tests"}).has_value()) << text;
  }
  EXPECT_EQ(Json(5), *ReadPrunedJson("5", {}));
}

}  // namespace
}  // namespace tallyscan::portfolio
