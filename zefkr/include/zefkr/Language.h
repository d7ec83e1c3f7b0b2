// The updater's language: which message file to load, and the macro
// expansion applied to every message text as it is read.
//
// The language is key "Current" of section "Language" in ZefKRLang.ini
// beside the program ("ITA" when missing). Its messages are in
// Lang\ZefKR.<language>; when that file is missing English is used, and
// when English is missing too, Italian (whether it exists or not).
//
// A message text may hold macros: a name between two "%%" marks. APPNAME
// becomes the application name; any other name is removed with its marks.
#pragma once

#include "textrum/CLWideStr.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zefkr {

inline constexpr std::u16string_view kApplicationName = u"Vendrako Kestruner";
inline constexpr std::u16string_view kDefaultLanguage = u"ITA";
// Capacity of the loader's output buffer for one converted text, with the
// terminator.
inline constexpr size_t kConvertedTextCapacity = 2049;

// The folder of the running program, in Windows form without a trailing
// backslash: the executable's folder, else that of module `instance`; empty
// when neither name can be read.
std::u16string programFolder(HMODULE instance);

// The language abbreviation chosen in `programFolder` (Windows form, with or
// without a trailing backslash).
std::u16string currentLanguage(std::u16string_view programFolder);
// The message file to load for `language` in `programFolder`.
std::u16string messageFilePath(std::u16string_view programFolder, std::u16string_view language);
// `text` with every macro expanded, left to right; a "%%" without a closing
// mark stays as it is.
std::u16string expandMessageMacros(std::u16string_view text);

// Loads the messages of the language chosen in `folder` into the
// process-wide loader, replacing one loaded before. A message file that
// cannot be read leaves the texts empty (the loader reports it).
void loadLanguageFrom(std::u16string_view folder);

}  // namespace zefkr

// Chooses and loads the language from the program's folder; called first
// thing at start.
void KRLoadLanguage(HMODULE instance);
// The message's text (at most 2,047 characters); empty when no language is
// loaded or the id is unknown.
CLWideStr KRGetMessage(int32_t id);
// Releases the loader; called at program end.
void KRFreeLanguage();

// The loader's conversion hook: writes the expanded `text` into `out`
// (kConvertedTextCapacity characters), cut to fit and terminated.
void KRExpandMessageMacros(uint32_t line, uint32_t id, const WCHAR* text, WCHAR* out, void* context);
