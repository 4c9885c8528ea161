#ifndef QTIM_H
#define QTIM_H
// The movie recorder: captures the program's own window frame by frame into a
// movie file beside the program, compressing on a thread of its own. The frame
// loop calls mov_per_frame every frame; a recording starts with mov_toggle(1)
// and ends when the state is set to 2.
#include <string>

class qtim_class {
public:
	int   quicktime_ready;	// the movie service started; 0 makes mov_toggle do nothing
	int   state;		// 0 idle, 1 recording, 2 stop asked for
	int   movie_width;	// 32..2048, the settings window edits it
	int   movie_height;	// set at the start from the window's proportions
	float frame_rate;	// frames per second, 10..99
	int   frames_recorded;

	qtim_class();
	~qtim_class();

	int  mov_per_frame();	// 1 when the recorder swapped the buffers itself
	void mov_toggle(int new_state);
	void mov_startrecord();
	int  mov_add_frame();
	void mov_stoprecord();
	void stop_thread();
	void mov_alert(std::string line1, std::string line2, const char* line3, int code);
	void draw_record_lgt();
	void qtim_wind();
};

extern qtim_class qtim;

// The decisions of a captured frame, free of GL.
// Whether a frame is due `passed` seconds after the last one, and how long it lasts:
// one period, or all the time passed when frames were missed.
bool        qtim_frame_due(float passed, float frame_rate, float* duration);
// A frame's length in the movie's 600ths of a second, 1 to 60.
int         qtim_sample_duration(float seconds);
// "Vantor movie take-N.mov" for the take number N.
std::string qtim_take_name(int take);

#endif
