// A private system-type bus with a mocked service (a python3-dbusmock
// template) for the tests of the back ends on the system bus: BlueZ (the
// mock's bluez5 template, or our extension of it in programs/BlueZMock.py)
// and ModemManager (programs/ModemManagerMock.py). The bus lives in a fresh
// folder and both processes are ended when the fixture goes, or when the
// test process ends without it. The process
// environment is left alone, so the system's own bus is never looked at.
// Each wait is bounded.
#pragma once

#include "platform/BlueZ.h"
#include "platform/BluetoothFake.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include <sys/wait.h>
#include <unistd.h>

inline constexpr const char* kStockBlueZTemplate = "bluez5";

// No test of this program reaches the machine's own system bus (its radios
// and modems are not ours to touch): the system's radio stack and modem
// manager are looked for on a bus that does not exist.
inline const bool kSystemBusOutOfReach = setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/zef-bus", 1) == 0;

// The bus and the mock: the template's service is on the bus once started().
class MockServiceBus {
public:
  MockServiceBus(const std::string& templateName, std::string service, std::string mockObject,
                 std::string mockInterface)
      : service_(std::move(service)), mockObject_(std::move(mockObject)), mockInterface_(std::move(mockInterface)) {
    char pattern[] = "/tmp/zef-bus-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (made == nullptr) return;
    folder_ = made;
    std::ofstream(folder_ + "/bus.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>system</type><listen>unix:path="
        << folder_ << "/bus</listen><auth>EXTERNAL</auth>"
        << "<policy context=\"default\"><allow user=\"*\"/><allow own=\"*\"/>"
           "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/></policy></busconfig>\n";
    address_ = "unix:path=" + folder_ + "/bus";
    // The mock may take long to start on a loaded machine: up to 30 s.
    // A watcher ends the bus and the mock when this process has gone without
    // stopping them (a crash, an abort): no test leaves them running.
    const std::string watcher = "(while kill -0 " + std::to_string(getpid()) +
                                " 2>/dev/null; do sleep 0.2; done; kill $daemon $mock || true; rm -rf '" + folder_ +
                                "') </dev/null >/dev/null 2>&1 & echo $! >watcher.pid; ";
    const std::string script = "set -e; cd '" + folder_ + "'; export DBUS_SYSTEM_BUS_ADDRESS='" + address_ +
                               "'; "
                               "dbus-daemon --config-file=bus.conf --fork --print-pid=3 3>daemon.pid; "
                               "daemon=$(cat daemon.pid); "
                               "/usr/bin/python3 -m dbusmock --system --template '" +
                               templateName + "' >mock.log 2>&1 </dev/null & mock=$!; echo $mock >mock.pid; " +
                               watcher +
                               "for i in $(seq 600); do "
                               "  dbus-send --system --print-reply --dest=org.freedesktop.DBus / "
                               "org.freedesktop.DBus.NameHasOwner string:" +
                               service_ +
                               " 2>/dev/null | grep -q true && exit 0; "
                               "  sleep 0.05; done; exit 1";
    started_ = std::system(script.c_str()) == 0;
  }

  ~MockServiceBus() { stop(); }
  MockServiceBus(const MockServiceBus&) = delete;
  MockServiceBus& operator=(const MockServiceBus&) = delete;

  // Ends the mock and its bus (also done when the fixture goes).
  void stop() {
    for (const char* file : {"/watcher.pid", "/mock.pid", "/daemon.pid"}) {
      std::ifstream in(folder_ + file);
      pid_t pid = 0;
      if (in >> pid && pid > 0) kill(pid, SIGTERM);
    }
    if (!folder_.empty()) (void)std::system(("rm -rf '" + folder_ + "'").c_str());
    folder_.clear();
    started_ = false;
  }

  bool serviceStarted() const { return started_; }
  const std::string& address() const { return address_; }

  // Calls a method of the mock ("AddAdapter string:hci0 string:box").
  bool mock(const std::string& methodAndArguments) const {
    return std::system(("dbus-send --bus=" + address_ + " --print-reply --dest=" + service_ + " " + mockObject_ + " " +
                        mockInterface_ + "." + methodAndArguments + " >/dev/null")
                           .c_str()) == 0;
  }

  // The last line a call prints ("string \"pin 1234\"", "boolean true").
  std::string ask(const std::string& objectAndMethod) const {
    std::string text;
    const std::string command =
        "dbus-send --bus=" + address_ + " --print-reply --dest=" + service_ + " " + objectAndMethod;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[512];
      while (fgets(buffer, sizeof buffer, pipe) != nullptr) text = buffer;
      pclose(pipe);
    }
    while (!text.empty() && (text.front() == ' ')) text.erase(0, 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
  }

  // The value line of a property read through the bus ("boolean true").
  std::string property(const std::string& path, const std::string& interface, const std::string& name) const {
    std::string text = ask(path + " org.freedesktop.DBus.Properties.Get string:" + interface + " string:" + name);
    const size_t start = text.find("variant");
    text = start == std::string::npos ? text : text.substr(start + 7);
    while (!text.empty() && (text.front() == ' ')) text.erase(0, 1);
    return text;
  }

private:
  std::string service_;
  std::string mockObject_;
  std::string mockInterface_;
  std::string folder_;
  std::string address_;
  bool started_ = false;
};

// A mocked BlueZ whose back end is the active one while the fixture lives.
class MockBlueZBus : public MockServiceBus {
public:
  explicit MockBlueZBus(const std::string& templateName = kStockBlueZTemplate)
      : MockServiceBus(templateName, "org.bluez", "/", "org.bluez.Mock") {
    if (!serviceStarted()) return;
    backend_ = platform::connectBlueZBackend(address());
    if (backend_ != nullptr) active_.emplace(backend_.get());
  }
  ~MockBlueZBus() {
    active_.reset();
    backend_.reset();
  }

  // Whether the mock runs and its back end is the active one.
  bool started() const { return active_.has_value(); }

private:
  std::unique_ptr<platform::BluetoothBackend> backend_;
  std::optional<platform::ScopedBluetoothBackend> active_;
};
