#ifndef KELMSOCKET_H
#define KELMSOCKET_H
// Non-blocking IPv4 TCP and datagram sockets. A TCP socket never blocks: its
// state is a small number the caller polls with GetStatus.

enum socket_status {
	socket_idle       = 1,	// bound, not connected (listening: nothing waiting)
	socket_connecting = 2,	// connect under way (listening: a connection waits)
	socket_connected  = 3,
	socket_closed     = 4,	// closed here, or the connection ended
	socket_error      = 5	// any other failure; GetOSError has the errno
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
	bool peer_released;
	bool local_released;
	bool listening;

	KelmSocket(unsigned short port, bool listen);
	explicit KelmSocket(int fd);
	virtual ~KelmSocket();

	static int  StartupNetworking(bool);
	static void ShutdownNetworking(bool);
	static unsigned long LookupAddress(const char* name);	// network order, 0 = unknown

	void Connect(unsigned long address, unsigned short port);
	int  GetStatus();
	int  GetOSError() const { return last_os_error; }
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
