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

// The imaging subsystem's halves of the two steps; weak, so that the
// runtime links without it (image I/O is then unavailable). Start answers
// whether a process-wide expert is now kept, stop whether one was released.
__attribute__((weak, visibility("hidden"))) bool startImageIO();
__attribute__((weak, visibility("hidden"))) bool stopImageIO();

}  // namespace zefcorek
