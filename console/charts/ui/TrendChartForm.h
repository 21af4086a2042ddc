// TTrendChartFrm: the trend chart of the print history search in force, with saving as PNG.
#pragma once

#include "TrendPicture.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace vesk {

class TdmMain;

// Shows a TrendPicture scaled to the window; the figures are read before the window is made.
// Window thread only.
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

    QLabel *chartView;
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
    QImage image_;
};

} // namespace vesk
