// The chart window: the picture in a view, Save as PNG and Close; the work is in TrendData.
#include "TrendChartForm.h"

#include "MainDM.h"
#include "PrinterDataView.h"

#include <QApplication>
#include <QFileDialog>
#include <QGraphicsView>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk {

TTrendChartFrm::TTrendChartFrm(TdmMain &dm, const TrendData &data, QWidget *parent)
    : QDialog(parent), dm_(dm),
      picture_(data, [&dm](const QString &key) { return dm.GetLangString(key); })
{
    setObjectName(QStringLiteral("TrendChartFrm"));
    setWindowTitle(dm.GetLangString(QStringLiteral("RSChartTitle")));
    chartView = new QGraphicsView(&picture_.scene(), this);
    chartView->setObjectName(QStringLiteral("chartView"));
    chartView->setRenderHint(QPainter::Antialiasing);
    btnSavePng = new QPushButton(dm.GetLangString(QStringLiteral("RSChartSave")), this);
    btnSavePng->setObjectName(QStringLiteral("btnSavePng"));
    btnClose = new QPushButton(dm.GetLangString(QStringLiteral("RSClose")), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSavePng);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chartView);
    layout->addLayout(buttons);
    chartView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    chartView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(900, 960);

    connect(btnSavePng, &QPushButton::clicked, this, &TTrendChartFrm::btnSavePngClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    choosePngFile = [this] {
        return QFileDialog::getSaveFileName(this, QString(), QString(),
                                            QStringLiteral("PNG (*.png)"));
    };
}

TTrendChartFrm::~TTrendChartFrm() = default;

void TTrendChartFrm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    fitPicture();
}

void TTrendChartFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    fitPicture();
}

void TTrendChartFrm::fitPicture()
{
    chartView->fitInView(picture_.scene().sceneRect(), Qt::KeepAspectRatio);
}

void TTrendChartFrm::btnSavePngClick()
{
    const QString file = choosePngFile ? choosePngFile() : QString();
    if (file.isEmpty())
        return;
    QString error;
    if (!picture_.savePng(file, &error))
        dm_.ShowMsg(error, MB_ICONSTOP);
}

ChartCommands::ChartCommands(TdmMain &dm, PrinterDataView *view, QWidget *window)
    : QObject(window), dm_(dm), view_(view), window_(window)
{
    connect(view_, &PrinterDataView::chartRequested, this, &ChartCommands::btnChartClick);
    showChart = [](TTrendChartFrm &form) { form.exec(); };
}

void ChartCommands::btnChartClick()
{
    TrendData data;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok =
        ReadTrendData(dm_.acntVesk.database(),
                      TrendSearch{view_->PrinterDataFilter(), view_->PrinterDataTotals()},
                      TrendPicture::TopCount, data, &error);
    QApplication::restoreOverrideCursor();
    if (!ok) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return;
    }
    TTrendChartFrm form(dm_, data, window_);
    if (showChart)
        showChart(form);
}

} // namespace vesk
