#include "platform/audio/spsc_ring.h"

#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

namespace veldo::audio {
namespace {

TEST(SpscRingTest, RoundsCapacityUpAndRefusesWhatDoesNotFit) {
    SpscRing ring(100);
    EXPECT_EQ(ring.Capacity(), 128u);
    std::vector<uint8_t> bytes(200, 7);
    EXPECT_EQ(ring.Write(bytes.data(), bytes.size()), 128u);
    EXPECT_EQ(ring.Write(bytes.data(), 1), 0u);
    EXPECT_EQ(ring.Readable(), 128u);
}

TEST(SpscRingTest, KeepsOrderAcrossTheWrap) {
    SpscRing ring(16);
    std::vector<uint8_t> out(16);
    uint8_t next = 0, expected = 0;
    for (int round = 0; round < 20; ++round) {
        std::vector<uint8_t> in(11);
        for (auto& b : in)
            b = next++;
        ASSERT_EQ(ring.Write(in.data(), in.size()), in.size());
        ASSERT_EQ(ring.Read(out.data(), 11), 11u);
        for (int i = 0; i < 11; ++i)
            ASSERT_EQ(out[i], expected++) << "round " << round;
    }
    EXPECT_EQ(ring.Read(out.data(), 4), 0u);
}

// One producer and one consumer thread move a counting sequence through a small ring; every
// byte must arrive once, in order (also the case ThreadSanitizer looks at).
TEST(SpscRingTest, MovesASequenceBetweenTwoThreadsIntact) {
    SpscRing ring(64);
    constexpr size_t total = 200000;
    std::thread producer([&] {
        uint8_t chunk[37];
        size_t sent = 0;
        while (sent < total) {
            const size_t n = std::min(sizeof chunk, total - sent);
            for (size_t i = 0; i < n; ++i)
                chunk[i] = uint8_t((sent + i) * 7);
            size_t done = 0;
            while (done < n)
                done += ring.Write(chunk + done, n - done);
            sent += n;
        }
    });
    size_t received = 0;
    bool intact = true;
    uint8_t buffer[29];
    while (received < total) {
        const size_t n = ring.Read(buffer, sizeof buffer);
        for (size_t i = 0; i < n; ++i)
            intact = intact && buffer[i] == uint8_t((received + i) * 7);
        received += n;
    }
    producer.join();
    EXPECT_TRUE(intact);
    EXPECT_EQ(ring.Readable(), 0u);
}

} // namespace
} // namespace veldo::audio
