// The frame's re-layout rules and border bands, without a window.
#include "LumoFrameLayout.h"

#include <gtest/gtest.h>

using namespace vesk;

TEST(FrameLayout, DialogOf400PixelsPlacesCloseLogoAndCaption)
{
    const TFrameLayout l = LayoutFrame(400, false, false, false);
    EXPECT_EQ(l.ImgClose, QRect(374, 6, 20, 21)); // 400 - 20 - 6
    EXPECT_EQ(l.ImgLogo, QRect(6, 6, 19, 19));
    EXPECT_EQ(l.lblCaption.left(), 26); // 6 + 19 + 1, whatever the design position
    EXPECT_EQ(l.lblCaption.width(), 400);
    EXPECT_EQ(l.lblCaption.top(), 10);
    EXPECT_EQ(l.ImgMove, QRect(0, 0, 400, 31));
    // Without the flags the other buttons are parked left of close and hidden.
    EXPECT_EQ(l.ImgMaxSize.topLeft(), QPoint(355, 6));
    EXPECT_FALSE(l.MaxSizeVisible);
    EXPECT_FALSE(l.NormalSizeVisible);
    EXPECT_FALSE(l.MinSizeVisible);
}

TEST(FrameLayout, MainWindowButtonsLineUpLeftOfClose)
{
    for (int width : {400, 582, 1024}) {
        const TFrameLayout l = LayoutFrame(width, true, true, false);
        const int closeLeft = width - 20 - 6;
        EXPECT_EQ(l.ImgClose.left(), closeLeft);
        EXPECT_EQ(l.ImgMaxSize, QRect(closeLeft - 19, 6, 19, 19));
        EXPECT_EQ(l.ImgNormalSize, l.ImgMaxSize);
        EXPECT_EQ(l.ImgMinSize, QRect(closeLeft - 19 - 21, 6, 21, 21));
        EXPECT_TRUE(l.MaxSizeVisible);
        EXPECT_FALSE(l.NormalSizeVisible);
        EXPECT_TRUE(l.MinSizeVisible);
    }
    const TFrameLayout maxed = LayoutFrame(800, true, true, true);
    EXPECT_FALSE(maxed.MaxSizeVisible);
    EXPECT_TRUE(maxed.NormalSizeVisible);
}

TEST(FrameLayout, EachFlagShowsOnlyItsButtons)
{
    const TFrameLayout minOnly = LayoutFrame(400, false, true, false);
    EXPECT_TRUE(minOnly.MinSizeVisible);
    EXPECT_FALSE(minOnly.MaxSizeVisible);
    EXPECT_EQ(minOnly.ImgMinSize.left(), 334); // still measured from the hidden maximise slot
    const TFrameLayout maxOnly = LayoutFrame(400, true, false, false);
    EXPECT_TRUE(maxOnly.MaxSizeVisible);
    EXPECT_FALSE(maxOnly.MinSizeVisible);
}

namespace {

// The colour the bands leave at a pixel (the last rectangle painted over it), or none.
std::optional<QColor> paintedAt(const std::vector<TBandRect> &bands, QPoint p)
{
    std::optional<QColor> c;
    for (const TBandRect &b : bands)
        if (b.rect.contains(p))
            c = b.color;
    return c;
}

} // namespace

TEST(FrameBands, SixPixelBorderDarkOutsideLightInside)
{
    const int w = 40, h = 50;
    const QColor ring[3] = {QColor(99, 125, 82), QColor(156, 166, 115), QColor(222, 223, 181)};
    const auto bands = FrameBands(w, h);
    EXPECT_EQ(bands.size(), 24u);
    for (int y = 31; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int depth = std::min({x, y, w - 1 - x, h - 1 - y});
            const auto c = paintedAt(bands, {x, y});
            if (depth < 6) {
                ASSERT_TRUE(c) << x << "," << y;
                EXPECT_EQ(*c, ring[depth / 2]) << x << "," << y;
            } else {
                EXPECT_FALSE(c) << x << "," << y;
            }
        }
    }
}

TEST(FrameBands, StripEndsInTheSameThreeBands)
{
    const auto bands = FrameBands(100, 200);
    const QColor expected[6] = {QColor(222, 223, 181), QColor(222, 223, 181), QColor(156, 166, 115),
                                QColor(156, 166, 115), QColor(99, 125, 82),   QColor(99, 125, 82)};
    for (int x = 6; x < 94; ++x) {
        for (int y = 25; y <= 30; ++y)
            EXPECT_EQ(paintedAt(bands, {x, y}), expected[y - 25]) << x << "," << y;
        EXPECT_FALSE(paintedAt(bands, {x, 24})) << x; // the strip itself stays transparent
        EXPECT_FALSE(paintedAt(bands, {x, 31})) << x;
    }
}
