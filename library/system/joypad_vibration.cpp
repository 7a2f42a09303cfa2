#include "system/joypad_vibration.h"

int AdvanceJoypadVibration(JoypadVibration* vibration, int now) {
  if (!vibration->playing || vibration->duration < 0) return 0;
  if (now != vibration->lastTime) {
    if (now < vibration->lastTime) vibration->lastTime = now;
    vibration->elapsed += now - vibration->lastTime;
    vibration->lastTime = now;
  }
  return vibration->elapsed >= vibration->duration ? 1 : 0;
}

JoypadEffectPlan PlanJoypadEffects(const JoypadVibration& vibration, int appActive) {
  if (!appActive) return JoypadEffectPlan{0, 0};
  const int playing = vibration.playing == 1 ? 1 : 0;
  return JoypadEffectPlan{playing, playing && vibration.power > kVibrationStrongPower ? 1 : 0};
}

void StopVibration(JoypadVibration* vibration) {
  vibration->playing = 0;
  vibration->power = kVibrationFullPower;
}
