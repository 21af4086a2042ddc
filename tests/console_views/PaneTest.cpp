// The two panes as real widgets: components, reset, search, sorting by title, details, delete,
// editing in place, and the read-only computer grid.
#include "GridTexts.h"
#include "HostView.h"
#include "MessageFlags.h"
#include "PrinterDataView.h"
#include "RecordGrid.h"
#include "SortWait.h"
#include "ViewsFixture.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace vesk;
using namespace vesk::test;

namespace {

class Panes : public ViewsFixture
{
protected:
    Panes()
    {
        addPrint({"Laser", "a.doc", "PC-01", 1, "2024-03-01 10:00:00", "Sales", "Ann"});
        addPrint({"Inkjet", "b.doc", "PC-02", 2, "2024-03-02 10:00:00", "Stores", "Bob"});
        addPrint({"Laser", "c.doc", "PC-03", 3, "2024-03-03 10:00:00", "Sales", "Cy"});
        addPrint({"Laser", "c.doc", "PC-03", 3, "2024-03-03 10:00:00", "Sales", "Cy"});
        view.applyCatalogue();
        view.showDetails = [this](const QString &text) { details << text; };
        view.resize(626, 422);
        view.show();
        view.ResetPrinterData();
    }

    int rows() const
    {
        QAbstractItemModel *m = view.dbPrinterData->model();
        while (m->canFetchMore({}))
            m->fetchMore({});
        return m->rowCount();
    }
    int col(const char *field) const { return dm.aqryPrinterData->columnOf(field); }
    QString cell(int row, const char *field) const
    {
        return view.dbPrinterData->model()->index(row, col(field)).data().toString();
    }
    void select(int row)
    {
        view.dbPrinterData->setCurrentIndex(view.dbPrinterData->model()->index(row, 0));
    }

    PrinterDataView view{dm};
    QStringList details;
};

} // namespace

TEST_F(Panes, PrinterDataPaneHasItsComponentsAndCaptions)
{
    for (const char *name :
         {"dbPrinterData", "edtHost", "edtDept", "edtPrinter", "edtEm", "dtpBegin", "dtpEnd",
          "btnSearch", "btnReset", "grp", "rbDept", "rbEm", "rbPrinter", "rbHost",
          "btnPrinterDataPrint", "btnPrintSetting", "btnExport", "lblPHost", "lblTo"})
        EXPECT_NE(view.findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(view.objectName(), QStringLiteral("plPrinterData"));
    EXPECT_EQ(view.plPrinterDataSearch->height(), 128);
    EXPECT_EQ(view.btnSearch->text(), QStringLiteral("Search"));
    EXPECT_EQ(view.lblTo->text(), QStringLiteral("to"));
    EXPECT_EQ(view.btnPrintSetting->text(), QStringLiteral("..."));
    EXPECT_EQ(view.Menudeletedata->text(), QStringLiteral("Delete"));
    EXPECT_EQ(view.dtpBegin->displayFormat(), QStringLiteral("yyyy-MM-dd"));
    EXPECT_TRUE(view.rbPrinter->isChecked());
    EXPECT_EQ(view.groupColumn(), QStringLiteral("PrinterName"));
    // Titles are the fields' display labels; MAC keeps its name.
    const QAbstractItemModel *m = view.dbPrinterData->model();
    EXPECT_EQ(m->headerData(col("PrinterName"), Qt::Horizontal).toString(),
              dm.GetLangString(QStringLiteral("RSPrinterName")));
    EXPECT_EQ(m->headerData(col("MAC"), Qt::Horizontal).toString(), QStringLiteral("MAC"));
    // The print commands are left to their own windows.
    int asked = 0;
    QObject::connect(&view, &PrinterDataView::printRequested, [&] { ++asked; });
    QObject::connect(&view, &PrinterDataView::exportRequested, [&] { ++asked; });
    view.btnPrinterDataPrint->click();
    view.btnExport->click();
    EXPECT_EQ(asked, 2);
}

TEST_F(Panes, SearchThenResetShowsEverythingAndEmptiesTheFilter)
{
    EXPECT_EQ(rows(), 4);
    EXPECT_TRUE(view.PrinterDataFilter().isEmpty());
    EXPECT_EQ(view.dtpBegin->date(), QDate::currentDate().addDays(-30));
    EXPECT_EQ(view.dtpEnd->date(), QDate::currentDate());

    view.dtpBegin->setDate(QDate(2024, 3, 1));
    view.dtpEnd->setDate(QDate(2024, 3, 31));
    view.edtHost->setText(QStringLiteral("  pc-0 "));
    view.edtPrinter->setText(QStringLiteral("LASER"));
    QTest::mouseClick(view.btnSearch, Qt::LeftButton);
    EXPECT_EQ(view.PrinterDataFilter(),
              QStringLiteral(" where PrintTime>=CDate(\"2024-03-01\")  AND "
                             "PrintTime<=CDate(\"2024-03-31\") AND hostName like '%pc-0%' AND "
                             "PrinterName like '%LASER%'"));
    EXPECT_EQ(rows(), 3);

    QTest::mouseClick(view.btnReset, Qt::LeftButton);
    EXPECT_TRUE(view.PrinterDataFilter().isEmpty());
    EXPECT_TRUE(view.edtHost->text().isEmpty());
    EXPECT_TRUE(view.edtPrinter->text().isEmpty());
    EXPECT_EQ(dm.aqryPrinterData->SQL, QStringLiteral("select * from tPrinterData"));
    EXPECT_EQ(rows(), 4);
}

TEST_F(Panes, TitleClicksAlternateAndTheMarkOutlivesASearch)
{
    QHeaderView *h = view.dbPrinterData->horizontalHeader();
    const int c = col("documentName");
    auto clickTitle = [&] {
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(c) + 5, h->height() / 2));
        ASSERT_TRUE(waitForSort(*dm.aqryPrinterData));
    };
    clickTitle();
    EXPECT_EQ(cell(0, "documentName"), QStringLiteral("c.doc"));
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
    clickTitle();
    EXPECT_EQ(cell(0, "documentName"), QStringLiteral("a.doc"));
    clickTitle();
    EXPECT_EQ(cell(0, "documentName"), QStringLiteral("c.doc"));

    view.btnSearchClick(); // the last 30 days: nothing from 2024
    EXPECT_FALSE(h->isSortIndicatorShown());
    view.btnResetClick();
    view.dbPrinterDataTitleClick(c); // last sorted descending, so now ascending
    ASSERT_TRUE(waitForSort(*dm.aqryPrinterData));
    EXPECT_EQ(cell(0, "documentName"), QStringLiteral("a.doc"));
    EXPECT_EQ(rows(), 4);
}

// A sort no index serves runs off the window thread. A statement that never ends by itself stands
// for a history too large to wait for: the grid shows it is busy while the window goes on handling
// events, Esc interrupts the statement and the order in force stays; a sort left to finish shows
// its rows in order.
TEST_F(Panes, ALongSortRunsOffTheWindowThreadAndEscKeepsTheOrderInForce)
{
    QHeaderView *h = view.dbPrinterData->horizontalHeader();
    RecordGrid *grid = view.dbPrinterData;
    PagedQueryModel *model = dm.aqryPrinterData->model();
    view.dbPrinterDataTitleClick(col("PrintTime")); // newest first
    ASSERT_TRUE(waitForSort(*dm.aqryPrinterData));
    const QStringList before = column(*dm.aqryPrinterData, QStringLiteral("documentName"));
    EXPECT_EQ(before, (QStringList{"c.doc", "c.doc", "b.doc", "a.doc"}));

    dm.aqryPrinterData->SQL = QStringLiteral(
        "select * from tPrinterData where TotalPageCount < (with recursive n(i) as (select 1 "
        "union all select i + 1 from n) select count(*) from n)");
    view.dbPrinterDataTitleClick(col("documentName"));
    EXPECT_TRUE(grid->busy());
    // The window handles its events: the panel appears once the sort has lasted a moment.
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->busyPanel()->isVisible(); }, 30000));
    EXPECT_EQ(grid->busyPanel()->findChild<QLabel *>()->text(),
              dm.GetLangString(QStringLiteral("RSSorting")));
    EXPECT_EQ(grid->busyPanel()->findChild<QPushButton *>()->text(),
              dm.GetLangString(QStringLiteral("RSCancel")));
    EXPECT_EQ(column(*dm.aqryPrinterData, QStringLiteral("documentName")), before);

    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_FALSE(grid->busy());
    EXPECT_FALSE(grid->busyPanel()->isVisible());
    EXPECT_EQ(column(*dm.aqryPrinterData, QStringLiteral("documentName")), before);
    EXPECT_EQ(h->sortIndicatorSection(), col("PrintTime"));
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
    // The engine's interrupt ended the statement on the worker's own connection.
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->backgroundReadsEnded(); }, 30000));
    EXPECT_TRUE(boxes.shown.empty());

    // The button cancels too; the next click on the same title is again the first one.
    view.dbPrinterDataTitleClick(col("documentName"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return grid->busyPanel()->isVisible(); }, 30000));
    QTest::mouseClick(grid->busyPanel()->findChild<QPushButton *>(), Qt::LeftButton);
    EXPECT_FALSE(grid->busy());

    view.btnResetClick();
    view.dbPrinterDataTitleClick(col("documentName"));
    ASSERT_TRUE(waitForSort(*dm.aqryPrinterData));
    EXPECT_EQ(column(*dm.aqryPrinterData, QStringLiteral("documentName")),
              (QStringList{"c.doc", "c.doc", "b.doc", "a.doc"}));
    EXPECT_EQ(h->sortIndicatorSection(), col("documentName"));
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_TRUE(QTest::qWaitFor([&] { return model->backgroundReadsEnded(); }, 30000));
}

TEST_F(Panes, DeleteAsksFirstAndRemovesExactlyOneRow)
{
    select(2); // one of the two identical c.doc rows
    boxes.answer(IDCANCEL);
    view.MenudeletedataClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, DeleteRecordQuestion(dm));
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONQUESTION | MB_OKCANCEL));
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrinterData")), 4);

    boxes.answer(IDOK);
    QTest::keyClick(view.dbPrinterData, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrinterData")), 3);
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrinterData where documentName='c.doc'")),
              1);
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(view.dbPrinterData->currentRow(), 2);

    // Plain Delete does nothing; in an empty grid nothing is asked or deleted.
    QTest::keyClick(view.dbPrinterData, Qt::Key_Delete);
    EXPECT_EQ(boxes.shown.size(), 2u);
    exec(QStringLiteral("delete from tPrinterData"));
    view.ResetPrinterData();
    view.MenudeletedataClick();
    view.dbPrinterDataDblClick();
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(details.isEmpty());
}

TEST_F(Panes, DetailsFollowTheColumnOrderAndMovedColumnsStayMoved)
{
    QHeaderView *h = view.dbPrinterData->horizontalHeader();
    h->moveSection(h->visualIndex(col("hostName")), 0);
    select(1);
    view.dbPrinterDataDblClick();
    ASSERT_EQ(details.size(), 1);
    const QStringList lines = details[0].split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), 18); // seventeen fields and the empty text after the last CR LF
    EXPECT_EQ(lines[0], dm.GetLangString(QStringLiteral("RShostName")) + QStringLiteral(":PC-02"));
    EXPECT_EQ(lines[1],
              dm.GetLangString(QStringLiteral("RSPrinterName")) + QStringLiteral(":Inkjet"));
    EXPECT_EQ(lines[9], QStringLiteral("MAC:00-11-22-33-44-55"));

    const int width = h->sectionSize(col("documentName")) + 37;
    h->resizeSection(col("documentName"), width);
    view.edtEm->setText(QStringLiteral("cy"));
    view.dtpBegin->setDate(QDate(2024, 1, 1));
    view.btnSearchClick();
    view.dbPrinterDataTitleClick(col("PrintTime"));
    ASSERT_TRUE(waitForSort(*dm.aqryPrinterData));
    EXPECT_EQ(view.fieldOrder().first(), QStringLiteral("hostName"));
    EXPECT_EQ(h->visualIndex(col("hostName")), 0);
    EXPECT_EQ(h->sectionSize(col("documentName")), width);
}

TEST_F(Panes, EditsAreStoredAtOnceAndBadValuesRefused)
{
    QAbstractItemModel *m = view.dbPrinterData->model();
    ASSERT_TRUE(m->flags(m->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(m->setData(m->index(1, col("TotalPageCount")), 42));
    EXPECT_EQ(
        count(QStringLiteral("select TotalPageCount from tPrinterData where documentName='b.doc'")),
        42);
    EXPECT_EQ(cell(1, "TotalPageCount"), QStringLiteral("42"));
    // The same row is found again by its new values.
    EXPECT_TRUE(m->setData(m->index(1, col("PrintTime")), QStringLiteral("2024-3-9 7:05:00")));
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from tPrinterData where PrintTime='2024-03-09 07:05:00' "
                  "and TotalPageCount=42")),
              1);

    EXPECT_FALSE(m->setData(m->index(1, col("PrintTime")), QStringLiteral("yesterday")));
    EXPECT_FALSE(m->setData(m->index(1, col("TotalPageCount")), QStringLiteral("many")));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_EQ(boxes.shown[0].text,
              QStringLiteral("'yesterday' is not a valid value for field 'PrintTime'."));
    // A Chinese installation shows it in Chinese.
    dir.copyLanguage(QStringLiteral("Chinese.ini"));
    dm.FontCharset = 134;
    dm.OpenIniFile(dir.file(QStringLiteral("Chinese.ini")));
    EXPECT_FALSE(m->setData(m->index(1, col("TotalPageCount")), QStringLiteral("many")));
    EXPECT_EQ(boxes.shown.back().text, QStringLiteral("“many”不是字段“TotalPageCount”的有效值。"));
    EXPECT_EQ(count(QStringLiteral(
                  "select count(*) from tPrinterData where PrintTime='2024-03-09 07:05:00'")),
              1);
}

TEST_F(Panes, ComputerPaneSearchesResetsAndIsReadOnly)
{
    addHost("PC-01", "10.0.0.1", "Sales", "Ann", "555-1", "WORKGROUP");
    addHost("PC-02", "10.0.1.2", "Stores", "Bob", "555-2", "WORKGROUP");
    HostView hosts(dm);
    hosts.applyCatalogue();
    hosts.resize(626, 422);
    hosts.show();
    hosts.ResetHostData();
    EXPECT_EQ(hosts.objectName(), QStringLiteral("plHost"));
    EXPECT_EQ(hosts.plHostSearch->height(), 107);
    EXPECT_EQ(hosts.lblIP->text(), QStringLiteral("IP"));
    EXPECT_EQ(hosts.btnHSearch->text(), QStringLiteral("Search"));
    EXPECT_TRUE(hosts.rbHNet->isChecked());
    EXPECT_EQ(hosts.groupColumn(), QStringLiteral("tNetGroup"));
    QAbstractItemModel *m = hosts.dbHost->model();
    EXPECT_EQ(m->rowCount(), 2);
    EXPECT_FALSE(m->flags(m->index(0, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(hosts.dbHost->editTriggers(), QAbstractItemView::NoEditTriggers);

    hosts.edtHIP->setText(QStringLiteral(" 10.0.1 "));
    QTest::mouseClick(hosts.btnHSearch, Qt::LeftButton);
    EXPECT_EQ(hosts.HostFilter(), QStringLiteral(" where  IP like '%10.0.1%'"));
    EXPECT_EQ(m->rowCount(), 1);
    hosts.dbHostTitleClick(dm.aqryHost->columnOf(QStringLiteral("HostName")));
    ASSERT_TRUE(waitForSort(*dm.aqryHost));
    EXPECT_EQ(
        dm.aqryHost->SQL,
        QStringLiteral("select * from tHost  where  IP like '%10.0.1%' order by HostName DESC"));

    QTest::mouseClick(hosts.btnHReset, Qt::LeftButton);
    EXPECT_TRUE(hosts.HostFilter().isEmpty());
    EXPECT_TRUE(hosts.edtHIP->text().isEmpty());
    EXPECT_EQ(m->rowCount(), 2);
    hosts.dbHostTitleClick(dm.aqryHost->columnOf(QStringLiteral("HostName")));
    ASSERT_TRUE(waitForSort(*dm.aqryHost));
    EXPECT_EQ(m->index(0, 0).data().toString(), QStringLiteral("PC-01")); // ascending now
}

TEST_F(Panes, DetailsOpenTheInformationWindowAndDatabaseErrorsAreShown)
{
    PrinterDataView plain(dm); // with its own information window
    plain.ResetPrinterData();
    QString shown;
    QTimer::singleShot(0, [&] {
        QWidget *info = QApplication::activeModalWidget();
        ASSERT_NE(info, nullptr);
        if (auto *label = info->findChild<QLabel *>(QStringLiteral("lblInfo")))
            shown = label->text();
        info->close();
    });
    plain.dbPrinterDataDblClick();
    EXPECT_TRUE(shown.contains(QStringLiteral("a.doc"))) << shown.toStdString();

    // A statement the database refuses: the error is shown, the filter is already the new one.
    exec(QStringLiteral("alter table tPrinterData rename to tOldData"));
    view.btnSearchClick();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("tPrinterData"), Qt::CaseInsensitive));
    EXPECT_TRUE(view.PrinterDataFilter().startsWith(QStringLiteral(" where PrintTime>=")));
    EXPECT_EQ(view.dbPrinterData->currentRow(), -1);
}
