#pragma once
// The site client against the sample site on ephemeral ports: the program state, the main
// window, the audio engine on SDL's disk driver (what would reach the speaker lands in a file),
// a folder standing in for the run directory, and a watcher that answers message boxes and
// records their texts.
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/list_window.h"
#include "app/main_window.h"
#include "platform/audio/bass.h"
#include "platform/net/net_timeouts.h"
#include "sample_site/sample_site.h"
#include "site/download.h"
#include "site/site_address.h"
#include "site/site_hosts.h"
#include "state/program_state.h"
#include "support/file_bytes.h"
#include "support/pcm_analysis.h"
#include "support/temp_dir.h"
#include "support_gui/events_until.h"
#include "support_gui/message_boxes.h"
#include "web/charset.h"

namespace veldo::testing {

inline Text Gbk(const std::string& utf8) {
    return Utf8ToGbk(utf8);
}

class SiteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetNetTimeoutsForTesting({std::chrono::seconds(3), std::chrono::seconds(30)});
        ASSERT_TRUE(site.Start());
        SetSiteHostsForTesting(site.PageHost(), site.InfoHost());
        SetRunDirectoryForTesting(runDirectory.path());
        InitialiseProgramState();

        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", Speaker().c_str(), 1);
        unsetenv("SDL_DISKAUDIODELAY");
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));

        window = new MainWindow();
        window->show();
        // Message boxes are answered as soon as they are up, unless a test keeps them; their
        // texts are kept.
        QObject::connect(&boxWatcher, &QTimer::timeout, [this] {
            for (QMessageBox* box : OpenMessageBoxes()) {
                if (!answerBoxes && box->property("seen").toBool()) continue;
                box->setProperty("seen", true);
                messages.push_back(box->text().toStdString());
                downButtonShownAtMessage = window->图形按钮down->isVisibleTo(window);
                if (answerBoxes) box->done(QMessageBox::Ok);
            }
        });
        boxWatcher.start(10);
    }

    void TearDown() override {
        // A transfer still running would touch the window; let it end first.
        answerBoxes = true;
        EventsUntil([this] {
            return window->图形按钮down->isVisibleTo(window) && OpenMessageBoxes().empty();
        });
        boxWatcher.stop();
        delete listWindow;
        delete window;
        BASS_Free();
        site.Stop();
        SetSiteHostsForTesting(kPageHost, kInfoHost);
        SetRunDirectoryForTesting({});
        SetNetTimeoutsForTesting({});
    }

    std::filesystem::path Speaker() const { return speakerFolder.path() / "speaker.raw"; }

    // True once the speaker has received sound louder than near-silence.
    bool SpeakerIsAudible() const {
        return !AudibleLeftChannel(ReadPcmFile(Speaker()), 2, 500).empty();
    }

    std::string LastInfoRequest() const {
        const auto requests = site.InfoRequests();
        return requests.empty() ? "" : requests.back();
    }

    const SampleSound& Listed(std::size_t index) const { return site.catalogue().at(index); }
    std::string SoundPage(const std::string& id) const {
        return "http://" + site.PageHost() + "/sound/" + id;
    }

    SampleSite site;
    TempDir runDirectory;
    TempDir speakerFolder;
    MainWindow* window = nullptr;
    QTimer boxWatcher;
    bool answerBoxes = true;           // false: boxes stay up (their texts are still kept)
    std::vector<std::string> messages; // UTF-8
    bool downButtonShownAtMessage = false;
};

} // namespace veldo::testing
