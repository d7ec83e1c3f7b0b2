// Choosing the message file and expanding message macros.
#include "zefkr/Language.h"

#include "platform/Files.h"
#include "platform/IniFile.h"

namespace {

std::u16string inFolder(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.empty() && path.back() != u'\\') path.push_back(u'\\');
  path.append(name);
  return path;
}

bool fileExists(const std::u16string& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::u16string zefkr::currentLanguage(std::u16string_view programFolder) {
  const platform::TIniFile file{inFolder(programFolder, u"ZefKRLang.ini")};
  return file.ReadString(u"Language", u"Current", kDefaultLanguage);
}

std::u16string zefkr::messageFilePath(std::u16string_view programFolder,
                                      std::u16string_view language) {
  const std::u16string langFolder = inFolder(programFolder, u"Lang");
  for (const std::u16string_view choice : {language, std::u16string_view(u"ENG")}) {
    std::u16string path = inFolder(langFolder, std::u16string(u"ZefKR.") + std::u16string(choice));
    if (fileExists(path)) return path;
  }
  return inFolder(langFolder, u"ZefKR.ITA");
}

std::u16string zefkr::expandMessageMacros(std::u16string_view text) {
  constexpr std::u16string_view kMark = u"%%";
  std::u16string result(text);
  // Every pass removes four '%' and inserts none, so the loop ends.
  for (;;) {
    const size_t open = result.find(kMark);
    if (open == std::u16string::npos) break;
    const size_t close = result.find(kMark, open + kMark.size());
    if (close == std::u16string::npos) break;
    const size_t nameStart = open + kMark.size();
    const bool isAppName = std::u16string_view(result).substr(nameStart, close - nameStart) ==
                           u"APPNAME";
    result.replace(open, close + kMark.size() - open,
                   isAppName ? kApplicationName : std::u16string_view());
  }
  return result;
}

void KRExpandMessageMacros(uint32_t /*line*/, uint32_t /*id*/, const WCHAR* text, WCHAR* out,
                           void* /*context*/) {
  if (out == nullptr) return;
  const std::u16string expanded =
      text == nullptr ? std::u16string() : zefkr::expandMessageMacros(text);
  const size_t length = std::min(expanded.size(), zefkr::kConvertedTextCapacity - 1);
  expanded.copy(out, length);
  out[length] = u'\0';
}
