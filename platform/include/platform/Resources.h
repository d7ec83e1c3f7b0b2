// String-table resources of the system's modules.
//
// A module (a shared library or a program) keeps its translatable strings in
// a string table, registered when the module starts and removed when it
// unloads. The table is held the way the resource compiler lays it out:
// strings are grouped in blocks of 16; string `id` lives in block id / 16 + 1
// as entry id % 16. A block that was never registered and an entry that is
// empty in its block are both "missing", and missing strings load as empty.
//
// A module is named by its instance handle. moduleHandleOf() gives the
// handle of the shared object that holds a given address, so a library can
// find its own handle from one of its functions.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

struct StringResource {
  UINT id;
  std::u16string_view text;
};

// Adds (or replaces) strings in the module's table. Thread-safe.
ZEF_EXPORT void registerStringResources(HINSTANCE module, std::initializer_list<StringResource> strings);
ZEF_EXPORT void registerStringResource(HINSTANCE module, UINT id, std::u16string_view text);
// Drops the module's whole table.
ZEF_EXPORT void unregisterStringResources(HINSTANCE module);

// The string with that identifier; nullopt when its block or its entry is
// missing (an empty entry counts as missing, as in a compiled table).
ZEF_EXPORT std::optional<std::u16string> findStringResource(HINSTANCE module, UINT id);

// Handle of the loaded module containing `address`; null when none does.
ZEF_EXPORT HINSTANCE moduleHandleOf(const void* address);

}  // namespace platform

// Copies the string into the buffer (cut to bufferMax - 1 units, always
// terminated) and returns the units copied; 0 when it is missing or when
// there is no room (bufferMax < 1 or a null buffer).
ZEF_EXPORT int LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int bufferMax);
