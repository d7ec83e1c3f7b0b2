// TEncodedColor: one colour in any encoding, answered in every encoding.
//
// The colour is kept in the encoding it was given (RGB black at first);
// every getter converts it once into a cache of its own encoding and
// answers from there until the colour changes. Every setter converts the
// value given into the stored encoding and ends with the virtual Changed,
// so a derived class sees every change.
#pragma once

#include "zefcorek/Colors.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

class ZEF_EXPORT TEncodedColor {
public:
  TEncodedColor();
  virtual ~TEncodedColor();
  TEncodedColor(const TEncodedColor&) = default;
  TEncodedColor& operator=(const TEncodedColor&) = default;

  // Invalidates every cached conversion.
  virtual void Changed();

  uint8_t GetEncoding() const { return color_.encoding; }
  // Converts the stored colour into the encoding (1..8).
  void SetEncoding(uint8_t encoding);

  TColorAlpha GetAlpha();
  TColorRGB GetRGB();
  TColorRGBA GetRGBA();
  TColorYUV GetYUV();
  TColorYUVA GetYUVA();
  TColorHSL GetHSL();
  TColorHSLA GetHSLA();
  uint8_t GetPalIdx();
  // The colour as a 32-bit platform colour: red | green << 8 | blue << 16.
  ULONG GetWinColor();
  ULONG GetVCLColor() { return GetWinColor(); }
  operator ULONG() { return GetWinColor(); }

  void SetAlpha(const TColorAlpha& c);
  void SetRGB(const TColorRGB& c);
  void SetRGBA(const TColorRGBA& c);
  void SetYUV(const TColorYUV& c);
  void SetYUVA(const TColorYUVA& c);
  void SetHSL(const TColorHSL& c);
  void SetHSLA(const TColorHSLA& c);
  // No conversion involves the palette index: the colour stays, the caches go.
  void SetPalIdx(uint8_t index);
  // The top byte is ignored.
  void SetWinColor(ULONG color);
  // A framework colour: one with the top bit set names a system colour.
  void SetVCLColor(ULONG color);

  // Scales the lightness by (100 - percent)% or (100 + percent)%, at most
  // 240; percent outside 1..100 does nothing.
  void MakeDarker(int32_t percent);
  void MakeLighter(int32_t percent);

private:
  struct Cache {
    TEncodedColorData color;
    int32_t valid;
  };
  const TEncodedColorData& cached(uint8_t encoding);
  void setFrom(uint8_t encoding, const void* record, unsigned size, unsigned offset);

  TEncodedColorData color_;
  Cache caches_[8];  // by encoding 1..8
};
