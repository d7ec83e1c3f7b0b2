// Counting the running programs of the products to update.
#include "zefkr/RunningProcesses.h"

#include "platform/Handles.h"
#include "platform/LoadableModules.h"
#include "platform/ProcessSnapshot.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kNameCapacity = 512;
constexpr size_t kModuleCapacity = 2048;

using GetModuleFileNameExFunction = DWORD (*)(HANDLE, HMODULE, LPWSTR, DWORD);
using EnumProcessModulesFunction = BOOL (*)(HANDLE, HMODULE*, DWORD, DWORD*);

// The folder of a path, with its final backslash.
std::u16string folderOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1));
}

std::u16string fileOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u'\\');
  return std::u16string(slash == std::u16string_view::npos ? path : path.substr(slash + 1));
}

// How one program (or module) folder counts: 1 at the first update with
// that folder unless its version was negative, 0 otherwise.
template <typename SameFolder>
int32_t countFor(const zefkr::TKRUpdateInfoList& updates, SameFolder same) {
  for (int32_t i = 0; i < updates.count; ++i) {
    const zefkr::TKRUpdateInfo& update = updates.items[static_cast<size_t>(i)];
    if (!same(update.productFolder + u"\\")) continue;
    return (update.status & zefkr::kUpdateNegativeVersion) ? 0 : 1;
  }
  return 0;
}

// The modules of a 16-bit host process that lie in a product folder.
int32_t countHostModules(const zefkr::TKRUpdateInfoList& updates, HANDLE process, GetModuleFileNameExFunction getName,
                         EnumProcessModulesFunction enumModules) {
  std::vector<HMODULE> modules(kModuleCapacity);
  DWORD needed = 0;
  if (!enumModules(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)), &needed)) {
    return 0;
  }
  const size_t count = std::min<size_t>(needed / sizeof(HMODULE), kModuleCapacity);
  int32_t found = 0;
  for (size_t m = 0; m < count; ++m) {
    WCHAR name[kNameCapacity] = {};
    if (getName(process, modules[m], name, kNameCapacity) == 0) continue;
    const std::u16string folder = folderOf(name);
    found += countFor(updates, [&](const std::u16string& productFolder) {
      return KRSameLongPath(productFolder.c_str(), folder.c_str());
    });
  }
  return found;
}

}  // namespace

bool KRSameLongPath(const WCHAR* first, const WCHAR* second) {
  WCHAR longFirst[kNameCapacity] = {};
  WCHAR longSecond[kNameCapacity] = {};
  // A path that cannot be expanded (missing, or too long for the buffer) is
  // the same as no other: two failures are not one folder.
  const auto expanded = [](const WCHAR* path, WCHAR* into) {
    const DWORD length = GetLongPathNameW(path, into, kNameCapacity);
    return length > 0 && length < kNameCapacity;
  };
  if (!expanded(first, longFirst) || !expanded(second, longSecond)) return false;
  return platform::equalsIgnoreCase(longFirst, longSecond);
}

int32_t KRFindRunningProductProcesses(const zefkr::TKRUpdateInfoList& updates) {
  HMODULE psapi = LoadLibraryW(u"psapi");
  if (!psapi) return -1;
  const auto getName = reinterpret_cast<GetModuleFileNameExFunction>(GetProcAddress(psapi, "GetModuleFileNameExW"));
  const auto enumModules = reinterpret_cast<EnumProcessModulesFunction>(GetProcAddress(psapi, "EnumProcessModules"));
  if (!getName) {
    FreeLibrary(psapi);
    return -1;
  }
  if (updates.count == 0) {
    FreeLibrary(psapi);
    return 0;
  }

  int32_t count = 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, entry.th32ProcessID);
    if (!process) continue;
    WCHAR name[kNameCapacity] = {};
    if (getName(process, nullptr, name, kNameCapacity) != 0) {
      const std::u16string folder = folderOf(name);
      if (!enumModules || fileOf(name) != u"ntvdm.exe") {
        count += countFor(updates, [&](const std::u16string& productFolder) {
          return platform::equalsIgnoreCase(productFolder, folder);
        });
      } else {
        count += countHostModules(updates, process, getName, enumModules);
      }
    }
    CloseHandle(process);
  }
  if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
  FreeLibrary(psapi);
  return count;
}
