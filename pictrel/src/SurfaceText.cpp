// Text, the surface font, and the memory DC lent to callers who draw with
// GDI themselves.
//
// Text goes through GDI (DrawTextW) on palette and 15-24 bpp surfaces and
// through GDI+ (DrawString) on 32-bpp surfaces or whenever GDI+ drawing is
// switched on. A surface whose GDI+ start-up failed always takes the GDI
// path, so its text is drawn at every depth.
#include "SurfaceDrawing.h"

#include "platform/GdiPlusGraphics.h"
#include "platform/GdiText.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cmath>

namespace {

using Pictrel::SurfaceState;

// The horizontal anchor and the other bits of DrawTextAt's flags.
constexpr DWORD kAnchorMask = 0x3;
constexpr DWORD kAnchorCentre = 1;
constexpr DWORD kAnchorRight = 2;
constexpr DWORD kCentreVertically = 0x4;
constexpr DWORD kBottomAtY = 0x8;
constexpr DWORD kLayoutBox = 1000;  // room for a left-anchored text without an out box

Gdiplus::ARGB opaqueArgb(COLORREF color) {
  return 0xFF000000u | (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

// A surface rectangle (inclusive) as a GDI rectangle (right and bottom one
// past the last pixel), its corners in order.
RECT gdiRectOf(const tagT_IRECT2D& rect) {
  return {std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right) + 1,
          std::max(rect.top, rect.bottom) + 1};
}

// The GDI+ string format of DrawText's format bits.
Gdiplus::StringFormat stringFormatOf(UINT format, bool withAlignment) {
  int flags = 0;
  if (format & DT_SINGLELINE) flags |= Gdiplus::StringFormatFlagsNoWrap;
  if (format & DT_NOCLIP) flags |= Gdiplus::StringFormatFlagsNoClip;
  Gdiplus::StringFormat stringFormat(flags);
  stringFormat.SetHotkeyPrefix((format & DT_NOPREFIX) ? Gdiplus::HotkeyPrefix::None : Gdiplus::HotkeyPrefix::Show);
  if (withAlignment) {
    stringFormat.SetAlignment((format & DT_RIGHT)    ? Gdiplus::StringAlignment::Far
                              : (format & DT_CENTER) ? Gdiplus::StringAlignment::Center
                                                     : Gdiplus::StringAlignment::Near);
  }
  return stringFormat;
}

// The GDI+ font of the surface font, or of the DC alone.
std::unique_ptr<Gdiplus::Font> gdiplusFontOf(const SurfaceState& state) {
  LOGFONTA narrow{};
  if (GetObjectA(state.font, sizeof narrow, &narrow) == static_cast<int>(sizeof narrow))
    return std::make_unique<Gdiplus::Font>(state.memoryDC, &narrow);
  return std::make_unique<Gdiplus::Font>(state.memoryDC);
}

}  // namespace

bool Pictrel::IDrawableDSImp::usesGdiplusText() {
  if (state_.gdiplusToken == 0) return false;
  return IsAntiAliasEnabled() || state_.bitsPerPixel() == 32;
}

HRESULT Pictrel::IDrawableDSImp::SetFont(LPCWSTR face, DWORD style, int height) {
  return SetFontEx(face, style, height, 0);
}

HRESULT Pictrel::IDrawableDSImp::SetFontEx(LPCWSTR face, DWORD style, int height, int width) {
  if (!face) return E_INVALIDARG;
  if (state_.font) {
    if (state_.memoryDC && state_.previousFont) SelectObject(state_.memoryDC, state_.previousFont);
    DeleteObject(state_.font);
    state_.font = nullptr;
    state_.previousFont = nullptr;
  }
  LOGFONTW description{};
  description.lfHeight = height;
  description.lfWidth = width;
  description.lfWeight = (style & 1) ? FW_BOLD : 0;
  const size_t length = std::min<size_t>(platform::utf16Length(face), LF_FACESIZE - 1);
  std::copy_n(face, length, description.lfFaceName);
  state_.font = CreateFontIndirectW(&description);
  if (!state_.font) return E_FAIL;
  if (state_.memoryDC) state_.previousFont = SelectObject(state_.memoryDC, state_.font);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::SelectGdiObject(HGDIOBJ object, HGDIOBJ* previous) {
  HGDIOBJ held = SelectObject(state_.memoryDC, object);
  if (previous) *previous = held;
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::drawWithGdi(LPCWSTR text, const tagT_IRECT2D& rect, RECT& gdiRect, UINT format,
                                             COLORREF color) {
  HDC dc = state_.memoryDC;
  SetTextColor(dc, color);
  SetBkColor(dc, 0x00FFFFFF);
  SetBkMode(dc, TRANSPARENT);
  if (PushClipRect(&rect) == S_FALSE) return S_OK;
  // The region keeps GDI inside the clip, which the push cut to the text's
  // rectangle and the surface.
  const tagT_IRECT2D clip = drawableClip(state_);
  HRGN region = CreateRectRgn(clip.left, clip.top, clip.right + 1, clip.bottom + 1);
  SelectClipRgn(dc, region);
  DrawTextW(dc, text, -1, &gdiRect, format);
  SelectClipRgn(dc, state_.lentClipRegion);
  DeleteObject(region);
  PopClipRect();
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::DrawText(LPCWSTR text, tagT_IRECT2D* rect, UINT format, COLORREF color) {
  if (!text || !rect) return E_INVALIDARG;
  if (!state_.font) return E_FAIL;
  if (!usesGdiplusText()) {
    // Clipped to the rectangle with its corners in order: the clip of a
    // rectangle given the other way round would miss or cut the text.
    RECT gdiRect = gdiRectOf(*rect);
    const tagT_IRECT2D ordered{gdiRect.left, gdiRect.top, gdiRect.right - 1, gdiRect.bottom - 1};
    return drawWithGdi(text, ordered, gdiRect, format, color);
  }
  if (!state_.memoryDC) return S_OK;
  Gdiplus::Graphics graphics(state_.memoryDC);
  graphics.SetSmoothingMode(Gdiplus::SmoothingMode::AntiAlias);
  // The layout starts at the rectangle's top left corner, whichever order
  // its corners were given in.
  const Gdiplus::RectF layout{static_cast<float>(std::min(rect->left, rect->right)),
                              static_cast<float>(std::min(rect->top, rect->bottom)),
                              static_cast<float>(std::abs(int64_t{rect->right} - rect->left)),
                              static_cast<float>(std::abs(int64_t{rect->bottom} - rect->top))};
  const auto font = gdiplusFontOf(state_);
  const Gdiplus::StringFormat stringFormat = stringFormatOf(format, /*withAlignment=*/true);
  Gdiplus::SolidBrush brush(opaqueArgb(color));
  drawStringInClip(graphics, text, *font, layout, stringFormat, brush);
  return S_OK;
}

void Pictrel::IDrawableDSImp::drawStringInClip(Gdiplus::Graphics& graphics, LPCWSTR text, const Gdiplus::Font& font,
                                               const Gdiplus::RectF& layout, const Gdiplus::StringFormat& format,
                                               const Gdiplus::SolidBrush& brush) {
  // GDI+ text stays inside the surface's clip like every other figure.
  const tagT_IRECT2D clip = drawableClip(state_);
  if (clip.left > clip.right || clip.top > clip.bottom) return;
  HRGN region = CreateRectRgn(clip.left, clip.top, clip.right + 1, clip.bottom + 1);
  SelectClipRgn(state_.memoryDC, region);
  graphics.DrawString(text, -1, &font, layout, &format, &brush);
  SelectClipRgn(state_.memoryDC, state_.lentClipRegion);
  DeleteObject(region);
}

HRESULT Pictrel::IDrawableDSImp::DrawTextAt(LPCWSTR text, int x, int y, DWORD flags, COLORREF color,
                                            tagT_IRECT2D* box) {
  if (!text) return E_INVALIDARG;
  if (!state_.font) return E_FAIL;
  if (!usesGdiplusText()) return drawTextAtWithGdi(text, x, y, flags, color, box);
  if (!state_.memoryDC) return S_OK;
  Gdiplus::Graphics graphics(state_.memoryDC);
  graphics.SetSmoothingMode(Gdiplus::SmoothingMode::AntiAlias);
  const auto font = gdiplusFontOf(state_);
  const Gdiplus::StringFormat stringFormat = stringFormatOf(flags, /*withAlignment=*/false);
  Gdiplus::RectF measured;
  graphics.MeasureString(text, -1, font.get(), Gdiplus::RectF{}, &stringFormat, &measured);
  int left = x + static_cast<int>(std::ceil(measured.X));
  int top = y + static_cast<int>(std::ceil(measured.Y));
  int right = left + static_cast<int>(std::ceil(measured.Width));
  int bottom = top + static_cast<int>(std::ceil(measured.Height));
  const int height = bottom - top;
  const int width = right - left;
  if ((flags & (kCentreVertically | kBottomAtY)) == kBottomAtY) {
    top -= height;
    bottom -= height;
  } else if ((flags & (kCentreVertically | kBottomAtY)) == kCentreVertically) {
    Gdiplus::FontFamily family;
    font->GetFamily(&family);
    const double em = family.GetEmHeight(0);
    const double ascent = em > 0 ? font->GetSize() / em * family.GetCellAscent(0) * graphics.GetDpiY() / 72.0 : 0.0;
    const auto shift = static_cast<int>(std::floor((ascent + 0.5) / 2));
    top -= shift;
    bottom -= shift;
  }
  if ((flags & kAnchorMask) == kAnchorCentre) {
    left -= width / 2;
    right -= width / 2;
  } else if ((flags & kAnchorMask) == kAnchorRight) {
    left -= width;
    right -= width;
  }
  if (box) *box = {left, top, right, bottom};
  const Gdiplus::RectF layout{static_cast<float>(left), static_cast<float>(top),
                              static_cast<float>(std::abs(right - left)), static_cast<float>(std::abs(bottom - top))};
  Gdiplus::SolidBrush brush(opaqueArgb(color));
  drawStringInClip(graphics, text, *font, layout, stringFormat, brush);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::drawTextAtWithGdi(LPCWSTR text, int x, int y, DWORD flags, COLORREF color,
                                                   tagT_IRECT2D* box) {
  SIZE extent{10, 10};
  if (!GetTextExtentPoint32W(state_.memoryDC, text, static_cast<int>(platform::utf16Length(text)), &extent))
    extent = {10, 10};
  // The text's box in GDI form (right and bottom one past the text), so a
  // right-anchored text ends on column x and the box's right is x + 1.
  RECT gdiRect{};
  switch (flags & kAnchorMask) {
    case kAnchorCentre: gdiRect = {x - extent.cx / 2, y, x - extent.cx / 2 + extent.cx, y + extent.cy}; break;
    case kAnchorRight: gdiRect = {x - extent.cx + 1, y, x + 1, y + extent.cy}; break;
    default:
      gdiRect = box ? RECT{x, y, x + extent.cx, y + extent.cy}
                    : RECT{x, y, x + static_cast<LONG>(kLayoutBox) + 1, y + static_cast<LONG>(kLayoutBox) + 1};
      break;
  }
  if (flags & kCentreVertically) {
    gdiRect.top = y - extent.cy / 2;
    gdiRect.bottom = gdiRect.top + extent.cy;
  }
  if (box) *box = {gdiRect.left, gdiRect.top, gdiRect.right, gdiRect.bottom};
  const tagT_IRECT2D rect{gdiRect.left, gdiRect.top, gdiRect.right - 1, gdiRect.bottom - 1};
  return drawWithGdi(text, rect, gdiRect, (flags & 0x820) | DT_NOCLIP, color);
}

HRESULT Pictrel::IDrawableDSImp::GetDC(HDC* out, bool noClipRegion) {
  if (!out) return E_INVALIDARG;
  if (state_.mode != SurfaceMode::OwnDib || !state_.memoryDC) {
    *out = nullptr;
    return E_FAIL;
  }
  if (!noClipRegion && !state_.lentClipRegion) {
    // The clip's four values taken as a GDI rectangle, as callers expect.
    const tagT_IRECT2D& clip = state_.clip();
    state_.lentClipRegion = CreateRectRgn(clip.left, clip.top, clip.right, clip.bottom);
    SelectClipRgn(state_.memoryDC, state_.lentClipRegion);
  }
  *out = state_.memoryDC;
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::ReleaseDC(HDC dc) {
  if (dc != state_.memoryDC) return E_FAIL;
  if (state_.lentClipRegion) {
    SelectClipRgn(dc, nullptr);
    DeleteObject(state_.lentClipRegion);
    state_.lentClipRegion = nullptr;
  }
  return S_OK;
}
