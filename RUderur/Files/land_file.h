#ifndef LAND_FILE_H
#define LAND_FILE_H
// The one way a file the program receives whole reaches the disk: an archive
// downloaded from a mirror or copied from a disc (and every other body the
// HTTP client takes), and an archive the builder makes. Its bytes go under a
// temporary name in the target's folder, made new (never through a link,
// never over a file), and no further than its bound; only once whole is it
// synced and renamed over the target, so the name holds the old file or the
// whole new one, and a killed run leaves no part at it.
#include <cstddef>
#include <cstdint>
#include <string>

class land_file {
public:
	// path: where the file lands, as given (the caller makes it full).
	// max_bytes: the most it may hold.
	explicit land_file(const std::string& path, uint64_t max_bytes = UINT64_MAX);
	~land_file();	// never landed: the temporary goes, the target stays as it was
	land_file(const land_file&) = delete;
	land_file& operator=(const land_file&) = delete;

	// Makes the temporary: 0 or errno.
	int open();
	// The next bytes at its end: 0, err_file_too_big when they would take it
	// past max_bytes (none of them written), or the errno of the write.
	int write(const void* data, size_t n) { return write_at(size_, data, n); }
	// Bytes at `offset`, over what was written or at its end (a zip writer goes
	// back to its entries' headers): the same codes.
	int write_at(uint64_t offset, const void* data, size_t n);
	// The permission bits it lands with (else those a new file gets).
	void set_mode(int mode) { mode_ = mode & 0777; }
	// Synced, closed and renamed over the target: 0 or errno.
	int land();
	uint64_t size() const { return size_; }
	const std::string& path() const { return path_; }

private:
	std::string path_, temp_;
	uint64_t    max_, size_ = 0;
	int         fd_ = -1, mode_ = -1;
};

// Copies the file `from` to `to` through a land_file, its permission bits
// kept: 0, or the errno of the step that failed (err_file_too_big past
// max_bytes).
int land_copy(const std::string& from, const std::string& to, uint64_t max_bytes = UINT64_MAX);

#endif
