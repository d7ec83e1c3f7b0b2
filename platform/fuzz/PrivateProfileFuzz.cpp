// The private-profile functions over any file body: every reading function
// fits its answer in the buffer, and a write (a value, a key or section
// deletion, a whole section) either is refused and leaves the file as it
// was, or does what it says and changes the meaning of nothing else: every
// key of every other section, and every other key of the written section,
// reads back as before. Writing the same value twice changes no byte.
#include "platform/PrivateProfile.h"

#include "platform/Paths.h"
#include "platform/Utf16.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"
#include "FuzzScratchFile.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using zef::fuzz::FuzzInput;

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The NUL-separated list a buffer holds; checks that the answer counts what
// was copied, within the buffer less its final terminator.
std::vector<std::u16string> listOf(const std::u16string& buffer, DWORD length, DWORD size) {
  if (length > size - 1 || buffer[length] != 0) std::abort();
  std::vector<std::u16string> items;
  for (size_t at = 0; at < length;) {
    const size_t end = buffer.find(u'\0', at);
    items.push_back(buffer.substr(at, end - at));
    at = end + 1;
  }
  return items;
}

std::vector<std::u16string> sections(const std::u16string& file) {
  constexpr DWORD kSize = 1 << 16;
  std::u16string buffer(kSize, u'#');
  return listOf(buffer, GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), kSize, file.c_str()), kSize);
}

std::vector<std::u16string> keys(const std::u16string& file, const std::u16string& section) {
  constexpr DWORD kSize = 1 << 16;
  std::u16string buffer(kSize, u'#');
  return listOf(buffer, GetPrivateProfileStringW(section.c_str(), nullptr, nullptr, buffer.data(), kSize, file.c_str()),
                kSize);
}

std::u16string value(const std::u16string& file, const std::u16string& section, const std::u16string& key) {
  constexpr DWORD kSize = 1 << 16;
  std::u16string buffer(kSize, u'#');
  const DWORD length =
      GetPrivateProfileStringW(section.c_str(), key.c_str(), u"\x1Fmissing", buffer.data(), kSize, file.c_str());
  return buffer.substr(0, length);
}

// Every readable (section, key) of the file with its value; the first of
// two sections or keys of one name is the one that is read.
using Meaning = std::map<std::pair<std::u16string, std::u16string>, std::u16string>;

Meaning meaningOf(const std::u16string& file) {
  Meaning meaning;
  for (const auto& section : sections(file)) {
    for (const auto& key : keys(file, section)) {
      meaning.emplace(std::make_pair(section, key), value(file, section, key));
    }
  }
  return meaning;
}

bool sameName(std::u16string_view a, std::u16string_view b) {
  auto trim = [](std::u16string_view text) {
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
    return text;
  };
  return platform::equalsIgnoreCase(trim(a), trim(b));
}

// Small buffers: every answer fits, terminated.
void checkSmallBuffers(const std::u16string& file, const std::u16string& section, const std::u16string& key,
                       DWORD size) {
  std::u16string buffer(size + 2, u'#');
  DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), u"fallback", buffer.data(), size, file.c_str());
  if (size > 0 && (length > size - 1 || buffer[length] != 0)) std::abort();
  if (size < 2) return;
  length = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer.data(), size, file.c_str());
  listOf(buffer, length, size);
  length = GetPrivateProfileStringW(section.c_str(), nullptr, nullptr, buffer.data(), size, file.c_str());
  listOf(buffer, length, size);
  length = GetPrivateProfileSectionW(section.c_str(), buffer.data(), size, file.c_str());
  listOf(buffer, length, size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const uint8_t mode = input.byte();
  const DWORD smallSize = input.byte() % 16;
  // Names and values as the functions see them: up to the first NUL.
  const auto text = [](std::string_view bytes) {
    const std::u16string units = zef::fuzz::wideUnits(bytes);
    return units.substr(0, units.find(u'\0'));
  };
  const std::u16string section = text(input.piece());
  const std::u16string key = text(input.piece());
  const std::u16string newValue = text(input.piece());
  const std::string_view body = input.rest();

  const std::u16string file = zef::fuzz::ScratchFile::write(body);
  const std::string native = *platform::nativePath(file);

  checkSmallBuffers(file, section, key, smallSize);
  const Meaning before = meaningOf(file);
  if (!before.empty()) zef::fuzz::noteAccepted();
  const std::string bytesBefore = readBytes(native);

  BOOL written = FALSE;
  bool keepsSection = true;  // false: the whole written section may change
  switch (mode % 4) {
    case 0: written = WritePrivateProfileStringW(section.c_str(), key.c_str(), newValue.c_str(), file.c_str()); break;
    case 1: written = WritePrivateProfileStringW(section.c_str(), key.c_str(), nullptr, file.c_str()); break;
    case 2:
      written = WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file.c_str());
      keepsSection = false;
      break;
    default: {
      // The value as a list of two lines.
      std::u16string lines = key + u'\0' + newValue + u'\0' + u'\0';
      written = WritePrivateProfileSectionW(section.c_str(), lines.c_str(), file.c_str());
      keepsSection = false;
      break;
    }
  }
  if (!written) {
    if (readBytes(native) != bytesBefore) std::abort();
    return 0;
  }
  const Meaning after = meaningOf(file);
  for (const auto& [name, oldValue] : before) {
    if (sameName(name.first, section) && (!keepsSection || sameName(name.second, key))) continue;
    const auto found = after.find(name);
    if (found == after.end() || found->second != oldValue) std::abort();
  }
  if (mode % 4 == 0) {
    if (value(file, section, key) == u"\x1Fmissing") std::abort();
    // Writing it again changes nothing.
    const std::string once = readBytes(native);
    if (!WritePrivateProfileStringW(section.c_str(), key.c_str(), newValue.c_str(), file.c_str())) std::abort();
    if (readBytes(native) != once) std::abort();
  }
  if (mode % 4 == 1 && value(file, section, key) != u"\x1Fmissing") std::abort();
  return 0;
}
