// SQLite storage of the registry (see RegistryStore.h for the tables).
#include "RegistryStore.h"

#include "platform/CodePage.h"
#include "platform/Registry.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/TextTools.h"
#include "platform/Utf16.h"
#include "platform/FileSyscalls.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::registry {
namespace {

constexpr char kSchema[] =
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER, name TEXT NOT NULL,"
    " folded TEXT NOT NULL, UNIQUE(parent, folded));"
    "INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES(1, NULL, '', '');"
    "CREATE TABLE IF NOT EXISTS registry_values(id INTEGER PRIMARY KEY, key INTEGER NOT NULL,"
    " name TEXT NOT NULL, folded TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
    " UNIQUE(key, folded));";

// Milliseconds a call waits for another process's transaction.
constexpr int kBusyTimeoutMs = 30000;

// Names are stored as UTF-8 text, so databases stay readable by any tool;
// a lone surrogate, which UTF-8 cannot hold, is stored as the three bytes
// its code point would take (ED A0 80 to ED BF BF). Every name thus keeps
// its exact UTF-16 units, and two names that differ only in lone
// surrogates stay two names.
std::string storedName(std::u16string_view name) {
  std::string bytes;
  bytes.reserve(name.size() * 3);
  for (size_t at = 0, units = 0; at < name.size(); at += units)
    platform::appendUtf8(bytes, platform::codePointAt(name, at, units));
  return bytes;
}

// The units of a stored name. Bytes that are no sequence (never written by
// storedName) become U+FFFD.
std::u16string nameFromStored(std::string_view bytes) {
  std::u16string name;
  name.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const size_t length = platform::utf8SequenceLength(lead);
    bool isWhole = length > 0 && at + length <= bytes.size();
    uint32_t code = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    for (size_t i = 1; isWhole && i < length; ++i) {
      const auto trail = static_cast<unsigned char>(bytes[at + i]);
      isWhole = platform::isUtf8Continuation(static_cast<char>(trail));
      code = code << 6 | (trail & 0x3F);
    }
    if (!isWhole || code > 0x10FFFF) {
      name.push_back(u'\uFFFD');
      ++at;
      continue;
    }
    at += length;
    platform::appendUtf16(name, code);
  }
  return name;
}

// A prepared statement that finalises itself.
class Statement {
public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool isValid() const { return statement_ != nullptr; }
  Statement& bind(int index, int64_t value) {
    if (statement_ != nullptr) sqlite3_bind_int64(statement_, index, value);
    return *this;
  }
  Statement& bind(int index, std::string_view text) {
    if (statement_ != nullptr) {
      sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    return *this;
  }
  Statement& bindBlob(int index, std::string_view bytes) {
    if (statement_ == nullptr) return *this;
    // An empty value is an empty blob, never NULL (no data pointer).
    if (bytes.empty()) {
      sqlite3_bind_zeroblob(statement_, index, 0);
      return *this;
    }
    sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  int step() { return statement_ == nullptr ? SQLITE_ERROR : sqlite3_step(statement_); }
  int64_t integer(int column) { return sqlite3_column_int64(statement_, column); }
  // A stored name (see storedName).
  std::u16string text(int column) {
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return nameFromStored(std::string_view(bytes == nullptr ? "" : bytes, static_cast<size_t>(size)));
  }
  std::string blob(int column) {
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement_, column));
    const int size = sqlite3_column_bytes(statement_, column);
    return bytes == nullptr ? std::string() : std::string(bytes, static_cast<size_t>(size));
  }

private:
  sqlite3_stmt* statement_ = nullptr;
};

std::string utf8(std::u16string_view text) { return storedName(text); }

std::vector<std::u16string_view> componentsOf(std::u16string_view path) {
  std::vector<std::u16string_view> components;
  while (!path.empty()) {
    const size_t slash = path.find(u'\\');
    const std::u16string_view component = path.substr(0, slash);
    if (!component.empty()) components.push_back(component);
    if (slash == std::u16string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return components;
}

std::string databasePath(RootKind root) {
  const std::string folder = platformRoot() + "/registry";
  switch (root) {
    case RootKind::CurrentUser: return folder + "/HKCU.db";
    case RootKind::LocalMachine: return folder + "/HKLM.db";
  }
  __builtin_unreachable();
}

sqlite3* openDatabase(const std::string& path) {
  fileSyscalls().mkdir(platformRoot().c_str(), 0755);
  fileSyscalls().mkdir((platformRoot() + "/registry").c_str(), 0755);
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
  if (sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  return db;
}

// The open store of one root in this process. A child process after fork
// must not use its parent's connection (SQLite forbids it), and the platform
// root may move (tests relocate it): either opens a new connection. The
// parent's connection is left alone in a child, never closed there.
struct CachedStore {
  std::unique_ptr<Store> store;
  std::string path;
  pid_t owner = 0;
};

}  // namespace

std::string foldedName(std::u16string_view name) {
  std::u16string folded(name);
  for (auto& unit : folded) unit = foldCaseUnit(unit);
  return utf8(folded);
}

LONG withStore(RootKind root, const std::function<LONG(Store&)>& body) {
  static std::mutex mutex;
  static CachedStore stores[2];
  std::lock_guard lock(mutex);
  CachedStore& cached = stores[root == RootKind::CurrentUser ? 0 : 1];
  const std::string path = databasePath(root);
  if (cached.owner != getpid()) (void)cached.store.release();
  if (!cached.store || cached.path != path) {
    cached.store.reset();
    sqlite3* db = openDatabase(path);
    if (db == nullptr) return static_cast<LONG>(ERROR_GEN_FAILURE);
    cached.store = std::make_unique<Store>(db);
    cached.path = path;
    cached.owner = getpid();
  }
  return body(*cached.store);
}

Store::~Store() { sqlite3_close(db_); }

LONG Store::transaction(bool isWrite, LONG failure, const std::function<LONG()>& body) {
  if (sqlite3_exec(db_, isWrite ? "BEGIN IMMEDIATE" : "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) {
    return failure;
  }
  LONG result = body();
  if (result == static_cast<LONG>(ERROR_SUCCESS) &&
      sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK) {
    return result;
  }
  sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  return result == static_cast<LONG>(ERROR_SUCCESS) ? failure : result;
}

bool Store::keyExists(int64_t key) {
  Statement query(db_, "SELECT 1 FROM keys WHERE id = ?");
  return query.bind(1, key).step() == SQLITE_ROW;
}

LONG Store::openPath(int64_t from, std::u16string_view subKey, bool create, int64_t& id, std::u16string& path,
                     bool& created) {
  created = false;
  return transaction(create, ERROR_CANTWRITE, [&]() -> LONG {
    if (!keyExists(from)) return ERROR_KEY_DELETED;
    id = from;
    for (const auto component : componentsOf(subKey)) {
      Statement find(db_, "SELECT id, name FROM keys WHERE parent = ? AND folded = ?");
      const int found = find.bind(1, id).bind(2, foldedName(component)).step();
      if (found == SQLITE_ROW) {
        id = find.integer(0);
        path += (path.empty() ? u"" : u"\\") + find.text(1);
        continue;
      }
      if (found != SQLITE_DONE) return ERROR_CANTREAD;
      if (!create) return ERROR_FILE_NOT_FOUND;
      Statement insert(db_, "INSERT INTO keys(parent, name, folded) VALUES(?, ?, ?)");
      if (insert.bind(1, id).bind(2, utf8(component)).bind(3, foldedName(component)).step() != SQLITE_DONE) {
        return ERROR_CANTWRITE;
      }
      id = sqlite3_last_insert_rowid(db_);
      path += (path.empty() ? u"" : u"\\") + std::u16string(component);
      created = true;
    }
    return ERROR_SUCCESS;
  });
}

LONG Store::deleteKey(int64_t parent, std::u16string_view subKey) {
  return transaction(true, ERROR_CANTWRITE, [&]() -> LONG {
    if (!keyExists(parent)) return ERROR_KEY_DELETED;
    int64_t id = parent;
    for (const auto component : componentsOf(subKey)) {
      Statement find(db_, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
      if (find.bind(1, id).bind(2, foldedName(component)).step() != SQLITE_ROW) {
        return ERROR_FILE_NOT_FOUND;
      }
      id = find.integer(0);
    }
    if (id == kRootKeyId) return ERROR_ACCESS_DENIED;
    Statement children(db_, "SELECT 1 FROM keys WHERE parent = ?");
    if (children.bind(1, id).step() == SQLITE_ROW) return ERROR_ACCESS_DENIED;
    Statement values(db_, "DELETE FROM registry_values WHERE key = ?");
    Statement key(db_, "DELETE FROM keys WHERE id = ?");
    if (values.bind(1, id).step() != SQLITE_DONE || key.bind(1, id).step() != SQLITE_DONE) {
      return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
  });
}

LONG Store::queryValue(int64_t key, std::u16string_view name, StoredValue& value) {
  return transaction(false, ERROR_CANTREAD, [&]() -> LONG {
    if (!keyExists(key)) return ERROR_KEY_DELETED;
    Statement find(db_, "SELECT name, type, data FROM registry_values WHERE key = ? AND folded = ?");
    const int found = find.bind(1, key).bind(2, foldedName(name)).step();
    if (found == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
    if (found != SQLITE_ROW) return ERROR_CANTREAD;
    value = StoredValue{find.text(0), static_cast<DWORD>(find.integer(1)), find.blob(2)};
    return ERROR_SUCCESS;
  });
}

LONG Store::setValue(int64_t key, std::u16string_view name, DWORD type, std::string_view data) {
  return transaction(true, ERROR_CANTWRITE, [&]() -> LONG {
    if (!keyExists(key)) return ERROR_KEY_DELETED;
    // An existing value keeps its row, so it keeps its place in enumeration.
    Statement update(db_, "UPDATE registry_values SET type = ?, data = ? WHERE key = ? AND folded = ?");
    if (update.bind(1, type).bindBlob(2, data).bind(3, key).bind(4, foldedName(name)).step() != SQLITE_DONE) {
      return ERROR_CANTWRITE;
    }
    if (sqlite3_changes(db_) > 0) return ERROR_SUCCESS;
    Statement insert(db_, "INSERT INTO registry_values(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?)");
    if (insert.bind(1, key).bind(2, utf8(name)).bind(3, foldedName(name)).bind(4, type).bindBlob(5, data).step() !=
        SQLITE_DONE) {
      return ERROR_CANTWRITE;
    }
    return ERROR_SUCCESS;
  });
}

LONG Store::deleteValue(int64_t key, std::u16string_view name) {
  return transaction(true, ERROR_CANTWRITE, [&]() -> LONG {
    if (!keyExists(key)) return ERROR_KEY_DELETED;
    Statement remove(db_, "DELETE FROM registry_values WHERE key = ? AND folded = ?");
    if (remove.bind(1, key).bind(2, foldedName(name)).step() != SQLITE_DONE) return ERROR_CANTWRITE;
    return sqlite3_changes(db_) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG Store::counts(int64_t key, KeyCounts& counts) {
  return transaction(false, ERROR_CANTREAD, [&]() -> LONG {
    if (!keyExists(key)) return ERROR_KEY_DELETED;
    counts = KeyCounts{};
    Statement keys(db_, "SELECT name FROM keys WHERE parent = ?");
    keys.bind(1, key);
    while (keys.step() == SQLITE_ROW) {
      ++counts.subKeys;
      counts.maxSubKeyLength = std::max<DWORD>(counts.maxSubKeyLength, static_cast<DWORD>(keys.text(0).size()));
    }
    Statement values(db_, "SELECT name, length(data) FROM registry_values WHERE key = ?");
    values.bind(1, key);
    while (values.step() == SQLITE_ROW) {
      ++counts.values;
      counts.maxValueNameLength = std::max<DWORD>(counts.maxValueNameLength, static_cast<DWORD>(values.text(0).size()));
      counts.maxValueLength = std::max<DWORD>(counts.maxValueLength, static_cast<DWORD>(values.integer(1)));
    }
    return ERROR_SUCCESS;
  });
}

LONG Store::enumKey(int64_t key, DWORD index, std::u16string& name) {
  return transaction(false, ERROR_CANTREAD, [&]() -> LONG {
    if (!keyExists(key)) return ERROR_KEY_DELETED;
    Statement find(db_, "SELECT name FROM keys WHERE parent = ? ORDER BY id LIMIT 1 OFFSET ?");
    const int found = find.bind(1, key).bind(2, index).step();
    if (found == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (found != SQLITE_ROW) return ERROR_CANTREAD;
    name = find.text(0);
    return ERROR_SUCCESS;
  });
}

LONG Store::enumValue(int64_t key, DWORD index, StoredValue& value) {
  return transaction(false, ERROR_CANTREAD, [&]() -> LONG {
    if (!keyExists(key)) return ERROR_KEY_DELETED;
    Statement find(db_, "SELECT name, type, data FROM registry_values WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
    const int found = find.bind(1, key).bind(2, index).step();
    if (found == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
    if (found != SQLITE_ROW) return ERROR_CANTREAD;
    value = StoredValue{find.text(0), static_cast<DWORD>(find.integer(1)), find.blob(2)};
    return ERROR_SUCCESS;
  });
}

}  // namespace platform::registry
