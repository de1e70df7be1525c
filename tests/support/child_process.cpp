#include "child_process.h"

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "wait_until.h"

extern char** environ;

namespace veldo::testing {

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) close(output_);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, bool captureOutput) {
    int pipeFds[2] = {-1, -1};
    if (captureOutput && pipe2(pipeFds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (captureOutput)
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    const int spawned =
        posix_spawnp(&pid_, arguments[0], &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (captureOutput) {
        close(pipeFds[1]);
        output_ = pipeFds[0];
    }
    if (spawned != 0) pid_ = -1;
    return spawned == 0;
}

long ChildProcess::Read(char* buffer, size_t size) {
    return output_ < 0 ? 0 : long(read(output_, buffer, size));
}

void ChildProcess::Signal(int signal) const {
    if (pid_ > 0) kill(pid_, signal);
}

bool ChildProcess::WaitForEnd(std::chrono::milliseconds limit, int& status) {
    if (pid_ <= 0) return false;
    if (!WaitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, limit)) return false;
    pid_ = -1;
    return true;
}

} // namespace veldo::testing
