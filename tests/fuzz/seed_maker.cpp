// Writes the seeds of the archive, LZ, raw BGRA, map and framing targets into
// the corpus folders (the image seeds of the other loaders come from an
// image tool; see make_seeds.sh).
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "support/file_fixtures.h"
#include "support/movie_fixtures.h"
#include "system/archive_writer.h"
#include "system/lz_encode.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  if (f == nullptr) {
    perror(path.c_str());
    return;
  }
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

void Le32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const std::string corpus = argv[1];

  const std::vector<FixtureFile> files = {
      {"A.TXT", TextBytes(300)},
      {"DIR\\SUB\\B.BIN", RandomBytes(64, 1)},
      {"DIR\\C.TXT", BytesOf("short")},
      {"EMPTY\\", {}},
  };
  for (int version : {1, 4}) {
    for (bool compress : {false, true}) {
      ArchiveWriterOptions options;
      options.version = version;
      options.compress = compress;
      Write(corpus + "/archive_fuzz/v" + std::to_string(version) + (compress ? "_packed" : "_stored"),
            MakeArchiveImage(files, options));
    }
  }
  ArchiveWriterOptions keyed;
  keyed.keyString = "key";
  Write(corpus + "/archive_fuzz/v4_key", MakeArchiveImage(files, keyed));

  std::vector<uint8_t> block;
  const Bytes text = TextBytes(400);
  EncodeLz(text.data(), text.size(), &block);
  Write(corpus + "/lz_fuzz/text", block);
  const Bytes runs(300, 0x41);
  EncodeLz(runs.data(), runs.size(), &block);
  Write(corpus + "/lz_fuzz/runs", block);

  std::vector<uint8_t> bgra = {'B', 'G', 'R', 'A'};
  Le32(&bgra, 0x08080808);
  Le32(&bgra, 3);
  Le32(&bgra, 2);
  const Bytes pixels = RandomBytes(3 * 2 * 4, 2);
  bgra.insert(bgra.end(), pixels.begin(), pixels.end());
  Write(corpus + "/bgra_fuzz/small", bgra);

  std::vector<uint8_t> frames;
  for (const char* body : {"hello", "", "a longer message body"}) {
    Le32(&frames, static_cast<uint32_t>(std::string(body).size()));
    frames.insert(frames.end(), body, body + std::string(body).size());
  }
  Write(corpus + "/framing_fuzz/three", frames);

  // Short movies from the libraries' own encoders: Vorbis alone, Theora alone,
  // and both in one file with a picture region inside the coded frame.
  Write(corpus + "/ogg_fuzz/vorbis", MakeVorbisOnlyOgg(60));
  TheoraMovieSpec movie;
  movie.width = 32;
  movie.height = 32;
  movie.frames = 4;
  movie.keyFrameInterval = 2;
  Write(corpus + "/theora_fuzz/frames", MakeTheoraMovie(movie));
  movie.pagePerFrame = false;
  movie.soundMilliseconds = 60;
  movie.pictureLeft = 8;
  movie.pictureTop = 0;
  movie.pictureWidth = 16;
  movie.pictureHeight = 32;
  const Bytes both = MakeTheoraMovie(movie);
  Write(corpus + "/theora_fuzz/with_sound", both);
  Write(corpus + "/ogg_fuzz/with_video", both);
  return 0;
}
