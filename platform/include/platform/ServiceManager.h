// The service control manager.
//
// Services are registered in a small database: the folder "ZefServices" of
// the common application-data folder, one record per service named after
// its name folded to lower case ("vkrserv.service"), lines of name=value in
// UTF-8:
//
//   Name          the service name as registered (names match ignoring case)
//   DisplayName   the name shown to people
//   BinaryPath    the command line that starts it, in Windows form
//   StartType     SERVICE_AUTO_START, SERVICE_DEMAND_START, ...
//   Group         the group whose members may control it (empty: root only)
//
// A running service listens on the Unix socket "<name>.sock" beside its
// record. ControlService connects, sends the control code and reads the
// service's answer; a missing socket or a refused connection means the
// service is stopped. The socket's owner, group and mode decide who may
// connect, as a service's access rights do on Windows: the service makes it
// readable and writable by its owner and by the record's group only.
//
// StartServiceW starts the program detached, with ZEF_SERVICE_NAME set to
// the service name: that is how the program's service framework knows that
// the service manager started it.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <optional>
#include <string>

struct SC_HANDLE__ {
  int unused;
};
using SC_HANDLE = SC_HANDLE__*;

// Access rights (kept for the callers' sake; the socket's mode decides).
inline constexpr DWORD READ_CONTROL = 0x00020000;
inline constexpr DWORD STANDARD_RIGHTS_READ = READ_CONTROL;
inline constexpr DWORD DELETE = 0x00010000;
inline constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
inline constexpr DWORD SC_MANAGER_CREATE_SERVICE = 0x0002;
inline constexpr DWORD SC_MANAGER_ENUMERATE_SERVICE = 0x0004;
inline constexpr DWORD SC_MANAGER_QUERY_LOCK_STATUS = 0x0010;
inline constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;
inline constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
inline constexpr DWORD SERVICE_START = 0x0010;
inline constexpr DWORD SERVICE_STOP = 0x0020;
inline constexpr DWORD SERVICE_PAUSE_CONTINUE = 0x0040;
inline constexpr DWORD SERVICE_INTERROGATE = 0x0080;
inline constexpr DWORD SERVICE_USER_DEFINED_CONTROL = 0x0100;
inline constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;

inline constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x10;
inline constexpr DWORD SERVICE_AUTO_START = 2;
inline constexpr DWORD SERVICE_DEMAND_START = 3;
inline constexpr DWORD SERVICE_DISABLED = 4;
inline constexpr DWORD SERVICE_ERROR_NORMAL = 1;

// Control codes: 1 to 4 are the system's, 128 to 255 the service's own.
inline constexpr DWORD SERVICE_CONTROL_STOP = 1;
inline constexpr DWORD SERVICE_CONTROL_PAUSE = 2;
inline constexpr DWORD SERVICE_CONTROL_CONTINUE = 3;
inline constexpr DWORD SERVICE_CONTROL_INTERROGATE = 4;

// Current states.
inline constexpr DWORD SERVICE_STOPPED = 1;
inline constexpr DWORD SERVICE_START_PENDING = 2;
inline constexpr DWORD SERVICE_STOP_PENDING = 3;
inline constexpr DWORD SERVICE_RUNNING = 4;
inline constexpr DWORD SERVICE_CONTINUE_PENDING = 5;
inline constexpr DWORD SERVICE_PAUSE_PENDING = 6;
inline constexpr DWORD SERVICE_PAUSED = 7;

inline constexpr DWORD ERROR_INVALID_SERVICE_CONTROL = 1052;
inline constexpr DWORD ERROR_SERVICE_REQUEST_TIMEOUT = 1053;
inline constexpr DWORD ERROR_SERVICE_ALREADY_RUNNING = 1056;
inline constexpr DWORD ERROR_INVALID_SERVICE_ACCOUNT = 1057;
inline constexpr DWORD ERROR_SERVICE_DOES_NOT_EXIST = 1060;
inline constexpr DWORD ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
inline constexpr DWORD ERROR_SERVICE_NOT_ACTIVE = 1062;
inline constexpr DWORD ERROR_DATABASE_DOES_NOT_EXIST = 1065;
inline constexpr DWORD ERROR_SERVICE_EXISTS = 1073;

struct SERVICE_STATUS {
  DWORD dwServiceType;
  DWORD dwCurrentState;
  DWORD dwControlsAccepted;
  DWORD dwWin32ExitCode;
  DWORD dwServiceSpecificExitCode;
  DWORD dwCheckPoint;
  DWORD dwWaitHint;
};
static_assert(sizeof(SERVICE_STATUS) == 28);

// Opens the database (created when missing). Only the local computer (a
// null or empty machine name) and the database "ServicesActive" (or null)
// exist. Asking for SC_MANAGER_CREATE_SERVICE needs write access to the
// database folder. Null with the last error on failure.
ZEF_EXPORT SC_HANDLE OpenSCManagerW(LPCWSTR machine, LPCWSTR database, DWORD access);

// Opens a registered service; null with ERROR_SERVICE_DOES_NOT_EXIST when
// no record has that name (compared ignoring case).
ZEF_EXPORT SC_HANDLE OpenServiceW(SC_HANDLE manager, LPCWSTR name, DWORD access);

// Registers a service; null with ERROR_SERVICE_EXISTS when one of that name
// is registered. The record is written atomically. Only the name, display
// name, start type and program are kept; the account is the one that
// starts the service.
ZEF_EXPORT SC_HANDLE CreateServiceW(SC_HANDLE manager, LPCWSTR name, LPCWSTR displayName, DWORD access,
                                    DWORD serviceType, DWORD startType, DWORD errorControl, LPCWSTR binaryPath,
                                    LPCWSTR loadOrderGroup, DWORD* tagId, LPCWSTR dependencies, LPCWSTR startName,
                                    LPCWSTR password);

// Removes the record; a running service keeps running until it stops.
ZEF_EXPORT BOOL DeleteService(SC_HANDLE service);

ZEF_EXPORT BOOL CloseServiceHandle(SC_HANDLE handle);

// Sends a control code and fills `status` with the state the service
// answered. A service that is not running: FALSE, ERROR_SERVICE_NOT_ACTIVE,
// state SERVICE_STOPPED. A caller the socket does not admit: FALSE,
// ERROR_ACCESS_DENIED. A code the service does not take: FALSE,
// ERROR_INVALID_SERVICE_CONTROL. Accepted: TRUE.
ZEF_EXPORT BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status);

// The service's current state: asked of the running service, SERVICE_STOPPED
// when nothing listens.
ZEF_EXPORT BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status);

// Starts the service's program detached (see above). FALSE with
// ERROR_SERVICE_ALREADY_RUNNING when it answers already, or the error of
// the start. The service is running only once it answers.
ZEF_EXPORT BOOL StartServiceW(SC_HANDLE service, DWORD argumentCount, LPCWSTR* arguments);

namespace platform {

// A service record as stored.
struct ServiceRecord {
  std::u16string name;
  std::u16string displayName;
  std::u16string binaryPath;
  DWORD startType = SERVICE_DEMAND_START;
  std::string group;
};

// The record behind an open service handle.
ZEF_EXPORT std::optional<ServiceRecord> serviceRecordOf(SC_HANDLE service);

// Sets the group whose members may control the service (empty: root only).
// Takes effect when the service next starts.
ZEF_EXPORT BOOL setServiceControlGroup(SC_HANDLE service, std::string_view group);

// The Linux path of the socket a service listens on.
ZEF_EXPORT std::string serviceSocketPath(std::u16string_view serviceName);

}  // namespace platform
