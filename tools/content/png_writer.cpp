#include "png_writer.h"

#include <stdio.h>
#include <zlib.h>

namespace {

void PutBe32(std::vector<uint8_t>* out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(v >> shift));
}

void PutChunk(std::vector<uint8_t>* out, const char* type, const std::vector<uint8_t>& data) {
  PutBe32(out, uint32_t(data.size()));
  const size_t start = out->size();
  out->insert(out->end(), type, type + 4);
  out->insert(out->end(), data.begin(), data.end());
  const uLong crc = crc32(0, out->data() + start, uInt(out->size() - start));
  PutBe32(out, uint32_t(crc));
}

}  // namespace

bool WritePng(const std::string& path, const Picture& picture) {
  std::vector<uint8_t> raw;
  raw.reserve(size_t(picture.height) * (picture.width * 3 + 1));
  for (int y = 0; y < picture.height; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < picture.width; ++x) {
      const Rgb& p = picture.At(x, y);
      raw.push_back(p.r);
      raw.push_back(p.g);
      raw.push_back(p.b);
    }
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 9) != Z_OK) return false;
  packed.resize(packedSize);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBe32(&header, uint32_t(picture.width));
  PutBe32(&header, uint32_t(picture.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter, no interlace
  PutChunk(&file, "IHDR", header);
  PutChunk(&file, "IDAT", packed);
  PutChunk(&file, "IEND", {});

  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  const bool ok = fwrite(file.data(), 1, file.size(), out) == file.size();
  return fclose(out) == 0 && ok;
}
