// The updater's side of the service channel.
#include "zefkr/ServiceChannel.h"

#include "zefkr/Language.h"
#include "zefkr/ProcedureCommand.h"
#include "zefkr/ProductInfo.h"
#include "zefkr/VendrakoIni.h"

#include "servicechannel/ChannelProtocol.h"

#include "platform/Clock.h"
#include "platform/KnownFolders.h"
#include "platform/MessageBox.h"
#include "platform/PrivateProfile.h"
#include "platform/Processes.h"
#include "platform/ServiceManager.h"

#include <string>

namespace {

using servicechannel::kCommandKey;
using servicechannel::kInfoFileKey;
using servicechannel::kSection;
using servicechannel::ProcedureResult;

constexpr DWORD kAnswerLength = servicechannel::kCommandCapacity;
constexpr DWORD kManagerAccess = 0x20015;  // connect, enumerate, lock status, read control
constexpr DWORD kServiceAccess = READ_CONTROL | SERVICE_USER_DEFINED_CONTROL;

// The channel file; every write is followed by a flush, as the service
// expects of its peer.
class Channel {
public:
  explicit Channel(std::u16string path) : path_(std::move(path)) {}
  void write(const char16_t* key, const char16_t* value) {
    WritePrivateProfileStringW(kSection, key, value, path_.c_str());
    flush();
  }
  void erase(const char16_t* key) { WritePrivateProfileStringW(kSection, key, nullptr, path_.c_str()); }
  void flush() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str()); }
  std::u16string read(const char16_t* key) const {
    WCHAR value[kAnswerLength] = {};
    GetPrivateProfileStringW(kSection, key, u"", value, kAnswerLength, path_.c_str());
    return value;
  }

private:
  std::u16string path_;
};

std::u16string documentsFolder() {
  WCHAR path[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) {
    return u"C:\\VendrakoSH\\";
  }
  std::u16string folder(path);
  if (folder.empty() || folder.back() != u'\\') folder.push_back(u'\\');
  return folder;
}

// Service manager and service handles for one attempt, closed at its end.
struct ServiceHandles {
  SC_HANDLE manager = nullptr;
  SC_HANDLE service = nullptr;
  ~ServiceHandles() {
    if (service != nullptr) CloseServiceHandle(service);
    if (manager != nullptr) CloseServiceHandle(manager);
  }
};

bool sendControl(SC_HANDLE service, SERVICE_STATUS& status) {
  status = SERVICE_STATUS{};
  return ControlService(service, zefkr::kServiceControlCommand, &status) != FALSE;
}

// Tells the user, starts the elevated repair of the service and asks again
// a few times while it restarts.
bool repairAndRetry(SC_HANDLE service) {
  const zefkr::ServiceChannelSettings& settings = zefkr::serviceChannelSettings();
  const std::u16string notice =
      std::u16string(KRGetMessage(4000).Text()) + u"\r\n" + std::u16string(KRGetMessage(4001).Text());
  const std::u16string title =
      settings.applicationTitle.empty() ? std::u16string(KRGetMessage(1).Text()) : settings.applicationTitle;
  MessageBoxW(settings.applicationWindow, notice.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);

  std::u16string folder = settings.programFolder.empty() ? zefkr::programFolder(nullptr) : settings.programFolder;
  if (!folder.empty() && folder.back() != u'\\') folder.push_back(u'\\');
  const std::u16string program = folder + settings.serviceProgram;
  // Whether the start worked shows in the retries.
  ShellExecuteW(settings.applicationWindow, u"runas", program.c_str(), u"/fix", u"", SW_SHOWNORMAL);

  SERVICE_STATUS status{};
  for (int retry = 0; retry < zefkr::kRepairRetries; ++retry) {
    if (sendControl(service, status)) return true;
    Sleep(zefkr::kRepairRetrySleepMs);
  }
  return false;
}

// Polls the answer on the monotonic clock until the service gives one or
// the time is up.
int32_t awaitAnswer(Channel& channel) {
  const uint64_t start = platform::clock().monotonicMs();
  for (;;) {
    if (const auto result = servicechannel::resultOfReply(channel.read(kCommandKey))) {
      switch (*result) {
        case ProcedureResult::Done: return zefkr::kSendDone;
        case ProcedureResult::Failed: return zefkr::kSendFailed;
        case ProcedureResult::NotStarted: return zefkr::kSendInstallerNotStarted;
      }
    }
    Sleep(zefkr::kAnswerPollMs);
    const uint64_t elapsed = platform::clock().monotonicMs() - start;
    if (static_cast<double>(elapsed) > zefkr::kAnswerTimeoutMs) return zefkr::kSendTimedOut;
  }
}

int32_t attempt(Channel& channel, const WCHAR* command, CLWideStr& infoFile, bool mayRepair) {
  ServiceHandles handles;
  handles.manager = OpenSCManagerW(nullptr, u"ServicesActive", kManagerAccess);
  if (handles.manager == nullptr) return zefkr::kSendNoServiceManager;
  handles.service = OpenServiceW(handles.manager, servicechannel::kServiceName, kServiceAccess);
  if (handles.service == nullptr) return zefkr::kSendServiceNotInstalled;

  channel.write(kCommandKey, command);
  channel.write(kInfoFileKey, u"");
  SERVICE_STATUS status{};
  bool accepted = sendControl(handles.service, status);
  if (!accepted && mayRepair && status.dwCurrentState == SERVICE_STOPPED) {
    accepted = repairAndRetry(handles.service);
  }
  if (!accepted) {
    channel.erase(kCommandKey);
    channel.flush();
    return zefkr::kSendNotAccepted;
  }

  const int32_t result = awaitAnswer(channel);
  channel.erase(kCommandKey);
  if (result == zefkr::kSendDone) infoFile.AssignText(channel.read(kInfoFileKey));
  channel.erase(kInfoFileKey);
  channel.flush();
  return result;
}

}  // namespace

zefkr::ServiceChannelSettings& zefkr::serviceChannelSettings() {
  static ServiceChannelSettings settings;
  return settings;
}

int32_t KRSendServiceCommand(const WCHAR* command, CLWideStr& infoFile) {
  const std::u16string path = zefkr::commonVendrakoIniPath();
  if (path.empty()) return zefkr::kSendNoCommonFolder;
  Channel channel(path);
  channel.write(servicechannel::kDocsFolderKey, documentsFolder().c_str());

  if (KRIsPreVistaWindows()) {
    return KRRunProcedureCommand(command, infoFile);
  }

  int32_t result = zefkr::kSendNotAccepted;
  for (int i = 0; i < zefkr::kSendAttempts; ++i) {
    infoFile.AssignSz(u"");
    result = attempt(channel, command, infoFile, /*mayRepair=*/i == 0);
    if (result == zefkr::kSendDone) break;
    // The service may still be running the command: sending it again would
    // run the installer a second time.
    if (result == zefkr::kSendTimedOut) break;
  }
  return result;
}
