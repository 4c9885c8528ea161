#include "p7z_md5.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "unpack_writer.h"
#include "UTL_globals.h"
#include "UTL_log.h"
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <locale.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <vector>

#define ERR_AT() (sErrFile = "io_utils", sErrLine = __LINE__)


struct p7z_stream {
	FILE* f;
	std::vector<char> buf;
};

static la_ssize_t p7z_read(struct archive*, void* client, const void** block)
{
	p7z_stream* s = (p7z_stream*)client;
	*block = s->buf.data();
	size_t n = fread(s->buf.data(), 1, s->buf.size(), s->f);
	if (n == 0 && ferror(s->f)) return -1;
	return (la_ssize_t)n;
}

static la_int64_t p7z_seek(struct archive*, void* client, la_int64_t offset, int whence)
{
	p7z_stream* s = (p7z_stream*)client;
	if (fseeko(s->f, (off_t)offset, whence) != 0) return ARCHIVE_FATAL;
	return (la_int64_t)ftello(s->f);
}

static la_int64_t p7z_skip(struct archive*, void* client, la_int64_t request)
{
	p7z_stream* s = (p7z_stream*)client;
	if (fseeko(s->f, (off_t)request, SEEK_CUR) != 0) return 0;
	return request;
}

// The reader turns the stored UTF-16 names into the locale's characters: in
// the "C" locale a name beyond ASCII has none. This thread reads in UTF-8
// while the object lives, whatever the process's locale.
struct utf8_names {
	locale_t mine = (locale_t)0, old = (locale_t)0;
	utf8_names()
	{
		mine = newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t)0);
		if (mine) old = uselocale(mine);
	}
	~utf8_names()
	{
		if (!mine) return;
		uselocale(old);
		freelocale(mine);
	}
};

static std::string entry_name(struct archive_entry* e)
{
	const char* n = archive_entry_pathname_utf8(e);
	if (!n) n = archive_entry_pathname(e);
	return n ? n : "";
}

// The 7z reader allocates the sizes and counts a header declares before it
// holds them against the header's length: a header of a few bytes can ask for
// 2^60. So the start header and the header it points to are walked here
// first, and an archive whose header declares more than it holds, or more
// entries than allowed, is refused before the reader sees it.
enum {
	sz_header_max   = 64 << 20,	// the most a header may unpack to: far above 65,536 entries' names
	sz_streams_max  = 1 << 16,	// folders, coders' streams, packed streams: as many as entries
	sz_coders_max   = 64
};

struct sz_walker {
	const unsigned char* p;
	const unsigned char* end;
	bool     bad = false;
	uint64_t files = 0;		// entries the header lists
	uint64_t header_unpacked = 0;	// an encoded header: what it unpacks to

	int byte()
	{
		if (p >= end) { bad = true; return 0; }
		return *p++;
	}
	uint64_t num()	// the format's numbers: the first byte's leading ones count the bytes that follow
	{
		int first = byte();
		uint64_t v = 0;
		for (int i = 0, mask = 0x80; i < 8; ++i, mask >>= 1) {
			if (!(first & mask)) return v | (uint64_t)(first & (mask - 1)) << (8 * i);
			v |= (uint64_t)byte() << (8 * i);
		}
		return v;
	}
	// A count of things each at least `each` bytes long still to come: never more than the bytes left.
	uint64_t count(uint64_t most, uint64_t each = 1)
	{
		uint64_t n = num();
		if (n > most || n > (uint64_t)(end - p) / each + 1) bad = true;
		return bad ? 0 : n;
	}
	void skip(uint64_t n)
	{
		if (n > (uint64_t)(end - p)) bad = true;
		else p += n;
	}
	uint64_t bits(uint64_t n)	// a bit vector of n: how many are set
	{
		uint64_t set = 0;
		for (uint64_t i = 0; i < n && !bad; i += 8) {
			int b = byte();
			for (int k = 0; k < 8 && i + k < n; ++k) set += (b >> (7 - k)) & 1;
		}
		return set;
	}
	uint64_t digests(uint64_t n)	// CRCs of n streams: how many are given
	{
		uint64_t given = byte() ? n : bits(n);
		skip(4 * given);
		return given;
	}
	void expect(uint64_t id)
	{
		if (num() != id) bad = true;
	}
	void properties()	// type, size, bytes; to a zero type
	{
		while (!bad) {
			uint64_t type = num();
			if (!type) return;
			skip(num());
		}
	}
	void streams(bool encoded_header)
	{
		uint64_t id = num(), folders = 0;
		std::vector<uint64_t> folder_outs;
		std::vector<char>     folder_crc;
		if (id == 6) {	// packed streams
			num();
			uint64_t packed = count(sz_streams_max);
			for (id = num(); id && !bad; id = num()) {
				if (id == 9) for (uint64_t i = 0; i < packed && !bad; ++i) num();
				else if (id == 10) digests(packed);
				else bad = true;
			}
			id = num();
		}
		if (id == 7 && !bad) {	// folders and their coders
			expect(11);
			folders = count(sz_streams_max);
			if (byte() != 0) bad = true;	// held elsewhere: no archive made so
			for (uint64_t f = 0; f < folders && !bad; ++f) {
				uint64_t coders = count(sz_coders_max), ins = 0, out = 0;
				for (uint64_t c = 0; c < coders && !bad; ++c) {
					int flags = byte();
					skip(flags & 0x0F);
					uint64_t i = 1, o = 1;
					if (flags & 0x10) { i = count(sz_coders_max); o = count(sz_coders_max); }
					if (flags & 0x20) skip(num());
					ins += i;
					out += o;
				}
				if (!out || ins + 1 < out) { bad = true; break; }
				for (uint64_t b = 0; b + 1 < out && !bad; ++b) { num(); num(); }
				uint64_t packed_in = ins - (out - 1);
				if (packed_in > 1) for (uint64_t k = 0; k < packed_in && !bad; ++k) num();
				folder_outs.push_back(out);
			}
			expect(12);
			for (uint64_t f = 0; f < folders && !bad; ++f)
				for (uint64_t o = 0; o < folder_outs[f] && !bad; ++o) {
					uint64_t size = num();
					// the header's own unpacked size: the reader allocates it whole
					if (encoded_header && size > header_unpacked) header_unpacked = size;
				}
			folder_crc.assign(folders, 0);
			for (id = num(); id && !bad; id = num()) {
				if (id != 10) { bad = true; break; }
				if (byte()) folder_crc.assign(folders, 1);
				else {
					for (uint64_t f = 0; f < folders; f += 8) {
						int b = byte();
						for (int k = 0; k < 8 && f + k < folders; ++k) folder_crc[f + k] = (b >> (7 - k)) & 1;
					}
				}
				for (char c : folder_crc) skip(c ? 4 : 0);
			}
			id = num();
		}
		if (id == 8 && !bad) {	// the files in each folder
			std::vector<uint64_t> in_folder(folders, 1);
			for (id = num(); id && !bad; id = num()) {
				if (id == 13) {
					for (uint64_t& n : in_folder) n = count(sz_streams_max);
				} else if (id == 9) {
					for (uint64_t n : in_folder)
						for (uint64_t k = 1; k < n && !bad; ++k) num();
				} else if (id == 10) {
					uint64_t unknown = 0;
					for (uint64_t f = 0; f < folders; ++f)
						unknown += in_folder[f] == 1 && folder_crc[f] ? 0 : in_folder[f];
					if (unknown > sz_streams_max) bad = true;
					else digests(unknown);
				} else {
					bad = true;
				}
			}
			id = num();
		}
		if (id != 0) bad = true;
	}
	void header(uint64_t most_files)
	{
		uint64_t id = num();
		if (id == 2) { properties(); id = num(); }
		if (id == 3 && !bad) { streams(false); id = num(); }
		if (id == 4 && !bad) { streams(false); id = num(); }
		if (id == 5 && !bad) {	// the entries and their properties
			files = num();
			if (files > most_files) return;
			properties();
			id = num();
		}
		if (id != 0) bad = true;
	}
};

static uint64_t le_bytes(const unsigned char* p, int n)
{
	uint64_t v = 0;
	for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
	return v;
}

// 0, or the code that refuses the archive: err_zip_open when its headers lie,
// err_archive_too_many when it lists more entries than allowed.
static int check_7z_headers(FILE* f, const std::string& archive_path, uint64_t most_files)
{
	unsigned char start[32];
	if (fseeko(f, 0, SEEK_END) != 0) return err_zip_open;
	const uint64_t size = (uint64_t)ftello(f);
	if (fseeko(f, 0, SEEK_SET) != 0 || fread(start, 1, 32, f) != 32) return 0;	// the reader says what it is not
	static const unsigned char sig[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
	if (memcmp(start, sig, 6) != 0) return 0;
	const uint64_t at = le_bytes(start + 12, 8), len = le_bytes(start + 20, 8);
	const char* why = nullptr;
	sz_walker w;
	std::vector<unsigned char> h;
	if (at > size || len > size - 32 - std::min(at, size - 32)) why = "its header lies past its end";
	else if (len > sz_header_max) why = "its header is larger than any archive's";
	else if (len > 0) {
		h.resize((size_t)len);
		if (fseeko(f, (off_t)(32 + at), SEEK_SET) != 0 || fread(h.data(), 1, h.size(), f) != h.size()) return err_zip_open;
		w.p = h.data();
		w.end = h.data() + h.size();
		uint64_t kind = w.num();
		if (kind == 1) w.header(most_files);
		else if (kind == 0x17) w.streams(true);
		else w.bad = true;
		if (w.files > most_files) {
			io_log() << "Refusing " << archive_path << ": it lists more than " << most_files << " entries.\n";
			return err_archive_too_many;
		}
		if (w.bad) why = "its header declares more than it holds";
		else if (w.header_unpacked > sz_header_max) why = "its header unpacks to more than any archive's";
	}
	if (!why) return 0;
	io_log() << "Refusing 7z archive " << archive_path << ": " << why << ".\n";
	ERR_AT();
	return err_zip_open;
}

// A reader of the 7z format only (a zip is refused) from the start of the file; null when it cannot open.
static struct archive* open_7z(p7z_stream& s)
{
	if (fseeko(s.f, 0, SEEK_SET) != 0) return nullptr;
	struct archive* ar = archive_read_new();
	archive_read_support_format_7zip(ar);
	archive_read_set_read_callback(ar, p7z_read);
	archive_read_set_seek_callback(ar, p7z_seek);
	archive_read_set_skip_callback(ar, p7z_skip);
	archive_read_set_callback_data(ar, &s);
	if (archive_read_open1(ar) == ARCHIVE_OK) return ar;
	archive_read_free(ar);
	return nullptr;
}

// The archive's listing, read before anything is written: its headers alone,
// no entry decoded. 0, or the code that refuses the archive.
static int scan_7z_listing(p7z_stream& s, const std::string& archive_path, const unpack_rules* rules)
{
	struct archive* ar = open_7z(s);
	if (!ar) return 0;	// the extraction's own open reports it
	uint64_t most = rules && rules->max_entries ? rules->max_entries : (uint64_t)archive_entries_max;
	uint64_t entries = 0;
	int seen = 0;
	struct archive_entry* e;
	while (entries <= most && archive_read_next_header(ar, &e) == ARCHIVE_OK) {
		++entries;
		if (rules && !rules->entry.empty() && entry_name(e) == rules->entry) ++seen;
	}
	archive_read_free(ar);
	return unpack_listing_check(entries, seen, archive_path, rules);
}

int p7z_to_file(const std::string& archive_path, const std::string& out_dir, std::string* out_path, int rename,
                const unpack_rules* rules)
{
	std::string a = path_full(archive_path);
	utf8_names in_utf8;
	p7z_stream s;
	s.f = fopen(a.c_str(), "rb");
	if (!s.f) return errno;
	s.buf.resize(1 << 16);
	int err = unpack_folder_allowed(out_dir, rules);
	if (!err) err = check_7z_headers(s.f, archive_path, rules && rules->max_entries ? rules->max_entries : (uint64_t)archive_entries_max);
	if (!err) err = scan_7z_listing(s, archive_path, rules);
	struct archive* ar = err ? nullptr : open_7z(s);
	if (!err && !ar) { ERR_AT(); err = err_zip_open; }
	std::string wanted = out_path ? *out_path : "";
	bool only_one = rules && !rules->entry.empty();
	bool first = true, found = false;
	uint64_t written = 0, skipped = 0;
	std::string first_skipped;
	char* buf = unpack_buffer();
	while (!err) {
		struct archive_entry* e;
		int r = archive_read_next_header(ar, &e);
		if (r == ARCHIVE_EOF) break;
		if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
			io_log() << "7z archive " << archive_path << ": " << (archive_error_string(ar) ? archive_error_string(ar) : "unreadable") << "\n";
			ERR_AT();
			err = first ? err_zip_open : err_zip_short_read;
			break;
		}
		std::string name = entry_name(e);
		if (name.empty()) {
			io_log() << "7z archive " << archive_path << ": an entry without a readable name\n";
			ERR_AT();
			err = err_zip_short_read;
			break;
		}
		if (archive_entry_filetype(e) == AE_IFDIR) { first = false; continue; }	// folders must exist already
		if (only_one && name != rules->entry) {
			if (!skipped++) first_skipped = name;
			first = false;
			continue;
		}
		found = true;
		std::string target = (first && rename) ? wanted : name;
		first = false;
		std::string out;
		err = archive_entry_path(out_dir, target, 0, out);
		if (err) {
			io_log() << "Refusing 7z entry " << UTL_log_safe(name) << " of " << archive_path << "\n";
			break;
		}
		if (out_path) *out_path = out;
		const uint64_t max_bytes = unpack_allowance(rules, written);
		if (archive_entry_size_is_set(e) && (uint64_t)archive_entry_size(e) > max_bytes) {
			ERR_AT();
			err = err_archive_too_big;
			break;
		}
		// handed to the disk writer, which places it once whole (the reader checks the CRC)
		const bool link = archive_entry_filetype(e) == AE_IFLNK;
		unpack_writer w(out, rules, link ? UINT64_MAX : max_bytes);	// a link's text is not bounded
		if ((err = w.open()) != 0) break;
		if (link) {
			const char* text = archive_entry_symlink(e);	// kept as a file holding the link text
			if (text) err = w.write(text, strlen(text));
		} else {
			for (;;) {
				la_ssize_t n = archive_read_data(ar, buf, unpack_buffer_size);
				if (n == 0) break;
				if (n < 0) {
					io_log() << "7z archive " << archive_path << ": " << (archive_error_string(ar) ? archive_error_string(ar) : "damaged") << "\n";
					err = err_zip_short_read;
					break;
				}
				err = w.write(buf, (size_t)n);
				if (err) break;
				written += (uint64_t)n;
			}
		}
		if (!err) err = w.place();
		if (err) ERR_AT();
	}
	unpack_log_skipped(skipped, first_skipped, archive_path, rules);
	if (!err && only_one && !found) {
		io_log() << "The archive " << archive_path << " does not hold " << UTL_log_safe(rules->entry) << ".\n";
		err = err_archive_no_entry;
	}
	if (ar) archive_read_free(ar);
	fclose(s.f);
	return err;
}


// MD5 from a library context of our own: what the system's crypto
// configuration does to the shared one (a setting that allows only approved
// algorithms, say) must not take the program's signatures away. Fetched once;
// kept for the life of the process.
static EVP_MD* md5_algorithm()
{
	static EVP_MD* md = [] {
		OSSL_LIB_CTX* lib = OSSL_LIB_CTX_new();
		EVP_MD* m = lib && OSSL_PROVIDER_load(lib, "default") ? EVP_MD_fetch(lib, "MD5", nullptr) : nullptr;
		if (!m) io_log() << "No MD5 from the crypto library: no file can be signed.\n";
		return m;
	}();
	return md;
}

md5_digest::md5_digest() : ctx(EVP_MD_CTX_new())
{
	EVP_MD* md = md5_algorithm();
	failed = !ctx || !md || !EVP_DigestInit_ex2(ctx, md, nullptr);
}

md5_digest::~md5_digest() { EVP_MD_CTX_free(ctx); }

void md5_digest::add(const void* data, size_t length)
{
	if (!failed && length) failed = !EVP_DigestUpdate(ctx, data, length);
}

std::string md5_digest::hex()
{
	unsigned char d[EVP_MAX_MD_SIZE];
	unsigned int n = 0;
	if (failed || !EVP_DigestFinal_ex(ctx, d, &n) || n != 16) {
		failed = true;
		return std::string();
	}
	failed = true;	// ended: nothing more goes in
	static const char digits[] = "0123456789abcdef";
	std::string s(32, '0');
	for (int i = 0; i < 16; ++i) {
		s[2 * i] = digits[d[i] >> 4];
		s[2 * i + 1] = digits[d[i] & 15];
	}
	return s;
}

// Bytes read per call: enough that the calls cost little beside the digest,
// little enough to stay in the processor's cache.
enum { md5_read_piece = 256 * 1024 };

// Each thread reads into its own buffer, kept for the thread's life: the
// checksum workers sign thousands of files one after another.
static thread_local std::vector<unsigned char> md5_buffer;

// Finds what to sign and looks at it: the name as given when it is there
// (most are; the look-up in other cases costs a stat of its own), else as
// set_path_to_full finds it. False when there is nothing at either.
static bool look_at(const std::string& path, std::string& f, struct stat& st)
{
	f = app_path + path;
	if (lstat(f.c_str(), &st) == 0) return true;
	std::string other = path_full(path);
	if (other == f) return false;
	f = other;
	return lstat(f.c_str(), &st) == 0;
}

// Opens a regular file for reading, never waiting on a pipe or device put
// there since it was looked at (such a thing reads as nothing, or fails).
static int open_regular(const std::string& f, int* why)
{
	int fd = open(f.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
	// A lease held by another program (a file server's, say): wait for its
	// holder to let go, as a plain open does; the kernel bounds the wait.
	if (fd < 0 && errno == EWOULDBLOCK) fd = open(f.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
	// gone since it was looked at: missing; anything else keeps it from being read
	if (fd < 0 && why && errno != ENOENT) *why = md5_unreadable;
	return fd;
}

// The end of calc_file_md5: a file whose signature the library could not
// give counts as unreadable, never as missing.
static int signed_as(md5_digest& md5, std::string& signature, int* why)
{
	std::string s = md5.hex();
	if (s.empty()) {
		if (why) *why = md5_unreadable;
		return err_file_open_read;
	}
	signature = s;
	return 0;
}

file_identity file_identity_from(const struct stat& st)
{
	file_identity id;
	id.known = true;
	id.device = (uint64_t)st.st_dev;
	id.inode = (uint64_t)st.st_ino;
	id.size = (int64_t)st.st_size;
	id.mtime_s = (int64_t)st.st_mtim.tv_sec;
	id.mtime_ns = (int64_t)st.st_mtim.tv_nsec;
	id.ctime_s = (int64_t)st.st_ctim.tv_sec;
	id.ctime_ns = (int64_t)st.st_ctim.tv_nsec;
	return id;
}

file_identity file_identity_of(const std::string& path)
{
	std::string f;
	struct stat st;
	return look_at(path, f, st) ? file_identity_from(st) : file_identity();
}

// A small file costs more in system calls than in its digest: it is looked
// at once, opened, read in one call and closed.
int calc_file_md5(const std::string& path, std::string& signature, int* why, const std::atomic<int>* stop)
{
	if (why) *why = md5_missing;
	std::string f;
	struct stat st;
	if (!look_at(path, f, st)) return err_file_open_read;
	md5_digest md5;
	if (S_ISLNK(st.st_mode)) {
		std::string text;
		if (!is_sim_link(path, &text)) return err_file_open_read;
		md5.add(text.data(), text.size());
		return signed_as(md5, signature, why);
	}
	// A folder, pipe, socket or device is never opened: a pipe would wait
	// for a writer for ever, and opening a device may act on it.
	if (!S_ISREG(st.st_mode)) {
		if (why) *why = md5_not_a_file;
		return err_file_open_read;
	}
	int fd = open_regular(f, why);
	if (fd < 0) return err_file_open_read;
	if (st.st_size > md5_read_piece) posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
	if (md5_buffer.size() < md5_read_piece) md5_buffer.resize(md5_read_piece);
	// Read up to the size the file had when looked at, as far as it still
	// goes: a file that shrinks meanwhile is signed as it now is (a mapped
	// read would fault past its new end).
	off_t total = 0;
	while (total < st.st_size) {
		if (stop && stop->load(std::memory_order_relaxed)) {
			close(fd);
			return ECANCELED;
		}
		ssize_t n = read(fd, md5_buffer.data(), md5_read_piece);
		if (n < 0 && errno == EINTR) continue;
		if (n < 0) {
			close(fd);
			if (why) *why = errno == EISDIR ? md5_not_a_file : md5_unreadable;
			return err_file_open_read;
		}
		if (n == 0) break;
		md5.add(md5_buffer.data(), (size_t)n);
		total += n;
	}
	close(fd);
	if (total == 0) return err_file_open_read;	// empty, as a missing file
	return signed_as(md5, signature, why);
}
