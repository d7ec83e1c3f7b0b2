// Automation strings on malloc, with the length prefix in front of the text.
#include "platform/OleString.h"

#include <malloc.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr size_t kHeaderBytes = 8;
// Largest length whose byte count still fits the 32-bit prefix.
constexpr UINT kMaxUnits = (UINT32_MAX - 2) / 2;

char* blockOf(BSTR string) { return reinterpret_cast<char*>(string) - kHeaderBytes; }

void setByteLength(char* block, UINT units) {
  const uint32_t bytes = units * 2;
  std::memcpy(block + kHeaderBytes - 4, &bytes, 4);
}

size_t blockSize(UINT units) { return kHeaderBytes + (size_t{units} + 1) * sizeof(OLECHAR); }

BSTR textOf(char* block) { return reinterpret_cast<BSTR>(block + kHeaderBytes); }

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  if (length > kMaxUnits) return nullptr;
  char* block = static_cast<char*>(std::malloc(blockSize(length)));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, kHeaderBytes - 4);
  setByteLength(block, length);
  BSTR string = textOf(block);
  if (text != nullptr) {
    std::memcpy(string, text, size_t{length} * sizeof(OLECHAR));
  } else {
    std::memset(string, 0, size_t{length} * sizeof(OLECHAR));
  }
  string[length] = u'\0';
  return string;
}

BSTR platform::allocAutomationStringRoom(UINT capacity) {
  if (capacity > kMaxUnits) return nullptr;
  char* block = static_cast<char*>(std::malloc(blockSize(capacity)));
  if (block == nullptr) return nullptr;
  std::memset(block, 0, kHeaderBytes);
  BSTR string = textOf(block);
  string[0] = u'\0';
  return string;
}

bool platform::resizeAutomationStringRoom(BSTR* string, UINT capacity) {
  if (string == nullptr || *string == nullptr || capacity > kMaxUnits) return false;
  const UINT length = std::min(SysStringLen(*string), capacity);
  char* block = static_cast<char*>(std::realloc(blockOf(*string), blockSize(capacity)));
  if (block == nullptr) return false;
  setByteLength(block, length);
  *string = textOf(block);
  (*string)[length] = u'\0';
  return true;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  const size_t length = std::char_traits<char16_t>::length(text);
  if (length > kMaxUnits) return nullptr;
  return SysAllocStringLen(text, static_cast<UINT>(length));
}

BOOL SysReAllocStringLen(BSTR* string, const OLECHAR* text, UINT length) {
  if (string == nullptr || length > kMaxUnits) return FALSE;
  if (*string == nullptr || text != nullptr) {
    // Copying from text that may lie inside the old string: build the new
    // one first, then free the old.
    BSTR fresh = SysAllocStringLen(text, length);
    if (fresh == nullptr) return FALSE;
    SysFreeString(*string);
    *string = fresh;
    return TRUE;
  }
  const UINT oldLength = SysStringLen(*string);
  char* block = blockOf(*string);
  const size_t needed = blockSize(length);
  const size_t usable = malloc_usable_size(block);
  // A string that keeps growing (appended to piece by piece) gets room for
  // half as much again, so a run of appends costs amortised constant time;
  // the prefix always holds the exact length, so the spare room is invisible.
  // The block is given back when the string shrinks below half of it.
  if (needed > usable || needed < usable / 2) {
    const size_t room = length > oldLength ? std::max(needed, usable + usable / 2) : needed;
    block = static_cast<char*>(std::realloc(block, room));
  }
  if (block == nullptr) return FALSE;
  setByteLength(block, length);
  BSTR resized = textOf(block);
  if (length > oldLength) {
    std::memset(resized + oldLength, 0, size_t{length - oldLength} * sizeof(OLECHAR));
  }
  resized[length] = u'\0';
  *string = resized;
  return TRUE;
}

void SysFreeString(BSTR string) {
  if (string != nullptr) std::free(blockOf(string));
}

UINT SysStringByteLen(BSTR string) {
  if (string == nullptr) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, blockOf(string) + kHeaderBytes - 4, 4);
  return bytes;
}

UINT SysStringLen(BSTR string) { return SysStringByteLen(string) / 2; }

LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size == 0 ? 1 : size); }

LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size) { return std::realloc(block, size == 0 ? 1 : size); }

void CoTaskMemFree(LPVOID block) { std::free(block); }
