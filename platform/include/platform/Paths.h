// The mapping between the Windows-form paths the system uses inside and the
// paths of the Linux file system.
//
// Inside the system paths keep their Windows form: backslashes, an optional
// drive. At the platform boundary:
//   - `\` and `/` both separate components;
//   - a rooted path without a drive (`\var\lib\x`) is a Linux absolute path;
//   - a drive `X:` maps to the folder (or link) `drives/x` under the platform
//     root; a drive that is not configured there does not exist;
//   - a relative path stays relative to the current folder;
//   - when a component does not exist under its exact name, an existing entry
//     of the same folder whose name matches ignoring case is taken (Windows
//     names are case-insensitive). Of several such entries the one that sorts
//     first by its bytes wins, so the answer never depends on folder order.
// Paths handed out to the system (known folders, module names) are mapped
// back: below a drive folder they gain the drive, elsewhere they become
// rooted Windows-form paths.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The folder that holds the platform's own state (drives, registry, known
// folders when relocated): $ZEF_PLATFORM_ROOT, else $XDG_DATA_HOME/zef, else
// ~/.local/share/zef. Never ends with a slash (unless it is "/").
ZEF_EXPORT std::string platformRoot();

// True when ZEF_PLATFORM_ROOT is set and not empty: every known folder then
// lives below it.
ZEF_EXPORT bool isPlatformRootRelocated();

// The Linux folder behind drive `letter` (A-Z, either case), or nullopt when
// the drive is not configured.
ZEF_EXPORT std::optional<std::string> driveFolder(char16_t letter);

// The Linux path for a Windows-form path, with the case-insensitive fallback
// applied; nullopt for text that is not valid UTF-16, an embedded NUL, or an
// unconfigured drive. Components that exist under no spelling are kept as
// given (so a file about to be created gets the caller's spelling).
ZEF_EXPORT std::optional<std::string> nativePath(std::u16string_view windowsPath);

// The Windows form of a Linux path (absolute or relative).
ZEF_EXPORT std::u16string windowsPath(std::string_view nativePath);

// Case-insensitive equality of two names as the path mapping uses it: the
// one case fold of Utf16.h (equalsIgnoreCase).
ZEF_EXPORT bool equalNamesIgnoringCase(std::u16string_view a, std::u16string_view b);

// True for a name ending in ".exe" in any case: a program, which is created
// executable and never handed to the document opener.
ZEF_EXPORT bool isProgramName(std::u16string_view name);

}  // namespace platform
