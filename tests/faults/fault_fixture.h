#pragma once
// The real windows and handlers against a site that misbehaves on purpose. A FaultServer plays
// both site hosts and serves a small good site (a listing of three sounds, their records,
// covers and MP3s); each test makes one kind of address misbehave. Short time-outs keep a
// silent or trickling server from holding the suite; the audio engine runs on SDL's dummy
// driver; a temporary folder stands in for the run directory, and message boxes are answered
// as soon as they appear.
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/list_window.h"
#include "app/main_window.h"
#include "platform/audio/bass.h"
#include "platform/net/net_timeouts.h"
#include "platform/net/resume_policy.h"
#include "sample_site/mp3_encoder.h"
#include "site/download.h"
#include "site/site_address.h"
#include "site/site_hosts.h"
#include "state/program_state.h"
#include "support/fault_server.h"
#include "support/file_bytes.h"
#include "support/temp_dir.h"
#include "support_gui/events_until.h"
#include "support_gui/message_boxes.h"

namespace veldo::testing {

// Short limits for every exchange in these tests, and a bound on how long a handler may hold
// the window under them (a page, a record and a cover may each use the whole limit).
inline constexpr std::chrono::milliseconds kConnect{1000};
inline constexpr std::chrono::milliseconds kIdle{2000};
inline constexpr std::chrono::milliseconds kTotal{4000};
inline constexpr long kHandlerBoundMs = 3 * kTotal.count() + 2000;

// Runs `action` and gives its duration in milliseconds.
inline long long Timed(const std::function<void()>& action) {
    QElapsedTimer clock;
    clock.start();
    action();
    return clock.elapsed();
}

// A value of /proc/self/status in kB (VmRSS, VmHWM).
inline long ProcStatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    return -1;
}

// Starts a new peak-memory measurement: the peak becomes the present resident size.
inline void ResetPeakRss() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// The three sounds of the good site.
inline const std::vector<std::string>& GoodIds() {
    static const std::vector<std::string> ids = {"101", "102", "103"};
    return ids;
}
inline std::string GoodName(const std::string& id) {
    return "Tone " + id;
}

class FaultTest : public ::testing::Test {
  protected:
    // Answers `target` itself, or returns false to let the good site answer.
    virtual bool Misbehave(const std::string& target, FaultConnection& connection) = 0;

    void SetUp() override {
        SetNetTimeoutsForTesting({kConnect, kIdle});
        SetNetTotalLimitForTesting(kTotal);
        // A download that cannot finish gives up well within the handler bound.
        SetResumePolicyForTesting({std::chrono::milliseconds(50), 5, kTotal});
        server = std::make_unique<FaultServer>(
            [this](const std::string& target, FaultConnection& connection) {
                if (!Misbehave(target, connection)) ServeGoodSite(target, connection);
            });
        siteUrl = server->Url("");
        SetSiteHostsForTesting(server->HostAndPort(), server->HostAndPort());
        SetRunDirectoryForTesting(runDirectory.path());
        InitialiseProgramState();

        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        BASS_SetConfig(BASS_CONFIG_NET_TIMEOUT, DWORD(kConnect.count()));
        BASS_SetConfig(BASS_CONFIG_NET_READTIMEOUT, DWORD(kIdle.count()));

        window = new MainWindow();
        window->show();
        QObject::connect(&boxWatcher, &QTimer::timeout, [this] {
            for (QMessageBox* box : OpenMessageBoxes()) {
                messages.push_back(box->text().toStdString());
                box->done(QMessageBox::Ok);
            }
        });
        boxWatcher.start(10);
    }

    void TearDown() override {
        // Ends every trickle and silence, so a transfer still running fails and ends.
        server->Stop();
        EXPECT_TRUE(EventsUntil([this] { return window->图形按钮down->isVisibleTo(window); },
                                kHandlerBoundMs));
        boxWatcher.stop();
        delete listWindow;
        delete window;
        BASS_Free();
        server.reset();
        SetSiteHostsForTesting(kPageHost, kInfoHost);
        SetRunDirectoryForTesting({});
        SetNetTimeoutsForTesting({});
        SetNetTotalLimitForTesting({});
        SetResumePolicyForTesting({});
    }

    // The good site's answer for `target`: status, type and body.
    struct Answer {
        std::string status = "200 OK";
        std::string type;
        std::string body;
    };
    Answer GoodAnswer(const std::string& target) const {
        if (target.rfind("/sound/exploration", 0) == 0) {
            std::string page = "<html><head><meta charset=\"utf-8\"></head><body>\n";
            for (const std::string& id : GoodIds())
                page += " <h3 class=\"voice-name\"><a href=\"/sound/" + id + "\">" + GoodName(id) +
                        "</a></h3>\n";
            return {"200 OK", "text/html; charset=utf-8", page + "</body></html>\n"};
        }
        const std::string infoPrefix = "/sound/info?sound_id=";
        if (target.rfind(infoPrefix, 0) == 0) {
            const std::string id = target.substr(infoPrefix.size());
            return {"200 OK", "application/json",
                    "{\"id\":" + id + ",\"name\":\"" + GoodName(id) + "\",\"pic\":\"" + siteUrl +
                        "/covers/" + id + ".png" + "\",\"source\":\"" + siteUrl + "/media/" + id +
                        ".mp3" + "\",\"duration\":3000}"};
        }
        if (target.rfind("/covers/", 0) == 0) return {"200 OK", "image/png", CoverPng()};
        if (target.rfind("/media/", 0) == 0) return {"200 OK", "audio/mpeg", ToneMp3()};
        return {"404 Not Found", "text/html", "<html><body>not found</body></html>"};
    }

    void ServeGoodSite(const std::string& target, FaultConnection& connection) const {
        const Answer answer = GoodAnswer(target);
        connection.Send(AnswerHead(answer.status, answer.type, answer.body.size()) + answer.body);
    }

    // A three-second 440 Hz tone, made once.
    static const std::string& ToneMp3() {
        static const std::string mp3 = EncodeMp3(SineTone(440, 3.0));
        return mp3;
    }
    static const std::string& CoverPng() {
        static const std::string png = [] {
            QImage image(40, 40, QImage::Format_RGB32);
            image.fill(Qt::darkGreen);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
            return bytes.toStdString();
        }();
        return png;
    }

    // Loads sound `id` the way the search button does, from its page address.
    void SearchFor(const std::string& id) {
        window->编辑框1->setText(QString::fromStdString(SoundPageAddress(id)));
        window->图形按钮1->click();
    }

    std::filesystem::path Musics() const { return runDirectory.path() / "musics"; }
    std::filesystem::path SavedFile(const std::string& id) const {
        return Musics() / (GoodName(id) + ".mp3");
    }
    // Every file in musics whose name is not `keep`: temporary or half-written leftovers.
    std::vector<std::string> OtherFilesInMusics(const std::string& keep) const {
        std::vector<std::string> others;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(Musics(), error))
            if (entry.path().filename() != keep) others.push_back(entry.path().filename());
        return others;
    }
    bool DownloadButtonShown() const { return window->图形按钮down->isVisibleTo(window); }

    std::unique_ptr<FaultServer> server;
    std::string siteUrl; // "http://127.0.0.1:PORT", read by the server's threads
    TempDir runDirectory;
    MainWindow* window = nullptr;
    QTimer boxWatcher;
    std::vector<std::string> messages; // UTF-8
};

} // namespace veldo::testing
