// IStringList: the core library's list of wide strings, each with a 32-bit
// data value beside it.
//
// Items are private copies of the caller's texts; an empty or null text is
// stored as "no text" and reads back as an empty string. Searches ignore
// case by the user's locale (platform/CaseRules.h). An item of the form name=value has a name (the text before its first
// '=') and a value (the text after it); an item without '=' has neither.
//
// Made by the factory for CLSID_IStringListImp and CLSID_IStringListImpLegacy.
// Results are the library codes (ZR_OK, ZR_NO for no / not found,
// ZR_BADARG, ZR_NOTSUPPORTED, ZR_OUTOFMEMORY). Indexes are unsigned 32-bit and
// kNoStringIndex (0xFFFFFFFF) stands for "no index". A buffer and its
// capacity are a caller's wide buffer and its size in characters.
//
// The list operations take no lock. Threads that share a list bracket their
// use with Lock/Unlock (or TryLock/Unlock); the lock is recursive.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

struct IFIOIStream;
struct IFIOOStream;

inline constexpr uint32_t kNoStringIndex = 0xFFFFFFFF;

struct ZEF_EXPORT IStringList : virtual IStdDataInterface {
  // AddWithData(text, 0, outIndex).
  virtual ZRESULT Add(const WCHAR* text, uint32_t* outIndex) = 0;
  // Appends a copy; *outIndex (may be null) gets the new index, or
  // kNoStringIndex and ZR_OUTOFMEMORY when the list cannot grow.
  virtual ZRESULT AddWithData(const WCHAR* text, uint32_t data, uint32_t* outIndex) = 0;
  virtual ZRESULT Append(const WCHAR* text) = 0;
  // Appends copies of every item of `other`, texts and data; ZR_BADARG for null.
  virtual ZRESULT AddStrings(IStringList* other) = 0;
  // Clear, then AddStrings(other).
  virtual ZRESULT Assign(IStringList* other) = 0;
  virtual ZRESULT Clear() = 0;
  // ZR_BADARG for a bad index.
  virtual ZRESULT Delete(uint32_t index) = 0;
  // ZR_OK when both lists hold the same texts ignoring case, else ZR_NO.
  virtual ZRESULT CompareNoCase(IStringList* other) = 0;
  // Swaps two items; ZR_BADARG for a bad index.
  virtual ZRESULT Exchange(uint32_t i, uint32_t j) = 0;
  // The first item equal to `text` ignoring case. A null text finds the
  // first empty item; an empty non-null text finds none. Found: ZR_OK and its
  // index; not found: ZR_NO and kNoStringIndex; null outIndex: ZR_BADARG.
  virtual ZRESULT IndexOf(const WCHAR* text, uint32_t* outIndex) = 0;
  // The first item whose name equals `name` ignoring case; a null or empty
  // name finds the first item that starts with '='.
  virtual ZRESULT IndexOfName(const WCHAR* name, uint32_t* outIndex) = 0;
  virtual ZRESULT IndexOfData(uint32_t data, uint32_t* outIndex) = 0;
  virtual ZRESULT Insert(uint32_t index, const WCHAR* text) = 0;
  // Index equal to the count appends; above it: ZR_BADARG.
  virtual ZRESULT InsertWithData(uint32_t index, const WCHAR* text, uint32_t data) = 0;
  // Replaces the items with the lines of a text file (byte-order marks are
  // detected). A line longer than 16,383 characters ends the load with ZR_NO.
  virtual ZRESULT LoadFromFile(const WCHAR* path) = 0;
  // Not supported: ZR_NOTSUPPORTED.
  virtual ZRESULT LoadFromStream(IFIOIStream* stream) = 0;
  // Moves the item at `from` before the item that stood at `to`; a `to` at
  // or past the count moves it to the end.
  virtual ZRESULT Move(uint32_t from, uint32_t to) = 0;
  // Writes every item as one ANSI line ending in CR LF.
  virtual ZRESULT SaveToFile(const WCHAR* path) = 0;
  // Not supported: ZR_NOTSUPPORTED.
  virtual ZRESULT SaveToStream(IFIOOStream* stream) = 0;
  // The number of items (a count, not a code).
  virtual uint32_t GetCount() = 0;
  // Copies at most capacity - 1 characters and a terminator. ZR_BADARG for a null
  // buffer, a capacity below 2 or a bad index (the buffer left empty).
  virtual ZRESULT GetString(uint32_t index, WCHAR* buffer, uint32_t capacity) = 0;
  virtual ZRESULT SetString(uint32_t index, const WCHAR* text) = 0;
  // The item's text, never null on success (an empty item gives ""); valid
  // until the item changes or goes. A bad index sets *outText null: ZR_BADARG.
  virtual ZRESULT GetStringPtr(uint32_t index, const WCHAR** outText) = 0;
  // The name part; an item without '=' gives an empty buffer and 0.
  virtual ZRESULT GetName(uint32_t index, WCHAR* buffer, uint32_t capacity) = 0;
  // Not supported: ZR_NOTSUPPORTED.
  virtual ZRESULT SetName(uint32_t index, const WCHAR* name) = 0;
  // The value part; an item without '=' gives an empty buffer and 0.
  virtual ZRESULT GetValue(uint32_t index, WCHAR* buffer, uint32_t capacity) = 0;
  // Not supported: ZR_NOTSUPPORTED.
  virtual ZRESULT SetValue(uint32_t index, const WCHAR* value) = 0;
  // IndexOfName, then GetValue; ZR_NO with an empty buffer when not found.
  virtual ZRESULT GetValueOfName(const WCHAR* name, WCHAR* buffer, uint32_t capacity) = 0;
  // Not supported: ZR_NOTSUPPORTED.
  virtual ZRESULT SetValueOfName(const WCHAR* name, const WCHAR* value) = 0;
  // A bad index sets *outData to 0 and answers ZR_BADARG.
  virtual ZRESULT GetData(uint32_t index, uint32_t* outData) = 0;
  virtual ZRESULT SetData(uint32_t index, uint32_t data) = 0;
  // ZR_OK when the list has no item, ZR_NO otherwise.
  virtual ZRESULT IsEmpty() = 0;
  // The longest text among the first `count` items (0 or more than the
  // list's: all); with a tabWidth, each TAB adds tabWidth to its item.
  virtual ZRESULT GetMaxLength(uint32_t* outLength, uint32_t count, uint32_t tabWidth) = 0;
  virtual ZRESULT AddN(const WCHAR* text, uint32_t length, uint32_t* outIndex) = 0;
  // Appends a copy of the first `length` characters.
  virtual ZRESULT AddNWithData(const WCHAR* text, uint32_t length, uint32_t data, uint32_t* outIndex) = 0;
  // Replaces the items with the lines of a UTF-16 text resource of the
  // module (platform/BinaryResources.h); the text ends at its first NUL or
  // its last byte. ZR_FAILED when the resource cannot be found or loaded
  // (the list is left empty).
  virtual ZRESULT LoadFromResource(HINSTANCE module, const WCHAR* name, const WCHAR* type) = 0;
  // Replaces the items with the lines of a wide text (CR LF, CR or LF end a
  // line; a final line break adds no empty item).
  virtual ZRESULT SetText(const WCHAR* text) = 0;
  // Removes empty items and items shorter than minLength, optionally
  // disregarding leading and trailing spaces.
  virtual ZRESULT RemoveShort(int32_t minLength, bool trimSpaces) = 0;
  // Replaces the items with the lines of `size` bytes of ANSI (UTF-8) or
  // UTF-16LE text; a NUL ends the text.
  virtual ZRESULT LoadFromBuffer(const void* data, bool isWide, uint32_t size) = 0;
  // Takes the lock, polling every 100 ms for as long as it takes; ZR_OK.
  virtual ZRESULT Lock(const WCHAR* owner) = 0;
  // Takes the lock if no other thread holds it: ZR_OK; else ZR_NO.
  virtual ZRESULT TryLock(const WCHAR* owner) = 0;
  virtual ZRESULT Unlock() = 0;
  ~IStringList() override;
};
