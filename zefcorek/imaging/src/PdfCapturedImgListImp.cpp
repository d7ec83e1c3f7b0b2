// The captured image list.
#include "PdfCapturedImgListImp.h"

#include "FactoryObject.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/PtrList.h"
#include "zefcorek/ZefCoreK.h"

#include <new>

PDFII::IPDFCapturedImgListImp::IPDFCapturedImgListImp()
    : entries_(zefcorek::makeFactoryObject<IPtrList>(CLSID_IPtrListImp)) {}

PDFII::IPDFCapturedImgListImp::~IPDFCapturedImgListImp() {
  Clear();
  if (entries_ != nullptr) entries_->Release();
}

HRESULT PDFII::IPDFCapturedImgListImp::QueryInterface(REFIID /*iid*/, void** /*out*/) { return E_NOINTERFACE; }

uint32_t PDFII::IPDFCapturedImgListImp::GetCount() {
  unsigned count = 0;
  if (entries_ == nullptr || entries_->GetCount(&count) != ZR_OK) return 0;
  return count;
}

PDFII::IPDFCapturedImgListImp::Entry* PDFII::IPDFCapturedImgListImp::entryAt(uint32_t index) {
  if (index >= GetCount()) return nullptr;
  void* item = nullptr;
  if (entries_->GetAt(index, &item) != ZR_OK) return nullptr;
  return static_cast<Entry*>(item);
}

IRasterImage* PDFII::IPDFCapturedImgListImp::GetImage(uint32_t index) {
  Entry* entry = entryAt(index);
  if (entry == nullptr) return nullptr;
  entry->image->AddRef();
  return entry->image;
}

uint32_t PDFII::IPDFCapturedImgListImp::GetPage(uint32_t index) {
  Entry* entry = entryAt(index);
  return entry != nullptr ? entry->page : 0xFFFFFFFFu;
}

HRESULT PDFII::IPDFCapturedImgListImp::Add(IRasterImage* image, uint32_t page) {
  if (image == nullptr || entries_ == nullptr) return E_INVALIDARG;
  auto* entry = new (std::nothrow) Entry{image, page};
  if (entry == nullptr) return E_OUTOFMEMORY;
  if (entries_->AddTail(entry, nullptr) != ZR_OK) {
    delete entry;
    return E_OUTOFMEMORY;
  }
  image->AddRef();
  return S_OK;
}

uint32_t PDFII::IPDFCapturedImgListImp::GetUserValueA(uint32_t index) {
  Entry* entry = entryAt(index);
  return entry != nullptr ? entry->userA : 0xFFFFFFFFu;
}

HRESULT PDFII::IPDFCapturedImgListImp::SetUserValueA(uint32_t index, uint32_t value) {
  Entry* entry = entryAt(index);
  if (entry == nullptr) return E_INVALIDARG;
  entry->userA = value;
  return S_OK;
}

uint32_t PDFII::IPDFCapturedImgListImp::GetUserValueB(uint32_t index) {
  Entry* entry = entryAt(index);
  return entry != nullptr ? entry->userB : 0xFFFFFFFFu;
}

HRESULT PDFII::IPDFCapturedImgListImp::SetUserValueB(uint32_t index, uint32_t value) {
  Entry* entry = entryAt(index);
  if (entry == nullptr) return E_INVALIDARG;
  entry->userB = value;
  return S_OK;
}

HRESULT PDFII::IPDFCapturedImgListImp::Clear() {
  if (entries_ == nullptr) return S_OK;
  const uint32_t count = GetCount();
  for (uint32_t index = 0; index < count; ++index) {
    void* item = nullptr;
    if (entries_->GetAt(index, &item) != ZR_OK || item == nullptr) continue;
    auto* entry = static_cast<Entry*>(item);
    entry->image->Release();
    delete entry;
  }
  (void)entries_->Clear(/*release=*/false);
  return S_OK;
}
