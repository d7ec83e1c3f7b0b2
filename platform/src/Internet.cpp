// Internet sessions and HTTP requests on libcurl.
//
// Each request owns one easy handle on its own multi handle. Opening a URL
// drives the transfer until the first body bytes (or the end of the
// transfer) have arrived: by then libcurl has parsed the final response's
// headers, including any 407 round trip it negotiated by itself. Reading
// pulls from a bounded buffer that the write callback fills; when the buffer
// is full the callback pauses the transfer, and the next read that empties
// the buffer resumes it. Memory per request is therefore bounded whatever
// the size of the body.
#include "platform/Internet.h"

#include "platform/Clock.h"
#include "platform/CodePage.h"
#include "platform/LastError.h"
#include "platform/TextTools.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

constexpr DWORD ERROR_ARITHMETIC_OVERFLOW = 534;

// Upper bound of body bytes held per request before the transfer pauses.
constexpr size_t kBodyBufferLimit = 512 * 1024;
// Receive size asked of libcurl per write callback.
constexpr long kReceiveBufferSize = 64 * 1024;
// Connect time-out of a request until a caller sets another; the usual
// minute of the Windows functions.
constexpr long kDefaultConnectTimeoutMs = 60'000;
// Longest single wait for socket activity; libcurl's own timers cut it short.
constexpr int kPollSliceMs = 200;
// Receive time-out until a caller sets another: the system's minute.
constexpr uint32_t kDefaultReceiveTimeoutSeconds = 60;
// Redirects followed before a request fails.
constexpr long kMaxRedirects = 10;

std::atomic<uint32_t> receiveTimeoutSetting{kDefaultReceiveTimeoutSeconds};

void initialiseCurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string narrow(LPCWSTR text) {
  if (text == nullptr) return {};
  return platform::wideToAnsiLenient(std::u16string_view(text));
}

// Wide option text of `length` characters; a terminator inside ends it.
std::string narrowOption(const void* buffer, DWORD length) {
  const auto* text = static_cast<const char16_t*>(buffer);
  std::u16string_view view(text, length);
  view = view.substr(0, std::min(view.find(u'\0'), view.size()));
  return platform::wideToAnsiLenient(view);
}

DWORD errorFromCurl(CURLcode code) {
  switch (code) {
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_ABORTED_BY_CALLBACK: return ERROR_INTERNET_OPERATION_CANCELLED;
    case CURLE_OUT_OF_MEMORY: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_INTERNET_CONNECTION_ABORTED;
  }
}

enum class HandleKind { Session, Request };

// What every handle has in common: its kind, checked before a cast.
struct InternetHandle {
  explicit InternetHandle(HandleKind kind) : kind(kind) {}
  virtual ~InternetHandle() = default;
  const HandleKind kind;
};

// Proxy credentials; unset until InternetSetOptionW names them.
struct ProxyCredentials {
  std::optional<std::string> user;
  std::optional<std::string> password;
};

// A session: the settings its requests copy when they are opened.
struct InternetSession final : InternetHandle {
  InternetSession() : InternetHandle(HandleKind::Session) {}
  std::string agent;
  DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
  std::string httpProxy;   // proxy for http URLs (type PROXY); "" = direct
  std::string httpsProxy;  // proxy for https URLs (type PROXY); "" = direct
  ProxyCredentials credentials;
  long connectTimeoutMs = kDefaultConnectTimeoutMs;
  uint64_t receiveTimeoutMs = uint64_t{receiveTimeoutSetting.load()} * 1000;
  platform::InternetWaitHook waitHook = nullptr;
  void* waitHookContext = nullptr;
};

// Live handles, so that a stale or foreign pointer is refused, not used.
class HandleRegistry {
public:
  void add(InternetHandle* handle) {
    std::lock_guard lock(mutex_);
    handles_.insert(handle);
  }
  bool remove(InternetHandle* handle) {
    std::lock_guard lock(mutex_);
    return handles_.erase(handle) != 0;
  }
  InternetHandle* find(HINTERNET handle, HandleKind kind) {
    std::lock_guard lock(mutex_);
    auto* typed = static_cast<InternetHandle*>(handle);
    if (handles_.count(typed) == 0 || typed->kind != kind) return nullptr;
    return typed;
  }

private:
  std::mutex mutex_;
  std::unordered_set<InternetHandle*> handles_;
};

HandleRegistry& registry() {
  static HandleRegistry instance;
  return instance;
}

// One GET and its response. Not thread-safe: one caller at a time.
class InternetRequest final : public InternetHandle {
public:
  InternetRequest() : InternetHandle(HandleKind::Request) {}
  ~InternetRequest() override {
    if (multi_ != nullptr && easy_ != nullptr) curl_multi_remove_handle(multi_, easy_);
    if (easy_ != nullptr) curl_easy_cleanup(easy_);
    if (multi_ != nullptr) curl_multi_cleanup(multi_);
    curl_slist_free_all(headers_);
  }
  InternetRequest(const InternetRequest&) = delete;
  InternetRequest& operator=(const InternetRequest&) = delete;

  // Prepares the transfer from the session's settings. Returns the last
  // error to set, or ERROR_SUCCESS.
  DWORD configure(const InternetSession& session, const std::string& url, std::string_view extraHeaders, DWORD flags) {
    easy_ = curl_easy_init();
    multi_ = curl_multi_init();
    if (easy_ == nullptr || multi_ == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    credentials_ = session.credentials;

    curl_easy_setopt(easy_, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT_MS, session.connectTimeoutMs);
    curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBufferSize);
    curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &InternetRequest::onBody);
    curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &InternetRequest::onHeader);
    curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
    // Redirects are followed as the Windows functions do by default; only
    // the final response's body is handed out. Credentials stay with the
    // first host (libcurl's default, kept explicit).
    curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy_, CURLOPT_UNRESTRICTED_AUTH, 0L);
    receiveTimeoutMs_ = session.receiveTimeoutMs;
    waitHook_ = session.waitHook;
    waitHookContext_ = session.waitHookContext;
    if (!session.agent.empty()) curl_easy_setopt(easy_, CURLOPT_USERAGENT, session.agent.c_str());
    applyProxy(session, url);

    // Every request goes to the server: nothing here caches, and the reload
    // flag asks caches on the way not to answer either.
    if ((flags & INTERNET_FLAG_RELOAD) != 0) {
      headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
      headers_ = curl_slist_append(headers_, "Pragma: no-cache");
    }
    addHeaderLines(extraHeaders);
    if (headers_ != nullptr) curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);
    return ERROR_SUCCESS;
  }

  // Starts (or restarts) the transfer and waits for the response headers.
  DWORD send() {
    applyCredentials();
    resetResponse();
    if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) return ERROR_INTERNET_INTERNAL_ERROR;
    added_ = true;
    lastActivityMs_ = platform::clock().monotonicMs();
    pump(/*wait=*/false);
    while (!done_ && !bodyStarted_) waitForServer();
    if (done_ && result_ != CURLE_OK && !bodyStarted_) return errorFromCurl(result_);
    return ERROR_SUCCESS;
  }

  DWORD resend() {
    if (added_) curl_multi_remove_handle(multi_, easy_);
    added_ = false;
    return send();
  }

  void setReceiveTimeoutMs(uint64_t milliseconds) { receiveTimeoutMs_ = milliseconds; }
  void setProxyUser(std::string user) { credentials_.user = std::move(user); }
  void setProxyPassword(std::string password) { credentials_.password = std::move(password); }

  long statusCode() {
    long status = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &status);
    return status;
  }

  // The Content-Length of the response, or -1 when it has none.
  curl_off_t contentLength() {
    curl_off_t length = -1;
    curl_easy_getinfo(easy_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    return length;
  }

  // Fills `out` up to `wanted` bytes, fewer only at the end of the body.
  // ERROR_SUCCESS, or the error that broke the transfer off when nothing was
  // left to hand out.
  DWORD read(char* out, size_t wanted, size_t& got) {
    got = 0;
    // The time-out counts the silence while a call waits, not the time the
    // caller took between calls.
    lastActivityMs_ = platform::clock().monotonicMs();
    while (got < wanted) {
      if (size_t held = end_ - begin_; held > 0) {
        size_t n = std::min(held, wanted - got);
        std::memcpy(out + got, buffer_.data() + begin_, n);
        begin_ += n;
        got += n;
        continue;
      }
      if (paused_) {
        resume();
        continue;
      }
      if (done_) break;
      waitForServer();
    }
    if (got == 0 && done_ && result_ != CURLE_OK) return errorFromCurl(result_);
    return ERROR_SUCCESS;
  }

private:
  void applyProxy(const InternetSession& session, std::string_view url) {
    switch (session.accessType) {
      case INTERNET_OPEN_TYPE_PRECONFIG: return;  // libcurl reads http_proxy, https_proxy and no_proxy itself
      case INTERNET_OPEN_TYPE_DIRECT: curl_easy_setopt(easy_, CURLOPT_PROXY, ""); return;
      case INTERNET_OPEN_TYPE_PROXY: {
        const std::string& proxy =
            platform::startsWithAsciiIgnoreCase(url, "https:") ? session.httpsProxy : session.httpProxy;
        curl_easy_setopt(easy_, CURLOPT_PROXY, proxy.c_str());
        // The named proxy is used for every host: the environment's
        // exceptions belong to the preconfigured type only.
        curl_easy_setopt(easy_, CURLOPT_NOPROXY, "");
        return;
      }
      default: return;
    }
  }

  void applyCredentials() {
    if (!credentials_.user && !credentials_.password) return;
    curl_easy_setopt(easy_, CURLOPT_PROXYUSERNAME, credentials_.user.value_or("").c_str());
    curl_easy_setopt(easy_, CURLOPT_PROXYPASSWORD, credentials_.password.value_or("").c_str());
    curl_easy_setopt(easy_, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
  }

  void addHeaderLines(std::string_view lines) {
    while (!lines.empty()) {
      size_t end = lines.find_first_of("\r\n");
      std::string line(lines.substr(0, end));
      lines.remove_prefix(end == std::string_view::npos ? lines.size() : end + 1);
      if (!line.empty()) headers_ = curl_slist_append(headers_, line.c_str());
    }
  }

  void resetResponse() {
    begin_ = end_ = 0;
    paused_ = bodyStarted_ = done_ = false;
    result_ = CURLE_OK;
  }

  // Lets the transfer make progress: waits for socket activity (at most one
  // slice) when asked, then runs libcurl and collects the end of transfer.
  void pump(bool wait) {
    if (wait) curl_multi_poll(multi_, nullptr, 0, kPollSliceMs, nullptr);
    int running = 0;
    curl_multi_perform(multi_, &running);
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
      if (message->msg != CURLMSG_DONE || message->easy_handle != easy_) continue;
      done_ = true;
      result_ = message->data.result;
    }
  }

  // One slice of waiting for the server. Gives the transfer up when the
  // caller's hook says so or when the server has sent nothing for the
  // receive time-out.
  void waitForServer() {
    if (paused_) {
      resume();
      return;
    }
    pump(/*wait=*/true);
    if (done_) return;
    if (waitHook_ != nullptr && !waitHook_(waitHookContext_)) {
      giveUp(CURLE_ABORTED_BY_CALLBACK);
      return;
    }
    if (platform::clock().monotonicMs() - lastActivityMs_ >= receiveTimeoutMs_) giveUp(CURLE_OPERATION_TIMEDOUT);
  }

  // Ends the transfer now, as failed with `code`.
  void giveUp(CURLcode code) {
    if (added_) curl_multi_remove_handle(multi_, easy_);
    added_ = false;
    done_ = true;
    result_ = code;
  }

  static size_t onHeader(char* /*data*/, size_t size, size_t count, void* self) {
    static_cast<InternetRequest*>(self)->lastActivityMs_ = platform::clock().monotonicMs();
    return size * count;
  }

  void resume() {
    paused_ = false;
    // May call onBody at once with the data held back while paused.
    curl_easy_pause(easy_, CURLPAUSE_CONT);
  }

  static size_t onBody(char* data, size_t size, size_t count, void* self) {
    return static_cast<InternetRequest*>(self)->takeBody(data, size * count);
  }

  size_t takeBody(const char* data, size_t size) {
    size_t held = end_ - begin_;
    // Hold the data back while the reader has not caught up; a block that
    // would not fit on its own is taken into an empty buffer anyway.
    if (held > 0 && held + size > kBodyBufferLimit) {
      paused_ = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    if (held == 0) begin_ = end_ = 0;
    if (end_ + size > buffer_.size()) {
      if (held > 0) std::memmove(buffer_.data(), buffer_.data() + begin_, held);
      begin_ = 0;
      end_ = held;
      if (end_ + size > buffer_.size()) buffer_.resize(std::max(kBodyBufferLimit, end_ + size));
    }
    std::memcpy(buffer_.data() + end_, data, size);
    end_ += size;
    bodyStarted_ = true;
    lastActivityMs_ = platform::clock().monotonicMs();
    return size;
  }

  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  curl_slist* headers_ = nullptr;
  ProxyCredentials credentials_;  // sent from the next send() on
  bool added_ = false;            // easy_ is on multi_

  // Body bytes not yet read: buffer_[begin_, end_).
  std::vector<char> buffer_;
  size_t begin_ = 0;
  size_t end_ = 0;
  bool paused_ = false;       // onBody held data back; resume before waiting
  bool bodyStarted_ = false;  // the first body bytes of this response came
  bool done_ = false;         // libcurl finished the transfer (result_ says how)
  CURLcode result_ = CURLE_OK;

  // Giving up on a silent server (see waitForServer).
  uint64_t receiveTimeoutMs_ = uint64_t{kDefaultReceiveTimeoutSeconds} * 1000;
  uint64_t lastActivityMs_ = 0;  // platform clock when the server last sent a byte
  platform::InternetWaitHook waitHook_ = nullptr;
  void* waitHookContext_ = nullptr;
};

InternetSession* findSession(HINTERNET handle) {
  return static_cast<InternetSession*>(registry().find(handle, HandleKind::Session));
}

InternetRequest* findRequest(HINTERNET handle) {
  return static_cast<InternetRequest*>(registry().find(handle, HandleKind::Request));
}

// Reads a proxy list: entries separated by blanks or ';', each "scheme=url"
// for one scheme or a bare address for all of them.
void parseProxyList(std::string_view list, InternetSession& session) {
  while (!list.empty()) {
    size_t end = list.find_first_of(" ;");
    std::string_view entry = list.substr(0, end);
    list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    if (entry.empty()) continue;
    size_t equals = entry.find('=');
    if (equals == std::string_view::npos) {
      session.httpProxy = session.httpsProxy = std::string(entry);
      continue;
    }
    std::string_view scheme = entry.substr(0, equals);
    std::string address(entry.substr(equals + 1));
    if (platform::equalsAsciiIgnoreCase(scheme, "https"))
      session.httpsProxy = address;
    else if (platform::equalsAsciiIgnoreCase(scheme, "http"))
      session.httpProxy = address;
  }
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR /*proxyBypass*/, DWORD /*flags*/) {
  if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
      accessType != INTERNET_OPEN_TYPE_PROXY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  initialiseCurlOnce();
  auto* session = new InternetSession;
  session->agent = narrow(agent);
  session->accessType = accessType;
  if (accessType == INTERNET_OPEN_TYPE_PROXY) parseProxyList(narrow(proxy), *session);
  registry().add(session);
  return session;
}

HINTERNET InternetOpenUrlW(HINTERNET sessionHandle, LPCWSTR url, LPCWSTR headers, DWORD headersLength, DWORD flags,
                           DWORD_PTR /*context*/) {
  InternetSession* session = findSession(sessionHandle);
  if (session == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (url == nullptr || *url == u'\0') {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return nullptr;
  }
  std::string extraHeaders;
  if (headers != nullptr) {
    std::u16string_view view =
        headersLength == DWORD(-1) ? std::u16string_view(headers) : std::u16string_view(headers, headersLength);
    extraHeaders = platform::wideToAnsiLenient(view);
  }
  auto request = std::make_unique<InternetRequest>();
  DWORD error = request->configure(*session, narrow(url), extraHeaders, flags);
  if (error == ERROR_SUCCESS) error = request->send();
  if (error != ERROR_SUCCESS) {
    SetLastError(error);
    return nullptr;
  }
  registry().add(request.get());
  return request.release();
}

BOOL HttpSendRequestW(HINTERNET handle, LPCWSTR headers, DWORD headersLength, LPVOID optional, DWORD optionalLength) {
  InternetRequest* request = findRequest(handle);
  if (request == nullptr) return fail(ERROR_INVALID_HANDLE);
  bool hasHeaders = headers != nullptr && headersLength != 0 && *headers != u'\0';
  if (hasHeaders || (optional != nullptr && optionalLength != 0)) return fail(ERROR_NOT_SUPPORTED);
  DWORD error = request->resend();
  if (error != ERROR_SUCCESS) return fail(error);
  return TRUE;
}

BOOL HttpQueryInfoW(HINTERNET handle, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD /*index*/) {
  InternetRequest* request = findRequest(handle);
  if (request == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (bufferLength == nullptr) return fail(ERROR_INVALID_PARAMETER);

  int64_t value = 0;
  switch (infoLevel & ~HTTP_QUERY_MODIFIER_FLAGS_MASK) {
    case HTTP_QUERY_STATUS_CODE: value = request->statusCode(); break;
    case HTTP_QUERY_CONTENT_LENGTH: value = request->contentLength(); break;
    default: return fail(ERROR_INTERNET_INVALID_OPTION);
  }
  if (value < 0 || (value == 0 && (infoLevel & 0xFFFF) == HTTP_QUERY_STATUS_CODE)) {
    return fail(ERROR_HTTP_HEADER_NOT_FOUND);
  }

  if ((infoLevel & HTTP_QUERY_FLAG_NUMBER64) != 0) {
    if (*bufferLength < sizeof(uint64_t) || buffer == nullptr) {
      *bufferLength = sizeof(uint64_t);
      return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    auto number = static_cast<uint64_t>(value);
    std::memcpy(buffer, &number, sizeof number);
    *bufferLength = sizeof number;
    return TRUE;
  }
  if ((infoLevel & HTTP_QUERY_FLAG_NUMBER) != 0) {
    if (*bufferLength < sizeof(DWORD) || buffer == nullptr) {
      *bufferLength = sizeof(DWORD);
      return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (value > int64_t{UINT32_MAX}) return fail(ERROR_ARITHMETIC_OVERFLOW);
    auto number = static_cast<DWORD>(value);
    std::memcpy(buffer, &number, sizeof number);
    *bufferLength = sizeof number;
    return TRUE;
  }
  std::u16string text = platform::ansiToWideLenient(std::to_string(value));
  DWORD needed = static_cast<DWORD>((text.size() + 1) * sizeof(char16_t));
  if (*bufferLength < needed || buffer == nullptr) {
    *bufferLength = needed;
    return fail(ERROR_INSUFFICIENT_BUFFER);
  }
  std::memcpy(buffer, text.c_str(), needed);
  *bufferLength = needed - sizeof(char16_t);
  return TRUE;
}

BOOL InternetReadFile(HINTERNET handle, LPVOID buffer, DWORD toRead, LPDWORD read) {
  if (read != nullptr) *read = 0;
  InternetRequest* request = findRequest(handle);
  if (request == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (read == nullptr || (buffer == nullptr && toRead != 0)) return fail(ERROR_INVALID_PARAMETER);
  size_t got = 0;
  DWORD error = request->read(static_cast<char*>(buffer), toRead, got);
  if (error != ERROR_SUCCESS) return fail(error);
  *read = static_cast<DWORD>(got);
  return TRUE;
}

BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length) {
  if (buffer == nullptr) return fail(ERROR_INVALID_PARAMETER);
  InternetSession* session = findSession(handle);
  InternetRequest* request = session == nullptr ? findRequest(handle) : nullptr;
  if (session == nullptr && request == nullptr) return fail(ERROR_INVALID_HANDLE);

  switch (option) {
    case INTERNET_OPTION_PROXY_USERNAME:
      if (session != nullptr)
        session->credentials.user = narrowOption(buffer, length);
      else
        request->setProxyUser(narrowOption(buffer, length));
      return TRUE;
    case INTERNET_OPTION_PROXY_PASSWORD:
      if (session != nullptr)
        session->credentials.password = narrowOption(buffer, length);
      else
        request->setProxyPassword(narrowOption(buffer, length));
      return TRUE;
    case INTERNET_OPTION_RECEIVE_TIMEOUT: {
      if (length < sizeof(DWORD)) return fail(ERROR_INSUFFICIENT_BUFFER);
      DWORD milliseconds = 0;
      std::memcpy(&milliseconds, buffer, sizeof milliseconds);
      const uint64_t timeout =
          milliseconds == 0 ? uint64_t{receiveTimeoutSetting.load()} * 1000 : uint64_t{milliseconds};
      if (session != nullptr)
        session->receiveTimeoutMs = timeout;
      else
        request->setReceiveTimeoutMs(timeout);
      return TRUE;
    }
    case INTERNET_OPTION_CONNECT_TIMEOUT: {
      if (session == nullptr) return fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
      if (length < sizeof(DWORD)) return fail(ERROR_INSUFFICIENT_BUFFER);
      DWORD milliseconds = 0;
      std::memcpy(&milliseconds, buffer, sizeof milliseconds);
      session->connectTimeoutMs = milliseconds == 0 ? kDefaultConnectTimeoutMs : long(milliseconds);
      return TRUE;
    }
    default: return fail(ERROR_INTERNET_INVALID_OPTION);
  }
}

BOOL InternetCloseHandle(HINTERNET handle) {
  auto* typed = static_cast<InternetHandle*>(handle);
  if (handle == nullptr || !registry().remove(typed)) return fail(ERROR_INVALID_HANDLE);
  delete typed;
  return TRUE;
}

void platform::setReceiveTimeoutSeconds(uint32_t seconds) {
  receiveTimeoutSetting = seconds == 0 ? kDefaultReceiveTimeoutSeconds : seconds;
}

uint32_t platform::receiveTimeoutSeconds() { return receiveTimeoutSetting.load(); }

BOOL platform::setInternetWaitHook(HINTERNET handle, InternetWaitHook hook, void* context) {
  InternetSession* session = findSession(handle);
  if (session == nullptr) return fail(ERROR_INVALID_HANDLE);
  session->waitHook = hook;
  session->waitHookContext = context;
  return TRUE;
}
