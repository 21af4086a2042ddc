// The skinned window frame: border painting, strip layout, dragging, log lines, posted hide.
#include "LumoForm.h"

#include "CharsetFont.h"
#include "LumoFrameLayout.h"
#include "MainDM.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QWindow>

// The frame's pictures live in a static library: register them before the first window.
static void initFramePictures()
{
    Q_INIT_RESOURCE(images);
}

namespace vesk {

namespace {

TdmMain *g_dataModule = nullptr;

TLumoPictureButton *pictureButton(const char *name, QSize size, QPoint pos, QWidget *parent)
{
    auto *b = new TLumoPictureButton(
        QStringLiteral(":/frame/") + QLatin1String(name) + QStringLiteral(".jpg"), size, parent);
    b->move(pos);
    return b;
}

} // namespace

TLumoFrm::TLumoFrm(QWidget *parent)
    : QDialog(parent, (parent ? Qt::Dialog : Qt::Window) | Qt::FramelessWindowHint)
{
    static const bool picturesReady = (initFramePictures(), true);
    Q_UNUSED(picturesReady);

    QFont f(QStringLiteral("Sans Serif"), 8);
    f.setStyleHint(QFont::SansSerif);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Button));
    setPalette(pal);
    resize(frame::DesignSize);

    // Transparent: the painted strip outline shows through.
    ImgMove = new QWidget(this);
    ImgMove->setObjectName(QStringLiteral("ImgMove"));
    ImgMove->setGeometry(0, 0, frame::DesignSize.width(), frame::StripHeight);
    ImgMove->installEventFilter(this);

    clientArea_ = new QWidget(this);
    clientArea_->setObjectName(QStringLiteral("ClientArea"));

    lblCaption = new QLabel(this);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setGeometry(14, frame::CaptionTop, 321, frame::CaptionHeight);
    QFont bold = lblCaption->font();
    bold.setBold(true);
    lblCaption->setFont(bold);
    QPalette captionPal = lblCaption->palette();
    captionPal.setColor(QPalette::WindowText, QColor(128, 0, 0));
    lblCaption->setPalette(captionPal);
    lblCaption->setTextFormat(Qt::PlainText);
    lblCaption->setCursor(Qt::SizeAllCursor);
    lblCaption->installEventFilter(this);

    // Created after the caption label, so they stay above it where it runs under them.
    ImgMinSize = pictureButton("minimize", frame::MinSize, {481, 3}, this);
    ImgMaxSize = pictureButton("maximize", frame::MaxSize, {529, 3}, this);
    ImgNormalSize = pictureButton("restore", frame::NormalSize, {497, 3}, this);
    ImgClose = pictureButton("close", frame::CloseSize, {557, 3}, this);
    ImgLogo = pictureButton("logo", frame::LogoSize, {9, 3}, this);
    ImgMinSize->setObjectName(QStringLiteral("ImgMinSize"));
    ImgMaxSize->setObjectName(QStringLiteral("ImgMaxSize"));
    ImgNormalSize->setObjectName(QStringLiteral("ImgNormalSize"));
    ImgClose->setObjectName(QStringLiteral("ImgClose"));
    ImgLogo->setObjectName(QStringLiteral("ImgLogo"));

    connect(ImgClose, &QAbstractButton::clicked, this, [this] { ImgCloseClick(); });
    connect(ImgMinSize, &QAbstractButton::clicked, this, [this] { ImgMinSizeClick(); });
    connect(ImgMaxSize, &QAbstractButton::clicked, this, [this] { ImgMoveDblClick(); });
    connect(ImgNormalSize, &QAbstractButton::clicked, this, [this] { ImgMoveDblClick(); });
    connect(ImgLogo, &QAbstractButton::clicked, this, [this] { ImgLogoClick(); });

    FormResize();
}

TLumoFrm::~TLumoFrm() = default;

void TLumoFrm::SetDataModule(TdmMain *dm)
{
    g_dataModule = dm;
}

TdmMain *TLumoFrm::DataModule()
{
    return g_dataModule;
}

QString TLumoFrm::ProductWebPage()
{
    return QStringLiteral("https://vesk.example.org/");
}

void TLumoFrm::SendLog(const QString &text) const
{
    SendShowTip(LogWindow.data(), text);
}

void TLumoFrm::PostHide()
{
    PostWindowMessage(this, [this] { HideForm(); });
}

void TLumoFrm::HideForm()
{
    hide();
}

void TLumoFrm::ShowTip(const QString &) {}

void TLumoFrm::FormShow()
{
    ImgMove->setCursor(Qt::SizeAllCursor);
    FormResize();
    const int charset = g_dataModule ? g_dataModule->FontCharset : 0;
    setFont(fontWithCharset(font(), charset));
    lblCaption->setFont(fontWithCharset(lblCaption->font(), charset));
}

void TLumoFrm::FormResize()
{
    const TFrameLayout l = LayoutFrame(width(), CanMaximize, CanMinimize, isMaximized());
    ImgMove->setGeometry(l.ImgMove);
    ImgClose->setGeometry(l.ImgClose);
    ImgLogo->setGeometry(l.ImgLogo);
    lblCaption->setGeometry(l.lblCaption);
    ImgMaxSize->setGeometry(l.ImgMaxSize);
    ImgNormalSize->setGeometry(l.ImgNormalSize);
    ImgMinSize->setGeometry(l.ImgMinSize);
    ImgMaxSize->setVisible(l.MaxSizeVisible);
    ImgNormalSize->setVisible(l.NormalSizeVisible);
    ImgMinSize->setVisible(l.MinSizeVisible);
    const int m = frame::Margin;
    clientArea_->setGeometry(m, frame::StripHeight, qMax(0, width() - 2 * m),
                             qMax(0, height() - frame::StripHeight - m));
    update();
}

void TLumoFrm::FormPaint(QPainter &painter)
{
    for (const TBandRect &band : FrameBands(width(), height()))
        painter.fillRect(band.rect, band.color);
}

void TLumoFrm::ImgMoveDblClick()
{
    if (!CanMaximize)
        return;
    if (isMaximized())
        showNormal();
    else
        showMaximized();
}

void TLumoFrm::ImgCloseClick()
{
    close();
}

void TLumoFrm::ImgMinSizeClick() {}

void TLumoFrm::ImgLogoClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QDesktopServices::openUrl(QUrl(ProductWebPage()));
    QApplication::restoreOverrideCursor();
}

void TLumoFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (firstShow_) {
        firstShow_ = false;
        // Centred on the screen unless the owner placed the window itself.
        if (!testAttribute(Qt::WA_Moved)) {
            QScreen *s = parentWidget() ? parentWidget()->screen() : screen();
            if (s) {
                const QRect avail = s->availableGeometry();
                move(avail.x() + (avail.width() - width()) / 2,
                     avail.y() + (avail.height() - height()) / 2);
            }
        }
    }
    FormShow();
}

void TLumoFrm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    FormResize();
}

void TLumoFrm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    FormPaint(painter);
}

void TLumoFrm::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    // Maximise and restore swap places with the window state.
    if (event->type() == QEvent::WindowStateChange)
        FormResize();
}

void TLumoFrm::closeEvent(QCloseEvent *event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    closeQueried_ = true;
    QDialog::closeEvent(event); // a visible dialog ends through done()
    closeQueried_ = false;
}

void TLumoFrm::done(int result)
{
    if (!closeQueried_) {
        if (!FormCloseQuery())
            return;
        FormClose();
    }
    QDialog::done(result);
}

void TLumoFrm::keyPressEvent(QKeyEvent *event)
{
    // Escape and Enter end a modal dialog; a main window is not a dialog and ignores them.
    if (!isModal()) {
        QWidget::keyPressEvent(event);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TLumoFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ImgMove || watched == lblCaption) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseMove:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            return stripMouseEvent(static_cast<QMouseEvent *>(event));
        default:
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool TLumoFrm::stripMouseEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (event->button() != Qt::LeftButton)
            return false;
        drag_ = DragState::Pressed;
        dragPressGlobal_ = global;
        dragStartPos_ = pos();
        return true;
    case QEvent::MouseMove:
        if (drag_ == DragState::Idle || !(event->buttons() & Qt::LeftButton))
            return false;
        if (drag_ == DragState::Pressed) {
            if (isMaximized())
                return true; // a maximised window stays where it is
            // The window manager moves the window where it can; otherwise we follow the mouse.
            QWindow *w = windowHandle();
            if (w && w->startSystemMove()) {
                drag_ = DragState::Idle;
                return true;
            }
            drag_ = DragState::OwnDrag;
        }
        move(dragStartPos_ + global - dragPressGlobal_);
        return true;
    case QEvent::MouseButtonRelease:
        drag_ = DragState::Idle;
        return true;
    case QEvent::MouseButtonDblClick:
        drag_ = DragState::Idle;
        ImgMoveDblClick();
        return true;
    default:
        return false;
    }
}

} // namespace vesk
