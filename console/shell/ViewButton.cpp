// Painting of the console's view buttons.
#include "ViewButton.h"

#include <QPainter>

namespace vesk {

TViewButton::TViewButton(const QString &objectName, QWidget *parent) : QPushButton(parent)
{
    setObjectName(objectName);
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus); // like the flat speed buttons it stands for
}

void TViewButton::SetFontColor(const QColor &color)
{
    fontColor_ = color;
    update();
}

void TViewButton::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect r = rect().adjusted(0, 0, -1, -1);
    if (isDown())
        p.fillRect(rect(), palette().color(QPalette::Midlight));
    // The border lights up in the highlight colour under the mouse.
    p.setPen(QPen(hovered_ && isEnabled() ? HighlightColor : BorderColor, 1));
    p.drawRect(r);
    p.setFont(font());
    p.setPen(isEnabled() ? fontColor_ : palette().color(QPalette::Disabled, QPalette::ButtonText));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus()) {
        p.setPen(QPen(BorderColor, 1, Qt::DotLine));
        p.drawRect(r.adjusted(2, 2, -2, -2));
    }
}

void TViewButton::enterEvent(QEnterEvent *event)
{
    hovered_ = true;
    update();
    QPushButton::enterEvent(event);
}

void TViewButton::leaveEvent(QEvent *event)
{
    hovered_ = false;
    update();
    QPushButton::leaveEvent(event);
}

} // namespace vesk
