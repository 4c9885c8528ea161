#ifndef MATRIX_MATH_H
#define MATRIX_MATH_H
// 4x4 double matrices in GL's column-major layout: row r, column c at 4c + r.

void    setIdentityMatrix(double* m);
void    copyMatrix(double* dst, const double* src);
void    transposeMatrix(double* dst, const double* src);
void    addMatrices(double* dst, const double* a, const double* b);
void    multMatrices(double* dst, const double* a, const double* b);	// dst = a x b
int     invertMatrix(double* dst, const double* src);			// 0: singular, dst untouched
void    buildFrustumMatrix(double* m, double l, double r, double b, double t, double n, double f);
void    buildPerspectiveMatrix(double* m, double fovy, double aspect, double n, double f);
void    buildOrthoMatrix(double* m, double l, double r, double b, double t, double n, double f);
void    buildLookAtMatrix(double* m, double eyex, double eyey, double eyez, double tx, double ty,
                          double tz, double upx, double upy, double upz);
void    buildRotation(double* m, double angle, double x, double y, double z);
void    applyTranslation(double* m, double x, double y, double z);
void    applyRotation(double* m, double angle, double x, double y, double z);
double* vec3_assign(double* v, double x, double y, double z);
void    printMatrix(const char* title, const double* m);

#endif
