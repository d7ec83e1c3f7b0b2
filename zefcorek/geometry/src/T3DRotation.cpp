// T3DRotation: the affine matrix blocks and the view and object moves.
#include "zefcorek/T3DRotation.h"

#include "zefcorek/SSqrt.h"

#include <algorithm>
#include <cmath>

namespace {

// Axes shorter than this give no rotation.
constexpr double kShortestAxis = 1e-6;
// Up directions whose squared length is below this are gone.
constexpr double kLeastUp2 = 1e-7;

double& at(double* m, int row, int col) { return m[row * 4 + col]; }
double at(const double* m, int row, int col) { return m[row * 4 + col]; }

// m = the rotation rows r0, r1, r2 with no translation.
void setRows(double* m, const double r0[3], const double r1[3], const double r2[3]) {
  const double* rows[3] = {r0, r1, r2};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) at(m, i, j) = rows[i][j];
    at(m, i, 3) = 0.0;
  }
}

void rotationX(double* m, double t) {
  const double c = std::cos(t), s = std::sin(t);
  const double r0[3] = {1, 0, 0}, r1[3] = {0, c, -s}, r2[3] = {0, s, c};
  setRows(m, r0, r1, r2);
}
void rotationY(double* m, double t) {
  const double c = std::cos(t), s = std::sin(t);
  const double r0[3] = {c, 0, s}, r1[3] = {0, 1, 0}, r2[3] = {-s, 0, c};
  setRows(m, r0, r1, r2);
}
void rotationZ(double* m, double t) {
  const double c = std::cos(t), s = std::sin(t);
  const double r0[3] = {c, -s, 0}, r1[3] = {s, c, 0}, r2[3] = {0, 0, 1};
  setRows(m, r0, r1, r2);
}

// rotation = turn x rotation.
void turnBy(double* rotation, void (*make)(double*, double), double angle) {
  double turn[12], product[12];
  make(turn, angle);
  T3DRotation::MatrixMultiply(turn, rotation, product);
  std::copy(product, product + 12, rotation);
}

// The translation column of `translation` less d times row `row` of
// `rotation`.
void moveAlong(double* translation, const double* rotation, int row, double d) {
  for (int i = 0; i < 3; ++i) at(translation, i, 3) -= d * at(rotation, row, i);
}

// The turn by angle about (x, y, z) into m; false for an axis shorter than
// kShortestAxis.
bool axisAngle(double* m, double x, double y, double z, double angle) {
  const double length = double(SSqrt(x * x + y * y + z * z));
  if (length < kShortestAxis) return false;
  x /= length;
  y /= length;
  z /= length;
  const double c = std::cos(angle), s = std::sin(angle), t = 1 - c;
  const double r0[3] = {t * x * x + c, t * x * y - s * z, t * x * z + s * y};
  const double r1[3] = {t * x * y + s * z, t * y * y + c, t * y * z - s * x};
  const double r2[3] = {t * x * z - s * y, t * y * z + s * x, t * z * z + c};
  setRows(m, r0, r1, r2);
  return true;
}

double dot3(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// u := from - (from . f) f: the part of `from` orthogonal to the unit f.
void orthogonalPart(const double from[3], const double f[3], double u[3]) {
  const double along = dot3(from, f);
  for (int k = 0; k < 3; ++k) u[k] = from[k] - along * f[k];
}

}  // namespace

T3DRotation::T3DRotation() : upVector{0.0, 1.0, 0.0}, pi(4 * std::atan(1.0)) {
  POV(0, 0, 0, 0, 0, 0);
  SetObject(0, 0, 0, 0, 0, 0);
}

void T3DRotation::MatrixMultiply(double* a, double* b, double* c) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 4; ++j) {
      at(c, i, j) = at(a, i, 0) * at(b, 0, j) + at(a, i, 1) * at(b, 1, j) + at(a, i, 2) * at(b, 2, j);
      if (j == 3) at(c, i, j) += at(a, i, 3);
    }
  }
}

void T3DRotation::MoveFill(double* m, double x, double y, double z) {
  const double r0[3] = {1, 0, 0}, r1[3] = {0, 1, 0}, r2[3] = {0, 0, 1};
  setRows(m, r0, r1, r2);
  at(m, 0, 3) = x;
  at(m, 1, 3) = y;
  at(m, 2, 3) = z;
}

void T3DRotation::RotateFill(double* m, double ax, double ay, double az) {
  double rx[12], ry[12], rz[12], ryx[12];
  rotationX(rx, ax);
  rotationY(ry, ay);
  rotationZ(rz, az);
  MatrixMultiply(ry, rx, ryx);
  MatrixMultiply(rz, ryx, m);
}

void T3DRotation::Transform(const double* m, const tagT_POINT3D& p, tagT_POINT3D& out) {
  double r[3];
  for (int i = 0; i < 3; ++i) r[i] = at(m, i, 0) * p.x + at(m, i, 1) * p.y + at(m, i, 2) * p.z + at(m, i, 3);
  out = tagT_POINT3D{r[0], r[1], r[2]};
}

void T3DRotation::refreshView() { MatrixMultiply(viewRotation, viewTranslation, viewMatrix); }

void T3DRotation::refreshObject() {
  MatrixMultiply(objectTranslation, objectRotation, objectMatrix);
  MatrixMultiply(viewMatrix, objectMatrix, combinedMatrix);
}

void T3DRotation::POV(double x, double y, double z, double ax, double ay, double az) {
  MoveFill(viewTranslation, -x, -y, -z);
  RotateFill(viewRotation, ax, ay, az);
  refreshView();
}

void T3DRotation::Move(double x, double y, double z) {
  at(viewTranslation, 0, 3) = -x;
  at(viewTranslation, 1, 3) = -y;
  at(viewTranslation, 2, 3) = -z;
  refreshView();
}

void T3DRotation::MoveForward(double d) {
  moveAlong(viewTranslation, viewRotation, 2, d);
  refreshView();
}

void T3DRotation::MoveRight(double d) {
  moveAlong(viewTranslation, viewRotation, 0, d);
  refreshView();
}

void T3DRotation::MoveUp(double d) {
  moveAlong(viewTranslation, viewRotation, 1, d);
  refreshView();
}

void T3DRotation::Roll(double a) {
  turnBy(viewRotation, &rotationZ, -a);
  refreshView();
}

void T3DRotation::RotateRight(double a) {
  turnBy(viewRotation, &rotationY, -a);
  refreshView();
}

void T3DRotation::RotateUp(double a) {
  turnBy(viewRotation, &rotationX, a);
  refreshView();
}

void T3DRotation::AxisAngle(double x, double y, double z, double angle) {
  if (axisAngle(viewRotation, x, y, z, angle)) refreshView();
}

int T3DRotation::LookAt(double ex, double ey, double ez, double tx, double ty, double tz) {
  double f[3] = {tx - ex, ty - ey, tz - ez};
  const double length = double(SSqrt(dot3(f, f)));
  if (length < kShortestAxis) return -1;
  for (double& k : f) k /= length;
  const double plusY[3] = {0, 1, 0}, plusZ[3] = {0, 0, 1};
  double u[3];
  orthogonalPart(upVector, f, u);
  if (dot3(u, u) < kLeastUp2) orthogonalPart(plusY, f, u);
  if (dot3(u, u) < kLeastUp2) orthogonalPart(plusZ, f, u);
  if (dot3(u, u) < kLeastUp2) return -1;
  const double ulen = double(SSqrt(dot3(u, u)));
  for (double& k : u) k /= ulen;
  const double r[3] = {u[1] * f[2] - u[2] * f[1], u[2] * f[0] - u[0] * f[2], u[0] * f[1] - u[1] * f[0]};
  setRows(viewRotation, r, u, f);
  MoveFill(viewTranslation, -ex, -ey, -ez);
  refreshView();
  return 0;
}

void T3DRotation::UpVector(double x, double y, double z) {
  upVector[0] = x;
  upVector[1] = y;
  upVector[2] = z;
}

void T3DRotation::GetView(double* x, double* y, double* z, double* dx, double* dy, double* dz) const {
  *x = -at(viewTranslation, 0, 3);
  *y = -at(viewTranslation, 1, 3);
  *z = -at(viewTranslation, 2, 3);
  *dx = at(viewRotation, 2, 0);
  *dy = at(viewRotation, 2, 1);
  *dz = at(viewRotation, 2, 2);
}

void T3DRotation::SetObject(double x, double y, double z, double ax, double ay, double az) {
  MoveFill(objectTranslation, x, y, z);
  RotateFill(objectRotation, ax, ay, az);
  refreshObject();
}

void T3DRotation::MoveObject(double x, double y, double z) {
  at(objectTranslation, 0, 3) = x;
  at(objectTranslation, 1, 3) = y;
  at(objectTranslation, 2, 3) = z;
  refreshObject();
}

void T3DRotation::MoveForwardObject(double d) {
  moveAlong(objectTranslation, objectRotation, 2, d);
  refreshObject();
}

void T3DRotation::MoveRightObject(double d) {
  moveAlong(objectTranslation, objectRotation, 0, d);
  refreshObject();
}

void T3DRotation::MoveUpObject(double d) {
  moveAlong(objectTranslation, objectRotation, 1, d);
  refreshObject();
}

void T3DRotation::RollObject(double a) {
  turnBy(objectRotation, &rotationZ, -a);
  refreshObject();
}

void T3DRotation::RotateRightObject(double a) {
  turnBy(objectRotation, &rotationY, -a);
  refreshObject();
}

void T3DRotation::RotateUpObject(double a) {
  turnBy(objectRotation, &rotationX, a);
  refreshObject();
}

void T3DRotation::AxisAngleObject(double x, double y, double z, double angle) {
  if (axisAngle(objectRotation, x, y, z, angle)) refreshObject();
}
