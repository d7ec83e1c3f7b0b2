// The PDF engine's parameters live in one global object of the engine; this
// file is the only one that sees the engine's headers for it.
#include "PdfEngineParams.h"

#include <GlobalParams.h>

#include <memory>

void zefcorek::createPdfEngineParams() {
  // No custom data folder: the engine's own defaults, as from an empty
  // configuration file.
  globalParams = std::make_unique<GlobalParams>();
  // Library users see failures through our results, not on standard error.
  globalParams->setErrQuiet(true);
}

void zefcorek::deletePdfEngineParams() { globalParams.reset(); }
