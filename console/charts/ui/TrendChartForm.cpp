// The chart window: the picture scaled to the window, the measure, Save as PNG and Close; the work
// is in TrendData and TrendPicture.
#include "TrendChartForm.h"

#include "MainDM.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vesk {

TTrendChartFrm::TTrendChartFrm(TdmMain &dm, const TrendData &data, QWidget *parent)
    : QDialog(parent), dm_(dm), data_(data), currency_(ReadCurrency(dm.AppDir())),
      picture_(data_, lang(), measure_, currency_), image_(picture_.image())
{
    setObjectName(QStringLiteral("TrendChartFrm"));
    setWindowTitle(dm.GetLangString(QStringLiteral("RSChartTitle")));
    chartView = new QLabel(this);
    chartView->setObjectName(QStringLiteral("chartView"));
    chartView->setAlignment(Qt::AlignCenter);
    // The label follows the window, not the picture's size.
    chartView->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    chartView->setStyleSheet(QStringLiteral("background: white"));
    auto *measureLabel = new QLabel(dm.GetLangString(QStringLiteral("RSChartMeasure")), this);
    cbMeasure = new QComboBox(this);
    cbMeasure->setObjectName(QStringLiteral("cbMeasure"));
    // In TrendMeasure order.
    cbMeasure->addItems({dm.GetLangString(QStringLiteral("RSChartPages")),
                         dm.GetLangString(QStringLiteral("RSChartCost"))});
    measureLabel->setBuddy(cbMeasure);
    btnSavePng = new QPushButton(dm.GetLangString(QStringLiteral("RSChartSave")), this);
    btnSavePng->setObjectName(QStringLiteral("btnSavePng"));
    btnClose = new QPushButton(dm.GetLangString(QStringLiteral("RSClose")), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(measureLabel);
    buttons->addWidget(cbMeasure);
    buttons->addStretch();
    buttons->addWidget(btnSavePng);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(chartView);
    layout->addLayout(buttons);
    resize(900, 960);

    connect(cbMeasure, &QComboBox::currentIndexChanged, this, &TTrendChartFrm::cbMeasureChange);
    connect(btnSavePng, &QPushButton::clicked, this, &TTrendChartFrm::btnSavePngClick);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    choosePngFile = [this] {
        return QFileDialog::getSaveFileName(this, QString(), QString(),
                                            QStringLiteral("PNG (*.png)"));
    };
}

TTrendChartFrm::~TTrendChartFrm() = default;

LangLookup TTrendChartFrm::lang() const
{
    return [this](const QString &key) { return dm_.GetLangString(key); };
}

void TTrendChartFrm::cbMeasureChange()
{
    const TrendMeasure measure =
        cbMeasure->currentIndex() == 1 ? TrendMeasure::Cost : TrendMeasure::Pages;
    if (measure == measure_)
        return;
    measure_ = measure;
    picture_ = TrendPicture(data_, lang(), measure_, currency_);
    image_ = picture_.image();
    fitPicture();
}

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
    const QSize room = chartView->contentsRect().size() * chartView->devicePixelRatioF();
    QPixmap shown =
        QPixmap::fromImage(image_.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    shown.setDevicePixelRatio(chartView->devicePixelRatioF());
    chartView->setPixmap(shown);
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

} // namespace vesk
