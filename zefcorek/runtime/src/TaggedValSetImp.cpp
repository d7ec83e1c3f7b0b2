// The tagged value set: values by tag, sub-sets by index, ID and path, the
// value records' ownership rules, and the typed adders, setters and getters.
#include "TaggedValSetImp.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Utf16.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr uint32_t kHighestType = TVT_CUSTOM;

// Bytes per element of the array types.
size_t elementSize(uint32_t type) {
  switch (type) {
    case TVT_INT:
    case TVT_UINT: return 4;
    case TVT_DOUBLE: return 8;
    case TVT_STRING: return 2;
    case TVT_BYTES: return 1;
    default: return 0;
  }
}

bool isNumberType(uint32_t type) { return type <= TVT_DOUBLE; }

// Whether the record keeps its elements in an array it owns.
bool hasArray(const TaggedValue& value) {
  if (isNumberType(value.type)) return value.count >= 2;
  return value.type == TVT_STRING || value.type == TVT_BYTES;
}

IStdInterface* objectOf(const TaggedValue& value) { return reinterpret_cast<IStdInterface*>(value.count); }

// A record on the stack for the typed adders and setters.
TaggedValue record(uint32_t tag, uint32_t type, uintptr_t count) {
  TaggedValue value{};
  value.cbSize = kTaggedValueSize;
  value.tag = tag;
  value.type = type;
  value.count = count;
  return value;
}

// A single number record, the element inline.
TaggedValue numberRecord(uint32_t tag, int32_t value) {
  TaggedValue v = record(tag, TVT_INT, 1);
  v.value.i = value;
  return v;
}
TaggedValue numberRecord(uint32_t tag, uint32_t value) {
  TaggedValue v = record(tag, TVT_UINT, 1);
  v.value.u = value;
  return v;
}
TaggedValue numberRecord(uint32_t tag, double value) {
  TaggedValue v = record(tag, TVT_DOUBLE, 1);
  v.value.d = value;
  return v;
}

// A number array record; a single element goes inline as the set keeps it.
template <typename T>
TaggedValue arrayRecord(uint32_t tag, uint32_t type, uint32_t count, const T* values) {
  TaggedValue value = record(tag, type, count);
  if (count == 1 && values != nullptr)
    std::memcpy(&value.value, values, sizeof(T));
  else
    value.value.storage = const_cast<T*>(values);
  return value;
}

bool sizedRecord(const TaggedValue* value) { return value != nullptr && value->cbSize == kTaggedValueSize; }

// Releases a set's reference on a sub-set after dropping its owner link.
void dropSubSet(ITaggedValSet* child) {
  child->SetOwner(nullptr);
  child->Release();
}

}  // namespace

zefcorek::ITaggedValSetImp::~ITaggedValSetImp() { (void)Clear(); }

IPtrList* zefcorek::ITaggedValSetImp::NewList() {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IPtrListImp, &out, 0) != S_OK) return nullptr;
  return static_cast<IPtrList*>(out);
}

// --- The set ------------------------------------------------------------------

ZRESULT zefcorek::ITaggedValSetImp::GetID(uint32_t* id) {
  if (id == nullptr) return ZR_BADARG;
  *id = id_;
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::SetID(uint32_t id) {
  if (id == id_) return ZR_OK;
  id_ = id;
  SetModified(true);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::GetName(WCHAR* buffer, uint32_t* length) {
  if (buffer == nullptr && length == nullptr) return ZR_BADARG;
  const std::u16string_view name = hasName_ ? std::u16string_view(name_) : std::u16string_view();
  if (buffer != nullptr) {
    std::copy(name.begin(), name.end(), buffer);
    buffer[name.size()] = 0;
  }
  if (length != nullptr) *length = static_cast<uint32_t>(name.size());
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::SetName(const WCHAR* name) {
  hasName_ = false;
  name_.clear();
  if (name == nullptr) return ZR_OK;
  try {
    name_.assign(name);
  } catch (const std::bad_alloc&) {
    return ZR_OUTOFMEMORY;
  }
  hasName_ = true;
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::Clear() {
  if (subSets_ == nullptr && values_ == nullptr) return ZR_OK;
  if ((flags_ & kDestroyingFlag) == 0) SetModified(true);
  if (IPtrList* list = std::exchange(subSets_, nullptr)) {
    unsigned count = 0;
    (void)list->GetCount(&count);
    for (unsigned index = 0; index < count; ++index) {
      void* item = nullptr;
      (void)list->GetAt(index, &item);
      dropSubSet(static_cast<ITaggedValSet*>(item));
    }
    list->Release();
  }
  if (IPtrList* list = std::exchange(values_, nullptr)) {
    unsigned count = 0;
    (void)list->GetCount(&count);
    for (unsigned index = 0; index < count; ++index) {
      void* item = nullptr;
      (void)list->GetAt(index, &item);
      DestroyValue(static_cast<TaggedValue*>(item));
    }
    list->Release();
  }
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::Clone(ITaggedValSet** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  auto* copy = new (std::nothrow) ITaggedValSetImp();
  if (copy == nullptr) return ZR_OUTOFMEMORY;
  ZRESULT result = copy->SetID(id_);
  if (result == ZR_OK) result = copy->SetName(hasName_ ? name_.c_str() : nullptr);
  for (uint32_t index = 0; result == ZR_OK && index < ValueCount(); ++index)
    result = copy->AddValue(StoredValue(index), nullptr);
  uint32_t subSets = 0;
  (void)GetSubSetCount(&subSets);
  for (uint32_t index = 0; result == ZR_OK && index < subSets; ++index) {
    ITaggedValSet* child = nullptr;
    result = GetSubSet(index, &child);
    if (result != ZR_OK) break;
    ITaggedValSet* childCopy = nullptr;
    result = child->Clone(&childCopy);
    child->Release();
    if (result != ZR_OK) break;
    result = copy->AddNewSubSet(childCopy);
    childCopy->Release();  // the copy holds the only reference now
  }
  if (result != ZR_OK) {
    copy->Release();
    return result;
  }
  *out = copy;
  return ZR_OK;
}

// --- Sub-sets -------------------------------------------------------------------

ZRESULT zefcorek::ITaggedValSetImp::GetSubSetCount(uint32_t* count) {
  if (count == nullptr) return ZR_BADARG;
  unsigned n = 0;
  if (subSets_ != nullptr) (void)subSets_->GetCount(&n);
  *count = n;
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::GetSubSet(uint32_t index, ITaggedValSet** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  void* item = nullptr;
  if (subSets_ == nullptr || subSets_->GetAt(index, &item) != ZR_OK || item == nullptr) return ZR_BADARG;
  *out = static_cast<ITaggedValSet*>(item);
  (*out)->AddRef();
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::FindSubSetByID(uint32_t id, ITaggedValSet** out, int32_t* index) {
  if (out == nullptr && index == nullptr) return ZR_BADARG;
  if (out != nullptr) *out = nullptr;
  if (index != nullptr) *index = -1;
  uint32_t count = 0;
  (void)GetSubSetCount(&count);
  for (uint32_t position = 0; position < count; ++position) {
    void* item = nullptr;
    (void)subSets_->GetAt(position, &item);
    auto* child = static_cast<ITaggedValSet*>(item);
    uint32_t childId = 0;
    if (child->GetID(&childId) != ZR_OK || childId != id) continue;
    if (out != nullptr) {
      child->AddRef();
      *out = child;
    }
    if (index != nullptr) *index = static_cast<int32_t>(position);
    return ZR_OK;
  }
  return ZR_BADARG;
}

namespace {

// The first sub-set of `parent` whose name begins with `segment`, ignoring
// case, with a reference added; null when none. Names of any length are
// read whole.
ITaggedValSet* matchSegment(ITaggedValSet* parent, std::u16string_view segment) {
  uint32_t count = 0;
  if (parent->GetSubSetCount(&count) != ZR_OK) return nullptr;
  std::u16string name;
  for (uint32_t index = 0; index < count; ++index) {
    ITaggedValSet* child = nullptr;
    if (parent->GetSubSet(index, &child) != ZR_OK) continue;
    uint32_t length = 0;
    (void)child->GetName(nullptr, &length);
    name.assign(static_cast<size_t>(length) + 1, u'\0');
    (void)child->GetName(name.data(), &length);
    name.resize(length);
    if (name.size() >= segment.size() &&
        platform::equalsIgnoreCase(std::u16string_view(name).substr(0, segment.size()), segment))
      return child;
    child->Release();
  }
  return nullptr;
}

}  // namespace

ZRESULT zefcorek::ITaggedValSetImp::FindSubSetByPath(const WCHAR* path, ITaggedValSet** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (path == nullptr) {
    AddRef();
    *out = this;
    return ZR_OK;
  }
  // Walked segment by segment (no recursion, so a long path cannot run the
  // stack out); `current` holds a reference from the second level on.
  std::u16string_view rest(path);
  ITaggedValSet* current = this;
  bool holdsReference = false;
  for (;;) {
    const size_t colon = rest.find(u':');
    const std::u16string_view segment = rest.substr(0, colon);
    uint32_t count = 0;
    ITaggedValSet* match = nullptr;
    if (current->GetSubSetCount(&count) == ZR_OK && count > 0) match = matchSegment(current, segment);
    if (holdsReference) current->Release();
    if (match == nullptr) return ZR_BADARG;
    if (colon == std::u16string_view::npos) {
      *out = match;
      return ZR_OK;
    }
    current = match;
    holdsReference = true;
    rest = rest.substr(colon + 1);
  }
}

bool zefcorek::ITaggedValSetImp::Holds(ITaggedValSet* root, ITaggedValSet* candidate) {
  // An explicit stack: the tree may be deep.
  std::vector<ITaggedValSet*> pending{root};
  while (!pending.empty()) {
    ITaggedValSet* set = pending.back();
    pending.pop_back();
    if (set->SameInterface(candidate)) return true;
    uint32_t count = 0;
    (void)set->GetSubSetCount(&count);
    for (uint32_t index = 0; index < count; ++index) {
      ITaggedValSet* child = nullptr;
      if (set->GetSubSet(index, &child) != ZR_OK) continue;
      pending.push_back(child);
      child->Release();  // the parent keeps it alive while we look
    }
  }
  return false;
}

ZRESULT zefcorek::ITaggedValSetImp::AddSubSet(ITaggedValSet* child, int32_t* index) {
  if (index != nullptr) *index = -1;
  if (child == nullptr) return ZR_BADARG;
  // A set beneath itself would form a cycle that no Release ever frees.
  if (Holds(child, this)) return ZR_BADARG;
  const ZRESULT result = AddNewSubSet(child);
  if (result == ZR_OK && index != nullptr) {
    uint32_t count = 0;
    (void)GetSubSetCount(&count);
    *index = static_cast<int32_t>(count - 1);
  }
  return result;
}

ZRESULT zefcorek::ITaggedValSetImp::AddNewSubSet(ITaggedValSet* child) {
  if (subSets_ == nullptr && (subSets_ = NewList()) == nullptr) return ZR_OUTOFMEMORY;
  const ZRESULT result = subSets_->AddTail(child, nullptr);
  if (result != ZR_OK) return result;
  child->SetOwner(this);
  child->AddRef();
  SetModified(true);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::RemoveSubSetAt(uint32_t index) {
  void* item = nullptr;
  if (subSets_ == nullptr || subSets_->GetAt(index, &item) != ZR_OK) return ZR_BADARG;
  (void)subSets_->RemoveAt(index, 1, false);
  dropSubSet(static_cast<ITaggedValSet*>(item));
  SetModified(true);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::RemoveSubSet(ITaggedValSet* child) {
  if (subSets_ == nullptr) return ZR_BADARG;
  unsigned index = 0;
  if (child == nullptr || subSets_->IndexOfItem(child, &index) != ZR_OK) return ZR_NO;
  return RemoveSubSetAt(index);
}

ZRESULT zefcorek::ITaggedValSetImp::ForEachSubSet(TaggedValSetForEachFunc callback, void* context) {
  if (callback == nullptr) return ZR_BADARG;
  uint32_t count = 0;
  (void)GetSubSetCount(&count);
  for (uint32_t index = 0; index < count; ++index) {
    void* item = nullptr;
    if (subSets_->GetAt(index, &item) != ZR_OK) break;
    if (callback(static_cast<ITaggedValSet*>(item), index, context) == 0) break;
  }
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::SwapSubSets(uint32_t first, uint32_t second) {
  void* a = nullptr;
  void* b = nullptr;
  if (subSets_ == nullptr || subSets_->GetAt(first, &a) != ZR_OK || subSets_->GetAt(second, &b) != ZR_OK)
    return ZR_BADARG;
  (void)subSets_->SetAt(first, b);
  (void)subSets_->SetAt(second, a);
  return ZR_OK;
}

// --- Value records ----------------------------------------------------------------

ZRESULT zefcorek::ITaggedValSetImp::CreateValue(uint32_t type, uint32_t count, TaggedValue** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (type > kHighestType || count == 0) return ZR_BADARG;
  if ((type == TVT_INTERFACE || type == TVT_CUSTOM) && count != 1) return ZR_FAILED;
  auto* value = new (std::nothrow) TaggedValue{};
  if (value == nullptr) return ZR_OUTOFMEMORY;
  value->cbSize = kTaggedValueSize;
  value->type = type;
  if (type == TVT_INTERFACE || type == TVT_CUSTOM) {
    *out = value;
    return ZR_OK;
  }
  value->count = count;
  if (hasArray(*value)) {
    value->value.storage = std::calloc(count, elementSize(type));
    if (value->value.storage == nullptr) {
      delete value;
      return ZR_OUTOFMEMORY;
    }
  }
  *out = value;
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::CheckValue(const TaggedValue* value) {
  if (value == nullptr || value->cbSize < kTaggedValueSize || value->type > kHighestType) return ZR_BADARG;
  if (isNumberType(value->type) && value->count >= 2 && value->value.storage == nullptr) return ZR_BADARG;
  if ((value->type == TVT_STRING || value->type == TVT_BYTES) && value->count != 0 && value->value.storage == nullptr)
    return ZR_BADARG;
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::CloneValue(const TaggedValue* source, TaggedValue** out) {
  const ZRESULT check = CheckValue(source);
  if (check != ZR_OK) {
    if (out != nullptr) *out = nullptr;
    return check;
  }
  if (out == nullptr) return ZR_OK;
  const bool oneWord = source->type == TVT_INTERFACE || source->type == TVT_CUSTOM;
  if (!oneWord && source->count > UINT32_MAX) return ZR_BADARG;
  TaggedValue* copy = nullptr;
  const ZRESULT result = CreateValue(source->type, oneWord ? 1 : static_cast<uint32_t>(source->count), &copy);
  if (result != ZR_OK) {
    *out = nullptr;
    return result;
  }
  copy->tag = source->tag;
  switch (source->type) {
    case TVT_INTERFACE:
      copy->count = source->count;
      if (IStdInterface* object = objectOf(*copy)) object->AddRef();
      break;
    case TVT_CUSTOM:
      copy->count = source->count;
      copy->value = source->value;
      copy->context = source->context;
      if (copy->value.handler != nullptr) (void)copy->value.handler(this, TVH_COPIED, copy->count, copy->context);
      break;
    default:
      if (hasArray(*copy))
        std::memcpy(copy->value.storage, source->value.storage, copy->count * elementSize(copy->type));
      else
        copy->value = source->value;
      break;
  }
  *out = copy;
  return ZR_OK;
}

void zefcorek::ITaggedValSetImp::DestroyValue(TaggedValue* value) {
  if (value == nullptr) return;
  if (hasArray(*value)) std::free(value->value.storage);
  if (value->type == TVT_INTERFACE) {
    if (IStdInterface* object = objectOf(*value)) object->Release();
  }
  if (value->type == TVT_CUSTOM && value->value.handler != nullptr)
    (void)value->value.handler(this, TVH_DESTROYED, value->count, value->context);
  delete value;
}

ZRESULT zefcorek::ITaggedValSetImp::FreeValue(TaggedValue* value) {
  const ZRESULT check = CheckValue(value);
  if (check != ZR_OK) return check;
  DestroyValue(value);
  return ZR_OK;
}

// --- Values -----------------------------------------------------------------------

uint32_t zefcorek::ITaggedValSetImp::ValueCount() const {
  unsigned count = 0;
  if (values_ != nullptr) (void)values_->GetCount(&count);
  return count;
}

TaggedValue* zefcorek::ITaggedValSetImp::ValueAt(uint32_t index) const {
  void* item = nullptr;
  if (values_ == nullptr || values_->GetAt(index, &item) != ZR_OK) return nullptr;
  return static_cast<TaggedValue*>(item);
}

const TaggedValue* zefcorek::ITaggedValSetImp::StoredValue(uint32_t index) const { return ValueAt(index); }

ZRESULT zefcorek::ITaggedValSetImp::GetValueCount(uint32_t* count) {
  if (count == nullptr) return ZR_BADARG;
  *count = ValueCount();
  return ZR_OK;
}

void zefcorek::ITaggedValSetImp::HandOut(const TaggedValue& stored, TaggedValue* out) {
  *out = stored;
  out->cbSize = kTaggedValueSize;
  if (stored.type == TVT_INTERFACE) {
    if (IStdInterface* object = objectOf(stored)) object->AddRef();
  }
  if (stored.type == TVT_CUSTOM && stored.value.handler != nullptr)
    (void)stored.value.handler(this, TVH_HANDED_OUT, stored.count, stored.context);
}

ZRESULT zefcorek::ITaggedValSetImp::GetValueAt(uint32_t index, TaggedValue* out) {
  if (!sizedRecord(out)) return ZR_BADARG;
  std::memset(reinterpret_cast<char*>(out) + 4, 0, kTaggedValueSize - 4);
  const TaggedValue* stored = ValueAt(index);
  if (stored == nullptr) return ZR_BADARG;
  HandOut(*stored, out);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::IndexOfTag(uint32_t tag, uint32_t& index) const {
  if (values_ == nullptr) return ZR_FAILED;
  const uint32_t count = ValueCount();
  for (index = 0; index < count; ++index) {
    if (ValueAt(index)->tag == tag) return ZR_OK;
  }
  return ZR_NO;
}

ZRESULT zefcorek::ITaggedValSetImp::FindValue(uint32_t tag, TaggedValue* out, int32_t* index) {
  if ((out == nullptr && index == nullptr) || (out != nullptr && out->cbSize != kTaggedValueSize)) return ZR_BADARG;
  if (out != nullptr) std::memset(reinterpret_cast<char*>(out) + 4, 0, kTaggedValueSize - 4);
  if (index != nullptr) *index = -1;
  uint32_t position = 0;
  const ZRESULT result = IndexOfTag(tag, position);
  if (result != ZR_OK) return result;
  if (out != nullptr) HandOut(*ValueAt(position), out);
  if (index != nullptr) *index = static_cast<int32_t>(position);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::AddValue(const TaggedValue* value, int32_t* index) {
  if (index != nullptr) *index = -1;
  if (!sizedRecord(value)) return ZR_BADARG;
  if (values_ == nullptr && (values_ = NewList()) == nullptr) return ZR_OUTOFMEMORY;
  TaggedValue* copy = nullptr;
  ZRESULT result = CloneValue(value, &copy);
  if (result != ZR_OK) return result;
  result = values_->AddTail(copy, nullptr);
  if (result != ZR_OK) {
    DestroyValue(copy);
    return result;
  }
  SetModified(true);
  if (index != nullptr) *index = static_cast<int32_t>(ValueCount() - 1);
  return ZR_OK;
}

namespace {

// Whether a record can be stored over the stored one in place.
bool sameShape(const TaggedValue& stored, const TaggedValue& value) {
  if (stored.type != value.type) return false;
  switch (value.type) {
    case TVT_INT:
    case TVT_UINT:
    case TVT_DOUBLE:
      return stored.count == value.count && (value.count < 2 || stored.value.storage == value.value.storage);
    case TVT_STRING:
    case TVT_BYTES: return stored.count == value.count && stored.value.storage == value.value.storage;
    default: return true;
  }
}

}  // namespace

ZRESULT zefcorek::ITaggedValSetImp::SetValueAt(uint32_t index, const TaggedValue* value) {
  if (!sizedRecord(value) || values_ == nullptr) return ZR_BADARG;
  const ZRESULT check = CheckValue(value);
  if (check != ZR_OK) return check;
  TaggedValue* stored = ValueAt(index);
  if (stored == nullptr) return ZR_BADARG;
  if (sameShape(*stored, *value)) {
    // The new reference first, so that storing a value over itself keeps it.
    if (value->type == TVT_INTERFACE) {
      if (IStdInterface* object = objectOf(*value)) object->AddRef();
      if (IStdInterface* old = objectOf(*stored)) old->Release();
    }
    if (value->type == TVT_CUSTOM) {
      if (value->value.handler != nullptr)
        (void)value->value.handler(this, TVH_HANDED_OUT, value->count, value->context);
      if (stored->value.handler != nullptr)
        (void)stored->value.handler(this, TVH_DESTROYED, stored->count, stored->context);
    }
    stored->tag = value->tag;
    stored->type = value->type;
    stored->count = value->count;
    stored->value = value->value;
    stored->context = value->context;
    SetModified(true);
    return ZR_OK;
  }
  TaggedValue* copy = nullptr;
  ZRESULT result = CloneValue(value, &copy);
  if (result != ZR_OK) return result;
  result = values_->SetAt(index, copy);
  if (result != ZR_OK) {
    DestroyValue(copy);
    return result;
  }
  DestroyValue(stored);
  SetModified(true);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::SetByTag(const TaggedValue& value) {
  uint32_t position = 0;
  const ZRESULT result = IndexOfTag(value.tag, position);
  if (result != ZR_OK) return result;
  return SetValueAt(position, &value);
}

ZRESULT zefcorek::ITaggedValSetImp::SetValue(const TaggedValue* value) {
  if (!sizedRecord(value)) return ZR_BADARG;
  return SetByTag(*value);
}

ZRESULT zefcorek::ITaggedValSetImp::RemoveValueAt(uint32_t index) {
  TaggedValue* stored = ValueAt(index);
  if (stored == nullptr) return ZR_BADARG;
  (void)values_->RemoveAt(index, 1, false);
  DestroyValue(stored);
  SetModified(true);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::RemoveValue(uint32_t tag) {
  uint32_t position = 0;
  const ZRESULT result = IndexOfTag(tag, position);
  if (result != ZR_OK) return result;
  return RemoveValueAt(position);
}

// --- Typed adders and setters ----------------------------------------------------

ZRESULT zefcorek::ITaggedValSetImp::AddInt(uint32_t tag, int32_t value) {
  const TaggedValue v = numberRecord(tag, value);
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddIntArray(uint32_t tag, uint32_t count, const int32_t* values) {
  const TaggedValue v = arrayRecord(tag, TVT_INT, count, values);
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddUInt(uint32_t tag, uint32_t value) {
  const TaggedValue v = numberRecord(tag, value);
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddUIntArray(uint32_t tag, uint32_t count, const uint32_t* values) {
  const TaggedValue v = arrayRecord(tag, TVT_UINT, count, values);
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddDouble(uint32_t tag, double value) {
  const TaggedValue v = numberRecord(tag, value);
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddDoubleArray(uint32_t tag, uint32_t count, const double* values) {
  const TaggedValue v = arrayRecord(tag, TVT_DOUBLE, count, values);
  return AddValue(&v, nullptr);
}

namespace {

TaggedValue stringRecord(uint32_t tag, const WCHAR* text) {
  TaggedValue v = record(tag, TVT_STRING, platform::utf16Length(text) + 1);
  v.value.storage = const_cast<WCHAR*>(text);
  return v;
}
TaggedValue bytesRecord(uint32_t tag, const void* bytes, uint32_t size) {
  TaggedValue v = record(tag, TVT_BYTES, size);
  v.value.storage = const_cast<void*>(bytes);
  return v;
}
TaggedValue customRecord(uint32_t tag, uintptr_t data, TaggedValueHandler handler, uintptr_t context) {
  TaggedValue v = record(tag, TVT_CUSTOM, data);
  v.value.handler = handler;
  v.context = context;
  return v;
}

}  // namespace

ZRESULT zefcorek::ITaggedValSetImp::AddString(uint32_t tag, const WCHAR* text) {
  if (text == nullptr) return ZR_BADARG;
  const TaggedValue v = stringRecord(tag, text);
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddBytes(uint32_t tag, const void* bytes, uint32_t size) {
  const TaggedValue v = bytesRecord(tag, bytes, size);
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddInterface(uint32_t tag, IStdInterface* object) {
  const TaggedValue v = record(tag, TVT_INTERFACE, reinterpret_cast<uintptr_t>(object));
  return AddValue(&v, nullptr);
}
ZRESULT zefcorek::ITaggedValSetImp::AddCustom(uint32_t tag, uintptr_t data, TaggedValueHandler handler,
                                              uintptr_t context) {
  const TaggedValue v = customRecord(tag, data, handler, context);
  return AddValue(&v, nullptr);
}

ZRESULT zefcorek::ITaggedValSetImp::SetInt(uint32_t tag, int32_t value) { return SetByTag(numberRecord(tag, value)); }
ZRESULT zefcorek::ITaggedValSetImp::SetIntArray(uint32_t tag, uint32_t count, const int32_t* values) {
  return SetByTag(arrayRecord(tag, TVT_INT, count, values));
}
ZRESULT zefcorek::ITaggedValSetImp::SetUInt(uint32_t tag, uint32_t value) { return SetByTag(numberRecord(tag, value)); }
ZRESULT zefcorek::ITaggedValSetImp::SetUIntArray(uint32_t tag, uint32_t count, const uint32_t* values) {
  return SetByTag(arrayRecord(tag, TVT_UINT, count, values));
}
ZRESULT zefcorek::ITaggedValSetImp::SetDouble(uint32_t tag, double value) { return SetByTag(numberRecord(tag, value)); }
ZRESULT zefcorek::ITaggedValSetImp::SetDoubleArray(uint32_t tag, uint32_t count, const double* values) {
  return SetByTag(arrayRecord(tag, TVT_DOUBLE, count, values));
}
ZRESULT zefcorek::ITaggedValSetImp::SetString(uint32_t tag, const WCHAR* text) {
  if (text == nullptr) return ZR_BADARG;
  return SetByTag(stringRecord(tag, text));
}
ZRESULT zefcorek::ITaggedValSetImp::SetBytes(uint32_t tag, const void* bytes, uint32_t size) {
  return SetByTag(bytesRecord(tag, bytes, size));
}
ZRESULT zefcorek::ITaggedValSetImp::SetInterface(uint32_t tag, IStdInterface* object) {
  return SetByTag(record(tag, TVT_INTERFACE, reinterpret_cast<uintptr_t>(object)));
}
ZRESULT zefcorek::ITaggedValSetImp::SetCustom(uint32_t tag, uintptr_t data, TaggedValueHandler handler,
                                              uintptr_t context) {
  return SetByTag(customRecord(tag, data, handler, context));
}

// --- Typed getters ------------------------------------------------------------------

ZRESULT zefcorek::ITaggedValSetImp::FindTyped(const WCHAR* path, uint32_t tag, uint32_t type, bool single,
                                              TaggedValue* found) {
  ITaggedValSet* target = nullptr;
  ZRESULT result = FindSubSetByPath(path, &target);
  if (result != ZR_OK) return result;
  *found = TaggedValue{};
  found->cbSize = kTaggedValueSize;
  result = target->FindValue(tag, found, nullptr);
  target->Release();
  if (result != ZR_OK) return result;
  if (found->type == type && (!single || found->count == 1)) return ZR_OK;
  // The search took a reference on an interface value: give it back.
  if (found->type == TVT_INTERFACE) {
    if (IStdInterface* object = objectOf(*found)) object->Release();
  }
  return ZR_FAILED;
}

namespace {

// The stored count into the caller's count (0 after a failed look-up); whether
// the look-up found the value.
bool reportCount(ZRESULT found, const TaggedValue& value, uint32_t* count) {
  if (count != nullptr) *count = found == ZR_OK ? static_cast<uint32_t>(value.count) : 0;
  return found == ZR_OK;
}

// Count and elements of a number array value into the caller's outputs; a
// failed look-up leaves a count of 0 and the buffer alone.
template <typename T>
ZRESULT copyElements(ZRESULT found, const TaggedValue& value, uint32_t* count, T* buffer) {
  if (!reportCount(found, value, count) || buffer == nullptr) return found;
  if (value.count == 1)
    std::memcpy(buffer, &value.value, sizeof(T));
  else
    std::memcpy(buffer, value.value.storage, value.count * sizeof(T));
  return ZR_OK;
}

}  // namespace

ZRESULT zefcorek::ITaggedValSetImp::GetInt(const WCHAR* path, uint32_t tag, int32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  TaggedValue v;
  const ZRESULT result = FindTyped(path, tag, TVT_INT, true, &v);
  *out = result == ZR_OK ? v.value.i : 0;
  return result;
}

ZRESULT zefcorek::ITaggedValSetImp::GetUInt(const WCHAR* path, uint32_t tag, uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  TaggedValue v;
  const ZRESULT result = FindTyped(path, tag, TVT_UINT, true, &v);
  *out = result == ZR_OK ? v.value.u : 0;
  return result;
}

ZRESULT zefcorek::ITaggedValSetImp::GetDouble(const WCHAR* path, uint32_t tag, double* out) {
  if (out == nullptr) return ZR_BADARG;
  TaggedValue v;
  const ZRESULT result = FindTyped(path, tag, TVT_DOUBLE, true, &v);
  *out = result == ZR_OK ? v.value.d : 0.0;
  return result;
}

ZRESULT zefcorek::ITaggedValSetImp::GetIntArray(const WCHAR* path, uint32_t tag, uint32_t* count, int32_t* buffer) {
  TaggedValue v;
  return copyElements(FindTyped(path, tag, TVT_INT, false, &v), v, count, buffer);
}

ZRESULT zefcorek::ITaggedValSetImp::GetUIntArray(const WCHAR* path, uint32_t tag, uint32_t* count, uint32_t* buffer) {
  TaggedValue v;
  return copyElements(FindTyped(path, tag, TVT_UINT, false, &v), v, count, buffer);
}

ZRESULT zefcorek::ITaggedValSetImp::GetDoubleArray(const WCHAR* path, uint32_t tag, uint32_t* count, double* buffer) {
  TaggedValue v;
  return copyElements(FindTyped(path, tag, TVT_DOUBLE, false, &v), v, count, buffer);
}

ZRESULT zefcorek::ITaggedValSetImp::GetString(const WCHAR* path, uint32_t tag, uint32_t* count, WCHAR* buffer) {
  TaggedValue v;
  const ZRESULT result = FindTyped(path, tag, TVT_STRING, false, &v);
  if (!reportCount(result, v, count) || buffer == nullptr) return result;
  // The characters, then a zero in the last unit whatever the stored last
  // unit is, so the caller always gets a terminated text.
  const auto* text = static_cast<const WCHAR*>(v.value.storage);
  if (text == nullptr || v.count == 0) {
    buffer[0] = 0;
    return ZR_OK;
  }
  std::memcpy(buffer, text, (v.count - 1) * sizeof(WCHAR));
  buffer[v.count - 1] = 0;
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::GetBytes(const WCHAR* path, uint32_t tag, uint32_t* count, void* buffer) {
  TaggedValue v;
  const ZRESULT result = FindTyped(path, tag, TVT_BYTES, false, &v);
  if (!reportCount(result, v, count) || buffer == nullptr) return result;
  if (v.count > 0 && v.value.storage != nullptr) std::memcpy(buffer, v.value.storage, v.count);
  return ZR_OK;
}

ZRESULT zefcorek::ITaggedValSetImp::GetInterface(const WCHAR* path, uint32_t tag, IStdInterface** out) {
  if (out == nullptr) return ZR_BADARG;
  TaggedValue v;
  const ZRESULT result = FindTyped(path, tag, TVT_INTERFACE, false, &v);
  *out = result == ZR_OK ? objectOf(v) : nullptr;
  return result;
}

ZRESULT zefcorek::ITaggedValSetImp::GetCustom(const WCHAR* path, uint32_t tag, void** data) {
  if (data == nullptr) return ZR_BADARG;
  TaggedValue v;
  const ZRESULT result = FindTyped(path, tag, TVT_CUSTOM, false, &v);
  *data = result == ZR_OK ? reinterpret_cast<void*>(v.count) : nullptr;
  return result;
}

// --- Merging ------------------------------------------------------------------------

ZRESULT zefcorek::ITaggedValSetImp::AppendFrom(ITaggedValSet* source) {
  if (source == nullptr) return ZR_BADARG;
  uint32_t values = 0;
  (void)source->GetValueCount(&values);
  for (uint32_t index = 0; index < values; ++index) {
    TaggedValue v{};
    v.cbSize = kTaggedValueSize;
    ZRESULT result = source->GetValueAt(index, &v);
    if (result == ZR_OK) result = AddValue(&v, nullptr);
    if (v.type == TVT_INTERFACE) {
      if (IStdInterface* object = objectOf(v)) object->Release();
    }
    if (result != ZR_OK) return result;
  }
  uint32_t subSets = 0;
  (void)source->GetSubSetCount(&subSets);
  std::u16string name;
  for (uint32_t index = 0; index < subSets; ++index) {
    ITaggedValSet* from = nullptr;
    ZRESULT result = source->GetSubSet(index, &from);
    if (result != ZR_OK) return result;
    auto* to = new (std::nothrow) ITaggedValSetImp();
    if (to == nullptr) {
      from->Release();
      return ZR_OUTOFMEMORY;
    }
    result = AddNewSubSet(to);
    to->Release();  // this set holds the only reference
    if (result == ZR_OK) {
      // Names of any length are copied whole.
      uint32_t length = 0;
      (void)from->GetName(nullptr, &length);
      name.assign(static_cast<size_t>(length) + 1, u'\0');
      (void)from->GetName(name.data(), &length);
      result = to->SetName(name.c_str());
    }
    if (result == ZR_OK) result = to->AppendFrom(from);
    from->Release();
    if (result != ZR_OK) return result;
  }
  return ZR_OK;
}

void* zefcorek::makeITaggedValSetImp(intptr_t) {
  return static_cast<ITaggedValSet*>(new (std::nothrow) zefcorek::ITaggedValSetImp());
}
