#include "nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include "wait_until.h"

namespace veldo::testing {
namespace {

namespace fs = std::filesystem;

// A port the kernel has just handed out as free; nginx binds it a moment later (a clash with
// another program in between is retried with a new port).
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(uint16_t(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

std::string Config(const fs::path& folder, const fs::path& root, int port) {
    const std::string d = folder.string();
    std::ostringstream c;
    c << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
      << "pid " << d << "/nginx.pid;\nerror_log " << d << "/error.log warn;\n"
      << "events { worker_connections 64; }\n"
      << "http {\n  access_log off;\n"
      << "  client_body_temp_path " << d << "/body;\n  proxy_temp_path " << d << "/proxy;\n"
      << "  fastcgi_temp_path " << d << "/fastcgi;\n  uwsgi_temp_path " << d << "/uwsgi;\n"
      << "  scgi_temp_path " << d << "/scgi;\n"
      << "  types { audio/mpeg mp3 mp2; }\n  default_type application/octet-stream;\n"
      << "  server { listen 127.0.0.1:" << port << "; root " << root.string() << "; }\n}\n";
    return c.str();
}

} // namespace

fs::path NginxServer::Program() {
    for (const char* candidate : {"/usr/sbin/nginx", "/usr/local/sbin/nginx", "/usr/bin/nginx"})
        if (access(candidate, X_OK) == 0) return candidate;
    return {};
}

NginxServer::NginxServer(const fs::path& root) {
    if (Program().empty()) throw std::runtime_error("nginx is not installed");
    for (int attempt = 0; attempt < 5; ++attempt)
        if (StartOn(FreePort(), root)) return;
    std::ifstream log(folder_.path() / "error.log");
    std::stringstream text;
    text << log.rdbuf();
    throw std::runtime_error("nginx did not start: " + text.str());
}

NginxServer::~NginxServer() {
    Stop();
}

bool NginxServer::StartOn(int port, const fs::path& root) {
    if (port <= 0) return false;
    const fs::path config = folder_.path() / "nginx.conf";
    std::ofstream(config) << Config(folder_.path(), root, port);
    const std::string program = Program().string(), prefix = folder_.path().string() + "/",
                      errorLog = (folder_.path() / "error.log").string(), conf = config.string();
    std::vector<const char*> argv{program.c_str(),  "-p", prefix.c_str(), "-e",
                                  errorLog.c_str(), "-c", conf.c_str(),   nullptr};
    if (posix_spawn(&pid_, program.c_str(), nullptr, nullptr, const_cast<char**>(argv.data()),
                    environ) != 0) {
        pid_ = -1;
        return false;
    }
    bool gaveUp = false; // the port was taken
    const bool accepts = WaitUntil(
        [&] {
            int status = 0;
            gaveUp = waitpid(pid_, &status, WNOHANG) == pid_;
            return gaveUp || Accepts(port);
        },
        std::chrono::seconds(5)); // on a busy machine
    if (gaveUp) {
        pid_ = -1;
        return false;
    }
    if (!accepts) {
        Stop();
        return false;
    }
    port_ = port;
    return true;
}

void NginxServer::Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
}

std::string NginxServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

} // namespace veldo::testing
