#include "graphics/convert_format_blt.h"

#include "graphics/color_format.h"

const uint8_t kOrderedDitherMatrix[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

namespace {

uint32_t LowBits(int count) { return count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1; }

// How one channel's value is brought from its source width to the
// destination width.
struct ChannelStep {
  int sourceWidth;
  int destWidth;
  int destShift;
  uint32_t destMax;
  int drop;                 // source bits that narrowing drops
  uint32_t dropMask;
  uint32_t thresholds[16];  // ordered-dither thresholds for the dropped bits

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
  }

  // Narrowing keeps the top bits and, with dithering, may raise the result
  // by one step; a raised full channel stays full instead of wrapping to 0.
  // Widening scales as v * (2^t - 1) / (2^s - 1).
  template <int DitherMode>
  uint32_t Convert(uint32_t v, int x, int y, uint32_t& remainder) const {
    if (sourceWidth == destWidth) return v;
    if (sourceWidth == 0 || destWidth == 0) return 0;
    if (sourceWidth < destWidth) {
      int gain = destWidth - sourceWidth;
      return static_cast<uint32_t>((static_cast<uint64_t>(v) << gain) +
                                   static_cast<uint64_t>(v) * LowBits(gain) / LowBits(sourceWidth));
    }
    uint32_t dropped = v & dropMask;
    uint32_t out = static_cast<uint32_t>(static_cast<uint64_t>(v) >> drop);
    bool raise = false;
    if constexpr (DitherMode == 1) {
      raise = dropped > thresholds[(y & 3) * 4 + (x & 3)];
    } else if constexpr (DitherMode == 2) {
      remainder += dropped;
      if (remainder > dropMask) {
        raise = true;
        remainder &= dropMask;
      }
    }
    if (raise && out < destMax) ++out;
    return out;
  }
};

enum class AlphaSource { kNone, kFull, kKey, kImage, kSourceChannel };

template <int DitherMode>
class GeneralRule {
 public:
  explicit GeneralRule(const ConvertJob& job)
      : job_(job), s_(*job.sourceFormat), d_(*job.destFormat) {
    red_.Prepare(s_.redWidth, d_.redWidth, d_.redShift);
    green_.Prepare(s_.greenWidth, d_.greenWidth, d_.greenShift);
    blue_.Prepare(s_.blueWidth, d_.blueWidth, d_.blueShift);
    destAlphaMax_ = LowBits(d_.alphaWidth);
    sourceMasks_ = s_.redMask | s_.greenMask | s_.blueMask | s_.alphaMask;
    paletteSource_ = s_.bytesPerPixel == 1;
    // For an index image the transparent colour is an index; otherwise a raw
    // pixel compared under the channel masks.
    const uint32_t sizeMask = LowBits(8 * s_.bytesPerPixel);
    skipValue_ = paletteSource_ ? job.transColor & 0xFF : job.transColor & sizeMask & sourceMasks_;
    writeMask_ = d_.bytesPerPixel == 2 || d_.bytesPerPixel == 4 ? d_.unusedMask : 0;

    if (job.keyToAlpha) {
      alphaSource_ = AlphaSource::kKey;
      const uint32_t t = job.transColor;
      uint32_t key = PackColorCode(&s_, (t >> 16) & 0xFF, (t >> 8) & 0xFF, t & 0xFF, 255);
      if (paletteSource_) key = job.sourcePalette[key & 0xFF];
      keyRed_ = Field(key, s_.redMask, s_.redShift);
      keyGreen_ = Field(key, s_.greenMask, s_.greenShift);
      keyBlue_ = Field(key, s_.blueMask, s_.blueShift);
    } else if (job.alphaFromImage) {
      alphaSource_ = AlphaSource::kImage;
      alpha_.Prepare(job.alphaFormat->redWidth, d_.alphaWidth, d_.alphaShift);
    } else if (s_.alphaWidth == 0) {
      alphaSource_ = AlphaSource::kFull;
    } else if (d_.alphaWidth == 0) {
      alphaSource_ = AlphaSource::kNone;
    } else {
      alphaSource_ = AlphaSource::kSourceChannel;
      alpha_.Prepare(s_.alphaWidth, d_.alphaWidth, d_.alphaShift);
    }
  }

  bool operator()(uint32_t raw, int x, int y, uint32_t& out) {
    if (job_.skipTransparent && (paletteSource_ ? raw : raw & sourceMasks_) == skipValue_) {
      return false;
    }
    const uint32_t p = paletteSource_ ? job_.sourcePalette[raw & 0xFF] : raw;
    const uint32_t r = Field(p, s_.redMask, s_.redShift);
    const uint32_t g = Field(p, s_.greenMask, s_.greenShift);
    const uint32_t b = Field(p, s_.blueMask, s_.blueShift);

    uint32_t a = 0;
    switch (alphaSource_) {
      case AlphaSource::kNone: break;
      case AlphaSource::kFull: a = destAlphaMax_; break;
      case AlphaSource::kKey:
        a = r == keyRed_ && g == keyGreen_ && b == keyBlue_ ? 0 : destAlphaMax_;
        break;
      case AlphaSource::kImage:
        a = alpha_.Convert<DitherMode>(AlphaImageRed(x, y), x, y, remainders_[3]);
        break;
      case AlphaSource::kSourceChannel:
        a = alpha_.Convert<DitherMode>(Field(p, s_.alphaMask, s_.alphaShift), x, y, remainders_[3]);
        break;
    }
    // Alpha from red takes the red value as read, without rescaling.
    if (job_.alphaFromRed) a = r < destAlphaMax_ ? r : destAlphaMax_;

    uint32_t value = a << d_.alphaShift;
    if (!job_.alphaOnly) {
      value |= red_.Convert<DitherMode>(r, x, y, remainders_[0]) << d_.redShift;
      value |= green_.Convert<DitherMode>(g, x, y, remainders_[1]) << d_.greenShift;
      value |= blue_.Convert<DitherMode>(b, x, y, remainders_[2]) << d_.blueShift;
    }
    out = value | writeMask_;
    return true;
  }

 private:
  static uint32_t Field(uint32_t p, uint32_t mask, int shift) { return (p & mask) >> shift; }

  uint32_t AlphaImageRed(int x, int y) const {
    const ColorFormat& f = *job_.alphaFormat;
    const uint8_t* at =
        job_.alpha + y * job_.alphaPitch + static_cast<ptrdiff_t>(x) * f.bytesPerPixel;
    uint32_t q = ReadPixelOfSize(at, f.bytesPerPixel);
    if (f.bytesPerPixel == 1) q = PaletteEntryValue(f.palette[q]);
    return Field(q, f.redMask, f.redShift);
  }

  const ConvertJob& job_;
  const ColorFormat& s_;
  const ColorFormat& d_;
  ChannelStep red_{}, green_{}, blue_{}, alpha_{};
  AlphaSource alphaSource_ = AlphaSource::kNone;
  uint32_t destAlphaMax_ = 0;
  uint32_t sourceMasks_ = 0;
  bool paletteSource_ = false;
  uint32_t skipValue_ = 0;
  uint32_t writeMask_ = 0;
  uint32_t keyRed_ = 0, keyGreen_ = 0, keyBlue_ = 0;
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
