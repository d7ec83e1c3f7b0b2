// The completion hand-off of a non-blocking read (request → worker reads →
// post to the hidden window → the creating thread pumps → done callback)
// beside a plain condition-variable hand-off of the same 64 bytes between
// two threads of the standard library.
#include "../tests/MemoryConnection.h"

#include "platform/WindowMessages.h"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace {

constexpr uint16_t kBytes = 64;

void markDone(IDeviceConnection*, TNonBlockingReadOp* request) { *reinterpret_cast<bool*>(request->UserData) = true; }

void BM_NonBlockingReadHandOff(benchmark::State& state) {
  auto* connection = new zefcorek::testing::MemoryConnection;
  connection->Open();
  const std::string payload(kBytes, 'p');
  char buffer[kBytes];
  bool done = false;
  TNonBlockingReadOp request{};
  request.Kind = NBREAD_READ;
  request.DoneCallback = markDone;
  request.UserData = reinterpret_cast<uintptr_t>(&done);
  request.Args.Data.Buffer = buffer;
  request.Args.Data.Length = kBytes;
  for (auto _ : state) {
    done = false;
    connection->feed(payload);
    if (connection->RunNonBlockingReadOp(&request).Value != CONN_OK) {
      state.SkipWithError("request refused");
      break;
    }
    MSG message;
    while (!done && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    benchmark::DoNotOptimize(buffer);
  }
  state.SetItemsProcessed(state.iterations());
  connection->Release();
}

void BM_ConditionVariableHandOff(benchmark::State& state) {
  std::mutex mutex;
  std::condition_variable changed;
  bool requested = false;
  bool completed = false;
  bool stop = false;
  const std::string payload(kBytes, 'p');
  char buffer[kBytes];
  std::thread worker([&] {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return requested || stop; });
      if (stop) return;
      std::memcpy(buffer, payload.data(), kBytes);
      requested = false;
      completed = true;
      changed.notify_all();
    }
  });
  for (auto _ : state) {
    std::unique_lock lock(mutex);
    requested = true;
    completed = false;
    changed.notify_all();
    changed.wait(lock, [&] { return completed; });
    benchmark::DoNotOptimize(buffer);
  }
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  changed.notify_all();
  worker.join();
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_NonBlockingReadHandOff)->Unit(benchmark::kMicrosecond)->Repetitions(3);
BENCHMARK(BM_ConditionVariableHandOff)->Unit(benchmark::kMicrosecond)->Repetitions(3);

}  // namespace
