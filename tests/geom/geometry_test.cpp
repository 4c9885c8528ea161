// Geometry helpers against results worked out by hand, and degenerate input
// that must neither divide by zero nor read past the end.
#include "OGL_geometry.h"
#include <gtest/gtest.h>
#include <cmath>

static void expect_pt(const Point3& p, double x, double y, double z)
{
	EXPECT_NEAR(p.x, x, 1e-9);
	EXPECT_NEAR(p.y, y, 1e-9);
	EXPECT_NEAR(p.z, z, 1e-9);
}
static void expect_pt(const Point2& p, double x, double y)
{
	EXPECT_NEAR(p.x, x, 1e-9);
	EXPECT_NEAR(p.y, y, 1e-9);
}
static bool finite(const Point3& p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

TEST(Geometry, AngleOrderAndCoordinateMapping)
{
	EXPECT_TRUE(Is_CCW_Between({1, 0}, {0, 1}, {-1, 0}));
	EXPECT_FALSE(Is_CCW_Between({1, 0}, {0, -1}, {-1, 0}));
	EXPECT_TRUE(Is_CCW_Between({1, 1}, {-5, 3}, {1, 1}));
	// across the negative x axis, where the heading wraps
	EXPECT_TRUE(Is_CCW_Between({-1, 1}, {-1, 0}, {-1, -1}));
	EXPECT_FALSE(Is_CCW_Between({-1, -1}, {-1, 0}, {-1, 1}));

	CoordTranslator t{{0, 0}, {10, 10}, {100, 200}, {200, 400}};
	expect_pt(t.Forward({5, 5}), 150, 300);
	expect_pt(t.Reverse({150, 300}), 5, 5);
	expect_pt(t.Forward({-10, 20}), 0, 600);
	// an empty span maps onto the other rectangle's minimum instead of dividing by zero
	CoordTranslator flat{{3, 0}, {3, 10}, {100, 200}, {100, 400}};
	expect_pt(flat.Forward({7, 5}), 100, 300);
	expect_pt(flat.Reverse({150, 300}), 3, 5);
}

TEST(Geometry, MaxInsetOfSquaresRectanglesAndDegenerateOutlines)
{
	Polygon2 sq = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
	EXPECT_NEAR(CalcMaxInset(sq, nullptr, true), 0.5, 1e-9);
	Polygon2 rect = {{0, 0}, {4, 0}, {4, 2}, {0, 2}};
	EXPECT_NEAR(CalcMaxInset(rect, nullptr, true), 1.0, 1e-9);
	const double w[4] = {2, 2, 2, 2};	// every edge moving twice as fast halves the inset
	EXPECT_NEAR(CalcMaxInset(rect, w, true), 0.5, 1e-9);
	// open: only the inner corner shrinks the edges
	Polygon2 ell = {{0, 0}, {4, 0}, {4, 2}};
	EXPECT_NEAR(CalcMaxInset(ell, nullptr, false), 2.0, 1e-9);
	EXPECT_EQ(CalcMaxInset({{0, 0}, {4, 0}}, nullptr, false), 0);
	EXPECT_EQ(CalcMaxInset({{0, 0}}, nullptr, false), 0);
	EXPECT_EQ(CalcMaxInset({}, nullptr, true), 0);
	// repeated and collinear points: a finite answer
	EXPECT_TRUE(std::isfinite(CalcMaxInset({{0, 0}, {0, 0}, {1, 0}, {2, 0}, {1, 1}}, nullptr, true)));
	EXPECT_TRUE(std::isfinite(CalcMaxInset({{1, 1}, {1, 1}, {1, 1}}, nullptr, true)));
}

TEST(Geometry, InsetMovesEdgesLeftAndCapsSpikes)
{
	Polygon2 out;
	InsetPolygon({{0, 0}, {2, 0}, {2, 2}, {0, 2}}, nullptr, 0.5, true, out, nullptr, nullptr);
	ASSERT_EQ(out.size(), 4u);
	expect_pt(out[0], 0.5, 0.5);
	expect_pt(out[1], 1.5, 0.5);
	expect_pt(out[2], 1.5, 1.5);
	expect_pt(out[3], 0.5, 1.5);

	const double w[2] = {1, 2};
	InsetPolygon({{0, 0}, {2, 0}, {2, 2}}, w, 0.5, false, out, nullptr, nullptr);
	ASSERT_EQ(out.size(), 3u);
	expect_pt(out[0], 0, 0.5);
	expect_pt(out[1], 1, 0.5);
	expect_pt(out[2], 1, 2);

	// a spike out and back gets a cap of two points, reported to the caller
	std::vector<int> added;
	auto note = [](int i, void* ref) { static_cast<std::vector<int>*>(ref)->push_back(i); };
	InsetPolygon({{0, 0}, {4, 0}, {4, 2}, {4, 0}}, nullptr, 0.5, true, out, note, &added);
	EXPECT_EQ(out.size(), 6u);
	EXPECT_EQ(added, (std::vector<int>{0, 3}));

	InsetPolygon({{1, 1}}, nullptr, 0.5, true, out, nullptr, nullptr);
	EXPECT_TRUE(out.empty());

	// 3-D, square on the ground with z up
	Polygon3 out3;
	InsetPolygon(Polygon3{{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}}, nullptr, 0.5, true, {0, 0, 1}, out3);
	ASSERT_EQ(out3.size(), 4u);
	expect_pt(out3[0], 0.5, 0.5, 0);
	expect_pt(out3[2], 1.5, 1.5, 0);

	Segment2 s;
	MoveSegLeft(Segment2{{1, 1}, {1, 1}}, 3, s);	// no direction: stays put
	expect_pt(s.p1, 1, 1);
}

TEST(Geometry, ReduceDropsShortAndStraightVertices)
{
	Polygon2 tri = {{0, 0}, {4, 0}, {0, 3}};
	ReducePolygon(tri, 0.01, 0.99, 10, 1);
	EXPECT_EQ(tri.size(), 3u);

	// a vertex in the middle of a long edge lies on the line of its neighbours
	Polygon2 sq = {{0, 0}, {5, 0}, {10, 0}, {10, 10}, {0, 10}};
	ReducePolygon(sq, 0.01, 0.99, 1, 0.1);
	ASSERT_EQ(sq.size(), 4u);
	expect_pt(sq[1], 10, 0);

	// a short edge takes a vertex of the triangle; two points end the work
	Polygon2 thin = {{0, 0}, {4, 0}, {4, 0.5}};
	ReducePolygon(thin, 0.01, 0.99, 10, 1);
	EXPECT_EQ(thin.size(), 2u);

	Polygon2 same = {{1, 1}, {1, 1}, {1, 1}, {1, 1}};
	ReducePolygon(same, 0.01, 0.99, 10, 1);
	EXPECT_EQ(same.size(), 2u);
}

TEST(Geometry, BoundingSpheresGrowToTakeInPointsAndSpheres)
{
	Sphere3 s{};
	FastBoundingSphere({{0, 0, 0}, {2, 0, 0}}, s);
	expect_pt(s.c, 1, 0, 0);
	EXPECT_NEAR(s.r2, 1, 1e-12);

	std::vector<Point3> pts = {{0, -3, 0}, {1, 1, 1}, {-2, 0, 2}, {0, 3, 0}, {3, 0, -1}};
	FastBoundingSphere(pts, s);
	for (const Point3& p : pts) {
		const double dx = p.x - s.c.x, dy = p.y - s.c.y, dz = p.z - s.c.z;
		EXPECT_LE(dx * dx + dy * dy + dz * dz, s.r2 + 1e-9);
	}
	Sphere3 untouched{{7, 7, 7}, 4};
	FastBoundingSphere({}, untouched);
	EXPECT_EQ(untouched.r2, 4);

	Sphere3 b{{0, 0, 0}, 1};
	ExtendBoundingSphereToPt({0.5, 0, 0}, b);	// inside: unchanged
	expect_pt(b.c, 0, 0, 0);
	ExtendBoundingSphereToPt({3, 0, 0}, b);
	expect_pt(b.c, 1, 0, 0);
	EXPECT_NEAR(b.r2, 4, 1e-12);

	Sphere3 a{{10, 0, 0}, 1};
	b = {{0, 0, 0}, 4};
	ExtendBoundingSphereToSphere(a, b);
	expect_pt(b.c, 4.5, 0, 0);
	EXPECT_NEAR(b.r2, 6.5 * 6.5, 1e-9);

	// the smaller sphere inside the larger: the result holds both
	Sphere3 big{{0, 0, 0}, 100}, small{{1, 0, 0}, 1};
	ExtendBoundingSphereToSphere(big, small);
	expect_pt(small.c, 0, 0, 0);
	EXPECT_EQ(small.r2, 100);
	Sphere3 inside{{1, 0, 0}, 1};
	big = {{0, 0, 0}, 100};
	ExtendBoundingSphereToSphere(inside, big);
	EXPECT_EQ(big.r2, 100);

	Sphere3 empty{{5, 5, 5}, 0};
	ExtendBoundingSphereToSphere(empty, big);
	EXPECT_EQ(big.r2, 100);
	ExtendBoundingSphereToSphere(inside, empty);
	expect_pt(empty.c, 1, 0, 0);
	EXPECT_EQ(empty.r2, 1);
}

TEST(Geometry, PointInPolygonEitherWindingAndLineJunction)
{
	Polygon3 ccw = {{0, 0, 0}, {2, 0, 0}, {2, 2, 0}, {0, 2, 0}};
	Polygon3 cw(ccw.rbegin(), ccw.rend());
	for (const Polygon3* p : {&ccw, &cw}) {
		EXPECT_TRUE(PointInPolygon3(*p, {1, 1, 0}));
		EXPECT_TRUE(PointInPolygon3(*p, {2, 1, 0}));	// on an edge
		EXPECT_FALSE(PointInPolygon3(*p, {3, 1, 0}));
		EXPECT_FALSE(PointInPolygon3(*p, {1, -0.1, 0}));
	}
	EXPECT_FALSE(PointInPolygon3({{0, 0, 0}, {1, 0, 0}}, {0, 0, 0}));

	Point3 out{};
	ASSERT_TRUE(IntersectLinesAroundJunction({{0, 0, 0}, {1, 0, 0}}, {{2, 0, 3}, {0, 1, 0}}, {7, 7, 5}, out));
	expect_pt(out, 2, 0, 5);
	EXPECT_FALSE(IntersectLinesAroundJunction({{0, 0, 0}, {1, 0, 0}}, {{0, 1, 0}, {-2, 0, 0}}, {0, 0, 0}, out));
	EXPECT_FALSE(IntersectLinesAroundJunction({{0, 0, 0}, {0, 0, 0}}, {{0, 1, 0}, {1, 0, 0}}, {0, 0, 0}, out));
}

TEST(Geometry, BezierStepsAndSkippedEnds)
{
	std::vector<Point3> out;
	BezierCurve({0, 0, 0}, {3, 0, 0}, true, true, {1, 0, 0}, {2, 0, 0}, 4, 0, 0, out);
	ASSERT_EQ(out.size(), 2u);
	expect_pt(out[1], 3, 0, 0);

	BezierCurve({0, 0, 0}, {3, 0, 0}, true, true, {1, 1, 0}, {2, 1, 0}, 4, 0, 0, out);
	ASSERT_EQ(out.size(), 5u);
	expect_pt(out[0], 0, 0, 0);
	expect_pt(out[2], 1.5, 0.75, 0);
	expect_pt(out[4], 3, 0, 0);

	// points near the ends are left out when asked
	BezierCurve({0, 0, 0}, {3, 0, 0}, true, true, {1, 1, 0}, {2, 1, 0}, 4, 1.2, 1.2, out);
	EXPECT_EQ(out.size(), 3u);
	// no first control point and no count: a straight piece
	BezierCurve({0, 0, 0}, {3, 0, 0}, false, false, {9, 9, 9}, {9, 9, 9}, 0, 0, 0, out);
	EXPECT_EQ(out.size(), 2u);
	BezierCurve({0, 0, 0}, {3, 0, 0}, true, false, {1, 2, 0}, {9, 9, 9}, -5, 0, 0, out);
	EXPECT_EQ(out.size(), 2u);
}

TEST(Geometry, ChainToQuadStripCrossSections)
{
	std::vector<Vector3> up(3, Vector3{0, 0, 1});
	std::vector<double> w(3, 2.0);
	std::vector<Point3> strip;
	ChainToQuadStrip({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}, up, w, strip);
	ASSERT_EQ(strip.size(), 6u);
	for (int k = 0; k < 3; ++k) {
		expect_pt(strip[2 * k], k, -1, 0);	// every section plus side first, half the width out
		expect_pt(strip[2 * k + 1], k, 1, 0);
	}

	// a right-angle turn gets a mitre
	ChainToQuadStrip({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}}, up, w, strip);
	ASSERT_EQ(strip.size(), 6u);
	expect_pt(strip[2], 3, -1, 0);
	expect_pt(strip[3], 1, 1, 0);
	expect_pt(strip[4], 3, 2, 0);

	// turning back: two sections at the tip
	ChainToQuadStrip({{0, 0, 0}, {2, 0, 0}, {0, 0, 0}}, up, w, strip);
	EXPECT_EQ(strip.size(), 8u);

	// too few up vectors or widths: nothing built, nothing read past the end
	ChainToQuadStrip({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}}, std::vector<Vector3>(2, Vector3{0, 0, 1}), w, strip);
	EXPECT_TRUE(strip.empty());
	ChainToQuadStrip({{0, 0, 0}, {2, 0, 0}, {2, 2, 0}}, up, std::vector<double>(1, 2.0), strip);
	EXPECT_TRUE(strip.empty());
	// repeated points give finite sections
	ChainToQuadStrip({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}}, up, w, strip);
	for (const Point3& p : strip) EXPECT_TRUE(finite(p));
}

static std::vector<Point3> ladder(int sections)
{
	std::vector<Point3> s;
	for (int k = 0; k < sections; ++k) {
		s.push_back({(double)k, 0, 0});
		s.push_back({(double)k, 1, 0});
	}
	return s;
}

TEST(Geometry, QuadStripCutsFromEitherEnd)
{
	std::vector<Point3> strip = ladder(4), removed;
	RemoveFromQuadStripFront(strip, 1.5, removed, false);
	ASSERT_EQ(removed.size(), 6u);
	expect_pt(removed[4], 1.5, 0, 0);
	expect_pt(removed[5], 1.5, 1, 0);
	ASSERT_EQ(strip.size(), 6u);
	expect_pt(strip[0], 1.5, 0, 0);
	expect_pt(strip[2], 2, 0, 0);

	// a cut on a section is not doubled in what remains
	strip = ladder(4);
	RemoveFromQuadStripFront(strip, 1.0, removed, false);
	EXPECT_EQ(removed.size(), 4u);
	ASSERT_EQ(strip.size(), 6u);
	expect_pt(strip[0], 1, 0, 0);

	strip = ladder(4);
	RemoveFromQuadStripFront(strip, 5, removed, false);	// longer than the strip
	EXPECT_TRUE(removed.empty());
	EXPECT_EQ(strip.size(), 8u);
	RemoveFromQuadStripFront(strip, 0, removed, false);
	EXPECT_EQ(strip.size(), 8u);

	strip = ladder(4);
	RemoveFromQuadStripBack(strip, 1.5, removed, false);
	ASSERT_EQ(strip.size(), 6u);
	expect_pt(strip[0], 0, 0, 0);
	expect_pt(strip[4], 1.5, 0, 0);
	expect_pt(strip[5], 1.5, 1, 0);
	expect_pt(removed[0], 3, 1, 0);	// from the back end inwards, rails swapped

	// a slanted front: the even rail reaches one unit further; a square cut evens it
	std::vector<Point3> slant = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}, {2, 1, 0}, {4, 0, 0}, {4, 1, 0}};
	EXPECT_NEAR(LongerSideOfQuad(slant), 1.0, 1e-9);
	EXPECT_NEAR(LongerSideOfQuad(std::vector<Point3>{{1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {2, 1, 0}}), -1.0, 1e-9);
	EXPECT_EQ(LongerSideOfQuad(std::vector<Point3>{{0, 0, 0}, {1, 1, 0}}), 0);
	RemoveFromQuadStripFront(slant, 0.5, removed, true);
	ASSERT_GE(slant.size(), 2u);
	expect_pt(slant[0], 1.5, 0, 0);
	expect_pt(slant[1], 1.5, 1, 0);

	std::vector<Point3> r = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
	ReverseQuadStrip(r);
	expect_pt(r[0], 3, 0, 0);
	expect_pt(r[2], 1, 0, 0);
}

TEST(Geometry, ClipToHalfPlaneKeepsTheInnerSide)
{
	const Plane3 x0{{1, 0, 0}, 0};
	Polygon3 out;
	ClipToHalfPlane3({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}}, x0, out);
	ASSERT_EQ(out.size(), 4u);
	expect_pt(out[0], -1, -1, 0);
	expect_pt(out[1], 0, -1, 0);
	expect_pt(out[2], 0, 1, 0);
	expect_pt(out[3], -1, 1, 0);

	// vertices lying on the plane do not flip the walk to the wrong side
	ClipToHalfPlane3({{0, -1, 0}, {1, 0, 0}, {0, 1, 0}, {-1, 0, 0}}, x0, out);
	ASSERT_EQ(out.size(), 3u);
	expect_pt(out[0], 0, -1, 0);
	expect_pt(out[1], 0, 1, 0);
	expect_pt(out[2], -1, 0, 0);

	ClipToHalfPlane3({{1, 0, 0}, {2, 0, 0}, {2, 1, 0}}, x0, out);
	EXPECT_TRUE(out.empty());
	ClipToHalfPlane3({{-1, 0, 0}, {-2, 0, 0}, {-2, 1, 0}}, x0, out);
	EXPECT_EQ(out.size(), 3u);
	ClipToHalfPlane3({}, x0, out);
	EXPECT_TRUE(out.empty());
}
