// Window classes and windows: who owns a window, its procedure and data,
// and the calls that route messages and timers to it.
#include "MessageQueue.h"
#include "WindowDirectory.h"
#include "platform/Clock.h"
#include "platform/LastError.h"
#include "platform/Utf16.h"

#include <unistd.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct WindowClass {
  std::u16string name;
  WNDPROC procedure;
  HINSTANCE instance;
};

// One window. `queue` is the queue of the thread that made it; `threadId`
// identifies that thread for the ownership checks.
struct Window {
  HWND handle;
  DWORD threadId;
  std::weak_ptr<platform::MessageQueue> queue;
  WNDPROC procedure;
  LONG_PTR userData = 0;
  std::u16string title;
  bool published = false;  // listed in the window directory
};

struct WindowTable {
  std::mutex mutex;
  std::vector<WindowClass> classes;
  std::map<HWND, Window> windows;
};

// Leaked on purpose, like the queue registry: threads may still post while
// the process exits.
WindowTable& table() {
  static auto* instance = new WindowTable;
  return *instance;
}

std::atomic<uintptr_t> nextHandle{0x10000};

DWORD callingThreadId() { return static_cast<DWORD>(gettid()); }

const WindowClass* findClassLocked(std::u16string_view name) {
  for (const WindowClass& entry : table().classes) {
    if (platform::equalsIgnoreCase(entry.name, name)) return &entry;
  }
  return nullptr;
}

// A copy of the window's routing data, or false (ERROR_INVALID_WINDOW_HANDLE).
bool lookupWindow(HWND handle, Window* out) {
  std::lock_guard lock(table().mutex);
  auto found = table().windows.find(handle);
  if (found == table().windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  *out = found->second;
  return true;
}

// The queue of the calling thread when `window` is one of its windows.
platform::MessageQueue* ownQueueFor(HWND window) {
  Window entry;
  if (!lookupWindow(window, &entry)) return nullptr;
  if (entry.threadId != callingThreadId()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  return platform::currentQueue();
}

}  // namespace

HWND platform::allocateWindowHandle() { return reinterpret_cast<HWND>(nextHandle.fetch_add(0x10)); }

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard lock(table().mutex);
  if (findClassLocked(windowClass->lpszClassName)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  table().classes.push_back({windowClass->lpszClassName, windowClass->lpfnWndProc, windowClass->hInstance});
  return static_cast<ATOM>(0xC000 + table().classes.size());
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE /*instance*/) {
  if (!className) return FALSE;
  std::lock_guard lock(table().mutex);
  const auto before = table().classes.size();
  std::erase_if(table().classes,
                [&](const WindowClass& entry) { return platform::equalsIgnoreCase(entry.name, className); });
  if (table().classes.size() == before) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return FALSE;
  }
  return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  auto* queue = platform::currentQueue();
  if (!queue || !className) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  WNDPROC procedure = nullptr;
  {
    std::lock_guard lock(table().mutex);
    const WindowClass* windowClass = findClassLocked(className);
    if (!windowClass) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    procedure = windowClass->procedure;
  }
  const HWND handle = platform::allocateWindowHandle();
  const std::u16string title = windowName ? windowName : u"";
  {
    std::lock_guard lock(table().mutex);
    table().windows[handle] =
        Window{handle, queue->threadId(), platform::queueOfThread(queue->threadId()), procedure, 0, title, false};
  }
  CREATESTRUCTW create{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                       windowName, className, exStyle};
  if (procedure(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  // Only titled top-level windows can be found by other processes.
  if (!parent && !title.empty() && platform::publishWindow(handle, title, *queue)) {
    std::lock_guard lock(table().mutex);
    auto found = table().windows.find(handle);
    if (found != table().windows.end()) found->second.published = true;
  }
  return handle;
}

BOOL DestroyWindow(HWND window) {
  platform::MessageQueue* queue = ownQueueFor(window);
  if (!queue) return FALSE;
  Window entry;
  if (!lookupWindow(window, &entry)) return FALSE;
  entry.procedure(window, WM_DESTROY, 0, 0);
  queue->killTimersOf(window);
  if (entry.published) platform::withdrawWindow(window, *queue);
  std::lock_guard lock(table().mutex);
  table().windows.erase(window);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  std::lock_guard lock(table().mutex);
  return table().windows.count(window) != 0 ? TRUE : FALSE;
}

LRESULT DefWindowProcW(HWND /*window*/, UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }

LONG_PTR GetWindowLongPtrW(HWND window, int index) {
  Window entry;
  if (!lookupWindow(window, &entry)) return 0;
  switch (index) {
    case GWLP_USERDATA: return entry.userData;
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(entry.procedure);
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
  }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  std::lock_guard lock(table().mutex);
  auto found = table().windows.find(window);
  if (found == table().windows.end()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  LONG_PTR previous = 0;
  switch (index) {
    case GWLP_USERDATA:
      previous = found->second.userData;
      found->second.userData = value;
      return previous;
    case GWLP_WNDPROC:
      if (value == 0) break;
      previous = reinterpret_cast<LONG_PTR>(found->second.procedure);
      found->second.procedure = reinterpret_cast<WNDPROC>(value);
      return previous;
    default: break;
  }
  SetLastError(ERROR_INVALID_INDEX);
  return 0;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text) {
  bool published = false;
  {
    std::lock_guard lock(table().mutex);
    auto found = table().windows.find(window);
    if (found == table().windows.end()) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    found->second.title = text ? text : u"";
    published = found->second.published;
  }
  if (published) platform::retitleWindow(window, text ? text : u"");
  return TRUE;
}

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) {
  Window entry;
  if (!lookupWindow(window, &entry)) return 0;
  if (processId) *processId = static_cast<DWORD>(getpid());
  return entry.threadId;
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const MSG posted{window, message, wParam, lParam, GetTickCount(), {}};
  if (!window) {
    auto* queue = platform::currentQueue();
    if (!queue) return FALSE;
    queue->post(posted);
    return TRUE;
  }
  Window entry;
  if (!lookupWindow(window, &entry)) return FALSE;
  auto queue = entry.queue.lock();
  if (!queue) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  queue->post(posted);
  return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Window entry;
  if (!lookupWindow(window, &entry)) return 0;
  if (entry.threadId != callingThreadId()) {
    PostMessageW(window, message, wParam, lParam);
    return 0;
  }
  return entry.procedure(window, message, wParam, lParam);
}

LRESULT DispatchMessageW(const MSG* message) {
  if (!message) return 0;
  if (message->message == WM_TIMER && message->lParam != 0) {
    auto procedure = reinterpret_cast<TIMERPROC>(message->lParam);
    procedure(message->hwnd, WM_TIMER, message->wParam, GetTickCount());
    return 0;
  }
  if (!message->hwnd) return 0;
  Window entry;
  // A message for a window destroyed after it was posted is dropped.
  if (!lookupWindow(message->hwnd, &entry)) return 0;
  return entry.procedure(message->hwnd, message->message, message->wParam, message->lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR eventId, UINT elapseMs, TIMERPROC timerProc) {
  platform::MessageQueue* queue = window ? ownQueueFor(window) : platform::currentQueue();
  if (!queue) return 0;
  return queue->setTimer(window, eventId, elapseMs, timerProc);
}

BOOL KillTimer(HWND window, UINT_PTR eventId) {
  platform::MessageQueue* queue = platform::currentQueue();
  if (!queue) return FALSE;
  return queue->killTimer(window, eventId) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR /*className*/, LPCWSTR windowName) {
  const std::u16string_view title = windowName ? windowName : u"";
  {
    std::lock_guard lock(table().mutex);
    for (const auto& [handle, window] : table().windows) {
      if (window.published && window.title == title) return handle;
    }
  }
  return platform::findPublishedWindow(title);
}

BOOL SetForegroundWindow(HWND window) {
  bool sent = false;
  if (platform::sendActivationIfRemote(window, &sent)) return sent ? TRUE : FALSE;
  return PostMessageW(window, WM_ACTIVATE, WA_ACTIVE, 0);
}
