#include "PdfReport.h"

#include <cstdarg>
#include <cstdio>

void zefcorek::pdfReport(const char* format, ...) {
  char text[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  std::fprintf(stderr, "Error: %s\n", text);
  std::fflush(stderr);
}
