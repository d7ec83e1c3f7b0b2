// The process-wide registry of module string tables.
#include "platform/Resources.h"

#include "platform/LastError.h"

#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <map>
#include <mutex>

namespace {

constexpr UINT kStringsPerBlock = 16;

using StringBlock = std::array<std::u16string, kStringsPerBlock>;
// Block identifier -> its 16 entries.
using StringTable = std::map<UINT, StringBlock>;

struct Registry {
  std::mutex mutex;
  std::map<HINSTANCE, StringTable> tables;
};

Registry& registry() {
  static Registry instance;
  return instance;
}

UINT blockIdOf(UINT id) { return id / kStringsPerBlock + 1; }
UINT entryOf(UINT id) { return id % kStringsPerBlock; }

void storeLocked(StringTable& table, UINT id, std::u16string_view text) {
  table[blockIdOf(id)][entryOf(id)] = std::u16string(text);
}

}  // namespace

void platform::registerStringResources(HINSTANCE module, std::initializer_list<StringResource> strings) {
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  StringTable& table = reg.tables[module];
  for (const StringResource& string : strings) storeLocked(table, string.id, string.text);
}

void platform::registerStringResource(HINSTANCE module, UINT id, std::u16string_view text) {
  registerStringResources(module, {{id, text}});
}

void platform::unregisterStringResources(HINSTANCE module) {
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  reg.tables.erase(module);
}

std::optional<std::u16string> platform::findStringResource(HINSTANCE module, UINT id) {
  Registry& reg = registry();
  std::lock_guard lock(reg.mutex);
  const auto table = reg.tables.find(module);
  if (table == reg.tables.end()) return std::nullopt;
  const auto block = table->second.find(blockIdOf(id));
  if (block == table->second.end()) return std::nullopt;
  const std::u16string& entry = block->second[entryOf(id)];
  if (entry.empty()) return std::nullopt;
  return entry;
}

HINSTANCE platform::moduleHandleOf(const void* address) {
  Dl_info info{};
  if (dladdr(address, &info) == 0) return nullptr;
  return static_cast<HINSTANCE>(info.dli_fbase);
}

int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int bufferMax) {
  if (buffer == nullptr || bufferMax < 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto text = platform::findStringResource(module, id);
  if (!text) {
    buffer[0] = u'\0';
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  const size_t copied = std::min(text->size(), static_cast<size_t>(bufferMax - 1));
  std::copy_n(text->data(), copied, buffer);
  buffer[copied] = u'\0';
  return static_cast<int>(copied);
}
