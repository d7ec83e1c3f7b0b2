// The command channel between the updater and its service.
//
// The channel is section "VKRService" of the common VENDRAKO.INI:
//   DocsFolder  the user's documents folder, written before every command
//   Command     the command; then the service's reply: "*idle*" (done),
//               "*shellexecfail*" (installer not started), "*fail*"
//   InfoFile    written empty; the service may name a note for the user
//   CommandId   written with the command, in the same write: a text that
//               names this one command
// The updater writes the command and sends the service the control code
// below; the service runs the command and writes its reply into "Command",
// but only while "Command" and "CommandId" still hold what it read: a reply
// that comes after the sender gave up never lands on the next command.
// Senders take turns: each holds the lock file beside the channel from its
// command to the reply, so no sender overwrites another's command.
// Both sides use these names, so they cannot drift apart.
#pragma once

#include "platform/WinTypes.h"

#include <optional>
#include <string_view>

namespace servicechannel {

inline constexpr char16_t kServiceName[] = u"VKRServ";
inline constexpr char16_t kSection[] = u"VKRService";
inline constexpr char16_t kCommandKey[] = u"Command";
inline constexpr char16_t kDocsFolderKey[] = u"DocsFolder";
inline constexpr char16_t kInfoFileKey[] = u"InfoFile";
inline constexpr char16_t kCommandIdKey[] = u"CommandId";

// Appended to the channel file's path: the senders' lock file.
inline constexpr char16_t kSenderLockSuffix[] = u".lock";

inline constexpr char16_t kReplyIdle[] = u"*idle*";
inline constexpr char16_t kReplyFail[] = u"*fail*";
inline constexpr char16_t kReplyShellExecFail[] = u"*shellexecfail*";

// The custom control that tells the service a command is waiting.
inline constexpr DWORD kRunCommandControl = 128;

// The channel holds commands of fewer than this many characters; a longer
// one is refused, never cut and run.
inline constexpr DWORD kCommandCapacity = 512;

// What running one procedure command came to.
enum class ProcedureResult {
  Done,
  Failed,      // malformed, unknown, source unreadable or target not written
  NotStarted,  // the installer could not be started
};

// The reply the service writes for a result.
[[nodiscard]] const char16_t* replyFor(ProcedureResult result);

// The result a reply stands for, compared ignoring case; nothing when the
// value is not a reply (a command still waiting, or anything else).
[[nodiscard]] std::optional<ProcedureResult> resultOfReply(std::u16string_view value);

}  // namespace servicechannel
