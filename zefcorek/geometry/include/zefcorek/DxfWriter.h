// The DXF R12 writer: plain functions that write drawing data as an ASCII
// DXF file of release 12 ($ACADVER "AC1009").
//
// The writer keeps no state: the caller holds the file handle DXFCreate
// returns, passes it to every call and ends the file with DXFClose. Each
// call formats one complete entity and writes it in one write. Every line
// ends with CR LF; group codes are right-aligned in three characters.
// Numbers are written with five decimals ("%.5lf", '.' whatever the locale),
// a DXFTextEx height with two, colours (CAD colour indexes) as integers.
// Layer names and texts are 8-bit strings written as they stand; the caller
// passes valid ones.
//
// Calling order: DXFCreate (or the caller's own file and DXFStart); any
// number of entities, a polyline being DXFBeginPoly (or DXFBeginPoly3D), its
// vertices, and DXFEndPoly (or DXFEndPoly3D) with the same layer; then
// DXFClose (or DXFEnd and the caller's own close).
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

// Creates the file anew (read and write, not shared) and writes the header
// and the opening of the entities section. 1, or 0 with *file the invalid
// handle when the file cannot be created (nothing is written then).
ZEF_EXTERN_C int DXFCreate(const WCHAR* name, HANDLE* file);
// The header section and the opening of the entities section; 1.
ZEF_EXTERN_C int DXFStart(HANDLE file);
// The end of the entities section and of the file; 1.
ZEF_EXTERN_C int DXFEnd(HANDLE file);
// DXFEnd, then closes the handle; the close's success.
ZEF_EXTERN_C int DXFClose(HANDLE file);

// The only entity call that reports the write's success.
ZEF_EXTERN_C int DXFLine(HANDLE file, double x1, double y1, double z1, double x2, double y2, double z2,
                         const char* layer);
ZEF_EXTERN_C void DXFLineC(HANDLE file, double x1, double y1, double z1, double x2, double y2, double z2,
                           const char* layer, int colour);
// A triangle: the fourth corner repeats the third.
ZEF_EXTERN_C void DXF3DFace(HANDLE file, double x1, double y1, double z1, double x2, double y2, double z2, double x3,
                            double y3, double z3, const char* layer, int colour);
ZEF_EXTERN_C void DXFPoint(HANDLE file, double x, double y, double z, const char* layer);
// Height 2.
ZEF_EXTERN_C void DXFText(HANDLE file, double x, double y, double z, const char* layer, const char* text);
ZEF_EXTERN_C void DXFTextEx(HANDLE file, double x, double y, double z, const char* layer, const char* text,
                            double height);
ZEF_EXTERN_C void DXFCircleCR(HANDLE file, double cx, double cy, double cz, double radius, const char* layer);
// `unused` is kept for the callers' sake and not read.
ZEF_EXTERN_C void DXFBeginPoly(HANDLE file, const char* layer, double unused, int closed, int colour);
ZEF_EXTERN_C void DXFPolyVertex(HANDLE file, double x, double y, const char* layer, int colour);
ZEF_EXTERN_C void DXFEndPoly(HANDLE file, const char* layer);
// A 3-D polyline: group 70 carries the 3-D flag (8), with 1 added when
// closed, so readers keep the vertices' heights.
ZEF_EXTERN_C void DXFBeginPoly3D(HANDLE file, const char* layer, int closed, int colour);
ZEF_EXTERN_C void DXFPolyVertex3D(HANDLE file, double x, double y, double z, const char* layer, int colour);
ZEF_EXTERN_C void DXFEndPoly3D(HANDLE file, const char* layer);
