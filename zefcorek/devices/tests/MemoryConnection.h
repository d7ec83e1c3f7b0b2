// A device connection over an in-memory byte queue: the shared connection
// part with the simplest possible medium, for tests of that part.
#pragma once

#include "DeviceConnectionBase.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <string>

namespace zefcorek::testing {

inline constexpr devices::ConnectionClass kMemoryConnectionClass = {
    u"IMemoryConnectionImp", u"CMemoryConnectionSyncWnd", ConnectionKind::Udp, DEVCONN_UDP, 512, /*traced=*/true,
    /*guarded=*/true};

class MemoryConnection final : public devices::DeviceConnectionBase {
public:
  MemoryConnection() : DeviceConnectionBase(kMemoryConnectionClass) {}
  ~MemoryConnection() override { finishConnection(); }

  IDeviceConnection* GetTopInterface() override { return this; }
  TConnResult Open() override {
    open_ = true;
    return {CONN_OK};
  }
  bool IsOpen() override { return open_; }
  TConnResult Close() override {
    open_ = false;
    return {CONN_OK};
  }
  uint16_t Write(const void* bytes, uint16_t count) override {
    if (!open_ || bytes == nullptr) return 0;
    {
      std::lock_guard lock(mutex_);
      written_.append(static_cast<const char*>(bytes), count);
    }
    reportData(DEVIO_SENT, bytes, count);
    return count;
  }
  TConnResult GetIOInfo(TDeviceIOInfo* info) override {
    if (info == nullptr) return {CONN_BAD_ARGUMENT};
    std::lock_guard lock(mutex_);
    *info = {static_cast<uint32_t>(incoming_.size()), 0};
    return {CONN_OK};
  }

  // The device side: bytes that arrive, what was sent, the read time-out.
  void feed(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    incoming_.insert(incoming_.end(), bytes.begin(), bytes.end());
  }
  std::string written() {
    std::lock_guard lock(mutex_);
    return written_;
  }
  void setReadTimeout(uint32_t milliseconds) { timeoutMs_ = milliseconds; }
  void throwOnReceive(bool on) { throwOnReceive_ = on; }

protected:
  uint16_t receiveNow(uint8_t* into, uint16_t count) override {
    if (throwOnReceive_) throw std::runtime_error("medium failed");
    std::lock_guard lock(mutex_);
    const auto taken = static_cast<uint16_t>(std::min<size_t>(count, incoming_.size()));
    std::copy_n(incoming_.begin(), taken, into);
    incoming_.erase(incoming_.begin(), incoming_.begin() + taken);
    return taken;
  }
  uint32_t readTimeoutMs() override { return timeoutMs_; }

private:
  std::mutex mutex_;
  std::deque<uint8_t> incoming_;
  std::string written_;
  std::atomic<bool> open_{false};
  std::atomic<uint32_t> timeoutMs_{2000};
  std::atomic<bool> throwOnReceive_{false};
};

}  // namespace zefcorek::testing
