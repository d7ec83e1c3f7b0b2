// IIniFileImp: typed values over the platform's private-profile functions.
#include "zefcorek/IniFile.h"

#include "zefcorek/ClassMakers.h"

#include "platform/Format.h"
#include "platform/PrivateProfile.h"
#include "platform/Scan.h"

#include <new>
#include <string>

namespace {

// ReadString's buffer: 1,024 characters, of which the platform may fill 1,022
// and a terminator.
constexpr DWORD kReadBufferLength = 1024;
constexpr DWORD kReadLimit = kReadBufferLength - 1;

HRESULT resultOf(BOOL written) { return written ? S_OK : E_FAIL; }

}  // namespace

void* zefcorek::makeIIniFileImp(intptr_t) { return static_cast<IIniFile*>(new (std::nothrow) IIniFileImp()); }

IIniFile::~IIniFile() = default;

IIniFileImp::~IIniFileImp() = default;

HRESULT IIniFileImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

HRESULT IIniFileImp::SetFileName(const WCHAR* path) {
  path_.AssignSz(path == nullptr ? u"" : path);
  return S_OK;
}

const WCHAR* IIniFileImp::GetFileName() { return path_.c_str(); }

int IIniFileImp::ReadInteger(const WCHAR* section, const WCHAR* key, int defaultValue) {
  return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, path_.c_str()));
}

HRESULT IIniFileImp::WriteInteger(const WCHAR* section, const WCHAR* key, int value) {
  const std::u16string text = platform::formatText(u"%d", value);
  return WriteString(section, key, text.c_str());
}

CLWideStr IIniFileImp::ReadString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue) {
  WCHAR buffer[kReadBufferLength] = {};
  GetPrivateProfileStringW(section, key, defaultValue, buffer, kReadLimit, path_.c_str());
  return CLWideStr(buffer);
}

HRESULT IIniFileImp::WriteString(const WCHAR* section, const WCHAR* key, const WCHAR* value) {
  return resultOf(WritePrivateProfileStringW(section, key, value, path_.c_str()));
}

bool IIniFileImp::ReadBool(const WCHAR* section, const WCHAR* key, bool defaultValue) {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

HRESULT IIniFileImp::WriteBool(const WCHAR* section, const WCHAR* key, bool value) {
  return WriteString(section, key, value ? u"1" : u"0");
}

double IIniFileImp::ReadFloat(const WCHAR* section, const WCHAR* key, double defaultValue) {
  const CLWideStr text = ReadString(section, key, u"");
  double value = 0;
  const platform::ScanTarget target = platform::ScanTarget::to(&value);
  const platform::ScanResult scanned = platform::scanArgs(text.Text(), u"%lf", {&target, 1});
  return scanned.count == 1 ? value : defaultValue;
}

HRESULT IIniFileImp::WriteFloat(const WCHAR* section, const WCHAR* key, double value) {
  return WriteFloatFmt(section, key, value, nullptr);
}

HRESULT IIniFileImp::WriteFloatFmt(const WCHAR* section, const WCHAR* key, double value, const WCHAR* format) {
  // The caller's format may come from a settings or language file: the typed
  // engine renders a conversion that does not take a double safely.
  const std::u16string text = platform::formatText(format == nullptr ? std::u16string_view(u"%lf") : format, value);
  return WriteString(section, key, text.c_str());
}

HRESULT IIniFileImp::EraseSection(const WCHAR* section) {
  return resultOf(WritePrivateProfileSectionW(section, nullptr, path_.c_str()));
}
