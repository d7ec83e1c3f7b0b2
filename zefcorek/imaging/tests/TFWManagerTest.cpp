#include "ScratchFolder.h"

#include "zefcorek/GfxRotoTrans.h"
#include "zefcorek/TFWManager.h"

#include "FreeImageApi.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <cstring>
#include <random>
#include <string>

namespace {

using zefcorek::testing::ScratchFolder;

TFWMatrixData worldFile(double v1, double v2, double v3, double v4, double v5, double v6) {
  return {sizeof(TFWMatrixData), v1, v2, v3, v4, v5, v6};
}

GfxRotoTransStreamableCoeffs coeffsOf(uint32_t kind, std::initializer_list<double> values) {
  GfxRotoTransStreamableCoeffs coeffs{};
  coeffs.cbSize = kGfxRotoTransCoeffsSize;
  coeffs.kind = kind;
  int index = 0;
  for (double value : values) std::memcpy(coeffs.coeffs + 8 * index++, &value, 8);
  return coeffs;
}

TEST(TFWManagerTest, FilesAreWrittenAndReadLineByLine) {
  ScratchFolder folder;
  CTFWManager manager;
  TFWMatrixData data = worldFile(0.5, 0, 0, -0.5, 1000.25, 2000.75);
  ASSERT_EQ(manager.SaveDataFile(folder.name("a.tfw").c_str(), &data), ZR_OK);
  EXPECT_EQ(folder.read("a.tfw"),
            "0.500000000000000\r\n0.000000000000000\r\n0.000000000000000\r\n"
            "-0.500000000000000\r\n1000.250000000000000\r\n2000.750000000000000\r\n");
  TFWMatrixData back = worldFile(9, 9, 9, 9, 9, 9);
  ASSERT_EQ(manager.LoadDataFile(folder.name("a.tfw").c_str(), &back), ZR_OK);
  EXPECT_EQ(std::memcmp(&back, &data, sizeof data), 0);

  // Exponent notation reads, and is written back in fixed notation.
  folder.write("e.tfw", "1.5e-3\n0\n0\n-1.5e-3\n10 trailing text\n20\n");
  ASSERT_EQ(manager.LoadDataFile(folder.name("e.tfw").c_str(), &back), ZR_OK);
  EXPECT_EQ(+back.V1, 0.0015);
  EXPECT_EQ(+back.V5, 10) << "a number followed by text reads as the number";
  ASSERT_EQ(manager.SaveDataFile(folder.name("e2.tfw").c_str(), &back), ZR_OK);
  EXPECT_EQ(folder.read("e2.tfw").substr(0, 19), "0.001500000000000\r\n");

  const struct {
    const char* what;
    std::string text;
    ZRESULT expected;
    double v4;  // kept from the lines before the failure
  } cases[] = {
      {"letters on line 5", "1\n2\n3\n4\nabc\n6\n", ZR_FAILED, 4},
      {"an empty fourth line", "1\n2\n3\n\n5\n6\n", ZR_FAILED, 0},
  };
  for (const auto& row : cases) {
    folder.write("bad.tfw", row.text);
    EXPECT_EQ(manager.LoadDataFile(folder.name("bad.tfw").c_str(), &back), row.expected) << row.what;
    EXPECT_EQ(+back.V1, 1) << row.what;
    EXPECT_EQ(+back.V4, row.v4) << row.what;
  }
  // A line longer than 127 characters counts by its first 127; the rest of
  // it is not taken for the next line.
  folder.write("long.tfw", "1." + std::string(140, '0') + "25\n2\n3\n4\n5\n6\n");
  ASSERT_EQ(manager.LoadDataFile(folder.name("long.tfw").c_str(), &back), ZR_OK);
  EXPECT_EQ(+back.V1, 1);
  EXPECT_EQ(+back.V2, 2);
  EXPECT_EQ(+back.V6, 6);
  folder.write("five.tfw", "1\n2\n3\n4\n5\n");
  EXPECT_NE(manager.LoadDataFile(folder.name("five.tfw").c_str(), &back), ZR_OK);
  EXPECT_EQ(+back.V5, 5);
  EXPECT_NE(manager.LoadDataFile(folder.name("missing.tfw").c_str(), &back), ZR_OK);

  TFWMatrixData wrongSize = data;
  wrongSize.cbSize = 51;
  EXPECT_EQ(manager.LoadDataFile(folder.name("a.tfw").c_str(), &wrongSize), ZR_BADARG);
  EXPECT_EQ(manager.SaveDataFile(folder.name("a.tfw").c_str(), &wrongSize), ZR_BADARG);
}

// A comma as the process's decimal separator changes neither what is written
// nor how it reads back.
TEST(TFWManagerTest, CommaLocaleWritesAndReadsPoints) {
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "no de_DE.UTF-8 locale";
  ScratchFolder folder;
  CTFWManager manager;
  TFWMatrixData data = worldFile(0.5, 0, 0, -0.5, 1000.25, 2000.75);
  const ZRESULT savedResult = manager.SaveDataFile(folder.name("a.tfw").c_str(), &data);
  TFWMatrixData back = worldFile(9, 9, 9, 9, 9, 9);
  const ZRESULT loaded = manager.LoadDataFile(folder.name("a.tfw").c_str(), &back);
  std::setlocale(LC_NUMERIC, saved.c_str());
  ASSERT_EQ(savedResult, ZR_OK);
  EXPECT_EQ(folder.read("a.tfw").substr(0, 19), "0.500000000000000\r\n");
  ASSERT_EQ(loaded, ZR_OK);
  EXPECT_EQ(std::memcmp(&back, &data, sizeof data), 0);
}

TEST(TFWManagerTest, WorldFilesFromCoefficients) {
  CTFWManager manager;
  TFWMatrixData data{};
  data.cbSize = sizeof data;
  for (uint32_t kind : {6u, 17u}) {
    const auto coeffs = coeffsOf(kind, {2, 0, 1000, 0, 2, 5000});
    ASSERT_EQ(manager.TFWDataFromGeoRef(0, 100, &coeffs, &data), ZR_OK) << kind;
    EXPECT_EQ(+data.V1, 2);
    EXPECT_EQ(+data.V4, -2);
    EXPECT_EQ(+data.V5, 1001);
    EXPECT_EQ(+data.V6, 5199);
  }
  const auto other = coeffsOf(3, {1, 2, 3, 4, 5, 6});
  data.V1 = 7;
  EXPECT_EQ(manager.TFWDataFromGeoRef(0, 100, &other, &data), ZR_FAILED);
  EXPECT_EQ(+data.V1, 0) << "zeroed";
  GfxRotoTransStreamableCoeffs wrong = other;
  wrong.cbSize = 307;
  EXPECT_EQ(manager.TFWDataFromGeoRef(0, 100, &wrong, &data), ZR_BADARG);
}

TEST(TFWManagerTest, CoefficientsAndBackGiveTheWorldFileAgain) {
  CTFWManager manager;
  std::mt19937 random(5);
  std::uniform_real_distribution<double> term(-4, 4), shift(-1e5, 1e5);
  int checked = 0;
  for (uint32_t kind : {1u, 6u}) {
    for (int trial = 0; trial < 20; ++trial) {
      // Any affine world file (four independent terms) fits both kinds
      // exactly; one that folds the image flat has no inverse.
      TFWMatrixData data{};
      do {
        data = worldFile(term(random), term(random), term(random), term(random), shift(random), shift(random));
      } while (std::fabs(data.V1 * data.V4 - data.V2 * data.V3) < 0.1);
      GfxRotoTransStreamableCoeffs coeffs{};
      coeffs.cbSize = kGfxRotoTransCoeffsSize;
      ASSERT_EQ(manager.GeoRefFromTFWData(&data, kind, 640, 480, &coeffs), ZR_OK) << kind;
      TFWMatrixData back{};
      back.cbSize = sizeof back;
      ASSERT_EQ(manager.TFWDataFromGeoRef(640, 480, &coeffs, &back), ZR_OK) << kind;
      const double want[6] = {data.V1, data.V2, data.V3, data.V4, data.V5, data.V6};
      const double got[6] = {back.V1, back.V2, back.V3, back.V4, back.V5, back.V6};
      for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(got[i], want[i], 1e-9 * (1 + std::fabs(want[i]))) << kind << " V" << i + 1;
      }
      ++checked;
    }
  }
  EXPECT_EQ(checked, 40);

  // A 1 x 1 image gives the same corner four times: no fit, a zeroed record.
  const TFWMatrixData one = worldFile(1, 0, 0, -1, 10, 20);
  GfxRotoTransStreamableCoeffs coeffs{};
  coeffs.cbSize = kGfxRotoTransCoeffsSize;
  coeffs.kind = 99;
  EXPECT_NE(manager.GeoRefFromTFWData(&one, 6, 1, 1, &coeffs), ZR_OK);
  EXPECT_EQ(coeffs.kind, 0u);
}

TEST(TFWManagerTest, GdalReadsTheSameOriginAndPixelSize) {
  if (std::system("gdalinfo --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "no gdalinfo";
  ScratchFolder folder;
  FIBITMAP* bitmap = FreeImage_Allocate(4, 3, 24);
  ASSERT_TRUE(FreeImage_Save(FIF_TIFF, bitmap, folder.native("map.tif").c_str(), 0));
  FreeImage_Unload(bitmap);
  CTFWManager manager;
  const TFWMatrixData data = worldFile(2.5, 0, 0, -1.25, 1000, 5000);
  ASSERT_EQ(manager.SaveDataFile(folder.name("map.tfw").c_str(), &data), ZR_OK);
  const std::string report = folder.native("gdal.txt");
  ASSERT_EQ(std::system(("gdalinfo '" + folder.native("map.tif") + "' > '" + report + "'").c_str()), 0);
  std::ifstream in(report);
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  // The world file names the centre of the upper-left pixel; GDAL its corner.
  EXPECT_NE(text.find("Origin = (998.750000000000000,5000.625000000000000)"), std::string::npos) << text;
  EXPECT_NE(text.find("Pixel Size = (2.500000000000000,-1.250000000000000)"), std::string::npos) << text;
}

}  // namespace
