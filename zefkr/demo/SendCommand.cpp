// zefkr_send_command: sends each command given on the command line to the
// updater's service, as the wizard does when it installs an update, and
// prints the answer. Used by scripts/demo until the wizard's forms exist.
#include "zefkr/Language.h"
#include "zefkr/ServiceChannel.h"

#include "platform/CodePage.h"

#include <cstdio>
#include <string>

namespace {

const char* meaningOf(int32_t result) {
  static const char* const kMeanings[] = {
      "done",
      "the service manager could not be opened",
      "the service is not installed",
      "the common application data folder could not be obtained",
      "the service did not accept the request",
      "the service reported a failure",
      "the service could not start the installer",
      "no answer in time",
  };
  if (result < 0 || result >= static_cast<int32_t>(std::size(kMeanings))) return "unknown";
  return kMeanings[result];
}

}  // namespace

int main(int argc, char** argv) {
  KRLoadLanguage(nullptr);
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    const std::u16string command = platform::ansiToWideLenient(argv[i]);
    CLWideStr infoFile;
    const int32_t result = KRSendServiceCommand(command.c_str(), infoFile);
    std::printf("command: %s\nreply:   %d (%s)\n", argv[i], result, meaningOf(result));
    if (!infoFile.IsEmpty()) {
      std::printf("info file: %s\n", platform::wideToAnsiLenient(infoFile.Text()).c_str());
    }
    if (result != zefkr::kSendDone) ++failures;
  }
  KRFreeLanguage();
  return failures == 0 ? 0 : 1;
}
