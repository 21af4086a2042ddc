// TTrendChartFrm: the trend chart of the print history search in force, pages or cost, with saving
// as PNG.
#pragma once

#include "TrendPicture.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;

namespace vesk {

class TdmMain;

// Shows a TrendPicture scaled to the window; the figures are read before the window is made, with
// TrendFigures::WithCost so that the measure chosen in cbMeasure redraws the picture from them.
// Window thread only.
class TTrendChartFrm : public QDialog
{
    Q_OBJECT

public:
    TTrendChartFrm(TdmMain &dm, const TrendData &data, QWidget *parent = nullptr);
    ~TTrendChartFrm() override;

    TrendPicture &picture() { return picture_; }
    TrendMeasure measure() const { return measure_; }

    // Draws the picture of the measure cbMeasure shows.
    void cbMeasureChange();

    // Asks for a file name and writes the picture; an error is shown with the stop icon.
    void btnSavePngClick();
    // Where the file name comes from; tests replace it.
    std::function<QString()> choosePngFile;

    QLabel *chartView;
    QComboBox *cbMeasure; // pages, cost
    QPushButton *btnSavePng;
    QPushButton *btnClose;

protected:
    // The whole picture stays in view, scaled to the window.
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fitPicture();

    LangLookup lang() const;

    TdmMain &dm_;
    const TrendData data_;
    const Currency currency_;
    TrendMeasure measure_ = TrendMeasure::Pages;
    TrendPicture picture_;
    QImage image_;
};

} // namespace vesk
