#pragma once

namespace veldo {

// Redirects any transfer follows at the most.
inline constexpr long kMaxRedirects = 10;

// Runs curl_global_init once per process, whichever thread asks first.
void EnsureCurlGlobalInit();

// The settings every transfer of the site shares: http and https only (redirects included), at
// most 10 redirects, certificates verified, no signals, and the connect and idle limits of
// net_timeouts.h. `curl` is a CURL easy handle.
void ApplyTransferSafety(void* curl);

} // namespace veldo
