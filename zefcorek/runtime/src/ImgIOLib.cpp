// Start-up and shut-down of the process-wide image I/O provider and expert.
#include "ImgIOLib.h"

#include "zefcorek/StdInterface.h"

#include "platform/CodePage.h"
#include "platform/MessageBox.h"

#include <exception>
#include <string>

namespace {

// Both null until an initialisation succeeds; the expert is the one the PDF
// capture and the raster images load through.
IStdInterface* imgIOProvider = nullptr;
IStdInterface* imgIOExpert = nullptr;

// A failure here must not stop the library from loading: it is shown and
// image I/O stays unavailable.
void showException(const char16_t* where, const std::exception& error) {
  const std::u16string text =
      std::u16string(where) + u"\n\nException: " + platform::ansiToWideLenient(error.what());
  MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK);
}

void releaseAndClear(IStdInterface*& object) {
  if (object != nullptr)
    object->Release();
  object = nullptr;
}

}  // namespace

void zefcorek::initImgIOLib() {
  try {
    // The image I/O provider is not part of this build. Image I/O is left
    // unavailable exactly as after a provider that failed to initialise:
    // provider and expert null.
    imgIOProvider = nullptr;
    imgIOExpert = nullptr;
  } catch (const std::exception& error) {
    showException(u"[ZEFCOREK.DLL::InitImgIOLib()]", error);
  }
}

void zefcorek::shutDownImgIOLib() {
  try {
    releaseAndClear(imgIOExpert);
    releaseAndClear(imgIOProvider);
  } catch (const std::exception& error) {
    showException(u"[ZEFCOREK.DLL::ShutDownImgIOLib()]", error);
  }
}
