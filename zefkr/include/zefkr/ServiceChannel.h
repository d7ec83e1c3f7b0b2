// Sending install commands to the updater's service.
//
// The channel is section "VKRService" of the common VENDRAKO.INI:
//   DocsFolder  the user's documents folder, written before every command
//   Command     the command; then the service's answer: "*idle*" (done),
//               "*shellexecfail*" (installer not started), "*fail*"
//   InfoFile    written empty; the service may name a note for the user
//   CommandId   written with the command; names this one command
// The updater writes the command, sends the service control 128 and polls
// "Command" until the service answers that command. Senders take turns (the
// lock file beside the channel), and the service answers only the command
// it read, so a reply always belongs to its own command. A stopped service
// is repaired once per command: the user is told, and "vkrservice /fix" is
// started elevated from the updater's folder.
#pragma once

#include "servicechannel/ChannelProtocol.h"

#include "textrum/CLWideStr.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

namespace zefkr {

enum : int32_t {
  kSendDone = 0,
  kSendNoServiceManager = 1,
  kSendServiceNotInstalled = 2,
  kSendNoCommonFolder = 3,
  kSendNotAccepted = 4,
  kSendFailed = 5,
  kSendInstallerNotStarted = 6,
  kSendTimedOut = 7,
  // The command could not be written into the channel (8 is the updater's
  // own executor's "bad command", which older systems pass through).
  kSendChannelNotWritten = 9,
};

// How long one attempt waits for the answer: 1/2,820 of a day.
inline constexpr double kAnswerTimeoutMs = 86'400'000.0 / 2820.0;
inline constexpr int kSendAttempts = 5;
// How long a sender waits for the one before it to finish its command.
inline constexpr double kSenderTurnWaitMs = 2 * kAnswerTimeoutMs;
inline constexpr int kRepairRetries = 10;
inline constexpr DWORD kRepairRetrySleepMs = 200;
inline constexpr DWORD kAnswerPollMs = 50;
inline constexpr DWORD kServiceControlCommand = servicechannel::kRunCommandControl;

// What the sender needs from its surroundings; tests change it.
struct ServiceChannelSettings {
  // Owner of the notice box and of the repair start.
  HWND applicationWindow = nullptr;
  // Folder of the service program; empty: the updater's own folder.
  std::u16string programFolder;
  std::u16string serviceProgram = u"vkrservice";
  std::u16string applicationTitle;  // caption of the notice; empty: message 1
};

ServiceChannelSettings& serviceChannelSettings();

}  // namespace zefkr

// Sends `command` through the service and waits for its answer. Before
// version 6 of the system (KRIsPreVistaWindows) the updater runs the command
// itself. `infoFile`
// is emptied at every attempt and, after a done answer, holds the note the
// service named. Answers one of the codes above; below version 6, the
// executor's codes.
int32_t KRSendServiceCommand(const WCHAR* command, CLWideStr& infoFile);
