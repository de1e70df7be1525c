// The program state announces a change once the new value is in place: what a listener reads
// when the signal arrives is the sound just loaded and the stream as the player left it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gui/control_ops.h"
#include "sample_site/site_pages.h"
#include "site_fixture.h"
#include "state/program_state.h"

namespace veldo {
namespace {

using testing::Gbk;

class StateAnnouncements : public testing::SiteTest {};

TEST_F(StateAnnouncements, LoadPlayPauseAndResetAreAnnouncedWithTheirOutcomeInPlace) {
    std::vector<Text> names;
    std::vector<DWORD> states;
    QObject listener;
    ProgramStateSignals& events = ProgramStateEvents();
    QObject::connect(&events, &ProgramStateSignals::currentSoundChanged, &listener,
                     [&] { names.push_back(currentSound.name); });
    QObject::connect(&events, &ProgramStateSignals::currentStreamChanged, &listener,
                     [&] { states.push_back(BASS_ChannelIsActive(currentStream)); });

    const SampleSound& sound = Listed(1);
    SetEditText(window->编辑框1, SoundPage(sound.id));
    window->图形按钮1->click();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.back(), Gbk(sound.name));

    states.clear();
    window->图形按钮play->click();
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back(), DWORD(BASS_ACTIVE_PLAYING));
    window->图形按钮stop->click();
    EXPECT_EQ(states.back(), DWORD(BASS_ACTIVE_PAUSED));
    window->图形按钮play->click();
    EXPECT_EQ(states.back(), DWORD(BASS_ACTIVE_PLAYING));
    const std::size_t before = states.size();
    window->图形按钮1->click(); // a new search resets the player first
    ASSERT_GT(states.size(), before);
    EXPECT_EQ(states[before], DWORD(BASS_ACTIVE_STOPPED));
}

} // namespace
} // namespace veldo
