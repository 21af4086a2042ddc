// The console main window's catalogue texts, applied by LoadSettings.
#include "CharsetFont.h"
#include "ComputerMForm.h"
#include "DeptTreeView.h"
#include "HostView.h"
#include "MainDM.h"
#include "PrinterDataView.h"
#include "ViewButton.h"

#include <QAction>
#include <QPushButton>

namespace vesk {

void TComputerMFrm::applyCatalogue(TdmMain &dm)
{
    const auto lang = [&dm](const char *key) { return dm.GetLangString(QLatin1String(key)); };

    // Navigation buttons, in the configured character set, all with BtnShowNet's colours.
    const struct
    {
        TViewButton *button;
        const char *key;
    } buttons[] = {{BtnShowNet, "RSPhyNet"},
                   {BtnShowDeptNet, "RSNetManage"},
                   {btnHost, "RSHostInfo"},
                   {btnPrinterM, "RSPrinterManage"},
                   {btnPrinterData, "RSPrinterHistoryData"},
                   {btnHelp, "RSHelp"},
                   {btnCosts, "RSCosts"}};
    for (const auto &b : buttons) {
        b.button->setText(lang(b.key));
        b.button->setFont(fontWithCharset(b.button->font(), dm.FontCharset));
        b.button->BorderColor = BtnShowNet->BorderColor;
        b.button->HighlightColor = BtnShowNet->HighlightColor;
    }

    BtnComputerTreeSearch->setText(lang("RSReSearch"));
    MenuBudgets->setText(lang("RSBudgets"));
    MenuPaperStock->setText(lang("RSPaperStock"));
    plHost->applyCatalogue();
    plPrinterData->applyCatalogue();

    DeptTree->applyCatalogue();
    // The printer list menu keeps its own captions in every language.
}

} // namespace vesk
