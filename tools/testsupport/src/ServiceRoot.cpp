#include "testsupport/ServiceRoot.h"

#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/Paths.h"
#include "platform/Processes.h"

#include <cstdlib>
#include <filesystem>
#include <grp.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

DWORD runToEnd(const std::string& program, const std::u16string& parameters) {
  const std::u16string file = platform::windowsPath(program);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = u"open";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  if (!ShellExecuteExW(&info)) return 0xDEAD;
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0xDEAD;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  return code;
}

DWORD controlService(const std::string& controlTool, const char* verb) {
  return runToEnd(controlTool, platform::ansiToWideLenient(verb) + u" VKRServ");
}

bool ServiceRoot::create(const char* pattern, const char* controlTool) {
  scratch_ = std::make_unique<ScratchRoot>(pattern);
  root_ = scratch_->path();
  fs::permissions(root_, fs::perms(0755));
  // A service run by someone other than root can only hand its socket to a
  // group it belongs to.
  const group* ownGroup = getgrgid(getegid());
  if (ownGroup == nullptr) return false;
  setenv("ZEF_SERVICE_GROUP", ownGroup->gr_name, 1);
  setenv("ZEF_SERVICE_CONTROL_TOOL", controlTool, 1);
  fs::create_directories(channelFolder());
  fs::permissions(root_ + "/CommonAppData", fs::perms(0755));
  return true;
}

void ServiceRoot::destroy() {
  unsetenv("ZEF_SERVICE_GROUP");
  unsetenv("ZEF_SERVICE_CONTROL_TOOL");
  scratch_.reset();
}

}  // namespace testsupport
