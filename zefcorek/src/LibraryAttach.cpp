// What happens when libzefcorek.so is loaded into a process and unloaded.
//
// The loader runs an ELF constructor of the library; it plays the part of the
// attach notification. Loading:
//   0. construct the static null code (before anything else of the library),
//   1. remember the module instance handle,
//   2. initialise the robust predicates (they must be ready before any
//      other code of the library runs),
//   3. create the PDF engine's parameters, quiet,
//   4. initialise image I/O,
//   5. start the sockets layer (the platform only counts it).
// Unloading undoes it: image I/O, PDF parameters, sockets, instance handle,
// and last the null code.
//
// The detach is not an ELF destructor: at process exit the loader runs those
// only after every exit handler, and by then the PDF engine's and the image
// library's static objects are gone, so deleting the engine's parameters
// crashed any host that loads the library and exits without unloading it.
// Instead the attach ends by registering the detach as an exit handler of
// this library. Handlers run in reverse order of registration, so it runs
// before the static objects of the libraries we load (registered while they
// were loaded, before our attach) are destroyed, both at exit and when the
// library is unloaded (the loader then runs this library's handlers first).
#include "zefcorek/LibraryState.h"
#include "zefcorek/Predicates.h"
#include "zefcorek/ZefStdCode.h"

#include "ImgIOLib.h"
#include "PdfEngineParams.h"
#include "StartupTrace.h"

#include "../predicates/src/PredicatesInit.h"

#include "platform/Resources.h"
#include "platform/WinSock.h"

#include <new>

extern "C" int __cxa_atexit(void (*handler)(void*), void* argument, void* dsoHandle);
extern "C" void* __dso_handle;

namespace {

// The reasons the attach routine is called for.
constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

HINSTANCE moduleInstance_ = nullptr;  // set while the library is attached

// Storage of the static null code. It is constructed and destroyed
// explicitly, so that it exists exactly from before attach to after detach.
alignas(CodesDB::TZefStdCode) unsigned char nullCodeStorage[sizeof(CodesDB::TZefStdCode)];

CodesDB::TZefStdCode* nullCode() { return std::launder(reinterpret_cast<CodesDB::TZefStdCode*>(nullCodeStorage)); }

// The library's module handle: the platform's handle of the module that
// holds this code.
HINSTANCE thisModule() { return platform::moduleHandleOf(reinterpret_cast<const void*>(&thisModule)); }

void processAttach(HINSTANCE module) {
  moduleInstance_ = module;
  zefcorek::traceStartupStep("instance");
  predicates_init();
  zefcorek::traceStartupStep("predicates");
  zefcorek::createPdfEngineParams();
  zefcorek::traceStartupStep("pdf parameters");
  zefcorek::initImgIOLib();
  zefcorek::traceStartupStep("image io");
  // The device connections rely on the sockets layer being started and never
  // start it themselves.
  WSADATA socketsData;
  WSAStartup(MAKEWORD(2, 2), &socketsData);
  zefcorek::traceStartupStep("sockets");
}

void processDetach() {
  zefcorek::shutDownImgIOLib();
  zefcorek::traceStartupStep("image io shut down");
  zefcorek::deletePdfEngineParams();
  zefcorek::traceStartupStep("pdf parameters deleted");
  WSACleanup();
  zefcorek::traceStartupStep("sockets cleaned up");
  moduleInstance_ = nullptr;
  zefcorek::traceStartupStep("instance cleared");
}

// The attach and detach routine; true whatever happens.
BOOL LibraryAttach(HINSTANCE module, DWORD reason, void* /*reserved*/) {
  switch (reason) {
    case DLL_PROCESS_ATTACH: processAttach(module); break;
    case DLL_PROCESS_DETACH: processDetach(); break;
    case DLL_THREAD_ATTACH:
    case DLL_THREAD_DETACH: break;
  }
  return TRUE;
}

void onLibraryUnload(void* /*unused*/) {
  LibraryAttach(moduleInstance_, DLL_PROCESS_DETACH, nullptr);
  nullCode()->~TZefStdCode();
  zefcorek::traceStartupStep("null code destroyed");
}

__attribute__((constructor)) void onLibraryLoad() {
  new (nullCodeStorage) CodesDB::TZefStdCode();
  zefcorek::traceStartupStep("null code constructed");
  LibraryAttach(thisModule(), DLL_PROCESS_ATTACH, nullptr);
  // Registered last, after everything the attach made the other libraries
  // build, so that all of it is still whole when the detach runs.
  __cxa_atexit(onLibraryUnload, nullptr, &__dso_handle);
}

}  // namespace

HINSTANCE zefcorek::moduleInstance() { return moduleInstance_; }

const CodesDB::TZefStdCode* CodesDB::cdbGetNullCode() { return nullCode(); }
