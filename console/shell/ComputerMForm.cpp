// The console main window: creation, views, first show, resize, help, minimise and quit.
#include "ComputerMForm.h"

#include "BudgetForm.h"
#include "ChartButton.h"
#include "DeptTreeView.h"
#include "Errors.h"
#include "HostView.h"
#include "MainDM.h"
#include "MessageFlags.h"
#include "NetworkPane.h"
#include "PaperStockForm.h"
#include "PrinterDataView.h"
#include "PrinterListView.h"
#include "ReportButtons.h"
#include "ViewButton.h"
#include "domainSearch.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace vesk {

namespace {

// Built-in captions, shown until the catalogue is applied (and kept when it cannot be).
const QString DefaultBtnShowNet = QStringLiteral("网络邻居");
const QString DefaultBtnShowDeptNet = QStringLiteral("部门管理");
const QString DefaultBtnHost = QStringLiteral("主机信息");
const QString DefaultBtnPrinterM = QStringLiteral("打印机管理");
const QString DefaultBtnPrinterData = QStringLiteral("打印记录");
const QString DefaultBtnHelp = QStringLiteral("帮助");
const QString DefaultBtnComputerTreeSearch = QStringLiteral("重新搜索");

} // namespace

TComputerMFrm::TComputerMFrm(TdmMain &dm, QWidget *parent)
    : TLumoBackFrm(parent), OpenDocument(&QDesktopServices::openUrl),
      ShowModal([](QDialog &d) { return d.exec(); }), dm_(dm)
{
    setObjectName(QStringLiteral("ComputerMFrm"));
    createCommandColumn();
    createWorkArea();
    resize(console::DesignSize);
    FormCreate();
}

TComputerMFrm::~TComputerMFrm() = default;

void TComputerMFrm::createCommandColumn()
{
    auto make = [this](const char *name, int top, const QString &caption) {
        auto *b = new TViewButton(QString::fromLatin1(name), this);
        b->setGeometry(QRect(QPoint(console::ViewButtonLeft, top), console::ViewButtonSize));
        b->setText(caption);
        return b;
    };
    BtnShowNet = make("BtnShowNet", console::BtnShowNetTop, DefaultBtnShowNet);
    BtnShowDeptNet = make("BtnShowDeptNet", console::BtnShowDeptNetTop, DefaultBtnShowDeptNet);
    btnHost = make("btnHost", console::btnHostTop, DefaultBtnHost);
    btnPrinterM = make("btnPrinterM", console::btnPrinterMTop, DefaultBtnPrinterM);
    btnPrinterData = make("btnPrinterData", console::btnPrinterDataTop, DefaultBtnPrinterData);
    btnHelp = make("btnHelp", console::btnHelpTop, DefaultBtnHelp);
    btnCosts = make("btnCosts", console::btnCostsTop, QString());
    pmCosts = new QMenu(this);
    MenuBudgets = pmCosts->addAction(QString());
    MenuPaperStock = pmCosts->addAction(QString());
    connect(btnCosts, &QPushButton::clicked, this,
            [this] { pmCosts->popup(btnCosts->mapToGlobal(QPoint(btnCosts->width(), 0))); });
    connect(MenuBudgets, &QAction::triggered, this, [this] { MenuBudgetsClick(); });
    connect(MenuPaperStock, &QAction::triggered, this, [this] { MenuPaperStockClick(); });

    connect(BtnShowNet, &QPushButton::clicked, this, [this] { BtnShowNetClick(); });
    connect(BtnShowDeptNet, &QPushButton::clicked, this, [this] { BtnShowDeptNetClick(); });
    connect(btnHost, &QPushButton::clicked, this, [this] { btnHostClick(); });
    connect(btnPrinterM, &QPushButton::clicked, this, [this] { btnPrinterMClick(); });
    connect(btnPrinterData, &QPushButton::clicked, this, [this] { btnPrinterDataClick(); });
    connect(btnHelp, &QPushButton::clicked, this, [this] { btnHelpClick(); });
}

void TComputerMFrm::createWorkArea()
{
    plMain = new QWidget(this);
    plMain->setObjectName(QStringLiteral("plMain"));
    plMain->setGeometry(console::plMainDesign);

    // The trees are filled by the network search and the department tree.
    DeptTree = new TDeptTreeView(dm_, plMain);
    DeptTree->Log = [this](const QString &text) { SendLog(text); };
    ComputerTree = new QTreeWidget(plMain);
    ComputerTree->setObjectName(QStringLiteral("ComputerTree"));
    ComputerTree->setHeaderHidden(true);
    ComputerTree->setEditTriggers(QAbstractItemView::NoEditTriggers);

    plPrinterData = new PrinterDataView(dm_, plMain);
    plPrinterData->setObjectName(QStringLiteral("plPrinterData"));
    plHost = new HostView(dm_, plMain);
    plHost->setObjectName(QStringLiteral("plHost"));
    plPrinterList = new TPrinterListView(dm_, plMain);
    Reports = new ReportButtons(dm_, plPrinterData, plHost, this);
    Charts = new ChartButton(dm_, plPrinterData, this);

    // Every pane fills the work area; ShowView makes one visible.
    for (QWidget *pane : plMain->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        pane->setGeometry(plMain->rect());
        pane->hide();
    }

    BtnComputerTreeSearch = new QPushButton(DefaultBtnComputerTreeSearch, this);
    BtnComputerTreeSearch->setObjectName(QStringLiteral("BtnComputerTreeSearch"));
    BtnComputerTreeSearch->resize(console::SearchAgainSize);
    BtnComputerTreeSearch->hide();

    MemLog = new QPlainTextEdit(this);
    MemLog->setObjectName(QStringLiteral("MemLog"));
    MemLog->setReadOnly(true);
    MemLog->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemLog->setGeometry(console::MemLogDesign);

    lblFooter = new QLabel(this);
    lblFooter->setObjectName(QStringLiteral("lblFooter"));
}

void TComputerMFrm::FormCreate()
{
    CanMinimize = true;
    CanMaximize = true;
    PlatformKind = GetPlatformKind();
    SetLogWindow(this);
    NetworkPane = std::make_unique<TNetworkPane>(dm_, ComputerTree, DeptTree, this, PlatformKind);
    connect(NetworkPane.get(), &TNetworkPane::searchFinished, this,
            [this](const QString &error) { SearchFinished(error); });
    connect(BtnComputerTreeSearch, &QPushButton::clicked, this,
            [this] { BtnComputerTreeSearchClick(); });
    ActiveButtonColor = QColor(0x00, 0x80, 0x00);
    InactiveButtonColor = QColor(0, 0, 0);
    CurrentViewButton = BtnShowNet;
    FormResize();
    LoadSettings();
}

bool TComputerMFrm::LoadSettings()
{
    try {
        return LoadConsoleSettings(dm_, *this);
    } catch (const EConvertError &e) {
        // The standard error box; creation goes on with the captions at their defaults.
        dm_.ShowMsg(e.message(), MB_ICONSTOP);
        return false;
    }
}

void TComputerMFrm::FormShow()
{
    TLumoBackFrm::FormShow();
    if (shown_)
        return;
    shown_ = true;
    ShowView(QStringLiteral("PrinterData"));
    // Without a connection the close request is already queued: nothing to load.
    if (ForceClose || !dm_.acntVesk.Connected())
        return;
    OpenTreeData();
    ResetPrinterData();
    ResetHostData();
}

void TComputerMFrm::OpenTreeData()
{
    SendLog(dm_.GetLangString(QStringLiteral("RSOpenTreeData")));
    if (!QFileInfo::exists(dm_.GetTreeDateFile())) {
        if (dm_.AskOkCancel(dm_.GetLangString(QStringLiteral("RSNoIniNetData")),
                            MB_ICONEXCLAMATION) == IDOK) {
            // The search's host collection builds the department tree.
            BtnShowNetClick();
            BtnComputerTreeSearchClick();
            return;
        }
        ComputerTree->clear();
    }
    QString error;
    if (QFileInfo::exists(dm_.GetTreeDateFile()) && !NetworkPane->LoadTreeFile(&error)) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return;
    }
    TreeNodes dept;
    if (!NetworkPane->RebuildDeptTree(dept, &error)) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return;
    }
    SendLog(dm_.GetLangString(QStringLiteral("RSOpenComplete")));
}

void TComputerMFrm::BtnComputerTreeSearchClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DisableViewButtons();
    QString error;
    if (!NetworkPane->StartSearch(&error)) {
        QApplication::restoreOverrideCursor();
        EnableViewButtons();
        dm_.ShowMsg(error, MB_ICONSTOP);
    }
}

void TComputerMFrm::SearchFinished(const QString &error)
{
    QApplication::restoreOverrideCursor();
    EnableViewButtons();
    if (!error.isEmpty())
        dm_.ShowMsg(error, MB_ICONSTOP);
}

int TComputerMFrm::SearchThreadCount() const
{
    const TNetworkSearch *search = NetworkPane->Search();
    return search ? search->SearchThreadCount : 0;
}

void TComputerMFrm::ResetPrinterData()
{
    plPrinterData->ResetPrinterData();
}

void TComputerMFrm::ResetHostData()
{
    plHost->ResetHostData();
}

QString TComputerMFrm::PrinterDataFilter() const
{
    return plPrinterData->PrinterDataFilter();
}

QString TComputerMFrm::HostFilter() const
{
    return plHost->HostFilter();
}

void TComputerMFrm::ShowView(const QString &name)
{
    const std::optional<ConsoleView> view = FindConsoleView(name);
    if (!view)
        return;
    if (!reopenDataset(*view))
        return;
    CurrentViewButton->SetFontColor(InactiveButtonColor);
    CurrentViewButton = viewButton(*view);
    CurrentViewButton->SetFontColor(ActiveButtonColor);
    for (ConsoleView v :
         {ConsoleView::ComputerTree, ConsoleView::DeptTree, ConsoleView::PrinterData,
          ConsoleView::HostData, ConsoleView::PrinterList})
        viewPane(v)->setVisible(v == *view);
    BtnComputerTreeSearch->setVisible(*view == ConsoleView::ComputerTree);
    if (BtnComputerTreeSearch->isVisible())
        BtnComputerTreeSearch->raise();
    currentView_ = *view;
}

bool TComputerMFrm::reopenDataset(ConsoleView view)
{
    if (!ViewReopensDataset(view))
        return true;
    if (view == ConsoleView::PrinterList)
        return plPrinterList->ReopenPrinters();
    // The computer dataset keeps the statement of the last computer search and its sort.
    QString error;
    if (!plHost->statement().reopen(&error)) {
        dm_.ShowMsg(error, MB_ICONSTOP);
        return false;
    }
    return true;
}

TViewButton *TComputerMFrm::viewButton(ConsoleView view) const
{
    switch (view) {
    case ConsoleView::ComputerTree:
        return BtnShowNet;
    case ConsoleView::DeptTree:
        return BtnShowDeptNet;
    case ConsoleView::PrinterData:
        return btnPrinterData;
    case ConsoleView::HostData:
        return btnHost;
    case ConsoleView::PrinterList:
        return btnPrinterM;
    }
    return BtnShowNet;
}

QWidget *TComputerMFrm::viewPane(ConsoleView view) const
{
    switch (view) {
    case ConsoleView::ComputerTree:
        return ComputerTree;
    case ConsoleView::DeptTree:
        return DeptTree;
    case ConsoleView::PrinterData:
        return plPrinterData;
    case ConsoleView::HostData:
        return plHost;
    case ConsoleView::PrinterList:
        return plPrinterList;
    }
    return ComputerTree;
}

void TComputerMFrm::DisableViewButtons()
{
    for (QPushButton *b :
         {static_cast<QPushButton *>(BtnComputerTreeSearch), static_cast<QPushButton *>(BtnShowNet),
          static_cast<QPushButton *>(BtnShowDeptNet), static_cast<QPushButton *>(btnHost),
          static_cast<QPushButton *>(btnPrinterM), static_cast<QPushButton *>(btnPrinterData)})
        b->setEnabled(false);
}

void TComputerMFrm::EnableViewButtons()
{
    for (QPushButton *b :
         {static_cast<QPushButton *>(BtnComputerTreeSearch), static_cast<QPushButton *>(BtnShowNet),
          static_cast<QPushButton *>(BtnShowDeptNet), static_cast<QPushButton *>(btnHost),
          static_cast<QPushButton *>(btnPrinterM), static_cast<QPushButton *>(btnPrinterData)})
        b->setEnabled(true);
}

void TComputerMFrm::FormResize()
{
    TLumoBackFrm::FormResize();
    if (!plMain)
        return; // the frame lays itself out before the window's own parts exist
    const ConsoleLayout l = LayoutConsole(size(), BtnShowNet->geometry(), plMain->y(),
                                          MemLog->height(), BtnComputerTreeSearch->size());
    lblFooter->setGeometry(l.Footer);
    plMain->setGeometry(l.plMain);
    MemLog->setGeometry(l.MemLog);
    BtnComputerTreeSearch->setGeometry(l.BtnComputerTreeSearch);
    for (QWidget *pane : plMain->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        pane->setGeometry(plMain->rect());
}

void TComputerMFrm::BtnShowNetClick()
{
    ShowView(QStringLiteral("computertree"));
}

void TComputerMFrm::BtnShowDeptNetClick()
{
    ShowView(QStringLiteral("Depttree"));
}

void TComputerMFrm::btnHostClick()
{
    ShowView(QStringLiteral("HostData"));
}

void TComputerMFrm::btnPrinterMClick()
{
    ShowView(QStringLiteral("PrinterList"));
}

void TComputerMFrm::btnPrinterDataClick()
{
    ShowView(QStringLiteral("PrinterData"));
}

void TComputerMFrm::btnHelpClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The viewer's answer is not examined: a missing help file shows nothing.
    if (OpenDocument)
        OpenDocument(QUrl::fromLocalFile(HelpDocument(dm_.AppDir())));
    QApplication::restoreOverrideCursor();
}

void TComputerMFrm::ImgMinSizeClick()
{
    // The whole application goes to the task bar, not just this window.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->isWindow() && w->windowType() != Qt::Popup &&
            w->windowType() != Qt::ToolTip)
            w->showMinimized();
    }
}

bool TComputerMFrm::FormCloseQuery()
{
    if (ForceClose)
        return true;
    return dm_.AskOkCancel(dm_.GetLangString(QStringLiteral("RSQueryClose")), MB_ICONQUESTION) ==
           IDOK;
}

void TComputerMFrm::FormClose()
{
    // The search and the host collection read texts of the language file on their threads:
    // they end before it is released.
    NetworkPane->Stop();
    dm_.CloseIniFile();
}

void TComputerMFrm::ShowTip(const QString &text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    MemLog->appendPlainText(line);
}

void TComputerMFrm::setForceClose()
{
    ForceClose = true;
}

void TComputerMFrm::postClose()
{
    QMetaObject::invokeMethod(
        this, [this] { close(); }, Qt::QueuedConnection);
}

void TComputerMFrm::setProductCaption(const QString &caption)
{
    lblCaption->setText(caption);
    setWindowTitle(caption);
}

} // namespace vesk

namespace vesk {

void TComputerMFrm::MenuBudgetsClick()
{
    TBudgetFrm frm(dm_, this);
    ShowModal(frm);
}

void TComputerMFrm::MenuPaperStockClick()
{
    TPaperStockFrm frm(dm_, this);
    ShowModal(frm);
    // A purchase or a minimum may change which printers the list marks.
    if (currentView_ == ConsoleView::PrinterList)
        plPrinterList->ReopenPrinters();
}

} // namespace vesk
