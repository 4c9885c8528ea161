#include "xcam.h"
#include "matrix_math.h"
#include "MACIBM_mnw.h"
#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstring>

UTL_stat gKillCull("perf/kill_cull", stat_debug_flag, 0);
UTL_stat gKillClip("perf/kill_clip", stat_debug_flag, 0);
UTL_stat gExtraNear("shadow/extra_near", stat_debug_flag, 0);
xcam_class xcam;

xcam_class::xcam_class()
{
	memset((void*)this, 0, sizeof(*this));
	setIdentityMatrix(projection);
	setIdentityMatrix(modelview);
	ortho = changed = fetch_modelview = true;
}

xcam_class::xcam_class(const xcam_class* o) : xcam_class()
{
	if (o) *this = *o;
}

void xcam_class::SetupOrtho(double l, double r, double b, double t, double n, double f)
{
	buildOrthoMatrix(projection, l, r, b, t, n, f);
	ortho = true;
	ortho_top = t; ortho_left = l; ortho_right = r; ortho_bottom = b;
	near_z = -n;
	far_z = fake_far_z = -f;
	changed = true;
}

static void normalize3(double* v)
{
	double len = sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
	if (len > 0) { v[0] /= len; v[1] /= len; v[2] /= len; }
}

static void cross3(double* out, const double* a, const double* b)
{
	out[0] = a[1] * b[2] - a[2] * b[1];
	out[1] = a[2] * b[0] - a[0] * b[2];
	out[2] = a[0] * b[1] - a[1] * b[0];
}

static float clampf(float v, float a, float b)
{
	float lo = std::min(a, b), hi = std::max(a, b);
	return v < lo ? lo : v > hi ? hi : v;
}

void xcam_class::SetupFrustum(double l, double r, double b, double t, double n, double f)
{
	ortho = false;
	float sl = clampf((float)(l + 0.45 * (r - l)), (float)l, (float)r);
	float sr = clampf((float)(l + 0.55 * (r - l)), (float)l, (float)r);
	float sb = clampf((float)(b + 0.45 * (t - b)), (float)b, (float)t);
	float st = clampf((float)(b + 0.55 * (t - b)), (float)b, (float)t);
	if (gKillClip.value != 0) buildFrustumMatrix(projection, sl, sr, sb, st, n, f);
	else buildFrustumMatrix(projection, l, r, b, t, n, f);

	double cl = l, cr = r, cb = b, ct = t;
	if (gKillCull.value != 0) { cl = sl; cr = sr; cb = sb; ct = st; }
	double tl[3] = {cl, ct, -n}, tr[3] = {cr, ct, -n}, bl[3] = {cl, cb, -n}, br[3] = {cr, cb, -n};
	normalize3(tl); normalize3(tr); normalize3(bl); normalize3(br);
	cross3(top_plane, tl, tr);     normalize3(top_plane);
	cross3(right_plane, tr, br);   normalize3(right_plane);
	cross3(bottom_plane, br, bl);  normalize3(bottom_plane);
	cross3(left_plane, bl, tl);    normalize3(left_plane);
	near_z = -n;
	far_z = fake_far_z = -f;
	changed = true;
}

void xcam_class::SetupPerspective(double fovy, double aspect, double n, double f)
{
	double h = tan(M_PI * fovy / 360.0) * n;
	SetupFrustum(-h * aspect, h * aspect, -h, h, n, f);
}

void xcam_class::SetFakeFarClippingPlane(double distance)
{
	fake_far_z = std::max((double)(float)-distance, (double)(float)far_z);
}

void xcam_class::ResetFakeFarClippingPlane() { fake_far_z = far_z; }

void xcam_class::Identity() { setIdentityMatrix(modelview); changed = true; }

void xcam_class::LookAtPtFromPt(double ex, double ey, double ez, double tx, double ty, double tz,
                                double ux, double uy, double uz)
{
	buildLookAtMatrix(modelview, ex, ey, ez, tx, ty, tz, ux, uy, uz);
	changed = true;
}

void xcam_class::LookAtPtFromDir(double x, double y, double z, double heading, double pitch, double distance)
{
	double ex = x + distance * cos(pitch) * cos(heading);
	double ey = y + distance * sin(pitch);
	double ez = z + distance * cos(pitch) * sin(heading);
	LookAtPtFromPt(ex, ey, ez, x, y, z, 0, 1, 0);
}

void xcam_class::Translate(double x, double y, double z) { applyTranslation(modelview, x, y, z); changed = true; }
void xcam_class::Rotate(double angle, double x, double y, double z) { applyRotation(modelview, angle, x, y, z); changed = true; }

// The transposed modelview applied to (vx, vy, vz, 1).
static void transposed_apply(const double* m, double vx, double vy, double vz, double* out)
{
	for (int i = 0; i < 3; ++i) out[i] = m[4 * i] * vx + m[4 * i + 1] * vy + m[4 * i + 2] * vz + m[4 * i + 3];
	normalize3(out);
}

void xcam_class::CalcUp(double* out3)
{
	if (fetch_modelview) {
		fetch_modelview = false;
		changed = true;
		glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
	}
	transposed_apply(modelview, 0, 1, 0, out3);
}

void xcam_class::CalcDirection(double* out3)
{
	if (fetch_modelview) {
		fetch_modelview = false;
		changed = true;
		glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
	}
	transposed_apply(modelview, 0, 0, -1, out3);
}

void xcam_class::CalcRight(double* out3)
{
	double d[3], u[3];
	CalcDirection(d);
	CalcUp(u);
	cross3(out3, d, u);
}

static void to_float3(float* out, const double* v) { out[0] = (float)v[0]; out[1] = (float)v[1]; out[2] = (float)v[2]; }

void xcam_class::CalcBillboardGround(float* right3, float* up3)
{
	double d[3], y[3] = {0, 1, 0}, r[3], u[3];
	CalcDirection(d);
	cross3(r, d, y); normalize3(r);
	cross3(u, r, d); normalize3(u);
	to_float3(right3, r);
	to_float3(up3, u);
}

void xcam_class::CalcBillboardCamera(float* right3, float* up3)
{
	double d[3], u[3], r[3];
	CalcDirection(d);
	CalcUp(u);
	cross3(r, d, u); normalize3(r);
	to_float3(right3, r);
	to_float3(up3, u);
}

int xcam_class::GetFOVHalfCosines(float* horizontal, float* vertical)
{
	if (ortho) return 0;
	if (horizontal) *horizontal = (float)((left_plane[0] - right_plane[0]) / 2);
	if (vertical) *vertical = (float)((bottom_plane[1] - top_plane[1]) / 2);
	return 1;
}

static void mat_apply4(const double* m, const double* v, double* out)
{
	for (int r = 0; r < 4; ++r) out[r] = m[r] * v[0] + m[4 + r] * v[1] + m[8 + r] * v[2] + m[12 + r] * v[3];
}

void xcam_class::mtr_to_pix(const double* world3, double* out2)
{
	double w[4] = {world3[0], world3[1], world3[2], 1}, eye[4], clip[4];
	mat_apply4(modelview, w, eye);
	mat_apply4(projection, eye, clip);
	if (clip[3] != 0) { clip[0] /= clip[3]; clip[1] /= clip[3]; }
	GLfloat vp[4] = {0, 0, 0, 0};
	glGetFloatv(GL_VIEWPORT, vp);
	float s = mnw.pix_scale != 0 ? mnw.pix_scale : 1.0f;
	out2[0] = ((clip[0] + 1) * 0.5 * vp[2] + vp[0] - mnw.origin_x) / s;
	out2[1] = ((clip[1] + 1) * 0.5 * vp[3] + vp[1] - mnw.origin_y) / s;
}

static void box_add(const double* p, double* mn, double* mx)
{
	for (int i = 0; i < 3; ++i) { mn[i] = std::min(mn[i], p[i]); mx[i] = std::max(mx[i], p[i]); }
}

// The point of pq at height y, single precision, kept between the ends.
static void point_at(const double* p, const double* q, double y, double* out)
{
	if ((float)p[1] == (float)q[1]) {
		for (int i = 0; i < 3; ++i) out[i] = (p[i] + q[i]) * 0.5;
		return;
	}
	float t = (float)((y - p[1]) / (q[1] - p[1]));
	out[0] = clampf((float)(p[0] + (q[0] - p[0]) * t), (float)p[0], (float)q[0]);
	out[1] = y;
	out[2] = clampf((float)(p[2] + (q[2] - p[2]) * t), (float)p[2], (float)q[2]);
}

void accum_segment(double y_low, double y_high, const double* p, const double* q, double* mn, double* mx)
{
	if (p[1] > q[1]) std::swap(p, q);
	double pt[3];
	if (p[1] == q[1]) {
		if (y_low <= p[1] && p[1] <= y_high) { box_add(p, mn, mx); box_add(q, mn, mx); }
		return;
	}
	if (y_low == y_high) {
		if (p[1] <= y_low && y_low <= q[1]) { point_at(p, q, y_low, pt); box_add(pt, mn, mx); }
		return;
	}
	if (y_low <= p[1] && p[1] <= y_high) box_add(p, mn, mx);
	if (y_low <= q[1] && q[1] <= y_high) box_add(q, mn, mx);
	if (p[1] < y_low && y_low < q[1]) { point_at(p, q, y_low, pt); box_add(pt, mn, mx); }
	if (p[1] < y_high && y_high < q[1]) { point_at(p, q, y_high, pt); box_add(pt, mn, mx); }
}

int xcam_class::GetFrustumBounds(double max_distance, double y_low, double y_high, double* mn, double* mx)
{
	for (int k = 0; k < 3; ++k) { mn[k] = 9.9e9; mx[k] = -9.9e9; }
	// a singular matrix leaves its inverse unwritten: there is no volume to bound
	double inv_mv[16], inv_p[16];
	if (!invertMatrix(inv_mv, modelview) || (!ortho && !invertMatrix(inv_p, projection))) return 0;
	const double eff_far = std::max(far_z, -max_distance);
	double c[8][4];
	// corner order: top-left-near, top-left-far, top-right-near, ... bottom-right-far
	const int xs[8] = {-1, -1, 1, 1, -1, -1, 1, 1};
	const int ys[8] = {1, 1, 1, 1, -1, -1, -1, -1};
	const int zs[8] = {-1, 1, -1, 1, -1, 1, -1, 1};
	if (!ortho) {
		for (int i = 0; i < 8; ++i) {
			double ndc[4] = {(double)xs[i], (double)ys[i], (double)zs[i], 1};
			mat_apply4(inv_p, ndc, c[i]);
			for (int k = 0; k < 3; ++k) c[i][k] /= c[i][3];
			c[i][3] = 1;
			if (c[i][2] < eff_far) {
				float f = (float)(eff_far / c[i][2]);
				for (int k = 0; k < 3; ++k) c[i][k] *= f;
			}
		}
	} else {
		// eye-space z, the same sign as the perspective branch
		for (int i = 0; i < 8; ++i) {
			c[i][0] = xs[i] < 0 ? ortho_left : ortho_right;
			c[i][1] = ys[i] > 0 ? ortho_top : ortho_bottom;
			c[i][2] = zs[i] < 0 ? near_z : eff_far;
			c[i][3] = 1;
		}
	}
	double wc[8][3];
	for (int i = 0; i < 8; ++i) {
		double o[4];
		mat_apply4(inv_mv, c[i], o);
		if (!ortho && o[3] != 0) for (int k = 0; k < 3; ++k) o[k] /= o[3];
		for (int k = 0; k < 3; ++k) wc[i][k] = o[k];
	}
	static const int edges[12][2] = {
		{0, 1}, {2, 3}, {4, 5}, {6, 7},		// near to far
		{0, 2}, {2, 6}, {6, 4}, {4, 0},		// near face
		{1, 3}, {3, 7}, {7, 5}, {5, 1}};	// far face
	for (const auto& e : edges) accum_segment(y_low, y_high, wc[e[0]], wc[e[1]], mn, mx);
	return mx[0] >= mn[0];
}

void xcam_class::LookAtCamera(xcam_class* viewer, const double* light_dir, double distance, double& near_out, double& far_out)
{
	double inv_p[16], inv_mv[16];
	// a viewer with a singular matrix has no volume to fit: this camera stays as it is
	if (!invertMatrix(inv_p, viewer->projection) || !invertMatrix(inv_mv, viewer->modelview)) {
		near_out = -near_z;
		far_out = -far_z;
		return;
	}
	double origin[4] = {0, 0, 0, 1}, eye[4];
	mat_apply4(inv_mv, origin, eye);
	buildLookAtMatrix(modelview, eye[0] - distance * light_dir[0], eye[1] - distance * light_dir[1],
	                  eye[2] - distance * light_dir[2], eye[0], eye[1], eye[2], 0, 1, 0);
	changed = true;
	double mn[3] = {9.9e9, 9.9e9, 9.9e9}, mx[3] = {-9.9e9, -9.9e9, -9.9e9};
	for (int x = -1; x <= 1; x += 2)
		for (int y = -1; y <= 1; y += 2)
			for (int z = -1; z <= 1; z += 2) {
				double ndc[4] = {(double)x, (double)y, (double)z, 1}, e[4], w[4], l[4];
				mat_apply4(inv_p, ndc, e);
				mat_apply4(inv_mv, e, w);
				if (w[3] != 0) for (int k = 0; k < 3; ++k) w[k] /= w[3];
				w[3] = 1;
				mat_apply4(modelview, w, l);
				box_add(l, mn, mx);
			}
	double n = -(mx[2] + gExtraNear.value), f = -mn[2];
	buildOrthoMatrix(projection, mn[0], mx[0], mn[1], mx[1], n, f);
	ortho = true;
	ortho_left = mn[0]; ortho_right = mx[0]; ortho_bottom = mn[1]; ortho_top = mx[1];
	near_z = -n;
	far_z = fake_far_z = -f;
	changed = true;
	near_out = n;
	far_out = f;
}
