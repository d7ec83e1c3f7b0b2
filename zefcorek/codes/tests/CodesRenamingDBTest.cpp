#include "zefcorek/ZefCodesRenamingDB.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using CodesDB::CodesDBIterator;
using CodesDB::IZefCodesRenamingDB;
using CodesDB::TZefStdCode;

IZefCodesRenamingDB* newRenamingDB() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IZefCodesRenamingDBImp, &out, 0), S_OK);
  return static_cast<IZefCodesRenamingDB*>(out);
}

// What the rename callback reported, as "old>new:oldValue:newValue".
struct Renames {
  std::vector<std::string> seen;
  static HRESULT record(const TZefStdCode* oldCode, const TZefStdCode* newCode, uintptr_t oldValue, uintptr_t newValue,
                        void* context) {
    const std::string oldText = *oldCode;
    const std::string newText = *newCode;
    static_cast<Renames*>(context)->seen.push_back(oldText + ">" + newText + ":" + std::to_string(oldValue) + ":" +
                                                   std::to_string(newValue));
    return S_OK;
  }
};

TEST(CodesRenamingDBTest, FactoryAndInterfaceIdentity) {
  IZefCodesRenamingDB* db = newRenamingDB();
  ASSERT_NE(db, nullptr);
  void* out = nullptr;
  EXPECT_EQ(db->QueryInterface(CLSID_IZefCodesRenamingDBImp, &out), S_OK);
  EXPECT_EQ(out, db);
  EXPECT_EQ(db->QueryInterface(IID_IUnknown, &out), S_OK);
  out = &out;
  EXPECT_EQ(db->QueryInterface(CLSID_IZefCodesDBImp, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(db->Release(), 2u);
  EXPECT_EQ(db->Release(), 1u);
  EXPECT_EQ(db->Release(), 0u);
}

// The pairing, lookups both ways, renames and removals, step by step.
TEST(CodesRenamingDBTest, PairsRenamesAndRemovals) {
  Renames renames;
  IZefCodesRenamingDB* db = newRenamingDB();
  db->SetRenameCallback(&Renames::record, &renames);
  const TZefStdCode empty;

  enum class Op { Add, Rename, RemoveOld, RemoveNew };
  struct Row {
    Op op;
    const char* oldCode;
    uintptr_t oldValue;
    const char* newCode;  // "" for an empty code
    uintptr_t newValue;
    HRESULT expected;
  };
  const Row rows[] = {
      {Op::Add, "A1", 10, "B1", 20, S_OK},
      {Op::Add, "A2", 11, "B1", 21, S_FALSE},  // B1 belongs to A1
      {Op::Add, "a1", 12, "B7", 22, S_FALSE},  // A1 is there
      {Op::Add, "", 0, "B8", 0, E_INVALIDARG},
      {Op::Add, "A3", 12, "", 0, S_OK},  // no new code
      {Op::Rename, "A3", 0, "B3", 0, S_OK},
      {Op::Rename, "A3", 0, "B1", 0, E_FAIL},      // taken by A1
      {Op::Rename, "A9", 0, "B9", 0, E_FAIL},      // no such old code
      {Op::Rename, "A3", 0, "B3(0)", 0, S_OK},     // equal by parts: nothing changes
      {Op::Rename, "A1", 0, "", 0, E_INVALIDARG},  // refused; the pair keeps B1
      {Op::Add, "A4", 13, "", 0, S_OK},
      {Op::Rename, "A4", 0, "b3", 0, S_FALSE},  // no new code yet, and B3 is taken
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.oldCode) + " / " + row.newCode);
    const TZefStdCode oldCode(row.oldCode), newCode(row.newCode);
    switch (row.op) {
      case Op::Add: EXPECT_EQ(db->Add(oldCode, row.oldValue, newCode, row.newValue), row.expected); break;
      case Op::Rename: EXPECT_EQ(db->Rename(oldCode, newCode), row.expected); break;
      case Op::RemoveOld: EXPECT_EQ(db->RemoveOldCode(oldCode), row.expected); break;
      case Op::RemoveNew: EXPECT_EQ(db->RemoveNewCode(newCode), row.expected); break;
    }
  }
  EXPECT_EQ(db->GetCount(), 3u);
  EXPECT_EQ(db->ContainsOldCode(TZefStdCode("A2")), S_FALSE);
  EXPECT_EQ(db->ContainsNewCode(TZefStdCode("B7")), S_FALSE);
  EXPECT_EQ(db->ContainsCode(TZefStdCode("b1")), S_OK);
  EXPECT_EQ(db->ContainsCode(TZefStdCode("a4")), S_OK);
  EXPECT_EQ(db->ContainsCode(TZefStdCode("Z")), S_FALSE);

  // Both directions, case-insensitively.
  TZefStdCode code("junk");
  EXPECT_EQ(db->GetNewCode(TZefStdCode("a1"), &code), S_OK);
  EXPECT_EQ(std::string(code), "B1");
  EXPECT_EQ(db->GetOldCode(TZefStdCode("B1"), &code), S_OK);
  EXPECT_EQ(std::string(code), "A1");
  uintptr_t value = 99;
  EXPECT_EQ(db->GetOldCodeValue(TZefStdCode("A1"), &value), S_OK);
  EXPECT_EQ(value, 10u);
  EXPECT_EQ(db->GetNewCodeValue(TZefStdCode("B1"), &value), S_OK);
  EXPECT_EQ(value, 20u);
  EXPECT_EQ(db->GetNewCodeValue(TZefStdCode("B3"), &value), S_OK);
  EXPECT_EQ(value, 0u);  // a renamed pair's new value
  EXPECT_EQ(db->GetNewCode(TZefStdCode("A4"), &code), S_OK);
  EXPECT_TRUE(code.IsEmpty());
  code.Set("junk");
  EXPECT_EQ(db->GetNewCode(TZefStdCode("A9"), &code), S_FALSE);
  EXPECT_TRUE(code.IsEmpty());
  EXPECT_EQ(db->GetOldCodeValue(TZefStdCode("A9"), &value), S_FALSE);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(db->GetNewCode(TZefStdCode("A1"), nullptr), E_INVALIDARG);
  EXPECT_EQ(db->GetNewCodeValue(TZefStdCode("B1"), nullptr), E_INVALIDARG);

  // A rename to another code drops the old new code and its value silently.
  EXPECT_EQ(db->Rename(TZefStdCode("A3"), TZefStdCode("B30")), S_OK);
  EXPECT_EQ(db->ContainsNewCode(TZefStdCode("B3")), S_FALSE);
  EXPECT_EQ(db->GetOldCode(TZefStdCode("B30"), &code), S_OK);
  EXPECT_EQ(std::string(code), "A3");
  EXPECT_TRUE(renames.seen.empty());

  // Removing by the new code removes the pair, reported once.
  EXPECT_EQ(db->RemoveNewCode(TZefStdCode("b1")), S_OK);
  EXPECT_EQ(renames.seen, std::vector<std::string>{"A1>B1:10:20"});
  EXPECT_EQ(db->ContainsOldCode(TZefStdCode("A1")), S_FALSE);
  EXPECT_EQ(db->RemoveNewCode(TZefStdCode("B1")), S_FALSE);
  // A pair without a new code goes unreported.
  EXPECT_EQ(db->RemoveOldCode(TZefStdCode("A4")), S_OK);
  EXPECT_EQ(renames.seen.size(), 1u);
  EXPECT_EQ(db->RemoveOldCode(TZefStdCode("A4")), S_FALSE);

  // Iteration walks the old codes with their old values.
  std::map<std::string, uintptr_t> walked;
  CodesDBIterator it{};
  for (HRESULT r = db->GetFirst(&it); r == S_OK; r = db->GetNext(&it)) {
    TZefStdCode oldCode;
    uintptr_t oldValue = 0;
    ASSERT_EQ(db->GetAt(&it, &oldCode, &oldValue), S_OK);
    walked[std::string(oldCode)] = oldValue;
  }
  EXPECT_EQ(walked, (std::map<std::string, uintptr_t>{{"A3", 12}}));
  value = 5;
  EXPECT_EQ(db->GetAt(&it, &code, &value), E_INVALIDARG);
  EXPECT_EQ(value, 0u);

  // Release: two complete pairs and one without a new code, two reports.
  renames.seen.clear();
  ASSERT_EQ(db->Add(TZefStdCode("C1"), 1, TZefStdCode("D1"), 2), S_OK);
  ASSERT_EQ(db->Add(TZefStdCode("C2"), 3, TZefStdCode(), 4), S_OK);
  EXPECT_EQ(db->Release(), 0u);
  std::sort(renames.seen.begin(), renames.seen.end());
  EXPECT_EQ(renames.seen, (std::vector<std::string>{"A3>B30:12:0", "C1>D1:1:2"}));
}

// During Clear a callback may look up the new code of a pair already gone.
TEST(CodesRenamingDBTest, CallbackLookupsDuringClear) {
  struct Probe {
    IZefCodesRenamingDB* db;
    int calls = 0;
    static HRESULT lookUp(const TZefStdCode*, const TZefStdCode*, uintptr_t, uintptr_t, void* context) {
      auto* self = static_cast<Probe*>(context);
      ++self->calls;
      for (int i = 0; i < 50; ++i) {
        TZefStdCode oldCode;
        (void)self->db->GetOldCode(TZefStdCode(int64_t{1000 + i}), &oldCode);
        (void)self->db->RemoveNewCode(TZefStdCode(int64_t{1000 + i}));
      }
      return S_OK;
    }
  };
  IZefCodesRenamingDB* db = newRenamingDB();
  Probe probe{db};
  db->SetRenameCallback(&Probe::lookUp, &probe);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(db->Add(TZefStdCode(int64_t{i}), i, TZefStdCode(int64_t{1000 + i}), i), S_OK);
  EXPECT_EQ(db->Clear(), S_OK);
  // The first report removed every other new code: those pairs went
  // incomplete and unreported.
  EXPECT_EQ(probe.calls, 1);
  EXPECT_EQ(db->GetCount(), 0u);
  EXPECT_EQ(db->ContainsNewCode(TZefStdCode(int64_t{1000})), S_FALSE);
  db->Release();
}

// Random operations against a model of pairs keyed by the case-folded texts.
TEST(CodesRenamingDBTest, RandomOperationsAgreeWithAMapModel) {
  auto fold = [](std::u16string text) {
    for (char16_t& unit : text) unit = platform::toLowerUnit(unit);
    return text;
  };
  struct Pair {
    uintptr_t oldValue;
    std::u16string newKey;  // empty: none
    uintptr_t newValue;
  };
  std::map<std::u16string, Pair> byOld;
  std::map<std::u16string, std::u16string> byNew;  // new key -> old key
  Renames renames;
  IZefCodesRenamingDB* db = newRenamingDB();
  db->SetRenameCallback(&Renames::record, &renames);
  std::mt19937 random(93);
  auto pickText = [&](char16_t lead) {
    std::u16string text(1, random() % 2 ? lead : platform::toLowerUnit(lead));
    text += TZefStdCode(int64_t(random() % 300)).c_str();
    return text;
  };
  size_t reported = 0;
  size_t expectedReports = 0;
  for (int step = 0; step < 20000; ++step) {
    const std::u16string oldText = pickText(u'O'), newText = pickText(u'N');
    const std::u16string oldKey = fold(oldText), newKey = fold(newText);
    const TZefStdCode oldCode(oldText), newCode(newText);
    const uintptr_t v1 = random() % 1000, v2 = random() % 1000;
    const int op = static_cast<int>(random() % 10);
    auto drop = [&](std::u16string key) {
      Pair& pair = byOld.at(key);
      if (!pair.newKey.empty()) {
        byNew.erase(pair.newKey);
        ++expectedReports;
      }
      byOld.erase(key);
    };
    if (op < 4) {
      const bool noNew = random() % 4 == 0;
      HRESULT expected = S_OK;
      if (byOld.count(oldKey))
        expected = S_FALSE;
      else if (!noNew && byNew.count(newKey))
        expected = S_FALSE;
      ASSERT_EQ(db->Add(oldCode, v1, noNew ? TZefStdCode() : newCode, v2), expected);
      if (expected == S_OK) {
        byOld[oldKey] = Pair{v1, noNew ? u"" : newKey, v2};
        if (!noNew) byNew[newKey] = oldKey;
      }
    } else if (op < 6) {
      HRESULT expected = E_FAIL;
      const auto at = byOld.find(oldKey);
      if (at != byOld.end()) {
        Pair& pair = at->second;
        const bool taken = byNew.count(newKey) != 0;
        if (pair.newKey.empty()) {
          expected = taken ? S_FALSE : S_OK;
          if (!taken) {
            pair.newKey = newKey;
            pair.newValue = 0;
            byNew[newKey] = oldKey;
          }
        } else if (taken && byNew[newKey] != oldKey) {
          expected = E_FAIL;
        } else {
          expected = S_OK;
          if (pair.newKey != newKey) {
            byNew.erase(pair.newKey);
            pair.newKey = newKey;
            pair.newValue = 0;
            byNew[newKey] = oldKey;
          }
        }
      }
      ASSERT_EQ(db->Rename(oldCode, newCode), expected) << "step " << step;
    } else if (op < 7) {
      const bool present = byOld.count(oldKey) != 0;
      ASSERT_EQ(db->RemoveOldCode(oldCode), present ? S_OK : S_FALSE);
      if (present) drop(oldKey);
    } else if (op < 8) {
      const auto at = byNew.find(newKey);
      const bool present = at != byNew.end();
      ASSERT_EQ(db->RemoveNewCode(newCode), present ? S_OK : S_FALSE);
      if (present) drop(std::u16string(at->second));  // a copy: drop erases it
    } else {
      uintptr_t value = 0;
      const auto at = byOld.find(oldKey);
      ASSERT_EQ(db->GetOldCodeValue(oldCode, &value), at != byOld.end() ? S_OK : S_FALSE);
      if (at != byOld.end()) {
        ASSERT_EQ(value, at->second.oldValue);
      }
      const auto back = byNew.find(newKey);
      ASSERT_EQ(db->GetNewCodeValue(newCode, &value), back != byNew.end() ? S_OK : S_FALSE);
      if (back != byNew.end()) {
        ASSERT_EQ(value, byOld.at(back->second).newValue);
      }
      TZefStdCode found;
      ASSERT_EQ(db->GetOldCode(newCode, &found), back != byNew.end() ? S_OK : S_FALSE);
      if (back != byNew.end()) {
        ASSERT_EQ(fold(found.c_str()), back->second);
      }
    }
    ASSERT_EQ(db->GetCount(), byOld.size()) << "step " << step;
    reported = renames.seen.size();
    ASSERT_EQ(reported, expectedReports) << "step " << step;
  }
  db->Release();
  size_t complete = 0;
  for (const auto& [key, pair] : byOld) complete += pair.newKey.empty() ? 0 : 1;
  EXPECT_EQ(renames.seen.size(), expectedReports + complete);
}

}  // namespace
