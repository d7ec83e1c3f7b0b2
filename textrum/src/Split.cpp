// The split functions: each algorithm is written once over the character
// type and the exported functions are one-line wrappers.
//
// Every algorithm first copies the source text. A source may be one of the
// wrappers being filled (an item of the array, one of the caller's fields, or
// a pointer into such a text); writing a field replaces or overwrites that
// wrapper's text, so fields cut from the source itself would then read
// changed or released memory. The copy lives on the stack for ordinary rows
// and costs one allocation for long ones; fields are written into their
// items' existing texts where those have room.
//
// Splitting into an array skips the copy when the source is none of the
// array's items: writing an item then cannot touch the source's text (a
// narrow text shared with an item is never written in place, and the source
// keeps its own reference to it; a wide text belongs to one record alone).
#include "textrum/LStrSplit.h"

#include "platform/TextTools.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

template <typename Char>
using View = std::basic_string_view<Char>;
template <typename Char>
using Text = std::basic_string<Char>;

// A private copy of the source text: in place up to kInPlace units.
template <typename Char>
class SourceCopy {
public:
  // `needed` false: the text cannot change while it is read; it is used as
  // it stands.
  explicit SourceCopy(View<Char> text, bool needed = true) {
    if (!needed) {
      view_ = text;
      return;
    }
    if (text.size() <= kInPlace) {
      std::char_traits<Char>::copy(inPlace_, text.data(), text.size());
      view_ = View<Char>(inPlace_, text.size());
      return;
    }
    spilled_.assign(text);
    view_ = spilled_;
  }
  SourceCopy(const SourceCopy&) = delete;
  SourceCopy& operator=(const SourceCopy&) = delete;
  View<Char> view() const { return view_; }

private:
  static constexpr size_t kInPlace = 512;
  Char inPlace_[kInPlace];
  Text<Char> spilled_;  // the copy of a longer text
  View<Char> view_;
};

// Trimming removes codes up to 32 (a UTF-8 sequence's bytes are kept).
template <typename Char>
View<Char> trimmed(View<Char> text) {
  return platform::trimmed(text, platform::TrimSet::Controls);
}

template <typename Char>
View<Char> fieldOf(View<Char> field, bool trim) {
  return trim ? trimmed(field) : field;
}

// Calls `store` with each field between separators, in order, until the text
// ends or `maxFields` were found; returns the number found. A separator at
// the very end does not open another field.
template <typename Char, typename Store>
int forEachSeparated(View<Char> text, Char separator, int maxFields, bool trim, Store store) {
  int found = 0;
  size_t pos = 0;
  while (pos < text.size() && found < maxFields) {
    const size_t end = std::min(text.find(separator, pos), text.size());
    store(fieldOf(text.substr(pos, end - pos), trim));
    ++found;
    pos = end + 1;
  }
  return found;
}

template <typename Str, typename Char>
int splitBySep(const Str& source, Char separator, int maxFields, Str* fields, bool trim) {
  if (fields == nullptr || maxFields <= 0) return 0;
  const SourceCopy<Char> copy(source.Text());
  const View<Char> text = copy.view();
  int next = 0;
  const int found = forEachSeparated<Char>(text, separator, maxFields, trim,
                                           [&](View<Char> field) { fields[next++].AssignText(field); });
  for (int i = found; i < maxFields; ++i) fields[i].AssignText({});
  return found;
}

// Whether the source holds the record of one of the array's items, in use
// or kept for reuse (a split refills those too).
template <typename Str, typename Char>
bool isItemOf(const Str& source, const CLxxStrArray<Str, Char>& array) {
  for (int i = 0; i < array.Allocated(); ++i) {
    if (array[i]->Handle() == source.Handle()) return true;
  }
  return false;
}

template <typename Str, typename Char>
int splitBySepEx(const Str& source, Char separator, CLxxStrArray<Str, Char>& array, bool trim) {
  const SourceCopy<Char> copy(source.Text(), isItemOf(source, array));
  const View<Char> text = copy.view();
  array.Clear(/*keepItems=*/true);
  forEachSeparated<Char>(text, separator, INT32_MAX, trim, [&](View<Char> field) { array.Add(field); });
  return array.Count();
}

// The characters at 0-based offsets [from, from + count) that lie inside the
// text; 64-bit, so that no sum of int positions or widths can overflow.
template <typename Char>
View<Char> clippedRange(View<Char> text, int64_t from, int64_t count) {
  const int64_t size = static_cast<int64_t>(text.size());
  const int64_t begin = std::clamp<int64_t>(from, 0, size);
  const int64_t end = std::clamp<int64_t>(from + count, begin, size);
  return text.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin));
}

template <typename Str, typename Char>
int splitByFixedLayout(const Str& source, int fieldCount, const int* widths, CLxxStrArray<Str, Char>& array,
                       bool trim) {
  const SourceCopy<Char> copy(source.Text());
  const View<Char> text = copy.view();
  array.Clear(/*keepItems=*/true);
  if (widths == nullptr) return 0;
  int64_t pos = 0;
  for (int i = 0; i < fieldCount; ++i) {
    // A negative width would step back into fields already cut.
    const int64_t width = std::max(widths[i], 0);
    array.Add(fieldOf(clippedRange<Char>(text, pos, width), trim));
    pos += width;
  }
  return array.Count();
}

template <typename Str, typename Char>
int splitByFixedLayoutEx(const Str& source, int fieldCount, const int* ranges, CLxxStrArray<Str, Char>& array,
                         bool trim) {
  const SourceCopy<Char> copy(source.Text());
  const View<Char> text = copy.view();
  array.Clear(/*keepItems=*/true);
  if (ranges == nullptr) return 0;
  for (int i = 0; i < fieldCount; ++i) {
    // Positions are 1-based whatever the source's index base. A range that
    // starts before the text keeps only its characters inside the text.
    const int64_t first = std::max(ranges[2 * i], 1);
    const int64_t last = ranges[2 * i + 1];
    array.Add(fieldOf(clippedRange<Char>(text, first - 1, last - first + 1), trim));
  }
  return array.Count();
}

template <typename Str, typename Char>
bool splitNamedEqu(const Char* source, CLxxStrArray<Str, Char>& array, bool trim, Char separator) {
  const SourceCopy<Char> copy(source == nullptr ? View<Char>() : View<Char>(source));
  const View<Char> text = copy.view();
  array.Clear(/*keepItems=*/true);
  if (source == nullptr) return false;
  const size_t at = text.find(separator);
  if (at == View<Char>::npos) return false;
  const View<Char> whole(text);
  array.Add(fieldOf(whole.substr(0, at), trim));
  array.Add(fieldOf(whole.substr(at + 1), trim));
  return true;
}

}  // namespace

int SplitBySepA(const CLAnsiStr& source, char separator, int maxFields, CLAnsiStr* fields, bool trim) noexcept {
  return splitBySep(source, separator, maxFields, fields, trim);
}
int SplitBySepW(const CLWideStr& source, WCHAR separator, int maxFields, CLWideStr* fields, bool trim) noexcept {
  return splitBySep(source, separator, maxFields, fields, trim);
}

int SplitBySepExA(const CLAnsiStr& source, char separator, CLAnsiStrArray& array, bool trim) noexcept {
  return splitBySepEx(source, separator, array, trim);
}
int SplitBySepExW(const CLWideStr& source, WCHAR separator, CLWideStrArray& array, bool trim) noexcept {
  return splitBySepEx(source, separator, array, trim);
}

int SplitByFixedLayoutA(const CLAnsiStr& source, int fieldCount, const int* widths, CLAnsiStrArray& array,
                        bool trim) noexcept {
  return splitByFixedLayout(source, fieldCount, widths, array, trim);
}
int SplitByFixedLayoutW(const CLWideStr& source, int fieldCount, const int* widths, CLWideStrArray& array,
                        bool trim) noexcept {
  return splitByFixedLayout(source, fieldCount, widths, array, trim);
}

int SplitByFixedLayoutExA(const CLAnsiStr& source, int fieldCount, const int* ranges, CLAnsiStrArray& array,
                          bool trim) noexcept {
  return splitByFixedLayoutEx(source, fieldCount, ranges, array, trim);
}
int SplitByFixedLayoutExW(const CLWideStr& source, int fieldCount, const int* ranges, CLWideStrArray& array,
                          bool trim) noexcept {
  return splitByFixedLayoutEx(source, fieldCount, ranges, array, trim);
}

bool SplitNamedEquA(const char* text, CLAnsiStrArray& array, bool trim, char separator) noexcept {
  return splitNamedEqu(text, array, trim, separator);
}
bool SplitNamedEquW(const WCHAR* text, CLWideStrArray& array, bool trim, WCHAR separator) noexcept {
  return splitNamedEqu(text, array, trim, separator);
}
