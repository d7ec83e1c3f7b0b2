// Private to the library: filling a new string list in bulk.
//
// The CSV readers make a list per row or per file and add every item once.
// Through this builder the texts of those items are packed into a few
// blocks that the list owns (one allocation per block instead of one per
// item); to every other caller the list is an ordinary string list.
#pragma once

#include "zefcorek/StdInterface.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

struct IStringList;

namespace zefcorek {

// A piece of a pack() result: its first unit and its length.
struct PackedPiece {
  size_t offset;
  size_t length;
};

class PackedStringListBuilder {
public:
  // Makes the list; list() is null when it cannot be made.
  PackedStringListBuilder();
  // The same, with room for `items` items and `units` units of packed text
  // in the list's own allocation.
  PackedStringListBuilder(size_t items, size_t units);
  // Releases a list that was not taken.
  ~PackedStringListBuilder();
  PackedStringListBuilder(const PackedStringListBuilder&) = delete;
  PackedStringListBuilder& operator=(const PackedStringListBuilder&) = delete;

  IStringList* list() const { return list_; }
  // Makes room for `items` more items holding `units` text units in all, so
  // that adding them allocates nothing more; false when out of memory.
  [[nodiscard]] bool reserve(size_t items, size_t units);
  // Appends an item (data 0) with a copy of `text`; ZR_OUTOFMEMORY on failure.
  [[nodiscard]] ZRESULT add(std::u16string_view text);
  // Copies `text` and a NUL into the packed blocks and returns the copy,
  // null when out of memory. Items can then be made of pieces of it.
  WCHAR* pack(std::u16string_view text);
  // Appends an item whose text is copy[0, length) of a pack() result; the
  // unit after it becomes the item's terminator. Pieces must not overlap
  // each other's text or terminator.
  [[nodiscard]] ZRESULT addPacked(WCHAR* copy, size_t length);
  // Appends an item for each piece, as addPacked(copy + offset, length).
  [[nodiscard]] ZRESULT addPackedPieces(WCHAR* copy, const PackedPiece* pieces, size_t count);
  // Free packed room for at least `units` units, where a text can be
  // written before it becomes an item through addRoom; null when out of
  // memory. Valid until the next call that adds text.
  WCHAR* room(size_t units);
  // Appends an item whose text is the first `length` units written at the
  // last room() (length below the units asked for there).
  [[nodiscard]] ZRESULT addRoom(size_t length);
  // Hands the list (one reference) to the caller.
  IStringList* take();

private:
  IStringList* list_ = nullptr;  // the list's interface, one reference held
  void* imp_ = nullptr;          // the same object as its implementation class
};

}  // namespace zefcorek
