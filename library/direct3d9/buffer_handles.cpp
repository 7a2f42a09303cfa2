#include "Ombrel.h"
#include "direct3d9/buffer_handles.h"

#include <windows.h>
#include <d3d9.h>

#include <string.h>

#include "direct3d9/device_services.h"
#include "direct3d9/direct3d_state.h"
#include "graphics/screen_settings.h"
#include "system/tracked_memory.h"

namespace {

HandleTableStorage<kHandleKindVertexBuffer, 16384> vertexBuffers;
HandleTableStorage<kHandleKindIndexBuffer, 16384> indexBuffers;
HandleTableStorage<kHandleKindShader, 4096> shaders;

void ReleaseObject(IUnknown*& object) {
  if (object) object->Release();
  object = nullptr;
}

// The record and its contents share one tracked block, so a delete frees
// both.
template <typename Record>
Record* AllocRecord(size_t extra) {
  size_t size = sizeof(Record) + extra;
  if (size < extra) return nullptr;
  return static_cast<Record*>(TRACKED_ALLOC_ZEROED(size));
}

int AddBufferRecord(HandleTable& table, int type, int unitSize, int count, bool vertex) {
  if (unitSize <= 0 || count <= 0 || count > INT32_MAX / unitSize) return -1;
  size_t bytes = static_cast<size_t>(unitSize) * static_cast<size_t>(count);
  BufferRecord* record = AllocRecord<BufferRecord>(bytes);
  if (!record) return -1;
  record->type = type;
  record->unitSize = unitSize;
  record->count = count;
  record->copy = reinterpret_cast<uint8_t*>(record + 1);
  int handle = AddHandle(&table, record);
  if (handle < 0) {
    FreeTrackedMemory(record);
    return -1;
  }
  record->handle = handle;
  record->check = HandleCheck(handle);
  if (vertex)
    RecreateVertexBufferObject(record);
  else
    RecreateIndexBufferObject(record);
  return handle;
}

int DeleteRecord(HandleTable& table, int handle) {
  void* record = LookupHandle(&table, handle);
  if (!record) return -1;
  if (&table == &shaders.table)
    ReleaseObject(static_cast<ShaderRecord*>(record)->object);
  else
    ReleaseObject(static_cast<BufferRecord*>(record)->object);
  RemoveHandle(&table, handle);
  FreeTrackedMemory(record);
  return 0;
}

int DeleteAll(HandleTable& table) {
  if (!GetScreenSettings().graphicsSetUp) return 0;
  for (int slot = 0; slot < table.endIndex; ++slot) {
    int handle = HandleAtSlot(&table, slot);
    if (handle >= 0) DeleteRecord(table, handle);
  }
  return 0;
}

template <typename Buffer>
int SetBufferData(HandleTable& table, int first, const void* source, int count, int handle,
                  const char* lockFailure) {
  BufferRecord* record = static_cast<BufferRecord*>(LookupHandle(&table, handle));
  if (!record) return -1;
  if (first < 0 || count < 0 || count > record->count - first) return -1;
  UINT offset = static_cast<UINT>(first) * record->unitSize;
  UINT bytes = static_cast<UINT>(count) * record->unitSize;
  if (record->object) {
    void* locked = nullptr;
    Buffer* buffer = static_cast<Buffer*>(record->object);
    if (FAILED(buffer->Lock(offset, bytes, &locked, 0)) || !locked) {
      AppendLog(lockFailure);
      return -1;
    }
    memcpy(locked, source, bytes);
    buffer->Unlock();
  }
  memcpy(record->copy + offset, source, bytes);
  return 0;
}

}  // namespace

HandleTable& GetVertexBufferTable() { return vertexBuffers.table; }
HandleTable& GetIndexBufferTable() { return indexBuffers.table; }
HandleTable& GetShaderTable() { return shaders.table; }

int AddVertexBufferRecord(int type, int unitSize, int count) {
  return AddBufferRecord(vertexBuffers.table, type, unitSize, count, true);
}

int AddIndexBufferRecord(int type, int unitSize, int count) {
  return AddBufferRecord(indexBuffers.table, type, unitSize, count, false);
}

int AddShaderRecord(int vertexShader, const void* code, int codeSize) {
  if (!code || codeSize <= 0) return -1;
  ShaderRecord* record = AllocRecord<ShaderRecord>(static_cast<size_t>(codeSize));
  if (!record) return -1;
  record->vertexShader = vertexShader ? 1 : 0;
  record->code = reinterpret_cast<uint8_t*>(record + 1);
  memcpy(record->code, code, codeSize);
  int handle = AddHandle(&shaders.table, record);
  if (handle < 0) {
    FreeTrackedMemory(record);
    return -1;
  }
  record->handle = handle;
  record->check = HandleCheck(handle);
  RecreateShaderObject(record);
  return handle;
}

BufferRecord* GetVertexBufferRecord(int handle) {
  return static_cast<BufferRecord*>(LookupHandle(&vertexBuffers.table, handle));
}
BufferRecord* GetIndexBufferRecord(int handle) {
  return static_cast<BufferRecord*>(LookupHandle(&indexBuffers.table, handle));
}
ShaderRecord* GetShaderRecord(int handle) {
  return static_cast<ShaderRecord*>(LookupHandle(&shaders.table, handle));
}

int DeleteVertexBufferHandle(int handle) { return DeleteRecord(vertexBuffers.table, handle); }
int DeleteIndexBufferHandle(int handle) { return DeleteRecord(indexBuffers.table, handle); }
int DeleteShaderHandle(int handle) { return DeleteRecord(shaders.table, handle); }
int DeleteAllVertexBufferHandles() { return DeleteAll(vertexBuffers.table); }
int DeleteAllIndexBufferHandles() { return DeleteAll(indexBuffers.table); }
int DeleteAllShaderHandles() { return DeleteAll(shaders.table); }

int SetVertexBufferData(int first, const void* source, int count, int handle) {
  return SetBufferData<IDirect3DVertexBuffer9>(vertexBuffers.table, first, source, count, handle,
                                               "頂点バッファのロックに失敗しました\n");
}

int SetIndexBufferData(int first, const void* source, int count, int handle) {
  return SetBufferData<IDirect3DIndexBuffer9>(indexBuffers.table, first, source, count, handle,
                                              "インデックスバッファのロックに失敗しました\n");
}

int RecreateVertexBufferObject(BufferRecord* record) {
  Direct3DState& state = GetDirect3DState();
  if (state.mixedVertexProcessing != 1) return 0;
  IDirect3DVertexBuffer9* buffer = nullptr;
  // Only the standard layout is defined; other types get no fixed format.
  DWORD fvf = record->type == 0 ? kStandardVertexFvf : 0;
  if (state.device)
    state.device->CreateVertexBuffer(record->count * record->unitSize, D3DUSAGE_WRITEONLY, fvf,
                                     D3DPOOL_DEFAULT, &buffer, nullptr);
  record->object = buffer;
  if (!buffer) {
    AppendLog("頂点バッファの作成に失敗しました\n");
    return -1;
  }
  SetVertexBufferData(0, record->copy, record->count, record->handle);
  return 0;
}

int RecreateIndexBufferObject(BufferRecord* record) {
  Direct3DState& state = GetDirect3DState();
  if (state.mixedVertexProcessing != 1) return 0;
  IDirect3DIndexBuffer9* buffer = nullptr;
  D3DFORMAT format = record->type == 0 || record->unitSize == 2 ? D3DFMT_INDEX16 : D3DFMT_INDEX32;
  if (state.device)
    state.device->CreateIndexBuffer(record->count * record->unitSize, D3DUSAGE_WRITEONLY, format,
                                    D3DPOOL_DEFAULT, &buffer, nullptr);
  record->object = buffer;
  if (!buffer) {
    AppendLog("インデックスバッファの作成に失敗しました\n");
    return -1;
  }
  SetIndexBufferData(0, record->copy, record->count, record->handle);
  return 0;
}

int RecreateShaderObject(ShaderRecord* record) {
  IDirect3DDevice9* device = GetDirect3DState().device;
  if (!device) return -1;
  const DWORD* code = reinterpret_cast<const DWORD*>(record->code);
  HRESULT hr;
  if (record->vertexShader) {
    IDirect3DVertexShader9* shader = nullptr;
    hr = device->CreateVertexShader(code, &shader);
    record->object = shader;
  } else {
    IDirect3DPixelShader9* shader = nullptr;
    hr = device->CreatePixelShader(code, &shader);
    record->object = shader;
  }
  if (FAILED(hr)) record->object = nullptr;
  return record->object ? 0 : -1;
}
