#ifndef XCAM_H
#define XCAM_H
// The camera: the framework's own copy of GL's projection and modelview,
// computed in double precision and handed to GL whole.

#include "UTL_stat.h"

// Debug switches: cull or clip against only the central tenth of the view.
extern UTL_stat gKillCull, gKillClip, gExtraNear;

class xcam_class {
public:
	bool   ortho;
	double near_z, far_z, fake_far_z;	// eye-space z: minus the distances
	double top_plane[3], left_plane[3], right_plane[3], bottom_plane[3];	// inward normals
	double ortho_top, ortho_left, ortho_right, ortho_bottom;
	bool   changed;
	bool   fetch_modelview;	// GL's modelview may differ from ours
	double projection[16];
	double modelview[16];

	xcam_class();
	xcam_class(const xcam_class& o) = default;
	explicit xcam_class(const xcam_class* o);
	xcam_class& operator=(const xcam_class& o) = default;

	void SetupOrtho(double left, double right, double bottom, double top, double near_d, double far_d);
	void SetupFrustum(double left, double right, double bottom, double top, double near_d, double far_d);
	void SetupPerspective(double fovy, double aspect, double near_d, double far_d);
	void SetFakeFarClippingPlane(double distance);
	void ResetFakeFarClippingPlane();

	void Identity();
	void LookAtPtFromPt(double ex, double ey, double ez, double tx, double ty, double tz,
	                    double ux, double uy, double uz);
	void LookAtPtFromDir(double x, double y, double z, double heading, double pitch, double distance);
	void Translate(double x, double y, double z);
	void Rotate(double angle, double x, double y, double z);

	void CalcUp(double* out3);
	void CalcDirection(double* out3);
	void CalcRight(double* out3);
	void CalcBillboardGround(float* right3, float* up3);
	void CalcBillboardCamera(float* right3, float* up3);
	int  GetFOVHalfCosines(float* horizontal, float* vertical);
	void mtr_to_pix(const double* world3, double* out2);
	int  GetFrustumBounds(double max_distance, double y_low, double y_high, double* min3, double* max3);
	void LookAtCamera(xcam_class* viewer, const double* light_dir3, double distance, double& near_out, double& far_out);
};

// Adds the part of segment pq inside the band y_low <= y <= y_high to the box.
void accum_segment(double y_low, double y_high, const double* p, const double* q, double* min3, double* max3);

extern xcam_class xcam;

#endif
