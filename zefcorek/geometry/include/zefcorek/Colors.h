// 8-bit colour records, their conversions and the tagged colour record.
//
// Seven encodings: alpha only, RGB, RGB with alpha, YUV, YUV with alpha,
// HSL, HSL with alpha; the tagged record also names an eighth, a palette
// index, which no conversion involves. RGB, Y, U and V run 0..255 (U and V
// with 128 as zero), hue, saturation and lightness 0..240. Alpha is carried
// along: a colour without alpha gets alpha 0, and alpha alone converted into
// a colour gives all channels 0. Every converter is named source, 2,
// target and takes (const source*, destination*).
#pragma once

#include "platform/Export.h"

#include <cstdint>

struct TColorAlpha {
  uint8_t alpha;
};
struct TColorRGB {
  uint8_t red, green, blue;
};
struct TColorRGBA {
  uint8_t alpha, red, green, blue;
};
struct TColorYUV {
  uint8_t y, u, v;
};
struct TColorYUVA {
  uint8_t alpha, y, u, v;
};
struct TColorHSL {
  uint8_t hue, saturation, lightness;
};
struct TColorHSLA {
  uint8_t alpha, hue, saturation, lightness;
};
static_assert(sizeof(TColorAlpha) == 1 && sizeof(TColorRGB) == 3 && sizeof(TColorRGBA) == 4 && sizeof(TColorYUV) == 3 &&
              sizeof(TColorYUVA) == 4 && sizeof(TColorHSL) == 3 && sizeof(TColorHSLA) == 4);

// The encodings of the tagged record.
enum : uint8_t {
  kColorAlpha = 1,
  kColorRGB = 2,
  kColorRGBA = 3,
  kColorYUV = 4,
  kColorYUVA = 5,
  kColorHSL = 6,
  kColorHSLA = 7,
  kColorPalIdx = 8,
};

// A colour tagged with its encoding. data holds the record with alpha
// (encodings 3, 5, 7) whole; an unused byte and the three channels (2, 4,
// 6); the alpha byte (1) or the palette index (8) first, the rest unused.
struct TEncodedColorData {
  uint8_t encoding;
  uint8_t data[4];
};
static_assert(sizeof(TEncodedColorData) == 5);

// The four that compute; the others compose them.
ZEF_EXTERN_C void RGB2YUV(const TColorRGB* src, TColorYUV* dst);
ZEF_EXTERN_C void YUV2RGB(const TColorYUV* src, TColorRGB* dst);
ZEF_EXTERN_C void RGB2HSL(const TColorRGB* src, TColorHSL* dst);
ZEF_EXTERN_C void HSL2RGB(const TColorHSL* src, TColorRGB* dst);

ZEF_EXTERN_C void ALPHA2RGB(const TColorAlpha* src, TColorRGB* dst);
ZEF_EXTERN_C void ALPHA2RGBA(const TColorAlpha* src, TColorRGBA* dst);
ZEF_EXTERN_C void ALPHA2YUV(const TColorAlpha* src, TColorYUV* dst);
ZEF_EXTERN_C void ALPHA2YUVA(const TColorAlpha* src, TColorYUVA* dst);
ZEF_EXTERN_C void ALPHA2HSL(const TColorAlpha* src, TColorHSL* dst);
ZEF_EXTERN_C void ALPHA2HSLA(const TColorAlpha* src, TColorHSLA* dst);
ZEF_EXTERN_C void RGB2ALPHA(const TColorRGB* src, TColorAlpha* dst);
ZEF_EXTERN_C void RGB2RGBA(const TColorRGB* src, TColorRGBA* dst);
ZEF_EXTERN_C void RGB2YUVA(const TColorRGB* src, TColorYUVA* dst);
ZEF_EXTERN_C void RGB2HSLA(const TColorRGB* src, TColorHSLA* dst);
ZEF_EXTERN_C void RGBA2ALPHA(const TColorRGBA* src, TColorAlpha* dst);
ZEF_EXTERN_C void RGBA2RGB(const TColorRGBA* src, TColorRGB* dst);
ZEF_EXTERN_C void RGBA2YUV(const TColorRGBA* src, TColorYUV* dst);
ZEF_EXTERN_C void RGBA2YUVA(const TColorRGBA* src, TColorYUVA* dst);
ZEF_EXTERN_C void RGBA2HSL(const TColorRGBA* src, TColorHSL* dst);
ZEF_EXTERN_C void RGBA2HSLA(const TColorRGBA* src, TColorHSLA* dst);
ZEF_EXTERN_C void YUV2ALPHA(const TColorYUV* src, TColorAlpha* dst);
ZEF_EXTERN_C void YUV2RGBA(const TColorYUV* src, TColorRGBA* dst);
ZEF_EXTERN_C void YUV2YUVA(const TColorYUV* src, TColorYUVA* dst);
ZEF_EXTERN_C void YUV2HSL(const TColorYUV* src, TColorHSL* dst);
ZEF_EXTERN_C void YUV2HSLA(const TColorYUV* src, TColorHSLA* dst);
ZEF_EXTERN_C void YUVA2ALPHA(const TColorYUVA* src, TColorAlpha* dst);
ZEF_EXTERN_C void YUVA2RGB(const TColorYUVA* src, TColorRGB* dst);
ZEF_EXTERN_C void YUVA2RGBA(const TColorYUVA* src, TColorRGBA* dst);
ZEF_EXTERN_C void YUVA2YUV(const TColorYUVA* src, TColorYUV* dst);
ZEF_EXTERN_C void YUVA2HSL(const TColorYUVA* src, TColorHSL* dst);
ZEF_EXTERN_C void YUVA2HSLA(const TColorYUVA* src, TColorHSLA* dst);
ZEF_EXTERN_C void HSL2ALPHA(const TColorHSL* src, TColorAlpha* dst);
ZEF_EXTERN_C void HSL2RGBA(const TColorHSL* src, TColorRGBA* dst);
ZEF_EXTERN_C void HSL2YUV(const TColorHSL* src, TColorYUV* dst);
ZEF_EXTERN_C void HSL2YUVA(const TColorHSL* src, TColorYUVA* dst);
ZEF_EXTERN_C void HSL2HSLA(const TColorHSL* src, TColorHSLA* dst);
ZEF_EXTERN_C void HSLA2ALPHA(const TColorHSLA* src, TColorAlpha* dst);
ZEF_EXTERN_C void HSLA2RGB(const TColorHSLA* src, TColorRGB* dst);
ZEF_EXTERN_C void HSLA2RGBA(const TColorHSLA* src, TColorRGBA* dst);
ZEF_EXTERN_C void HSLA2YUV(const TColorHSLA* src, TColorYUV* dst);
ZEF_EXTERN_C void HSLA2YUVA(const TColorHSLA* src, TColorYUVA* dst);
ZEF_EXTERN_C void HSLA2HSL(const TColorHSLA* src, TColorHSL* dst);

// Writes the target encoding into dst, then the source's colour converted
// into it (a copy for equal encodings). An encoding outside 1..7 on either
// side writes only the encoding byte. src and dst may be one record.
ZEF_EXTERN_C void ConvertColor(const TEncodedColorData* src, uint8_t target, TEncodedColorData* dst);

ZEF_EXTERN_C TColorAlpha AsALPHA(uint8_t a);
ZEF_EXTERN_C TColorRGB AsRGB(uint8_t r, uint8_t g, uint8_t b);
ZEF_EXTERN_C TColorRGBA AsRGBA(uint8_t r, uint8_t g, uint8_t b, uint8_t a);
ZEF_EXTERN_C TColorYUV AsYUV(uint8_t y, uint8_t u, uint8_t v);
ZEF_EXTERN_C TColorYUVA AsYUVA(uint8_t y, uint8_t u, uint8_t v, uint8_t a);
ZEF_EXTERN_C TColorHSL AsHSL(uint8_t h, uint8_t s, uint8_t l);
ZEF_EXTERN_C TColorHSLA AsHSLA(uint8_t h, uint8_t s, uint8_t l, uint8_t a);
