// Times one refill pass of a looping stream sound (an eighth of a second of
// 44100 Hz 16-bit stereo written into the ring) against a memcpy of the same
// bytes in the same run. The ring is a software buffer whose cursor the
// benchmark moves, so the device's own pace does not enter the figure.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "Ombrel.h"
#include "bench_timing.h"
#include "sound/sound_handles.h"
#include "sound/sound_services.h"
#include "sound/sound_state.h"
#include "sound/stream_sound.h"
#include "system/bound_dlls.h"
#include "system/system_state.h"

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 4;
constexpr int kSeconds = 20;

std::vector<uint8_t> WaveImage() {
  const uint32_t dataBytes = kRate * kBlock * kSeconds;
  std::vector<uint8_t> image(44 + dataBytes);
  auto put32 = [&image](size_t at, uint32_t value) { std::memcpy(&image[at], &value, 4); };
  auto put16 = [&image](size_t at, uint16_t value) { std::memcpy(&image[at], &value, 2); };
  std::memcpy(&image[0], "RIFF", 4);
  put32(4, 36 + dataBytes);
  std::memcpy(&image[8], "WAVEfmt ", 8);
  put32(16, 16);
  put16(20, 1);
  put16(22, 2);
  put32(24, kRate);
  put32(28, kRate * kBlock);
  put16(32, kBlock);
  put16(34, 16);
  std::memcpy(&image[36], "data", 4);
  put32(40, dataBytes);
  for (uint32_t i = 0; i < dataBytes; ++i) image[44 + i] = static_cast<uint8_t>(i * 7);
  return image;
}

// One pass: the cursor moves on by an eighth of a second, then the refill.
// Passes that found no refill due; any would make the figure meaningless.
long notDue = 0;

double RefillsPerSecond(int handle) {
  return CallsPerSecond([handle] {
    SoundOutputBuffer* ring = GetCurrentSoundBuffer(GetSoundRecord(handle));
    ring->positionSamples = (ring->positionSamples + kRate / 8) % ring->lengthSamples;
    if (ProcessStreamSound(handle) != 0) ++notDue;
  });
}

}  // namespace

int main() {
  BindSystemDlls();
  if (GetSystemState().dlls.ole32.CoInitialize) GetSystemState().dlls.ole32.CoInitialize(nullptr);
  GetSystemState().info.processorCount = 1;
  if (InitializeSoundSystem() != 0) {
    std::printf("sound could not be started\n");
    return 1;
  }
  GetSoundSystemState().softwareMixing = 1;
  const std::vector<uint8_t> image = WaveImage();
  const int eighth = kRate * kBlock / 8 / kBlock * kBlock;
  std::vector<uint8_t> from(eighth, 1), to(eighth);
  const double copies = CallsPerSecond([&] { std::memcpy(to.data(), from.data(), to.size()); });

  struct Road {
    const char* name;
    int createType;
    bool loopPoint;
  };
  const Road roads[] = {{"stream from the file image", 2, false},
                        {"decoded, looping from a loop point", 0, true}};
  std::printf("%-40s %12s %10s %8s\n", "refill of 1/8 s", "passes/s", "vs memcpy", "not due");
  for (const Road& road : roads) {
    SetSoundCreateType(road.createType);
    const int handle =
        CreateSoundHandleFromMemory(image.data(), static_cast<int>(image.size()), 1, -1);
    SetSoundCreateType(0);
    if (road.loopPoint) SetSoundLoopPositionSamples(kRate, handle);
    PlaySoundHandle(handle, kSoundPlayLoop, 1);
    const double passes = RefillsPerSecond(handle);
    std::printf("%-40s %12.0f %9.2fx %8ld\n", road.name, passes, copies / passes, notDue);
    DeleteSoundHandle(handle, 0);
  }
  TerminateSoundSystem();
  return 0;
}
