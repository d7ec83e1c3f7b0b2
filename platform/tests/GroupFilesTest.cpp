#include "platform/GroupFiles.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

namespace {

using platform::testing::ScratchRoot;

struct stat statOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info;
}

// A shared file gets its folder's group and group read and write, whatever
// the creator's umask and primary group, and never through a link.
TEST(GroupFilesTest, SharedFilesTakeTheFolderGroup) {
  ScratchRoot root;
  root.writeFile("shared/keep", "");
  const std::string folder = root.driveC() + "/shared";
  // As root the folder can be given a group that is not ours.
  if (geteuid() == 0) {
    ASSERT_EQ(chown(folder.c_str(), static_cast<uid_t>(-1), 65534), 0);
  }
  ASSERT_EQ(chmod(folder.c_str(), 0775), 0);
  const gid_t folderGroup = statOf(folder).st_gid;
  const mode_t savedMask = umask(077);

  EXPECT_FALSE(platform::shareWithFolderGroup(root.windowsName("shared/x.ini"), /*create=*/false));
  EXPECT_FALSE(std::filesystem::exists(folder + "/x.ini"));
  EXPECT_TRUE(platform::shareWithFolderGroup(root.windowsName("shared/x.ini"), /*create=*/true));
  struct stat info = statOf(folder + "/x.ini");
  EXPECT_EQ(info.st_mode & 07777, platform::kGroupSharedFileMode);
  EXPECT_EQ(info.st_gid, folderGroup);

  // An existing file of ours gains group read and write and loses others'
  // write; its other bits stay.
  root.writeFile("shared/old.ini", "[S]\r\n");
  ASSERT_EQ(chmod((folder + "/old.ini").c_str(), 0602), 0);
  EXPECT_TRUE(platform::shareWithFolderGroup(root.windowsName("shared/old.ini"), /*create=*/false));
  info = statOf(folder + "/old.ini");
  EXPECT_EQ(info.st_mode & 07777, 0660u);
  EXPECT_EQ(info.st_gid, folderGroup);

  ASSERT_EQ(symlink((folder + "/old.ini").c_str(), (folder + "/link.ini").c_str()), 0);
  ASSERT_EQ(chmod((folder + "/old.ini").c_str(), 0600), 0);
  EXPECT_FALSE(platform::shareWithFolderGroup(root.windowsName("shared/link.ini"), /*create=*/true));
  EXPECT_EQ(statOf(folder + "/old.ini").st_mode & 07777, 0600u);

  // In a folder its group may not write, a file is nobody's to share.
  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  EXPECT_FALSE(platform::shareWithFolderGroup(root.windowsName("shared/old.ini"), /*create=*/false));
  EXPECT_EQ(statOf(folder + "/old.ini").st_mode & 07777, 0600u);
  umask(savedMask);
}

TEST(GroupFilesTest, OneHolderOfTheLockAtATime) {
  ScratchRoot root;
  root.writeFile("keep", "");
  ASSERT_EQ(chmod(root.driveC().c_str(), 0775), 0);
  const std::u16string name = root.windowsName("turn.lock");
  std::unique_ptr<platform::GroupFileLock> first;
  std::unique_ptr<platform::GroupFileLock> second;
  ASSERT_EQ(platform::GroupFileLock::tryTake(name, first), platform::GroupFileLock::Outcome::Taken);
  EXPECT_EQ(statOf(root.driveC() + "/turn.lock").st_mode & 07777, platform::kGroupSharedFileMode);
  EXPECT_EQ(platform::GroupFileLock::tryTake(name, second), platform::GroupFileLock::Outcome::Busy);
  EXPECT_EQ(second, nullptr);
  first.reset();
  EXPECT_EQ(platform::GroupFileLock::tryTake(name, second), platform::GroupFileLock::Outcome::Taken);
  EXPECT_EQ(platform::GroupFileLock::tryTake(root.windowsName("no/dir/turn.lock"), first),
            platform::GroupFileLock::Outcome::Failed);
}

}  // namespace
