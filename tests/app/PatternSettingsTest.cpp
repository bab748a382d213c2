#include "app/PatternSettings.h"
#include "app/Profile.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

TEST(PatternSettings, RoundTripAndUnreadableKeysFallBack)
{
    CProfile profile(testfiles::WriteScratch("pattern.ini", ""));
    CPatternOptions none = LoadPatternOptions(profile);
    EXPECT_EQ(none.side, PatternSide::kFront);
    EXPECT_FALSE(none.dashed);
    EXPECT_FALSE(none.bends);

    CPatternOptions chosen;
    chosen.side = PatternSide::kSplit;
    chosen.dashed = true;
    chosen.dash = 2.5;
    chosen.gap = 0.75;
    chosen.margin = 0.0;
    chosen.bends = true;
    ASSERT_TRUE(SavePatternOptions(profile, chosen));
    const CPatternOptions back = LoadPatternOptions(profile);
    EXPECT_EQ(back.side, chosen.side);
    EXPECT_TRUE(back.dashed);
    EXPECT_EQ(back.dash, 2.5);
    EXPECT_EQ(back.gap, 0.75);
    EXPECT_EQ(back.margin, 0.0);
    EXPECT_TRUE(back.bends);

    // Solid lines keep the gap and margin chosen with them.
    chosen.dashed = false;
    ASSERT_TRUE(SavePatternOptions(profile, chosen));
    EXPECT_EQ(profile.GetString("CreasePattern", "Dash"), "0");
    EXPECT_FALSE(LoadPatternOptions(profile).dashed);
    EXPECT_EQ(LoadPatternOptions(profile).gap, 0.75);

    // Edited by hand into nonsense: the defaults.
    profile.WriteString("CreasePattern", "Side", "sideways");
    profile.WriteString("CreasePattern", "Dash", "-3");
    profile.WriteString("CreasePattern", "Gap", "x");
    const CPatternOptions bad = LoadPatternOptions(profile);
    EXPECT_EQ(bad.side, PatternSide::kFront);
    EXPECT_FALSE(bad.dashed);
    EXPECT_EQ(bad.gap, CPatternOptions::kDefaultGap);
}
