#include "support/sound_fixtures.h"

#include <windows.h>

#include <math.h>
#include <string.h>

#include <fstream>
#include <iterator>

#include <vorbis/vorbisenc.h>

#include "sound/sound_services.h"
#include "support/file_fixtures.h"
#include "sound/sound_state.h"
#include "system/system_state.h"

namespace {

void Put32(SoundBytes& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void PutChunk(SoundBytes& out, const std::string& id, const SoundBytes& data) {
  out.insert(out.end(), id.begin(), id.end());
  Put32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() & 1) out.push_back(0);
}

const int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kImaIndexStep[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

int Clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// One IMA ADPCM nibble for the sample, advancing the predictor as a decoder would.
int EncodeImaNibble(int sample, int* predictor, int* index) {
  const int step = kImaSteps[*index];
  int diff = sample - *predictor;
  int nibble = 0;
  if (diff < 0) {
    nibble = 8;
    diff = -diff;
  }
  int delta = step >> 3;
  if (diff >= step) {
    nibble |= 4;
    diff -= step;
    delta += step;
  }
  if (diff >= step >> 1) {
    nibble |= 2;
    diff -= step >> 1;
    delta += step >> 1;
  }
  if (diff >= step >> 2) {
    nibble |= 1;
    delta += step >> 2;
  }
  *predictor = Clamp(*predictor + ((nibble & 8) ? -delta : delta), -32768, 32767);
  *index = Clamp(*index + kImaIndexStep[nibble], 0, 88);
  return nibble;
}

int16_t SampleAt(const SoundBytes& samples, size_t i) {
  int16_t value = 0;
  if (2 * i + 1 < samples.size()) memcpy(&value, &samples[2 * i], 2);
  return value;
}

}  // namespace

SoundBytes MakeWaveImage(const WaveFormat& format, const SoundBytes& data, int formatBytes,
                         const std::vector<WaveChunk>& before,
                         const std::vector<WaveChunk>& between) {
  SoundBytes body;
  body.insert(body.end(), {'W', 'A', 'V', 'E'});
  for (const WaveChunk& chunk : before) PutChunk(body, chunk.id, chunk.data);
  SoundBytes formatRecord(reinterpret_cast<const uint8_t*>(&format),
                          reinterpret_cast<const uint8_t*>(&format) + sizeof format);
  formatRecord.resize(static_cast<size_t>(formatBytes), 0);
  PutChunk(body, "fmt ", formatRecord);
  for (const WaveChunk& chunk : between) PutChunk(body, chunk.id, chunk.data);
  PutChunk(body, "data", data);
  SoundBytes out = {'R', 'I', 'F', 'F'};
  Put32(out, static_cast<uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

SoundBytes MakePcmWave(int channels, int rate, int bits, const SoundBytes& pcm) {
  return MakeWaveImage(MakePcmWaveFormat(channels, rate, bits), pcm);
}

SoundBytes ToneSamples16(int rate, int channels, int frames, double hz, double amplitude) {
  SoundBytes out;
  out.reserve(static_cast<size_t>(frames) * channels * 2);
  for (int frame = 0; frame < frames; ++frame) {
    const auto value = static_cast<int16_t>(
        lround(amplitude * sin(2 * 3.14159265358979323846 * hz * frame / rate)));
    for (int channel = 0; channel < channels; ++channel) {
      out.push_back(static_cast<uint8_t>(value));
      out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
    }
  }
  return out;
}

SoundBytes PatternBytes(int size, uint32_t seed) {
  SoundBytes out(static_cast<size_t>(size));
  uint32_t state = seed * 2654435761u + 1;
  for (uint8_t& byte : out) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return out;
}

SoundBytes EncodeImaAdpcmWave(const SoundBytes& monoSamples16, int rate, int blockAlign) {
  const int samplesPerBlock = ImaSamplesPerBlock(blockAlign);
  const size_t frames = monoSamples16.size() / 2;
  SoundBytes data;
  int index = 0;
  for (size_t start = 0; start < frames; start += static_cast<size_t>(samplesPerBlock)) {
    int predictor = SampleAt(monoSamples16, start);
    data.push_back(static_cast<uint8_t>(predictor));
    data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(predictor) >> 8));
    data.push_back(static_cast<uint8_t>(index));
    data.push_back(0);
    for (int i = 1; i < samplesPerBlock; i += 2) {
      const int low = EncodeImaNibble(SampleAt(monoSamples16, start + i), &predictor, &index);
      const int high = EncodeImaNibble(SampleAt(monoSamples16, start + i + 1), &predictor, &index);
      data.push_back(static_cast<uint8_t>(low | high << 4));
    }
  }
  WaveFormat format = {};
  format.formatTag = kWaveFormatImaAdpcm;
  format.channels = 1;
  format.samplesPerSec = static_cast<uint32_t>(rate);
  format.avgBytesPerSec = static_cast<uint32_t>(rate * blockAlign / samplesPerBlock);
  format.blockAlign = static_cast<uint16_t>(blockAlign);
  format.bitsPerSample = 4;
  format.extraSize = 2;
  SoundBytes image = MakeWaveImage(format, data, 20);
  // The two extra bytes of the format record: samples per block.
  const size_t extraAt = 12 + 8 + 18;
  image[extraAt] = static_cast<uint8_t>(samplesPerBlock);
  image[extraAt + 1] = static_cast<uint8_t>(samplesPerBlock >> 8);
  return image;
}

SoundBytes EncodeOggVorbis(const SoundBytes& samples16, int rate, int channels) {
  vorbis_info info;
  vorbis_info_init(&info);
  vorbis_encode_init_vbr(&info, channels, rate, 0.4f);
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 1);
  SoundBytes out;
  ogg_page page;
  auto putPage = [&out](const ogg_page& p) {
    out.insert(out.end(), p.header, p.header + p.header_len);
    out.insert(out.end(), p.body, p.body + p.body_len);
  };
  ogg_packet header, commentPacket, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentPacket);
  ogg_stream_packetin(&stream, &codebooks);
  while (ogg_stream_flush(&stream, &page)) putPage(page);
  const int frames = static_cast<int>(samples16.size() / 2 / channels);
  constexpr int kChunk = 1024;
  auto drain = [&]() {
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page)) putPage(page);
      }
    }
  };
  for (int start = 0; start < frames; start += kChunk) {
    const int count = frames - start < kChunk ? frames - start : kChunk;
    float** buffer = vorbis_analysis_buffer(&dsp, count);
    for (int i = 0; i < count; ++i) {
      for (int c = 0; c < channels; ++c) {
        buffer[c][i] =
            SampleAt(samples16, static_cast<size_t>(start + i) * channels + c) / 32768.0f;
      }
    }
    vorbis_analysis_wrote(&dsp, count);
    drain();
  }
  vorbis_analysis_wrote(&dsp, 0);
  drain();
  while (ogg_stream_flush(&stream, &page)) putPage(page);
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return out;
}

SoundBytes ReadMp3Fixture(const std::string& testSourceDir) {
  std::ifstream in(HostPathToWindows(testSourceDir + "/sound/fixtures/tone.mp3"), std::ios::binary);
  return SoundBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

MemoryTotals CurrentMemoryTotals() {
  const TrackedMemoryState& memory = GetSystemState().memory;
  return {memory.blockCount, memory.totalSize};
}

void BindComForSound() {
  BindSystemDlls();
  const auto coInitialize = GetSystemState().dlls.ole32.CoInitialize;
  if (coInitialize) coInitialize(nullptr);
}

SoundSystemScope::SoundSystemScope(const SoundSystemOptions& options) {
  // As at start-up: an earlier library session's end request is forgotten.
  ClearSystemStateForStartup();
  BindComForSound();
  SystemInfo& info = GetSystemState().info;
  savedProcessorCount_ = info.processorCount;
  info.processorCount = options.processorCount;
  result_ = InitializeSoundSystem();
  GetSoundSystemState().softwareMixing = options.softwareBuffers ? 1 : 0;
}

SoundSystemScope::~SoundSystemScope() {
  TerminateSoundSystem();
  GetSoundSystemState().softwareMixing = 0;
  GetSystemState().info.processorCount = savedProcessorCount_;
}
