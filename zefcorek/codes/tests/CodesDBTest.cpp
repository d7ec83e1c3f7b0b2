#include "zefcorek/ZefCodesDB.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using CodesDB::CodesDBIterator;
using CodesDB::IZefCodesDB;
using CodesDB::TZefStdCode;

// A database from the factory, released at the end of the scope.
class Database {
public:
  Database() {
    void* out = nullptr;
    EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IZefCodesDBImp, &out, 0), S_OK);
    db_ = static_cast<IZefCodesDB*>(out);
  }
  ~Database() {
    if (db_ != nullptr) db_->Release();
  }
  IZefCodesDB* operator->() const { return db_; }
  IZefCodesDB* get() const { return db_; }
  // Releases now; the database is gone.
  void release() {
    EXPECT_EQ(db_->Release(), 0u);
    db_ = nullptr;
  }

private:
  IZefCodesDB* db_ = nullptr;
};

std::u16string codeName(int i) { return u"C-" + std::u16string(1, u'A' + i % 26) + TZefStdCode(int64_t{i}).c_str(); }

// Records what the remove callback saw.
struct Removals {
  std::vector<std::u16string> codes;
  std::vector<uintptr_t> values;
  static void record(const TZefStdCode* code, uintptr_t value, void* context) {
    auto* self = static_cast<Removals*>(context);
    self->codes.push_back(code->c_str());
    self->values.push_back(value);
  }
};

TEST(CodesDBTest, FactoryAndInterfaceIdentity) {
  Database db;
  ASSERT_NE(db.get(), nullptr);
  void* out = nullptr;
  EXPECT_EQ(db->QueryInterface(CLSID_IZefCodesDBImp, &out), S_OK);
  EXPECT_EQ(out, db.get());
  EXPECT_EQ(db->QueryInterface(IID_IUnknown, &out), S_OK);
  EXPECT_EQ(db->Release(), 2u);
  EXPECT_EQ(db->Release(), 1u);
  out = &out;
  EXPECT_EQ(db->QueryInterface(CLSID_IPtrListImp, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(db->QueryInterface(CLSID_IZefCodesDBImp, nullptr), E_POINTER);
  EXPECT_EQ(db->GetBucketCount(), 823u);
  EXPECT_EQ(db->GetCount(), 0u);
  EXPECT_TRUE(db->IsIdle());
}

TEST(CodesDBTest, CodesAreKeyedCaseInsensitivelyOnTheWholeText) {
  Database db;
  EXPECT_EQ(db->Add(TZefStdCode(u"P-001"), 10), S_OK);
  EXPECT_EQ(db->Add(TZefStdCode(u"p-001"), 11), S_FALSE);
  uintptr_t value = 99;
  EXPECT_EQ(db->Find(TZefStdCode(u"P-001"), &value), S_OK);
  EXPECT_EQ(value, 10u);
  EXPECT_EQ(db->Set(TZefStdCode(u"p-001"), 12), S_OK);
  EXPECT_EQ(db->Find(TZefStdCode(u"P-001"), &value), S_OK);
  EXPECT_EQ(value, 12u);
  EXPECT_EQ(db->GetCount(), 1u);
  CodesDBIterator it{};
  ASSERT_EQ(db->GetFirst(&it), S_OK);
  TZefStdCode stored;
  EXPECT_EQ(db->GetAt(&it, &stored, nullptr), S_OK);
  EXPECT_EQ(std::u16string(stored.c_str()), u"P-001");  // the first text stays

  // Equal parts are not enough: the whole texts differ.
  EXPECT_EQ(db->Add(TZefStdCode(u"A1 (2)"), 1), S_OK);
  EXPECT_EQ(db->Add(TZefStdCode(u"A1(2)"), 2), S_OK);
  EXPECT_EQ(db->Find(TZefStdCode(u"X"), &value), S_FALSE);
  EXPECT_EQ(value, 0u);
}

TEST(CodesDBTest, EmptyCodesAndBadArguments) {
  Database db;
  TZefStdCode emptied(u"Q");
  emptied.Clear();
  uintptr_t value = 5;
  for (const TZefStdCode* code : {&TZefStdCode::NullCode(), static_cast<const TZefStdCode*>(&emptied)}) {
    EXPECT_EQ(db->Add(*code, 1), E_INVALIDARG);
    EXPECT_EQ(db->Set(*code, 1), E_INVALIDARG);
    EXPECT_EQ(db->Contains(*code), S_FALSE);
    EXPECT_EQ(db->Remove(*code), S_FALSE);
    EXPECT_EQ(db->Find(*code, &value), S_FALSE);
    EXPECT_EQ(value, 0u);
  }
  EXPECT_EQ(db->Find(TZefStdCode(u"A"), nullptr), E_INVALIDARG);
  EXPECT_EQ(db->GetCount(), 0u);

  // Iterators: empty database, foreign and finished iterators, null outs.
  CodesDBIterator it{db.get(), 7, nullptr};
  EXPECT_EQ(db->GetFirst(&it), S_FALSE);
  EXPECT_EQ(it.Database, nullptr);
  EXPECT_EQ(it.Bucket, 0u);
  EXPECT_EQ(it.Entry, nullptr);
  EXPECT_EQ(db->GetFirst(nullptr), E_INVALIDARG);
  EXPECT_EQ(db->GetNext(&it), E_INVALIDARG);
  ASSERT_EQ(db->Add(TZefStdCode(u"A"), 1), S_OK);
  Database other;
  ASSERT_EQ(other->Add(TZefStdCode(u"A"), 1), S_OK);
  CodesDBIterator foreign{};
  ASSERT_EQ(other->GetFirst(&foreign), S_OK);
  TZefStdCode code;
  EXPECT_EQ(db->GetNext(&foreign), E_INVALIDARG);
  EXPECT_EQ(db->GetAt(&foreign, &code, nullptr), E_INVALIDARG);
  ASSERT_EQ(db->GetFirst(&it), S_OK);
  EXPECT_EQ(db->GetAt(&it, nullptr, &value), E_INVALIDARG);
  CodesDBIterator outOfRange = it;
  outOfRange.Bucket = 823;
  EXPECT_EQ(db->GetAt(&outOfRange, &code, &value), E_INVALIDARG);
}

TEST(CodesDBTest, LoadCheckGrowsAndShrinksAtTheFactors) {
  Database db;
  for (int i = 0; i < 2468; ++i) ASSERT_EQ(db->Add(TZefStdCode(codeName(i)), i), S_OK);
  EXPECT_EQ(db->GetBucketCount(), 823u);
  ASSERT_EQ(db->Add(TZefStdCode(codeName(2468)), 2468), S_OK);  // 2,469 / 823 = 3.0
  EXPECT_EQ(db->GetBucketCount(), 2777u);

  int count = 2469;
  while (count > 834) ASSERT_EQ(db->Remove(TZefStdCode(codeName(--count))), S_OK);
  EXPECT_EQ(db->GetBucketCount(), 2777u);
  ASSERT_EQ(db->Remove(TZefStdCode(codeName(--count))), S_OK);  // 833 left
  EXPECT_EQ(db->GetBucketCount(), 1237u);
  while (count > 372) ASSERT_EQ(db->Remove(TZefStdCode(codeName(--count))), S_OK);
  EXPECT_EQ(db->GetBucketCount(), 1237u);
  ASSERT_EQ(db->Remove(TZefStdCode(codeName(--count))), S_OK);  // 371 left
  EXPECT_EQ(db->GetBucketCount(), 823u);

  // Every remaining entry keeps its value through the resizes.
  for (int i = 0; i < count; ++i) {
    uintptr_t value = 0;
    ASSERT_EQ(db->Find(TZefStdCode(codeName(i)), &value), S_OK);
    EXPECT_EQ(value, static_cast<uintptr_t>(i));
  }
}

TEST(CodesDBTest, UpdatesDeferTheLoadCheck) {
  Database db;
  EXPECT_EQ(db->EndUpdate(), S_OK);  // unmatched: nothing changes
  EXPECT_TRUE(db->IsIdle());
  EXPECT_EQ(db->BeginUpdate(), S_OK);
  EXPECT_EQ(db->BeginUpdate(), S_OK);
  for (int i = 0; i < 10000; ++i) ASSERT_EQ(db->Add(TZefStdCode(codeName(i)), i), S_OK);
  EXPECT_EQ(db->EndUpdate(), S_OK);
  EXPECT_FALSE(db->IsIdle());
  EXPECT_EQ(db->GetBucketCount(), 823u);
  EXPECT_EQ(db->EndUpdate(), S_OK);
  EXPECT_TRUE(db->IsIdle());
  EXPECT_EQ(db->GetBucketCount(), 14057u);

  // Clear cancels pending updates and goes back to 823 buckets.
  db->BeginUpdate();
  db->BeginUpdate();
  EXPECT_EQ(db->Clear(), S_OK);
  EXPECT_TRUE(db->IsIdle());
  EXPECT_EQ(db->GetBucketCount(), 823u);
  EXPECT_EQ(db->GetCount(), 0u);
}

TEST(CodesDBTest, SetBucketCountClampsAndKeepsEntries) {
  Database db;
  for (int i = 0; i < 500; ++i) ASSERT_EQ(db->Add(TZefStdCode(codeName(i)), i + 1), S_OK);
  struct Row {
    unsigned asked, got;
  };
  const Row rows[] = {{0, 823},    {823, 823}, {824, 824}, {1000, 1000}, {4000000000u, 13845163}, {13845163, 13845163},
                      {5000, 5000}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.asked);
    EXPECT_EQ(db->SetBucketCount(row.asked), S_OK);
    EXPECT_EQ(db->GetBucketCount(), row.got);
    for (int i = 0; i < 500; ++i) {
      uintptr_t value = 0;
      ASSERT_EQ(db->Find(TZefStdCode(codeName(i)), &value), S_OK);
      ASSERT_EQ(value, static_cast<uintptr_t>(i + 1));
    }
  }
  // Replacing a value adds nothing, so no load check shrinks the table.
  EXPECT_EQ(db->Set(TZefStdCode(codeName(3)), 77), S_OK);
  EXPECT_EQ(db->GetBucketCount(), 5000u);
}

TEST(CodesDBTest, IterationVisitsEveryEntryOnce) {
  Database db;
  std::map<std::u16string, uintptr_t> expected;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(db->Add(TZefStdCode(codeName(i)), i), S_OK);
    expected[codeName(i)] = i;
  }
  std::map<std::u16string, uintptr_t> seen;
  CodesDBIterator it{};
  HRESULT result = db->GetFirst(&it);
  int answers = 0;
  while (result == S_OK) {
    ++answers;
    TZefStdCode code;
    uintptr_t value = 0;
    ASSERT_EQ(db->GetAt(&it, &code, &value), S_OK);
    seen[code.c_str()] = value;
    result = db->GetNext(&it);
  }
  EXPECT_EQ(result, S_FALSE);
  EXPECT_EQ(answers, 1000);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(it.Database, nullptr);
  EXPECT_EQ(it.Entry, nullptr);
  EXPECT_EQ(db->GetNext(&it), E_INVALIDARG);  // a finished iterator
}

TEST(CodesDBTest, RemoveCallbackSeesEveryLeavingEntryOnce) {
  Removals removals;
  {
    Database db;
    db->SetRemoveCallback(&Removals::record, &removals);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(db->Add(TZefStdCode(codeName(i)), 100 + i), S_OK);
    ASSERT_EQ(db->Set(TZefStdCode(codeName(0)), 7), S_OK);  // replaced: no call
    EXPECT_TRUE(removals.codes.empty());
    ASSERT_EQ(db->Remove(TZefStdCode(codeName(1))), S_OK);
    ASSERT_EQ(removals.codes, std::vector<std::u16string>{codeName(1)});
    EXPECT_EQ(removals.values.back(), 101u);
    EXPECT_EQ(db->Remove(TZefStdCode(codeName(1))), S_FALSE);
    EXPECT_EQ(removals.codes.size(), 1u);
    ASSERT_EQ(db->Clear(), S_OK);
    EXPECT_EQ(removals.codes.size(), 5u);
    ASSERT_EQ(db->Add(TZefStdCode(u"last"), 9), S_OK);
    ASSERT_EQ(db->Add(TZefStdCode(u"first"), 8), S_OK);
    db.release();  // the last Release clears
  }
  ASSERT_EQ(removals.codes.size(), 7u);
  uintptr_t sum = 0;
  for (uintptr_t v : removals.values) sum += v;
  EXPECT_EQ(sum, 101u + 7 + 102 + 103 + 104 + 9 + 8);
}

// The database against a std::map keyed by the case-folded text.
TEST(CodesDBTest, RandomOperationsAgreeWithAMapModel) {
  std::mt19937 random(92);
  std::vector<std::u16string> universe;
  for (int i = 0; i < 3000; ++i) universe.push_back(codeName(i));
  auto fold = [](std::u16string text) {
    for (char16_t& unit : text) unit = platform::toLowerUnit(unit);
    return text;
  };
  // A code with random letter case, as hosts type them.
  auto pick = [&](std::u16string& folded) {
    std::u16string text = universe[random() % universe.size()];
    for (char16_t& unit : text) unit = random() % 2 ? platform::toLowerUnit(unit) : unit;
    folded = fold(text);
    return TZefStdCode(text);
  };

  Database db;
  std::map<std::u16string, uintptr_t> model;
  uint64_t depth = 0;
  for (int step = 0; step < 100000; ++step) {
    std::u16string key;
    const TZefStdCode code = pick(key);
    const uintptr_t value = random();
    const int op = static_cast<int>(random() % 100);
    if (op < 40) {
      const bool present = model.count(key) != 0;
      ASSERT_EQ(db->Add(code, value), present ? S_FALSE : S_OK);
      model.emplace(key, value);
    } else if (op < 55) {
      ASSERT_EQ(db->Set(code, value), S_OK);
      model[key] = value;
    } else if (op < 80) {
      ASSERT_EQ(db->Remove(code), model.erase(key) != 0 ? S_OK : S_FALSE);
    } else if (op < 95) {
      uintptr_t found = 1;
      const auto at = model.find(key);
      ASSERT_EQ(db->Find(code, &found), at != model.end() ? S_OK : S_FALSE);
      ASSERT_EQ(found, at != model.end() ? at->second : 0u);
    } else if (op < 97) {
      db->BeginUpdate();
      ++depth;
    } else if (op < 99) {
      db->EndUpdate();
      if (depth > 0) --depth;
    } else {
      ASSERT_EQ(db->SetBucketCount(static_cast<unsigned>(random() % 20000)), S_OK);
    }
    ASSERT_EQ(db->GetCount(), model.size()) << "step " << step;
    ASSERT_EQ(db->IsIdle(), depth == 0);
    if (step % 2000 != 0) continue;

    // Full contents, and every chain sorted without equal neighbours.
    std::map<std::u16string, uintptr_t> seen;
    CodesDBIterator it{};
    TZefStdCode previous;
    uint32_t previousBucket = UINT32_MAX;
    for (HRESULT r = db->GetFirst(&it); r == S_OK; r = db->GetNext(&it)) {
      TZefStdCode stored;
      uintptr_t storedValue = 0;
      ASSERT_EQ(db->GetAt(&it, &stored, &storedValue), S_OK);
      if (it.Bucket == previousBucket) {
        ASSERT_LT(previous.StringCompare(stored), 0);
      }
      previous = stored;
      previousBucket = it.Bucket;
      seen[fold(stored.c_str())] = storedValue;
    }
    ASSERT_EQ(seen, model) << "step " << step;
  }
}

}  // namespace
