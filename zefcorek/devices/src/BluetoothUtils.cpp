// Device addresses as text, the exported device operations, the radio mode
// and the radio helper.
#include "BluetoothUtils.h"

#include "BthPropsDLL.h"

#include "zefcorek/ClassMakers.h"
#include "zefcorek/StdInterface.h"

#include "textrum/CLWideStr.h"
#include "textrum/CLxxStrArray.h"
#include "textrum/LStrSplit.h"

#include "platform/DeviceSetup.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Handles.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

using zefcorek::devices::TBthPropsDLL;

namespace {

constexpr int kAddressBytes = 6;
// The buffer the first radio's interface detail is read into.
constexpr size_t kInterfaceDetailBytes = 1024;

bool isHexDigit(char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f'); }

// The process-wide table, or null when it could not be made.
const TBthPropsDLL* processTable() {
  if (!zefcorek::devices::EnsureBthPropsDLL()) return nullptr;
  return &zefcorek::devices::processBthPropsDLL();
}

}  // namespace

int BTDeviceAddressToString(uint64_t address, WCHAR* text) {
  if (text == nullptr) return 10;
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  WCHAR* out = text;
  *out++ = u'(';
  for (int byte = kAddressBytes - 1; byte >= 0; --byte) {
    const unsigned value = (address >> (8 * byte)) & 0xFF;
    *out++ = kDigits[value >> 4];
    *out++ = kDigits[value & 0xF];
    *out++ = byte == 0 ? u')' : u':';
  }
  *out = 0;
  return 0;
}

// Each field is read as "0x" + field, so a field that already carries the
// prefix does not read, and neither does an empty one. The number reader
// would take a second prefix or a sign after the first, so a field must be
// hexadecimal digits only.
HRESULT BTDeviceAddressFromString(const WCHAR* text, uint64_t* address) {
  if (address == nullptr) return E_INVALIDARG;
  *address = 0;
  if (text == nullptr) return E_INVALIDARG;
  std::u16string copy(text);
  if (!copy.empty() && copy.front() == u'(') copy.erase(0, 1);
  if (!copy.empty() && copy.back() == u')') copy.pop_back();

  CLWideStrArray fields;
  if (SplitBySepExW(CLWideStr(copy), u':', fields, /*trim=*/true) != kAddressBytes) return E_FAIL;
  for (int i = 0; i < kAddressBytes; ++i) {
    const std::u16string_view field = fields[i]->Text();
    if (!std::all_of(field.begin(), field.end(), isHexDigit)) return E_FAIL;
    const CLWideStr prefixed(u"0x" + std::u16string(field));
    const int value = prefixed.ToIntDef(-1);
    if (value < 0 || value > 0xFF) return E_FAIL;
    *address |= static_cast<uint64_t>(value) << (8 * (kAddressBytes - 1 - i));
  }
  return S_OK;
}

HRESULT RemoveUnpairBluetoothDevice(uint64_t address) {
  const TBthPropsDLL* table = processTable();
  if (table == nullptr || table->RemoveDevice == nullptr) return E_FAIL;
  BLUETOOTH_ADDRESS record{};
  record.ullLong = address;
  return static_cast<HRESULT>(table->RemoveDevice(&record));
}

HRESULT DisplayBluetoothDeviceProperties(HWND parent, const TBluetoothScannerResEntry* entry) {
  const TBthPropsDLL* table = processTable();
  if (table == nullptr) return E_FAIL;
  if (entry == nullptr) return E_INVALIDARG;
  if (table->DisplayDeviceProperties == nullptr) return E_FAIL;
  BLUETOOTH_DEVICE_INFO info;
  if (zefcorek::devices::EntryToDeviceInfo(*entry, info) != S_OK) return E_FAIL;
  return table->DisplayDeviceProperties(parent, &info);
}

zefcorek::devices::DeviceClassFields zefcorek::devices::splitClassOfDevice(uint32_t classOfDevice) {
  return {(classOfDevice >> 8) & 0x1F, (classOfDevice >> 2) & 0x3F, (classOfDevice >> 13) & 0x7FF};
}

uint32_t zefcorek::devices::packClassOfDevice(const DeviceClassFields& fields) {
  return ((fields.minor & 0x3F) << 2) | ((fields.major & 0x1F) << 8) | ((fields.services & 0x7FF) << 13);
}

HRESULT zefcorek::devices::EntryToDeviceInfo(const TBluetoothScannerResEntry& entry, BLUETOOTH_DEVICE_INFO& info) {
  std::memset(&info, 0, sizeof info);
  info.dwSize = sizeof info;
  uint64_t address = 0;
  if (BTDeviceAddressFromString(entry.RemoteAddress, &address) != S_OK) return E_FAIL;
  info.Address.ullLong = address;
  info.ulClassofDevice = packClassOfDevice({entry.MajorDeviceClass, entry.MinorDeviceClass, entry.ServiceClasses});
  info.fConnected = entry.Connected != 0;
  info.fRemembered = entry.Remembered != 0;
  info.fAuthenticated = entry.Paired != 0;
  const size_t length = std::min(std::char_traits<char16_t>::length(entry.Name), BLUETOOTH_MAX_NAME_SIZE - 1);
  std::memcpy(info.szName, entry.Name, length * sizeof(WCHAR));
  return S_OK;
}

// The first radio's interface, as the device set-up functions list the
// radio interface class, opened through its device path.
HANDLE zefcorek::devices::OpenFirstRadio() {
  const HDEVINFO set =
      SetupDiGetClassDevsW(&GUID_BTHPORT_DEVICE_INTERFACE, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_DEVICE_SET) return nullptr;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  SP_DEVICE_INTERFACE_DATA radioInterface{};
  radioInterface.cbSize = sizeof radioInterface;
  alignas(SP_DEVICE_INTERFACE_DETAIL_DATA_W) BYTE buffer[kInterfaceDetailBytes] = {};
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer);
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  HANDLE radio = nullptr;
  if (SetupDiEnumDeviceInfo(set, 0, &device) &&
      SetupDiEnumDeviceInterfaces(set, &device, &GUID_BTHPORT_DEVICE_INTERFACE, 0, &radioInterface) &&
      SetupDiGetDeviceInterfaceDetailW(set, &radioInterface, detail, sizeof buffer, nullptr, nullptr)) {
    const HANDLE opened = CreateFileW(detail->DevicePath, GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (opened != INVALID_HANDLE_VALUE) radio = opened;
  }
  (void)SetupDiDestroyDeviceInfoList(set);
  return radio;
}

HRESULT zefcorek::devices::GetRadioMode(uint32_t* mode) {
  if (mode == nullptr) return E_INVALIDARG;
  *mode = 0;
  const TBthPropsDLL* table = processTable();
  if (table == nullptr) return E_FAIL;
  if (table->IsDiscoverable != nullptr && table->IsDiscoverable(nullptr)) {
    *mode = 3;
  } else if (table->IsConnectable != nullptr && table->IsConnectable(nullptr)) {
    *mode = 2;
  } else {
    *mode = 1;
  }
  return S_OK;
}

// The mode is checked before the radio is opened, so a wrong mode is
// E_INVALIDARG on every machine.
HRESULT zefcorek::devices::SetRadioMode(uint32_t mode) {
  const TBthPropsDLL* table = processTable();
  if (table == nullptr) return E_FAIL;
  if (mode < 1 || mode > 3) return E_INVALIDARG;
  HANDLE radio = OpenFirstRadio();
  if (radio == nullptr) return E_FAIL;
  HRESULT result = E_FAIL;
  if (table->EnableIncomingConnections != nullptr &&
      table->EnableIncomingConnections(radio, mode == 1 ? FALSE : TRUE)) {
    result = S_OK;
    if (mode == 3 && (table->EnableDiscovery == nullptr || !table->EnableDiscovery(radio, TRUE))) {
      result = E_FAIL;
    }
  }
  (void)CloseHandle(radio);
  return result;
}

namespace {

class IBluetoothHelperImp final : public IStdInterfaceImp, public virtual IBluetoothHelper {
public:
  IStdInterface* CastToTopInterface() override { return static_cast<IBluetoothHelper*>(this); }

  int GetRadioState() override {
    uint32_t mode = 0;
    if (zefcorek::devices::GetRadioMode(&mode) != S_OK) return 2;
    return mode == 1 ? 1 : 0;
  }

  int EnableRadio(bool on) override { return zefcorek::devices::SetRadioMode(on ? 2 : 1) == S_OK ? 0 : 2; }
};

}  // namespace

void* zefcorek::makeIBluetoothHelperImp(intptr_t) {
  return static_cast<IBluetoothHelper*>(new (std::nothrow) IBluetoothHelperImp());
}
