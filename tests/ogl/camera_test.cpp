// Matrix functions and the camera against known results.
#include "matrix_math.h"
#include "xcam.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>

static void expect_matrix(const double* m, std::initializer_list<double> want, double eps = 1e-9)
{
	int i = 0;
	for (double w : want) {
		EXPECT_NEAR(m[i], w, eps) << "element " << i;
		++i;
	}
}

TEST(Matrix, OrthoAndFrustumMatchTheGlFormulas)
{
	double m[16];
	buildOrthoMatrix(m, 0, 800, 0, 600, -1, 1);
	expect_matrix(m, {2.0 / 800, 0, 0, 0, 0, 2.0 / 600, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1});
	buildFrustumMatrix(m, -1, 1, -1, 1, 1, 3);
	expect_matrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0});
	double p[16];
	buildPerspectiveMatrix(p, 90, 1, 1, 3);	// tan(45 deg) = 1: the same frustum
	for (int i = 0; i < 16; ++i) EXPECT_NEAR(p[i], m[i], 1e-12);
}

TEST(Matrix, RotationsLikeGlRotate)
{
	double m[16];
	buildRotation(m, 90, 0, 0, -1);
	EXPECT_NEAR(m[1], -1, 1e-12);
	EXPECT_NEAR(m[4], 1, 1e-12);
	EXPECT_NEAR(m[0], 0, 1e-12);
	buildRotation(m, 30, 0, 0, 0);
	expect_matrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});
	// an arbitrary axis: 120 degrees about (1,1,1) cycles the axes x -> y
	buildRotation(m, 120, 1, 1, 1);
	EXPECT_NEAR(m[0], 0, 1e-12);
	EXPECT_NEAR(m[1], 1, 1e-12);
	EXPECT_NEAR(m[2], 0, 1e-12);
}

TEST(Matrix, MultiplyInvertAndTranslate)
{
	double a[16], b[16], c[16], inv[16];
	buildRotation(a, 37, 0.2, -0.5, 1);
	applyTranslation(a, 3, -4, 5);
	EXPECT_EQ(invertMatrix(inv, a), 1);
	multMatrices(c, a, inv);
	expect_matrix(c, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, 1e-12);

	// a translation applied to identity lands in 12..14
	setIdentityMatrix(b);
	applyTranslation(b, 7, 8, 9);
	EXPECT_EQ(b[12], 7);
	EXPECT_EQ(b[13], 8);
	EXPECT_EQ(b[14], 9);

	double t[16];
	transposeMatrix(t, a);
	EXPECT_EQ(t[1], a[4]);
	addMatrices(c, b, b);
	EXPECT_EQ(c[12], 14);

	// a singular matrix: 0, destination untouched
	double s[16];
	setIdentityMatrix(s);
	s[5] = 0;
	for (double& v : inv) v = 42;
	EXPECT_EQ(invertMatrix(inv, s), 0);
	for (double v : inv) EXPECT_EQ(v, 42);
}

TEST(Matrix, LookAtPutsTheEyeAtTheOrigin)
{
	double m[16];
	buildLookAtMatrix(m, 0, 0, 5, 0, 0, 0, 0, 1, 0);
	expect_matrix(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1});
	buildLookAtMatrix(m, 10, 0, 0, 0, 0, 0, 0, 1, 0);
	// the world point (0,0,0) is 10 units in front: eye-space z -10
	EXPECT_NEAR(m[14], -10, 1e-12);
}

TEST(Matrix, PrintIdentity)
{
	double m[16];
	setIdentityMatrix(m);
	testing::internal::CaptureStdout();
	printMatrix("I", m);
	std::string out = testing::internal::GetCapturedStdout();
	EXPECT_EQ(out, "I\n [ 1.000000 0.000000 0.000000 0.000000 ]\n [ 0.000000 1.000000 0.000000 0.000000 ]\n"
	               " [ 0.000000 0.000000 1.000000 0.000000 ]\n [ 0.000000 0.000000 0.000000 1.000000 ]\n\n");
}

TEST(Camera, FrustumPlanesAndHalfCosines)
{
	xcam_class c;
	float h = 0, v = 0;
	EXPECT_EQ(c.GetFOVHalfCosines(&h, &v), 0);	// orthographic after construction
	c.SetupFrustum(-1, 1, -1, 1, 1, 100);
	const double r = std::sqrt(0.5);
	EXPECT_NEAR(c.left_plane[0], r, 1e-6);
	EXPECT_NEAR(c.left_plane[2], -r, 1e-6);
	EXPECT_NEAR(c.right_plane[0], -r, 1e-6);
	EXPECT_NEAR(c.right_plane[2], -r, 1e-6);
	EXPECT_NEAR(c.top_plane[1], -r, 1e-6);
	EXPECT_EQ(c.GetFOVHalfCosines(&h, &v), 1);
	EXPECT_NEAR(h, r, 1e-6);
	EXPECT_NEAR(v, r, 1e-6);
	EXPECT_EQ(c.near_z, -1);
	EXPECT_EQ(c.far_z, -100);
	c.SetFakeFarClippingPlane(500);
	EXPECT_EQ(c.fake_far_z, -100);
	c.SetFakeFarClippingPlane(50);
	EXPECT_EQ(c.fake_far_z, -50);
	c.ResetFakeFarClippingPlane();
	EXPECT_EQ(c.fake_far_z, -100);
}

TEST(Camera, KillClipAndKillCull)
{
	xcam_class whole, clipped, culled;
	whole.SetupFrustum(-1, 1, -1, 1, 1, 10);
	gKillClip.value = 1;
	clipped.SetupFrustum(-1, 1, -1, 1, 1, 10);
	gKillClip.value = 0;
	EXPECT_NEAR(clipped.projection[0], 10.0, 1e-5);	// 2n / (0.1 - -0.1)
	EXPECT_NEAR(clipped.left_plane[0], whole.left_plane[0], 1e-12);
	gKillCull.value = 1;
	culled.SetupFrustum(-1, 1, -1, 1, 1, 10);
	gKillCull.value = 0;
	EXPECT_EQ(culled.projection[0], whole.projection[0]);
	EXPECT_GT(std::fabs(culled.left_plane[0]), 0.99);	// the planes close in on the centre
}

TEST(Camera, FrustumBoundsOrthographicLiesInFrontOfTheEye)
{
	xcam_class c;
	c.SetupOrtho(-2, 2, -1, 1, 1, 10);
	c.Identity();
	double mn[3], mx[3];
	ASSERT_EQ(c.GetFrustumBounds(100, -5, 5, mn, mx), 1);
	EXPECT_NEAR(mn[0], -2, 1e-6);
	EXPECT_NEAR(mx[0], 2, 1e-6);
	EXPECT_NEAR(mn[2], -10, 1e-6);	// the view looks down -z
	EXPECT_NEAR(mx[2], -1, 1e-6);
	// a shorter distance cuts the far end
	ASSERT_EQ(c.GetFrustumBounds(4, -5, 5, mn, mx), 1);
	EXPECT_NEAR(mn[2], -4, 1e-6);
	// a band the volume does not reach
	EXPECT_EQ(c.GetFrustumBounds(100, 3, 5, mn, mx), 0);
}

TEST(Camera, FrustumBoundsPerspective)
{
	xcam_class c;
	c.SetupFrustum(-1, 1, -1, 1, 1, 10);
	c.Identity();
	double mn[3], mx[3];
	ASSERT_EQ(c.GetFrustumBounds(5, -100, 100, mn, mx), 1);
	EXPECT_NEAR(mn[2], -5, 1e-4);
	EXPECT_NEAR(mx[2], -1, 1e-4);
	EXPECT_NEAR(mx[0], 5, 1e-4);
	// moved up by 100: the same band no longer holds it
	c.Translate(0, -1000, 0);
	EXPECT_EQ(c.GetFrustumBounds(5, -100, 100, mn, mx), 0);
	// a singular view bounds nothing, in either mode
	for (int ortho = 0; ortho < 2; ++ortho) {
		c.ortho = ortho;
		std::fill(c.modelview, c.modelview + 16, 0.0);
		EXPECT_EQ(c.GetFrustumBounds(5, -100, 100, mn, mx), 0);
		EXPECT_EQ(mn[0], 9.9e9);
		EXPECT_EQ(mx[2], -9.9e9);
	}
}

TEST(Camera, AccumSegmentClipsToTheBand)
{
	double mn[3] = {9.9e9, 9.9e9, 9.9e9}, mx[3] = {-9.9e9, -9.9e9, -9.9e9};
	const double p[3] = {0, 0, 0}, q[3] = {10, 10, 10};
	accum_segment(20, 30, p, q, mn, mx);
	EXPECT_EQ(mn[0], 9.9e9);
	accum_segment(2, 4, q, p, mn, mx);	// either end order
	EXPECT_NEAR(mn[0], 2, 1e-6);
	EXPECT_NEAR(mx[0], 4, 1e-6);
	EXPECT_NEAR(mx[2], 4, 1e-6);
	accum_segment(7, 7, p, q, mn, mx);	// a band of no height
	EXPECT_NEAR(mx[1], 7, 1e-6);
}

TEST(Camera, LightCameraEnclosesTheViewer)
{
	xcam_class viewer, light;
	viewer.SetupOrtho(-1, 1, -1, 1, 1, 3);
	viewer.Identity();
	const double ahead[3] = {0, 0, -1};
	double n = 0, f = 0;
	light.LookAtCamera(&viewer, ahead, 10, n, f);
	EXPECT_TRUE(light.ortho);
	EXPECT_LT(n, f);
	EXPECT_EQ(light.near_z, -n);
	EXPECT_NEAR(light.ortho_right - light.ortho_left, 2, 1e-9);
	EXPECT_NEAR(n, 11, 1e-9);	// the light sits 10 behind the viewer's eye
	EXPECT_NEAR(f, 13, 1e-9);
	// a viewer whose view cannot be inverted moves the light nowhere
	const xcam_class before = light;
	std::fill(viewer.modelview, viewer.modelview + 16, 0.0);
	light.LookAtCamera(&viewer, ahead, 10, n, f);
	EXPECT_EQ(0, memcmp(before.modelview, light.modelview, sizeof light.modelview));
	EXPECT_EQ(0, memcmp(before.projection, light.projection, sizeof light.projection));
	EXPECT_EQ(n, -light.near_z);
	EXPECT_EQ(f, -light.far_z);
}

TEST(Camera, CopyFromPointer)
{
	xcam_class a;
	a.SetupFrustum(-1, 1, -1, 1, 2, 9);
	xcam_class b(&a), c(static_cast<const xcam_class*>(nullptr));
	EXPECT_EQ(b.near_z, -2);
	EXPECT_FALSE(b.ortho);
	EXPECT_TRUE(c.ortho);
}
