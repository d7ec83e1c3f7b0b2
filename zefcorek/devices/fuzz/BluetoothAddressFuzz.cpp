// Device address text from hosts and the radio stack: reading must never
// go past the text, and what reads must write back to the same address.
#include "zefcorek/Bluetooth.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzAccepted.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One character per byte: the address alphabet is ASCII.
  std::u16string text;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0) text.push_back(static_cast<char16_t>(data[i]));
  }
  uint64_t address = 0;
  if (BTDeviceAddressFromString(text.c_str(), &address) != S_OK) return 0;
  zef::fuzz::noteAccepted();
  WCHAR written[20];
  (void)BTDeviceAddressToString(address, written);
  uint64_t again = 1;
  if (BTDeviceAddressFromString(written, &again) != S_OK || again != address) std::abort();
  return 0;
}
