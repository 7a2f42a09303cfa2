#include "StoreRules.h"

#include <algorithm>

#include "CPlayerParty.h"

namespace {

int RatePercentOf(int value, int rate) {
  return static_cast<int>(rate / 100.0 * value);
}

int32_t ClampMoney(int64_t money) {
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(money, 0), kMaxMoney));
}

const char* const kClerkLines[] = {
    "「いらっしゃい！　どんなごようけんで？」",
    "「なにがほしいんだい？」",
    "「なにをうるんだい？」",
    "「いくつほしいんだい？」",
    "「いくつうるんだい？」",
    "「・・・おかねが　たりないようだね？」",
    "「もうもてないよ」",
    "「まいど どーも！」",
};
static_assert(sizeof kClerkLines / sizeof kClerkLines[0] == STORE_LINE_THANKS + 1,
              "one text per clerk line");

}  // namespace

int StoreUnitPrice(int listPrice, int rate) { return RatePercentOf(listPrice, rate); }

int StoreSalePrice(int listPrice, int rate) { return RatePercentOf(listPrice / 2, rate); }

int StoreShownSaleTotal(int listPrice, int rate, int amount) {
  return StoreUnitPrice(listPrice, rate) / 2 * amount;
}

int ClampBuyAmount(int amount, int owned, int money, int unitPrice) {
  amount = std::max(amount, 1);
  amount = std::min(amount, kMaxItemCount - owned);
  if (static_cast<int64_t>(money) < static_cast<int64_t>(unitPrice) * amount) {
    amount = money / unitPrice;
  }
  return amount;
}

int ClampSellAmount(int amount, int owned) { return std::min(std::max(amount, 1), owned); }

int32_t MoneyAfterPurchase(int32_t money, int unitPrice, int amount) {
  return ClampMoney(static_cast<int64_t>(money) - static_cast<int64_t>(unitPrice) * amount);
}

int32_t MoneyAfterSale(int32_t money, int salePrice, int amount) {
  return ClampMoney(static_cast<int64_t>(money) + static_cast<int64_t>(salePrice) * amount);
}

const char* GetStoreTitle(int type) {
  switch (type) {
    case STORE_ITEM:
      return "どうぐや";
    case STORE_WEAPON:
      return "ぶきや";
    case STORE_ARMOUR:
      return "ぼうぐや";
    case STORE_MAGIC:
      return "まほうや";
    default:
      return "不明";
  }
}

const char* GetStoreClerkLine(int pattern, int line) {
  if (pattern != 1 || line < STORE_LINE_GREETING || line > STORE_LINE_THANKS) return "パターン未設定";
  return kClerkLines[line];
}
