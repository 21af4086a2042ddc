// TLumoFrm: the skinned, borderless base window of every window of both programs.
#pragma once

#include "LumoPictureButton.h"
#include "WindowMessages.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class QLabel;
class QMouseEvent;
class QPainter;

namespace vesk {

class TdmMain;

// A borderless window that paints its own three-band border and caption strip, with the caption
// label, the logo and the close, minimise, maximise and restore pictures. Main windows show it
// with show(); dialogs with exec(). Lives on the window thread; only SendLog may be called from
// other threads.
//
// Children go either straight onto the window, in window coordinates (the caption strip takes
// the top 31 pixels, the border 6 pixels on each side), or into ClientArea(), which covers the
// inside of the border below the strip and follows the window's size.
//
// The handlers keep their historical names and are virtual: a descendant that overrides one
// calls the base version where it wants the base behaviour.
class TLumoFrm : public QDialog, public ShowTipReceiver
{
    Q_OBJECT

public:
    // A window without parent is a top-level window of its own (a main window); with a parent
    // it is a dialog over it.
    explicit TLumoFrm(QWidget *parent = nullptr);
    ~TLumoFrm() override;

    // The program's data module: FontCharset for the fonts, catalogue texts for the captions.
    // Set once by each program's start-up; without it the charset is 0 and texts are empty.
    static void SetDataModule(TdmMain *dm);
    static TdmMain *DataModule();

    // The product web page that the logo opens.
    static QString ProductWebPage();

    // Set by a descendant before the window is shown (main windows do).
    bool CanMaximize = false; // maximise and restore pictures, double-click maximises
    bool CanMinimize = false; // minimise picture

    // The window that receives the log lines of SendLog (WM_SHOWTIP): a ShowTipReceiver,
    // normally a main window. None at creation.
    void SetLogWindow(QObject *window) { LogWindow = window; }
    QObject *logWindow() const { return LogWindow; }
    // Hands `text` to the log window's ShowTip on that window's thread and returns when it has
    // been handled. Without a log window it does nothing. Any thread; a worker that holds only
    // the log window uses SendShowTip of WindowMessages.h the same way.
    void SendLog(const QString &text) const;

    // Posts WM_HIDEFORM to the window itself: it hides once control is back in the event loop,
    // so a window can ask to be hidden from inside its own FormShow.
    void PostHide();

    // WM_SHOWTIP: a log line for this window when it is the log window. The base ignores it;
    // the main windows append it to their log box.
    void ShowTip(const QString &text) override;

    QWidget *ClientArea() const { return clientArea_; }

    // The frame's parts, named as the windows refer to them.
    QWidget *ImgMove;
    QLabel *lblCaption;
    TLumoPictureButton *ImgClose;
    TLumoPictureButton *ImgMinSize;
    TLumoPictureButton *ImgMaxSize;
    TLumoPictureButton *ImgNormalSize;
    TLumoPictureButton *ImgLogo;

public Q_SLOTS:
    // The handler of WM_HIDEFORM.
    void HideForm();

protected:
    // Each (non-spontaneous) show: strip cursor, re-layout, fonts in the configured charset.
    virtual void FormShow();
    // Every size change: places the strip's parts and repaints.
    virtual void FormResize();
    // The border and the strip outline.
    virtual void FormPaint(QPainter &painter);
    // Double-click on the strip or caption, click on maximise or restore: switches between
    // maximised and normal when CanMaximize is set.
    virtual void ImgMoveDblClick();
    // The close picture: the normal close path, FormCloseQuery first.
    virtual void ImgCloseClick();
    // The minimise picture: nothing here; the main windows decide what minimising means.
    virtual void ImgMinSizeClick();
    // The logo: opens the product web page in the default browser; the outcome is not checked.
    virtual void ImgLogoClick();
    // Asked before the window closes, also when a dialog ends through accept() or reject();
    // false keeps it open.
    virtual bool FormCloseQuery() { return true; }
    // The window is closing.
    virtual void FormClose() {}

    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

public:
    void done(int result) override;

private:
    enum class DragState
    {
        Idle,
        Pressed,
        OwnDrag
    };

    bool stripMouseEvent(QMouseEvent *event);

    QPointer<QObject> LogWindow;
    QWidget *clientArea_;
    bool firstShow_ = true;
    bool closeQueried_ = false; // the close path has asked FormCloseQuery already
    DragState drag_ = DragState::Idle;
    QPoint dragPressGlobal_;
    QPoint dragStartPos_;
};

} // namespace vesk
