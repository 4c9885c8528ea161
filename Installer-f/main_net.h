#ifndef MAIN_NET_H
#define MAIN_NET_H
// The server list and the release's directory file, fetched a step per frame.
#include <string>

enum { net_installer_version = 20502 };	// this installer, as the server list counts
enum { net_max_servers = 10 };

// What reading a server list came to.
enum {
	net_list_read = 0,		// stg.num_servers and the server arrays are filled
	net_list_newer_installer = 1,	// *address names the page of a newer installer
	net_list_bad_header = 2		// not a server list this installer reads
};

// Reads a downloaded "serverlist9.txt". Entries past the tenth are ignored; a
// host is cut at its first "/" and a folder gets its leading "/"; an entry
// with no usable host is skipped.
int net_read_server_list(const std::string& path, std::string* address);

// A server index 0..n-1 drawn with a bias towards the top of the list.
int net_biased_server(int n);
// The server the directory fetch tries after server `failed` failed it: any
// other of the n servers, evenly; 0 when there is only one.
int net_other_server(int n, int failed);

// One step of the fetch of the server list and the directory archive, and of
// reading the directory file (stg.stage 0 fetch, 1 read, 2 unreadable or not
// reachable, 3 read). A failed request is made again a second later; after a
// few failures in a row stg.stage becomes 2, also while stg.num_servers is -1.
void UTL_download_directory();

// The directory archive's progress on its slot: -1 when the reply gave no
// length, 0 while there is no transfer, else the percentage received.
int net_directory_percent(float* fraction);

// Extraction failures, and failed requests, of the directory archive in a
// row before giving up.
int net_directory_failure_limit();

// Failed requests of the server list in a row before giving up; the pause
// between two requests is a second.
enum { net_list_tries = 5 };

// Starts the fetch afresh after it gave up (the screens call it on entering):
// the failure counts are cleared and stage 2 becomes 0 again.
void net_directory_restart();

#endif
