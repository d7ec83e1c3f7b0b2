#include "zefcorek/TaggedValSet.h"

#include "ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/PtrList.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

ITaggedValSet* newSet() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_ITaggedValSetImp, &out, 0), S_OK);
  return static_cast<ITaggedValSet*>(out);
}

// An object for interface values whose references the tests count.
IPtrList* newObject() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IPtrListImp, &out, 0), S_OK);
  return static_cast<IPtrList*>(out);
}

TaggedValue emptyRecord() {
  TaggedValue value{};
  value.cbSize = kTaggedValueSize;
  return value;
}

std::u16string nameOf(ITaggedValSet* set) {
  uint32_t length = 0;
  EXPECT_EQ(set->GetName(nullptr, &length), ZR_OK);
  std::u16string name(length + 1, u'?');
  EXPECT_EQ(set->GetName(name.data(), &length), ZR_OK);
  name.resize(length);
  return name;
}

// Counts the calls of a custom value's handler, per operation.
struct HandlerLog {
  int calls[3] = {0, 0, 0};
  static int32_t record(ITaggedValSet*, uint32_t operation, uintptr_t, uintptr_t context) {
    reinterpret_cast<HandlerLog*>(context)->calls[operation] += 1;
    return 0;
  }
};

TEST(TaggedValSetTest, FactoryAndIdentity) {
  ITaggedValSet* set = newSet();
  ASSERT_NE(set, nullptr);
  void* out = &out;
  EXPECT_EQ(set->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &out);
  EXPECT_EQ(set->GetRefCount(), 1);
  EXPECT_EQ(set->ReservedValueOp(1, 2), ZR_NOTSUPPORTED);
  EXPECT_EQ(set->SetOptions(0xABCD), ZR_OK);
  EXPECT_EQ(set->GetOptions(), 0xABCDu);
  EXPECT_TRUE(set->IsUnmodified());  // options do not mark
  EXPECT_EQ(set->Release(), 0u);
}

TEST(TaggedValSetTest, SearchesByTagDependOnTheList) {
  ITaggedValSet* set = newSet();
  TaggedValue found = emptyRecord();
  int32_t index = 7;
  EXPECT_EQ(set->FindValue(1, &found, &index), ZR_FAILED);  // no list yet
  EXPECT_EQ(index, -1);
  EXPECT_EQ(set->SetInt(1, 5), ZR_FAILED);
  EXPECT_EQ(set->RemoveValue(1), ZR_FAILED);
  ASSERT_EQ(set->AddInt(1, 10), ZR_OK);
  ASSERT_EQ(set->AddInt(1, 20), ZR_OK);  // the same tag again: both stay
  ASSERT_EQ(set->AddInt(2, 30), ZR_OK);
  int32_t value = 0;
  EXPECT_EQ(set->GetInt(nullptr, 1, &value), ZR_OK);
  EXPECT_EQ(value, 10);
  EXPECT_EQ(set->SetInt(1, 11), ZR_OK);  // the first one
  EXPECT_EQ(set->GetValueAt(1, &found), ZR_OK);
  EXPECT_EQ(found.value.i, 20);
  EXPECT_EQ(set->SetInt(9, 1), ZR_NO);  // absent: nothing added
  uint32_t count = 0;
  EXPECT_EQ(set->GetValueCount(&count), ZR_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(set->RemoveValue(1), ZR_OK);
  EXPECT_EQ(set->GetInt(nullptr, 1, &value), ZR_OK);
  EXPECT_EQ(value, 20);
  EXPECT_EQ(set->RemoveValue(1), ZR_OK);
  EXPECT_EQ(set->RemoveValueAt(0), ZR_OK);
  EXPECT_EQ(set->FindValue(1, &found, &index), ZR_NO);  // an empty list
  EXPECT_EQ(set->RemoveValueAt(0), ZR_BADARG);
  ASSERT_EQ(set->AddInt(3, 1), ZR_OK);
  EXPECT_EQ(set->Clear(), ZR_OK);
  EXPECT_EQ(set->FindValue(3, &found, nullptr), ZR_FAILED);  // the list is gone
  EXPECT_EQ(set->FindValue(3, nullptr, nullptr), ZR_BADARG);
  found.cbSize = kTaggedValueSize + 4;
  EXPECT_EQ(set->FindValue(3, &found, &index), ZR_BADARG);
  set->Release();
}

TEST(TaggedValSetTest, TypedGettersDoNotConvert) {
  ITaggedValSet* set = newSet();
  const int32_t three[] = {4, 5, 6};
  ASSERT_EQ(set->AddInt(1, -7), ZR_OK);
  ASSERT_EQ(set->AddIntArray(2, 3, three), ZR_OK);
  ASSERT_EQ(set->AddUInt(3, 9), ZR_OK);
  ASSERT_EQ(set->AddDouble(4, 2.5), ZR_OK);
  ASSERT_EQ(set->AddString(5, u""), ZR_OK);
  ASSERT_EQ(set->AddString(6, u"text"), ZR_OK);
  ASSERT_EQ(set->AddBytes(7, "\x01\x02\x03", 3), ZR_OK);
  EXPECT_EQ(set->AddString(8, nullptr), ZR_BADARG);

  int32_t buffer[4] = {0, 0, 0, 99};
  uint32_t count = 0;
  EXPECT_EQ(set->GetIntArray(nullptr, 1, &count, buffer), ZR_OK);  // a single value
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(buffer[0], -7);
  EXPECT_EQ(set->GetIntArray(nullptr, 2, &count, buffer), ZR_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(buffer[2], 6);
  EXPECT_EQ(buffer[3], 99);
  int32_t single = 42;
  EXPECT_EQ(set->GetInt(nullptr, 2, &single), ZR_FAILED);  // an array
  EXPECT_EQ(single, 0);
  uint32_t unsignedValue = 42;
  EXPECT_EQ(set->GetUInt(nullptr, 1, &unsignedValue), ZR_FAILED);  // type 0
  EXPECT_EQ(unsignedValue, 0u);
  double real = 0;
  EXPECT_EQ(set->GetDouble(nullptr, 4, &real), ZR_OK);
  EXPECT_EQ(real, 2.5);
  WCHAR text[8] = u"xxxxxxx";
  EXPECT_EQ(set->GetString(nullptr, 5, &count, text), ZR_OK);
  EXPECT_EQ(count, 1u);  // the empty string keeps its terminator
  EXPECT_EQ(text[0], 0);
  EXPECT_EQ(set->GetString(nullptr, 6, &count, text), ZR_OK);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(std::u16string(text), u"text");
  unsigned char bytes[3] = {};
  EXPECT_EQ(set->GetBytes(nullptr, 7, &count, bytes), ZR_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(bytes[2], 3);
  count = 5;
  EXPECT_EQ(set->GetBytes(nullptr, 6, &count, bytes), ZR_FAILED);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(set->GetIntArray(nullptr, 99, &count, buffer), ZR_NO);
  IStdInterface* object = reinterpret_cast<IStdInterface*>(&count);
  EXPECT_EQ(set->GetInterface(nullptr, 1, &object), ZR_FAILED);
  EXPECT_EQ(object, nullptr);
  set->Release();
}

TEST(TaggedValSetTest, ValueRecords) {
  ITaggedValSet* set = newSet();
  TaggedValue* value = reinterpret_cast<TaggedValue*>(1);
  struct Row {
    uint32_t type, count;
    ZRESULT expected;
  };
  const Row rows[] = {{7, 1, ZR_BADARG}, {0, 0, ZR_BADARG}, {5, 2, ZR_FAILED}, {6, 3, ZR_FAILED},
                      {3, 1, ZR_OK},     {0, 4, ZR_OK},     {5, 1, ZR_OK},     {4, 10, ZR_OK}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "type " << row.type << " count " << row.count);
    EXPECT_EQ(set->CreateValue(row.type, row.count, &value), row.expected);
    if (row.expected != ZR_OK) {
      EXPECT_EQ(value, nullptr);
      continue;
    }
    EXPECT_EQ(value->cbSize, kTaggedValueSize);
    EXPECT_EQ(set->CheckValue(value), ZR_OK);
    EXPECT_EQ(set->FreeValue(value), ZR_OK);
  }
  EXPECT_EQ(set->CreateValue(0, 1, nullptr), ZR_BADARG);

  // A larger record passes the check but is not taken as a value.
  TaggedValue larger = emptyRecord();
  larger.cbSize = kTaggedValueSize + 8;
  larger.count = 1;
  EXPECT_EQ(set->CheckValue(&larger), ZR_OK);
  EXPECT_EQ(set->AddValue(&larger, nullptr), ZR_BADARG);
  int32_t index = 5;
  EXPECT_EQ(set->AddValue(nullptr, &index), ZR_BADARG);
  EXPECT_EQ(index, -1);
  TaggedValue broken = emptyRecord();
  broken.type = TVT_DOUBLE;
  broken.count = 3;  // an array without storage
  EXPECT_EQ(set->CheckValue(&broken), ZR_BADARG);
  EXPECT_EQ(set->AddValue(&broken, nullptr), ZR_BADARG);
  EXPECT_TRUE(set->IsUnmodified());  // failed adds leave the set as it was
  set->Release();
}

TEST(TaggedValSetTest, InterfaceAndCustomValuesBalance) {
  IPtrList* object = newObject();
  HandlerLog log;
  {
    ITaggedValSet* set = newSet();
    ASSERT_EQ(set->AddInterface(1, object), ZR_OK);
    EXPECT_EQ(object->GetRefCount(), 2);
    IStdInterface* got = nullptr;
    ASSERT_EQ(set->GetInterface(nullptr, 1, &got), ZR_OK);
    EXPECT_EQ(got, static_cast<IStdInterface*>(object));
    EXPECT_EQ(object->GetRefCount(), 3);  // the caller's own
    got->Release();
    int32_t wrong = 0;
    EXPECT_EQ(set->GetInt(nullptr, 1, &wrong), ZR_FAILED);  // the search's reference is given back
    EXPECT_EQ(object->GetRefCount(), 2);

    ASSERT_EQ(set->AddCustom(2, 0x1234, &HandlerLog::record, reinterpret_cast<uintptr_t>(&log)), ZR_OK);
    EXPECT_EQ(log.calls[TVH_COPIED], 1);
    void* data = nullptr;
    ASSERT_EQ(set->GetCustom(nullptr, 2, &data), ZR_OK);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(data), 0x1234u);
    EXPECT_EQ(log.calls[TVH_HANDED_OUT], 1);

    // Clone and AppendFrom copy both kinds.
    ITaggedValSet* copy = nullptr;
    ASSERT_EQ(set->Clone(&copy), ZR_OK);
    EXPECT_EQ(object->GetRefCount(), 3);
    EXPECT_EQ(log.calls[TVH_COPIED], 2);
    ASSERT_EQ(copy->AppendFrom(set), ZR_OK);
    EXPECT_EQ(object->GetRefCount(), 4);
    copy->Release();
    EXPECT_EQ(object->GetRefCount(), 2);

    // Replacing a value of another type destroys the old one.
    ASSERT_EQ(set->SetInt(1, 5), ZR_OK);  // another type: the interface value is destroyed
    set->Release();
  }
  EXPECT_EQ(object->GetRefCount(), 1);
  EXPECT_EQ(log.calls[TVH_COPIED] + 0, 3);
  EXPECT_EQ(log.calls[TVH_DESTROYED], log.calls[TVH_COPIED]);
  object->Release();
}

TEST(TaggedValSetTest, SetValueAtKeepsOrReplacesStorage) {
  ITaggedValSet* set = newSet();
  const double values[] = {1, 2, 3};
  ASSERT_EQ(set->AddDoubleArray(1, 3, values), ZR_OK);
  set->SetModified(false);
  TaggedValue handed = emptyRecord();
  ASSERT_EQ(set->GetValueAt(0, &handed), ZR_OK);
  static_cast<double*>(handed.value.storage)[1] = 20;  // changed in place
  handed.tag = 9;
  ASSERT_EQ(set->SetValueAt(0, &handed), ZR_OK);
  EXPECT_FALSE(set->IsUnmodified());
  double out[3] = {};
  uint32_t count = 0;
  ASSERT_EQ(set->GetDoubleArray(nullptr, 9, &count, out), ZR_OK);  // the caller's tag
  EXPECT_EQ(out[1], 20);
  TaggedValue again = emptyRecord();
  ASSERT_EQ(set->GetValueAt(0, &again), ZR_OK);
  EXPECT_EQ(again.value.storage, handed.value.storage);  // the same storage

  // Another shape: a copy replaces the old record.
  IPtrList* object = newObject();
  TaggedValue other = emptyRecord();
  other.tag = 9;
  other.type = TVT_INTERFACE;
  other.count = reinterpret_cast<uintptr_t>(static_cast<IStdInterface*>(object));
  ASSERT_EQ(set->SetValue(&other), ZR_OK);
  EXPECT_EQ(object->GetRefCount(), 2);
  HandlerLog log;
  TaggedValue custom = emptyRecord();
  custom.type = TVT_CUSTOM;
  custom.value.handler = &HandlerLog::record;
  custom.context = reinterpret_cast<uintptr_t>(&log);
  ASSERT_EQ(set->SetValueAt(0, &custom), ZR_OK);  // the object loses the set's reference
  EXPECT_EQ(object->GetRefCount(), 1);
  EXPECT_EQ(log.calls[TVH_COPIED], 1);
  ASSERT_EQ(set->AddInt(2, 1), ZR_OK);
  TaggedValue plain = emptyRecord();
  plain.count = 1;  // an inline integer
  ASSERT_EQ(set->SetValueAt(0, &plain), ZR_OK);
  EXPECT_EQ(log.calls[TVH_DESTROYED], 1);
  EXPECT_EQ(set->SetValueAt(5, &custom), ZR_BADARG);
  object->Release();
  set->Release();
}

TEST(TaggedValSetTest, SubSetsByIdAndPath) {
  ITaggedValSet* root = newSet();
  ITaggedValSet* exif = newSet();
  ITaggedValSet* gps = newSet();
  ITaggedValSet* unnamed = newSet();
  ASSERT_EQ(exif->SetName(u"ExifDirectory"), ZR_OK);
  ASSERT_EQ(exif->SetID(1), ZR_OK);
  ASSERT_EQ(gps->SetName(std::u16string(300, u'g').c_str()), ZR_OK);  // longer than 255
  ASSERT_EQ(gps->SetID(2), ZR_OK);
  ASSERT_EQ(exif->AddInt(7, 77), ZR_OK);
  int32_t index = 0;
  ASSERT_EQ(root->AddSubSet(exif, &index), ZR_OK);
  EXPECT_EQ(index, 0);
  ASSERT_EQ(root->AddSubSet(unnamed, &index), ZR_OK);
  ASSERT_EQ(exif->AddSubSet(gps, &index), ZR_OK);
  EXPECT_EQ(exif->GetRefCount(), 2);

  struct Row {
    const char16_t* path;
    ITaggedValSet* expected;
  };
  const std::u16string deep = u"exif:" + std::u16string(280, u'G');
  const Row rows[] = {{nullptr, root},
                      {u"", exif},
                      {u"EXIF", exif},
                      {u"ExifDirectory", exif},
                      {u"ExifDirectoryX", nullptr},
                      {deep.c_str(), gps},
                      {u"exif:", gps},
                      {u"exif:h", nullptr},
                      {u"x", nullptr},
                      {u"exif:g:g", nullptr}};
  for (const Row& row : rows) {
    ITaggedValSet* found = reinterpret_cast<ITaggedValSet*>(1);
    EXPECT_EQ(root->FindSubSetByPath(row.path, &found), row.expected ? ZR_OK : ZR_BADARG);
    EXPECT_EQ(found, row.expected);
    if (found != nullptr) found->Release();
  }
  int32_t value = 0;
  EXPECT_EQ(root->GetInt(u"exif", 7, &value), ZR_OK);
  EXPECT_EQ(value, 77);
  EXPECT_EQ(root->GetInt(u"nothing", 7, &value), ZR_BADARG);
  EXPECT_EQ(exif->GetRefCount(), 2);  // the walks leave counts as they were

  ITaggedValSet* found = nullptr;
  EXPECT_EQ(root->FindSubSetByID(0, &found, &index), ZR_OK);
  EXPECT_EQ(found, unnamed);
  EXPECT_EQ(index, 1);
  found->Release();
  EXPECT_EQ(root->FindSubSetByID(2, &found, &index), ZR_BADARG);  // not a direct sub-set
  EXPECT_EQ(index, -1);
  EXPECT_EQ(root->SwapSubSets(1, 1), ZR_OK);
  EXPECT_EQ(root->SwapSubSets(0, 1), ZR_OK);
  ASSERT_EQ(root->GetSubSet(0, &found), ZR_OK);
  EXPECT_EQ(found, unnamed);
  found->Release();
  EXPECT_EQ(root->SwapSubSets(0, 2), ZR_BADARG);

  // A cycle is refused, directly and through a sub-set.
  EXPECT_EQ(root->AddSubSet(root, &index), ZR_BADARG);
  EXPECT_EQ(index, -1);
  EXPECT_EQ(gps->AddSubSet(root, nullptr), ZR_BADARG);
  EXPECT_EQ(root->RemoveSubSet(gps), ZR_NO);

  // Releasing the root frees what only it held.
  exif->Release();
  unnamed->Release();
  root->Release();
  EXPECT_EQ(gps->GetRefCount(), 1);
  IStdDataInterface* owner = reinterpret_cast<IStdDataInterface*>(1);
  EXPECT_EQ(gps->GetOwner(&owner), ZR_OK);
  EXPECT_EQ(owner, nullptr);
  gps->Release();
}

TEST(TaggedValSetTest, ModifiedFlagClimbsToTheOwner) {
  ITaggedValSet* root = newSet();
  ITaggedValSet* child = newSet();
  ASSERT_EQ(root->AddSubSet(child, nullptr), ZR_OK);
  root->SetModified(false);
  ASSERT_EQ(child->SetName(u"n"), ZR_OK);
  EXPECT_TRUE(root->IsUnmodified());  // names do not mark
  ASSERT_EQ(child->SetID(0), ZR_OK);  // no change
  EXPECT_TRUE(root->IsUnmodified());
  ASSERT_EQ(child->AddUInt(1, 2), ZR_OK);
  EXPECT_FALSE(root->IsUnmodified());
  EXPECT_TRUE(child->IsUnmodified());
  root->SetModified(false);
  ASSERT_EQ(root->SwapSubSets(0, 0), ZR_OK);
  EXPECT_TRUE(root->IsUnmodified());
  ASSERT_EQ(root->RemoveSubSetAt(0), ZR_OK);
  EXPECT_FALSE(root->IsUnmodified());
  EXPECT_EQ(child->GetRefCount(), 1);
  child->Release();
  root->Release();
}

TEST(TaggedValSetTest, CloneAndAppend) {
  ITaggedValSet* root = newSet();
  ITaggedValSet* child = newSet();
  ASSERT_EQ(root->SetID(4), ZR_OK);
  ASSERT_EQ(root->SetName(u"root"), ZR_OK);
  ASSERT_EQ(root->SetOptions(3), ZR_OK);
  ASSERT_EQ(root->AddString(1, u"one"), ZR_OK);
  ASSERT_EQ(child->SetID(8), ZR_OK);
  ASSERT_EQ(child->SetName(std::u16string(2000, u'c').c_str()), ZR_OK);
  ASSERT_EQ(child->AddInt(2, 2), ZR_OK);
  ASSERT_EQ(root->AddSubSet(child, nullptr), ZR_OK);
  child->Release();

  ITaggedValSet* copy = nullptr;
  ASSERT_EQ(root->Clone(&copy), ZR_OK);
  uint32_t id = 0;
  EXPECT_EQ(copy->GetID(&id), ZR_OK);
  EXPECT_EQ(id, 4u);
  EXPECT_EQ(nameOf(copy), u"root");
  EXPECT_EQ(copy->GetOptions(), 0u);  // not cloned
  ITaggedValSet* copiedChild = nullptr;
  ASSERT_EQ(copy->GetSubSet(0, &copiedChild), ZR_OK);
  EXPECT_NE(copiedChild, child);
  EXPECT_EQ(copiedChild->GetID(&id), ZR_OK);
  EXPECT_EQ(id, 8u);
  EXPECT_EQ(copiedChild->GetRefCount(), 2);  // the clone's and ours
  copiedChild->Release();
  EXPECT_EQ(root->Clone(nullptr), ZR_BADARG);

  ITaggedValSet* merged = newSet();
  ASSERT_EQ(merged->AddString(1, u"first"), ZR_OK);
  ASSERT_EQ(merged->AppendFrom(copy), ZR_OK);
  WCHAR text[8] = {};
  uint32_t count = 0;
  ASSERT_EQ(merged->GetString(nullptr, 1, &count, text), ZR_OK);
  EXPECT_EQ(std::u16string(text), u"first");  // nothing is replaced
  ITaggedValSet* appended = nullptr;
  ASSERT_EQ(merged->GetSubSet(0, &appended), ZR_OK);
  EXPECT_EQ(appended->GetID(&id), ZR_OK);
  EXPECT_EQ(id, 0u);                                        // new sub-sets keep ID 0
  EXPECT_EQ(nameOf(appended), std::u16string(2000, u'c'));  // names copied whole
  int32_t value = 0;
  EXPECT_EQ(appended->GetInt(nullptr, 2, &value), ZR_OK);
  EXPECT_EQ(value, 2);
  appended->Release();
  EXPECT_EQ(merged->AppendFrom(nullptr), ZR_BADARG);
  merged->Release();
  copy->Release();
  root->Release();
}

// --- Stream form ------------------------------------------------------------

// The bytes a set saves.
std::string saved(ITaggedValSet* set, const ScratchFolder& folder) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIOOStreamImp, &out, 0), S_OK);
  auto* stream = static_cast<IFIOOStream*>(out);
  EXPECT_EQ(stream->SetName(folder.name("set.bin").c_str()), ZR_OK);
  EXPECT_EQ(stream->Open(0), ZR_OK);
  EXPECT_EQ(set->SaveToStream(stream), ZR_OK);
  stream->Close();
  stream->Release();
  return folder.read("set.bin");
}

// Loads bytes into a set.
ZRESULT load(ITaggedValSet* set, const ScratchFolder& folder, const std::string& bytes) {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IFIOIStreamImp, &out, 0), S_OK);
  auto* stream = static_cast<IFIOIStream*>(out);
  EXPECT_EQ(stream->SetName(folder.write("load.bin", bytes).c_str()), ZR_OK);
  EXPECT_EQ(stream->Open(0), ZR_OK);
  const ZRESULT result = set->LoadFromStream(stream);
  stream->Close();
  stream->Release();
  return result;
}

std::string le32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

std::string setRecord(uint32_t id, const std::u16string& name, uint32_t values, uint32_t subSets,
                      uint32_t version = 0x100) {
  std::string r = le32(280) + le32(0x774A6655) + le32(version) + le32(id);
  std::string field(256, '\0');
  for (size_t i = 0; i < name.size() && i < 128; ++i) {
    field[2 * i] = static_cast<char>(name[i]);
    field[2 * i + 1] = static_cast<char>(name[i] >> 8);
  }
  return r + field + le32(values) + le32(subSets);
}

std::string valueHeader(uint32_t size, uint32_t tag, uint32_t type, uint32_t count) {
  return le32(size) + le32(0x663A5544) + le32(tag) + le32(type) + le32(count);
}

TEST(TaggedValSetStreamTest, BytesAsLaidOut) {
  ScratchFolder folder;
  ITaggedValSet* set = newSet();
  ASSERT_EQ(set->SetID(7), ZR_OK);
  ASSERT_EQ(set->SetName(u"R"), ZR_OK);
  ASSERT_EQ(set->AddInt(0x10, 5), ZR_OK);
  ASSERT_EQ(set->AddInterface(0x11, set), ZR_OK);  // not saved, not counted
  const std::string bytes = saved(set, folder);
  ASSERT_EQ(bytes.size(), 304u);
  EXPECT_EQ(bytes, setRecord(7, u"R", 1, 0) + valueHeader(24, 0x10, 0, 1) + le32(5));
  ASSERT_EQ(set->RemoveValue(0x11), ZR_OK);  // (the set held itself)

  ITaggedValSet* other = newSet();
  const double three[] = {1, 2, 3};
  ASSERT_EQ(other->AddDoubleArray(2, 3, three), ZR_OK);
  ASSERT_EQ(other->AddString(3, u""), ZR_OK);
  ASSERT_EQ(other->SetName(std::u16string(200, u'n').c_str()), ZR_OK);
  const std::string more = saved(other, folder);
  EXPECT_EQ(more.substr(280, 20), valueHeader(44, 2, 2, 3));
  EXPECT_EQ(more.substr(324, 20), valueHeader(20, 3, 3, 0));
  EXPECT_EQ(more.size(), 344u);
  EXPECT_EQ(more.substr(16 + 2 * 126, 4), std::string("n\0\0\0", 4));  // 127 characters, then zero
  other->Release();
  set->Release();
}

TEST(TaggedValSetStreamTest, RoundTripsEveryType) {
  ScratchFolder folder;
  ITaggedValSet* set = newSet();
  ITaggedValSet* child = newSet();
  ITaggedValSet* grandchild = newSet();
  const int32_t ints[] = {-1, 2, -3, 4, -5};
  const uint32_t uints[] = {7, 8};
  ASSERT_EQ(set->SetID(1), ZR_OK);
  ASSERT_EQ(set->AddInt(1, -9), ZR_OK);
  ASSERT_EQ(set->AddIntArray(2, 5, ints), ZR_OK);
  ASSERT_EQ(set->AddUInt(3, 0xFFFFFFFF), ZR_OK);
  ASSERT_EQ(set->AddUIntArray(4, 2, uints), ZR_OK);
  ASSERT_EQ(set->AddDouble(5, -0.125), ZR_OK);
  ASSERT_EQ(set->AddString(6, u"\u00E9t\u00E9"), ZR_OK);
  ASSERT_EQ(set->AddString(7, u""), ZR_OK);
  ASSERT_EQ(set->AddBytes(8, "\0\xFF", 2), ZR_OK);
  ASSERT_EQ(child->SetName(u"child"), ZR_OK);
  ASSERT_EQ(child->SetID(2), ZR_OK);
  ASSERT_EQ(grandchild->AddInt(1, 3), ZR_OK);
  ASSERT_EQ(child->AddSubSet(grandchild, nullptr), ZR_OK);
  ASSERT_EQ(set->AddSubSet(child, nullptr), ZR_OK);
  ITaggedValSet* second = newSet();
  ASSERT_EQ(set->AddSubSet(second, nullptr), ZR_OK);
  const std::string bytes = saved(set, folder);

  ITaggedValSet* loaded = newSet();
  ASSERT_EQ(loaded->AddInt(99, 1), ZR_OK);  // replaced by the load
  ASSERT_EQ(loaded->SetOptions(5), ZR_OK);
  ASSERT_EQ(load(loaded, folder, bytes), ZR_OK);
  EXPECT_EQ(saved(loaded, folder), bytes);
  EXPECT_EQ(loaded->GetOptions(), 5u);
  int32_t value = 0;
  EXPECT_EQ(loaded->GetInt(nullptr, 99, &value), ZR_NO);
  int32_t array[5] = {};
  uint32_t count = 0;
  EXPECT_EQ(loaded->GetIntArray(nullptr, 2, &count, array), ZR_OK);
  EXPECT_EQ(count, 5u);
  EXPECT_EQ(array[4], -5);
  EXPECT_EQ(loaded->GetString(nullptr, 7, &count, nullptr), ZR_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(loaded->GetInt(u"child:", 1, &value), ZR_OK);
  EXPECT_EQ(value, 3);
  EXPECT_EQ(nameOf(loaded), u"");  // an unnamed set loads with an empty name

  for (ITaggedValSet* s : {loaded, second, grandchild, child, set}) s->Release();
}

TEST(TaggedValSetStreamTest, DamagedStreams) {
  ScratchFolder folder;
  const std::string good =
      setRecord(3, u"S", 2, 0) + valueHeader(24, 1, 0, 1) + le32(1) + valueHeader(28, 2, 1, 2) + le32(2) + le32(3);
  struct Row {
    const char* name;
    std::string bytes;
    ZRESULT expected;
    uint32_t valuesAfter;  // values the set holds afterwards
  };
  const Row rows[] = {
      {"good", good, ZR_OK, 2},
      {"version 0x101", setRecord(3, u"S", 0, 0, 0x101), ZR_FAILED, 1},  // untouched
      {"type 5 after a value",
       setRecord(3, u"S", 2, 0) + valueHeader(24, 1, 0, 1) + le32(1) + valueHeader(24, 2, 5, 1) + le32(0), ZR_FAILED,
       1},
      {"cut inside a payload", good.substr(0, good.size() - 2), ZR_FAILED, 1},
      {"record size below 20", setRecord(3, u"S", 1, 0) + valueHeader(19, 1, 0, 1) + le32(1), ZR_FAILED, 0},
      {"count beyond the stream", setRecord(3, u"S", 1, 0) + valueHeader(20, 1, 2, 0x40000000), ZR_FAILED, 0},
      {"count 0 of integers", setRecord(3, u"S", 1, 0) + valueHeader(20, 1, 0, 0), ZR_BADARG, 0},
      {"sub-set missing", setRecord(3, u"S", 0, 1), ZR_FAILED, 0},
      {"empty stream", "", ZR_FAILED, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ITaggedValSet* set = newSet();
    ASSERT_EQ(set->AddInt(50, 5), ZR_OK);
    EXPECT_EQ(load(set, folder, row.bytes), row.expected);
    uint32_t count = 0;
    EXPECT_EQ(set->GetValueCount(&count), ZR_OK);
    EXPECT_EQ(count, row.valuesAfter);
    set->Release();
  }

  // Nesting deeper than the reader takes: refused, and the unfinished branch
  // is not kept.
  std::string deep;
  for (int level = 0; level < 2000; ++level) deep += setRecord(level, u"d", 0, 1);
  deep += setRecord(9, u"leaf", 0, 0);
  ITaggedValSet* set = newSet();
  EXPECT_EQ(load(set, folder, deep), ZR_FAILED);
  uint32_t subSets = 7;
  EXPECT_EQ(set->GetSubSetCount(&subSets), ZR_OK);
  EXPECT_EQ(subSets, 0u);
  set->Release();

  // Mutations of a good stream: no crash, no leak, whatever the answer.
  ITaggedValSet* source = newSet();
  ITaggedValSet* child = newSet();
  const double doubles[] = {1.5, 2.5};
  ASSERT_EQ(source->AddDoubleArray(1, 2, doubles), ZR_OK);
  ASSERT_EQ(source->AddString(2, u"abc"), ZR_OK);
  ASSERT_EQ(child->AddBytes(3, "xyz", 3), ZR_OK);
  ASSERT_EQ(source->AddSubSet(child, nullptr), ZR_OK);
  const std::string base = saved(source, folder);
  std::mt19937 random(30);
  for (int round = 0; round < 300; ++round) {
    std::string bytes = base;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int k = 0; k < flips; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
    if (random() % 4 == 0) bytes.resize(random() % bytes.size());
    ITaggedValSet* target = newSet();
    (void)load(target, folder, bytes);
    target->Release();
  }
  child->Release();
  source->Release();
}

}  // namespace
