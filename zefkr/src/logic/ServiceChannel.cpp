// The updater's side of the service channel.
#include "zefkr/ServiceChannel.h"

#include "zefkr/Language.h"
#include "zefkr/ProcedureCommand.h"
#include "zefkr/ProductInfo.h"
#include "zefkr/VendrakoIni.h"

#include "servicechannel/ChannelProtocol.h"

#include "platform/Clock.h"
#include "platform/Format.h"
#include "platform/GroupFiles.h"
#include "platform/KnownFolders.h"
#include "platform/MessageBox.h"
#include "platform/PrivateProfile.h"
#include "platform/Processes.h"
#include "platform/ServiceManager.h"

#include <atomic>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using servicechannel::kCommandIdKey;
using servicechannel::kCommandKey;
using servicechannel::kInfoFileKey;
using servicechannel::kSection;
using servicechannel::ProcedureResult;

constexpr DWORD kAnswerLength = servicechannel::kCommandCapacity;
constexpr DWORD kManagerAccess = 0x20015;  // connect, enumerate, lock status, read control
constexpr DWORD kServiceAccess = READ_CONTROL | SERVICE_USER_DEFINED_CONTROL;

// The channel file; every write is followed by a flush, as the service
// expects of its peer. A write that fails is reported: a command that never
// reached the file must not pass for one the service answered.
class Channel {
public:
  explicit Channel(std::u16string path) : path_(std::move(path)) {}
  [[nodiscard]] bool write(const char16_t* key, const char16_t* value) {
    const bool isWritten = WritePrivateProfileStringW(kSection, key, value, path_.c_str()) != FALSE;
    flush();
    return isWritten;
  }
  // Puts the command, its id and an empty "InfoFile" in one write, so the
  // service never reads the command with another's id.
  [[nodiscard]] bool post(std::u16string_view command, std::u16string_view id) {
    const bool isWritten = platform::writePrivateProfileValuesIf(
                               kSection, {}, {{kCommandKey, command}, {kCommandIdKey, id}, {kInfoFileKey, u""}},
                               path_.c_str()) == platform::ConditionalWrite::Written;
    flush();
    return isWritten;
  }
  // The service's reply to command `id`, once there is one.
  std::optional<ProcedureResult> replyTo(std::u16string_view id) const {
    const auto values = platform::readPrivateProfileValues(kSection, {kCommandKey, kCommandIdKey}, path_.c_str());
    if (!values[0] || values[1] != id) return std::nullopt;
    return servicechannel::resultOfReply(*values[0]);
  }
  // Takes command `id` (or its reply) back out of the channel, with
  // "InfoFile" unless `keepInfoFile`. A channel that no longer holds that
  // command is left as it is.
  void withdraw(std::u16string_view id, bool keepInfoFile) {
    std::vector<platform::ProfileKeyValue> gone = {{kCommandKey, std::nullopt}, {kCommandIdKey, std::nullopt}};
    if (!keepInfoFile) gone.push_back({kInfoFileKey, std::nullopt});
    // A command that could not be taken back is never run by mistake: the
    // service answers only what it finds, and the id is ours alone.
    (void)platform::writePrivateProfileValuesIf(kSection, {{kCommandIdKey, id}}, gone, path_.c_str());
    flush();
  }
  void flush() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str()); }
  std::u16string read(const char16_t* key) const {
    WCHAR value[kAnswerLength] = {};
    GetPrivateProfileStringW(kSection, key, u"", value, kAnswerLength, path_.c_str());
    return value;
  }

private:
  std::u16string path_;
};

// A name for one command that no other command of any sender shares.
std::u16string newCommandId() {
  static std::atomic<uint32_t> counter{0};
  std::random_device entropy;
  return platform::formatText(u"%lu-%lu-%lu", static_cast<unsigned long>(GetCurrentProcessId()),
                              static_cast<unsigned long>(entropy()), static_cast<unsigned long>(counter++));
}

// Waits, within a bound, until no other sender holds the channel. One
// sender's turn lasts at most about one answer time-out (a command that
// times out ends it), plus refused requests and repairs.
int32_t takeSenderTurn(const std::u16string& channelPath, std::unique_ptr<platform::GroupFileLock>& lock) {
  const std::u16string lockPath = channelPath + servicechannel::kSenderLockSuffix;
  const uint64_t start = platform::clock().monotonicMs();
  for (;;) {
    switch (platform::GroupFileLock::tryTake(lockPath, lock)) {
      case platform::GroupFileLock::Outcome::Taken: return zefkr::kSendDone;
      case platform::GroupFileLock::Outcome::Failed: return zefkr::kSendChannelNotWritten;
      case platform::GroupFileLock::Outcome::Busy: break;
    }
    Sleep(zefkr::kAnswerPollMs);
    const uint64_t elapsed = platform::clock().monotonicMs() - start;
    if (static_cast<double>(elapsed) > zefkr::kSenderTurnWaitMs) return zefkr::kSendTimedOut;
  }
}

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

// Polls the answer to command `id` on the monotonic clock until the service
// gives one or the time is up.
int32_t awaitAnswer(const Channel& channel, std::u16string_view id) {
  const uint64_t start = platform::clock().monotonicMs();
  for (;;) {
    if (const auto result = channel.replyTo(id)) {
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

  const std::u16string id = newCommandId();
  if (!channel.post(command, id)) return zefkr::kSendChannelNotWritten;
  SERVICE_STATUS status{};
  bool accepted = sendControl(handles.service, status);
  if (!accepted && mayRepair && status.dwCurrentState == SERVICE_STOPPED) {
    accepted = repairAndRetry(handles.service);
  }
  if (!accepted) {
    channel.withdraw(id, /*keepInfoFile=*/true);
    return zefkr::kSendNotAccepted;
  }

  const int32_t result = awaitAnswer(channel, id);
  if (result == zefkr::kSendDone) infoFile.AssignText(channel.read(kInfoFileKey));
  channel.withdraw(id, /*keepInfoFile=*/false);
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
  // Every desktop user of the service's group must be able to write the
  // channel, whoever made it first; whether this one can shows in the
  // writes.
  (void)platform::shareWithFolderGroup(path, /*create=*/true);
  Channel channel(path);
  const bool isChannelWritable = channel.write(servicechannel::kDocsFolderKey, documentsFolder().c_str());

  if (KRIsPreVistaWindows()) {
    return KRRunProcedureCommand(command, infoFile);
  }
  if (!isChannelWritable) return zefkr::kSendChannelNotWritten;

  std::unique_ptr<platform::GroupFileLock> turn;
  if (const int32_t taken = takeSenderTurn(path, turn); taken != zefkr::kSendDone) return taken;
  int32_t result = zefkr::kSendNotAccepted;
  for (int i = 0; i < zefkr::kSendAttempts; ++i) {
    infoFile.AssignSz(u"");
    result = attempt(channel, command, infoFile, /*mayRepair=*/i == 0);
    if (result == zefkr::kSendDone || result == zefkr::kSendChannelNotWritten) break;
    // The service may still be running the command: sending it again would
    // run the installer a second time.
    if (result == zefkr::kSendTimedOut) break;
  }
  return result;
}
