// The printf-style formatting engine of the whole system.
//
// One engine renders narrow (UTF-8) and wide (UTF-16) format texts under the
// Windows runtime's printf rules:
//   - in a wide format %s and %c take wide arguments and %S / %C narrow ones;
//     in a narrow format the reverse; %hs / %hc are always narrow, %ls, %lc,
//     %ws and %wc always wide;
//   - on integer conversions h is 16-bit, hh 8-bit, l and no modifier 32-bit,
//     and L, ll, I64, I, j, z, t 64-bit; l and L on floating conversions mean
//     double;
//   - flags '-' '+' '0' '#' and blank, a width and a precision, each a number
//     or '*' taken from the arguments;
//   - conversions d i u o x X c C s S e E f F g G p and %%; %n is refused
//     (it consumes its argument and writes nothing);
//   - the decimal point is always '.', whatever the process locale;
//   - fixed-point digits are correctly rounded from the exact binary value,
//     exact halves to even (std::to_chars), the runtime's rule for ties.
//
// Arguments are stored typed (FormatArg, a tagged value), so a format text
// read from a file can never make the engine read memory as the wrong type.
// When a conversion and its argument disagree, the field is rendered from the
// argument's own value where that is meaningful (an integer for %f, a narrow
// string for a wide %s) and is empty otherwise; either way the first such
// problem is reported in the FormatStatus. The engine never allocates for
// narrow-to-narrow or wide-to-wide text and never writes beyond the capacity
// it is given; like snprintf it still counts the full length, so callers can
// size a buffer in one pass and fill it in a second.
#pragma once

#include "platform/Export.h"

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <concepts>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace platform {

// The stored type of one argument.
enum class FormatArgKind : uint8_t {
  Int32,
  UInt32,
  Int64,
  UInt64,
  Double,
  NarrowChar,    // a byte of narrow text
  WideChar,      // a UTF-16 unit
  NarrowString,  // UTF-8 text, pointer and length (npos: up to the NUL)
  WideString,    // UTF-16 text, likewise
  Pointer,
};

// One typed argument. It refers to string data it does not own: it lives only
// as long as the call that formats it.
class FormatArg {
public:
  static constexpr size_t kUntilNul = static_cast<size_t>(-1);

  template <class T>
  static FormatArg from(const T& value);

  FormatArgKind kind() const { return kind_; }
  int64_t asSigned() const { return static_cast<int64_t>(integer_); }
  uint64_t asUnsigned() const { return integer_; }
  double asDouble() const { return double_; }
  const void* pointer() const { return pointer_; }
  // Length of a string argument in units, or kUntilNul.
  size_t stringLength() const { return static_cast<size_t>(integer_); }

  static FormatArg integer(FormatArgKind kind, uint64_t bits) {
    FormatArg arg(kind);
    arg.integer_ = bits;
    return arg;
  }
  static FormatArg floating(double value) {
    FormatArg arg(FormatArgKind::Double);
    arg.double_ = value;
    return arg;
  }
  static FormatArg text(FormatArgKind kind, const void* data, size_t length) {
    FormatArg arg(kind);
    arg.pointer_ = data;
    arg.integer_ = length;
    return arg;
  }
  static FormatArg address(const void* pointer) { return text(FormatArgKind::Pointer, pointer, 0); }

private:
  explicit FormatArg(FormatArgKind kind) : kind_(kind) {}

  FormatArgKind kind_;
  uint64_t integer_ = 0;           // integers and characters (bits), string lengths
  double double_ = 0;              // Double only
  const void* pointer_ = nullptr;  // strings and pointers
};

// What went wrong first while formatting or scanning; the output is complete
// and safe in every case.
enum class FormatErrorKind : uint8_t {
  None,
  MissingArgument,   // a conversion had no argument left: it rendered nothing
  ArgumentMismatch,  // the argument's type did not fit the conversion
  ValueTruncated,    // a 64-bit integer did not fit a narrower conversion
  BadDirective,      // unknown conversion, %n, or a '%' at the end: copied as text
  FieldClamped,      // a width or precision above kMaxFormatField was reduced
};

struct FormatStatus {
  FormatErrorKind error = FormatErrorKind::None;
  size_t offset = 0;  // index in the format text of the directive at fault

  bool ok() const { return error == FormatErrorKind::None; }
};

// Widths and precisions above this are clamped, so a format text from a file
// cannot ask for gigabytes of padding.
inline constexpr int kMaxFormatField = 4096;

// The engine's output: up to capacity units go to data (which may be null
// when capacity is 0); length counts every unit produced, written or not.
// No terminator is written.
template <class Char>
struct FormatOutput {
  Char* data = nullptr;
  size_t capacity = 0;
  size_t length = 0;
};

// Formats into out. The format is a view: an embedded NUL is text like any
// other unit.
[[nodiscard]] ZEF_EXPORT FormatStatus formatArgs(FormatOutput<char>& out, std::string_view format,
                                                 std::span<const FormatArg> args);
[[nodiscard]] ZEF_EXPORT FormatStatus formatArgs(FormatOutput<char16_t>& out, std::u16string_view format,
                                                 std::span<const FormatArg> args);

// The bridge from C variadic functions: walks the format once and takes each
// argument from the list with the type its conversion letter and length
// modifier name (the only place where types cannot be checked). The list is
// read through a copy; the caller's list is left as it was.
ZEF_EXPORT std::vector<FormatArg> collectVarArgs(std::string_view format, va_list args);
ZEF_EXPORT std::vector<FormatArg> collectVarArgs(std::u16string_view format, va_list args);

// ---------------------------------------------------------------------------
// The typed front end.

namespace format_detail {
template <class T>
inline constexpr bool kAlwaysFalse = false;
}  // namespace format_detail

template <class T>
FormatArg FormatArg::from(const T& value) {
  using V = std::decay_t<T>;
  if constexpr (std::is_same_v<V, std::nullptr_t>) {
    return address(nullptr);
  } else if constexpr (std::is_same_v<V, bool>) {
    return integer(FormatArgKind::Int32, value ? 1 : 0);
  } else if constexpr (std::is_same_v<V, char>) {
    return integer(FormatArgKind::NarrowChar, static_cast<unsigned char>(value));
  } else if constexpr (std::is_same_v<V, char16_t>) {
    return integer(FormatArgKind::WideChar, value);
  } else if constexpr (std::is_same_v<V, wchar_t> || std::is_same_v<V, char32_t> || std::is_same_v<V, char8_t>) {
    static_assert(format_detail::kAlwaysFalse<V>, "system text is char or char16_t");
  } else if constexpr (std::is_enum_v<V>) {
    return from(static_cast<std::underlying_type_t<V>>(value));
  } else if constexpr (std::is_integral_v<V> && std::is_signed_v<V>) {
    return integer(sizeof(V) <= 4 ? FormatArgKind::Int32 : FormatArgKind::Int64,
                   static_cast<uint64_t>(static_cast<int64_t>(value)));
  } else if constexpr (std::is_integral_v<V>) {
    return integer(sizeof(V) <= 4 ? FormatArgKind::UInt32 : FormatArgKind::UInt64, static_cast<uint64_t>(value));
  } else if constexpr (std::is_floating_point_v<V>) {
    return floating(static_cast<double>(value));
  } else if constexpr (std::is_same_v<V, const char*> || std::is_same_v<V, char*>) {
    return text(FormatArgKind::NarrowString, value, kUntilNul);
  } else if constexpr (std::is_same_v<V, const char16_t*> || std::is_same_v<V, char16_t*>) {
    return text(FormatArgKind::WideString, value, kUntilNul);
  } else if constexpr (std::is_convertible_v<const V&, std::string_view>) {
    const std::string_view view(value);
    return text(FormatArgKind::NarrowString, view.data(), view.size());
  } else if constexpr (std::is_convertible_v<const V&, std::u16string_view>) {
    const std::u16string_view view(value);
    return text(FormatArgKind::WideString, view.data(), view.size());
  } else if constexpr (std::is_pointer_v<V>) {
    return address(static_cast<const void*>(value));
  } else {
    static_assert(format_detail::kAlwaysFalse<V>, "type cannot be formatted");
  }
}

// Appends the formatted text to out and returns the status.
template <class Char, class... Args>
FormatStatus appendFormatted(std::basic_string<Char>& out, std::basic_string_view<Char> format, const Args&... args) {
  const FormatArg stored[] = {FormatArg::from(args)..., FormatArg::integer(FormatArgKind::Int32, 0)};
  const std::span<const FormatArg> list(stored, sizeof...(Args));
  // Try the free room first; when the text does not fit, size it and redo.
  const size_t start = out.size();
  out.resize(out.capacity() > start + 16 ? out.capacity() : start + 128);
  FormatOutput<Char> sink{out.data() + start, out.size() - start, 0};
  FormatStatus status = formatArgs(sink, format, list);
  if (sink.length > sink.capacity) {
    out.resize(start + sink.length);
    sink = FormatOutput<Char>{out.data() + start, sink.length, 0};
    status = formatArgs(sink, format, list);
  }
  out.resize(start + sink.length);
  return status;
}

// The formatted text; a mismatch renders safely (see above) and is not
// reported here: use appendFormatted where the status matters.
template <class... Args>
std::string formatText(std::string_view format, const Args&... args) {
  std::string out;
  (void)appendFormatted<char>(out, format, args...);
  return out;
}
template <class... Args>
std::u16string formatText(std::u16string_view format, const Args&... args) {
  std::u16string out;
  (void)appendFormatted<char16_t>(out, format, args...);
  return out;
}

}  // namespace platform
