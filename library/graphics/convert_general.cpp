#include "graphics/convert_format_blt.h"

#include "graphics/color_format.h"

const uint8_t kOrderedDitherMatrix[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

namespace {

uint32_t LowBits(int count) { return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1; }

// How one channel's value is brought from its source width to the
// destination width. Channels of up to 8 bits are converted through a table
// filled once per copy.
struct ChannelStep {
  int destShift;
  uint32_t destMax;
  int drop;  // source bits that narrowing drops
  uint32_t dropMask;
  uint32_t thresholds[16];  // ordered-dither thresholds for the dropped bits
  int sourceWidth;
  int destWidth;
  bool useTable;
  uint32_t table[256];

  void Prepare(int from, int to, int shift) {
    sourceWidth = from;
    destWidth = to;
    destShift = shift;
    destMax = LowBits(to);
    drop = from > to ? from - to : 0;
    dropMask = LowBits(drop);
    for (int i = 0; i < 16; ++i) {
      thresholds[i] =
          static_cast<uint32_t>((static_cast<uint64_t>(1) << drop) * kOrderedDitherMatrix[i] >> 4);
    }
    useTable = from <= 8;
    if (useTable) {
      for (uint32_t v = 0; v <= LowBits(from); ++v) table[v] = Plain(v);
    }
  }

  // Narrowing keeps the top bits; widening scales as v * (2^t - 1) / (2^s - 1).
  uint32_t Plain(uint32_t v) const {
    if (sourceWidth == destWidth) return v;
    if (sourceWidth == 0 || destWidth == 0) return 0;
    if (sourceWidth > destWidth) return static_cast<uint32_t>(static_cast<uint64_t>(v) >> drop);
    return static_cast<uint32_t>(static_cast<uint64_t>(v) * destMax / LowBits(sourceWidth));
  }

  // With dithering a narrowed value may be raised by one step; a raised full
  // channel stays full instead of wrapping to 0.
  template <int DitherMode>
  [[gnu::always_inline]] uint32_t Convert(uint32_t v, int x, int y, uint32_t& remainder) const {
    uint32_t out = useTable ? table[v] : Plain(v);
    if constexpr (DitherMode != 0) {
      if (drop == 0 || destWidth == 0) return out;
      uint32_t dropped = v & dropMask;
      bool raise;
      if constexpr (DitherMode == 1) {
        raise = dropped > thresholds[(y & 3) * 4 + (x & 3)];
      } else {
        remainder += dropped;
        raise = remainder > dropMask;
        if (raise) remainder &= dropMask;
      }
      if (raise && out < destMax) ++out;
    }
    return out;
  }
};

enum class AlphaSource { kNone, kFull, kKey, kImage, kSourceChannel };

struct SourceChannel {
  uint32_t mask;
  int shift;
  uint32_t Read(uint32_t p) const { return (p & mask) >> shift; }
};

// A channel is read by the run of bits its width counts: a mask with holes
// (as a damaged file may give) would otherwise yield values wider than the
// width the conversion step and its table were sized for.
SourceChannel ChannelOf(uint32_t mask, int shift, int width) {
  if (shift >= 32) return {0, 0};
  return {mask & (LowBits(width) << shift), shift};
}

// Everything the rule needs is copied in by value: the walker writes pixels
// through byte pointers, which could alias anything reached by reference, so
// values held here stay in registers across the row.
template <int DitherMode>
class GeneralRule {
 public:
  explicit GeneralRule(const ConvertJob& job) {
    const ColorFormat& s = *job.sourceFormat;
    const ColorFormat& d = *job.destFormat;
    red_ = ChannelOf(s.redMask, s.redShift, s.redWidth);
    green_ = ChannelOf(s.greenMask, s.greenShift, s.greenWidth);
    blue_ = ChannelOf(s.blueMask, s.blueShift, s.blueWidth);
    alpha_ = ChannelOf(s.alphaMask, s.alphaShift, s.alphaWidth);
    redStep_.Prepare(s.redWidth, d.redWidth, d.redShift);
    greenStep_.Prepare(s.greenWidth, d.greenWidth, d.greenShift);
    blueStep_.Prepare(s.blueWidth, d.blueWidth, d.blueShift);
    destAlphaShift_ = d.alphaShift;
    destAlphaMax_ = LowBits(d.alphaWidth);
    palette_ = s.bytesPerPixel == 1 ? job.sourcePalette : nullptr;
    skip_ = job.skipTransparent;
    alphaOnly_ = job.alphaOnly;
    alphaFromRed_ = job.alphaFromRed;
    // For an index image the transparent colour is an index; otherwise a raw
    // pixel compared under the channel masks.
    sourceMasks_ = s.redMask | s.greenMask | s.blueMask | s.alphaMask;
    skipValue_ = palette_ ? job.transColor & 0xFF
                          : job.transColor & LowBits(8 * s.bytesPerPixel) & sourceMasks_;
    writeMask_ = d.bytesPerPixel == 2 || d.bytesPerPixel == 4 ? d.unusedMask : 0;

    if (job.keyToAlpha) {
      alphaSource_ = AlphaSource::kKey;
      const uint32_t t = job.transColor;
      uint32_t key = PackColorCode(&s, (t >> 16) & 0xFF, (t >> 8) & 0xFF, t & 0xFF, 255);
      if (palette_) key = palette_[key & 0xFF];
      keyRed_ = red_.Read(key);
      keyGreen_ = green_.Read(key);
      keyBlue_ = blue_.Read(key);
    } else if (job.alphaFromImage) {
      const ColorFormat& f = *job.alphaFormat;
      alphaSource_ = AlphaSource::kImage;
      alphaStep_.Prepare(f.redWidth, d.alphaWidth, d.alphaShift);
      alphaImage_ = job.alpha;
      alphaPitch_ = job.alphaPitch;
      alphaBytes_ = f.bytesPerPixel;
      alphaRed_ = ChannelOf(f.redMask, f.redShift, f.redWidth);
      alphaPalette_ = f.bytesPerPixel == 1 ? f.palette : nullptr;
    } else if (s.alphaWidth == 0) {
      alphaSource_ = AlphaSource::kFull;
    } else if (d.alphaWidth == 0) {
      alphaSource_ = AlphaSource::kNone;
    } else {
      alphaSource_ = AlphaSource::kSourceChannel;
      alphaStep_.Prepare(s.alphaWidth, d.alphaWidth, d.alphaShift);
    }
  }

  [[gnu::always_inline]] bool operator()(uint32_t raw, int x, int y, uint32_t& out) {
    if (skip_ && (palette_ ? raw : raw & sourceMasks_) == skipValue_) return false;
    const uint32_t p = palette_ ? palette_[raw & 0xFF] : raw;
    const uint32_t r = red_.Read(p), g = green_.Read(p), b = blue_.Read(p);

    uint32_t a = 0;
    switch (alphaSource_) {
      case AlphaSource::kNone: break;
      case AlphaSource::kFull: a = destAlphaMax_; break;
      case AlphaSource::kKey:
        a = r == keyRed_ && g == keyGreen_ && b == keyBlue_ ? 0 : destAlphaMax_;
        break;
      case AlphaSource::kImage:
        a = alphaStep_.Convert<DitherMode>(AlphaImageRed(x, y), x, y, remainders_[3]);
        break;
      case AlphaSource::kSourceChannel:
        a = alphaStep_.Convert<DitherMode>(alpha_.Read(p), x, y, remainders_[3]);
        break;
    }
    // Alpha from red takes the red value as read, without rescaling.
    if (alphaFromRed_) a = r < destAlphaMax_ ? r : destAlphaMax_;

    uint32_t value = a << destAlphaShift_;
    if (!alphaOnly_) {
      value |= redStep_.Convert<DitherMode>(r, x, y, remainders_[0]) << redStep_.destShift;
      value |= greenStep_.Convert<DitherMode>(g, x, y, remainders_[1]) << greenStep_.destShift;
      value |= blueStep_.Convert<DitherMode>(b, x, y, remainders_[2]) << blueStep_.destShift;
    }
    out = value | writeMask_;
    return true;
  }

 private:
  uint32_t AlphaImageRed(int x, int y) const {
    const uint8_t* at = alphaImage_ + y * alphaPitch_ + static_cast<ptrdiff_t>(x) * alphaBytes_;
    uint32_t q = ReadPixelOfSize(at, alphaBytes_);
    if (alphaPalette_) q = PaletteEntryValue(alphaPalette_[q & 0xFF]);
    return alphaRed_.Read(q);
  }

  SourceChannel red_{}, green_{}, blue_{}, alpha_{};
  ChannelStep redStep_{}, greenStep_{}, blueStep_{}, alphaStep_{};
  AlphaSource alphaSource_ = AlphaSource::kNone;
  int destAlphaShift_ = 0;
  uint32_t destAlphaMax_ = 0;
  const uint32_t* palette_ = nullptr;
  bool skip_ = false, alphaOnly_ = false, alphaFromRed_ = false;
  uint32_t sourceMasks_ = 0;
  uint32_t skipValue_ = 0;
  uint32_t writeMask_ = 0;
  uint32_t keyRed_ = 0, keyGreen_ = 0, keyBlue_ = 0;
  const uint8_t* alphaImage_ = nullptr;
  ptrdiff_t alphaPitch_ = 0;
  int alphaBytes_ = 0;
  SourceChannel alphaRed_{};
  const ColorPaletteEntry* alphaPalette_ = nullptr;
  // The running remainders of dither mode 2 last for the whole copy.
  uint32_t remainders_[4] = {};
};

template <int DitherMode>
void RunWithDither(const ConvertJob& job) {
  GeneralRule<DitherMode> rule(job);
  DispatchPixelSizes(job, [&](auto source, auto dest) {
    WalkConvertPixels<decltype(source)::value, decltype(dest)::value>(job, rule);
  });
}

}  // namespace

void RunGeneralConversion(const ConvertJob& job) {
  switch (job.ditherMode) {
    case 1: RunWithDither<1>(job); break;
    case 2: RunWithDither<2>(job); break;
    default: RunWithDither<0>(job); break;
  }
}
