// Vertex-buffer, index-buffer and shader handles: records that keep their
// contents in system memory so that the device objects behind them can be
// made again after a device re-creation.
#ifndef OMBREL_DIRECT3D9_BUFFER_HANDLES_H
#define OMBREL_DIRECT3D9_BUFFER_HANDLES_H

#include <stdint.h>

#include "system/handle_table.h"

struct IUnknown;

struct BufferRecord {
  int32_t check;
  int32_t handle;
  int32_t type;  // 0: FVF 0x2D2 vertices, 16-bit indices
  int32_t unitSize;
  int32_t count;
  uint8_t* copy;    // count * unitSize bytes, in the record's own allocation
  IUnknown* object;  // the device buffer, null while released
};

struct ShaderRecord {
  int32_t check;
  int32_t handle;
  int32_t vertexShader;  // 1 vertex, 0 pixel
  uint8_t* code;         // in the record's own allocation
  IUnknown* object;
};

constexpr uint32_t kStandardVertexFvf = 0x2D2;

HandleTable& GetVertexBufferTable();
HandleTable& GetIndexBufferTable();
HandleTable& GetShaderTable();

// Makes a record with its copy zero-filled and its device object when a
// device that processes vertices in hardware exists; the handle or -1.
int AddVertexBufferRecord(int type, int unitSize, int count);
int AddIndexBufferRecord(int type, int unitSize, int count);
// A record holding a copy of the shader code and its device shader; the
// handle or -1.
int AddShaderRecord(int vertexShader, const void* code, int codeSize);

BufferRecord* GetVertexBufferRecord(int handle);
BufferRecord* GetIndexBufferRecord(int handle);
ShaderRecord* GetShaderRecord(int handle);

int DeleteVertexBufferHandle(int handle);
int DeleteIndexBufferHandle(int handle);
int DeleteShaderHandle(int handle);
int SetVertexBufferData(int first, const void* source, int count, int handle);
int SetIndexBufferData(int first, const void* source, int count, int handle);

int RecreateVertexBufferObject(BufferRecord* record);
int RecreateIndexBufferObject(BufferRecord* record);
// Makes a shader record's device shader again from its code; 0 or -1.
int RecreateShaderObject(ShaderRecord* record);

#endif
