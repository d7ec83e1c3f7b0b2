// The registry: a persistent tree of keys holding typed values.
//
// Each root key is one SQLite database under the platform root
// (<root>/registry/HKCU.db and HKLM.db). Key and value names compare
// ignoring case and keep the spelling they were created with; sub-keys and
// values enumerate in creation order; every call is one transaction, so
// several processes may share the store. A handle remembers the rights it
// was opened with, and calls that need other rights fail with
// ERROR_ACCESS_DENIED (writing through a read handle, for example).
#pragma once

#include "platform/Export.h"
#include "platform/Files.h"
#include "platform/WinTypes.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;
using NTSTATUS = LONG;

inline const HKEY HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001));
inline const HKEY HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002));

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
inline constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

inline constexpr LONG ERROR_BADKEY = 1010;
inline constexpr LONG ERROR_CANTREAD = 1012;
inline constexpr LONG ERROR_CANTWRITE = 1013;
inline constexpr LONG ERROR_KEY_DELETED = 1018;

// Opens an existing key below `key` (a root or an open handle); an empty or
// null sub-key opens `key` itself again. ERROR_FILE_NOT_FOUND when missing.
ZEF_EXTERN_C LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
// Opens a key, creating it and every missing key above it; `disposition`
// (may be null) says which happened.
ZEF_EXTERN_C LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                                  REGSAM access, const SECURITY_ATTRIBUTES* security, PHKEY result, DWORD* disposition);
ZEF_EXTERN_C LONG RegCloseKey(HKEY key);
// Removes a key without sub-keys (ERROR_ACCESS_DENIED when it has some).
ZEF_EXTERN_C LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);

// Type, size and data of a value; each output may be null. With data and a
// size too small, ERROR_MORE_DATA and the size needed. A null or empty name
// is the key's unnamed value.
ZEF_EXTERN_C LONG RegQueryValueExW(HKEY key, LPCWSTR name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize);
ZEF_EXTERN_C LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
ZEF_EXTERN_C LONG RegDeleteValueW(HKEY key, LPCWSTR name);

// Counts and longest lengths (in characters, without terminator; data in
// bytes) of the key's sub-keys and values. The class is always empty.
ZEF_EXTERN_C LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, DWORD* classLength, DWORD* reserved, DWORD* subKeys,
                                   DWORD* maxSubKeyLength, DWORD* maxClassLength, DWORD* values,
                                   DWORD* maxValueNameLength, DWORD* maxValueLength, DWORD* securityDescriptor,
                                   FILETIME* lastWriteTime);
// The index-th sub-key or value in creation order; ERROR_NO_MORE_ITEMS past
// the last. `nameLength` is in characters: on entry the buffer's size, on
// return the name's length; ERROR_MORE_DATA when the name does not fit.
ZEF_EXTERN_C LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* reserved, LPWSTR keyClass,
                                DWORD* classLength, FILETIME* lastWriteTime);
ZEF_EXTERN_C LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, DWORD* nameLength, DWORD* reserved, DWORD* type,
                                BYTE* data, DWORD* dataSize);

// The kernel's view of a key handle, as ntdll exports it (found through
// LoadLibraryW("ntdll.dll") and GetProcAddress, platform/LoadableModules.h).
inline constexpr int KeyNameInformation = 3;
inline constexpr NTSTATUS STATUS_SUCCESS = 0;
inline constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = static_cast<NTSTATUS>(0xC0000023);
inline constexpr NTSTATUS STATUS_INVALID_HANDLE = static_cast<NTSTATUS>(0xC0000008);
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);

struct KEY_NAME_INFORMATION {
  ULONG NameLength;  // bytes of Name, no terminator
  WCHAR Name[1];
};

// With KeyNameInformation: the key's full name, "\REGISTRY\MACHINE\<path>"
// or "\REGISTRY\USER\<user id>\<path>" (the user id is the numeric user).
// A buffer smaller than the record answers STATUS_BUFFER_TOO_SMALL with the
// size needed in `resultLength`.
ZEF_EXTERN_C NTSTATUS NtQueryKey(HANDLE key, int informationClass, void* information, ULONG length,
                                 ULONG* resultLength);
