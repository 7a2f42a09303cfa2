// What reaches the device: "play" plays a looping stream through DirectSound
// in real time while the sound server records its output; "analyse FILE"
// checks the recording (raw 16-bit stereo at 44100 Hz). Run by
// device_capture_check.sh, which starts and stops the server.
//
// The fixture: the left channel plays 440 Hz for 2 s then 880 Hz for 2 s,
// looped from 2,000 ms, so 440 Hz is heard once and 880 Hz from then on. The
// right channel is a ramp across each 2 s half, from -32768 to 32767, so
// every recorded frame tells where in its half it was played from: the ramp
// must rise sample by sample, and fall only where a half ends and the next
// (or the loop) begins at its start.
#include <windows.h>

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "Ombrel.h"
#include "sound/sound_handles.h"
#include "support/sound_fixtures.h"

namespace {

constexpr int kRate = 44100;
constexpr int kHalf = 2 * kRate;  // samples per tone
// The ramp rises by 65535 over a half: 0.74 a sample.
constexpr double kRampPerSample = 65535.0 / (kHalf - 1);
constexpr int kPlayMilliseconds = 7000;

SoundBytes MakeFixture() {
  SoundBytes pcm(static_cast<size_t>(2 * kHalf) * 4);
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < 2 * kHalf; ++i) {
    const double hz = i < kHalf ? 440 : 880;
    const int16_t left = static_cast<int16_t>(lround(9000 * sin(2 * pi * hz * i / kRate)));
    const int16_t right = static_cast<int16_t>(lround((i % kHalf) * kRampPerSample) - 32768);
    memcpy(&pcm[static_cast<size_t>(i) * 4], &left, 2);
    memcpy(&pcm[static_cast<size_t>(i) * 4 + 2], &right, 2);
  }
  return MakePcmWave(2, kRate, 16, pcm);
}

int Play() {
  SoundSystemScope sound({.processorCount = 2, .softwareBuffers = false});
  if (sound.result() != 0) {
    printf("the sound system did not start\n");
    return 1;
  }
  const SoundBytes wave = MakeFixture();
  const int handle =
      CreateSoundHandleFromMemory(wave.data(), static_cast<int>(wave.size()), 1, -1);
  if (handle == -1 || SetSoundLoopPositionMs(2000, handle) != 0 ||
      PlaySoundHandle(handle, kSoundPlayLoop, 1) != 0) {
    printf("the fixture did not play\n");
    return 1;
  }
  Sleep(kPlayMilliseconds);
  StopSoundHandle(handle);
  DeleteSoundHandle(handle, 0);
  printf("played %d ms\n", kPlayMilliseconds);
  return 0;
}

// Zero crossings of the left channel in a window give its frequency.
int WindowHz(const std::vector<int16_t>& left, size_t from, size_t count) {
  int crossings = 0;
  for (size_t i = from + 1; i < from + count; ++i) {
    if ((left[i - 1] < 0) != (left[i] < 0)) ++crossings;
  }
  return static_cast<int>(crossings * static_cast<double>(kRate) / (2.0 * count));
}

int Analyse(const char* path) {
  FILE* file = fopen(path, "rb");
  if (!file) {
    printf("no recording at %s\n", path);
    return 1;
  }
  std::vector<int16_t> left, right;
  int16_t frame[2];
  while (fread(frame, sizeof frame, 1, file) == 1) {
    left.push_back(frame[0]);
    right.push_back(frame[1]);
  }
  fclose(file);
  // The sound starts where the ramp first moves; the device's first quarter
  // second (its own start, which may replay or drop a few periods) is not
  // the library's output and is passed over.
  size_t start = 0;
  while (start < right.size() && right[start] == 0 && left[start] == 0) ++start;
  const size_t settle = kRate / 4;
  const size_t span = static_cast<size_t>(kRate) * 6;  // inside the 7 s played
  printf("recorded %zu frames, the sound starts at frame %zu\n", right.size(), start);
  if (right.size() < start + span) {
    printf("FAIL: the recording holds less than 6 s of sound\n");
    return 1;
  }
  // A run of exact silence on both channels is the device running dry on a
  // busy machine (the server plays zeros); the library's data never holds
  // one. Gaps are counted and the ramp is checked everywhere else.
  std::vector<bool> gap(right.size(), false);
  int gaps = 0;
  size_t gapFrames = 0;
  for (size_t i = start; i < start + span;) {
    size_t j = i;
    while (j < right.size() && left[j] == 0 && right[j] == 0) ++j;
    if (j - i >= 8) {
      ++gaps;
      gapFrames += j - i;
      for (size_t k = i; k < j; ++k) gap[k] = true;
    }
    i = j > i ? j : i + 1;
  }
  // Right channel: the sample of its half each frame was played from.
  // Forward jumps are the device skipping what it was too late for; a jump
  // back is stale or misplaced data, except where a half ends and playback
  // goes on from the start of a half (the change of tone and the loop seam).
  auto position = [&](size_t i) { return (right[i] + 32768) / kRampPerSample; };
  int replays = 0, skips = 0, seams = 0;
  size_t firstReplay = 0;
  for (size_t i = start + settle; i < start + span; ++i) {
    if (gap[i] || gap[i - 1]) continue;
    const double from = position(i - 1), to = position(i);
    const double step = to - from;
    if (step >= -2 && step <= 4) continue;
    if (step > 4) {
      ++skips;
    } else if (from >= kHalf - 6 && to <= 4) {
      ++seams;
    } else if (replays++ == 0) {
      firstReplay = i - start;
    }
  }
  // Left channel, in 50 ms windows: 440 Hz, then 880 Hz only.
  const size_t window = kRate / 20;
  int windows440 = 0, windows880 = 0, other = 0, backTo440 = 0;
  for (size_t at = start + window; at + window <= start + span; at += window) {
    // A window with a device gap in it has fewer crossings: it tells no tone.
    bool holdsGap = false;
    for (size_t i = at; i < at + window && !holdsGap; ++i) holdsGap = gap[i];
    if (holdsGap) continue;
    const int hz = WindowHz(left, at, window);
    if (abs(hz - 440) <= 25) {
      ++windows440;
      if (windows880 > 0) ++backTo440;
    } else if (abs(hz - 880) <= 25) {
      ++windows880;
    } else {
      ++other;
    }
  }
  printf("device gaps %d (%zu frames), device skips %d; seams %d; jumps back %d (first at "
         "frame %zu); windows: 440 Hz %d, 880 Hz %d, other %d, 440 Hz after 880 Hz %d\n",
         gaps, gapFrames, skips, seams, replays, firstReplay, windows440, windows880, other,
         backTo440);
  // 440 Hz is heard first and never again; the loop seam was crossed (the
  // change of tone is a seam too) and every seam went to a half's start.
  const bool ok = replays == 0 && seams >= 2 && windows440 >= 10 && windows440 <= 42 &&
                  windows880 >= 40 && backTo440 == 0;
  printf(ok ? "PASS\n" : "FAIL\n");
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && strcmp(argv[1], "play") == 0) return Play();
  if (argc >= 3 && strcmp(argv[1], "analyse") == 0) return Analyse(argv[2]);
  printf("usage: device_capture_probe play | analyse FILE\n");
  return 2;
}
