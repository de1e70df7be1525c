// Start values of the program state and its release at process end.
#include <gtest/gtest.h>

#include "state/program_state.h"

namespace veldo {
namespace {

void Fill() {
    currentStream = 7;
    currentSound = {"http://h/a.mp3", "http://h/a.jpg", "\xC1\xD0"};
    soundInfoText = "{\"name\":\"a\"}";
    enteredSoundId = "42";
    explorationEntries = {"1\">a", "2\">b"};
    explorationPageText = "<html>";
}

TEST(ProgramState, StartsEmptyWithAnEmptyList) {
    Fill();
    fadeAlpha = 125;
    InitialiseProgramState();
    EXPECT_EQ(currentStream, 0u);
    EXPECT_EQ(fadeAlpha, 0);
    EXPECT_TRUE(currentSound.source.empty());
    EXPECT_TRUE(currentSound.pic.empty());
    EXPECT_TRUE(currentSound.name.empty());
    EXPECT_TRUE(soundInfoText.empty());
    EXPECT_TRUE(enteredSoundId.empty());
    EXPECT_TRUE(explorationEntries.empty());
    EXPECT_TRUE(explorationPageText.empty());
}

TEST(ProgramState, ReleaseEmptiesTextsAndListButLeavesTheStream) {
    Fill();
    ReleaseProgramState();
    EXPECT_EQ(currentStream, 7u);
    EXPECT_TRUE(currentSound.source.empty() && currentSound.pic.empty() &&
                currentSound.name.empty());
    EXPECT_TRUE(soundInfoText.empty());
    EXPECT_TRUE(enteredSoundId.empty());
    EXPECT_TRUE(explorationEntries.empty());
    EXPECT_EQ(explorationEntries.capacity(), 0u);
    EXPECT_TRUE(explorationPageText.empty());
    ReleaseProgramState(); // a second run finds nothing to release
    EXPECT_TRUE(explorationEntries.empty());
}

} // namespace
} // namespace veldo
