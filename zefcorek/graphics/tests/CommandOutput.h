// Runs an oracle command (a Python script) and collects what it printed;
// the tests compare it with their own results. Call it under
// ASSERT_NO_FATAL_FAILURE: a command that cannot start or fails ends the
// test, with `needed` (the packages it wants) and its output as the message.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace graphics_test {

inline void readCommand(const std::string& command, const char* needed, std::string* output) {
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buffer[1024];
  while (fgets(buffer, sizeof buffer, pipe) != nullptr) *output += buffer;
  ASSERT_EQ(pclose(pipe), 0) << needed << *output;
}

}  // namespace graphics_test
