// T3DRotation: a 3-D viewer (the eye) and one object in the scene, each a
// translation and a rotation, composed into the matrices that map object
// coordinates to view coordinates.
//
// Every matrix is affine 3 x 4: twelve doubles, three rows of four, row by
// row; column 3 is the translation and the missing row is (0, 0, 0, 1). A
// point p maps to M p. The rows of the view rotation are the view's right,
// up and viewing directions.
//
// The view matrix (rotation x translation) is refreshed by every view
// member, the object matrix (translation x rotation) and the combined
// matrix (view x object) by every object member and the constructor only: a
// member that changes only the view leaves the combined matrix as it was
// until the next object member. The fields are public; clients hand the
// matrix they want to Transform. Angles are radians.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

class ZEF_EXPORT T3DRotation {
public:
  double upVector[3];            // what LookAt takes as up; (0, 1, 0) at first
  double viewTranslation[12];    // the identity moved by minus the eye
  double viewRotation[12];       // rows: right, up, viewing direction
  double viewMatrix[12];         // viewRotation x viewTranslation
  double objectTranslation[12];  // the identity moved to the object's place
  double objectRotation[12];     // the object's rotation
  double objectMatrix[12];       // objectTranslation x objectRotation
  double combinedMatrix[12];     // viewMatrix x objectMatrix, as of the last object member
  double pi;                     // 4 atan(1)

  // Every matrix the identity, the up vector (0, 1, 0).
  T3DRotation();

  // c = a b as affine matrices; c must be a third array.
  static void MatrixMultiply(double* a, double* b, double* c);
  // m = the identity with the translation (x, y, z).
  static void MoveFill(double* m, double x, double y, double z);
  // m = Rz(az) Ry(ay) Rx(ax): about x first, then y, then z; no translation.
  static void RotateFill(double* m, double ax, double ay, double az);
  // out = m p.
  static void Transform(const double* m, const tagT_POINT3D& p, tagT_POINT3D& out);

  // The view. Place the eye at (x, y, z) turned by the three angles.
  void POV(double x, double y, double z, double ax, double ay, double az);
  // The eye to (x, y, z).
  void Move(double x, double y, double z);
  // The eye by d along the viewing direction, the right or the up axis.
  void MoveForward(double d);
  void MoveRight(double d);
  void MoveUp(double d);
  void Roll(double a);
  void RotateRight(double a);
  void RotateUp(double a);
  // The view rotation becomes the turn by angle about (x, y, z); an axis
  // shorter than 1e-6 changes nothing.
  void AxisAngle(double x, double y, double z, double angle);
  // The eye at e looking at t, up as near the up vector as may be (else
  // +y, else +z): 0; -1, nothing changed, when e and t (nearly) coincide or
  // no up direction is left.
  int LookAt(double ex, double ey, double ez, double tx, double ty, double tz);
  // Stores the up vector for LookAt; no matrix changes.
  void UpVector(double x, double y, double z);
  // The eye and the viewing direction; no pointer may be null.
  void GetView(double* x, double* y, double* z, double* dx, double* dy, double* dz) const;

  // The object.
  void SetObject(double x, double y, double z, double ax, double ay, double az);
  void MoveObject(double x, double y, double z);
  void MoveForwardObject(double d);
  void MoveRightObject(double d);
  void MoveUpObject(double d);
  void RollObject(double a);
  void RotateRightObject(double a);
  void RotateUpObject(double a);
  void AxisAngleObject(double x, double y, double z, double angle);

private:
  void refreshView();
  void refreshObject();
};
