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
  // One unit more than the channel holds, so a command that does not fit
  // shows as longer than the capacity instead of arriving cut.
  WCHAR command[kCommandCapacity + 1] = {};
  const DWORD length =
      GetPrivateProfileStringW(kSection, kCommandKey, kReplyIdle, command, kCommandCapacity + 1, iniPath.c_str());
  const std::u16string_view value(command, length);

  const char16_t* reply = kReplyIdle;
  if (length >= kCommandCapacity) {
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
    reply = servicechannel::replyFor(resultOf(KRRunProcedureCommand(this, command)));
  }
  WritePrivateProfileStringW(kSection, kCommandKey, reply, iniPath.c_str());
  // Flush, so the updater reads the reply from the disk.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, iniPath.c_str());
  LogMessage(u"answered " + std::u16string(reply));
}
