#include "zefcorek/FilePath.h"

#include "ScratchFolder.h"

#include "platform/FileSyscalls.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

namespace {

using zefcorek::testing::ScratchFolder;

// Whether `name` is `prefix`, 1 to 5 digits, then `extension`.
bool isNumberedName(const std::string& name, const std::string& prefix, const std::string& extension) {
  if (name.size() <= prefix.size() + extension.size()) return false;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  if (name.compare(name.size() - extension.size(), extension.size(), extension) != 0) return false;
  const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
  return digits.size() <= 5 &&
         std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

TEST(TempFilesTest, BackupCopyAndNumberedBackups) {
  ScratchFolder folder;
  const auto plan = folder.write("plan.dxf", "F");
  EXPECT_TRUE(MakeBackupCopy(plan.c_str()));
  EXPECT_EQ(folder.read("plan.~dxf"), "F");
  EXPECT_FALSE(MakeBackupCopy(folder.name("missing.dxf").c_str()));

  folder.write("plan.bak1", "1");
  folder.write("plan.bak2", "2");
  folder.write("plan.bak3", "3");
  MakeBackupCopies(plan.c_str(), u"bak", 2);
  EXPECT_FALSE(folder.exists("plan.dxf"));
  EXPECT_EQ(folder.read("plan.bak1"), "F");
  EXPECT_EQ(folder.read("plan.bak2"), "1");
  EXPECT_EQ(folder.read("plan.bak3"), "2");  // the old third one is gone
  EXPECT_FALSE(folder.exists("plan.bak4"));

  // Count 0 keeps one older backup; a missing file changes nothing.
  const auto other = folder.write("o.txt", "new");
  folder.write("o.v1", "old");
  MakeBackupCopies(other.c_str(), u"v", 0);
  EXPECT_EQ(folder.read("o.v1"), "new");
  EXPECT_EQ(folder.read("o.v2"), "old");
  MakeBackupCopies(other.c_str(), u"v", 3);
  EXPECT_EQ(folder.read("o.v1"), "new");
}

TEST(TempFilesTest, TemporaryFilesAreCreatedExclusivelyInThePrivateFolder) {
  ScratchFolder folder;
  WCHAR first[MAX_PATH], second[MAX_PATH];
  ASSERT_TRUE(CreateTempFile(u"upd", u"zip", first));
  ASSERT_TRUE(CreateTempFile(u"upd", u".zip", second));
  const std::string tempFolder = platform::wideToAnsiLenient(platform::windowsPath(folder.root() + "/Temp/"));
  for (const WCHAR* name : {first, second}) {
    const std::string text = platform::wideToAnsiLenient(name);
    ASSERT_EQ(text.substr(0, tempFolder.size()), tempFolder);
    EXPECT_TRUE(isNumberedName(text.substr(tempFolder.size()), "upd", ".zip")) << text;
    // Claimed on disk, empty, for the caller only.
    struct stat info {};
    ASSERT_EQ(stat(platform::nativePath(name)->c_str(), &info), 0) << text;
    EXPECT_EQ(info.st_size, 0);
  }
  EXPECT_NE(std::u16string(first), std::u16string(second));
  WCHAR plain[MAX_PATH];
  ASSERT_TRUE(CreateTempFile(nullptr, nullptr, plain));
  EXPECT_TRUE(isNumberedName(platform::wideToAnsiLenient(plain).substr(tempFolder.size()), "", ".tmp"));
}

TEST(TempFilesTest, TemporaryFileFailuresAreReported) {
  ScratchFolder folder;
  WCHAR name[MAX_PATH];
  // The folder cannot be had: the box is shown and no file is made
  // anywhere else instead.
  ASSERT_TRUE(CreateTempFile(u"x", nullptr, name));
  std::filesystem::remove_all(folder.root() + "/Temp");
  platform::RecordingMessageBoxes boxes;
  static int opens;
  opens = 0;
  platform::ScopedFileSyscalls restore;
  platform::fileSyscalls().mkdir = [](const char*, mode_t) -> int {
    errno = EACCES;
    return -1;
  };
  platform::fileSyscalls().open = [](const char* path, int flags, mode_t mode) -> int {
    ++opens;
    return platform::defaultFileSyscalls().open(path, flags, mode);
  };
  EXPECT_FALSE(CreateTempFile(u"x", nullptr, name));
  EXPECT_EQ(opens, 0);
  ASSERT_EQ(boxes.count(), 1u);
  EXPECT_EQ(boxes.shown()[0].text, u"GetTempPath() API failed!");
}

TEST(TempFilesTest, NamesInAFolderCountUp) {
  ScratchFolder folder;
  folder.write("x1.tmp", "");
  folder.write("x2.tmp", "");
  WCHAR name[MAX_PATH];
  const std::u16string where = platform::windowsPath(folder.root() + "/files");
  ASSERT_TRUE(CreateTempFileInFolder(where.c_str(), u"x", nullptr, name));
  EXPECT_EQ(std::u16string(name), where + u"\\x3.tmp");
  EXPECT_FALSE(folder.exists("x3.tmp"));  // named, not made
  ASSERT_TRUE(CreateTempFileInFolder((where + u"\\").c_str(), u"y", u"log", name));
  EXPECT_EQ(std::u16string(name), where + u"\\y1.log");
  ASSERT_TRUE(CreateTempFileInFolder(u"", u"z", nullptr, name));
  EXPECT_NE(std::u16string(name).find(u"\\Temp\\z"), std::u16string::npos);
}

}  // namespace
