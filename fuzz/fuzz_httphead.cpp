// libFuzzer target: the HTTP response head parser and the body's framing
// (chunks, or the bytes as they come), fed in pieces the way packets arrive.
// The first byte picks the piece size.
#include "fuzz_support.h"
#include "http.h"
#include <strings.h>

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
	size_t at = 0;
	for (; at < size && !d.headers_done && !d.error; at += piece) {
		size_t n = size - at < piece ? size - at : piece;
		d.received.insert(d.received.end(), (const char*)data + at, (const char*)data + at + n);
		while (!d.headers_done && !d.error && d.parse_head()) {}
	}
	if (!d.headers_done || d.status_code < 200 || d.status_code > 299 || d.error) return 0;
	auto te = d.headers.find("Transfer-Encoding");
	// an answer is taken only with an end it can be read to
	if (d.content_length > d.max_bytes || (te != d.headers.end() && (!d.chunked || d.headers.count("Content-Length"))))
		__builtin_trap();
	// the body, from what came with the head on, held in memory to be looked at
	d.in_memory = true;
	std::string rest(d.received.begin(), d.received.end());
	d.received.clear();
	if (at < size) rest.append((const char*)data + at, size - at);
	for (size_t k = 0; k < rest.size() && !d.error; k += piece) {
		size_t n = rest.size() - k < piece ? rest.size() - k : piece;
		d.take_coded(rest.data() + k, n);
		if (!d.chunked && d.content_length >= 0 && d.bytes_received >= d.content_length) break;
	}
	if (d.error) return 0;
	if ((int64_t)d.memory.size() > d.max_bytes || (int64_t)d.memory.size() != d.bytes_received) __builtin_trap();
	// chunks read to their end leave the body whole, and no byte more
	if (d.chunked && d.content_length >= 0 && d.content_length != d.bytes_received) __builtin_trap();
	return 0;
}
