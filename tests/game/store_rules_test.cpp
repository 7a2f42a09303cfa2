#include "StoreRules.h"

#include <string>

#include <gtest/gtest.h>

namespace {

// A shop sells at rate % of the list price, cut toward zero, and pays rate %
// of half the list price; its amount window shows half the unit price per
// item sold.
struct PriceCase {
  int listPrice;
  int rate;
  int amount;
  int cost;       // buying the amount
  int payment;    // selling the amount
  int shownSale;  // what the amount window shows for the sale
};

TEST(StoreRulesTest, PricesFollowTheRate) {
  const PriceCase cases[] = {
      {15, 100, 3, 45, 21, 21},  // 15 each, 7 each back
      {15, 150, 1, 22, 10, 11},  // 22.5 and 10.5 cut: the window shows 11, pays 10
      {15, 150, 2, 44, 20, 22},
      {1, 100, 5, 5, 0, 0},      // half of 1 is nothing
      {400, 80, 2, 640, 320, 320},
      {99, 33, 1, 32, 16, 16},   // 32.67 and 16.17 cut
      {0, 100, 4, 0, 0, 0},      // an unknown item has no price
  };
  for (const PriceCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.listPrice << " at " << c.rate << " x " << c.amount);
    EXPECT_EQ(StoreUnitPrice(c.listPrice, c.rate) * c.amount, c.cost);
    EXPECT_EQ(StoreSalePrice(c.listPrice, c.rate) * c.amount, c.payment);
    EXPECT_EQ(StoreShownSaleTotal(c.listPrice, c.rate, c.amount), c.shownSale);
  }
}

struct AmountCase {
  const char* what;
  int amount;  // after the key's change
  int owned;
  int money;
  int unitPrice;
  int expected;
};

TEST(StoreRulesTest, BuyingAmountStaysWithinStackAndMoney) {
  const AmountCase cases[] = {
      {"at least one", 0, 0, 1000, 15, 1},
      {"ten down from one", -9, 0, 1000, 15, 1},
      {"the money pays for two", 11, 0, 50, 22, 2},
      {"owning 30 stops at 69 whatever the money", 71, 30, 9999999, 15, 69},
      {"owning 98 leaves room for one", 11, 98, 9999999, 15, 1},
      {"both limits: the lower wins", 60, 30, 450, 10, 45},
      {"free goods", 99, 0, 0, 0, 99},
      {"money just enough", 3, 0, 45, 15, 3},
      {"money one short", 3, 0, 44, 15, 2},
  };
  for (const AmountCase& c : cases) {
    EXPECT_EQ(ClampBuyAmount(c.amount, c.owned, c.money, c.unitPrice), c.expected) << c.what;
  }
}

TEST(StoreRulesTest, SellingAmountStaysWithinTheCountOwned) {
  const AmountCase cases[] = {
      {"at least one", 0, 5, 0, 0, 1},
      {"no more than owned", 11, 5, 0, 0, 5},
      {"within", 3, 5, 0, 0, 3},
      {"all 99", 101, 99, 0, 0, 99},
  };
  for (const AmountCase& c : cases) {
    EXPECT_EQ(ClampSellAmount(c.amount, c.owned), c.expected) << c.what;
  }
}

TEST(StoreRulesTest, MoneyStaysBetweenZeroAndTheCap) {
  EXPECT_EQ(MoneyAfterPurchase(1000, 15, 3), 955);
  EXPECT_EQ(MoneyAfterPurchase(40, 15, 3), 0);
  EXPECT_EQ(MoneyAfterPurchase(9999999, 9999999, 99), 0) << "no overflow";
  EXPECT_EQ(MoneyAfterSale(1000, 7, 3), 1021);
  EXPECT_EQ(MoneyAfterSale(9999990, 50, 1), 9999999);
  EXPECT_EQ(MoneyAfterSale(9999999, 2000000, 99), 9999999) << "no overflow";
}

TEST(StoreRulesTest, TitlesByShopType) {
  const std::pair<int, std::string> cases[] = {
      {1, "どうぐや"}, {2, "ぶきや"}, {3, "ぼうぐや"}, {4, "まほうや"}, {5, "不明"}, {0, "不明"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetStoreTitle(c.first), c.second) << c.first;
}

TEST(StoreRulesTest, OnlyPatternOneHasClerkLines) {
  const std::string lines[] = {
      "「いらっしゃい！　どんなごようけんで？」", "「なにがほしいんだい？」",
      "「なにをうるんだい？」",                   "「いくつほしいんだい？」",
      "「いくつうるんだい？」",                   "「・・・おかねが　たりないようだね？」",
      "「もうもてないよ」",                       "「まいど どーも！」",
  };
  for (int line = STORE_LINE_GREETING; line <= STORE_LINE_THANKS; ++line) {
    EXPECT_EQ(GetStoreClerkLine(1, line), lines[line]) << line;
    EXPECT_EQ(std::string(GetStoreClerkLine(2, line)), "パターン未設定") << line;
    EXPECT_EQ(std::string(GetStoreClerkLine(0, line)), "パターン未設定") << line;
  }
}

}  // namespace
