// TVendrakoIni: the three copies of the products' shared settings file
// VENDRAKO.INI, and the rule by which readers pick a copy.
//
//   copy  folder                          sub-folder      file
//   0     common application data         "Vendrako SH"   VENDRAKO.INI
//   1     the user's application data     "Vendrako SH"   VENDRAKO.INI
//   2     the Windows folder              (none)          VENDRAKO.INI
//
// A copy is open whenever its folder could be obtained, whether or not the
// file exists: reads of a missing file give the defaults and the first
// write creates it. A copy whose folder cannot be obtained is null and every
// reader skips it.
#pragma once

#include "platform/IniFile.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace zefkr {

// The default of a text read that tells a missing key from a present one.
inline constexpr std::u16string_view kNotFoundMarker = u"***NOTFOUND***";
inline constexpr int kVendrakoIniCopies = 3;

// The full path of the common copy (creating "Vendrako SH" when missing),
// or an empty text when the common application data folder cannot be
// obtained. The service channel uses this file.
std::u16string commonVendrakoIniPath();

class TVendrakoIni {
public:
  TVendrakoIni();
  ~TVendrakoIni();
  TVendrakoIni(const TVendrakoIni&) = delete;
  TVendrakoIni& operator=(const TVendrakoIni&) = delete;

  // The ini-file object of copy 0, 1 or 2; null when that copy is not open
  // or the index is out of range.
  platform::TIniFile* GetIni(int index) const;
  // The path of copy `index`, empty when it is not open.
  const std::u16string& Path(int index) const;

  // The first copy (0, 1, 2) that holds the key, an empty value included;
  // -1 when none does.
  int FirstCopyHaving(std::u16string_view section, std::u16string_view key) const;
  // The key's integer value from the first copy that holds it (a present
  // value that is not a number reads as 0); `defaultValue` when no copy
  // holds it.
  int ReadIntegerFromFirstCopy(std::u16string_view section, std::u16string_view key, int defaultValue) const;
  // The first copy that is open; -1 when none is.
  int FirstOpenCopy() const;

private:
  std::array<std::u16string, kVendrakoIniCopies> paths_;
  std::array<std::unique_ptr<platform::TIniFile>, kVendrakoIniCopies> copies_;
};

}  // namespace zefkr
