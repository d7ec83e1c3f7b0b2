// IWinRegistry: typed access to one registry key at a time.
//
// The object holds a root key (HKEY_CURRENT_USER at first), a path below it
// (empty at first) and the access rights that OpenKey uses. It keeps no key
// open between calls: each operation opens root\path with the rights it
// needs, does its work and closes the key again. Operations on the current
// key answer as for a failure while the path is empty.
//
// Unlike the library's other interfaces it sits directly on IUnknown and
// answers true/false or plain values; no operation reports the platform's
// error code. Made by the factory for CLSID_IWinRegistryImp.
//
// Value encodings (all little-endian):
//   kind          type        data
//   bool          REG_BINARY  4 bytes, 1 for true, 0 for false
//   integer       REG_BINARY  4 bytes, signed 32-bit
//   double word   REG_DWORD   4 bytes, unsigned 32-bit
//   float         REG_BINARY  8 bytes, IEEE 754 double
//   string        REG_SZ      UTF-16 text and its NUL, (length + 1) * 2 bytes
// A read whose stored data is longer or shorter than its kind's size gives
// the caller's default: a part of a number is not a number.
#pragma once

#include "zefcorek/SmartRef.h"
#include "zefcorek/StdInterface.h"

#include "textrum/CLWideStr.h"

#include "platform/Export.h"
#include "platform/Registry.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct IStringList;

struct ZEF_EXPORT IWinRegistry : IUnknown {
  // The access OpenKey uses without creation: KEY_READ, KEY_WRITE (the
  // initial one) or KEY_ALL_ACCESS.
  virtual void SetAccessRead() = 0;
  virtual void SetAccessWrite() = 0;
  virtual void SetAccessAll() = 0;
  virtual bool HasPath() = 0;
  // A copy of the current path.
  virtual CLWideStr GetPath() = 0;
  virtual HKEY GetRootKey() = 0;
  // Empties the path and sets the root back to HKEY_CURRENT_USER (the access
  // stays); true.
  virtual bool Reset() = 0;
  // Returns ZR_OK.
  virtual int32_t SetRootKey(HKEY key) = 0;
  // Creates the key (and the keys above it) unless it exists and makes it
  // current. False for a null or empty path or one that starts with '\'.
  virtual bool CreateKey(const WCHAR* path) = 0;
  // Not supported: false, nothing done.
  virtual bool DeleteKey(const WCHAR* path) = 0;
  virtual bool DeleteValue(const WCHAR* name) = 0;
  // The value's data size in bytes, or -1.
  virtual int32_t GetValueSize(const WCHAR* name) = 0;
  // The value's registry type, or REG_NONE.
  virtual DWORD GetValueType(const WCHAR* name) = 0;
  // 0 when the path is empty, -1 when the key cannot be read.
  virtual int32_t GetSubKeyCount() = 0;
  // -1 when the path is empty or the key cannot be read.
  virtual int32_t GetValueCount() = 0;
  // True when root\path can be opened for reading (a null root: the current
  // one). The current path does not change.
  virtual bool KeyExists(const WCHAR* path, HKEY root) = 0;
  // Makes `path` current when it can be opened with the access mask (or,
  // with `create`, created). An empty path empties the current path without
  // touching the registry. On failure the current path stays.
  virtual bool OpenKey(const WCHAR* path, bool create) = 0;
  virtual bool ValueExists(const WCHAR* name) = 0;
  // Not supported: false, nothing done.
  virtual bool RenameValue(const WCHAR* oldName, const WCHAR* newName) = 0;
  virtual bool ReadBool(const WCHAR* name, bool defaultValue) = 0;
  virtual int32_t ReadInteger(const WCHAR* name, int32_t defaultValue) = 0;
  virtual uint32_t ReadDWord(const WCHAR* name, uint32_t defaultValue) = 0;
  virtual double ReadFloat(const WCHAR* name, double defaultValue) = 0;
  // The text of a REG_SZ or REG_EXPAND_SZ value (unexpanded) up to its first
  // NUL; a copy of the default (null: empty) for any other type or failure.
  virtual CLWideStr ReadString(const WCHAR* name, const WCHAR* defaultValue) = 0;
  // Writes into the existing current key (never creates it).
  virtual bool WriteBool(const WCHAR* name, bool value) = 0;
  virtual bool WriteInteger(const WCHAR* name, int32_t value) = 0;
  virtual bool WriteDWord(const WCHAR* name, uint32_t value) = 0;
  virtual bool WriteFloat(const WCHAR* name, double value) = 0;
  virtual bool WriteString(const WCHAR* name, const WCHAR* text) = 0;
  // The index-th sub-key's name into out. A key without sub-keys answers
  // true and leaves out as it was; an index past the last answers false.
  virtual bool GetSubKeyName(uint32_t index, CLWideStr& out) = 0;
  // Clears the list, then adds every sub-key's (value's) name in order. True
  // when the walk reached the end; names read before a failure stay.
  virtual bool GetSubKeyNames(IStringList* list) = 0;
  virtual bool GetValueNames(IStringList* list) = 0;
  // The kernel's name of an open key handle ("\REGISTRY\..."), or empty.
  virtual CLWideStr GetKeyFullPath(HKEY key) = 0;

protected:
  virtual ~IWinRegistry();
};

// The holder the device connections keep their registry object in.
using IWinRegistryRef = SmrtRf::TSmartRef<IWinRegistry>;
