// Shell execute and process handles: argument splitting, real waits, exit
// codes, and the redirection of "net start/stop" to the service tool.
#include "platform/Files.h"
#include "platform/Processes.h"

#include "ScratchRoot.h"

#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

using platform::testing::ScratchRoot;

struct SplitCase {
  const char16_t* line;
  std::vector<std::u16string> expected;
};

TEST(SplitCommandLine, FollowsTheWindowsQuotingRules) {
  const SplitCase cases[] = {
      {u"", {}},
      {u"  a  b\tc ", {u"a", u"b", u"c"}},
      {u"\"C:\\Program Files\\x.exe\" /q", {u"C:\\Program Files\\x.exe", u"/q"}},
      {u"a\\\\\\b", {u"a\\\\\\b"}},        // backslashes not before a quote stay
      {u"a\\\\\"b c\"", {u"a\\b c"}},      // 2n backslashes: n, quote opens
      {u"a\\\"b", {u"a\"b"}},              // 2n+1: n and a literal quote
      {u"\"a\"\"b\" c", {u"a\"b", u"c"}},  // "" inside quotes
      {u"\"\"", {u""}},                    // an empty quoted argument
      {u"\"open", {u"open"}},              // an unclosed quote runs to the end
  };
  for (const auto& row : cases) {
    EXPECT_EQ(platform::splitCommandLine(row.line), row.expected) << platform::wideToAnsiLenient(row.line);
  }
}

class ShellExecuteTest : public ::testing::Test {
protected:
  // Writes an executable shell script below C: and answers its Windows name.
  std::u16string script(const std::string& name, const std::string& body) {
    const std::u16string windows = root_.writeFile(name, "#!/bin/sh\n" + body + "\n");
    chmod((root_.driveC() + "/" + name).c_str(), 0755);
    return windows;
  }
  SHELLEXECUTEINFOW infoFor(const std::u16string& file, const char16_t* parameters, ULONG mask) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    info.lpVerb = u"open";
    info.lpFile = file.c_str();
    info.lpParameters = parameters;
    info.nShow = SW_SHOWDEFAULT;
    return info;
  }
  ScratchRoot root_;
};

TEST_F(ShellExecuteTest, RunsTheProgramWithSplitParametersAndWaitsForItsExit) {
  const std::string out = root_.driveC() + "/args.txt";
  const auto program = script("bin/args.sh", "for a in \"$@\"; do echo \"[$a]\"; done > '" + out + "'\nread line < '" +
                                                 root_.driveC() + "/go'\nexit 7");
  mkfifo((root_.driveC() + "/go").c_str(), 0600);
  auto info = infoFor(program, u"\"two words\" \\\"q plain", SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC);
  ASSERT_TRUE(ShellExecuteExW(&info));
  ASSERT_NE(info.hProcess, nullptr);

  // Blocked on the fifo: still running.
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(info.hProcess, 20), WAIT_TIMEOUT);
  std::ofstream(root_.driveC() + "/go") << "go\n";

  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  ASSERT_TRUE(GetExitCodeProcess(info.hProcess, &code));
  EXPECT_EQ(code, 7u);
  EXPECT_EQ(root_.readFile("args.txt"), "[two words]\n[\"q]\n[plain]\n");
  EXPECT_TRUE(CloseHandle(info.hProcess));
}

TEST_F(ShellExecuteTest, RefusesWhatCannotBeStarted) {
  const auto missing = root_.windowsName("bin/missing.exe");
  auto info = infoFor(missing, nullptr, SEE_MASK_NOCLOSEPROCESS);
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(info.hProcess, nullptr);
  EXPECT_LE(reinterpret_cast<intptr_t>(info.hInstApp), 32);

  // No elevation command configured: "runas" is refused, nothing runs.
  unsetenv("ZEF_ELEVATE_COMMAND");
  const auto program = script("bin/ok.sh", "exit 0");
  EXPECT_EQ(
      reinterpret_cast<intptr_t>(ShellExecuteW(nullptr, u"runas", program.c_str(), u"/fix", nullptr, SW_SHOWNORMAL)),
      SE_ERR_ACCESSDENIED);

  // A handle that is not a process.
  DWORD code = 0;
  EXPECT_FALSE(GetExitCodeProcess(reinterpret_cast<HANDLE>(&code), &code));
}

TEST_F(ShellExecuteTest, NetStartAndStopRunTheServiceControlTool) {
  const std::string log = root_.driveC() + "/tool.log";
  script("bin/tool.sh", "echo \"$@\" >> '" + log + "'");
  setenv("ZEF_SERVICE_CONTROL_TOOL", (root_.driveC() + "/bin/tool.sh").c_str(), 1);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = u"cmd.exe";
  info.lpParameters = u"/C net stop VKRServ";
  info.nShow = SW_HIDE;
  ASSERT_TRUE(ShellExecuteExW(&info));
  EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
  CloseHandle(info.hProcess);
  info.lpParameters = u"/C dir";
  EXPECT_FALSE(ShellExecuteExW(&info));
  unsetenv("ZEF_SERVICE_CONTROL_TOOL");
  EXPECT_EQ(root_.readFile("tool.log"), "stop VKRServ\n");
}

TEST_F(ShellExecuteTest, DocumentsUrlsAndProgramsByName) {
  const std::string log = root_.driveC() + "/opened.log";
  script("bin/opener.sh", "echo \"$@\" >> '" + log + "'");
  setenv("ZEF_OPENER", (root_.driveC() + "/bin/opener.sh").c_str(), 1);
  const auto note = root_.writeFile("docs/read me.txt", "hello");
  const std::u16string quotedNote = u"\"" + note + u"\"";

  // A program created through the file layer as "x.EXE" can run.
  const auto created = root_.windowsName("bin/x.EXE");
  HANDLE file = CreateFileW(created.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::string body = "#!/bin/sh\necho ran >> '" + log + "'\n";
  DWORD written = 0;
  WriteFile(file, body.data(), static_cast<DWORD>(body.size()), &written, nullptr);
  CloseHandle(file);
  struct stat info {};
  ASSERT_EQ(stat((root_.driveC() + "/bin/x.EXE").c_str(), &info), 0);
  EXPECT_NE(info.st_mode & S_IXUSR, 0u);
  const auto text = root_.windowsName("docs/plain.txt");
  file = CreateFileW(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  CloseHandle(file);
  ASSERT_EQ(stat((root_.driveC() + "/docs/plain.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & S_IXUSR, 0u);

  // An ".exe" without the execute bit is refused, not opened as a document.
  const auto inert = root_.writeFile("bin/inert.exe", "MZ");
  chmod((root_.driveC() + "/bin/inert.exe").c_str(), 0644);

  struct Case {
    const char* name;
    std::u16string file;
    const char16_t* parameters;
    intptr_t result;  // > 32 started
  };
  const Case cases[] = {
      {"editor with a text file", u"Notepad.exe", note.c_str(), 33},
      {"editor in other case, quoted", u"NOTEPAD.EXE", quotedNote.c_str(), 33},
      {"editor with a missing file", u"notepad.exe", u"C:\\docs\\none.txt", SE_ERR_FNF},
      {"text document", note, nullptr, 33},
      {"URL unchanged", u"https://www.Example.com/A?b=1", nullptr, 33},
      {"created program", created, nullptr, 33},
      {"program without execute bit", inert, nullptr, SE_ERR_ACCESSDENIED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto request = infoFor(c.file, c.parameters, SEE_MASK_NOCLOSEPROCESS);
    const BOOL started = ShellExecuteExW(&request);
    EXPECT_EQ(reinterpret_cast<intptr_t>(request.hInstApp), c.result);
    EXPECT_EQ(started != FALSE, c.result > 32);
    if (!started) continue;
    WaitForSingleObject(request.hProcess, INFINITE);
    CloseHandle(request.hProcess);
  }
  unsetenv("ZEF_OPENER");
  const std::string noteNative = root_.driveC() + "/docs/read me.txt";
  EXPECT_EQ(root_.readFile("opened.log"),
            noteNative + "\n" + noteNative + "\n" + noteNative + "\nhttps://www.Example.com/A?b=1\nran\n");
}

}  // namespace
