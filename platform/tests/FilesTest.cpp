#include "platform/FileMapping.h"
#include "platform/FileSyscalls.h"
#include "platform/Files.h"
#include "platform/LastError.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>

#include <cstring>
#include <vector>

namespace {

using platform::testing::ScratchRoot;

// Opens with the given access and disposition; closes at scope end.
class OpenFile {
public:
  OpenFile(const std::u16string& name, DWORD access, DWORD disposition)
      : handle_(
            CreateFileW(name.c_str(), access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)),
        error_(GetLastError()) {}
  ~OpenFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }
  bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  DWORD error() const { return error_; }

private:
  HANDLE handle_;
  DWORD error_;
};

TEST(FilesTest, CreateFileDispositions) {
  struct Case {
    const char* what;
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;
    const char* contentAfter;  // nullptr: no file afterwards
  };
  const Case cases[] = {
      {"open existing", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      {"open missing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      {"open always, existing", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      {"open always, missing", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"create always, existing", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      {"create always, missing", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      {"create new, existing", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
  };
  for (const auto& test : cases) {
    ScratchRoot root;
    const auto name = test.exists ? root.writeFile("f.txt", "old") : root.windowsName("f.txt");
    {
      OpenFile file(name, GENERIC_READ | GENERIC_WRITE, test.disposition);
      EXPECT_EQ(file.isOpen(), test.opens) << test.what;
      EXPECT_EQ(file.error(), test.error) << test.what;
    }
    struct stat info {};
    const bool existsAfter = stat((root.driveC() + "/f.txt").c_str(), &info) == 0;
    EXPECT_EQ(existsAfter, test.contentAfter != nullptr) << test.what;
    if (test.contentAfter) {
      EXPECT_EQ(root.readFile("f.txt"), test.contentAfter) << test.what;
    }
  }
}

TEST(FilesTest, FoldersAndBadNamesDoNotOpen) {
  ScratchRoot root;
  root.writeFile("dir/x", "");
  OpenFile folder(root.windowsName("dir"), GENERIC_READ, OPEN_EXISTING);
  EXPECT_FALSE(folder.isOpen());
  EXPECT_EQ(folder.error(), ERROR_ACCESS_DENIED);
  OpenFile noDrive(u"Q:\\x", GENERIC_READ, OPEN_EXISTING);
  EXPECT_EQ(noDrive.error(), ERROR_PATH_NOT_FOUND);
  OpenFile missingFolder(root.windowsName("none/x"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
  EXPECT_EQ(missingFolder.error(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(intptr_t{0x1234})));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(FilesTest, ReadsWritesAndSeeks) {
  ScratchRoot root;
  OpenFile file(root.writeFile("f.bin", "0123456789"), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  ASSERT_TRUE(file.isOpen());
  char buffer[16] = {};
  DWORD count = 99;
  // A read that reaches the end is a short read, not a failure.
  EXPECT_EQ(SetFilePointer(file.get(), 6, nullptr, FILE_BEGIN), 6u);
  EXPECT_TRUE(ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(std::string(buffer, count), "6789");
  EXPECT_TRUE(ReadFile(file.get(), buffer, sizeof buffer, &count, nullptr));
  EXPECT_EQ(count, 0u);
  // Seeking before the start fails and leaves the pointer where it was.
  EXPECT_EQ(SetFilePointer(file.get(), -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(file.get(), 0, nullptr, FILE_CURRENT), 10u);
  EXPECT_EQ(SetFilePointer(file.get(), -3, nullptr, FILE_CURRENT), 7u);
  // Past the end is allowed; a write there fills the gap with zeros.
  EXPECT_EQ(SetFilePointer(file.get(), 12, nullptr, FILE_BEGIN), 12u);
  EXPECT_TRUE(WriteFile(file.get(), "ab", 2, &count, nullptr));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(GetFileSize(file.get(), nullptr), 14u);
  EXPECT_EQ(root.readFile("f.bin"), std::string("0123456789\0\0ab", 14));
  // The high part makes a 64-bit position.
  LONG high = 0;
  EXPECT_EQ(SetFilePointer(file.get(), 4, &high, FILE_BEGIN), 4u);
  EXPECT_EQ(high, 0);
  EXPECT_TRUE(SetEndOfFile(file.get()));
  EXPECT_EQ(root.readFile("f.bin"), "0123");
}

TEST(FilesTest, AttributesOfFilesAndHandlesAgree) {
  ScratchRoot root;
  const auto name = root.writeFile("Dir/data.bin", std::string(300, 'x'));
  WIN32_FILE_ATTRIBUTE_DATA byName{};
  const std::string narrow = platform::wideToAnsiLenient(name);
  ASSERT_TRUE(GetFileAttributesExA(narrow.c_str(), GetFileExInfoStandard, &byName));
  EXPECT_EQ(byName.nFileSizeLow, 300u);
  EXPECT_EQ(byName.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
  OpenFile file(name, GENERIC_READ, OPEN_EXISTING);
  BY_HANDLE_FILE_INFORMATION byHandle{};
  ASSERT_TRUE(GetFileInformationByHandle(file.get(), &byHandle));
  EXPECT_EQ(byHandle.nFileSizeLow, 300u);
  EXPECT_EQ(std::memcmp(&byHandle.ftLastWriteTime, &byName.ftLastWriteTime, sizeof(FILETIME)), 0);
  FILETIME written{};
  ASSERT_TRUE(GetFileTime(file.get(), nullptr, nullptr, &written));
  EXPECT_GT(written.dwHighDateTime, 0x01D00000u);  // after 2015
  EXPECT_EQ(GetFileAttributesW(root.windowsName("dir").c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(root.windowsName("nothing").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(FilesTest, CopyMoveDeleteAndFind) {
  ScratchRoot root;
  const auto a = root.writeFile("a.txt", "A");
  const auto b = root.writeFile("b.txt", "B");
  const auto c = root.windowsName("c.txt");
  EXPECT_FALSE(CopyFileW(a.c_str(), b.c_str(), TRUE));
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  EXPECT_TRUE(CopyFileW(a.c_str(), b.c_str(), FALSE));
  EXPECT_EQ(root.readFile("b.txt"), "A");
  // A move never replaces its destination.
  EXPECT_FALSE(MoveFileW(a.c_str(), b.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(MoveFileW(a.c_str(), c.c_str()));
  EXPECT_EQ(root.readFile("c.txt"), "A");
  // Unless asked to: then the destination is replaced whole.
  const auto d = root.writeFile("d.txt", "D");
  EXPECT_TRUE(MoveFileExW(d.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(root.readFile("b.txt"), "D");
  EXPECT_EQ(GetFileAttributesW(d.c_str()), INVALID_FILE_ATTRIBUTES);

  WIN32_FIND_DATAW data{};
  HANDLE search = FindFirstFileW(root.windowsName("*.TXT").c_str(), &data);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  std::vector<std::u16string> found{data.cFileName};
  while (FindNextFileW(search, &data)) found.emplace_back(data.cFileName);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(search));
  EXPECT_EQ(found, (std::vector<std::u16string>{u"b.txt", u"c.txt"}));
  EXPECT_EQ(FindFirstFileW(a.c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  EXPECT_TRUE(DeleteFileW(b.c_str()));
  EXPECT_FALSE(DeleteFileW(b.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(u"C:\\"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST(FilesTest, FaultsOfTheSystemCallsAreReported) {
  ScratchRoot root;
  OpenFile file(root.writeFile("f.bin", "abc"), GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  platform::ScopedFileSyscalls restore;
  // Interrupted reads are repeated; the caller never sees the signal.
  static int interruptions;
  interruptions = 2;
  platform::fileSyscalls().read = [](int fd, void* buffer, size_t count) -> ssize_t {
    if (interruptions > 0) {
      --interruptions;
      errno = EINTR;
      return -1;
    }
    return platform::defaultFileSyscalls().read(fd, buffer, count);
  };
  char buffer[4] = {};
  DWORD count = 0;
  EXPECT_TRUE(ReadFile(file.get(), buffer, 3, &count, nullptr));
  EXPECT_EQ(std::string(buffer, count), "abc");
  // A full disk fails the write, for good.
  platform::fileSyscalls().write = [](int, const void*, size_t) -> ssize_t {
    errno = ENOSPC;
    return -1;
  };
  EXPECT_FALSE(WriteFile(file.get(), "x", 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(count, 0u);
  // So does a system that takes no byte at all (it would be asked for ever),
  // for a write and for a copy.
  platform::fileSyscalls().write = [](int, const void*, size_t) -> ssize_t { return 0; };
  EXPECT_FALSE(WriteFile(file.get(), "x", 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_FALSE(CopyFileW(root.windowsName("f.bin").c_str(), root.windowsName("g.bin").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

TEST(FilesTest, MappingsShowTheFileAndRefuseEmptyFiles) {
  ScratchRoot root;
  OpenFile file(root.writeFile("m.bin", "mapped bytes"), GENERIC_READ, OPEN_EXISTING);
  HANDLE mapping = CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr);
  ASSERT_NE(mapping, nullptr);
  const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(std::string(static_cast<const char*>(view), 12), "mapped bytes");
  EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0), nullptr);  // read-only mapping
  EXPECT_TRUE(CloseHandle(mapping));                                    // the view outlives its mapping handle
  EXPECT_EQ(static_cast<const char*>(view)[0], 'm');
  EXPECT_TRUE(UnmapViewOfFile(view));
  EXPECT_FALSE(UnmapViewOfFile(view));

  OpenFile empty(root.writeFile("empty.bin", ""), GENERIC_READ, OPEN_EXISTING);
  EXPECT_EQ(CreateFileMappingW(empty.get(), nullptr, PAGE_READONLY, 0, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
}

}  // namespace

TEST(FilesTest, FindPatternsEndingInDotStarMatchNamesWithoutADot) {
  ScratchRoot root;
  for (const char* name : {"README", "a.txt", "b.tar.gz", "Makefile.", "dir/x"}) root.writeFile(name, "");
  const struct {
    const char* pattern;
    std::vector<std::u16string> found;
  } cases[] = {
      {"*.*", {u"Makefile.", u"README", u"a.txt", u"b.tar.gz", u"dir"}},
      {"READ*.*", {u"README"}},
      {"*.", {u"Makefile."}},
      {"*", {u"Makefile.", u"README", u"a.txt", u"b.tar.gz", u"dir"}},
      {"*.t*", {u"a.txt", u"b.tar.gz"}},
  };
  for (const auto& c : cases) {
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW(root.windowsName(c.pattern).c_str(), &data);
    std::vector<std::u16string> found;
    if (search != INVALID_HANDLE_VALUE) {
      found.emplace_back(data.cFileName);
      while (FindNextFileW(search, &data)) found.emplace_back(data.cFileName);
      FindClose(search);
    }
    std::sort(found.begin(), found.end());
    std::erase_if(found, [](const std::u16string& name) { return name == u"." || name == u".."; });
    EXPECT_EQ(found, c.found) << c.pattern;
  }
}

namespace {

// Folder listings and short writes go through the replaceable table too, so
// a fault injected there reaches every caller.
TEST(FilesTest, ListingsAndShortWritesGoThroughTheTable) {
  ScratchRoot root;
  root.writeFile("Data/Name.txt", "x");
  const std::u16string file = root.writeFile("w.bin", "");
  platform::ScopedFileSyscalls restore;
  WIN32_FIND_DATAW data{};
  // A folder that cannot be listed: nothing found, and no case-insensitive
  // lookup can find the name either.
  platform::fileSyscalls().opendir = [](const char*) -> DIR* {
    errno = EACCES;
    return nullptr;
  };
  EXPECT_EQ(FindFirstFileW(root.windowsName("Data\\*.txt").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetFileAttributesW(root.windowsName("DATA\\name.TXT").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(root.windowsName("Data\\Name.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  platform::fileSyscalls().opendir = platform::defaultFileSyscalls().opendir;

  // A system that takes one byte a call still gets every byte written.
  platform::fileSyscalls().write = [](int fd, const void* buffer, size_t count) -> ssize_t {
    return platform::defaultFileSyscalls().write(fd, buffer, count > 0 ? 1 : 0);
  };
  OpenFile out(file, GENERIC_WRITE, OPEN_EXISTING);
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(out.get(), "abcdef", 6, &written, nullptr));
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(root.readFile("w.bin"), "abcdef");
}

}  // namespace
