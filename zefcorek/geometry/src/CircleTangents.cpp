// The common tangents of two circles.
//
// Every tangent is found as a point it passes through and its direction.
// Tangents of circles of different radii pass through a centre of
// similitude, the point on the line of centres from which both circles look
// alike: the external one (outer tangents) lies beyond the smaller circle,
// the internal one (inner tangents) between the centres. Seen from such a
// point P at c1 + t*d, a tangent makes with d the angle whose cosine gives
// u.d = sqrt(|d|^2 - r1^2/t^2) for its unit direction u; the farther circle
// is used to keep that difference well conditioned. Circles of equal radii
// have no external centre: their outer tangents are the centre line moved
// sideways by the radius, their inner tangents pass through the midpoint.
//
// Each candidate is then classified by where the two centres lie against
// it, and the records are ordered: outer first, the right-hand one first.
#include "zefcorek/CircleTangents.h"

#include "zefcorek/ExtendedReal.h"

#include <cmath>
#include <utility>

namespace {

// A radius below this counts as this: a point is a tiny circle.
constexpr double kMinRadius = 1e-5;
// Radii closer than this are equal: the external centre is at infinity.
constexpr long double kEqualRadii = 1e-6;
// The second point of a candidate's line lies this far along its direction.
constexpr long double kDirectionLength = 100.0L;

struct Vec {
  ExtendedReal x;
  ExtendedReal y;
};

// A candidate tangent: the line through `at` with direction `dir`, made only
// when `made`.
struct Candidate {
  Vec at{0.0L, 0.0L};
  Vec dir{0.0L, 0.0L};
  bool made = false;
};

// The two unit vectors u with u.v = k: the unit circle cut by a line. The
// quadratic is solved for the coordinate along which v is shorter, and the
// other follows from the line. The magnitude under the root gives vectors
// also when |k| > |v|.
void unitVectorsWithDot(const Vec& v, ExtendedReal k, Vec& out1, Vec& out2) {
  using Coordinate = ExtendedReal Vec::*;
  const bool longerAlongX = std::fabs(v.x) >= std::fabs(v.y);
  const Coordinate solved = longerAlongX ? &Vec::y : &Vec::x;
  const Coordinate other = longerAlongX ? &Vec::x : &Vec::y;
  const ExtendedReal a = v.x * v.x + v.y * v.y;
  const ExtendedReal b = -2.0L * k * (v.*solved);
  const ExtendedReal c = k * k - (v.*other) * (v.*other);
  const ExtendedReal s = std::sqrt(std::fabs(b * b - 4.0L * a * c));
  out1.*solved = (-b - s) / (2.0L * a);
  out1.*other = (k - (v.*solved) * (out1.*solved)) / (v.*other);
  out2.*solved = (-b + s) / (2.0L * a);
  out2.*other = (k - (v.*solved) * (out2.*solved)) / (v.*other);
}

void clear(T_TANGENT2D& t) {
  t.kind = T_TANGENT2D::kNone;
  t.line = T_LINE2D();
  t.pt1 = {0.0, 0.0};
  t.pt2 = {0.0, 0.0};
}

// Candidates 0 and 1 through the external centre, 2 and 3 through the
// internal one.
void similitudeCandidates(const T_POINT2D& c1, const Vec& d, ExtendedReal dist2, ExtendedReal r1, ExtendedReal r2,
                          Candidate* cand) {
  const ExtendedReal r1sq = r1 * r1;
  const ExtendedReal diff = r2 * r2 - r1sq;
  const ExtendedReal s = std::sqrt(std::fabs(4.0L * r1sq * r1sq + 4.0L * r1sq * diff));
  const ExtendedReal roots[2] = {(-2.0L * r1sq - s) / (2.0L * diff), (-2.0L * r1sq + s) / (2.0L * diff)};
  for (int j = 0; j < 2; ++j) {
    const ExtendedReal t = roots[j];
    const ExtendedReal k = t < 0.5L ? std::sqrt(std::fabs(dist2 - r2 * r2 / ((1.0L - t) * (1.0L - t))))
                                    : std::sqrt(std::fabs(dist2 - r1sq / (t * t)));
    const Vec at{c1.x + t * d.x, c1.y + t * d.y};
    Candidate& first = cand[2 * j];
    Candidate& second = cand[2 * j + 1];
    unitVectorsWithDot(d, k, first.dir, second.dir);
    first.at = second.at = at;
    first.made = second.made = true;
  }
}

void equalRadiiCandidates(const T_POINT2D& c1, const T_POINT2D& c2, const Vec& d, ExtendedReal dist2, ExtendedReal r,
                          bool overlap, Candidate* cand) {
  const Vec mid{(ExtendedReal(c1.x) + c2.x) / 2.0L, (ExtendedReal(c1.y) + c2.y) / 2.0L};
  if (!overlap) {
    const ExtendedReal k = std::sqrt(std::fabs(dist2 - 4.0L * r * r));
    unitVectorsWithDot(d, k, cand[0].dir, cand[1].dir);
    cand[0].at = cand[1].at = mid;
    cand[0].made = cand[1].made = true;
  }
  const ExtendedReal dist = std::sqrt(dist2);
  const Vec u{d.x / dist, d.y / dist};
  cand[2] = {{mid.x + r * u.y, mid.y - r * u.x}, u, true};
  cand[3] = {{mid.x - r * u.y, mid.y + r * u.x}, u, true};
}

void makeRecord(const Candidate& cand, const T_POINT2D& c1, const T_POINT2D& c2, T_TANGENT2D& out) {
  Vec dir = cand.dir;
  if (std::sqrt(dir.x * dir.x + dir.y * dir.y) < kDirectionLength) {
    dir.x *= kDirectionLength;
    dir.y *= kDirectionLength;
  }
  const T_POINT2D a{double(cand.at.x), double(cand.at.y)};
  const T_POINT2D b{double(cand.at.x + dir.x), double(cand.at.y + dir.y)};
  (void)out.line.From2P(a, b);
  out.pt1 = c1;
  out.pt2 = c2;
  (void)out.line.ProjectPoint(out.pt1, T_LINE2D::kPerpendicular);
  (void)out.line.ProjectPoint(out.pt2, T_LINE2D::kPerpendicular);
  out.kind = T_TANGENT2D::kOuter;
}

// Outer when both centres lie on one side of the line through the tangent
// points. The inner tangent of two circles that touch from outside has both
// tangent points at the touching point, so there the record's own line
// decides.
int32_t classify(const T_TANGENT2D& t, const T_POINT2D& c1, const T_POINT2D& c2) {
  T_LINE2D through;
  if (!through.From2P(t.pt1, t.pt2)) through = t.line;
  return through.PointPos(c1) == through.PointPos(c2) ? T_TANGENT2D::kOuter : T_TANGENT2D::kInner;
}

}  // namespace

int Calc2CircleTangents(const T_POINT2D* c1, double r1, const T_POINT2D* c2, double r2, T_TANGENT2D* out) {
  r1 = std::fmax(std::fabs(r1), kMinRadius);
  r2 = std::fmax(std::fabs(r2), kMinRadius);
  for (int i = 0; i < 4; ++i) clear(out[i]);

  const Vec d{ExtendedReal(c2->x) - c1->x, ExtendedReal(c2->y) - c1->y};
  const ExtendedReal dist2 = d.x * d.x + d.y * d.y;
  const ExtendedReal dist = std::sqrt(std::fabs(dist2));
  if (r1 <= r2 && dist + r1 <= r2) return kFirstCircleInside;
  if (r1 > r2 && dist + r2 <= r1) return kSecondCircleInside;
  const bool overlap = dist2 < (ExtendedReal(r1) + r2) * (ExtendedReal(r1) + r2);

  Candidate cand[4];
  if (std::fabs(ExtendedReal(r2) - r1) < kEqualRadii)
    equalRadiiCandidates(*c1, *c2, d, dist2, r1, overlap, cand);
  else
    similitudeCandidates(*c1, d, dist2, r1, r2, cand);
  for (int i = 0; i < 4; ++i) {
    if (!cand[i].made) continue;
    makeRecord(cand[i], *c1, *c2, out[i]);
    out[i].kind = classify(out[i], *c1, *c2);
  }

  // The outer tangents first ...
  for (int i = 0; i < 2; ++i) {
    if (out[i].kind == T_TANGENT2D::kOuter) continue;
    for (int j = i + 1; j < 4; ++j) {
      if (out[j].kind != T_TANGENT2D::kOuter) continue;
      std::swap(out[i], out[j]);
      break;
    }
  }
  // ... the one on the right of the direction c1 -> c2 first.
  T_LINE2D centres;
  (void)centres.From2P(*c1, *c2);
  const T_POINT2D mid{(out[0].pt1.x + out[0].pt2.x) / 2.0, (out[0].pt1.y + out[0].pt2.y) / 2.0};
  if (centres.PointPos(mid) >= 0) std::swap(out[0], out[1]);

  if (!overlap) return 4;
  // Through the internal centre of overlapping circles there is no tangent:
  // those candidates are no answer.
  clear(out[2]);
  clear(out[3]);
  return 2;
}
