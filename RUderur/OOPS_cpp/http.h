#ifndef HTTP_H
#define HTTP_H
// The HTTP/1.1 download client: six numbered slots, each polled once per frame
// through net_check, directly or through a proxy. Main thread only; host names
// are looked up on threads of their own, and a transfer whose name is being
// looked up is still connecting.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>
#include "land_file.h"

class KelmSocket;
struct KelmLookup;

// Response header names compare without regard to letter case.
struct http_name_less {
	bool operator()(const std::string& a, const std::string& b) const;
};

enum { http_slot_count = 6 };
// What each slot carries: the server list (and the about box's version check),
// the directory archive (and the about box's installer), then the download
// pump's four streams.
enum { http_slot_list = 0, http_slot_directory = 1, http_slot_stream_first = 2 };
enum { http_stream_count = http_slot_count - http_slot_stream_first };
enum { http_stall_seconds = 30 };			// no progress for this long fails a transfer
enum { http_head_limit = 64 * 1024 };		// a response head larger than this fails

// The most body bytes a transfer takes: the server list, the zipped directory
// file, and anything else a caller gives no limit of its own.
const int64_t http_list_limit = int64_t(1) << 20;
const int64_t http_directory_limit = int64_t(64) << 20;
const int64_t http_default_limit = int64_t(1) << 30;

// The limit for an archive that the directory file lists at `kb` kilobytes of
// 1000 bytes (truncated): room for a mirror that packs it a little worse.
int64_t http_listed_limit(float kb);

// Why a slot's last transfer failed, in terms a user can be told.
enum http_failure_kind {
	http_failed_not = 0,	// it did not fail
	http_failed_name,		// the server's name (or the proxy's) was not found, or is no name
	http_failed_refused,	// the connection was refused
	http_failed_no_route,	// no connection could be made: no network, no route, or no answer to connecting
	http_failed_status,		// the server answered with an error status
	http_failed_cut,		// the connection ended before the whole answer had come
	http_failed_silent,		// connected, then nothing came for http_stall_seconds
	http_failed_answer,		// an answer this client does not take: malformed, or longer than allowed
	http_failed_local		// the local file failed (local_error has the errno)
};
// Where a failed transfer's fault lies, for whoever asks again: no answer came
// at all (the network, or a proxy that could not reach the server), the server
// answered and did not deliver, or this computer's file failed.
enum http_failure_side { http_side_none = 0, http_side_network, http_side_server, http_side_local };
struct http_failure {
	int         kind = http_failed_not;
	bool        answered = false;	// the answer had begun: bytes of it came
	int         status = 0;		// the error answer's status code
	std::string reason;			// and its reason text
	std::string server;			// the server asked
	std::string proxy;			// "host:port" of the proxy the request went through; empty when direct
	int         os_error = 0;	// the errno that ended the connection or failed the file, when one did
	// http_side_*. A connection that ended or went quiet before any byte came
	// had no answer at all; so had one whose proxy answered 500, 502, 503 or
	// 504, as a proxy does that cannot reach the server (a server's own 503
	// passed on looks the same: whoever retries tells them apart by whether
	// other servers answer meanwhile).
	int side() const;
};

class down_class {
public:
	KelmSocket*       socket;			// null when no connection was made (yet)
	std::shared_ptr<KelmLookup> lookup;	// the server's (or proxy's) lookup while it runs
	std::vector<char> unsent;			// request bytes the socket has not taken yet
	std::vector<char> received;			// head text, then body bytes not yet written
	bool              headers_done;
	int               status_code;		// 0 no socket, -1 waiting for the status line
	std::string       response;			// reason text of the status line
	std::map<std::string, std::string, http_name_less> headers;
	std::unique_ptr<land_file> file;	// where the body lands at local_path, null when nowhere
	std::string       local_path;
	int64_t           memory_max = 0;	// a body announced at most this long is held in `memory`
	bool              in_memory = false;	// this one is: no file is made
	std::string       memory;
	int               error;			// 0, errno of the local file, or a network code
	int64_t           content_length;	// -1 until known
	int64_t           bytes_received;	// body bytes taken
	float             last_progress;	// xtim.elapsed of the last progress
	size_t            head_bytes;		// head bytes consumed so far
	std::string       lookup_note;		// a failed name lookup, for the error report
	int64_t           max_bytes;		// a body longer than this fails the transfer
	std::string       proxy_used;		// "host:port" when the request goes through a proxy
	int64_t           wire_bytes = 0;	// bytes read from the connection, head and framing included
	// A body sent in chunks (Transfer-Encoding: chunked) is read through its
	// framing: where the reader stands, the data left of the chunk, a size or
	// trailer line not yet whole. Its end, or the clean close of a body sent
	// without a length, makes content_length the count taken.
	bool              chunked = false;
	int               chunk_state = 0;
	int64_t           chunk_left = 0;
	std::string       chunk_line;

	down_class(const char* server, unsigned short port, const char* path, bool post,
	           const std::map<std::string, std::string>& headers, const char* body,
	           int body_length, const char* local_file);
	~down_class();

	void DoProcessing();
	int  get_state();		// the transfer state number of the error log
	int  finish_file();		// closes and moves the body into place; 0 or an error code
	// Takes what is in `received`; true once the head is complete. Needs no
	// socket, so a head can be read on its own.
	bool parse_head();
	// Takes body bytes as they came off the connection: through the chunked
	// framing when the answer has it. Needs no socket either.
	void take_coded(const char* data, size_t n);
	// The connection ended cleanly (the peer closed): a body that came without
	// a length is whole now.
	void peer_closed();

private:
	std::string    server_name;		// as asked, for the failed lookup's note
	unsigned short connect_port = 0;
	down_class(const down_class&) = delete;
	down_class& operator=(const down_class&) = delete;
	void connect_when_found();		// makes the socket once the lookup has answered
	void take_body(const char* data, size_t n);
	void close_file();
};

// What a slot's running transfer has done so far, for a progress bar or a
// stall shown to the user.
struct http_progress {
	bool    running = false;	// a transfer is in the slot
	int64_t length = -1;		// the body's announced length; -1 until known or when none was sent
	int64_t received = 0;		// body bytes taken
	float   quiet = 0;			// seconds since it last made progress
};

// What net_check says of the slot's transfer.
enum { http_running = 0, http_complete = 1, http_failed = 2 };

class http_class {
public:
	std::string proxy_host;			// empty: no proxy
	std::string proxy_port_text;	// as the user typed it
	int         proxy_port;			// 0: no proxy

	http_class();
	~http_class();

	// http_running (call again), http_complete (the whole body is in
	// `local`, or held: take_body), http_failed (failure says why). A body
	// longer than `max_bytes` (or announced so) fails the transfer. A 404 on
	// the server list's or the directory's slot is shown once per file; the
	// download pump's streams name the files no server has at the run's end.
	// The body lands at `local` only whole (land_file): a failed transfer
	// leaves what was there. memory_max: a body whose announced length is at
	// most this is held in memory and no file is made; take_body hands it over.
	int net_check(int slot, std::string server, std::string path, const std::string& local,
	              int64_t max_bytes = http_default_limit, int64_t memory_max = 0);
	// After net_check gave 1: true when the body was held in memory, moved
	// into `body`; false when it is in the file.
	bool take_body(int slot, std::string& body);

	// 1 while a transfer is in the slot.
	bool busy(int slot) const;
	// The running transfer's progress (running false when the slot is free).
	http_progress progress(int slot) const;
	// Ends the slot's transfer, if one runs; its partial body is removed.
	void drop(int slot);
	// Why the slot's last transfer failed; cleared when one succeeds.
	const http_failure& failure(int slot) const;
	// errno when the slot's last transfer failed on this machine (the local
	// file could not be made, written or moved), 0 when it failed on the network.
	int local_error(int slot) const;
	// The slot's running transfer itself, null when free, and the failure as a
	// failed transfer leaves it: for a test that looks at or stages a slot's
	// inner state. The program's code uses the above.
	down_class* transfer(int slot) const;
	void        stage_failure(int slot, const http_failure& f);

	// Writes the count of each slot's last error report that came again and
	// was left out of the log (a caller that stops retrying calls it).
	void log_repeated_errors();

	// Sleeps until a transfer of slots first..last can go on (its name found,
	// its connection made, room to send, bytes or an end to read), `extra_fd`
	// (-1: none) has something to read, or `ms` milliseconds pass: a pump that
	// has nothing else to do waits here instead of spinning. A lookup that ends
	// during the sleep is taken up when it is over. 1 when something is ready.
	int net_wait(int first, int last, int ms, int extra_fd);

private:
	// Everything of one slot: its transfer, why the last one failed, and the
	// last error report with the times it came again since.
	struct slot_record {
		down_class*  transfer = nullptr;
		http_failure failure;
		int          local_error = 0;
		bool         body_held = false;	// the last completed body is in `body`
		std::string  body;
		std::string  last_error;
		std::string  error_subject;	// its server and path
		int          error_repeats = 0;
	};
	slot_record slot_[http_slot_count];
	// The slot's record; a slot out of range is a fatal error, which returns
	// when raised off the main thread: the first record is handed out then.
	slot_record&       record(int slot);
	const slot_record& record(int slot) const;
	void log_error(int slot, const std::string& subject, const std::string& report);
	void log_repeats(int slot);
};

extern http_class http;
extern std::vector<std::string> gProxyExclude;	// servers ending in one of these go direct

bool           UseProxy(const char* server, unsigned short port);
const char*    ProxyHost(const char* server, unsigned short port);
unsigned short ProxyPort(const char* server, unsigned short port);

// The User-agent text of every request.
std::string http_agent_text();

#endif
