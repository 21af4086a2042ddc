// Geometry of the skinned window frame: where the caption strip's parts go and the border bands.
#pragma once

#include <QColor>
#include <QRect>

#include <vector>

namespace vesk {

// Design sizes of the frame's parts; the re-layout moves them and never resizes them.
namespace frame {
constexpr int StripHeight = 31; // the caption strip ImgMove
constexpr int CaptionTop = 10;
constexpr int CaptionHeight = 13;
constexpr int Margin = 6; // the painted border is three bands of 2 pixels
constexpr QSize CloseSize{20, 21};
constexpr QSize MinSize{21, 21};
constexpr QSize MaxSize{19, 19};
constexpr QSize NormalSize{19, 19};
constexpr QSize LogoSize{19, 19};
constexpr QSize DesignSize{582, 400};
} // namespace frame

// Where the strip's parts sit on a window of a given width, and which buttons show.
struct TFrameLayout
{
    QRect ImgMove;
    QRect lblCaption;
    QRect ImgClose;
    QRect ImgLogo;
    QRect ImgMaxSize;
    QRect ImgNormalSize;
    QRect ImgMinSize;
    bool MaxSizeVisible = false;
    bool NormalSizeVisible = false;
    bool MinSizeVisible = false;
};

// The re-layout after a size change: close button at the right edge, logo at the left, caption
// right of the logo across the whole width; maximise/restore left of close, minimise left of
// maximise, each shown only when the window allows it.
TFrameLayout LayoutFrame(int width, bool canMaximize, bool canMinimize, bool maximized);

// One filled rectangle of the painted border.
struct TBandRect
{
    QRect rect;
    QColor color;
};

// The three 2-pixel bands round the window (dark outside, light inside) and the same three
// bands round the caption strip, in painting order.
std::vector<TBandRect> FrameBands(int width, int height, int stripHeight = frame::StripHeight);

} // namespace vesk
