// Serial port enumeration and the COM name arbiter's bitmap.
#include "zefcorek/SerialPortEnumeration.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/WinRegistry.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/DeviceSetup.h"
#include "platform/Format.h"
#include "platform/Registry.h"
#include "platform/Scan.h"
#include "platform/Utf16.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr WCHAR kSerialCommKey[] = u"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr WCHAR kArbiterKey[] = u"SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
constexpr WCHAR kSppClassId[] = u"{00001101-0000-1000-8000-00805f9b34fb}";

// Copies a text into a fixed field, cut to the field and terminated.
template <size_t N>
void copyField(WCHAR (&field)[N], std::u16string_view text) {
  const size_t length = std::min(text.size(), N - 1);
  std::copy_n(text.data(), length, field);
  field[length] = u'\0';
}

// "COMn" (any case) with n in 1..255.
bool parseComName(std::u16string_view text, int* number) {
  char16_t c1 = 0, c2 = 0, c3 = 0;
  int value = 0;
  if (platform::scanText(text, u"%c%c%c%d", &c1, &c2, &c3, &value) != 4) return false;
  if (platform::toUpperUnit(c1) != u'C' || platform::toUpperUnit(c2) != u'O' || platform::toUpperUnit(c3) != u'M')
    return false;
  if (value < 1 || value > 255) return false;
  *number = value;
  return true;
}

// "COMn", or "CNCAn" / "CNCBn" of a null-modem pair, any case.
bool parsePortName(std::u16string_view text, int* number) {
  if (parseComName(text, number)) return true;
  char16_t c1 = 0, c2 = 0, c3 = 0, c4 = 0;
  int value = 0;
  if (platform::scanText(text, u"%c%c%c%c%d", &c1, &c2, &c3, &c4, &value) != 5) return false;
  if (platform::toUpperUnit(c1) != u'C' || platform::toUpperUnit(c2) != u'N' || platform::toUpperUnit(c3) != u'C')
    return false;
  if (platform::toUpperUnit(c4) != u'A' && platform::toUpperUnit(c4) != u'B') return false;
  if (value < 1 || value > 255) return false;
  *number = value;
  return true;
}

// A string value, read as a terminated text even when it fills `maxBytes`.
bool readString(HKEY key, const WCHAR* name, DWORD maxBytes, std::u16string* out) {
  std::u16string buffer(maxBytes / sizeof(WCHAR) + 1, u'\0');
  DWORD size = maxBytes;
  DWORD type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) != ERROR_SUCCESS ||
      type != REG_SZ) {
    return false;
  }
  buffer.resize(std::min<size_t>(size / sizeof(WCHAR), buffer.size() - 1));
  *out = std::u16string(buffer.c_str());
  return true;
}

// A device property as a text (a multi-string gives its first string).
bool readProperty(HDEVINFO set, SP_DEVINFO_DATA* data, DWORD property, DWORD maxBytes, std::u16string* out) {
  std::u16string buffer(maxBytes / sizeof(WCHAR) + 2, u'\0');
  DWORD type = 0;
  DWORD required = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, data, property, &type, reinterpret_cast<BYTE*>(buffer.data()), maxBytes,
                                         &required)) {
    return false;
  }
  if (property != SPDRP_COMPATIBLEIDS && type != REG_SZ) return false;
  *out = std::u16string(buffer.c_str());
  return true;
}

bool listFull(const TSerialPortList& list) { return list.EntryCount >= kMaxSerialPortEntries; }

TSerialPortEntry& appendEntry(TSerialPortList& list, uint32_t sources, int number, std::u16string_view name) {
  TSerialPortEntry& entry = list.Entries[list.EntryCount++];
  entry = TSerialPortEntry{};
  entry.Sources = sources;
  entry.PortNumber = static_cast<uint32_t>(number);
  copyField(entry.PortName, name);
  return entry;
}

// The registry key's full name ends in "\Device Parameters" and the key says
// it belongs to a Bluetooth link.
bool isBluetoothKey(HKEY key) {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IWinRegistryImp, &made, 0) != S_OK) return false;
  const IWinRegistryRef registry = IWinRegistryRef::Adopt(static_cast<IWinRegistry*>(made));
  const std::u16string fullPath(registry->GetKeyFullPath(key).Text());
  constexpr std::u16string_view kSuffix = u"\\Device Parameters";
  if (fullPath.size() < kSuffix.size() ||
      !platform::equalsIgnoreCase(std::u16string_view(fullPath).substr(fullPath.size() - kSuffix.size()), kSuffix)) {
    return false;
  }
  return RegQueryValueExW(key, u"Bluetooth_UniqueID", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::u16string bluetoothLabel(HDEVINFO set, SP_DEVINFO_DATA* data, std::u16string description) {
  const size_t spp = description.find(u"SPP");
  if (spp != std::u16string::npos) {
    description.erase(spp, 3);
    return description + u" (outgoing) SPP";
  }
  std::u16string ids;
  const bool serialProfile = readProperty(set, data, SPDRP_COMPATIBLEIDS, 2048, &ids) &&
                             platform::findUnitsIgnoreCase(ids, kSppClassId) != platform::kNotFound;
  return description + (serialProfile ? u" (outgoing) SPP" : u" (incoming)");
}

// The devices of a set-up class, handed to `visit` with their set.
template <class Visit>
void forEachDevice(const WCHAR* className, Visit visit) {
  DWORD required = 0;
  (void)SetupDiClassGuidsFromNameW(className, nullptr, 0, &required);
  if (required == 0) return;
  std::unique_ptr<GUID[]> guids(new GUID[required]);
  if (!SetupDiClassGuidsFromNameW(className, guids.get(), required, &required)) return;
  const HDEVINFO set = SetupDiGetClassDevsW(&guids[0], nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_DEVICE_SET) return;
  SP_DEVINFO_DATA data{};
  data.cbSize = sizeof data;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &data); ++index) {
    if (!visit(set, &data)) break;
  }
  SetupDiDestroyDeviceInfoList(set);
}

void collectPorts(TSerialPortList& list) {
  forEachDevice(u"Ports", [&](HDEVINFO set, SP_DEVINFO_DATA* data) {
    if (listFull(list)) return false;
    const HKEY key = SetupDiOpenDevRegKey(set, data, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == nullptr) return true;
    std::u16string portName;
    int number = 0;
    if (readString(key, u"PortName", 512, &portName) && parsePortName(portName, &number)) {
      std::u16string description;
      if (!readProperty(set, data, SPDRP_FRIENDLYNAME, 512, &description)) description = portName;
      if (isBluetoothKey(key)) description = bluetoothLabel(set, data, description);
      copyField(appendEntry(list, SERIALPORTS_SERIAL, number, portName).PortDescription, description);
    }
    RegCloseKey(key);
    return true;
  });
}

// The rest of a SERIALCOMM value name as a number: "0x" hexadecimal, else
// decimal; anything that is not a whole number counts as 0.
long suffixNumber(std::u16string_view rest) {
  std::string narrow;
  for (char16_t c : rest) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  const bool hex = narrow.size() > 2 && narrow[0] == '0' && (narrow[1] == 'x' || narrow[1] == 'X');
  const char* digits = narrow.c_str() + (hex ? 2 : 0);
  if (*digits == '\0') return 0;
  char* end = nullptr;
  const long value = std::strtol(digits, &end, hex ? 16 : 10);
  return (*end == '\0' && value > 0) ? value : 0;
}

void collectSerialCommMap(TSerialPortList& list) {
  HKEY map = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &map) != ERROR_SUCCESS) return;
  static constexpr struct {
    std::u16string_view prefix;
    const WCHAR* description;
  } kVirtualPorts[] = {{u"\\Device\\VSPE_SERIAL", u"VSPE - Virtual Serial Port"},
                       {u"\\Device\\bizVSerial", u"Franson GpsGate - Virtual Serial Port"}};
  for (DWORD index = 0; !listFull(list); ++index) {
    WCHAR name[256];
    DWORD nameLength = 256;
    WCHAR data[513] = {};
    DWORD size = 1024;
    DWORD type = 0;
    const LONG result =
        RegEnumValueW(map, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    const std::u16string_view valueName(name, nameLength);
    for (const auto& port : kVirtualPorts) {
      // Registry names compare as the registry does: with the system's case fold.
      if (!platform::startsWithIgnoreCase(valueName, port.prefix)) continue;
      const long number = suffixNumber(valueName.substr(port.prefix.size()));
      if (number < 1) break;
      copyField(appendEntry(list, SERIALPORTS_SERIAL, static_cast<int>(number), data).PortDescription,
                port.description);
      break;
    }
  }
  RegCloseKey(map);
}

void collectModems(TSerialPortList& list) {
  forEachDevice(u"Modem", [&](HDEVINFO set, SP_DEVINFO_DATA* data) {
    if (listFull(list)) return false;
    const HKEY key = SetupDiOpenDevRegKey(set, data, DICS_FLAG_GLOBAL, 0, DIREG_DRV, KEY_READ);
    if (key == nullptr) return true;
    std::u16string attachedTo;
    int number = 0;
    if (readString(key, u"AttachedTo", 512, &attachedTo) && parseComName(attachedTo, &number)) {
      std::u16string description;
      if (!readProperty(set, data, SPDRP_DEVICEDESC, 512, &description)) description = attachedTo;
      copyField(appendEntry(list, SERIALPORTS_MODEM, number, attachedTo).ModemDescription, description);
    }
    RegCloseKey(key);
    return true;
  });
}

// Neighbours of one number whose views differ become one entry; a second
// serial view of a number is kept apart and flagged.
void joinViews(TSerialPortList& list) {
  for (uint32_t i = 0; list.EntryCount > 0 && i < list.EntryCount - 1; ++i) {
    TSerialPortEntry& first = list.Entries[i];
    TSerialPortEntry& second = list.Entries[i + 1];
    if (first.PortNumber != second.PortNumber) continue;
    if ((first.Sources & second.Sources) != 0) {
      list.ListFlags |= 1;
      continue;
    }
    const TSerialPortEntry& serial = (first.Sources & SERIALPORTS_SERIAL) ? first : second;
    const TSerialPortEntry& modem = (first.Sources & SERIALPORTS_SERIAL) ? second : first;
    TSerialPortEntry joined{};
    joined.Sources = first.Sources | second.Sources;
    joined.PortNumber = first.PortNumber;
    std::copy(std::begin(first.PortName), std::end(first.PortName), joined.PortName);
    std::copy(std::begin(serial.PortDescription), std::end(serial.PortDescription), joined.PortDescription);
    std::copy(std::begin(modem.ModemDescription), std::end(modem.ModemDescription), joined.ModemDescription);
    first = joined;
    std::move(list.Entries + i + 2, list.Entries + list.EntryCount, list.Entries + i + 1);
    --list.EntryCount;
  }
}

}  // namespace

bool zefCoreKFindSerialPorts(uint32_t what, TSerialPortList* out) {
  if (out == nullptr) return false;
  std::memset(out, 0, sizeof *out);
  if (what & SERIALPORTS_SERIAL) {
    collectPorts(*out);
    collectSerialCommMap(*out);
  }
  if (what & SERIALPORTS_MODEM) collectModems(*out);
  std::stable_sort(out->Entries, out->Entries + out->EntryCount,
                   [](const TSerialPortEntry& a, const TSerialPortEntry& b) {
                     if (a.PortNumber != b.PortNumber) return a.PortNumber < b.PortNumber;
                     return a.Sources < b.Sources;
                   });
  joinViews(*out);
  return true;
}

void zefCoreKFillSerialPortsCombo(IPortListControl* combo) {
  if (combo == nullptr) return;
  auto list = std::make_unique<TSerialPortList>();
  (void)zefCoreKFindSerialPorts(SERIALPORTS_SERIAL | SERIALPORTS_MODEM, list.get());
  combo->BeginUpdate();
  combo->Clear();
  combo->SetItemIndex(-1);
  for (uint32_t i = 0; i < list->EntryCount; ++i) {
    const TSerialPortEntry& entry = list->Entries[i];
    const auto number = static_cast<int32_t>(entry.PortNumber);
    std::u16string line;
    switch (entry.Sources & 3) {
      case 3:
        line = platform::formatText(std::u16string_view(u" COM%-3d : %s @ %s"), number, entry.ModemDescription,
                                    entry.PortDescription);
        break;
      case 1: line = platform::formatText(std::u16string_view(u" COM%-3d : %s"), number, entry.PortDescription); break;
      case 2: line = platform::formatText(std::u16string_view(u" COM%-3d : %s"), number, entry.ModemDescription); break;
      default: continue;
    }
    combo->AddItem(line.c_str(), number);
  }
  combo->EndUpdate();
}

int zefCoreKGetPortIndexInPortsCombo(IPortListControl* combo, int port) {
  if (port < 1 || combo == nullptr || combo->Count() == 0) return -1;
  for (int i = 0; i < combo->Count(); ++i) {
    if (combo->ItemPort(i) == port) return i;
  }
  return -1;
}

bool zefCoreKAllocCOMDBArbiterData(TComDBArbiterData** out, uint32_t bits) {
  if (out == nullptr) return false;
  bits = std::max<uint32_t>(bits, 64);
  bits = (bits + 7) / 8 * 8;
  const uint32_t total = bits / 8 + 11;
  auto* data = static_cast<TComDBArbiterData*>(std::calloc(1, std::max<size_t>(total, sizeof(TComDBArbiterData))));
  if (data == nullptr) {
    *out = nullptr;
    return false;
  }
  data->TotalSize = total;
  data->BitCount = bits;
  *out = data;
  return true;
}

bool zefCoreKFreeCOMDBArbiterData(TComDBArbiterData* data) {
  if (data == nullptr) return false;
  std::free(data);
  return true;
}

bool zefCoreKGetCOMDBArbiterData(TComDBArbiterData** out) {
  if (out == nullptr) return false;
  *out = nullptr;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kArbiterKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = 0;
  bool done = false;
  if (RegQueryValueExW(key, u"ComDB", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_BINARY &&
      size > 0 && zefCoreKAllocCOMDBArbiterData(out, std::max<uint32_t>(size * 8, 256))) {
    DWORD room = (*out)->BitCount / 8;
    done = RegQueryValueExW(key, u"ComDB", nullptr, nullptr, (*out)->Bitmap, &room) == ERROR_SUCCESS;
    if (!done) {
      zefCoreKFreeCOMDBArbiterData(*out);
      *out = nullptr;
    }
  }
  RegCloseKey(key);
  return done;
}

bool zefCoreKSetCOMDBArbiterData(const TComDBArbiterData* data) {
  if (data == nullptr || data->BitCount == 0) return false;
  // The key is the system's: a missing one is not made here.
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kArbiterKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return false;
  const bool written =
      RegSetValueExW(key, u"ComDB", 0, REG_BINARY, data->Bitmap, (data->BitCount + 7) / 8) == ERROR_SUCCESS;
  RegCloseKey(key);
  return written;
}
