// The system bus's address (see SystemBus.h).
#include "SystemBus.h"

#include "platform/FileSyscalls.h"

#include <sys/stat.h>

#include <cstdlib>

std::string platform::systemBusAddress() {
  const char* configured = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  if (configured != nullptr && *configured != 0) return configured;
  return "unix:path=/run/dbus/system_bus_socket";
}

bool platform::busSocketExists(const std::string& address) {
  const std::string prefix = "unix:path=";
  if (address.compare(0, prefix.size(), prefix) != 0) return true;
  std::string path = address.substr(prefix.size());
  path = path.substr(0, path.find(','));
  struct stat status {};
  return platform::fileSyscalls().stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}
