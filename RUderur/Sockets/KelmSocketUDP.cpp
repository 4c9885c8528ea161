#include "KelmSocket.h"
#include "UTL_alert.h"
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

KelmSocketUDP::KelmSocketUDP()
{
	socket_fd = -1;
	memset(&bind_addr, 0, sizeof(bind_addr));
}

KelmSocketUDP::~KelmSocketUDP() { Cleanup(); }

void KelmSocketUDP::Cleanup()
{
	if (socket_fd >= 0) (void)close(socket_fd);	// datagrams: nothing queued to lose
	socket_fd = -1;
}

int KelmSocketUDP::udp_init(unsigned short port, int mode)
{
	Cleanup();
	bind_addr.family = AF_INET;
	bind_addr.port = htons(port);
	bind_addr.address = 0;

	socket_fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
	if (socket_fd < 0) return 0;

	sockaddr_in sa;
	memset(&sa, 0, sizeof(sa));
	sa.sin_family = AF_INET;
	sa.sin_port = bind_addr.port;
	sa.sin_addr.s_addr = htonl(INADDR_ANY);
	if (bind(socket_fd, (sockaddr*)&sa, sizeof(sa)) != 0) {
		Cleanup();
		return 0;
	}
	if (mode == 2) {
		int fl = fcntl(socket_fd, F_GETFL, 0);
		if (fl < 0 || fcntl(socket_fd, F_SETFL, fl | O_NONBLOCK) != 0) {
			APL_alert("Could not set net to non-blocking!", "", "", "", t_alert);
			Cleanup();
			return 0;
		}
	}
	size_buffer();
	return 1;
}

void KelmSocketUDP::size_buffer()
{
	int snd = udp_buffer_size_snd, rcv = udp_buffer_size_rcv;
	socklen_t len = sizeof(int);
	bool ok = setsockopt(socket_fd, SOL_SOCKET, SO_SNDBUF, &snd, sizeof(snd)) == 0
	       && setsockopt(socket_fd, SOL_SOCKET, SO_RCVBUF, &rcv, sizeof(rcv)) == 0
	       && getsockopt(socket_fd, SOL_SOCKET, SO_SNDBUF, &snd, &len) == 0
	       && (len = sizeof(int), getsockopt(socket_fd, SOL_SOCKET, SO_RCVBUF, &rcv, &len) == 0);
	if (!ok) APL_alert("Could not set socket size!", "", "", "", t_exit);
}

int KelmSocketUDP::udp_WriteData(void* data, long length, unsigned long address, unsigned short port)
{
	sockaddr_in sa;
	memset(&sa, 0, sizeof(sa));
	sa.sin_family = AF_INET;
	sa.sin_port = htons(port);
	sa.sin_addr.s_addr = htonl((uint32_t)address);
	return (int)sendto(socket_fd, data, (size_t)length, MSG_NOSIGNAL, (sockaddr*)&sa, sizeof(sa));
}

int KelmSocketUDP::ReadData(void* buffer, long size, unsigned long* address, unsigned short* port)
{
	if (socket_fd < 0) APL_alert("Bad mWinSocket!", "", "", "", t_exit);
	sockaddr_in sa;
	socklen_t len = sizeof(sa);
	memset(&sa, 0, sizeof(sa));
	int n = (int)recvfrom(socket_fd, buffer, (size_t)size, 0, (sockaddr*)&sa, &len);
	if (n >= 0) {
		if (address) *address = ntohl(sa.sin_addr.s_addr);
		if (port) *port = ntohs(sa.sin_port);
	}
	return n;
}
