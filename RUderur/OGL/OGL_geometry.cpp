// Plane and space geometry helpers. Degenerate input (zero-length edges,
// empty spans, short lists) gives a defined result rather than a division by
// zero or a read past the end.
#include "OGL_geometry.h"
#include <algorithm>
#include <cmath>

const double PI2 = 6.283185307179586;

static Point2 add(Point2 a, Point2 b) { return {a.x + b.x, a.y + b.y}; }
static Point2 sub(Point2 a, Point2 b) { return {a.x - b.x, a.y - b.y}; }
static Point2 mul(Point2 a, double k) { return {a.x * k, a.y * k}; }
static double dot(Point2 a, Point2 b) { return a.x * b.x + a.y * b.y; }
static double len(Point2 a) { return std::sqrt(dot(a, a)); }
static Point2 norm(Point2 a)
{
	const double l = len(a);
	return l > 0 ? mul(a, 1 / l) : a;
}

static Point3 add(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
static Point3 sub(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static Point3 mul(Point3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
static double dot(Point3 a, Point3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
static Point3 cross(Point3 a, Point3 b)
{
	return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
static bool is_zero(Point3 a) { return a.x == 0 && a.y == 0 && a.z == 0; }
static bool same(Point3 a, Point3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
static bool same(Point2 a, Point2 b) { return a.x == b.x && a.y == b.y; }
static double len(Point3 a) { return std::sqrt(dot(a, a)); }
static Point3 norm(Point3 a)
{
	const double l = len(a);
	return l > 0 ? mul(a, 1 / l) : a;
}
static Point3 mid(Point3 a, Point3 b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.z + b.z) / 2}; }

// Parameter of p projected on the line a (0) to b (1); 0 on a zero-length line.
static double project(Point3 p, Point3 a, Point3 b)
{
	const Point3 ab = sub(b, a);
	const double l2 = dot(ab, ab);
	return l2 > 0 ? dot(sub(p, a), ab) / l2 : 0;
}

// The point on all three planes n_i.x = d_i; false when they share no single point.
static bool three_planes(Point3 n1, double d1, Point3 n2, double d2, Point3 n3, double d3, Point3& out)
{
	const Point3 c23 = cross(n2, n3), c31 = cross(n3, n1), c12 = cross(n1, n2);
	const double den = dot(n1, c23);
	if (std::fabs(den) < 1e-12) return false;
	out = mul(add(add(mul(c23, d1), mul(c31, d2)), mul(c12, d3)), 1 / den);
	return true;
}

static double span_map(double v, double from0, double from1, double to0, double to1)
{
	// an empty source span maps everything onto the start of the target
	if (from1 == from0) return to0;
	return to0 + (v - from0) * (to1 - to0) / (from1 - from0);
}

Point2 CoordTranslator::Forward(Point2 p) const
{
	return {span_map(p.x, src_min.x, src_max.x, dst_min.x, dst_max.x),
	        span_map(p.y, src_min.y, src_max.y, dst_min.y, dst_max.y)};
}

Point2 CoordTranslator::Reverse(Point2 p) const
{
	return {span_map(p.x, dst_min.x, dst_max.x, src_min.x, src_max.x),
	        span_map(p.y, dst_min.y, dst_max.y, src_min.y, src_max.y)};
}

bool Is_CCW_Between(const Vector2& a, const Vector2& b, const Vector2& c)
{
	double ha = atan2f((float)a.y, (float)a.x);
	double hb = atan2f((float)b.y, (float)b.x);
	double hc = atan2f((float)c.y, (float)c.x);
	if (ha == hc) return true;
	if (ha <= -M_PI) ha += PI2;
	if (hb <= -M_PI) hb += PI2;
	if (hc <= -M_PI) hc += PI2;
	if (hb < ha) hb += PI2;
	if (hc < ha) hc += PI2;
	return ha < hb && hb < hc;
}

double LongerSideOfQuad(const std::vector<Point3>& q)
{
	if (q.size() < 4) return 0;	// no second cross-section to measure against
	const double A = project(q[0], q[3], q[1]);
	const double E = project(q[1], q[2], q[0]);
	if (A >= 1) return len(sub(add(q[2], mul(sub(q[0], q[2]), E)), q[0]));
	return -len(sub(add(q[3], mul(sub(q[1], q[3]), A)), q[1]));
}

void MoveSegLeft(const Segment2& s, double dist, Segment2& out)
{
	const Point2 n = mul(norm(Point2{-(s.p2.y - s.p1.y), s.p2.x - s.p1.x}), dist);
	out.p1 = add(s.p1, n);
	out.p2 = add(s.p2, n);
}

void MoveSegLeft(const Segment3& s, double dist, Segment3& out, const Vector3& up)
{
	const Point3 n = mul(norm(cross(up, sub(s.p2, s.p1))), dist);
	out.p1 = add(s.p1, n);
	out.p2 = add(s.p2, n);
}

static double fold_angle(double a)
{
	while (a <= -M_PI) a += PI2;
	while (a > M_PI) a -= PI2;
	return a;
}

// How fast one end of an edge of weight e slides along it as its neighbour of
// weight d moves in; theta is the interior angle at that end.
static double end_rate(double theta, double e, double d)
{
	const double sn = std::sin(theta), cs = std::cos(theta);
	if (std::fabs(sn) < 1e-12) return cs < 0 ? 0 : HUGE_VAL;	// straight on, or turned back
	return (cs / sn) * e + d / sn;
}

double CalcMaxInset(const Polygon2& poly, const double* weights, bool closed)
{
	const int n = (int)poly.size();
	if ((!closed && n < 2) || (closed && n == 0)) return 0;
	const int edges = closed ? n : n - 1;
	auto heading = [&](int j) {
		const Point2 d = sub(poly[(j + 1) % n], poly[j % n]);
		return std::atan2(d.y, d.x);
	};
	auto weight = [&](int j) { return weights ? weights[(j + edges) % edges] : 1.0; };
	double best = 0;
	bool have = false;
	for (int j = 0; j < edges; ++j) {
		const double e = weight(j);
		double s = 0;
		if (closed || j > 0) {
			const int prev = (j + edges - 1) % edges;
			const double theta = fold_angle(M_PI - fold_angle(heading(j) - heading(prev)));
			s += end_rate(theta, e, weight(prev));
		}
		if (closed || j < edges - 1) {
			const int next = (j + 1) % edges;
			const double theta = fold_angle(M_PI - fold_angle(heading(next) - heading(j)));
			s += end_rate(theta, e, weight(next));
		}
		if (s > 0) {
			const double cand = len(sub(poly[(j + 1) % n], poly[j])) / s;
			if (!have || cand < best) best = cand;
			have = true;
		}
	}
	return best;
}

static double dist_sq_to_line(Point2 p, Point2 a, Point2 b)
{
	const Point2 ab = sub(b, a);
	const double l2 = dot(ab, ab);
	if (l2 == 0) return dot(sub(p, a), sub(p, a));
	const double c = ab.x * (p.y - a.y) - ab.y * (p.x - a.x);
	return c * c / l2;
}

void ReducePolygon(Polygon2& poly, double max_dev_sq, double min_cos, double long_edge, double short_edge)
{
	bool removed = true;
	while (removed && poly.size() >= 3) {
		removed = false;
		for (size_t i = 0; i < poly.size() && poly.size() >= 3; ++i) {
			const size_t n = poly.size();
			const Point2 prev = poly[(i + n - 1) % n], cur = poly[i], next = poly[(i + 1) % n];
			const double l1 = len(sub(cur, prev)), l2 = len(sub(next, cur));
			bool drop = l1 < short_edge || l2 < short_edge;
			if (!drop && l1 > long_edge && l2 > long_edge)
				drop = dist_sq_to_line(cur, prev, next) < max_dev_sq &&
				       dot(norm(sub(cur, prev)), norm(sub(next, cur))) > min_cos;
			if (drop) {
				poly.erase(poly.begin() + i);
				removed = true;
			}
		}
	}
}

static bool line_meet(const Segment2& a, const Segment2& b, Point2& out)
{
	const Point2 da = sub(a.p2, a.p1), db = sub(b.p2, b.p1);
	const double den = da.x * db.y - da.y * db.x;
	if (den == 0) return false;
	const Point2 w = sub(b.p1, a.p1);
	const double t = (w.x * db.y - w.y * db.x) / den;
	out = add(a.p1, mul(da, t));
	return true;
}

// The walk both insets share: every edge moved left, then one point per
// corner (the meeting of the moved edges) or two where the outline turns back.
template <class P, class S, class Move, class Meet, class Capped>
static void inset_walk(const std::vector<P>& poly, const double* weights, double dist, bool closed,
                       std::vector<P>& out, Move move, Meet meet, Capped capped)
{
	out.clear();
	const int n = (int)poly.size();
	if (n < 2) return;
	// The closing edge of an open outline is never used: its weight is not read.
	std::vector<S> moved(n);
	for (int i = 0; i < n; ++i) {
		const bool used = closed || i < n - 1;
		move(S{poly[i], poly[(i + 1) % n]}, dist * ((weights && used) ? weights[i] : 1.0), moved[i]);
	}
	int caps = 0;
	for (int i = 0; i < n; ++i) {
		const int prev = (i + n - 1) % n;
		if (!closed && i == 0) {
			out.push_back(moved[0].p1);
		} else if (!closed && i == n - 1) {
			out.push_back(moved[prev].p2);
		} else if (!same(poly[prev], poly[(i + 1) % n])) {
			P p;
			if (meet(moved[prev], moved[i], p)) out.push_back(p);
		} else {
			S cap;
			move(S{moved[prev].p2, moved[i].p1}, dist * (weights ? weights[i] : 1.0), cap);
			out.push_back(cap.p1);
			out.push_back(cap.p2);
			capped(caps + i);
			++caps;
		}
	}
}

void InsetPolygon(const Polygon2& poly, const double* weights, double dist, bool closed, Polygon2& out,
                  void (*on_added)(int, void*), void* ref)
{
	inset_walk<Point2, Segment2>(
	    poly, weights, dist, closed, out,
	    [](const Segment2& s, double d, Segment2& o) { MoveSegLeft(s, d, o); }, line_meet,
	    [&](int i) { if (on_added) on_added(i, ref); });
}

void InsetPolygon(const Polygon3& poly, const double* weights, double dist, bool closed, const Vector3& up,
                  Polygon3& out)
{
	// where this moved edge crosses the upright plane through the previous one
	auto meet = [&](const Segment3& a, const Segment3& b, Point3& o) {
		const Point3 pn = norm(cross(sub(a.p2, a.p1), up));
		const Point3 dir = sub(b.p2, b.p1);
		const double den = dot(pn, dir);
		if (den == 0) return false;
		o = add(b.p1, mul(dir, dot(pn, sub(a.p2, b.p1)) / den));
		return true;
	};
	inset_walk<Point3, Segment3>(
	    poly, weights, dist, closed, out,
	    [&](const Segment3& s, double d, Segment3& o) { MoveSegLeft(s, d, o, up); }, meet, [](int) {});
}

void ReverseQuadStrip(std::vector<Point3>& strip)
{
	std::reverse(strip.begin(), strip.end());
}

void ExtendBoundingSphereToPt1(const Point3& p, Sphere3& s)
{
	const Point3 f = sub(s.c, mul(norm(sub(p, s.c)), std::sqrt(s.r2)));
	s.c = mid(f, p);
	const Point3 d = sub(p, s.c);
	s.r2 = dot(d, d);
}

void ExtendBoundingSphereToPt(const Point3& p, Sphere3& s)
{
	const Point3 d = sub(p, s.c);
	if (dot(d, d) > s.r2) ExtendBoundingSphereToPt1(p, s);
}

void ExtendBoundingSphereToSphere(const Sphere3& a, Sphere3& b)
{
	if (a.r2 == 0) return;
	if (b.r2 == 0) {
		b = a;
		return;
	}
	const double ra = std::sqrt(a.r2), rb = std::sqrt(b.r2);
	const double dist = len(sub(a.c, b.c));
	if (dist <= std::fabs(ra - rb)) {
		if (ra > rb) b = a;	// b lies inside a: a itself is the sphere around both
		return;
	}
	const Point3 u = norm(sub(a.c, b.c));
	const Point3 lo = sub(b.c, mul(u, rb)), hi = add(a.c, mul(u, ra));
	b.c = mid(lo, hi);
	const Point3 half = sub(hi, b.c);
	b.r2 = dot(half, half);
}

bool lesser_y_then_x_then_z(const Point3& a, const Point3& b)
{
	if (a.y != b.y) return a.y < b.y;
	if (a.x != b.x) return a.x < b.x;
	return a.z < b.z;
}

void FastBoundingSphere(const std::vector<Point3>& pts, Sphere3& s)
{
	if (pts.empty()) return;
	std::vector<Point3> v(pts);
	std::sort(v.begin(), v.end(), lesser_y_then_x_then_z);
	s.c = mid(v.front(), v.back());
	const Point3 d = sub(v.front(), s.c);
	s.r2 = dot(d, d);
	for (size_t i = 1; i + 1 < v.size(); ++i) ExtendBoundingSphereToPt(v[i], s);
}

bool PointInPolygon3(const Polygon3& poly, const Point3& p)
{
	const size_t n = poly.size();
	if (n < 3) return false;
	const Point3 pn = norm(cross(sub(poly[1], poly[0]), sub(poly[1], poly[2])));
	for (size_t i = 0; i < n; ++i) {
		const Point3& a = poly[i];
		const Point3& b = poly[(i + 1) % n];
		if (dot(norm(cross(pn, sub(b, a))), sub(p, a)) > 0) return false;
	}
	return true;
}

bool IntersectLinesAroundJunction(const Line3& a, const Line3& b, const Point3& junction, Point3& out)
{
	const Point3 c = cross(a.dir, b.dir);
	if (is_zero(c)) return false;
	const Point3 n = norm(c);
	const Point3 na = norm(cross(a.dir, n)), nb = norm(cross(b.dir, n));
	if (same(na, nb) || is_zero(cross(na, nb))) return false;
	return three_planes(na, dot(na, a.pt), nb, dot(nb, b.pt), n, dot(n, junction), out);
}

void BezierCurve(const Point3& p1, const Point3& p2, bool has_c1, bool has_c2, const Point3& c1,
                 const Point3& c2, int count, double skip_start, double skip_end, std::vector<Point3>& out)
{
	int n = has_c1 ? std::max(count, 1) : (count > 0 && has_c2) ? count : 1;
	const Point3 C1 = has_c1 ? c1 : p1;
	const Point3 C2 = has_c2 ? c2 : p2;
	const Point3 d = sub(p2, p1);
	if (n > 1 && is_zero(cross(sub(C1, p1), d)) && is_zero(cross(sub(C2, p1), d))) n = 1;
	out.clear();
	out.push_back(p1);
	for (int i = 1; i < n; ++i) {
		const float t = (float)i / (float)n, s = 1 - t;
		const double w1 = (float)(3 * s * s * t), w2 = (float)(3 * s * t * t);
		const Point3 pt = add(add(mul(p1, (double)s * s * s), mul(C1, w1)),
		                      add(mul(C2, w2), mul(p2, (double)t * t * t)));
		if (skip_start > 0 && len(sub(pt, p1)) < skip_start) continue;
		if (skip_end > 0 && len(sub(pt, p2)) < skip_end) continue;
		out.push_back(pt);
	}
	out.push_back(p2);
}

static void push_pair(std::vector<Point3>& strip, Point3 p, Point3 side, double h)
{
	strip.push_back(add(p, mul(side, h)));
	strip.push_back(sub(p, mul(side, h)));
}

void ChainToQuadStrip(const std::vector<Point3>& chain, const std::vector<Vector3>& ups,
                      const std::vector<double>& widths, std::vector<Point3>& strip)
{
	const size_t n = chain.size();
	if (n < 2) return;
	strip.clear();
	if (ups.size() < n || widths.size() < n) return;	// one up vector and width per point
	push_pair(strip, chain[0], norm(cross(sub(chain[1], chain[0]), ups[0])), widths[0] / 2);
	for (size_t i = 1; i + 1 < n; ++i) {
		const Point3& p = chain[i];
		const double h = widths[i] / 2;
		const Point3 s_in = norm(cross(sub(p, chain[i - 1]), ups[i]));
		const Point3 s_out = norm(cross(sub(chain[i + 1], p), ups[i]));
		const double cs = dot(s_in, s_out);
		// Straight on and turn-back sections are built like the ends: at half
		// the width, plus side first, so the rails never swap.
		if (cs > 0.9995) {
			push_pair(strip, p, s_in, h);
		} else if (cs < -0.9995) {
			push_pair(strip, p, s_in, h);
			push_pair(strip, p, s_out, h);
		} else {
			for (int sg = 1; sg >= -1; sg -= 2) {
				Point3 q;
				if (!three_planes(s_in, dot(s_in, p) + sg * h, s_out, dot(s_out, p) + sg * h, ups[i],
				                  dot(ups[i], p), q))
					q = add(p, mul(s_in, sg * h));
				strip.push_back(q);
			}
		}
	}
	push_pair(strip, chain[n - 1], norm(cross(sub(chain[n - 1], chain[n - 2]), ups[n - 1])), widths[n - 1] / 2);
}

// Walks one rail (first = 0 or 1) by length l: the segment where it runs out
// and the point there; false when the rail is shorter.
static bool walk_rail(const std::vector<Point3>& strip, int first, double l, size_t& seg, Point3& at)
{
	const size_t pairs = strip.size() / 2;
	double run = 0;
	for (size_t k = 0; k + 1 < pairs; ++k) {
		const Point3 a = strip[2 * k + first], b = strip[2 * k + 2 + first];
		const double sl = len(sub(b, a));
		if (run + sl >= l && sl > 0) {
			seg = k;
			at = add(a, mul(sub(b, a), (l - run) / sl));
			return true;
		}
		run += sl;
	}
	return false;
}

void RemoveFromQuadStripFront(std::vector<Point3>& strip, double dist, std::vector<Point3>& removed, bool square)
{
	removed.clear();
	if (strip.size() < 4 || !(dist > 0)) return;
	double l_even = dist, l_odd = dist;
	if (square) {
		const double e = LongerSideOfQuad(strip);
		if (e >= 0) l_even = dist + e;
		else l_odd = dist - e;
	}
	size_t seg_even, seg_odd;
	Point3 cut_even, cut_odd;
	if (!walk_rail(strip, 0, l_even, seg_even, cut_even) || !walk_rail(strip, 1, l_odd, seg_odd, cut_odd)) return;
	const size_t upto = 2 * (std::max(seg_even, seg_odd) + 1);	// cross-sections 0 .. later cut segment
	removed.assign(strip.begin(), strip.begin() + upto);
	removed.push_back(cut_even);
	removed.push_back(cut_odd);
	strip.erase(strip.begin(), strip.begin() + upto);
	if (!(strip.size() >= 2 && same(strip[0], cut_even) && same(strip[1], cut_odd))) {
		strip.insert(strip.begin(), cut_odd);
		strip.insert(strip.begin(), cut_even);
	}
}

void RemoveFromQuadStripBack(std::vector<Point3>& strip, double dist, std::vector<Point3>& removed, bool square)
{
	ReverseQuadStrip(strip);
	RemoveFromQuadStripFront(strip, dist, removed, square);
	ReverseQuadStrip(strip);
}

void ClipToHalfPlane3(const Polygon3& poly, const Plane3& plane, Polygon3& out)
{
	out.clear();
	const size_t n = poly.size();
	// Each vertex's side is taken from the vertex itself, so a vertex lying on
	// the plane cannot leave the walk on the wrong side.
	for (size_t i = 0; i < n; ++i) {
		const Point3& a = poly[i];
		const Point3& b = poly[(i + 1) % n];
		const bool a_out = dot(plane.n, a) > plane.d, b_out = dot(plane.n, b) > plane.d;
		if (!a_out) out.push_back(a);
		if (a_out == b_out) continue;
		const double den = dot(plane.n, sub(b, a));
		if (den == 0) continue;
		const double t = (plane.d - dot(plane.n, a)) / den;
		if (t < 0 || t > 1) continue;
		const Point3 x = add(a, mul(sub(b, a), t));
		if (!same(x, a) && !same(x, b)) out.push_back(x);
	}
}
