// The service "VKRServ" and its command channel; see VKRServ.h.
#include "VKRServ.h"

#include "ServiceProcedureCommand.h"

#include "platform/CodePage.h"
#include "platform/KnownFolders.h"
#include "platform/PrivateProfile.h"

#include <string>

TVKRServ* VKRServ = nullptr;

namespace {

using servicechannel::kCommandCapacity;
using servicechannel::kCommandIdKey;
using servicechannel::kCommandKey;
using servicechannel::kReplyFail;
using servicechannel::kReplyIdle;
using servicechannel::kSection;
using servicechannel::ProcedureResult;

ProcedureResult resultOf(int code) {
  if (code == kProcedureDone) return ProcedureResult::Done;
  if (code == kProcedureNotStarted) return ProcedureResult::NotStarted;
  return ProcedureResult::Failed;
}

}  // namespace

void ServiceControlProc(DWORD code) { VKRServ->Controller(code); }

TVKRServ::TVKRServ(TServiceApplication* owner) : TService(owner, kServiceName, kServiceDisplayName) {
  OnStart = [this](TService* sender, bool& result) { ServiceStart(sender, result); };
  OnPause = [this](TService* sender, bool& result) { ServicePause(sender, result); };
  OnContinue = [this](TService* sender, bool& result) { ServiceContinue(sender, result); };
  OnStop = [this](TService* sender, bool& result) { ServiceStop(sender, result); };
}

TVKRServ::~TVKRServ() = default;

TServiceController TVKRServ::GetServiceController() { return ServiceControlProc; }

void TVKRServ::ServiceStart(TService*, bool& started) { started = true; }
void TVKRServ::ServicePause(TService*, bool& paused) { paused = true; }
void TVKRServ::ServiceContinue(TService*, bool& continued) { continued = true; }
void TVKRServ::ServiceStop(TService*, bool& stopped) { stopped = true; }

bool TVKRServ::HandleControlCode(DWORD code) {
  if (code != kRunCommandControl) return false;
  WCHAR path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path))) {
    LogMessage(u"the common application data folder cannot be found");
    return true;
  }
  PathAppendW(path, u"Vendrako SH");
  PathAppendW(path, u"VENDRAKO.INI");
  runChannelCommand(path);
  return true;
}

void TVKRServ::runChannelCommand(const std::u16string& iniPath) {
  // The channel is checked before anything is read or written: the service
  // runs as root, and a channel that others can change (or a link in its
  // place) must not make it read, create or change a file for them. Such a
  // channel gets no reply at all.
  if (std::string why; !IsFileGuarded(iniPath, why)) {
    LogMessage(u"command refused, the channel is not protected: " + platform::ansiToWideLenient(why));
    return;
  }
  // The command and its id come from one version of the file, and the reply
  // is written only while both are still there: a command withdrawn by its
  // sender (after its time-out) or followed by the next one gets no reply,
  // so no sender takes another command's reply for its own.
  const auto read = platform::readPrivateProfileValues(kSection, {kCommandKey, kCommandIdKey}, iniPath.c_str());
  const std::optional<std::u16string>& command = read[0];
  const std::optional<std::u16string>& id = read[1];
  const std::u16string_view value = command ? std::u16string_view(*command) : std::u16string_view(kReplyIdle);

  const char16_t* reply = kReplyIdle;
  if (value.size() >= kCommandCapacity) {
    LogMessage(u"command longer than " + platform::ansiToWideLenient(std::to_string(kCommandCapacity - 1)) +
               u" characters refused");
    reply = kReplyFail;
  } else if (value.empty() || servicechannel::resultOfReply(value) == ProcedureResult::Done) {
    reply = kReplyIdle;
  } else if (servicechannel::resultOfReply(value)) {
    // A reply the updater has not collected yet: not a command, and not
    // ours to overwrite.
    return;
  } else {
    reply = servicechannel::replyFor(resultOf(KRRunProcedureCommand(this, std::u16string(value).c_str())));
  }
  const auto asRead = [](const std::optional<std::u16string>& text) {
    return text ? std::optional<std::u16string_view>(*text) : std::nullopt;
  };
  const platform::ConditionalWrite written = platform::writePrivateProfileValuesIf(
      kSection, {{kCommandKey, asRead(command)}, {kCommandIdKey, asRead(id)}}, {{kCommandKey, reply}}, iniPath.c_str());
  if (written == platform::ConditionalWrite::Outdated) {
    LogMessage(u"reply " + std::u16string(reply) + u" dropped: its command was withdrawn");
    return;
  }
  if (written == platform::ConditionalWrite::Failed) {
    LogMessage(u"reply " + std::u16string(reply) + u" could not be written");
    return;
  }
  // Flush, so the updater reads the reply from the disk.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, iniPath.c_str());
  LogMessage(u"answered " + std::u16string(reply));
}
