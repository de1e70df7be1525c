#pragma once
// A real nginx serving the files of one folder over HTTP on 127.0.0.1, so that tests meet a
// production server's answers (Content-Length, its own headers and pacing). It runs in the
// foreground as one process (no daemon, no master) with a configuration, logs and temporary
// folders of its own in a temporary folder, on a free port; it is ended with the object.
#include <sys/types.h>

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace veldo::testing {

class NginxServer {
  public:
    // The nginx program, or an empty path when the package is not installed.
    static std::filesystem::path Program();

    // Serves `root`; throws std::runtime_error when nginx does not start.
    explicit NginxServer(const std::filesystem::path& root);
    ~NginxServer();
    NginxServer(const NginxServer&) = delete;
    NginxServer& operator=(const NginxServer&) = delete;

    // "http://127.0.0.1:PORT" + path.
    std::string Url(const std::string& path) const;

  private:
    bool StartOn(int port, const std::filesystem::path& root);
    void Stop();

    TempDir folder_;
    pid_t pid_ = -1;
    int port_ = 0;
};

} // namespace veldo::testing
