#ifndef KELMSOCKET_H
#define KELMSOCKET_H
// Non-blocking IPv4 TCP and datagram sockets. A TCP socket never blocks: its
// state is a small number the caller polls with GetStatus.
#include <atomic>
#include <memory>

enum socket_status {
	socket_idle       = 1,	// bound, not connected (listening: nothing waiting)
	socket_connecting = 2,	// connect under way (listening: a connection waits)
	socket_connected  = 3,
	socket_closed     = 4,	// closed here, or the connection ended
	socket_error      = 5	// any other failure; GetOSError has the errno
};

enum lookup_state {
	lookup_pending = 0,	// the system's resolver has not answered yet
	lookup_found   = 1,	// `address` holds the answer
	lookup_failed  = 2	// no address: the name is unknown or the resolver failed
};

// One host-name lookup, shared by every caller that asks for the name while
// it runs. Its thread writes `address`, then the state; callers poll the state.
struct KelmLookup {
	std::atomic<int> state{lookup_pending};
	unsigned long    address = 0;	// network order, once found
};

class KelmSocket {
public:
	struct ConnectionData {
		unsigned long  local_address;	// host byte order
		unsigned short local_port;	// host order
		unsigned long  remote_address;	// network byte order
		unsigned short remote_port;	// host order
	};

	int  socket_fd;
	int  status;
	int  last_os_error;
	int  end_error;		// the errno that ended the connection (refused, reset, unreachable), 0 when none did
	bool peer_released;
	bool local_released;
	bool listening;

	KelmSocket(unsigned short port, bool listen);
	explicit KelmSocket(int fd);
	virtual ~KelmSocket();

	static int  StartupNetworking(bool);
	static void ShutdownNetworking(bool);
	static unsigned long LookupAddress(const char* name);	// network order, 0 = unknown; blocks
	// The lookup of `name` without waiting for it: a dotted address is found at
	// once; a host name is looked up on a thread of its own, and its address is
	// kept for the rest of the program's run. A failed lookup is told to those
	// who asked while it ran; the next call for the name looks it up afresh.
	static std::shared_ptr<KelmLookup> LookupStart(const char* name);

	void Connect(unsigned long address, unsigned short port);
	int  GetStatus();
	int  GetOSError() const { return last_os_error; }
	// Why a connection that is closed ended: ECONNREFUSED, ECONNRESET, ENETUNREACH
	// and the like; 0 for an orderly end. Not an error of the socket itself.
	int  GetEndError() const { return end_error; }
	bool ReceivedRelease() const { return peer_released; }
	long ReadData(void* buffer, long size);			// 0 = nothing now, -1 = failed/closed
	long http_WriteData(const void* data, long length);	// 0 = would block, -1 = failed/closed
	int  Disconnect();
	int  Release();
	KelmSocket* Accept();
	void GetAddresses(ConnectionData* out);

private:
	KelmSocket(const KelmSocket&) = delete;
	KelmSocket& operator=(const KelmSocket&) = delete;
	void set_error(int err) { status = socket_error; last_os_error = err; }
	long io_failed(int err, const char* what);
};

enum { udp_buffer_size_snd = 16384, udp_buffer_size_rcv = 65536 };

class KelmSocketUDP {
public:
	int socket_fd;
	struct {
		unsigned short family;
		unsigned short port;	// network order
		unsigned long  address;	// 0 = any
	} bind_addr;

	KelmSocketUDP();
	virtual ~KelmSocketUDP();

	int  udp_init(unsigned short port, int mode);	// mode 2: non-blocking; 1 ok, 0 failed
	int  udp_WriteData(void* data, long length, unsigned long address, unsigned short port);
	int  ReadData(void* buffer, long size, unsigned long* address, unsigned short* port);
	void Cleanup();
	void size_buffer();

private:
	KelmSocketUDP(const KelmSocketUDP&) = delete;
	KelmSocketUDP& operator=(const KelmSocketUDP&) = delete;
};

int printf_null(char* format, ...);

#endif
