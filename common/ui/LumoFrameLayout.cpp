// Re-layout and border geometry of the skinned window frame.
#include "LumoFrameLayout.h"

namespace vesk {

namespace {

const QColor BandColors[3] = {QColor(99, 125, 82), QColor(156, 166, 115), QColor(222, 223, 181)};

// A band of width 2 inside the rectangle (left, top) to (right, bottom), right and bottom
// exclusive: top edge, left edge, bottom edge, right edge.
void addBand(std::vector<TBandRect> &out, int left, int top, int right, int bottom,
             const QColor &color)
{
    out.push_back({QRect(QPoint(left, top), QPoint(right - 1, top + 1)), color});
    out.push_back({QRect(QPoint(left, top), QPoint(left + 1, bottom - 1)), color});
    out.push_back({QRect(QPoint(left, bottom - 2), QPoint(right - 1, bottom - 1)), color});
    out.push_back({QRect(QPoint(right - 2, top), QPoint(right - 1, bottom - 1)), color});
}

} // namespace

TFrameLayout LayoutFrame(int width, bool canMaximize, bool canMinimize, bool maximized)
{
    using namespace frame;
    TFrameLayout l;
    l.ImgMove = QRect(0, 0, width, StripHeight);
    l.ImgClose = QRect(QPoint(width - CloseSize.width() - Margin, Margin), CloseSize);
    const int top = l.ImgClose.top();
    l.ImgLogo = QRect(QPoint(Margin, top), LogoSize);
    l.lblCaption =
        QRect(l.ImgLogo.left() + l.ImgLogo.width() + 1, CaptionTop, width, CaptionHeight);
    l.ImgMaxSize = QRect(QPoint(l.ImgClose.left() - MaxSize.width(), top), MaxSize);
    l.ImgNormalSize = QRect(QPoint(l.ImgClose.left() - MaxSize.width(), top), NormalSize);
    l.MaxSizeVisible = canMaximize && !maximized;
    l.NormalSizeVisible = canMaximize && maximized;
    l.ImgMinSize = QRect(QPoint(l.ImgMaxSize.left() - MinSize.width(), top), MinSize);
    l.MinSizeVisible = canMinimize;
    return l;
}

std::vector<TBandRect> FrameBands(int width, int height, int stripHeight)
{
    std::vector<TBandRect> bands;
    bands.reserve(24);
    for (int bottom : {height, stripHeight}) {
        for (int i = 0; i < 3; ++i) {
            const int inset = 2 * i;
            addBand(bands, inset, inset, width - inset, bottom - inset, BandColors[i]);
        }
    }
    return bands;
}

} // namespace vesk
