// The message library: the user-interface texts of a program in one
// language, read from a message file or an ini section and fetched by
// number or by name.
//
// A message file holds one message a line: "<number>=<text>", or, when
// string ids are allowed, "<name>=<text>". Lines that are empty or begin
// with ';', '[' or '{' (after blanks) are skipped. Texts may hold escapes:
// \\ a backslash, \" a quote, \_ a blank, \n or \r a line break, \t four
// blanks, and in message files \' an apostrophe.
//
// Results are library codes: 0 ok, 1 not found, 2 malformed, 10 bad
// argument, 30 no stream.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/Format.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

struct MsgListHashRec;

// The text conversion hook: gets the text after the first escape pass and
// writes the final text into `out` (2,049 characters, zeroed), no longer
// than the text. `id` is 0xFFFFFFFF for a string-id line, `line` 0xFFFFFFFF
// for AddMessages.
using TMsgTextConvertFunc = void (*)(uint32_t line, uint32_t id, const WCHAR* text, WCHAR* out, void* context);

// A position in the message table, filled by GetMsgIterator and moved by
// MsgIteratorAdvance. `id` holds a numeric id or, for a string id, a
// pointer to its text, so it is pointer-sized.
struct TMsgIterator {
  uint8_t byLine;         // 0 table order, 1 line order
  MsgListHashRec* entry;  // current entry; null at the end
  uint32_t bucket;        // current bucket (table order)
  uint8_t isStringId;     // kind of the current entry
  intptr_t id;            // numeric id, or const WCHAR* of the string id
  uint32_t firstLine;     // smallest line number in the table
  uint32_t lastLine;      // largest line number in the table
  uint32_t line;          // line of the current entry; 0xFFFFFFFF at the end
  int32_t tempTag;        // temp tag of the current entry
};

// LoadFromFileEx flags.
inline constexpr uint32_t MSGLIB_FILE_UTF16LE = 0x1;
inline constexpr uint32_t MSGLIB_FILE_UTF8 = 0x2;
inline constexpr uint32_t MSGLIB_FILE_NO_MARK = 0x10;
inline constexpr uint32_t MSGLIB_STRING_IDS = 0x1000;
inline constexpr uint32_t MSGLIB_KEEP_MESSAGES = 0x100000;

struct ZEF_EXPORT IMessageLoader : virtual IStdInterface {
  // Frees every message; ZR_OK.
  virtual ZRESULT Clear() = 0;
  // Clears, then loads a message file with numeric ids only.
  virtual ZRESULT LoadFromFile(const WCHAR* path) = 0;
  virtual ZRESULT GetCount(uint32_t* count) = 0;
  // Either output may be null, not both.
  virtual ZRESULT GetMinMaxIDs(uint32_t* minId, uint32_t* maxId) = 0;
  // GetMsgByID into a buffer of 1,024 characters, then the text's length.
  virtual ZRESULT GetMsgText(uint32_t id, WCHAR* buffer, uint32_t* length) = 0;
  virtual ZRESULT GetLoadCallback(TMsgTextConvertFunc* hook, void** context) = 0;
  // A null hook restores the default conversion.
  virtual ZRESULT SetLoadCallback(TMsgTextConvertFunc hook, void* context) = 0;
  // Clears, then loads the numeric messages of one ini section.
  virtual ZRESULT LoadFromIniSection(const WCHAR* iniPath, const WCHAR* section) = 0;
  // The text of `id`, cut to length - 1 characters; the buffer is emptied
  // first. ZR_BADARG for no buffer or a length below 2; ZR_NO when there is no such id.
  virtual ZRESULT GetMsgByID(uint32_t id, WCHAR* buffer, uint32_t length) = 0;
  virtual ZRESULT LoadFromFileEx(const WCHAR* path, uint32_t flags) = 0;
  // As GetMsgByID, by string id (ignoring case).
  virtual ZRESULT GetMsgByStrID(const WCHAR* stringId, WCHAR* buffer, uint32_t length) = 0;
  // ZR_OK when the id is held and lies within the id range, else ZR_NO.
  virtual ZRESULT HasID(uint32_t id) = 0;
  // Adds one numeric message; ZR_FAILED when the id is held and `replace` is false.
  virtual ZRESULT AddMessages(uint32_t line, uint32_t id, const WCHAR* text, bool replace) = 0;
  virtual ZRESULT GetMsgIterator(bool byLine, TMsgIterator* iterator) = 0;
  virtual ZRESULT MsgIteratorAdvance(TMsgIterator* iterator) = 0;
  // The tag of the first entry with that key (0 and ZR_NO when none); E_INVALIDARG
  // for a null out.
  virtual ZRESULT GetMsgTempTagByID(uint32_t id, int32_t* tag) = 0;
  virtual ZRESULT SetMsgTempTagByID(uint32_t id, int32_t tag) = 0;
  ~IMessageLoader() override;
};

// The string-id hash: for each unit c at position i (from 1),
// h = ((c ^ h) * 2) ^ (c + i), modulo 2^32. Null and "" give 0.
ZEF_EXTERN_C uint32_t CalcStrIdHash(const WCHAR* stringId);

// Empties the buffer and, with a loader, fills it with the text of `id`.
// Returns the buffer (null for a null buffer).
ZEF_EXTERN_C WCHAR* msglibGetMsgW(IMessageLoader* loader, uint32_t id, WCHAR* buffer, uint32_t length);
// msglibGetMsgW with length 256 when 0 is given.
ZEF_EXTERN_C WCHAR* msglibGetMsg(IMessageLoader* loader, uint32_t id, WCHAR* buffer, uint32_t length);
// The text in the ANSI code page (UTF-8), cut at a character boundary to
// fit `size` bytes with the terminator; a text that cannot be converted
// leaves the buffer empty.
ZEF_EXTERN_C char* msglibGetMsgA(IMessageLoader* loader, uint32_t id, char* buffer, uint32_t size);

// The three-letter message-file extension of a language identifier: the
// locale's abbreviated country name, "ENG" for "USA", "ITA" for an unknown
// locale. One static buffer, overwritten by the next call.
ZEF_EXTERN_C const WCHAR* msglibGetStdFileExtByLCID(DWORD lcid);
// The language identifier of an extension (one leading dot allowed), among
// the languages the message files come in; 0 when none matches.
ZEF_EXTERN_C DWORD msglibGetLCIDByStdFileExt(const WCHAR* extension);

// The text of `id` used as a format: formatted by the typed engine, so a
// wrong conversion in a language file renders safely instead of reading an
// argument of another type.
template <class... Args>
std::u16string msglibFormatMsg(IMessageLoader* loader, uint32_t id, const Args&... args) {
  WCHAR format[2048] = {};
  msglibGetMsgW(loader, id, format, 2048);
  return platform::formatText(std::u16string_view(format), args...);
}
