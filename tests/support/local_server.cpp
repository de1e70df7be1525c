#include "local_server.h"

#include <chrono>
#include <stdexcept>

#include "test_certificates.h"
#include "wait_until.h"

namespace veldo::testing {

LocalServer::LocalServer() : server_(std::make_unique<httplib::Server>()) {
    Record();
}

LocalServer::LocalServer(const TlsIdentity& identity)
    : server_(std::make_unique<httplib::SSLServer>(identity.certificateFile.c_str(),
                                                   identity.keyFile.c_str())),
      scheme_("https://") {
    if (!server_->is_valid()) throw std::runtime_error("cannot load " + identity.certificateFile);
    Record();
}

void LocalServer::Record() {
    server_->set_logger([this](const httplib::Request& req, const httplib::Response&) {
        RecordedRequest r{req.method, req.target, {}, req.body};
        for (const auto& [name, value] : req.headers)
            r.headers.emplace_back(name, value);
        std::lock_guard lock(mutex_);
        requests_.push_back(std::move(r));
    });
}

LocalServer::~LocalServer() {
    server_->stop();
    if (thread_.joinable()) thread_.join();
}

void LocalServer::Start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) throw std::runtime_error("cannot bind a local port");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    if (!WaitUntil([this] { return server_->is_running(); }, std::chrono::seconds(10)))
        throw std::runtime_error("the local server does not run");
}

std::string LocalServer::HostAndPort() const {
    return "127.0.0.1:" + std::to_string(port_);
}

std::string LocalServer::Url(const std::string& path) const {
    return scheme_ + HostAndPort() + path;
}

std::vector<RecordedRequest> LocalServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

} // namespace veldo::testing
