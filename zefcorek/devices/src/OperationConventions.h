// The trace and exception conventions the connection classes and their
// socket reader and writer share.
//
// Traces: "<Class>::<Op>() - In" and "- Out" to the debug log with the
// source "ZefCoreK". Exceptions: a task-modal message box without owner and
// with the default caption, "Exception in <Class>::<Op>()"; the exception
// goes no further and the operation returns what it held.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

namespace zefcorek::devices {

ZEF_EXPORT void traceOperation(const WCHAR* className, const WCHAR* operation, const WCHAR* suffix);
ZEF_EXPORT void showOperationException(const WCHAR* className, const WCHAR* operation);

template <class Body>
void guardOperation(const WCHAR* className, const WCHAR* operation, Body&& body) {
  try {
    body();
  } catch (...) {
    showOperationException(className, operation);
  }
}

// The entry trace now and the exit trace when the scope ends.
class OperationTrace {
public:
  OperationTrace(const WCHAR* className, const WCHAR* operation) : className_(className), operation_(operation) {
    traceOperation(className_, operation_, u"() - In");
  }
  ~OperationTrace() { traceOperation(className_, operation_, u"() - Out"); }
  OperationTrace(const OperationTrace&) = delete;
  OperationTrace& operator=(const OperationTrace&) = delete;

private:
  const WCHAR* className_;
  const WCHAR* operation_;
};

}  // namespace zefcorek::devices
