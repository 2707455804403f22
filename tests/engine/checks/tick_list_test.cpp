#include <gtest/gtest.h>

#include "engine/checks/checks.h"

namespace tallyscan {
namespace {

TEST(TickListTest, EveryItemStartsTicked) {
  const CheckTicks ticks;
  ASSERT_EQ(8u, ticks.bookkeeping.size());
  ASSERT_EQ(9u, ticks.documents.size());
  for (std::size_t i = 0; i < ticks.bookkeeping.size(); ++i)
    EXPECT_TRUE(ticks.bookkeeping.Ticked(i));
  for (std::size_t i = 0; i < ticks.documents.size(); ++i) EXPECT_TRUE(ticks.documents.Ticked(i));
  EXPECT_EQ("איזון מנות", ticks.bookkeeping.Text(3));
  EXPECT_EQ("הצלבת מקטים תעודות/מלאי", ticks.documents.Text(8));
}

TEST(TickListTest, TheGroupItemSetsTheWholeList) {
  CheckTicks ticks;
  ticks.bookkeeping.SetTicked(0, false);
  for (std::size_t i = 0; i < ticks.bookkeeping.size(); ++i)
    EXPECT_FALSE(ticks.bookkeeping.Ticked(i));
  EXPECT_TRUE(ticks.Ticked(DocumentItem::kItemCodes));  // the other list is untouched
  ticks.bookkeeping.SetTicked(0, true);
  for (std::size_t i = 0; i < ticks.bookkeeping.size(); ++i)
    EXPECT_TRUE(ticks.bookkeeping.Ticked(i));
}

TEST(TickListTest, ClearingAnItemClearsTheGroupItemButTickingItAgainDoesNotRestoreIt) {
  CheckTicks ticks;
  const auto batch = static_cast<std::size_t>(BookkeepingItem::kBatchBalance);
  ticks.bookkeeping.SetTicked(batch, false);
  EXPECT_FALSE(ticks.Ticked(BookkeepingItem::kAll));
  EXPECT_FALSE(ticks.Ticked(BookkeepingItem::kBatchBalance));
  EXPECT_TRUE(ticks.Ticked(BookkeepingItem::kMovementsBalance));
  ticks.bookkeeping.SetTicked(batch, true);
  EXPECT_TRUE(ticks.Ticked(BookkeepingItem::kBatchBalance));
  EXPECT_FALSE(ticks.Ticked(BookkeepingItem::kAll));
}

TEST(TickListTest, TickingAnItemLeavesACleardGroupItemCleared) {
  CheckTicks ticks;
  ticks.documents.SetAll(false);
  ticks.documents.SetTicked(static_cast<std::size_t>(DocumentItem::kBankDetails), true);
  EXPECT_TRUE(ticks.Ticked(DocumentItem::kBankDetails));
  EXPECT_FALSE(ticks.Ticked(DocumentItem::kAll));
  EXPECT_FALSE(ticks.Ticked(DocumentItem::kChequeNumbers));
  ticks.documents.SetTicked(99, true);  // beyond the list: ignored
  EXPECT_FALSE(ticks.documents.Ticked(99));
}

}  // namespace
}  // namespace tallyscan
