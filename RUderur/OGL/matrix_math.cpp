#include "matrix_math.h"
#include <cmath>
#include <cstdio>
#include <cstring>

static const double gIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void setIdentityMatrix(double* m) { memcpy(m, gIdentity, sizeof(gIdentity)); }
void copyMatrix(double* dst, const double* src) { memcpy(dst, src, 16 * sizeof(double)); }

void transposeMatrix(double* dst, const double* src)
{
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c) dst[4 * c + r] = src[4 * r + c];
}

void addMatrices(double* dst, const double* a, const double* b)
{
	for (int i = 0; i < 16; ++i) dst[i] = a[i] + b[i];
}

void multMatrices(double* dst, const double* a, const double* b)
{
	for (int c = 0; c < 4; ++c)
		for (int r = 0; r < 4; ++r) {
			double s = 0;
			for (int k = 0; k < 4; ++k) s += a[4 * k + r] * b[4 * c + k];
			dst[4 * c + r] = s;
		}
}

int invertMatrix(double* dst, const double* src)
{
	double w[4][8];
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c) {
			w[r][c] = src[4 * c + r];
			w[r][c + 4] = (r == c) ? 1.0 : 0.0;
		}
	for (int col = 0; col < 4; ++col) {
		int piv = col;
		for (int r = col + 1; r < 4; ++r)
			if (fabs(w[r][col]) > fabs(w[piv][col])) piv = r;
		if (w[piv][col] == 0.0) return 0;
		if (piv != col)
			for (int c = 0; c < 8; ++c) { double t = w[col][c]; w[col][c] = w[piv][c]; w[piv][c] = t; }
		double p = w[col][col];
		for (int c = 0; c < 8; ++c) w[col][c] /= p;
		for (int r = 0; r < 4; ++r) {
			if (r == col) continue;
			double f = w[r][col];
			if (f == 0.0) continue;
			for (int c = 0; c < 8; ++c) w[r][c] -= f * w[col][c];
		}
	}
	for (int r = 0; r < 4; ++r)
		for (int c = 0; c < 4; ++c) dst[4 * c + r] = w[r][c + 4];
	return 1;
}

void buildFrustumMatrix(double* m, double l, double r, double b, double t, double n, double f)
{
	memset(m, 0, 16 * sizeof(double));
	m[0] = 2 * n / (r - l);
	m[5] = 2 * n / (t - b);
	m[8] = (r + l) / (r - l);
	m[9] = (t + b) / (t - b);
	m[10] = -(f + n) / (f - n);
	m[11] = -1;
	m[14] = -2 * f * n / (f - n);
}

void buildPerspectiveMatrix(double* m, double fovy, double aspect, double n, double f)
{
	double h = tan(M_PI * fovy / 360.0) * n;
	buildFrustumMatrix(m, -h * aspect, h * aspect, -h, h, n, f);
}

void buildOrthoMatrix(double* m, double l, double r, double b, double t, double n, double f)
{
	memset(m, 0, 16 * sizeof(double));
	m[0] = 2 / (r - l);
	m[5] = 2 / (t - b);
	m[10] = -2 / (f - n);
	m[12] = -(r + l) / (r - l);
	m[13] = -(t + b) / (t - b);
	m[14] = -(f + n) / (f - n);
	m[15] = 1;
}

static void normalize3(double* v)
{
	double len = sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
	if (len != 0) { v[0] /= len; v[1] /= len; v[2] /= len; }
}

static void cross3(double* out, const double* a, const double* b)
{
	out[0] = a[1] * b[2] - a[2] * b[1];
	out[1] = a[2] * b[0] - a[0] * b[2];
	out[2] = a[0] * b[1] - a[1] * b[0];
}

void buildLookAtMatrix(double* m, double eyex, double eyey, double eyez, double tx, double ty,
                       double tz, double upx, double upy, double upz)
{
	double z[3] = {eyex - tx, eyey - ty, eyez - tz};
	normalize3(z);
	double up[3] = {upx, upy, upz}, x[3], y[3];
	cross3(x, up, z);
	normalize3(x);
	cross3(y, z, x);
	normalize3(y);
	const double eye[3] = {eyex, eyey, eyez};
	memset(m, 0, 16 * sizeof(double));
	const double* rows[3] = {x, y, z};
	for (int r = 0; r < 3; ++r) {
		for (int c = 0; c < 3; ++c) m[4 * c + r] = rows[r][c];
		m[12 + r] = -(rows[r][0] * eye[0] + rows[r][1] * eye[1] + rows[r][2] * eye[2]);
	}
	m[15] = 1;
}

void buildRotation(double* m, double angle, double x, double y, double z)
{
	setIdentityMatrix(m);
	double a = angle * 0.017453292519943295;
	double s = sin(a), c = cos(a);
	if (x != 0 && y == 0 && z == 0) {
		if (x < 0) s = -s;
		m[5] = m[10] = c; m[6] = s; m[9] = -s;
	} else if (x == 0 && y != 0 && z == 0) {
		if (y < 0) s = -s;
		m[0] = m[10] = c; m[8] = s; m[2] = -s;
	} else if (x == 0 && y == 0 && z != 0) {
		if (z < 0) s = -s;
		m[0] = m[5] = c; m[1] = s; m[4] = -s;
	} else {
		double len = sqrt(x * x + y * y + z * z);
		if (len <= 0.0001) return;
		x /= len; y /= len; z /= len;
		double k = 1 - c;
		m[0] = x * x * k + c;     m[4] = x * y * k - z * s; m[8] = x * z * k + y * s;
		m[1] = x * y * k + z * s; m[5] = y * y * k + c;     m[9] = y * z * k - x * s;
		m[2] = x * z * k - y * s; m[6] = y * z * k + x * s; m[10] = z * z * k + c;
	}
}

void applyTranslation(double* m, double x, double y, double z)
{
	for (int r = 0; r < 4; ++r) m[12 + r] += x * m[r] + y * m[4 + r] + z * m[8 + r];
}

void applyRotation(double* m, double angle, double x, double y, double z)
{
	double rot[16], t[16];
	buildRotation(rot, angle, x, y, z);
	multMatrices(t, m, rot);
	copyMatrix(m, t);
}

double* vec3_assign(double* v, double x, double y, double z)
{
	v[0] = x; v[1] = y; v[2] = z;
	return v;
}

void printMatrix(const char* title, const double* m)
{
	puts(title);
	for (int r = 0; r < 4; ++r)
		printf(r < 3 ? " [ %f %f %f %f ]\n" : " [ %f %f %f %f ]\n\n", m[r], m[4 + r], m[8 + r], m[12 + r]);
}
