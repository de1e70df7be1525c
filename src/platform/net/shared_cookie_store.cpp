#include "platform/net/shared_cookie_store.h"

#include "platform/net/curl_global.h"

#include <mutex>

namespace veldo {
namespace {

std::mutex storeMutex;

void LockStore(CURL*, curl_lock_data, curl_lock_access, void*) {
    storeMutex.lock();
}
void UnlockStore(CURL*, curl_lock_data, void*) {
    storeMutex.unlock();
}

CURLSH* CreateStore() {
    EnsureCurlGlobalInit();
    CURLSH* share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockStore);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockStore);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    return share;
}

} // namespace

CURLSH* SharedCookieStore() {
    static CURLSH* const store = CreateStore();
    return store;
}

void ClearSharedCookies() {
    CURL* easy = curl_easy_init();
    if (!easy) return;
    curl_easy_setopt(easy, CURLOPT_SHARE, SharedCookieStore());
    curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(easy);
}

} // namespace veldo
