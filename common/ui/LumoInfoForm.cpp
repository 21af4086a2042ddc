// The information window of both programs.
#include "LumoInfoForm.h"

#include <QEvent>
#include <QLabel>

namespace vesk {

namespace {

TdmMain::Program runningProgram()
{
    TdmMain *dm = TLumoFrm::DataModule();
    return dm ? dm->program() : TdmMain::Program::Console;
}

} // namespace

TLumoInfoFrm::TLumoInfoFrm(QWidget *parent) : TLumoInfoFrm(runningProgram(), parent) {}

TLumoInfoFrm::TLumoInfoFrm(TdmMain::Program program, QWidget *parent)
    : TLumoFrm(parent), program_(program)
{
    lblInfo = new QLabel(this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setTextFormat(Qt::PlainText);
    lblInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblInfo->setTextInteractionFlags(Qt::NoTextInteraction);
    if (program == TdmMain::Program::Agent) {
        resize(494, 320);
        lblInfo->setGeometry(56, 32, 393, 353);
        lblInfo->installEventFilter(this);
    } else {
        resize(530, 373);
        lblInfo->setGeometry(80, 56, 393, 313);
    }
}

TLumoInfoFrm::~TLumoInfoFrm() = default;

void TLumoInfoFrm::SetInfo(const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lblInfo->setText(lines);
}

void TLumoInfoFrm::FormShow()
{
    TLumoFrm::FormShow();
    TdmMain *dm = DataModule();
    lblCaption->setText(dm ? dm->GetLangString(QStringLiteral("RSInformation")) : QString());
}

bool TLumoInfoFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblInfo && event->type() == QEvent::MouseButtonDblClick) {
        close();
        return true;
    }
    return TLumoFrm::eventFilter(watched, event);
}

} // namespace vesk
