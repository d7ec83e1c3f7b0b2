// The image I/O provider: the entry object of image file support. It makes
// the expert over the image library, fills its table with the library's
// five formats, hands the expert out, renames the formats' descriptions
// from language texts, and makes the TWAIN settings object.
//
// The library's start-up makes one provider and keeps its expert as the
// process-wide expert; hosts may make more through the factory
// (CLSID_IFIImgIOProviderImp hands out the IFIImgIOProvider view).
#pragma once

#include "zefcorek/ImgIO.h"

struct IMessageLoader;
struct IImgIOTWAINExpert;

struct ZEF_EXPORT IImgIOProvider : virtual IStdInterface {
  // Makes the expert and registers the five formats; `moduleName` null or
  // empty means the core library's own file name. ZR_OK when an expert exists
  // already; ZR_BADARG for an empty name; ZR_OUTOFMEMORY when the expert cannot be made; a
  // registration failure undoes everything and is returned.
  virtual ZRESULT Initialize(const WCHAR* moduleName) = 0;
  // Releases the expert; ZR_OK.
  virtual ZRESULT Shutdown() = 0;
  virtual bool IsUninitialized() = 0;
  // The expert with a new reference; ZR_BADARG for a null out, ZR_OUTOFMEMORY (out null) when
  // there is none.
  virtual ZRESULT GetExpert(IImgIOExpert** out) = 0;
  // Always 1.
  virtual uint32_t GetProviderId() = 0;
  virtual ZRESULT CreateTWAINExpert(IImgIOTWAINExpert** out) = 0;
  // Renames each format from the messages numbered from `firstId` on: a
  // message "extension|description" whose extension is one of the format's
  // names it. The first format without such a message before the first
  // empty message stops the renaming with ZR_NO; a failing read stops it with
  // that read's code.
  virtual ZRESULT LocalizeFormatNames(IMessageLoader* texts, uint32_t firstId) = 0;
};

struct ZEF_EXPORT IFIImgIOProvider : virtual IImgIOProvider {};

// The settings a host would use to acquire an image from a TWAIN source.
// Nothing here talks to a TWAIN source: Acquire always fails.
struct ZEF_EXPORT IImgIOTWAINExpert : virtual IStdInterface {
  virtual ZRESULT GetOptionWord(uint32_t* out) = 0;
  virtual ZRESULT SetOptionWord(uint32_t word) = 0;
  // The name with its terminator into `buffer` (room for 64 characters)
  // and/or its length into `length`; ZR_BADARG when both are null.
  virtual ZRESULT GetSourceName(WCHAR* buffer, uint32_t* length) = 0;
  // Keeps at most 63 characters; ZR_BADARG for null.
  virtual ZRESULT SetSourceName(const WCHAR* name) = 0;
  virtual ZRESULT SelectSource() = 0;
  // *out = null; E_FAIL.
  virtual HRESULT Acquire(IRasterImage** out) = 0;
};
