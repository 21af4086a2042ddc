// TPrinterDataReportFrm: the print preview of a grouped report, painting pages as they are shown.
#pragma once

#include "GroupedReport.h"

#include <QDialog>
#include <QWidget>

#include <functional>

class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace vesk {

class TdmMain;

// One page of a report at a zoom factor, painted when it is shown: a report of thousands of
// pages costs one page's painting per screen update.
class ReportPageView : public QWidget
{
    Q_OBJECT

public:
    ReportPageView(const GroupedReport &report, QWidget *parent = nullptr);

    int page() const { return page_; }
    void setPage(int page);
    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    // The zoom at which the page is `width` pixels wide.
    double zoomForWidth(int width) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSizeF pageSize() const; // pixels at zoom 1
    const GroupedReport &report_;
    int page_ = 0;
    double zoom_ = 1.0;
};

// Shows the pages as they will be printed, with page navigation and zoom; the administrator
// prints from here (a CUPS printer or a PDF file) or saves a PDF. Window thread only.
class TPrinterDataReportFrm : public QDialog
{
    Q_OBJECT

public:
    TPrinterDataReportFrm(TdmMain &dm, const GroupedReport &report, QWidget *parent = nullptr);
    ~TPrinterDataReportFrm() override;

    int pageCount() const { return report_.pageCount(); }
    void showPage(int page);

    // Prints through the print dialog; the chosen range only.
    void PrintClick();
    // Writes a PDF file; an error is shown with the stop icon.
    void SavePdfClick();

    // Where the printer and the file name come from; tests replace them.
    std::function<bool(QPrinter &printer)> choosePrinter;
    std::function<QString()> choosePdfFile;

    ReportPageView *view;
    QScrollArea *scroll;
    QToolButton *btnFirst;
    QToolButton *btnPrior;
    QToolButton *btnNext;
    QToolButton *btnLast;
    QSpinBox *edtPage;
    QLabel *lblPages;
    QToolButton *btnZoomOut;
    QToolButton *btnZoomIn;
    QToolButton *btnFitWidth;
    QPushButton *btnPrint;
    QPushButton *btnSavePdf;
    QPushButton *btnClose;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fitWidth();

    TdmMain &dm_;
    const GroupedReport &report_;
};

} // namespace vesk
