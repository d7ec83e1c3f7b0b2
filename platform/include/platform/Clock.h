// The platform clock: every time-out, timer and sleep of the system reads it.
//
// The system clock measures waits on the monotonic clock and gives the local
// time from the real-time clock. Tests install a VirtualClock, on which
// sleeping advances time at once, so time-outs of seconds run in no time and
// always the same way.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <mutex>

namespace platform {

class ZEF_EXPORT Clock {
public:
  virtual ~Clock();
  // Milliseconds since an arbitrary start; never goes back.
  virtual uint64_t monotonicMs() = 0;
  // Blocks the calling thread (or, on a virtual clock, advances time).
  virtual void sleepMs(uint32_t milliseconds) = 0;
  virtual SYSTEMTIME localTime() = 0;
  virtual SYSTEMTIME utcTime() = 0;
};

// The clock in force; the system clock unless a test installed another.
ZEF_EXPORT Clock& clock();

// True while no other clock is installed: waits may then sleep in the
// kernel on the monotonic clock.
ZEF_EXPORT bool isSystemClockInForce();

// Installs `replacement` (nullptr restores the system clock). The caller keeps
// ownership and must keep it alive until it is replaced again.
ZEF_EXPORT void setClock(Clock* replacement);

// A clock that only moves when slept on or advanced. Safe to share between
// threads. Local time and UTC are the same on it.
class ZEF_EXPORT VirtualClock : public Clock {
public:
  // Starts at `start` (local time) with a monotonic reading of `startMs`.
  explicit VirtualClock(SYSTEMTIME start = {2026, 1, 4, 1, 12, 0, 0, 0}, uint64_t startMs = 1'000'000);
  ~VirtualClock() override;

  uint64_t monotonicMs() override;
  void sleepMs(uint32_t milliseconds) override;
  SYSTEMTIME localTime() override;
  SYSTEMTIME utcTime() override;

  void advance(uint64_t milliseconds);
  // Total milliseconds slept through this clock so far.
  uint64_t sleptMs();

private:
  std::mutex mutex_;
  SYSTEMTIME start_;        // wall time at construction
  uint64_t startMs_;        // monotonic reading at construction
  uint64_t elapsedMs_ = 0;  // advanced since construction (sleeps included)
  uint64_t sleptMs_ = 0;    // part of elapsedMs_ that came from sleeps
};

// Installs a clock for the lifetime of a scope (tests).
class ScopedClock {
public:
  explicit ScopedClock(Clock& replacement) { setClock(&replacement); }
  ~ScopedClock() { setClock(nullptr); }
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace platform

// Win32-shaped forms on the clock in force.
ZEF_EXPORT DWORD GetTickCount();
ZEF_EXPORT ULONGLONG GetTickCount64();
ZEF_EXPORT void Sleep(DWORD milliseconds);
ZEF_EXPORT void GetLocalTime(SYSTEMTIME* time);
ZEF_EXPORT void GetSystemTime(SYSTEMTIME* time);
