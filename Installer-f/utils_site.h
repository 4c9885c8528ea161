#ifndef UTILS_SITE_H
#define UTILS_SITE_H
// The maker's web site: the host that serves the server list, the order page
// and the page that offers a newer installer. Each is one constant; a build
// may set its own with -DVANTOR_SITE_HOST=... (and the two pages alike).

extern const char* const net_site_host;		// bare host name, no scheme, no "/"
extern const char* const net_order_page;	// full address of the order page
extern const char* const net_download_page;	// full address of the installer download page

#endif
