// The LZ encoder that makes the blocks DecodeLz reads; used by the archive
// writer.
#ifndef OMBREL_SYSTEM_LZ_ENCODE_H
#define OMBREL_SYSTEM_LZ_ENCODE_H

#include <stddef.h>
#include <stdint.h>

#include <vector>

// Replaces block with the LZ block of size bytes of data. Returns 0, or -1
// when the data are too large or memory runs out.
int EncodeLz(const uint8_t* data, size_t size, std::vector<uint8_t>* block);

#endif
