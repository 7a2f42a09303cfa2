// The shader pack: "ShaderPack.bin" in an archive the program carries
// LZ-compressed, holding compiled shader tokens by index. Only the default
// vertex and pixel shader pair is made into device shaders.
#ifndef OMBREL_DIRECT3D9_SHADER_PACK_H
#define OMBREL_DIRECT3D9_SHADER_PACK_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

constexpr int kPackVertexShaderCount = 98304;
constexpr int kPackPixelShaderCount = 41472;
constexpr size_t kPackCodeOffset = (kPackVertexShaderCount + kPackPixelShaderCount) * 2;
constexpr int kDefaultVertexShaderIndex = 32774;
constexpr int kDefaultPixelShaderIndex = 2454;
constexpr const char* kShaderPackFileName = "ShaderPack.bin";

// The LZ block of the embedded archive.
extern const uint8_t kShaderArchiveBlock[];
extern const size_t kShaderArchiveBlockSize;

// Points each non-zero size entry at its code, packed in index order after
// the tables (vertex shaders first). -1 when the tables or the code run past
// the pack's end.
int IndexShaderPack(const uint8_t* pack, size_t size, const uint8_t** vertexCode,
                    const uint8_t** pixelCode);

// 1 when the pack is loaded (also when it was before), 0 when it could not be.
int LoadShaderPack();
// Closes the archive and frees the archive image and the pack.
void FreeShaderPack();
// The loaded code of a shader, or null.
const uint8_t* GetPackVertexShaderCode(int index);
const uint8_t* GetPackPixelShaderCode(int index);

// The pack file as the library's shader sources make it: the size tables
// followed by the default pair's tokens.
std::vector<uint8_t> BuildShaderPackFile();
// The embedded block as tools/shaderpack writes it: the pack file in an
// archive, LZ-compressed. 0 or -1.
int BuildShaderArchiveBlock(std::vector<uint8_t>* block);
const std::vector<uint32_t>& DefaultVertexShaderTokens();
const std::vector<uint32_t>& DefaultPixelShaderTokens();

#endif
