// The shop's prices, amounts, titles and clerk lines as plain values: a shop
// sells at its rate in percent of the list price and buys back at the same
// rate of half the list price; no stack grows beyond 99.
#ifndef MOONLITCAIRN_STORERULES_H
#define MOONLITCAIRN_STORERULES_H

#include <stdint.h>

enum StoreType : int32_t {
  STORE_ITEM = 1,
  STORE_WEAPON = 2,
  STORE_ARMOUR = 3,
  STORE_MAGIC = 4,
};

// The clerk's lines, in the order of a visit.
enum StoreLine : int32_t {
  STORE_LINE_GREETING = 0,  // the shop opened, or back at the menu
  STORE_LINE_WHAT_TO_BUY,
  STORE_LINE_WHAT_TO_SELL,
  STORE_LINE_HOW_MANY_TO_BUY,
  STORE_LINE_HOW_MANY_TO_SELL,
  STORE_LINE_NO_MONEY,
  STORE_LINE_CANNOT_CARRY,
  STORE_LINE_THANKS,
};

enum StoreAmountMode : int32_t {
  STORE_BUY = 0,
  STORE_SELL = 1,
};

// The frames that the clerk's answer stays before the keys act again.
constexpr int kStorePauseFrames = 45;

// One item at the shop's price: the list price times the rate, cut toward
// zero.
int StoreUnitPrice(int listPrice, int rate);
// What the shop pays for one item: the rate of half the list price, cut
// toward zero.
int StoreSalePrice(int listPrice, int rate);
// The total the amount window shows for a sale: half the unit price, cut
// down, per item. At rate 100 it equals the payment; at other rates it may
// differ from it by a little.
int StoreShownSaleTotal(int listPrice, int rate, int amount);

// The buying amount after a change: at least 1, at most what fills the stack
// to 99, and no more than the money pays for.
int ClampBuyAmount(int amount, int owned, int money, int unitPrice);
// The selling amount after a change: at least 1 and at most the count owned.
int ClampSellAmount(int amount, int owned);

// The money after a purchase (never below 0) and after a sale (never above
// 9,999,999).
int32_t MoneyAfterPurchase(int32_t money, int unitPrice, int amount);
int32_t MoneyAfterSale(int32_t money, int salePrice, int amount);

// The title of a shop type; "不明" for a type without one.
const char* GetStoreTitle(int type);
// The clerk's line in a greeting pattern; only pattern 1 has texts, every
// other pattern reads "パターン未設定".
const char* GetStoreClerkLine(int pattern, int line);

#endif
