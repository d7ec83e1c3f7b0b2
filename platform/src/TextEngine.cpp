// Fonts through fontconfig and FreeType, and text laid out and drawn into
// DIB sections.
#include "TextEngine.h"

#include "platform/CodePage.h"
#include "platform/PixelFormat.h"
#include "platform/TextTools.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace gdi = platform::gdi;
namespace text = platform::text;

namespace {

constexpr int kDefaultCellHeight = 16;

// The FreeType library, the faces opened from it and the font files
// fontconfig named, keyed by what was asked.
class FontEngine {
public:
  FontEngine() { ready_ = FT_Init_FreeType(&library_) == 0; }
  ~FontEngine() {
    for (auto& [key, face] : faces_) FT_Done_Face(face);
    if (ready_) FT_Done_FreeType(library_);
  }
  FontEngine(const FontEngine&) = delete;
  FontEngine& operator=(const FontEngine&) = delete;

  std::mutex mutex;

  // A rendered glyph: its advance and its coverage bitmap, placed relative
  // to the pen on the baseline.
  struct Glyph {
    int advance = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
  };

  // The glyph of the code point in the face at its current size; glyphs
  // are rendered once per face, size and code point.
  const Glyph& glyphOf(FT_Face face, char32_t codePoint) {
    const GlyphKey key{face, face->size->metrics.x_ppem, face->size->metrics.y_ppem, codePoint};
    auto found = glyphs_.find(key);
    if (found != glyphs_.end()) return found->second;
    Glyph glyph;
    if (FT_Load_Char(face, codePoint, FT_LOAD_RENDER) == 0) {
      const FT_GlyphSlot slot = face->glyph;
      glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
      glyph.left = slot->bitmap_left;
      glyph.top = slot->bitmap_top;
      glyph.width = static_cast<int>(slot->bitmap.width);
      glyph.rows = static_cast<int>(slot->bitmap.rows);
      glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.rows);
      for (int y = 0; y < glyph.rows; ++y)
        std::copy_n(slot->bitmap.buffer + static_cast<ptrdiff_t>(y) * slot->bitmap.pitch, glyph.width,
                    glyph.coverage.begin() + static_cast<ptrdiff_t>(y) * glyph.width);
    }
    // Sizes and code points seen in a process are few; the cache is
    // bounded all the same.
    if (glyphs_.size() > 65536) glyphs_.clear();
    return glyphs_.emplace(key, std::move(glyph)).first->second;
  }

  // The face for the description at its size, or null.
  FT_Face faceFor(const LOGFONTW& font, text::FontMetrics& metrics) {
    if (!ready_) return nullptr;
    FT_Face face = openFace(matchFile(font));
    if (!face) return nullptr;
    const int em = emPixels(face, font.lfHeight);
    int widthPixels = em;
    if (font.lfWidth != 0) widthPixels = scaledWidth(face, em, std::abs(font.lfWidth));
    if (FT_Set_Pixel_Sizes(face, static_cast<FT_UInt>(std::max(widthPixels, 1)),
                           static_cast<FT_UInt>(std::max(em, 1))) != 0)
      return nullptr;
    metrics.ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
    metrics.descent = static_cast<int>((-face->size->metrics.descender + 63) >> 6);
    // A cell height asked for is the line height, whatever the rounding of
    // the face's ascender and descender.
    if (font.lfHeight >= 0) {
      const int cell = font.lfHeight == 0 ? kDefaultCellHeight : font.lfHeight;
      metrics.descent = std::max(cell - metrics.ascent, 0);
    }
    metrics.emPixels = em;
    metrics.unitsPerEm = face->units_per_EM;
    metrics.ascenderUnits = face->ascender;
    return face;
  }

private:
  struct FileKey {
    std::string family;
    int weight;
    bool italic;
    bool operator<(const FileKey& other) const {
      return std::tie(family, weight, italic) < std::tie(other.family, other.weight, other.italic);
    }
  };
  using FaceKey = std::pair<std::string, int>;  // file, index

  FaceKey matchFile(const LOGFONTW& font) {
    const char16_t* end = std::find(font.lfFaceName, font.lfFaceName + LF_FACESIZE, u'\0');
    FileKey key{
        platform::wideToAnsiLenient(std::u16string_view(font.lfFaceName, static_cast<size_t>(end - font.lfFaceName))),
        font.lfWeight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR, font.lfItalic != 0};
    auto found = files_.find(key);
    if (found != files_.end()) return found->second;
    FaceKey file{"", 0};
    FcPattern* pattern = FcPatternCreate();
    if (!key.family.empty())
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(key.family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, key.weight);
    FcPatternAddInteger(pattern, FC_SLANT, key.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
      FcChar8* path = nullptr;
      int index = 0;
      if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        file = {reinterpret_cast<const char*>(path), index};
      }
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    files_.emplace(key, file);
    return file;
  }

  FT_Face openFace(const FaceKey& file) {
    if (file.first.empty()) return nullptr;
    auto found = faces_.find(file);
    if (found != faces_.end()) return found->second;
    FT_Face face = nullptr;
    if (FT_New_Face(library_, file.first.c_str(), file.second, &face) != 0) return nullptr;
    faces_.emplace(file, face);
    return face;
  }

  static int emPixels(FT_Face face, LONG height) {
    if (height < 0) return -height;
    const int cell = height == 0 ? kDefaultCellHeight : height;
    const int designCell = face->ascender - face->descender;
    if (designCell <= 0) return cell;
    return static_cast<int>(std::lround(static_cast<double>(cell) * face->units_per_EM / designCell));
  }

  // The horizontal size that gives the asked average character width.
  static int scaledWidth(FT_Face face, int em, int averageWidth) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (!os2 || os2->xAvgCharWidth <= 0 || face->units_per_EM == 0) return em;
    const double natural = static_cast<double>(em) * os2->xAvgCharWidth / face->units_per_EM;
    return static_cast<int>(std::lround(em * averageWidth / natural));
  }

  using GlyphKey = std::tuple<FT_Face, FT_UShort, FT_UShort, char32_t>;
  std::map<GlyphKey, Glyph> glyphs_;
  bool ready_ = false;
  FT_Library library_ = nullptr;
  std::map<FileKey, FaceKey> files_;
  std::map<FaceKey, FT_Face> faces_;
};

FontEngine& engine() {
  static FontEngine instance;
  return instance;
}

int advanceOf(FT_Face face, char32_t codePoint) { return engine().glyphOf(face, codePoint).advance; }

// The pen position after `c` at `pen`, tabs to the next stop.
int advancePen(FT_Face face, char32_t c, int pen, bool expandTabs, int tabStop) {
  if (c == u'\t' && expandTabs) return tabStop > 0 ? (pen / tabStop + 1) * tabStop : pen;
  return pen + advanceOf(face, c);
}

int lineWidth(FT_Face face, std::u16string_view line, bool expandTabs, int tabStop) {
  int pen = 0;
  for (size_t i = 0; i < line.size();) {
    size_t units = 1;
    pen = advancePen(face, platform::codePointAt(line, i, units), pen, expandTabs, tabStop);
    i += units;
  }
  return pen;
}

// Applies the '&' rule to one line.
text::TextLine displayLine(std::u16string_view raw, bool usePrefix) {
  text::TextLine line;
  for (size_t i = 0; i < raw.size(); ++i) {
    char16_t c = raw[i];
    bool underline = false;
    if (usePrefix && c == u'&' && i + 1 < raw.size()) {
      ++i;
      c = raw[i];
      underline = c != u'&';
    } else if (usePrefix && c == u'&') {
      continue;  // a lone '&' at the end shows nothing
    }
    line.text += c;
    line.underlined.push_back(underline);
  }
  return line;
}

// Breaks a line between words so that each piece fits `width`, a word
// wider than that on a piece of its own.
void wrapLine(FT_Face face, const text::TextLine& line, int width, bool expandTabs, int tabStop,
              std::vector<text::TextLine>& out) {
  size_t start = 0;
  while (start < line.text.size()) {
    size_t end = start;
    size_t lastFit = start;
    while (end < line.text.size()) {
      size_t next = line.text.find(u' ', end);
      if (next == std::u16string::npos) next = line.text.size();
      const std::u16string_view piece(line.text.data() + start, next - start);
      if (lineWidth(face, piece, expandTabs, tabStop) > width && lastFit > start) break;
      lastFit = next;
      end = next + 1;
      if (next == line.text.size()) break;
    }
    if (lastFit == start) lastFit = std::min(line.text.size(), end);
    text::TextLine piece;
    piece.text = line.text.substr(start, lastFit - start);
    piece.underlined.assign(line.underlined.begin() + static_cast<ptrdiff_t>(start),
                            line.underlined.begin() + static_cast<ptrdiff_t>(lastFit));
    out.push_back(std::move(piece));
    start = lastFit;
    while (start < line.text.size() && line.text[start] == u' ') ++start;
  }
  if (line.text.empty()) out.push_back(line);
}

int tabStopOf(FT_Face face) { return 8 * advanceOf(face, U'x'); }

uint32_t nearestIndex(const gdi::BitmapObject& bitmap, COLORREF color) {
  uint32_t best = 0;
  uint32_t bestDistance = UINT32_MAX;
  for (size_t i = 0; i < bitmap.colors.size(); ++i) {
    const RGBQUAD& entry = bitmap.colors[i];
    const int r = GetRValue(color) - entry.rgbRed;
    const int g = GetGValue(color) - entry.rgbGreen;
    const int b = GetBValue(color) - entry.rgbBlue;
    const auto distance = static_cast<uint32_t>(r * r + g * g + b * b);
    if (distance < bestDistance) {
      best = static_cast<uint32_t>(i);
      bestDistance = distance;
    }
  }
  return best;
}

// The bits of a 32-bpp pixel outside its colour channels (its alpha),
// which text leaves as they were.
uint32_t extraBits(const platform::PixelFormat& format, int bpp, uint32_t pixel) {
  if (bpp != 32) return 0;
  return pixel & ~(format.red.mask | format.green.mask | format.blue.mask);
}

// Puts `coverage` of the colour on one pixel: blended when anti-aliasing a
// direct-colour bitmap, else all or nothing at half coverage.
void paint(gdi::BitmapObject& bitmap, int x, int y, COLORREF color, uint32_t coverage, bool antiAlias) {
  BYTE* row = bitmap.row(y);
  const int bpp = bitmap.bitsPerPixel();
  if (bpp <= 8) {
    if (coverage >= 128) platform::writePixel(row, x, bpp, nearestIndex(bitmap, color));
    return;
  }
  const platform::PixelFormat format = bitmap.format();
  const uint32_t old = platform::readPixel(row, x, bpp);
  if (!antiAlias) {
    if (coverage >= 128) platform::writePixel(row, x, bpp, format.fromColor(color) | extraBits(format, bpp, old));
    return;
  }
  const COLORREF under = format.toColor(old);
  auto mix = [&](BYTE c, BYTE d) { return static_cast<BYTE>((c * coverage + d * (255 - coverage) + 127) / 255); };
  const COLORREF mixed = RGB(mix(GetRValue(color), GetRValue(under)), mix(GetGValue(color), GetGValue(under)),
                             mix(GetBValue(color), GetBValue(under)));
  platform::writePixel(row, x, bpp, format.fromColor(mixed) | extraBits(format, bpp, old));
}

bool insideClip(const RECT& clip, int x, int y) {
  return x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom;
}

}  // namespace

int text::Layout::width() const {
  int widest = 0;
  for (int w : widths) widest = std::max(widest, w);
  return widest;
}

bool text::layOut(const LOGFONTW& font, const LayoutRequest& request, Layout& layout) {
  std::lock_guard lock(engine().mutex);
  FT_Face face = engine().faceFor(font, layout.metrics);
  if (!face) return false;
  const int tabStop = tabStopOf(face);
  layout.lines.clear();
  layout.widths.clear();
  std::u16string_view rest = request.text;
  std::vector<std::u16string> rawLines;
  if (request.singleLine) {
    std::u16string line;
    for (char16_t c : rest)
      if (c != u'\r' && c != u'\n') line += c;
    rawLines.push_back(line);
  } else {
    size_t start = 0;
    while (true) {
      size_t end = rest.find(u'\n', start);
      std::u16string line(
          rest.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start));
      if (!line.empty() && line.back() == u'\r') line.pop_back();
      rawLines.push_back(line);
      if (end == std::u16string_view::npos) break;
      start = end + 1;
    }
  }
  for (const std::u16string& raw : rawLines) {
    const TextLine line = displayLine(raw, request.usePrefix);
    if (request.wrapWidth > 0 && !request.singleLine) {
      wrapLine(face, line, request.wrapWidth, request.expandTabs, tabStop, layout.lines);
    } else {
      layout.lines.push_back(line);
    }
  }
  for (const TextLine& line : layout.lines)
    layout.widths.push_back(lineWidth(face, line.text, request.expandTabs, tabStop));
  return true;
}

void text::drawLine(const LOGFONTW& font, const TextLine& line, const FontMetrics& expected, gdi::BitmapObject& bitmap,
                    const RECT& clip, int x, int top, const Ink& ink) {
  std::lock_guard lock(engine().mutex);
  FontMetrics metrics;
  FT_Face face = engine().faceFor(font, metrics);
  if (!face) return;
  (void)expected;
  const int tabStop = tabStopOf(face);
  const int baseline = top + metrics.ascent;
  int pen = 0;
  for (size_t i = 0; i < line.text.size();) {
    size_t units = 1;
    const char32_t c = platform::codePointAt(line.text, i, units);
    const int next = advancePen(face, c, pen, true, tabStop);
    if (c != u'\t') {
      const FontEngine::Glyph& glyph = engine().glyphOf(face, c);
      const int left = x + pen + glyph.left;
      const int glyphTop = baseline - glyph.top;
      for (int gy = 0; gy < glyph.rows; ++gy) {
        const int py = glyphTop + gy;
        for (int gx = 0; gx < glyph.width; ++gx) {
          const int px = left + gx;
          if (!insideClip(clip, px, py)) continue;
          const uint32_t coverage = glyph.coverage[static_cast<size_t>(gy) * glyph.width + gx];
          if (coverage != 0) paint(bitmap, px, py, ink.color, coverage, ink.antiAlias);
        }
      }
    }
    if (i < line.underlined.size() && line.underlined[i]) {
      const int underlineY = baseline + 1;
      for (int px = x + pen; px < x + next; ++px)
        if (insideClip(clip, px, underlineY)) paint(bitmap, px, underlineY, ink.color, 255, false);
    }
    pen = next;
    i += units;
  }
}

void text::fillBox(gdi::BitmapObject& bitmap, const RECT& clip, const RECT& box, COLORREF color) {
  for (int y = std::max(box.top, clip.top); y < std::min(box.bottom, clip.bottom); ++y)
    for (int x = std::max(box.left, clip.left); x < std::min(box.right, clip.right); ++x)
      paint(bitmap, x, y, color, 255, false);
}

RECT text::drawableArea(const gdi::DeviceContextObject& context, const gdi::BitmapObject& bitmap, const RECT* rect) {
  RECT area{0, 0, bitmap.width(), bitmap.height()};
  auto cut = [&](const RECT& other) {
    area = {std::max(area.left, other.left), std::max(area.top, other.top), std::min(area.right, other.right),
            std::min(area.bottom, other.bottom)};
  };
  if (context.clip) cut(context.clip->box);
  if (rect) cut(*rect);
  return area;
}
