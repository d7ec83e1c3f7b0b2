/* A minimal host that loads one of our libraries the way a foreign program
 * would (a scripting language's foreign-function module, a plug-in loader)
 * and leaves, to prove the library loads and unloads cleanly in any host:
 *
 *   LoadHost <library> exit     dlopen, then return from main without dlclose
 *   LoadHost <library> reopen   dlopen, dlclose, dlopen again, then return
 *
 * It exits 0 when every step succeeded; a crash in the library's start-up or
 * shut-down shows as a signal or a sanitizer report. */
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

static void* openLibrary(const char* path) {
  void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!library) fprintf(stderr, "dlopen %s: %s\n", path, dlerror());
  return library;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: %s <library> exit|reopen\n", argv[0]);
    return 2;
  }
  void* library = openLibrary(argv[1]);
  if (!library) return 1;
  if (strcmp(argv[2], "reopen") == 0) {
    if (dlclose(library) != 0) {
      fprintf(stderr, "dlclose %s: %s\n", argv[1], dlerror());
      return 1;
    }
    if (!openLibrary(argv[1])) return 1;
  }
  return 0;
}
