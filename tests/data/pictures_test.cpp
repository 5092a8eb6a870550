// How the pictures read where the show draws them: credits that line up and fit four in a
// row, a tile without seams, a beam lit at its pivot, a dark cube with lit edges, and
// frames of the show composed from them.

#include "tools/datagen/contact_sheet.h"
#include "tools/datagen/lettering.h"
#include "tools/datagen/pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace {

using namespace datagen;

struct InkBox {
    int left = 1 << 20;
    int top = 1 << 20;
    int right = -1;
    int bottom = -1;
};

InkBox FindInk(const Grey& mask) {
    InkBox box;
    for (int y = 0; y < mask.Height(); ++y) {
        for (int x = 0; x < mask.Width(); ++x) {
            if (mask.At(x, y) > 0.5) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

double Luminance(Colour c) {
    return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

double MeanLuminance(const Picture& picture, int x0, int y0, int x1, int y1) {
    double sum = 0.0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += Luminance(picture.At(x, y));
        }
    }
    return sum / ((x1 - x0) * (y1 - y0));
}

class ShowPicturesTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        const Lettering lettering;
        ASSERT_EQ(lettering.Error(), "");
        pictures = new ShowPictures(DrawShowPictures(lettering));
    }
    static void TearDownTestSuite() {
        delete pictures;
        pictures = nullptr;
    }
    static const Credit& CreditFor(const std::string& text) {
        for (const Credit& credit : pictures->credits) {
            if (credit.text == text) {
                return credit;
            }
        }
        ADD_FAILURE() << "no credit " << text;
        return pictures->credits.front();
    }
    static ShowPictures* pictures;
};

ShowPictures* ShowPicturesTest::pictures = nullptr;

TEST_F(ShowPicturesTest, CreditsFitFourInARowAndStandOnOneBaseline) {
    ASSERT_EQ(pictures->credits.size(), 8u);
    const int baseline = FindInk(CreditFor("kurne").mask).bottom;
    for (const Credit& credit : pictures->credits) {
        const InkBox ink = FindInk(credit.mask);
        ASSERT_GE(ink.right, 0) << credit.text;
        // Drawn 250 units apart, so each name must stay narrower than that.
        EXPECT_LE(ink.right - ink.left + 1, 240) << credit.text;
        EXPECT_GE(ink.bottom - ink.top + 1, 30) << credit.text << " is too small to read";
        // Centred across, so that the show's centre pivot centres the word.
        EXPECT_NEAR((ink.left + ink.right + 1) / 2.0, credit.mask.Width() / 2.0, 2.0)
            << credit.text;
        const bool descends = credit.text.find_first_of("gjpqy") != std::string::npos;
        if (descends) {
            EXPECT_GT(ink.bottom, baseline + 5) << credit.text;
        } else {
            EXPECT_NEAR(ink.bottom, baseline, 1) << credit.text;
        }
    }
}

TEST_F(ShowPicturesTest, TileRepeatsWithoutSeams) {
    const Picture& tile = pictures->tile;
    const auto columnStep = [&](int a, int b) {
        double sum = 0.0;
        for (int y = 0; y < tile.Height(); ++y) {
            sum += std::fabs(Luminance(tile.At(a, y)) - Luminance(tile.At(b, y)));
        }
        return sum / tile.Height();
    };
    const auto rowStep = [&](int a, int b) {
        double sum = 0.0;
        for (int x = 0; x < tile.Width(); ++x) {
            sum += std::fabs(Luminance(tile.At(x, a)) - Luminance(tile.At(x, b)));
        }
        return sum / tile.Width();
    };
    double columns = 0.0;
    double rows = 0.0;
    for (int i = 0; i + 1 < tile.Width(); ++i) {
        columns = std::max(columns, columnStep(i, i + 1));
        rows = std::max(rows, rowStep(i, i + 1));
    }
    EXPECT_LE(columnStep(tile.Width() - 1, 0), columns);
    EXPECT_LE(rowStep(tile.Height() - 1, 0), rows);
}

TEST_F(ShowPicturesTest, RayIsBrightestAtItsPivotAndFadesToItsTip) {
    const Grey& mask = pictures->ray.mask;
    int brightestRow = 0;
    double brightest = 0.0;
    for (int y = 0; y < mask.Height(); ++y) {
        for (int x = 0; x < mask.Width(); ++x) {
            if (mask.At(x, y) > brightest) {
                brightest = mask.At(x, y);
                brightestRow = y;
            }
        }
    }
    const double pivotRow = mask.Height() * 0.95;
    EXPECT_NEAR(brightestRow, pivotRow, 2.0);
    const auto rowSum = [&](int y) {
        double sum = 0.0;
        for (int x = 0; x < mask.Width(); ++x) {
            sum += mask.At(x, y);
        }
        return sum;
    };
    EXPECT_GT(rowSum(mask.Height() / 2), 2.0 * rowSum(mask.Height() / 8));
    EXPECT_GT(rowSum(mask.Height() / 8), 0.0) << "the beam should reach towards its tip";
}

TEST_F(ShowPicturesTest, CubeIsDarkWithLitEdgesAndTitleIsBrightOnBlack) {
    const Picture& cube = pictures->cube;
    double brightest = 0.0;
    for (int y = 0; y < cube.Height(); ++y) {
        for (int x = 0; x < cube.Width(); ++x) {
            brightest = std::max(brightest, Luminance(cube.At(x, y)));
        }
    }
    EXPECT_GT(brightest, 0.8);
    EXPECT_LT(MeanLuminance(cube, 26, 14, 38, 24), 0.3) << "the top face";
    EXPECT_LT(MeanLuminance(cube, 14, 32, 24, 42), 0.2) << "the left face";

    const Picture& title = pictures->title;
    int lit = 0;
    for (int y = 0; y < title.Height(); ++y) {
        for (int x = 0; x < title.Width(); ++x) {
            lit += Luminance(title.At(x, y)) > 0.9 ? 1 : 0;
        }
    }
    const double litShare = static_cast<double>(lit) / (title.Width() * title.Height());
    EXPECT_GT(litShare, 0.08);
    EXPECT_LT(litShare, 0.4);
    EXPECT_EQ(MeanLuminance(title, 0, 0, 16, 16), 0.0);
}

TEST_F(ShowPicturesTest, FramesOfTheShowShowWhatTheTimelinePutsOnScreen) {
    constexpr int width = 256;
    // Before the logo only the faint first cubes.
    const Picture opening = ComposeShowFrame(*pictures, 1.0, width);
    EXPECT_LT(MeanLuminance(opening, 0, 0, width, width * 3 / 4), 0.01);
    // The logo at rest lights the middle of the screen.
    const Picture logo = ComposeShowFrame(*pictures, 7.0, width);
    EXPECT_GT(MeanLuminance(logo, 96, 84, 160, 108), 0.25);
    // The lens grid fills the whole screen once it draws additively.
    const Picture grid = ComposeShowFrame(*pictures, 27.0, width);
    EXPECT_GT(MeanLuminance(grid, 0, 0, 32, 32), 0.1);
    EXPECT_GT(MeanLuminance(grid, width - 32, 160, width, 192), 0.1);
    // After the grid, the title alone on black.
    const Picture ending = ComposeShowFrame(*pictures, 63.0, width);
    EXPECT_GT(MeanLuminance(ending, 88, 88, 168, 104), 0.3);
    EXPECT_EQ(MeanLuminance(ending, 0, 0, 64, 64), 0.0);
}

} // namespace
