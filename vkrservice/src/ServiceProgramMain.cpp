// vkrservice: the program's start. It answers its own switches first, then
// hands over to the service framework.
//
//   /isinstalled   exit code 1 when the service is registered, else 0
//   /install       registers the service (nothing when it already is)
//   /uninstall     removes the service (nothing when it is not registered)
//   /fix           stops the service, waits for the stop, starts it again
//
// The switches are compared exactly, case and all; anything else goes to
// the framework, which runs the service when the service manager started
// the program.
#include "VKRServ.h"

#include "platform/Processes.h"
#include "platform/ServiceManager.h"

#include <cstdio>
#include <exception>
#include <string_view>

namespace {

// How long the repair waits for the stop before it starts the service again.
constexpr DWORD kStopWaitMs = 40000;

bool isServiceInstalled() {
  SC_HANDLE manager = OpenSCManagerW(
      nullptr, u"ServicesActive",
      STANDARD_RIGHTS_READ | SC_MANAGER_CONNECT | SC_MANAGER_ENUMERATE_SERVICE | SC_MANAGER_QUERY_LOCK_STATUS);
  if (!manager) return false;
  SC_HANDLE service = OpenServiceW(manager, kServiceName, READ_CONTROL | SERVICE_USER_DEFINED_CONTROL);
  const bool installed = service != nullptr;
  if (service) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return installed;
}

// Stops the service and starts it again through the service-control tool.
// The start waits (bounded) for the stop to finish: started while the old
// instance still listens, it would find the service running and do
// nothing, leaving it stopped.
void repairService() {
  // Whether the stop worked shows in the start: a service still running is
  // left as it is.
  platform::runServiceControlTool("stop", kServiceName, kStopWaitMs);
  platform::runServiceControlTool("start", kServiceName, /*waitMs=*/0);
}

int runFrameworkStart() {
  TServiceApplication& application = ServiceApplication();
  if (!application.DelayInitialize || application.Installing()) application.Initialize();
  application.CreateForm(VKRServ);
  application.Run();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc > 1) {
      const std::string_view first = argv[1];
      if (first == "/isinstalled") return isServiceInstalled() ? 1 : 0;
      if (first == "/install" && isServiceInstalled()) return 0;
      if (first == "/uninstall" && !isServiceInstalled()) return 0;
      if (first == "/fix") {
        repairService();
        return 0;
      }
    }
    return runFrameworkStart();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "VKRServ: %s\n", error.what());
  } catch (...) {
    std::fprintf(stderr, "VKRServ: unknown exception\n");
  }
  return 0;
}
