// HTTP bodies through the loopback fixture server: any body, in any framing
// and block size, read in any block sizes, arrives byte for byte; a body
// broken off fails instead of passing for whole.
#include "platform/Internet.h"

#include "fixtures/FixtureServer.h"

#include "FuzzAccepted.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The fixture keeps every request and connection thread until it stops:
  // a fresh one now and then keeps a long run's memory flat.
  static fixtures::FixtureServer* server = nullptr;
  static unsigned served = 0;
  if (server == nullptr || ++served % 1000 == 0) {
    delete server;
    server = new fixtures::FixtureServer();
  }
  static HINTERNET session = InternetOpenW(u"fuzz", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  zef::fuzz::FuzzInput input(data, size);
  fixtures::FixtureResponse response;
  response.framing = static_cast<fixtures::BodyFramingKind>(input.byte() % 3);
  response.blockSize = 1 + input.byte() * 37;
  const uint32_t readSize = 1 + input.byte() * 13;
  const bool brokenOff = input.byte() % 8 == 0;
  response.status = 200 + input.byte() % 2 * 204;
  response.body = std::string(input.rest());
  if (brokenOff && !response.body.empty()) response.dropAfterBytes = response.body.size() / 2 + 1;
  // The server drops the connection between blocks: once it has sent the
  // first whole blocks that reach the drop point.
  const uint64_t blocksSent = (response.dropAfterBytes + response.blockSize - 1) / response.blockSize;
  const bool isBroken = response.dropAfterBytes != 0 && blocksSent * response.blockSize < response.body.size();
  server->route("/body", response);

  const std::string url = server->url("/body");
  const std::u16string wideUrl(url.begin(), url.end());
  HINTERNET request = InternetOpenUrlW(session, wideUrl.c_str(), nullptr, 0, INTERNET_FLAG_RELOAD, 0);
  if (request == nullptr) {
    if (!isBroken) std::abort();
    return 0;
  }
  std::string received;
  std::vector<char> block(readSize);
  bool failed = false;
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, block.data(), readSize, &got)) {
      failed = true;
      break;
    }
    if (got == 0) break;
    received.append(block.data(), got);
    if (received.size() > response.body.size()) std::abort();
  }
  InternetCloseHandle(request);
  // A close-delimited body cut short cannot be told from a whole one.
  const bool canTell = response.framing != fixtures::BodyFramingKind::CloseDelimited;
  if (!isBroken && (failed || received != response.body)) std::abort();
  if (!failed) zef::fuzz::noteAccepted();
  if (isBroken && canTell && !failed) std::abort();
  if (response.body.compare(0, received.size(), received) != 0) std::abort();
  return 0;
}
