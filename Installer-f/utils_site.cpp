#include "utils_site.h"

#ifndef VANTOR_SITE_HOST
#define VANTOR_SITE_HOST "www.tarrowfield.example"
#endif
#ifndef VANTOR_ORDER_PAGE
#define VANTOR_ORDER_PAGE "http://" VANTOR_SITE_HOST "/order.html"
#endif
#ifndef VANTOR_DOWNLOAD_PAGE
#define VANTOR_DOWNLOAD_PAGE "http://" VANTOR_SITE_HOST "/download.html"
#endif

const char* const net_site_host     = VANTOR_SITE_HOST;
const char* const net_order_page    = VANTOR_ORDER_PAGE;
const char* const net_download_page = VANTOR_DOWNLOAD_PAGE;
