#include "system/api_guard.h"

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

ApiGuard& Guard() { return GetApiGuard(); }

int Waiters() {
  EnterCriticalSection(&Guard().section);
  const int count = Guard().count;
  LeaveCriticalSection(&Guard().section);
  return count;
}

void WaitForWaiters(int count) {
  for (int i = 0; i < 5000 && Waiters() < count; ++i) Sleep(1);
  ASSERT_EQ(Waiters(), count);
}

// Each thread notes its name while it owns the guard; the notes are written
// only by the owner, so the guard itself protects them.
struct Order {
  std::vector<std::string> names;
  void Take(const std::string& name, int holdMs = 0) {
    AcquireApiGuard();
    names.push_back(name);
    if (holdMs) Sleep(holdMs);
    ReleaseApiGuard();
  }
};

TEST(ApiGuardTest, OwnerMayAcquireAgainAndTheGuardIsFreeAfterEveryRelease) {
  AcquireApiGuard();
  AcquireApiGuard();
  EXPECT_EQ(Guard().nesting, 2);
  EXPECT_EQ(Guard().owner, GetCurrentThreadId());
  ReleaseApiGuard();
  EXPECT_EQ(Guard().busy, 1);
  ReleaseApiGuard();
  EXPECT_EQ(Guard().busy, 0);
  EXPECT_EQ(Guard().nesting, 0);
  EXPECT_EQ(Guard().owner, static_cast<DWORD>(-1));
}

TEST(ApiGuardTest, WaitersGetTheGuardInTheOrderTheyArrived) {
  Order order;
  AcquireApiGuard();
  std::vector<std::thread> threads;
  const char* names[] = {"T2", "T3", "T4", "T5"};
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&order, name = names[i]] { order.Take(name, 5); });
    WaitForWaiters(i + 1);
  }
  ReleaseApiGuard();
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(order.names, (std::vector<std::string>{"T2", "T3", "T4", "T5"}));
  EXPECT_EQ(Guard().count, 0);
}

TEST(ApiGuardTest, OwnerThatReleasesAndReacquiresQueuesBehindTheWaiter) {
  Order order;
  AcquireApiGuard();
  std::thread waiter([&order] { order.Take("waiter", 30); });
  WaitForWaiters(1);
  ReleaseApiGuard();
  order.Take("main");
  waiter.join();
  EXPECT_EQ(order.names, (std::vector<std::string>{"waiter", "main"}));
}

TEST(ApiGuardTest, OwnerNestedInsideKeepsTheGuardFromWaiters) {
  Order order;
  AcquireApiGuard();
  std::thread waiter([&order] { order.Take("waiter"); });
  WaitForWaiters(1);
  order.Take("nested");  // the owner passes while the waiter still waits
  EXPECT_EQ(Waiters(), 1);
  ReleaseApiGuard();
  waiter.join();
  EXPECT_EQ(order.names, (std::vector<std::string>{"nested", "waiter"}));
}

TEST(ApiGuardTest, TeardownClosesTheEventsAndTheNextAcquireMakesThemAgain) {
  AcquireApiGuard();
  ReleaseApiGuard();
  TeardownApiGuard();
  EXPECT_EQ(Guard().eventsMade, 0);
  for (const ApiGuardWaiter& waiter : Guard().queue) ASSERT_EQ(waiter.event, nullptr);

  AcquireApiGuard();
  EXPECT_EQ(Guard().eventsMade, 2);
  for (const ApiGuardWaiter& waiter : Guard().queue) {
    ASSERT_NE(waiter.event, nullptr);
    ASSERT_EQ(WaitForSingleObject(waiter.event, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  }
  ReleaseApiGuard();

  // The rebuilt guard still hands over between threads.
  Order order;
  AcquireApiGuard();
  std::thread waiter([&order] { order.Take("after rebuild"); });
  WaitForWaiters(1);
  ReleaseApiGuard();
  waiter.join();
  EXPECT_EQ(order.names, (std::vector<std::string>{"after rebuild"}));
}

TEST(ApiGuardTest, ManyThreadsNeverOwnItTogether) {
  volatile LONG inside = 0;
  volatile LONG overlaps = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 200; ++i) {
        AcquireApiGuard();
        AcquireApiGuard();
        if (InterlockedIncrement(&inside) != 1) InterlockedIncrement(&overlaps);
        InterlockedDecrement(&inside);
        ReleaseApiGuard();
        ReleaseApiGuard();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(Guard().busy, 0);
  EXPECT_EQ(Guard().count, 0);
}

}  // namespace
