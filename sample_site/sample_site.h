#pragma once
// A local stand-in for the music site: the page host (exploration listing, sound pages, MP3s,
// covers) and the sound-info host (JSON records), each a cpp-httplib server on 127.0.0.1.
//
// Threads: Start() runs each server's accept loop on a thread of its own; httplib answers every
// request on a worker thread of that server's pool. Shared between them: the immutable
// catalogue, the MediaCache (thread-safe, see media_cache.h), the request logs (under
// logMutex_) and the stopping flag (under pauseMutex_, with a condition variable so that
// deliberate delays end at once when Stop() is called). PrepareInBackground() starts one more
// thread that only fills the MediaCache. Start(), PrepareInBackground() and Stop() belong to
// the thread that owns the object.
//
// Misbehaving on request (the site itself never links to these, so the normal path is
// untouched; sample_site/README.md lists them too):
//   any address, either host:  delay_ms=N   answer after N ms (at most 60000)
//                              status=NNN   answer with that status (400..599) and a short body
//   MP3 addresses:             fault=truncate  Content-Length of the whole file, half of it
//                                              sent, then the connection is closed
//                              fault=stall     half sent, a pause of stall_ms (default 3000,
//                                              at most 60000), then the rest
//                              fault=html      200 with an HTML page instead of the MP3
//   hidden sounds, by id (not listed; their records point at the faulty files):
//     9000001 truncated MP3, 9000002 stalling MP3, 9000003 HTML instead of MP3,
//     9000004 cover answers 404
#include "sample_site/catalogue.h"
#include "sample_site/media_cache.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace veldo {

class SampleSite {
  public:
    SampleSite();
    ~SampleSite(); // stops the servers
    SampleSite(const SampleSite&) = delete;
    SampleSite& operator=(const SampleSite&) = delete;

    // Binds 127.0.0.1:pagePort and 127.0.0.1:infoPort (0: any free port) and starts serving.
    // False, with nothing left running, when a port cannot be bound or the site already runs.
    bool Start(int pagePort = 0, int infoPort = 0);
    // Ends deliberate delays, stops both servers and waits for their threads (and for the sound
    // in preparation, if any). Safe to repeat.
    void Stop();
    // Makes the MP3s and covers of the first `count` listed sounds on a low-priority thread, so
    // that their first requests are answered at once. Call once, after Start().
    void PrepareInBackground(size_t count);

    int pagePort() const { return pagePort_; }
    int infoPort() const { return infoPort_; }
    std::string PageHost() const; // "127.0.0.1:PORT"
    std::string InfoHost() const;

    // The listed sounds, in listing order.
    const std::vector<SampleSound>& catalogue() const { return ListedSounds(); }

    // Request targets (path and query, as sent) each host has received so far, oldest first.
    std::vector<std::string> PageRequests() const;
    std::vector<std::string> InfoRequests() const;

  private:
    void RoutePageHost();
    void RouteInfoHost();
    void InstallCommonHandlers(httplib::Server& server, std::vector<std::string>& log, bool json);
    void ServeMp3(const httplib::Request& req, httplib::Response& res);
    // Waits `duration` unless Stop() comes first; false when stopping.
    bool Pause(std::chrono::milliseconds duration);

    std::unique_ptr<httplib::Server> pageServer_;
    std::unique_ptr<httplib::Server> infoServer_;
    std::thread pageThread_;
    std::thread infoThread_;
    std::thread prepareThread_;
    int pagePort_ = 0;
    int infoPort_ = 0;
    MediaCache media_;

    std::mutex pauseMutex_;
    std::condition_variable pauseWake_;
    bool stopping_ = false;

    mutable std::mutex logMutex_;
    std::vector<std::string> pageLog_;
    std::vector<std::string> infoLog_;
};

} // namespace veldo
