#include "platform/net/resume_policy.h"

#include <mutex>

namespace veldo {
namespace {

std::mutex policyMutex;
ResumePolicy policy;

} // namespace

ResumePolicy CurrentResumePolicy() {
    std::lock_guard lock(policyMutex);
    return policy;
}

void SetResumePolicyForTesting(const ResumePolicy& newPolicy) {
    std::lock_guard lock(policyMutex);
    policy = newPolicy;
}

RetryPacer::RetryPacer(ResumePolicy policy) : policy_(policy) {}

std::optional<std::chrono::milliseconds> RetryPacer::AfterTry(std::int64_t furthestBytes) {
    const auto now = std::chrono::steady_clock::now();
    if (furthestBytes > furthest_) {
        furthest_ = furthestBytes;
        fruitless_ = 0;
        lastNewByte_ = now;
        return std::chrono::milliseconds(0);
    }
    if (++fruitless_ >= policy_.fruitlessTries) return std::nullopt;
    const auto pause = policy_.firstPause * (1LL << (fruitless_ - 1));
    if (now + pause - lastNewByte_ > policy_.giveUpWithoutByte) return std::nullopt;
    return pause;
}

} // namespace veldo
