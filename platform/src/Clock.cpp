// The system clock and the virtual clock of the tests.
#include "platform/Clock.h"

#include "ClockWatchers.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace {

SYSTEMTIME fromTm(const std::tm& tm, long nanoseconds) {
  SYSTEMTIME out{};
  out.wYear = static_cast<WORD>(tm.tm_year + 1900);
  out.wMonth = static_cast<WORD>(tm.tm_mon + 1);
  out.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  out.wDay = static_cast<WORD>(tm.tm_mday);
  out.wHour = static_cast<WORD>(tm.tm_hour);
  out.wMinute = static_cast<WORD>(tm.tm_min);
  out.wSecond = static_cast<WORD>(tm.tm_sec);
  out.wMilliseconds = static_cast<WORD>(nanoseconds / 1'000'000);
  return out;
}

class SystemClock final : public platform::Clock {
public:
  uint64_t monotonicMs() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000 + static_cast<uint64_t>(now.tv_nsec) / 1'000'000;
  }

  void sleepMs(uint32_t milliseconds) override {
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000};
    // A signal may cut the sleep short; sleep the rest.
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {}
  }

  SYSTEMTIME localTime() override {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    localtime_r(&now.tv_sec, &tm);
    return fromTm(tm, now.tv_nsec);
  }

  SYSTEMTIME utcTime() override {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm tm{};
    gmtime_r(&now.tv_sec, &tm);
    return fromTm(tm, now.tv_nsec);
  }
};

SystemClock& systemClock() {
  static SystemClock instance;
  return instance;
}

std::atomic<platform::Clock*> installedClock{nullptr};

}  // namespace

platform::Clock::~Clock() = default;

platform::Clock& platform::clock() {
  Clock* installed = installedClock.load(std::memory_order_acquire);
  return installed != nullptr ? *installed : systemClock();
}

void platform::setClock(Clock* replacement) {
  installedClock.store(replacement, std::memory_order_release);
  notifyClockMoved();
}

bool platform::isSystemClockInForce() { return installedClock.load(std::memory_order_acquire) == nullptr; }

platform::VirtualClock::VirtualClock(SYSTEMTIME start, uint64_t startMs) : start_(start), startMs_(startMs) {}

platform::VirtualClock::~VirtualClock() = default;

uint64_t platform::VirtualClock::monotonicMs() {
  std::lock_guard lock(mutex_);
  return startMs_ + elapsedMs_;
}

void platform::VirtualClock::sleepMs(uint32_t milliseconds) {
  {
    std::lock_guard lock(mutex_);
    elapsedMs_ += milliseconds;
    sleptMs_ += milliseconds;
  }
  notifyClockMoved();
}

void platform::VirtualClock::advance(uint64_t milliseconds) {
  {
    std::lock_guard lock(mutex_);
    elapsedMs_ += milliseconds;
  }
  notifyClockMoved();
}

uint64_t platform::VirtualClock::sleptMs() {
  std::lock_guard lock(mutex_);
  return sleptMs_;
}

SYSTEMTIME platform::VirtualClock::localTime() {
  std::lock_guard lock(mutex_);
  std::tm tm{};
  tm.tm_year = start_.wYear - 1900;
  tm.tm_mon = start_.wMonth - 1;
  tm.tm_mday = start_.wDay;
  tm.tm_hour = start_.wHour;
  tm.tm_min = start_.wMinute;
  tm.tm_sec = start_.wSecond;
  const uint64_t totalMs = start_.wMilliseconds + elapsedMs_;
  time_t seconds = timegm(&tm) + static_cast<time_t>(totalMs / 1000);
  std::tm now{};
  gmtime_r(&seconds, &now);
  return fromTm(now, static_cast<long>(totalMs % 1000) * 1'000'000);
}

SYSTEMTIME platform::VirtualClock::utcTime() { return localTime(); }

DWORD GetTickCount() { return static_cast<DWORD>(platform::clock().monotonicMs()); }

ULONGLONG GetTickCount64() { return platform::clock().monotonicMs(); }

void Sleep(DWORD milliseconds) { platform::clock().sleepMs(milliseconds); }

void GetLocalTime(SYSTEMTIME* time) { *time = platform::clock().localTime(); }

void GetSystemTime(SYSTEMTIME* time) { *time = platform::clock().utcTime(); }
