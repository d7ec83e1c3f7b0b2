// Short texts at 11 pixels on a 32-bpp surface through the GDI and the
// GDI+ text paths, beside cairo_show_text with the same font file through
// cairo's FreeType font face.
#include "BenchSurfaces.h"

#include "platform/GdiPlus.h"

#include "testsupport/FixtureFonts.h"

#include <benchmark/benchmark.h>
#include <cairo-ft.h>
#include <cairo.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kSide = 1024;
constexpr char kFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Placed {
  std::u16string wide;
  std::string narrow;
  int x;
  int y;
};

const std::vector<Placed>& texts() {
  static const std::vector<Placed> list = [] {
    std::mt19937 random(99);
    std::uniform_int_distribution<int> letter('a', 'z');
    std::uniform_int_distribution<int> place(0, kSide - 80);
    std::vector<Placed> out(10000);
    for (Placed& p : out) {
      for (int i = 0; i < 12; ++i) {
        const auto c = static_cast<char>(letter(random));
        p.narrow += c;
        p.wide += static_cast<char16_t>(c);
      }
      p.x = place(random);
      p.y = place(random);
    }
    return out;
  }();
  return list;
}

Pictrel::IDrawableDS* textSurface(bool withGdiplus) {
  testsupport::useFixtureFonts();
  if (!withGdiplus) platform::failNextGdiplusStartup();
  Pictrel::IDrawableDS* surface = benchsupport::newSurface(kSide, kSide, 32);
  surface->SetFont(u"DejaVu Sans", 0, -11);
  return surface;
}

void drawAll(benchmark::State& state, Pictrel::IDrawableDS* surface) {
  for (auto _ : state)
    for (const Placed& p : texts()) surface->DrawTextAt(p.wide.c_str(), p.x, p.y, 0, 0x00FFFFFF, nullptr);
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts().size()));
  surface->Release();
}

void BM_SurfaceTextGdi(benchmark::State& state) { drawAll(state, textSurface(false)); }
BENCHMARK(BM_SurfaceTextGdi);

void BM_SurfaceTextGdiplus(benchmark::State& state) { drawAll(state, textSurface(true)); }
BENCHMARK(BM_SurfaceTextGdiplus);

void BM_CairoShowText(benchmark::State& state) {
  std::vector<uint32_t> pixels(size_t{kSide} * kSide);
  cairo_surface_t* surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                 CAIRO_FORMAT_RGB24, kSide, kSide, kSide * 4);
  cairo_t* cr = cairo_create(surface);
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  FT_Face face = nullptr;
  FT_New_Face(library, kFontFile, 0, &face);
  cairo_font_face_t* fontFace = cairo_ft_font_face_create_for_ft_face(face, 0);
  cairo_set_font_face(cr, fontFace);
  cairo_set_font_size(cr, 11);
  cairo_set_source_rgb(cr, 1, 1, 1);
  for (auto _ : state) {
    for (const Placed& p : texts()) {
      cairo_move_to(cr, p.x, p.y + 11);
      cairo_show_text(cr, p.narrow.c_str());
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(texts().size()));
  cairo_destroy(cr);
  cairo_font_face_destroy(fontFace);
  cairo_surface_destroy(surface);
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}
BENCHMARK(BM_CairoShowText);

}  // namespace
