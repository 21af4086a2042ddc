// The print preview of grouped reports.
#include "printerDataReportForm.h"

#include "MainDM.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace vesk {

namespace {

const QString PdfFilter = QStringLiteral("PDF (*.pdf)");
constexpr double ZoomStep = 1.25;
constexpr double MinZoom = 0.25;
constexpr double MaxZoom = 4.0;
constexpr int PageFrame = 12; // grey around the page

QToolButton *toolButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon,
                        const QString &text = {})
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    if (text.isEmpty())
        b->setIcon(parent->style()->standardIcon(icon));
    else
        b->setText(text);
    b->setAutoRaise(true);
    return b;
}

} // namespace

ReportPageView::ReportPageView(const GroupedReport &report, QWidget *parent)
    : QWidget(parent), report_(report)
{
    setObjectName(QStringLiteral("ReportPageView"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ReportPageView::setPage(int page)
{
    page_ = std::clamp(page, 0, report_.pageCount() - 1);
    update();
}

void ReportPageView::setZoom(double zoom)
{
    zoom_ = std::clamp(zoom, MinZoom, MaxZoom);
    resize(sizeHint());
    updateGeometry();
    update();
}

QSizeF ReportPageView::pageSize() const
{
    const QSizeF mm = ReportPageLayout().fullRect(QPageLayout::Millimeter).size();
    return mm / 25.4 * logicalDpiX();
}

double ReportPageView::zoomForWidth(int width) const
{
    return (width - 2 * PageFrame) / pageSize().width();
}

QSize ReportPageView::sizeHint() const
{
    return (pageSize() * zoom_).toSize() + QSize(2 * PageFrame, 2 * PageFrame);
}

void ReportPageView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    const QRectF page(QPointF(PageFrame, PageFrame), pageSize() * zoom_);
    p.fillRect(page, Qt::white);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF paint = ReportPageLayout().paintRect(QPageLayout::Millimeter);
    p.translate(page.topLeft() + paint.topLeft() / 25.4 * logicalDpiX() * zoom_);
    p.scale(zoom_, zoom_);
    report_.paintPage(p, page_);
}

TPrinterDataReportFrm::TPrinterDataReportFrm(TdmMain &dm, const GroupedReport &report,
                                             QWidget *parent)
    : QDialog(parent), dm_(dm), report_(report)
{
    setObjectName(QStringLiteral("PrinterDataReportFrm"));
    setWindowTitle(report.layout().title);
    const auto lang = [&dm](const char *key) { return dm.GetLangString(QLatin1String(key)); };

    btnFirst = toolButton(this, "btnFirst", QStyle::SP_MediaSkipBackward);
    btnPrior = toolButton(this, "btnPrior", QStyle::SP_MediaSeekBackward);
    edtPage = new QSpinBox(this);
    edtPage->setObjectName(QStringLiteral("edtPage"));
    edtPage->setRange(1, report.pageCount());
    lblPages = new QLabel(QStringLiteral("/ %1").arg(report.pageCount()), this);
    btnNext = toolButton(this, "btnNext", QStyle::SP_MediaSeekForward);
    btnLast = toolButton(this, "btnLast", QStyle::SP_MediaSkipForward);
    btnZoomOut = toolButton(this, "btnZoomOut", QStyle::SP_CustomBase, QStringLiteral("\u2212"));
    btnZoomIn = toolButton(this, "btnZoomIn", QStyle::SP_CustomBase, QStringLiteral("+"));
    btnFitWidth = toolButton(this, "btnFitWidth", QStyle::SP_CustomBase, QStringLiteral("\u2194"));
    btnPrint = new QPushButton(lang("RSPrint"), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnSavePdf = new QPushButton(lang("RSSavePdf"), this);
    btnSavePdf->setObjectName(QStringLiteral("btnSavePdf"));
    btnClose = new QPushButton(lang("RSClose"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto *bar = new QHBoxLayout;
    for (QWidget *w :
         std::initializer_list<QWidget *>{btnFirst, btnPrior, edtPage, lblPages, btnNext, btnLast,
                                          btnZoomOut, btnZoomIn, btnFitWidth})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(btnPrint);
    bar->addWidget(btnSavePdf);
    bar->addWidget(btnClose);

    view = new ReportPageView(report, this);
    scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scroll"));
    scroll->setWidget(view);
    scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll->setBackgroundRole(QPalette::Dark);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(scroll, 1);

    connect(btnFirst, &QToolButton::clicked, this, [this] { showPage(0); });
    connect(btnPrior, &QToolButton::clicked, this, [this] { showPage(view->page() - 1); });
    connect(btnNext, &QToolButton::clicked, this, [this] { showPage(view->page() + 1); });
    connect(btnLast, &QToolButton::clicked, this, [this] { showPage(pageCount() - 1); });
    connect(edtPage, &QSpinBox::valueChanged, this, [this](int v) { showPage(v - 1); });
    connect(btnZoomOut, &QToolButton::clicked, this,
            [this] { view->setZoom(view->zoom() / ZoomStep); });
    connect(btnZoomIn, &QToolButton::clicked, this,
            [this] { view->setZoom(view->zoom() * ZoomStep); });
    connect(btnFitWidth, &QToolButton::clicked, this, &TPrinterDataReportFrm::fitWidth);
    connect(btnPrint, &QPushButton::clicked, this, &TPrinterDataReportFrm::PrintClick);
    connect(btnSavePdf, &QPushButton::clicked, this, &TPrinterDataReportFrm::SavePdfClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    choosePrinter = [this](QPrinter &printer) {
        QPrintDialog dialog(&printer, this);
        return dialog.exec() == QDialog::Accepted;
    };
    choosePdfFile = [this] {
        return QFileDialog::getSaveFileName(this, windowTitle(), QString(), PdfFilter);
    };
    resize(1000, 720);
    view->setZoom(1.0);
}

TPrinterDataReportFrm::~TPrinterDataReportFrm() = default;

void TPrinterDataReportFrm::showPage(int page)
{
    view->setPage(page);
    const QSignalBlocker block(edtPage);
    edtPage->setValue(view->page() + 1);
    btnFirst->setEnabled(view->page() > 0);
    btnPrior->setEnabled(view->page() > 0);
    btnNext->setEnabled(view->page() < pageCount() - 1);
    btnLast->setEnabled(view->page() < pageCount() - 1);
    scroll->verticalScrollBar()->setValue(0);
}

void TPrinterDataReportFrm::fitWidth()
{
    view->setZoom(view->zoomForWidth(scroll->viewport()->width()));
}

void TPrinterDataReportFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    fitWidth();
    showPage(view->page());
}

void TPrinterDataReportFrm::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        showPage(view->page() + 1);
        return;
    case Qt::Key_PageUp:
        showPage(view->page() - 1);
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void TPrinterDataReportFrm::PrintClick()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(ReportPageLayout());
    printer.setDocName(report_.layout().title);
    printer.setFromTo(1, pageCount());
    if (!choosePrinter || !choosePrinter(printer))
        return;
    int from = 0, to = pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage() - 1;
        to = printer.toPage() - 1;
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = view->page();
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = report_.print(printer, from, to);
    QApplication::restoreOverrideCursor();
    if (!ok)
        dm_.ShowMsg(dm_.GetLangString(QStringLiteral("RSPrintError")), MB_ICONSTOP);
}

void TPrinterDataReportFrm::SavePdfClick()
{
    const QString file = choosePdfFile ? choosePdfFile() : QString();
    if (file.isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool ok = WriteReportPdf(report_, file, &error);
    QApplication::restoreOverrideCursor();
    if (!ok)
        dm_.ShowMsg(error, MB_ICONSTOP);
}

} // namespace vesk
