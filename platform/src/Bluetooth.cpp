// The Bluetooth back-end seam and the fake back end (see Bluetooth.h).
#include "platform/Bluetooth.h"

#include "platform/Format.h"
#include "platform/Handles.h"
#include "platform/LastError.h"

#include <cstring>

namespace {

struct BackendSlot {
  std::mutex mutex;
  std::shared_ptr<platform::BluetoothBackend> backend;
};
BackendSlot& slot() {
  static auto* made = new BackendSlot;
  return *made;
}

constexpr std::u16string_view kRadioPrefix = u"\\\\?\\BTHPORT#RADIO#";

class RadioHandle final : public platform::KernelObject {
public:
  explicit RadioHandle(int index) : index(index) {}
  const int index;
};

std::shared_ptr<platform::FakeBluetoothBackend> fake() {
  return std::dynamic_pointer_cast<platform::FakeBluetoothBackend>(platform::bluetoothBackend());
}

// The fake's functions, with the platform's signatures.
BOOL fakeIsDiscoverable(HANDLE radio) {
  auto backend = fake();
  if (!backend) return FALSE;
  const int index = platform::bluetoothRadioIndex(radio);
  if (radio == nullptr || index < 0) return backend->anyRadio(true);
  return backend->radio(static_cast<size_t>(index)).discoverable;
}

BOOL fakeIsConnectable(HANDLE radio) {
  auto backend = fake();
  if (!backend) return FALSE;
  const int index = platform::bluetoothRadioIndex(radio);
  if (radio == nullptr || index < 0) return backend->anyRadio(false);
  return backend->radio(static_cast<size_t>(index)).connectable;
}

BOOL fakeEnableDiscovery(HANDLE radio, BOOL on) {
  auto backend = fake();
  return backend && backend->setRadio(platform::bluetoothRadioIndex(radio), true, on != FALSE);
}

BOOL fakeEnableIncomingConnections(HANDLE radio, BOOL on) {
  auto backend = fake();
  return backend && backend->setRadio(platform::bluetoothRadioIndex(radio), false, on != FALSE);
}

DWORD fakeRemoveDevice(const uint64_t* address) {
  auto backend = fake();
  return backend && address ? backend->removeDevice(*address) : ERROR_INVALID_PARAMETER;
}

}  // namespace

platform::BluetoothBackend::~BluetoothBackend() = default;

void platform::setBluetoothBackend(std::shared_ptr<BluetoothBackend> backend) {
  std::lock_guard lock(slot().mutex);
  slot().backend = std::move(backend);
}

std::shared_ptr<platform::BluetoothBackend> platform::bluetoothBackend() {
  std::lock_guard lock(slot().mutex);
  return slot().backend;
}

std::u16string platform::bluetoothRadioPath(size_t index) {
  return std::u16string(kRadioPrefix) +
         platform::formatText(std::u16string_view(u"%u"), static_cast<uint32_t>(index));
}

HANDLE platform::openBluetoothRadio(std::u16string_view path) {
  auto backend = bluetoothBackend();
  if (!backend || path.substr(0, kRadioPrefix.size()) != kRadioPrefix) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  size_t index = 0;
  const std::u16string_view digits = path.substr(kRadioPrefix.size());
  if (digits.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9' || index > 1000) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    index = index * 10 + (c - u'0');
  }
  if (index >= backend->radioCount()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return registerHandle(new RadioHandle(static_cast<int>(index)));
}

int platform::bluetoothRadioIndex(HANDLE radio) {
  if (radio == nullptr) return -1;
  const DWORD saved = GetLastError();
  auto* object = dynamic_cast<RadioHandle*>(lookupHandle(radio));
  SetLastError(saved);
  return object ? object->index : -1;
}

FARPROC platform::FakeBluetoothBackend::function(std::string_view name) {
  struct Row {
    std::string_view name;
    FARPROC function;
  };
  static const Row kRows[] = {
      {"BluetoothIsDiscoverable", reinterpret_cast<FARPROC>(&fakeIsDiscoverable)},
      {"BluetoothIsConnectable", reinterpret_cast<FARPROC>(&fakeIsConnectable)},
      {"BluetoothEnableDiscovery", reinterpret_cast<FARPROC>(&fakeEnableDiscovery)},
      {"BluetoothEnableIncomingConnections",
       reinterpret_cast<FARPROC>(&fakeEnableIncomingConnections)},
      {"BluetoothRemoveDevice", reinterpret_cast<FARPROC>(&fakeRemoveDevice)},
  };
  for (const Row& row : kRows) {
    if (row.name == name) return row.function;
  }
  return nullptr;
}

size_t platform::FakeBluetoothBackend::radioCount() {
  std::lock_guard lock(mutex_);
  return radios_.size();
}

void platform::FakeBluetoothBackend::addRadio(Radio radio) {
  std::lock_guard lock(mutex_);
  radios_.push_back(radio);
}

void platform::FakeBluetoothBackend::setRadioState(size_t index, Radio radio) {
  std::lock_guard lock(mutex_);
  if (index < radios_.size()) radios_[index] = radio;
}

platform::FakeBluetoothBackend::Radio platform::FakeBluetoothBackend::radio(size_t index) {
  std::lock_guard lock(mutex_);
  return index < radios_.size() ? radios_[index] : Radio{};
}

void platform::FakeBluetoothBackend::setRemoveAnswer(DWORD answer) {
  std::lock_guard lock(mutex_);
  removeAnswer_ = answer;
}

std::vector<std::string> platform::FakeBluetoothBackend::calls() {
  std::lock_guard lock(mutex_);
  return calls_;
}

bool platform::FakeBluetoothBackend::anyRadio(bool discoverable) {
  std::lock_guard lock(mutex_);
  for (const Radio& radio : radios_) {
    if (discoverable ? radio.discoverable : radio.connectable) return true;
  }
  return false;
}

bool platform::FakeBluetoothBackend::setRadio(int index, bool discoverable, bool on) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::string(discoverable ? "EnableDiscovery(" : "EnableIncomingConnections(") +
                   (on ? "1)" : "0)"));
  if (index < 0 || static_cast<size_t>(index) >= radios_.size()) return false;
  Radio& radio = radios_[static_cast<size_t>(index)];
  if (discoverable) {
    // A radio that takes no connections cannot be found.
    if (on && !radio.connectable) return false;
    radio.discoverable = on;
  } else {
    radio.connectable = on;
    if (!on) radio.discoverable = false;
  }
  return true;
}

DWORD platform::FakeBluetoothBackend::removeDevice(uint64_t address) {
  std::lock_guard lock(mutex_);
  calls_.push_back(platform::formatText(std::string_view("RemoveDevice(%012llX)"),
                                        static_cast<unsigned long long>(address)));
  return removeAnswer_;
}
