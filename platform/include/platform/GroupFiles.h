// Files that the members of one group share, such as the channel between
// the desktop users who run a program and the service that works for them.
//
// A shared file belongs to the group of its folder (the folder is made with
// the group that is to share it, and that group may write it) and is
// readable and writable by that group. In a folder its group may not write,
// files are left as they are.
// Whoever creates such a file gives it that group and mode, whatever the
// creator's primary group and umask; a file that exists without them gets
// them from whoever may change it (its owner, or root). Files are reached
// through their folder and never through a link.
#pragma once

#include "platform/Export.h"

#include <sys/types.h>

#include <memory>
#include <string_view>

namespace platform {

// The mode a shared file is created with: read and write for its owner and
// its group, read for others.
inline constexpr mode_t kGroupSharedFileMode = 0664;

// Makes the file at `windowsPath` a shared file as above, creating it empty
// when missing and `create` is set. True when it now is one: a plain file of
// the folder's group that the group may read and write. False (last error
// set) when it is missing, is no plain file, cannot be opened, lies in a
// folder its group may not write, or keeps another group or mode because we
// may not change them.
[[nodiscard]] ZEF_EXPORT bool shareWithFolderGroup(std::u16string_view windowsPath, bool create);

// An exclusive lock that the members of a group take in turn: an advisory
// lock on a shared file (created as above when missing). The kernel drops it
// when the object goes or the process ends in any way.
class ZEF_EXPORT GroupFileLock {
public:
  enum class Outcome { Taken, Busy, Failed };

  // Takes the lock of the file at `windowsPath` without waiting. Busy when
  // another holder has it; Failed (last error set) when the file cannot be
  // opened.
  [[nodiscard]] static Outcome tryTake(std::u16string_view windowsPath, std::unique_ptr<GroupFileLock>& lock);

  ~GroupFileLock();
  GroupFileLock(const GroupFileLock&) = delete;
  GroupFileLock& operator=(const GroupFileLock&) = delete;

private:
  explicit GroupFileLock(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace platform
