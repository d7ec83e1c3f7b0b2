// Start-up and shut-down of the process-wide image I/O provider and expert.
// The provider and expert belong to the imaging subsystem, above the
// runtime: it supplies the two steps, which stay null in a build without it.
#include "ImgIOLib.h"

#include "StartupTrace.h"

#include "zefcorek/StdInterface.h"

#include "platform/CodePage.h"
#include "platform/MessageBox.h"

#include <exception>
#include <string>

namespace {

// A failure here must not stop the library from loading: it is shown and
// image I/O stays unavailable.
void showException(const char16_t* where, const std::exception& error) {
  const std::u16string text = std::u16string(where) + u"\n\nException: " + platform::ansiToWideLenient(error.what());
  MessageBoxW(nullptr, text.c_str(), nullptr, MB_OK);
}

}  // namespace

void zefcorek::initImgIOLib() {
  try {
    if (startImageIO && startImageIO()) traceStartupStep("image io expert kept");
  } catch (const std::exception& error) {
    showException(u"[ZEFCOREK.DLL::InitImgIOLib()]", error);
  }
}

void zefcorek::shutDownImgIOLib() {
  try {
    if (stopImageIO && stopImageIO()) traceStartupStep("image io expert released");
  } catch (const std::exception& error) {
    showException(u"[ZEFCOREK.DLL::ShutDownImgIOLib()]", error);
  }
}
