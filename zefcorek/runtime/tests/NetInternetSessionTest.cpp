// Downloads through the loopback fixture server, directly and through a
// real proxy with Basic authentication.
#include "zefcorek/NetInternetSession.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/Clock.h"
#include "platform/Internet.h"

#include "fixtures/FixtureServer.h"
#include "fixtures/ProxyFixture.h"
#include "fixtures/UpdateServerDouble.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using fixtures::BodyFramingKind;
using fixtures::FixtureResponse;
using fixtures::FixtureServer;

std::u16string wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::string generated(uint64_t size) {
  std::string out(size, '\0');
  for (uint64_t i = 0; i < size; ++i) out[i] = fixtures::generatedByte(i);
  return out;
}

FixtureResponse generatedBody(uint64_t size) {
  FixtureResponse response;
  response.generatedSize = size;
  return response;
}

FixtureResponse textBody(const std::string& text) {
  FixtureResponse response;
  response.body = text;
  return response;
}

// What the callback saw, one entry per block; userValue points to it.
// Calls while waiting for the server bring no bytes and are only counted.
struct Observed {
  std::vector<uint32_t> blocks;  // bytes added since the previous call
  int32_t waits = 0;             // calls without new bytes
  int32_t stopAtWait = 0;        // return `stopWith` at this many waits (0: never)
  std::vector<int32_t> totals;
  TNetDownloadProgress last{};
  int32_t stopAfter = 0;  // return `stopWith` after this many blocks (0: never)
  int32_t stopWith = 0;
  uint32_t advanceClockMs = 0;  // per block, on the virtual clock below
  platform::VirtualClock* clock = nullptr;
};

int32_t record(TNetDownloadProgress* progress) {
  auto* seen = reinterpret_cast<Observed*>(progress->userValue);
  uint32_t before = seen->last.received;
  if (progress->received == before) {
    ++seen->waits;
    return seen->waits == seen->stopAtWait ? seen->stopWith : 0;
  }
  seen->blocks.push_back(progress->received - before);
  seen->totals.push_back(progress->totalSize);
  seen->last = *progress;
  if (seen->clock != nullptr) seen->clock->advance(seen->advanceClockMs);
  if (seen->stopAfter != 0 && int32_t(seen->blocks.size()) == seen->stopAfter) {
    return seen->stopWith;
  }
  return 0;
}

class NetInternetSessionTest : public testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/zef-session-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    // Direct unless a test says otherwise: the machine's proxy is not ours.
    for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) {
      unsetenv(name);
    }
    void* out = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_INetInternetSessionImp, &out, 0), S_OK);
    session_ = static_cast<INetInternetSession*>(out);
  }

  void TearDown() override {
    if (session_ != nullptr) {
      EXPECT_EQ(session_->Release(), 0u);
    }
    std::filesystem::remove_all(folder_);
  }

  std::string file(const std::string& name) const { return folder_ + "/" + name; }

  static std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  ZRESULT download(const std::string& url, const std::string& path, Observed* seen = nullptr) {
    return session_->DownloadToFile(wide(url).c_str(), wide(path).c_str(), seen != nullptr ? &record : nullptr,
                                    reinterpret_cast<intptr_t>(seen));
  }

  std::string folder_;
  INetInternetSession* session_ = nullptr;
  FixtureServer server_;
};

TEST_F(NetInternetSessionTest, FactoryMakesASessionThatAnswersNoInterface) {
  EXPECT_EQ(session_->GetRefCount(), 1);
  int sentinel = 0;
  void* out = &sentinel;
  EXPECT_EQ(session_->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &sentinel);
  EXPECT_EQ(session_->GetRefCount(), 1);
}

TEST_F(NetInternetSessionTest, DownloadsEveryFramingAndReportsEachBlock) {
  constexpr uint64_t kSize = 100'000;
  struct Case {
    const char* name;
    BodyFramingKind framing;
    int32_t total;
  } cases[] = {
      {"length", BodyFramingKind::ContentLength, int32_t(kSize)},
      {"chunked", BodyFramingKind::Chunked, -1},
      {"unframed", BodyFramingKind::CloseDelimited, -1},
  };
  platform::VirtualClock fast;  // no time passes: the block size stays
  platform::ScopedClock scoped(fast);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FixtureResponse response;
    response.generatedSize = kSize;
    response.framing = c.framing;
    response.blockSize = 10'000;
    server_.route(std::string("/") + c.name, response);

    Observed seen;
    std::string url = server_.url(std::string("/") + c.name);
    std::string path = file(c.name);
    EXPECT_EQ(download(url, path, &seen), ZR_OK);
    EXPECT_TRUE(contents(path) == generated(kSize));
    EXPECT_EQ(seen.blocks, (std::vector<uint32_t>{32'000, 32'000, 32'000, 4'000}));
    EXPECT_EQ(seen.totals, std::vector<int32_t>(4, c.total));
    EXPECT_EQ(seen.last.cbSize, sizeof(TNetDownloadProgress));
    EXPECT_EQ(seen.last.session, session_->CastToTopInterface());
    EXPECT_EQ(std::u16string(seen.last.url), wide(url));
    EXPECT_EQ(std::u16string(seen.last.path), wide(path));
    EXPECT_EQ(seen.last.reserved, 0u);
    EXPECT_EQ(seen.last.userValue, reinterpret_cast<intptr_t>(&seen));
  }
  EXPECT_EQ(server_.requests().back().headers["user-agent"], "SessionTest");
}

TEST_F(NetInternetSessionTest, SlowPassesHalveTheBlockDownTo8000) {
  server_.route("/file", generatedBody(120'000));
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  platform::VirtualClock slow;
  platform::ScopedClock scoped(slow);
  Observed seen;
  seen.clock = &slow;
  seen.advanceClockMs = 201;
  EXPECT_EQ(download(server_.url("/file"), file("slow"), &seen), ZR_OK);
  std::vector<uint32_t> expected = {32'000, 16'000, 8'000, 8'000, 8'000, 8'000, 8'000, 8'000, 8'000, 8'000, 8'000};
  EXPECT_EQ(seen.blocks, expected);

  // A pass of exactly 0.2 s is not slow.
  Observed steady;
  steady.clock = &slow;
  steady.advanceClockMs = 200;
  EXPECT_EQ(download(server_.url("/file"), file("steady"), &steady), ZR_OK);
  EXPECT_EQ(steady.blocks, (std::vector<uint32_t>{32'000, 32'000, 32'000, 24'000}));
}

TEST_F(NetInternetSessionTest, ASlowServerShrinksTheBlocks) {
  // Real time: the server waits 250 ms before each of its 32,000-byte
  // blocks, so every pass that has to wait for one is slow whatever the
  // machine. (The first block arrives while the request is opened.)
  constexpr uint64_t kSize = 5 * 32'000;
  FixtureResponse response = generatedBody(kSize);
  response.blockSize = 32'000;
  response.delayPerBlockMs = 250;
  server_.route("/slow", response);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  Observed seen;
  EXPECT_EQ(download(server_.url("/slow"), file("slow"), &seen), ZR_OK);
  // The sizes step down 32,000, 16,000, 8,000 and stay there.
  std::vector<uint32_t> steps;
  for (uint32_t block : seen.blocks) {
    if (steps.empty() || steps.back() != block) steps.push_back(block);
  }
  EXPECT_EQ(steps, (std::vector<uint32_t>{32'000, 16'000, 8'000}));
  EXPECT_TRUE(contents(file("slow")) == generated(kSize));
}

TEST_F(NetInternetSessionTest, CallbackStopsTheDownloadWithItsValue) {
  server_.route("/file", generatedBody(200'000));
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  Observed seen;
  seen.stopAfter = 1;
  seen.stopWith = 5;
  EXPECT_EQ(download(server_.url("/file"), file("part"), &seen), 5);
  EXPECT_TRUE(contents(file("part")) == generated(32'000)) << "exactly the first block stays";
}

// A server that stalls (before answering, after the head, or in the middle
// of the body) neither blocks the download for ever nor keeps the callback
// from running: the callback comes while it waits and can cancel, and a
// silence as long as the receive time-out fails the download.
TEST_F(NetInternetSessionTest, StalledServersTimeOutAndCanBeCancelled) {
  FixtureResponse midBody = generatedBody(64'000);
  midBody.blockSize = 32'000;
  midBody.delayPerBlockMs = 2'500;  // before each block, the first included
  server_.route("/stalls", midBody);
  // Accepted by the system, never answered.
  const int silent = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(silent, 4), 0);
  ASSERT_EQ(getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string silentUrl = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x";
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);

  // Cancelled while waiting, with the callback's own answer: for the
  // response, and (after some 2.5 s of waits) in the middle of the body.
  struct Cancel {
    std::string url;
    int32_t atWait;
    size_t stored;
  };
  for (const Cancel& cancel :
       {Cancel{silentUrl, 2, 0}, Cancel{server_.url("/stalls"), 2, 0}, Cancel{server_.url("/stalls"), 20, 32'000}}) {
    Observed seen;
    seen.stopAtWait = cancel.atWait;
    seen.stopWith = 7;
    EXPECT_EQ(download(cancel.url, file("cancelled"), &seen), 7) << cancel.url;
    EXPECT_EQ(seen.waits, cancel.atWait) << cancel.url;
    EXPECT_EQ(contents(file("cancelled")).size(), cancel.stored) << cancel.url << " at " << cancel.atWait;
  }

  // Timed out after a second of silence.
  platform::setReceiveTimeoutSeconds(1);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);  // sessions take the setting when opened
  EXPECT_EQ(download(silentUrl, file("silent")), ZR_FAILED);
  EXPECT_EQ(download(server_.url("/stalls"), file("stalled")), ZR_FAILED);
  platform::setReceiveTimeoutSeconds(0);
  close(silent);
}

// Redirects are followed and the final body is what is stored; a loop of
// them fails.
TEST_F(NetInternetSessionTest, RedirectsAreFollowedToTheFinalBody) {
  server_.route("/final", textBody("final body"));
  for (int status : {301, 302, 303, 307, 308}) {
    FixtureResponse moved = textBody("moved page");
    moved.status = status;
    moved.headers = {{"Location", "/final"}};
    server_.route("/moved" + std::to_string(status), moved);
  }
  FixtureResponse loop = textBody("loop");
  loop.status = 302;
  loop.headers = {{"Location", "/loop"}};
  server_.route("/loop", loop);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  for (int status : {301, 302, 303, 307, 308}) {
    EXPECT_EQ(download(server_.url("/moved" + std::to_string(status)), file("r")), ZR_OK) << status;
    EXPECT_EQ(contents(file("r")), "final body") << status;
  }
  EXPECT_EQ(download(server_.url("/loop"), file("loop")), ZR_FAILED);
}

TEST_F(NetInternetSessionTest, ErrorStatusesFailAndKeepTheirPage) {
  FixtureResponse broken;
  broken.status = 500;
  broken.body = "internal trouble";
  server_.route("/broken", broken);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  EXPECT_EQ(download(server_.url("/missing"), file("404")), ZR_FAILED);
  EXPECT_NE(contents(file("404")).find("no such page"), std::string::npos);
  EXPECT_EQ(download(server_.url("/broken"), file("500")), ZR_FAILED);
  EXPECT_EQ(contents(file("500")), "internal trouble");
}

TEST_F(NetInternetSessionTest, ABrokenOffTransferFails) {
  // The server announces (or, chunked, starts) 200,000 bytes and drops the
  // connection after 64 KiB: what arrived is stored, the result is a failure.
  for (BodyFramingKind framing : {BodyFramingKind::ContentLength, BodyFramingKind::Chunked}) {
    FixtureResponse response = generatedBody(200'000);
    response.framing = framing;
    response.blockSize = 16 * 1024;
    response.dropAfterBytes = 64 * 1024;
    server_.route("/broken-off", response);
    ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
    EXPECT_EQ(download(server_.url("/broken-off"), file("part")), ZR_FAILED);
    EXPECT_LE(contents(file("part")).size(), size_t{64 * 1024});
  }
}

TEST_F(NetInternetSessionTest, ArgumentAndStateErrors) {
  std::string path = file("untouched");
  std::ofstream(path) << "keep me";
  std::u16string url = wide(server_.url("/"));
  std::u16string widePath = wide(path);

  EXPECT_EQ(session_->DownloadToFile(url.c_str(), widePath.c_str(), nullptr, 0), ZR_FAILED) << "not open";
  EXPECT_EQ(contents(path), "keep me");
  EXPECT_EQ(session_->Open(nullptr), ZR_BADARG);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  EXPECT_EQ(session_->Open(u"SessionTest"), ZR_OK) << "opening again replaces the handle";
  EXPECT_EQ(session_->DownloadToFile(nullptr, widePath.c_str(), nullptr, 0), ZR_BADARG);
  EXPECT_EQ(session_->DownloadToFile(url.c_str(), nullptr, nullptr, 0), ZR_BADARG);

  // No server behind the port: the file is made, then the request fails.
  std::string closed = "http://127.0.0.1:" + std::to_string(fixtures::freeLoopbackPort()) + "/";
  EXPECT_EQ(download(closed, path), ZR_FAILED);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(contents(path), "");
  EXPECT_EQ(download(server_.url("/"), folder_ + "/no/such/folder/file"), ZR_FAILED);

  EXPECT_EQ(session_->Close(), ZR_OK);
  EXPECT_EQ(session_->Close(), ZR_OK);
  EXPECT_EQ(download(server_.url("/"), path), ZR_FAILED) << "closed";
}

TEST_F(NetInternetSessionTest, ExplicitProxyGetsItsCredentialsOnce) {
  server_.route("/page", textBody("via proxy"));
  fixtures::ProxyFixture proxy("alice", "s3cret");
  std::u16string host = u"  127.0.0.1 ";  // blanks are trimmed
  struct Case {
    const char* name;
    const char16_t* user;
    const char16_t* password;
    ZRESULT result;
    size_t serverRequests;  // how many reached the server
  } cases[] = {
      {"right", u"alice", u"s3cret", ZR_OK, 1},
      {"wrong", u"alice", u"guess", ZR_FAILED, 0},
      {"empty", u"", u"", ZR_FAILED, 0},
      {"password missing", u"alice", nullptr, ZR_FAILED, 0},  // clears both
  };
  size_t before = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(session_->SetProxy(host.c_str(), proxy.port(), c.user, c.password), ZR_OK);
    ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
    EXPECT_EQ(download(server_.url("/page"), file("page")), c.result);
    if (c.result == ZR_OK) {
      EXPECT_EQ(contents(file("page")), "via proxy");
    }
    EXPECT_EQ(server_.requests().size() - before, c.serverRequests);
    before = server_.requests().size();
    session_->Close();
  }

  // Without a host the session goes direct again, whatever the port.
  EXPECT_EQ(session_->SetProxy(nullptr, 70'000, nullptr, nullptr), ZR_OK);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  EXPECT_EQ(download(server_.url("/page"), file("page")), ZR_OK);
}

TEST_F(NetInternetSessionTest, SystemProxyIsUsedWithoutAnExplicitOne) {
  server_.route("/page", textBody("via proxy"));
  fixtures::ProxyFixture proxy("alice", "s3cret");
  setenv("http_proxy", proxy.url().c_str(), 1);
  setenv("no_proxy", "", 1);
  ASSERT_EQ(session_->Open(u"SessionTest"), ZR_OK);
  // The system's proxy asks for credentials the session has no part in.
  EXPECT_EQ(download(server_.url("/page"), file("page")), ZR_FAILED);
  EXPECT_TRUE(server_.requests().empty());
  unsetenv("http_proxy");
  unsetenv("no_proxy");
}

TEST_F(NetInternetSessionTest, TalksToTheUpdateServerDouble) {
  fixtures::UpdateServerDouble updates;
  updates.setAccount("***KW***", "***ZJ***", "12,15|VKR7");
  updates.setUpdateList("[12]\r\nupd1=500|01/02/2026|1|Fix|pkg|setup.exe|run||||note\r\n");
  FixtureResponse installer = generatedBody(70'000);
  installer.framing = BodyFramingKind::Chunked;
  updates.addFile("pkg", "setup.exe", installer);
  ASSERT_EQ(session_->Open(u"Kestruner"), ZR_OK);

  std::string login = updates.requestBase() + "Req=login&UserID=***KW***&Password=***ZJ***";
  EXPECT_EQ(download(login, file("lres.tmp")), ZR_OK);
  EXPECT_EQ(contents(file("lres.tmp")), "LOGIN RESPONSE: LOGINOK\r\nAUTHORIZATION: YES\r\nPROCLIST: 12,15|VKR7\r\n");
  std::string wrong = updates.requestBase() + "Req=login&UserID=someone&Password=***ZJ***";
  EXPECT_EQ(download(wrong, file("lres.tmp")), ZR_OK);
  EXPECT_EQ(contents(file("lres.tmp")), "LOGIN RESPONSE: LOGINFAILED\r\n");

  EXPECT_EQ(download(updates.listAddress(), file("VKR.tmp")), ZR_OK);
  EXPECT_NE(contents(file("VKR.tmp")).find("upd1=500|"), std::string::npos);

  std::string fetch = updates.requestBase() +
                      "Req=download&UserID=***KW***&Password=***ZJ***&File=" + updates.locationB() + "pkg\\setup.exe";
  EXPECT_EQ(download(fetch, file("VKRUpd.exe")), ZR_OK);
  EXPECT_TRUE(contents(file("VKRUpd.exe")) == generated(70'000));
  EXPECT_EQ(download(updates.locationA() + "pkg/setup.exe", file("direct.exe")), ZR_OK);
  EXPECT_TRUE(contents(file("direct.exe")) == generated(70'000));
  EXPECT_EQ(download(updates.locationA() + "pkg/other.exe", file("none.exe")), ZR_FAILED);
}

}  // namespace
