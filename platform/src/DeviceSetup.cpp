// Device set-up over a provider and the Bluetooth radios (see DeviceSetup.h).
#include "platform/DeviceSetup.h"

#include "BluetoothRadios.h"
#include "ModemManager.h"
#include "SystemBus.h"

#include "platform/Bluetooth.h"
#include "platform/CodePage.h"
#include "platform/Utf16.h"
#include "platform/CommPorts.h"
#include "platform/FileSyscalls.h"
#include "platform/Format.h"
#include "platform/LastError.h"

#include <cstddef>
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
  std::vector<platform::SetupDevice> devices() override {
    std::vector<platform::SetupDevice> devices = platform::sysfsSetupDevices();
    for (platform::SetupDevice& modem : platform::modemManagerSetupDevices(platform::systemBusAddress())) {
      devices.push_back(std::move(modem));
    }
    return devices;
  }
};

// Where one interface of a set sits: its device and its place among that
// device's interfaces.
struct InterfaceSlot {
  DWORD device;
  size_t place;
};

// A set: the devices of one class, or of one interface class, at the time it
// was made, and every interface of those devices in device order.
// SP_DEVICE_INTERFACE_DATA.Reserved is an index into `interfaces` plus one.
struct DeviceSet {
  GUID classGuid;
  std::vector<platform::SetupDevice> devices;
  std::vector<InterfaceSlot> interfaces;

  const platform::SetupInterface& interfaceAt(const InterfaceSlot& slot) const {
    return devices[slot.device].interfaces[slot.place];
  }
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

// The interface an SP_DEVICE_INTERFACE_DATA of this set names, or null.
const InterfaceSlot* interfaceOf(HDEVINFO handle, const SP_DEVICE_INTERFACE_DATA* data) {
  DeviceSet* set = lookupSet(handle);
  if (set == nullptr) return nullptr;
  if (data == nullptr || data->Reserved == 0 || data->Reserved > set->interfaces.size()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return &set->interfaces[data->Reserved - 1];
}

bool hasInterface(const platform::SetupDevice& device, const GUID& interfaceClass) {
  for (const platform::SetupInterface& offered : device.interfaces) {
    if (offered.interfaceClass == interfaceClass) return true;
  }
  return false;
}

// The devices a set of `classGuid` draws from: the provider's and, for the
// Bluetooth classes only, the radios (finding the system's radio stack may
// cost a round trip on the system bus, which a port listing should not pay).
std::vector<platform::SetupDevice> candidateDevices(const GUID& classGuid, bool byInterface) {
  std::shared_ptr<platform::DeviceSetupProvider> provider;
  {
    std::lock_guard lock(providerSlot().mutex);
    provider = providerSlot().provider;
  }
  if (!provider) provider = std::make_shared<SysfsProvider>();
  std::vector<platform::SetupDevice> devices = provider->devices();
  const GUID& radioClass = byInterface ? GUID_BTHPORT_DEVICE_INTERFACE : GUID_DEVCLASS_BLUETOOTH;
  if (classGuid == radioClass) {
    for (platform::SetupDevice& radio : platform::bluetoothRadioDevices()) devices.push_back(std::move(radio));
  }
  return devices;
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
  return kClassRoot + guidText(set.devices[index].classGuid) + u"\\" +
         platform::formatText(std::u16string_view(u"%04u"), index);
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

std::u16string platform::deviceInterfacePath(std::u16string_view device, const GUID& interfaceClass) {
  return u"\\\\?\\" + std::u16string(device) + u"#" + guidText(interfaceClass);
}

bool platform::isDeviceInterfacePath(std::u16string_view name) {
  constexpr std::u16string_view kPrefix = u"\\\\?\\";
  return name.size() > kPrefix.size() && name.substr(0, kPrefix.size()) == kPrefix &&
         name.find(u'\\', kPrefix.size()) == std::u16string_view::npos;
}

HANDLE platform::openDeviceInterface(std::u16string_view path) {
  if (HANDLE radio = openBluetoothRadio(path); radio != nullptr) return radio;
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
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
    device.interfaces.push_back({GUID_DEVINTERFACE_COMPORT, u"\\\\.\\" + port});
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

HDEVINFO SetupDiGetClassDevsW(const GUID* classGuid, LPCWSTR /*enumerator*/, HWND /*parent*/, DWORD flags) {
  if (classGuid == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_DEVICE_SET;
  }
  // Every device the system knows is present, so DIGCF_PRESENT changes nothing.
  const bool byInterface = (flags & DIGCF_DEVICEINTERFACE) != 0;
  auto* set = new DeviceSet{*classGuid, {}, {}};
  for (platform::SetupDevice& device : candidateDevices(*classGuid, byInterface)) {
    const bool member = byInterface ? hasInterface(device, *classGuid) : device.classGuid == *classGuid;
    if (member) set->devices.push_back(std::move(device));
  }
  for (DWORD index = 0; index < set->devices.size(); ++index) {
    for (size_t place = 0; place < set->devices[index].interfaces.size(); ++place) {
      set->interfaces.push_back({index, place});
    }
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
  data->ClassGuid = set->devices[index].classGuid;
  data->DevInst = index;
  return TRUE;
}

BOOL SetupDiEnumDeviceInterfaces(HDEVINFO handle, SP_DEVINFO_DATA* device, const GUID* interfaceClass, DWORD index,
                                 SP_DEVICE_INTERFACE_DATA* data) {
  DeviceSet* set = lookupSet(handle);
  if (set == nullptr) return FALSE;
  if (interfaceClass == nullptr || (device != nullptr && device->DevInst >= set->devices.size())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (data == nullptr || data->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  DWORD seen = 0;
  for (size_t slot = 0; slot < set->interfaces.size(); ++slot) {
    const InterfaceSlot& candidate = set->interfaces[slot];
    if (device != nullptr && candidate.device != device->DevInst) continue;
    if (!(set->interfaceAt(candidate).interfaceClass == *interfaceClass)) continue;
    if (seen++ < index) continue;
    data->InterfaceClassGuid = *interfaceClass;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = slot + 1;
    return TRUE;
  }
  SetLastError(ERROR_NO_MORE_ITEMS);
  return FALSE;
}

BOOL SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, SP_DEVICE_INTERFACE_DATA* data,
                                      SP_DEVICE_INTERFACE_DETAIL_DATA_W* detail, DWORD size, DWORD* required,
                                      SP_DEVINFO_DATA* device) {
  const InterfaceSlot* slot = interfaceOf(handle, data);
  if (slot == nullptr) return FALSE;
  if (detail == nullptr ? size != 0 : detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  const DeviceSet& set = *lookupSet(handle);
  const std::u16string& path = set.interfaceAt(*slot).devicePath;
  const size_t pathBytes = (path.size() + 1) * sizeof(WCHAR);
  const size_t bytes = offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + pathBytes;
  if (required != nullptr) *required = static_cast<DWORD>(bytes);
  if (device != nullptr) {
    device->ClassGuid = set.devices[slot->device].classGuid;
    device->DevInst = slot->device;
  }
  if (detail == nullptr || size < bytes) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  // The path runs past the record's one-unit array into the caller's buffer.
  std::memcpy(reinterpret_cast<BYTE*>(detail) + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath), path.c_str(),
              pathBytes);
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
