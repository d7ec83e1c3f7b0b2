// Starting programs with fork and exec; see ProcessSpawn.h.
//
// The child reports a failed exec through a close-on-exec pipe: when exec
// succeeds the pipe closes with nothing written, so the parent knows the
// outcome without guessing from an exit code.
#include "ProcessSpawn.h"

#include "platform/FileSyscalls.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

int readErrnoReport(int fd) {
  int reported = 0;
  ssize_t got;
  do {
    got = read(fd, &reported, sizeof reported);
  } while (got < 0 && errno == EINTR);
  return got == static_cast<ssize_t>(sizeof reported) ? reported : 0;
}

void writeErrnoReport(int fd, int error) {
  ssize_t ignored = write(fd, &error, sizeof error);
  (void)ignored;
}

pid_t waitChild(pid_t pid, int* status) {
  pid_t result;
  do {
    result = waitpid(pid, status, 0);
  } while (result < 0 && errno == EINTR);
  return result;
}

// Runs in the child only: everything here must be safe after fork.
[[noreturn]] void execInChild(const platform::detail::SpawnRequest& request, char** argv, char** envp, int reportFd) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  if (!request.workingFolder.empty() && chdir(request.workingFolder.c_str()) != 0) {
    writeErrnoReport(reportFd, errno);
    _exit(127);
  }
  const std::string& program = request.arguments[0];
  if (program.find('/') == std::string::npos) {
    environ = envp;
    execvp(program.c_str(), argv);
  } else {
    execve(program.c_str(), argv, envp);
  }
  writeErrnoReport(reportFd, errno);
  _exit(127);
}

}  // namespace

pid_t platform::detail::spawnProgram(const SpawnRequest& request) {
  if (request.arguments.empty()) return -EINVAL;
  // Everything the child needs is built before fork: no allocation after it.
  std::vector<char*> argv;
  for (const auto& argument : request.arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** entry = environ; entry && *entry; ++entry) envp.push_back(*entry);
  for (const auto& entry : request.extraEnvironment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return -errno;
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return -error;
  }
  if (child == 0) {
    close(report[0]);
    if (!request.detached) execInChild(request, argv.data(), envp.data(), report[1]);
    // Detached: a new session, then the program in a grandchild; this
    // intermediate child ends at once so the program is adopted by init.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild < 0) {
      writeErrnoReport(report[1], errno);
      _exit(127);
    }
    if (grandchild == 0) execInChild(request, argv.data(), envp.data(), report[1]);
    _exit(0);
  }
  close(report[1]);
  const int error = readErrnoReport(report[0]);
  close(report[0]);
  if (request.detached || error != 0) {
    int status = 0;
    waitChild(child, &status);
  }
  if (error != 0) return -error;
  return request.detached ? 0 : child;
}

std::string platform::detail::runningProgramFolder() {
  char path[PATH_MAX];
  const ssize_t length = platform::fileSyscalls().readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return ".";
  std::string folder(path, static_cast<size_t>(length));
  const size_t slash = folder.rfind('/');
  return slash == 0 ? "/" : folder.substr(0, slash);
}
