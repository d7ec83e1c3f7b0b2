// TMemAccessChecker: checks that addresses fall into one remembered range,
// for code that walks raw memory and wants to fail loudly instead of reading
// past the end.
//
// The class is header-only on purpose: its checks raise an exception, and an
// exception must never leave the library, so the throwing code is compiled
// into the caller.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>

class TMemAccessChecker {
public:
  // Remembers [begin, begin + size). `name` is borrowed and names the range in
  // failure messages.
  TMemAccessChecker(const char* name, const void* begin, unsigned size)
      : name_(name), begin_(reinterpret_cast<uintptr_t>(begin)), size_(size), end_(begin_ + size) {}

  // Returns when p lies in the range, else raises "<name>: MACByte check
  // failed!".
  void MACByte(const void* p) const {
    const uintptr_t address = reinterpret_cast<uintptr_t>(p);
    if (address >= begin_ && address < end_) return;
    fail(": MACByte check failed!");
  }

  // Returns when all n bytes from p lie in the range, else raises "<name>:
  // MACBytes check failed!".
  void MACBytes(const void* p, unsigned n) const {
    const uintptr_t address = reinterpret_cast<uintptr_t>(p);
    // Compared as a remaining length so that address + n cannot wrap.
    if (address >= begin_ && address <= end_ && n <= end_ - address) return;
    fail(": MACBytes check failed!");
  }

  [[noreturn]] static void staticThrow(const char* message) { throw std::runtime_error(message); }

private:
  // The message is cut at 511 characters, as a 512-byte buffer holds it.
  [[noreturn]] void fail(const char* what) const {
    constexpr size_t kMaxMessage = 511;
    char message[kMaxMessage + 1] = {};
    if (name_ != nullptr) std::strncpy(message, name_, kMaxMessage);
    std::strncat(message, what, kMaxMessage - std::strlen(message));
    staticThrow(message);
  }

  const char* name_;  // borrowed, may be null
  uintptr_t begin_;   // first address of the range
  unsigned size_;     // bytes in the range
  uintptr_t end_;     // begin_ + size_, one past the range
};
