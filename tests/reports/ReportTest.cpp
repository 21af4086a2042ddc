// Grouped reports: columns from tShowSetting, and the PDF read back with pdftotext.
#include "GroupedReport.h"
#include "ReportsFixture.h"

#include <QFile>
#include <QRegularExpression>

namespace vesk::test {

namespace {

class ReportTest : public ReportsFixture
{
protected:
    GroupedReport report(ReportTable table, const QString &group, const QString &filter = {})
    {
        ReportLayout layout;
        QString error;
        EXPECT_TRUE(LoadReportLayout(db(), table, group, lang(), layout, &error))
            << error.toStdString();
        GroupedReport r(layout);
        EXPECT_TRUE(r.read(db(), filter, &error)) << error.toStdString();
        return r;
    }
    QString writePdf(const GroupedReport &r)
    {
        const QString file = dir.file(QStringLiteral("report.pdf"));
        QString error;
        EXPECT_TRUE(WriteReportPdf(r, file, &error)) << error.toStdString();
        return pdfText(file);
    }
};

// The line of the page's text that holds `text`, blanks squeezed.
QString lineWith(const QString &page, const QString &text)
{
    for (const QString &line : page.split(u'\n')) {
        if (line.contains(text))
            return line.simplified();
    }
    return {};
}

} // namespace

TEST_F(ReportTest, ColumnsFollowTheSettings)
{
    const struct
    {
        const char *arrange; // a statement run first, or empty
        const char *group;
        const char *fields; // printed columns, in order
        const char *lefts;
    } cases[] = {
        // Initial widths: 100,150,90,50,70,80,120,75,80,100,60,70.
        {"", "PrinterName",
         "documentName hostName TotalPageCount PrintedDocumentSize PageSize PrintTime "
         "OperatorName IP MAC EmName DeptName",
         "100 250 340 390 460 540 660 735 815 915 975"},
        {"update tShowSetting set IsVisible=0 where FieldName in ('hostName','IP','MAC','EmName')",
         "DeptName",
         "PrinterName documentName TotalPageCount PrintedDocumentSize PageSize "
         "PrintTime OperatorName",
         "70 170 320 370 440 520 640"},
        // Moved to the front; the group column without a row starts at 0.
        {"update tShowSetting set Findex=-1 where FieldName='OperatorName'", "EmName",
         "OperatorName PrinterName documentName hostName TotalPageCount PrintedDocumentSize "
         "PageSize PrintTime IP MAC DeptName",
         "60 135 235 385 475 525 595 675 795 875 975"},
        {"delete from tShowSetting where FieldName='hostName' and tableName='tPrinterData'",
         "HostName",
         "PrinterName documentName TotalPageCount PrintedDocumentSize PageSize "
         "PrintTime OperatorName IP MAC EmName DeptName",
         "0 100 250 300 370 450 570 645 725 825 885"},
    };
    exec(QStringLiteral("create table tShowSettingStart as select * from tShowSetting"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.group);
        exec(QStringLiteral("delete from tShowSetting"));
        exec(QStringLiteral("insert into tShowSetting select * from tShowSettingStart"));
        if (*c.arrange)
            exec(QString::fromLatin1(c.arrange));
        ReportLayout layout;
        ASSERT_TRUE(LoadReportLayout(db(), ReportTable::PrinterData, QString::fromLatin1(c.group),
                                     lang(), layout));
        QStringList fields, lefts;
        for (const ReportColumn &col : layout.columns) {
            fields << col.field;
            lefts << QString::number(col.left);
        }
        EXPECT_EQ(fields.join(u' '), QString::fromLatin1(c.fields));
        EXPECT_EQ(lefts.join(u' '), QString::fromLatin1(c.lefts));
    }
}

TEST_F(ReportTest, PdfListsEveryGroupWithItsRowsIncludingTheNullGroup)
{
    addPrint({QStringLiteral("Laser-2"), QStringLiteral("budget.xls"), QStringLiteral("PC-B")});
    addPrint({QStringLiteral("Laser-1"), QStringLiteral("memo.doc"), QStringLiteral("PC-A")});
    addPrint({QVariant(), QStringLiteral("orphan.txt"), QStringLiteral("PC-C")});
    addPrint({QStringLiteral("laser-1"), QStringLiteral("notes.txt"), QStringLiteral("PC-D")});
    exec(QStringLiteral("update tShowSetting set IsVisible=0 where FieldName in "
                        "('IP','MAC','PageSize','PrintTime','OperatorName','EmName','DeptName','"
                        "PrintedDocumentSize')"));
    const GroupedReport r = report(ReportTable::PrinterData, QStringLiteral("PrinterName"));
    EXPECT_EQ(r.groupCount(), 3); // letter case ignored, as the database compares
    EXPECT_EQ(r.rowCount(), 4);

    const QString text = writePdf(r);
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    ASSERT_GE(pages.size(), 1);
    EXPECT_EQ(r.pageCount(), 1);
    EXPECT_TRUE(text.contains(QStringLiteral("Print History Report")));
    EXPECT_EQ(lineWith(text, QStringLiteral("Document")),
              QStringLiteral("Printer Document Computer Pages"));
    // Group lines in the database's order (null first on SQLite), details under each.
    QStringList order;
    for (const QString &line : text.split(u'\n')) {
        const QString s = line.simplified();
        if (!s.isEmpty() && !s.contains(QStringLiteral("Report")) && !s.startsWith(u"Printer"))
            order << s;
    }
    EXPECT_EQ(order,
              (QStringList{QStringLiteral("orphan.txt PC-C 1"), QStringLiteral("Laser-1"),
                           QStringLiteral("memo.doc PC-A 1"), QStringLiteral("notes.txt PC-D 1"),
                           QStringLiteral("Laser-2"), QStringLiteral("budget.xls PC-B 1")}));
}

TEST_F(ReportTest, PagesFollowTheBandHeights)
{
    const struct
    {
        int groups;
        int rowsPerGroup;
        int pages;
    } cases[] = {
        {0, 0, 1},              // no rows: title and column titles only
        {1, 26, 1},             // 27 lines fill the first page
        {1, 27, 2}, {2, 27, 3}, // 56 lines: 27 + 28 + 1
        {5, 20, 4},             // 105 lines: 27 + 28 + 28 + 22
    };
    int made = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rowsPerGroup);
        exec(QStringLiteral("delete from tPrinterData"));
        for (int g = 0; g < c.groups; ++g) {
            for (int i = 0; i < c.rowsPerGroup; ++i)
                addPrint({QStringLiteral("P%1").arg(g), QStringLiteral("doc%1").arg(++made),
                          QStringLiteral("PC")});
        }
        const GroupedReport r = report(ReportTable::PrinterData, QStringLiteral("PrinterName"));
        EXPECT_EQ(r.pageCount(), c.pages);
        const QStringList pages = writePdf(r).split(u'\f');
        EXPECT_EQ(pages.size() - 1, c.pages); // pdftotext ends every page with a form feed
        // Column titles on every page, the heading on the first only.
        for (int p = 0; p < c.pages; ++p) {
            EXPECT_FALSE(lineWith(pages[p], QStringLiteral("Document")).isEmpty());
            EXPECT_EQ(pages[p].contains(QStringLiteral("Print History Report")), p == 0);
        }
    }
}

TEST_F(ReportTest, ComputerReportUsesTheSearchFilterAndItsHeading)
{
    exec(QStringLiteral("insert into tHost (HostName, IP, tNetGroup, DeptName) values "
                        "('PC-1','10.0.0.1','WORK','Sales'), ('PC-2','10.0.0.2','HOME','Sales'), "
                        "('PC-3','10.0.0.3',null,'IT')"));
    const GroupedReport r = report(ReportTable::Host, QStringLiteral("tNetGroup"),
                                   QStringLiteral(" where  DeptName like '%Sales%'"));
    const QString text = writePdf(r);
    EXPECT_TRUE(text.contains(QStringLiteral("Computer Directory")));
    EXPECT_TRUE(lineWith(text, QStringLiteral("PC-1")).startsWith(QStringLiteral("PC-1 10.0.0.1")));
    EXPECT_FALSE(text.contains(QStringLiteral("PC-3")));
    EXPECT_EQ(r.groupCount(), 2);
}

TEST_F(ReportTest, FailuresLeaveNoFile)
{
    ReportLayout layout;
    ASSERT_TRUE(LoadReportLayout(db(), ReportTable::PrinterData, QStringLiteral("PrinterName"),
                                 lang(), layout));
    GroupedReport r(layout);
    QString error;
    EXPECT_FALSE(r.read(db(), QStringLiteral(" where NoSuchColumn=1"), &error));
    EXPECT_FALSE(error.isEmpty());
    const QString missing = dir.file(QStringLiteral("no-such-folder/report.pdf"));
    EXPECT_FALSE(WriteReportPdf(r, missing, &error));
    EXPECT_FALSE(QFile::exists(missing));
}

} // namespace vesk::test
