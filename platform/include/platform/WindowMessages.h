// Windows, message queues and timers.
//
// Every thread has one message queue, made the first time the thread calls
// one of these functions. A window belongs to the thread that made it;
// PostMessageW (safe from any thread) appends to that thread's queue, and the
// thread takes its messages with GetMessageW or PeekMessageW and hands them
// to the window procedure with DispatchMessageW.
//
// The order in which a queue hands out its messages is the system's: posted
// messages first, in the order they were posted; then WM_QUIT once
// PostQuitMessage was called and every earlier post was taken; then one
// WM_TIMER for each due timer, earliest first. A timer never has more than
// one WM_TIMER pending and fires only while its thread takes messages; its
// next period starts when its WM_TIMER is taken. Periods run on the platform
// clock's monotonic time, so a virtual clock drives them in tests.
//
// A host with its own event loop watches the queue's descriptor
// (messageQueueDescriptor), which is readable exactly while the queue has
// something to hand out (a post, a quit, a due timer, an activation request
// from another process), and drains it with PeekMessageW + DispatchMessageW.
//
// Window handles are never reused within a process, so a message still
// queued for a destroyed window is simply dropped by DispatchMessageW.
#pragma once

#include "platform/Export.h"
#include "platform/GdiTypes.h"
#include "platform/WinTypes.h"

#include <string>

using ATOM = WORD;
using HCURSOR = HICON;

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct WNDCLASSEXW {
  UINT cbSize;
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCWSTR lpszMenuName;
  LPCWSTR lpszClassName;
  HICON hIconSm;
};

struct CREATESTRUCTW {
  LPVOID lpCreateParams;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy;
  int cx;
  int y;
  int x;
  LONG style;
  LPCWSTR lpszName;
  LPCWSTR lpszClass;
  DWORD dwExStyle;
};

// The parent of message-only windows.
inline const HWND HWND_MESSAGE = reinterpret_cast<HWND>(intptr_t{-3});

// Messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
// Posted to a top-level window when SetForegroundWindow asks for it (also
// from another process); wParam is WA_ACTIVE.
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;
inline constexpr WPARAM WA_ACTIVE = 1;

inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;

inline constexpr int GWLP_USERDATA = -21;
inline constexpr int GWLP_WNDPROC = -4;

inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;

inline constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
inline constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;

// The shortest timer period; shorter ones are raised to it.
inline constexpr UINT USER_TIMER_MINIMUM = 10;

// Window classes are process-wide; the name is compared ignoring case.
// 0 (ERROR_CLASS_ALREADY_EXISTS) for a name registered before.
ZEF_EXPORT ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
ZEF_EXPORT BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);

// Makes a window of a registered class on the calling thread and sends it
// WM_CREATE (lParam: the CREATESTRUCTW); a WM_CREATE answer of -1 destroys it
// again and fails. A parent of HWND_MESSAGE gives a message-only window; a
// window without a parent is top-level: with a title, other processes of the
// same user find it with FindWindowW.
ZEF_EXPORT HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                                int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Sends WM_DESTROY, kills the window's timers and forgets it. Only the
// window's own thread may destroy it.
ZEF_EXPORT BOOL DestroyWindow(HWND window);
ZEF_EXPORT BOOL IsWindow(HWND window);
ZEF_EXPORT LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ZEF_EXPORT LONG_PTR GetWindowLongPtrW(HWND window, int index);
// Answers the previous value; GWLP_USERDATA and GWLP_WNDPROC are kept.
ZEF_EXPORT LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
ZEF_EXPORT BOOL SetWindowTextW(HWND window, LPCWSTR text);
// The thread id (platform numbering) of the window's thread; 0 when unknown.
ZEF_EXPORT DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);

// FALSE (ERROR_INVALID_WINDOW_HANDLE) for an unknown or destroyed window. A
// null window posts to the calling thread's queue.
ZEF_EXPORT BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window procedure directly when the window is the calling
// thread's; a window of another thread gets the message posted and 0 is
// answered.
ZEF_EXPORT LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
ZEF_EXPORT void PostQuitMessage(int exitCode);
// Waits for the next message (filters other than 0, 0 are not supported).
// 0 for WM_QUIT, else nonzero.
ZEF_EXPORT BOOL GetMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax);
// Never waits: TRUE with the next message, FALSE when there is none.
ZEF_EXPORT BOOL PeekMessageW(MSG* message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
ZEF_EXPORT BOOL TranslateMessage(const MSG* message);
// Calls the window procedure, or the timer procedure a WM_TIMER carries.
ZEF_EXPORT LRESULT DispatchMessageW(const MSG* message);

// Starts (or, for the same window and id, replaces) a timer. A null window
// makes a thread timer with an id of its own, which is answered. 0 when the
// window is not one of the calling thread's.
ZEF_EXPORT UINT_PTR SetTimer(HWND window, UINT_PTR eventId, UINT elapseMs, TIMERPROC timerProc);
ZEF_EXPORT BOOL KillTimer(HWND window, UINT_PTR eventId);

// The top-level window of any process of the same user whose title is
// exactly `windowName` (the class is not compared); null when none is.
ZEF_EXPORT HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
// Asks the window's thread to bring it to the front: WM_ACTIVATE (WA_ACTIVE)
// is posted to it, through the per-user window directory when the window
// belongs to another process. FALSE when the window is gone.
ZEF_EXPORT BOOL SetForegroundWindow(HWND window);

namespace platform {

// The calling thread's queue descriptor (see the top of this file); -1 when
// the queue cannot be made.
ZEF_EXPORT int messageQueueDescriptor();

// Milliseconds until the calling thread's earliest timer is due (0 when one
// is due now), or -1 when it has none. A host that cannot watch the
// descriptor's timer (for example under a virtual clock) uses it to wake.
ZEF_EXPORT int64_t millisecondsToNextTimer();

}  // namespace platform
