#include <gtest/gtest.h>

#include "Ombrel.h"
#include "graphics/screen_settings.h"

namespace {

Matrix44 Identity() {
  Matrix44 m;
  MakeIdentityMatrix(&m);
  return m;
}

Matrix44 Translation(float x, float y, float z) {
  Matrix44 m = Identity();
  m.m[3][0] = x;
  m.m[3][1] = y;
  m.m[3][2] = z;
  return m;
}

void ExpectMatrixNear(const Matrix44& actual, const Matrix44& expected, float tolerance = 1e-5f) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << r << "," << c;
    }
  }
}

Vector3 Apply(const Matrix44& m, float x, float y, float z) {
  Vector3 v{x, y, z};
  ApplyMatrixToVector(&v, &v, &m);
  return v;
}

TEST(MatrixMathTest, PerspectiveIsLeftHandedWithDepthZeroToOne) {
  Matrix44 m;
  ASSERT_EQ(MakePerspectiveMatrix(&m, 1.0471976f, 10.0f, 10000.0f, 0.75f), 0);
  EXPECT_NEAR(m.m[1][1], 1.7320507f, 1e-5f);
  EXPECT_NEAR(m.m[0][0], 1.299038f, 1e-5f);
  EXPECT_NEAR(m.m[2][2], 1.001001f, 1e-6f);
  EXPECT_NEAR(m.m[3][2], -10.01001f, 1e-4f);
  EXPECT_EQ(m.m[2][3], 1.0f);
  EXPECT_EQ(m.m[3][3], 0.0f);
  // A point at the near distance ends at depth 0, one at the far distance at 1.
  for (float z : {10.0f, 10000.0f}) {
    float w = z * m.m[2][3];
    EXPECT_NEAR((z * m.m[2][2] + m.m[3][2]) / w, z == 10.0f ? 0.0f : 1.0f, 1e-5f);
  }
}

TEST(MatrixMathTest, DegenerateProjectionsFailAndLeaveTheOutputAlone) {
  Matrix44 m = Translation(1, 2, 3);
  const Matrix44 before = m;
  EXPECT_EQ(MakePerspectiveMatrix(&m, 1.0f, 5.0f, 5.0f, 1.0f), -1);
  EXPECT_EQ(MakePerspectiveMatrix(&m, 0.0f, 1.0f, 100.0f, 1.0f), -1);
  EXPECT_EQ(MakeOrthoMatrix(&m, 2.0f, 3.0f, 3.00001f, 1.0f), -1);
  ExpectMatrixNear(m, before, 0.0f);
}

TEST(MatrixMathTest, NegativeAspectUsesTheScreenMode) {
  Matrix44 m;
  ASSERT_EQ(MakePerspectiveMatrix(&m, 1.5707964f, 1.0f, 2.0f, -1.0f), 0);
  EXPECT_NEAR(m.m[0][0], 0.75f, 1e-5f);  // 480 / 640 before a mode is set
  GetScreenSettings().width = 320;
  GetScreenSettings().height = 320;
  ASSERT_EQ(MakeOrthoMatrix(&m, 2.0f, 0.0f, 1.0f, -1.0f), 0);
  EXPECT_NEAR(m.m[0][0], 1.0f, 1e-6f);
  GetScreenSettings().width = 0;
  GetScreenSettings().height = 0;
}

TEST(MatrixMathTest, OrthoOfSizeTwoFromZeroToOneIsTheIdentity) {
  Matrix44 m;
  ASSERT_EQ(MakeOrthoMatrix(&m, 2.0f, 0.0f, 1.0f, 1.0f), 0);
  ExpectMatrixNear(m, Identity(), 0.0f);
  ASSERT_EQ(MakeOrthoMatrix(&m, 4.0f, 2.0f, 6.0f, 0.5f), 0);
  EXPECT_FLOAT_EQ(m.m[0][0], 0.25f);
  EXPECT_FLOAT_EQ(m.m[1][1], 0.5f);
  EXPECT_FLOAT_EQ(m.m[2][2], 0.25f);
  EXPECT_FLOAT_EQ(m.m[3][2], -0.5f);
}

TEST(MatrixMathTest, ViewportMapsClipSpaceToTheRectangleWithYDown) {
  Matrix44 m;
  ASSERT_EQ(MakeViewportMatrix(&m, 160, 120, 320, 240), 0);
  Vector3 topLeft = Apply(m, -1, 1, 0), bottomRight = Apply(m, 1, -1, 0);
  EXPECT_FLOAT_EQ(topLeft.x, 0);
  EXPECT_FLOAT_EQ(topLeft.y, 0);
  EXPECT_FLOAT_EQ(bottomRight.x, 320);
  EXPECT_FLOAT_EQ(bottomRight.y, 240);
  EXPECT_FLOAT_EQ(Apply(m, 0, 0, 0.5f).z, 0.5f);
}

TEST(MatrixMathTest, InvertMatrix) {
  const Matrix44 moved = Translation(5, 6, 7);
  Matrix44 inverse;
  ASSERT_EQ(InvertMatrix(&inverse, &moved), 0);
  ExpectMatrixNear(inverse, Translation(-5, -6, -7));

  Matrix44 tiny = Identity();
  tiny.m[0][0] = tiny.m[1][1] = tiny.m[2][2] = 0.0001f;
  Matrix44 untouched = Translation(9, 9, 9);
  EXPECT_EQ(InvertMatrix(&untouched, &tiny), -1);
  ExpectMatrixNear(untouched, Translation(9, 9, 9), 0.0f);

  // In place, and a general matrix times its inverse is the identity.
  Matrix44 a = {{{2, 1, 0, 0}, {0, 3, 1, 0}, {1, 0, 4, 0}, {5, -2, 3, 1}}};
  Matrix44 b = a;
  ASSERT_EQ(InvertMatrix(&b, &b), 0);
  Matrix44 product;
  MultiplyMatrix(&product, &a, &b);
  ExpectMatrixNear(product, Identity());
}

TEST(MatrixMathTest, MultiplyMayWriteIntoEitherOperand) {
  const Matrix44 a0 = {{{1, 2, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, 0, 0, 1}}};
  const Matrix44 b = {{{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {0, 1, 0, 1}}};
  Matrix44 expected;
  MultiplyMatrix(&expected, &a0, &b);
  EXPECT_FLOAT_EQ(expected.m[0][1], 6);
  EXPECT_FLOAT_EQ(expected.m[3][0], 6);
  EXPECT_FLOAT_EQ(expected.m[3][1], 1);
  Matrix44 a = a0;
  MultiplyMatrix(&a, &a, &b);
  ExpectMatrixNear(a, expected, 0.0f);
  Matrix44 b2 = b;
  MultiplyMatrix(&b2, &a0, &b2);
  ExpectMatrixNear(b2, expected, 0.0f);
  EXPECT_EQ(MultiplyMatrix(nullptr, &a0, &b), 0);
}

TEST(MatrixMathTest, TransposeInPlace) {
  Matrix44 m = Translation(1, 2, 3);
  TransposeMatrix(&m, &m);
  EXPECT_EQ(m.m[0][3], 1);
  EXPECT_EQ(m.m[1][3], 2);
  EXPECT_EQ(m.m[2][3], 3);
  EXPECT_EQ(m.m[3][0], 0);
}

TEST(MatrixMathTest, LookAtAlongZIsATranslation) {
  const Vector3 eye{0, 0, -10}, at{0, 0, 0}, up{0, 1, 0};
  Matrix44 m;
  ASSERT_EQ(MakeLookAtMatrix(&m, &eye, &at, &up), 0);
  ExpectMatrixNear(m, Translation(0, 0, 10));
  // Looking along +x from the origin: the target lies straight ahead on +z.
  const Vector3 eye2{1, 2, 3}, at2{11, 2, 3};
  ASSERT_EQ(MakeLookAtMatrix(&m, &eye2, &at2, &up), 0);
  Vector3 ahead = Apply(m, 11, 2, 3);
  EXPECT_NEAR(ahead.x, 0, 1e-5f);
  EXPECT_NEAR(ahead.y, 0, 1e-5f);
  EXPECT_NEAR(ahead.z, 10, 1e-5f);
}

TEST(MatrixMathTest, VectorOperations) {
  Matrix44 m = Translation(1, 2, 3);
  m.m[0][0] = 2;
  m.m[0][3] = 99;  // the w column is ignored
  Vector3 v = Apply(m, 1, 1, 1);
  EXPECT_FLOAT_EQ(v.x, 3);
  EXPECT_FLOAT_EQ(v.y, 3);
  EXPECT_FLOAT_EQ(v.z, 4);
  Vector3 unit;
  EXPECT_EQ(MakeUnitVector(&unit, 3, 0, 4), &unit);
  EXPECT_FLOAT_EQ(unit.x, 0.6f);
  EXPECT_FLOAT_EQ(unit.z, 0.8f);
  Vector3 n{0, -5, 0};
  NormalizeVector(&n, &n);
  EXPECT_FLOAT_EQ(n.y, -1);
  const Vector3 a{1, 2, 3}, b{4, -5, 6};
  EXPECT_FLOAT_EQ(DotVectors(&a, &b), 12);
}

}  // namespace
