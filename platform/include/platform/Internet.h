// HTTP sessions and requests in the shape of the Windows internet functions.
//
// A session handle (InternetOpenW) carries the agent text and the proxy
// choice; a request handle (InternetOpenUrlW) is one HTTP GET whose response
// headers have arrived. The body is pulled with InternetReadFile in blocks the
// caller chooses: underneath, the transfer runs on a libcurl multi handle
// with a bounded buffer and is paused while the buffer is full, so a large
// download never sits in memory as a whole.
//
// Redirects (301, 302, 303, 307, 308) are followed, at most ten, to http and
// https URLs only; credentials never go to another host. The request handle
// answers for the final response.
//
// A request handle answers for any HTTP status (404, 500 and 407 alike); only
// transport failures (unresolvable name, refused connection, bad URL) make
// InternetOpenUrlW fail. When a proxy demands credentials (407), the caller
// sets them on the request handle with InternetSetOptionW and re-sends the
// same request with HttpSendRequestW; the handle then answers for the new
// response.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string_view>

using HINTERNET = void*;
using LPDWORD = DWORD*;  // a DWORD the call writes
using INTERNET_PORT = WORD;

// Access types of InternetOpenW.
inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;  // http_proxy / https_proxy
inline constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
inline constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;  // the list names the proxy

// Request flags of InternetOpenUrlW. Responses are never cached here, so the
// cache flags are accepted and mean what they say already.
inline constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000u;
inline constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000u;
inline constexpr DWORD INTERNET_FLAG_KEEP_CONNECTION = 0x00400000u;

// Information levels of HttpQueryInfoW and their modifiers.
inline constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
inline constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
inline constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000u;    // a 32-bit DWORD
inline constexpr DWORD HTTP_QUERY_FLAG_NUMBER64 = 0x08000000u;  // a 64-bit value
inline constexpr DWORD HTTP_QUERY_MODIFIER_FLAGS_MASK = 0xF0000000u | HTTP_QUERY_FLAG_NUMBER64;

// Options of InternetSetOptionW.
inline constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;  // DWORD, milliseconds
inline constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;  // DWORD, milliseconds
inline constexpr DWORD INTERNET_OPTION_PROXY_USERNAME = 43;  // wide text
inline constexpr DWORD INTERNET_OPTION_PROXY_PASSWORD = 44;  // wide text

// InternetCheckConnectionW.
inline constexpr DWORD FLAG_ICC_FORCE_CONNECTION = 0x1;

// Flags that InternetGetConnectedState reports.
inline constexpr DWORD INTERNET_CONNECTION_MODEM = 0x01;
inline constexpr DWORD INTERNET_CONNECTION_LAN = 0x02;
inline constexpr DWORD INTERNET_CONNECTION_PROXY = 0x04;
inline constexpr DWORD INTERNET_CONNECTION_OFFLINE = 0x20;

// Last-error values of the internet functions.
inline constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr DWORD ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
inline constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
inline constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
inline constexpr DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
inline constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;

namespace platform {

// Time-out of InternetCheckConnectionW's connect, in seconds (default 5).
// A probe of an unreachable host ends after this, not after the system's
// TCP time-out of minutes. 0 restores the default.
ZEF_EXPORT void setConnectionCheckTimeoutSeconds(uint32_t seconds);
ZEF_EXPORT uint32_t connectionCheckTimeoutSeconds();

// Opens a TCP connection to the IPv4 address `address` ("a.b.c.d") and
// `port`, and closes it at once; nothing is sent. The connect is bounded by
// connectionCheckTimeoutSeconds(), as InternetCheckConnectionW's is. False
// for an address that is not dotted IPv4 or a connect that fails or times out.
ZEF_EXPORT bool probeTcpConnection(std::string_view address, uint16_t port);

// Replaces what InternetGetConnectedState answers (tests); nullopt returns
// to looking at the network interfaces.
ZEF_EXPORT void setConnectedStateOverride(std::optional<bool> connected);

// Receive time-out of the sessions opened from now on, in seconds (default
// 60, the system's): a request whose server sends no byte for this long,
// before the response or in the middle of its body, fails with
// ERROR_INTERNET_TIMEOUT. 0 restores the default. A handle's own value is
// set with INTERNET_OPTION_RECEIVE_TIMEOUT.
ZEF_EXPORT void setReceiveTimeoutSeconds(uint32_t seconds);
ZEF_EXPORT uint32_t receiveTimeoutSeconds();

// Called about five times a second while a call on a request of `session`
// (opening it, re-sending it, reading its body) waits for the server, so a
// caller can show it is alive and let the user cancel. Answering false gives
// up: the waiting call fails with ERROR_INTERNET_OPERATION_CANCELLED. A null
// hook removes it. Requests take the session's hook when they are opened.
using InternetWaitHook = bool (*)(void* context);
ZEF_EXPORT BOOL setInternetWaitHook(HINTERNET session, InternetWaitHook hook, void* context);

}  // namespace platform

// Opens a session. `proxy` is read for INTERNET_OPEN_TYPE_PROXY only: a list
// of entries separated by blanks or ';', each "scheme=url" ("HTTP=http://h:p")
// or a bare "host:port" for every scheme. Null on failure (last error set).
ZEF_EXPORT HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR proxyBypass, DWORD flags);

// Sends a GET for `url` without any cache and waits for the response
// headers. Extra request headers ("Name: value" lines separated by CR LF) may
// be given; a length of (DWORD)-1 means NUL-terminated. Returns the request
// handle for any HTTP status; null with the last error set when the URL is
// malformed or the server cannot be reached.
ZEF_EXPORT HINTERNET InternetOpenUrlW(HINTERNET session, LPCWSTR url, LPCWSTR headers, DWORD headersLength, DWORD flags,
                                      DWORD_PTR context);

// Re-sends the request of `request` (with the proxy credentials set on it)
// and waits for the new response headers; any unread body of the previous
// response is dropped. Extra headers and a body are not supported and must
// be empty. FALSE on a transport failure.
ZEF_EXPORT BOOL HttpSendRequestW(HINTERNET request, LPCWSTR headers, DWORD headersLength, LPVOID optional,
                                 DWORD optionalLength);

// Status code or content length of the current response: as a number with
// HTTP_QUERY_FLAG_NUMBER (4 bytes) or HTTP_QUERY_FLAG_NUMBER64 (8 bytes), else
// as wide text with its terminator. *bufferLength is the buffer's size in
// bytes and receives the bytes written (or needed). A response without a
// Content-Length fails with ERROR_HTTP_HEADER_NOT_FOUND.
ZEF_EXPORT BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength, LPDWORD index);

// Reads the next bytes of the body: blocks until `toRead` bytes are there or
// the body has ended, so fewer bytes come only at the end and 0 means the body
// is complete. FALSE (with *read = 0) when the transfer breaks off.
ZEF_EXPORT BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD toRead, LPDWORD read);

// Proxy user name and password (wide text of `length` characters, a
// terminator inside the length ends it) on a session or a request; a session
// passes them on to the requests opened after. The connect time-out takes a
// DWORD of milliseconds. FALSE for other options.
ZEF_EXPORT BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD length);

// Closes a session or a request handle. A session must outlive its requests.
ZEF_EXPORT BOOL InternetCloseHandle(HINTERNET handle);

// Whether a TCP connection to the URL's host and port (80 for http, 443 for
// https unless the URL names one) can be made within the connection-check
// time-out. Nothing is sent. `url` null fails with ERROR_NOT_SUPPORTED.
ZEF_EXPORT BOOL InternetCheckConnectionW(LPCWSTR url, DWORD flags, DWORD reserved);

// Whether the machine has a network interface up other than the loopback
// (or what a test set). `flags` (may be null) receives INTERNET_CONNECTION_LAN
// when connected, INTERNET_CONNECTION_OFFLINE otherwise.
ZEF_EXPORT BOOL InternetGetConnectedState(LPDWORD flags, DWORD reserved);
