// Reports of the PDF capture: "Error: ", the text and a line end on
// standard error. They show whatever the engine's quiet setting is, which
// silences only the engine's own messages.
#pragma once

namespace zefcorek {
void pdfReport(const char* format, ...) __attribute__((format(printf, 1, 2)));
}  // namespace zefcorek
