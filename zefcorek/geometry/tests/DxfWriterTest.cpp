// The DXF R12 writer: exact bytes of every entity, long texts, refusals,
// and the files read back by ezdxf.
#include "zefcorek/DxfWriter.h"

#include "../../runtime/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <functional>
#include <string>

namespace {

using zefcorek::testing::ScratchFolder;

const std::string kHeader =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n  9\r\n$INSBASE\r\n"
    " 10\r\n0.0\r\n 20\r\n0.0\r\n 30\r\n0.0\r\n  0\r\nENDSEC\r\n  0\r\nSECTION\r\n  2\r\n"
    "ENTITIES\r\n";
const std::string kEnd = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

// What a call writes between the header and the end of a file of its own.
std::string entityBytes(ScratchFolder& folder, const std::function<void(HANDLE)>& write) {
  HANDLE file = nullptr;
  EXPECT_EQ(DXFCreate(folder.name("e.dxf").c_str(), &file), 1);
  write(file);
  EXPECT_EQ(DXFClose(file), 1);
  const std::string bytes = folder.read("e.dxf");
  if (bytes.size() < kHeader.size() + kEnd.size() || bytes.substr(0, kHeader.size()) != kHeader ||
      bytes.substr(bytes.size() - kEnd.size()) != kEnd)
    return "malformed file: " + bytes;
  return bytes.substr(kHeader.size(), bytes.size() - kHeader.size() - kEnd.size());
}

struct Row {
  const char* what;
  std::function<void(HANDLE)> write;
  std::string bytes;
};

const Row kRows[] = {
    {"nothing", [](HANDLE) {}, ""},
    {"DXFLineC", [](HANDLE h) { DXFLineC(h, 0, 0, 0, 10.5, -2, 3.25, "L1", 7); },
     "  0\r\nLINE\r\n  8\r\nL1\r\n 62\r\n7\r\n 10\r\n0.00000\r\n 20\r\n0.00000\r\n 30\r\n"
     "0.00000\r\n 11\r\n10.50000\r\n 21\r\n-2.00000\r\n 31\r\n3.25000\r\n"},
    {"DXFLine", [](HANDLE h) { EXPECT_EQ(DXFLine(h, 1, 2, 3, 4, 5, 6, "L"), 1); },
     "  0\r\nLINE\r\n  8\r\nL\r\n 10\r\n1.00000\r\n 20\r\n2.00000\r\n 30\r\n3.00000\r\n 11\r\n"
     "4.00000\r\n 21\r\n5.00000\r\n 31\r\n6.00000\r\n"},
    {"DXFBeginPoly", [](HANDLE h) { DXFBeginPoly(h, "FIGURE", 0.0, 1, 7); },
     "  0\r\nPOLYLINE\r\n  8\r\nFIGURE\r\n 66\r\n1\r\n 10\r\n0\r\n 20\r\n0\r\n 30\r\n0\r\n 70\r\n"
     "1\r\n 62\r\n7\r\n"},
    {"DXFBeginPoly open", [](HANDLE h) { DXFBeginPoly(h, "F", 9.5, 0, 2); },
     "  0\r\nPOLYLINE\r\n  8\r\nF\r\n 66\r\n1\r\n 10\r\n0\r\n 20\r\n0\r\n 30\r\n0\r\n 70\r\n"
     "0\r\n 62\r\n2\r\n"},
    {"DXFPolyVertex", [](HANDLE h) { DXFPolyVertex(h, 1.5, 2, "FIGURE", 7); },
     "  0\r\nVERTEX\r\n  8\r\nFIGURE\r\n 10\r\n1.50000\r\n 20\r\n2.00000\r\n 62\r\n7\r\n"},
    {"DXFEndPoly", [](HANDLE h) { DXFEndPoly(h, "FIGURE"); }, "  0\r\nSEQEND\r\n  8\r\nFIGURE\r\n"},
    {"DXFTextEx", [](HANDLE h) { DXFTextEx(h, 1, 2, 0, "A", "Hi", 2.5); },
     "  0\r\nTEXT\r\n  8\r\nA\r\n 10\r\n1.00000\r\n 20\r\n2.00000\r\n 30\r\n0.00000\r\n 40\r\n"
     "2.50\r\n  1\r\nHi\r\n"},
    {"DXFText", [](HANDLE h) { DXFText(h, 1, 2, 0, "A", "Hi"); },
     "  0\r\nTEXT\r\n  8\r\nA\r\n 10\r\n1.00000\r\n 20\r\n2.00000\r\n 30\r\n0.00000\r\n 40\r\n"
     "2\r\n  1\r\nHi\r\n"},
    {"DXF3DFace", [](HANDLE h) { DXF3DFace(h, 0, 0, 0, 1, 0, 0, 0, 1, 2, "F", 5); },
     "  0\r\n3DFACE\r\n  8\r\nF\r\n 62\r\n5\r\n 10\r\n0.00000\r\n 20\r\n0.00000\r\n 30\r\n"
     "0.00000\r\n 11\r\n1.00000\r\n 21\r\n0.00000\r\n 31\r\n0.00000\r\n 12\r\n0.00000\r\n 22\r\n"
     "1.00000\r\n 32\r\n2.00000\r\n 13\r\n0.00000\r\n 23\r\n1.00000\r\n 33\r\n2.00000\r\n"},
    {"DXFPoint", [](HANDLE h) { DXFPoint(h, -0.000001, 1e6, 0.5, "P"); },
     "  0\r\nPOINT\r\n  8\r\nP\r\n 10\r\n-0.00000\r\n 20\r\n1000000.00000\r\n 30\r\n0.50000\r\n"},
    {"DXFCircleCR", [](HANDLE h) { DXFCircleCR(h, 1, 2, 3, 4, "C"); },
     "  0\r\nCIRCLE\r\n  8\r\nC\r\n 10\r\n1.00000\r\n 20\r\n2.00000\r\n 30\r\n3.00000\r\n 40\r\n"
     "4.00000\r\n"},
    {"DXFBeginPoly3D closed", [](HANDLE h) { DXFBeginPoly3D(h, "S", 1, 7); },
     "  0\r\nPOLYLINE\r\n  8\r\nS\r\n 66\r\n1\r\n 10\r\n0\r\n 20\r\n0\r\n 30\r\n0\r\n 70\r\n"
     "9\r\n 62\r\n7\r\n"},
    {"DXFPolyVertex3D", [](HANDLE h) { DXFPolyVertex3D(h, 1, 2, 3, "S", 7); },
     "  0\r\nVERTEX\r\n  8\r\nS\r\n 10\r\n1.00000\r\n 20\r\n2.00000\r\n 30\r\n3.00000\r\n 62\r\n"
     "7\r\n 70\r\n32\r\n"},
    {"DXFEndPoly3D", [](HANDLE h) { DXFEndPoly3D(h, "S"); }, "  0\r\nSEQEND\r\n  8\r\nS\r\n"},
};

TEST(DxfWriter, ExactBytes) {
  ScratchFolder folder;
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(entityBytes(folder, row.write), row.bytes);
  }
  // The decimal point stays '.' under a locale with a comma, where one is
  // installed.
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  for (const char* locale : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, locale) == nullptr) continue;
    for (const Row& row : kRows) EXPECT_EQ(entityBytes(folder, row.write), row.bytes) << row.what << " in " << locale;
    break;
  }
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(DxfWriter, LongTextsAndRefusals) {
  ScratchFolder folder;
  const std::string layer(5000, 'L');
  const std::string bytes = entityBytes(folder, [&](HANDLE h) { DXFPoint(h, 1, 2, 3, layer.c_str()); });
  EXPECT_EQ(bytes, "  0\r\nPOINT\r\n  8\r\n" + layer + "\r\n 10\r\n1.00000\r\n 20\r\n2.00000\r\n 30\r\n3.00000\r\n");
  HANDLE file = nullptr;
  EXPECT_EQ(DXFCreate(folder.name("missing\\folder\\x.dxf").c_str(), &file), 0);
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  // An existing file is replaced.
  folder.write("old.dxf", std::string(10000, 'x'));
  ASSERT_EQ(DXFCreate(folder.name("old.dxf").c_str(), &file), 1);
  ASSERT_EQ(DXFClose(file), 1);
  EXPECT_EQ(folder.read("old.dxf"), kHeader + kEnd);
}

// ezdxf reads every entity back, audits the file clean and keeps the 3-D
// polyline's heights.
TEST(DxfWriter, ReadsBackInEzdxf) {
  ScratchFolder folder;
  HANDLE h = nullptr;
  ASSERT_EQ(DXFCreate(folder.name("all.dxf").c_str(), &h), 1);
  for (const Row& row : kRows) {
    if (std::string(row.what).rfind("DXFBeginPoly", 0) == 0 || std::string(row.what).rfind("DXFPolyVertex", 0) == 0 ||
        std::string(row.what).rfind("DXFEndPoly", 0) == 0)
      continue;
    row.write(h);
  }
  DXFBeginPoly(h, "FIGURE", 0.0, 1, 7);
  DXFPolyVertex(h, 0, 0, "FIGURE", 7);
  DXFPolyVertex(h, 4, 0, "FIGURE", 7);
  DXFPolyVertex(h, 4, 3, "FIGURE", 7);
  DXFEndPoly(h, "FIGURE");
  DXFBeginPoly3D(h, "S", 0, 1);
  DXFPolyVertex3D(h, 0, 0, 1.5, "S", 1);
  DXFPolyVertex3D(h, 1, 1, 2.5, "S", 1);
  DXFEndPoly3D(h, "S");
  ASSERT_EQ(DXFClose(h), 1);

  const std::string script =
      "import sys, ezdxf\n"
      "from ezdxf import recover\n"
      "doc, auditor = recover.readfile(sys.argv[1])\n"
      "print('errors', len(auditor.errors))\n"
      "for e in doc.modelspace():\n"
      "  t = e.dxftype()\n"
      "  extra = ''\n"
      "  if t == 'POLYLINE':\n"
      "    extra = ' %s %d %d %s' % (e.is_3d_polyline, len(e.vertices), e.is_closed,\n"
      "        ','.join('%.5f' % v.dxf.location.z for v in e.vertices))\n"
      "  print(t, e.dxf.layer, e.dxf.color if e.dxf.hasattr('color') else 256, extra)\n";
  FILE* pipe = popen(("/usr/bin/python3 -c \"" + script + "\" " + folder.native("all.dxf")).c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[512];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  ASSERT_EQ(pclose(pipe), 0) << "python3-ezdxf is needed\n" << out;
  EXPECT_EQ(out,
            "errors 0\n"
            "LINE L1 7 \n"
            "LINE L 256 \n"
            "TEXT A 256 \n"
            "TEXT A 256 \n"
            "3DFACE F 5 \n"
            "POINT P 256 \n"
            "CIRCLE C 256 \n"
            "POLYLINE FIGURE 7  False 3 1 0.00000,0.00000,0.00000\n"
            "POLYLINE S 1  True 2 0 1.50000,2.50000\n");
}

}  // namespace
