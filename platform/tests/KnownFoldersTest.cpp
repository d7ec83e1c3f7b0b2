#include "platform/KnownFolders.h"
#include "platform/LastError.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace {

using platform::testing::ScratchRoot;

std::u16string windowsForm(const std::string& native) {
  std::u16string out = platform::ansiToWideLenient(native);
  std::replace(out.begin(), out.end(), u'/', u'\\');
  return out;
}

TEST(KnownFoldersTest, KnownFoldersLiveBelowTheRelocatedRoot) {
  ScratchRoot root;
  const std::pair<int, const char*> folders[] = {
      {CSIDL_COMMON_APPDATA, "/CommonAppData"},
      {CSIDL_APPDATA, "/AppData"},
      {CSIDL_PERSONAL, "/Documents"},
      {CSIDL_WINDOWS | CSIDL_FLAG_CREATE, "/Windows"},
  };
  for (const auto& [folder, suffix] : folders) {
    WCHAR path[MAX_PATH] = {};
    ASSERT_EQ(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path), S_OK) << suffix;
    EXPECT_EQ(std::u16string(path), windowsForm(root.path() + suffix));
    struct stat info {};
    EXPECT_EQ(stat((root.path() + suffix).c_str(), &info), 0) << "created: " << suffix;
  }
  WCHAR path[MAX_PATH];
  EXPECT_EQ(SHGetFolderPathW(nullptr, 0x7E, nullptr, 0, path), E_INVALIDARG);
  char narrow[MAX_PATH];
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, 0, narrow), S_OK);
  EXPECT_EQ(platform::ansiToWideLenient(narrow), windowsForm(root.path() + "/AppData"));
}

TEST(KnownFoldersTest, TempPathIsPrivateAndEndsWithASeparator) {
  ScratchRoot root;
  WCHAR path[MAX_PATH] = {};
  const DWORD length = GetTempPathW(MAX_PATH, path);
  const std::u16string expected = windowsForm(root.path() + "/Temp/");
  EXPECT_EQ(std::u16string(path), expected);
  EXPECT_EQ(length, expected.size());
  struct stat info {};
  ASSERT_EQ(stat((root.path() + "/Temp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // Too small a buffer: the size needed, terminator included.
  EXPECT_EQ(GetTempPathW(3, path), expected.size() + 1);
  // A folder others can enter, or a link, is not used: a fresh private
  // folder is, the same one for every later call of the process.
  const auto isPrivate = [](const std::u16string& windows) {
    struct stat info {};
    const auto native = platform::nativePath(windows.substr(0, windows.size() - 1));
    return native && lstat(native->c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 0777) == 0700;
  };
  chmod((root.path() + "/Temp").c_str(), 0755);
  ASSERT_GT(GetTempPathW(MAX_PATH, path), 0u);
  const std::u16string fallback = path;
  EXPECT_NE(fallback, expected);
  EXPECT_TRUE(isPrivate(fallback));
  ASSERT_GT(GetTempPathW(MAX_PATH, path), 0u);
  EXPECT_EQ(std::u16string(path), fallback);
  rmdir((root.path() + "/Temp").c_str());
  mkdir((root.path() + "/Elsewhere").c_str(), 0700);
  ASSERT_EQ(symlink((root.path() + "/Elsewhere").c_str(), (root.path() + "/Temp").c_str()), 0);
  ASSERT_GT(GetTempPathW(MAX_PATH, path), 0u);
  EXPECT_EQ(std::u16string(path), fallback);
  EXPECT_TRUE(isPrivate(fallback));
}

TEST(KnownFoldersTest, PathAppendJoinsAndCanonicalizes) {
  struct Case {
    std::u16string path, more, expected;
  };
  const Case cases[] = {
      {u"C:\\data", u"plan.dxf", u"C:\\data\\plan.dxf"},
      {u"C:\\data\\", u"plan.dxf", u"C:\\data\\plan.dxf"},
      {u"C:\\data", u"\\sub\\x", u"C:\\data\\sub\\x"},
      {u"C:\\data\\old", u"..\\new\\.\\x", u"C:\\data\\new\\x"},
      {u"C:\\", u"..\\x", u"C:\\x"},
      {u"", u"x", u"x"},
      {u"\\var\\lib", u"Vendrako SH", u"\\var\\lib\\Vendrako SH"},
  };
  for (const auto& test : cases) {
    WCHAR buffer[MAX_PATH] = {};
    std::copy(test.path.begin(), test.path.end(), buffer);
    EXPECT_TRUE(PathAppendW(buffer, test.more.c_str()));
    EXPECT_EQ(std::u16string(buffer), test.expected);
  }
  WCHAR full[MAX_PATH];
  std::fill_n(full, MAX_PATH - 1, u'a');
  full[MAX_PATH - 1] = 0;
  EXPECT_FALSE(PathAppendW(full, u"b"));
  EXPECT_EQ(std::u16string(full).size(), MAX_PATH - 1u);  // unchanged
  char narrow[MAX_PATH] = "C:\\data";
  EXPECT_TRUE(PathAppendA(narrow, "plan.dxf"));
  EXPECT_STREQ(narrow, "C:\\data\\plan.dxf");
}

TEST(KnownFoldersTest, CreateDirectoryExHasThreeAnswers) {
  ScratchRoot root;
  const auto folder = root.windowsName("a/b/c");
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), static_cast<int>(ERROR_SUCCESS));
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr), static_cast<int>(ERROR_ALREADY_EXISTS));
  root.writeFile("file", "");
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, root.windowsName("file").c_str(), nullptr),
            static_cast<int>(ERROR_FILE_EXISTS));
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, root.windowsName("file/below").c_str(), nullptr),
            static_cast<int>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(SHCreateDirectoryExW(nullptr, u"", nullptr), static_cast<int>(ERROR_BAD_PATHNAME));
}

}  // namespace
