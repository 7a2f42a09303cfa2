#include "CEnemyPartyWindow.h"

#include <stdio.h>
#include <string.h>

#include <map>

#include "CEnemy.h"

namespace {

struct EnemyGroup {
  const char* name;  // of the group's first enemy in the list
  int count;
};

}  // namespace

CEnemyPartyWindow::CEnemyPartyWindow() = default;

int CEnemyPartyWindow::Init(const std::vector<std::unique_ptr<CEnemy>>& battleEnemies) {
  x = 0;
  y = 170;
  width = 130;
  height = 70;
  const int skin = CopyWindowSkin();
  enemies.clear();
  for (const std::unique_ptr<CEnemy>& enemy : battleEnemies) enemies.push_back(enemy.get());
  shownCount = 0;
  // A battle that starts with no living enemy never rebuilds the lines, so
  // those of the last battle must not stay.
  memset(lines, 0, sizeof lines);
  return skin;
}

void CEnemyPartyWindow::Update() { Refresh(); }

void CEnemyPartyWindow::Refresh() {
  std::map<int, EnemyGroup> groups;  // ascending enemy id
  int living = 0;
  for (const CEnemy* enemy : enemies) {
    if (enemy == nullptr || enemy->values.hp <= 0) continue;
    ++living;
    auto found = groups.find(enemy->values.id);
    if (found == groups.end()) {
      groups.emplace(enemy->values.id, EnemyGroup{enemy->values.name, 1});
    } else {
      ++found->second.count;
    }
  }
  if (living == shownCount) return;
  shownCount = living;
  memset(lines, 0, sizeof lines);
  // An enemy party may hold ten different enemies; the window has four lines.
  int line = 0;
  for (const auto& [id, group] : groups) {
    if (line == kMessageLines) break;
    if (group.count == 1) {
      snprintf(lines[line], sizeof lines[line], "%.32s", group.name);
    } else {
      snprintf(lines[line], sizeof lines[line], "%.32s %d", group.name, group.count);
    }
    ++line;
  }
}
