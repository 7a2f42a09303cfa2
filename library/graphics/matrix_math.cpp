#include <cmath>

#include "Ombrel.h"
#include "graphics/screen_settings.h"

namespace {

constexpr double kDegenerateRange = 0.0001;

void SetZero(Matrix44* out) {
  for (auto& row : out->m) {
    for (float& v : row) v = 0.0f;
  }
}

// Height over width of the current screen mode, for callers that pass a
// negative aspect.
float ScreenAspect() {
  int width, height;
  GetScreenModeSize(&width, &height);
  return static_cast<float>(height) / static_cast<float>(width);
}

// The determinant of the 3 x 3 matrix left when row `skipRow` and column
// `skipColumn` are removed.
double Minor(const double (&a)[4][4], int skipRow, int skipColumn) {
  double m[3][3];
  for (int r = 0, i = 0; r < 4; ++r) {
    if (r == skipRow) continue;
    for (int c = 0, j = 0; c < 4; ++c) {
      if (c == skipColumn) continue;
      m[i][j++] = a[r][c];
    }
    ++i;
  }
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

Vector3 Cross(const Vector3& a, const Vector3& b) {
  return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

int MakeIdentityMatrix(Matrix44* out) {
  SetZero(out);
  for (int i = 0; i < 4; ++i) out->m[i][i] = 1.0f;
  return 0;
}

int MultiplyMatrix(Matrix44* out, const Matrix44* a, const Matrix44* b) {
  Matrix44 product;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      double sum = 0.0;
      for (int k = 0; k < 4; ++k) sum += static_cast<double>(a->m[r][k]) * b->m[k][c];
      product.m[r][c] = static_cast<float>(sum);
    }
  }
  if (out) *out = product;
  return 0;
}

int TransposeMatrix(Matrix44* out, const Matrix44* m) {
  Matrix44 t;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) t.m[r][c] = m->m[c][r];
  }
  *out = t;
  return 0;
}

int InvertMatrix(Matrix44* out, const Matrix44* m) {
  double a[4][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) a[r][c] = m->m[r][c];
  }
  double cofactor[4][4];
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) cofactor[r][c] = ((r + c) % 2 ? -1.0 : 1.0) * Minor(a, r, c);
  }
  double determinant = 0.0;
  for (int c = 0; c < 4; ++c) determinant += a[0][c] * cofactor[0][c];
  float rounded = static_cast<float>(determinant);
  if (rounded > -1e-7f && rounded < 1e-7f) return -1;
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out->m[r][c] = static_cast<float>(cofactor[c][r] / rounded);
  }
  return 0;
}

int MakePerspectiveMatrix(Matrix44* out, float fieldOfView, float nearZ, float farZ,
                          float aspect) {
  if (aspect < 0.0f) aspect = ScreenAspect();
  double s = std::sin(fieldOfView / 2.0);
  double c = std::cos(fieldOfView / 2.0);
  if (std::fabs(static_cast<double>(farZ) - nearZ) < kDegenerateRange ||
      std::fabs(s) < kDegenerateRange) {
    return -1;
  }
  double cot = c / s;
  double depth = static_cast<double>(farZ) - nearZ;
  SetZero(out);
  out->m[0][0] = static_cast<float>(aspect * cot);
  out->m[1][1] = static_cast<float>(cot);
  out->m[2][2] = static_cast<float>(farZ / depth);
  out->m[2][3] = 1.0f;
  out->m[3][2] = static_cast<float>(-static_cast<double>(nearZ) * farZ / depth);
  return 0;
}

int MakeOrthoMatrix(Matrix44* out, float size, float nearZ, float farZ, float aspect) {
  if (aspect < 0.0f) aspect = ScreenAspect();
  if (std::fabs(static_cast<double>(nearZ) - farZ) < kDegenerateRange) return -1;
  SetZero(out);
  out->m[0][0] = static_cast<float>(2.0 * aspect / size);
  out->m[1][1] = static_cast<float>(2.0 / size);
  out->m[2][2] = static_cast<float>(1.0 / (static_cast<double>(farZ) - nearZ));
  out->m[3][2] = static_cast<float>(nearZ / (static_cast<double>(nearZ) - farZ));
  out->m[3][3] = 1.0f;
  return 0;
}

int MakeViewportMatrix(Matrix44* out, float centerX, float centerY, float width, float height) {
  SetZero(out);
  out->m[0][0] = width * 0.5f;
  out->m[1][1] = -height * 0.5f;
  out->m[2][2] = 1.0f;
  out->m[3][3] = 1.0f;
  out->m[3][0] = centerX;
  out->m[3][1] = centerY;
  return 0;
}

int MakeLookAtMatrix(Matrix44* out, const Vector3* eye, const Vector3* at, const Vector3* up) {
  Vector3 zAxis{at->x - eye->x, at->y - eye->y, at->z - eye->z};
  Vector3 xAxis = Cross(*up, zAxis);
  Vector3 yAxis = Cross(zAxis, xAxis);
  NormalizeVector(&xAxis, &xAxis);
  NormalizeVector(&yAxis, &yAxis);
  NormalizeVector(&zAxis, &zAxis);
  const Vector3* axes[3] = {&xAxis, &yAxis, &zAxis};
  for (int c = 0; c < 3; ++c) {
    out->m[0][c] = axes[c]->x;
    out->m[1][c] = axes[c]->y;
    out->m[2][c] = axes[c]->z;
    out->m[3][c] = -DotVectors(axes[c], eye);
  }
  out->m[0][3] = 0.0f;
  out->m[1][3] = 0.0f;
  out->m[2][3] = 0.0f;
  out->m[3][3] = 1.0f;
  return 0;
}

int ApplyMatrixToVector(Vector3* dest, const Vector3* source, const Matrix44* m) {
  const double x = source->x, y = source->y, z = source->z;
  Vector3 result;
  result.x = static_cast<float>(x * m->m[0][0] + y * m->m[1][0] + z * m->m[2][0] + m->m[3][0]);
  result.y = static_cast<float>(x * m->m[0][1] + y * m->m[1][1] + z * m->m[2][1] + m->m[3][1]);
  result.z = static_cast<float>(x * m->m[0][2] + y * m->m[1][2] + z * m->m[2][2] + m->m[3][2]);
  *dest = result;
  return 0;
}

int NormalizeVector(Vector3* dest, const Vector3* source) {
  MakeUnitVector(dest, source->x, source->y, source->z);
  return 0;
}

Vector3* MakeUnitVector(Vector3* out, float x, float y, float z) {
  double length = std::sqrt(static_cast<double>(x) * x + static_cast<double>(y) * y +
                            static_cast<double>(z) * z);
  out->x = static_cast<float>(x / length);
  out->y = static_cast<float>(y / length);
  out->z = static_cast<float>(z / length);
  return out;
}

float DotVectors(const Vector3* a, const Vector3* b) {
  return static_cast<float>(static_cast<double>(a->x) * b->x + static_cast<double>(a->y) * b->y +
                            static_cast<double>(a->z) * b->z);
}
