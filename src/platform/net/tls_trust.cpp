#include "platform/net/tls_trust.h"

#include <mutex>

namespace veldo {
namespace {

std::mutex trustMutex;
std::string testAuthority; // under trustMutex

} // namespace

std::string TrustedAuthorityFile() {
    std::lock_guard lock(trustMutex);
    return testAuthority;
}

void SetTrustedAuthorityForTesting(std::string caFile) {
    std::lock_guard lock(trustMutex);
    testAuthority = std::move(caFile);
}

} // namespace veldo
