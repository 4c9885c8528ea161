// The movie service on POSIX files. Samples are appended to the file's media
// atom as they come, so a long take never sits in memory; the tables that say
// where each sample lies are kept and written as the movie header at the end.
#include "PLAT_movie.h"
#include "TEX_image.h"
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {
	const int      kMovieScale = 600;		// the movie's own time scale
	const uint32_t kMdatStart  = 28;		// ftyp (20) + wide (8)
	const uint32_t kDataStart  = 36;		// the first sample's byte
	const uint32_t kSecondsTo1970 = 2082844800u;	// the container counts from 1904
}

struct PLAT_movie {
	int         fd = -1;
	std::mutex  owner_lock;
	bool        attached = true;
	pthread_t   owner;
	bool        has_track = false, has_media = false, editing = false, has_edit = false, header_written = false;
	int32_t     width_fixed = 0, height_fixed = 0;
	int         volume = 0;
	uint32_t    media_type = 0;
	int         time_scale = 0;
	uint64_t    end = kDataStart;
	uint32_t    created = 0;
	bool        has_desc = false;
	PLAT_image_desc desc = {};
	std::vector<uint64_t> offsets;
	std::vector<uint32_t> sizes, durations;
	long        edit_start = 0, edit_media_time = 0, edit_duration = 0;
	int32_t     edit_rate = 0;
};

struct PLAT_cseq {
	PLAT_pixmap                src;
	PLAT_image_desc            desc;
	std::vector<unsigned char> rgb;
};

static int             service_count = 0;
static std::mutex      service_lock;
static thread_local int thread_entered = 0;

int PLAT_enter_movies()
{
	std::lock_guard<std::mutex> g(service_lock);
	++service_count;
	thread_entered = 1;
	return 0;
}

void PLAT_exit_movies()
{
	std::lock_guard<std::mutex> g(service_lock);
	if (service_count > 0 && --service_count == 0) thread_entered = 0;
}

int PLAT_enter_movies_on_thread()
{
	std::lock_guard<std::mutex> g(service_lock);
	if (service_count == 0) return -ENODEV;
	thread_entered = 1;
	return 0;
}

void PLAT_exit_movies_on_thread() { thread_entered = 0; }

// ---- ownership

static int check_owner(PLAT_movie* m)
{
	if (!m) return -EINVAL;
	std::lock_guard<std::mutex> g(m->owner_lock);
	if (!m->attached || !pthread_equal(m->owner, pthread_self())) return -EPERM;
	return 0;
}

int PLAT_detach_movie_from_current_thread(PLAT_movie* m)
{
	if (int e = check_owner(m)) return e;
	std::lock_guard<std::mutex> g(m->owner_lock);
	m->attached = false;
	return 0;
}

int PLAT_attach_movie_to_current_thread(PLAT_movie* m)
{
	if (!m) return -EINVAL;
	if (!thread_entered) return -ENODEV;
	std::lock_guard<std::mutex> g(m->owner_lock);
	if (m->attached) return pthread_equal(m->owner, pthread_self()) ? 0 : -EBUSY;
	m->attached = true;
	m->owner = pthread_self();
	return 0;
}

// ---- file bytes

static int write_at(int fd, uint64_t at, const void* data, size_t n)
{
	const unsigned char* p = (const unsigned char*)data;
	while (n > 0) {
		ssize_t w = pwrite(fd, p, n, (off_t)at);
		if (w < 0) {
			if (errno == EINTR) continue;
			return -errno;
		}
		if (w == 0) return -EIO;
		p += w;
		at += (uint64_t)w;
		n -= (size_t)w;
	}
	return 0;
}

// Big-endian atoms built in memory; begin() returns where to patch the size.
struct atom_writer {
	std::vector<unsigned char> b;
	void u8(unsigned v) { b.push_back((unsigned char)v); }
	void u16(unsigned v) { u8(v >> 8); u8(v); }
	void u32(uint32_t v) { u16(v >> 16); u16(v & 0xFFFF); }
	void u64(uint64_t v) { u32((uint32_t)(v >> 32)); u32((uint32_t)v); }
	void zeros(int n) { b.insert(b.end(), (size_t)n, 0); }
	size_t begin(uint32_t type)
	{
		size_t at = b.size();
		u32(0);
		u32(type);
		return at;
	}
	void end(size_t at)
	{
		uint32_t n = (uint32_t)(b.size() - at);
		for (int i = 0; i < 4; ++i) b[at + i] = (unsigned char)(n >> (24 - 8 * i));
	}
	void full_box(unsigned version, uint32_t flags) { u32((uint32_t)version << 24 | flags); }
	void matrix()
	{
		const uint32_t m[9] = {PLAT_fixed_one, 0, 0, 0, PLAT_fixed_one, 0, 0, 0, 0x40000000};
		for (uint32_t v : m) u32(v);
	}
	// A counted string of at most `field` - 1 characters in a field of `field` bytes (0: just the string).
	void pstring(const char* s, int field)
	{
		int n = (int)strlen(s);
		if (field && n > field - 1) n = field - 1;
		u8((unsigned)n);
		b.insert(b.end(), s, s + n);
		if (field) zeros(field - 1 - n);
	}
};

int PLAT_create_movie_file(const std::string& path, PLAT_movie** out)
{
	if (!out || path.empty()) return -EINVAL;
	*out = nullptr;
	if (!thread_entered) return -ENODEV;
	int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
	if (fd < 0) return -errno;
	atom_writer w;
	size_t a = w.begin(PLAT_fourcc("ftyp"));
	w.u32(PLAT_fourcc("qt  "));
	w.u32(0x20050300);
	w.u32(PLAT_fourcc("qt  "));
	w.end(a);
	w.end(w.begin(PLAT_fourcc("wide")));	// room for a 64-bit media size
	w.u32(0);				// the media atom's size, known at the end
	w.u32(PLAT_fourcc("mdat"));
	if (int e = write_at(fd, 0, w.b.data(), w.b.size())) {
		(void)close(fd);	// the file goes: nothing in it to keep
		(void)unlink(path.c_str());	// a failed start leaves at most an empty movie
		return e;
	}
	PLAT_movie* m = new PLAT_movie;
	m->fd = fd;
	m->owner = pthread_self();
	m->created = (uint32_t)((uint64_t)time(nullptr) + kSecondsTo1970);
	*out = m;
	return 0;
}

int PLAT_new_movie_track(PLAT_movie* m, int32_t width_fixed, int32_t height_fixed, int volume)
{
	if (int e = check_owner(m)) return e;
	if (m->has_track) return -EEXIST;	// one track a movie
	if (width_fixed <= 0 || height_fixed <= 0) return -EINVAL;
	m->has_track = true;
	m->width_fixed = width_fixed;
	m->height_fixed = height_fixed;
	m->volume = volume;
	return 0;
}

int PLAT_new_track_media(PLAT_movie* m, uint32_t media_type, int time_scale)
{
	if (int e = check_owner(m)) return e;
	if (!m->has_track) return -ENOENT;
	if (m->has_media) return -EEXIST;
	if (media_type != PLAT_media_video) return -ENOTSUP;
	if (time_scale <= 0) return -EINVAL;
	m->has_media = true;
	m->media_type = media_type;
	m->time_scale = time_scale;
	return 0;
}

int PLAT_begin_media_edits(PLAT_movie* m)
{
	if (int e = check_owner(m)) return e;
	if (!m->has_media) return -ENOENT;
	if (m->header_written) return -EPROTO;
	m->editing = true;
	return 0;
}

int PLAT_add_media_sample(PLAT_movie* m, const void* data, long offset, long size, int duration,
                          const PLAT_image_desc& desc, int sample_count, int sample_flags)
{
	(void)sample_flags;	// every picture stands alone: all samples are sync samples
	if (int e = check_owner(m)) return e;
	if (!m->editing) return -EPROTO;
	if (!data || offset < 0 || size <= 0 || size > 0x7FFFFFFF || duration <= 0 || sample_count != 1) return -EINVAL;
	if (desc.width <= 0 || desc.height <= 0) return -EINVAL;
	if (m->has_desc && (desc.codec != m->desc.codec || desc.width != m->desc.width || desc.height != m->desc.height ||
	                    desc.depth != m->desc.depth))
		return -EINVAL;	// one sample description a track
	if (int e = write_at(m->fd, m->end, (const unsigned char*)data + offset, (size_t)size)) return e;
	if (!m->has_desc) {
		m->desc = desc;
		m->has_desc = true;
	}
	m->offsets.push_back(m->end);
	m->sizes.push_back((uint32_t)size);
	m->durations.push_back((uint32_t)duration);
	m->end += (uint64_t)size;
	return 0;
}

int PLAT_end_media_edits(PLAT_movie* m)
{
	if (int e = check_owner(m)) return e;
	if (!m->editing) return -EPROTO;
	m->editing = false;
	return 0;
}

static long total_duration(const PLAT_movie* m)
{
	long total = 0;
	for (uint32_t d : m->durations) total += d;
	return total;
}

long PLAT_get_media_duration(PLAT_movie* m)
{
	if (int e = check_owner(m)) return e;
	return total_duration(m);
}

int PLAT_insert_media_into_track(PLAT_movie* m, long track_start, long media_time, long media_duration,
                                 int32_t rate_fixed)
{
	if (int e = check_owner(m)) return e;
	if (!m->has_media) return -ENOENT;
	if (m->has_edit) return -EEXIST;	// one edit a track
	if (track_start < 0 || media_time < 0 || media_duration < 0 || rate_fixed <= 0) return -EINVAL;
	if (media_time + media_duration > total_duration(m)) return -ERANGE;
	if (media_duration == 0) return 0;	// an empty media leaves the track empty
	m->has_edit = true;
	m->edit_start = track_start;
	m->edit_media_time = media_time;
	m->edit_duration = media_duration;
	m->edit_rate = rate_fixed;
	return 0;
}

static uint32_t to_movie_units(const PLAT_movie* m, long media_units)
{
	return (uint32_t)(((uint64_t)media_units * kMovieScale + m->time_scale / 2) / m->time_scale);
}

static void sample_description(atom_writer& w, const PLAT_image_desc& d)
{
	size_t a = w.begin(d.codec);
	w.zeros(6);
	w.u16(1);		// data reference index
	w.u16(0);		// version
	w.u16(0);		// revision
	w.u32(0);		// vendor
	w.u32(0);		// temporal quality
	w.u32((uint32_t)d.spatial_quality);
	w.u16((unsigned)d.width);
	w.u16((unsigned)d.height);
	w.u32(72u << 16);	// 72 dpi both ways
	w.u32(72u << 16);
	w.u32(0);		// data size
	w.u16(1);		// frames per sample
	w.pstring(d.codec == PLAT_codec_png ? "PNG" : "", 32);
	w.u16((unsigned)d.depth);
	w.u16(0xFFFF);		// no colour table
	w.end(a);
}

static void sample_tables(atom_writer& w, const PLAT_movie* m, bool wide)
{
	size_t stbl = w.begin(PLAT_fourcc("stbl"));
	size_t a = w.begin(PLAT_fourcc("stsd"));
	w.full_box(0, 0);
	w.u32(m->has_desc ? 1 : 0);
	if (m->has_desc) sample_description(w, m->desc);
	w.end(a);

	// durations, run-length coded
	std::vector<std::pair<uint32_t, uint32_t>> runs;
	for (uint32_t d : m->durations) {
		if (!runs.empty() && runs.back().second == d)
			++runs.back().first;
		else
			runs.push_back({1, d});
	}
	a = w.begin(PLAT_fourcc("stts"));
	w.full_box(0, 0);
	w.u32((uint32_t)runs.size());
	for (auto& r : runs) {
		w.u32(r.first);
		w.u32(r.second);
	}
	w.end(a);

	a = w.begin(PLAT_fourcc("stsc"));	// one sample a chunk throughout
	w.full_box(0, 0);
	w.u32(1);
	w.u32(1);
	w.u32(1);
	w.u32(1);
	w.end(a);

	a = w.begin(PLAT_fourcc("stsz"));
	w.full_box(0, 0);
	w.u32(0);
	w.u32((uint32_t)m->sizes.size());
	for (uint32_t s : m->sizes) w.u32(s);
	w.end(a);

	a = w.begin(wide ? PLAT_fourcc("co64") : PLAT_fourcc("stco"));
	w.full_box(0, 0);
	w.u32((uint32_t)m->offsets.size());
	for (uint64_t o : m->offsets) {
		if (wide)
			w.u64(o);
		else
			w.u32((uint32_t)o);
	}
	w.end(a);
	w.end(stbl);
}

static void handler(atom_writer& w, uint32_t kind, uint32_t sub, const char* name)
{
	size_t a = w.begin(PLAT_fourcc("hdlr"));
	w.full_box(0, 0);
	w.u32(kind);
	w.u32(sub);
	w.u32(0);
	w.u32(0);
	w.u32(0);
	w.pstring(name, 0);
	w.end(a);
}

static std::vector<unsigned char> movie_header(const PLAT_movie* m)
{
	const uint32_t media_total = (uint32_t)total_duration(m);
	const uint32_t edit_units = to_movie_units(m, m->edit_duration);
	const uint32_t start_units = to_movie_units(m, m->edit_start);
	const uint32_t track_units = start_units + edit_units;
	const bool wide = m->end > 0xFFFFFFFFull;

	atom_writer w;
	size_t moov = w.begin(PLAT_fourcc("moov"));
	size_t a = w.begin(PLAT_fourcc("mvhd"));
	w.full_box(0, 0);
	w.u32(m->created);
	w.u32(m->created);
	w.u32(kMovieScale);
	w.u32(track_units);
	w.u32(PLAT_fixed_one);	// preferred rate
	w.u16(0x0100);		// preferred volume
	w.zeros(10);
	w.matrix();
	w.zeros(6 * 4);		// preview, poster, selection and current times
	w.u32(2);		// next track id
	w.end(a);

	size_t trak = w.begin(PLAT_fourcc("trak"));
	a = w.begin(PLAT_fourcc("tkhd"));
	w.full_box(0, 0xF);	// enabled, in the movie, the preview and the poster
	w.u32(m->created);
	w.u32(m->created);
	w.u32(1);		// track id
	w.u32(0);
	w.u32(track_units);
	w.zeros(8);
	w.u16(0);		// layer
	w.u16(0);		// alternate group
	w.u16((unsigned)m->volume);
	w.u16(0);
	w.matrix();
	w.u32((uint32_t)m->width_fixed);
	w.u32((uint32_t)m->height_fixed);
	w.end(a);

	if (m->has_edit) {
		size_t edts = w.begin(PLAT_fourcc("edts"));
		a = w.begin(PLAT_fourcc("elst"));
		w.full_box(0, 0);
		w.u32(start_units > 0 ? 2 : 1);
		if (start_units > 0) {	// an empty edit up to the start
			w.u32(start_units);
			w.u32(0xFFFFFFFFu);
			w.u32(PLAT_fixed_one);
		}
		w.u32(edit_units);
		w.u32((uint32_t)m->edit_media_time);
		w.u32((uint32_t)m->edit_rate);
		w.end(a);
		w.end(edts);
	}

	size_t mdia = w.begin(PLAT_fourcc("mdia"));
	a = w.begin(PLAT_fourcc("mdhd"));
	w.full_box(0, 0);
	w.u32(m->created);
	w.u32(m->created);
	w.u32((uint32_t)m->time_scale);
	w.u32(media_total);
	w.u16(0);		// language: English
	w.u16(0);		// quality
	w.end(a);
	handler(w, PLAT_fourcc("mhlr"), PLAT_fourcc("vide"), "VideoHandler");

	size_t minf = w.begin(PLAT_fourcc("minf"));
	a = w.begin(PLAT_fourcc("vmhd"));
	w.full_box(0, 1);
	w.u16(0x40);		// copy the picture
	w.u16(0x8000);
	w.u16(0x8000);
	w.u16(0x8000);
	w.end(a);
	handler(w, PLAT_fourcc("dhlr"), PLAT_fourcc("alis"), "DataHandler");
	size_t dinf = w.begin(PLAT_fourcc("dinf"));
	size_t dref = w.begin(PLAT_fourcc("dref"));
	w.full_box(0, 0);
	w.u32(1);
	a = w.begin(PLAT_fourcc("alis"));
	w.full_box(0, 1);	// the data are in this file
	w.end(a);
	w.end(dref);
	w.end(dinf);
	sample_tables(w, m, wide);
	w.end(minf);
	w.end(mdia);
	w.end(trak);
	w.end(moov);
	return w.b;
}

int PLAT_add_movie_resource(PLAT_movie* m)
{
	if (int e = check_owner(m)) return e;
	if (m->header_written) return -EEXIST;
	if (m->editing || !m->has_media) return -EPROTO;
	// The media atom's size: 32 bits when it fits, else the 64-bit form over the wide atom.
	const uint64_t mdat_size = m->end - kMdatStart;
	atom_writer w;
	uint64_t at = kMdatStart;
	if (mdat_size <= 0xFFFFFFFFull) {
		w.u32((uint32_t)mdat_size);
	} else {
		at = 20;
		w.u32(1);
		w.u32(PLAT_fourcc("mdat"));
		w.u64(m->end - at);
	}
	if (int e = write_at(m->fd, at, w.b.data(), w.b.size())) return e;
	std::vector<unsigned char> moov = movie_header(m);
	if (int e = write_at(m->fd, m->end, moov.data(), moov.size())) return e;
	m->end += moov.size();
	m->header_written = true;
	return 0;
}

int PLAT_close_movie_file(PLAT_movie* m)
{
	if (int e = check_owner(m)) return e;
	if (m->fd < 0) return -EBADF;
	int r = close(m->fd);
	m->fd = -1;
	return r == 0 ? 0 : -errno;
}

void PLAT_dispose_movie(PLAT_movie* m)
{
	if (!m) return;
	if (m->fd >= 0) (void)close(m->fd);	// given up unfinished: nothing to keep
	delete m;
}

// ---- compression

static bool pixmap_ok(const PLAT_pixmap& p)
{
	return p.base && p.width > 0 && p.height > 0 && p.width <= TEX_MAX_DIM && p.height <= TEX_MAX_DIM &&
	       p.row_bytes >= p.width * 4;
}

int PLAT_get_max_compression_size(const PLAT_pixmap& src, int quality, uint32_t codec, long* size)
{
	(void)quality;	// the pictures are lossless
	if (!size || src.width <= 0 || src.height <= 0 || src.width > TEX_MAX_DIM || src.height > TEX_MAX_DIM)
		return -EINVAL;
	if (codec != PLAT_codec_png) return -ENOTSUP;
	// filter byte and three bytes a pixel, deflated at worst, in chunks of 8 KiB with
	// 12 bytes each, after the signature and the header, before the end chunk
	const uLong raw = (uLong)src.height * (1 + 3 * (uLong)src.width);
	const uLong packed = compressBound(raw);
	*size = (long)(packed + (packed / 8192 + 1) * 12 + 8 + 25 + 12 + 1024);
	return 0;
}

int PLAT_compress_sequence_begin(PLAT_cseq** out, const PLAT_pixmap& src, uint32_t codec, int quality,
                                 PLAT_image_desc* desc)
{
	if (!out) return -EINVAL;
	*out = nullptr;
	if (!pixmap_ok(src)) return -EINVAL;
	if (codec != PLAT_codec_png) return -ENOTSUP;
	PLAT_cseq* s = new PLAT_cseq;
	s->src = src;
	s->desc = {codec, src.width, src.height, 24, quality};
	s->rgb.resize((size_t)src.width * src.height * 3);
	if (desc) *desc = s->desc;
	*out = s;
	return 0;
}

int PLAT_compress_sequence_frame(PLAT_cseq* seq, unsigned char* out, long capacity, long* size,
                                 int* similarity_flags)
{
	if (!seq || !out || !size) return -EINVAL;
	const PLAT_pixmap& p = seq->src;
	// B, G, R, A rows top first into R, G, B rows bottom first, as the writer takes them
	for (int y = 0; y < p.height; ++y) {
		const unsigned char* s = p.base + (size_t)y * p.row_bytes;
		unsigned char* d = seq->rgb.data() + (size_t)(p.height - 1 - y) * p.width * 3;
		for (int x = 0; x < p.width; ++x, s += 4, d += 3) {
			d[0] = s[2];
			d[1] = s[1];
			d[2] = s[0];
		}
	}
	TEX_image_desc d = {TEX_RGB, p.width, p.height, 0, 0};
	char*  packed = nullptr;
	size_t packed_size = 0;
	FILE*  f = open_memstream(&packed, &packed_size);
	if (!f) return -errno;
	bool ok = TEX_write_png(f, "movie frame", d, seq->rgb.data());
	if (fclose(f) != 0 || !ok) {
		free(packed);
		return -EIO;
	}
	if ((long)packed_size > capacity) {
		free(packed);
		return -EOVERFLOW;
	}
	memcpy(out, packed, packed_size);
	free(packed);
	*size = (long)packed_size;
	if (similarity_flags) *similarity_flags = 0;	// a key frame
	return 0;
}

void PLAT_cdsequence_end(PLAT_cseq* seq)
{
	if (!seq) return;
	delete seq;
}
