#include <string.h>

#include "direct3d9/shader_pack.h"
#include "system/archive_writer.h"
#include "system/lz_encode.h"

// The default pair as Direct3D 9 shader tokens. The vertex shader takes the
// model layout (position, diffuse, one texture pair), transforms by the view
// (c6-c9) and projection (c2-c5) constants and passes colour and coordinates
// on; the pixel shader modulates the stage-0 texture by the diffuse colour.
namespace {

constexpr uint32_t kDcl = 0x1F, kMov = 0x01, kMul = 0x05, kDp4 = 0x09, kTexld = 0x42;
constexpr uint32_t kEnd = 0x0000FFFF;

constexpr uint32_t Instruction(uint32_t opcode, uint32_t length) { return opcode | length << 24; }

// Register tokens: type in bits 28-30 and 11-12, number in bits 0-10.
constexpr uint32_t Register(uint32_t type, uint32_t number) {
  return 0x80000000u | (type & 7) << 28 | (type >> 3) << 11 | number;
}
constexpr uint32_t Dest(uint32_t type, uint32_t number, uint32_t mask = 0xF) {
  return Register(type, number) | mask << 16;
}
constexpr uint32_t Source(uint32_t type, uint32_t number) {
  return Register(type, number) | 0xE4u << 16;  // .xyzw
}

enum : uint32_t {
  kTemp = 0, kInput = 1, kConst = 2, kTexture = 3, kRastOut = 4, kAttrOut = 5, kTexCrdOut = 6,
  kColorOut = 8, kSampler = 10,
};

constexpr uint32_t kUsagePosition = 0, kUsageTexcoord = 5, kUsageColor = 10;

std::vector<uint32_t> MakeVertexShader() {
  std::vector<uint32_t> t = {0xFFFE0200};
  auto declare = [&](uint32_t usage, uint32_t input) {
    t.insert(t.end(), {Instruction(kDcl, 2), 0x80000000u | usage, Dest(kInput, input)});
  };
  declare(kUsagePosition, 0);
  declare(kUsageColor, 1);
  declare(kUsageTexcoord, 2);
  for (uint32_t i = 0; i < 4; ++i)
    t.insert(t.end(), {Instruction(kDp4, 3), Dest(kTemp, 0, 1u << i), Source(kInput, 0),
                       Source(kConst, 6 + i)});
  for (uint32_t i = 0; i < 4; ++i)
    t.insert(t.end(), {Instruction(kDp4, 3), Dest(kRastOut, 0, 1u << i), Source(kTemp, 0),
                       Source(kConst, 2 + i)});
  t.insert(t.end(), {Instruction(kMov, 2), Dest(kAttrOut, 0), Source(kInput, 1)});
  t.insert(t.end(), {Instruction(kMov, 2), Dest(kTexCrdOut, 0), Source(kInput, 2)});
  t.push_back(kEnd);
  return t;
}

std::vector<uint32_t> MakePixelShader() {
  std::vector<uint32_t> t = {0xFFFF0200};
  t.insert(t.end(), {Instruction(kDcl, 2), 0x80000000u, Dest(kTexture, 0)});
  t.insert(t.end(), {Instruction(kDcl, 2), 0x80000000u, Dest(kInput, 0)});
  t.insert(t.end(), {Instruction(kDcl, 2), 0x90000000u, Dest(kSampler, 0)});  // 2D sampler
  t.insert(t.end(), {Instruction(kTexld, 3), Dest(kTemp, 0), Source(kTexture, 0),
                     Source(kSampler, 0)});
  t.insert(t.end(), {Instruction(kMul, 3), Dest(kTemp, 0), Source(kTemp, 0), Source(kInput, 0)});
  t.insert(t.end(), {Instruction(kMov, 2), Dest(kColorOut, 0), Source(kTemp, 0)});
  t.push_back(kEnd);
  return t;
}

void PutSize(std::vector<uint8_t>& pack, size_t entry, size_t bytes) {
  pack[entry * 2] = static_cast<uint8_t>(bytes);
  pack[entry * 2 + 1] = static_cast<uint8_t>(bytes >> 8);
}

}  // namespace

const std::vector<uint32_t>& DefaultVertexShaderTokens() {
  static const std::vector<uint32_t> tokens = MakeVertexShader();
  return tokens;
}

const std::vector<uint32_t>& DefaultPixelShaderTokens() {
  static const std::vector<uint32_t> tokens = MakePixelShader();
  return tokens;
}

std::vector<uint8_t> BuildShaderPackFile() {
  const std::vector<uint32_t>& vertex = DefaultVertexShaderTokens();
  const std::vector<uint32_t>& pixel = DefaultPixelShaderTokens();
  size_t vertexBytes = vertex.size() * 4, pixelBytes = pixel.size() * 4;
  std::vector<uint8_t> pack(kPackCodeOffset + vertexBytes + pixelBytes);
  PutSize(pack, kDefaultVertexShaderIndex, vertexBytes);
  PutSize(pack, kPackVertexShaderCount + kDefaultPixelShaderIndex, pixelBytes);
  memcpy(pack.data() + kPackCodeOffset, vertex.data(), vertexBytes);
  memcpy(pack.data() + kPackCodeOffset + vertexBytes, pixel.data(), pixelBytes);
  return pack;
}

int BuildShaderArchiveBlock(std::vector<uint8_t>* block) {
  ArchiveWriterItem root;
  root.isFolder = true;
  ArchiveWriterItem file;
  file.name = kShaderPackFileName;
  file.data = BuildShaderPackFile();
  root.children.push_back(file);
  std::vector<uint8_t> image;
  std::string error;
  if (BuildArchiveImage(root, ArchiveWriterOptions{}, &image, &error) != 0) return -1;
  return EncodeLz(image.data(), image.size(), block);
}
