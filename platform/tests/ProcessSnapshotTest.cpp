#include "platform/ProcessSnapshot.h"

#include "platform/Handles.h"
#include "platform/LoadableModules.h"
#include "platform/Paths.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

namespace {

using platform::testing::ScratchRoot;

std::u16string ownProgram() {
  char path[4096] = {};
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return platform::windowsPath(std::string(path, static_cast<size_t>(length)));
}

TEST(ProcessSnapshotTest, ListsAndOpensThisProcess) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    ++count;
    if (entry.th32ProcessID == static_cast<DWORD>(getpid())) {
      found = true;
      EXPECT_EQ(std::u16string(entry.szExeFile), u"platform_tests");
    }
  }
  EXPECT_TRUE(found);
  EXPECT_GT(count, 1);
  CloseHandle(snapshot);

  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, getpid());
  ASSERT_NE(process, nullptr);
  WCHAR name[512] = {};
  ASSERT_GT(GetModuleFileNameExW(process, nullptr, name, 512), 0u);
  EXPECT_EQ(std::u16string(name), ownProgram());
  // A buffer too small gets the name cut and terminated.
  WCHAR small[8] = {};
  EXPECT_EQ(GetModuleFileNameExW(process, nullptr, small, 8), 7u);
  EXPECT_EQ(std::u16string(small), ownProgram().substr(0, 7));

  DWORD needed = 0;
  ASSERT_TRUE(EnumProcessModules(process, nullptr, 0, &needed));
  std::vector<HMODULE> modules(needed / sizeof(HMODULE));
  ASSERT_TRUE(EnumProcessModules(process, modules.data(), needed, &needed));
  bool platformLibrary = false;
  for (HMODULE module : modules) {
    ASSERT_GT(GetModuleFileNameExW(process, module, name, 512), 0u);
    platformLibrary |= std::u16string(name).find(u"libplatform.so") != std::u16string::npos;
  }
  EXPECT_TRUE(platformLibrary);
  CloseHandle(process);
  EXPECT_EQ(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, 0x7FFFFFF0), nullptr);
}

TEST(ProcessSnapshotTest, PsapiCanBeTakenAway) {
  ASSERT_NE(LoadLibraryW(u"psapi.dll"), nullptr);
  HMODULE psapi = LoadLibraryW(u"PSAPI");
  EXPECT_NE(GetProcAddress(psapi, "GetModuleFileNameExW"), nullptr);
  EXPECT_NE(GetProcAddress(psapi, "EnumProcessModules"), nullptr);
  platform::setPsapiAvailability({true, false, true});
  EXPECT_EQ(GetProcAddress(psapi, "GetModuleFileNameExW"), nullptr);
  EXPECT_NE(GetProcAddress(psapi, "EnumProcessModules"), nullptr);
  platform::setPsapiAvailability({false, true, true});
  EXPECT_EQ(LoadLibraryW(u"psapi"), nullptr);
  platform::setPsapiAvailability({});
  EXPECT_NE(LoadLibraryW(u"psapi"), nullptr);
}

TEST(ProcessSnapshotTest, LongPathsSpellComponentsAsOnDisk) {
  ScratchRoot root;
  std::filesystem::create_directories(root.driveC() + "/Prod/App Folder");
  std::filesystem::create_directory_symlink(root.driveC() + "/Prod/App Folder", root.driveC() + "/Prod/Link");
  WCHAR out[512] = {};
  ASSERT_GT(GetLongPathNameW(u"c:\\PROD\\app folder", out, 512), 0u);
  EXPECT_EQ(std::u16string(out), u"C:\\Prod\\App Folder");
  ASSERT_GT(GetLongPathNameW(u"C:\\prod\\link", out, 512), 0u);
  EXPECT_EQ(std::u16string(out), u"C:\\Prod\\Link");
  EXPECT_EQ(GetLongPathNameW(u"C:\\Prod\\Missing", out, 512), 0u);
  EXPECT_EQ(GetLongPathNameW(u"C:\\Prod", out, 3), 8u);
}

}  // namespace
