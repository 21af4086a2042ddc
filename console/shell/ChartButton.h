// The print history view's chart button.
#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace vesk {

class PrinterDataView;
class TdmMain;
class TTrendChartFrm;

// Reads the figures of the view's last search and shows them in the chart window. A database
// error is shown in the data module's message box. Window thread only.
class ChartButton : public QObject
{
    Q_OBJECT

public:
    ChartButton(TdmMain &dm, PrinterDataView *view, QWidget *window = nullptr);

    void btnChartClick();
    // The modal step; tests replace it.
    std::function<void(TTrendChartFrm &form)> showChart;

private:
    TdmMain &dm_;
    PrinterDataView *view_;
    QWidget *window_;
};

} // namespace vesk
