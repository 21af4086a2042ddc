// A clickable picture of the skinned window frame (close, minimise, maximise, restore, logo).
#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace vesk {

// Shows its picture at its own size, with the hand cursor. Emits clicked() like any button.
class TLumoPictureButton : public QAbstractButton
{
    Q_OBJECT

public:
    TLumoPictureButton(const QString &picture, QSize size, QWidget *parent);

    const QPixmap &picture() const { return picture_; }
    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap picture_;
};

} // namespace vesk
