// veldo-sample-site: serves the sample site on the ports of the build's page and info hosts
// until SIGINT or SIGTERM.
#include "sample_site/sample_site.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The port of "host:port"; 80 when none is given, -1 when it is not a port number.
int PortOf(const std::string& hostAndPort) {
    const auto colon = hostAndPort.rfind(':');
    if (colon == std::string::npos) return 80;
    const std::string digits = hostAndPort.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int port = std::stoi(digits);
    return port <= 65535 ? port : -1;
}

int Usage(const char* program) {
    std::fprintf(stderr,
                 "usage: %s [--page-port N] [--info-port N]\n"
                 "Serves the sample site on 127.0.0.1 (defaults %s and %s; 0 picks a free port).\n",
                 program, VELDO_SAMPLE_PAGE_HOST, VELDO_SAMPLE_INFO_HOST);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    int pagePort = PortOf(VELDO_SAMPLE_PAGE_HOST);
    int infoPort = PortOf(VELDO_SAMPLE_INFO_HOST);
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--page-port") == 0 && hasValue)
            pagePort = PortOf(std::string(":") + argv[++i]);
        else if (std::strcmp(argv[i], "--info-port") == 0 && hasValue)
            infoPort = PortOf(std::string(":") + argv[++i]);
        else
            return Usage(argv[0]);
    }
    if (pagePort < 0 || infoPort < 0) return Usage(argv[0]);

    // Block the stop signals before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    veldo::SampleSite site;
    if (!site.Start(pagePort, infoPort)) {
        std::fprintf(stderr, "veldo-sample-site: cannot listen on 127.0.0.1:%d and :%d\n", pagePort,
                     infoPort);
        return 1;
    }
    // The player lists page 1 only: have its sounds ready before anyone asks.
    site.PrepareInBackground(15);
    std::printf("Sample site: pages at http://%s/sound/exploration?page=1&per-page=15, "
                "sound info at http://%s/sound/info?sound_id=%s\n",
                site.PageHost().c_str(), site.InfoHost().c_str(),
                site.catalogue().front().id.c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    site.Stop();
    return 0;
}
