#include "zefcorek/ModuleVersion.h"

#include "ScratchFolder.h"

#include "platform/BuildVersion.h"
#include "platform/Modules.h"
#include "platform/VersionNote.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using zefcorek::testing::ScratchFolder;

void putLittle(std::string& bytes, size_t offset, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

// The smallest ELF file that carries a version note: the 64-byte header,
// the note, and a section table of a null entry and the note entry.
std::string elfWithNote(const platform::VersionNote& note) {
  std::string bytes(64, '\0');
  std::memcpy(bytes.data(),
              "\x7F"
              "ELF\x02\x01\x01",
              7);
  const size_t noteOffset = bytes.size();
  bytes.append(reinterpret_cast<const char*>(&note), sizeof note);
  const size_t tableOffset = bytes.size();
  bytes.append(128, '\0');
  putLittle(bytes, 40, tableOffset, 8);  // e_shoff
  putLittle(bytes, 58, 64, 2);           // e_shentsize
  putLittle(bytes, 60, 2, 2);            // e_shnum
  const size_t entry = tableOffset + 64;
  putLittle(bytes, entry + 4, 7, 4);  // SHT_NOTE
  putLittle(bytes, entry + 24, noteOffset, 8);
  putLittle(bytes, entry + 32, sizeof note, 8);
  putLittle(bytes, entry + 48, 4, 8);
  return bytes;
}

TEST(ModuleVersionTest, VersionRecordsOfFiles) {
  struct Case {
    const char* what;
    platform::VersionNote note;
    TModuleVersionInfo expected;
  };
  const Case cases[] = {
      {"product version", platform::makeVersionNote(VFT_APP, 9, 9, 9, 9, 3, 1, 4, 15, 0), {3, 1, 4, 15, 0}},
      {"product 0.x reports the file version",
       platform::makeVersionNote(VFT_APP, 2, 7, 1, 8, 0, 5, 5, 5, 0),
       {2, 7, 1, 8, 0}},
      {"pre-release",
       platform::makeVersionNote(VFT_DLL, 1, 0, 0, 0, 1, 2, 0, 0, VS_FF_PRERELEASE | VS_FF_DEBUG),
       {1, 2, 0, 0, 2}},
  };
  for (const auto& test : cases) {
    ScratchFolder folder;
    TModuleVersionInfo info{};
    EXPECT_EQ(GetModuleVersionInfo(folder.write("m.bin", elfWithNote(test.note)).c_str(), &info), 1) << test.what;
    EXPECT_EQ(std::memcmp(&info, &test.expected, sizeof info), 0) << test.what;
  }
  // Without version information the record stays as it was.
  ScratchFolder folder;
  TModuleVersionInfo untouched{7, 7, 7, 7, 7};
  EXPECT_EQ(GetModuleVersionInfo(folder.write("plain.txt", "text").c_str(), &untouched), 0);
  EXPECT_EQ(untouched.major, 7);
  EXPECT_EQ(untouched.preRelease, 7u);
  EXPECT_EQ(GetModuleVersionInfo(folder.name("missing").c_str(), &untouched), 0);
}

TEST(ModuleVersionTest, TheLibraryAndTheProgramCarryTheirVersions) {
  TModuleVersionInfo info{};
  HMODULE library = platform::moduleOfAddress(reinterpret_cast<const void*>(&GetModuleVersionInfo));
  ASSERT_EQ(GetModuleVersionInfoEx(library, &info), 1);
  EXPECT_EQ(info.major, ZEF_BUILD_VERSION_MAJOR);
  EXPECT_EQ(info.minor, ZEF_BUILD_VERSION_MINOR);
  EXPECT_EQ(info.release, ZEF_BUILD_VERSION_PATCH);
  EXPECT_EQ(info.preRelease, 0u);
  // The test program has no stamp.
  EXPECT_EQ(GetModuleVersionInfoEx(nullptr, &info), 0);
}

}  // namespace
