// 7z archives read by the system's archive library, each entry handed to the
// one disk writer.
#include "p7z_utils.h"
#include "io_utils.h"
#include "zip_utils.h"
#include "unpack_writer.h"
#include "UTL_log.h"
#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <locale.h>
#include <algorithm>
#include <vector>

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
// or the writer's judgement of a listing of more entries than allowed.
static int check_7z_headers(FILE* f, const std::string& archive_path, unpack_session& session)
{
	const uint64_t most_files = session.entries_allowed();
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
		if (w.files > most_files) return session.listing_done(w.files);
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
	(void)archive_read_free(ar);	// a reader's end tells nothing of what was written
	return nullptr;
}

// The archive's listing, read before anything is written: its headers alone,
// no entry decoded, its names handed to the writer. 0, or the code that
// refuses the archive.
static int scan_7z_listing(p7z_stream& s, unpack_session& session)
{
	struct archive* ar = open_7z(s);
	if (!ar) return 0;	// the extraction's own open reports it
	const uint64_t most = session.entries_allowed();
	uint64_t entries = 0;
	struct archive_entry* e;
	while (entries <= most && archive_read_next_header(ar, &e) == ARCHIVE_OK) {
		++entries;
		session.listed(entry_name(e), unpack_session::file);
	}
	(void)archive_read_free(ar);
	return session.listing_done(entries);
}

// Folders are not made from their entries, and a link is kept as a file
// holding its text.
static const unpack_format p7z_format = {false, false};

int p7z_to_file(const std::string& archive_path, const std::string& out_dir, std::string* out_path, int rename,
                const unpack_rules* rules)
{
	std::string a = path_full(archive_path);
	utf8_names in_utf8;
	p7z_stream s;
	s.f = fopen(a.c_str(), "rb");
	if (!s.f) return errno;
	s.buf.resize(1 << 16);
	const std::string wanted = out_path ? *out_path : "";
	unpack_session session(archive_path, out_dir, rules, p7z_format, rename ? &wanted : nullptr);
	int err = session.start();
	if (!err) err = check_7z_headers(s.f, archive_path, session);
	if (!err) err = scan_7z_listing(s, session);
	struct archive* ar = err ? nullptr : open_7z(s);
	if (!err && !ar) { ERR_AT(); err = err_zip_open; }
	bool first = true;
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
		first = false;
		std::string name = entry_name(e);
		if (name.empty()) {
			io_log() << "7z archive " << archive_path << ": an entry without a readable name\n";
			ERR_AT();
			err = err_zip_short_read;
			break;
		}
		const int type = archive_entry_filetype(e);
		const auto kind = type == AE_IFDIR ? unpack_session::folder : type == AE_IFLNK ? unpack_session::link : unpack_session::file;
		bool take = false;
		err = session.entry(kind, name, &take);
		if (err) io_log() << "Refusing 7z entry " << UTL_log_safe(name) << " of " << archive_path << "\n";
		if (err || !take) continue;
		if (out_path) *out_path = session.path();
		if (kind == unpack_session::link) {
			const char* text = archive_entry_symlink(e);
			err = session.link_place(text ? text : "", false, 0);
			continue;
		}
		// handed to the disk writer, which places it once whole (the reader checks the CRC)
		unpack_writer* w = nullptr;
		err = session.file_begin(archive_entry_size_is_set(e) ? (int64_t)archive_entry_size(e) : -1, &w);
		while (!err) {
			la_ssize_t n = archive_read_data(ar, buf, unpack_buffer_size);
			if (n == 0) break;
			if (n < 0) {
				io_log() << "7z archive " << archive_path << ": " << (archive_error_string(ar) ? archive_error_string(ar) : "damaged") << "\n";
				ERR_AT();
				err = err_zip_short_read;
				break;
			}
			err = w->write(buf, (size_t)n);
		}
		// no times, modes or forks: the format keeps none that the copy takes
		if (!err) err = session.file_end(0, false, 0);
	}
	err = session.finish(err);
	// the archive was only read: what its reader and file say at their end adds nothing
	if (ar) (void)archive_read_free(ar);
	(void)fclose(s.f);
	return err;
}
