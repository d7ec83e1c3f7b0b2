// TVKRServ: the updater's service "VKRServ". It grants start, pause,
// continue and stop at once, and answers the custom control 128 by running
// the command the updater left in the common VENDRAKO.INI (section
// "VKRService", key "Command") and writing the reply into the same key:
// "*idle*" done, "*shellexecfail*" the installer could not be started,
// "*fail*" any other failure.
#pragma once

#include "servicechannel/ChannelProtocol.h"

#include "platform/ServiceApplication.h"

using servicechannel::kServiceName;
inline constexpr char16_t kServiceDisplayName[] = u"Vendrako Kestruner Service";
using servicechannel::kRunCommandControl;

class TVKRServ : public TService {
public:
  explicit TVKRServ(TServiceApplication* owner);
  ~TVKRServ() override;

  bool HandleControlCode(DWORD code) override;
  TServiceController GetServiceController() override;

  // The event handlers: each grants its change.
  void ServiceStart(TService* sender, bool& started);
  void ServicePause(TService* sender, bool& paused);
  void ServiceContinue(TService* sender, bool& continued);
  void ServiceStop(TService* sender, bool& stopped);

private:
  // Reads the command, runs it when it is one, and writes the reply.
  void runChannelCommand(const std::u16string& iniPath);
};

// The one service object, created by the service application.
extern TVKRServ* VKRServ;

// Passes a control to VKRServ's Controller.
void ServiceControlProc(DWORD code);
