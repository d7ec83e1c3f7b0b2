// The Bluetooth function table, the address text, the device exports, the
// radio mode and the radio helper.
#include "BthPropsTable.h"

#include "zefcorek/BluetoothUtilities.h"
#include "zefcorek/ClassMakers.h"

#include "textrum/CLWideStr.h"
#include "textrum/CLxxStrArray.h"
#include "textrum/LStrSplit.h"

#include "platform/DeviceSetup.h"
#include "platform/Handles.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

using zefcorek::devices::TBthPropsDLL;
namespace dev = zefcorek::devices;

// The names of rows 0-21, in row order.
constexpr const char* kRowNames[dev::kBthPropsRows] = {
    "BluetoothFindFirstRadio", "BluetoothFindNextRadio", "BluetoothFindRadioClose",
    "BluetoothGetRadioInfo", "BluetoothIsDiscoverable", "BluetoothEnableDiscovery",
    "BluetoothIsConnectable", "BluetoothEnableIncomingConnections", "BluetoothGetDeviceInfo",
    "BluetoothSelectDevices", "BluetoothSelectDevicesFree", "BluetoothRegisterForAuthentication",
    "BluetoothRegisterForAuthenticationEx", "BluetoothUnregisterAuthentication",
    "BluetoothSendAuthenticationResponse", "BluetoothSendAuthenticationResponseEx",
    "BluetoothAuthenticateDevice", "BluetoothAuthenticateDeviceEx", "BluetoothRemoveDevice",
    "BluetoothDisplayDeviceProperties", "BthpIsRadioSoftwareEnabled", "BthpEnableRadioSoftware"};

// The platform's device record (560 bytes).
struct BLUETOOTH_DEVICE_INFO {
  DWORD dwSize;
  uint64_t Address;
  ULONG ulClassofDevice;
  BOOL fConnected;
  BOOL fRemembered;
  BOOL fAuthenticated;
  SYSTEMTIME stLastSeen;
  SYSTEMTIME stLastUsed;
  WCHAR szName[248];
};
static_assert(sizeof(BLUETOOTH_DEVICE_INFO) == 560);

using IsFlagFunction = BOOL (*)(HANDLE radio);
using EnableFunction = BOOL (*)(HANDLE radio, BOOL enabled);
using RemoveDeviceFunction = DWORD (*)(const uint64_t* address);
using DisplayPropertiesFunction = BOOL (*)(HWND parent, BLUETOOTH_DEVICE_INFO* device);

constexpr GUID GUID_BTHPORT_DEVICE_INTERFACE = {0x0850302A, 0xB344, 0x4FDA,
                                                {0x9B, 0xE9, 0x90, 0x57, 0x6B, 0x8D, 0x46, 0xF0}};

// The first radio of the machine; null (E_FAIL for the caller) when there is
// none. The device set-up lists no radios where no back end offers them.
HANDLE openFirstRadio() {
  const HDEVINFO set = SetupDiGetClassDevsW(&GUID_BTHPORT_DEVICE_INTERFACE, nullptr, nullptr,
                                            DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set == INVALID_DEVICE_SET) return nullptr;
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  const bool found = SetupDiEnumDeviceInfo(set, 0, &data);
  SetupDiDestroyDeviceInfoList(set);
  // Radio handles come only from a back end's device interface.
  (void)found;
  return nullptr;
}

// The class of device packed from its fields, each cut to its width.
ULONG packClassOfDevice(const TBluetoothScannerResEntry& entry) {
  return ((entry.MinorClass & 0x3F) << 2) | ((entry.MajorClass & 0x1F) << 8) |
         ((entry.ServiceClasses & 0x7FF) << 13);
}

class IBluetoothHelperImp final : public IStdInterfaceImp, public virtual IBluetoothHelper {
public:
  IStdInterface* CastToTopInterface() override { return static_cast<IBluetoothHelper*>(this); }

  int GetRadioState() override {
    uint32_t mode = 0;
    if (GetRadioMode(&mode) != S_OK) return 2;
    return mode == 1 ? 1 : 0;
  }

  int EnableRadio(bool on) override { return SetRadioMode(on ? 2 : 1) == S_OK ? 0 : 2; }
};

}  // namespace

void zefcorek::devices::LoadBthPropsDLL(TBthPropsDLL& table) {
  table = TBthPropsDLL{};
  table.BthProps = LoadLibraryW(u"bthprops.cpl");
  if (table.BthProps) {
    for (int row = 0; row < kIsRadioSoftwareEnabled; ++row) {
      table.Functions[row] = GetProcAddress(table.BthProps, kRowNames[row]);
    }
  }
  table.BluetoothApis = LoadLibraryW(u"bluetoothapis.dll");
  if (table.BluetoothApis) {
    for (int row = kIsRadioSoftwareEnabled; row < kBthPropsRows; ++row) {
      table.Functions[row] = GetProcAddress(table.BluetoothApis, kRowNames[row]);
    }
  }
}

void zefcorek::devices::FreeBthPropsDLL(TBthPropsDLL& table) {
  if (table.BluetoothApis) FreeLibrary(table.BluetoothApis);
  if (table.BthProps) FreeLibrary(table.BthProps);
  table = TBthPropsDLL{};
}

const TBthPropsDLL* zefcorek::devices::EnsureBthPropsDLL() {
  // Kept for the life of the process; its modules are never freed.
  static const TBthPropsDLL* table = [] {
    auto* made = new (std::nothrow) TBthPropsDLL{};
    if (made) LoadBthPropsDLL(*made);
    return static_cast<const TBthPropsDLL*>(made);
  }();
  return table;
}

int32_t BTDeviceAddressToString(uint64_t address, WCHAR* text) {
  if (text == nullptr) return 10;
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  WCHAR* out = text;
  *out++ = u'(';
  for (int byte = 5; byte >= 0; --byte) {
    const auto value = static_cast<unsigned>((address >> (byte * 8)) & 0xFF);
    *out++ = kHex[value >> 4];
    *out++ = kHex[value & 0xF];
    *out++ = byte > 0 ? u':' : u')';
  }
  *out = u'\0';
  return 0;
}

HRESULT BTDeviceAddressFromString(const WCHAR* text, uint64_t* address) {
  if (address == nullptr) return E_INVALIDARG;
  *address = 0;
  if (text == nullptr) return E_INVALIDARG;
  std::u16string copy(text);
  if (!copy.empty() && copy.front() == u'(') copy.erase(0, 1);
  if (!copy.empty() && copy.back() == u')') copy.pop_back();
  CLWideStrArray fields;
  if (SplitBySepExW(CLWideStr(copy), u':', fields, /*trim=*/true) != 6) return E_FAIL;
  for (int i = 0; i < 6; ++i) {
    // "0x" + the field: a field that brings its own prefix would read as
    // "0x0x..", which is no number (the integer reader here would take the
    // second prefix, so it is refused before).
    const std::u16string_view field = fields[i]->Text();
    if (field.size() >= 2 && field[0] == u'0' && (field[1] == u'x' || field[1] == u'X')) return E_FAIL;
    const CLWideStr hex(u"0x" + std::u16string(field));
    const int32_t value = hex.ToIntDef(-1);
    if (value < 0 || value > 255) return E_FAIL;
    *address |= static_cast<uint64_t>(value) << ((5 - i) * 8);
  }
  return S_OK;
}

HRESULT RemoveUnpairBluetoothDevice(uint64_t address) {
  const TBthPropsDLL* table = dev::EnsureBthPropsDLL();
  if (table == nullptr) return E_FAIL;
  const auto remove = table->get<RemoveDeviceFunction>(dev::kRemoveDevice);
  if (remove == nullptr) return E_FAIL;
  return static_cast<HRESULT>(remove(&address));
}

HRESULT DisplayBluetoothDeviceProperties(HWND parent, const TBluetoothScannerResEntry* entry) {
  const TBthPropsDLL* table = dev::EnsureBthPropsDLL();
  if (table == nullptr) return E_FAIL;
  if (entry == nullptr) return E_INVALIDARG;
  const auto display = table->get<DisplayPropertiesFunction>(dev::kDisplayDeviceProperties);
  if (display == nullptr) return E_FAIL;
  BLUETOOTH_DEVICE_INFO device{};
  device.dwSize = sizeof device;
  const WCHAR* end = std::find(std::begin(entry->RemoteAddress), std::end(entry->RemoteAddress), u'\0');
  const std::u16string remote(entry->RemoteAddress, end);
  if (BTDeviceAddressFromString(remote.c_str(), &device.Address) != S_OK) return E_FAIL;
  device.ulClassofDevice = packClassOfDevice(*entry);
  device.fConnected = entry->Connected ? TRUE : FALSE;
  device.fRemembered = entry->Remembered ? TRUE : FALSE;
  device.fAuthenticated = entry->Paired ? TRUE : FALSE;
  const WCHAR* nameEnd = std::find(std::begin(entry->Name), std::end(entry->Name), u'\0');
  const size_t nameLength = std::min<size_t>(nameEnd - entry->Name, 247);
  std::copy_n(entry->Name, nameLength, device.szName);
  return static_cast<HRESULT>(display(parent, &device));
}

HRESULT GetRadioMode(uint32_t* mode) {
  if (mode == nullptr) return E_INVALIDARG;
  *mode = 0;
  const TBthPropsDLL* table = dev::EnsureBthPropsDLL();
  if (table == nullptr) return E_FAIL;
  // A missing function counts as answering false.
  const auto ask = [&](dev::BthPropsRow row) {
    const auto function = table->get<IsFlagFunction>(row);
    return function != nullptr && function(nullptr) != FALSE;
  };
  if (ask(dev::kIsDiscoverable)) {
    *mode = 3;
  } else if (ask(dev::kIsConnectable)) {
    *mode = 2;
  } else {
    *mode = 1;
  }
  return S_OK;
}

HRESULT SetRadioMode(uint32_t mode) {
  // The mode is checked first, so a bad one is refused on every machine.
  if (mode < 1 || mode > 3) return E_INVALIDARG;
  const TBthPropsDLL* table = dev::EnsureBthPropsDLL();
  if (table == nullptr) return E_FAIL;
  const HANDLE radio = openFirstRadio();
  if (radio == nullptr) return E_FAIL;
  const auto incoming = table->get<EnableFunction>(dev::kEnableIncomingConnections);
  const auto discovery = table->get<EnableFunction>(dev::kEnableDiscovery);
  bool done = incoming != nullptr && incoming(radio, mode != 1 ? TRUE : FALSE) != FALSE;
  if (done && mode == 3) done = discovery != nullptr && discovery(radio, TRUE) != FALSE;
  CloseHandle(radio);
  return done ? S_OK : E_FAIL;
}

void* zefcorek::makeIBluetoothHelperImp(intptr_t) {
  return static_cast<IBluetoothHelper*>(new (std::nothrow) IBluetoothHelperImp());
}
