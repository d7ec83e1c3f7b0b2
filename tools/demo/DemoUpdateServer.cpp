// The demo's update server: the update-server double serving a catalogue
// folder on 127.0.0.1.
//
//   demo-update-server <catalogue folder> <request log>
//
// The catalogue holds
//   updates.ini          the update list
//   proclist.txt         the process list of the account (the products the
//                        user may update), one line
//   files/<folder>/<name>  the files of the updates
// The account is the wizard's fixed markers "***KW***" and "***ZJ***". The
// server prints "port <n>" on its first line, appends every request it
// served to the log (path, query, user agent; one line each) and runs until
// it is told to end (SIGTERM or SIGINT).
#include "fixtures/UpdateServerDouble.h"

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

volatile sig_atomic_t ending = 0;

void endOnSignal(int) { ending = 1; }

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string logLine(const fixtures::FixtureRequest& request) {
  std::string query;
  for (const auto& [name, value] : request.query) {
    query += (query.empty() ? "" : "&") + name + "=" + value;
  }
  const auto agent = request.headers.find("user-agent");
  return request.path + " | " + query + " | " + (agent == request.headers.end() ? std::string() : agent->second);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: demo-update-server <catalogue folder> <request log>\n";
    return 2;
  }
  const fs::path catalogue = argv[1];
  std::ofstream log(argv[2], std::ios::app);
  if (!fs::is_directory(catalogue) || !log) {
    std::cerr << "demo-update-server: cannot use " << catalogue << " or " << argv[2] << "\n";
    return 2;
  }
  signal(SIGTERM, endOnSignal);
  signal(SIGINT, endOnSignal);

  fixtures::UpdateServerDouble server;
  std::string processList = readFile(catalogue / "proclist.txt");
  while (!processList.empty() && (processList.back() == '\n' || processList.back() == '\r')) {
    processList.pop_back();
  }
  server.setAccount("***KW***", "***ZJ***", processList);
  server.setUpdateList(readFile(catalogue / "updates.ini"));
  const fs::path files = catalogue / "files";
  if (fs::is_directory(files)) {
    for (const auto& entry : fs::recursive_directory_iterator(files)) {
      if (!entry.is_regular_file()) continue;
      const fs::path relative = fs::relative(entry.path(), files);
      fixtures::FixtureResponse response;
      response.body = readFile(entry.path());
      server.addFile(relative.parent_path().generic_string(), relative.filename().string(), response);
    }
  }
  std::cout << "port " << server.server().port() << std::endl;

  // Logs each request as it comes (within a tenth of a second).
  size_t logged = 0;
  while (!ending) {
    const auto requests = server.server().requests();
    for (; logged < requests.size(); ++logged) log << logLine(requests[logged]) << std::endl;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const auto requests = server.server().requests();
  for (; logged < requests.size(); ++logged) log << logLine(requests[logged]) << std::endl;
  return 0;
}
