// Image I/O for the whole process: one provider and its expert, made when the
// library is loaded and released when it is unloaded. While either is null,
// image loading and saving report their own failures.
#pragma once

namespace zefcorek {

// Never fails: an initialisation that does not succeed leaves image I/O
// unavailable, and an exception is shown in a message box.
void initImgIOLib();
// Releases the expert, then the provider.
void shutDownImgIOLib();

}  // namespace zefcorek
