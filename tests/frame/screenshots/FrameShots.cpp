// Screenshots of the window frame and the information window.
#include "LumoBackForm.h"
#include "LumoForm.h"
#include "LumoInfoForm.h"
#include "Screenshots.h"

#include <QHBoxLayout>
#include <QLabel>

namespace {

using namespace vesk;

const QString SampleRecord = QStringLiteral(
    "Printer:HP LaserJet 4250\r\nDocument:Quarterly report.pdf\r\nComputer:\\\\ACCOUNTS-07\r\n"
    "Pages:12\r\nSize:482133\r\nPaper:A4 Sheet, 210- by 297-millimeters\r\n"
    "Print time:2026-03-02 09:41:17\r\nUser:lchen\r\nIP:192.168.1.37\r\n"
    "MAC:00-1A-2B-3C-4D-5E\r\nEmployee:Li Chen\r\nDepartment:Accounts\r\n");

std::unique_ptr<QWidget> mainFrame()
{
    auto frm = std::make_unique<TLumoFrm>();
    frm->CanMaximize = true;
    frm->CanMinimize = true;
    frm->lblCaption->setText(QStringLiteral("Vesk Printer Monitor System 1.0"));
    return frm;
}

std::unique_ptr<QWidget> dialogFrame()
{
    auto frm = std::make_unique<TLumoBackFrm>();
    frm->resize(400, 300);
    frm->lblCaption->setText(QStringLiteral("Add printer"));
    return frm;
}

std::unique_ptr<QWidget> chineseFrame()
{
    auto frm = std::make_unique<TLumoBackFrm>();
    frm->resize(400, 200);
    frm->lblCaption->setText(QStringLiteral("Vesk\u6253\u5370\u673a\u76d1\u63a7\u7cfb\u7edf 1.0"));
    return frm;
}

std::unique_ptr<QWidget> info(TdmMain::Program program)
{
    auto frm = std::make_unique<TLumoInfoFrm>(program);
    frm->SetInfo(SampleRecord);
    return frm;
}

// The strip's pictures side by side, enlarged.
std::unique_ptr<QWidget> pictures()
{
    auto strip = std::make_unique<QWidget>();
    auto *layout = new QHBoxLayout(strip.get());
    layout->setContentsMargins(2, 2, 2, 2);
    TLumoFrm source;
    for (auto *b : {source.ImgLogo, source.ImgMinSize, source.ImgMaxSize, source.ImgNormalSize,
                    source.ImgClose}) {
        auto *l = new QLabel;
        l->setPixmap(b->picture());
        layout->addWidget(l);
    }
    return strip;
}

} // namespace

VESK_SCREENSHOT(frameMain, "frame-main", mainFrame);
VESK_SCREENSHOT(frameDialog, "frame-dialog", dialogFrame);
VESK_SCREENSHOT(frameChinese, "frame-chinese-caption", chineseFrame);
VESK_SCREENSHOT(infoConsole, "info-console", [] { return info(TdmMain::Program::Console); });
VESK_SCREENSHOT(infoAgent, "info-agent", [] { return info(TdmMain::Program::Agent); });
VESK_SCREENSHOT(framePictures, "frame-pictures", pictures, 6);
