#include "KelmSocket.h"
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <system_error>
#include <thread>
#include <unistd.h>

// 0, or the errno that leaves the socket blocking: one that would stop the
// window at its first read is failed instead.
static int make_non_blocking(int fd)
{
	int fl = fcntl(fd, F_GETFL, 0);
	if (fl < 0 || fcntl(fd, F_SETFL, fl | O_NONBLOCK) != 0) return errno;
	return 0;
}

// The errors that mean "the connection is gone" rather than "something is broken".
static bool is_connection_end(int err)
{
	switch (err) {
	case ECONNABORTED: case ECONNREFUSED: case ECONNRESET: case EHOSTUNREACH:
	case ENETDOWN: case ENETRESET: case ENETUNREACH: case ETIMEDOUT:
		return true;
	}
	return false;
}

static bool is_would_block(int err)
{
	return err == EAGAIN || err == EWOULDBLOCK || err == EINTR;
}

KelmSocket::KelmSocket(unsigned short port, bool listen_)
{
	status = socket_idle;
	last_os_error = end_error = 0;
	peer_released = local_released = listening = false;

	socket_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
	if (socket_fd < 0) {
		set_error(errno);
		fprintf(stderr, "LINUX: NET: I could not even create the socket! Uh-oh!\n");
		return;
	}
	int one = 1;
	if (setsockopt(socket_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one)) != 0)
		printf("-----------------------Could not set TCP_NODELAY on port %d-------------\n", port);

	sockaddr_in sa;
	memset(&sa, 0, sizeof(sa));
	sa.sin_family = AF_INET;
	sa.sin_port = htons(port);
	sa.sin_addr.s_addr = htonl(INADDR_ANY);
	if (bind(socket_fd, (sockaddr*)&sa, sizeof(sa)) != 0) {
		set_error(errno);
		fprintf(stderr, "LINUX: NET: I could not even bind the socket! Uh-oh!\n");
		return;
	}
	if (int e = make_non_blocking(socket_fd)) {
		set_error(e);
		return;
	}

	if (listen_) {
		listening = true;
		if (listen(socket_fd, 128) != 0) {
			set_error(errno);
			fprintf(stderr, "LINUX: NET: I could not start listening! Uh-oh!\n");
		}
	}
}

KelmSocket::KelmSocket(int fd)
{
	socket_fd = fd;
	status = socket_connected;
	last_os_error = end_error = 0;
	peer_released = local_released = listening = false;
	if (int e = make_non_blocking(fd)) set_error(e);
}

KelmSocket::~KelmSocket()
{
	if (socket_fd >= 0) {
		(void)shutdown(socket_fd, SHUT_RDWR);	// the socket goes: nothing left to send
		(void)close(socket_fd);	// as above
	}
}

int  KelmSocket::StartupNetworking(bool) { return 1; }
void KelmSocket::ShutdownNetworking(bool) {}

unsigned long KelmSocket::LookupAddress(const char* name)
{
	if (!name || !*name) return 0;
	in_addr a;
	if (inet_pton(AF_INET, name, &a) == 1) return a.s_addr;

	addrinfo hints;
	memset(&hints, 0, sizeof(hints));
	hints.ai_family = AF_INET;
	hints.ai_socktype = SOCK_STREAM;
	addrinfo* res = nullptr;
	if (getaddrinfo(name, nullptr, &hints, &res) != 0 || !res) return 0;
	unsigned long out = 0;
	for (addrinfo* r = res; r; r = r->ai_next)
		if (r->ai_family == AF_INET && r->ai_addr) {
			out = ((sockaddr_in*)r->ai_addr)->sin_addr.s_addr;
			break;
		}
	freeaddrinfo(res);
	return out;
}

// The names looked up in this run, and the lookups still running.
static std::mutex lookups_lock;
static std::map<std::string, std::shared_ptr<KelmLookup>> lookups;

std::shared_ptr<KelmLookup> KelmSocket::LookupStart(const char* name)
{
	std::string key = name ? name : "";
	std::lock_guard<std::mutex> hold(lookups_lock);
	std::shared_ptr<KelmLookup>& slot = lookups[key];
	if (slot && slot->state.load() != lookup_failed) return slot;
	slot = std::make_shared<KelmLookup>();
	in_addr a;
	if (key.empty()) {
		slot->state = lookup_failed;
		return slot;
	}
	if (inet_pton(AF_INET, key.c_str(), &a) == 1) {
		slot->address = a.s_addr;
		slot->state = lookup_found;
		return slot;
	}
	// The resolver may take seconds: never on the caller's thread. A thread
	// still waiting for it when the program ends is simply ended with it.
	try {
		std::thread([key, l = slot] {
			l->address = LookupAddress(key.c_str());
			l->state.store(l->address ? lookup_found : lookup_failed);
		}).detach();
	} catch (const std::system_error&) {
		slot->state = lookup_failed;	// no thread to spare: this time the name is not found
	}
	return slot;
}

void KelmSocket::Connect(unsigned long address, unsigned short port)
{
	status = socket_connecting;
	sockaddr_in sa;
	memset(&sa, 0, sizeof(sa));
	sa.sin_family = AF_INET;
	sa.sin_port = htons(port);
	sa.sin_addr.s_addr = (in_addr_t)address;
	if (connect(socket_fd, (sockaddr*)&sa, sizeof(sa)) == 0) {
		status = socket_connected;
		return;
	}
	int err = errno;
	if (err == EINPROGRESS || err == EAGAIN || err == EINTR) return;	// finishes in the background
	fprintf(stderr, "LINUX: NET: Some sort of connect error! %d\n", err);
	set_error(err);
}

int KelmSocket::GetStatus()
{
	if (status == socket_idle && !listening) return status;
	if (status == socket_idle || (status == socket_connecting && !listening)) {
		pollfd p;
		p.fd = socket_fd;
		p.events = listening ? POLLIN : (POLLOUT | POLLPRI);
		p.revents = 0;
		int r = poll(&p, 1, 0);
		if (r == 0 || (r < 0 && errno == EINTR)) return status;
		if (r < 0) {
			int err = errno;
			if (listening)
				fprintf(stderr, "LINUX: NET: Some sort of socket error! %d\n", err);
			else
				fprintf(stderr, "LINUX: NET: Some sort of socket error while connecting! %d (errno=%d sock=%d)\n", r, err, socket_fd);
			set_error(err);
			return status;
		}
		if (p.revents & POLLNVAL) {
			set_error(EBADF);
		} else if (listening) {
			if (p.revents & POLLIN) status = socket_connecting;
		} else if ((p.revents & POLLOUT) && !(p.revents & (POLLERR | POLLHUP | POLLPRI))) {
			status = socket_connected;
		} else {
			// the connect failed: keep why (refused, unreachable) for the caller's report
			int err = 0;
			socklen_t len = sizeof(err);
			if (getsockopt(socket_fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0) end_error = err;
			status = socket_closed;
		}
	}
	return status;
}

long KelmSocket::io_failed(int err, const char* what)
{
	if (is_would_block(err)) return 0;
	if (is_connection_end(err)) {
		end_error = err;
		status = socket_closed;
		return -1;
	}
	fprintf(stderr, "LINUX: NET: Some sort of error while %s! %d\n", what, err);
	set_error(err);
	return -1;
}

long KelmSocket::ReadData(void* buffer, long size)
{
	if (status == socket_closed || status == socket_error) return -1;
	ssize_t n = recv(socket_fd, buffer, (size_t)size, 0);
	if (n > 0) return (long)n;
	if (n == 0 && size > 0) {
		peer_released = true;
		if (!local_released) return 0;
		status = socket_closed;
		return -1;
	}
	if (n == 0) return 0;
	return io_failed(errno, "recving");
}

long KelmSocket::http_WriteData(const void* data, long length)
{
	if (status == socket_closed || status == socket_error) return -1;
	ssize_t n = send(socket_fd, data, (size_t)length, MSG_NOSIGNAL);
	if (n >= 0) return (long)n;
	return io_failed(errno, "sending");
}

int KelmSocket::Disconnect()
{
	int r = shutdown(socket_fd, SHUT_RDWR);
	status = socket_closed;
	return r;
}

int KelmSocket::Release()
{
	local_released = true;
	if (shutdown(socket_fd, SHUT_WR) != 0) {
		int err = errno;
		set_error(err);
		return err;
	}
	return 1;
}

KelmSocket* KelmSocket::Accept()
{
	status = socket_idle;
	int fd = accept4(socket_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
	if (fd < 0) return nullptr;
	return new KelmSocket(fd);
}

void KelmSocket::GetAddresses(ConnectionData* out)
{
	sockaddr_in sa;
	socklen_t len = sizeof(sa);
	memset(&sa, 0, sizeof(sa));
	getpeername(socket_fd, (sockaddr*)&sa, &len);
	out->remote_address = sa.sin_addr.s_addr;
	out->remote_port = ntohs(sa.sin_port);
	len = sizeof(sa);
	memset(&sa, 0, sizeof(sa));
	getsockname(socket_fd, (sockaddr*)&sa, &len);
	out->local_address = ntohl(sa.sin_addr.s_addr);
	out->local_port = ntohs(sa.sin_port);
}

int printf_null(char*, ...) { return 0; }
