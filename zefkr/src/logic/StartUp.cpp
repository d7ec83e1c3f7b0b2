// The start-up decisions of the updater.
#include "zefkr/StartUp.h"

#include "zefkr/VendrakoIni.h"

#include "platform/Clock.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "platform/Utf16.h"
#include "platform/WindowMessages.h"

#include <algorithm>

bool zefkr::hasTraySwitch(std::span<const std::u16string> arguments) {
  return std::any_of(arguments.begin(), arguments.end(), [](const std::u16string& argument) {
    std::u16string lower = argument;
    platform::toLowerInPlace(lower);
    return lower == u"tray" || lower == u"/tray" || lower == u"-tray";
  });
}

bool zefkr::runInTrayFromSettings() {
  // Unreadable settings leave the tray mode off.
  try {
    const TVendrakoIni copies;
    return copies.ReadIntegerFromFirstCopy(u"ZefUpdaterLogin", u"RunInTray", 0) != 0;
  } catch (...) {
    return false;
  }
}

bool zefkr::decideRunInTray(std::span<const std::u16string> arguments) {
  return hasTraySwitch(arguments) || runInTrayFromSettings();
}

zefkr::SingleInstance::~SingleInstance() { release(); }

bool zefkr::SingleInstance::claim(std::u16string_view title) {
  const std::u16string name(kSingleInstanceMutexName);
  mutex_ = CreateMutexW(nullptr, TRUE, name.c_str());
  if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
  const std::u16string wanted(title);
  if (HWND running = FindWindowW(nullptr, wanted.c_str())) SetForegroundWindow(running);
  return false;
}

void zefkr::SingleInstance::release() {
  if (mutex_) CloseHandle(mutex_);
  mutex_ = nullptr;
}

zefkr::SplashDeadline::SplashDeadline(uint32_t durationMs) : endMs_(platform::clock().monotonicMs() + durationMs) {}

bool zefkr::SplashDeadline::expired() const { return platform::clock().monotonicMs() >= endMs_; }

uint32_t zefkr::SplashDeadline::remainingMs() const {
  const uint64_t now = platform::clock().monotonicMs();
  return now >= endMs_ ? 0 : static_cast<uint32_t>(endMs_ - now);
}
