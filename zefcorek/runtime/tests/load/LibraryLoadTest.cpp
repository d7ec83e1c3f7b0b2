// Loads and unloads libzefcorek.so in this process and watches its start-up
// and shut-down steps through the trace hook the library looks for.
#include "platform/WinSock.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
std::vector<std::string> steps;
}  // namespace

extern "C" __attribute__((visibility("default"))) void zefCoreKStartupStep(const char* step) {
  steps.emplace_back(step);
}

namespace {

TEST(LibraryLoadTest, AttachAndDetachRunOnceEachInOrder) {
  steps.clear();
  void* library = dlopen(ZEFCOREK_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  const std::vector<std::string> attach = {
      "null code constructed", "instance", "predicates", "pdf parameters",
      "image io expert kept",  "image io", "sockets",
  };
  EXPECT_EQ(steps, attach);

  // Between attach and detach the null code is there to be had.
  using GetNullCode = const void* (*)();
  auto* getNullCode = reinterpret_cast<GetNullCode>(dlsym(library, "_ZN7CodesDB14cdbGetNullCodeEv"));
  ASSERT_NE(getNullCode, nullptr);
  EXPECT_NE(getNullCode(), nullptr);

  // The PDF engine holds its parameters in a global owning pointer.
  auto* pdfParams = static_cast<void**>(dlsym(library, "globalParams"));
  ASSERT_NE(pdfParams, nullptr);
  EXPECT_NE(*pdfParams, nullptr);

  // The library started the sockets layer once: one clean-up succeeds (and
  // is given back at once).
  EXPECT_EQ(WSACleanup(), 0);
  WSADATA data;
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);

  steps.clear();
  ASSERT_EQ(dlclose(library), 0) << dlerror();
  const std::vector<std::string> detach = {
      "image io expert released", "image io shut down", "pdf parameters deleted",
      "sockets cleaned up",       "instance cleared",   "null code destroyed",
  };
  EXPECT_EQ(steps, detach);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR) << "the library left the sockets layer started";
}

}  // namespace
