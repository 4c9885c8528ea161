#include "zip_utils.h"
#include "io_utils.h"
#include "p7z_md5.h"
#include "unpack_writer.h"
#include "xmap.h"
#include "UTL_log.h"
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <minizip/unzip.h>
#include <minizip/zip.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#define ERR_AT() (sErrFile = "io_utils", sErrLine = __LINE__)

static const char kForkAttr[]   = "user.com.apple.ResourceFork";
static const char kFinderAttr[] = "user.com.apple.FinderInfo";

static const unsigned char kAppleHeader[24] = {0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00};
// header, two entries, {9, 50, 32}, {2, 82, then the fork length}
static const unsigned char kMagicCrap[46] = {
	0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
	0x00, 0x02,
	0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x20,
	0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x52};


int archive_entry_path(const std::string& out_dir, const std::string& name, int check_last, std::string& out)
{
	if (name.empty() || name[0] == '/' || name.find('\0') != std::string::npos) { ERR_AT(); return err_archive_unsafe; }
	std::string root = path_full(out_dir);
	size_t start = 0;
	while (start < name.size()) {
		size_t slash = name.find('/', start);
		bool last = slash == std::string::npos || slash + 1 == name.size();
		std::string comp = name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
		if (comp == "..") { ERR_AT(); return err_archive_unsafe; }
		if (!comp.empty() && comp != "." && (!last || check_last)) {
			std::string prefix = root + name.substr(0, slash == std::string::npos ? name.size() : slash);
			struct stat st;
			if (lstat(prefix.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) { ERR_AT(); return err_archive_unsafe; }
		}
		if (slash == std::string::npos) break;
		start = slash + 1;
	}
	out = out_dir + name;
	return 0;
}

int archive_link_inside(const std::string& name, const std::string& text)
{
	if (text.empty() || text[0] == '/' || text.find('\0') != std::string::npos) return 0;
	int depth = 0;	// folders between the archive's folder and the link
	for (size_t i = 0; i < name.size(); ++i)
		if (name[i] == '/' && i + 1 < name.size()) ++depth;
	size_t start = 0;
	while (start <= text.size()) {
		size_t slash = text.find('/', start);
		if (slash == std::string::npos) slash = text.size();
		std::string comp = text.substr(start, slash - start);
		if (comp == "..") {
			if (--depth < 0) return 0;
		} else if (!comp.empty() && comp != ".") {
			++depth;
		}
		start = slash + 1;
	}
	return 1;
}

static int unix_mode(const unz_file_info64& info) { return (int)((info.external_fa >> 16) & 0xFFFF); }
static bool is_link_mode(int mode) { return (mode & 0xF000) == 0xA000; }

// Deflate gives at most about 1032 bytes for one stored byte; an entry that
// claims more than that lies about its size.
enum { max_inflate_ratio = 1032, small_entry = 1024 };
// AppleDouble entries are read whole up to this size, well above the 64 KB the
// kernel keeps in one attribute: a larger fork could not be kept anyway.
enum { fork_entry_cap = 1 << 20 };

static bool size_is_plausible(const unz_file_info64& info)
{
	return info.uncompressed_size <= info.compressed_size * max_inflate_ratio + small_entry;
}

// Reads the current entry whole into memory (small entries: links, forks),
// never more than `limit` bytes nor more than its stored size can hold.
static int read_entry(unzFile uf, const unz_file_info64& info, std::vector<unsigned char>& data, uint64_t limit)
{
	if (info.uncompressed_size > limit || !size_is_plausible(info)) { ERR_AT(); return err_zip_short_read; }
	int err = unzOpenCurrentFile(uf);
	if (err != UNZ_OK) { ERR_AT(); return err; }
	data.resize((size_t)info.uncompressed_size);
	int n = data.empty() ? 0 : unzReadCurrentFile(uf, data.data(), (unsigned)data.size());
	if (n < 0 || (size_t)n != data.size()) {
		unzCloseCurrentFile(uf);
		ERR_AT();
		return err_zip_short_read;
	}
	err = unzCloseCurrentFile(uf);
	if (err != UNZ_OK) { ERR_AT(); return err; }
	return 0;
}

// The first `n` bytes of the current entry (fewer when it is shorter).
static int read_entry_start(unzFile uf, size_t n, std::vector<unsigned char>& data)
{
	int err = unzOpenCurrentFile(uf);
	if (err != UNZ_OK) { ERR_AT(); return err; }
	data.resize(n);
	int got = unzReadCurrentFile(uf, data.data(), (unsigned)n);
	unzCloseCurrentFile(uf);
	if (got < 0) { ERR_AT(); return err_zip_short_read; }
	data.resize((size_t)got);
	return 0;
}

// The entry's date as a local time. Not through mktime, which looks at the
// time zone's file again on every call: once per file unpacked. The zone's
// offset at that moment comes from localtime_r, which reads it once.
static time_t entry_time(const unz_file_info64& info)
{
	struct tm t = {};
	t.tm_sec = info.tmu_date.tm_sec;
	t.tm_min = info.tmu_date.tm_min;
	t.tm_hour = info.tmu_date.tm_hour;
	t.tm_mday = info.tmu_date.tm_mday;
	t.tm_mon = info.tmu_date.tm_mon;
	t.tm_year = info.tmu_date.tm_year - 1900;
	const time_t as_utc = timegm(&t);
	auto offset_at = [](time_t when) {
		struct tm local;
		return localtime_r(&when, &local) ? (time_t)local.tm_gmtoff : 0;
	};
	// the offset where the result falls, which differs from the first guess's
	// only across a change of summer time
	return as_utc - offset_at(as_utc - offset_at(as_utc));
}

// The library leaves sizes of 4 GB and more at their 32-bit mark when the
// archive keeps them in the zip64 extra field: they are read from there.
enum { zip64_extra_id = 1 };
static const uint64_t zip32_mark = 0xFFFFFFFFull;

static uint64_t le64(const unsigned char* p)
{
	uint64_t v = 0;
	for (int i = 7; i >= 0; --i) v = v << 8 | p[i];
	return v;
}

static void take_zip64_sizes(unz_file_info64& info, const std::vector<unsigned char>& extra)
{
	for (size_t at = 0; at + 4 <= extra.size();) {
		unsigned id = extra[at] | extra[at + 1] << 8, len = extra[at + 2] | extra[at + 3] << 8;
		size_t p = at + 4, end = p + len;
		if (end > extra.size()) return;
		if (id == zip64_extra_id) {
			// only the fields whose 32-bit value is the mark are there, in this order
			if (info.uncompressed_size == zip32_mark && p + 8 <= end) { info.uncompressed_size = le64(&extra[p]); p += 8; }
			if (info.compressed_size == zip32_mark && p + 8 <= end) info.compressed_size = le64(&extra[p]);
			return;
		}
		at = end;
	}
}

// The archive as the library and the entry reader see it: the descriptor of
// its file, opened once, or its bytes in memory. The library asks for a few
// bytes at a time, so reads from the file go through a window of it (a small
// archive is read whole at once).
struct zip_fd_source {
	enum { window_size = 16 << 10 };
	int      fd = -1;
	const unsigned char* mem = nullptr;	// the bytes, when the archive is in memory
	uint64_t at = 0, size = 0;
	uint64_t base = 0;	// where the window starts in the archive
	size_t   held = 0;	// bytes in it
	int      failed = 0;
	unsigned char window[window_size];

	// Up to n bytes at offset `from`: the count, 0 past the end, -1 on a failed read.
	ssize_t read_at(void* buf, size_t n, uint64_t from) const
	{
		if (mem) {
			size_t k = from < size ? (size_t)std::min<uint64_t>(n, size - from) : 0;
			if (k) memcpy(buf, mem + from, k);
			return (ssize_t)k;
		}
		ssize_t got;
		do got = pread(fd, buf, n, (off_t)from);
		while (got < 0 && errno == EINTR);
		return got;
	}
};

// Reads the current entry's stored bytes from the archive's own descriptor
// and inflates them: the library's running counts stop at 4 GB.
struct entry_reader {
	const zip_fd_source& src;
	uint64_t  at, left;	// where the stored bytes are, how many remain
	int       method;
	z_stream  z;
	bool      inflating = false, ended = false;
	std::vector<unsigned char> in;

	entry_reader(const zip_fd_source& archive, uint64_t offset, uint64_t stored, int m)
	    : src(archive), at(offset), left(stored), method(m)
	{
		memset(&z, 0, sizeof(z));
		in.resize(unpack_buffer_size / 4);
	}
	~entry_reader()
	{
		if (inflating) inflateEnd(&z);
	}
	int start()
	{
		if (method != Z_DEFLATED) return 0;
		if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return err_zip_short_read;
		inflating = true;
		return 0;
	}
	int fill()
	{
		size_t want = left < in.size() ? (size_t)left : in.size();
		ssize_t n = src.read_at(in.data(), want, at);
		if (n <= 0) return err_zip_short_read;
		at += (uint64_t)n;
		left -= (uint64_t)n;
		z.next_in = in.data();
		z.avail_in = (uInt)n;
		return 0;
	}
	// Up to `room` bytes into out; 0 at the entry's end, -1 when it is damaged
	// or its stored bytes end first.
	long next(char* out, size_t room)
	{
		if (method != Z_DEFLATED) {
			if (z.avail_in == 0 && left > 0 && fill()) return -1;
			if (z.avail_in == 0) return 0;	// a stored entry's end: nothing to copy from
			size_t n = z.avail_in < room ? z.avail_in : room;
			memcpy(out, z.next_in, n);
			z.next_in += n;
			z.avail_in -= (uInt)n;
			return (long)n;
		}
		if (ended) return 0;
		z.next_out = (Bytef*)out;
		z.avail_out = (uInt)room;
		while (z.avail_out == room) {
			if (z.avail_in == 0 && (left == 0 || fill())) return -1;
			int r = inflate(&z, Z_NO_FLUSH);
			if (r == Z_STREAM_END) {
				ended = true;
				break;
			}
			if (r != Z_OK && r != Z_BUF_ERROR) return -1;
		}
		return (long)(room - z.avail_out);
	}
};

// Inflated and handed to the disk writer, which puts it in place only once
// whole, its CRC checked and signed as the listing (rules) wants. Never more
// than the entry says it holds, nor than max_bytes; *wrote counts what was
// written.
static int unzip_regular(unzFile uf, const zip_fd_source& src, const std::string& out_path, const unz_file_info64& info,
                         uint64_t max_bytes, const unpack_rules* rules, uint64_t* wrote)
{
	if (info.uncompressed_size > max_bytes) { ERR_AT(); return err_archive_too_big; }
	if (info.flag & 1) { ERR_AT(); return err_zip_short_read; }	// encrypted: no password to give
	if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) { ERR_AT(); return err_zip_short_read; }
	int method = 0, level = 0;
	int err = unzOpenCurrentFile2(uf, &method, &level, 1);
	if (err != UNZ_OK) { ERR_AT(); return err; }
	uint64_t offset = unzGetCurrentFileZStreamPos64(uf);
	unzCloseCurrentFile(uf);
	entry_reader rd(src, offset, info.compressed_size, (int)info.compression_method);
	if (rd.start()) { ERR_AT(); return err_zip_short_read; }
	unpack_writer out(out_path, rules, max_bytes);
	if ((err = out.open()) != 0) return err;
	// streamed in pieces: entries may be larger than memory or 4 GB
	char* buf = unpack_buffer();
	uint64_t total = 0;
	uLong crc = crc32(0, Z_NULL, 0);
	for (;;) {
		long n = rd.next(buf, unpack_buffer_size);
		if (n < 0) { err = err_zip_short_read; ERR_AT(); break; }
		if (n == 0) break;
		total += (uint64_t)n;
		// a header that lies about the size is stopped there
		if (total > info.uncompressed_size) { err = err_zip_short_read; ERR_AT(); break; }
		crc = crc32(crc, (const Bytef*)buf, (uInt)n);
		const uint64_t before = out.bytes();
		err = out.write(buf, (size_t)n);
		*wrote += out.bytes() - before;
		if (err) break;
	}
	if (!err && total != info.uncompressed_size) { err = err_zip_short_read; ERR_AT(); }
	if (!err && crc != info.crc) { err = UNZ_CRCERROR; ERR_AT(); }
	if (err) return err;	// nothing half-written stays behind
	// a DOS-made archive has no Unix mode: the default is kept rather than 000
	if (info.external_fa != 0) {
		out.set_mode(unix_mode(info));
		out.set_time(entry_time(info));
	}
	return out.place();
}

// With rules naming a root, a link is judged by where it lands on disk against
// that root, so a link into a sibling folder of the copy is kept; without, it
// may not climb above the archive's own folder either.
static bool link_allowed(const std::string& out_dir, const std::string& name, const std::string& out_path,
                         const std::string& text, const unpack_rules* rules)
{
	if (rules && !rules->root.empty()) return link_stays_inside(rules->root, out_path, text);
	return archive_link_inside(name, text) && link_stays_inside(out_dir, out_path, text);
}

static int unzip_symlink(unzFile uf, const std::string& out_dir, const std::string& name, const std::string& out_path,
                         const unz_file_info64& info, const unpack_rules* rules)
{
	std::vector<unsigned char> data;
	int err = read_entry(uf, info, data, PATH_MAX);
	if (!err) {
		std::string text(data.begin(), data.end());
		if (!link_allowed(out_dir, name, out_path, text, rules)) {
			io_log() << "Refusing a link that leads out of its folder: " << UTL_log_safe(name) << " -> " << UTL_log_safe(text) << "\n";
			ERR_AT();
			err = err_archive_unsafe;
		} else {
			unpack_writer out(out_path, rules);
			if (info.external_fa != 0) out.set_time(entry_time(info));
			err = out.place_link(text);
		}
	}
	if (err)
		io_log() << "Zip to symlink failed with error " << err << ". file = " << sErrFile << " line = " << sErrLine
		    << ". inFile=" << UTL_log_safe(out_path) << ".\n";
	return err;
}

static uint32_t be32(const unsigned char* p) { return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]; }

static int unzip_resource_fork(unzFile uf, const std::string& fork_path, const unz_file_info64& info)
{
	std::string path = path_full(fork_path);
	int err = 0;
	size_t slash = path.rfind('/');
	size_t leaf = slash == std::string::npos ? 0 : slash + 1;
	if (path.compare(leaf, 2, "._") != 0 || path.size() == leaf + 2) { ERR_AT(); err = err_zip_fork_header; }
	else path.erase(leaf, 2);
	std::vector<unsigned char> d;
	bool too_big = info.uncompressed_size > fork_entry_cap;
	if (!err && !size_is_plausible(info)) { ERR_AT(); err = err_zip_fork_header; }
	if (!err) err = too_big ? read_entry_start(uf, 26, d) : read_entry(uf, info, d, fork_entry_cap);
	const unsigned char* finder = nullptr;
	const unsigned char* fork = nullptr;
	uint32_t fork_len = 0;
	if (!err) {
		if (d.size() < 26 || memcmp(d.data(), kAppleHeader, 24) != 0) { ERR_AT(); err = err_zip_fork_header; }
	}
	if (!err && too_big) {
		io_log() << "The resource fork of " << UTL_log_safe(path) << " was dropped: its entry of " << info.uncompressed_size
		    << " bytes is more than a file attribute holds.\n";
		return 0;
	}
	if (!err) {
		int count = (int16_t)((d[24] << 8) | d[25]);
		for (int i = 0; i < count && !err; ++i) {
			uint64_t at = 26 + 12 * (uint64_t)i;
			if (at + 12 > d.size()) { ERR_AT(); err = err_zip_fork_header; break; }
			uint32_t id = be32(&d[at]), off = be32(&d[at + 4]), len = be32(&d[at + 8]);
			if ((uint64_t)off + len > d.size()) { ERR_AT(); err = err_zip_fork_header; break; }
			if (id == 9 && len == 32) finder = &d[off];
			if (id == 2) { fork = &d[off]; fork_len = len; }
		}
	}
	if (!err) {
		struct stat st;
		if (lstat(path.c_str(), &st) != 0) return 0;	// the data file was not extracted: drop quietly
		const char* why = nullptr;
		if (S_ISLNK(st.st_mode)) why = "the file is a link";
		if (!why && finder && lsetxattr(path.c_str(), kFinderAttr, finder, 32, 0) != 0) why = strerror(errno);
		if (!why && fork && fork_len > 0 && lsetxattr(path.c_str(), kForkAttr, fork, fork_len, 0) != 0) why = strerror(errno);
		if (why) io_log() << "The resource fork of " << UTL_log_safe(path) << " was dropped: " << why << "\n";
	}
	if (err)
		io_log() << "Unzip RF failed with error " << err << ". file = " << sErrFile << " line = " << sErrLine
		    << ". inFile=" << path << ".\n";
	return err;
}

int zip_file_is_zip(const std::string& path)
{
	int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
	if (fd < 0) return 0;
	unsigned char b[4] = {0, 0, 0, 0};
	ssize_t n = read(fd, b, 4);
	close(fd);
	return n == 4 && b[0] == 'P' && b[1] == 'K' && ((b[2] == 3 && b[3] == 4) || (b[2] == 5 && b[3] == 6));
}

// With rules: the output folder lies inside rules->root, links followed; 0 or err_path_outside.
int unpack_folder_allowed(const std::string& out_dir, const unpack_rules* rules)
{
	if (!rules || rules->root.empty()) return 0;
	if (path_stays_inside(rules->root, out_dir, 1)) return 0;
	io_log() << "Refusing to unpack into " << out_dir << ": it leads outside " << rules->root << " through a link.\n";
	ERR_AT();
	return err_path_outside;
}

// With rules naming an entry: only that entry (and its AppleDouble companion) is written.
static bool entry_wanted(const std::string& name, bool in_mac, const unpack_rules* rules)
{
	if (!rules || rules->entry.empty()) return true;
	return in_mac ? name == "__MACOSX/._" + rules->entry : name == rules->entry;
}

uint64_t unpack_allowance(const unpack_rules* rules, uint64_t written)
{
	uint64_t most = rules && rules->max_bytes ? rules->max_bytes : UINT64_MAX;
	if (rules && rules->max_total) {
		uint64_t left = written < rules->max_total ? rules->max_total - written : 0;
		if (left < most) most = left;
	}
	return most;
}

int unpack_listing_check(uint64_t entries, int wanted_seen, const std::string& archive, const unpack_rules* rules)
{
	uint64_t most = rules && rules->max_entries ? rules->max_entries : (uint64_t)archive_entries_max;
	if (wanted_seen > 1) {
		io_log() << "Refusing " << archive << ": it lists " << UTL_log_safe(rules->entry) << " more than once.\n";
		ERR_AT();
		return err_archive_repeats;
	}
	if (entries > most) {
		io_log() << "Refusing " << archive << ": it lists more than " << most << " entries.\n";
		ERR_AT();
		return err_archive_too_many;
	}
	return 0;
}

// Stored names longer than this are cut in the log.
enum { logged_name_max = 200 };

void unpack_log_skipped(uint64_t skipped, const std::string& first, const std::string& archive, const unpack_rules* rules)
{
	if (!skipped) return;
	std::string name = first.size() > logged_name_max ? first.substr(0, logged_name_max) + "..." : first;
	io_log() << "Skipped " << skipped << (skipped == 1 ? " entry" : " entries") << " of " << archive << " (the first: "
	         << UTL_log_safe(name) << "): the archive was fetched for " << UTL_log_safe(rules->entry) << " alone.\n";
}

// The central directory's names, read before anything is written: how many
// entries it lists (reading no further than one past the most allowed) and
// how often the wanted entry or its AppleDouble companion is among them.
// Nothing is inflated.
static int scan_zip_listing(unzFile uf, const std::string& zip, const unpack_rules* rules)
{
	uint64_t most = rules && rules->max_entries ? rules->max_entries : (uint64_t)archive_entries_max;
	unz_global_info64 gi;
	uint64_t listed = unzGetGlobalInfo64(uf, &gi) == UNZ_OK ? gi.number_entry : 0;
	const std::string want = rules ? rules->entry : std::string();
	const std::string fork = want.empty() ? std::string() : "__MACOSX/._" + want;
	std::vector<char> nb(fork.size() + 1);
	uint64_t entries = 0;
	int seen = 0, seen_fork = 0;
	int err = unzGoToFirstFile(uf);
	while (err == UNZ_OK && entries <= most) {
		++entries;
		if (!want.empty()) {
			unz_file_info64 info;
			err = unzGetCurrentFileInfo64(uf, &info, nb.data(), (uLong)nb.size(), nullptr, 0, nullptr, 0);
			if (err != UNZ_OK) break;
			seen += info.size_filename == want.size() && memcmp(nb.data(), want.data(), want.size()) == 0;
			seen_fork += info.size_filename == fork.size() && memcmp(nb.data(), fork.data(), fork.size()) == 0;
		}
		err = unzGoToNextFile(uf);
	}
	if (err != UNZ_OK && err != UNZ_END_OF_LIST_OF_FILE) return err;
	return unpack_listing_check(entries > listed ? entries : listed, seen > seen_fork ? seen : seen_fork, zip, rules);
}


static voidpf ZCALLBACK fd_open(voidpf opaque, const void*, int mode)
{
	return (mode & ZLIB_FILEFUNC_MODE_WRITE) ? nullptr : opaque;
}

static uLong ZCALLBACK fd_read(voidpf, voidpf stream, void* buf, uLong size)
{
	zip_fd_source* s = (zip_fd_source*)stream;
	if (s->mem || size > zip_fd_source::window_size / 2 || s->at < s->base || s->at + size > s->base + s->held) {
		ssize_t n;
		if (s->mem || size > zip_fd_source::window_size / 2) {
			n = s->read_at(buf, size, s->at);
			if (n < 0) s->failed = 1;
			if (n <= 0) return 0;
			s->at += (uint64_t)n;
			return (uLong)n;
		}
		n = s->read_at(s->window, sizeof(s->window), s->at);
		s->base = s->at;
		s->held = n > 0 ? (size_t)n : 0;
		if (n < 0) s->failed = 1;
	}
	uint64_t left = s->base + s->held > s->at ? s->base + s->held - s->at : 0;
	size_t n = left < size ? (size_t)left : (size_t)size;
	memcpy(buf, s->window + (s->at - s->base), n);
	s->at += n;
	return (uLong)n;
}

static uLong ZCALLBACK fd_write(voidpf, voidpf, const void*, uLong) { return 0; }
static ZPOS64_T ZCALLBACK fd_tell(voidpf, voidpf stream) { return ((zip_fd_source*)stream)->at; }

static long ZCALLBACK fd_seek(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
	zip_fd_source* s = (zip_fd_source*)stream;
	s->at = offset + (origin == ZLIB_FILEFUNC_SEEK_CUR ? s->at : origin == ZLIB_FILEFUNC_SEEK_END ? s->size : 0);
	return 0;
}

static int ZCALLBACK fd_close(voidpf, voidpf) { return 0; }
static int ZCALLBACK fd_error(voidpf, voidpf stream) { return ((zip_fd_source*)stream)->failed; }

static int unzip_all(zip_fd_source& source, const std::string& zip, const std::string& out_dir,
                     std::string* first_name, int rename, const unpack_rules* rules);

int zip_to_file(const std::string& zip, const std::string& out_dir, std::string* first_name, int rename,
                const unpack_rules* rules)
{
	std::string z = path_full(zip);
	zip_fd_source source;
	source.fd = open(z.c_str(), O_RDONLY | O_CLOEXEC);
	struct stat st;
	if (source.fd < 0 || fstat(source.fd, &st) != 0) {
		if (source.fd >= 0) close(source.fd);
		io_log() << "OK I am about to report that I could not open a zip file for extraction!\n"
		    << "That incoming file is " << zip << "\n"
		    << "In c-form, it is " << z << "\n"
		    << "The size is " << z.size() << "\n";
		return err_zip_open;
	}
	source.size = (uint64_t)st.st_size;
	int err = unzip_all(source, zip, out_dir, first_name, rename, rules);
	close(source.fd);
	return err;
}

int zip_bytes_to_file(const std::string& bytes, const std::string& name, const std::string& out_dir,
                      std::string* first_name, int rename, const unpack_rules* rules)
{
	zip_fd_source source;
	source.mem = (const unsigned char*)bytes.data();
	source.size = bytes.size();
	return unzip_all(source, name, out_dir, first_name, rename, rules);
}

// Every entry of the archive `source` holds (`zip` names it in the log).
static int unzip_all(zip_fd_source& source, const std::string& zip, const std::string& out_dir,
                     std::string* first_name, int rename, const unpack_rules* rules)
{
	zlib_filefunc64_def io = {fd_open, fd_read, fd_write, fd_tell, fd_seek, fd_close, fd_error, &source};
	unzFile uf = unzOpen2_64(zip.c_str(), &io);
	if (!uf) {
		io_log() << "OK I am about to report that I could not open a zip file for extraction!\n"
		    << "That incoming file is " << zip << "\n";
		return err_zip_open;
	}
	std::string wanted = first_name ? *first_name : "";
	int err = unpack_folder_allowed(out_dir, rules);
	if (!err) err = scan_zip_listing(uf, zip, rules);
	if (!err) err = unzGoToFirstFile(uf);
	bool first = true, found = false;
	uint64_t written = 0, skipped = 0;
	std::string first_skipped;
	while (err == UNZ_OK) {
		unz_file_info64 info;
		err = unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0);
		std::vector<char> nb(info.size_filename + 1, 0);
		std::vector<unsigned char> extra(err == UNZ_OK ? info.size_file_extra : 0);
		if (err == UNZ_OK)
			err = unzGetCurrentFileInfo64(uf, &info, nb.data(), (uLong)nb.size(), extra.data(), (uLong)extra.size(), nullptr, 0);
		if (err == UNZ_OK) take_zip64_sizes(info, extra);
		if (err != UNZ_OK) {
			io_log() << "unzGetCurrentFileInfo err != UNZ_OK! err=" << err << "\n";
			break;
		}
		std::string name(nb.data(), info.size_filename);
		std::string target = (first && rename) ? wanted : name;
		if (first && first_name) *first_name = name;
		first = false;
		bool is_dir = !name.empty() && name.back() == '/';
		bool in_mac = name.compare(0, 8, "__MACOSX") == 0;
		std::string out;
		int r = 0;
		if (!is_dir && !entry_wanted(name, in_mac, rules)) {
			if (!skipped++) first_skipped = name;
		} else if (is_dir) {
			if (!in_mac && !(rules && !rules->entry.empty())) {
				r = archive_entry_path(out_dir, target, 1, out);
				if (!r) {
					r = make_folder(out);
					if (r == EEXIST || r == err_duplicate_name) r = 0;
				}
			}
		} else if (!in_mac) {
			found = true;
			r = archive_entry_path(out_dir, target, 0, out);
			if (!r)
				r = is_link_mode(unix_mode(info))
				        ? unzip_symlink(uf, out_dir, target, out, info, rules)
				        : unzip_regular(uf, source, out, info, unpack_allowance(rules, written), rules, &written);
			if (r && !is_link_mode(unix_mode(info)))
				io_log() << "Zip to file failed with error " << r << ". file = " << sErrFile << " line = " << sErrLine
				    << ". inFile=" << UTL_log_safe(out) << ".\n";
		} else {
			r = name.size() > 9 ? archive_entry_path(out_dir, name.substr(9), 0, out) : err_zip_fork_header;
			if (!r) r = unzip_resource_fork(uf, out, info);
		}
		if (r) {
			io_log() << "UNZIP zip_to_file failed with err=" << r << "\n";
			err = r;
			break;
		}
		err = unzGoToNextFile(uf);
	}
	if (err == UNZ_END_OF_LIST_OF_FILE) err = 0;
	unpack_log_skipped(skipped, first_skipped, zip, rules);
	if (!err && rules && !rules->entry.empty() && !found) {
		io_log() << "The archive " << zip << " does not hold " << UTL_log_safe(rules->entry) << ".\n";
		err = err_archive_no_entry;
	}
	int cerr = unzClose(uf);
	if (!err && cerr != UNZ_OK) err = cerr;
	// the library's own codes (all below zero) say the archive is damaged: the user gets words for that
	if (err < 0) err = err_archive_damaged;
	if (err)
		io_log() << "Zip to file failed with error err = " << err << ". file = " << sErrFile << " line = " << sErrLine
		    << ". zip_file=" << zip << ", out_dir=" << out_dir << ".\n";
	return err;
}

static void put_be32(unsigned char* p, uint32_t v)
{
	p[0] = (unsigned char)(v >> 24);
	p[1] = (unsigned char)(v >> 16);
	p[2] = (unsigned char)(v >> 8);
	p[3] = (unsigned char)v;
}

// Made on Unix, zip format version 3.0: readers then honour the mode and link bits.
static const uLong kMadeByUnix = (3 << 8) | 30;

// Bytes handed to the compressor at a time: the signature is taken from the
// same bytes while they are in the processor's cache, and the pages of a
// mapped source are let go behind them, so a large file never stays
// resident whole.
static const uint64_t zip_write_piece = 1u << 20;

// md5 (optional) takes the entry's bytes as they are written; `mapped`: data
// is a whole mapping whose written pages may be dropped.
static int add_entry(zipFile zf, const std::string& name, const zip_fileinfo& zi, int method,
                     const void* data, uint64_t size, md5_digest* md5 = nullptr, bool mapped = false)
{
	int zip64 = size >= 0xFFFFFFFFull;
	int err = zipOpenNewFileInZip4_64(zf, name.c_str(), &zi, nullptr, 0, nullptr, 0, nullptr, method,
	                                  method ? Z_DEFAULT_COMPRESSION : 0, 0, -MAX_WBITS, DEF_MEM_LEVEL,
	                                  Z_DEFAULT_STRATEGY, nullptr, 0, kMadeByUnix, 0, zip64);
	if (err != ZIP_OK) { ERR_AT(); return err_zip_write; }
	const char* p = (const char*)data;
	uint64_t left = size;
	bool drop = mapped && size > zip_write_piece;
	while (left > 0 && !err) {
		unsigned piece = (unsigned)(left > zip_write_piece ? zip_write_piece : left);
		if (md5) md5->add(p, piece);
		if (zipWriteInFileInZip(zf, p, piece) != ZIP_OK) { ERR_AT(); err = err_zip_write; }
		if (drop) madvise((void*)p, piece, MADV_DONTNEED);
		p += piece;
		left -= piece;
	}
	if (zipCloseFileInZip(zf) != ZIP_OK && !err) { ERR_AT(); err = err_zip_write; }
	return err;
}

// The bytes of a regular file: read into the thread's buffer when they fit
// it, else mapped. Unmapping interrupts every other processor the program
// runs on, which the compression of a large file outweighs and that of a
// small one does not. Missing, empty or no regular file: no data.
struct zip_source {
	xmap_class  map;
	const char* data = nullptr;
	uint64_t    size = 0;
	bool        mapped = false;

	explicit zip_source(const std::string& path)
	{
		struct stat st;
		if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return;
		if (st.st_size > unpack_buffer_size) {
			map.retry(path);
			data = map.begin;
			size = map.begin ? (uint64_t)(map.end - map.begin) : 0;
			mapped = true;
			return;
		}
		int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
		if (fd < 0) return;
		char* buf = unpack_buffer();
		while (size < (uint64_t)st.st_size) {
			ssize_t n = read(fd, buf + size, (size_t)st.st_size - size);
			if (n < 0 && errno == EINTR) continue;
			if (n <= 0) break;
			size += (uint64_t)n;
		}
		close(fd);
		if (size) data = buf;
	}
};

int file_to_zip(const std::string& source, const std::string& zip, std::string* signature)
{
	std::string src = path_full(source), z = path_full(zip);
	std::string leaf = src.substr(src.rfind('/') == std::string::npos ? 0 : src.rfind('/') + 1);
	struct stat st;
	int err = 0;
	zipFile zf = nullptr;
	md5_digest md5;
	if (lstat(src.c_str(), &st) != 0) { ERR_AT(); err = err_file_not_found; }
	else if (S_ISLNK(st.st_mode)) {
		std::string text;
		is_sim_link(source, &text);
		zf = zipOpen64(z.c_str(), APPEND_STATUS_CREATE);
		if (!zf) { ERR_AT(); err = err_zip_create; }
		else {
			zip_fileinfo zi;
			memset(&zi, 0, sizeof(zi));
			zi.external_fa = 0xA1ED0000u;
			err = add_entry(zf, leaf, zi, 0, text.data(), text.size(), &md5);
		}
	} else {
		zip_source m(src);
		if (!m.data) { ERR_AT(); err = err_file_open_read; }
		if (!err) {
			zf = zipOpen64(z.c_str(), APPEND_STATUS_CREATE);
			if (!zf) { ERR_AT(); err = err_zip_create; }
		}
		if (!err) {
			zip_fileinfo zi;
			memset(&zi, 0, sizeof(zi));
			struct tm t;
			if (stat(src.c_str(), &st) == 0 && localtime_r(&st.st_mtime, &t)) {
				zi.tmz_date.tm_sec = t.tm_sec;
				zi.tmz_date.tm_min = t.tm_min;
				zi.tmz_date.tm_hour = t.tm_hour;
				zi.tmz_date.tm_mday = t.tm_mday;
				zi.tmz_date.tm_mon = t.tm_mon;
				zi.tmz_date.tm_year = t.tm_year + 1900;
				zi.external_fa = (uLong)st.st_mode << 16;
			}
			err = add_entry(zf, leaf, zi, Z_DEFLATED, m.data, m.size, &md5, m.mapped);
		}
		// a resource fork kept from an earlier extraction travels as an AppleDouble entry
		ssize_t fork_len = err ? -1 : lgetxattr(src.c_str(), kForkAttr, nullptr, 0);
		if (fork_len >= 0x7FFFFFFF) { ERR_AT(); err = err_zip_fork_too_big; }
		else if (fork_len > 0) {
			std::vector<unsigned char> ad(82 + fork_len, 0);
			memcpy(ad.data(), kMagicCrap, 46);
			put_be32(&ad[46], (uint32_t)fork_len);
			unsigned char finder[32] = {0};
			if (lgetxattr(src.c_str(), kFinderAttr, finder, 32) == 32) memcpy(&ad[50], finder, 16);
			ssize_t got = lgetxattr(src.c_str(), kForkAttr, &ad[82], fork_len);
			if (got == fork_len) {
				zip_fileinfo zi;
				memset(&zi, 0, sizeof(zi));
				err = add_entry(zf, "__MACOSX/._" + leaf, zi, Z_DEFLATED, ad.data(), ad.size());
			}
		}
	}
	if (zf && zipClose(zf, nullptr) != ZIP_OK && !err) { ERR_AT(); err = err_zip_write; }
	if (!err && signature) {
		*signature = md5.hex();
		if (signature->empty()) { ERR_AT(); err = err_file_open_read; }	// no MD5 to be had, logged
	}
	if (err) {
		if (zf) unlink(z.c_str());	// a broken archive must not pass for a good one
		io_log() << "file_to_zip failed with error " << err << ".\nfile = " << sErrFile << " line = " << sErrLine << "\n";
	}
	return err;
}
