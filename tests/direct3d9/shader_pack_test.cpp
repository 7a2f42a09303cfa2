#include "direct3d9/shader_pack.h"

#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "system/system_state.h"

namespace {

TEST(ShaderPackTest, TheEmbeddedPackHoldsTheDefaultPair) {
  ASSERT_EQ(LoadShaderPack(), 1);
  EXPECT_EQ(LoadShaderPack(), 1);
  const std::vector<uint32_t>& vertex = DefaultVertexShaderTokens();
  const std::vector<uint32_t>& pixel = DefaultPixelShaderTokens();
  const uint8_t* vertexCode = GetPackVertexShaderCode(kDefaultVertexShaderIndex);
  const uint8_t* pixelCode = GetPackPixelShaderCode(kDefaultPixelShaderIndex);
  ASSERT_NE(vertexCode, nullptr);
  ASSERT_NE(pixelCode, nullptr);
  EXPECT_EQ(memcmp(vertexCode, vertex.data(), vertex.size() * 4), 0);
  EXPECT_EQ(memcmp(pixelCode, pixel.data(), pixel.size() * 4), 0);
  EXPECT_EQ(GetPackVertexShaderCode(0), nullptr);
  EXPECT_EQ(GetPackPixelShaderCode(kPackPixelShaderCount), nullptr);
  FreeShaderPack();
  EXPECT_EQ(GetPackVertexShaderCode(kDefaultVertexShaderIndex), nullptr);
}

TEST(ShaderPackTest, FreeingThePackGivesEveryBlockBack) {
  const int before = GetSystemState().memory.blockCount;
  ASSERT_EQ(LoadShaderPack(), 1);
  EXPECT_GT(GetSystemState().memory.blockCount, before);
  FreeShaderPack();
  EXPECT_EQ(GetSystemState().memory.blockCount, before);
}

TEST(ShaderPackTest, TheEmbeddedBlockIsTheGeneratorsOutput) {
  // tools/shaderpack writes the block; a change of the shader tokens must be
  // followed by running it again.
  std::vector<uint8_t> block;
  ASSERT_EQ(BuildShaderArchiveBlock(&block), 0);
  ASSERT_EQ(block.size(), kShaderArchiveBlockSize);
  EXPECT_EQ(memcmp(block.data(), kShaderArchiveBlock, block.size()), 0);
}

std::vector<uint8_t> PackWithSizes(std::initializer_list<std::pair<int, int>> sizes, size_t code) {
  std::vector<uint8_t> pack(kPackCodeOffset + code);
  for (auto [entry, bytes] : sizes) {
    pack[entry * 2] = static_cast<uint8_t>(bytes);
    pack[entry * 2 + 1] = static_cast<uint8_t>(bytes >> 8);
  }
  for (size_t i = 0; i < code; ++i) pack[kPackCodeOffset + i] = static_cast<uint8_t>(i);
  return pack;
}

TEST(ShaderPackTest, IndexingSkipsEmptyEntriesAndFollowsIndexOrder) {
  std::vector<const uint8_t*> vertex(kPackVertexShaderCount), pixel(kPackPixelShaderCount);
  std::vector<uint8_t> pack =
      PackWithSizes({{3, 8}, {10, 4}, {kPackVertexShaderCount + 1, 12}}, 24);
  ASSERT_EQ(IndexShaderPack(pack.data(), pack.size(), vertex.data(), pixel.data()), 0);
  const uint8_t* code = pack.data() + kPackCodeOffset;
  EXPECT_EQ(vertex[3], code);
  EXPECT_EQ(vertex[4], nullptr);
  EXPECT_EQ(vertex[10], code + 8);
  EXPECT_EQ(pixel[0], nullptr);
  EXPECT_EQ(pixel[1], code + 12);
}

TEST(ShaderPackTest, IndexingRefusesSizesPastTheEnd) {
  std::vector<const uint8_t*> vertex(kPackVertexShaderCount), pixel(kPackPixelShaderCount);
  std::vector<uint8_t> pack = PackWithSizes({{3, 8}, {kPackVertexShaderCount + 5, 17}}, 24);
  EXPECT_EQ(IndexShaderPack(pack.data(), pack.size(), vertex.data(), pixel.data()), -1);
  EXPECT_EQ(IndexShaderPack(pack.data(), kPackCodeOffset - 1, vertex.data(), pixel.data()), -1);
}

}  // namespace
