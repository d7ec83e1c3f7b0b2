// The image I/O provider and the TWAIN settings object.
#pragma once

#include "zefcorek/ImgIOProvider.h"
#include "zefcorek/StdInterface.h"

class ZEF_EXPORT IFIImgIOProviderImp : public IStdInterfaceImp, public virtual IFIImgIOProvider {
public:
  IFIImgIOProviderImp();
  // Runs Shutdown.
  ~IFIImgIOProviderImp() override;

  ZRESULT Initialize(const WCHAR* moduleName) override;
  ZRESULT Shutdown() override;
  bool IsUninitialized() override;
  ZRESULT GetExpert(IImgIOExpert** out) override;
  uint32_t GetProviderId() override;
  ZRESULT CreateTWAINExpert(IImgIOTWAINExpert** out) override;
  ZRESULT LocalizeFormatNames(IMessageLoader* texts, uint32_t firstId) override;

private:
  IImgIOExpert* expert_ = nullptr;  // one reference; null until Initialize
};

class ZEF_EXPORT IFIImgIOTWAINExpertImp : public IStdInterfaceImp, public virtual IImgIOTWAINExpert {
public:
  // Holds one reference to `expert` (may be null).
  explicit IFIImgIOTWAINExpertImp(IImgIOExpert* expert);
  ~IFIImgIOTWAINExpertImp() override;

  ZRESULT GetOptionWord(uint32_t* out) override;
  ZRESULT SetOptionWord(uint32_t word) override;
  ZRESULT GetSourceName(WCHAR* buffer, uint32_t* length) override;
  ZRESULT SetSourceName(const WCHAR* name) override;
  ZRESULT SelectSource() override;
  HRESULT Acquire(IRasterImage** out) override;

  static constexpr uint32_t kSourceNameChars = 64;

private:
  IImgIOExpert* expert_;
  uint32_t optionWord_ = 0;                  // kept for the host, not read
  WCHAR sourceName_[kSourceNameChars] = {};  // at most 63 characters
};
