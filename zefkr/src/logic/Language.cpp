// Choosing the message file and expanding message macros.
#include "zefkr/Language.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/MessageLoader.h"
#include "zefcorek/ZefCoreK.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Modules.h"

#include <algorithm>

namespace {

std::u16string inFolder(std::u16string_view folder, std::u16string_view name) {
  std::u16string path(folder);
  if (!path.empty() && path.back() != u'\\') path.push_back(u'\\');
  path.append(name);
  return path;
}

bool fileExists(const std::u16string& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The one loader of the process: null before loading and after release.
IMessageLoader*& messageLoader() {
  static IMessageLoader* loader = nullptr;
  return loader;
}

std::u16string folderOf(const WCHAR* fileName) {
  std::u16string_view name(fileName);
  const size_t slash = name.find_last_of(u'\\');
  if (slash == std::u16string_view::npos) return {};
  return std::u16string(name.substr(0, slash));
}

}  // namespace

std::u16string zefkr::programFolder(HMODULE instance) {
  WCHAR name[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameW(nullptr, name, MAX_PATH);
  if (length > 0 && length < MAX_PATH && fileExists(name)) return folderOf(name);
  const DWORD moduleLength = GetModuleFileNameW(instance, name, MAX_PATH);
  if (moduleLength == 0 || moduleLength >= MAX_PATH) return {};
  return folderOf(name);
}

void zefkr::loadLanguageFrom(std::u16string_view folder) {
  KRFreeLanguage();
  const std::u16string language = currentLanguage(folder);
  IMessageLoader* loader = nullptr;
  if (zefCoreKAllocIntf(&CLSID_MsgLibMessageLoader, reinterpret_cast<void**>(&loader), 0) != S_OK ||
      loader == nullptr) {
    return;
  }
  messageLoader() = loader;
  loader->SetLoadCallback(KRExpandMessageMacros, nullptr);
  // A missing or malformed file leaves what could be read; the loader has
  // already told the user.
  static_cast<void>(loader->LoadFromFile(messageFilePath(folder, language).c_str()));
}

void KRLoadLanguage(HMODULE instance) { zefkr::loadLanguageFrom(zefkr::programFolder(instance)); }

CLWideStr KRGetMessage(int32_t id) {
  constexpr uint32_t kBufferLength = 2047;
  IMessageLoader* loader = messageLoader();
  if (loader == nullptr) return CLWideStr();
  WCHAR buffer[kBufferLength] = {};
  if (loader->GetMsgByID(static_cast<uint32_t>(id), buffer, kBufferLength) != ZR_OK) {
    return CLWideStr();
  }
  buffer[kBufferLength - 1] = u'\0';
  return CLWideStr(buffer);
}

void KRFreeLanguage() {
  IMessageLoader*& loader = messageLoader();
  if (loader == nullptr) return;
  loader->Release();
  loader = nullptr;
}

std::u16string zefkr::currentLanguage(std::u16string_view programFolder) {
  const platform::TIniFile file{inFolder(programFolder, u"ZefKRLang.ini")};
  return file.ReadString(u"Language", u"Current", kDefaultLanguage);
}

std::u16string zefkr::messageFilePath(std::u16string_view programFolder, std::u16string_view language) {
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
    const bool isAppName = std::u16string_view(result).substr(nameStart, close - nameStart) == u"APPNAME";
    result.replace(open, close + kMark.size() - open, isAppName ? kApplicationName : std::u16string_view());
  }
  return result;
}

void KRExpandMessageMacros(uint32_t /*line*/, uint32_t /*id*/, const WCHAR* text, WCHAR* out, void* /*context*/) {
  if (out == nullptr) return;
  const std::u16string expanded = text == nullptr ? std::u16string() : zefkr::expandMessageMacros(text);
  const size_t length = std::min(expanded.size(), zefkr::kConvertedTextCapacity - 1);
  expanded.copy(out, length);
  out[length] = u'\0';
}
