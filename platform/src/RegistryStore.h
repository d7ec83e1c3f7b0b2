// The registry's storage: one SQLite database per root key.
//
// Tables (created on first use):
//   keys(id INTEGER PRIMARY KEY, parent INTEGER, name TEXT, folded TEXT,
//        UNIQUE(parent, folded))            -- the root is id 1, parent NULL
//   registry_values(id INTEGER PRIMARY KEY, key INTEGER, name TEXT,
//        folded TEXT, type INTEGER, data BLOB, UNIQUE(key, folded))
// Names are stored as written (UTF-8) and matched through `folded`, their
// case-folded form. Rows are never renumbered, so ordering by id is creation
// order; replacing a value updates its row and keeps its place.
//
// Every operation is one transaction. Writers take SQLite's write lock at
// the start (BEGIN IMMEDIATE) and wait for other processes' transactions.
// Results are Windows error codes.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct sqlite3;

namespace platform::registry {

enum class RootKind { CurrentUser, LocalMachine };

inline constexpr int64_t kRootKeyId = 1;

struct StoredValue {
  std::u16string name;
  DWORD type = 0;
  std::string data;
};

struct KeyCounts {
  DWORD subKeys = 0;
  DWORD maxSubKeyLength = 0;
  DWORD values = 0;
  DWORD maxValueNameLength = 0;
  DWORD maxValueLength = 0;
};

class Store {
public:
  explicit Store(sqlite3* db) : db_(db) {}
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Walks `subKey` ('\'-separated, empty components ignored) down from
  // `from`, creating missing keys when `create` is set. `path` receives the
  // names walked, as stored, joined by '\'.
  LONG openPath(int64_t from, std::u16string_view subKey, bool create, int64_t& id, std::u16string& path,
                bool& created);
  LONG deleteKey(int64_t parent, std::u16string_view subKey);
  LONG queryValue(int64_t key, std::u16string_view name, StoredValue& value);
  LONG setValue(int64_t key, std::u16string_view name, DWORD type, std::string_view data);
  LONG deleteValue(int64_t key, std::u16string_view name);
  LONG counts(int64_t key, KeyCounts& counts);
  LONG enumKey(int64_t key, DWORD index, std::u16string& name);
  LONG enumValue(int64_t key, DWORD index, StoredValue& value);

private:
  // Runs `body` inside one transaction; rolls back unless it answers
  // ERROR_SUCCESS. `failure` is the code for an SQLite failure.
  LONG transaction(bool isWrite, LONG failure, const std::function<LONG()>& body);
  bool keyExists(int64_t key);

  sqlite3* db_;  // owned
};

// Runs `body` with the store of `root`, serialised with every other use in
// this process. ERROR_CANTOPEN-like failures (the database cannot be
// opened) answer ERROR_GEN_FAILURE without calling `body`.
LONG withStore(RootKind root, const std::function<LONG(Store&)>& body);

// Case-folded form of a name, as the store matches names.
std::string foldedName(std::u16string_view name);

}  // namespace platform::registry
