// Storage of both record families and the record algorithms, compiled once
// for `char` and `char16_t` (explicit instantiations at the end).
//
// The two families differ only in the few functions of the "storage"
// section below: how a text is allocated, shared, resized and released.
// Everything after it is written once over Char.
#include "LStrRecord.h"

#include "platform/LastError.h"
#include "platform/OleString.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The static empty texts handed out for empty records. The wide one is laid
// out as an automation string with a zero length prefix, so a caller that
// treats it as one (SysStringLen) reads a valid, empty string.
char emptyNarrow[1] = {'\0'};

struct alignas(8) EmptyAutomationString {
  uint32_t unused;
  uint32_t byteLength;
  char16_t text[4];
};
constinit EmptyAutomationString emptyWide = {0, 0, {u'\0'}};

// --- narrow buffers -------------------------------------------------------

char* textOfBuffer(textrum::NarrowBuffer* buffer) { return reinterpret_cast<char*>(buffer + 1); }

char* allocateNarrow(size_t length, size_t capacity) {
  if (capacity > textrum::kMaxLength) textrum::failOutOfMemory("narrow text", capacity);
  void* memory = std::malloc(sizeof(textrum::NarrowBuffer) + capacity + 1);
  if (memory == nullptr) textrum::failOutOfMemory("narrow text", capacity);
  auto* buffer = new (memory) textrum::NarrowBuffer{};
  buffer->refCount.store(1, std::memory_order_relaxed);
  buffer->capacity = static_cast<int32_t>(capacity);
  buffer->length = static_cast<int32_t>(length);
  char* text = textOfBuffer(buffer);
  text[length] = '\0';
  return text;
}

void releaseNarrow(char* text) {
  if (text == nullptr) return;
  textrum::NarrowBuffer* buffer = textrum::narrowBufferOf(text);
  if (buffer->refCount.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  buffer->~NarrowBuffer();
  std::free(buffer);
}

bool isUniqueNarrow(const char* text) {
  return textrum::narrowBufferOf(text)->refCount.load(std::memory_order_acquire) == 1;
}

// Capacity to reserve when a text grows to `length` from `capacity`: twice
// as much while the text is short, half as much again once it is long, so a
// run of appends costs amortised constant time without wasting much room on
// long texts; and at least a small block, so that a short text growing piece
// by piece does not reallocate for every piece.
constexpr size_t kFirstGrownCapacity = 32;
constexpr size_t kDoublingLimit = 4096;
size_t grownCapacity(size_t length, size_t capacity) {
  const size_t grown = capacity < kDoublingLimit ? 2 * capacity : capacity + capacity / 2;
  return std::min(std::max({length, grown, kFirstGrownCapacity}), textrum::kMaxLength);
}

// --- wide strings -----------------------------------------------------------

// A wide text of `length` unset units with room for `capacity`.
BSTR allocateWide(size_t length, size_t capacity) {
  if (capacity > textrum::kMaxLength) textrum::failOutOfMemory("wide text", capacity);
  BSTR string = platform::allocAutomationStringRoom(static_cast<UINT>(capacity));
  if (string == nullptr) textrum::failOutOfMemory("wide text", capacity);
  textrum::Record<char16_t> record{string, 1, static_cast<int32_t>(capacity)};
  textrum::setLengthInRoom(record, length);
  return string;
}

template <typename Char>
void releaseText(textrum::Record<Char>& record) {
  if constexpr (std::is_same_v<Char, char>) {
    releaseNarrow(record.text);
  } else {
    SysFreeString(record.text);
  }
  record.text = nullptr;
  record.capacity = 0;
}

template <typename Char>
bool pointsInto(textrum::View<Char> text, textrum::View<Char> inner) {
  const std::less_equal<const Char*> lessEqual;
  return !inner.empty() && !text.empty() && lessEqual(text.data(), inner.data()) &&
         lessEqual(inner.data(), text.data() + text.size());
}

}  // namespace

// --- storage ------------------------------------------------------------------

template <typename Char>
textrum::Handle<Char>* textrum::newRecord(View<Char> text) {
  auto* record = new (std::nothrow) Handle<Char>{{nullptr, 1, 0}};
  if (record == nullptr) failOutOfMemory("record", 1);
  if (!text.empty()) assignText(*record, text);  // an empty record holds no text to release
  return record;
}

template <typename Char>
void textrum::destroyRecord(Handle<Char>* record) {
  if (record == nullptr) return;
  releaseText<Char>(*record);
  delete record;
}

template <typename Char>
Char* textrum::emptyText() {
  if constexpr (std::is_same_v<Char, char>) {
    return emptyNarrow;
  } else {
    return emptyWide.text;
  }
}

template <typename Char>
Char* textrum::uniqueText(Record<Char>& record) {
  if (record.text == nullptr) return cstrOf(record);
  return resizeUnique(record, lengthOf(record));
}

template <typename Char>
Char* textrum::resizeUnique(Record<Char>& record, size_t length) {
  if (length > kMaxLength) failOutOfMemory("text", length);
  if (length == 0) {
    assignText<Char>(record, {});
    return nullptr;
  }
  if constexpr (std::is_same_v<Char, char>) {
    char* text = record.text;
    if (text != nullptr && isUniqueNarrow(text) && static_cast<size_t>(narrowBufferOf(text)->capacity) >= length) {
      narrowBufferOf(text)->length = static_cast<int32_t>(length);
      text[length] = '\0';
      return text;
    }
    const size_t oldLength = lengthOf(record);
    const size_t oldCapacity = text == nullptr ? 0 : narrowBufferOf(text)->capacity;
    const size_t capacity = length > oldLength ? grownCapacity(length, oldCapacity) : length;
    if (text != nullptr && isUniqueNarrow(text)) {
      // Unshared: the allocator may grow the block where it stands.
      void* memory = std::realloc(narrowBufferOf(text), sizeof(NarrowBuffer) + capacity + 1);
      if (memory == nullptr) failOutOfMemory("narrow text", capacity);
      auto* buffer = static_cast<NarrowBuffer*>(memory);
      buffer->capacity = static_cast<int32_t>(capacity);
      record.text = textOfBuffer(buffer);
      setLengthInRoom(record, length);
      return record.text;
    }
    char* fresh = allocateNarrow(length, capacity);
    std::memcpy(fresh, cstrOf(record), std::min(length, oldLength));
    releaseNarrow(text);
    record.text = fresh;
    return fresh;
  } else {
    if (record.text != nullptr && length <= roomOf(record)) {
      setLengthInRoom(record, length);
      return record.text;
    }
    const size_t oldLength = lengthOf(record);
    const size_t capacity = length > oldLength ? grownCapacity(length, roomOf(record)) : length;
    if (record.text == nullptr) {
      record.text = allocateWide(length, capacity);
    } else {
      // The allocator may grow the block where it stands (or remap it),
      // which copies nothing.
      if (capacity > kMaxLength || !platform::resizeAutomationStringRoom(&record.text, static_cast<UINT>(capacity))) {
        failOutOfMemory("wide text", capacity);
      }
      setLengthInRoom(record, length);
    }
    record.capacity = static_cast<int32_t>(capacity);
    return record.text;
  }
}

template <typename Char>
int textrum::assignRecord(Record<Char>& destination, const Record<Char>& source) {
  if constexpr (std::is_same_v<Char, char>) {
    // Take the new reference before dropping the old one: assigning a
    // record to itself (or to a sharer of its buffer) must not free it.
    if (source.text != nullptr) narrowBufferOf(source.text)->refCount.fetch_add(1, std::memory_order_relaxed);
    releaseNarrow(destination.text);
    destination.text = source.text;
    return static_cast<int>(lengthOf(destination));
  } else {
    return assignText(destination, textOf<Char>(source));
  }
}

// The new text is made before the old one is released, because `text` may
// point into it.
template <typename Char>
int textrum::assignTextAnew(Record<Char>& record, View<Char> text) {
  Char* fresh = nullptr;
  if (!text.empty()) {
    if constexpr (std::is_same_v<Char, char>) {
      fresh = allocateNarrow(text.size(), text.size());
    } else {
      fresh = allocateWide(text.size(), text.size());
    }
    std::char_traits<Char>::copy(fresh, text.data(), text.size());
  }
  releaseText(record);
  record.text = fresh;
  record.capacity = std::is_same_v<Char, char> ? 0 : static_cast<int32_t>(text.size());
  return static_cast<int>(text.size());
}

// --- editing --------------------------------------------------------------------

template <typename Char>
int textrum::replaceRange(Record<Char>& record, size_t offset, size_t removed, View<Char> inserted) {
  const View<Char> old = textOf<Char>(record);
  assert(offset <= old.size() && removed <= old.size() - offset && "range lies inside the text");
  std::basic_string<Char> copy;
  if (pointsInto(old, inserted)) {
    // Resizing may move or rewrite the text the insertion comes from.
    copy.assign(inserted);
    inserted = copy;
  }
  const size_t oldLength = old.size();
  const size_t tail = oldLength - offset - removed;
  if (inserted.size() > kMaxLength - (oldLength - removed)) {
    failOutOfMemory("text", oldLength - removed + inserted.size());
  }
  const size_t newLength = oldLength - removed + inserted.size();
  if (newLength == 0) return assignText<Char>(record, {});
  Char* data = resizeUnique(record, std::max(newLength, oldLength));
  std::char_traits<Char>::move(data + offset + inserted.size(), data + offset + removed, tail);
  std::char_traits<Char>::copy(data + offset, inserted.data(), inserted.size());
  if (newLength < oldLength) resizeUnique(record, newLength);
  return static_cast<int>(newLength);
}

template <typename Char>
int textrum::insertText(Record<Char>& record, View<Char> text, int position) {
  const int64_t length = static_cast<int64_t>(lengthOf(record));
  const int64_t at = std::clamp<int64_t>(toOneBased(record, position), 1, length + 1);
  return replaceRange(record, static_cast<size_t>(at - 1), 0, text);
}

template <typename Char>
int textrum::deleteText(Record<Char>& record, int position, int count) {
  const int64_t length = static_cast<int64_t>(lengthOf(record));
  const int64_t at = toOneBased(record, position);
  if (at < 1 || at > length || count <= 0) return static_cast<int>(length);
  const int64_t removed = std::min<int64_t>(count, length - at + 1);
  return replaceRange<Char>(record, static_cast<size_t>(at - 1), static_cast<size_t>(removed), {});
}

template <typename Char>
int textrum::setLength(Record<Char>& record, int length) {
  const size_t newLength = length < 0 ? 0 : static_cast<size_t>(length);
  const size_t oldLength = lengthOf(record);
  Char* data = resizeUnique(record, newLength);
  if (newLength > oldLength) std::char_traits<Char>::assign(data + oldLength, newLength - oldLength, Char{});
  return static_cast<int>(newLength);
}

template <typename Char>
textrum::Handle<Char>* textrum::newRecordOfChar(Char character, int count) {
  Handle<Char>* record = newRecord<Char>({});
  if (count <= 0) return record;
  Char* data = resizeUnique(*record, static_cast<size_t>(count));
  std::char_traits<Char>::assign(data, static_cast<size_t>(count), character);
  return record;
}

// --- positions --------------------------------------------------------------------

namespace {

template <typename Char>
bool isInside(const textrum::Record<Char>& record, int64_t oneBased) {
  return oneBased >= 1 && oneBased <= static_cast<int64_t>(textrum::lengthOf(record));
}

}  // namespace

template <typename Char>
Char* textrum::checkedCharAddress(Record<Char>& record, int position, const char* function) {
  const int64_t at = toOneBased(record, position);
  if (!isInside(record, at)) {
    reportRangeError(function, position, record.charIndexBase, lengthOf(record));
    return nullptr;
  }
  return uniqueText(record) + (at - 1);
}

template <typename Char>
Char textrum::checkedCharAt(const Record<Char>& record, int position, const char* function) {
  const int64_t at = toOneBased(record, position);
  if (!isInside(record, at)) {
    reportRangeError(function, position, record.charIndexBase, lengthOf(record));
    return Char{};
  }
  return record.text[at - 1];
}

// --- failures ---------------------------------------------------------------------

void textrum::reportRangeError(const char* function, int position, int base, size_t length) {
  SetLastError(ERROR_INVALID_INDEX);
  std::fprintf(stderr, "textrum: %s: range check error: position %d outside the text (base %d, length %zu)\n", function,
               position, base, length);
}

void textrum::failOutOfMemory(const char* where, size_t units) {
  std::fprintf(stderr, "textrum: out of memory: cannot allocate a %s of %zu units\n", where, units);
  std::abort();
}

// --- instantiations ---------------------------------------------------------------

#define TEXTRUM_INSTANTIATE(Char)                                                      \
  template textrum::Handle<Char>* textrum::newRecord<Char>(View<Char>);                \
  template void textrum::destroyRecord<Char>(Handle<Char>*);                           \
  template Char* textrum::emptyText<Char>();                                           \
  template Char* textrum::uniqueText<Char>(Record<Char>&);                             \
  template Char* textrum::resizeUnique<Char>(Record<Char>&, size_t);                   \
  template int textrum::assignRecord<Char>(Record<Char>&, const Record<Char>&);        \
  template int textrum::assignTextAnew<Char>(Record<Char>&, View<Char>);               \
  template int textrum::replaceRange<Char>(Record<Char>&, size_t, size_t, View<Char>); \
  template int textrum::insertText<Char>(Record<Char>&, View<Char>, int);              \
  template int textrum::deleteText<Char>(Record<Char>&, int, int);                     \
  template int textrum::setLength<Char>(Record<Char>&, int);                           \
  template textrum::Handle<Char>* textrum::newRecordOfChar<Char>(Char, int);           \
  template Char* textrum::checkedCharAddress<Char>(Record<Char>&, int, const char*);   \
  template Char textrum::checkedCharAt<Char>(const Record<Char>&, int, const char*);

TEXTRUM_INSTANTIATE(char)
TEXTRUM_INSTANTIATE(char16_t)
#undef TEXTRUM_INSTANTIATE
