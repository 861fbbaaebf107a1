// The zoom's rubber band: where its corner goes, the minimum size once moved, cancelling.
#include "render/map/BandTracker.h"

#include <QList>

#include <gtest/gtest.h>

namespace {

struct BandCase {
    const char* what;
    QList<QPoint> moves; // pointer positions while the button is held
    QPoint release;
    CRect band; // left, top, right, bottom after the release
};

} // namespace

TEST(BandTracker, FollowsThePointerAndKeepsTheMinimumSizeOnceMoved) {
    const QPoint p(100, 50);
    const BandCase cases[] = {
        {"dragged down right", {{150, 80}, {240, 158}}, {240, 158}, {100, 50, 240, 158}},
        {"no move: the pressed point", {}, {300, 300}, {100, 50, 100, 50}},
        {"back to the pressed point", {{130, 90}, {100, 50}}, {100, 50}, {100, 50, 108, 58}},
        {"narrow rightwards", {{103, 120}}, {103, 120}, {100, 50, 108, 120}},
        {"narrow leftwards", {{97, 120}}, {97, 120}, {100, 50, 92, 120}},
        {"upwards, not normalised", {{200, 10}}, {200, 10}, {100, 50, 200, 10}},
        {"leftwards and flat", {{20, 52}}, {20, 52}, {100, 50, 20, 58}},
        {"released elsewhere than the last move", {{140, 90}}, {150, 95}, {100, 50, 150, 95}},
    };
    for (const BandCase& c : cases) {
        CBandTracker band;
        band.Begin(p);
        for (const QPoint& m : c.moves)
            band.Move(m);
        band.End(c.release);
        EXPECT_FALSE(band.IsTracking()) << c.what;
        EXPECT_EQ(band.Band(), c.band) << c.what;
        EXPECT_EQ(band.Start(), p) << c.what;
    }
}

TEST(BandTracker, CancelGivesThePressedPointAndBoundsAreNormalised) {
    CBandTracker band;
    band.Begin({100, 50});
    EXPECT_FALSE(band.HasMoved());
    EXPECT_TRUE(band.Move({60, 20}));
    EXPECT_FALSE(band.Move({60, 20})); // unchanged
    EXPECT_TRUE(band.HasMoved());
    EXPECT_EQ(band.Bounds(), QRect(60, 20, 40, 30));
    band.Cancel();
    EXPECT_FALSE(band.IsTracking());
    EXPECT_EQ(band.Width(), 0);
    EXPECT_EQ(band.Height(), 0);
    band.End({300, 300}); // a release after the cancel changes nothing
    EXPECT_EQ(band.Band(), (CRect{100, 50, 100, 50}));
}
