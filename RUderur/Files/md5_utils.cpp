// MD5 signatures: of bytes as they come, and of a file as the copy's scan reads it.
#include "md5_utils.h"
#include "io_utils.h"
#include "UTL_log.h"
#include <cerrno>
#include <fcntl.h>
#include <openssl/evp.h>
#include <openssl/provider.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
int calc_file_md5(const std::string& path, std::string& signature, int* why, const std::atomic<int>* stop)
{
	if (why) *why = md5_missing;
	std::string f;
	struct stat st;
	if (!file_look_at(path, f, st)) return err_file_open_read;
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
	// advice only: refused, the file reads as fast as before
	if (st.st_size > md5_read_piece) (void)posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
	if (md5_buffer.size() < md5_read_piece) md5_buffer.resize(md5_read_piece);
	// Read up to the size the file had when looked at, as far as it still
	// goes: a file that shrinks meanwhile is signed as it now is (a mapped
	// read would fault past its new end).
	off_t total = 0;
	while (total < st.st_size) {
		if (stop && stop->load(std::memory_order_relaxed)) {
			(void)close(fd);	// only read
			return ECANCELED;
		}
		ssize_t n = read(fd, md5_buffer.data(), md5_read_piece);
		if (n < 0 && errno == EINTR) continue;
		if (n < 0) {
			(void)close(fd);
			if (why) *why = errno == EISDIR ? md5_not_a_file : md5_unreadable;
			return err_file_open_read;
		}
		if (n == 0) break;
		md5.add(md5_buffer.data(), (size_t)n);
		total += n;
	}
	(void)close(fd);	// only read: its close tells nothing
	if (total == 0) return err_file_open_read;	// empty, as a missing file
	return signed_as(md5, signature, why);
}
