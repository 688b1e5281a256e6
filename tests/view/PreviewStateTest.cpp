#include <gtest/gtest.h>

#include "view/PreviewState.h"

TEST(PreviewState, WheelTurnsPagesWithinTheRangeOnlyWhileNotZoomed)
{
    using W = PreviewState::Wheel;
    struct Case {
        const char* name;
        int last;
        int startPage;  // reached with Next
        int zoomSteps;
        int delta;
        W expected;
        int page;
    };
    const Case cases[] = {
        {"towards the user: next page", 3, 1, 0, -120, W::Turned, 2},
        {"delta 0 counts as towards the user", 3, 1, 0, 0, W::Turned, 2},
        {"away: previous page", 3, 2, 0, 120, W::Turned, 1},
        {"last page: towards the user does nothing", 3, 3, 0, -120, W::Nothing, 3},
        {"first page: away does nothing", 3, 1, 0, 120, W::Nothing, 1},
        {"single page either way", 1, 1, 0, -120, W::Nothing, 1},
        {"zoomed in: the wheel scrolls", 3, 1, 1, -120, W::Scroll, 1},
        {"zoomed in fully: still scrolls", 3, 2, 2, 120, W::Scroll, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PreviewState state;
        state.SetRange(1, c.last);
        for (int i = 1; i < c.startPage; ++i) {
            ASSERT_TRUE(state.Next());
        }
        for (int i = 0; i < c.zoomSteps; ++i) {
            ASSERT_TRUE(state.ZoomIn());
        }
        EXPECT_EQ(state.OnWheel(c.delta), c.expected);
        EXPECT_EQ(state.Current(), c.page);
    }
}

TEST(PreviewState, ButtonsStopAtTheEnds)
{
    PreviewState state;
    state.SetRange(1, 2);
    EXPECT_FALSE(state.CanPrev());
    EXPECT_FALSE(state.Prev());
    EXPECT_TRUE(state.Next());
    EXPECT_FALSE(state.CanNext());
    EXPECT_FALSE(state.Next());
    EXPECT_EQ(state.Current(), 2);

    EXPECT_FALSE(state.CanZoomOut());
    EXPECT_TRUE(state.ZoomIn());
    EXPECT_TRUE(state.ZoomIn());
    EXPECT_FALSE(state.ZoomIn());
    EXPECT_EQ(state.Zoom(), PreviewState::kMaxZoom);
    EXPECT_TRUE(state.ZoomOut());
    EXPECT_EQ(state.Zoom(), 1);

    // A new range starts over at its first page, whole page.
    state.SetRange(1, 5);
    EXPECT_EQ(state.Current(), 1);
    EXPECT_EQ(state.Zoom(), 0);
}
