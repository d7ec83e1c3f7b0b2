// The PDF engine's process-wide parameters. The engine reads them for every
// document; the library creates them when it is loaded and deletes them when
// it is unloaded.
#pragma once

namespace zefcorek {

// Creates the parameters with no configuration file and quiet error output.
void createPdfEngineParams();
void deletePdfEngineParams();

}  // namespace zefcorek
