// CodesDB::IZefCodesDBImp: the codes database over the code hash engine.
// Shared with the renaming database, which keeps two of these and links
// their entries through InsertNode and FindNode.
#pragma once

#include "zefcorek/ZefCodesDB.h"

#include "CodeChains.h"

namespace CodesDB {

// The codes database's entries keep their own copy of the code.
struct StoredCodeOf {
  static const TZefStdCode& code(const TZefCodesDBHashNode& node) { return node.Code; }
};

class IZefCodesDBImp final : public CountedUnknownImp<IZefCodesDB> {
public:
  IZefCodesDBImp() = default;
  IZefCodesDBImp(const IZefCodesDBImp&) = delete;
  IZefCodesDBImp& operator=(const IZefCodesDBImp&) = delete;

  HRESULT QueryInterface(REFIID iid, void** out) override;

  HRESULT Clear() override;
  unsigned GetBucketCount() override;
  HRESULT SetBucketCount(unsigned n) override;
  HRESULT BeginUpdate() override;
  HRESULT EndUpdate() override;
  bool IsIdle() override;
  HRESULT Add(const TZefStdCode& code, uintptr_t value) override;
  HRESULT Set(const TZefStdCode& code, uintptr_t value) override;
  HRESULT Contains(const TZefStdCode& code) override;
  HRESULT Find(const TZefStdCode& code, uintptr_t* out) override;
  HRESULT Remove(const TZefStdCode& code) override;
  uint64_t GetCount() override;
  void SetRemoveCallback(CodesDBRemoveCallback callback, void* context) override;
  HRESULT GetFirst(CodesDBIterator* it) override;
  HRESULT GetNext(CodesDBIterator* it) override;
  HRESULT GetAt(const CodesDBIterator* it, TZefStdCode* code, uintptr_t* out) override;

  // Add that also hands back the new entry: *out is the entry on S_OK, null
  // otherwise (present: S_FALSE, empty: E_INVALIDARG). out may be null.
  HRESULT InsertNode(const TZefStdCode& code, uintptr_t value, TZefCodesDBHashNode** out);
  // The entry of a present code; null when absent or empty.
  TZefCodesDBHashNode* FindNode(const TZefStdCode& code);
  // Unlinks and destroys a present entry without calling the remove
  // callback; S_FALSE when absent or empty.
  HRESULT RemoveSilently(const TZefStdCode& code);

  // The chains, for checks of their order.
  const CodeChains<TZefCodesDBHashNode, StoredCodeOf>& Chains() const { return chains_; }

  // Made by the database's owner with `new`; the last Release deletes it.
  ~IZefCodesDBImp();

private:
  bool IsValid(const CodesDBIterator* it) const;
  // Adds or, with `replace`, updates; the shared body of Add, Set and
  // InsertNode.
  HRESULT Store(const TZefStdCode& code, uintptr_t value, bool replace, TZefCodesDBHashNode** out);

  CodeChains<TZefCodesDBHashNode, StoredCodeOf> chains_;
  CodesDBRemoveCallback removeCallback_ = nullptr;  // called as entries leave
  void* removeContext_ = nullptr;                   // handed to removeCallback_
};

}  // namespace CodesDB
