// The codes renaming database: two codes databases, old codes and new codes,
// whose entries point at each other through link records.
//
//   old set entry value -> OldLink {old value, new entry or null}
//   new set entry value -> NewLink {new value, old entry}
//
// Each link record belongs to the set whose entry holds it and is freed by
// that set's remove callback. A pair leaves old entry first, so the old
// set's callback still reaches the new entry and reports the whole pair.
#include "zefcorek/ZefCodesRenamingDB.h"

#include "ZefCodesDBImp.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"

#include <new>
#include <utility>

namespace {

using namespace CodesDB;

struct OldLink {
  uintptr_t oldValue;
  TZefCodesDBHashNode* newEntry;  // null while the pair has no new code
};

struct NewLink {
  uintptr_t newValue;
  TZefCodesDBHashNode* oldEntry;  // null only while its pair is being dropped
};

OldLink* oldLinkOf(const TZefCodesDBHashNode* entry) { return reinterpret_cast<OldLink*>(entry->Value); }
NewLink* newLinkOf(const TZefCodesDBHashNode* entry) { return reinterpret_cast<NewLink*>(entry->Value); }

class IZefCodesRenamingDBImp final : public CountedUnknownImp<IZefCodesRenamingDB> {
public:
  IZefCodesRenamingDBImp(IZefCodesDBImp* oldCodes, IZefCodesDBImp* newCodes)
      : oldCodes_(oldCodes), newCodes_(newCodes) {
    oldCodes_->SetRemoveCallback(&OldCodeLeaves, this);
    newCodes_->SetRemoveCallback(&NewCodeLeaves, this);
  }
  IZefCodesRenamingDBImp(const IZefCodesRenamingDBImp&) = delete;
  IZefCodesRenamingDBImp& operator=(const IZefCodesRenamingDBImp&) = delete;
  ~IZefCodesRenamingDBImp() {
    oldCodes_->Release();  // reports every complete pair
    newCodes_->Release();
  }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == CLSID_IZefCodesRenamingDBImp || iid == IID_IUnknown) {
      *out = static_cast<IZefCodesRenamingDB*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

  HRESULT Clear() override {
    (void)oldCodes_->Clear();
    (void)newCodes_->Clear();
    return S_OK;
  }

  HRESULT Add(const TZefStdCode& oldCode, uintptr_t oldValue, const TZefStdCode& newCode, uintptr_t newValue) override {
    auto* oldLink = new (std::nothrow) OldLink{oldValue, nullptr};
    auto* newLink = new (std::nothrow) NewLink{newValue, nullptr};
    if (oldLink == nullptr || newLink == nullptr) {
      delete oldLink;
      delete newLink;
      return E_OUTOFMEMORY;
    }
    TZefCodesDBHashNode* oldEntry = nullptr;
    HRESULT result = oldCodes_->InsertNode(oldCode, reinterpret_cast<uintptr_t>(oldLink), &oldEntry);
    if (result != S_OK) {
      delete oldLink;
      delete newLink;
      return result;
    }
    newLink->oldEntry = oldEntry;
    if (newCode.IsEmpty()) {
      delete newLink;
      return S_OK;
    }
    result = newCodes_->InsertNode(newCode, reinterpret_cast<uintptr_t>(newLink), &oldLink->newEntry);
    if (result != S_OK) {
      // The new code belongs to another pair: the old code goes again, unreported.
      delete newLink;
      (void)oldCodes_->RemoveSilently(oldCode);
      delete oldLink;
    }
    return result;
  }

  HRESULT ContainsOldCode(const TZefStdCode& code) override { return oldCodes_->Contains(code); }
  HRESULT ContainsNewCode(const TZefStdCode& code) override { return newCodes_->Contains(code); }
  HRESULT ContainsCode(const TZefStdCode& code) override {
    const HRESULT result = oldCodes_->Contains(code);
    return result != S_FALSE ? result : newCodes_->Contains(code);
  }

  HRESULT GetNewCode(const TZefStdCode& oldCode, TZefStdCode* newCode) override {
    if (newCode == nullptr) return E_INVALIDARG;
    const TZefCodesDBHashNode* oldEntry = oldCodes_->FindNode(oldCode);
    const TZefCodesDBHashNode* newEntry = oldEntry != nullptr ? oldLinkOf(oldEntry)->newEntry : nullptr;
    if (newEntry != nullptr)
      newCode->Set(newEntry->Code);
    else
      newCode->Clear();
    return oldEntry != nullptr ? S_OK : S_FALSE;
  }

  HRESULT GetOldCode(const TZefStdCode& newCode, TZefStdCode* oldCode) override {
    if (oldCode == nullptr) return E_INVALIDARG;
    const TZefCodesDBHashNode* newEntry = newCodes_->FindNode(newCode);
    const TZefCodesDBHashNode* oldEntry = newEntry != nullptr ? newLinkOf(newEntry)->oldEntry : nullptr;
    if (oldEntry == nullptr) {
      oldCode->Clear();
      return S_FALSE;
    }
    oldCode->Set(oldEntry->Code);
    return S_OK;
  }

  HRESULT GetOldCodeValue(const TZefStdCode& oldCode, uintptr_t* out) override {
    if (out == nullptr) return E_INVALIDARG;
    const TZefCodesDBHashNode* oldEntry = oldCodes_->FindNode(oldCode);
    *out = oldEntry != nullptr ? oldLinkOf(oldEntry)->oldValue : 0;
    return oldEntry != nullptr ? S_OK : S_FALSE;
  }

  HRESULT GetNewCodeValue(const TZefStdCode& newCode, uintptr_t* out) override {
    if (out == nullptr) return E_INVALIDARG;
    const TZefCodesDBHashNode* newEntry = newCodes_->FindNode(newCode);
    *out = newEntry != nullptr ? newLinkOf(newEntry)->newValue : 0;
    return newEntry != nullptr ? S_OK : S_FALSE;
  }

  HRESULT RemoveOldCode(const TZefStdCode& oldCode) override {
    const TZefCodesDBHashNode* oldEntry = oldCodes_->FindNode(oldCode);
    if (oldEntry == nullptr) return S_FALSE;
    RemovePair(oldEntry);
    return S_OK;
  }

  HRESULT RemoveNewCode(const TZefStdCode& newCode) override {
    const TZefCodesDBHashNode* newEntry = newCodes_->FindNode(newCode);
    if (newEntry == nullptr) return S_FALSE;
    const TZefCodesDBHashNode* oldEntry = newLinkOf(newEntry)->oldEntry;
    if (oldEntry == nullptr) return newCodes_->Remove(newCode);  // its pair is being dropped
    RemovePair(oldEntry);
    return S_OK;
  }

  uint64_t GetCount() override { return oldCodes_->GetCount(); }

  void SetRenameCallback(CodesRenameCallback callback, void* context) override {
    renameCallback_ = callback;
    renameContext_ = context;
  }

  HRESULT Rename(const TZefStdCode& oldCode, const TZefStdCode& newCode) override {
    TZefCodesDBHashNode* oldEntry = oldCodes_->FindNode(oldCode);
    if (oldEntry == nullptr) return E_FAIL;
    // Refused before anything changes: the pair keeps its new code.
    if (newCode.IsEmpty()) return E_INVALIDARG;
    const TZefCodesDBHashNode* taken = newCodes_->FindNode(newCode);
    OldLink* link = oldLinkOf(oldEntry);
    if (link->newEntry == nullptr) return taken != nullptr ? S_FALSE : LinkNewCode(oldEntry, newCode);
    if (taken != nullptr && taken != link->newEntry) return E_FAIL;
    if (link->newEntry->Code.Compare(newCode) == 0) return S_OK;
    const TZefStdCode current(link->newEntry->Code);
    (void)newCodes_->Remove(current);  // its link record goes, unreported
    return LinkNewCode(oldEntry, newCode);
  }

  HRESULT GetFirst(CodesDBIterator* it) override { return oldCodes_->GetFirst(it); }
  HRESULT GetNext(CodesDBIterator* it) override { return oldCodes_->GetNext(it); }
  HRESULT GetAt(const CodesDBIterator* it, TZefStdCode* oldCode, uintptr_t* oldValue) override {
    uintptr_t raw = 0;
    const HRESULT result = oldCodes_->GetAt(it, oldCode, &raw);
    if (oldValue != nullptr) *oldValue = result == S_OK ? reinterpret_cast<const OldLink*>(raw)->oldValue : 0;
    return result;
  }

private:
  // Inserts the new code for a pair that has none, with the value 0.
  HRESULT LinkNewCode(TZefCodesDBHashNode* oldEntry, const TZefStdCode& newCode) {
    auto* newLink = new (std::nothrow) NewLink{0, oldEntry};
    if (newLink == nullptr) return E_OUTOFMEMORY;
    const HRESULT result =
        newCodes_->InsertNode(newCode, reinterpret_cast<uintptr_t>(newLink), &oldLinkOf(oldEntry)->newEntry);
    if (result != S_OK) delete newLink;
    return result;
  }

  // The old entry leaves first (the callback reports the pair), then the new.
  void RemovePair(const TZefCodesDBHashNode* oldEntry) {
    const TZefStdCode oldCode(oldEntry->Code);
    const TZefCodesDBHashNode* newEntry = oldLinkOf(oldEntry)->newEntry;
    const TZefStdCode newCode = newEntry != nullptr ? TZefStdCode(newEntry->Code) : TZefStdCode();
    (void)oldCodes_->Remove(oldCode);
    if (!newCode.IsEmpty()) (void)newCodes_->Remove(newCode);
  }

  // Whichever entry of a pair leaves first unhooks its partner's link to it,
  // so that no later lookup, removal or report reaches a freed entry, however
  // the callback re-enters the database.
  static void OldCodeLeaves(const TZefStdCode* code, uintptr_t value, void* context) {
    auto* self = static_cast<IZefCodesRenamingDBImp*>(context);
    auto* link = reinterpret_cast<OldLink*>(value);
    if (link == nullptr) return;
    const TZefCodesDBHashNode* newEntry = std::exchange(link->newEntry, nullptr);
    const uintptr_t oldValue = link->oldValue;
    delete link;
    if (newEntry == nullptr) return;
    NewLink* newLink = newLinkOf(newEntry);
    newLink->oldEntry = nullptr;
    if (self->renameCallback_ == nullptr) return;
    // A copy: the callback may remove the new code while it runs.
    const TZefStdCode newCode(newEntry->Code);
    (void)self->renameCallback_(code, &newCode, oldValue, newLink->newValue, self->renameContext_);
  }

  static void NewCodeLeaves(const TZefStdCode*, uintptr_t value, void*) {
    auto* link = reinterpret_cast<NewLink*>(value);
    if (link == nullptr) return;
    if (link->oldEntry != nullptr) oldLinkOf(link->oldEntry)->newEntry = nullptr;
    delete link;
  }

  IZefCodesDBImp* oldCodes_;  // owned: one reference
  IZefCodesDBImp* newCodes_;  // owned: one reference
  CodesRenameCallback renameCallback_ = nullptr;
  void* renameContext_ = nullptr;
};

}  // namespace

void* zefcorek::makeIZefCodesRenamingDBImp(intptr_t) {
  auto* oldCodes = new (std::nothrow) IZefCodesDBImp();
  auto* newCodes = new (std::nothrow) IZefCodesDBImp();
  auto* renaming = oldCodes != nullptr && newCodes != nullptr ? new (std::nothrow)
                                                                    IZefCodesRenamingDBImp(oldCodes, newCodes)
                                                              : nullptr;
  if (renaming == nullptr) {
    if (oldCodes != nullptr) oldCodes->Release();
    if (newCodes != nullptr) newCodes->Release();
    return nullptr;
  }
  return static_cast<IZefCodesRenamingDB*>(renaming);
}
