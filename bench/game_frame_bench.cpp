// CPU time of one game frame without its present: the update and the drawing
// of the field with its rate text (a fade running over it), and a frame of
// the battle mosaic, each beside a plain clear of the 320 x 240 back screen
// measured in the same run.
#include <windows.h>

#include <stdio.h>

#include "CFrameRate.h"
#include "CGame.h"
#include "GameEntry.h"
#include "GameSettings.h"
#include "Ombrel.h"

namespace {

double ThreadCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return (static_cast<uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

// CPU microseconds per call of fn, best of three runs of at least 0.3 s.
template <class F>
double CpuMicrosecondsPerCall(F fn) {
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    long calls = 0;
    const double start = ThreadCpuSeconds();
    double elapsed = 0;
    do {
      for (int i = 0; i < 16; ++i) fn();
      calls += 16;
      elapsed = ThreadCpuSeconds() - start;
    } while (elapsed < 0.3);
    if (elapsed / calls < best) best = elapsed / calls;
  }
  return best * 1e6;
}

}  // namespace

int main() {
  EnableLogOutput(0);
  SetRunWhileInactive(1);
  EnableHardwareRender(0);
  ChangeWindowMode(1);
  SetWindowScale(1.0, -1.0);
  SetScreenMode(320, 240, 32, 60);
  SetMainWindowTitle("game_frame_bench");
  if (InitLibrary() != 0) return 1;
  SelectDrawTarget(-2);
  SetDefaultFontSize(11);
  SetDefaultFontThickness(1);
  SetDefaultFontSpacing(-1);
  SetDefaultFontFace("ＭＳ ゴシック", -1);
  SetGameDataFolder(std::string("Z:") + SOURCE_DIR + "\\data");

  CGame game;
  game.Init();
  CFrameRate frameRate;
  frameRate.Init(10000.0f);

  const double clear = CpuMicrosecondsPerCall([] { ClearDrawTarget(nullptr); });
  const double field = CpuMicrosecondsPerCall([&] {
    if (!game.effect.IsRunning()) game.effect.StartFadeIn(0, 0, 0, 60);
    StepGameFrame(game);
    frameRate.Update();
  });
  const double mosaic = CpuMicrosecondsPerCall([&] {
    if (game.effect.counter < 6) game.StartEncount(1);
    StepGameFrame(game);
    frameRate.Update();
  });
  printf("%-40s %9.1f us/frame\n", "screen clear 320 x 240 (baseline)", clear);
  printf("%-40s %9.1f us/frame  %6.1f x clear\n", "field frame, fade and rate text", field,
         field / clear);
  printf("%-40s %9.1f us/frame  %6.1f x clear\n", "battle mosaic frame and rate text", mosaic,
         mosaic / clear);
  game.Term();
  EndLibrary();
  return 0;
}
