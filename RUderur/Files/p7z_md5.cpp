#include "p7z_md5.h"
#include "io_utils.h"
#include "zip_utils.h"
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
#include <vector>

#define ERR_AT() (sErrFile = "io_utils", sErrLine = __LINE__)

static std::string full(const std::string& p)
{
	std::string f = p;
	set_path_to_full(f);
	return f;
}

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

static int write_all(int fd, const void* data, size_t n)
{
	const char* p = (const char*)data;
	while (n > 0) {
		ssize_t w = write(fd, p, n);
		if (w < 0 && errno == EINTR) continue;
		if (w <= 0) return err_zip_write;
		p += w;
		n -= (size_t)w;
	}
	return 0;
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

int p7z_to_file(const std::string& archive_path, const std::string& out_dir, std::string* out_path, int rename,
                const unpack_rules* rules)
{
	std::string a = full(archive_path);
	utf8_names in_utf8;
	p7z_stream s;
	s.f = fopen(a.c_str(), "rb");
	if (!s.f) return errno;
	s.buf.resize(1 << 16);
	struct archive* ar = archive_read_new();
	archive_read_support_format_7zip(ar);	// the 7z format only: a zip is refused
	archive_read_set_read_callback(ar, p7z_read);
	archive_read_set_seek_callback(ar, p7z_seek);
	archive_read_set_skip_callback(ar, p7z_skip);
	archive_read_set_callback_data(ar, &s);
	int err = 0;
	if (archive_read_open1(ar) != ARCHIVE_OK) { ERR_AT(); err = err_zip_open; }
	if (!err) err = unpack_folder_allowed(out_dir, rules);
	std::string wanted = out_path ? *out_path : "";
	bool only_one = rules && !rules->entry.empty();
	bool first = true, found = false;
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
			io_log() << "Skipping " << UTL_log_safe(name) << " in " << archive_path << ": the archive was fetched for "
			         << UTL_log_safe(rules->entry) << " alone.\n";
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
		uint64_t max_bytes = rules ? rules->max_bytes : 0;
		if (max_bytes && archive_entry_size_is_set(e) && (uint64_t)archive_entry_size(e) > max_bytes) {
			ERR_AT();
			err = err_archive_too_big;
			break;
		}
		// written beside the target and renamed over it once whole (the reader checks the CRC)
		std::string path = full(out), temp;
		int fd = unpack_temp_open(out.substr(0, out.rfind('/') + 1), temp);
		if (fd < 0) { err = -fd; ERR_AT(); break; }
		unpack_signer sign(rules);
		uint64_t total = 0;
		if (archive_entry_filetype(e) == AE_IFLNK) {
			const char* text = archive_entry_symlink(e);	// kept as a file holding the link text
			if (text) {
				sign.add(text, strlen(text));
				err = write_all(fd, text, strlen(text));
			}
		} else {
			for (;;) {
				la_ssize_t n = archive_read_data(ar, buf, unpack_buffer_size);
				if (n == 0) break;
				if (n < 0) {
					io_log() << "7z archive " << archive_path << ": " << (archive_error_string(ar) ? archive_error_string(ar) : "damaged") << "\n";
					err = err_zip_short_read;
					break;
				}
				total += (uint64_t)n;
				if (max_bytes && total > max_bytes) {
					err = err_archive_too_big;
					break;
				}
				sign.add(buf, (size_t)n);
				err = write_all(fd, buf, (size_t)n);
				if (err) break;
			}
		}
		if (close(fd) != 0 && !err) err = err_zip_write;
		if (!err) err = sign.check();
		if (!err && ::rename(temp.c_str(), path.c_str()) != 0) err = errno;
		if (err) {
			ERR_AT();
			unlink(temp.c_str());
		} else {
			sign.placed();
		}
	}
	if (!err && only_one && !found) {
		io_log() << "The archive " << archive_path << " does not hold " << UTL_log_safe(rules->entry) << ".\n";
		err = err_archive_no_entry;
	}
	archive_read_free(ar);
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

unpack_signer::unpack_signer(const unpack_rules* rules)
    : want(rules ? rules->md5 : std::string()), out(rules ? rules->signature : nullptr), on(out || !want.empty())
{
}

void unpack_signer::add(const void* data, size_t length)
{
	bytes += length;
	if (on) md5.add(data, length);
}

int unpack_signer::check()
{
	if (!on) return 0;
	got = md5.hex();
	// no signature to hold the bytes to: they are not taken on trust
	return got.empty() || (!want.empty() && got != want) ? err_archive_wrong_bytes : 0;
}

void unpack_signer::placed()
{
	if (out) *out = bytes ? got : std::string();
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
	std::string other = full(path);
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

// A small file costs more in system calls than in its digest: it is looked
// at once, opened, read in one call and closed.
int calc_file_md5(const std::string& path, std::string& signature, int* why)
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
