// The console main window: start-up, view switching, captions, layout, help, minimise, quit.
#include "Catalogue.h"
#include "ConsoleFixture.h"
#include "DeptTreeView.h"
#include "HostView.h"
#include "MessageFlags.h"
#include "PrinterDataView.h"
#include "PrinterListView.h"
#include "ViewButton.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

using namespace vesk;
using vesk::test::ConsoleFixture;

namespace {

const QColor Green(0x00, 0x80, 0x00);
const QColor Black(0, 0, 0);

// The one pane that shows, by its object name.
QString visiblePane(const TComputerMFrm &w)
{
    QString visible;
    for (QWidget *pane : w.plMain->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (pane->isVisibleTo(w.plMain))
            visible += (visible.isEmpty() ? QString() : QStringLiteral(",")) + pane->objectName();
    }
    return visible;
}

std::vector<TViewButton *> viewButtons(const TComputerMFrm &w)
{
    return {w.BtnShowNet, w.BtnShowDeptNet, w.btnHost, w.btnPrinterM, w.btnPrinterData};
}

int greenButtons(const TComputerMFrm &w)
{
    int n = 0;
    for (TViewButton *b : viewButtons(w))
        n += b->FontColor() == Green ? 1 : 0;
    return n;
}

using MainWindow = ConsoleFixture;

} // namespace

TEST_F(MainWindow, FirstShowSelectsThePrintHistoryAndLoadsEveryRecord)
{
    addPrintRecord(QStringLiteral("HP1"), QStringLiteral("PC1"));
    addPrintRecord(QStringLiteral("HP2"), QStringLiteral("PC2"));
    addHost(QStringLiteral("PC1"));
    TComputerMFrm &w = showWindow();

    EXPECT_EQ(w.CurrentView(), ConsoleView::PrinterData);
    EXPECT_EQ(visiblePane(w), QStringLiteral("plPrinterData"));
    EXPECT_EQ(w.CurrentViewButton, w.btnPrinterData);
    EXPECT_EQ(w.btnPrinterData->FontColor(), Green);
    EXPECT_EQ(greenButtons(w), 1);
    EXPECT_FALSE(w.BtnComputerTreeSearch->isVisible());
    EXPECT_EQ(dm->aqryPrinterData->model()->rowCount(), 2);
    EXPECT_EQ(dm->aqryHost->model()->rowCount(), 1);
    EXPECT_TRUE(w.PrinterDataFilter().isEmpty());
    // The computer tree stays empty until its view has its operations; the department tree
    // holds the new database's default department.
    EXPECT_EQ(w.ComputerTree->topLevelItemCount(), 0);
    ASSERT_EQ(w.DeptTree->topLevelItemCount(), 1);
    EXPECT_EQ(w.DeptTree->topLevelItem(0)->text(0), u"Default Department"_qs);
    EXPECT_TRUE(w.CanMinimize);
    EXPECT_TRUE(w.CanMaximize);
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
}

TEST_F(MainWindow, ShowViewMatchesEveryNameInAnyLetterCase)
{
    TComputerMFrm &w = showWindow();
    const struct
    {
        const char *name;
        const char *pane;
        TViewButton *button;
    } cases[] = {
        {"Depttree", "DeptTree", w.BtnShowDeptNet},
        {"COMPUTERTREE", "ComputerTree", w.BtnShowNet},
        {"hostdata", "plHost", w.btnHost},
        {"PRINTERLIST", "plPrinterList", w.btnPrinterM},
        {"printerData", "plPrinterData", w.btnPrinterData},
        {"computertree", "ComputerTree", w.BtnShowNet},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        w.ShowView(QString::fromLatin1(c.name));
        EXPECT_EQ(visiblePane(w), QString::fromLatin1(c.pane));
        EXPECT_EQ(w.CurrentViewButton, c.button);
        EXPECT_EQ(c.button->FontColor(), Green);
        EXPECT_EQ(greenButtons(w), 1);
        EXPECT_EQ(w.BtnComputerTreeSearch->isVisible(), c.button == w.BtnShowNet);
    }
}

TEST_F(MainWindow, AnUnknownViewNameChangesNothing)
{
    addPrinter(QStringLiteral("HP1"), QStringLiteral("PC1"), 1);
    TComputerMFrm &w = showWindow();
    w.ShowView(QStringLiteral("PrinterList"));
    // An unstored edit shows whether the printer dataset was opened again.
    TPrinterTable *printers = w.plPrinterList->Printers();
    ASSERT_EQ(printers->rowCount(), 1);
    printers->setData(printers->index(0, printers->IsMonitorColumn()), 0);
    ASSERT_TRUE(printers->RowPending(0));

    for (const char *name : {"Network", "", "PrinterLists", "host data"}) {
        w.ShowView(QString::fromLatin1(name));
        EXPECT_EQ(w.CurrentView(), ConsoleView::PrinterList);
        EXPECT_EQ(visiblePane(w), QStringLiteral("plPrinterList"));
        EXPECT_EQ(w.btnPrinterM->FontColor(), Green);
        EXPECT_EQ(greenButtons(w), 1);
        EXPECT_TRUE(printers->RowPending(0));
    }
    // Selecting the view again reads the table as stored.
    w.ShowView(QStringLiteral("printerlist"));
    EXPECT_FALSE(printers->RowPending(0));
    EXPECT_EQ(printers->data(printers->index(0, printers->IsMonitorColumn())).toInt(), 1);
}

TEST_F(MainWindow, TheDirectoryViewRerunsTheStatementInForce)
{
    addHost(QStringLiteral("ACCOUNTS-1"));
    addHost(QStringLiteral("SALES-1"));
    TComputerMFrm &w = showWindow();
    w.ShowView(QStringLiteral("HostData"));
    EXPECT_EQ(dm->aqryHost->model()->rowCount(), 2);

    w.plHost->edtHhost->setText(QStringLiteral("ACCOUNTS%"));
    w.plHost->btnHSearchClick();
    ASSERT_EQ(dm->aqryHost->model()->rowCount(), 1);
    addHost(QStringLiteral("ACCOUNTS-2"));
    addHost(QStringLiteral("SALES-2"));
    w.ShowView(QStringLiteral("PrinterData"));
    w.ShowView(QStringLiteral("HostData"));
    EXPECT_EQ(dm->aqryHost->model()->rowCount(), 2);
    addHost(QStringLiteral("ACCOUNTS-3"));
    w.ShowView(QStringLiteral("HostData"));
    EXPECT_EQ(dm->aqryHost->model()->rowCount(), 3);
    EXPECT_FALSE(w.HostFilter().isEmpty());
}

TEST_F(MainWindow, NavigationButtonsSwitchTheViews)
{
    TComputerMFrm &w = showWindow();
    QTest::mouseClick(w.BtnShowDeptNet, Qt::LeftButton);
    EXPECT_EQ(w.CurrentView(), ConsoleView::DeptTree);
    QTest::mouseClick(w.btnHost, Qt::LeftButton);
    EXPECT_EQ(w.CurrentView(), ConsoleView::HostData);
    QTest::mouseClick(w.btnPrinterM, Qt::LeftButton);
    EXPECT_EQ(w.CurrentView(), ConsoleView::PrinterList);
    QTest::mouseClick(w.BtnShowNet, Qt::LeftButton);
    EXPECT_EQ(w.CurrentView(), ConsoleView::ComputerTree);
    EXPECT_TRUE(w.BtnComputerTreeSearch->isVisible());
    QTest::mouseClick(w.btnPrinterData, Qt::LeftButton);
    EXPECT_EQ(w.CurrentView(), ConsoleView::PrinterData);

    w.DisableViewButtons();
    for (QPushButton *b :
         {static_cast<QPushButton *>(w.BtnShowNet), static_cast<QPushButton *>(w.BtnShowDeptNet),
          static_cast<QPushButton *>(w.btnHost), static_cast<QPushButton *>(w.btnPrinterM),
          static_cast<QPushButton *>(w.btnPrinterData), w.BtnComputerTreeSearch})
        EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
    EXPECT_TRUE(w.btnHelp->isEnabled());
    QTest::mouseClick(w.btnHost, Qt::LeftButton);
    EXPECT_EQ(w.CurrentView(), ConsoleView::PrinterData);
    w.EnableViewButtons();
    for (TViewButton *b : viewButtons(w))
        EXPECT_TRUE(b->isEnabled());
    EXPECT_TRUE(w.BtnComputerTreeSearch->isEnabled());
}

TEST_F(MainWindow, CaptionsComeFromTheEnglishCatalogue)
{
    TComputerMFrm &w = createWindow();
    EXPECT_EQ(w.BtnShowNet->text(), QStringLiteral("Network"));
    EXPECT_EQ(w.BtnShowDeptNet->text(), QStringLiteral("Departments"));
    EXPECT_EQ(w.btnHost->text(), QStringLiteral("Computer Info"));
    EXPECT_EQ(w.btnPrinterM->text(), QStringLiteral("Printers"));
    EXPECT_EQ(w.btnPrinterData->text(), QStringLiteral("Print History"));
    EXPECT_EQ(w.btnHelp->text(), QStringLiteral("Help"));
    EXPECT_EQ(w.BtnComputerTreeSearch->text(), QStringLiteral("Search Again"));
    EXPECT_EQ(w.lblCaption->text(), QStringLiteral("Vesk Printer Monitor System V1.0"));
    EXPECT_EQ(w.plPrinterList->MenuPrinterAdd->text(), QStringLiteral("添加打印机"));
    EXPECT_EQ(w.plPrinterList->MenuPrinterDel->text(), QStringLiteral("删除当前打印机"));
    EXPECT_EQ(w.plPrinterList->MenuPrinterSave->text(), QStringLiteral("保存"));
    EXPECT_EQ(w.plPrinterData->btnSearch->text(),
              dm->GetLangString(QStringLiteral("RSSearchBtn ")));
}

TEST_F(MainWindow, CaptionsComeFromTheChineseCatalogue)
{
    dir.writeConfig(QStringLiteral("Chinese.ini"), QStringLiteral("134"));
    TComputerMFrm &w = createWindow();
    EXPECT_EQ(dm->FontCharset, 134);
    EXPECT_EQ(w.BtnShowNet->text(), QStringLiteral("网络邻居"));
    EXPECT_EQ(w.BtnShowDeptNet->text(), QStringLiteral("部门管理"));
    EXPECT_EQ(w.btnHost->text(), QStringLiteral("主机信息"));
    EXPECT_EQ(w.btnPrinterM->text(), QStringLiteral("打印机管理"));
    EXPECT_EQ(w.btnPrinterData->text(), QStringLiteral("打印记录"));
    EXPECT_EQ(w.btnHelp->text(), QStringLiteral("帮助"));
    EXPECT_EQ(w.lblCaption->text(), ProductTitle(QStringLiteral("cn"), QStringLiteral("V1.0")));
    // The printer list menu keeps its own captions whatever the language.
    EXPECT_EQ(w.plPrinterList->MenuPrinterAdd->text(), QStringLiteral("添加打印机"));
    EXPECT_EQ(w.plPrinterList->MenuPrinterDel->text(), QStringLiteral("删除当前打印机"));
    EXPECT_EQ(w.plPrinterList->MenuPrinterSave->text(), QStringLiteral("保存"));
    // The grid titles follow the catalogue too.
    w.ShowView(QStringLiteral("PrinterList"));
    TPrinterTable *printers = w.plPrinterList->Printers();
    EXPECT_EQ(printers->headerData(printers->IsMonitorColumn(), Qt::Horizontal).toString(),
              QStringLiteral("是否监控"));
}

TEST_F(MainWindow, ABadCharsetIsShownAndTheCaptionsKeepTheirDefaults)
{
    addPrintRecord(QStringLiteral("HP1"), QStringLiteral("PC1"));
    dir.writeConfig(QStringLiteral("English.ini"), QStringLiteral("abc"));
    TComputerMFrm &w = createWindow();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("'abc' is not a valid integer value"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_FALSE(w.ForceClose);
    EXPECT_TRUE(dm->acntVesk.Connected());
    EXPECT_EQ(w.BtnShowNet->text(), QStringLiteral("网络邻居"));
    EXPECT_EQ(w.btnPrinterM->text(), QStringLiteral("打印机管理"));
    EXPECT_EQ(w.BtnComputerTreeSearch->text(), QStringLiteral("重新搜索"));
    EXPECT_TRUE(w.lblCaption->text().isEmpty());

    // The console still works on its connection.
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(dm->aqryPrinterData->model()->rowCount(), 1);
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(MainWindow, LayoutAtDesignSize)
{
    TComputerMFrm &w = showWindow();
    EXPECT_EQ(w.size(), QSize(775, 559));
    EXPECT_EQ(w.BtnShowNet->geometry(), QRect(24, 56, 97, 25));
    EXPECT_EQ(w.BtnShowDeptNet->geometry(), QRect(24, 104, 97, 25));
    EXPECT_EQ(w.btnHost->geometry(), QRect(24, 152, 97, 25));
    EXPECT_EQ(w.btnPrinterM->geometry(), QRect(24, 200, 97, 25));
    EXPECT_EQ(w.btnPrinterData->geometry(), QRect(24, 248, 97, 25));
    EXPECT_EQ(w.btnHelp->geometry(), QRect(24, 344, 97, 25));
    EXPECT_EQ(w.plMain->geometry(), QRect(141, 31, 629, 422));
    EXPECT_EQ(w.MemLog->geometry(), QRect(141, 455, 629, 79));
    EXPECT_EQ(w.lblFooter->geometry(), QRect(0, 536, 775, 23));
    EXPECT_EQ(w.BtnComputerTreeSearch->geometry(), QRect(549, 418, 75, 25));
    for (QWidget *pane : w.plMain->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        EXPECT_EQ(pane->geometry(), QRect(0, 0, 629, 422)) << pane->objectName().toStdString();
    // The frame's own parts: close button at the right edge, minimise and maximise shown.
    EXPECT_EQ(w.ImgClose->geometry().right(), 775 - 6 - 1);
    EXPECT_TRUE(w.ImgMinSize->isVisible());
    EXPECT_TRUE(w.ImgMaxSize->isVisible());

    w.resize(1000, 700);
    EXPECT_EQ(w.plMain->geometry(), QRect(141, 31, 854, 563));
    EXPECT_EQ(w.plPrinterData->geometry(), QRect(0, 0, 854, 563));
    EXPECT_EQ(w.MemLog->geometry(), QRect(141, 596, 854, 79));
}

TEST_F(MainWindow, LogLinesArriveInTheLogBox)
{
    TComputerMFrm &w = showWindow();
    EXPECT_EQ(w.logWindow(), &w);
    w.SendLog(QStringLiteral("first line"));
    w.SendLog(QStringLiteral("block one\r\nblock two"));
    EXPECT_EQ(w.MemLog->toPlainText(), QStringLiteral("first line\nblock one\nblock two"));
}

TEST_F(MainWindow, HelpOpensTheHelpFileAndReportsNothing)
{
    TComputerMFrm &w = showWindow();
    QList<QUrl> opened;
    w.OpenDocument = [&opened](const QUrl &url) {
        opened << url;
        return false; // the viewer's answer is not examined
    };
    QTest::mouseClick(w.btnHelp, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0],
              QUrl::fromLocalFile(dir.path() + QStringLiteral("help/VeskPrinterMon.chm")));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(w.CurrentView(), ConsoleView::PrinterData);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    QDir(dir.path()).mkpath(QStringLiteral("help"));
    dir.write(QStringLiteral("help/index.html"), QStringLiteral("<html></html>"));
    QTest::mouseClick(w.btnHelp, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[1], QUrl::fromLocalFile(dir.path() + QStringLiteral("help/index.html")));
}

TEST_F(MainWindow, MinimiseKeepsTheView)
{
    TComputerMFrm &w = showWindow();
    w.ShowView(QStringLiteral("HostData"));
    QTest::mouseClick(w.ImgMinSize, Qt::LeftButton);
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    w.showNormal();
    EXPECT_FALSE(w.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(w.CurrentView(), ConsoleView::HostData);
    EXPECT_EQ(visiblePane(w), QStringLiteral("plHost"));
}

TEST_F(MainWindow, CancelInTheQuitQuestionKeepsTheConsoleOpen)
{
    TComputerMFrm &w = showWindow();
    w.ShowView(QStringLiteral("PrinterList"));
    boxes.answer(IDCANCEL);
    EXPECT_FALSE(w.close());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("Exit the management console?"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONQUESTION | MB_OKCANCEL));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.CurrentView(), ConsoleView::PrinterList);
    // The language file is still open.
    EXPECT_EQ(dm->GetLangString(QStringLiteral("RSHelp")), QStringLiteral("Help"));

    // The frame's close picture takes the same path.
    boxes.answer(IDCANCEL);
    QTest::mouseClick(w.ImgClose, Qt::LeftButton);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindow, OkInTheQuitQuestionClosesAndReleasesTheLanguageFile)
{
    TComputerMFrm &w = showWindow();
    boxes.answer(IDOK);
    // Closing the main window ends the program's loop; the guard only keeps a failure from
    // hanging the test.
    bool closed = false;
    bool guardFired = false;
    QTimer::singleShot(0, &w, [&] { closed = w.close(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, qApp, [&] {
        guardFired = true;
        QCoreApplication::quit();
    });
    guard.start(30000);
    QApplication::exec();
    EXPECT_FALSE(guardFired);
    EXPECT_TRUE(closed);
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(dm->GetLangString(QStringLiteral("RSHelp")).isEmpty());
}

TEST_F(MainWindow, AFailedConnectionClosesWithoutTheQuestion)
{
    dir.write(QStringLiteral("Config.ini"),
              QStringLiteral("[Connection]\nConstr=Provider=SQLite;Data Source=missing.db\n"
                             "[Font]\nCharset=0\n[Language]\nFileName=English.ini\n"
                             "[Lang]\nRSConfirmation=Config title\n"));
    TComputerMFrm &w = createWindow();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Config title"));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONEXCLAMATION));
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("missing.db")));
    EXPECT_TRUE(w.ForceClose);

    w.show();
    // The posted close request is handled by the loop.
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(boxes.shown.size(), 1u);
}
