// TCP and datagram sockets against real loopback peers.
#include <gtest/gtest.h>
#include <cerrno>
#include "KelmSocket.h"
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

static unsigned long loopback() { return htonl(INADDR_LOOPBACK); }

static unsigned short local_port(KelmSocket& s)
{
	sockaddr_in sa;
	socklen_t len = sizeof(sa);
	getsockname(s.socket_fd, (sockaddr*)&sa, &len);
	return ntohs(sa.sin_port);
}

// Polls until the status leaves `from` or a second has passed.
static int wait_status(KelmSocket& s, int from)
{
	for (int i = 0; i < 1000; ++i) {
		int st = s.GetStatus();
		if (st != from) return st;
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	return s.GetStatus();
}

static KelmSocket* accept_one(KelmSocket& listener)
{
	EXPECT_EQ(wait_status(listener, socket_idle), socket_connecting);
	return listener.Accept();
}

// Reads until `want` bytes have arrived or a second passed.
static std::string read_some(KelmSocket& s, size_t want)
{
	std::string out;
	char buf[4096];
	for (int i = 0; i < 1000 && out.size() < want && !s.ReceivedRelease(); ++i) {
		long n = s.ReadData(buf, sizeof(buf));
		if (n > 0) out.append(buf, (size_t)n);
		else std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	return out;
}

TEST(Sockets, ConnectTalkAndPeerClose)
{
	KelmSocket listener(0, true);
	ASSERT_EQ(listener.GetStatus(), socket_idle);
	EXPECT_EQ(listener.Accept(), nullptr);			// nothing waiting yet
	unsigned short port = local_port(listener);

	KelmSocket client(0, false);
	EXPECT_EQ(client.GetStatus(), socket_idle);
	client.Connect(loopback(), port);
	EXPECT_EQ(wait_status(client, socket_connecting), socket_connected);

	KelmSocket* server = accept_one(listener);
	ASSERT_NE(server, nullptr);
	EXPECT_EQ(server->GetStatus(), socket_connected);
	EXPECT_EQ(listener.GetStatus(), socket_idle);

	char buf[16];
	EXPECT_EQ(server->ReadData(buf, sizeof(buf)), 0);	// nothing sent yet
	EXPECT_EQ(server->GetStatus(), socket_connected);

	EXPECT_EQ(client.http_WriteData("hello", 5), 5);
	EXPECT_EQ(read_some(*server, 5), "hello");
	EXPECT_EQ(server->http_WriteData("world!", 6), 6);
	EXPECT_EQ(read_some(client, 6), "world!");

	KelmSocket::ConnectionData cd;
	client.GetAddresses(&cd);
	EXPECT_EQ(cd.local_address, (unsigned long)INADDR_LOOPBACK);	// host order
	EXPECT_EQ(cd.remote_address, loopback());			// network order
	EXPECT_EQ(cd.remote_port, port);
	EXPECT_NE(cd.local_port, 0);

	// The peer ends its side: nothing received, the release flag set, still connected.
	delete server;
	std::string rest = read_some(client, 1);
	EXPECT_EQ(rest, "");
	EXPECT_TRUE(client.ReceivedRelease());
	EXPECT_EQ(client.GetStatus(), socket_connected);

	// Once this side has released too, the end of stream closes the socket.
	EXPECT_EQ(client.Release(), 1);
	EXPECT_EQ(client.ReadData(buf, sizeof(buf)), -1);
	EXPECT_EQ(client.GetStatus(), socket_closed);
	EXPECT_EQ(client.GetOSError(), 0);
	EXPECT_EQ(client.GetEndError(), 0);	// an orderly end
}

TEST(Sockets, RefusedAndResetConnectionsClose)
{
	unsigned short dead_port;
	{
		KelmSocket probe(0, true);
		dead_port = local_port(probe);
	}
	KelmSocket refused(0, false);
	refused.Connect(loopback(), dead_port);
	EXPECT_EQ(wait_status(refused, socket_connecting), socket_closed);
	EXPECT_EQ(refused.GetEndError(), ECONNREFUSED);	// why, for the user's report

	KelmSocket listener(0, true);
	KelmSocket client(0, false);
	client.Connect(loopback(), local_port(listener));
	ASSERT_EQ(wait_status(client, socket_connecting), socket_connected);
	KelmSocket* server = accept_one(listener);
	ASSERT_NE(server, nullptr);
	linger lg = {1, 0};
	setsockopt(server->socket_fd, SOL_SOCKET, SO_LINGER, &lg, sizeof(lg));
	close(server->socket_fd);		// a reset, not an orderly close
	server->socket_fd = -1;
	delete server;

	char buf[16];
	long n = 0;
	for (int i = 0; i < 1000 && n == 0; ++i) {
		n = client.ReadData(buf, sizeof(buf));
		if (n == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	EXPECT_EQ(n, -1);
	EXPECT_EQ(client.GetStatus(), socket_closed);
	EXPECT_EQ(client.GetOSError(), 0);			// a connection end is not an error
	EXPECT_EQ(client.GetEndError(), ECONNRESET);
	EXPECT_EQ(client.http_WriteData("x", 1), -1);
}

TEST(Sockets, DisconnectIsFinal)
{
	KelmSocket listener(0, true);
	KelmSocket client(0, false);
	client.Connect(loopback(), local_port(listener));
	ASSERT_EQ(wait_status(client, socket_connecting), socket_connected);
	client.Disconnect();
	EXPECT_EQ(client.GetStatus(), socket_closed);
	char buf[4];
	EXPECT_EQ(client.ReadData(buf, 4), -1);
	EXPECT_EQ(client.GetStatus(), socket_closed);
}

TEST(Sockets, LookupAddress)
{
	EXPECT_EQ(KelmSocket::LookupAddress("127.0.0.21"), (unsigned long)inet_addr("127.0.0.21"));
	EXPECT_EQ(KelmSocket::LookupAddress("localhost"), loopback());
	EXPECT_EQ(KelmSocket::LookupAddress(""), 0ul);
	EXPECT_EQ(KelmSocket::LookupAddress(nullptr), 0ul);
	EXPECT_EQ(KelmSocket::StartupNetworking(true), 1);
}

TEST(Sockets, DatagramsBothWays)
{
	KelmSocketUDP a, b;
	ASSERT_EQ(a.udp_init(0, 2), 1);
	ASSERT_EQ(b.udp_init(0, 1), 1);
	sockaddr_in sa;
	socklen_t len = sizeof(sa);
	getsockname(b.socket_fd, (sockaddr*)&sa, &len);
	unsigned short bport = ntohs(sa.sin_port);
	len = sizeof(sa);
	getsockname(a.socket_fd, (sockaddr*)&sa, &len);
	unsigned short aport = ntohs(sa.sin_port);

	int rcv = 0;
	len = sizeof(rcv);
	getsockopt(b.socket_fd, SOL_SOCKET, SO_RCVBUF, &rcv, &len);
	EXPECT_GE(rcv, (int)udp_buffer_size_rcv);

	char msg[] = "ping";
	EXPECT_EQ(a.udp_WriteData(msg, 4, INADDR_LOOPBACK, bport), 4);
	char buf[64];
	unsigned long from = 0;
	unsigned short from_port = 0;
	EXPECT_EQ(b.ReadData(buf, sizeof(buf), &from, &from_port), 4);	// b blocks
	EXPECT_EQ(std::string(buf, 4), "ping");
	EXPECT_EQ(from, (unsigned long)INADDR_LOOPBACK);		// host order
	EXPECT_EQ(from_port, aport);

	EXPECT_EQ(a.ReadData(buf, sizeof(buf), &from, &from_port), -1);	// a never blocks
	a.Cleanup();
	EXPECT_EQ(a.socket_fd, -1);
}
