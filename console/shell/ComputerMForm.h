// TComputerMFrm: the console's main window: command column, work area with five views, log.
#pragma once

#include "ConsoleViews.h"
#include "LumoBackForm.h"
#include "SettingsRoutines.h"

#include <QColor>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

class QDialog;
class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace vesk {

class HostView;
class TDeptTreeView;
class PrinterDataView;
class ChartButton;
class ReportButtons;
class TdmMain;
class TNetworkPane;
class TPrinterListView;
class TViewButton;

// Created after the data module; its creation ends with LoadSettings, its first show loads the
// views. Window thread only; worker threads reach it through SendLog/ShowTip.
class TComputerMFrm : public TLumoBackFrm, public ConsoleSettingsTarget
{
    Q_OBJECT

public:
    explicit TComputerMFrm(TdmMain &dm, QWidget *parent = nullptr);
    ~TComputerMFrm() override;

    TdmMain &dm() const { return dm_; }

    // Switches the work area to the named view (letter case ignored); an unknown name changes
    // nothing.
    void ShowView(const QString &name);
    // The view shown now.
    ConsoleView CurrentView() const { return currentView_; }
    // A network search disables the view buttons and the search-again button while it runs.
    void DisableViewButtons();
    void EnableViewButtons();

    // The console settings: Config.ini, connection, language file, captions. A bad [Font]
    // Charset is shown in the standard error box and leaves the captions at their defaults.
    bool LoadSettings();

    // A log line (WM_SHOWTIP): appended to MemLog.
    Q_INVOKABLE void ShowTip(const QString &text) override;

    // How the help document is opened; tests replace it.
    std::function<bool(const QUrl &)> OpenDocument;

    // Command column.
    TViewButton *BtnShowNet = nullptr;
    TViewButton *BtnShowDeptNet = nullptr;
    TViewButton *btnHost = nullptr;
    TViewButton *btnPrinterM = nullptr;
    TViewButton *btnPrinterData = nullptr;
    TViewButton *btnHelp = nullptr;
    // Budgets and paper: a menu of the two windows.
    TViewButton *btnCosts = nullptr;
    QMenu *pmCosts = nullptr;
    QAction *MenuBudgets = nullptr;
    QAction *MenuPaperStock = nullptr;
    void MenuBudgetsClick();
    void MenuPaperStockClick();
    // How a window is shown modally; tests replace it.
    std::function<int(QDialog &)> ShowModal;
    // Work area and its five panes; exactly one pane is visible.
    QWidget *plMain = nullptr;
    QTreeWidget *ComputerTree = nullptr;
    TDeptTreeView *DeptTree = nullptr;
    HostView *plHost = nullptr;
    TPrinterListView *plPrinterList = nullptr;
    PrinterDataView *plPrinterData = nullptr;
    QPushButton *BtnComputerTreeSearch = nullptr;
    QPlainTextEdit *MemLog = nullptr;
    QLabel *lblFooter = nullptr;
    // The views' print, column settings and export commands.
    ReportButtons *Reports = nullptr;
    ChartButton *Charts = nullptr;

    // The WHERE clauses of the last print-history and computer searches, kept by their panes.
    QString PrinterDataFilter() const;
    QString HostFilter() const;

    // State.
    TViewButton *CurrentViewButton = nullptr;
    QColor ActiveButtonColor;
    QColor InactiveButtonColor;
    bool ForceClose = false; // close without the quit question (failed connection)
    int PlatformKind = 0;    // the enumeration's path (GetPlatformKind)
    // Network search threads still running.
    int SearchThreadCount() const;
    // The network search, the saved trees and the host collection behind the two trees.
    std::unique_ptr<TNetworkPane> NetworkPane;

    // Starts a network search (the search-again button).
    void BtnComputerTreeSearchClick();

protected:
    void FormShow() override;
    void FormResize() override;
    void ImgMinSizeClick() override;
    bool FormCloseQuery() override;
    void FormClose() override;

    // ConsoleSettingsTarget
    void setForceClose() override;
    void postClose() override;
    void setProductCaption(const QString &caption) override;
    void applyCatalogue(TdmMain &dm) override; // ConsoleTexts.cpp

private:
    void createCommandColumn();
    void createWorkArea();
    void FormCreate();

    void BtnShowNetClick();
    void BtnShowDeptNetClick();
    void btnHostClick();
    void btnPrinterMClick();
    void btnPrinterDataClick();
    void btnHelpClick();

    // The saved network data into ComputerTree and the department tree from the database.
    void OpenTreeData();
    // The end of a search: cursor and buttons back, then a failed tree file reported.
    void SearchFinished(const QString &error);
    // The panes' starting contents: all print records, all computers.
    void ResetPrinterData();
    void ResetHostData();

    TViewButton *viewButton(ConsoleView view) const;
    QWidget *viewPane(ConsoleView view) const;
    bool reopenDataset(ConsoleView view);

    TdmMain &dm_;
    ConsoleView currentView_ = ConsoleView::ComputerTree;
    bool shown_ = false;
};

} // namespace vesk
