#include "zefcorek/FilePath.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using zefcorek::testing::ScratchFolder;
using PathType = TFilePath::PathType;

std::string narrow(const WCHAR* text) { return platform::wideToAnsiLenient(text); }

TEST(FilePathTest, ValidFileNames) {
  const std::pair<std::u16string, bool> cases[] = {
      {u"", false},
      {u"a:b", false},
      {u"a\tb", false},
      {u"a\nb", false},
      {u"a\\b", false},
      {u"a/b", false},
      {u"a*b", false},
      {u"a?b", false},
      {u"a<b>", false},
      {u"a|b", false},
      {u"a\"b", false},
      {u"name.ext", true},
      {u"a name with blanks", true},
      {u"\u00E9t\u00E9.txt", true},
  };
  for (const auto& [name, valid] : cases) EXPECT_EQ(IsValidFileName(name.c_str()), valid) << narrow(name.c_str());
  EXPECT_FALSE(IsValidFileName(nullptr));
}

TEST(FilePathTest, SplitsIntoDriveFolderNameAndExtension) {
  struct Case {
    std::u16string text;
    PathType type;
    std::u16string path, drive, dir, name, ext;
  };
  const Case cases[] = {
      {u"C:/data/plan.dxf", PathType::Unspecified, u"C:\\data\\plan.dxf", u"C:", u"\\data\\", u"plan", u".dxf"},
      {u"C:/data/plan.dxf", PathType::Folder, u"C:\\data\\plan.dxf\\", u"C:", u"\\data\\plan.dxf\\", u"", u""},
      {u"C:\\data\\", PathType::File, u"C:\\data\\", u"C:", u"\\data\\", u"", u""},
      {u"plan", PathType::Unspecified, u"plan", u"", u"", u"plan", u""},
      {u"\\\\server\\share\\a.b.c", PathType::File, u"\\\\server\\share\\a.b.c", u"", u"\\\\server\\share\\", u"a.b",
       u".c"},
      {u"relative\\.hidden", PathType::Unspecified, u"relative\\.hidden", u"", u"relative\\", u"", u".hidden"},
      {u"", PathType::Folder, u"", u"", u"", u"", u""},
      {std::u16string(300, u'x'), PathType::Unspecified, std::u16string(259, u'x'), u"", u"", std::u16string(255, u'x'),
       u""},
  };
  for (const auto& test : cases) {
    const TFilePath path(test.text.c_str(), test.type);
    const std::string row = narrow(test.text.c_str()).substr(0, 40);
    EXPECT_EQ(std::u16string(path.GetPath()), test.path) << row;
    EXPECT_EQ(std::u16string(path.GetDrive()), test.drive) << row;
    EXPECT_EQ(std::u16string(path.GetDir()), test.dir) << row;
    EXPECT_EQ(std::u16string(path.GetName()), test.name) << row;
    EXPECT_EQ(std::u16string(path.GetExt()), test.ext) << row;
    EXPECT_EQ(path.GetPathType(), test.type) << row;
    EXPECT_EQ(path.GetDirLen(), static_cast<int>(test.dir.size())) << row;
  }
  const TFilePath fromNarrow("C:/\xC3\xA9t\xC3\xA9/x.txt");
  EXPECT_EQ(std::u16string(fromNarrow.GetDir()), u"\\\u00E9t\u00E9\\");
  EXPECT_TRUE(TFilePath(static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(FilePathTest, TypeChangesAndAppends) {
  TFilePath folder(u"C:\\data\\", PathType::Folder);
  folder.SetPathType(PathType::File);
  EXPECT_EQ(std::u16string(folder.GetPath()), u"C:\\data");
  EXPECT_EQ(std::u16string(folder.GetName()), u"data");
  TFilePath root(u"C:\\", PathType::Folder);
  root.SetPathType(PathType::File);
  EXPECT_EQ(std::u16string(root.GetPath()), u"C:\\");  // a root keeps its backslash

  struct Case {
    const char* what;
    std::u16string start;
    PathType startType;
    std::u16string added;
    PathType givenType;
    std::u16string path;
    PathType type;
  };
  const Case cases[] = {
      {"file name to a folder, given File", u"C:\\data\\", PathType::Folder, u"plan.dxf", PathType::File,
       u"C:\\data\\plan.dxf", PathType::File},
      {"a folder stays a folder", u"C:\\data\\", PathType::Folder, u"plan.dxf", PathType::Unspecified,
       u"C:\\data\\plan.dxf\\", PathType::Folder},
      {"a file path becomes its folder first", u"C:\\a\\x.txt", PathType::File, u"y/z.txt", PathType::Unspecified,
       u"C:\\a\\x.txt\\y\\z.txt", PathType::File},
      {"onto an empty path", u"", PathType::Unspecified, u"x", PathType::Unspecified, u"x", PathType::Unspecified},
      {"too long leaves the path", u"C:\\a", PathType::File, std::u16string(256, u'b'), PathType::Unspecified, u"C:\\a",
       PathType::File},
  };
  for (const auto& test : cases) {
    TFilePath path(test.start.c_str(), test.startType);
    path.AppendPath(test.added.c_str(), test.givenType);
    EXPECT_EQ(std::u16string(path.GetPath()), test.path) << test.what;
    EXPECT_EQ(path.GetPathType(), test.type) << test.what;
  }
}

TEST(FilePathTest, PartSettersMergeAndBackupNames) {
  TFilePath path(u"C:\\data\\plan.dxf");
  path.SetExt(u"txt");
  EXPECT_EQ(std::u16string(path.GetPath()), u"C:\\data\\plan.txt");
  path.SetDir(u"\\other");
  EXPECT_EQ(std::u16string(path.GetPath()), u"C:\\other\\plan.txt");
  path.SetDrive(u"D");
  EXPECT_EQ(std::u16string(path.GetPath()), u"D:\\other\\plan.txt");
  path.SetName(u"sub/leaf");  // a slash in a part is turned and split again
  EXPECT_EQ(std::u16string(path.GetPath()), u"D:\\other\\sub\\leaf.txt");
  EXPECT_EQ(std::u16string(path.GetDir()), u"\\other\\sub\\");
  EXPECT_EQ(path.ExtractPathNoFileNameStr().ToUnicodeString(), u"D:\\other\\sub\\");
  EXPECT_EQ(path.ExtractFileNameStr().ToUnicodeString(), u"leaf.txt");
  EXPECT_EQ(std::u16string(path.ExtractFileName().GetPath()), u"leaf.txt");
  EXPECT_EQ(path.ExtractPathNoFileName().GetPathType(), PathType::Unspecified);

  const std::pair<std::u16string, std::u16string> backups[] = {
      {u"C:\\plan.dxf", u"C:\\plan.~dxf"},
      {u"C:\\plan.~dxf", u"C:\\plan.~dxf"},
      {u"C:\\plan", u"C:\\plan.~"},
      {u"C:\\dir.d\\plan", u"C:\\dir.d\\plan.~"},
  };
  for (const auto& [original, backup] : backups) {
    CLWideStr out;
    EXPECT_TRUE(MakeBackupName(original.c_str(), out));
    EXPECT_EQ(out.ToUnicodeString(), backup) << narrow(original.c_str());
  }
  TFilePath prefixed(u"PLAN.BAKDXF");
  prefixed.SetExtPrefix(u".bak");  // already there, ignoring case
  EXPECT_EQ(std::u16string(prefixed.GetPath()), u"PLAN.BAKDXF");
}

// A part setter whose merge passes 259 characters cuts the path, and the
// parts are then those of the cut path, so lengths and parts agree with it.
TEST(FilePathTest, PartSettersPastTheCapacityCutThePartsWithThePath) {
  const std::u16string dir = u"\\" + std::u16string(150, u'd') + u"\\";
  const std::u16string name(200, u'n');
  struct Case {
    const char* what;
    void (*set)(TFilePath&, const std::u16string&);
    std::u16string text;
  };
  const Case cases[] = {
      {"name", [](TFilePath& p, const std::u16string& t) { p.SetName(t.c_str()); }, name},
      {"ext", [](TFilePath& p, const std::u16string& t) { p.SetExt(t.c_str()); }, u"x" + name},
      {"dir", [](TFilePath& p, const std::u16string& t) { p.SetDir(t.c_str()); },
       u"\\" + std::u16string(253, u'e') + u"\\"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TFilePath path((u"C:" + dir + u"plan.dxf").c_str());
    c.set(path, c.text);
    const std::u16string whole = path.GetPath();
    EXPECT_EQ(whole.size(), 259u);
    const std::u16string parts =
        std::u16string(path.GetDrive()) + path.GetDir() + path.GetName() + std::u16string(path.GetExt());
    EXPECT_EQ(parts, whole);
    EXPECT_EQ(path.GetDriveLen() + path.GetDirLen() + path.GetNameLen() + path.GetExtLen(), 259);
  }
}

TEST(FilePathTest, ExistenceAndFolderCreation) {
  ScratchFolder folder;
  folder.write("file.txt", "x");
  EXPECT_TRUE(TFilePath(folder.name("file.txt").c_str()).FileExists());
  EXPECT_FALSE(TFilePath(folder.name("file.txt").c_str()).FolderExists());
  const TFilePath nested((folder.name("a") + u"\\b\\c").c_str(), PathType::Folder);
  EXPECT_FALSE(nested.FolderExists());
  EXPECT_TRUE(nested.CreateFolder());
  EXPECT_TRUE(nested.FolderExists());
  EXPECT_FALSE(nested.FileExists());
  EXPECT_TRUE(nested.CreateFolder());  // already there
  // A file holding the name is no folder: creating it must not succeed.
  EXPECT_FALSE(TFilePath(folder.name("file.txt").c_str()).CreateFolder());
  EXPECT_FALSE(TFilePath((folder.name("bad") + u"?").c_str()).CreateFolder());
  EXPECT_FALSE(TFilePath().CreateFolder());
}

}  // namespace
