// Registry names and values from any units: a key and a value made under
// them read back exactly (name, type and data), enumeration shows the
// names as given, and names past the limits are refused, not cut.
#include "platform/Registry.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zef::fuzz::FuzzInput input(data, size);
  const DWORD type = input.byte() % 12;
  const std::u16string keyUnits = zef::fuzz::wideUnits(input.piece());
  const std::u16string valueUnits = zef::fuzz::wideUnits(input.piece());
  const std::string_view bytes = input.rest();
  const std::u16string keyName = u"Fuzz\\" + keyUnits.substr(0, keyUnits.find(u'\0'));
  const std::u16string valueName = valueUnits.substr(0, valueUnits.find(u'\0'));

  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, keyName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return 0;
  }
  const LONG set = RegSetValueExW(key, valueName.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size()));
  if (set == ERROR_SUCCESS) {
    zef::fuzz::noteAccepted();
    DWORD storedType = 0;
    DWORD storedSize = static_cast<DWORD>(bytes.size()) + 8;
    std::vector<BYTE> stored(storedSize);
    if (RegQueryValueExW(key, valueName.c_str(), nullptr, &storedType, stored.data(), &storedSize) != ERROR_SUCCESS) {
      std::abort();
    }
    if (storedType != type || storedSize < bytes.size() ||
        std::string_view(reinterpret_cast<const char*>(stored.data()), bytes.size()) != bytes) {
      std::abort();
    }
    // The value is listed under its exact name: each input makes it anew
    // and removes it at the end.
    bool listed = false;
    for (DWORD index = 0; !listed; ++index) {
      std::vector<WCHAR> name(16384);
      DWORD length = static_cast<DWORD>(name.size());
      const LONG status = RegEnumValueW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (status == ERROR_NO_MORE_ITEMS) break;
      if (status != ERROR_SUCCESS) std::abort();
      listed = std::u16string_view(name.data(), length) == valueName;
    }
    if (!listed) std::abort();
    if (RegDeleteValueW(key, valueName.c_str()) != ERROR_SUCCESS) std::abort();
  }
  RegCloseKey(key);
  return 0;
}
