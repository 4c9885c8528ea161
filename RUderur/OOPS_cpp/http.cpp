#include "http.h"
#include "KelmSocket.h"
#include "UTL_alert.h"
#include "UTL_clock.h"
#include "UTL_log.h"
#include "UTL_translate.h"
#include "io_utils.h"
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <strings.h>
#include <unistd.h>

http_class http;
std::vector<std::string> gProxyExclude;

static const char* const release_name = "Vantor 9.21rc2";

// One receive buffer for every transfer: they all run on the main thread.
static char readChunk[65536];

bool http_name_less::operator()(const std::string& a, const std::string& b) const
{
	return strcasecmp(a.c_str(), b.c_str()) < 0;
}

std::string http_agent_text()
{
	std::string rel = release_name;
	return std::string("Installer-") + "APL/" + rel.substr(rel.size() - 4);
}

// A byte that must never reach a host name or a header: CR, LF, NUL and the
// other control characters. A path may hold them: they go as %XX.
static bool has_control(const std::string& s)
{
	for (unsigned char c : s)
		if (c < 0x20 || c == 0x7f) return true;
	return false;
}

// The path as it goes on the request line: every byte outside the URL's
// unreserved set, but the folder separator, as %XX, so that names with blanks,
// '%', '#', '?', control characters or letters outside ASCII reach the server
// as they are.
static std::string url_path(const char* path)
{
	static const char hex[] = "0123456789ABCDEF";
	std::string out;
	for (const unsigned char* p = (const unsigned char*)path; *p; ++p) {
		unsigned char c = *p;
		bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
		             c == '.' || c == '_' || c == '~' || c == '/';
		if (plain) {
			out += (char)c;
		} else {
			out += '%';
			out += hex[c >> 4];
			out += hex[c & 15];
		}
	}
	return out;
}

int64_t http_listed_limit(float kb)
{
	// the listed size is truncated, and a mirror may pack the file a little
	// worse than the release set did
	int64_t listed = kb > 0 ? (int64_t)kb * 1000 + 1000 : 1000;
	if (listed > (int64_t(1) << 40)) listed = int64_t(1) << 40;
	return 2 * listed + (int64_t(1) << 20);
}

static std::string trimmed(const std::string& s)
{
	size_t a = s.find_first_not_of(" \t");
	if (a == std::string::npos) return "";
	size_t b = s.find_last_not_of(" \t");
	return s.substr(a, b - a + 1);
}

// Content-Length: digits only, no sign, fits in 63 bits; -1 when it is none of that.
static int64_t parse_length(const std::string& text)
{
	std::string t = trimmed(text);
	if (t.empty() || t.size() > 18) return -1;
	int64_t v = 0;
	for (char c : t) {
		if (c < '0' || c > '9') return -1;
		v = v * 10 + (c - '0');
	}
	return v;
}

bool UseProxy(const char* server, unsigned short)
{
	if (http.proxy_port == 0 || http.proxy_host.empty()) return false;
	size_t n = strlen(server);
	for (const std::string& ex : gProxyExclude)
		if (ex.size() <= n && memcmp(server + n - ex.size(), ex.data(), ex.size()) == 0) return false;
	return true;
}

const char* ProxyHost(const char* server, unsigned short port)
{
	return UseProxy(server, port) ? http.proxy_host.c_str() : server;
}

unsigned short ProxyPort(const char* server, unsigned short port)
{
	return UseProxy(server, port) ? (unsigned short)http.proxy_port : port;
}

down_class::down_class(const char* server, unsigned short port, const char* path, bool post,
                       const std::map<std::string, std::string>& hdrs, const char* body,
                       int body_length, const char* local_file)
{
	socket = nullptr;
	local_path = local_file ? local_file : "";
	status_code = 0;
	content_length = -1;
	bytes_received = 0;
	error = 0;
	headers_done = false;
	last_progress = xtim.elapsed;
	head_bytes = 0;
	max_bytes = http_default_limit;

	bool bad = has_control(server);
	for (const auto& h : hdrs) bad = bad || has_control(h.first) || has_control(h.second);
	if (bad) {
		xer << "Refused to send a request with control characters: server " << UTL_log_safe(server) << "\n";
		error = err_net_bad_state;
		return;
	}

	connect_port = ProxyPort(server, port);
	if (UseProxy(server, port)) proxy_used = http.proxy_host + ":" + std::to_string(http.proxy_port);
	server_name = server;
	lookup = KelmSocket::LookupStart(ProxyHost(server, port));

	std::string req = post ? "POST " : "GET ";
	if (UseProxy(server, port)) {
		auto h = hdrs.find("Host");
		req += "http://" + (h != hdrs.end() ? h->second : std::string(server));
	}
	req += url_path(path);
	req += " HTTP/1.1\r\n";
	for (const auto& h : hdrs) req += h.first + ": " + h.second + "\r\n";
	if (body) req += "Content-Length: " + std::to_string(body_length) + "\r\n";
	req += "\r\n";
	unsent.assign(req.begin(), req.end());
	if (body && body_length > 0) unsent.insert(unsent.end(), body, body + body_length);
	connect_when_found();
}

void down_class::connect_when_found()
{
	if (!lookup) return;
	int state = lookup->state.load();
	if (state == lookup_pending) return;
	unsigned long addr = lookup->address;
	lookup.reset();
	if (state != lookup_found) {
		// told with the error report, so that a retried lookup is logged once
		lookup_note = "Translated server " + UTL_log_safe(server_name) + " to IP addy: 0.0.0.0 and port = " +
		              std::to_string(connect_port) + "\n";
		error = err_net_no_server;
		return;
	}
	status_code = -1;
	socket = new KelmSocket(0, false);
	socket->Connect(addr, connect_port);
}

down_class::~down_class()
{
	close_file();
	delete socket;
}

void down_class::close_file() { file.reset(); }

int down_class::finish_file()
{
	int err = file ? file->land() : 0;
	file.reset();
	return err;
}

void down_class::take_body(const char* data, size_t n)
{
	// Nothing past the declared length, or past the caller's limit when none
	// was declared, is ever stored: such a body fails the transfer.
	int64_t room = (content_length >= 0 ? content_length : max_bytes) - bytes_received;
	bytes_received += (int64_t)n;
	if ((int64_t)n > room) {
		xer << "The body from the server runs past " << (content_length >= 0 ? "its declared length " : "the limit ")
		    << (content_length >= 0 ? content_length : max_bytes) << " for " << UTL_log_safe(local_path) << "\n";
		error = err_net_bad_state;
		return;
	}
	if (in_memory) {
		memory.append(data, n);
		return;
	}
	if (!file) return;
	if ((error = file->write(data, n)) != 0) close_file();
}

bool down_class::parse_head()
{
	size_t pos = 0;
	while (!headers_done) {
		const char* base = received.data();
		const char* end = base + received.size();
		const char* eol = nullptr;
		for (const char* p = base + pos; p + 1 < end; ++p)
			if (p[0] == '\r' && p[1] == '\n') { eol = p; break; }
		if (!eol) break;
		size_t len = (size_t)(eol - (base + pos));
		std::string line(base + pos, len);
		pos += len + 2;

		if (len == 0) {
			if (status_code >= 200) {
				headers_done = true;
				break;
			}
			// an interim answer: drop its head and read the next one
			status_code = -1;
			headers.clear();
			continue;
		}
		if (line.compare(0, 5, "HTTP/") == 0 && line.size() >= 12) {
			int code = 0;
			for (int i = 9; i < 12; ++i) {
				if (line[i] < '0' || line[i] > '9') { code = -1; break; }
				code = code * 10 + (line[i] - '0');
			}
			if (code < 0 || line[8] != ' ' || (line.size() > 12 && line[12] != ' ')) {
				error = err_net_bad_state;
				return false;
			}
			status_code = code;
			response = line.size() > 13 ? line.substr(13) : "";
			continue;
		}
		size_t colon = line.find(':');
		if (colon != std::string::npos && colon > 0) {
			std::string value = trimmed(line.substr(colon + 1));
			auto put = headers.emplace(line.substr(0, colon), value);
			// two lengths that differ leave the end of the body unknown
			if (!put.second && put.first->second != value && strcasecmp(put.first->first.c_str(), "Content-Length") == 0) {
				xer << "Refused an answer with two Content-Length values for " << UTL_log_safe(local_path) << "\n";
				error = err_net_bad_state;
				return false;
			}
		}
	}
	received.erase(received.begin(), received.begin() + (long)pos);
	head_bytes += pos;
	if (!headers_done) {
		if (head_bytes + received.size() > (size_t)http_head_limit) error = err_net_bad_state;
		return false;
	}
	if (head_bytes > (size_t)http_head_limit) {
		error = err_net_bad_state;
		return false;
	}

	if (status_code < 200 || status_code > 299) {
		// an error page is never written anywhere: end the transfer now
		if (socket) (void)socket->Disconnect();	// done with it either way: it is closed with the transfer
		return true;
	}
	// Chunks are read through their framing; any other coding would be stored
	// as it came, and beside a Content-Length the body's end would be ambiguous.
	auto te = headers.find("Transfer-Encoding");
	auto cl = headers.find("Content-Length");
	if (te != headers.end()) {
		if (strcasecmp(te->second.c_str(), "chunked") != 0 || cl != headers.end()) {
			xer << "Refused an answer with Transfer-Encoding: " << UTL_log_safe(te->second)
			    << (cl != headers.end() ? " and a Content-Length" : "") << " for " << UTL_log_safe(local_path) << "\n";
			error = err_net_bad_state;
			return false;
		}
		chunked = true;
	}
	if (cl != headers.end()) {
		content_length = parse_length(cl->second);
		if (content_length < 0) {
			error = err_net_bad_state;
			return false;
		}
		if (content_length > max_bytes) {
			xer << "Refused a body of " << content_length << " bytes for " << UTL_log_safe(local_path) << ": more than the "
			    << max_bytes << " expected\n";
			error = err_net_bad_state;
			return false;
		}
	}
	// a small body costs less in memory than a file made, written, read and removed
	in_memory = memory_max > 0 && content_length >= 0 && content_length <= memory_max;
	if (in_memory) {
		memory.reserve((size_t)content_length);
	} else if (!local_path.empty()) {
		// the body lands at its name only whole, and never past what the caller allows
		file.reset(new land_file(local_path, (uint64_t)max_bytes));
		if ((error = file->open()) != 0) close_file();
	}
	return true;
}

void down_class::DoProcessing()
{
	connect_when_found();
	if (!socket || error) return;
	int st = socket->GetStatus();
	if (st != socket_connected) return;

	if (!unsent.empty()) {
		long n = socket->http_WriteData(unsent.data(), (long)unsent.size());
		if (n > 0) unsent.erase(unsent.begin(), unsent.begin() + n);
		if (n < 0) return;
	}
	long n = socket->ReadData(readChunk, sizeof(readChunk));
	if (n <= 0) {
		if (socket->ReceivedRelease() && socket->GetEndError() == 0) peer_closed();
		return;
	}
	wire_bytes += n;

	const char* body = readChunk;
	size_t body_n = (size_t)n;
	if (!headers_done) {
		received.insert(received.end(), readChunk, readChunk + n);
		if (!parse_head()) return;
		if (status_code < 200 || status_code > 299) return;
		body = received.data();
		body_n = received.size();
	}
	last_progress = xtim.elapsed;
	if (content_length != -1 && bytes_received + (int64_t)body_n >= content_length)
		(void)socket->Disconnect();	// the body is whole; the socket is closed with the transfer
	if (body_n && !error) take_coded(body, body_n);
	received.clear();
	if (chunked && content_length >= 0 && socket->status != socket_closed) (void)socket->Disconnect();	// the last chunk came
}

void down_class::peer_closed()
{
	// an answer sent without a length, not in chunks, ends with its connection
	if (headers_done && !chunked && content_length < 0 && !error && status_code >= 200 && status_code <= 299)
		content_length = bytes_received;
}

// Where the chunked reader stands (chunk_state).
enum { chunk_size_line = 0, chunk_data, chunk_data_end, chunk_trailer, chunk_done };
enum { chunk_line_max = 4096 };	// a size line with its extensions, or one trailer line

// A chunk's size line: hexadecimal digits that fit in 60 bits, then blanks
// and extensions (";name=value"), which are passed over.
static bool chunk_size_of(const std::string& line, int64_t& size)
{
	size_t i = 0;
	size = 0;
	for (; i < line.size() && isxdigit((unsigned char)line[i]); ++i) {
		if (i == 15) return false;
		size = size * 16 + (isdigit((unsigned char)line[i]) ? line[i] - '0' : (tolower((unsigned char)line[i]) - 'a' + 10));
	}
	if (i == 0) return false;
	while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
	return i == line.size() || line[i] == ';';
}

void down_class::take_coded(const char* data, size_t n)
{
	if (!chunked) {
		take_body(data, n);
		return;
	}
	const char* why = nullptr;
	while (n > 0 && !error && !why && chunk_state != chunk_done) {
		if (chunk_state == chunk_data) {
			size_t k = (int64_t)n < chunk_left ? n : (size_t)chunk_left;
			take_body(data, k);
			data += k;
			n -= k;
			chunk_left -= (int64_t)k;
			if (chunk_left == 0) chunk_state = chunk_data_end;
			continue;
		}
		// a line of the framing: a size, the end of a chunk's data, or a trailer
		const char* lf = (const char*)memchr(data, '\n', n);
		size_t k = lf ? (size_t)(lf - data) + 1 : n;
		chunk_line.append(data, k);
		data += k;
		n -= k;
		if (chunk_line.size() > chunk_line_max) {
			why = "a line of its framing is too long";
			break;
		}
		if (!lf) break;
		std::string line = chunk_line.substr(0, chunk_line.size() - 1);
		if (!line.empty() && line.back() == '\r') line.pop_back();
		chunk_line.clear();
		if (chunk_state == chunk_data_end) {
			if (!line.empty()) why = "a chunk runs past its size";
			chunk_state = chunk_size_line;
		} else if (chunk_state == chunk_size_line) {
			int64_t size = 0;
			if (!chunk_size_of(line, size)) why = "a chunk's size is no size";
			chunk_left = size;
			chunk_state = size > 0 ? chunk_data : chunk_trailer;
		} else {
			// the trailers count with the head against its bound
			head_bytes += line.size() + 2;
			if (head_bytes > (size_t)http_head_limit) why = "its trailers are too long";
			if (line.empty()) {
				chunk_state = chunk_done;
				content_length = bytes_received;	// whole
			}
		}
	}
	if (why) {
		xer << "Refused a chunked body from the server: " << why << ", for " << UTL_log_safe(local_path) << "\n";
		error = err_net_bad_state;
	}
}

int down_class::get_state()
{
	if (!socket) return lookup ? 1 : 0;
	switch (socket->status) {
	case socket_idle:
	case socket_connecting: return 1;
	case socket_error:      return 2;
	case socket_closed:     return 3;
	}
	if (!unsent.empty()) return 4;
	return headers_done ? 5 : 6;
}

// What ended a failed transfer, for the user: `stalled` when nothing came for
// http_stall_seconds.
static http_failure failure_of(const down_class* d, const std::string& server, bool stalled)
{
	http_failure f;
	f.server = server;
	f.proxy = d->proxy_used;
	f.answered = d->wire_bytes > 0;
	const KelmSocket* sock = d->socket;
	int ended = sock ? (sock->GetEndError() ? sock->GetEndError() : sock->GetOSError()) : 0;
	if (d->error > 0 && d->error < err_zip_open) {
		f.kind = http_failed_local;
		f.os_error = d->error;
	} else if (d->error == err_net_no_server) {
		f.kind = http_failed_name;
	} else if (d->headers_done && (d->status_code < 200 || d->status_code > 299)) {
		f.kind = http_failed_status;
		f.status = d->status_code;
		f.reason = d->response;
	} else if (d->error) {
		f.kind = http_failed_answer;
	} else if (stalled) {
		// never connected: as good as no way there
		bool connected = sock && sock->status != socket_idle && sock->status != socket_connecting;
		f.kind = connected ? http_failed_silent : http_failed_no_route;
	} else {
		f.os_error = ended;
		switch (ended) {
		case ECONNREFUSED: f.kind = http_failed_refused; break;
		case ENETUNREACH: case EHOSTUNREACH: case ENETDOWN: case ETIMEDOUT: case EHOSTDOWN:
			f.kind = http_failed_no_route;
			break;
		default: f.kind = http_failed_cut;
		}
	}
	return f;
}

int http_failure::side() const
{
	switch (kind) {
	case http_failed_not: return http_side_none;
	case http_failed_local: return http_side_local;
	case http_failed_name:
	case http_failed_refused:
	case http_failed_no_route: return http_side_network;
	case http_failed_status:
		// a proxy that could not get the server's answer says so with one of its own
		return !proxy.empty() && status >= 500 && status <= 504 && status != 501 ? http_side_network : http_side_server;
	case http_failed_cut:
	case http_failed_silent: return answered ? http_side_server : http_side_network;
	default: return http_side_server;
	}
}

http_class::http_class() { proxy_port = 0; }

http_class::~http_class()
{
	for (slot_record& r : slot_) {
		delete r.transfer;
		r.transfer = nullptr;
	}
}

http_class::slot_record& http_class::record(int slot)
{
	if (slot >= 0 && slot < http_slot_count) return slot_[slot];
	APL_alert("Too many download objects requested!", "", "", "", t_exit);
	return slot_[0];	// the fatal alert returns off the main thread: never index past the slots
}

const http_class::slot_record& http_class::record(int slot) const { return const_cast<http_class*>(this)->record(slot); }

bool http_class::busy(int slot) const { return record(slot).transfer != nullptr; }

http_progress http_class::progress(int slot) const
{
	http_progress p;
	const down_class* d = record(slot).transfer;
	if (!d) return p;
	p.running = true;
	p.length = d->content_length;
	p.received = d->bytes_received;
	p.quiet = xtim.elapsed - d->last_progress;
	return p;
}

void http_class::drop(int slot)
{
	slot_record& r = record(slot);
	delete r.transfer;
	r.transfer = nullptr;
	r.body_held = false;
	r.body.clear();
}

bool http_class::take_body(int slot, std::string& body)
{
	slot_record& r = record(slot);
	const bool held = r.body_held;
	body = held ? std::move(r.body) : std::string();
	r.body_held = false;
	r.body.clear();
	return held;
}

const http_failure& http_class::failure(int slot) const { return record(slot).failure; }

int http_class::local_error(int slot) const { return record(slot).local_error; }

down_class* http_class::transfer(int slot) const { return record(slot).transfer; }

void http_class::stage_failure(int slot, const http_failure& f) { record(slot).failure = f; }

// A retried request that fails the same way again is not written again: the
// count of repeats follows once the slot does something else.
void http_class::log_error(int slot, const std::string& subject, const std::string& report)
{
	slot_record& r = record(slot);
	if (report == r.last_error) {
		++r.error_repeats;
		return;
	}
	log_repeats(slot);
	r.last_error = report;
	r.error_subject = subject;
	xer << report;
	xer.flush();
}

void http_class::log_repeats(int slot)
{
	slot_record& r = record(slot);
	if (r.error_repeats > 0) {
		xer << "The same error came " << r.error_repeats << " more time" << (r.error_repeats == 1 ? "" : "s")
		    << " for " << UTL_log_safe(r.error_subject) << ".\n";
		xer.flush();
	}
	r.error_repeats = 0;
	r.last_error.clear();
}

void http_class::log_repeated_errors()
{
	for (int i = 0; i < http_slot_count; ++i) log_repeats(i);
}

int http_class::net_wait(int first, int last, int ms, int extra_fd)
{
	pollfd fds[http_slot_count + 1];
	int n = 0;
	bool looking_up = false;
	for (int i = first < 0 ? 0 : first; i <= last && i < http_slot_count; ++i) {
		down_class* d = slot_[i].transfer;
		// a finished lookup lets the transfer connect at once; a running one has
		// nothing to poll, so the wait runs its time
		if (d && d->lookup) {
			if (d->lookup->state.load() != lookup_pending) return 1;
			looking_up = true;
		}
		if (!d || !d->socket) continue;
		int st = d->socket->status;
		// a transfer in error or ended is judged by its next net_check at once
		if (d->error || (st != socket_connecting && st != socket_connected)) return 1;
		fds[n].fd = d->socket->socket_fd;
		fds[n].events = st == socket_connecting || !d->unsent.empty() ? POLLOUT : POLLIN;
		fds[n].revents = 0;
		++n;
	}
	if (extra_fd >= 0) {
		fds[n].fd = extra_fd;
		fds[n].events = POLLIN;
		fds[n].revents = 0;
		++n;
	}
	if ((n == 0 && !looking_up) || ms <= 0) return 0;
	int r = poll(fds, (nfds_t)n, ms);
	return r > 0 ? 1 : 0;
}

int http_class::net_check(int slot, std::string server, std::string path, const std::string& local,
                          int64_t max_bytes, int64_t memory_max)
{
	static std::vector<std::string> files_not_found;
	static bool started = false;

	slot_record& rec = record(slot);
	if (!started) {
		started = true;
		for (slot_record& r : slot_) {
			delete r.transfer;
			r.transfer = nullptr;
		}
		(void)KelmSocket::StartupNetworking(true);	// nothing to start here: always 1
	}

	down_class*& d = rec.transfer;
	http_failure& failed = rec.failure;
	if (!d) {
		// Names from a downloaded list: a control character in a host name, or a
		// NUL anywhere, is bad data, not a bug.
		if (has_control(server) || path.find('\0') != std::string::npos) {
			xer << "net_check refused server " << UTL_log_safe(server) << " path " << UTL_log_safe(path)
			    << ": control characters\n";
			failed = http_failure();
			failed.kind = http_failed_name;
			failed.server = UTL_log_safe(server);
			return http_failed;
		}
		// Each fatal alert returns when raised off the main thread: the request is not made then.
		if (!server.empty() && server.back() == '/') {
			APL_alert("net_check error! You have a dirchar at the end of the server name!", "You should not!",
			          "Our convention is that a server name is simply a server name... with no slash!", server, t_exit);
			return http_failed;
		}
		if (path.empty() || path[0] != '/') {
			APL_alert("net_check error! You do not have a dirchar at the beginning of the directory name!", "You should!",
			          "Our convention is that a directory name does start with a slash because it must include the hard drive,which is a dir char on unix!",
			          path, t_exit);
			return http_failed;
		}
		std::map<std::string, std::string> hdrs;
		hdrs["Host"] = server;
		hdrs["User-agent"] = http_agent_text();
		hdrs["Connection"] = "close";
		d = new down_class(server.c_str(), 80, path.c_str(), false, hdrs, nullptr, 0, local.c_str());
		d->max_bytes = max_bytes;
		d->memory_max = memory_max;
		rec.local_error = 0;
		rec.body_held = false;
		rec.body.clear();
	}

	d->DoProcessing();

	// While the name is looked up the transfer is still connecting.
	if (d->lookup) {
		if (xtim.elapsed - d->last_progress > (float)http_stall_seconds) {
			failed = failure_of(d, server, true);
			delete d;
			d = nullptr;
			return http_failed;
		}
		return http_running;
	}

	// A peer that has finished sending will send nothing more: judge the transfer now.
	bool closed = d->socket && (d->socket->status == socket_closed || d->socket->ReceivedRelease());
	if (!closed && d->content_length != d->bytes_received && d->error == 0 && d->socket &&
	    d->socket->status != socket_error) {
		if (xtim.elapsed - d->last_progress > (float)http_stall_seconds) {
			failed = failure_of(d, server, true);
			delete d;
			d = nullptr;
			return http_failed;
		}
		return http_running;
	}

	bool complete = d->content_length == d->bytes_received;
	bool in_error = d->error != 0 || !d->socket || d->socket->status == socket_error;
	if (d->status_code >= 200 && d->status_code <= 299 && complete && !in_error) {
		int e = d->finish_file();
		if (e == 0) {
			rec.body_held = d->in_memory;
			rec.body = std::move(d->memory);
			delete d;
			d = nullptr;
			log_repeats(slot);
			failed = http_failure();
			return http_complete;
		}
		d->error = e;
		in_error = true;
	}

	int os_err = d->error ? d->error : d->socket ? d->socket->GetOSError() : err_net_alloc;
	std::ostringstream report;
	report << d->lookup_note << "HTTP Error for " << UTL_log_safe(d->local_path) << "\n"
	       << "   server     =" << UTL_log_safe(server) << "\n"
	       << "   file       =" << UTL_log_safe(path) << "\n"
	       << "   IsDone     =" << (closed ? 1 : 0) << "\n"
	       << "   IsComplete =" << (complete ? 1 : 0) << "\n"
	       << "   IsErr      =" << (in_error ? 1 : 0) << "\n"
	       << "   GetStat    =" << d->get_state() << "\n"
	       << "   GetOSErr   =" << os_err << "\n"
	       << "   response   =" << UTL_log_safe(d->response) << " (#" << d->status_code << ")\n\n";
	log_error(slot, server + path, report.str());

	// A transfer's own error is an errno only when its local file failed.
	if (d->error > 0 && d->error < err_zip_open) rec.local_error = d->error;
	failed = failure_of(d, server, false);

	// a modal alert here would hold every other stream until it is clicked away
	if (d->status_code == 404 && slot < http_slot_stream_first) {
		std::string key = server + path;
		if (std::find(files_not_found.begin(), files_not_found.end(), key) == files_not_found.end()) {
			files_not_found.push_back(key);
			APL_alert(UTL_translate_string("File not found!", 0), UTL_log_safe(key), "", "", t_alert);
		}
	}
	delete d;
	d = nullptr;
	return http_failed;
}
