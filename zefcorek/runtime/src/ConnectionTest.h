// The connection test of INetDetect: the dial-up switch, the two probes and
// the socket library's start and end, each guarded so that an unexpected
// exception becomes a box and a false answer.
#pragma once

namespace zefcorek::connection_test {

bool InitWinsock();
void UninitWinsock();
bool TestConnectionWithZefSH();
bool TestConnectionWithGoogle();

// The whole test: the dial-up switch off around the probes, the second probe
// only when the first fails. True when a probe connected.
bool RunConnectionTest();

}  // namespace zefcorek::connection_test
