#include "platform/BuildVersion.h"
#include "platform/KnownFolders.h"
#include "platform/LastError.h"
#include "platform/Modules.h"
#include "platform/Paths.h"
#include "platform/Resources.h"
#include "platform/VersionInfo.h"

#include "ScratchRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using platform::testing::ScratchRoot;

std::u16string moduleName(HMODULE module) {
  WCHAR name[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, name, MAX_PATH);
  return std::u16string(name, length);
}

bool endsWith(const std::u16string& text, std::u16string_view tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(ModuleVersionTest, ModuleNamesOfTheProgramAndOfALibrary) {
  const auto program = moduleName(nullptr);
  EXPECT_TRUE(endsWith(program, u"\\platform_tests")) << platform::wideToAnsiLenient(program);
  EXPECT_EQ(moduleName(GetModuleHandleW(nullptr)), program);

  HMODULE library = platform::moduleOfAddress(reinterpret_cast<const void*>(&GetTempPathW));
  ASSERT_NE(library, nullptr);
  // The same handle the string resources use for a module.
  EXPECT_EQ(library, platform::moduleHandleOf(reinterpret_cast<const void*>(&GetTempPathW)));
  const auto libraryName = moduleName(library);
  EXPECT_NE(libraryName.find(u"\\libplatform.so"), std::u16string::npos);
  EXPECT_EQ(libraryName[0], u'\\');  // mapped back to Windows form
  EXPECT_EQ(platform::moduleOfAddress(reinterpret_cast<const void*>(&moduleName)), GetModuleHandleW(nullptr));

  // A short buffer gets a cut, terminated name.
  WCHAR shortName[5];
  EXPECT_EQ(GetModuleFileNameW(library, shortName, 5), 5u);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(shortName[4], 0);
}

// Reads the fixed version information of a file, or nullopt.
std::optional<VS_FIXEDFILEINFO> fixedInfoOf(const std::u16string& file) {
  DWORD handle = 7;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
  EXPECT_EQ(handle, 0u);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return std::nullopt;
  void* value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), u"\\", &value, &length) || length != sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  EXPECT_FALSE(VerQueryValueW(block.data(), u"\\StringFileInfo", &value, &length));
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, value, sizeof info);
  return info;
}

TEST(ModuleVersionTest, OurLibraryCarriesTheBuildVersion) {
  HMODULE library = platform::moduleOfAddress(reinterpret_cast<const void*>(&GetTempPathW));
  const auto info = fixedInfoOf(moduleName(library));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(info->dwProductVersionMS, DWORD{ZEF_BUILD_VERSION_MAJOR} << 16 | ZEF_BUILD_VERSION_MINOR);
  EXPECT_EQ(info->dwFileVersionLS, DWORD{ZEF_BUILD_VERSION_PATCH} << 16);
  EXPECT_EQ(info->dwFileFlags & VS_FF_PRERELEASE, 0u);
}

TEST(ModuleVersionTest, FilesWithoutAVersionNoteAnswerLikeFilesWithoutVersionInformation) {
  ScratchRoot root;
  HMODULE library = platform::moduleOfAddress(reinterpret_cast<const void*>(&GetTempPathW));
  const auto libraryPath = platform::moduleFilePath(library);
  ASSERT_TRUE(libraryPath);
  std::ifstream in(*libraryPath, std::ios::binary);
  const std::string image((std::istreambuf_iterator<char>(in)), {});

  // Damaged copies: the section table cut off, an inflated section count,
  // the note's size pointing past the end of its section.
  std::string inflated = image;
  inflated[60] = '\xFF';
  inflated[61] = '\xFF';
  std::string badNote = image;
  const size_t note = badNote.find("ZefVersion");
  ASSERT_NE(note, std::string::npos);
  badNote[note - 8] = '\x7F';  // descriptor size of the note
  const std::pair<const char*, std::string> files[] = {
      {"text.txt", "no version here"}, {"empty.bin", ""},       {"truncated.so", image.substr(0, image.size() / 2)},
      {"inflated.so", inflated},       {"badnote.so", badNote},
  };
  for (const auto& [name, bytes] : files) {
    const auto file = root.writeFile(name, bytes);
    SetLastError(0);
    EXPECT_EQ(GetFileVersionInfoSizeW(file.c_str(), nullptr), 0u) << name;
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND) << name;
  }
  EXPECT_EQ(GetFileVersionInfoSizeW(root.windowsName("missing.so").c_str(), nullptr), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

}  // namespace
