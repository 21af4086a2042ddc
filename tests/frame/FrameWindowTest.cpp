// The skinned window on the offscreen platform: layout, buttons, dragging, closing, painting.
#include "FrameEvents.h"
#include "LumoBackForm.h"
#include "LumoForm.h"

#include <QDesktopServices>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

using namespace vesk;
using namespace vesk::test;

namespace {

// A main window as both programs make theirs.
class MainLikeFrm : public TLumoFrm
{
public:
    MainLikeFrm()
    {
        CanMaximize = true;
        CanMinimize = true;
    }
};

// Records the frame's close path.
class ClosingFrm : public TLumoBackFrm
{
public:
    using TLumoBackFrm::TLumoBackFrm;
    bool allowClose = true;
    int queries = 0;
    int closes = 0;

protected:
    bool FormCloseQuery() override
    {
        ++queries;
        return allowClose;
    }
    void FormClose() override { ++closes; }
};

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

} // namespace

TEST(FrameWindow, DialogShowsOnlyLogoCaptionAndClose)
{
    for (int width : {400, 700}) {
        TLumoBackFrm dlg;
        dlg.resize(width, 300);
        ASSERT_TRUE(showAndWait(&dlg));
        EXPECT_EQ(dlg.ImgClose->geometry(), QRect(width - 26, 6, 20, 21));
        EXPECT_EQ(dlg.ImgLogo->pos(), QPoint(6, 6));
        EXPECT_EQ(dlg.lblCaption->x(), 26);
        EXPECT_EQ(dlg.lblCaption->width(), width);
        EXPECT_TRUE(dlg.ImgLogo->isVisible());
        EXPECT_TRUE(dlg.lblCaption->isVisible());
        EXPECT_TRUE(dlg.ImgClose->isVisible());
        EXPECT_FALSE(dlg.ImgMaxSize->isVisible());
        EXPECT_FALSE(dlg.ImgNormalSize->isVisible());
        EXPECT_FALSE(dlg.ImgMinSize->isVisible());

        // Double-clicking the caption of a dialog does not maximise it.
        doubleClick(dlg.lblCaption, {20, 5});
        doubleClick(dlg.ImgMove, {200, 5});
        QCoreApplication::processEvents();
        EXPECT_FALSE(dlg.isMaximized());
        EXPECT_EQ(dlg.width(), width);
    }
}

TEST(FrameWindow, ResizeRelaysTheStrip)
{
    MainLikeFrm frm;
    ASSERT_TRUE(showAndWait(&frm));
    frm.resize(400, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(frm.ImgClose->pos(), QPoint(374, 6));
    EXPECT_EQ(frm.ImgMaxSize->pos(), QPoint(355, 6));
    EXPECT_EQ(frm.ImgMinSize->pos(), QPoint(334, 6));
    EXPECT_EQ(frm.ImgMove->geometry(), QRect(0, 0, 400, 31));
    EXPECT_EQ(frm.ClientArea()->geometry(), QRect(6, 31, 388, 263));
    EXPECT_TRUE(frm.ImgMaxSize->isVisible());
    EXPECT_TRUE(frm.ImgMinSize->isVisible());
    EXPECT_FALSE(frm.ImgNormalSize->isVisible());
}

TEST(FrameWindow, DoubleClickAndButtonsToggleMaximised)
{
    MainLikeFrm frm;
    frm.resize(500, 350);
    ASSERT_TRUE(showAndWait(&frm));
    const QRect normal = frm.geometry();

    doubleClick(frm.lblCaption, {30, 5});
    ASSERT_TRUE(QTest::qWaitFor([&] { return frm.isMaximized(); }));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return frm.width() == frm.screen()->availableGeometry().width(); }));
    EXPECT_TRUE(frm.ImgNormalSize->isVisible());
    EXPECT_FALSE(frm.ImgMaxSize->isVisible());
    EXPECT_EQ(frm.ImgClose->x(), frm.width() - 26);
    EXPECT_EQ(frm.ImgNormalSize->x(), frm.width() - 26 - 19);

    // Restore swaps the buttons back.
    QTest::mouseClick(frm.ImgNormalSize, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frm.isMaximized(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frm.geometry() == normal; }));
    EXPECT_TRUE(frm.ImgMaxSize->isVisible());
    EXPECT_FALSE(frm.ImgNormalSize->isVisible());

    QTest::mouseClick(frm.ImgMaxSize, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return frm.isMaximized(); }));
    doubleClick(frm.ImgMove, {100, 10});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frm.isMaximized(); }));
}

TEST(FrameWindow, DraggingTheCaptionMovesTheWindow)
{
    MainLikeFrm frm;
    frm.resize(400, 300);
    ASSERT_TRUE(showAndWait(&frm));
    // Offscreen there is no window manager to move it: the frame follows the mouse itself.
    ASSERT_FALSE(frm.windowHandle()->startSystemMove());

    const QPoint start = frm.pos();
    dragBy(frm.lblCaption, {10, 5}, {30, 40});
    EXPECT_EQ(frm.pos(), start + QPoint(30, 40));
    dragBy(frm.ImgMove, {300, 20}, {-50, 10});
    EXPECT_EQ(frm.pos(), start + QPoint(-20, 50));

    // Moving the mouse without a press, or over the client area, moves nothing.
    sendMouse(frm.ImgMove, QEvent::MouseMove, {40, 10}, Qt::NoButton, Qt::NoButton);
    dragBy(frm.ClientArea(), {50, 50}, {60, 60});
    EXPECT_EQ(frm.pos(), start + QPoint(-20, 50));
}

TEST(FrameWindow, FirstShowCentresOnTheScreen)
{
    TLumoBackFrm dlg;
    dlg.resize(400, 300);
    ASSERT_TRUE(showAndWait(&dlg));
    const QRect avail = dlg.screen()->availableGeometry();
    EXPECT_EQ(dlg.pos(), QPoint(avail.x() + (avail.width() - 400) / 2,
                                avail.y() + (avail.height() - 300) / 2));

    // A later show keeps where the user put it.
    dlg.move(10, 20);
    dlg.hide();
    ASSERT_TRUE(showAndWait(&dlg));
    EXPECT_EQ(dlg.pos(), QPoint(10, 20));
}

TEST(FrameWindow, CloseGoesThroughTheCloseQuery)
{
    ClosingFrm frm;
    ASSERT_TRUE(showAndWait(&frm));
    frm.allowClose = false;
    QTest::mouseClick(frm.ImgClose, Qt::LeftButton);
    EXPECT_TRUE(frm.isVisible());
    EXPECT_EQ(frm.queries, 1);
    EXPECT_EQ(frm.closes, 0);

    frm.allowClose = true;
    QTest::mouseClick(frm.ImgClose, Qt::LeftButton);
    EXPECT_FALSE(frm.isVisible());
    EXPECT_EQ(frm.queries, 2); // asked once per close, not again when the dialog ends
    EXPECT_EQ(frm.closes, 1);

    // A main window hidden to the tray and then closed still runs its close handlers.
    ASSERT_TRUE(showAndWait(&frm));
    frm.hide();
    frm.close();
    EXPECT_EQ(frm.queries, 3);
    EXPECT_EQ(frm.closes, 2);
}

TEST(FrameWindow, ModalDialogEndsByCloseButtonAndByAccept)
{
    QWidget owner;
    ClosingFrm dlg(&owner);
    QTimer::singleShot(0, &dlg, [&] { QTest::mouseClick(dlg.ImgClose, Qt::LeftButton); });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(dlg.closes, 1);

    // accept() from an OK button asks the query too; a refusal keeps the dialog up.
    dlg.allowClose = false;
    QTimer::singleShot(0, &dlg, [&] {
        dlg.accept();
        EXPECT_TRUE(dlg.isVisible());
        dlg.allowClose = true;
        dlg.accept();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Accepted);
    EXPECT_EQ(dlg.closes, 2);

    // Escape ends a modal dialog through the same path.
    QTimer::singleShot(0, &dlg, [&] { QTest::keyClick(&dlg, Qt::Key_Escape); });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(dlg.closes, 3);
}

TEST(FrameWindow, MainWindowIgnoresEscape)
{
    MainLikeFrm frm;
    ASSERT_TRUE(showAndWait(&frm));
    QTest::keyClick(&frm, Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_TRUE(frm.isVisible());
}

TEST(FrameWindow, LogoOpensTheProductPage)
{
    UrlCatcher catcher;
    const QString scheme = QUrl(TLumoFrm::ProductWebPage()).scheme();
    QDesktopServices::setUrlHandler(scheme, &catcher, "open");
    TLumoFrm frm;
    ASSERT_TRUE(showAndWait(&frm));
    QTest::mouseClick(frm.ImgLogo, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(scheme);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.front(), QUrl(TLumoFrm::ProductWebPage()));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr); // the hourglass is gone again
}

TEST(FrameWindow, GrabPaintsBorderStripAndPictures)
{
    MainLikeFrm frm;
    frm.resize(400, 300);
    frm.lblCaption->setText(QStringLiteral("Vesk"));
    ASSERT_TRUE(showAndWait(&frm));

    for (auto *b : {frm.ImgClose, frm.ImgMinSize, frm.ImgMaxSize, frm.ImgNormalSize, frm.ImgLogo}) {
        EXPECT_FALSE(b->picture().isNull()) << b->objectName().toStdString();
        EXPECT_EQ(b->picture().size(), b->size()) << b->objectName().toStdString();
    }

    const QImage img = frm.grab().toImage();
    ASSERT_EQ(img.size(), QSize(400, 300));
    const QColor dark(99, 125, 82), mid(156, 166, 115), light(222, 223, 181);
    EXPECT_EQ(img.pixelColor(0, 150), dark);
    EXPECT_EQ(img.pixelColor(3, 150), mid);
    EXPECT_EQ(img.pixelColor(5, 150), light);
    EXPECT_EQ(img.pixelColor(399, 299), dark);
    EXPECT_EQ(img.pixelColor(200, 30), dark); // the strip's bottom bands
    EXPECT_EQ(img.pixelColor(200, 28), mid);
    EXPECT_EQ(img.pixelColor(200, 26), light);
    EXPECT_EQ(img.pixelColor(200, 150), frm.palette().color(QPalette::Button));
    // The close picture is drawn at its place, not the plain background.
    EXPECT_NE(img.pixelColor(374 + 10, 6 + 10), frm.palette().color(QPalette::Button));

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("frame.png"));
    ASSERT_TRUE(img.save(file));
    EXPECT_FALSE(QImage(file).isNull());
}

#include "FrameWindowTest.moc"
