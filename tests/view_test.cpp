// Where the show's 4:3 canvas lies in a drawable of any shape.

#include "platform/view.h"

#include <gtest/gtest.h>

namespace {

void ExpectView(const ViewRect& view, int x, int y, int width, int height) {
    EXPECT_EQ(view.x, x);
    EXPECT_EQ(view.y, y);
    EXPECT_EQ(view.width, width);
    EXPECT_EQ(view.height, height);
}

TEST(FitCanvas, StretchedOrAtFourToThreeItCoversTheWholeDrawable) {
    ExpectView(FitCanvas(1920, 1080, false), 0, 0, 1920, 1080);
    ExpectView(FitCanvas(640, 480, true), 0, 0, 640, 480);
}

TEST(FitCanvas, OtherShapesGetBarsInTheMiddleAndRoundToWholePixels) {
    ExpectView(FitCanvas(320, 180, true), 40, 0, 240, 180);
    // 1366 x 768: 1024 wide, the odd pixel left over goes to the right-hand bar.
    ExpectView(FitCanvas(1366, 768, true), 171, 0, 1024, 768);
    ExpectView(FitCanvas(480, 640, true), 0, 140, 480, 360);
    ExpectView(FitCanvas(640, 481, true), 0, 0, 640, 480);
    // Never nothing, however thin.
    ExpectView(FitCanvas(1000, 1, true), 499, 0, 1, 1);
    ExpectView(FitCanvas(1, 1000, true), 0, 499, 1, 1);
}

} // namespace
