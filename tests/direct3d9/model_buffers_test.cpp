#include "direct3d9/model_buffers.h"

#include <string.h>

#include <vector>

#include <gtest/gtest.h>

#include "direct3d9/direct3d_state.h"
#include "direct3d9/model_system.h"

namespace {

// A base with parts over one mesh, built by the test.
struct BaseFixture {
  ModelFrame frame{};
  ModelMesh mesh{};
  std::vector<ModelMeshPart> parts;
  ModelBaseRecord base{};
  float normals[2][9] = {{0, 0, 1, 1, 0, 0, 0, 1, 0}, {0, 1, 0, 0, 0, 1, 1, 0, 0}};
  std::vector<uint8_t> vertices;

  explicit BaseFixture(int textureSets = 1, int normalLayout = 0) {
    frame.normals = normals;
    mesh.frame = &frame;
    mesh.normalLayout = normalLayout;
    mesh.textureSets = textureSets;
    mesh.vertexStride = 12 + 8 * textureSets;
    vertices.resize(2 * mesh.vertexStride);
    for (int v = 0; v < 2; ++v) {
      uint8_t* p = vertices.data() + v * mesh.vertexStride;
      int32_t normal = v;
      uint32_t diffuse = 0xFF000000u | v, specular = 0x11223344;
      memcpy(p, &normal, 4);
      memcpy(p + 4, &diffuse, 4);
      memcpy(p + 8, &specular, 4);
      for (int j = 0; j < textureSets; ++j) {
        float uv[2] = {0.25f * (j + 1), 0.5f + v};
        memcpy(p + 12 + 8 * j, uv, 8);
      }
    }
    mesh.vertices = vertices.data();
  }
  ModelMeshPart& AddPart(int skinType, int vertexCount, int indexCount) {
    ModelMeshPart part{};
    part.mesh = &mesh;
    part.skinType = static_cast<uint16_t>(skinType);
    part.vertexCount = vertexCount;
    part.firstIndexCount = static_cast<uint16_t>(indexCount);
    parts.push_back(part);
    base.parts = parts.data();
    base.partCount = static_cast<int>(parts.size());
    return parts.back();
  }
  ~BaseFixture() {
    FreeModelBufferGroups(&base, [](IUnknown*) {});
  }
};

TEST(ModelBuffersTest, LayoutsHaveTheirStridesAndFormats) {
  EXPECT_EQ(ModelLayoutKey(3, 1, 2), 3 + 9 * 5);
  EXPECT_EQ(ModelVertexStride(0, 0, 2), 96);
  EXPECT_EQ(ModelVertexStride(2, 1, 0), 96);
  EXPECT_EQ(ModelVertexStride(1, 0, 1), 68);
  EXPECT_EQ(ModelVertexFvf(0, 0, 0), 0xD2u);
  EXPECT_EQ(ModelVertexFvf(0, 0, 2), 0xD2u | 0x200u | 2u << 16 | 2u << 18);
  EXPECT_EQ(ModelVertexFvf(1, 0, 2), 0u);
}

TEST(ModelBuffersTest, APartReachingTheVertexLimitStartsANewGroup) {
  BaseFixture f;
  f.AddPart(0, 200000, 3);
  f.AddPart(0, 193216, 3);  // would make 393,216 vertices
  f.AddPart(0, 10, 3);
  f.AddPart(1, 10, 3);
  ASSERT_EQ(GroupModelMeshParts(&f.base), 0);
  int key = ModelLayoutKey(1, 0, 0);
  EXPECT_EQ(f.base.groupCounts[key], 2);
  EXPECT_EQ(f.base.groupTotal, 3);
  EXPECT_NE(f.parts[0].group, f.parts[1].group);
  EXPECT_EQ(f.parts[1].group, f.parts[2].group);
  EXPECT_EQ(f.parts[2].startVertex, 193216);
  EXPECT_EQ(f.parts[2].startIndex, 3);
  EXPECT_EQ(f.parts[0].group->vertexCount, 200000);
}

TEST(ModelBuffersTest, ATrailingGroupWithoutIndicesIsDropped) {
  BaseFixture f;
  f.AddPart(0, 4, 0);
  f.AddPart(5, 4, 6);  // not a skin type: left out
  ASSERT_EQ(GroupModelMeshParts(&f.base), 0);
  EXPECT_EQ(f.base.groupTotal, 0);
  EXPECT_EQ(f.parts[0].group, nullptr);
  EXPECT_EQ(f.parts[1].group, nullptr);
  EXPECT_EQ(f.base.firstGroups[ModelLayoutKey(1, 0, 0)], nullptr);
}

TEST(ModelBuffersTest, SkinnedVerticesCarryTripledIndicesAndTheirWeights) {
  BaseFixture f(1, 1);
  ModelMeshPart& part = f.AddPart(1, 1, 3);
  int32_t vertexIndex = 1;
  part.vertexIndices = &vertexIndex;
  alignas(16) uint8_t skin[32] = {};
  const float weights[4] = {0.5f, 0.25f, 0.125f, 0.125f}, position[3] = {1, 2, 3};
  memcpy(skin, weights, 16);
  memcpy(skin + 16, position, 12);
  const uint8_t blend[4] = {5, 0, 1, 84};
  memcpy(skin + 28, blend, 4);
  part.skinRecords = skin;
  const uint16_t indices[3] = {0, 0, 0};
  part.firstIndices = indices;
  ASSERT_EQ(GroupModelMeshParts(&f.base), 0);
  ModelBufferGroup* group = part.group;
  ASSERT_NE(group, nullptr);
  group->stride = ModelVertexStride(1, 1, 1);
  std::vector<uint8_t> vertexMemory(group->stride), indexMemory(6);
  group->lockedVertices = vertexMemory.data();
  group->lockedIndices = indexMemory.data();
  FillModelMeshPart(part);
  const uint8_t* v = vertexMemory.data();
  float x;
  memcpy(&x, v + 8, 4);
  EXPECT_FLOAT_EQ(x, 3.0f);
  EXPECT_EQ(v[12], 15);
  EXPECT_EQ(v[15], 252);
  float w;
  memcpy(&w, v + 20, 4);
  EXPECT_FLOAT_EQ(w, 0.25f);
  // Normal layout 1 writes the second and third vectors before the normal.
  float second[3], normal[3];
  memcpy(second, v + 32, 12);
  memcpy(normal, v + 56, 12);
  EXPECT_FLOAT_EQ(second[2], 1.0f);
  EXPECT_FLOAT_EQ(normal[1], 1.0f);
  uint32_t diffuse;
  memcpy(&diffuse, v + 68, 4);
  EXPECT_EQ(diffuse, 0xFF000001u);
  float set[4];
  memcpy(set, v + 76, 16);
  EXPECT_FLOAT_EQ(set[0], 0.25f);
  EXPECT_FLOAT_EQ(set[1], 1.5f);
  EXPECT_FLOAT_EQ(set[2], 1.0f);
  EXPECT_FLOAT_EQ(set[3], 1.0f);
}

TEST(ModelBuffersTest, WithoutHardwareVertexProcessingNothingIsBuilt) {
  GetDirect3DState() = Direct3DState{};
  GetDirect3DState().hardwareActive = 1;
  // Even a base that does not exist is passed over before it is looked up.
  EXPECT_EQ(SetupModelBaseBuffers(MakeModelBaseHandle(0), 1), 0);
  GetDirect3DState() = Direct3DState{};
}

}  // namespace
