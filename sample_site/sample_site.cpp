#include "sample_site/sample_site.h"

#include "sample_site/site_pages.h"

#include <httplib.h>

#include <algorithm>
#include <charconv>

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace veldo {
namespace {

constexpr size_t kLogLimit = 10000;
constexpr long kLongestPauseMs = 60000;
constexpr size_t kChunk = 64 * 1024;

// A whole decimal number in [low, high], or `fallback` when the text is anything else.
long NumberOr(const std::string& text, long low, long high, long fallback) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return fallback;
    return value < low || value > high ? fallback : value;
}

void Log(std::vector<std::string>& log, const std::string& target) {
    if (log.size() >= kLogLimit) log.erase(log.begin(), log.begin() + kLogLimit / 2);
    log.push_back(target);
}

constexpr std::string_view kStyleSheet =
    "body{font-family:sans-serif;margin:0;background:#fafafa}"
    "#header{background:#80e000;padding:8px 16px}.voice-list{list-style:none}"
    ".voice-item{display:flex;gap:12px;align-items:center;margin:8px 0}";

constexpr std::string_view kLoginWall = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>登录</title></head>
<body><form action="/login" method="post"><p>请先登录后再收听</p>
<input name="user"><input name="password" type="password"><button>登录</button></form></body></html>
)";

} // namespace

SampleSite::SampleSite() = default;

SampleSite::~SampleSite() {
    Stop();
}

std::string SampleSite::PageHost() const {
    return "127.0.0.1:" + std::to_string(pagePort_);
}
std::string SampleSite::InfoHost() const {
    return "127.0.0.1:" + std::to_string(infoPort_);
}

std::vector<std::string> SampleSite::PageRequests() const {
    std::lock_guard lock(logMutex_);
    return pageLog_;
}

std::vector<std::string> SampleSite::InfoRequests() const {
    std::lock_guard lock(logMutex_);
    return infoLog_;
}

bool SampleSite::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(pauseMutex_);
    return !pauseWake_.wait_for(lock, duration, [this] { return stopping_; });
}

bool SampleSite::Start(int pagePort, int infoPort) {
    if (pageServer_) return false;
    {
        std::lock_guard lock(pauseMutex_);
        stopping_ = false;
    }
    pageServer_ = std::make_unique<httplib::Server>();
    infoServer_ = std::make_unique<httplib::Server>();
    RoutePageHost();
    RouteInfoHost();
    // httplib's default sets SO_REUSEPORT, which lets a second site bind a port that a running
    // one holds and silently share its requests; SO_REUSEADDR alone refuses a live listener.
    for (httplib::Server* server : {pageServer_.get(), infoServer_.get()})
        server->set_socket_options([](int socket) {
            int yes = 1;
            setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });

    auto bind = [](httplib::Server& server, int port) {
        if (port == 0) return server.bind_to_any_port("127.0.0.1");
        return server.bind_to_port("127.0.0.1", port) ? port : -1;
    };
    pagePort_ = bind(*pageServer_, pagePort);
    infoPort_ = pagePort_ > 0 ? bind(*infoServer_, infoPort) : -1;
    if (pagePort_ <= 0 || infoPort_ <= 0) {
        pageServer_.reset();
        infoServer_.reset();
        pagePort_ = infoPort_ = 0;
        return false;
    }
    pageThread_ = std::thread([server = pageServer_.get()] { server->listen_after_bind(); });
    infoThread_ = std::thread([server = infoServer_.get()] { server->listen_after_bind(); });
    while (!pageServer_->is_running() || !infoServer_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void SampleSite::PrepareInBackground(size_t count) {
    if (!pageServer_ || prepareThread_.joinable()) return;
    prepareThread_ = std::thread([this, count] {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10); // this thread only
        const auto& sounds = ListedSounds();
        for (size_t k = 0; k < std::min(count, sounds.size()); ++k) {
            {
                std::lock_guard lock(pauseMutex_);
                if (stopping_) return;
            }
            media_.Mp3(sounds[k]);
            media_.Cover(sounds[k]);
        }
    });
}

void SampleSite::Stop() {
    if (!pageServer_) return;
    {
        std::lock_guard lock(pauseMutex_);
        stopping_ = true;
    }
    pauseWake_.notify_all();
    if (prepareThread_.joinable()) prepareThread_.join();
    pageServer_->stop();
    infoServer_->stop();
    pageThread_.join();
    infoThread_.join();
    pageServer_.reset();
    infoServer_.reset();
}

void SampleSite::InstallCommonHandlers(httplib::Server& server, std::vector<std::string>& log,
                                       bool json) {
    server.set_pre_routing_handler(
        [this, json, &log](const httplib::Request& req, httplib::Response& res) {
            {
                // Logged on arrival, so a client that has its answer always finds its request here.
                std::lock_guard lock(logMutex_);
                Log(log, req.target);
            }
            const long delay = NumberOr(req.get_param_value("delay_ms"), 0, kLongestPauseMs, 0);
            if (delay > 0 && !Pause(std::chrono::milliseconds(delay))) {
                res.status = 503;
                return httplib::Server::HandlerResponse::Handled;
            }
            const long status = NumberOr(req.get_param_value("status"), 400, 599, 0);
            if (status == 0) return httplib::Server::HandlerResponse::Unhandled;
            res.status = static_cast<int>(status);
            if (json)
                res.set_content(ErrorRecord(res.status, "forced error"), "application/json");
            else
                res.set_content("<!DOCTYPE html><html><body><h1>" + std::to_string(status) +
                                    "</h1></body></html>\n",
                                "text/html; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        });
    // Fills in a body only where a handler left none.
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [json](const httplib::Request&, httplib::Response& res) {
            if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            if (json)
                res.set_content(ErrorRecord(res.status, "not found"), "application/json");
            else
                res.set_content(NotFoundPage(), "text/html; charset=utf-8");
            return httplib::Server::HandlerResponse::Handled;
        }));
}

void SampleSite::RoutePageHost() {
    httplib::Server& server = *pageServer_;
    InstallCommonHandlers(server, pageLog_, false);

    server.Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_redirect("/sound/exploration?page=1&per-page=15");
    });
    server.Get("/sound/exploration", [](const httplib::Request& req, httplib::Response& res) {
        const long page = NumberOr(req.get_param_value("page"), 1, 1000000, 1);
        const long perPage = NumberOr(req.get_param_value("per-page"), 1, 50, 15);
        res.set_content(
            ExplorationPage(ListedSounds(), static_cast<int>(page), static_cast<int>(perPage)),
            "text/html; charset=utf-8");
    });
    server.Get(R"(/sound/(\d+))", [this](const httplib::Request& req, httplib::Response& res) {
        const SampleSound* sound = FindSound(req.matches[1].str());
        if (!sound) {
            res.status = 404;
            return;
        }
        res.set_content(SoundPage(*sound, PageHost()), "text/html; charset=utf-8");
    });
    server.Get(R"(/media/(\d+)\.mp3)",
               [this](const httplib::Request& req, httplib::Response& res) { ServeMp3(req, res); });
    server.Get(R"(/covers/(\d+)\.png)",
               [this](const httplib::Request& req, httplib::Response& res) {
                   const SampleSound* sound = FindSound(req.matches[1].str());
                   if (!sound || sound->fault == SoundFault::MissingCover) {
                       res.status = 404;
                       return;
                   }
                   const auto png = media_.Cover(*sound);
                   res.set_content(png->data(), png->size(), "image/png");
               });
    server.Get("/static/site.css", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(std::string(kStyleSheet), "text/css");
    });
    server.Get("/static/avatar.png", [this](const httplib::Request&, httplib::Response& res) {
        const auto png = media_.Picture(1, 64);
        res.set_content(png->data(), png->size(), "image/png");
    });
}

void SampleSite::ServeMp3(const httplib::Request& req, httplib::Response& res) {
    const SampleSound* sound = FindSound(req.matches[1].str());
    if (!sound) {
        res.status = 404;
        return;
    }
    std::string fault = req.get_param_value("fault");
    if (fault.empty() && sound->fault == SoundFault::TruncatedMp3) fault = "truncate";
    if (fault.empty() && sound->fault == SoundFault::StallingMp3) fault = "stall";
    if (fault.empty() && sound->fault == SoundFault::HtmlInsteadOfMp3) fault = "html";

    if (fault == "html") {
        res.set_content(std::string(kLoginWall), "text/html; charset=utf-8");
        return;
    }
    const auto mp3 = media_.Mp3(*sound);
    if (fault != "truncate" && fault != "stall") {
        res.set_content(mp3->data(), mp3->size(), "audio/mpeg");
        return;
    }
    // Both faults announce the whole length; the provider sends chunks of at most kChunk bytes.
    const size_t half = mp3->size() / 2;
    const bool truncate = fault == "truncate";
    const auto stallMs = NumberOr(req.get_param_value("stall_ms"), 0, kLongestPauseMs, 3000);
    auto stalled = std::make_shared<bool>(false);
    res.set_content_provider(mp3->size(), "audio/mpeg",
                             [this, mp3, half, truncate, stallMs,
                              stalled](size_t offset, size_t length, httplib::DataSink& sink) {
                                 if (offset >= half && truncate)
                                     return false; // closes the connection
                                 if (offset >= half && !*stalled) {
                                     *stalled = true;
                                     if (!Pause(std::chrono::milliseconds(stallMs))) return false;
                                 }
                                 size_t count = std::min(length, kChunk);
                                 if (offset < half) count = std::min(count, half - offset);
                                 return sink.write(mp3->data() + offset, count);
                             });
}

void SampleSite::RouteInfoHost() {
    httplib::Server& server = *infoServer_;
    InstallCommonHandlers(server, infoLog_, true);

    server.Get("/sound/info", [this](const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.get_param_value("sound_id");
        const bool wellFormed = !id.empty() && std::all_of(id.begin(), id.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        if (!wellFormed) {
            res.status = 400;
            res.set_content(ErrorRecord(400, "invalid sound_id"), "application/json");
            return;
        }
        const SampleSound* sound = FindSound(id);
        if (!sound) {
            res.status = 404;
            res.set_content(ErrorRecord(404, "sound not found"), "application/json");
            return;
        }
        res.set_content(SoundInfoJson(*sound, PageHost()), "application/json");
    });
}

} // namespace veldo
