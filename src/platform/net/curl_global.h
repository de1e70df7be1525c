#pragma once

namespace veldo {

// Runs curl_global_init once per process, whichever thread asks first.
void EnsureCurlGlobalInit();

} // namespace veldo
