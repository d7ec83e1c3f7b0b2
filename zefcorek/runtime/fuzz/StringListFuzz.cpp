// The string list's loaders over any bytes, in every encoding: a file (its
// byte-order mark decides: ANSI, UTF-8 or UTF-16LE, with or without an odd
// last byte) and a buffer of narrow or wide text. Each load ends, and every
// item it makes can be read back whole and fits the count it reports.
#include "zefcorek/ClassIds.h"
#include "zefcorek/StringList.h"
#include "zefcorek/ZefCoreK.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"
#include "FuzzScratchFile.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zef::fuzz::FuzzInput input(data, size);
  const uint8_t mode = input.byte();
  const std::string_view bytes = input.rest();

  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IStringListImp, &made, 0) != S_OK) std::abort();
  auto* list = static_cast<IStringList*>(made);
  ZRESULT loaded = ZR_FAILED;
  switch (mode % 3) {
    case 0: loaded = list->LoadFromFile(zef::fuzz::ScratchFile::write(bytes).c_str()); break;
    case 1: loaded = list->LoadFromBuffer(bytes.data(), false, static_cast<uint32_t>(bytes.size())); break;
    default: loaded = list->LoadFromBuffer(bytes.data(), true, static_cast<uint32_t>(bytes.size())); break;
  }
  if (loaded == ZR_OK && list->GetCount() > 0) zef::fuzz::noteAccepted();
  // No more lines than the bytes could hold.
  const uint32_t count = list->GetCount();
  if (count > bytes.size() + 1) std::abort();
  for (uint32_t index = 0; index < count; ++index) {
    const WCHAR* text = nullptr;
    if (list->GetStringPtr(index, &text) != ZR_OK || text == nullptr) std::abort();
    const size_t length = std::char_traits<char16_t>::length(text);
    // Room for the text and its terminator; the list takes no buffer below 2.
    std::vector<WCHAR> copy(std::max<size_t>(length + 1, 2), u'#');
    if (list->GetString(index, copy.data(), static_cast<uint32_t>(copy.size())) != ZR_OK) std::abort();
    if (std::u16string_view(copy.data(), length) != std::u16string_view(text, length)) std::abort();
  }
  list->Release();
  return 0;
}
