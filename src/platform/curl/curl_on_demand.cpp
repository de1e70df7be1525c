// The libcurl functions Veldo calls, loading libcurl on the first call instead of at process
// start. libcurl pulls in some thirty libraries (TLS, Kerberos, LDAP, SSH, IDN, ...), as much
// loading and relocation work as Qt's own at start-up, and nothing is fetched before the main
// window is on screen. When libcurl cannot be loaded, every call fails the way libcurl reports
// failure (a null handle, CURLE_FAILED_INIT, CURLM_INTERNAL_ERROR, CURLSHE_NOT_BUILT_IN).
// A libcurl function that is not defined here does not link: add it here.
// Threads: any thread may make the first call; std::call_once loads the library exactly once,
// and each function's address is a function-local static, initialised thread-safely.
#define CURL_DISABLE_TYPECHECK // the type-checking macros would replace the definitions below
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>
#include <mutex>

namespace {

void* Library() {
    static void* library = nullptr;
    static std::once_flag once;
    std::call_once(once, [] { library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL); });
    return library;
}

template <typename Function> Function* Resolve(const char* name) {
    void* library = Library();
    return library ? reinterpret_cast<Function*>(dlsym(library, name)) : nullptr;
}

// The real function `name`, resolved once.
#define REAL(name) static auto* const real = Resolve<decltype(name)>(#name)

} // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    REAL(curl_global_init);
    return real ? real(flags) : CURLE_FAILED_INIT;
}

CURL* curl_easy_init() {
    REAL(curl_easy_init);
    return real ? real() : nullptr;
}

// The one argument after the option is a long, a pointer, a function pointer or a curl_off_t;
// the option's number says which (CURLOPTTYPE_*).
CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    REAL(curl_easy_setopt);
    if (!real) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode result = CURLE_OK;
    switch (option / 10000 * 10000) {
    case CURLOPTTYPE_LONG:
        result = real(handle, option, va_arg(args, long));
        break;
    case CURLOPTTYPE_FUNCTIONPOINT:
        result = real(handle, option, va_arg(args, void (*)()));
        break;
    case CURLOPTTYPE_OFF_T:
        result = real(handle, option, va_arg(args, curl_off_t));
        break;
    default: // object pointers, blobs
        result = real(handle, option, va_arg(args, void*));
        break;
    }
    va_end(args);
    return result;
}

CURLcode curl_easy_perform(CURL* handle) {
    REAL(curl_easy_perform);
    return real ? real(handle) : CURLE_FAILED_INIT;
}

// The one argument after the item is always a pointer to the result.
CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    REAL(curl_easy_getinfo);
    if (!real) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    const CURLcode result = real(handle, info, va_arg(args, void*));
    va_end(args);
    return result;
}

void curl_easy_cleanup(CURL* handle) {
    REAL(curl_easy_cleanup);
    if (real) real(handle);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    REAL(curl_slist_append);
    return real ? real(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    REAL(curl_slist_free_all);
    if (real) real(list);
}

CURLSH* curl_share_init() {
    REAL(curl_share_init);
    return real ? real() : nullptr;
}

// CURLSHOPT_SHARE and CURLSHOPT_UNSHARE take an int (a curl_lock_data); the others a pointer.
CURLSHcode curl_share_setopt(CURLSH* share, CURLSHoption option, ...) {
    REAL(curl_share_setopt);
    if (!real) return CURLSHE_NOT_BUILT_IN;
    va_list args;
    va_start(args, option);
    CURLSHcode result = CURLSHE_OK;
    if (option == CURLSHOPT_SHARE || option == CURLSHOPT_UNSHARE)
        result = real(share, option, va_arg(args, int));
    else if (option == CURLSHOPT_LOCKFUNC || option == CURLSHOPT_UNLOCKFUNC)
        result = real(share, option, va_arg(args, void (*)()));
    else
        result = real(share, option, va_arg(args, void*));
    va_end(args);
    return result;
}

CURLSHcode curl_share_cleanup(CURLSH* share) {
    REAL(curl_share_cleanup);
    return real ? real(share) : CURLSHE_NOT_BUILT_IN;
}

CURLM* curl_multi_init() {
    REAL(curl_multi_init);
    return real ? real() : nullptr;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* handle) {
    REAL(curl_multi_add_handle);
    return real ? real(multi, handle) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* handle) {
    REAL(curl_multi_remove_handle);
    return real ? real(multi, handle) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_perform(CURLM* multi, int* runningHandles) {
    REAL(curl_multi_perform);
    return real ? real(multi, runningHandles) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extraFds[], unsigned int extraCount,
                          int timeoutMs, int* ready) {
    REAL(curl_multi_poll);
    return real ? real(multi, extraFds, extraCount, timeoutMs, ready) : CURLM_INTERNAL_ERROR;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* messagesLeft) {
    REAL(curl_multi_info_read);
    return real ? real(multi, messagesLeft) : nullptr;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    REAL(curl_multi_cleanup);
    return real ? real(multi) : CURLM_INTERNAL_ERROR;
}

} // extern "C"
