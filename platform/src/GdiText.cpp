// GDI text calls: the DC's text colours, text extents and DrawTextW.
#include "platform/GdiText.h"

#include "TextEngine.h"

#include "platform/LastError.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace gdi = platform::gdi;
namespace text = platform::text;

namespace {

std::u16string_view textOf(LPCWSTR text, int length) {
  if (!text) return {};
  if (length < 0) return std::u16string_view(text, platform::utf16Length(text));
  return std::u16string_view(text, static_cast<size_t>(length));
}

const LOGFONTW* fontOf(const gdi::DeviceContextObject& context) {
  auto* font = gdi::lookupFont(context.font);
  return font ? &font->description : nullptr;
}

}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF color) {
  auto* context = gdi::lookupDC(dc);
  if (!context) return CLR_INVALID;
  return std::exchange(context->textColor, color);
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  auto* context = gdi::lookupDC(dc);
  if (!context) return CLR_INVALID;
  return std::exchange(context->backgroundColor, color);
}

int SetBkMode(HDC dc, int mode) {
  auto* context = gdi::lookupDC(dc);
  if (!context || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(context->backgroundMode, mode);
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size) {
  auto* context = gdi::lookupDC(dc);
  const LOGFONTW* font = context ? fontOf(*context) : nullptr;
  if (!font || !size || length < 0 || (!text && length > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  text::LayoutRequest request;
  request.text = textOf(text, length);
  request.singleLine = true;
  request.usePrefix = false;
  text::Layout layout;
  if (!text::layOut(*font, request, layout)) return FALSE;
  *size = {layout.width(), layout.metrics.lineHeight()};
  return TRUE;
}

int DrawTextW(HDC dc, LPCWSTR rawText, int length, RECT* rect, UINT format) {
  auto* context = gdi::lookupDC(dc);
  const LOGFONTW* font = context ? fontOf(*context) : nullptr;
  if (!font || !rect || (!rawText && length != 0)) return 0;
  text::LayoutRequest request;
  request.text = textOf(rawText, length);
  request.singleLine = (format & DT_SINGLELINE) != 0;
  request.usePrefix = (format & DT_NOPREFIX) == 0;
  request.expandTabs = (format & DT_EXPANDTABS) != 0;
  if ((format & DT_WORDBREAK) != 0) request.wrapWidth = std::max<LONG>(rect->right - rect->left, 1);
  text::Layout layout;
  if (!text::layOut(*font, request, layout)) return 0;
  const int lineHeight = layout.metrics.lineHeight();
  if ((format & DT_CALCRECT) != 0) {
    rect->right = rect->left + layout.width();
    rect->bottom = rect->top + layout.height();
    return layout.height();
  }
  auto* bitmap = gdi::lookupBitmap(context->bitmap);
  if (!bitmap || bitmap->isStock) return layout.height();
  const RECT clip = text::drawableArea(*context, *bitmap, (format & DT_NOCLIP) ? nullptr : rect);

  int top = rect->top;
  if (request.singleLine && (format & DT_VCENTER) != 0)
    top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
  else if (request.singleLine && (format & DT_BOTTOM) != 0)
    top = rect->bottom - lineHeight;
  const text::Ink ink{context->textColor, true};
  for (size_t i = 0; i < layout.lines.size(); ++i, top += lineHeight) {
    const int width = layout.widths[i];
    int left = rect->left;
    if ((format & DT_CENTER) != 0)
      left = rect->left + (rect->right - rect->left - width) / 2;
    else if ((format & DT_RIGHT) != 0)
      left = rect->right - width;
    if (context->backgroundMode == OPAQUE)
      text::fillBox(*bitmap, clip, {left, top, left + width, top + lineHeight}, context->backgroundColor);
    text::drawLine(*font, layout.lines[i], layout.metrics, *bitmap, clip, left, top, ink);
  }
  return layout.height();
}

int GetClipRgn(HDC dc, HRGN region) {
  auto* context = gdi::lookupDC(dc);
  if (!context) return -1;
  if (!context->clip) return 0;
  if (auto* target = gdi::lookupRegion(region)) target->shape = *context->clip;
  return 1;
}
