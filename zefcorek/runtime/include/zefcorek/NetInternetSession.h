// The library's HTTP download object.
//
// An INetInternetSession opens an internet session (directly, through the
// system's configured proxy, or through an explicit HTTP proxy), downloads
// one URL at a time into a local file, answers a proxy's demand for
// credentials once, adapts its read size to the speed of the line, and
// reports progress after every block to a callback that can stop the
// transfer. Objects come from zefCoreKAllocIntf with
// CLSID_INetInternetSessionImp. Calling order: SetProxy (optional; the proxy
// is taken at Open), Open, any number of DownloadToFile, Close.
#pragma once

#include "zefcorek/StdInterface.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

// Characters of the URL and the path kept in the progress record.
inline constexpr size_t kNetDownloadTextUnits = 512;

// Progress of one download, handed to the callback after every block. A
// sized record: cbSize is sizeof(TNetDownloadProgress). The session and the
// caller's value are pointer-sized, so the record is larger here than the
// 2,072 bytes of 32-bit systems:
//
//   offset  size  field
//        0     4  cbSize
//        8     8  session    the session's top interface pointer
//       16  1024  url        UTF-16, at most 511 units and a terminator
//     1040  1024  path       UTF-16, the same way
//     2064     4  reserved   0
//     2068     4  totalSize  Content-Length, -1 when the response has none
//     2072     4  received   bytes received and written so far
//     2080     8  userValue  the caller's value, unchanged
//
// The record lives for one DownloadToFile call; a callback that wants to keep
// it copies it.
struct TNetDownloadProgress {
  uint32_t cbSize;
  IStdInterface* session;
  WCHAR url[kNetDownloadTextUnits];
  WCHAR path[kNetDownloadTextUnits];
  uint32_t reserved;
  int32_t totalSize;
  uint32_t received;
  intptr_t userValue;
};
static_assert(offsetof(TNetDownloadProgress, url) == 16);
static_assert(offsetof(TNetDownloadProgress, totalSize) == 2068);
static_assert(offsetof(TNetDownloadProgress, userValue) == 2080);
static_assert(sizeof(TNetDownloadProgress) == 2088);

// Called after every block: 0 goes on, any other value stops the download
// and becomes DownloadToFile's result.
using TNetDownloadProgressCallback = int32_t (*)(TNetDownloadProgress* progress);

// DownloadToFile's result when writing to the local file failed.
inline constexpr ZRESULT ZR_NET_WRITE_FAILED = 40;

struct ZEF_EXPORT INetInternetSession : virtual IStdInterface {
  // Opens the session with the HTTP user agent `agent`, through the explicit
  // proxy when one is set, else with the system's proxy configuration.
  // ZR_OK opened; ZR_BADARG agent null; ZR_FAILED the session could not be opened.
  virtual ZRESULT Open(const WCHAR* agent) = 0;
  // Closes the session when it is open. Always ZR_OK.
  virtual ZRESULT Close() = 0;
  // Downloads `url` into the file `path` (created or truncated; it stays on
  // disk whatever the outcome), calling `callback` (may be null) after every
  // block with `userValue` in the record. When an explicit proxy demands
  // credentials, the request is sent once more with the proxy user and
  // password. Results: ZR_OK the whole body was stored and the final status was
  // 2xx; ZR_FAILED session not open, file not created, URL not opened, a read failed,
  // or the server answered with another status (its page stays in the file);
  // ZR_BADARG url or path null; ZR_NET_WRITE_FAILED writing the file failed; otherwise the callback's
  // nonzero value.
  virtual ZRESULT DownloadToFile(const WCHAR* url, const WCHAR* path, TNetDownloadProgressCallback callback,
                                 intptr_t userValue) = 0;
  // Sets the explicit HTTP proxy (`host` null or empty: none) and its
  // credentials (both cleared when either is null). The host is trimmed; a
  // port outside 1..65535 becomes 80. Credentials are read at each download,
  // the host and port at the next Open. Always ZR_OK.
  virtual ZRESULT SetProxy(const WCHAR* host, uint32_t port, const WCHAR* user, const WCHAR* password) = 0;
  ~INetInternetSession() override;
};
