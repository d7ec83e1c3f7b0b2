// The value-class face of one string record, shared by CLAnsiStr and
// CLWideStr.
//
// A wrapper holds one record handle and an owns flag. Every constructor but
// (record, owns) makes a new record that the wrapper owns and destroys with
// LStrDestroyA/W. A wrapper made with owns == false borrows the record: its
// owner frees it, and every change made through the wrapper changes that
// record. A wrapper always holds a record, so every member may be called on
// any wrapper, including a moved-from one.
//
// Copies and assignments never share ownership:
//   - copying makes a new owned record with the source's text (the narrow
//     family shares the text itself until one side writes);
//   - copy assignment changes the text of the destination's own record,
//     owned or borrowed; the destination keeps its record and its flag;
//   - moving hands the record and the flag over and leaves the source with a
//     new empty record of its own; move assignment swaps the records when
//     both sides own theirs and copies the text otherwise, so a borrowed
//     record is never taken from its owner nor adopted by another wrapper.
//
// The wrappers are header-only and reach the record through the exported
// functions only, so every deliverable compiles them in and behaves alike.
#pragma once

#include "textrum/LStrCore.h"
#include "textrum/LStrFunctions.h"

#include "platform/Format.h"

#include <string>
#include <string_view>
#include <utility>

namespace textrum {

// The exported functions of one family, so that one wrapper template serves
// both.
template <typename Char>
struct LStrFamily;

template <>
struct LStrFamily<char> {
  using Record = LAnsiStrRec;
  static constexpr auto alloc = LStrAllocA;
  static constexpr auto clone = LStrAllocCloneAA;
  static constexpr auto fromText = LStrAllocFromASzStrA;
  static constexpr auto ofChar = LStrAllocStringOfCharA;
  static constexpr auto destroy = LStrDestroyA;
  static constexpr auto cstr = LStrCstrA;
  static constexpr auto length = LStrLengthA;
  static constexpr auto assign = LStrAssignA;
  static constexpr auto assignText = LStrAssignASzStrA;
  static constexpr auto append = LStrAppendA;
  static constexpr auto appendText = LStrAppendASzStrA;
  static constexpr auto insert = LStrInsertA;
  static constexpr auto erase = LStrDeleteA;
  static constexpr auto compareIC = LStrCompareICA;
  static constexpr auto selfTrim = LStrSelfTrimA;
  static constexpr auto trim = LStrTrimA;
  static constexpr auto lowerCase = LStrLowerCaseA;
  static constexpr auto subString = LStrSubStringA;
  static constexpr auto right = LStrRightA;
  static constexpr auto posPtr = LStrPosPtrA;
  static constexpr auto toIntDef = LStrToIntDefA;
};

template <>
struct LStrFamily<char16_t> {
  using Record = LWideStrRec;
  static constexpr auto alloc = LStrAllocW;
  static constexpr auto clone = LStrAllocCloneWW;
  static constexpr auto fromText = LStrAllocFromWSzStrW;
  static constexpr auto ofChar = LStrAllocStringOfCharW;
  static constexpr auto destroy = LStrDestroyW;
  static constexpr auto cstr = LStrCstrW;
  static constexpr auto length = LStrLengthW;
  static constexpr auto assign = LStrAssignW;
  static constexpr auto assignText = LStrAssignWSzStrW;
  static constexpr auto append = LStrAppendW;
  static constexpr auto appendText = LStrAppendWSzStrW;
  static constexpr auto insert = LStrInsertW;
  static constexpr auto erase = LStrDeleteW;
  static constexpr auto compareIC = LStrCompareICW;
  static constexpr auto selfTrim = LStrSelfTrimW;
  static constexpr auto trim = LStrTrimW;
  static constexpr auto lowerCase = LStrLowerCaseW;
  static constexpr auto subString = LStrSubStringW;
  static constexpr auto right = LStrRightW;
  static constexpr auto posPtr = LStrPosPtrW;
  static constexpr auto toIntDef = LStrToIntDefW;
};

// Base of the wrapper `Derived` over the family of `Char`. Members that
// return "the string" return the derived wrapper, so calls chain.
template <typename Char, typename Derived>
class LStrWrapper {
  using Family = LStrFamily<Char>;

public:
  using CharType = Char;
  using RecordType = typename Family::Record;
  using ViewType = std::basic_string_view<Char>;

  LStrWrapper() noexcept : record_(Family::alloc()), owns_(true) {}
  // The first `length` units of `text`; length < 0 runs to the NUL and a
  // null text gives the empty string.
  explicit LStrWrapper(const Char* text, int length = -1) noexcept
      : record_(Family::fromText(text, length)), owns_(true) {}
  explicit LStrWrapper(const std::basic_string<Char>& text) noexcept
      : LStrWrapper(text.data(), static_cast<int>(text.size())) {}
  // `count` copies of the character (count <= 0: empty).
  LStrWrapper(Char character, int count) noexcept : record_(Family::ofChar(character, count)), owns_(true) {}
  // Wraps an existing record. With owns == true the wrapper takes it over
  // (the way to hold a new record that a function returned); with false it
  // only borrows it. A null record is replaced by a new owned empty one.
  LStrWrapper(RecordType* record, bool owns) noexcept : record_(record), owns_(owns) {
    if (record_ != nullptr) return;
    record_ = Family::alloc();
    owns_ = true;
  }

  LStrWrapper(const LStrWrapper& other) noexcept : record_(Family::clone(other.record_)), owns_(true) {}
  LStrWrapper(LStrWrapper&& other) noexcept
      : record_(std::exchange(other.record_, Family::alloc())), owns_(std::exchange(other.owns_, true)) {}
  LStrWrapper& operator=(const LStrWrapper& other) noexcept {
    if (this != &other) Family::assign(record_, other.record_);
    return *this;
  }
  LStrWrapper& operator=(LStrWrapper&& other) noexcept {
    if (this == &other) return *this;
    if (owns_ && other.owns_) {
      std::swap(record_, other.record_);
      return *this;
    }
    Family::assign(record_, other.record_);
    return *this;
  }
  ~LStrWrapper() {
    if (owns_) Family::destroy(record_);
    record_ = nullptr;
  }

  RecordType* Handle() const noexcept { return record_; }
  bool OwnsRecord() const noexcept { return owns_; }

  // The record's NUL-terminated text, borrowed until the record changes;
  // never null.
  const Char* c_str() const noexcept { return Family::cstr(record_); }
  operator const Char*() const noexcept { return c_str(); }
  ViewType Text() const noexcept { return ViewType(c_str(), static_cast<size_t>(Length())); }

  int Length() const noexcept { return Family::length(record_); }
  bool IsEmpty() const noexcept { return Length() == 0; }

  Derived& Assign(const Derived& other) noexcept {
    Family::assign(record_, other.record_);
    return self();
  }
  // A null text assigns the empty string.
  Derived& AssignSz(const Char* text) noexcept {
    Family::assignText(record_, text, -1);
    return self();
  }
  Derived& AssignText(ViewType text) noexcept {
    Family::assignText(record_, text.data(), static_cast<int>(text.size()));
    return self();
  }
  Derived& Append(const Derived& other) noexcept {
    Family::append(record_, other.record_);
    return self();
  }
  // A null or empty text appends nothing.
  Derived& AppendSz(const Char* text) noexcept {
    if (text != nullptr && *text != Char{}) Family::appendText(record_, text, -1);
    return self();
  }
  // Positions count from the record's index base.
  Derived& Insert(const Derived& other, int position) noexcept {
    Family::insert(record_, other.record_, position);
    return self();
  }
  Derived& Delete(int position, int count) noexcept {
    Family::erase(record_, position, count);
    return self();
  }

  // Removes characters with codes up to 32 from both ends, in place.
  Derived& SelfTrim() noexcept {
    Family::selfTrim(record_);
    return self();
  }
  // New strings owning the new records: trimmed, lower case, `count`
  // characters from `position` (count < 0: to the end), the last `count`
  // characters.
  Derived Trim() const { return Derived(Family::trim(record_), /*owns=*/true); }
  Derived LowerCase() const { return Derived(Family::lowerCase(record_), /*owns=*/true); }
  Derived SubString(int position, int count) const {
    return Derived(Family::subString(record_, position, count), /*owns=*/true);
  }
  Derived Right(int count) const { return Derived(Family::right(record_, count), /*owns=*/true); }
  // Position of the first occurrence of the pattern; base - 1 when there is
  // none or the pattern is null or empty.
  int PosPtr(const Char* pattern) const noexcept { return Family::posPtr(record_, pattern); }
  // The number the whole text reads as, else `defaultValue`.
  int ToIntDef(int defaultValue) const noexcept { return Family::toIntDef(record_, defaultValue); }

  // Sets the text from a printf-style format under the system's printf rules
  // (platform/Format.h); a null format gives the empty string. The arguments
  // travel typed, so a format that names the wrong type renders that field
  // safely instead of reading memory as the wrong type. Pass wrappers by
  // c_str().
  template <typename... Args>
  Derived& Format(const Char* format, const Args&... args) {
    const ViewType pattern = format == nullptr ? ViewType() : ViewType(format);
    return AssignText(platform::formatText(pattern, args...));
  }
  template <typename... Args>
  void sprintf(const Char* format, const Args&... args) {
    Format(format, args...);
  }

  // A copy of `a` with `b` appended.
  friend Derived operator+(const Derived& a, const Derived& b) {
    Derived sum(a);
    sum.Append(b);
    return sum;
  }

  // Ordinal comparison with a NUL-terminated text; null counts as empty.
  bool operator==(const Char* text) const noexcept { return Text() == (text == nullptr ? ViewType() : ViewType(text)); }
  bool operator!=(const Char* text) const noexcept { return !(*this == text); }
  // Case-insensitive: negative, 0 or positive.
  int CompareIC(const Derived& other) const noexcept { return Family::compareIC(record_, other.record_); }

private:
  Derived& self() noexcept { return static_cast<Derived&>(*this); }

  RecordType* record_;  // never null while the wrapper lives
  bool owns_;           // true: destroyed with the wrapper
};

}  // namespace textrum
