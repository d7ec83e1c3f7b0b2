// The scanf-style reader of the whole system, over narrow and wide text.
//
// It reads by the C library's scanf rules with typed targets:
//   - a blank in the format matches any run of white space, including none;
//     any other unit outside a conversion must match exactly;
//   - conversions d i u o x X (and U, read as u) for integers, e f g E F G
//     for floating point ('.' is the decimal point, whatever the locale),
//     c, s, %% and n; '*' suppresses the assignment and a width limits the
//     units a field may take; length modifiers are accepted and ignored,
//     because the target's own type decides what is stored;
//   - %n stores the number of text units consumed so far (UTF-16 units in a
//     wide text, bytes in a narrow one) and is not counted as an item.
// The result is the number of items assigned, or -1 when the text ended
// before the first conversion. Reading stops at the first unit that does
// not match; a text after the last conversion is not looked at.
//
// An integer larger than its target saturates at the target's limits (an
// unsigned conversion keeps the C reading of a '-' sign: the value negated
// modulo the target's width). A target of the wrong kind for its conversion
// stops the scan before anything is stored through it, and is reported.
#pragma once

#include "platform/Export.h"
#include "platform/Format.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

enum class ScanTargetKind : uint8_t {
  Int8,
  Int16,
  Int32,
  Int64,
  UInt8,
  UInt16,
  UInt32,
  UInt64,
  Float,
  Double,
  NarrowChar,
  WideChar,
  NarrowString,  // std::string
  WideString,    // std::u16string
};

// One typed place to store a scanned item.
class ScanTarget {
public:
  template <class T>
  static ScanTarget to(T* target);

  ScanTargetKind kind() const { return kind_; }
  void* pointer() const { return pointer_; }

private:
  ScanTarget(ScanTargetKind kind, void* pointer) : kind_(kind), pointer_(pointer) {}

  ScanTargetKind kind_;
  void* pointer_;
};

struct ScanResult {
  int count = 0;        // items assigned, or -1 (see above)
  FormatStatus status;  // a missing or mismatched target, or a bad directive
};

[[nodiscard]] ZEF_EXPORT ScanResult scanArgs(std::string_view text, std::string_view format,
                                             std::span<const ScanTarget> targets);
[[nodiscard]] ZEF_EXPORT ScanResult scanArgs(std::u16string_view text, std::u16string_view format,
                                             std::span<const ScanTarget> targets);

template <class T>
ScanTarget ScanTarget::to(T* target) {
  static_assert(!std::is_const_v<T>, "a scan target must be writable");
  if constexpr (std::is_same_v<T, char>) {
    return ScanTarget(ScanTargetKind::NarrowChar, target);
  } else if constexpr (std::is_same_v<T, char16_t>) {
    return ScanTarget(ScanTargetKind::WideChar, target);
  } else if constexpr (std::is_same_v<T, float>) {
    return ScanTarget(ScanTargetKind::Float, target);
  } else if constexpr (std::is_same_v<T, double>) {
    return ScanTarget(ScanTargetKind::Double, target);
  } else if constexpr (std::is_same_v<T, std::string>) {
    return ScanTarget(ScanTargetKind::NarrowString, target);
  } else if constexpr (std::is_same_v<T, std::u16string>) {
    return ScanTarget(ScanTargetKind::WideString, target);
  } else if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, wchar_t> &&
                       !std::is_same_v<T, char32_t> && !std::is_same_v<T, char8_t>) {
    constexpr bool isSigned = std::is_signed_v<T>;
    constexpr ScanTargetKind kinds[2][4] = {
        {ScanTargetKind::UInt8, ScanTargetKind::UInt16, ScanTargetKind::UInt32, ScanTargetKind::UInt64},
        {ScanTargetKind::Int8, ScanTargetKind::Int16, ScanTargetKind::Int32, ScanTargetKind::Int64}};
    constexpr int index = sizeof(T) == 1 ? 0 : sizeof(T) == 2 ? 1 : sizeof(T) == 4 ? 2 : 3;
    return ScanTarget(kinds[isSigned][index], target);
  } else {
    static_assert(format_detail::kAlwaysFalse<T>, "type cannot be a scan target");
  }
}

// Reads text by format into the targets; returns the count as scanArgs does.
template <class... Targets>
int scanText(std::string_view text, std::string_view format, Targets*... targets) {
  const ScanTarget stored[] = {ScanTarget::to(targets)..., ScanTarget::to(static_cast<int*>(nullptr))};
  return scanArgs(text, format, std::span<const ScanTarget>(stored, sizeof...(Targets))).count;
}
template <class... Targets>
int scanText(std::u16string_view text, std::u16string_view format, Targets*... targets) {
  const ScanTarget stored[] = {ScanTarget::to(targets)..., ScanTarget::to(static_cast<int*>(nullptr))};
  return scanArgs(text, format, std::span<const ScanTarget>(stored, sizeof...(Targets))).count;
}

}  // namespace platform
