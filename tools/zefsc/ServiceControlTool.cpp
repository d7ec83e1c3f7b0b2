// zefsc: starts, stops, queries, controls, installs and removes services of
// the platform's service manager. "net start NAME" and "net stop NAME" of
// the programs end up here (see platform/Processes.h).
//
//   zefsc start NAME               start, then wait until it runs
//   zefsc stop NAME                stop, then wait until it has stopped
//   zefsc query NAME               print the state
//   zefsc control NAME CODE        send a control code (128 to 255)
//   zefsc install NAME DISPLAY PROGRAM [GROUP]
//   zefsc delete NAME
//
// Both waits are bounded ($ZEF_SC_TIMEOUT_MS, default 30000). Exit status:
// 0 done (also for starting a running or stopping a stopped service),
// 1 failed, 2 usage.
#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/ServiceManager.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

DWORD waitLimitMs() {
  const char* text = std::getenv("ZEF_SC_TIMEOUT_MS");
  if (!text || !*text) return 30000;
  return static_cast<DWORD>(std::strtoul(text, nullptr, 10));
}

const char* stateName(DWORD state) {
  switch (state) {
    case SERVICE_STOPPED: return "STOPPED";
    case SERVICE_START_PENDING: return "START_PENDING";
    case SERVICE_STOP_PENDING: return "STOP_PENDING";
    case SERVICE_RUNNING: return "RUNNING";
    case SERVICE_CONTINUE_PENDING: return "CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING: return "PAUSE_PENDING";
    case SERVICE_PAUSED: return "PAUSED";
    default: return "UNKNOWN";
  }
}

int fail(const std::string& what) {
  std::fprintf(stderr, "zefsc: %s (error %u)\n", what.c_str(), GetLastError());
  return kFailed;
}

// Polls the state until it is `wanted`, at most the wait limit.
bool waitForState(SC_HANDLE service, DWORD wanted) {
  const ULONGLONG deadline = GetTickCount64() + waitLimitMs();
  while (true) {
    SERVICE_STATUS status{};
    if (QueryServiceStatus(service, &status) && status.dwCurrentState == wanted) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(100);
  }
}

DWORD currentState(SC_HANDLE service) {
  SERVICE_STATUS status{};
  return QueryServiceStatus(service, &status) ? status.dwCurrentState : 0;
}

int startService(SC_HANDLE service, const std::string& name) {
  if (currentState(service) == SERVICE_RUNNING) {
    std::printf("%s is already running\n", name.c_str());
    return kDone;
  }
  if (!StartServiceW(service, 0, nullptr)) return fail("cannot start " + name);
  if (!waitForState(service, SERVICE_RUNNING)) return fail(name + " did not report running in time");
  std::printf("%s started\n", name.c_str());
  return kDone;
}

int stopService(SC_HANDLE service, const std::string& name) {
  SERVICE_STATUS status{};
  if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    if (GetLastError() == ERROR_SERVICE_NOT_ACTIVE) {
      std::printf("%s is not running\n", name.c_str());
      return kDone;
    }
    return fail("cannot stop " + name);
  }
  if (!waitForState(service, SERVICE_STOPPED)) return fail(name + " did not stop in time");
  std::printf("%s stopped\n", name.c_str());
  return kDone;
}

int controlService(SC_HANDLE service, const std::string& name, const char* codeText) {
  char* end = nullptr;
  const unsigned long code = std::strtoul(codeText, &end, 10);
  if (!end || *end || code < 128 || code > 255) {
    std::fprintf(stderr, "zefsc: control codes are 128 to 255\n");
    return kUsage;
  }
  SERVICE_STATUS status{};
  if (!ControlService(service, static_cast<DWORD>(code), &status)) return fail("control refused by " + name);
  return kDone;
}

int installService(SC_HANDLE manager, int argc, char** argv) {
  const std::u16string name = platform::ansiToWideLenient(argv[2]);
  const std::u16string display = platform::ansiToWideLenient(argv[3]);
  // Built by appending: g++ 12 at -O3 warns falsely (-Wrestrict) on
  // `literal + std::u16string + literal` here.
  std::u16string program = u"\"";
  program += platform::windowsPath(argv[4]);
  program += u'"';
  SC_HANDLE service = CreateServiceW(manager, name.c_str(), display.c_str(), SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                     program.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
  if (!service) return fail(std::string("cannot install ") + argv[2]);
  const bool grouped = argc < 6 || platform::setServiceControlGroup(service, argv[5]);
  CloseServiceHandle(service);
  return grouped ? kDone : fail("cannot set the control group");
}

int usage() {
  std::fprintf(stderr,
               "usage: zefsc start|stop|query|delete NAME\n"
               "       zefsc control NAME CODE\n"
               "       zefsc install NAME DISPLAY PROGRAM [GROUP]\n");
  return kUsage;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  const std::string_view command = argv[1];
  const std::string name = argv[2];
  const bool installs = command == "install";
  if (installs && argc != 5 && argc != 6) return usage();
  if (command == "control" && argc != 4) return usage();

  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, installs ? SC_MANAGER_ALL_ACCESS : SC_MANAGER_CONNECT);
  if (!manager) return fail("cannot open the service manager");
  if (installs) {
    const int result = installService(manager, argc, argv);
    CloseServiceHandle(manager);
    return result;
  }
  const std::u16string wideName = platform::ansiToWideLenient(name);
  SC_HANDLE service = OpenServiceW(manager, wideName.c_str(), SERVICE_ALL_ACCESS);
  if (!service) {
    const int result = fail("no service " + name);
    CloseServiceHandle(manager);
    return result;
  }
  int result = kUsage;
  if (command == "start")
    result = startService(service, name);
  else if (command == "stop")
    result = stopService(service, name);
  else if (command == "query") {
    std::printf("%s %s\n", name.c_str(), stateName(currentState(service)));
    result = kDone;
  } else if (command == "control" && argc == 4)
    result = controlService(service, name, argv[3]);
  else if (command == "delete")
    result = DeleteService(service) ? kDone : fail("cannot delete " + name);
  else
    usage();
  CloseServiceHandle(service);
  CloseServiceHandle(manager);
  return result;
}
