// Colour conversions, the encoded colour value and the CAD colour index,
// with Python's colorsys and ezdxf's index table as oracles.
#include "zefcorek/AcadColors.h"
#include "zefcorek/Colors.h"
#include "zefcorek/EncodedColor.h"

#include "platform/SysColors.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Bytes3 {
  int a, b, c;
  bool operator==(const Bytes3&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Bytes3& v) {
  return os << "(" << v.a << ", " << v.b << ", " << v.c << ")";
}

Bytes3 of(const TColorRGB& c) { return {c.red, c.green, c.blue}; }
Bytes3 of(const TColorYUV& c) { return {c.y, c.u, c.v}; }
Bytes3 of(const TColorHSL& c) { return {c.hue, c.saturation, c.lightness}; }

// Runs a Python program and answers its standard output.
std::string runPython(const std::string& program) {
  const std::string command = "/usr/bin/python3 -c '" + program + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string out;
  char buffer[4096];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
}

TEST(ColorsTest, ComputingConverters) {
  struct Case {
    const char* what;
    Bytes3 in, out;
  };
  const Case hsl[] = {
      {"red", {255, 0, 0}, {0, 240, 120}},    {"green", {0, 255, 0}, {80, 240, 120}},
      {"blue", {0, 0, 255}, {160, 240, 120}}, {"yellow", {255, 255, 0}, {40, 240, 120}},
      {"grey", {128, 128, 128}, {0, 0, 120}},
  };
  for (const Case& c : hsl) {
    const TColorRGB rgb{uint8_t(c.in.a), uint8_t(c.in.b), uint8_t(c.in.c)};
    TColorHSL out{};
    RGB2HSL(&rgb, &out);
    EXPECT_EQ(of(out), c.out) << c.what;
  }
  for (const TColorHSL in : {TColorHSL{0, 240, 120}, TColorHSL{240, 240, 120}}) {
    TColorRGB out{};
    HSL2RGB(&in, &out);
    EXPECT_EQ(of(out), (Bytes3{255, 0, 0})) << "hue " << int(in.hue);
  }
  const Case yuv[] = {
      {"black", {0, 0, 0}, {0, 128, 128}},
      {"red", {255, 0, 0}, {76, 90, 255}},
      {"blue", {0, 0, 255}, {29, 238, 102}},
  };
  for (const Case& c : yuv) {
    const TColorRGB rgb{uint8_t(c.in.a), uint8_t(c.in.b), uint8_t(c.in.c)};
    TColorYUV out{};
    RGB2YUV(&rgb, &out);
    EXPECT_EQ(of(out), c.out) << c.what;
  }
  const TColorRGB white{255, 255, 255};
  TColorYUV w{};
  RGB2YUV(&white, &w);
  EXPECT_EQ(w.y, 255);
  EXPECT_NEAR(w.u, 128, 1);
  EXPECT_NEAR(w.v, 128, 1);
}

TEST(ColorsTest, ComposedConvertersAndConvertColor) {
  const TColorRGB red{255, 0, 0};
  TColorRGBA rgba{9, 9, 9, 9};
  RGB2RGBA(&red, &rgba);
  EXPECT_EQ(rgba.alpha, 0);
  EXPECT_EQ(rgba.red, 255);
  const TColorRGBA half = AsRGBA(1, 2, 3, 128);
  EXPECT_EQ(half.alpha, 128);
  TColorRGB dropped{};
  RGBA2RGB(&half, &dropped);
  EXPECT_EQ(of(dropped), (Bytes3{1, 2, 3}));
  const TColorAlpha a = AsALPHA(77);
  TColorRGB black{9, 9, 9};
  ALPHA2RGB(&a, &black);
  EXPECT_EQ(of(black), (Bytes3{0, 0, 0}));
  TColorHSLA hsla{};
  ALPHA2HSLA(&a, &hsla);
  EXPECT_EQ(hsla.alpha, 77);
  TColorAlpha back{};
  HSLA2ALPHA(&hsla, &back);
  EXPECT_EQ(back.alpha, 77);
  RGB2ALPHA(&red, &back);
  EXPECT_EQ(back.alpha, 0);
  // Across spaces through RGB, alpha passed on.
  const TColorYUVA yuva = AsYUVA(76, 90, 255, 200);
  TColorHSLA fromYuv{};
  YUVA2HSLA(&yuva, &fromYuv);
  TColorYUV plain{76, 90, 255};
  TColorRGB viaRgb{};
  YUV2RGB(&plain, &viaRgb);
  TColorHSL expected{};
  RGB2HSL(&viaRgb, &expected);
  EXPECT_EQ(fromYuv.alpha, 200);
  EXPECT_EQ(fromYuv.hue, expected.hue);
  EXPECT_EQ(fromYuv.lightness, expected.lightness);

  // ConvertColor: to a palette index only the encoding byte changes; in
  // place on one record; equal encodings copy.
  TEncodedColorData c{kColorRGB, {0, 255, 0, 0}};
  TEncodedColorData pal{0, {1, 2, 3, 4}};
  ConvertColor(&c, kColorPalIdx, &pal);
  EXPECT_EQ(pal.encoding, kColorPalIdx);
  EXPECT_EQ(pal.data[0], 1);
  EXPECT_EQ(pal.data[3], 4);
  ConvertColor(&c, kColorHSL, &c);
  EXPECT_EQ(c.encoding, kColorHSL);
  EXPECT_EQ(c.data[1], 0);
  EXPECT_EQ(c.data[2], 240);
  EXPECT_EQ(c.data[3], 120);
  TEncodedColorData copy{};
  ConvertColor(&c, kColorHSL, &copy);
  EXPECT_EQ(copy.data[2], 240);
  TEncodedColorData withAlpha{};
  ConvertColor(&c, kColorRGBA, &withAlpha);
  EXPECT_EQ(withAlpha.data[0], 0);
  EXPECT_EQ(withAlpha.data[1], 255);
}

// colorsys's HLS and the same YUV formulas, rescaled to the byte ranges,
// on colours away from .5 rounding boundaries: within one unit.
TEST(ColorsTest, AgreesWithColorsys) {
  std::vector<TColorRGB> sample;
  for (int r = 7; r < 256; r += 37)
    for (int g = 11; g < 256; g += 41)
      for (int b = 3; b < 256; b += 43) sample.push_back({uint8_t(r), uint8_t(g), uint8_t(b)});
  std::ostringstream program;
  program << "import colorsys\n";
  program << "for r,g,b in [";
  for (const TColorRGB& c : sample) program << "(" << int(c.red) << "," << int(c.green) << "," << int(c.blue) << "),";
  program << "]:\n";
  program << " h,l,s=colorsys.rgb_to_hls(r/255,g/255,b/255)\n";
  program << " y=0.299*r+0.587*g+0.114*b\n";
  program << " u=min(max(-0.147*r-0.289*g+0.436*b,-128),128)\n";
  program << " v=min(max(0.615*r-0.515*g-0.1*b,-128),128)\n";
  program << " print(h*240,s*240,l*240,y,(u+128)*255/256,(v+128)*255/256)\n";
  const std::string out = runPython(program.str());
  std::istringstream in(out);
  size_t checked = 0;
  int over = 0;
  for (const TColorRGB& c : sample) {
    double h = 0, s = 0, l = 0, y = 0, u = 0, v = 0;
    if (!(in >> h >> s >> l >> y >> u >> v)) break;
    TColorHSL got{};
    RGB2HSL(&c, &got);
    TColorYUV yuv{};
    RGB2YUV(&c, &yuv);
    const double diffs[6] = {std::abs(got.hue - h), std::abs(got.saturation - s), std::abs(got.lightness - l),
                             std::abs(yuv.y - y),   std::abs(yuv.u - u),          std::abs(yuv.v - v)};
    for (double d : diffs) over += d > 1.0;
    ++checked;
  }
  ASSERT_EQ(checked, sample.size()) << "python3 gave " << out.size() << " bytes";
  EXPECT_EQ(over, 0);
}

TEST(EncodedColorTest, ValuesAndCaches) {
  TEncodedColor c;
  EXPECT_EQ(of(c.GetRGB()), (Bytes3{0, 0, 0}));
  EXPECT_EQ(c.GetWinColor(), 0u);
  c.SetWinColor(0xAB0000FF);
  EXPECT_EQ(of(c.GetRGB()), (Bytes3{255, 0, 0}));
  EXPECT_EQ(of(c.GetHSL()), (Bytes3{0, 240, 120}));
  EXPECT_EQ(ULONG(c), c.GetWinColor());
  EXPECT_EQ(c.GetVCLColor(), 0x0000FFu);

  // A second GetYUV after SetRGB answers the new colour.
  const Bytes3 redYuv = of(c.GetYUV());
  c.SetRGB({0, 0, 255});
  EXPECT_NE(of(c.GetYUV()), redYuv);
  EXPECT_EQ(of(c.GetYUV()), (Bytes3{29, 238, 102}));

  // The stored encoding changes only through SetEncoding.
  TEncodedColor h;
  h.SetRGB({200, 100, 50});
  h.SetEncoding(kColorHSL);
  EXPECT_EQ(h.GetEncoding(), kColorHSL);
  const Bytes3 back = of(h.GetRGB());
  EXPECT_NEAR(back.a, 200, 2);
  EXPECT_NEAR(back.b, 100, 2);
  EXPECT_NEAR(back.c, 50, 2);
  h.SetRGB({0, 255, 0});
  EXPECT_EQ(h.GetEncoding(), kColorHSL);

  // Lightness 200: lighter by 50% clamps to 240; darker by 100% is 0;
  // percentages outside 1..100 do nothing.
  TEncodedColor l;
  l.SetEncoding(kColorHSL);
  l.SetHSL({40, 120, 200});
  l.MakeLighter(50);
  EXPECT_EQ(l.GetHSL().lightness, 240);
  l.SetHSL({40, 120, 200});
  l.MakeDarker(0);
  l.MakeDarker(101);
  l.MakeLighter(-3);
  EXPECT_EQ(l.GetHSL().lightness, 200);
  l.MakeDarker(50);
  EXPECT_EQ(l.GetHSL().lightness, 100);
  l.MakeDarker(100);
  EXPECT_EQ(l.GetHSL().lightness, 0);

  // Alpha alone stored into RGBA keeps the alpha with black channels; into
  // RGB it is black.
  TEncodedColor withAlpha;
  withAlpha.SetEncoding(kColorRGBA);
  withAlpha.SetRGB({10, 20, 30});
  withAlpha.SetAlpha({128});
  const TColorRGBA rgba = withAlpha.GetRGBA();
  EXPECT_EQ(rgba.alpha, 128);
  EXPECT_EQ(rgba.red + rgba.green + rgba.blue, 0);
  TEncodedColor plain;
  plain.SetRGB({10, 20, 30});
  plain.SetAlpha({128});
  EXPECT_EQ(of(plain.GetRGB()), (Bytes3{0, 0, 0}));

  // The palette index converts nothing: the colour stays.
  plain.SetRGB({10, 20, 30});
  plain.SetPalIdx(5);
  EXPECT_EQ(of(plain.GetRGB()), (Bytes3{10, 20, 30}));
}

TEST(EncodedColorTest, ChangedAndFrameworkColours) {
  struct Counting : TEncodedColor {
    int changes = 0;
    void Changed() override {
      TEncodedColor::Changed();
      ++changes;
    }
  };
  Counting c;
  c.SetAlpha({1});
  c.SetRGB({1, 2, 3});
  c.SetRGBA({1, 1, 2, 3});
  c.SetYUV({1, 2, 3});
  c.SetYUVA({1, 1, 2, 3});
  c.SetHSL({1, 2, 3});
  c.SetHSLA({1, 1, 2, 3});
  c.SetPalIdx(1);
  c.SetWinColor(1);
  c.SetVCLColor(1);
  c.MakeDarker(10);
  c.MakeLighter(10);
  c.SetEncoding(kColorHSL);
  c.SetEncoding(kColorHSL);  // the same encoding: no change
  EXPECT_EQ(c.changes, 13);

  // A framework colour with the top bit set names a system colour.
  TEncodedColor v;
  v.SetVCLColor(0x80000005);  // window
  EXPECT_EQ(v.GetWinColor(), GetSysColor(5));
  EXPECT_EQ(v.GetWinColor(), 0xFFFFFFu);
  v.SetVCLColor(0x80000001);  // desktop background
  EXPECT_EQ(v.GetWinColor(), 0u);
  v.SetVCLColor(0x00123456);
  EXPECT_EQ(v.GetWinColor(), 0x123456u);
  EXPECT_EQ(GetSysColor(99), 0u);
}

TEST(AcadColorsTest, PaletteAndNearestIndex) {
  struct Row {
    uint16_t index;
    uint32_t color;
  };
  const Row rows[] = {{1, 0x0000FF}, {7, 0xFFFFFF}, {8, 0x808080}, {250, 0x333333}, {256, 0}, {300, 0xFFFFFF}};
  for (const Row& r : rows) EXPECT_EQ(MapACADColorToRGB(r.index), r.color) << r.index;
  const Row nearest[] = {{1, 0x0000FF}, {7, 0x000000}, {7, 0xFFFFFF}, {3, 0x00FE00}, {8, 0x808080}, {11, 0x7F7FFF}};
  for (const Row& r : nearest) EXPECT_EQ(FindNearestACADColor(r.color), r.index) << std::hex << r.color;
  EXPECT_EQ(FindNearestACADColor(0x7F7FFF), 11) << "the cached answer";
}

TEST(AcadColorsTest, ConcurrentQuestionsGetTheirOwnAnswers) {
  const uint32_t colors[] = {0x0000FF, 0x00FE00, 0x808080, 0x7F7FFF, 0x0000A5, 0xFF0000};
  uint16_t expected[std::size(colors)];
  for (size_t i = 0; i < std::size(colors); ++i) expected[i] = FindNearestACADColor(colors[i]);
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (size_t t = 0; t < std::size(colors); ++t) {
    threads.emplace_back([&, t] {
      for (int k = 0; k < 2000; ++k) {
        const size_t i = (t + size_t(k)) % std::size(colors);
        if (FindNearestACADColor(colors[i]) != expected[i]) ++wrong;
      }
    });
  }
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

// All rows against ezdxf's default index table (RGB as 0xRRGGBB, 256 rows;
// row 256 is black here). The greys 250..254, which the system fixes, differ.
TEST(AcadColorsTest, PaletteAgreesWithEzdxf) {
  const std::string out = runPython("import ezdxf.colors as c\nfor v in c.DXF_DEFAULT_COLORS: print(v)");
  std::istringstream in(out);
  std::vector<int> differing;
  int rowsRead = 0;
  for (uint16_t i = 0; i < 256; ++i) {
    uint32_t rgb = 0;
    if (!(in >> rgb)) break;
    ++rowsRead;
    const uint32_t ours = MapACADColorToRGB(i);
    const uint32_t asRgb = (ours & 0xFF) << 16 | (ours & 0xFF00) | (ours >> 16 & 0xFF);
    if (asRgb != rgb) differing.push_back(i);
  }
  ASSERT_EQ(rowsRead, 256) << out.substr(0, 200);
  EXPECT_EQ(differing, (std::vector<int>{250, 251, 252, 253, 254}));
}

}  // namespace
