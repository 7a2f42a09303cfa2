#include "CActionList.h"

#include <algorithm>

namespace {

uint32_t DueClock(const BattleAction& action) {
  return action.queuedClock + static_cast<uint32_t>(action.delay);
}

}  // namespace

bool CompareActionTime(const BattleAction& a, const BattleAction& b) {
  return DueClock(b) < DueClock(a);
}

CActionList::CActionList() = default;
CActionList::~CActionList() = default;

void CActionList::Push(int enemyFlag, std::unique_ptr<BattleAction> action) {
  action->queuedClock = clock;
  m_queues[enemyFlag != 0 ? 1 : 0].push_back(std::move(action));
  for (std::vector<std::unique_ptr<BattleAction>>& queue : m_queues) {
    std::stable_sort(queue.begin(), queue.end(),
                     [](const std::unique_ptr<BattleAction>& a,
                        const std::unique_ptr<BattleAction>& b) {
                       return CompareActionTime(*a, *b);
                     });
  }
}

void CActionList::Clear() {
  for (std::vector<std::unique_ptr<BattleAction>>& queue : m_queues) queue.clear();
}

std::unique_ptr<BattleAction> CActionList::TakeDue(int enemyFlag) {
  std::vector<std::unique_ptr<BattleAction>>& queue = m_queues[enemyFlag != 0 ? 1 : 0];
  if (queue.empty() || DueClock(*queue.back()) > clock) return nullptr;
  std::unique_ptr<BattleAction> action = std::move(queue.back());
  queue.pop_back();
  return action;
}

const std::vector<std::unique_ptr<BattleAction>>& CActionList::GetQueue(int enemyFlag) const {
  return m_queues[enemyFlag != 0 ? 1 : 0];
}

bool CActionList::StepLockCountdown() {
  if (lockCountdown == 0) return false;
  return --lockCountdown == 0;
}
