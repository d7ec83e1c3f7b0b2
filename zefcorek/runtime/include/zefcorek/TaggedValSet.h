// ITaggedValSet: a named, numbered set of typed values, each keyed by a
// 32-bit tag, with an ordered list of child sets of the same kind. A set and
// its sub-sets form a tree of directories of tagged values (image metadata
// is kept this way: a set per directory, a value per tag).
//
// Each set owns its values (TaggedValue records) and holds one reference on
// each sub-set, whose owner it is; changes inside a sub-set raise the
// parent's modified flag. The two lists are made on first use and dropped by
// Clear; a set without a value list answers ZR_FAILED to a search by tag, one with
// an empty list 1. Results are the library codes. Made by the factory for
// CLSID_ITaggedValSetImp.
//
// SaveToStream and LoadFromStream write and read the set's byte form (see
// TaggedValSetStream.cpp for its layout).
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct ITaggedValSet;
struct IFIOIStream;
struct IFIOOStream;

// Value types.
inline constexpr uint32_t TVT_INT = 0;        // signed 32-bit elements
inline constexpr uint32_t TVT_UINT = 1;       // unsigned 32-bit elements
inline constexpr uint32_t TVT_DOUBLE = 2;     // doubles
inline constexpr uint32_t TVT_STRING = 3;     // UTF-16 units, the terminating zero counted
inline constexpr uint32_t TVT_BYTES = 4;      // bytes
inline constexpr uint32_t TVT_INTERFACE = 5;  // one IStdInterface reference
inline constexpr uint32_t TVT_CUSTOM = 6;     // a data word managed by a handler

// Operations a custom value's handler is called with.
inline constexpr uint32_t TVH_COPIED = 0;      // a set took a copy of the value
inline constexpr uint32_t TVH_HANDED_OUT = 1;  // a copy was handed to a caller, or stored in place
inline constexpr uint32_t TVH_DESTROYED = 2;   // a set's copy was destroyed

// (set, operation, data word, context word); the result is ignored.
using TaggedValueHandler = int32_t (*)(ITaggedValSet* set, uint32_t operation, uintptr_t data, uintptr_t context);

// The value field: an inline single value of types 0 to 2, else the element
// storage (types 0 to 4) or the handler (type 6).
union TaggedValueData {
  int32_t i;
  uint32_t u;
  double d;
  void* storage;
  TaggedValueHandler handler;
};

// One value, a sized record. The layout is this system's own (the count and
// context words hold pointers, so they are pointer-sized):
//   offset  size  field
//   0       4     cbSize   kTaggedValueSize
//   4       4     tag
//   8       4     type     TVT_*
//   12      4     reserved 0
//   16      8     count    elements (type 3: with the terminating zero);
//                          type 5: the IStdInterface*; type 6: the data word
//   24      8     value    TaggedValueData
//   32      8     context  type 6: the handler's context word
struct TaggedValue {
  uint32_t cbSize;
  uint32_t tag;
  uint32_t type;
  uint32_t reserved;
  uintptr_t count;
  TaggedValueData value;
  uintptr_t context;
};
// The size every record passed to a set must give in cbSize.
inline constexpr uint32_t kTaggedValueSize = sizeof(TaggedValue);
static_assert(kTaggedValueSize == 40);

// The name the image Parts use for the same record.
using TTaggedValue = TaggedValue;

// Called per sub-set in order by ForEachSubSet; 0 stops the walk.
using TaggedValSetForEachFunc = int32_t (*)(ITaggedValSet* subSet, uint32_t index, void* context);

struct ZEF_EXPORT ITaggedValSet : virtual IStdDataInterface {
  // --- The set
  virtual ZRESULT GetID(uint32_t* id) = 0;
  // Marks modified when the ID changes.
  virtual ZRESULT SetID(uint32_t id) = 0;
  // ZR_BADARG when both are null. Without a name: an empty string and length 0.
  // Else the name and its zero into buffer (ask the length first) and its
  // length without the zero.
  virtual ZRESULT GetName(WCHAR* buffer, uint32_t* length) = 0;
  // Null: no name; else a copy (empty too). Does not mark modified.
  virtual ZRESULT SetName(const WCHAR* name) = 0;
  // Drops every sub-set and value and both lists (ID, name, options stay).
  virtual ZRESULT Clear() = 0;
  // A deep copy (ID, name, values, sub-sets; not the options), count 1.
  virtual ZRESULT Clone(ITaggedValSet** out) = 0;

  // --- Sub-sets
  virtual ZRESULT GetSubSetCount(uint32_t* count) = 0;
  // With a reference added; ZR_BADARG out of range or without a list.
  virtual ZRESULT GetSubSet(uint32_t index, ITaggedValSet** out) = 0;
  // The first sub-set with the ID (out: a reference added); ZR_BADARG when none.
  virtual ZRESULT FindSubSetByID(uint32_t id, ITaggedValSet** out, int32_t* index) = 0;
  // Segments separated by ':' name sub-sets by their names' beginnings,
  // compared ignoring case; a null path is this set, an empty segment the
  // first sub-set. ZR_OK with a reference added, or ZR_BADARG and null.
  virtual ZRESULT FindSubSetByPath(const WCHAR* path, ITaggedValSet** out) = 0;
  // Appends the child, takes a reference and becomes its owner. ZR_BADARG for a
  // null child and for a child that is this set or holds it somewhere
  // beneath (a cycle would never be freed).
  virtual ZRESULT AddSubSet(ITaggedValSet* child, int32_t* index) = 0;
  virtual ZRESULT RemoveSubSetAt(uint32_t index) = 0;
  // ZR_NO when the child is not a sub-set.
  virtual ZRESULT RemoveSubSet(ITaggedValSet* child) = 0;
  virtual ZRESULT ForEachSubSet(TaggedValSetForEachFunc callback, void* context) = 0;

  // --- Value records the caller owns
  // A zeroed record of the type with count elements: ZR_BADARG for a null out, a
  // type above 6 or a count of 0; ZR_FAILED for types 5 and 6 with a count other
  // than 1; ZR_OUTOFMEMORY without memory.
  virtual ZRESULT CreateValue(uint32_t type, uint32_t count, TaggedValue** out) = 0;
  // A deep copy; a null out only checks the source.
  virtual ZRESULT CloneValue(const TaggedValue* source, TaggedValue** out) = 0;
  // Frees a record made by CreateValue or CloneValue.
  virtual ZRESULT FreeValue(TaggedValue* value) = 0;
  // ZR_BADARG for a null or malformed record (cbSize below kTaggedValueSize, type
  // above 6, an array type without its storage).
  virtual ZRESULT CheckValue(const TaggedValue* value) = 0;

  // --- Values
  virtual ZRESULT GetValueCount(uint32_t* count) = 0;
  // A shallow copy into *out (cbSize must be kTaggedValueSize): its storage
  // stays the set's; a type-5 object comes with a reference of its own.
  virtual ZRESULT GetValueAt(uint32_t index, TaggedValue* out) = 0;
  // The first value with the tag, as GetValueAt; ZR_FAILED without a value list,
  // ZR_NO when no value has the tag.
  virtual ZRESULT FindValue(uint32_t tag, TaggedValue* out, int32_t* index) = 0;
  // Appends a copy (a tag already present is added again).
  virtual ZRESULT AddValue(const TaggedValue* value, int32_t* index) = 0;
  // Replaces the value at index; a record of the same shape (as GetValueAt
  // handed it out) is stored in place.
  virtual ZRESULT SetValueAt(uint32_t index, const TaggedValue* value) = 0;
  // SetValueAt at the first value with the record's tag; ZR_NO or ZR_FAILED as FindValue.
  virtual ZRESULT SetValue(const TaggedValue* value) = 0;
  // Changes nothing; ZR_NOTSUPPORTED.
  virtual ZRESULT ReservedValueOp(uint32_t first, uint32_t second) = 0;
  virtual ZRESULT AddInt(uint32_t tag, int32_t value) = 0;
  virtual ZRESULT AddIntArray(uint32_t tag, uint32_t count, const int32_t* values) = 0;
  virtual ZRESULT AddUInt(uint32_t tag, uint32_t value) = 0;
  virtual ZRESULT AddUIntArray(uint32_t tag, uint32_t count, const uint32_t* values) = 0;
  virtual ZRESULT AddDouble(uint32_t tag, double value) = 0;
  virtual ZRESULT AddDoubleArray(uint32_t tag, uint32_t count, const double* values) = 0;
  // ZR_BADARG for a null text.
  virtual ZRESULT AddString(uint32_t tag, const WCHAR* text) = 0;
  virtual ZRESULT AddBytes(uint32_t tag, const void* bytes, uint32_t size) = 0;
  virtual ZRESULT AddInterface(uint32_t tag, IStdInterface* object) = 0;
  // The setters replace the first value with the tag; ZR_NO or ZR_FAILED as FindValue
  // (nothing is added).
  virtual ZRESULT SetInt(uint32_t tag, int32_t value) = 0;
  virtual ZRESULT SetIntArray(uint32_t tag, uint32_t count, const int32_t* values) = 0;
  virtual ZRESULT SetUInt(uint32_t tag, uint32_t value) = 0;
  virtual ZRESULT SetUIntArray(uint32_t tag, uint32_t count, const uint32_t* values) = 0;
  virtual ZRESULT SetDouble(uint32_t tag, double value) = 0;
  virtual ZRESULT SetDoubleArray(uint32_t tag, uint32_t count, const double* values) = 0;
  virtual ZRESULT SetString(uint32_t tag, const WCHAR* text) = 0;
  virtual ZRESULT SetBytes(uint32_t tag, const void* bytes, uint32_t size) = 0;
  virtual ZRESULT SetInterface(uint32_t tag, IStdInterface* object) = 0;
  // Typed getters: the value with the tag in the sub-set the path names
  // (null: this set). ZR_FAILED for another type (no conversion) or, for the single
  // getters, a count other than 1. Array getters write the element count
  // and, with a buffer, the elements (ask the count first). On failure
  // single outs get 0 or null and counts 0; buffers stay untouched.
  virtual ZRESULT GetInt(const WCHAR* path, uint32_t tag, int32_t* out) = 0;
  virtual ZRESULT GetIntArray(const WCHAR* path, uint32_t tag, uint32_t* count, int32_t* buffer) = 0;
  virtual ZRESULT GetUInt(const WCHAR* path, uint32_t tag, uint32_t* out) = 0;
  virtual ZRESULT GetUIntArray(const WCHAR* path, uint32_t tag, uint32_t* count, uint32_t* buffer) = 0;
  virtual ZRESULT GetDouble(const WCHAR* path, uint32_t tag, double* out) = 0;
  virtual ZRESULT GetDoubleArray(const WCHAR* path, uint32_t tag, uint32_t* count, double* buffer) = 0;
  // count: the stored count (characters and the zero).
  virtual ZRESULT GetString(const WCHAR* path, uint32_t tag, uint32_t* count, WCHAR* buffer) = 0;
  virtual ZRESULT GetBytes(const WCHAR* path, uint32_t tag, uint32_t* count, void* buffer) = 0;
  // The caller owns the reference it receives.
  virtual ZRESULT GetInterface(const WCHAR* path, uint32_t tag, IStdInterface** out) = 0;
  // Adds every value and, as new sets, every sub-set of the source.
  virtual ZRESULT AppendFrom(ITaggedValSet* source) = 0;
  // Does not mark modified.
  virtual ZRESULT SwapSubSets(uint32_t first, uint32_t second) = 0;
  virtual ZRESULT LoadFromStream(IFIOIStream* stream) = 0;
  virtual ZRESULT SaveToStream(IFIOOStream* stream) = 0;
  virtual ZRESULT RemoveValueAt(uint32_t index) = 0;
  // Removes the first value with the tag; ZR_FAILED without a value list, ZR_NO none.
  virtual ZRESULT RemoveValue(uint32_t tag) = 0;
  // The options word itself; stored for the host, neither cloned nor saved.
  virtual uint32_t GetOptions() = 0;
  virtual ZRESULT SetOptions(uint32_t options) = 0;
  virtual ZRESULT AddCustom(uint32_t tag, uintptr_t data, TaggedValueHandler handler, uintptr_t context) = 0;
  virtual ZRESULT SetCustom(uint32_t tag, uintptr_t data, TaggedValueHandler handler, uintptr_t context) = 0;
  virtual ZRESULT GetCustom(const WCHAR* path, uint32_t tag, void** data) = 0;
};
