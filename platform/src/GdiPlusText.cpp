// GDI+ text: fonts from GDI font descriptions, measured and drawn by the
// text engine.
#include "platform/GdiPlusGraphics.h"

#include "TextEngine.h"

#include "platform/CodePage.h"
#include "platform/Gdi.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cstring>
#include <cmath>

namespace gdi = platform::gdi;
namespace text = platform::text;

struct Gdiplus::FontDescription {
  LOGFONTW font{};
  text::FontMetrics metrics;
};

namespace {

std::u16string_view textOf(const WCHAR* text, int length) {
  if (!text) return {};
  if (length < 0) return std::u16string_view(text, platform::utf16Length(text));
  return std::u16string_view(text, static_cast<size_t>(length));
}

// The metrics of the font, or false when no face can be had for it.
bool measureFont(Gdiplus::FontDescription& description) {
  text::Layout layout;
  text::LayoutRequest request;
  if (!text::layOut(description.font, request, layout)) return false;
  description.metrics = layout.metrics;
  return true;
}

bool layOut(const Gdiplus::Font* font, std::u16string_view string, const Gdiplus::RectF& area,
            const Gdiplus::StringFormat* format, text::Layout& layout) {
  if (!font || !font->description()) return false;
  text::LayoutRequest request;
  request.text = string;
  request.usePrefix = format && format->prefix() != Gdiplus::HotkeyPrefix::None;
  const bool noWrap = format && (format->flags() & Gdiplus::StringFormatFlagsNoWrap) != 0;
  if (!noWrap && area.Width > 0) request.wrapWidth = static_cast<int>(area.Width);
  if (!text::layOut(font->description()->font, request, layout)) return false;
  if (format && format->prefix() == Gdiplus::HotkeyPrefix::Hide)
    for (text::TextLine& line : layout.lines) line.underlined.assign(line.text.size(), false);
  return true;
}

int alignedLeft(const Gdiplus::RectF& area, const Gdiplus::StringFormat* format, int width) {
  const auto left = static_cast<int>(std::floor(area.X));
  if (!format || area.Width <= 0) return left;
  switch (format->alignment()) {
    case Gdiplus::StringAlignment::Near: return left;
    case Gdiplus::StringAlignment::Center: return left + (static_cast<int>(area.Width) - width) / 2;
    case Gdiplus::StringAlignment::Far: return left + static_cast<int>(area.Width) - width;
  }
  return left;
}

}  // namespace

uint16_t Gdiplus::FontFamily::GetCellAscent(int) const { return cellAscent_; }
uint16_t Gdiplus::FontFamily::GetEmHeight(int) const { return emHeight_; }

Gdiplus::Font::Font(HDC dc, const LOGFONTA* font) : description_(std::make_unique<FontDescription>()) {
  if (!font || !gdi::lookupDC(dc)) {
    lastStatus_ = Status::InvalidParameter;
    return;
  }
  std::memcpy(&description_->font, font, offsetof(LOGFONTA, lfFaceName));
  const char* end = std::find(font->lfFaceName, font->lfFaceName + LF_FACESIZE, '\0');
  const std::u16string face =
      platform::ansiToWideLenient(std::string_view(font->lfFaceName, static_cast<size_t>(end - font->lfFaceName)));
  std::copy_n(face.begin(), std::min<size_t>(face.size(), LF_FACESIZE - 1), description_->font.lfFaceName);
  if (!measureFont(*description_)) lastStatus_ = Status::FontFamilyNotFound;
}

Gdiplus::Font::Font(HDC dc) : description_(std::make_unique<FontDescription>()) {
  auto* context = gdi::lookupDC(dc);
  auto* font = context ? gdi::lookupFont(context->font) : nullptr;
  if (!font) {
    lastStatus_ = Status::InvalidParameter;
    return;
  }
  description_->font = font->description;
  if (!measureFont(*description_)) lastStatus_ = Status::FontFamilyNotFound;
}

Gdiplus::Font::~Font() = default;

float Gdiplus::Font::GetSize() const { return static_cast<float>(description_->metrics.emPixels) * 72.0f / 96.0f; }

Gdiplus::Status Gdiplus::Font::GetFamily(FontFamily* family) const {
  if (!family) return Status::InvalidParameter;
  if (lastStatus_ != Status::Ok) return lastStatus_;
  family->cellAscent_ = static_cast<uint16_t>(std::max(description_->metrics.ascenderUnits, 0));
  family->emHeight_ = static_cast<uint16_t>(description_->metrics.unitsPerEm);
  return Status::Ok;
}

Gdiplus::Status Gdiplus::Graphics::MeasureString(const WCHAR* string, int length, const Font* font, const RectF& area,
                                                 const StringFormat* format, RectF* box) const {
  if (!string || !box) return Status::InvalidParameter;
  text::Layout layout;
  if (!layOut(font, textOf(string, length), area, format, layout)) return Status::InvalidParameter;
  const int width = layout.width();
  *box = {static_cast<float>(alignedLeft(area, format, width)), area.Y, static_cast<float>(width),
          static_cast<float>(layout.height())};
  return Status::Ok;
}

Gdiplus::Status Gdiplus::Graphics::DrawString(const WCHAR* string, int length, const Font* font, const RectF& area,
                                              const StringFormat* format, const SolidBrush* brush) {
  if (!string || !brush) return lastStatus_ = Status::InvalidParameter;
  auto* context = gdi::lookupDC(dc_);
  auto* bitmap = context ? gdi::lookupBitmap(context->bitmap) : nullptr;
  if (!bitmap || bitmap->isStock) return lastStatus_ = Status::WrongState;
  text::Layout layout;
  if (!layOut(font, textOf(string, length), area, format, layout)) return lastStatus_ = Status::InvalidParameter;
  const bool noClip =
      (format && (format->flags() & StringFormatFlagsNoClip) != 0) || area.Width <= 0 || area.Height <= 0;
  const RECT bounds{static_cast<LONG>(std::floor(area.X)), static_cast<LONG>(std::floor(area.Y)),
                    static_cast<LONG>(std::ceil(area.X + area.Width)),
                    static_cast<LONG>(std::ceil(area.Y + area.Height))};
  const RECT clip = text::drawableArea(*context, *bitmap, noClip ? nullptr : &bounds);
  const ARGB argb = brush->color();
  const text::Ink ink{RGB(static_cast<BYTE>(argb >> 16), static_cast<BYTE>(argb >> 8), static_cast<BYTE>(argb)),
                      smoothing_ != SmoothingMode::None};
  int top = static_cast<int>(std::floor(area.Y));
  for (size_t i = 0; i < layout.lines.size(); ++i, top += layout.metrics.lineHeight())
    text::drawLine(font->description()->font, layout.lines[i], layout.metrics, *bitmap, clip,
                   alignedLeft(area, format, layout.widths[i]), top, ink);
  return lastStatus_ = Status::Ok;
}
