#pragma once
// A program started by a test (a sound server, a recorder, a command-line tool) with the test's
// environment, optionally with its standard output on a pipe; killed and reaped at the latest
// when the object goes away. Owned by one thread.
#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace veldo::testing {

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (a path, or a name looked up in PATH). Standard output goes to a pipe read
    // by Read() when `captureOutput`, else to /dev/null, like standard error.
    bool Start(const std::vector<std::string>& argv, bool captureOutput = false);
    // Blocks until some output arrives; 0 at its end.
    long Read(char* buffer, size_t size);
    void Signal(int signal) const;
    // Waits up to `limit` for the end; true with its wait status once it has ended.
    bool WaitForEnd(std::chrono::milliseconds limit, int& status);

  private:
    pid_t pid_ = -1;
    int output_ = -1;
};

} // namespace veldo::testing
