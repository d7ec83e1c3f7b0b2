// Paths for the image library, and the entry points it lacks.
#include "ImageLibrary.h"

#include "platform/Paths.h"

#include <atomic>

namespace {
std::atomic<int> paletteUpdateDepth{0};
std::atomic<zefcorek::imagelib::DibSectionHook> dibSectionHook{nullptr};
}  // namespace

std::optional<std::string> zefcorek::imagelib::nativePathOf(const WCHAR* path) {
  if (path == nullptr || path[0] == u'\0') return std::nullopt;
  return platform::nativePath(path);
}

void zefcorek::imagelib::BeginPaletteUpdate(FIBITMAP* /*bitmap*/) { ++paletteUpdateDepth; }

void zefcorek::imagelib::EndPaletteUpdate(FIBITMAP* /*bitmap*/) { --paletteUpdateDepth; }

int zefcorek::imagelib::PaletteUpdateDepth() { return paletteUpdateDepth; }

HBITMAP zefcorek::imagelib::DibSectionOf(FIBITMAP* bitmap) {
  const DibSectionHook hook = dibSectionHook;
  return hook != nullptr ? hook(bitmap) : nullptr;
}

void zefcorek::imagelib::SetDibSectionHook(DibSectionHook hook) { dibSectionHook = hook; }
