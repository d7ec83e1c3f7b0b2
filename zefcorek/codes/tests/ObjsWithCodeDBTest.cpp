#include "zefcorek/ZefObjsWithCodeDB.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <random>
#include <string>

namespace {

using CodesDB::IObjWithCode;
using CodesDB::IZefObjsWithCodeDB;
using CodesDB::TZefStdCode;

// A host object: its code, and a reference count the index must not touch.
class HostObject final : public IObjWithCode {
public:
  explicit HostObject(const char16_t* code) : code_(code) {}
  HRESULT QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override { return --refs_; }
  const TZefStdCode* GetCode() override {
    ++codeCalls_;
    return &code_;
  }
  ULONG refs() const { return refs_; }
  int codeCalls() const { return codeCalls_; }

private:
  TZefStdCode code_;
  ULONG refs_ = 1;
  int codeCalls_ = 0;
};

class Index {
public:
  Index() {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IZefObjsWithCodeDBImp, &out, 0), S_OK);
    db_ = static_cast<IZefObjsWithCodeDB*>(out);
  }
  ~Index() { EXPECT_EQ(db_->Release(), 0u); }
  IZefObjsWithCodeDB* operator->() const { return db_; }
  IZefObjsWithCodeDB* get() const { return db_; }

private:
  IZefObjsWithCodeDB* db_ = nullptr;
};

TEST(ObjsWithCodeDBTest, FactoryAndInterfaceIdentity) {
  Index db;
  void* out = nullptr;
  EXPECT_EQ(db->QueryInterface(CLSID_IZefObjsWithCodeDBImp, &out), S_OK);
  EXPECT_EQ(out, db.get());
  EXPECT_EQ(db->Release(), 1u);
  out = &out;
  EXPECT_EQ(db->QueryInterface(CLSID_IZefCodesDBImp, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(db->GetBucketCount(), 823u);
}

TEST(ObjsWithCodeDBTest, ObjectsAreFoundByTheirCurrentCode) {
  Index db;
  HostObject first(u"P-001"), second(u"p-001");
  EXPECT_EQ(db->AddObject(&first), S_OK);
  EXPECT_EQ(db->AddObject(&second), S_FALSE);
  IObjWithCode* found = nullptr;
  EXPECT_EQ(db->Find(TZefStdCode(u"P-001"), &found), S_OK);
  EXPECT_EQ(found, &first);
  EXPECT_EQ(db->SetObject(&second), S_OK);
  EXPECT_EQ(db->Find(TZefStdCode(u"P-001"), &found), S_OK);
  EXPECT_EQ(found, &second);
  EXPECT_EQ(db->GetCount(), 1u);
  EXPECT_GT(second.codeCalls(), 0);

  // Remove drops the entry only.
  EXPECT_EQ(db->Remove(TZefStdCode(u"p-001")), S_OK);
  EXPECT_EQ(db->Remove(TZefStdCode(u"p-001")), S_FALSE);
  EXPECT_EQ(db->Contains(TZefStdCode(u"P-001")), S_FALSE);
  EXPECT_EQ(first.refs(), 1u);
  EXPECT_EQ(second.refs(), 1u);
  EXPECT_EQ(db->AddObject(&second), S_OK);
  EXPECT_EQ(db->Find(TZefStdCode(u"Q"), &found), S_FALSE);
  EXPECT_EQ(found, nullptr);

  // Add keys on the code given; the lookups then ask the objects.
  HostObject third(u"Z9");
  EXPECT_EQ(db->Add(third.GetCode(), &third), S_OK);
  EXPECT_EQ(db->Contains(TZefStdCode(u"z9")), S_OK);
}

TEST(ObjsWithCodeDBTest, EmptyCodesAndBadArguments) {
  Index db;
  HostObject blank(u"  "), other(u"");
  EXPECT_EQ(db->AddObject(&blank), S_OK);
  EXPECT_EQ(db->AddObject(&other), S_OK);  // not looked up: both stored
  EXPECT_EQ(db->SetObject(&other), S_OK);
  EXPECT_EQ(db->GetCount(), 3u);
  IObjWithCode* found = &blank;
  EXPECT_EQ(db->Find(TZefStdCode(), &found), S_FALSE);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(db->Contains(TZefStdCode(u"")), S_FALSE);
  EXPECT_EQ(db->Remove(TZefStdCode(u"")), S_FALSE);
  // Entries with empty codes sort first in their chain and never hide others.
  HostObject real(u"R1");
  EXPECT_EQ(db->AddObject(&real), S_OK);
  EXPECT_EQ(db->SetBucketCount(5000), S_OK);
  EXPECT_EQ(db->Find(TZefStdCode(u"r1"), &found), S_OK);
  EXPECT_EQ(found, &real);
  EXPECT_EQ(db->Clear(), S_OK);
  EXPECT_EQ(db->GetCount(), 0u);
  EXPECT_EQ(db->GetBucketCount(), 823u);

  EXPECT_EQ(db->AddObject(nullptr), E_INVALIDARG);
  EXPECT_EQ(db->SetObject(nullptr), E_INVALIDARG);
  EXPECT_EQ(db->Add(nullptr, &real), E_INVALIDARG);
  EXPECT_EQ(db->Add(real.GetCode(), nullptr), E_INVALIDARG);
  EXPECT_EQ(db->Find(TZefStdCode(u"R1"), nullptr), E_INVALIDARG);
}

TEST(ObjsWithCodeDBTest, SizingFollowsTheCodesDatabase) {
  std::deque<HostObject> objects;
  for (int i = 0; i < 2469; ++i) objects.emplace_back(TZefStdCode(int64_t{i}).c_str());
  {
    Index db;
    for (int i = 0; i < 2468; ++i) ASSERT_EQ(db->AddObject(&objects[i]), S_OK);
    EXPECT_EQ(db->GetBucketCount(), 823u);
    ASSERT_EQ(db->AddObject(&objects[2468]), S_OK);
    EXPECT_EQ(db->GetBucketCount(), 2777u);
  }
  Index db;
  db->BeginUpdate();
  for (HostObject& object : objects) ASSERT_EQ(db->AddObject(&object), S_OK);
  EXPECT_EQ(db->GetBucketCount(), 823u);
  EXPECT_FALSE(db->IsIdle());
  db->EndUpdate();
  EXPECT_EQ(db->GetBucketCount(), 2777u);
  for (int i = 0; i < 2469; ++i) {
    IObjWithCode* found = nullptr;
    ASSERT_EQ(db->Find(TZefStdCode(int64_t{i}), &found), S_OK);
    ASSERT_EQ(found, &objects[i]);
  }
}

TEST(ObjsWithCodeDBTest, RandomOperationsAgreeWithAMapModel) {
  std::deque<HostObject> objects;
  std::mt19937 random(94);
  for (int i = 0; i < 4000; ++i) {
    std::u16string text = u"OBJ" + std::u16string(TZefStdCode(int64_t(random() % 1500)).c_str());
    if (random() % 2) platform::toLowerInPlace(text);
    objects.emplace_back(text.c_str());
  }
  auto fold = [](std::u16string text) {
    for (char16_t& unit : text) unit = platform::toLowerUnit(unit);
    return text;
  };
  Index db;
  std::map<std::u16string, IObjWithCode*> model;
  for (int step = 0; step < 50000; ++step) {
    HostObject& object = objects[random() % objects.size()];
    const TZefStdCode code(*object.GetCode());
    const std::u16string key = fold(code.c_str());
    const int op = static_cast<int>(random() % 10);
    if (op < 4) {
      const bool present = model.count(key) != 0;
      ASSERT_EQ(db->AddObject(&object), present ? S_FALSE : S_OK);
      model.emplace(key, &object);
    } else if (op < 5) {
      ASSERT_EQ(db->SetObject(&object), S_OK);
      model[key] = &object;
    } else if (op < 7) {
      ASSERT_EQ(db->Remove(code), model.erase(key) != 0 ? S_OK : S_FALSE);
    } else if (op < 9) {
      IObjWithCode* found = nullptr;
      const auto at = model.find(key);
      ASSERT_EQ(db->Find(code, &found), at != model.end() ? S_OK : S_FALSE);
      ASSERT_EQ(found, at != model.end() ? at->second : nullptr);
    } else {
      ASSERT_EQ(db->SetBucketCount(static_cast<unsigned>(random() % 5000)), S_OK);
    }
    ASSERT_EQ(db->GetCount(), model.size()) << "step " << step;
  }
  for (const auto& [key, object] : model) {
    IObjWithCode* found = nullptr;
    ASSERT_EQ(db->Find(TZefStdCode(key), &found), S_OK);
    ASSERT_EQ(found, object);
  }
}

}  // namespace
