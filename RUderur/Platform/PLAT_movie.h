#ifndef PLAT_MOVIE_H
#define PLAT_MOVIE_H
// The movie service: a movie file of one video track whose samples are PNG
// pictures, built call by call the way a recorder makes it (create the file,
// add the track and its media, append compressed frames, insert the media into
// the track, write the movie header, close). The file is a standard movie
// container (ftyp, mdat, moov) that common players open.
// Every call returns 0 or a negative errno value; a call out of that order
// fails with -EPROTO.
#include <cstddef>
#include <cstdint>
#include <string>

struct PLAT_movie;
struct PLAT_cseq;

// Four-character codes, first character in the high byte.
constexpr uint32_t PLAT_fourcc(const char (&s)[5])
{
	return (uint32_t)(unsigned char)s[0] << 24 | (uint32_t)(unsigned char)s[1] << 16 |
	       (uint32_t)(unsigned char)s[2] << 8 | (uint32_t)(unsigned char)s[3];
}
enum : uint32_t {
	PLAT_media_video = PLAT_fourcc("vide"),
	PLAT_codec_png   = PLAT_fourcc("png "),
	PLAT_fixed_one   = 0x10000	// 1.0 in 16.16 fixed point
};
enum { PLAT_quality_normal = 512 };

// What a compressed sample is: written into the sample description.
struct PLAT_image_desc {
	uint32_t codec;
	int      width, height;
	int      depth;		// bits per pixel of the stored picture
	int      spatial_quality;
};

// Pixels the compressor reads: 32 bits a pixel, bytes B, G, R, A, top row first.
struct PLAT_pixmap {
	const unsigned char* base;
	int                  width, height;
	int                  row_bytes;
};

// The service, once per process and once per thread that touches a movie.
int  PLAT_enter_movies();
void PLAT_exit_movies();
int  PLAT_enter_movies_on_thread();
void PLAT_exit_movies_on_thread();

// A movie belongs to one thread at a time: the one that created or attached it.
// Every other call on it from another thread fails with -EPERM.
int PLAT_create_movie_file(const std::string& path, PLAT_movie** out);	// replaces an existing file
int PLAT_detach_movie_from_current_thread(PLAT_movie* m);
int PLAT_attach_movie_to_current_thread(PLAT_movie* m);		// -EBUSY while another thread holds it

// Track size in 16.16 fixed point; volume 0 for video.
int PLAT_new_movie_track(PLAT_movie* m, int32_t width_fixed, int32_t height_fixed, int volume);
int PLAT_new_track_media(PLAT_movie* m, uint32_t media_type, int time_scale);
int PLAT_begin_media_edits(PLAT_movie* m);
// Appends one sample of `size` bytes at data + offset, lasting `duration` media units.
int PLAT_add_media_sample(PLAT_movie* m, const void* data, long offset, long size, int duration,
                          const PLAT_image_desc& desc, int sample_count, int sample_flags);
int PLAT_end_media_edits(PLAT_movie* m);
long PLAT_get_media_duration(PLAT_movie* m);
// One edit: `media_duration` units of the media from `media_time` at `track_start`, rate 16.16.
int PLAT_insert_media_into_track(PLAT_movie* m, long track_start, long media_time, long media_duration,
                                 int32_t rate_fixed);
int PLAT_add_movie_resource(PLAT_movie* m);	// writes the movie header
int PLAT_close_movie_file(PLAT_movie* m);
void PLAT_dispose_movie(PLAT_movie* m);

// Frame compression over one pixmap; the description is filled at the start.
int  PLAT_compress_sequence_begin(PLAT_cseq** out, const PLAT_pixmap& src, uint32_t codec, int quality,
                                  PLAT_image_desc* desc);
int  PLAT_get_max_compression_size(const PLAT_pixmap& src, int quality, uint32_t codec, long* size);
// Compresses the pixmap's current pixels into out (capacity bytes); -EOVERFLOW when they do not fit.
int  PLAT_compress_sequence_frame(PLAT_cseq* seq, unsigned char* out, long capacity, long* size,
                                  int* similarity_flags);
void PLAT_cdsequence_end(PLAT_cseq* seq);

#endif
