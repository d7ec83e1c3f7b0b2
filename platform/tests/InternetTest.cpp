// HTTP requests against the loopback fixture server and a real proxy.
#include "platform/HostAddress.h"
#include "platform/Internet.h"
#include "platform/LastError.h"

#include "fixtures/FixtureServer.h"
#include "fixtures/ProxyFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using fixtures::BodyFramingKind;
using fixtures::FixtureResponse;
using fixtures::FixtureServer;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Closes a handle at the end of a scope.
struct Handle {
  HINTERNET value;
  ~Handle() {
    if (value != nullptr) InternetCloseHandle(value);
  }
  operator HINTERNET() const { return value; }
};

HINTERNET openDirect(const char16_t* agent = u"InternetTest") {
  return InternetOpenW(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
}

HINTERNET openUrl(HINTERNET session, const std::string& url) {
  constexpr DWORD kFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION;
  return InternetOpenUrlW(session, wide(url).c_str(), u"", 0, kFlags, 0);
}

std::optional<DWORD> queryNumber(HINTERNET request, DWORD level) {
  DWORD value = 0;
  DWORD length = sizeof value;
  if (!HttpQueryInfoW(request, level | HTTP_QUERY_FLAG_NUMBER, &value, &length, nullptr)) {
    return std::nullopt;
  }
  return value;
}

// Reads the whole body in blocks of `block` bytes; every read but the last
// must fill its block.
std::string readAll(HINTERNET request, DWORD block, bool* shortReadBeforeEnd = nullptr) {
  std::string body;
  std::vector<char> buffer(block);
  bool sawShort = false;
  for (;;) {
    DWORD got = 0;
    EXPECT_TRUE(InternetReadFile(request, buffer.data(), block, &got));
    if (got == 0) break;
    if (sawShort && shortReadBeforeEnd != nullptr) *shortReadBeforeEnd = true;
    sawShort = got < block;
    body.append(buffer.data(), got);
  }
  return body;
}

std::string generated(uint64_t size) {
  std::string out(size, '\0');
  for (uint64_t i = 0; i < size; ++i) out[i] = fixtures::generatedByte(i);
  return out;
}

class ScopedEnvironment {
public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnvironment() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(InternetTest, BodiesArriveWholeInEveryFraming) {
  // More than the request's internal buffer, so the transfer pauses and
  // resumes many times; odd block sizes on both sides.
  constexpr uint64_t kSize = 1'500'007;
  struct Case {
    const char* name;
    BodyFramingKind framing;
    std::optional<DWORD> contentLength;
  } cases[] = {
      {"content-length", BodyFramingKind::ContentLength, DWORD(kSize)},
      {"chunked", BodyFramingKind::Chunked, std::nullopt},
      {"close-delimited", BodyFramingKind::CloseDelimited, std::nullopt},
  };
  FixtureServer server;
  Handle session{openDirect()};
  ASSERT_NE(session.value, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FixtureResponse response;
    response.generatedSize = kSize;
    response.framing = c.framing;
    response.blockSize = 7'001;
    server.route(std::string("/") + c.name, response);

    Handle request{openUrl(session, server.url(std::string("/") + c.name))};
    ASSERT_NE(request.value, nullptr);
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE), DWORD(200));
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_CONTENT_LENGTH), c.contentLength);
    if (!c.contentLength) {
      EXPECT_EQ(GetLastError(), ERROR_HTTP_HEADER_NOT_FOUND);
    }
    bool shortBeforeEnd = false;
    std::string body = readAll(request, 32'000, &shortBeforeEnd);
    EXPECT_FALSE(shortBeforeEnd) << "a read came back short before the end of the body";
    EXPECT_EQ(body.size(), kSize);
    EXPECT_TRUE(body == generated(kSize)) << "body differs from what the server sent";
    DWORD got = 99;
    char byte;
    EXPECT_TRUE(InternetReadFile(request, &byte, 1, &got));
    EXPECT_EQ(got, 0u) << "reads after the end keep answering 0";
  }
}

TEST(InternetTest, ErrorStatusesGiveARequestWithTheirPage) {
  FixtureServer server;
  FixtureResponse failing;
  failing.status = 500;
  failing.body = "server broke";
  server.route("/broken", failing);
  Handle session{openDirect()};

  struct Case {
    const char* path;
    DWORD status;
  } cases[] = {{"/missing", 404}, {"/broken", 500}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Handle request{openUrl(session, server.url(c.path))};
    ASSERT_NE(request.value, nullptr);
    EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE), c.status);
    EXPECT_FALSE(readAll(request, 1000).empty());
  }

  // The text form of a query, with its size handshake.
  Handle request{openUrl(session, server.url("/broken"))};
  DWORD length = 2;
  char16_t text[8] = {};
  EXPECT_FALSE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, text, &length, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(length, 8u);
  EXPECT_TRUE(HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE, text, &length, nullptr));
  EXPECT_EQ(std::u16string(text), u"500");
}

TEST(InternetTest, TransportFailuresFailToOpen) {
  uint16_t closedPort = fixtures::freeLoopbackPort();
  struct Case {
    std::string url;
    DWORD error;
  } cases[] = {
      {"http://127.0.0.1:" + std::to_string(closedPort) + "/", ERROR_INTERNET_CANNOT_CONNECT},
      {"http://no-such-host.invalid/", ERROR_INTERNET_NAME_NOT_RESOLVED},
      {"http://", ERROR_INTERNET_INVALID_URL},
      {"gopher://127.0.0.1/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
  };
  Handle session{openDirect()};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    SetLastError(0);
    EXPECT_EQ(openUrl(session, c.url), nullptr);
    EXPECT_EQ(GetLastError(), c.error);
  }
}

TEST(InternetTest, SendsTheAgentAndAsksNoCache) {
  FixtureServer server;
  server.route("/", FixtureResponse{});
  Handle session{openDirect(u"Kestruner Test")};
  Handle request{openUrl(session, server.url("/"))};
  ASSERT_NE(request.value, nullptr);
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].headers["user-agent"], "Kestruner Test");
  EXPECT_EQ(requests[0].headers["cache-control"], "no-cache");
  EXPECT_EQ(requests[0].headers["pragma"], "no-cache");
}

TEST(InternetTest, ProxyDemandsCredentialsAndTakesThemOnResend) {
  FixtureServer server;
  FixtureResponse page;
  page.body = "through the proxy";
  server.route("/page", page);
  fixtures::ProxyFixture proxy("alice", "s3cret");
  std::u16string list = u"HTTP=" + wide(proxy.url());
  Handle session{InternetOpenW(u"InternetTest", INTERNET_OPEN_TYPE_PROXY, list.c_str(), nullptr, 0)};
  ASSERT_NE(session.value, nullptr);

  Handle request{openUrl(session, server.url("/page"))};
  ASSERT_NE(request.value, nullptr);
  EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE), DWORD(407));

  // Wrong password: the proxy refuses again (tinyproxy says 401 then).
  std::u16string user = u"alice", wrong = u"guess";
  EXPECT_TRUE(InternetSetOptionW(request, INTERNET_OPTION_PROXY_USERNAME, user.data(), DWORD(user.size() + 1)));
  EXPECT_TRUE(InternetSetOptionW(request, INTERNET_OPTION_PROXY_PASSWORD, wrong.data(), DWORD(wrong.size() + 1)));
  EXPECT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
  auto refused = queryNumber(request, HTTP_QUERY_STATUS_CODE);
  EXPECT_TRUE(refused == DWORD(407) || refused == DWORD(401)) << *refused;
  EXPECT_TRUE(server.requests().empty());

  // The right one: the same handle now answers for the page.
  std::u16string right = u"s3cret";
  EXPECT_TRUE(InternetSetOptionW(request, INTERNET_OPTION_PROXY_PASSWORD, right.data(), DWORD(right.size() + 1)));
  EXPECT_TRUE(HttpSendRequestW(request, nullptr, 0, nullptr, 0));
  EXPECT_EQ(queryNumber(request, HTTP_QUERY_STATUS_CODE), DWORD(200));
  EXPECT_EQ(readAll(request, 4096), "through the proxy");
  EXPECT_EQ(server.requests().size(), 1u) << "only the authenticated request reached the server";
}

TEST(InternetTest, PreconfiguredSessionsFollowTheEnvironmentDirectOnesDoNot) {
  FixtureServer server;
  server.route("/", FixtureResponse{});
  fixtures::ProxyFixture proxy("alice", "s3cret");
  ScopedEnvironment httpProxy("http_proxy", proxy.url());
  ScopedEnvironment noProxy("no_proxy", "");

  Handle preconfigured{InternetOpenW(u"InternetTest", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)};
  Handle viaProxy{openUrl(preconfigured, server.url("/"))};
  ASSERT_NE(viaProxy.value, nullptr);
  EXPECT_EQ(queryNumber(viaProxy, HTTP_QUERY_STATUS_CODE), DWORD(407));

  // Credentials set on the session reach its requests.
  std::u16string user = u"alice", password = u"s3cret";
  EXPECT_TRUE(InternetSetOptionW(preconfigured, INTERNET_OPTION_PROXY_USERNAME, user.data(), DWORD(user.size())));
  EXPECT_TRUE(
      InternetSetOptionW(preconfigured, INTERNET_OPTION_PROXY_PASSWORD, password.data(), DWORD(password.size())));
  Handle authenticated{openUrl(preconfigured, server.url("/"))};
  EXPECT_EQ(queryNumber(authenticated, HTTP_QUERY_STATUS_CODE), DWORD(200));

  Handle direct{openDirect()};
  Handle straight{openUrl(direct, server.url("/"))};
  EXPECT_EQ(queryNumber(straight, HTTP_QUERY_STATUS_CODE), DWORD(200));
}

TEST(InternetTest, HandlesAreCheckedBeforeUse) {
  Handle session{openDirect()};
  int notAHandle = 0;
  DWORD got = 0;
  EXPECT_FALSE(InternetReadFile(session, &notAHandle, 1, &got)) << "a session is no request";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(InternetCloseHandle(&notAHandle));
  EXPECT_EQ(openUrl(&notAHandle, "http://127.0.0.1/"), nullptr);
  EXPECT_EQ(InternetOpenW(u"x", 2, nullptr, nullptr, 0), nullptr);
}

TEST(InternetTest, ConnectionCheckProbesTheUrlsServer) {
  FixtureServer server;
  EXPECT_TRUE(InternetCheckConnectionW(wide(server.url("/")).c_str(), 0, 0));
  std::string closed = "http://127.0.0.1:" + std::to_string(fixtures::freeLoopbackPort()) + "/";
  EXPECT_FALSE(InternetCheckConnectionW(wide(closed).c_str(), FLAG_ICC_FORCE_CONNECTION, 0));
  EXPECT_FALSE(InternetCheckConnectionW(u"http://no-such-host.invalid/", 0, 0));
  EXPECT_FALSE(InternetCheckConnectionW(nullptr, 0, 0));

  platform::setConnectionCheckTimeoutSeconds(2);
  EXPECT_EQ(platform::connectionCheckTimeoutSeconds(), 2u);
  platform::setConnectionCheckTimeoutSeconds(0);
  EXPECT_EQ(platform::connectionCheckTimeoutSeconds(), 5u);
}

TEST(InternetTest, ConnectedStateCanBeForced) {
  DWORD flags = 0;
  platform::setConnectedStateOverride(false);
  EXPECT_FALSE(InternetGetConnectedState(&flags, 0));
  EXPECT_EQ(flags, INTERNET_CONNECTION_OFFLINE);
  platform::setConnectedStateOverride(true);
  EXPECT_TRUE(InternetGetConnectedState(&flags, 0));
  EXPECT_EQ(flags, INTERNET_CONNECTION_LAN);
  platform::setConnectedStateOverride(std::nullopt);
}

TEST(HostAddressTest, FirstAddressAsText) {
  EXPECT_EQ(platform::firstAddressText("127.0.0.1"), "127.0.0.1");
  EXPECT_EQ(platform::firstAddressText("::1"), "::1");
  EXPECT_EQ(platform::firstAddressText("no-such-host.invalid"), std::nullopt);
}

}  // namespace
