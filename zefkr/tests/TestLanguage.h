// A program folder with a chosen language for one test: the messages the
// test wants to tell apart, loaded as the current language.
#pragma once

#include "zefkr/Language.h"

#include "platform/CodePage.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace zefkr::testing {

// Makes `<root>/program` (with its Lang folder) and returns it.
inline std::string makeProgramFolder(const std::string& root) {
  const std::string program = root + "/program";
  std::filesystem::create_directories(program + "/Lang");
  return program;
}

// Chooses `current` as the language of `program` and loads its messages.
inline void chooseLanguage(const std::string& program, const std::string& current = "ENG") {
  std::ofstream(program + "/ZefKRLang.ini") << "[Language]\r\nCurrent=" << current << "\r\n";
  zefkr::loadLanguageFrom(platform::ansiToWideLenient(program));
}

// A program folder below `root` whose language `current` has `messages`
// ("id=text\r\n" lines), loaded; returns the folder.
inline std::string loadMessages(const std::string& root, const std::string& messages,
                                const std::string& current = "ENG") {
  const std::string program = makeProgramFolder(root);
  std::ofstream(program + "/Lang/ZefKR." + current) << messages;
  chooseLanguage(program, current);
  return program;
}

}  // namespace zefkr::testing
