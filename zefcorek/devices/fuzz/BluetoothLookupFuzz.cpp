// A service search as a host may begin it: the address text of its context
// and its restriction blob come from the caller. The input is the context
// text up to the first NUL byte, then the blob; what begins must also walk
// to its end.
#include "platform/BluetoothFake.h"
#include "platform/BluetoothLookup.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static platform::FakeBluetoothBackend* fake = [] {
    auto* made = new platform::FakeBluetoothBackend();
    platform::FakeBluetoothDevice device;
    device.address = 0xA1B2C3D4E5F6ull;
    device.services = {0x1101};
    made->devices.push_back(device);
    platform::installBluetoothBackend(made);
    return made;
  }();
  (void)fake;
  size_t split = 0;
  while (split < size && data[split] != 0) ++split;
  std::u16string context(data, data + split);
  std::vector<uint8_t> blobBytes(data + std::min(size, split + 1), data + size);
  BLOB blob{static_cast<ULONG>(blobBytes.size()), blobBytes.empty() ? nullptr : blobBytes.data()};
  WSAQUERYSETW restrictions{};
  restrictions.dwSize = sizeof restrictions;
  restrictions.dwNameSpace = NS_BTH;
  restrictions.lpszContext = context.data();
  restrictions.lpBlob = &blob;
  HANDLE_LOOKUP lookup = nullptr;
  if (WSALookupServiceBeginW(&restrictions, LUP_FLUSHCACHE, &lookup) != 0) return 0;
  zef::fuzz::noteAccepted();
  std::vector<uint8_t> buffer(8192);
  for (int i = 0; i < 4; ++i) {
    DWORD length = static_cast<DWORD>(buffer.size());
    if (WSALookupServiceNextW(lookup, LUP_RETURN_ALL, &length, reinterpret_cast<WSAQUERYSETW*>(buffer.data())) != 0) {
      break;
    }
  }
  (void)WSALookupServiceEnd(lookup);
  return 0;
}
