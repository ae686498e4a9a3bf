// Which of the host's notes the editor program's keyboard is to light.
#include <gtest/gtest.h>

#include <vector>

#include "editor/held_notes.h"

TEST(HeldNotes, ANoteIsHeldUntilEveryChannelThatStruckItLetsGo) {
    HeldNotes notes;
    EXPECT_TRUE(notes.press(0, 60, 100));
    EXPECT_TRUE(notes.press(3, 60, 80));
    EXPECT_EQ(notes.velocity(60), 80);  // the latest strike's
    EXPECT_FALSE(notes.release(0, 60));
    EXPECT_EQ(notes.velocity(60), 80);
    EXPECT_TRUE(notes.release(3, 60));
    EXPECT_EQ(notes.velocity(60), 0);
    EXPECT_TRUE(notes.release(5, 61));  // never struck: not held either
    EXPECT_TRUE(notes.press(15, 0, 1));
    EXPECT_TRUE(notes.press(9, 127, -1));  // a data byte above 127, as a host may send it
    EXPECT_EQ(notes.velocity(127), 255);

    // Out of range, or velocity 0: nothing changes.
    EXPECT_FALSE(notes.press(16, 40, 100));
    EXPECT_FALSE(notes.press(0, 128, 100));
    EXPECT_FALSE(notes.press(0, -1, 100));
    EXPECT_FALSE(notes.press(0, 40, 0));
    EXPECT_FALSE(notes.release(0, 128));
    EXPECT_EQ(notes.velocity(40), 0);

    std::vector<int> released;
    notes.releaseAll([&](int note) { released.push_back(note); });
    EXPECT_EQ(released, (std::vector<int>{0, 127}));
    EXPECT_EQ(notes.velocity(0), 0);
    EXPECT_EQ(notes.velocity(127), 0);
}
