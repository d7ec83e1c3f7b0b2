// A private system bus with a mocked BlueZ (python3-dbusmock's bluez5
// template) for the tests of the BlueZ back end. The bus lives in a fresh
// folder, DBUS_SYSTEM_BUS_ADDRESS points at it, and both processes are
// ended when the fixture goes. Each wait is bounded.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

class MockBlueZBus {
public:
  MockBlueZBus() {
    char pattern[] = "/tmp/zef-bluez-XXXXXX";
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
    setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
    const std::string script =
        "set -e; cd '" + folder_ +
        "'; "
        "dbus-daemon --config-file=bus.conf --fork --print-pid=3 3>daemon.pid; "
        "/usr/bin/python3 -m dbusmock --system --template bluez5 >mock.log 2>&1 & echo $! >mock.pid; "
        "for i in $(seq 200); do "
        "  dbus-send --system --print-reply --dest=org.freedesktop.DBus / "
        "org.freedesktop.DBus.NameHasOwner string:org.bluez 2>/dev/null | grep -q true && exit 0; "
        "  sleep 0.05; done; exit 1";
    started_ = std::system(script.c_str()) == 0;
  }

  ~MockBlueZBus() {
    for (const char* file : {"/mock.pid", "/daemon.pid"}) {
      std::ifstream in(folder_ + file);
      pid_t pid = 0;
      if (in >> pid && pid > 0) kill(pid, SIGTERM);
    }
    if (!folder_.empty()) (void)std::system(("rm -rf '" + folder_ + "'").c_str());
  }

  bool started() const { return started_; }

  // Calls a method of the mock ("AddAdapter string:hci0 string:box").
  bool mock(const std::string& methodAndArguments) const {
    return std::system(("dbus-send --system --print-reply --dest=org.bluez / org.bluez.Mock." + methodAndArguments +
                        " >/dev/null")
                           .c_str()) == 0;
  }

  // The value line of a property read through the bus ("boolean true").
  std::string property(const std::string& path, const std::string& interface, const std::string& name) const {
    const std::string command = "dbus-send --system --print-reply --dest=org.bluez " + path +
                                " org.freedesktop.DBus.Properties.Get string:" + interface + " string:" + name +
                                " | tail -n 1";
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[256];
      while (fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
      pclose(pipe);
    }
    const size_t start = text.find("variant");
    text = start == std::string::npos ? text : text.substr(start + 7);
    while (!text.empty() && (text.front() == ' ')) text.erase(0, 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
  }

private:
  std::string folder_;
  std::string address_;
  bool started_ = false;
};
