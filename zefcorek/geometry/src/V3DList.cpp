// T_V3DLIST: storage, limits cache and editing of the 3-D vertex list.
//
// The vertices sit in a record list from the factory. Members that take an
// index go through the record list's cursor, so stepping through the indices
// in order costs one link per access; members that visit every vertex walk
// the nodes from the head.
#include "zefcorek/V3DList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

namespace {

// The zero vector handed out as the limits of an empty list.
const T_VECTOR3D& zeroVector() {
  static const T_VECTOR3D zero;
  return zero;
}

T_V3DVERTEX newVertex(const T_VECTOR3D& v) {
  T_V3DVERTEX vertex{};
  static_cast<T_VECTOR3D&>(vertex) = v;
  vertex.ID = T_V3DLIST::kNoID;
  return vertex;
}

// The record list with the vertex record size, or null.
IRecList* makeVertexStorage() {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0) != S_OK || out == nullptr)
    return nullptr;
  auto* list = static_cast<IRecList*>(out);
  if (list->SetOption(0, sizeof(T_V3DVERTEX)) != ZR_OK) {
    list->Release();
    return nullptr;
  }
  return list;
}

// The 3-D distance of two positions, formed in extended precision.
long double distance(const T_VECTOR3D& a, const T_VECTOR3D& b) {
  const ExtendedReal dx = ExtendedReal(a.x) - b.x;
  const ExtendedReal dy = ExtendedReal(a.y) - b.y;
  const ExtendedReal dz = ExtendedReal(a.z) - b.z;
  return SSqrt(double(dx * dx + dy * dy + dz * dz));
}

}  // namespace

T_V3DLIST::T_V3DLIST() = default;

T_V3DLIST::~T_V3DLIST() { Clear(); }

void T_V3DLIST::Clear() {
  if (vertices_ != nullptr) {
    vertices_->Release();
    vertices_ = nullptr;
  }
  flags_ = 0;
  min_ = T_VECTOR3D();
  max_ = T_VECTOR3D();
}

unsigned T_V3DLIST::GetCount() const {
  unsigned n = 0;
  if (vertices_ != nullptr)
    vertices_->GetCount(&n);
  return n;
}

void T_V3DLIST::SetClosed(int closed) {
  flags_ = uint8_t((flags_ & ~kClosed) | (closed & kClosed));
}

int T_V3DLIST::IsClosed() const { return (flags_ & kClosed) != 0 ? 1 : 0; }

T_V3DVERTEX* T_V3DLIST::GetVertex(unsigned i) const {
  if (vertices_ == nullptr)
    return nullptr;
  void* record = nullptr;
  if (vertices_->GetRecordPtrAt(i, &record) != ZR_OK)
    return nullptr;
  return static_cast<T_V3DVERTEX*>(record);
}

void T_V3DLIST::SetVertex(unsigned i, const T_VECTOR3D* v) {
  T_V3DVERTEX* vertex = GetVertex(i);
  if (vertex == nullptr || v == nullptr)
    return;
  static_cast<T_VECTOR3D&>(*vertex) = *v;
  flags_ &= uint8_t(~kLimitsValid);
}

bool T_V3DLIST::ensureStorage() {
  if (vertices_ != nullptr)
    return true;
  vertices_ = makeVertexStorage();
  return vertices_ != nullptr;
}

void T_V3DLIST::setLimitsTo(const T_VECTOR3D& v) {
  min_ = v;
  max_ = v;
  flags_ |= kLimitsValid;
}

// A coordinate below the minimum replaces it; otherwise one above the
// maximum replaces that.
void T_V3DLIST::extendLimits(const T_VECTOR3D& v) {
  const auto extend = [](double value, double& low, double& high) {
    if (value < low)
      low = value;
    else if (value > high)
      high = value;
  };
  extend(v.x, min_.x, max_.x);
  extend(v.y, min_.y, max_.y);
  extend(v.z, min_.z, max_.z);
}

// The vertex is appended before the limits change, so a vertex that cannot
// be stored leaves the list exactly as it was.
unsigned T_V3DLIST::Add(const T_VECTOR3D* v) {
  if (v == nullptr)
    return kNoIndex;
  const bool first = vertices_ == nullptr;
  if (!ensureStorage())
    return kNoIndex;
  const T_V3DVERTEX vertex = newVertex(*v);
  if (vertices_->AddTail(&vertex, nullptr) != ZR_OK) {
    if (first)
      Clear();
    return kNoIndex;
  }
  if (first)
    setLimitsTo(*v);
  else if ((flags_ & kLimitsValid) != 0)
    extendLimits(*v);
  return GetCount() - 1;
}

unsigned T_V3DLIST::Add(double x, double y, double z) {
  const T_VECTOR3D v(x, y, z);
  return Add(&v);
}

unsigned T_V3DLIST::Add(T_V3DLIST* other) {
  if (other == nullptr)
    return 0;
  const unsigned n = other->GetCount();
  unsigned added = 0;
  for (unsigned i = 0; i < n; ++i) {
    const T_VECTOR3D v = *other->GetVertex(i);
    if (Add(&v) == kNoIndex)
      break;
    ++added;
  }
  return added;
}

void T_V3DLIST::DeleteAt(unsigned i) {
  if (vertices_ == nullptr || i >= GetCount())
    return;
  vertices_->RemoveAt(i, 1, false);
  flags_ &= uint8_t(~kLimitsValid);
}

unsigned T_V3DLIST::DeleteByProx(const T_VECTOR3D* p, double tol) {
  if (vertices_ == nullptr || p == nullptr)
    return 0;
  unsigned removed = 0;
  IRecList::Node* node = nullptr;
  vertices_->GetHead(&node);
  while (node != nullptr) {
    IRecList::Node* next = nullptr;
    vertices_->GetNextNode(node, &next);
    void* record = nullptr;
    vertices_->GetNodeRecordPtr(node, &record);
    if (distance(*static_cast<T_V3DVERTEX*>(record), *p) <= tol) {
      vertices_->RemoveNode(node, false);
      ++removed;
    }
    node = next;
  }
  if (removed != 0)
    flags_ &= uint8_t(~kLimitsValid);
  return removed;
}

unsigned T_V3DLIST::RemoveDupedPts(int consecutive, double tol) {
  unsigned count = GetCount();
  if (count < 2)
    return 0;
  unsigned removed = 0;
  const auto tooClose = [&](unsigned i, unsigned j) {
    return distance(*GetVertex(i), *GetVertex(j)) < tol;
  };
  if (consecutive == 0) {
    for (unsigned i = 0; i < count; ++i) {
      for (unsigned j = i + 1; j < count;) {
        if (!tooClose(i, j)) {
          ++j;
          continue;
        }
        vertices_->RemoveAt(j, 1, false);
        --count;
        ++removed;
      }
    }
    return removed;
  }
  // A closed list also compares its last vertex with the first; a single
  // vertex left is never compared with itself.
  const bool closed = IsClosed() != 0;
  for (unsigned i = 0; i < count && count > 1;) {
    const unsigned j = i + 1 < count ? i + 1 : (closed ? 0 : count);
    if (j == count)
      break;
    if (!tooClose(i, j)) {
      ++i;
      continue;
    }
    // i stays: the next vertex moves up to j. After the first vertex has
    // gone, i is the count and the walk ends.
    vertices_->RemoveAt(j, 1, false);
    --count;
    ++removed;
  }
  return removed;
}

void T_V3DLIST::Swap(unsigned i, unsigned j) {
  const unsigned n = GetCount();
  if (i >= n || j >= n)
    return;
  vertices_->SwapAt(i, j);
}

void T_V3DLIST::InvertOrder() {
  if (vertices_ != nullptr)
    vertices_->Reverse();
}

void T_V3DLIST::Sort(CompareFunc compare, void* context) {
  if (compare == nullptr || GetCount() < 2)
    return;
  struct Call {
    CompareFunc compare;
    void* context;
  } call{compare, context};
  vertices_->Sort(
      [](const void* a, const void* b, void* c) -> int32_t {
        const auto* call = static_cast<const Call*>(c);
        return call->compare(static_cast<const T_V3DVERTEX*>(a),
                             static_cast<const T_V3DVERTEX*>(b), call->context);
      },
      &call);
}

template <class Visit>
void T_V3DLIST::forEachVertex(Visit visit) const {
  if (vertices_ == nullptr)
    return;
  IRecList::Node* node = nullptr;
  for (vertices_->GetHead(&node); node != nullptr; vertices_->GetNextNode(node, &node)) {
    void* record = nullptr;
    vertices_->GetNodeRecordPtr(node, &record);
    visit(*static_cast<T_V3DVERTEX*>(record));
  }
}

bool T_V3DLIST::UpdateLimits() {
  if ((flags_ & kLimitsValid) != 0)
    return true;
  bool first = true;
  forEachVertex([&](const T_V3DVERTEX& vertex) {
    if (first)
      setLimitsTo(vertex);
    else
      extendLimits(vertex);
    first = false;
  });
  return (flags_ & kLimitsValid) != 0;
}

bool T_V3DLIST::GetLimits(T_VECTOR3D* min, T_VECTOR3D* max) {
  const bool valid = UpdateLimits();
  if (min != nullptr)
    *min = valid ? min_ : zeroVector();
  if (max != nullptr)
    *max = valid ? max_ : zeroVector();
  return valid;
}

void T_V3DLIST::OffsetBy(double dx, double dy, double dz) {
  const T_VECTOR3D delta(dx, dy, dz);
  forEachVertex([&](T_V3DVERTEX& vertex) { vertex += delta; });
  if ((flags_ & kLimitsValid) == 0)
    return;
  min_ += delta;
  max_ += delta;
}

// A negative factor mirrors the list through the origin, which turns the
// cached minimum into the maximum: the corners are swapped so that the
// minimum stays below the maximum.
void T_V3DLIST::ScaleBy(double f) {
  forEachVertex([&](T_V3DVERTEX& vertex) { vertex *= f; });
  if ((flags_ & kLimitsValid) == 0)
    return;
  min_ *= f;
  max_ *= f;
  if (f < 0.0)
    std::swap(min_, max_);
}

void T_V3DLIST::ChangeFlags(unsigned i, unsigned flags) {
  if (T_V3DVERTEX* vertex = GetVertex(i))
    vertex->flags = flags;
}

unsigned T_V3DLIST::GetFlags(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->flags : 0;
}

void T_V3DLIST::ChangeID(unsigned i, unsigned id) {
  if (T_V3DVERTEX* vertex = GetVertex(i))
    vertex->ID = id;
}

unsigned T_V3DLIST::GetID(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->ID : kNoID;
}

unsigned T_V3DLIST::FindID(unsigned id) const {
  unsigned index = 0;
  unsigned found = kNoIndex;
  forEachVertex([&](const T_V3DVERTEX& vertex) {
    if (found == kNoIndex && vertex.ID == id)
      found = index;
    ++index;
  });
  return found;
}

void T_V3DLIST::AutoIDs() {
  unsigned id = 0;
  forEachVertex([&](T_V3DVERTEX& vertex) { vertex.ID = id++; });
}

void* T_V3DLIST::GetAppLink1(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->appLink1 : nullptr;
}

bool T_V3DLIST::SetAppLink1(unsigned i, void* link) {
  T_V3DVERTEX* vertex = GetVertex(i);
  if (vertex == nullptr)
    return false;
  vertex->appLink1 = link;
  return true;
}

void* T_V3DLIST::GetAppLink2(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->appLink2 : nullptr;
}

bool T_V3DLIST::SetAppLink2(unsigned i, void* link) {
  T_V3DVERTEX* vertex = GetVertex(i);
  if (vertex == nullptr)
    return false;
  vertex->appLink2 = link;
  return true;
}

double T_V3DLIST::GetVtxZ2(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->Z2 : 0.0;
}

bool T_V3DLIST::SetVtxZ2(unsigned i, double z2) {
  T_V3DVERTEX* vertex = GetVertex(i);
  if (vertex == nullptr)
    return false;
  vertex->Z2 = z2;
  return true;
}

void* T_V3DLIST::GetPtrTag(unsigned i) const { return i < kTagCount ? tags_[i] : nullptr; }

bool T_V3DLIST::SetPtrTag(unsigned i, void* tag) {
  if (i >= kTagCount)
    return false;
  tags_[i] = tag;
  return true;
}

// Assigning a list to itself would clear it before the copy: it is left
// alone. A copy that cannot be completed leaves the list empty rather than
// holding part of src.
void T_V3DLIST::Assign(const T_V3DLIST* src) {
  if (src == this)
    return;
  Clear();
  if (src == nullptr)
    return;
  std::copy(std::begin(src->tags_), std::end(src->tags_), std::begin(tags_));
  if (src->vertices_ == nullptr)
    return;
  if (!ensureStorage())
    return;
  if (vertices_->CopyFrom(src->vertices_) != ZR_OK) {
    Clear();
    return;
  }
  flags_ = src->flags_;
  min_ = src->min_;
  max_ = src->max_;
}

T_V3DLIST* T_V3DLIST::Clone() const {
  auto* copy = new (std::nothrow) T_V3DLIST();
  if (copy != nullptr)
    copy->Assign(this);
  return copy;
}
