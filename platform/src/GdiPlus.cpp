// GDI+ start-up tokens: a set of live tokens behind one lock.
#include "platform/GdiPlus.h"

#include <atomic>
#include <mutex>
#include <set>

namespace {

struct StartupTokens {
  std::mutex mutex;
  std::set<ULONG_PTR> live;
  ULONG_PTR next = 1;
};

StartupTokens& tokens() {
  static StartupTokens instance;
  return instance;
}

std::atomic<bool> failNextStartup{false};

}  // namespace

Gdiplus::Status GdiplusStartup(ULONG_PTR* token, const Gdiplus::GdiplusStartupInput* input,
                               Gdiplus::GdiplusStartupOutput* output) {
  if (!token) return Gdiplus::Status::InvalidParameter;
  *token = 0;
  if (!input) return Gdiplus::Status::InvalidParameter;
  if (input->GdiplusVersion != 1) return Gdiplus::Status::UnsupportedGdiplusVersion;
  if (failNextStartup.exchange(false)) return Gdiplus::Status::GenericError;
  if (output) *output = {};
  std::lock_guard lock(tokens().mutex);
  *token = tokens().next++;
  tokens().live.insert(*token);
  return Gdiplus::Status::Ok;
}

void GdiplusShutdown(ULONG_PTR token) {
  std::lock_guard lock(tokens().mutex);
  tokens().live.erase(token);
}

void platform::failNextGdiplusStartup() { failNextStartup = true; }

bool platform::isGdiplusStarted() {
  std::lock_guard lock(tokens().mutex);
  return !tokens().live.empty();
}
