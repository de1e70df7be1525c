// veldo-play, the command-line player, as a child process: a stop signal stops its stream and
// ends it at once with 128 + the signal's number, long before the sound's end.
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine_fixture.h"

extern char** environ;

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
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        char* argv[] = {const_cast<char*>(VELDO_PLAY), const_cast<char*>(url.c_str()), nullptr};
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, VELDO_PLAY, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        ASSERT_EQ(spawned, 0);

        // Its first line says it plays.
        std::string printed;
        char buffer[256];
        for (ssize_t got; printed.find('\n') == std::string::npos &&
                          (got = read(out[0], buffer, sizeof buffer)) > 0;)
            printed.append(buffer, size_t(got));
        close(out[0]);
        EXPECT_EQ(printed.rfind("playing", 0), 0u) << printed;

        const auto signalled = std::chrono::steady_clock::now();
        kill(pid, c.signal);
        int status = 0;
        const bool ended =
            WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(5));
        const auto elapsed = std::chrono::steady_clock::now() - signalled;
        if (!ended) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        }
        ASSERT_TRUE(ended) << "veldo-play ignored signal " << c.signal;
        ASSERT_TRUE(WIFEXITED(status)) << c.signal;
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode);
        EXPECT_LT(elapsed, std::chrono::seconds(1)) << c.signal;
    }
}

} // namespace
} // namespace veldo::testing
