// Thirty seconds without progress fail a transfer, and nothing fails sooner.
// The clock is the test's: xtim.elapsed, which the client times its stalls
// by, moves only when the test moves it.
#include <gtest/gtest.h>
#include "http.h"
#include "KelmSocket.h"
#include "UTL_cmdline.h"
#include "UTL_log.h"
#include "net_support.h"
#include "../support/test_servers.h"
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A server the test paces: it takes one request, announces `length` bytes and
// sends them only as the test hands them over.
struct paced_server {
	int listener = -1, conn = -1;
	std::string request;

	~paced_server()
	{
		if (conn >= 0) close(conn);
		if (listener >= 0) close(listener);
	}
	bool start(const char* addr)
	{
		listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
		if (listener < 0) return false;
		int on = 1;
		if (setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return false;
		sockaddr_in sa = {};
		sa.sin_family = AF_INET;
		sa.sin_port = htons(80);
		return inet_pton(AF_INET, addr, &sa.sin_addr) == 1 && bind(listener, (sockaddr*)&sa, sizeof sa) == 0 &&
		       listen(listener, 4) == 0;
	}
	// True once the whole request head has come; never blocks.
	bool take_request()
	{
		if (conn < 0 && (conn = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK)) < 0) return false;
		char buf[4096];
		ssize_t n;
		while ((n = read(conn, buf, sizeof buf)) > 0) request.append(buf, (size_t)n);
		return request.find("\r\n\r\n") != std::string::npos;
	}
	bool send_all(const std::string& data)
	{
		for (size_t at = 0; at < data.size();) {
			ssize_t n = write(conn, data.data() + at, data.size() - at);
			if (n < 0 && errno != EAGAIN) return false;
			if (n > 0) at += (size_t)n;
		}
		return true;
	}
};

TEST(HttpStall, SilentServersFailAfterThirtySeconds)
{
	UTL_cmdline::add_one("--fps_test", "");
	std::string dir = TS_make_temp_dir("net-stall");
	xer.open(dir + "/log.txt");
	TS_fault_server fs;
	ASSERT_TRUE(fs.start("127.0.0.29", 80, dir + "/fs", 60)) << fs.error;
	paced_server paced;
	ASSERT_TRUE(paced.start("127.0.0.30")) << strerror(errno);

	const char* srv = "127.0.0.29";
	std::vector<NetJob> jobs = {
		{2, srv, "/stall/100000", dir + "/a"},		// stops mid-body
		{3, srv, "/stallhead", dir + "/b"},		// never answers
		{4, srv, "/nolengthopen/1000", dir + "/c"},	// no length, never closes
		{5, srv, "/ok/300000", dir + "/d"},		// a good one beside them
		{1, "127.0.0.30", "/paced", dir + "/e"},	// sends a little every second, for a minute
	};
	const float start = 100;	// whole seconds, exact in a float
	xtim.elapsed = start;
	auto clock = [&] { return (double)(xtim.elapsed - start); };
	auto body = [&](int i) { return http.transfer(jobs[i].slot) ? http.transfer(jobs[i].slot)->bytes_received : -1; };
	// Frames on a clock that stands still, until `done` (false when that takes
	// a minute of real time, or every job ended).
	auto frames_until = [&](const std::function<bool()>& done) {
		const double until = net_now() + 60;
		do {
			if (net_frame(jobs, clock) < 0) return done();
			std::this_thread::sleep_for(std::chrono::microseconds(300));
		} while (!done() && net_now() < until);
		return done();
	};

	// Every server first says all it will say while no time passes.
	const int64_t piece = 10, length = 100 * piece;
	ASSERT_TRUE(frames_until([&] {
		down_class* head = http.transfer(jobs[1].slot);
		return body(0) == 50000 && head && head->socket && head->socket->status == socket_connected &&
		       head->unsent.empty() && body(2) == 1000 && jobs[3].result && paced.take_request();
	}));
	ASSERT_TRUE(paced.send_all("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n"));
	int64_t sent = 0;
	for (int second = 1; second <= 60; ++second) {
		ASSERT_TRUE(paced.send_all(std::string(piece, 'p')));
		sent += piece;
		ASSERT_TRUE(frames_until([&] { return body(4) == sent; })) << "second " << second;
		xtim.elapsed = start + (float)second;
	}
	ASSERT_TRUE(paced.send_all(std::string(length - sent, 'p')));
	ASSERT_TRUE(frames_until([&] { return jobs[4].result != 0; }));

	EXPECT_EQ(jobs[3].result, 1);
	EXPECT_EQ(jobs[4].result, 1) << "a server that kept sending for a minute failed";
	EXPECT_EQ(TS_read_file(dir + "/e"), std::string(length, 'p'));
	for (int i = 0; i < 3; ++i) {
		EXPECT_EQ(jobs[i].result, 2) << jobs[i].path;
		EXPECT_GT(jobs[i].seconds, 30.0) << jobs[i].path;	// nothing fails sooner
		EXPECT_LT(jobs[i].seconds, 32.0) << jobs[i].path;	// and none later either
		EXPECT_EQ(http.transfer(jobs[i].slot), nullptr);
		EXPECT_EQ(http.failure(jobs[i].slot).kind, http_failed_silent) << jobs[i].path;
	}
	for (const char* f : {"/a", "/b", "/c", "/a.part", "/c.part"})
		EXPECT_NE(access((dir + f).c_str(), F_OK), 0) << f;
	fs.stop();
	xer.close();
	if (!::testing::Test::HasFailure()) TS_remove_tree(dir);
}
