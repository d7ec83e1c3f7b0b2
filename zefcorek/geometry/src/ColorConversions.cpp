// Colour conversions: four that compute (RGB to and from YUV and HSL), and
// one composition rule for all the others, driven by what each encoding is:
// its colour space and whether it carries alpha.
#include "zefcorek/Colors.h"

#include "zefcorek/ExtendedReal.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

enum class Space : uint8_t { Alpha, RGB, YUV, HSL };

struct EncodingInfo {
  Space space;
  bool alpha;        // the record starts with an alpha byte
  uint8_t dataSkip;  // where the record starts in TEncodedColorData::data
};

// Indexed by encoding 1..7.
constexpr EncodingInfo kEncodings[8] = {
    {Space::Alpha, false, 0},  // unused
    {Space::Alpha, true, 0},   // 1 alpha
    {Space::RGB, false, 1},    // 2
    {Space::RGB, true, 0},     // 3
    {Space::YUV, false, 1},    // 4
    {Space::YUV, true, 0},     // 5
    {Space::HSL, false, 1},    // 6
    {Space::HSL, true, 0},     // 7
};

bool isColorEncoding(uint8_t e) { return e >= kColorAlpha && e <= kColorHSLA; }

// A real value clamped to [lo, hi], mapped by scale, rounded by + 0.5 and
// truncation, and clamped to a byte.
uint8_t toByte(ExtendedReal value, ExtendedReal lo, ExtendedReal hi, ExtendedReal scale) {
  value = std::clamp(value, lo, hi);
  const ExtendedReal scaled = std::trunc(value * scale + 0.5L);
  return uint8_t(std::clamp(scaled, 0.0L, 255.0L));
}

uint8_t unitToByte(ExtendedReal value, ExtendedReal scale) { return toByte(value, 0, 1, scale); }

struct Channels {
  uint8_t c[3];
};

Channels toRGB(Space from, const Channels& in) {
  Channels out{};
  switch (from) {
    case Space::Alpha:
    case Space::RGB: return in;
    case Space::YUV: YUV2RGB(reinterpret_cast<const TColorYUV*>(in.c), reinterpret_cast<TColorRGB*>(out.c)); return out;
    case Space::HSL: HSL2RGB(reinterpret_cast<const TColorHSL*>(in.c), reinterpret_cast<TColorRGB*>(out.c)); return out;
  }
  return out;
}

Channels fromRGB(Space to, const Channels& rgb) {
  Channels out{};
  switch (to) {
    case Space::Alpha:
    case Space::RGB: return rgb;
    case Space::YUV:
      RGB2YUV(reinterpret_cast<const TColorRGB*>(rgb.c), reinterpret_cast<TColorYUV*>(out.c));
      return out;
    case Space::HSL:
      RGB2HSL(reinterpret_cast<const TColorRGB*>(rgb.c), reinterpret_cast<TColorHSL*>(out.c));
      return out;
  }
  return out;
}

// The one composition rule: to alpha, the source's alpha or 0; from alpha
// alone, all channels 0 and the alpha passed on; within a space a copy;
// across spaces through RGB; alpha passed on, or 0 when the source has none.
void convertRecord(uint8_t from, const void* srcRecord, uint8_t to, void* dstRecord) {
  const EncodingInfo& src = kEncodings[from];
  const EncodingInfo& dst = kEncodings[to];
  const auto* in = static_cast<const uint8_t*>(srcRecord);
  // Everything is read before anything is written: the records may overlap.
  const uint8_t alpha = src.alpha ? in[0] : 0;
  Channels channels{};
  if (src.space != Space::Alpha) std::memcpy(channels.c, in + (src.alpha ? 1 : 0), 3);
  auto* out = static_cast<uint8_t*>(dstRecord);
  if (dst.space == Space::Alpha) {
    out[0] = alpha;
    return;
  }
  if (src.space != Space::Alpha && src.space != dst.space) channels = fromRGB(dst.space, toRGB(src.space, channels));
  if (dst.alpha) out[0] = alpha;
  std::memcpy(out + (dst.alpha ? 1 : 0), channels.c, 3);
}

}  // namespace

void RGB2YUV(const TColorRGB* src, TColorYUV* dst) {
  const ExtendedReal r = src->red, g = src->green, b = src->blue;
  const ExtendedReal y = 0.299L * r + 0.587L * g + 0.114L * b;
  const ExtendedReal u = -0.147L * r - 0.289L * g + 0.436L * b;
  const ExtendedReal v = 0.615L * r - 0.515L * g - 0.1L * b;
  // U and V are stored as (value + 128) * 255 / 256.
  auto chroma = [](ExtendedReal c) {
    const ExtendedReal clamped = std::clamp(c, -128.0L, 128.0L);
    return uint8_t(std::clamp(std::trunc((clamped + 128) * 255 / 256 + 0.5L), 0.0L, 255.0L));
  };
  *dst = {toByte(y, 0, 255, 1), chroma(u), chroma(v)};
}

// The stored U and V are taken as they are, without undoing their 255/256.
void YUV2RGB(const TColorYUV* src, TColorRGB* dst) {
  const ExtendedReal y = src->y, u = ExtendedReal(src->u) - 128, v = ExtendedReal(src->v) - 128;
  const ExtendedReal r = y + 1.14L * v;
  const ExtendedReal g = y - 0.396L * u - 0.581L * v;
  const ExtendedReal b = y + 2.029L * u;
  *dst = {toByte(r, 0, 255, 1), toByte(g, 0, 255, 1), toByte(b, 0, 255, 1)};
}

void RGB2HSL(const TColorRGB* src, TColorHSL* dst) {
  const ExtendedReal r = src->red / 255.0L, g = src->green / 255.0L, b = src->blue / 255.0L;
  const ExtendedReal hi = std::max({r, g, b}), lo = std::min({r, g, b});
  const ExtendedReal l = (hi + lo) / 2;
  ExtendedReal h = 0, s = 0;
  if (hi != lo) {
    const ExtendedReal d = hi - lo;
    s = l <= 0.5L ? d / (hi + lo) : d / (2 - hi - lo);
    const ExtendedReal rc = (hi - r) / d, gc = (hi - g) / d, bc = (hi - b) / d;
    if (r == hi)
      h = bc - gc;
    else if (g == hi)
      h = 2 + rc - bc;
    else
      h = 4 + gc - rc;
    h /= 6;
    if (h < 0) h += 1;
  }
  *dst = {unitToByte(h, 240), unitToByte(s, 240), unitToByte(l, 240)};
}

// Hue 240 is a full turn and counts as 0.
void HSL2RGB(const TColorHSL* src, TColorRGB* dst) {
  const ExtendedReal h = std::fmod(src->hue / 240.0L, 1.0L);
  const ExtendedReal s = src->saturation / 240.0L, l = src->lightness / 240.0L;
  const ExtendedReal v = l <= 0.5L ? l * (1 + s) : l + s - l * s;
  if (s == 0 || v == 0) {
    const uint8_t grey = unitToByte(l, 255);
    *dst = {grey, grey, grey};
    return;
  }
  const ExtendedReal m = 2 * l - v;
  const ExtendedReal sv = (v - m) / v;
  const ExtendedReal h6 = 6 * h;
  const int sextant = int(h6);
  const ExtendedReal f = h6 - sextant;
  const ExtendedReal vsf = v * sv * f;
  const ExtendedReal mid1 = m + vsf, mid2 = v - vsf;
  ExtendedReal rgb[3];
  switch (sextant) {
    case 0:
      rgb[0] = v;
      rgb[1] = mid1;
      rgb[2] = m;
      break;
    case 1:
      rgb[0] = mid2;
      rgb[1] = v;
      rgb[2] = m;
      break;
    case 2:
      rgb[0] = m;
      rgb[1] = v;
      rgb[2] = mid1;
      break;
    case 3:
      rgb[0] = m;
      rgb[1] = mid2;
      rgb[2] = v;
      break;
    case 4:
      rgb[0] = mid1;
      rgb[1] = m;
      rgb[2] = v;
      break;
    default:
      rgb[0] = v;
      rgb[1] = m;
      rgb[2] = mid2;
      break;
  }
  *dst = {unitToByte(rgb[0], 255), unitToByte(rgb[1], 255), unitToByte(rgb[2], 255)};
}

void ConvertColor(const TEncodedColorData* src, uint8_t target, TEncodedColorData* dst) {
  const TEncodedColorData in = *src;
  dst->encoding = target;
  if (!isColorEncoding(in.encoding) || !isColorEncoding(target)) return;
  if (in.encoding == target) {
    std::memcpy(dst->data, in.data, sizeof in.data);
    return;
  }
  convertRecord(in.encoding, in.data + kEncodings[in.encoding].dataSkip, target,
                dst->data + kEncodings[target].dataSkip);
}

// The composed converters, one line each; the macro spells the exported
// names from the encodings' names.
namespace {
using TColorALPHA = TColorAlpha;
constexpr uint8_t kColorALPHA = kColorAlpha;
}  // namespace

#define ZEF_COLOR_CONVERTER(From, To) \
  void From##2##To(const TColor##From* src, TColor##To* dst) { convertRecord(kColor##From, src, kColor##To, dst); }
ZEF_COLOR_CONVERTER(ALPHA, RGB)
ZEF_COLOR_CONVERTER(ALPHA, RGBA)
ZEF_COLOR_CONVERTER(ALPHA, YUV)
ZEF_COLOR_CONVERTER(ALPHA, YUVA)
ZEF_COLOR_CONVERTER(ALPHA, HSL)
ZEF_COLOR_CONVERTER(ALPHA, HSLA)
ZEF_COLOR_CONVERTER(RGB, ALPHA)
ZEF_COLOR_CONVERTER(RGB, RGBA)
ZEF_COLOR_CONVERTER(RGB, YUVA)
ZEF_COLOR_CONVERTER(RGB, HSLA)
ZEF_COLOR_CONVERTER(RGBA, ALPHA)
ZEF_COLOR_CONVERTER(RGBA, RGB)
ZEF_COLOR_CONVERTER(RGBA, YUV)
ZEF_COLOR_CONVERTER(RGBA, YUVA)
ZEF_COLOR_CONVERTER(RGBA, HSL)
ZEF_COLOR_CONVERTER(RGBA, HSLA)
ZEF_COLOR_CONVERTER(YUV, ALPHA)
ZEF_COLOR_CONVERTER(YUV, RGBA)
ZEF_COLOR_CONVERTER(YUV, YUVA)
ZEF_COLOR_CONVERTER(YUV, HSL)
ZEF_COLOR_CONVERTER(YUV, HSLA)
ZEF_COLOR_CONVERTER(YUVA, ALPHA)
ZEF_COLOR_CONVERTER(YUVA, RGB)
ZEF_COLOR_CONVERTER(YUVA, RGBA)
ZEF_COLOR_CONVERTER(YUVA, YUV)
ZEF_COLOR_CONVERTER(YUVA, HSL)
ZEF_COLOR_CONVERTER(YUVA, HSLA)
ZEF_COLOR_CONVERTER(HSL, ALPHA)
ZEF_COLOR_CONVERTER(HSL, RGBA)
ZEF_COLOR_CONVERTER(HSL, YUV)
ZEF_COLOR_CONVERTER(HSL, YUVA)
ZEF_COLOR_CONVERTER(HSL, HSLA)
ZEF_COLOR_CONVERTER(HSLA, ALPHA)
ZEF_COLOR_CONVERTER(HSLA, RGB)
ZEF_COLOR_CONVERTER(HSLA, RGBA)
ZEF_COLOR_CONVERTER(HSLA, YUV)
ZEF_COLOR_CONVERTER(HSLA, YUVA)
ZEF_COLOR_CONVERTER(HSLA, HSL)
#undef ZEF_COLOR_CONVERTER

TColorAlpha AsALPHA(uint8_t a) { return {a}; }
TColorRGB AsRGB(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b}; }
TColorRGBA AsRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return {a, r, g, b}; }
TColorYUV AsYUV(uint8_t y, uint8_t u, uint8_t v) { return {y, u, v}; }
TColorYUVA AsYUVA(uint8_t y, uint8_t u, uint8_t v, uint8_t a) { return {a, y, u, v}; }
TColorHSL AsHSL(uint8_t h, uint8_t s, uint8_t l) { return {h, s, l}; }
TColorHSLA AsHSLA(uint8_t h, uint8_t s, uint8_t l, uint8_t a) { return {a, h, s, l}; }
