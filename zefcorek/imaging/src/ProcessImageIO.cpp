// Start-up and shut-down of the process-wide image I/O provider and expert,
// the imaging side of the library's attach and detach steps.
#include "ProcessImageIO.h"

#include "FactoryObject.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ImgIOProvider.h"
#include "zefcorek/ZefCoreK.h"

namespace {

// Both null until a start-up succeeds.
IImgIOProvider* provider = nullptr;
IImgIOExpert* expert = nullptr;

}  // namespace

IImgIOExpert* zefcorek::processImageExpert() { return expert; }

zefcorek::ScopedProcessImageExpert::ScopedProcessImageExpert(IImgIOExpert* replacement) : saved_(expert) {
  expert = replacement;
}

zefcorek::ScopedProcessImageExpert::~ScopedProcessImageExpert() { expert = saved_; }

namespace zefcorek {

// Called by the attach step (see ImgIOLib.cpp of the runtime): one provider,
// initialised with the library's own file name; when that fails the
// provider goes and image I/O stays unavailable.
bool startImageIO() {
  IImgIOProvider* candidate = makeFactoryObject<IFIImgIOProvider>(CLSID_IFIImgIOProviderImp);
  if (candidate == nullptr) return false;
  IImgIOExpert* candidateExpert = nullptr;
  if (candidate->Initialize(nullptr) != ZR_OK || candidate->GetExpert(&candidateExpert) != ZR_OK) {
    candidate->Release();
    return false;
  }
  provider = candidate;
  expert = candidateExpert;
  return true;
}

// Called by the detach step: the expert, then the provider.
bool stopImageIO() {
  const bool released = expert != nullptr;
  if (expert != nullptr) expert->Release();
  expert = nullptr;
  if (provider != nullptr) provider->Release();
  provider = nullptr;
  return released;
}

}  // namespace zefcorek
