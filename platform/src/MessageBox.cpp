// The message-box sink and its default, which writes to standard error.
#include "platform/MessageBox.h"

#include "platform/CodePage.h"

#include <cstdio>

namespace {

std::mutex sinkMutex;

platform::MessageBoxSink& installedSink() {
  static platform::MessageBoxSink sink;
  return sink;
}

int showOnStandardError(const platform::MessageBoxRequest& request) {
  const std::string caption = platform::wideToAnsiLenient(request.caption);
  const std::string text = platform::wideToAnsiLenient(request.text);
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  return platform::defaultAnswer(request.type);
}

std::u16string fromNullable(LPCWSTR text) { return text != nullptr ? std::u16string(text) : u""; }

}  // namespace

void platform::setMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard lock(sinkMutex);
  installedSink() = std::move(sink);
}

int platform::defaultAnswer(UINT type) {
  // Buttons of each kind, left to right; the default button picks one.
  static constexpr int kButtons[][3] = {
      {IDOK, IDOK, IDOK},      {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
      {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
  };
  const UINT kind = type & MB_TYPEMASK;
  const UINT button = ((type & MB_DEFMASK) >> 8) % 3;
  if (kind >= std::size(kButtons)) return IDOK;
  return kButtons[kind][button];
}

platform::RecordingMessageBoxes::RecordingMessageBoxes() {
  setMessageBoxSink([this](const MessageBoxRequest& request) { return show(request); });
}

platform::RecordingMessageBoxes::~RecordingMessageBoxes() { setMessageBoxSink({}); }

void platform::RecordingMessageBoxes::answerNext(int answer) {
  std::lock_guard lock(mutex_);
  script_.push_back(answer);
}

std::vector<platform::MessageBoxRequest> platform::RecordingMessageBoxes::shown() {
  std::lock_guard lock(mutex_);
  return shown_;
}

size_t platform::RecordingMessageBoxes::count() {
  std::lock_guard lock(mutex_);
  return shown_.size();
}

int platform::RecordingMessageBoxes::show(const MessageBoxRequest& request) {
  std::lock_guard lock(mutex_);
  shown_.push_back(request);
  if (script_.empty()) return defaultAnswer(request.type);
  const int answer = script_.front();
  script_.pop_front();
  return answer;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  const platform::MessageBoxRequest request{owner, fromNullable(text), fromNullable(caption), type};
  platform::MessageBoxSink sink;
  {
    std::lock_guard lock(sinkMutex);
    sink = installedSink();
  }
  return sink ? sink(request) : showOnStandardError(request);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  const std::u16string wideText = platform::ansiToWideLenient(text != nullptr ? text : "");
  const std::u16string wideCaption = platform::ansiToWideLenient(caption != nullptr ? caption : "");
  return MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), type);
}
