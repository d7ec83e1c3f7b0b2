// The records of image file I/O: one format row of the expert's table, the
// image information record, and the handler functions a row carries.
//
// ImgFormatInfo holds six function pointers, so it is larger here than on
// the 32-bit system (348 bytes there); its cbSize is sizeof. Byte layout:
//
//   offset  size  field
//        0     4  cbSize (sizeof(ImgFormatInfo), 376)
//        4    16  FormatIds[4]    ids served by the row; an unused entry is 1
//       20   192  Description[96] filter text, the key the table is sorted by
//      212     4  ExtCount        valid entries of Extensions, at most 4
//      216     4  Reserved1       0
//      220    96  Extensions[4][12] without the dot, zero-terminated
//      316     4  Reserved2       0
//      320     4  Flags           bit 0 loadable, bit 2 savable
//      324     4  (alignment)
//      328    48  the six handlers, 8 bytes each, in the order below
//
// ImgFileInfo holds no pointer and keeps its 540 bytes. Its tagged-set form,
// ImgFileTaggedInfo, holds a pointer: 16 bytes here (8 on the 32-bit system).
// The information handlers tell the two apart by cbSize, which is sizeof of
// each.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

struct IImgIOExpert;
struct IImgSaver;
struct IRasterImage;
struct ITaggedValSet;
struct IFIOIStream;
struct IFIOOStream;

// Handlers return library result codes (ZRESULT). `expert` is the expert
// that found the row; images made by a handler keep it.
using ImgLoadFromFileFunc = int32_t (*)(IImgIOExpert* expert, const WCHAR* path, IRasterImage** outImage);
// `record` is an ImgFileInfo or an ImgFileTaggedInfo, told apart by cbSize.
using ImgGetInfoFunc = int32_t (*)(IImgIOExpert* expert, const WCHAR* path, void* record);
using ImgGetMetadataFunc = int32_t (*)(IImgIOExpert* expert, const WCHAR* path, ITaggedValSet** outSet);
using ImgSaveToFileFunc = int32_t (*)(IImgIOExpert* expert, IImgSaver* caller, uint32_t formatId, const WCHAR* path,
                                      IRasterImage* image);
using ImgLoadFromStreamFunc = int32_t (*)(IImgIOExpert* expert, uint32_t formatId, uint32_t reserved,
                                          IFIOIStream* stream, IRasterImage** outImage);
using ImgSaveToStreamFunc = int32_t (*)(IImgIOExpert* expert, IImgSaver* caller, uint32_t formatId, IFIOOStream* stream,
                                        IRasterImage* image);

inline constexpr uint32_t kImgUnusedFormatId = 1;
inline constexpr uint32_t kImgFormatCanLoad = 0x1;
inline constexpr uint32_t kImgFormatCanSave = 0x4;
inline constexpr int kImgDescriptionChars = 96;
inline constexpr int kImgMaxExtensions = 4;
inline constexpr int kImgExtensionChars = 12;
// Format ids compared by a lookup: the first three entries only.
inline constexpr int kImgSearchedFormatIds = 3;

struct ImgFormatInfo {
  uint32_t cbSize;
  uint32_t FormatIds[4];
  WCHAR Description[kImgDescriptionChars];
  uint32_t ExtCount;
  uint32_t Reserved1;
  WCHAR Extensions[kImgMaxExtensions][kImgExtensionChars];
  uint32_t Reserved2;
  uint32_t Flags;
  ImgLoadFromFileFunc LoadFromFile;
  ImgGetInfoFunc GetInfo;
  ImgGetMetadataFunc GetMetadata;  // may be null
  ImgSaveToFileFunc SaveToFile;
  ImgLoadFromStreamFunc LoadFromStream;
  ImgSaveToStreamFunc SaveToStream;
};
static_assert(offsetof(ImgFormatInfo, Description) == 20);
static_assert(offsetof(ImgFormatInfo, Extensions) == 220);
static_assert(offsetof(ImgFormatInfo, Flags) == 320);
static_assert(offsetof(ImgFormatInfo, LoadFromFile) == 328);
static_assert(sizeof(ImgFormatInfo) == 376);

struct ImgFileInfo {
  uint32_t cbSize;      // 540
  WCHAR FileName[256];  // the path as given, at most 255 characters
  uint32_t Width;
  uint32_t Height;
  uint32_t BitsPerPixel;
  uint32_t DpiX;
  uint32_t DpiY;
  uint32_t Reserved;
};
static_assert(sizeof(ImgFileInfo) == 540);

// The information as a tagged value set: tag 0 the path, 10 width, 11
// height, 12 bits per pixel, 13 and 14 the dots per inch. A handler puts a
// new set into Values (releasing the one there); the caller owns it.
struct ImgFileTaggedInfo {
  uint32_t cbSize;  // sizeof(ImgFileTaggedInfo)
  ITaggedValSet* Values;
};
static_assert(sizeof(ImgFileTaggedInfo) == 16);

// Tags of the tagged-set form of the image information.
inline constexpr uint32_t kImgInfoTagPath = 0;
inline constexpr uint32_t kImgInfoTagWidth = 10;
inline constexpr uint32_t kImgInfoTagHeight = 11;
inline constexpr uint32_t kImgInfoTagBitsPerPixel = 12;
inline constexpr uint32_t kImgInfoTagDpiX = 13;
inline constexpr uint32_t kImgInfoTagDpiY = 14;
