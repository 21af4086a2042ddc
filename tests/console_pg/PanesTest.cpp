// The print history and computer panes on PostgreSQL: the search with CDate and like, title
// sorts, deleting one of identical rows, editing in place, and the computer search.
#include "DeptOperations.h"
#include "GridTexts.h"
#include "HostView.h"
#include "HostileTexts.h"
#include "MessageFlags.h"
#include "PgConsoleFixture.h"
#include "PrinterDataView.h"
#include "RecordGrid.h"
#include "SortWait.h"

#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

using namespace vesk;
using namespace vesk::test;

namespace {

const QString NetworkPrinter = QStringLiteral("\\\\SRV\\Laser");
const QString OddDocument = QStringLiteral("O'Neil 计划.doc");

class PgPanes : public PgConsoleFixture
{
protected:
    void SetUp() override
    {
        PgConsoleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        openModule();
        addPrint({"Laser", "a.doc", "PC-01", 1, "2024-03-01 10:00:00", "Sales", "Ann"});
        addPrint({"Inkjet", "B.doc", "PC-02", 10, "2024-03-02 10:00:00", "Stores", "Bob"});
        addPrint({"Laser", "c.doc", "pc-03", 9, "2024-03-03 10:00:00", "Sales", "Cy"});
        addPrint({"Laser", "c.doc", "pc-03", 9, "2024-03-03 10:00:00", "Sales", "Cy"});
        addPrint({NetworkPrinter, OddDocument, "PC-04", 2, "2024-02-28 23:59:59",
                  QStringLiteral("销售部"), QVariant()});
        showView();
    }
    void showView()
    {
        view = std::make_unique<PrinterDataView>(*dm);
        view->applyCatalogue();
        view->showDetails = [](const QString &) {};
        view->resize(626, 422);
        view->show();
        view->ResetPrinterData();
    }
    void TearDown() override
    {
        view.reset();
        PgConsoleFixture::TearDown();
    }

    QAbstractItemModel *model() const { return view->dbPrinterData->model(); }
    int rows() const
    {
        while (model()->canFetchMore({}))
            model()->fetchMore({});
        return model()->rowCount();
    }
    int col(const char *field) const { return dm->aqryPrinterData->columnOf(field); }
    QString cell(int row, const char *field) const
    {
        return model()->index(row, col(field)).data().toString();
    }
    QStringList column(const char *field) const
    {
        QStringList values;
        for (int row = 0; row < rows(); ++row)
            values << cell(row, field);
        return values;
    }
    int rowOf(const QString &document) const { return column("documentName").indexOf(document); }
    void select(int row) { view->dbPrinterData->setCurrentIndex(model()->index(row, 0)); }
    void search(QDate begin, QDate end, const QString &printer = {}, const QString &host = {},
                const QString &dept = {}, const QString &em = {})
    {
        view->dtpBegin->setDate(begin);
        view->dtpEnd->setDate(end);
        view->edtPrinter->setText(printer);
        view->edtHost->setText(host);
        view->edtDept->setText(dept);
        view->edtEm->setText(em);
        QTest::mouseClick(view->btnSearch, Qt::LeftButton);
    }
    int stored(const QString &condition)
    {
        return count(QStringLiteral("select count(*) from tPrinterData where ") + condition);
    }

    std::unique_ptr<PrinterDataView> view;
};

using PgHosts = PgConsoleFixture;

} // namespace

TEST_F(PgPanes, SearchComparesDatesWithCDateAndMatchesTextInAnyCase)
{
    EXPECT_EQ(rows(), 5);
    search(QDate(2024, 3, 1), QDate(2024, 3, 31), QStringLiteral("LASER"),
           QStringLiteral("  pc-0 "));
    // The clause kept for printing and export is the one the search ran.
    EXPECT_EQ(view->PrinterDataFilter(),
              QStringLiteral(" where PrintTime>=CDate(\"2024-03-01\")  AND "
                             "PrintTime<=CDate(\"2024-03-31\") AND hostName like '%pc-0%' AND "
                             "PrinterName like '%LASER%'"));
    EXPECT_EQ(column("documentName"), (QStringList{QStringLiteral("a.doc"), QStringLiteral("c.doc"),
                                                   QStringLiteral("c.doc")}));

    // The begin day counts from its midnight, the end day up to its midnight.
    search(QDate(2024, 3, 2), QDate(2024, 3, 3));
    EXPECT_EQ(column("documentName"), QStringList{QStringLiteral("B.doc")});
    search(QDate(2024, 2, 28), QDate(2024, 2, 29));
    EXPECT_EQ(column("documentName"), QStringList{OddDocument});

    // A network printer's backslashes are plain characters of the name, as on SQLite.
    search(QDate(2024, 1, 1), QDate(2024, 12, 31), QStringLiteral("\\\\srv\\laser"));
    EXPECT_EQ(column("documentName"), QStringList{OddDocument});
    search(QDate(2024, 1, 1), QDate(2024, 12, 31), QStringLiteral("srv\\"));
    EXPECT_EQ(rows(), 1);
    search(QDate(2024, 1, 1), QDate(2024, 12, 31), QStringLiteral("\\Laser"));
    EXPECT_EQ(rows(), 1);

    search(QDate(2024, 1, 1), QDate(2024, 12, 31), {}, {}, QStringLiteral("销售"));
    EXPECT_EQ(column("documentName"), QStringList{OddDocument});
    search(QDate(2024, 1, 1), QDate(2024, 12, 31), {}, {}, {}, QStringLiteral("bOB"));
    EXPECT_EQ(column("documentName"), QStringList{QStringLiteral("B.doc")});
    // A quote in a box is a character to look for.
    search(QDate(2024, 1, 1), QDate(2024, 12, 31), {}, QStringLiteral("PC' or 1=1 --"));
    EXPECT_EQ(rows(), 0);
    // So is a date conversion with SQL in it: nothing runs, nothing is lost.
    search(QDate(2024, 1, 1), QDate(2024, 12, 31), {},
           QStringLiteral("CDate(\"; delete from tPrinterData; --\")"));
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(stored(QStringLiteral("1=1")), 5);
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();

    QTest::mouseClick(view->btnReset, Qt::LeftButton);
    EXPECT_TRUE(view->PrinterDataFilter().isEmpty());
    EXPECT_EQ(rows(), 5);
}

TEST_F(PgPanes, TitleClicksSortInTheDatabaseDescendingThenAscending)
{
    QHeaderView *h = view->dbPrinterData->horizontalHeader();
    const int doc = col("documentName");
    ASSERT_GE(doc, 0);
    auto clickTitle = [&](int c) {
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(h->sectionViewportPosition(c) + 5, h->height() / 2));
        ASSERT_TRUE(waitForSort(*dm->aqryPrinterData));
    };
    clickTitle(doc);
    // Letter case does not order the names, as with SQLite's NOCASE.
    EXPECT_EQ(column("documentName"),
              (QStringList{OddDocument, QStringLiteral("c.doc"), QStringLiteral("c.doc"),
                           QStringLiteral("B.doc"), QStringLiteral("a.doc")}));
    EXPECT_TRUE(h->isSortIndicatorShown());
    EXPECT_EQ(h->sortIndicatorSection(), doc);
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
    clickTitle(doc);
    EXPECT_EQ(cell(0, "documentName"), QStringLiteral("a.doc"));
    EXPECT_EQ(cell(1, "documentName"), QStringLiteral("B.doc"));
    EXPECT_EQ(h->sortIndicatorOrder(), Qt::AscendingOrder);

    // Counts sort as numbers.
    clickTitle(col("TotalPageCount"));
    EXPECT_EQ(column("TotalPageCount"),
              (QStringList{QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("9"),
                           QStringLiteral("2"), QStringLiteral("1")}));

    // A sort of a search result keeps the search's conditions.
    search(QDate(2024, 3, 1), QDate(2024, 3, 31), QStringLiteral("laser"));
    EXPECT_FALSE(h->isSortIndicatorShown());
    clickTitle(col("PrintTime"));
    EXPECT_EQ(column("documentName"), (QStringList{QStringLiteral("c.doc"), QStringLiteral("c.doc"),
                                                   QStringLiteral("a.doc")}));
    EXPECT_EQ(h->sortIndicatorSection(), col("PrintTime"));
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();

    // A sort that does not end by itself (a server busy for minutes): Esc cancels it on the
    // server and the order in force stays.
    const QStringList before = column("documentName");
    dm->aqryPrinterData->SQL =
        QStringLiteral("select * from tPrinterData where (select count(*) from pg_sleep(600)) > 0");
    view->dbPrinterDataTitleClick(doc);
    ASSERT_TRUE(view->dbPrinterData->busy());
    QTest::keyClick(view->dbPrinterData, Qt::Key_Escape);
    EXPECT_FALSE(view->dbPrinterData->busy());
    EXPECT_EQ(column("documentName"), before);
    EXPECT_EQ(h->sortIndicatorSection(), col("PrintTime"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return dm->aqryPrinterData->model()->backgroundReadsEnded(); }, 60000));
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
}

// The console logged in as the role vesk-initdb made for it searches, sorts (on its worker's own
// session) and renames a department through every table that names it.
TEST_F(PgPanes, TheConsoleWorksLoggedInAsItsRole)
{
    QProcess initdb;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VESK_CONSOLE_PASSWORD"), QStringLiteral("console-pw"));
    initdb.setProcessEnvironment(env);
    initdb.setProcessChannelMode(QProcess::MergedChannels);
    initdb.start(QStringLiteral(VESK_INITDB), {QStringLiteral("--roles"), dir->path()});
    ASSERT_TRUE(initdb.waitForFinished(120000));
    ASSERT_EQ(initdb.exitCode(), 0) << initdb.readAll().constData();
    view.reset();
    dm = std::make_unique<TdmMain>(TdmMain::Program::Console, dir->path());
    dm->acntVesk.ConnectionString =
        QStringLiteral("Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Database=%2;User "
                       "ID=vesk_console;Password=console-pw")
            .arg(PostgresServer::port)
            .arg(database);
    QString error;
    ASSERT_TRUE(dm->acntVesk.Open(dm->AppDir(), &error)) << error.toStdString();
    dm->OpenIniFile(dir->file(QStringLiteral("English.ini")));
    dm->applyDisplayLabels();
    dm->setMessagePresenter(&boxes);
    showView();

    search(QDate(2024, 3, 1), QDate(2024, 3, 31), QStringLiteral("laser"));
    EXPECT_EQ(column("documentName"), (QStringList{QStringLiteral("a.doc"), QStringLiteral("c.doc"),
                                                   QStringLiteral("c.doc")}));
    view->dbPrinterDataTitleClick(col("PrintTime"));
    ASSERT_TRUE(waitForSort(*dm->aqryPrinterData));
    EXPECT_EQ(column("documentName"), (QStringList{QStringLiteral("c.doc"), QStringLiteral("c.doc"),
                                                   QStringLiteral("a.doc")}));
    DeptOperations depts(*dm);
    ASSERT_TRUE(depts.AddDept(QStringLiteral("Sales"), std::nullopt));
    exec(QStringLiteral("insert into tWebAccount (Name, PasswordHash, DeptName, IsAdmin, "
                        "Disabled) values ('head', 'h', 'Sales', 0, 0)"));
    ASSERT_TRUE(depts.RenameDept(QStringLiteral("Sales"), QStringLiteral("Sales & Service")));
    EXPECT_EQ(stored(QStringLiteral("DeptName='Sales & Service'")), 3);
    EXPECT_EQ(
        count(QStringLiteral("select count(*) from tWebAccount where DeptName='Sales & Service'")),
        1);
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
}

TEST_F(PgPanes, DeleteRemovesExactlyOneOfIdenticalRows)
{
    // Two rows that differ only in letter case are different rows.
    addPrint({"Laser", "Report.doc", "PC-01", 1, "2024-03-05 10:00:00", "Sales", "Ann"});
    addPrint({"Laser", "report.doc", "PC-01", 1, "2024-03-05 10:00:00", "Sales", "Ann"});
    view->ResetPrinterData();
    ASSERT_EQ(rows(), 7);

    const int twin = rowOf(QStringLiteral("c.doc")) + 1;
    ASSERT_EQ(cell(twin, "documentName"), QStringLiteral("c.doc"));
    select(twin);
    boxes.answer(IDCANCEL);
    view->MenudeletedataClick();
    EXPECT_EQ(stored(QStringLiteral("1=1")), 7);
    boxes.answer(IDOK);
    QTest::keyClick(view->dbPrinterData, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(boxes.shown.size(), 2u) << boxTexts().join(u'|').toStdString();
    EXPECT_EQ(boxes.shown[1].text, DeleteRecordQuestion(*dm));
    EXPECT_EQ(stored(QStringLiteral("1=1")), 6);
    EXPECT_EQ(stored(QStringLiteral("documentName='c.doc'")), 1);
    EXPECT_EQ(rows(), 6);
    EXPECT_EQ(view->dbPrinterData->currentRow(), twin);

    select(rowOf(QStringLiteral("report.doc")));
    view->MenudeletedataClick();
    EXPECT_EQ(stored(QStringLiteral("documentName::text='Report.doc'")), 1);
    EXPECT_EQ(stored(QStringLiteral("documentName::text='report.doc'")), 0);

    // NULL cells, a quote, backslashes and Chinese text find their row too.
    select(rowOf(OddDocument));
    view->MenudeletedataClick();
    EXPECT_EQ(stored(QStringLiteral("DeptName='销售部'")), 0);
    EXPECT_EQ(stored(QStringLiteral("1=1")), 4);
    EXPECT_EQ(boxes.shown.size(), 4u) << boxTexts().join(u'|').toStdString();
}

TEST_F(PgPanes, EditsAreStoredAtOnceInOneRowAndBadValuesRefused)
{
    QAbstractItemModel *m = model();
    const int b = rowOf(QStringLiteral("B.doc"));
    ASSERT_GE(b, 0);
    ASSERT_TRUE(m->flags(m->index(b, 0)).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(m->setData(m->index(b, col("TotalPageCount")), 42));
    EXPECT_EQ(stored(QStringLiteral("documentName='b.doc' and TotalPageCount=42")), 1);
    EXPECT_EQ(cell(b, "TotalPageCount"), QStringLiteral("42"));
    // The same row is found again by its new values; the time is stored in its normal form.
    EXPECT_TRUE(m->setData(m->index(b, col("PrintTime")), QStringLiteral("2024-3-9 7:05:00")));
    EXPECT_EQ(stored(QStringLiteral("PrintTime='2024-03-09 07:05:00' and TotalPageCount=42")), 1);

    // One of two identical rows changes.
    const int c = rowOf(QStringLiteral("c.doc"));
    EXPECT_TRUE(m->setData(m->index(c, col("documentName")), QStringLiteral("C.doc")));
    EXPECT_EQ(stored(QStringLiteral("documentName::text='C.doc'")), 1);
    EXPECT_EQ(stored(QStringLiteral("documentName::text='c.doc'")), 1);

    // A row with NULL cells and a quoted, backslashed, Chinese name.
    const int odd = rowOf(OddDocument);
    EXPECT_TRUE(m->setData(m->index(odd, col("EmName")), QStringLiteral("Zoë")));
    EXPECT_TRUE(m->setData(m->index(odd, col("PrinterName")), QStringLiteral("\\\\SRV\\Color")));
    EXPECT_EQ(stored(QStringLiteral("EmName='zoë' and PrinterName='\\\\srv\\color'")), 1);
    EXPECT_TRUE(m->setData(m->index(odd, col("TotalPageCount")), QString()));
    EXPECT_EQ(stored(QStringLiteral("TotalPageCount is null")), 1);
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();

    EXPECT_FALSE(m->setData(m->index(b, col("PrintTime")), QStringLiteral("yesterday")));
    EXPECT_FALSE(m->setData(m->index(b, col("TotalPageCount")), QStringLiteral("many")));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].style, unsigned(MB_ICONSTOP));
    EXPECT_EQ(stored(QStringLiteral("PrintTime='2024-03-09 07:05:00' and TotalPageCount=42")), 1);
}

TEST_F(PgHosts, ComputerSearchAndSortRunInTheDatabase)
{
    openModule();
    addHost(QStringLiteral("PC-01"), QStringLiteral("10.0.0.1"), QStringLiteral("Sales"),
            QStringLiteral("Ann"), QStringLiteral("WORKGROUP"));
    addHost(QStringLiteral("pc-02"), QStringLiteral("10.0.1.2"), QStringLiteral("Stores"),
            QStringLiteral("Bob"), QStringLiteral("WORKGROUP"));
    addHost(QStringLiteral("Acct-03"), QStringLiteral("10.0.1.3"), QStringLiteral("销售部"),
            QStringLiteral("O'Hara"), QStringLiteral("OFFICE"));
    HostView hosts(*dm);
    hosts.applyCatalogue();
    hosts.resize(626, 422);
    hosts.show();
    hosts.ResetHostData();
    QAbstractItemModel *m = hosts.dbHost->model();
    const int name = dm->aqryHost->columnOf(QStringLiteral("HostName"));
    ASSERT_GE(name, 0);
    EXPECT_EQ(m->rowCount(), 3);
    EXPECT_EQ(m->headerData(name, Qt::Horizontal).toString(),
              dm->GetLangString(QStringLiteral("RShostName")));

    hosts.edtHhost->setText(QStringLiteral("PC-0"));
    QTest::mouseClick(hosts.btnHSearch, Qt::LeftButton);
    EXPECT_EQ(m->rowCount(), 2);
    hosts.edtHIP->setText(QStringLiteral(" 10.0.1 "));
    QTest::mouseClick(hosts.btnHSearch, Qt::LeftButton);
    EXPECT_EQ(hosts.HostFilter(),
              QStringLiteral(" where  hostName like '%PC-0%' AND IP like '%10.0.1%'"));
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(m->index(0, name).data().toString(), QStringLiteral("pc-02"));

    hosts.edtHhost->clear();
    hosts.edtHIP->clear();
    hosts.edtHem->setText(QStringLiteral("o'h"));
    hosts.edtHDept->setText(QStringLiteral("销售"));
    QTest::mouseClick(hosts.btnHSearch, Qt::LeftButton);
    ASSERT_EQ(m->rowCount(), 1);
    EXPECT_EQ(m->index(0, name).data().toString(), QStringLiteral("Acct-03"));

    QTest::mouseClick(hosts.btnHReset, Qt::LeftButton);
    EXPECT_EQ(m->rowCount(), 3);
    hosts.dbHostTitleClick(name);
    ASSERT_TRUE(waitForSort(*dm->aqryHost));
    EXPECT_EQ(m->index(0, name).data().toString(), QStringLiteral("pc-02"));
    EXPECT_EQ(hosts.dbHost->horizontalHeader()->sortIndicatorSection(), name);
    hosts.dbHostTitleClick(name);
    ASSERT_TRUE(waitForSort(*dm->aqryHost));
    EXPECT_EQ(m->index(0, name).data().toString(), QStringLiteral("Acct-03"));
    EXPECT_EQ(m->index(1, name).data().toString(), QStringLiteral("PC-01"));
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
}

// Hostile texts in every search box of both panes on PostgreSQL, where like reads backslashes as
// escapes unless told otherwise: each finds its own row and no statement fails.
TEST_F(PgPanes, HostileTextsInEverySearchBoxFindTheirOwnRow)
{
    int i = 0;
    for (const auto &h : HostileTexts()) {
        const QString tag = QStringLiteral("hostile %1").arg(i++);
        addPrint({h.text, tag, h.text, 1, "2024-03-01 10:00:00", h.text, h.text});
        addHost(h.text, h.text, h.text, h.text, tag);
    }
    HostView hosts(*dm);
    hosts.ResetHostData();
    const auto found = [&](QLineEdit *box, const QString &text, QPushButton *search,
                           QAbstractItemView *grid, int tagColumn) {
        box->setText(text);
        search->click();
        box->clear();
        QAbstractItemModel *m = grid->model();
        while (m->canFetchMore({}))
            m->fetchMore({});
        QStringList tags;
        for (int row = 0; row < m->rowCount(); ++row)
            tags << m->index(row, tagColumn).data().toString();
        return tags;
    };
    view->dtpBegin->setDate(QDate(2024, 3, 1));
    view->dtpEnd->setDate(QDate(2024, 3, 2));
    i = 0;
    for (const auto &h : HostileTexts()) {
        SCOPED_TRACE(h.label);
        const QString tag = QStringLiteral("hostile %1").arg(i++);
        for (QLineEdit *box : {view->edtHost, view->edtDept, view->edtPrinter, view->edtEm})
            EXPECT_TRUE(
                found(box, h.text, view->btnSearch, view->dbPrinterData, col("documentName"))
                    .contains(tag))
                << box->objectName().toStdString();
        for (QLineEdit *box : {hosts.edtHhost, hosts.edtHDept, hosts.edtHIP, hosts.edtHem})
            EXPECT_TRUE(found(box, h.text, hosts.btnHSearch, hosts.dbHost,
                              dm->aqryHost->columnOf(QStringLiteral("tNetGroup")))
                            .contains(tag))
                << box->objectName().toStdString();
    }
    EXPECT_TRUE(boxes.shown.empty()) << boxTexts().join(u'|').toStdString();
    EXPECT_EQ(count(QStringLiteral("select count(*) from tPrinterData")), 5 + int(i));
}
