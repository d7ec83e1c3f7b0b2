// What every form test sets up: a headless application, and the shipped
// message files as the program's language.
#pragma once

#include "forms/QtHost.h"

#include "zefkr/UpdateServer.h"

#include "platform/CodePage.h"

#include "fixtures/UpdateServerDouble.h"

#include "../TestLanguage.h"

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>

namespace zefkr::testing {

// The application, started without a display.
inline std::unique_ptr<zefkr::forms::ZefKRApplication> makeOffscreenApplication() {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static char name[] = "zefkr_forms_tests";
  static char* argv[] = {name, nullptr};
  static int argc = 1;
  return std::make_unique<zefkr::forms::ZefKRApplication>(argc, argv);
}

// A program folder below `root` with the shipped message `files` copied
// into it and `current` chosen and loaded; returns the folder.
inline std::string loadShippedLanguage(const std::string& root, const std::string& current = "ENG",
                                       std::initializer_list<const char*> files = {"ZefKR.ENG"}) {
  const std::string program = makeProgramFolder(root);
  for (const char* file : files) {
    std::filesystem::copy_file(std::string(ZEFKR_LANG_FOLDER) + "/" + file, program + "/Lang/" + file);
  }
  chooseLanguage(program, current);
  return program;
}

// The wizard's server addresses on the update-server double.
inline zefkr::ServerAddresses addressesOf(fixtures::UpdateServerDouble& server) {
  zefkr::ServerAddresses addresses;
  addresses.loginUrl = addresses.downloadUrl = platform::ansiToWideLenient(server.requestBase());
  addresses.listUrl = platform::ansiToWideLenient(server.listAddress());
  addresses.locationA = platform::ansiToWideLenient(server.locationA());
  addresses.locationB = platform::ansiToWideLenient(server.locationB());
  return addresses;
}

}  // namespace zefkr::testing
