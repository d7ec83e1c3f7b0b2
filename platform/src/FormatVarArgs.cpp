// The bridge from C variable arguments to typed ones.
//
// A C caller's argument list carries no types, so each argument is taken with
// the type its directive names, exactly as the C runtime would take it:
// this is the only place in the system where that trust is needed. After it,
// the engine works on typed values and can run as often as it likes (once to
// count, once to write) without touching the list again.
#include "platform/Format.h"

#include "FormatDirective.h"

namespace platform {
namespace {

using format_detail::ConversionKind;
using format_detail::FormatDirective;
using format_detail::kFieldFromArgument;

template <class Char>
FormatArg takeArgument(const FormatDirective& directive, va_list& list) {
  const bool wide = format_detail::takesWideText<Char>(directive);
  const bool wide64 = format_detail::integerBits(directive.length) == 64;
  switch (directive.info.kind) {
    case ConversionKind::Signed:
      if (wide64) return FormatArg::integer(FormatArgKind::Int64, static_cast<uint64_t>(va_arg(list, long long)));
      return FormatArg::integer(FormatArgKind::Int32, static_cast<uint64_t>(int64_t{va_arg(list, int)}));
    case ConversionKind::Unsigned:
      if (wide64) return FormatArg::integer(FormatArgKind::UInt64, va_arg(list, unsigned long long));
      return FormatArg::integer(FormatArgKind::UInt32, va_arg(list, unsigned int));
    case ConversionKind::Float:
      // L on a floating conversion means double, as in the Windows runtime.
      return FormatArg::floating(va_arg(list, double));
    case ConversionKind::Char: {
      // Characters arrive promoted to int.
      const auto code = static_cast<unsigned int>(va_arg(list, int));
      return wide ? FormatArg::integer(FormatArgKind::WideChar, code & 0xFFFF)
                  : FormatArg::integer(FormatArgKind::NarrowChar, code & 0xFF);
    }
    case ConversionKind::String:
      if (wide) return FormatArg::text(FormatArgKind::WideString, va_arg(list, const char16_t*), FormatArg::kUntilNul);
      return FormatArg::text(FormatArgKind::NarrowString, va_arg(list, const char*), FormatArg::kUntilNul);
    case ConversionKind::Pointer:
    case ConversionKind::Count: return FormatArg::address(va_arg(list, const void*));
    case ConversionKind::Percent:
    case ConversionKind::Invalid: break;
  }
  return FormatArg::integer(FormatArgKind::Int32, 0);  // not reached: callers skip these kinds
}

template <class Char>
std::vector<FormatArg> collect(std::basic_string_view<Char> format, va_list args) {
  std::vector<FormatArg> collected;
  va_list list;
  va_copy(list, args);
  for (size_t pos = 0; pos < format.size(); ++pos) {
    if (format_detail::syntaxChar(format[pos]) != '%') continue;
    const FormatDirective directive = format_detail::parseDirective(format, pos);
    pos = directive.end - 1;
    if (directive.info.kind == ConversionKind::Percent || directive.info.kind == ConversionKind::Invalid) continue;
    if (directive.width == kFieldFromArgument)
      collected.push_back(FormatArg::integer(FormatArgKind::Int32, static_cast<uint64_t>(int64_t{va_arg(list, int)})));
    if (directive.precision == kFieldFromArgument)
      collected.push_back(FormatArg::integer(FormatArgKind::Int32, static_cast<uint64_t>(int64_t{va_arg(list, int)})));
    collected.push_back(takeArgument<Char>(directive, list));
  }
  va_end(list);
  return collected;
}

}  // namespace

std::vector<FormatArg> collectVarArgs(std::string_view format, va_list args) { return collect(format, args); }

std::vector<FormatArg> collectVarArgs(std::u16string_view format, va_list args) { return collect(format, args); }

}  // namespace platform
