// IImgIOExpertImp: the table of image formats and the dispatch to their
// handlers. The library's own expert (the one over the image library)
// derives from it and replaces LoadImage; only the image I/O provider makes
// one.
//
// The loader and saver that the expert hands out are made once and shared.
// They hold the expert without a reference; when the expert is destroyed it
// tells them, and a loader or saver kept longer answers ZR_FAILED instead of calling
// into a freed expert.
#pragma once

#include "zefcorek/ImgIO.h"

class IImgLoaderImp;
class IImgSaverImp;

class ZEF_EXPORT IImgIOExpertImp : public IStdInterfaceImp, public virtual IImgIOExpert {
public:
  IImgIOExpertImp();
  ~IImgIOExpertImp() override;

  HRESULT QueryInterface(REFIID iid, void** out) override;

  ZRESULT GetFormatCount(uint32_t* count) override;
  ZRESULT AddFormat(const ImgFormatInfo* info, IPtrList::Node** outNode) override;
  ZRESULT GetFormatInfo(uint32_t index, ImgFormatInfo* out) override;
  ZRESULT SetFormatInfo(uint32_t index, const ImgFormatInfo* info) override;
  ZRESULT RemoveFormat(const ImgFormatInfo* stored) override;
  ZRESULT FindFormatByExt(uint32_t formatId, const WCHAR* path, ImgFormatInfo* out) override;
  ZRESULT FindFormatByPath(uint32_t formatId, const WCHAR* path, ImgFormatInfo* out) override;
  ZRESULT CreateLoader(IImgLoader** out) override;
  ZRESULT CreateSaver(IImgSaver** out) override;
  ZRESULT GetImageInfo(const WCHAR* path, void* record) override;
  ZRESULT LoadImage(const WCHAR* path, uint32_t maxWidth, uint32_t maxHeight, uint32_t reserved,
                    IRasterImage** out) override;
  ZRESULT GetImageMetadata(const WCHAR* path, ITaggedValSet** out) override;

private:
  // The lookup both Find operations share; `asFile` picks how the path is
  // split (the extension comes out the same).
  ZRESULT findFormat(uint32_t formatId, const WCHAR* path, bool asFile, ImgFormatInfo* out);

  IPtrList* formats_ = nullptr;      // rows (owned ImgFormatInfo copies); made by the first AddFormat
  IImgLoaderImp* loader_ = nullptr;  // one reference, made on first demand
  IImgSaverImp* saver_ = nullptr;    // one reference, made on first demand
};

// The image saver. Clients may make their own with an expert; such a saver
// must not outlive that expert (only the expert's own saver is told when
// the expert goes).
class ZEF_EXPORT IImgSaverImp : public IStdInterfaceImp, public virtual IImgSaver {
public:
  explicit IImgSaverImp(IImgIOExpert* expert);
  ~IImgSaverImp() override;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ZRESULT SaveToFile(uint32_t formatId, const WCHAR* path, IRasterImage* image) override;
  ZRESULT SaveToStream(uint32_t formatId, IFIOOStream* stream, IRasterImage* image) override;

  // Called by the expert as it is destroyed: every later call answers ZR_FAILED.
  void ForgetExpert() { expert_ = nullptr; }

private:
  IImgIOExpert* expert_;  // not counted; null once the expert is gone
};
