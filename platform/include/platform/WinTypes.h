// The basic types, constants and result values of the Windows interfaces the
// system was written against, on x86-64 Linux.
//
// Sizes follow the Windows ABI where a file or a wire format could depend on
// them (DWORD and LONG are 32-bit, not the LP64 long); pointers and handles
// are 64-bit. Wide text is UTF-16 in char16_t, never wchar_t.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using INT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using DWORD64 = uint64_t;
using INT_PTR = intptr_t;
using UINT_PTR = uintptr_t;
using LONG_PTR = intptr_t;
using ULONG_PTR = uintptr_t;
using DWORD_PTR = uintptr_t;
using SIZE_T = size_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HRESULT = int32_t;

using CHAR = char;
using WCHAR = char16_t;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using BSTR = char16_t*;
using LPVOID = void*;
using LPCVOID = const void*;

// Handles are opaque pointers; each kind is its own type so that one cannot
// be passed for another.
#define ZEF_DECLARE_HANDLE(name) \
  struct name##__ {              \
    int unused;                  \
  };                             \
  using name = name##__*
ZEF_DECLARE_HANDLE(HWND);
ZEF_DECLARE_HANDLE(HINSTANCE);
ZEF_DECLARE_HANDLE(HKEY);
ZEF_DECLARE_HANDLE(HDC);
ZEF_DECLARE_HANDLE(HBITMAP);
ZEF_DECLARE_HANDLE(HPALETTE);
ZEF_DECLARE_HANDLE(HFONT);
ZEF_DECLARE_HANDLE(HPEN);
ZEF_DECLARE_HANDLE(HBRUSH);
ZEF_DECLARE_HANDLE(HRGN);
ZEF_DECLARE_HANDLE(HICON);
ZEF_DECLARE_HANDLE(HMENU);
#undef ZEF_DECLARE_HANDLE
using HANDLE = void*;
using HMODULE = HINSTANCE;
using HGDIOBJ = void*;
using HGLOBAL = void*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(intptr_t{-1});
inline constexpr DWORD INFINITE = 0xFFFFFFFFu;
inline constexpr UINT MAX_PATH = 260;

// HRESULT values.
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
inline constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A 128-bit interface or class identifier, laid out as on Windows.
struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];

  friend bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

// Local date and time, as the clock hands it out.
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16);

// 100-nanosecond intervals since 1601-01-01 UTC.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
static_assert(sizeof(FILETIME) == 8);
