#pragma once
// Which certificate authorities a transfer trusts. Production uses the system's store; a test
// can add its own authority so that a local https server with a certificate it made is accepted.
//
// Threads: read by every thread that opens a transfer, set by tests; guarded by a mutex.
#include <string>

namespace veldo {

// The PEM file a test named, or empty (the system's store alone).
std::string TrustedAuthorityFile();

// For tests only: transfers opened afterwards trust the authority in the PEM file `caFile`
// besides the system's store; an empty path goes back to the system's store alone.
void SetTrustedAuthorityForTesting(std::string caFile);

} // namespace veldo
