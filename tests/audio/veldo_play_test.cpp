// veldo-play, the command-line player, as a child process: a stop signal stops its stream and
// ends it at once with 128 + the signal's number, long before the sound's end.
#include <csignal>
#include <sys/wait.h>

#include "engine_fixture.h"
#include "support/child_process.h"

namespace veldo::testing {
namespace {

class VeldoPlayTest : public EngineTest {};

TEST_F(VeldoPlayTest, InterruptAndTerminateStopTheStreamAndEndWith128PlusTheNumber) {
    const std::string url = Serve("/long.mp3", {Tone(440, 30)});
    setenv("SDL_AUDIODRIVER", "disk", 1); // real-time pace: the sound would last 30 s
    setenv("SDL_DISKAUDIOFILE", Speaker().c_str(), 1);
    unsetenv("SDL_DISKAUDIODELAY");
    struct Case {
        int signal;
        int exitCode;
    };
    for (const Case c : {Case{SIGINT, 130}, Case{SIGTERM, 143}}) {
        ChildProcess player;
        ASSERT_TRUE(player.Start({VELDO_PLAY, url}, true));
        // Its first line says it plays.
        std::string printed;
        char buffer[256];
        for (long got; printed.find('\n') == std::string::npos &&
                       (got = player.Read(buffer, sizeof buffer)) > 0;)
            printed.append(buffer, size_t(got));
        EXPECT_EQ(printed.rfind("playing", 0), 0u) << printed;

        const auto signalled = std::chrono::steady_clock::now();
        player.Signal(c.signal);
        int status = 0;
        ASSERT_TRUE(player.WaitForEnd(std::chrono::seconds(5), status))
            << "veldo-play ignored signal " << c.signal;
        // It ends within a second alone; three allowed for a loaded machine.
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(3));
        ASSERT_TRUE(WIFEXITED(status)) << c.signal;
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
    }
}

} // namespace
} // namespace veldo::testing
