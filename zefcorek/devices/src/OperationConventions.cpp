// Traces and exception boxes of the device connections.
#include "OperationConventions.h"

#include "zefcorek/DebugLog.h"

#include "platform/MessageBox.h"

#include <string>

void zefcorek::devices::traceOperation(const WCHAR* className, const WCHAR* operation, const WCHAR* suffix) {
  std::u16string text(className);
  text += u"::";
  text += operation;
  text += suffix;
  (void)zefcorekLog(text.c_str(), u"ZefCoreK");
}

void zefcorek::devices::showOperationException(const WCHAR* className, const WCHAR* operation) {
  std::u16string text(u"Exception in ");
  text += className;
  text += u"::";
  text += operation;
  text += u"()";
  MessageBoxW(nullptr, text.c_str(), nullptr, MB_TASKMODAL);
}
