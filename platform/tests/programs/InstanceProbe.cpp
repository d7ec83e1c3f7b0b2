// A small program on the platform's single-instance and window calls, for the
// tests that need two real processes.
//
//   InstanceProbe hold <title>   takes the mutex, makes a top-level window
//                                with that title, prints "owner" (or
//                                "already") and then "activated" for every
//                                activation request, until killed
//   InstanceProbe second <title> prints "already" or "owner", then "found"
//                                and "sent" when it could raise the window
#include "platform/CodePage.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "platform/WindowMessages.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char16_t kMutexName[] = u"Zef Probe Mutex";

LRESULT probeProcedure(HWND, UINT message, WPARAM, LPARAM) {
  if (message == WM_ACTIVATE) {
    std::printf("activated\n");
    std::fflush(stdout);
  }
  return 0;
}

// Answers the mutex handle, which the caller keeps until it ends.
HANDLE reportMutex() {
  HANDLE mutex = CreateMutexW(nullptr, TRUE, kMutexName);
  std::printf(GetLastError() == ERROR_ALREADY_EXISTS ? "already\n" : "owner\n");
  std::fflush(stdout);
  return mutex;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::u16string title = platform::ansiToWideLenient(argv[2]);
  if (std::strcmp(argv[1], "hold") == 0) {
    HANDLE mutex = reportMutex();
    WNDCLASSEXW windowClass{};
    windowClass.lpfnWndProc = probeProcedure;
    windowClass.lpszClassName = u"ZefProbe";
    RegisterClassExW(&windowClass);
    if (!CreateWindowExW(0, u"ZefProbe", title.c_str(), 0, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr)) {
      return 3;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    CloseHandle(mutex);
    return 0;
  }
  if (std::strcmp(argv[1], "second") == 0) {
    HANDLE mutex = reportMutex();
    if (HWND window = FindWindowW(nullptr, title.c_str())) {
      std::printf("found\n");
      if (SetForegroundWindow(window)) std::printf("sent\n");
    }
    CloseHandle(mutex);
    return 0;
  }
  return 2;
}
