// libFuzzer target: the HTTP response head parser, fed in pieces the way
// packets arrive. The first byte picks the piece size.
#include "fuzz_support.h"
#include "http.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
	if (size == 0) return 0;
	fuzz_scratch();
	size_t piece = 1 + data[0] % 64 * 16;
	++data;
	--size;
	std::map<std::string, std::string> none;
	down_class d("", 80, "/", false, none, nullptr, 0, nullptr);	// no server: no socket, no file
	d.error = 0;
	d.status_code = -1;
	d.max_bytes = 100000;
	for (size_t at = 0; at < size && !d.headers_done && !d.error; at += piece) {
		size_t n = size - at < piece ? size - at : piece;
		d.received.insert(d.received.end(), (const char*)data + at, (const char*)data + at + n);
		while (!d.headers_done && !d.error && d.parse_head()) {}
	}
	if (d.headers_done && d.status_code >= 200 && d.status_code <= 299 && !d.error &&
	    (d.content_length > d.max_bytes || d.headers.count("Transfer-Encoding")))
		__builtin_trap();
	return 0;
}
