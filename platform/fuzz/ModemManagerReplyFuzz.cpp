// ModemManager's list of modems as a peer on the system bus may send it: the
// input is a whole D-Bus message in its wire form, read as the reply of
// GetManagedObjects whatever its signature.
#include "ModemManager.h"

#include "FuzzAccepted.h"

#include <dbus/dbus.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1u << 20)) return 0;
  DBusError error;
  dbus_error_init(&error);
  DBusMessage* message = dbus_message_demarshal(reinterpret_cast<const char*>(data), static_cast<int>(size), &error);
  dbus_error_free(&error);
  if (message == nullptr) return 0;
  const auto modems = platform::modemsOfManagedObjects(message);
  if (!modems.empty()) zef::fuzz::noteAccepted();
  for (const platform::ModemManagerModem& modem : modems) {
    if (modem.path.empty()) __builtin_trap();  // every object has its path
  }
  dbus_message_unref(message);
  return 0;
}
