// The image I/O interfaces: the expert that knows the image formats, and
// the loader and saver it hands out, which dispatch to a format row's
// handlers.
//
// Result codes are the library's: 0 done, 1 no format for that extension or
// id, 2 no format list, handler missing or failed, 10 bad argument or record
// size, 21 not supported, 30 out of memory. Each object is used by one
// thread at a time. QueryInterface of all three answers ZR_NOTSUPPORTED for every id and
// leaves the out pointer as it was.
//
// Size limit: an image of more than kMaxImagePixels pixels (width x height)
// is neither decoded nor made. The image library's loads read the file's
// header first and refuse such an image before any pixel memory exists (the
// load answers ZR_FAILED). Formats whose size cannot be read from the
// header (IFF, MNG, WBMP, XBM, JPEG 2000, PICT) are not loaded. A scaled
// load to a larger box is refused alike, and the PDF image capture skips
// such an image (see PdfCapture.h).
#pragma once

#include "zefcorek/ImgFormatInfo.h"
#include "zefcorek/PtrList.h"
#include "zefcorek/StdInterface.h"

#include <cstdint>

// 2^28 pixels: 16384 x 16384, at most 1 GiB at 32 bits per pixel.
inline constexpr uint64_t kMaxImagePixels = uint64_t{1} << 28;

struct IImgLoader;
struct IImgSaver;

struct ZEF_EXPORT IImgIOExpert : virtual IStdInterface {
  // 0 rows when no row was ever added. ZR_BADARG for a null out.
  virtual ZRESULT GetFormatCount(uint32_t* count) = 0;
  // Adds a copy of the row, sorted by Description ignoring case, after rows
  // with an equal description; *outNode (may be null) gets its list node.
  // ZR_BADARG for a null row or a wrong cbSize, ZR_OUTOFMEMORY when the list cannot be made.
  virtual ZRESULT AddFormat(const ImgFormatInfo* info, IPtrList::Node** outNode) = 0;
  // Copies the row at `index` whole into `out`, which is zeroed first (size
  // kept). ZR_BADARG for a null out, a wrong cbSize or an index past the end; ZR_FAILED
  // when there is no list.
  virtual ZRESULT GetFormatInfo(uint32_t index, ImgFormatInfo* out) = 0;
  // Overwrites the row at `index`; it keeps its place in the order.
  virtual ZRESULT SetFormatInfo(uint32_t index, const ImgFormatInfo* info) = 0;
  // Removes the list entry holding exactly this stored row; ZR_FAILED when none does.
  virtual ZRESULT RemoveFormat(const ImgFormatInfo* stored) = 0;
  // The first row (in list order) that serves `formatId` among its first
  // three ids, or, for id 0, whose extensions hold the path's extension
  // (ignoring case). `out` is zeroed first (size kept). ZR_BADARG for a null out,
  // a wrong cbSize, or id 0 with a null path; ZR_NO when nothing matches, the
  // path has no extension, or there is no list. An id of 1 never matches.
  virtual ZRESULT FindFormatByExt(uint32_t formatId, const WCHAR* path, ImgFormatInfo* out) = 0;
  virtual ZRESULT FindFormatByPath(uint32_t formatId, const WCHAR* path, ImgFormatInfo* out) = 0;
  // The one shared loader (saver), made on first use, with a new reference.
  // ZR_BADARG for a null out; ZR_OUTOFMEMORY (out null) when it cannot be made.
  virtual ZRESULT CreateLoader(IImgLoader** out) = 0;
  virtual ZRESULT CreateSaver(IImgSaver** out) = 0;
  // Through the loader; `record` is an ImgFileInfo or ImgFileTaggedInfo.
  virtual ZRESULT GetImageInfo(const WCHAR* path, void* record) = 0;
  // Loads the image scaled to fit the box; ZR_NOTSUPPORTED in the base expert.
  virtual ZRESULT LoadImage(const WCHAR* path, uint32_t maxWidth, uint32_t maxHeight, uint32_t reserved,
                            IRasterImage** out) = 0;
  virtual ZRESULT GetImageMetadata(const WCHAR* path, ITaggedValSet** out) = 0;
};

struct ZEF_EXPORT IImgLoader : virtual IStdInterface {
  // The row of the path's extension (the content is not looked at); ZR_NO when
  // none, ZR_FAILED when the row cannot load; else the handler's result.
  virtual ZRESULT LoadFromFile(const WCHAR* path, IRasterImage** out) = 0;
  // Id 0: the row of the stream's file name's extension (ZR_NO for a stream
  // without a name); otherwise the row of the id.
  virtual ZRESULT LoadFromStream(uint32_t formatId, uint32_t reserved, IFIOIStream* stream, IRasterImage** out) = 0;
  // On any failure a 540-byte record comes back zeroed with its size kept.
  virtual ZRESULT GetImageInfo(const WCHAR* path, void* record) = 0;
  // ZR_FAILED and *out null for a format without metadata.
  virtual ZRESULT GetImageMetadata(const WCHAR* path, ITaggedValSet** out) = 0;
};

struct ZEF_EXPORT IImgSaver : virtual IStdInterface {
  // The row of a non-zero id, else of the path's extension; the handler gets
  // the row's first id.
  virtual ZRESULT SaveToFile(uint32_t formatId, const WCHAR* path, IRasterImage* image) = 0;
  // Needs a non-zero id (ZR_BADARG for 0).
  virtual ZRESULT SaveToStream(uint32_t formatId, IFIOOStream* stream, IRasterImage* image) = 0;
};
