// The flat buttons of the console's command column, whose caption colour marks the current view.
#pragma once

#include <QColor>
#include <QPushButton>

namespace vesk {

// A flat button with a thin border; its caption is drawn in FontColor, which the main window
// switches between the active and the inactive colour.
class TViewButton : public QPushButton
{
    Q_OBJECT

public:
    TViewButton(const QString &objectName, QWidget *parent);

    QColor FontColor() const { return fontColor_; }
    void SetFontColor(const QColor &color);

    QColor BorderColor = QColor(99, 125, 82);
    QColor HighlightColor = QColor(0, 0, 0);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QColor fontColor_ = QColor(0, 0, 0);
    bool hovered_ = false;
};

} // namespace vesk
