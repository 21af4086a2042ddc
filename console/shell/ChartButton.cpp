// The chart button: the figures of the view's search into the chart window.
#include "ChartButton.h"

#include "MainDM.h"
#include "PrinterDataView.h"
#include "TrendChartForm.h"

#include <QApplication>

namespace vesk {

ChartButton::ChartButton(TdmMain &dm, PrinterDataView *view, QWidget *window)
    : QObject(window), dm_(dm), view_(view), window_(window)
{
    connect(view_, &PrinterDataView::chartRequested, this, &ChartButton::btnChartClick);
    showChart = [](TTrendChartFrm &form) { form.exec(); };
}

void ChartButton::btnChartClick()
{
    TrendData data;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // With the cost too, so the window switches between pages and cost without reading again.
    const bool ok =
        ReadTrendData(dm_.acntVesk.database(),
                      TrendSearch{view_->PrinterDataFilter(), view_->PrinterDataTotals()},
                      TrendPicture::TopCount, data, &error, TrendFigures::WithCost);
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
