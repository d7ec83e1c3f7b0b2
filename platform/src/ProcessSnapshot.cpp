// Process snapshots, opened processes and long paths over /proc.
#include "platform/ProcessSnapshot.h"

#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/FileSyscalls.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <sstream>

namespace {

constexpr char kDeletedSuffix[] = " (deleted)";

std::string readLink(const std::string& path) {
  std::string target(4096, '\0');
  const ssize_t length = platform::fileSyscalls().readlink(path.c_str(), target.data(), target.size());
  if (length <= 0) return std::string();
  target.resize(static_cast<size_t>(length));
  if (target.ends_with(kDeletedSuffix)) target.resize(target.size() - (sizeof kDeletedSuffix - 1));
  return target;
}

// The process table of the running system.
class ProcTable final : public platform::ProcessTable {
public:
  std::vector<DWORD> processIds() override {
    std::vector<DWORD> ids;
    for (const std::string& name : platform::folderEntryNames("/proc")) {
      if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
      ids.push_back(static_cast<DWORD>(std::stoul(name)));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  std::optional<platform::ProcessRecord> open(DWORD id) override {
    const std::string base = "/proc/" + std::to_string(id);
    platform::ProcessRecord record;
    record.id = id;
    record.program = readLink(base + "/exe");
    if (record.program.empty()) return std::nullopt;
    record.modules.push_back(record.program);
    // Mappings: address perms offset device inode path.
    std::istringstream maps(platform::readFileToEnd(base + "/maps").value_or(std::string()));
    std::string line;
    while (std::getline(maps, line)) {
      std::istringstream fields(line);
      std::string address, permissions, offset, device, inode, path;
      fields >> address >> permissions >> offset >> device >> inode;
      std::getline(fields >> std::ws, path);
      if (permissions.find('x') == std::string::npos || path.empty() || path.front() != '/') continue;
      if (path.ends_with(kDeletedSuffix)) path.resize(path.size() - (sizeof kDeletedSuffix - 1));
      if (std::find(record.modules.begin(), record.modules.end(), path) == record.modules.end()) {
        record.modules.push_back(path);
      }
    }
    return record;
  }
};

std::atomic<platform::ProcessTable*> replacedTable{nullptr};

platform::ProcessTable& table() {
  static ProcTable system;
  platform::ProcessTable* replaced = replacedTable.load();
  return replaced ? *replaced : system;
}

std::mutex availabilityMutex;
platform::PsapiAvailability availability;

class SnapshotObject final : public platform::KernelObject {
public:
  struct Entry {
    DWORD id;
    std::u16string exeFile;
  };
  std::vector<Entry> entries;
  size_t next = 0;
};

class OpenedProcess final : public platform::KernelObject {
public:
  explicit OpenedProcess(platform::ProcessRecord record) : record(std::move(record)) {}
  platform::ProcessRecord record;
};

std::u16string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return platform::windowsPath(slash == std::string::npos ? path : path.substr(slash + 1));
}

// The process's name when its program cannot be read.
std::u16string commandName(DWORD id) {
  const std::string text = platform::readFileToEnd("/proc/" + std::to_string(id) + "/comm").value_or(std::string());
  return platform::windowsPath(text.substr(0, text.find('\n')));
}

BOOL fillEntry(HANDLE snapshot, PROCESSENTRY32W* entry, bool first) {
  auto* object = platform::lookupHandleAs<SnapshotObject>(snapshot);
  if (!object || !entry || entry->dwSize < sizeof(PROCESSENTRY32W)) {
    if (object) SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (first) object->next = 0;
  if (object->next >= object->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  const SnapshotObject::Entry& next = object->entries[object->next++];
  const DWORD size = entry->dwSize;
  *entry = PROCESSENTRY32W{};
  entry->dwSize = size;
  entry->th32ProcessID = next.id;
  const size_t units = std::min<size_t>(next.exeFile.size(), MAX_PATH - 1);
  std::copy_n(next.exeFile.data(), units, entry->szExeFile);
  return TRUE;
}

}  // namespace

platform::ProcessTable::~ProcessTable() = default;

void platform::setProcessTable(ProcessTable* replacement) { replacedTable.store(replacement); }

void platform::setPsapiAvailability(const PsapiAvailability& replacement) {
  std::lock_guard lock(availabilityMutex);
  availability = replacement;
}

platform::PsapiAvailability platform::psapiAvailability() {
  std::lock_guard lock(availabilityMutex);
  return availability;
}

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD /*processId*/) {
  if ((flags & TH32CS_SNAPPROCESS) == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto* snapshot = new SnapshotObject;
  for (DWORD id : table().processIds()) {
    auto record = table().open(id);
    snapshot->entries.push_back({id, record ? baseName(record->program) : commandName(id)});
  }
  return platform::registerHandle(snapshot);
}

BOOL Process32FirstW(HANDLE snapshot, PROCESSENTRY32W* entry) { return fillEntry(snapshot, entry, true); }

BOOL Process32NextW(HANDLE snapshot, PROCESSENTRY32W* entry) { return fillEntry(snapshot, entry, false); }

HANDLE OpenProcess(DWORD /*access*/, BOOL /*inheritHandle*/, DWORD processId) {
  auto record = table().open(processId);
  if (!record) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return platform::registerHandle(new OpenedProcess(std::move(*record)));
}

DWORD GetModuleFileNameExW(HANDLE process, HMODULE module, LPWSTR fileName, DWORD size) {
  auto* object = platform::lookupHandleAs<OpenedProcess>(process);
  if (!object || !fileName || size == 0) return 0;
  const auto index = reinterpret_cast<uintptr_t>(module);
  const std::vector<std::string>& modules = object->record.modules;
  std::string path;
  if (index == 0) {
    path = object->record.program;
  } else if (index <= modules.size()) {
    path = modules[index - 1];
  } else {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const std::u16string windows = platform::windowsPath(path);
  const size_t units = std::min<size_t>(windows.size(), size - 1);
  std::copy_n(windows.data(), units, fileName);
  fileName[units] = u'\0';
  return static_cast<DWORD>(units);
}

BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* needed) {
  auto* object = platform::lookupHandleAs<OpenedProcess>(process);
  if (!object || !needed) return FALSE;
  const size_t count = object->record.modules.size();
  *needed = static_cast<DWORD>(count * sizeof(HMODULE));
  const size_t room = modules ? bytes / sizeof(HMODULE) : 0;
  // A module's handle is its place in the list, from 1.
  for (size_t i = 0; i < std::min(room, count); ++i) modules[i] = reinterpret_cast<HMODULE>(i + 1);
  return TRUE;
}

DWORD GetLongPathNameW(LPCWSTR shortPath, LPWSTR longPath, DWORD size) {
  if (!shortPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto native = platform::nativePath(shortPath);
  struct stat info {};
  if (!native || platform::fileSyscalls().lstat(native->c_str(), &info) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const std::u16string windows = platform::windowsPath(*native);
  if (!longPath || windows.size() + 1 > size) return static_cast<DWORD>(windows.size() + 1);
  std::copy(windows.begin(), windows.end(), longPath);
  longPath[windows.size()] = u'\0';
  return static_cast<DWORD>(windows.size());
}
