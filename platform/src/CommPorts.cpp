// COM ports on termios devices and the serial device map (see CommPorts.h).
#include "platform/CommPorts.h"

#include "CommBaud.h"

#include "platform/FileSyscalls.h"
#include "platform/Handles.h"
#include "platform/LastError.h"
#include "platform/Registry.h"
#include "platform/Synchronization.h"
#include "platform/Utf16.h"
#include "platform/CodePage.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

namespace {

constexpr WCHAR kSerialCommKey[] = u"HARDWARE\\DEVICEMAP\\SERIALCOMM";
constexpr WCHAR kArbiterKey[] = u"SYSTEM\\CurrentControlSet\\Control\\COM Name Arbiter";
constexpr WCHAR kComDbValue[] = u"ComDB";
constexpr unsigned kHighestPort = 256;

class ComPort;

// The open ports by COM number, for the tests' look at a port they cannot
// hold a handle of.
struct OpenPorts {
  std::mutex mutex;
  std::vector<std::pair<unsigned, ComPort*>> ports;
};
OpenPorts& openPorts() {
  static auto* ports = new OpenPorts;
  return *ports;
}

// One open COM port.
class ComPort final : public platform::KernelObject {
public:
  ComPort(int fd, std::u16string name, unsigned number) : fd_(fd), name_(std::move(name)) {
    std::lock_guard lock(openPorts().mutex);
    openPorts().ports.emplace_back(number, this);
  }
  ~ComPort() override {
    {
      std::lock_guard lock(openPorts().mutex);
      auto& ports = openPorts().ports;
      ports.erase(
          std::remove_if(ports.begin(), ports.end(), [this](const auto& entry) { return entry.second == this; }),
          ports.end());
    }
    ::close(fd_);
  }

  int fd() const { return fd_; }

  // A write that the port did not take whole: the rest, pushed on by polls.
  struct PendingWrite {
    OVERLAPPED* overlapped = nullptr;
    std::vector<uint8_t> rest;
    DWORD done = 0;
  };

  std::mutex mutex;
  DCB kept{};  // the last DCB set: fields without a termios counterpart
  bool haveKept = false;
  // The settings last applied. A pty keeps no parity or character size (it
  // forces CS8 without PARENB), so those are answered from here.
  std::optional<termios> applied;
  COMMTIMEOUTS timeouts{};
  std::vector<DWORD> escapes;
  DWORD inQueue = 0;
  DWORD outQueue = 0;
  std::optional<PendingWrite> pending;

private:
  int fd_;
  std::u16string name_;
};

std::mutex& lastNameMutex() {
  static std::mutex mutex;
  return mutex;
}
std::u16string& lastName() {
  static std::u16string name;
  return name;
}

ComPort* portOf(HANDLE handle) {
  const DWORD saved = GetLastError();
  auto* port = dynamic_cast<ComPort*>(platform::lookupHandle(handle));
  SetLastError(port ? saved : ERROR_INVALID_HANDLE);
  return port;
}

void completeOverlapped(OVERLAPPED* overlapped, uintptr_t status, DWORD count) {
  if (overlapped == nullptr) return;
  overlapped->Internal = status;
  overlapped->InternalHigh = count;
  if (overlapped->hEvent) SetEvent(overlapped->hEvent);
}

// Writes what the port takes now; the number written (-1 on an error).
ssize_t writeSome(int fd, const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  for (;;) {
    const ssize_t put = ::write(fd, data, size);
    if (put >= 0) return put;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return 0;
    return -1;
  }
}

// Pushes a pending write on; true when it is done (or failed).
bool pushPending(ComPort& port) {
  auto& pending = *port.pending;
  const ssize_t put = writeSome(port.fd(), pending.rest.data(), pending.rest.size());
  if (put < 0) {
    completeOverlapped(pending.overlapped, ERROR_GEN_FAILURE, pending.done);
    return true;
  }
  pending.done += static_cast<DWORD>(put);
  pending.rest.erase(pending.rest.begin(), pending.rest.begin() + put);
  if (!pending.rest.empty()) {
    pending.overlapped->InternalHigh = pending.done;
    return false;
  }
  completeOverlapped(pending.overlapped, 0, pending.done);
  return true;
}

// --- The device map -----------------------------------------------------------

struct RegistryKey {
  explicit RegistryKey(const WCHAR* path) {
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
      key = nullptr;
    }
  }
  ~RegistryKey() {
    if (key) RegCloseKey(key);
  }
  HKEY key = nullptr;
};

std::u16string mapValueName(const std::string& devicePath) {
  return u"\\Device\\" + platform::ansiToWideLenient(devicePath);
}

std::vector<uint8_t> readComDb(HKEY arbiter) {
  DWORD size = 0;
  if (RegQueryValueExW(arbiter, kComDbValue, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return std::vector<uint8_t>(kHighestPort / 8, 0);
  }
  std::vector<uint8_t> bits(std::max<DWORD>(size, kHighestPort / 8), 0);
  (void)RegQueryValueExW(arbiter, kComDbValue, nullptr, nullptr, bits.data(), &size);
  return bits;
}

std::optional<unsigned> mappedNumber(HKEY map, const std::u16string& valueName) {
  WCHAR data[32] = {};
  DWORD size = sizeof data - sizeof(WCHAR);
  if (RegQueryValueExW(map, valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  unsigned number = 0;
  if (!platform::parseComPortName(data, &number)) return std::nullopt;
  return number;
}

std::mutex& mapMutex() {
  static std::mutex mutex;
  return mutex;
}

// The first line of a small file (a sysfs attribute); empty when unreadable.
std::string firstLineOf(const std::string& path) {
  const std::string text = platform::readFileToEnd(path).value_or(std::string());
  return text.substr(0, text.find('\n'));
}

bool isSerialTty(const std::string& folder, const std::string& name) {
  const std::string entry = folder + "/" + name;
  struct stat info {};
  if (platform::fileSyscalls().stat((entry + "/device").c_str(), &info) != 0) return false;
  if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0 || name.rfind("rfcomm", 0) == 0) {
    return true;
  }
  if (name.rfind("ttyS", 0) == 0) {
    const std::string type = firstLineOf(entry + "/type");
    return !type.empty() && type != "0";
  }
  return false;
}

}  // namespace

// --- Names and opening ----------------------------------------------------------

bool platform::parseComPortName(std::u16string_view name, unsigned* number) {
  if (name.size() >= 4 && name.substr(0, 4) == u"\\\\.\\") name.remove_prefix(4);
  if (!name.empty() && name.back() == u':') name.remove_suffix(1);
  if (name.size() < 4) return false;
  if (!platform::startsWithIgnoreCase(name, u"COM")) return false;
  unsigned value = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < u'0' || name[i] > u'9' || value > 100000) return false;
    value = value * 10 + (name[i] - u'0');
  }
  if (value == 0) return false;
  if (number) *number = value;
  return true;
}

HANDLE platform::openComPort(std::u16string_view name, DWORD /*access*/) {
  {
    std::lock_guard lock(lastNameMutex());
    lastName() = std::u16string(name);
  }
  unsigned number = 0;
  if (!parseComPortName(name, &number)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::optional<std::string> device = serialDeviceOfPort(number);
  if (!device) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = "/dev/" + *device;
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(errno == EACCES || errno == EBUSY ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  // Not shared: a second opener, in this process or another, is refused.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  (void)::ioctl(fd, TIOCEXCL);
  return registerHandle(new ComPort(fd, std::u16string(name), number));
}

std::u16string platform::lastComPortName() {
  std::lock_guard lock(lastNameMutex());
  return lastName();
}

std::vector<DWORD> platform::comEscapeHistory(HANDLE handle) {
  ComPort* port = portOf(handle);
  if (!port) return {};
  std::lock_guard lock(port->mutex);
  return port->escapes;
}

std::optional<termios> platform::comAppliedSettings(HANDLE handle) {
  ComPort* port = portOf(handle);
  if (!port) return std::nullopt;
  std::lock_guard lock(port->mutex);
  return port->applied;
}

std::optional<platform::ComPortRecord> platform::comPortRecord(unsigned number) {
  std::lock_guard registryLock(openPorts().mutex);
  for (const auto& [open, port] : openPorts().ports) {
    if (open != number) continue;
    std::lock_guard lock(port->mutex);
    return ComPortRecord{port->applied, port->escapes, port->inQueue, port->outQueue};
  }
  return std::nullopt;
}

std::pair<DWORD, DWORD> platform::comQueueSizes(HANDLE handle) {
  ComPort* port = portOf(handle);
  if (!port) return {0, 0};
  std::lock_guard lock(port->mutex);
  return {port->inQueue, port->outQueue};
}

// --- Reads and writes ---------------------------------------------------------

bool platform::comReadFile(HANDLE handle, void* buffer, DWORD count, DWORD* read, OVERLAPPED* overlapped,
                           BOOL* result) {
  ComPort* port = portOf(handle);
  if (!port) return false;
  if (read) *read = 0;
  if (buffer == nullptr && count > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    *result = FALSE;
    return true;
  }
  if (overlapped && overlapped->hEvent) ResetEvent(overlapped->hEvent);
  ssize_t got = 0;
  do {
    got = count > 0 ? ::read(port->fd(), buffer, count) : 0;
  } while (got < 0 && errno == EINTR);
  if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) got = 0;
  if (got < 0) {
    SetLastError(ERROR_GEN_FAILURE);
    *result = FALSE;
    return true;
  }
  if (read) *read = static_cast<DWORD>(got);
  completeOverlapped(overlapped, 0, static_cast<DWORD>(got));
  *result = TRUE;
  return true;
}

bool platform::comWriteFile(HANDLE handle, const void* buffer, DWORD count, DWORD* written, OVERLAPPED* overlapped,
                            BOOL* result) {
  ComPort* port = portOf(handle);
  if (!port) return false;
  if (written) *written = 0;
  if (buffer == nullptr && count > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    *result = FALSE;
    return true;
  }
  std::lock_guard lock(port->mutex);
  if (overlapped && overlapped->hEvent) ResetEvent(overlapped->hEvent);
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  const ssize_t put = writeSome(port->fd(), bytes, count);
  if (put < 0) {
    SetLastError(ERROR_GEN_FAILURE);
    *result = FALSE;
    return true;
  }
  if (static_cast<DWORD>(put) == count || overlapped == nullptr) {
    if (written) *written = static_cast<DWORD>(put);
    completeOverlapped(overlapped, 0, static_cast<DWORD>(put));
    *result = TRUE;
    return true;
  }
  port->pending =
      ComPort::PendingWrite{overlapped, std::vector<uint8_t>(bytes + put, bytes + count), static_cast<DWORD>(put)};
  overlapped->Internal = STATUS_PENDING_COMM;
  overlapped->InternalHigh = static_cast<DWORD>(put);
  SetLastError(ERROR_IO_PENDING);
  *result = FALSE;
  return true;
}

bool platform::cancelComIo(HANDLE handle) {
  ComPort* port = portOf(handle);
  if (!port) return false;
  std::lock_guard lock(port->mutex);
  if (port->pending) {
    completeOverlapped(port->pending->overlapped, ERROR_OPERATION_ABORTED, port->pending->done);
    port->pending.reset();
  }
  return true;
}

BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* transferred, BOOL wait) {
  if (overlapped == nullptr || transferred == nullptr || wait) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (ComPort* port = portOf(file)) {
    std::lock_guard lock(port->mutex);
    if (port->pending && port->pending->overlapped == overlapped && pushPending(*port)) {
      port->pending.reset();
    }
  }
  *transferred = static_cast<DWORD>(overlapped->InternalHigh);
  if (overlapped->Internal == STATUS_PENDING_COMM) {
    SetLastError(ERROR_IO_INCOMPLETE);
    return FALSE;
  }
  if (overlapped->Internal != 0) {
    SetLastError(static_cast<DWORD>(overlapped->Internal));
    return FALSE;
  }
  return TRUE;
}

// --- Port control -------------------------------------------------------------

BOOL SetupComm(HANDLE handle, DWORD inQueue, DWORD outQueue) {
  ComPort* port = portOf(handle);
  if (!port) return FALSE;
  std::lock_guard lock(port->mutex);
  port->inQueue = inQueue;
  port->outQueue = outQueue;
  return TRUE;
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
  ComPort* port = portOf(handle);
  if (!port) return FALSE;
  if (flags & (PURGE_TXABORT | PURGE_RXABORT)) platform::cancelComIo(handle);
  const bool input = flags & PURGE_RXCLEAR;
  const bool output = flags & PURGE_TXCLEAR;
  if (input || output) (void)::tcflush(port->fd(), input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
  return TRUE;
}

BOOL ClearCommError(HANDLE handle, DWORD* errors, COMSTAT* status) {
  ComPort* port = portOf(handle);
  if (!port) return FALSE;
  if (errors) *errors = 0;
  if (status) {
    int in = 0;
    int out = 0;
    if (::ioctl(port->fd(), FIONREAD, &in) != 0) in = 0;
    if (::ioctl(port->fd(), TIOCOUTQ, &out) != 0) out = 0;
    *status = COMSTAT{0, static_cast<DWORD>(std::max(in, 0)), static_cast<DWORD>(std::max(out, 0))};
  }
  return TRUE;
}

BOOL GetCommState(HANDLE handle, DCB* dcb) {
  ComPort* port = portOf(handle);
  if (!port || dcb == nullptr) return FALSE;
  termios settings{};
  if (::tcgetattr(port->fd(), &settings) != 0) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  std::lock_guard lock(port->mutex);
  if (port->applied) {
    const tcflag_t framing = CSIZE | PARENB | PARODD | CMSPAR;
    settings.c_cflag = (settings.c_cflag & ~framing) | (port->applied->c_cflag & framing);
  }
  DCB out = port->haveKept ? port->kept : DCB{};
  out.DCBlength = sizeof(DCB);
  out.BaudRate = platform::readBaudRate(port->fd());
  out.fBinary = 1;
  switch (settings.c_cflag & CSIZE) {
    case CS5: out.ByteSize = 5; break;
    case CS6: out.ByteSize = 6; break;
    case CS7: out.ByteSize = 7; break;
    default: out.ByteSize = 8; break;
  }
  if (!(settings.c_cflag & PARENB)) {
    out.Parity = NOPARITY;
  } else if (settings.c_cflag & CMSPAR) {
    out.Parity = (settings.c_cflag & PARODD) ? MARKPARITY : SPACEPARITY;
  } else {
    out.Parity = (settings.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
  }
  if (!(settings.c_cflag & CSTOPB)) {
    out.StopBits = ONESTOPBIT;
  } else if (!port->haveKept || port->kept.StopBits == ONESTOPBIT) {
    out.StopBits = TWOSTOPBITS;
  }
  out.fOutX = (settings.c_iflag & IXON) ? 1 : 0;
  out.fInX = (settings.c_iflag & IXOFF) ? 1 : 0;
  out.fOutxCtsFlow = (settings.c_cflag & CRTSCTS) ? 1 : 0;
  out.XonChar = static_cast<char>(settings.c_cc[VSTART]);
  out.XoffChar = static_cast<char>(settings.c_cc[VSTOP]);
  *dcb = out;
  return TRUE;
}

BOOL SetCommState(HANDLE handle, const DCB* dcb) {
  ComPort* port = portOf(handle);
  if (!port || dcb == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (dcb->ByteSize < 5 || dcb->ByteSize > 8 || dcb->Parity > SPACEPARITY || dcb->StopBits > TWOSTOPBITS ||
      dcb->BaudRate == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  termios settings{};
  if (::tcgetattr(port->fd(), &settings) != 0) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  settings.c_cflag |= kSizes[dcb->ByteSize - 5];
  switch (dcb->Parity) {
    case ODDPARITY: settings.c_cflag |= PARENB | PARODD; break;
    case EVENPARITY: settings.c_cflag |= PARENB; break;
    case MARKPARITY: settings.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SPACEPARITY: settings.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (dcb->StopBits != ONESTOPBIT) settings.c_cflag |= CSTOPB;
  if (dcb->fOutxCtsFlow) settings.c_cflag |= CRTSCTS;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  if (dcb->fOutX) settings.c_iflag |= IXON;
  if (dcb->fInX) settings.c_iflag |= IXOFF;
  settings.c_cc[VSTART] = static_cast<cc_t>(dcb->XonChar);
  settings.c_cc[VSTOP] = static_cast<cc_t>(dcb->XoffChar);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (::tcsetattr(port->fd(), TCSANOW, &settings) != 0) {
    // A pty refuses some framings it would not keep anyway (it has no line);
    // the rest of the settings still apply, the framing is answered as asked.
    termios eightBits = settings;
    eightBits.c_cflag = (eightBits.c_cflag & ~(CSIZE | PARENB | PARODD | CMSPAR)) | CS8;
    if (errno != EINVAL || ::tcsetattr(port->fd(), TCSANOW, &eightBits) != 0) {
      SetLastError(ERROR_GEN_FAILURE);
      return FALSE;
    }
  }
  // A pty has no line speed; the rate is kept for GetCommState either way.
  (void)platform::setBaudRate(port->fd(), dcb->BaudRate);
  std::lock_guard lock(port->mutex);
  port->kept = *dcb;
  port->haveKept = true;
  port->applied = settings;
  return TRUE;
}

BOOL SetCommTimeouts(HANDLE handle, const COMMTIMEOUTS* timeouts) {
  ComPort* port = portOf(handle);
  if (!port || timeouts == nullptr) return FALSE;
  std::lock_guard lock(port->mutex);
  port->timeouts = *timeouts;
  return TRUE;
}

BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
  ComPort* port = portOf(handle);
  if (!port || timeouts == nullptr) return FALSE;
  std::lock_guard lock(port->mutex);
  *timeouts = port->timeouts;
  return TRUE;
}

BOOL EscapeCommFunction(HANDLE handle, DWORD function) {
  ComPort* port = portOf(handle);
  if (!port) return FALSE;
  {
    std::lock_guard lock(port->mutex);
    port->escapes.push_back(function);
  }
  int line = 0;
  unsigned long request = 0;
  switch (function) {
    case SETRTS:
      line = TIOCM_RTS;
      request = TIOCMBIS;
      break;
    case CLRRTS:
      line = TIOCM_RTS;
      request = TIOCMBIC;
      break;
    case SETDTR:
      line = TIOCM_DTR;
      request = TIOCMBIS;
      break;
    case CLRDTR:
      line = TIOCM_DTR;
      request = TIOCMBIC;
      break;
    case SETBREAK: return ::ioctl(port->fd(), TIOCSBRK) == 0;
    case CLRBREAK: return ::ioctl(port->fd(), TIOCCBRK) == 0;
    case SETXON: return ::tcflow(port->fd(), TCION) == 0;
    case SETXOFF: return ::tcflow(port->fd(), TCIOFF) == 0;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
  }
  if (::ioctl(port->fd(), request, &line) != 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  return TRUE;
}

BOOL SetCommBreak(HANDLE handle) {
  ComPort* port = portOf(handle);
  return port && ::ioctl(port->fd(), TIOCSBRK) == 0;
}

BOOL ClearCommBreak(HANDLE handle) {
  ComPort* port = portOf(handle);
  return port && ::ioctl(port->fd(), TIOCCBRK) == 0;
}

// --- The device map -------------------------------------------------------------

unsigned platform::registerSerialDevice(const std::string& devicePath) {
  std::lock_guard lock(mapMutex());
  RegistryKey map(kSerialCommKey);
  RegistryKey arbiter(kArbiterKey);
  if (!map.key || !arbiter.key) return 0;
  const std::u16string valueName = mapValueName(devicePath);
  if (auto known = mappedNumber(map.key, valueName)) return *known;
  std::vector<uint8_t> bits = readComDb(arbiter.key);
  unsigned number = 0;
  for (unsigned bit = 0; bit < kHighestPort && number == 0; ++bit) {
    if (!(bits[bit / 8] & (1u << (bit % 8)))) number = bit + 1;
  }
  if (number == 0) return 0;
  bits[(number - 1) / 8] |= static_cast<uint8_t>(1u << ((number - 1) % 8));
  const std::u16string data = u"COM" + platform::ansiToWideLenient(std::to_string(number));
  if (RegSetValueExW(arbiter.key, kComDbValue, 0, REG_BINARY, bits.data(), static_cast<DWORD>(bits.size())) !=
          ERROR_SUCCESS ||
      RegSetValueExW(map.key, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                     static_cast<DWORD>((data.size() + 1) * sizeof(WCHAR))) != ERROR_SUCCESS) {
    return 0;
  }
  return number;
}

void platform::unregisterSerialDevice(const std::string& devicePath) {
  std::lock_guard lock(mapMutex());
  RegistryKey map(kSerialCommKey);
  RegistryKey arbiter(kArbiterKey);
  if (!map.key || !arbiter.key) return;
  const std::u16string valueName = mapValueName(devicePath);
  const auto number = mappedNumber(map.key, valueName);
  (void)RegDeleteValueW(map.key, valueName.c_str());
  if (!number || *number > kHighestPort) return;
  std::vector<uint8_t> bits = readComDb(arbiter.key);
  bits[(*number - 1) / 8] &= static_cast<uint8_t>(~(1u << ((*number - 1) % 8)));
  (void)RegSetValueExW(arbiter.key, kComDbValue, 0, REG_BINARY, bits.data(), static_cast<DWORD>(bits.size()));
}

std::optional<std::string> platform::serialDeviceOfPort(unsigned number) {
  std::lock_guard lock(mapMutex());
  HKEY map = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialCommKey, 0, KEY_READ, &map) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::optional<std::string> found;
  for (DWORD index = 0;; ++index) {
    WCHAR name[512];
    DWORD nameLength = 512;
    WCHAR data[32] = {};
    DWORD size = sizeof data - sizeof(WCHAR);
    DWORD type = 0;
    const LONG result =
        RegEnumValueW(map, index, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    unsigned mapped = 0;
    const std::u16string_view valueName(name, nameLength);
    if (!parseComPortName(data, &mapped) || mapped != number) continue;
    if (valueName.substr(0, 8) != u"\\Device\\") continue;
    found = platform::wideToAnsiLenient(valueName.substr(8));
    break;
  }
  RegCloseKey(map);
  return found;
}

std::vector<std::string> platform::scanSerialDevices(const std::string& sysfsTtyRoot) {
  std::vector<std::string> mapped;
  std::vector<std::string> names = platform::folderEntryNames(sysfsTtyRoot);
  // Sorted, so numbers are handed out in the same order on every scan.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    if (!isSerialTty(sysfsTtyRoot, name)) continue;
    if (registerSerialDevice(name) != 0) mapped.push_back(name);
  }
  return mapped;
}
