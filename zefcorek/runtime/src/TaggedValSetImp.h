// Private to the library: the tagged value set.
//
// Representation:
//   id_, name_, hasName_, options_   the set's own fields (no name and an
//                                    empty name differ)
//   subSets_   pointer list of ITaggedValSet*, one reference each; null until
//              the first AddSubSet and again after Clear
//   values_    pointer list of TaggedValue* owned by the set; null until the
//              first AddValue and again after Clear
// Stored records are deep copies: their arrays belong to the record, a
// type-5 record holds one reference, a type-6 record's data belongs to its
// handler, which is told when the copy is made (0) and destroyed (2).
#pragma once

#include "zefcorek/PtrList.h"
#include "zefcorek/TaggedValSet.h"

#include <string>

namespace zefcorek {

class ITaggedValSetImp final : public IStdDataInterfaceImp, public virtual ITaggedValSet {
public:
  ITaggedValSetImp() = default;

  HRESULT QueryInterface(REFIID, void**) override { return ZR_NOTSUPPORTED; }

  ZRESULT GetID(uint32_t* id) override;
  ZRESULT SetID(uint32_t id) override;
  ZRESULT GetName(WCHAR* buffer, uint32_t* length) override;
  ZRESULT SetName(const WCHAR* name) override;
  ZRESULT Clear() override;
  ZRESULT Clone(ITaggedValSet** out) override;
  ZRESULT GetSubSetCount(uint32_t* count) override;
  ZRESULT GetSubSet(uint32_t index, ITaggedValSet** out) override;
  ZRESULT FindSubSetByID(uint32_t id, ITaggedValSet** out, int32_t* index) override;
  ZRESULT FindSubSetByPath(const WCHAR* path, ITaggedValSet** out) override;
  ZRESULT AddSubSet(ITaggedValSet* child, int32_t* index) override;
  ZRESULT RemoveSubSetAt(uint32_t index) override;
  ZRESULT RemoveSubSet(ITaggedValSet* child) override;
  ZRESULT ForEachSubSet(TaggedValSetForEachFunc callback, void* context) override;
  ZRESULT CreateValue(uint32_t type, uint32_t count, TaggedValue** out) override;
  ZRESULT CloneValue(const TaggedValue* source, TaggedValue** out) override;
  ZRESULT FreeValue(TaggedValue* value) override;
  ZRESULT CheckValue(const TaggedValue* value) override;
  ZRESULT GetValueCount(uint32_t* count) override;
  ZRESULT GetValueAt(uint32_t index, TaggedValue* out) override;
  ZRESULT FindValue(uint32_t tag, TaggedValue* out, int32_t* index) override;
  ZRESULT AddValue(const TaggedValue* value, int32_t* index) override;
  ZRESULT SetValueAt(uint32_t index, const TaggedValue* value) override;
  ZRESULT SetValue(const TaggedValue* value) override;
  ZRESULT ReservedValueOp(uint32_t, uint32_t) override { return ZR_NOTSUPPORTED; }
  ZRESULT AddInt(uint32_t tag, int32_t value) override;
  ZRESULT AddIntArray(uint32_t tag, uint32_t count, const int32_t* values) override;
  ZRESULT AddUInt(uint32_t tag, uint32_t value) override;
  ZRESULT AddUIntArray(uint32_t tag, uint32_t count, const uint32_t* values) override;
  ZRESULT AddDouble(uint32_t tag, double value) override;
  ZRESULT AddDoubleArray(uint32_t tag, uint32_t count, const double* values) override;
  ZRESULT AddString(uint32_t tag, const WCHAR* text) override;
  ZRESULT AddBytes(uint32_t tag, const void* bytes, uint32_t size) override;
  ZRESULT AddInterface(uint32_t tag, IStdInterface* object) override;
  ZRESULT SetInt(uint32_t tag, int32_t value) override;
  ZRESULT SetIntArray(uint32_t tag, uint32_t count, const int32_t* values) override;
  ZRESULT SetUInt(uint32_t tag, uint32_t value) override;
  ZRESULT SetUIntArray(uint32_t tag, uint32_t count, const uint32_t* values) override;
  ZRESULT SetDouble(uint32_t tag, double value) override;
  ZRESULT SetDoubleArray(uint32_t tag, uint32_t count, const double* values) override;
  ZRESULT SetString(uint32_t tag, const WCHAR* text) override;
  ZRESULT SetBytes(uint32_t tag, const void* bytes, uint32_t size) override;
  ZRESULT SetInterface(uint32_t tag, IStdInterface* object) override;
  ZRESULT GetInt(const WCHAR* path, uint32_t tag, int32_t* out) override;
  ZRESULT GetIntArray(const WCHAR* path, uint32_t tag, uint32_t* count, int32_t* buffer) override;
  ZRESULT GetUInt(const WCHAR* path, uint32_t tag, uint32_t* out) override;
  ZRESULT GetUIntArray(const WCHAR* path, uint32_t tag, uint32_t* count, uint32_t* buffer) override;
  ZRESULT GetDouble(const WCHAR* path, uint32_t tag, double* out) override;
  ZRESULT GetDoubleArray(const WCHAR* path, uint32_t tag, uint32_t* count, double* buffer) override;
  ZRESULT GetString(const WCHAR* path, uint32_t tag, uint32_t* count, WCHAR* buffer) override;
  ZRESULT GetBytes(const WCHAR* path, uint32_t tag, uint32_t* count, void* buffer) override;
  ZRESULT GetInterface(const WCHAR* path, uint32_t tag, IStdInterface** out) override;
  ZRESULT AppendFrom(ITaggedValSet* source) override;
  ZRESULT SwapSubSets(uint32_t first, uint32_t second) override;
  ZRESULT LoadFromStream(IFIOIStream* stream) override;
  ZRESULT SaveToStream(IFIOOStream* stream) override;
  ZRESULT RemoveValueAt(uint32_t index) override;
  ZRESULT RemoveValue(uint32_t tag) override;
  uint32_t GetOptions() override { return options_; }
  ZRESULT SetOptions(uint32_t options) override {
    options_ = options;
    return ZR_OK;
  }
  ZRESULT AddCustom(uint32_t tag, uintptr_t data, TaggedValueHandler handler, uintptr_t context) override;
  ZRESULT SetCustom(uint32_t tag, uintptr_t data, TaggedValueHandler handler, uintptr_t context) override;
  ZRESULT GetCustom(const WCHAR* path, uint32_t tag, void** data) override;

  // AddSubSet without the cycle check, for a set this one just made.
  ZRESULT AddNewSubSet(ITaggedValSet* child);
  // The stored records, for the stream form: count, and the record at index.
  uint32_t ValueCount() const;
  const TaggedValue* StoredValue(uint32_t index) const;

protected:
  ~ITaggedValSetImp() override;

private:
  // Index of the first value with the tag: 2 without a list, 1 when none.
  ZRESULT IndexOfTag(uint32_t tag, uint32_t& index) const;
  // The stored record at index, or null.
  TaggedValue* ValueAt(uint32_t index) const;
  // Hands out a shallow copy of a stored record (reference or handler call).
  void HandOut(const TaggedValue& stored, TaggedValue* out);
  // Destroys a record the set made: array, reference, handler call, record.
  void DestroyValue(TaggedValue* value);
  // SetValueAt at the first value with the record's tag.
  ZRESULT SetByTag(const TaggedValue& record);
  // The shared first steps of the typed getters: the value with the tag in
  // the set the path names, its type checked. On 0 *found holds the copy.
  ZRESULT FindTyped(const WCHAR* path, uint32_t tag, uint32_t type, bool single, TaggedValue* found);
  // True when `candidate` is this set or lies beneath `root`.
  static bool Holds(ITaggedValSet* root, ITaggedValSet* candidate);
  static IPtrList* NewList();

  uint32_t id_ = 0;
  uint32_t options_ = 0;  // the host's word; nothing else reads it
  bool hasName_ = false;
  std::u16string name_;          // meaningful when hasName_
  IPtrList* subSets_ = nullptr;  // owned; ITaggedValSet*, one reference each
  IPtrList* values_ = nullptr;   // owned; TaggedValue* owned by the set
};

}  // namespace zefcorek
