#include "xmap.h"
#include "io_utils.h"
#include "UTL_alert.h"
#include "UTL_debug.h"
#include "UTL_log.h"
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <ios>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

std::ofstream ouf;
int mapped_files_open = 0;	// counted atomically: worker threads map files too

static inline bool is_blank(char c) { return c == ' ' || c == '\t'; }
static inline bool is_eol(char c) { return c == '\n' || c == '\r' || c == 0; }

int ouf_open(std::string path, int type, int version, std::string notice)
{
	if (type != file_type_bin && type != file_type_txt)
		__MACIBM_alert(0, "Bad ouf_open type!", path, "", "", t_exit, __FILE__, __LINE__);
	std::string f = path;
	set_path_to_full(f);
	if (f.size() > 3)
		for (size_t i = f.size() - 3; i < f.size(); ++i)
			if (f[i] >= 'A' && f[i] <= 'Z') f[i] = (char)(f[i] - 'A' + 'a');
	for (int attempt = 0; attempt < 2; ++attempt) {
		ouf.clear();
		if (ouf.is_open()) ouf.close();
		ouf.clear();
		if (type == file_type_bin) {
			ouf.open(f.c_str(), std::ios::out | std::ios::binary | std::ios::trunc);
			int32_t v = version;
			ouf.put('i');
			ouf.write((const char*)&v, 4);
		} else {
			ouf.open(f.c_str(), std::ios::out | std::ios::trunc);
			ouf.setf(std::ios::fixed, std::ios::floatfield);
			ouf << "I\n" << version << " version";
			if (notice != "no-copyright-string") ouf << notice;
			ouf << "\n";
		}
		if (ouf.good()) return 1;
		if (attempt == 0) {
			std::string folder;
			size_t slash = path.rfind('/');
			if (slash != std::string::npos) {
				folder = path.substr(0, slash + 1);
				(void)make_folder(folder);	// not made: the second open fails and is told below
			}
		}
	}
	__MACIBM_alert(0, "I could not save the file! Could the directory that the file sits in be missing? Or flagged as READ-ONLY by the operating system? (Windows machines typically do this).",
	               f, "Could the file be flagged as read-only? This happens in Windows if you copy it from a CD!",
	               "Try putting this app in the background and then flag the file as NOT read-only, or creating the folder listed in the path above.",
	               t_alert, __FILE__, __LINE__);
	return 0;
}

xmap_class::xmap_class(const std::string& p)
	: swap_bytes(0), io_mode(0), begin(nullptr), cursor(nullptr), end(nullptr), fd(0)
{
	if (!p.empty()) retry(p);
}

xmap_class::~xmap_class() { release(); }

void xmap_class::release()
{
	if (begin) {
		(void)munmap((void*)begin, end - begin);	// a mapping we made: it cannot fail
		__atomic_sub_fetch(&mapped_files_open, 1, __ATOMIC_RELAXED);
	}
	if (fd > 0) (void)close(fd);	// read only
	fd = 0;
	begin = end = cursor = nullptr;
}

const char* xmap_class::retry(const std::string& p)
{
	std::string c = p;
	bool resource = UTL_path_is_resource(c) != 0;
	release();
	if (resource) c = UTL_resource_get_file(c);
	else set_path_to_full(c);
	int f = open(c.c_str(), O_RDONLY | O_CLOEXEC);
	if (f <= 0) {
		if (f == 0) (void)close(f);	// read only
		return nullptr;
	}
	// A folder or a device opens too, but is no file to map: as if missing.
	struct stat st;
	if (fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
		(void)close(f);	// read only
		return nullptr;
	}
	fd = f;
	__atomic_add_fetch(&mapped_files_open, 1, __ATOMIC_RELAXED);
	off_t size = lseek(fd, 0, SEEK_END);
	(void)lseek(fd, 0, SEEK_SET);	// mmap takes its own offset
	if (size <= 0) {
		__atomic_sub_fetch(&mapped_files_open, 1, __ATOMIC_RELAXED);	// nothing mapped, nothing to release
		return nullptr;
	}
	void* m = mmap(nullptr, (size_t)size, PROT_READ, MAP_PRIVATE, fd, 0);
	if (m == nullptr)
		__MACIBM_alert(0, "Xmapped file ran out of memory", "", "", "", t_exit, __FILE__, __LINE__);
	if (m == MAP_FAILED) {
		int e = errno;
		__atomic_sub_fetch(&mapped_files_open, 1, __ATOMIC_RELAXED);
		xer << "Mem file error.  Err=" << e << ", file=" << c << "\n";
		if (e == ENOMEM) {
			char buf[64];
			snprintf(buf, sizeof(buf), "errno=%f", 12.0);
			__MACIBM_alert(0, "Xmapped out of memory", "c_path=", c, buf, t_exit, __FILE__, __LINE__);
		}
		return nullptr;
	}
	begin = (const char*)m;
	end = begin + size;
	cursor = begin;
	return begin;
}

void xmap_class::skip_blanks()
{
	while (cursor < end && is_blank(*cursor)) ++cursor;
}

void xmap_class::skip_line_ends_and_blanks()
{
	while (cursor < end && (is_eol(*cursor) || is_blank(*cursor))) ++cursor;
}

int xmap_class::check_file(int type, const int* versions, const char* name, std::string* rest)
{
	if (type != file_type_bin && type != file_type_txt)
		__MACIBM_alert(0, "Bad check_file type!", path, "", "", t_exit, __FILE__, __LINE__);
	if (!begin || begin == end) return 0;
	cursor = begin;
	int version = 0;
	if (type == file_type_bin) {
		char letter = cursor < end ? *cursor++ : 0;
		if (letter != 'a' && letter != 'i') return 0;
		swap_bytes = letter == 'a';
		if (end - cursor < 4) return 0;
		unsigned char b[4];
		memcpy(b, cursor, 4);
		cursor += 4;
		uint32_t v = swap_bytes ? ((uint32_t)b[0] << 24 | (uint32_t)b[1] << 16 | (uint32_t)b[2] << 8 | b[3])
		                        : ((uint32_t)b[3] << 24 | (uint32_t)b[2] << 16 | (uint32_t)b[1] << 8 | b[0]);
		version = (int)v;
	} else {
		if (end - cursor >= 4 && (unsigned char)cursor[0] == 0xEF && (unsigned char)cursor[1] == 0xBB &&
		    (unsigned char)cursor[2] == 0xBF)
			cursor += 3;
		char letter = cursor < end ? *cursor++ : 0;
		TXT_str_scan_eoln(nullptr);
		if (letter != 'A' && letter != 'I') return 0;
		version = TXT_int_scan();
		skip_blanks();
		const char* s = cursor;
		while (cursor < end && !is_eol(*cursor)) ++cursor;
		if (rest) rest->assign(s, cursor - s);
		skip_line_ends_and_blanks();
	}
	bool ok = false;
	for (const int* v = versions; v && *v; ++v)
		if (*v == version) ok = true;
	if (!ok || version == 0) return 0;
	if (!name) return version;
	skip_blanks();
	const char* at = cursor;
	size_t n = strlen(name);
	if ((size_t)(end - cursor) < n || memcmp(cursor, name, n) != 0 ||
	    (cursor + n < end && !is_blank(cursor[n]) && !is_eol(cursor[n]))) {
		cursor = at;
		return 0;
	}
	cursor += n;
	while (cursor < end && !is_eol(*cursor)) ++cursor;
	skip_line_ends_and_blanks();
	return version;
}

int xmap_class::has_text_header()
{
	const char* p = begin;
	if (!p) return 0;
	if (end - p >= 3 && (unsigned char)p[0] == 0xEF && (unsigned char)p[1] == 0xBB && (unsigned char)p[2] == 0xBF) p += 3;
	if (p >= end || (*p != 'A' && *p != 'I')) return 0;
	// the letter alone on its line (a page's first word may well begin so)
	for (++p; p < end && is_blank(*p); ++p) {}
	if (p >= end || !is_eol(*p)) return 0;
	while (p < end && (is_eol(*p) || is_blank(*p))) ++p;
	// then the version's number, as check_file reads it
	const char* digits = p;
	while (p < end && *p >= '0' && *p <= '9') ++p;
	return p > digits && (p == end || is_blank(*p) || is_eol(*p));
}

void xmap_class::read_n_rev(void* destination, long length)
{
	if (length < 0 || !cursor || end - cursor < length)
		__MACIBM_alert(0, "Invalid read_n_rev read!", "", "", "", t_exit, __FILE__, __LINE__);
	memcpy(destination, cursor, length);
	cursor += length;
	if (swap_bytes == 1) {
		unsigned char* p = (unsigned char*)destination;
		for (long w = 0; w + 4 <= length; w += 4) {
			std::swap(p[w], p[w + 3]);
			std::swap(p[w + 1], p[w + 2]);
		}
	}
}

int xmap_class::io_file_open(int mode, std::string p, int* versions, int type)
{
	io_mode = mode;
	if (mode == 0) return retry(p) && check_file(type, versions, nullptr, nullptr);
	if (mode == 1) return ouf_open(p, type, versions[0], "no-copyright-string");
	return 0;
}

void xmap_class::io_file_close()
{
	if (io_mode == 1) ouf.close();
}

int xmap_class::TXT_str_scan_match(const char* word, int eol_ok)
{
	skip_blanks();
	size_t n = strlen(word);
	if ((size_t)(end - cursor) < n || memcmp(cursor, word, n) != 0) return 0;
	const char* after = cursor + n;
	bool ok = after < end ? (is_blank(*after) || (eol_ok && is_eol(*after))) : eol_ok != 0;
	if (ok) cursor = after;
	return ok;
}

void xmap_class::TXT_str_scan_eoln(std::string* out)
{
	skip_blanks();
	const char* s = cursor;
	while (cursor < end && !is_eol(*cursor)) ++cursor;
	if (out) out->assign(s, cursor - s);
	skip_line_ends_and_blanks();
}

void xmap_class::TXT_str_scan_space(std::string* out)
{
	skip_blanks();
	const char* s = cursor;
	while (cursor < end && !is_blank(*cursor) && !is_eol(*cursor)) ++cursor;
	if (out) out->assign(s, cursor - s);
}

int xmap_class::TXT_int_scan()
{
	skip_blanks();
	int sign = 1;
	if (cursor < end && *cursor == '-') { sign = -1; ++cursor; }
	if (cursor < end && *cursor == '+') { sign = 1; ++cursor; }
	if (cursor >= end || is_blank(*cursor)) return 0;
	// saturates: a damaged file must not overflow into a plausible number
	long long v = 0;
	while (cursor < end && !is_blank(*cursor) && !is_eol(*cursor)) {
		v = v * 10 + (*cursor - '0');
		if (v > (long long)INT_MAX + 1) v = (long long)INT_MAX + 1;
		if (v < -((long long)INT_MAX + 1)) v = -((long long)INT_MAX + 1);
		++cursor;
	}
	v *= sign;
	if (v > INT_MAX) v = INT_MAX;
	if (v < INT_MIN) v = INT_MIN;
	return (int)v;
}

void xmap_class::TXT_xer_line()
{
	if (!begin) return;
	int cr = 1, lf = 1;
	for (const char* p = begin; p < cursor; ++p) {
		if (*p == '\r') ++cr;
		if (*p == '\n') ++lf;
	}
	const char* s = cursor;
	while (s > begin && s[-1] != '\r' && s[-1] != '\n') --s;
	const char* e = cursor;
	while (e < end && *e != '\r' && *e != '\n') ++e;
	xer << (cr > lf ? cr : lf) << " \"" << std::string(s, e - s) << "\"\n";
	xer.flush();
}

void TXT_xer_line_wrap(xmap_class* x) { x->TXT_xer_line(); }
