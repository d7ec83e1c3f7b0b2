// Vertex lists for the list tests, and their vertices read back in order.
#pragma once

#include "zefcorek/V2DList.h"
#include "zefcorek/V3DList.h"

#include <initializer_list>
#include <memory>
#include <vector>

namespace vertexlists {

inline std::unique_ptr<T_V2DLIST> makeList(std::initializer_list<T_VECTOR2D> points, int closed = 0) {
  auto list = std::make_unique<T_V2DLIST>();
  for (const T_VECTOR2D& p : points) list->Add(&p);
  list->SetClosed(closed);
  return list;
}

inline std::unique_ptr<T_V3DLIST> makeList(std::initializer_list<T_VECTOR3D> points, int closed = 0) {
  auto list = std::make_unique<T_V3DLIST>();
  for (const T_VECTOR3D& p : points) list->Add(&p);
  list->SetClosed(closed);
  return list;
}

// None for no list.
inline std::vector<T_VECTOR2D> points(const T_V2DLIST* list) {
  std::vector<T_VECTOR2D> out;
  for (unsigned i = 0; list != nullptr && i < list->GetCount(); ++i) out.push_back(*list->GetVertex(i));
  return out;
}

inline std::vector<T_VECTOR3D> positions(const T_V3DLIST& list) {
  std::vector<T_VECTOR3D> out;
  for (unsigned i = 0; i < list.GetCount(); ++i) out.push_back(*list.GetVertex(i));
  return out;
}

}  // namespace vertexlists
