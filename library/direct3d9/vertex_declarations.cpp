#include <windows.h>
#include <d3d9.h>

#include <vector>

#include "direct3d9/device_life.h"
#include "direct3d9/device_state_cache.h"
#include "direct3d9/direct3d_state.h"

namespace {

// [normal layout][skinning][extra texture sets], then the model vertex.
IDirect3DVertexDeclaration9* declarations[2][3][9] = {};
IDirect3DVertexDeclaration9* modelDeclaration = nullptr;

D3DVERTEXELEMENT9 Element(WORD offset, BYTE type, BYTE usage, BYTE usageIndex) {
  return {0, offset, type, D3DDECLMETHOD_DEFAULT, usage, usageIndex};
}

// The elements of one entry: base elements for the normal layout and
// skinning, then k four-float texture sets, then the end.
std::vector<D3DVERTEXELEMENT9> BuildElements(int normalLayout, int skinning, int textureSets) {
  std::vector<D3DVERTEXELEMENT9> elements;
  WORD offset = 0;
  auto add = [&](BYTE type, BYTE usage, BYTE usageIndex, WORD size) {
    elements.push_back(Element(offset, type, usage, usageIndex));
    offset += size;
  };
  add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0, 12);
  if (skinning >= 1) add(D3DDECLTYPE_UBYTE4, D3DDECLUSAGE_BLENDINDICES, 0, 4);
  if (skinning == 2) add(D3DDECLTYPE_UBYTE4, D3DDECLUSAGE_BLENDINDICES, 1, 4);
  if (skinning >= 1) add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_BLENDWEIGHT, 0, 16);
  if (skinning == 2) add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_BLENDWEIGHT, 1, 16);
  add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0, 12);
  if (normalLayout == 1) {
    add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 1, 12);
    add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 2, 12);
  }
  add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0, 4);
  add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1, 4);
  for (int j = 0; j < textureSets; ++j)
    add(D3DDECLTYPE_FLOAT4, D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(j), 16);
  elements.push_back(D3DDECL_END());
  return elements;
}

}  // namespace

int CreateVertexDeclarations() {
  ReleaseVertexDeclarations();
  IDirect3DDevice9* device = GetDirect3DState().device;
  if (!device) return 0;
  for (int n = 0; n < 2; ++n)
    for (int s = 0; s < 3; ++s)
      for (int k = 0; k < 9; ++k)
        device->CreateVertexDeclaration(BuildElements(n, s, k).data(), &declarations[n][s][k]);
  const D3DVERTEXELEMENT9 model[] = {
      Element(0, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0),
      Element(12, D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0),
      Element(24, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0),
      Element(28, D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1),
      Element(32, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 0),
      Element(40, D3DDECLTYPE_FLOAT2, D3DDECLUSAGE_TEXCOORD, 1),
      D3DDECL_END()};
  device->CreateVertexDeclaration(model, &modelDeclaration);
  return 0;
}

int ReleaseVertexDeclarations() {
  IDirect3DDevice9* device = GetDirect3DState().device;
  if (!device) return 0;
  UnsetDeviceShaders();
  for (auto& layout : declarations)
    for (auto& skinning : layout)
      for (IDirect3DVertexDeclaration9*& declaration : skinning) {
        if (declaration) declaration->Release();
        declaration = nullptr;
      }
  if (modelDeclaration) modelDeclaration->Release();
  modelDeclaration = nullptr;
  return 0;
}

int CountVertexDeclarations() {
  int count = modelDeclaration ? 1 : 0;
  for (auto& layout : declarations)
    for (auto& skinning : layout)
      for (IDirect3DVertexDeclaration9* declaration : skinning) count += declaration ? 1 : 0;
  return count;
}
