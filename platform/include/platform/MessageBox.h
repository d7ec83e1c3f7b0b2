// Message boxes go through one replaceable sink.
//
// Libraries and programs call MessageBoxW as they would on Windows. Where the
// box ends up depends on the sink in force: the wizard shows it in its own
// window, the service and the default sink write it to standard error and
// answer with the default button, and tests record every box and answer from
// a script.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Buttons.
inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x2;
inline constexpr UINT MB_YESNOCANCEL = 0x3;
inline constexpr UINT MB_YESNO = 0x4;
inline constexpr UINT MB_RETRYCANCEL = 0x5;
inline constexpr UINT MB_TYPEMASK = 0xF;
// Icons.
inline constexpr UINT MB_ICONHAND = 0x10;
inline constexpr UINT MB_ICONERROR = 0x10;
inline constexpr UINT MB_ICONSTOP = 0x10;
inline constexpr UINT MB_ICONQUESTION = 0x20;
inline constexpr UINT MB_ICONEXCLAMATION = 0x30;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr UINT MB_ICONASTERISK = 0x40;
inline constexpr UINT MB_ICONINFORMATION = 0x40;
// Default button.
inline constexpr UINT MB_DEFBUTTON1 = 0x000;
inline constexpr UINT MB_DEFBUTTON2 = 0x100;
inline constexpr UINT MB_DEFBUTTON3 = 0x200;
inline constexpr UINT MB_DEFMASK = 0xF00;
// Modality and placement.
inline constexpr UINT MB_APPLMODAL = 0x0000;
inline constexpr UINT MB_SYSTEMMODAL = 0x1000;
inline constexpr UINT MB_TASKMODAL = 0x2000;
inline constexpr UINT MB_SETFOREGROUND = 0x10000;
inline constexpr UINT MB_TOPMOST = 0x40000;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

namespace platform {

struct MessageBoxRequest {
  HWND owner;
  std::u16string text;
  std::u16string caption;
  UINT type;
};

// A sink shows (or records) the box and returns the answer (IDOK, IDYES, ...).
using MessageBoxSink = std::function<int(const MessageBoxRequest&)>;

// Installs a sink; an empty function restores the default (standard error).
ZEF_EXPORT void setMessageBoxSink(MessageBoxSink sink);

// The answer a box gets when nobody presses a button: its default button.
ZEF_EXPORT int defaultAnswer(UINT type);

// A sink for tests: records every box and answers from a script, falling
// back to the default button when the script has run out.
class ZEF_EXPORT RecordingMessageBoxes {
public:
  RecordingMessageBoxes();   // installs itself
  ~RecordingMessageBoxes();  // restores the default sink
  RecordingMessageBoxes(const RecordingMessageBoxes&) = delete;
  RecordingMessageBoxes& operator=(const RecordingMessageBoxes&) = delete;

  void answerNext(int answer);
  std::vector<MessageBoxRequest> shown();
  size_t count();

private:
  int show(const MessageBoxRequest& request);

  std::mutex mutex_;
  std::vector<MessageBoxRequest> shown_;
  std::deque<int> script_;
};

}  // namespace platform

ZEF_EXPORT int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
ZEF_EXPORT int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
