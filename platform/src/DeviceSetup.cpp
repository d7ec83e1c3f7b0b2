// Device set-up over a provider (see DeviceSetup.h).
#include "platform/DeviceSetup.h"

#include "platform/CodePage.h"
#include "platform/Utf16.h"
#include "platform/CommPorts.h"
#include "platform/FileSyscalls.h"
#include "platform/Format.h"
#include "platform/LastError.h"

#include <cstring>
#include <mutex>
#include <sstream>

namespace {

constexpr WCHAR kEnumRoot[] = u"SYSTEM\\CurrentControlSet\\Enum\\";
constexpr WCHAR kClassRoot[] = u"SYSTEM\\CurrentControlSet\\Control\\Class\\";

struct ProviderSlot {
  std::mutex mutex;
  std::shared_ptr<platform::DeviceSetupProvider> provider;
};
ProviderSlot& providerSlot() {
  static auto* slot = new ProviderSlot;
  return *slot;
}

class SysfsProvider final : public platform::DeviceSetupProvider {
public:
  std::vector<platform::SetupDevice> devices() override { return platform::sysfsSetupDevices(); }
};

// A set: the devices of one class at the time it was made.
struct DeviceSet {
  GUID classGuid;
  std::vector<platform::SetupDevice> devices;
};

std::mutex& setsMutex() {
  static std::mutex mutex;
  return mutex;
}
std::vector<DeviceSet*>& liveSets() {
  static auto* sets = new std::vector<DeviceSet*>;
  return *sets;
}

DeviceSet* lookupSet(HDEVINFO handle) {
  std::lock_guard lock(setsMutex());
  for (DeviceSet* set : liveSets()) {
    if (set == handle) return set;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return nullptr;
}

const platform::SetupDevice* deviceOf(HDEVINFO handle, const SP_DEVINFO_DATA* data) {
  DeviceSet* set = lookupSet(handle);
  if (set == nullptr || data == nullptr || data->DevInst >= set->devices.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return &set->devices[data->DevInst];
}

std::u16string guidText(const GUID& guid) {
  return platform::formatText(std::u16string_view(u"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}"), guid.Data1,
                              guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                              guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
}

std::u16string deviceKeyPath(const platform::SetupDevice& device) {
  return kEnumRoot + device.instanceId + u"\\Device Parameters";
}

std::u16string driverKeyPath(const DeviceSet& set, DWORD index) {
  return kClassRoot + guidText(set.classGuid) + u"\\" + platform::formatText(std::u16string_view(u"%04u"), index);
}

void setString(HKEY key, const WCHAR* name, const std::u16string& value) {
  (void)RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(WCHAR)));
}

// The provider's values, written where the keys are looked up.
void writeDeviceKeys(const DeviceSet& set) {
  for (DWORD index = 0; index < set.devices.size(); ++index) {
    const platform::SetupDevice& device = set.devices[index];
    HKEY key = nullptr;
    if (!device.portName.empty() || !device.bluetoothId.empty()) {
      if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, deviceKeyPath(device).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr) == ERROR_SUCCESS) {
        if (!device.portName.empty()) setString(key, u"PortName", device.portName);
        if (!device.bluetoothId.empty()) setString(key, u"Bluetooth_UniqueID", device.bluetoothId);
        RegCloseKey(key);
      }
    }
    if (!device.attachedTo.empty() && RegCreateKeyExW(HKEY_LOCAL_MACHINE, driverKeyPath(set, index).c_str(), 0, nullptr,
                                                      0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      setString(key, u"AttachedTo", device.attachedTo);
      RegCloseKey(key);
    }
  }
}

BOOL copyProperty(const std::u16string& text, bool multi, DWORD* type, BYTE* buffer, DWORD size, DWORD* required) {
  const DWORD bytes = static_cast<DWORD>((text.size() + (multi ? 2 : 1)) * sizeof(WCHAR));
  if (type) *type = multi ? REG_MULTI_SZ_TYPE : REG_SZ;
  if (required) *required = bytes;
  if (buffer == nullptr || size < bytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::u16string terminated = text;
  terminated.push_back(u'\0');
  if (multi) terminated.push_back(u'\0');
  std::memcpy(buffer, terminated.data(), bytes);
  return TRUE;
}

// One line "KEY=value" of a udev database file, or empty.
std::string udevValue(const std::string& file, const std::string& key) {
  std::istringstream in(platform::readFileToEnd(file).value_or(std::string()));
  std::string line;
  const std::string prefix = "E:" + key + "=";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
  }
  return {};
}

}  // namespace

platform::DeviceSetupProvider::~DeviceSetupProvider() = default;

void platform::setDeviceSetupProvider(std::shared_ptr<DeviceSetupProvider> provider) {
  std::lock_guard lock(providerSlot().mutex);
  providerSlot().provider = std::move(provider);
}

std::vector<platform::SetupDevice> platform::sysfsSetupDevices(const std::string& udevDataRoot) {
  std::vector<SetupDevice> devices;
  for (unsigned number = 1; number <= 256; ++number) {
    const std::optional<std::string> path = serialDeviceOfPort(number);
    if (!path) continue;
    SetupDevice device{};
    device.classGuid = GUID_DEVCLASS_PORTS;
    const std::u16string port = u"COM" + ansiToWideLenient(std::to_string(number));
    device.instanceId = u"SYSFS\\" + ansiToWideLenient(*path);
    device.portName = port;
    std::string model;
    // udev names character devices "c<major>:<minor>"; look by the device's name.
    for (const std::string& name : platform::folderEntryNames(udevDataRoot)) {
      const std::string entry = udevDataRoot + "/" + name;
      if (udevValue(entry, "DEVNAME") != "/dev/" + *path) continue;
      model = udevValue(entry, "ID_MODEL_FROM_DATABASE");
      if (model.empty()) model = udevValue(entry, "ID_MODEL");
      break;
    }
    const bool bluetooth = path->rfind("rfcomm", 0) == 0;
    const std::u16string base = !model.empty() ? ansiToWideLenient(model)
                                : bluetooth    ? u"Standard Serial over Bluetooth link"
                                               : u"Communications Port";
    device.friendlyName = base + u" (" + port + u")";
    device.description = base;
    if (bluetooth) device.bluetoothId = ansiToWideLenient(*path);
    devices.push_back(std::move(device));
  }
  return devices;
}

BOOL SetupDiClassGuidsFromNameW(LPCWSTR className, GUID* guids, DWORD size, DWORD* required) {
  if (className == nullptr || required == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::u16string name = className;
  const auto equals = [&](std::u16string_view other) { return platform::equalsIgnoreCase(name, other); };
  const GUID* found = equals(u"ports") ? &GUID_DEVCLASS_PORTS : equals(u"modem") ? &GUID_DEVCLASS_MODEM : nullptr;
  *required = found ? 1 : 0;
  if (found == nullptr) return TRUE;
  if (guids == nullptr || size < 1) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  guids[0] = *found;
  return TRUE;
}

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, LPCWSTR /*enumerator*/, HWND /*parent*/, DWORD /*flags*/) {
  if (classGuid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_DEVICE_SET;
  }
  std::shared_ptr<platform::DeviceSetupProvider> provider;
  {
    std::lock_guard lock(providerSlot().mutex);
    provider = providerSlot().provider;
  }
  if (!provider) provider = std::make_shared<SysfsProvider>();
  auto* set = new DeviceSet{*classGuid, {}};
  for (platform::SetupDevice& device : provider->devices()) {
    if (device.classGuid == *classGuid) set->devices.push_back(std::move(device));
  }
  writeDeviceKeys(*set);
  std::lock_guard lock(setsMutex());
  liveSets().push_back(set);
  return set;
}

BOOL SetupDiEnumDeviceInfo(HDEVINFO handle, DWORD index, SP_DEVINFO_DATA* data) {
  DeviceSet* set = lookupSet(handle);
  if (set == nullptr || data == nullptr) return FALSE;
  if (index >= set->devices.size()) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->ClassGuid = set->classGuid;
  data->DevInst = index;
  return TRUE;
}

HKEY SetupDiOpenDevRegKey(HDEVINFO handle, SP_DEVINFO_DATA* data, DWORD /*scope*/, DWORD /*profile*/, DWORD keyType,
                          REGSAM access) {
  const platform::SetupDevice* device = deviceOf(handle, data);
  if (device == nullptr) return nullptr;
  const std::u16string path =
      keyType == DIREG_DRV ? driverKeyPath(*lookupSet(handle), data->DevInst) : deviceKeyPath(*device);
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &key) != ERROR_SUCCESS) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  return key;
}

BOOL SetupDiGetDeviceRegistryPropertyW(HDEVINFO handle, SP_DEVINFO_DATA* data, DWORD property, DWORD* type,
                                       BYTE* buffer, DWORD size, DWORD* required) {
  const platform::SetupDevice* device = deviceOf(handle, data);
  if (device == nullptr) return FALSE;
  switch (property) {
    case SPDRP_FRIENDLYNAME:
    case SPDRP_DEVICEDESC: {
      const std::u16string& text = property == SPDRP_FRIENDLYNAME ? device->friendlyName : device->description;
      if (text.empty()) break;
      return copyProperty(text, false, type, buffer, size, required);
    }
    case SPDRP_COMPATIBLEIDS: {
      if (device->compatibleIds.empty()) break;
      std::u16string joined;
      for (size_t i = 0; i < device->compatibleIds.size(); ++i) {
        if (i > 0) joined.push_back(u'\0');
        joined += device->compatibleIds[i];
      }
      return copyProperty(joined, true, type, buffer, size, required);
    }
    default: break;
  }
  SetLastError(ERROR_INVALID_DATA);
  return FALSE;
}

BOOL SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
  std::lock_guard lock(setsMutex());
  auto& sets = liveSets();
  for (auto it = sets.begin(); it != sets.end(); ++it) {
    if (*it != handle) continue;
    delete *it;
    sets.erase(it);
    return TRUE;
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
