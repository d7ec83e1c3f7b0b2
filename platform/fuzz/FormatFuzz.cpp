// The printf engine under hostile format texts: any format with any typed
// arguments renders without reading or writing out of bounds, the counting
// pass (no buffer) agrees with the writing pass, and a short buffer gets
// exactly the first units of the full text.
#include "platform/Format.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"

#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using platform::FormatArg;
using platform::FormatArgKind;
using zef::fuzz::FuzzInput;

const char kNarrowText[] = "narrow text";
const char16_t kWideText[] = u"wide \xD800 text";

// Arguments of every stored kind, picked by the input.
std::vector<FormatArg> argumentsFrom(FuzzInput& input) {
  std::vector<FormatArg> args;
  const int count = input.byte() % 8;
  for (int i = 0; i < count; ++i) {
    const uint8_t kind = input.byte();
    uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) bits = bits << 8 | input.byte();
    switch (kind % 10) {
      case 0: args.push_back(FormatArg::integer(FormatArgKind::Int32, bits & 0xFFFFFFFF)); break;
      case 1: args.push_back(FormatArg::integer(FormatArgKind::UInt32, bits & 0xFFFFFFFF)); break;
      case 2: args.push_back(FormatArg::integer(FormatArgKind::Int64, bits)); break;
      case 3: args.push_back(FormatArg::integer(FormatArgKind::UInt64, bits)); break;
      case 4: {
        double value;
        static_assert(sizeof value == sizeof bits);
        std::memcpy(&value, &bits, sizeof value);
        args.push_back(FormatArg::floating(value));
        break;
      }
      case 5: args.push_back(FormatArg::integer(FormatArgKind::NarrowChar, bits & 0xFF)); break;
      case 6: args.push_back(FormatArg::integer(FormatArgKind::WideChar, bits & 0xFFFF)); break;
      case 7:
        args.push_back(FormatArg::text(FormatArgKind::NarrowString, kNarrowText,
                                       bits % 2 ? FormatArg::kUntilNul : bits % sizeof kNarrowText));
        break;
      case 8:
        args.push_back(
            FormatArg::text(FormatArgKind::WideString, kWideText, bits % 2 ? FormatArg::kUntilNul : bits % 14));
        break;
      default: args.push_back(FormatArg::address(bits % 3 ? kNarrowText : nullptr)); break;
    }
  }
  return args;
}

template <class Char>
void render(std::basic_string_view<Char> format, const std::vector<FormatArg>& args, size_t shortCapacity) {
  platform::FormatOutput<Char> counting;
  const platform::FormatStatus counted = platform::formatArgs(counting, format, args);
  if (counted.ok()) zef::fuzz::noteAccepted();
  std::vector<Char> full(counting.length);
  platform::FormatOutput<Char> writing{full.data(), full.size(), 0};
  const platform::FormatStatus written = platform::formatArgs(writing, format, args);
  if (writing.length != counting.length || written.error != counted.error) std::abort();
  // A buffer too short for the text holds its beginning and nothing more.
  std::vector<Char> cut(std::min(shortCapacity, full.size()));
  platform::FormatOutput<Char> cutting{cut.data(), cut.size(), 0};
  (void)platform::formatArgs(cutting, format, args);
  if (cutting.length != counting.length || !std::equal(cut.begin(), cut.end(), full.begin())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const bool wide = input.byte() % 2 != 0;
  const size_t shortCapacity = input.byte();
  const std::vector<FormatArg> args = argumentsFrom(input);
  const std::string_view format = input.rest();
  if (wide) {
    const std::u16string units = zef::fuzz::wideUnits(format);
    render<char16_t>(units, args, shortCapacity);
  } else {
    render<char>(format, args, shortCapacity);
  }
  return 0;
}
