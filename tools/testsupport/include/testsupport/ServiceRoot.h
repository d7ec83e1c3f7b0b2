// Test support for the tests that run the real vkrservice under the
// platform's service manager in a scratch platform root.
#pragma once

#include "testsupport/ScratchRoot.h"

#include "platform/WinTypes.h"

#include <memory>
#include <string>

namespace testsupport {

// Runs a program through the platform's shell to its end and answers its
// exit code; 0xDEAD when it could not be started.
DWORD runToEnd(const std::string& program, const std::u16string& parameters);

// Runs the service-control tool at `controlTool` with a verb ("start",
// "stop") for the VKRServ service and answers its exit code.
DWORD controlService(const std::string& controlTool, const char* verb);

// A scratch platform root the platform layer is pointed at, with the common
// channel folder made and our own primary group controlling the service, so
// the tests pass without root.
class ServiceRoot {
public:
  // Makes the root from a mkdtemp pattern and sets the environment the
  // platform and the service-control tool at `controlTool` read. False when
  // our own primary group cannot be named (the root is made even then).
  bool create(const char* pattern, const char* controlTool);
  // Unsets what create set and removes the root with all in it.
  void destroy();

  const std::string& path() const { return root_; }
  // The folder of the common VENDRAKO.INI channel.
  std::string channelFolder() const { return root_ + "/CommonAppData/Vendrako SH"; }

private:
  std::unique_ptr<ScratchRoot> scratch_;
  std::string root_;
};

}  // namespace testsupport
