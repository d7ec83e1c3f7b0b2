// The encoded colour value with its conversion caches.
#include "zefcorek/EncodedColor.h"

#include "platform/SysColors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

TEncodedColor::TEncodedColor() : color_{kColorRGB, {0, 0, 0, 0}}, caches_{} {}

TEncodedColor::~TEncodedColor() = default;

void TEncodedColor::Changed() {
  for (Cache& c : caches_) c.valid = 0;
}

void TEncodedColor::SetEncoding(uint8_t encoding) {
  if (encoding == color_.encoding) return;
  ConvertColor(&color_, encoding, &color_);
  Changed();
}

const TEncodedColorData& TEncodedColor::cached(uint8_t encoding) {
  Cache& c = caches_[encoding - 1];
  if (c.valid == 0) {
    ConvertColor(&color_, encoding, &c.color);
    c.valid = 1;
  }
  return c.color;
}

// Records without alpha sit after one unused byte of the tagged record.
TColorAlpha TEncodedColor::GetAlpha() { return {cached(kColorAlpha).data[0]}; }

TColorRGB TEncodedColor::GetRGB() {
  const uint8_t* d = cached(kColorRGB).data;
  return {d[1], d[2], d[3]};
}

TColorRGBA TEncodedColor::GetRGBA() {
  const uint8_t* d = cached(kColorRGBA).data;
  return {d[0], d[1], d[2], d[3]};
}

TColorYUV TEncodedColor::GetYUV() {
  const uint8_t* d = cached(kColorYUV).data;
  return {d[1], d[2], d[3]};
}

TColorYUVA TEncodedColor::GetYUVA() {
  const uint8_t* d = cached(kColorYUVA).data;
  return {d[0], d[1], d[2], d[3]};
}

TColorHSL TEncodedColor::GetHSL() {
  const uint8_t* d = cached(kColorHSL).data;
  return {d[1], d[2], d[3]};
}

TColorHSLA TEncodedColor::GetHSLA() {
  const uint8_t* d = cached(kColorHSLA).data;
  return {d[0], d[1], d[2], d[3]};
}

uint8_t TEncodedColor::GetPalIdx() { return cached(kColorPalIdx).data[0]; }

ULONG TEncodedColor::GetWinColor() {
  const TColorRGB c = GetRGB();
  return ULONG(c.red) | ULONG(c.green) << 8 | ULONG(c.blue) << 16;
}

void TEncodedColor::setFrom(uint8_t encoding, const void* record, unsigned size, unsigned offset) {
  TEncodedColorData given{encoding, {0, 0, 0, 0}};
  std::memcpy(given.data + offset, record, size);
  ConvertColor(&given, color_.encoding, &color_);
  Changed();
}

void TEncodedColor::SetAlpha(const TColorAlpha& c) { setFrom(kColorAlpha, &c, 1, 0); }
void TEncodedColor::SetRGB(const TColorRGB& c) { setFrom(kColorRGB, &c, 3, 1); }
void TEncodedColor::SetRGBA(const TColorRGBA& c) { setFrom(kColorRGBA, &c, 4, 0); }
void TEncodedColor::SetYUV(const TColorYUV& c) { setFrom(kColorYUV, &c, 3, 1); }
void TEncodedColor::SetYUVA(const TColorYUVA& c) { setFrom(kColorYUVA, &c, 4, 0); }
void TEncodedColor::SetHSL(const TColorHSL& c) { setFrom(kColorHSL, &c, 3, 1); }
void TEncodedColor::SetHSLA(const TColorHSLA& c) { setFrom(kColorHSLA, &c, 4, 0); }
void TEncodedColor::SetPalIdx(uint8_t index) { setFrom(kColorPalIdx, &index, 1, 0); }

void TEncodedColor::SetWinColor(ULONG color) {
  SetRGB({uint8_t(color & 0xFF), uint8_t(color >> 8 & 0xFF), uint8_t(color >> 16 & 0xFF)});
}

void TEncodedColor::SetVCLColor(ULONG color) { SetWinColor(platform::ColorToRGB(color)); }

void TEncodedColor::MakeDarker(int32_t percent) {
  if (percent < 1 || percent > 100) return;
  TColorHSL hsl = GetHSL();
  hsl.lightness = uint8_t(std::trunc((100 - percent) * double(hsl.lightness) * 0.01));
  SetHSL(hsl);
}

void TEncodedColor::MakeLighter(int32_t percent) {
  if (percent < 1 || percent > 100) return;
  TColorHSL hsl = GetHSL();
  hsl.lightness = uint8_t(std::min(240.0, std::trunc((percent * 0.01 + 1.0) * double(hsl.lightness))));
  SetHSL(hsl);
}
