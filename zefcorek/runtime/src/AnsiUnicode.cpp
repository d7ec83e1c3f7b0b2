// Code-page converters with task-allocator results. Both ask the platform's
// conversion for the size first, so no fixed growth factor can cut the text
// short.
#include "zefcorek/AnsiUnicode.h"

#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/OleString.h"

namespace {

// The last error as an HRESULT of the Win32 facility; never a success code,
// since it reports a failed call.
HRESULT lastErrorResult() {
  const DWORD error = GetLastError();
  if (error == 0) return E_FAIL;
  return static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

// One conversion in two calls: the size, then the text into a block of
// exactly that size. `convert(destination, capacity)` returns the units
// written (or needed when capacity is 0), 0 on failure.
template <typename Char, typename Convert>
HRESULT convertToTaskMemory(Char** out, Convert convert) {
  const int needed = convert(nullptr, 0);
  if (needed <= 0) return lastErrorResult();
  auto* block = static_cast<Char*>(CoTaskMemAlloc(static_cast<SIZE_T>(needed) * sizeof(Char)));
  if (block == nullptr) return E_OUTOFMEMORY;
  if (convert(block, needed) != needed) {
    const HRESULT result = lastErrorResult();
    CoTaskMemFree(block);
    return result;
  }
  *out = block;
  return S_OK;
}

}  // namespace

HRESULT smAnsiToUnicode(const char* text, WCHAR** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (text == nullptr) return S_OK;
  return convertToTaskMemory(out, [text](WCHAR* destination, int capacity) {
    return MultiByteToWideChar(CP_ACP, 0, text, -1, destination, capacity);
  });
}

HRESULT smUnicodeToAnsi(const WCHAR* text, char** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (text == nullptr) return S_OK;
  return convertToTaskMemory(out, [text](char* destination, int capacity) {
    return WideCharToMultiByte(CP_ACP, 0, text, -1, destination, capacity, nullptr, nullptr);
  });
}
