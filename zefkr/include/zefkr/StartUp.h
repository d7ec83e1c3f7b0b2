// The decisions of the updater's start: one copy per user, the tray mode,
// and the splash's two seconds.
#pragma once

#include "platform/WinTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace zefkr {

inline constexpr std::u16string_view kSingleInstanceMutexName = u"Vendrako Kestruner Mutex";
inline constexpr uint32_t kSplashMs = 2000;

// True when one of `arguments` (the program's name not included), lower-cased,
// is "tray", "/tray" or "-tray".
bool hasTraySwitch(std::span<const std::u16string> arguments);

// Key "RunInTray" of section "ZefUpdaterLogin" from the first VENDRAKO.INI
// copy that holds it (a value that is not a number reads as 0); false when no
// copy holds it or the copies cannot be read.
bool runInTrayFromSettings();

// The tray mode: a switch, else the settings.
bool decideRunInTray(std::span<const std::u16string> arguments);

// Holds the single-instance mutex for the program's life.
class SingleInstance {
public:
  SingleInstance() = default;
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the mutex. False when another copy holds it: that copy's window
  // titled `title` is then brought to the front (when there is one).
  [[nodiscard]] bool claim(std::u16string_view title);
  // Closes the mutex (also done by the destructor).
  void release();

private:
  HANDLE mutex_ = nullptr;  // the mutex handle, owned from claim() on
};

// The end of the splash on the platform clock's monotonic time.
class SplashDeadline {
public:
  explicit SplashDeadline(uint32_t durationMs = kSplashMs);
  bool expired() const;
  // Milliseconds left, 0 once expired.
  uint32_t remainingMs() const;

private:
  uint64_t endMs_;  // monotonic reading at which the splash ends
};

}  // namespace zefkr
