// The clip rectangle and its stack.
#include "DrawableSurface.h"

#include <algorithm>
#include <utility>

HRESULT Pictrel::IDrawableDSImp::GetClipRect(tagT_IRECT2D* out) {
  if (!out) return E_INVALIDARG;
  *out = state_.clip();
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::SetClipRect(const tagT_IRECT2D* rect) {
  if (!rect) {
    state_.clip() = {0, 0, GetWidth() - 1, GetHeight() - 1};
    return S_OK;
  }
  tagT_IRECT2D clip = *rect;
  if (clip.right < clip.left) std::swap(clip.left, clip.right);
  if (clip.bottom < clip.top) std::swap(clip.top, clip.bottom);
  state_.clip() = clip;
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::PushClipRect(const tagT_IRECT2D* rect) {
  if (!rect) return E_INVALIDARG;
  const tagT_IRECT2D current = state_.clip();
  if (rect->left > current.right || rect->right < current.left || rect->top > current.bottom ||
      rect->bottom < current.top)
    return S_FALSE;
  state_.clipStack.push_back(current);
  state_.clip() = {std::max(current.left, rect->left), std::max(current.top, rect->top),
                   std::min(current.right, rect->right), std::min(current.bottom, rect->bottom)};
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::PopClipRect() {
  if (state_.clipStack.empty()) return S_OK;
  state_.clip() = state_.clipStack.back();
  state_.clipStack.pop_back();
  return S_OK;
}
