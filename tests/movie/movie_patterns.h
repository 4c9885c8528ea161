// The pictures the movie host draws and the movie tests expect: four quadrants
// under a one-pixel line along the window's top row, and in the lower right
// corner a block whose red and green count the frames drawn.
#ifndef MOVIE_PATTERNS_H
#define MOVIE_PATTERNS_H

struct movie_pattern {
	unsigned char top_left[3], top_right[3], bottom_left[3], bottom_right[3], top_line[3];
};

static const movie_pattern movie_patterns[2] = {
    {{220, 30, 30}, {30, 200, 40}, {20, 40, 210}, {230, 220, 20}, {250, 0, 250}},
    {{0, 200, 200}, {200, 100, 50}, {50, 100, 200}, {128, 128, 128}, {250, 250, 250}}};

enum { movie_count_side = 16, movie_count_blue = 7 };

// The colour at window pixel x of row `row` counted from the top, in a w x h window.
inline const unsigned char* movie_pattern_at(const movie_pattern& p, int x, int row, int w, int h)
{
	if (row == 0) return p.top_line;
	const bool top = h - 1 - row >= h / 2, left = x < w / 2;
	return top ? (left ? p.top_left : p.top_right) : (left ? p.bottom_left : p.bottom_right);
}

#endif
