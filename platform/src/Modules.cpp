// Module handles from the dynamic linker's list of loaded objects.
#include "platform/Modules.h"

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/FileSyscalls.h"
#include "platform/Paths.h"

#include <climits>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

namespace {

struct LoadedModule {
  uintptr_t base = 0;  // address of the first loaded segment (page-aligned)
  uintptr_t end = 0;   // end of the last loaded segment
  std::string path;    // as the dynamic linker knows it; empty for the program
  bool isProgram = false;
};

// Calls `visit` for each loaded object until it answers true.
void forEachModule(const std::function<bool(const LoadedModule&)>& visit) {
  struct Context {
    const std::function<bool(const LoadedModule&)>* visit;
    bool first = true;
    bool done = false;
  } context{&visit};
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) -> int {
        auto* ctx = static_cast<Context*>(data);
        LoadedModule module;
        module.isProgram = ctx->first;
        ctx->first = false;
        module.path = info->dlpi_name ? info->dlpi_name : "";
        const uintptr_t pageMask = ~(static_cast<uintptr_t>(sysconf(_SC_PAGESIZE)) - 1);
        bool any = false;
        for (int i = 0; i < info->dlpi_phnum; ++i) {
          const ElfW(Phdr)& header = info->dlpi_phdr[i];
          if (header.p_type != PT_LOAD) continue;
          const uintptr_t start = (info->dlpi_addr + header.p_vaddr) & pageMask;
          const uintptr_t stop = info->dlpi_addr + header.p_vaddr + header.p_memsz;
          module.base = any ? std::min(module.base, start) : start;
          module.end = any ? std::max(module.end, stop) : stop;
          any = true;
        }
        if (!any) return 0;
        ctx->done = (*ctx->visit)(module);
        return ctx->done ? 1 : 0;
      },
      &context);
}

std::optional<std::string> programPath() {
  char buffer[PATH_MAX];
  const ssize_t length = platform::fileSyscalls().readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return std::nullopt;
  return std::string(buffer, static_cast<size_t>(length));
}

std::string baseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

HMODULE platform::moduleOfAddress(const void* address) {
  const auto wanted = reinterpret_cast<uintptr_t>(address);
  HMODULE found = nullptr;
  forEachModule([&](const LoadedModule& module) {
    if (wanted < module.base || wanted >= module.end) return false;
    found = reinterpret_cast<HMODULE>(module.base);
    return true;
  });
  return found;
}

std::optional<std::string> platform::moduleFilePath(HMODULE module) {
  if (!module) return programPath();
  std::optional<std::string> path;
  bool isProgram = false;
  forEachModule([&](const LoadedModule& loaded) {
    if (loaded.base != reinterpret_cast<uintptr_t>(module)) return false;
    path = loaded.path;
    isProgram = loaded.isProgram || loaded.path.empty();
    return true;
  });
  if (isProgram) return programPath();
  if (!path) return std::nullopt;
  char resolved[PATH_MAX];
  if (platform::fileSyscalls().realpath(path->c_str(), resolved)) return std::string(resolved);
  return path;
}

HMODULE GetModuleHandleW(LPCWSTR name) {
  HMODULE found = nullptr;
  const std::u16string wanted = name ? std::u16string(name) : std::u16string();
  forEachModule([&](const LoadedModule& module) {
    const bool matches = name ? !module.path.empty() && platform::equalNamesIgnoringCase(
                                                            platform::ansiToWideLenient(baseName(module.path)), wanted)
                              : module.isProgram;
    if (matches) found = reinterpret_cast<HMODULE>(module.base);
    return matches;
  });
  if (!found) SetLastError(ERROR_MOD_NOT_FOUND);
  return found;
}

namespace {

template <typename Char>
DWORD copyModuleName(const std::basic_string<Char>& name, Char* buffer, DWORD size) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const DWORD copied = static_cast<DWORD>(std::min<size_t>(name.size(), size - 1));
  std::copy_n(name.begin(), copied, buffer);
  buffer[copied] = Char(0);
  if (copied < name.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  SetLastError(ERROR_SUCCESS);
  return copied;
}

}  // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size) {
  const auto path = platform::moduleFilePath(module);
  if (!path) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return copyModuleName(platform::windowsPath(*path), fileName, size);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  const auto path = platform::moduleFilePath(module);
  if (!path) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  return copyModuleName(platform::wideToAnsiLenient(platform::windowsPath(*path)), fileName, size);
}
