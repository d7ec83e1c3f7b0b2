// The objects-by-code index: the code hash engine keyed on each stored
// object's current code. No remove callback, no iteration; the objects are
// the host's.
#include "zefcorek/ZefObjsWithCodeDB.h"

#include "CodeChains.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"

#include <new>

namespace {

using namespace CodesDB;

struct ObjectEntry {
  IObjWithCode* Object;  // the host's; no reference held
  ObjectEntry* Next = nullptr;
};

// An entry's key is whatever code its object has now.
struct ObjectCodeOf {
  static const TZefStdCode& code(const ObjectEntry& entry) {
    const TZefStdCode* code = entry.Object->GetCode();
    return code != nullptr ? *code : TZefStdCode::NullCode();
  }
};

class IZefObjsWithCodeDBImp final : public CountedUnknownImp<IZefObjsWithCodeDB> {
public:
  IZefObjsWithCodeDBImp() = default;
  IZefObjsWithCodeDBImp(const IZefObjsWithCodeDBImp&) = delete;
  IZefObjsWithCodeDBImp& operator=(const IZefObjsWithCodeDBImp&) = delete;
  ~IZefObjsWithCodeDBImp() { (void)Clear(); }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == CLSID_IZefObjsWithCodeDBImp || iid == IID_IUnknown) {
      *out = static_cast<IZefObjsWithCodeDB*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT Clear() override {
    chains_.clear([](ObjectEntry*) {});
    return S_OK;
  }
  unsigned GetBucketCount() override { return chains_.bucketCount(); }
  HRESULT SetBucketCount(unsigned n) override { return chains_.setBucketCount(n) ? S_OK : E_OUTOFMEMORY; }
  HRESULT BeginUpdate() override {
    chains_.beginUpdate();
    return S_OK;
  }
  HRESULT EndUpdate() override {
    chains_.endUpdate();
    return S_OK;
  }
  bool IsIdle() override { return chains_.isIdle(); }

  HRESULT AddObject(IObjWithCode* object) override {
    if (object == nullptr) return E_INVALIDARG;
    return Add(object->GetCode(), object);
  }

  HRESULT Add(const TZefStdCode* code, IObjWithCode* object) override {
    if (code == nullptr || object == nullptr) return E_INVALIDARG;
    return Store(*code, object, /*replace=*/false);
  }

  HRESULT SetObject(IObjWithCode* object) override {
    if (object == nullptr || object->GetCode() == nullptr) return E_INVALIDARG;
    return Store(*object->GetCode(), object, /*replace=*/true);
  }

  HRESULT Contains(const TZefStdCode& code) override { return FindEntry(code) != nullptr ? S_OK : S_FALSE; }

  HRESULT Find(const TZefStdCode& code, IObjWithCode** out) override {
    if (out == nullptr) return E_INVALIDARG;
    const ObjectEntry* entry = FindEntry(code);
    *out = entry != nullptr ? entry->Object : nullptr;
    return entry != nullptr ? S_OK : S_FALSE;
  }

  HRESULT Remove(const TZefStdCode& code) override {
    if (code.IsEmpty()) return S_FALSE;
    const auto place = chains_.lookup(code);
    if (!place.found) return S_FALSE;
    delete chains_.unlinkAt(place.link);
    return S_OK;
  }

  uint64_t GetCount() override { return chains_.count(); }

private:
  const ObjectEntry* FindEntry(const TZefStdCode& code) {
    if (code.IsEmpty()) return nullptr;
    const auto place = chains_.lookup(code);
    return place.found ? *place.link : nullptr;
  }

  // An empty code is not looked up: its entry is linked after the entries of
  // its chain that compare less or equal, where no lookup will find it.
  HRESULT Store(const TZefStdCode& code, IObjWithCode* object, bool replace) {
    ObjectEntry** link = nullptr;
    if (code.IsEmpty()) {
      link = chains_.placeAfterEqual(code);
    } else {
      const auto place = chains_.lookup(code);
      if (place.found) {
        if (!replace) return S_FALSE;
        (*place.link)->Object = object;
        return S_OK;
      }
      link = place.link;
    }
    auto* entry = new (std::nothrow) ObjectEntry{object};
    if (entry == nullptr) return E_OUTOFMEMORY;
    chains_.linkAt(link, entry);
    return S_OK;
  }

  CodeChains<ObjectEntry, ObjectCodeOf> chains_;
};

}  // namespace

void* zefcorek::makeIZefObjsWithCodeDBImp(intptr_t) {
  return static_cast<IZefObjsWithCodeDB*>(new (std::nothrow) IZefObjsWithCodeDBImp());
}
