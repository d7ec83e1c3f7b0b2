// The DXF R12 writer. Each entity is formatted by the platform's printf
// engine into a growing string (so no text, however long its layer name or
// text, is cut or written past a buffer) and written in one WriteFile.
#include "zefcorek/DxfWriter.h"

#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Handles.h"

#include <string>
#include <string_view>

namespace {

constexpr std::string_view kHeader =
    "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1009\r\n  9\r\n$INSBASE\r\n"
    " 10\r\n0.0\r\n 20\r\n0.0\r\n 30\r\n0.0\r\n  0\r\nENDSEC\r\n"
    "  0\r\nSECTION\r\n  2\r\nENTITIES\r\n";
constexpr std::string_view kEnd = "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";

// The group 70 flag of a 3-D polyline.
constexpr int kPolyline3D = 8;

bool writeAll(HANDLE file, std::string_view text) {
  DWORD written = 0;
  return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) != 0;
}

template <typename... Args>
bool writeEntity(HANDLE file, std::string_view format, const Args&... args) {
  return writeAll(file, platform::formatText(format, args...));
}

}  // namespace

int DXFCreate(const WCHAR* name, HANDLE* file) {
  *file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (*file == INVALID_HANDLE_VALUE) return 0;
  return DXFStart(*file);
}

int DXFStart(HANDLE file) {
  writeAll(file, kHeader);
  return 1;
}

int DXFEnd(HANDLE file) {
  writeAll(file, kEnd);
  return 1;
}

int DXFClose(HANDLE file) {
  DXFEnd(file);
  return CloseHandle(file) != 0 ? 1 : 0;
}

int DXFLine(HANDLE file, double x1, double y1, double z1, double x2, double y2, double z2, const char* layer) {
  return writeEntity(file,
                     "  0\r\nLINE\r\n  8\r\n%s\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n 30\r\n%.5lf\r\n"
                     " 11\r\n%.5lf\r\n 21\r\n%.5lf\r\n 31\r\n%.5lf\r\n",
                     layer, x1, y1, z1, x2, y2, z2)
             ? 1
             : 0;
}

void DXFLineC(HANDLE file, double x1, double y1, double z1, double x2, double y2, double z2, const char* layer,
              int colour) {
  writeEntity(file,
              "  0\r\nLINE\r\n  8\r\n%s\r\n 62\r\n%d\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n"
              " 30\r\n%.5lf\r\n 11\r\n%.5lf\r\n 21\r\n%.5lf\r\n 31\r\n%.5lf\r\n",
              layer, colour, x1, y1, z1, x2, y2, z2);
}

void DXF3DFace(HANDLE file, double x1, double y1, double z1, double x2, double y2, double z2, double x3, double y3,
               double z3, const char* layer, int colour) {
  writeEntity(file,
              "  0\r\n3DFACE\r\n  8\r\n%s\r\n 62\r\n%d\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n"
              " 30\r\n%.5lf\r\n 11\r\n%.5lf\r\n 21\r\n%.5lf\r\n 31\r\n%.5lf\r\n 12\r\n%.5lf\r\n"
              " 22\r\n%.5lf\r\n 32\r\n%.5lf\r\n 13\r\n%.5lf\r\n 23\r\n%.5lf\r\n 33\r\n%.5lf\r\n",
              layer, colour, x1, y1, z1, x2, y2, z2, x3, y3, z3, x3, y3, z3);
}

void DXFPoint(HANDLE file, double x, double y, double z, const char* layer) {
  writeEntity(file, "  0\r\nPOINT\r\n  8\r\n%s\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n 30\r\n%.5lf\r\n", layer, x, y, z);
}

void DXFText(HANDLE file, double x, double y, double z, const char* layer, const char* text) {
  writeEntity(file,
              "  0\r\nTEXT\r\n  8\r\n%s\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n 30\r\n%.5lf\r\n"
              " 40\r\n%d\r\n  1\r\n%s\r\n",
              layer, x, y, z, 2, text);
}

void DXFTextEx(HANDLE file, double x, double y, double z, const char* layer, const char* text, double height) {
  writeEntity(file,
              "  0\r\nTEXT\r\n  8\r\n%s\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n 30\r\n%.5lf\r\n"
              " 40\r\n%.2lf\r\n  1\r\n%s\r\n",
              layer, x, y, z, height, text);
}

void DXFCircleCR(HANDLE file, double cx, double cy, double cz, double radius, const char* layer) {
  writeEntity(file,
              "  0\r\nCIRCLE\r\n  8\r\n%s\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n 30\r\n%.5lf\r\n"
              " 40\r\n%.5lf\r\n",
              layer, cx, cy, cz, radius);
}

namespace {

void beginPolyline(HANDLE file, const char* layer, int flags, int colour) {
  writeEntity(file,
              "  0\r\nPOLYLINE\r\n  8\r\n%s\r\n 66\r\n1\r\n 10\r\n0\r\n 20\r\n0\r\n 30\r\n0\r\n"
              " 70\r\n%d\r\n 62\r\n%d\r\n",
              layer, flags, colour);
}

}  // namespace

void DXFBeginPoly(HANDLE file, const char* layer, double, int closed, int colour) {
  beginPolyline(file, layer, closed != 0 ? 1 : 0, colour);
}

void DXFPolyVertex(HANDLE file, double x, double y, const char* layer, int colour) {
  writeEntity(file, "  0\r\nVERTEX\r\n  8\r\n%s\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n 62\r\n%d\r\n", layer, x, y, colour);
}

void DXFEndPoly(HANDLE file, const char* layer) { writeEntity(file, "  0\r\nSEQEND\r\n  8\r\n%s\r\n", layer); }

void DXFBeginPoly3D(HANDLE file, const char* layer, int closed, int colour) {
  beginPolyline(file, layer, kPolyline3D | (closed != 0 ? 1 : 0), colour);
}

void DXFPolyVertex3D(HANDLE file, double x, double y, double z, const char* layer, int colour) {
  writeEntity(file,
              "  0\r\nVERTEX\r\n  8\r\n%s\r\n 10\r\n%.5lf\r\n 20\r\n%.5lf\r\n 30\r\n%.5lf\r\n"
              " 62\r\n%d\r\n 70\r\n32\r\n",
              layer, x, y, z, colour);
}

void DXFEndPoly3D(HANDLE file, const char* layer) { DXFEndPoly(file, layer); }
