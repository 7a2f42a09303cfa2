// The battle's two action queues, its clock and the lock that lets one attack
// run at a time. Each queue keeps the action due first at its back.
#ifndef MOONLITCAIRN_CACTIONLIST_H
#define MOONLITCAIRN_CACTIONLIST_H

#include <stdint.h>

#include <memory>
#include <vector>

#include "BattleAction.h"

class CActionList {
 public:
  CActionList();
  virtual ~CActionList();

  // Stamps the action with the clock and queues it: enemyFlag 0 the player
  // queue, 1 the enemy queue.
  void Push(int enemyFlag, std::unique_ptr<BattleAction> action);
  void Clear();

  // The back of a queue when it is due (queued clock + delay <= clock), taken
  // out of the queue; null otherwise.
  std::unique_ptr<BattleAction> TakeDue(int enemyFlag);
  const std::vector<std::unique_ptr<BattleAction>>& GetQueue(int enemyFlag) const;

  uint32_t clock = 0;         // frames since the battle started
  int32_t someoneActing = 0;  // while 1 no action runs and no menu opens
  int32_t lockCountdown = 0;  // frames until the lock is cleared

  // One frame of the lock countdown; true on the frame it runs out, when the
  // battle clears the lock.
  bool StepLockCountdown();

 private:
  std::vector<std::unique_ptr<BattleAction>> m_queues[2];
};

// The queue order: a before b when a is due later. Equal due times keep the
// order of pushing, so the one pushed last is at the back and runs first.
bool CompareActionTime(const BattleAction& a, const BattleAction& b);

#endif
