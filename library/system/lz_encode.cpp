// A hash-chain LZ encoder with one step of lazy matching. The escape byte is
// the rarest byte of the data, since each literal escape costs two bytes.
#include "system/lz_encode.h"

#include <climits>
#include <cstring>
#include <new>

#include "system/archive_format.h"

namespace {

constexpr int kHashBits = 16;
constexpr size_t kWindow = size_t{1} << 20;
constexpr int kMaxChain = 64;
constexpr size_t kMinMatch = 4;
constexpr size_t kMaxMatch = 8195;
// Lengths of 4 to 35 fit the code byte; longer ones take one more byte.
constexpr size_t kShortMatchLimit = 35;

size_t DistanceBytes(size_t distance) {
  const size_t d = distance - 1;
  return d < 0x100 ? 1 : d < 0x10000 ? 2 : 3;
}

// Bytes saved by a match over writing its bytes as literals.
int MatchGain(size_t length, size_t distance) {
  if (length < kMinMatch) return 0;
  const size_t cost = 2 + (length > kShortMatchLimit ? 1 : 0) + DistanceBytes(distance);
  return static_cast<int>(length) - static_cast<int>(cost);
}

class Encoder {
 public:
  Encoder(const uint8_t* data, size_t size, std::vector<uint8_t>* out)
      : data_(data), size_(size), out_(out), head_(size_t{1} << kHashBits, -1),
        prev_(size < kWindow ? size : kWindow, -1) {}

  void Run() {
    escape_ = RarestByte();
    out_->assign(kLzHeaderSize, 0);
    size_t i = 0;
    while (i < size_) {
      size_t length = 0, distance = 0;
      FindMatch(i, &length, &distance);
      if (MatchGain(length, distance) <= 0) {
        EmitLiteral(data_[i]);
        Insert(i++);
        continue;
      }
      Insert(i);
      size_t nextLength = 0, nextDistance = 0;
      if (i + 1 < size_) FindMatch(i + 1, &nextLength, &nextDistance);
      if (MatchGain(nextLength, nextDistance) > MatchGain(length, distance) + 1) {
        EmitLiteral(data_[i++]);
        continue;
      }
      EmitMatch(length, distance);
      for (size_t k = 1; k < length; ++k) Insert(i + k);
      i += length;
    }
    LzBlockHeader header{static_cast<uint32_t>(size_), static_cast<uint32_t>(out_->size()), escape_};
    std::memcpy(out_->data(), &header, sizeof header);
  }

 private:
  uint8_t RarestByte() const {
    size_t counts[256] = {};
    for (size_t i = 0; i < size_; ++i) ++counts[data_[i]];
    int rarest = 0;
    for (int b = 1; b < 256; ++b) {
      if (counts[b] < counts[rarest]) rarest = b;
    }
    return static_cast<uint8_t>(rarest);
  }

  uint32_t Hash(size_t i) const {
    uint32_t v;
    std::memcpy(&v, data_ + i, 4);
    return (v * 2654435761u) >> (32 - kHashBits);
  }

  void Insert(size_t i) {
    if (i + kMinMatch > size_) return;
    const uint32_t h = Hash(i);
    prev_[i & (kWindow - 1)] = head_[h];
    head_[h] = static_cast<int32_t>(i);
  }

  void FindMatch(size_t i, size_t* bestLength, size_t* bestDistance) const {
    *bestLength = 0;
    if (i + kMinMatch > size_) return;
    const size_t limit = size_ - i < kMaxMatch ? size_ - i : kMaxMatch;
    int32_t candidate = head_[Hash(i)];
    int bestGain = 0;
    for (int chain = 0; chain < kMaxChain && candidate >= 0; ++chain) {
      const size_t c = static_cast<size_t>(candidate);
      // A slot of the chain ring is reused one window later, so stop at the window.
      if (c >= i || i - c >= kWindow) break;
      size_t length = 0;
      while (length < limit && data_[c + length] == data_[i + length]) ++length;
      const int gain = MatchGain(length, i - c);
      if (gain > bestGain) {
        bestGain = gain;
        *bestLength = length;
        *bestDistance = i - c;
        if (length == limit) break;
      }
      candidate = prev_[c & (kWindow - 1)];
    }
  }

  void EmitLiteral(uint8_t b) {
    out_->push_back(b);
    if (b == escape_) out_->push_back(b);
  }

  void EmitMatch(size_t length, size_t distance) {
    const size_t extra = length - kMinMatch;
    const size_t distanceBytes = DistanceBytes(distance);
    unsigned v = static_cast<unsigned>(((extra & 31) << 3) | (distanceBytes - 1));
    if (extra > 31) v |= 4;
    out_->push_back(escape_);
    out_->push_back(static_cast<uint8_t>(v < escape_ ? v : v + 1));
    if (extra > 31) out_->push_back(static_cast<uint8_t>(extra >> 5));
    const size_t d = distance - 1;
    for (size_t k = 0; k < distanceBytes; ++k) out_->push_back(static_cast<uint8_t>(d >> (8 * k)));
  }

  const uint8_t* data_;
  size_t size_;
  std::vector<uint8_t>* out_;
  std::vector<int32_t> head_;
  std::vector<int32_t> prev_;
  uint8_t escape_ = 0;
};

}  // namespace

int EncodeLz(const uint8_t* data, size_t size, std::vector<uint8_t>* block) {
  if (size > INT_MAX) return -1;
  try {
    Encoder(data, size, block).Run();
  } catch (const std::bad_alloc&) {
    return -1;
  }
  if (block->size() > UINT32_MAX) return -1;
  return 0;
}
