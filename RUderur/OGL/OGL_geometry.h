#ifndef OGL_GEOMETRY_H
#define OGL_GEOMETRY_H
// Plane and space geometry on small value types, double precision, no GL.
// A quad strip is a list of Point3 in pairs: point 2k and 2k + 1 are the two
// sides of cross-section k (even points one rail, odd points the other).
#include <vector>

extern const double PI2;

struct Point2 { double x, y; };
struct Point3 { double x, y, z; };
typedef Point2 Vector2;
typedef Point3 Vector3;

struct Segment2 { Point2 p1, p2; };
struct Segment3 { Point3 p1, p2; };
typedef std::vector<Point2> Polygon2;	// the last point connects back to the first
typedef std::vector<Point3> Polygon3;
struct Line3 { Point3 pt; Vector3 dir; };
struct Plane3 { Vector3 n; double d; };	// n.p = d
struct Sphere3 { Point3 c; double r2; };	// centre, radius squared

struct CoordTranslator {
	Point2 src_min, src_max, dst_min, dst_max;
	Point2 Forward(Point2 p) const;
	Point2 Reverse(Point2 p) const;
};

// Going counter-clockwise from a, b comes strictly before c.
bool   Is_CCW_Between(const Vector2& a, const Vector2& b, const Vector2& c);
// Signed overhang of the first cross-section: > 0 when the even rail reaches further.
double LongerSideOfQuad(const std::vector<Point3>& q);
void   MoveSegLeft(const Segment2& s, double dist, Segment2& out);
void   MoveSegLeft(const Segment3& s, double dist, Segment3& out, const Vector3& up);
double CalcMaxInset(const Polygon2& poly, const double* weights, bool closed);
void   ReducePolygon(Polygon2& poly, double max_dev_sq, double min_cos, double long_edge, double short_edge);
void   InsetPolygon(const Polygon2& poly, const double* weights, double dist, bool closed, Polygon2& out,
                    void (*on_added)(int, void*), void* ref);
void   InsetPolygon(const Polygon3& poly, const double* weights, double dist, bool closed, const Vector3& up,
                    Polygon3& out);
void   ReverseQuadStrip(std::vector<Point3>& strip);
void   ExtendBoundingSphereToPt1(const Point3& p, Sphere3& s);
void   ExtendBoundingSphereToPt(const Point3& p, Sphere3& s);
void   ExtendBoundingSphereToSphere(const Sphere3& a, Sphere3& b);
bool   lesser_y_then_x_then_z(const Point3& a, const Point3& b);
void   FastBoundingSphere(const std::vector<Point3>& pts, Sphere3& s);
bool   PointInPolygon3(const Polygon3& poly, const Point3& p);
bool   IntersectLinesAroundJunction(const Line3& a, const Line3& b, const Point3& junction, Point3& out);
void   BezierCurve(const Point3& p1, const Point3& p2, bool has_c1, bool has_c2, const Point3& c1,
                   const Point3& c2, int count, double skip_start, double skip_end, std::vector<Point3>& out);
void   ChainToQuadStrip(const std::vector<Point3>& chain, const std::vector<Vector3>& ups,
                        const std::vector<double>& widths, std::vector<Point3>& strip);
void   RemoveFromQuadStripFront(std::vector<Point3>& strip, double dist, std::vector<Point3>& removed, bool square);
void   RemoveFromQuadStripBack(std::vector<Point3>& strip, double dist, std::vector<Point3>& removed, bool square);
void   ClipToHalfPlane3(const Polygon3& poly, const Plane3& plane, Polygon3& out);

#endif
