// INetInternetSessionImp: HTTP downloads into local files over the
// platform's internet functions.
//
// A download streams the body through one 32,000-byte buffer. Each pass
// reads a block, writes it and reports progress; a pass that takes longer
// than 0.2 s on the platform clock halves the block size, down to 8,000
// bytes, so that on a slow line the caller's callback (and with it the
// chance to cancel) still comes about five times a second. While a call waits
// for the server (for the response, or for the next bytes of a stalled
// body) the callback is called on the same record about as often, so cancel
// works there too; a server silent for the platform's receive time-out
// fails the download.
#include "zefcorek/NetInternetSession.h"

#include "zefcorek/ClassMakers.h"

#include "NetProxy.h"

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Handles.h"
#include "platform/Internet.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <string_view>

namespace {

constexpr DWORD kFirstBlockBytes = 32'000;
constexpr DWORD kSmallestBlockBytes = 8'000;
constexpr uint64_t kSlowPassMs = 200;

// Every request goes to the server and is kept from any cache.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;

std::u16string_view viewOf(const WCHAR* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(text);
}

// Copies `text` into a record field, cut so that a terminator always fits.
void copyIntoField(WCHAR (&field)[kNetDownloadTextUnits], std::u16string_view text) {
  size_t units = std::min(text.size(), kNetDownloadTextUnits - 1);
  std::copy_n(text.data(), units, field);
  std::fill(field + units, field + kNetDownloadTextUnits, u'\0');
}

// The request and the local file of one download, closed at the end of it.
struct RequestHandle {
  HINTERNET value = nullptr;
  ~RequestHandle() {
    if (value != nullptr) InternetCloseHandle(value);
  }
};

struct FileHandle {
  HANDLE value = INVALID_HANDLE_VALUE;
  ~FileHandle() {
    if (value != INVALID_HANDLE_VALUE) CloseHandle(value);
  }
};

std::optional<DWORD> queryNumber(HINTERNET request, DWORD level) {
  DWORD value = 0;
  DWORD length = sizeof value;
  if (!HttpQueryInfoW(request, level | HTTP_QUERY_FLAG_NUMBER, &value, &length, nullptr)) {
    return std::nullopt;
  }
  return value;
}

// The caller's callback while a call waits for the server: the first
// nonzero answer stops the wait and is what the download answers.
struct WaitingCallback {
  TNetDownloadProgressCallback callback;
  TNetDownloadProgress* progress;
  int32_t answer = 0;

  static bool stillWanted(void* self) {
    auto* waiting = static_cast<WaitingCallback*>(self);
    if (waiting->callback == nullptr || waiting->answer != 0) return waiting->answer == 0;
    waiting->answer = waiting->callback(waiting->progress);
    return waiting->answer == 0;
  }
};

// The session's wait hook for the length of one download.
class WaitHookScope {
public:
  WaitHookScope(HINTERNET session, WaitingCallback* waiting) : session_(session) {
    platform::setInternetWaitHook(session_, &WaitingCallback::stillWanted, waiting);
  }
  ~WaitHookScope() { platform::setInternetWaitHook(session_, nullptr, nullptr); }
  WaitHookScope(const WaitHookScope&) = delete;
  WaitHookScope& operator=(const WaitHookScope&) = delete;

private:
  HINTERNET session_;
};

class INetInternetSessionImp final : public IStdInterfaceImp, public virtual INetInternetSession {
public:
  INetInternetSessionImp() = default;
  ~INetInternetSessionImp() override { Close(); }

  // This class answers no interface identifier and leaves *out alone.
  HRESULT QueryInterface(REFIID /*iid*/, void** /*out*/) override { return ZR_NOTSUPPORTED; }

  ZRESULT Open(const WCHAR* agent) override {
    if (agent == nullptr) return ZR_BADARG;
    // A second Open would otherwise lose the handle of the first.
    Close();
    if (proxy_.host.empty()) {
      internet_ = InternetOpenW(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    } else {
      std::u16string list = proxy_.accessList();
      internet_ = InternetOpenW(agent, INTERNET_OPEN_TYPE_PROXY, list.c_str(), nullptr, 0);
    }
    return internet_ != nullptr ? ZR_OK : ZR_FAILED;
  }

  ZRESULT Close() override {
    if (internet_ != nullptr) InternetCloseHandle(internet_);
    internet_ = nullptr;
    return ZR_OK;
  }

  ZRESULT DownloadToFile(const WCHAR* url, const WCHAR* path, TNetDownloadProgressCallback callback,
                         intptr_t userValue) override {
    if (url == nullptr || path == nullptr) return ZR_BADARG;
    if (internet_ == nullptr) return ZR_FAILED;
    // Created or truncated now; it stays on disk whatever follows.
    FileHandle file{
        CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.value == INVALID_HANDLE_VALUE) return ZR_FAILED;

    progress_ = {};
    progress_.cbSize = sizeof(TNetDownloadProgress);
    progress_.session = CastToTopInterface();
    copyIntoField(progress_.url, viewOf(url));
    copyIntoField(progress_.path, viewOf(path));
    progress_.totalSize = -1;
    progress_.userValue = userValue;
    WaitingCallback waiting{callback, &progress_};
    const WaitHookScope hookScope(internet_, &waiting);

    RequestHandle request{InternetOpenUrlW(internet_, url, u"", 0, kRequestFlags, 0)};
    if (request.value == nullptr) return waiting.answer != 0 ? waiting.answer : ZR_FAILED;
    answerProxyAuthentication(request.value);
    if (waiting.answer != 0) return waiting.answer;
    progress_.totalSize = contentLength(request.value);

    ZRESULT result = transfer(request.value, file.value, callback);
    if (waiting.answer != 0) return waiting.answer;
    if (result == ZR_OK && !isSuccessStatus(queryNumber(request.value, HTTP_QUERY_STATUS_CODE))) {
      // An error page is stored for diagnosis but never passes for the file.
      result = ZR_FAILED;
    }
    return result;
  }

  ZRESULT SetProxy(const WCHAR* host, uint32_t port, const WCHAR* user, const WCHAR* password) override {
    // Blanks and control characters are cut from the host.
    proxy_.assign(host, port, user, password, [](char16_t c) { return c <= u' '; });
    return ZR_OK;
  }

private:
  static bool isSuccessStatus(std::optional<DWORD> status) { return status && *status >= 200 && *status <= 299; }

  static int32_t contentLength(HINTERNET request) {
    std::optional<DWORD> length = queryNumber(request, HTTP_QUERY_CONTENT_LENGTH);
    // A length beyond the record's signed field is as good as unknown.
    if (!length || *length > DWORD(INT32_MAX)) return -1;
    return static_cast<int32_t>(*length);
  }

  // An explicit proxy that asks for credentials gets them once, on the same
  // request; whatever it answers then is what gets stored.
  void answerProxyAuthentication(HINTERNET request) {
    std::optional<DWORD> status = queryNumber(request, HTTP_QUERY_STATUS_CODE);
    if (!status || *status != 407 || proxy_.host.empty()) return;
    if (!proxy_.user.empty() || !proxy_.password.empty()) {
      InternetSetOptionW(request, INTERNET_OPTION_PROXY_USERNAME, proxy_.user.data(), DWORD(proxy_.user.size() + 1));
      InternetSetOptionW(request, INTERNET_OPTION_PROXY_PASSWORD, proxy_.password.data(),
                         DWORD(proxy_.password.size() + 1));
    }
    HttpSendRequestW(request, nullptr, 0, nullptr, 0);
  }

  // Reads the body block by block into the file, reporting each block.
  ZRESULT transfer(HINTERNET request, HANDLE file, TNetDownloadProgressCallback callback) {
    platform::Clock& clock = platform::clock();
    uint64_t passStart = clock.monotonicMs();
    DWORD block = kFirstBlockBytes;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kFirstBlockBytes]);
    if (!buffer) return ZR_FAILED;
    for (;;) {
      DWORD got = 0;
      if (!InternetReadFile(request, buffer.get(), block, &got)) return ZR_FAILED;
      if (got == 0) return ZR_OK;
      DWORD written = 0;
      if (!WriteFile(file, buffer.get(), got, &written, nullptr)) return ZR_NET_WRITE_FAILED;
      progress_.received += got;
      if (callback != nullptr) {
        if (int32_t answer = callback(&progress_); answer != 0) return answer;
      }
      uint64_t now = clock.monotonicMs();
      if (now - passStart > kSlowPassMs && block > kSmallestBlockBytes) {
        block = std::max(block / 2, kSmallestBlockBytes);
      }
      passStart = now;
    }
  }

  HINTERNET internet_ = nullptr;  // the open session; null while closed
  // Explicit proxy (empty host = the system's); its credentials are sent
  // when it answers 407.
  zefcorek::net::ProxySetting proxy_;
  TNetDownloadProgress progress_{};  // the record of the running download
};

}  // namespace

INetInternetSession::~INetInternetSession() = default;

void* zefcorek::makeINetInternetSessionImp(intptr_t /*arg*/) {
  return static_cast<INetInternetSession*>(new (std::nothrow) INetInternetSessionImp());
}
