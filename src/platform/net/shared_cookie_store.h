#pragma once
// The in-memory cookie store that every request of one run shares when its caller does not
// supply cookies itself. Nothing is ever written to disk.
//
// Threads: any thread may run requests at the same time; libcurl calls the store's lock and
// unlock callbacks around every access, and they take one mutex.
#include <curl/curl.h>

namespace veldo {

// The process-wide share handle (cookies only), created on first use and kept until exit.
CURLSH* SharedCookieStore();

// Forgets every stored cookie.
void ClearSharedCookies();

} // namespace veldo
