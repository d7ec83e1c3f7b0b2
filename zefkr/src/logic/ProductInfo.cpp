// The product title and the old-system test.
#include "zefkr/ProductInfo.h"

#include "zefkr/Language.h"

#include "platform/SystemVersion.h"

#include <string>

CLWideStr KRProductTitle() {
  CLWideStr title;
  title.AssignSz(std::u16string(zefkr::kApplicationName).c_str());
  return title;
}

bool KRIsPreVistaWindows() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExW(&info)) return false;
  return info.dwMajorVersion < 6;
}
