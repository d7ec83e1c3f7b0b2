// Surfaces as small text pictures, one character per pixel and one line per
// row, so that a failed drawing test shows what was drawn.
#pragma once

#include "pictrel/Pictrel.h"

#include <string>

namespace pictrel::testing {

// '#' where the pixel has colour `ink`, 'o' where it has `other`, '.' where
// it has `paper`, '?' anywhere else.
inline std::string pictureOf(Pictrel::IDrawableDS* surface, COLORREF ink, COLORREF paper,
                             COLORREF other = 0xFFFFFFFFu) {
  std::string picture;
  for (int y = 0; y < surface->GetHeight(); ++y) {
    for (int x = 0; x < surface->GetWidth(); ++x) {
      COLORREF color = 0;
      surface->GetPixel(x, y, &color);
      picture += color == ink ? '#' : color == other ? 'o' : color == paper ? '.' : '?';
    }
    picture += '\n';
  }
  return picture;
}

// Joins picture rows given one per argument.
template <typename... Rows>
std::string rows(Rows... lines) {
  return ((std::string(lines) + "\n") + ...);
}

}  // namespace pictrel::testing
