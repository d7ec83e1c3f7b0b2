// The channel's replies and what they stand for.
#include "servicechannel/ChannelProtocol.h"

#include "platform/Utf16.h"

const char16_t* servicechannel::replyFor(ProcedureResult result) {
  switch (result) {
    case ProcedureResult::Done: return kReplyIdle;
    case ProcedureResult::Failed: return kReplyFail;
    case ProcedureResult::NotStarted: return kReplyShellExecFail;
  }
  __builtin_unreachable();
}

std::optional<servicechannel::ProcedureResult> servicechannel::resultOfReply(std::u16string_view value) {
  for (const ProcedureResult result : {ProcedureResult::Done, ProcedureResult::Failed, ProcedureResult::NotStarted}) {
    if (platform::equalsIgnoreCase(value, replyFor(result))) return result;
  }
  return std::nullopt;
}
