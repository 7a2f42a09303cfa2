// A joypad's vibration: its timing over the message passes and which of the
// pad's two force-feedback effects it should run.
#ifndef OMBREL_SYSTEM_JOYPAD_VIBRATION_H
#define OMBREL_SYSTEM_JOYPAD_VIBRATION_H

constexpr int kVibrationFullPower = 10000;
// Above this power the sine effect runs beside the constant force.
constexpr int kVibrationStrongPower = 5000;

struct JoypadVibration {
  int playing;   // 1 while the pad should vibrate
  int power;     // 0 to 10,000
  int duration;  // milliseconds; negative runs until stopped
  int elapsed;   // milliseconds counted so far
  int lastTime;  // the clock at the last count
  int constantStarted;
  int sineStarted;
};

// Counts the time since the last call into the elapsed time (a clock that
// went back counts nothing) and returns 1 when a timed vibration has run its
// duration, else 0. Nothing is counted for a pad that is not playing or
// runs until stopped.
int AdvanceJoypadVibration(JoypadVibration* vibration, int now);

// Which effects should run: none while the application is inactive, the
// constant force while playing, the sine too while playing strongly.
struct JoypadEffectPlan {
  int constantForce;
  int sine;
};
JoypadEffectPlan PlanJoypadEffects(const JoypadVibration& vibration, int appActive);

// The state after a stop: not playing, full power.
void StopVibration(JoypadVibration* vibration);

#endif
