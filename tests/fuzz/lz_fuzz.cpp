// An LZ block: its announced unpacked size is believed only up to a bound,
// and decoding must stay inside both the block and the output.
#include <stdint.h>
#include <string.h>

#include <vector>

#include "system/archive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  // The block's own size field must describe what the fuzzer gave, or the
  // decoder would be told the block is longer than it is.
  std::vector<uint8_t> block(data, data + size);
  const uint32_t packed = static_cast<uint32_t>(size);
  memcpy(block.data() + 4, &packed, 4);
  const int unpacked = DecodeLz(block.data(), nullptr);
  if (unpacked < 0 || unpacked > (1 << 22)) return 0;
  std::vector<uint8_t> out(static_cast<size_t>(unpacked));
  DecodeLz(block.data(), out.data());
  return 0;
}
