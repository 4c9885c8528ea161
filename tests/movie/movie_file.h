// Reads a movie file back for the tests: the atom tree, the tables of its one
// video track, and each sample decoded by the project's PNG reader.
#ifndef MOVIE_FILE_H
#define MOVIE_FILE_H
#include "TEX_image.h"
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using bytes = std::vector<unsigned char>;

inline bytes read_all(const std::string& path)
{
	std::ifstream f(path, std::ios::binary);
	return bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline uint32_t be32(const bytes& b, uint64_t at)
{
	if (at + 4 > b.size()) return 0;
	return (uint32_t)b[at] << 24 | (uint32_t)b[at + 1] << 16 | (uint32_t)b[at + 2] << 8 | b[at + 3];
}
inline uint16_t be16(const bytes& b, uint64_t at) { return at + 2 > b.size() ? 0 : (uint16_t)(b[at] << 8 | b[at + 1]); }
inline uint64_t be64(const bytes& b, uint64_t at) { return (uint64_t)be32(b, at) << 32 | be32(b, at + 4); }

inline std::string fourcc(uint32_t v)
{
	std::string s(4, ' ');
	for (int i = 0; i < 4; ++i) s[i] = (char)(v >> (24 - 8 * i));
	return s;
}

struct mv_atom {
	std::string          type;
	uint64_t             at = 0, size = 0, body = 0;	// body: first byte after the header
	std::vector<mv_atom> kids;
	bool                 bad = false;
};

// The atoms between from and to; containers are walked into.
inline std::vector<mv_atom> mv_parse(const bytes& b, uint64_t from, uint64_t to)
{
	static const std::string containers = " moov trak edts mdia minf dinf stbl ";
	std::vector<mv_atom> out;
	uint64_t at = from;
	while (at + 8 <= to) {
		mv_atom a;
		a.at = at;
		a.type = fourcc(be32(b, at + 4));
		a.size = be32(b, at);
		a.body = at + 8;
		if (a.size == 1) {
			a.size = be64(b, at + 8);
			a.body = at + 16;
		}
		if (a.size < 8 || at + a.size > to) {
			a.bad = true;
			out.push_back(a);
			break;
		}
		if (containers.find(" " + a.type + " ") != std::string::npos) a.kids = mv_parse(b, a.body, at + a.size);
		out.push_back(a);
		at += a.size;
	}
	return out;
}

// The atom at a path such as "moov/trak/mdia/mdhd", or null.
inline const mv_atom* mv_find(const std::vector<mv_atom>& atoms, const std::string& path)
{
	const size_t slash = path.find('/');
	const std::string head = path.substr(0, slash);
	for (const mv_atom& a : atoms)
		if (a.type == head) return slash == std::string::npos ? &a : mv_find(a.kids, path.substr(slash + 1));
	return nullptr;
}

// What the tests look at, read from the atoms.
struct mv_movie {
	bool                  ok = false;
	std::string           error;
	std::vector<mv_atom>  top;
	uint32_t              movie_scale = 0, movie_duration = 0;
	uint32_t              track_duration = 0, track_width = 0, track_height = 0;	// 16.16
	uint32_t              media_scale = 0, media_duration = 0;
	std::string           handler, codec;
	int                   width = 0, height = 0, depth = 0, descriptions = 0;
	std::vector<uint32_t> edits;	// duration, media time, rate per entry
	std::vector<uint32_t> durations, sizes;
	std::vector<uint64_t> offsets;
	uint64_t              mdat_body = 0, mdat_end = 0;
};

inline mv_movie mv_read(const bytes& b)
{
	mv_movie m;
	m.top = mv_parse(b, 0, b.size());
	auto need = [&](const char* path) -> const mv_atom* {
		const mv_atom* a = mv_find(m.top, path);
		if (!a && m.error.empty()) m.error = std::string("no ") + path;
		return a;
	};
	for (const mv_atom& a : m.top)
		if (a.bad) m.error = "atom " + a.type + " runs past its parent";
	const mv_atom *mdat = need("mdat"), *mvhd = need("moov/mvhd"), *tkhd = need("moov/trak/tkhd"),
	              *mdhd = need("moov/trak/mdia/mdhd"), *hdlr = need("moov/trak/mdia/hdlr"),
	              *stsd = need("moov/trak/mdia/minf/stbl/stsd"), *stts = need("moov/trak/mdia/minf/stbl/stts"),
	              *stsc = need("moov/trak/mdia/minf/stbl/stsc"), *stsz = need("moov/trak/mdia/minf/stbl/stsz");
	need("moov/trak/mdia/minf/vmhd");
	need("moov/trak/mdia/minf/dinf/dref");
	const mv_atom* stco = mv_find(m.top, "moov/trak/mdia/minf/stbl/stco");
	const mv_atom* co64 = mv_find(m.top, "moov/trak/mdia/minf/stbl/co64");
	if (!stco && !co64 && m.error.empty()) m.error = "no chunk offsets";
	if (!m.error.empty()) return m;

	m.mdat_body = mdat->body;
	m.mdat_end = mdat->at + mdat->size;
	m.movie_scale = be32(b, mvhd->body + 12);
	m.movie_duration = be32(b, mvhd->body + 16);
	m.track_duration = be32(b, tkhd->body + 20);
	m.track_width = be32(b, tkhd->body + 76);
	m.track_height = be32(b, tkhd->body + 80);
	m.media_scale = be32(b, mdhd->body + 12);
	m.media_duration = be32(b, mdhd->body + 16);
	m.handler = fourcc(be32(b, hdlr->body + 8));
	m.descriptions = (int)be32(b, stsd->body + 4);
	if (m.descriptions > 0) {
		const uint64_t d = stsd->body + 8;
		m.codec = fourcc(be32(b, d + 4));
		m.width = be16(b, d + 32);
		m.height = be16(b, d + 34);
		m.depth = be16(b, d + 82);
	}
	if (const mv_atom* elst = mv_find(m.top, "moov/trak/edts/elst"))
		for (uint32_t i = 0, n = be32(b, elst->body + 4); i < n * 3; ++i) m.edits.push_back(be32(b, elst->body + 8 + 4 * i));
	for (uint32_t i = 0, n = be32(b, stts->body + 4); i < n; ++i)
		for (uint32_t k = 0, c = be32(b, stts->body + 8 + 8 * i); k < c; ++k)
			m.durations.push_back(be32(b, stts->body + 12 + 8 * i));
	// one sample a chunk is all this writer makes; anything else is an error here
	if (be32(b, stsc->body + 4) != 1 || be32(b, stsc->body + 12) != 1) {
		m.error = "chunks of more than one sample";
		return m;
	}
	const uint32_t fixed = be32(b, stsz->body + 4), count = be32(b, stsz->body + 8);
	for (uint32_t i = 0; i < count; ++i) m.sizes.push_back(fixed ? fixed : be32(b, stsz->body + 12 + 4 * i));
	const mv_atom* co = stco ? stco : co64;
	for (uint32_t i = 0, n = be32(b, co->body + 4); i < n; ++i)
		m.offsets.push_back(stco ? be32(b, co->body + 8 + 4 * i) : be64(b, co->body + 8 + 8 * i));
	m.ok = true;
	return m;
}

// Sample i decoded as RGB, top row first; empty when it is no PNG of the described size.
inline bytes mv_sample_rgb(const bytes& file, const mv_movie& m, size_t i)
{
	if (i >= m.offsets.size() || i >= m.sizes.size() || m.offsets[i] + m.sizes[i] > file.size()) return {};
	const unsigned char* begin = file.data() + m.offsets[i];
	unsigned char* px = nullptr;
	TEX_image_desc d = {};
	if (!TEX_load_png_mem("sample", begin, begin + m.sizes[i], px, TEX_RGB, 0, 0, 0, d) || !px) return {};
	bytes out;
	if (d.width == m.width && d.height == m.height && d.format == TEX_RGB) {
		const size_t row = (size_t)d.width * 3 + d.pad;
		for (int y = d.height - 1; y >= 0; --y) out.insert(out.end(), px + row * y, px + row * y + d.width * 3);
	}
	free(px);
	return out;
}

#endif
