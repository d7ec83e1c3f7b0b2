// The host side of a pairing in tests: a PairingCallback that records each
// query and answers as told, and a pairing run through the opener's loop,
// as Open runs it, against whichever radio stack is active.
#pragma once

#include "BluetoothPairing.h"
#include "BthPropsDLL.h"

#include "zefcorek/BluetoothConnection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

struct PairingHost {
  bool accept = true;
  std::optional<uint32_t> newValue;
  std::vector<TBluetoothPairingQuery> queries;
  int idles = 0;

  static bool answer(TBluetoothPairingQuery* query) {
    auto* host = static_cast<PairingHost*>(query->UserData);
    host->queries.push_back(*query);
    if (host->newValue) query->Value = *host->newValue;
    return host->accept;
  }
  static void countIdle(void* user) { ++static_cast<PairingHost*>(user)->idles; }
};

// How a run through the opener's loop ended.
struct PairingOutcome {
  bool accepted = false;
  uint32_t result = 0;  // the authentication's result
};

inline PairingOutcome pairThroughOpener(uint64_t address, bool autoAccept, const char* pinText, PairingHost& host) {
  using zefcorek::devices::TBluetoothPairingRequest;
  EXPECT_TRUE(zefcorek::devices::EnsureBthPropsDLL());
  TBluetoothPairingRequest request;
  request.DeviceInfo.dwSize = sizeof request.DeviceInfo;
  request.DeviceInfo.Address.ullLong = address;
  request.Table = &zefcorek::devices::processBthPropsDLL();
  uint32_t value = 0;
  char text[64] = {};
  std::strncpy(text, pinText, sizeof text - 1);
  zefcorek::devices::readPinText(text, sizeof text, value, request.PinDigits);
  request.Value = value;
  request.AutoAccept = autoAccept;
  zefcorek::devices::runPairing(request, &PairingHost::answer, &host, nullptr, nullptr);
  return {request.Accepted, request.Result};
}
