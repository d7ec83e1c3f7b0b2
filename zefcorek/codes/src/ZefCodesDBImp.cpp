// The codes database: a hash set of codes with one host value each.
#include "ZefCodesDBImp.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"

#include <new>

CodesDB::IZefCodesDBImp::~IZefCodesDBImp() { (void)Clear(); }

HRESULT CodesDB::IZefCodesDBImp::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == CLSID_IZefCodesDBImp || iid == IID_IUnknown) {
    *out = static_cast<IZefCodesDB*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

HRESULT CodesDB::IZefCodesDBImp::Clear() {
  chains_.clear([this](TZefCodesDBHashNode* node) {
    if (removeCallback_ != nullptr) removeCallback_(&node->Code, node->Value, removeContext_);
  });
  return S_OK;
}

unsigned CodesDB::IZefCodesDBImp::GetBucketCount() { return chains_.bucketCount(); }

HRESULT CodesDB::IZefCodesDBImp::SetBucketCount(unsigned n) { return chains_.setBucketCount(n) ? S_OK : E_OUTOFMEMORY; }

HRESULT CodesDB::IZefCodesDBImp::BeginUpdate() {
  chains_.beginUpdate();
  return S_OK;
}

HRESULT CodesDB::IZefCodesDBImp::EndUpdate() {
  chains_.endUpdate();
  return S_OK;
}

bool CodesDB::IZefCodesDBImp::IsIdle() { return chains_.isIdle(); }

HRESULT CodesDB::IZefCodesDBImp::Store(const TZefStdCode& code, uintptr_t value, bool replace,
                                       TZefCodesDBHashNode** out) {
  if (out != nullptr) *out = nullptr;
  if (code.IsEmpty()) return E_INVALIDARG;
  const auto place = chains_.lookup(code);
  if (place.found) {
    if (!replace) return S_FALSE;
    (*place.link)->Value = value;
    return S_OK;
  }
  auto* node = new (std::nothrow) TZefCodesDBHashNode();
  if (node == nullptr) return E_OUTOFMEMORY;
  node->Code = code;
  node->Value = value;
  chains_.linkAt(place.link, node);
  if (out != nullptr) *out = node;
  return S_OK;
}

HRESULT CodesDB::IZefCodesDBImp::Add(const TZefStdCode& code, uintptr_t value) {
  return Store(code, value, /*replace=*/false, nullptr);
}

HRESULT CodesDB::IZefCodesDBImp::Set(const TZefStdCode& code, uintptr_t value) {
  return Store(code, value, /*replace=*/true, nullptr);
}

HRESULT CodesDB::IZefCodesDBImp::InsertNode(const TZefStdCode& code, uintptr_t value, TZefCodesDBHashNode** out) {
  return Store(code, value, /*replace=*/false, out);
}

CodesDB::TZefCodesDBHashNode* CodesDB::IZefCodesDBImp::FindNode(const TZefStdCode& code) {
  if (code.IsEmpty()) return nullptr;
  const auto place = chains_.lookup(code);
  return place.found ? *place.link : nullptr;
}

HRESULT CodesDB::IZefCodesDBImp::Contains(const TZefStdCode& code) {
  return FindNode(code) != nullptr ? S_OK : S_FALSE;
}

HRESULT CodesDB::IZefCodesDBImp::Find(const TZefStdCode& code, uintptr_t* out) {
  if (out == nullptr) return E_INVALIDARG;
  const TZefCodesDBHashNode* node = FindNode(code);
  *out = node != nullptr ? node->Value : 0;
  return node != nullptr ? S_OK : S_FALSE;
}

HRESULT CodesDB::IZefCodesDBImp::Remove(const TZefStdCode& code) {
  if (code.IsEmpty()) return S_FALSE;
  const auto place = chains_.lookup(code);
  if (!place.found) return S_FALSE;
  // Unlinked before the callback runs, so that the callback may use the
  // database; destroyed after it.
  TZefCodesDBHashNode* node = chains_.unlinkAt(place.link);
  if (removeCallback_ != nullptr) removeCallback_(&node->Code, node->Value, removeContext_);
  delete node;
  return S_OK;
}

HRESULT CodesDB::IZefCodesDBImp::RemoveSilently(const TZefStdCode& code) {
  if (code.IsEmpty()) return S_FALSE;
  const auto place = chains_.lookup(code);
  if (!place.found) return S_FALSE;
  delete chains_.unlinkAt(place.link);
  return S_OK;
}

uint64_t CodesDB::IZefCodesDBImp::GetCount() { return chains_.count(); }

void CodesDB::IZefCodesDBImp::SetRemoveCallback(CodesDBRemoveCallback callback, void* context) {
  removeCallback_ = callback;
  removeContext_ = context;
}

bool CodesDB::IZefCodesDBImp::IsValid(const CodesDBIterator* it) const {
  return it != nullptr && it->Database == static_cast<const IZefCodesDB*>(this) && it->Bucket < chains_.bucketCount() &&
         it->Entry != nullptr;
}

HRESULT CodesDB::IZefCodesDBImp::GetFirst(CodesDBIterator* it) {
  if (it == nullptr) return E_INVALIDARG;
  uint32_t bucket = 0;
  TZefCodesDBHashNode* entry = chains_.firstFrom(bucket);
  if (entry == nullptr) {
    *it = CodesDBIterator{};
    return S_FALSE;
  }
  *it = CodesDBIterator{this, bucket, entry};
  return S_OK;
}

HRESULT CodesDB::IZefCodesDBImp::GetNext(CodesDBIterator* it) {
  if (!IsValid(it)) return E_INVALIDARG;
  if (it->Entry->Next != nullptr) {
    it->Entry = it->Entry->Next;
    return S_OK;
  }
  uint32_t bucket = it->Bucket + 1;
  TZefCodesDBHashNode* entry = chains_.firstFrom(bucket);
  if (entry == nullptr) {
    *it = CodesDBIterator{};
    return S_FALSE;
  }
  it->Bucket = bucket;
  it->Entry = entry;
  return S_OK;
}

HRESULT CodesDB::IZefCodesDBImp::GetAt(const CodesDBIterator* it, TZefStdCode* code, uintptr_t* out) {
  if (!IsValid(it) || code == nullptr) return E_INVALIDARG;
  code->Set(it->Entry->Code);
  if (out != nullptr) *out = it->Entry->Value;
  return S_OK;
}

void* zefcorek::makeIZefCodesDBImp(intptr_t) {
  return static_cast<CodesDB::IZefCodesDB*>(new (std::nothrow) CodesDB::IZefCodesDBImp());
}
