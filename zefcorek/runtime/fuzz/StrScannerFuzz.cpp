// The text scanner under any text and any sequence of its readers: it never
// reads past the text, never writes past the buffers it is given, and its
// position only moves forward within the text (or back to a kept one).
#include "zefcorek/StrScanner.h"

#include "zefcorek/GeoTypes.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zef::fuzz::FuzzInput input(data, size);
  const std::string_view operations = input.piece();
  const std::u16string text = zef::fuzz::wideUnits(input.rest());
  const std::u16string terminated = text.substr(0, text.find(u'\0'));
  const uint32_t length = static_cast<uint32_t>(terminated.size());

  TStrScanner scanner(terminated.c_str());
  std::vector<WCHAR> rest(length + 1);
  bool parsedNumber = false;
  for (size_t i = 0; i + 1 < operations.size(); i += 2) {
    const auto operation = static_cast<uint8_t>(operations[i]);
    const auto argument = static_cast<uint8_t>(operations[i + 1]);
    const WCHAR separator = argument % 3 == 0 ? u',' : static_cast<WCHAR>(argument);
    const uint32_t small = 1 + argument % 8;
    std::vector<WCHAR> buffer(small + 1, u'#');
    int32_t integer = 0;
    uint32_t unsignedInteger = 0;
    double number = 0;
    T_POINT2D point2{};
    tagT_POINT3D point3{};
    switch (operation % 20) {
      case 0: scanner.SkipBlanks(); break;
      case 1: scanner.Skip(separator); break;
      case 2: scanner.SkipComma(); break;
      case 3: scanner.NoMoreData(); break;
      case 4: parsedNumber = scanner.ParseInt(integer) || parsedNumber; break;
      case 5: parsedNumber = scanner.ParseUInt(unsignedInteger) || parsedNumber; break;
      case 6: parsedNumber = scanner.ParseFloat(number) || parsedNumber; break;
      case 7: scanner.ParseSimpleStrSep(separator, rest.data()); break;
      case 8: scanner.ParseQuotedStr(buffer.data(), small); break;
      case 9: scanner.ParseStrSep(separator, buffer.data(), small); break;
      case 10: scanner.ParseStrSepOrEOL(separator, buffer.data(), small); break;
      case 11: scanner.SkipQuotedStr(u"quoted"); break;
      case 12: scanner.SkipSimpleStr(u"abc", argument % 4); break;
      case 13:
        scanner.SetAngleFormat(static_cast<TStrScannerAngleFmt>(argument % 4));
        scanner.ParseAngle(number);
        break;
      case 14: parsedNumber = scanner.ParsePoint2D(point2) || parsedNumber; break;
      case 15: scanner.ParsePoint3D(point3); break;
      case 16: scanner.ParsePoint3DOptZ(point3, 1.5); break;
      case 17: scanner.ParseToken(separator, buffer.data(), small); break;
      case 18: scanner.PushPos(); break;
      default: scanner.PopPos(); break;
    }
    if (buffer[small] != u'#') std::abort();  // wrote past the size it was given
    if (scanner.CurrReadOfs() > length) std::abort();
  }
  if (parsedNumber) zef::fuzz::noteAccepted();
  return 0;
}
