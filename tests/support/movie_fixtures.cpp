#include "movie_fixtures.h"

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <ogg/ogg.h>
#include <theora/theoraenc.h>
#include <vorbis/vorbisenc.h>

namespace {

constexpr int kTheoraSerial = 0x5100;
constexpr int kVorbisSerial = 0x7700;
constexpr int kSoundRate = 22050;

using Pages = std::vector<MovieBytes>;

constexpr int kBlock = 16;
constexpr int kFirstBitRow = 16;
constexpr uint8_t kDarkLuma = 50;
constexpr uint8_t kLightLuma = 200;

uint8_t LumaAt(int frame, int x, int row, int width) {
  if (row < kBandRows) return 235;
  if (row < kFirstBitRow) return 128;
  const int bit = ((row - kFirstBitRow) / kBlock) * (width / kBlock) + x / kBlock;
  return (frame >> bit) & 1 ? kLightLuma : kDarkLuma;
}

void TakePages(ogg_stream_state* stream, Pages* pages, bool flush) {
  ogg_page page;
  while (flush ? ogg_stream_flush(stream, &page) : ogg_stream_pageout(stream, &page)) {
    MovieBytes bytes(page.header, page.header + page.header_len);
    bytes.insert(bytes.end(), page.body, page.body + page.body_len);
    pages->push_back(std::move(bytes));
  }
}

Pages EncodeTheoraPages(const TheoraMovieSpec& spec) {
  th_info info;
  th_info_init(&info);
  info.frame_width = spec.width;
  info.frame_height = spec.height;
  const int pictureWidth = spec.pictureWidth > 0 ? spec.pictureWidth : spec.width;
  const int pictureHeight = spec.pictureHeight > 0 ? spec.pictureHeight : spec.height;
  info.pic_x = static_cast<ogg_uint32_t>(spec.pictureLeft);
  info.pic_y = static_cast<ogg_uint32_t>(spec.pictureTop);
  info.pic_width = static_cast<ogg_uint32_t>(pictureWidth);
  info.pic_height = static_cast<ogg_uint32_t>(pictureHeight);
  info.fps_numerator = spec.fpsNumerator;
  info.fps_denominator = spec.fpsDenominator;
  info.aspect_numerator = 1;
  info.aspect_denominator = 1;
  info.pixel_fmt = TH_PF_420;
  info.quality = 63;
  info.keyframe_granule_shift = 6;
  th_enc_ctx* encoder = th_encode_alloc(&info);
  int interval = spec.keyFrameInterval;
  th_encode_ctl(encoder, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &interval, sizeof interval);
  th_comment comment;
  th_comment_init(&comment);
  ogg_stream_state stream;
  ogg_stream_init(&stream, kTheoraSerial);
  Pages pages;
  ogg_packet packet;
  bool first = true;
  while (th_encode_flushheader(encoder, &comment, &packet) > 0) {
    ogg_stream_packetin(&stream, &packet);
    // The first header alone on the stream's first page.
    if (first) TakePages(&stream, &pages, true);
    first = false;
  }
  TakePages(&stream, &pages, true);
  const int chromaWidth = spec.width / 2;
  const int chromaHeight = spec.height / 2;
  std::vector<uint8_t> y(static_cast<size_t>(spec.width) * spec.height);
  std::vector<uint8_t> chroma(static_cast<size_t>(chromaWidth) * chromaHeight, 128);
  for (int frame = 0; frame < spec.frames; ++frame) {
    for (int row = 0; row < spec.height; ++row) {
      for (int x = 0; x < spec.width; ++x) {
        const int px = x - spec.pictureLeft, prow = row - spec.pictureTop;
        const bool inside = px >= 0 && px < pictureWidth && prow >= 0 && prow < pictureHeight;
        y[static_cast<size_t>(row) * spec.width + x] =
            inside ? LumaAt(frame, px, prow, pictureWidth) : 16;
      }
    }
    th_ycbcr_buffer buffer;
    buffer[0] = {spec.width, spec.height, spec.width, y.data()};
    buffer[1] = {chromaWidth, chromaHeight, chromaWidth, chroma.data()};
    buffer[2] = buffer[1];
    th_encode_ycbcr_in(encoder, buffer);
    const int last = frame == spec.frames - 1;
    while (th_encode_packetout(encoder, last, &packet) > 0) {
      ogg_stream_packetin(&stream, &packet);
      TakePages(&stream, &pages, spec.pagePerFrame);
    }
  }
  TakePages(&stream, &pages, true);
  ogg_stream_clear(&stream);
  th_comment_clear(&comment);
  th_encode_free(encoder);
  th_info_clear(&info);
  return pages;
}

Pages EncodeVorbisPages(int milliseconds) {
  vorbis_info info;
  vorbis_info_init(&info);
  vorbis_encode_init_vbr(&info, 1, kSoundRate, 0.2f);
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, kVorbisSerial);
  Pages pages;
  ogg_packet header, commentPacket, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebooks);
  ogg_stream_packetin(&stream, &header);
  TakePages(&stream, &pages, true);
  ogg_stream_packetin(&stream, &commentPacket);
  ogg_stream_packetin(&stream, &codebooks);
  TakePages(&stream, &pages, true);
  auto drain = [&]() {
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        TakePages(&stream, &pages, false);
      }
    }
  };
  const int total = static_cast<int>(static_cast<int64_t>(kSoundRate) * milliseconds / 1000);
  for (int start = 0; start < total; start += 1024) {
    const int count = total - start < 1024 ? total - start : 1024;
    float** buffer = vorbis_analysis_buffer(&dsp, count);
    for (int i = 0; i < count; ++i) {
      buffer[0][i] = 0.3f * static_cast<float>(sin((start + i) * 2 * 3.14159265 * 440 / kSoundRate));
    }
    vorbis_analysis_wrote(&dsp, count);
    drain();
  }
  vorbis_analysis_wrote(&dsp, 0);
  drain();
  TakePages(&stream, &pages, true);
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return pages;
}

void Append(MovieBytes* out, const MovieBytes& page) { out->insert(out->end(), page.begin(), page.end()); }

}  // namespace

int ReadFrameNumber(const uint8_t* pixels, int pitch, int width, int height) {
  int number = 0;
  int bit = 0;
  for (int top = kFirstBitRow; top + kBlock <= height; top += kBlock) {
    for (int left = 0; left + kBlock <= width; left += kBlock, ++bit) {
      const uint8_t* p = pixels + (top + kBlock / 2) * pitch + (left + kBlock / 2) * 4;
      const int grey = (p[0] + p[1] + p[2]) / 3;
      if (grey > 170) {
        number |= 1 << bit;
      } else if (grey > 80) {
        return -1;
      }
    }
  }
  return number;
}

MovieBytes MakeTheoraMovie(const TheoraMovieSpec& spec) {
  const Pages video = EncodeTheoraPages(spec);
  MovieBytes out;
  if (spec.soundMilliseconds <= 0) {
    for (const MovieBytes& page : video) Append(&out, page);
    return out;
  }
  // Every stream's first page comes before any other page.
  const Pages sound = EncodeVorbisPages(spec.soundMilliseconds);
  Append(&out, video[0]);
  Append(&out, sound[0]);
  for (size_t i = 1; i < video.size(); ++i) Append(&out, video[i]);
  for (size_t i = 1; i < sound.size(); ++i) Append(&out, sound[i]);
  return out;
}

MovieBytes MakeVorbisOnlyOgg(int milliseconds) {
  MovieBytes out;
  for (const MovieBytes& page : EncodeVorbisPages(milliseconds)) Append(&out, page);
  return out;
}

bool WriteMovieFile(const std::string& path, const MovieBytes& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return fclose(file) == 0 && written;
}
