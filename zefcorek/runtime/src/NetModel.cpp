// The network helper functions.
#include "zefcorek/NetModel.h"

#include "platform/CodePage.h"
#include "platform/HostAddress.h"
#include "platform/WinSock.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

// The plain alphabet and its fixed permutation, 63 characters each. The
// scrambled form of stored credentials depends on both: never change them.
constexpr std::u16string_view kPlainAlphabet = u"_0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::u16string_view kKeyAlphabet = u"_3950172846qwertyuiopasdfghjklzxcvbnmMNBVCXZLKJHGFDSAPOIUYTREWQ";
static_assert(kPlainAlphabet.size() == 63 && kKeyAlphabet.size() == 63);

std::u16string substitute(std::u16string_view text, std::u16string_view from, std::u16string_view to) {
  std::u16string out(text);
  for (char16_t& c : out) {
    size_t at = from.find(c);
    if (at != std::u16string_view::npos) c = to[at];
  }
  return out;
}

}  // namespace

std::u16string zefcorek::scrambleNetText(std::u16string_view text) {
  return substitute(text, kPlainAlphabet, kKeyAlphabet);
}

std::u16string zefcorek::unscrambleNetText(std::u16string_view text) {
  return substitute(text, kKeyAlphabet, kPlainAlphabet);
}

int32_t netmodelIPFromDomain(const WCHAR* domain, WCHAR* out, uint32_t outLength) {
  constexpr int32_t kFound = 0;
  constexpr int32_t kNotFound = 2;
  if (domain == nullptr || out == nullptr || outLength == 0) return kNotFound;
  WSADATA data{};
  if (WSAStartup(MAKEWORD(1, 0), &data) != 0) return kNotFound;
  std::optional<std::string> address = platform::firstAddressText(platform::wideToAnsiLenient(domain));
  WSACleanup();
  if (!address) return kNotFound;
  std::u16string text = platform::ansiToWideLenient(*address);
  // Cut so that the terminator always fits inside the caller's buffer.
  size_t units = std::min<size_t>(text.size(), outLength - 1);
  std::copy_n(text.data(), units, out);
  std::fill(out + units, out + outLength, u'\0');
  return kFound;
}

bool netmodelCryptString(const CLWideStr& in, CLWideStr& out) {
  out.AssignText(zefcorek::scrambleNetText(in.Text()));
  return true;
}

bool netmodelDecryptString(const CLWideStr& in, CLWideStr& out) {
  out.AssignText(zefcorek::unscrambleNetText(in.Text()));
  return true;
}
