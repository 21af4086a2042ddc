// TTrendChartFrm: the trend chart of the print history search in force, with saving as PNG.
#pragma once

#include "TrendPicture.h"

#include <QDialog>

#include <functional>

class QGraphicsView;
class QPushButton;

namespace vesk {

class PrinterDataView;
class TdmMain;

// Shows a TrendPicture; the figures are read before the window is made. Window thread only.
class TTrendChartFrm : public QDialog
{
    Q_OBJECT

public:
    TTrendChartFrm(TdmMain &dm, const TrendData &data, QWidget *parent = nullptr);
    ~TTrendChartFrm() override;

    TrendPicture &picture() { return picture_; }

    // Asks for a file name and writes the picture; an error is shown with the stop icon.
    void btnSavePngClick();
    // Where the file name comes from; tests replace it.
    std::function<QString()> choosePngFile;

    QGraphicsView *chartView;
    QPushButton *btnSavePng;
    QPushButton *btnClose;

protected:
    // The whole picture stays in view, scaled to the window.
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fitPicture();

    TdmMain &dm_;
    TrendPicture picture_;
};

// The handler of the print history view's chart button: reads the figures of the view's last
// search and shows them. A database error is shown in the data module's message box.
class ChartCommands : public QObject
{
    Q_OBJECT

public:
    ChartCommands(TdmMain &dm, PrinterDataView *view, QWidget *window = nullptr);

    void btnChartClick();
    // The modal step; tests replace it.
    std::function<void(TTrendChartFrm &form)> showChart;

private:
    TdmMain &dm_;
    PrinterDataView *view_;
    QWidget *window_;
};

} // namespace vesk
