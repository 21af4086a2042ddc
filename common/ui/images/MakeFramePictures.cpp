// Draws the pictures of the window frame's buttons and writes them as JPEG files.
//
//   vesk_frame_pictures <folder>     (writes close, minimize, maximize, restore and logo .jpg)
//
// The committed pictures in common/images were made with it; run it again after changing a
// drawing and commit the files it writes.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor Dark(99, 125, 82);
const QColor Mid(156, 166, 115);
const QColor Light(222, 223, 181);
const QColor Maroon(128, 0, 0);

// A rounded tile in the frame's colours; `mark` draws the symbol on it.
QImage tile(QSize size, const std::function<void(QPainter &, QRectF)> &mark)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Light);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(img.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(244, 244, 226));
    g.setColorAt(1, Mid);
    p.setBrush(g);
    p.setPen(QPen(Dark, 1));
    p.drawRoundedRect(r, 3, 3);
    mark(p, r);
    return img;
}

QImage logo()
{
    QImage img(19, 19, QImage::Format_RGB32);
    img.fill(Light);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // A printer: the sheet going in, the body, the printed sheet coming out.
    p.setPen(QPen(Dark, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(5.5, 1.5, 8, 6));
    p.setBrush(Dark);
    p.drawRoundedRect(QRectF(1.5, 6.5, 16, 7), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 11.5, 10, 6));
    p.setPen(QPen(Maroon, 1));
    p.drawLine(QPointF(6.5, 14), QPointF(12.5, 14));
    p.drawLine(QPointF(6.5, 16), QPointF(10.5, 16));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 200, 60));
    p.drawEllipse(QPointF(14.5, 9), 1, 1);
    return img;
}

bool save(const QImage &img, const QString &folder, const char *name)
{
    const QString file = QDir(folder).filePath(QLatin1String(name) + QStringLiteral(".jpg"));
    if (!img.save(file, "JPG", 92)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    const QImage close = tile({20, 21}, [](QPainter &p, QRectF r) {
        p.setPen(QPen(Maroon, 2, Qt::SolidLine, Qt::RoundCap));
        const QRectF m = r.adjusted(6, 6, -6, -6);
        p.drawLine(m.topLeft(), m.bottomRight());
        p.drawLine(m.topRight(), m.bottomLeft());
    });
    const QImage minimize = tile({21, 21}, [](QPainter &p, QRectF r) {
        p.setPen(QPen(Dark.darker(150), 2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(r.left() + 6, r.bottom() - 6), QPointF(r.right() - 6, r.bottom() - 6));
    });
    const QImage maximize = tile({19, 19}, [](QPainter &p, QRectF r) {
        const QRectF box = r.adjusted(5, 5, -5, -5);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Dark.darker(150), 1));
        p.drawRect(box);
        p.setPen(QPen(Dark.darker(150), 2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(box.left(), box.top() + 1), QPointF(box.right(), box.top() + 1));
    });
    const QImage restore = tile({19, 19}, [](QPainter &p, QRectF r) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Dark.darker(150), 1));
        const QRectF back(r.left() + 7, r.top() + 4, 7, 6);
        const QRectF front(r.left() + 4, r.top() + 8, 7, 6);
        p.drawRect(back);
        p.setBrush(QColor(244, 244, 226));
        p.drawRect(front);
    });

    bool ok = save(close, folder, "close");
    ok = save(minimize, folder, "minimize") && ok;
    ok = save(maximize, folder, "maximize") && ok;
    ok = save(restore, folder, "restore") && ok;
    ok = save(logo(), folder, "logo") && ok;
    return ok ? 0 : 1;
}
