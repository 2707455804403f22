#include <gtest/gtest.h>

#include "engine/browse/browse.h"
#include "engine/program/program.h"

namespace tallyscan {
namespace {

const FieldCatalogue& Index() { return AccountIndexCatalogue(); }

TEST(FieldListTest, ParsesWidthAndFieldPairsInOrder) {
  const std::vector<FieldListEntry> expected = {{30, 1}, {180, 2}, {60, 10}, {100, 3}};
  EXPECT_EQ(expected, ParseFieldList("30,1;180,2;60,10;100,3", 19));
  EXPECT_EQ("30,1;180,2;60,10;100,3", FormatFieldList(expected));
}

TEST(FieldListTest, DamagedEntriesAreReadAsNumbersOrDropped) {
  // A trailing ";", an entry without a comma, trailing junk after digits, a field beyond the
  // catalogue and a field 0 are what hand-edited or older settings can hold.
  const std::vector<FieldListEntry> expected = {{30, 1}, {75, 4}, {0, 5}};
  EXPECT_EQ(expected, ParseFieldList("30,1;;garbage;75px,4x;-5,5;100,20;100,0;", 19));
  EXPECT_TRUE(ParseFieldList("", 19).empty());
}

TEST(FieldListTest, MissingEmptyOrUselessSettingGivesTheDefault) {
  MemorySettings settings;
  const auto defaults = ParseFieldList(Index().default_list, 19);
  ASSERT_EQ(9u, defaults.size());
  EXPECT_EQ(defaults, ReadFieldList(settings, Index()));
  settings.WriteReg("Params", "IdxFields", "");
  EXPECT_EQ(defaults, ReadFieldList(settings, Index()));
  settings.WriteReg("Params", "IdxFields", "nonsense");
  EXPECT_EQ(defaults, ReadFieldList(settings, Index()));

  WriteFieldList(settings, Index(), "30,1;50,19");
  EXPECT_EQ("30,1;50,19", settings.ReadReg("Params", "IdxFields"));
  const std::vector<FieldListEntry> stored = {{30, 1}, {50, 19}};
  EXPECT_EQ(stored, ReadFieldList(settings, Index()));
  EXPECT_EQ(11u, ReadFieldList(settings, LedgerCatalogue()).size());
}

TEST(FieldListTest, CataloguesHaveTheirFieldsAndNames) {
  EXPECT_EQ(19, Index().FieldCount());
  EXPECT_EQ("IdxFields", Index().value_name);
  EXPECT_EQ("#", Index().Caption(1));
  EXPECT_EQ("תאור קב' מאזן", Index().Caption(10));
  EXPECT_EQ("קוד מטבע", Index().Caption(19));
  EXPECT_EQ("", Index().Caption(20));
  EXPECT_EQ("מפתח החשבון", Index().LongName(2));
  EXPECT_EQ("יתרת פתיחה מט'ח", Index().LongName(18));
  EXPECT_FALSE(Index().LongName(19).empty());  // every field of the dialog has a name
  EXPECT_EQ("", Index().LongName(1));

  const FieldCatalogue& ledger = LedgerCatalogue();
  EXPECT_EQ(26, ledger.FieldCount());
  EXPECT_EQ("TnuaFields", ledger.value_name);
  EXPECT_EQ("מבצע הפעולה", ledger.Caption(26));
  for (int field = 2; field <= 26; ++field) EXPECT_FALSE(ledger.LongName(field).empty()) << field;
  // Every default column names a field of its catalogue.
  for (const FieldCatalogue* c : {&Index(), &ledger}) {
    EXPECT_EQ(c->default_list, FormatFieldList(ParseFieldList(c->default_list, c->FieldCount())));
  }
}

TEST(FieldListTest, SearchPromptNamesTheSortColumnAndItsEntry) {
  EXPECT_EQ("הקלד את מילת החיפוש בטור מפתח החשבון", SearchPrompt(Index(), 2));
  EXPECT_EQ("הקלד את מילת החיפוש בטור יתרה", SearchPrompt(Index(), 17));
  for (int field : {6, 8, 12, 13, 14, 15, 16, 17, 18}) {
    EXPECT_EQ(SearchEntry::kDigits, Index().EntryFor(field)) << field;
  }
  for (int field : {3, 4, 5, 7, 10}) EXPECT_EQ(SearchEntry::kHebrew, Index().EntryFor(field));
  for (int field : {1, 2, 9, 11, 19}) EXPECT_EQ(SearchEntry::kAny, Index().EntryFor(field));
}

TEST(FieldSelectionTest, DefaultListIsWrittenBackUnchanged) {
  MemorySettings settings;
  const FieldSelection selection(Index(), ReadFieldList(settings, Index()));
  EXPECT_EQ(19, selection.LastField());
  EXPECT_TRUE(selection.Ticked(2));
  EXPECT_FALSE(selection.Ticked(4));
  EXPECT_EQ(180, selection.RememberedWidth(2));
  EXPECT_EQ(Index().default_list, selection.Result());
}

TEST(FieldSelectionTest, NewlyTickedFieldGetsWidth100AndFieldOrderWins) {
  FieldSelection selection(Index(), ParseFieldList("30,1;90,17;45,3", 19));
  selection.SetTicked(19, true);  // last in the walk
  selection.SetTicked(4, true);
  selection.SetTicked(3, false);
  selection.SetTicked(3, true);  // its remembered width survives clearing
  EXPECT_EQ(0, selection.RememberedWidth(4));
  EXPECT_EQ("30,1;45,3;100,4;90,17;100,19", selection.Result());
}

TEST(FieldSelectionTest, NothingTickedLeavesOnlyTheNumberColumn) {
  FieldSelection selection(Index(), ParseFieldList("30,1;180,2", 19));
  selection.SetTicked(2, false);
  selection.SetTicked(1, true);   // the number column has no tick
  selection.SetTicked(20, true);  // beyond the catalogue
  EXPECT_EQ("30,1", selection.Result());
}

}  // namespace
}  // namespace tallyscan
