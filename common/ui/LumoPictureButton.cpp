// Picture button of the window frame.
#include "LumoPictureButton.h"

#include <QPainter>

namespace vesk {

TLumoPictureButton::TLumoPictureButton(const QString &picture, QSize size, QWidget *parent)
    : QAbstractButton(parent), picture_(picture)
{
    setFixedSize(size);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void TLumoPictureButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), picture_);
}

} // namespace vesk
