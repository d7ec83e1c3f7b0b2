// The string records and the algorithms on them, written once over the
// character type.
//
// Every exported LStr function is a one-line wrapper over a template here,
// instantiated for `char` (the narrow record) and `char16_t` (the wide
// record). New functions of the library (search, editing, trimming, splitting)
// should be written the same way: take a Record<Char>&, read it with textOf(),
// change it only through assignText(), replaceRange(), resizeUnique() or
// setLength(), and map positions with toOneBased() / toCallerPosition().
// Those are the only places that know how each family stores its text, so
// the sharing rules below hold everywhere.
//
// Representation:
//   - Narrow record: `text` is null for the empty string, otherwise it points
//     just past a NarrowBuffer header: the bytes, then a NUL. The buffer is
//     shared by every record assigned or cloned from it; its reference count
//     is atomic (records on different threads may share one buffer). A
//     record writes to its buffer only when it holds the only reference
//     (copy on write). The buffer may hold spare capacity for appending.
//   - Wide record: `text` is null for the empty string, otherwise an
//     automation string owned by this record alone; its length is the
//     string's prefix. The string may have room for more units than its
//     length (allocAutomationStringRoom): `capacity` counts them, so that
//     appending and assigning reuse the room without asking the allocator.
//   - An unshared text is overwritten in place by assignment when its room
//     fits the new text and is not far larger (see assignText).
//   - `charIndexBase` is 0 or 1 and only affects how positions are counted.
//
// Lengths are kept below kMaxLength so that they always fit the `int` the
// exported functions use; asking for more is treated as running out of
// memory.
#pragma once

#include "platform/WinTypes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace textrum {

// The fields of a record; the exported record types derive from it so that
// the templates below deduce Char from a record argument.
template <typename Char>
struct BasicRecord {
  Char* text;             // see "Representation" above; null when empty
  int32_t charIndexBase;  // 0 or 1
  int32_t capacity;       // wide: units of room in `text` (0 when null); narrow: unused, 0
};

}  // namespace textrum

namespace LAnsiStrCore {
struct LAnsiStrRec : textrum::BasicRecord<char> {};
}  // namespace LAnsiStrCore

namespace LWideStrCore {
// `text` is an automation string (BSTR) owned by this record alone.
struct LWideStrRec : textrum::BasicRecord<char16_t> {};
}  // namespace LWideStrCore

namespace textrum {

// The header in front of every narrow text. 16 bytes, so the text keeps the
// allocation's alignment.
struct NarrowBuffer {
  std::atomic<int32_t> refCount;  // records holding this buffer; > 0
  int32_t capacity;               // bytes the text may grow to in place
  int32_t length;                 // bytes in use; text[length] is NUL
  int32_t reserved;
};
static_assert(sizeof(NarrowBuffer) == 16);

inline constexpr size_t kMaxLength = INT32_MAX - 64;

template <typename Char>
struct HandleOf;
template <>
struct HandleOf<char> {
  using type = LAnsiStrCore::LAnsiStrRec;
};
template <>
struct HandleOf<char16_t> {
  using type = LWideStrCore::LWideStrRec;
};

// What the algorithms work on, and what the exported functions hand out.
template <typename Char>
using Record = BasicRecord<Char>;
template <typename Char>
using Handle = typename HandleOf<Char>::type;
template <typename Char>
using View = std::basic_string_view<Char>;

inline NarrowBuffer* narrowBufferOf(const char* text) {
  return reinterpret_cast<NarrowBuffer*>(const_cast<char*>(text)) - 1;
}

// Length of the record's text.
inline size_t lengthOf(const Record<char>& record) {
  return record.text == nullptr ? 0 : static_cast<size_t>(narrowBufferOf(record.text)->length);
}
// The automation string's length prefix (the byte count in the 32-bit word
// in front of the text), read here rather than through SysStringLen because
// every operation on a wide record starts with it.
inline size_t lengthOf(const Record<char16_t>& record) {
  if (record.text == nullptr) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<const char*>(record.text) - sizeof bytes, sizeof bytes);
  return bytes / sizeof(char16_t);
}

// Units the text can hold in place, for a text this record may write to
// (unshared); 0 when it is null or shared.
inline size_t roomOf(const Record<char>& record) {
  if (record.text == nullptr) return 0;
  const NarrowBuffer* buffer = narrowBufferOf(record.text);
  return buffer->refCount.load(std::memory_order_acquire) == 1 ? static_cast<size_t>(buffer->capacity) : 0;
}
inline size_t roomOf(const Record<char16_t>& record) { return static_cast<size_t>(record.capacity); }

// Sets the length of a text within its room and writes the terminator.
inline void setLengthInRoom(Record<char>& record, size_t length) {
  narrowBufferOf(record.text)->length = static_cast<int32_t>(length);
  record.text[length] = '\0';
}
inline void setLengthInRoom(Record<char16_t>& record, size_t length) {
  const auto bytes = static_cast<uint32_t>(length * sizeof(char16_t));
  std::memcpy(reinterpret_cast<char*>(record.text) - sizeof bytes, &bytes, sizeof bytes);
  record.text[length] = u'\0';
}

// The record's text as a view (empty view for the empty string).
template <typename Char>
View<Char> textOf(const Record<Char>& record) {
  return View<Char>(record.text, lengthOf(record));
}

// --- storage -----------------------------------------------------------------

// A new record with base 1 holding a copy of `text`.
template <typename Char>
Handle<Char>* newRecord(View<Char> text);
// Releases the text and frees the record (null: nothing).
template <typename Char>
void destroyRecord(Handle<Char>* record);
// The static empty string handed out for an empty record.
template <typename Char>
Char* emptyText();
// The NUL-terminated text; the static empty string when empty. Inline, as
// most exported functions end by handing it out.
template <typename Char>
Char* cstrOf(const Record<Char>& record) {
  return record.text != nullptr ? record.text : emptyText<Char>();
}
// Makes the text unshared and returns it (the static empty string when empty).
template <typename Char>
Char* uniqueText(Record<Char>& record);
// Resizes the text to `length` units, keeping the first ones, and makes it
// unshared; new units are unspecified. Returns the text (null for length 0).
template <typename Char>
Char* resizeUnique(Record<Char>& record, size_t length);
// The destination takes the source's text: shared for the narrow family,
// copied for the wide one.
template <typename Char>
int assignRecord(Record<Char>& destination, const Record<Char>& source);
// Replaces the text with a copy of `text`, which may point into the record.
// Defined below: the common case is inline.
template <typename Char>
int assignText(Record<Char>& record, View<Char> text);
// assignText where the record's text is not kept: the new text is made,
// then the old one released.
template <typename Char>
int assignTextAnew(Record<Char>& record, View<Char> text);
// Whether an unshared text with room for `room` units is kept for a new
// text of `length` units: a room far larger than the text is given back.
inline bool keepsRoom(size_t room, size_t length) { return length <= room && room <= 2 * length + 64; }

// --- editing -----------------------------------------------------------------

// Replaces `removed` units at `offset` (0-based, within the text) with
// `inserted`, which may point into the record. Returns the new length.
template <typename Char>
int replaceRange(Record<Char>& record, size_t offset, size_t removed, View<Char> inserted);
// Copies units that do not overlap. Up to 32 bytes (the common short
// piece) as two fixed-size moves that may overlap each other, which the
// compiler expands in place; longer copies call the library.
template <typename Char>
void copyUnits(Char* to, const Char* from, size_t count) {
  const size_t bytes = count * sizeof(Char);
  auto* target = reinterpret_cast<unsigned char*>(to);
  const auto* source = reinterpret_cast<const unsigned char*>(from);
  if (bytes > 32) {
    std::memcpy(target, source, bytes);
  } else if (bytes >= 16) {
    std::memcpy(target, source, 16);
    std::memcpy(target + bytes - 16, source + bytes - 16, 16);
  } else if (bytes >= 8) {
    std::memcpy(target, source, 8);
    std::memcpy(target + bytes - 8, source + bytes - 8, 8);
  } else if (bytes >= 4) {
    std::memcpy(target, source, 4);
    std::memcpy(target + bytes - 4, source + bytes - 4, 4);
  } else {
    for (size_t i = 0; i < bytes; ++i) target[i] = source[i];
  }
}

// Moves units that may overlap. Up to 32 bytes (a typical field) every
// byte is loaded before any is stored, as two fixed-size moves the
// compiler keeps in registers; longer moves call the library.
template <typename Char>
[[gnu::always_inline]] inline void moveUnits(Char* to, const Char* from, size_t count) {
  const size_t bytes = count * sizeof(Char);
  auto* target = reinterpret_cast<unsigned char*>(to);
  const auto* source = reinterpret_cast<const unsigned char*>(from);
  const auto moveTwo = [&](auto head) {
    constexpr size_t kSize = sizeof head;
    decltype(head) tail;
    std::memcpy(&head, source, kSize);
    std::memcpy(&tail, source + bytes - kSize, kSize);
    std::memcpy(target, &head, kSize);
    std::memcpy(target + bytes - kSize, &tail, kSize);
  };
  struct Block16 {
    uint64_t low, high;
  };
  if (bytes > 32) {
    std::memmove(target, source, bytes);
  } else if (bytes >= 16) {
    moveTwo(Block16{});
  } else if (bytes >= 8) {
    moveTwo(uint64_t{});
  } else if (bytes >= 4) {
    moveTwo(uint32_t{});
  } else if (bytes >= 2) {
    moveTwo(uint16_t{});
  } else if (bytes == 1) {
    *target = *source;
  }
}

// An unshared text with fitting room is overwritten in place (inline: a
// split assigns once per field); `text` may lie inside it, hence a move.
template <typename Char>
int assignText(Record<Char>& record, View<Char> text) {
  if (text.empty() || !keepsRoom(roomOf(record), text.size())) return assignTextAnew(record, text);
  moveUnits(record.text, text.data(), text.size());
  setLengthInRoom(record, text.size());
  return static_cast<int>(text.size());
}

// Appending where the room suffices copies the text in and moves the end;
// `text` may lie inside the record's text, which stays where it is.
template <typename Char>
int appendText(Record<Char>& record, View<Char> text) {
  const size_t length = lengthOf(record);
  if (text.empty() || roomOf(record) < length + text.size()) return replaceRange(record, length, 0, text);
  copyUnits(record.text + length, text.data(), text.size());
  setLengthInRoom(record, length + text.size());
  return static_cast<int>(length + text.size());
}
// Appends one unit (any value, NUL included), the commonest way a text
// grows: where the room suffices the unit is stored as itself, not copied
// as a piece. Returns the text.
template <typename Char>
Char* appendUnit(Record<Char>& record, Char unit) {
  const size_t length = lengthOf(record);
  if (roomOf(record) <= length) {
    replaceRange(record, length, 0, View<Char>(&unit, 1));
    return record.text;
  }
  Char* text = record.text;
  text[length] = unit;
  setLengthInRoom(record, length + 1);
  return text;
}
// Inserts at a caller position, clamped to the start and the end.
template <typename Char>
int insertText(Record<Char>& record, View<Char> text, int position);
// Deletes up to `count` units from a caller position; nothing when the
// position is outside the text or count <= 0.
template <typename Char>
int deleteText(Record<Char>& record, int position, int count);
// Cuts or extends (with NULs); a negative length counts as 0.
template <typename Char>
int setLength(Record<Char>& record, int length);
// A new record of `count` copies of the character (count <= 0: empty).
template <typename Char>
Handle<Char>* newRecordOfChar(Char character, int count);

// --- positions ---------------------------------------------------------------

// A caller position (in the record's base) as a 1-based position. 64-bit, so
// that no int position can overflow.
template <typename Char>
int64_t toOneBased(const Record<Char>& record, int position) {
  return int64_t{position} + (1 - record.charIndexBase);
}
// A 1-based position (0 for "not found") in the record's base.
template <typename Char>
int toCallerPosition(const Record<Char>& record, int64_t oneBased) {
  return static_cast<int>(oneBased + record.charIndexBase - 1);
}
template <typename Char>
bool setIndexBase(Record<Char>& record, int base) {
  if (base != 0 && base != 1) return false;
  record.charIndexBase = base;
  return true;
}
// Address of the character at a caller position, unshared first; null after
// reporting a range error (naming `function`) when it lies outside the text.
template <typename Char>
Char* checkedCharAddress(Record<Char>& record, int position, const char* function);
// The same check for reading only: the character, or NUL after reporting.
template <typename Char>
Char checkedCharAt(const Record<Char>& record, int position, const char* function);

// --- comparisons and text arguments -------------------------------------------

// -1, 0 or 1, comparing unit by unit as unsigned values; a prefix first.
template <typename Char>
int compareOrdinal(View<Char> a, View<Char> b) {
  const int order = a.compare(b);
  return (order > 0) - (order < 0);
}
// A caller's text and length by the library's rules: null is empty, a
// negative length runs to the NUL.
template <typename Char>
View<Char> viewOfText(const Char* text, int length) {
  if (text == nullptr || length == 0) return {};
  if (length < 0) return View<Char>(text);
  return View<Char>(text, static_cast<size_t>(length));
}

// --- failures ----------------------------------------------------------------

// Reports a character position outside the text: sets ERROR_INVALID_INDEX
// and writes one line to standard error. Every range error passes here.
void reportRangeError(const char* function, int position, int base, size_t length);
// Ends the process: a text of `units` could not be allocated.
[[noreturn]] void failOutOfMemory(const char* where, size_t units);

}  // namespace textrum
