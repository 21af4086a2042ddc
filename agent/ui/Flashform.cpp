// The splash window: the product title in the catalogue's language and the version text.
#include "Flashform.h"

#include "Catalogue.h"
#include "MainDM.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>

namespace vesk {

Tflashfrm::Tflashfrm(TdmMain &dm, QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      dm_(dm)
{
    setObjectName(QStringLiteral("flashfrm"));
    setFixedSize(531, 148);

    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setGeometry(24, 30, 490, 50);
    QFont title = font();
    title.setPixelSize(32);
    title.setBold(true);
    title.setItalic(true);
    lblCaption->setFont(title);

    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setGeometry(24, 100, 490, 20);
    lblVersion->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    lblCaption->setPalette(pal);
    lblVersion->setPalette(pal);
}

Tflashfrm::~Tflashfrm() = default;

void Tflashfrm::FormShow()
{
    lblCaption->setText(SplashTitle(dm_.LangCode));
    lblVersion->setText(dm_.GetLangString(QStringLiteral("RSVersion")));
}

void Tflashfrm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (QScreen *s = screen()) {
        const QRect avail = s->availableGeometry();
        move(avail.x() + (avail.width() - width()) / 2,
             avail.y() + (avail.height() - height()) / 2);
    }
    FormShow();
}

void Tflashfrm::paintEvent(QPaintEvent *)
{
    // The picture: the frame's greens, stretched over the whole window.
    QPainter p(this);
    QLinearGradient g(0, 0, width(), height());
    g.setColorAt(0.0, QColor(99, 125, 82));
    g.setColorAt(0.6, QColor(156, 166, 115));
    g.setColorAt(1.0, QColor(222, 223, 181));
    p.fillRect(rect(), g);
    p.setPen(QColor(99, 125, 82));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace vesk
