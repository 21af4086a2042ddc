// Grouped reports: columns from tShowSetting, and the PDF read back with pdftotext.
#include "GroupedReport.h"
#include "IniFile.h"
#include "ReportsFixture.h"

#include <QFile>
#include <QPageSize>
#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>

#include <algorithm>

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
        // Initial widths: 92,127,90,43,67,48,130,70,105,120,65,90.
        {"", "PrinterName",
         "documentName hostName TotalPageCount PrintedDocumentSize PageSize PrintTime "
         "OperatorName IP MAC EmName DeptName",
         "92 219 309 352 419 467 597 667 772 892 957"},
        {"update tShowSetting set IsVisible=0 where FieldName in ('hostName','IP','MAC','EmName')",
         "DeptName",
         "PrinterName documentName TotalPageCount PrintedDocumentSize PageSize "
         "PrintTime OperatorName",
         "90 182 309 352 419 467 597"},
        // Moved to the front; the group column without a row starts at 0.
        {"update tShowSetting set Findex=-1 where FieldName='OperatorName'", "EmName",
         "OperatorName PrinterName documentName hostName TotalPageCount PrintedDocumentSize "
         "PageSize PrintTime IP MAC DeptName",
         "65 135 227 354 444 487 554 602 732 837 957"},
        {"delete from tShowSetting where FieldName='hostName' and tableName='tPrinterData'",
         "HostName",
         "PrinterName documentName TotalPageCount PrintedDocumentSize PageSize "
         "PrintTime OperatorName IP MAC EmName DeptName",
         "0 92 219 262 329 377 507 577 682 802 867"},
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
    const auto order = [](const QString &text) {
        QStringList lines;
        for (const QString &line : text.split(u'\n')) {
            const QString s = line.simplified();
            if (!s.isEmpty() && !s.contains(QStringLiteral("Report")) && !s.startsWith(u"Printer"))
                lines << s;
        }
        return lines;
    };
    EXPECT_EQ(order(text),
              (QStringList{QStringLiteral("orphan.txt PC-C 1"), QStringLiteral("Laser-1"),
                           QStringLiteral("memo.doc PC-A 1"), QStringLiteral("notes.txt PC-D 1"),
                           QStringLiteral("Laser-2"), QStringLiteral("budget.xls PC-B 1")}));
    // With the Cost column printed, each group ends in its total and the report in the grand
    // total; a record without a cost adds none.
    exec(QStringLiteral("update tShowSetting set IsVisible=1 where FieldName='Cost'"));
    exec(QStringLiteral("update tPrinterData set Cost=150, TotalPageCount=2 "
                        "where documentName<>'orphan.txt'"));
    const QString filter = QStringLiteral("where documentName<>'notes.txt'"); // one row a group
    EXPECT_EQ(
        order(writePdf(report(ReportTable::PrinterData, QStringLiteral("PrinterName"), filter))),
        (QStringList{"orphan.txt PC-C 1", "Total 1 0.00", "Laser-1", "memo.doc PC-A 2 1.50",
                     "Total 2 1.50", "Laser-2", "budget.xls PC-B 2 1.50", "Total 2 1.50",
                     "Grand total 5 3.00"}));
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
        {1, 25, 1},             // 26 lines fill the first page
        {1, 26, 2}, {2, 27, 3}, // 56 lines: 26 + 28 + 2
        {5, 20, 4},             // 105 lines: 26 + 28 + 28 + 23
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

// A text wider than its column ends in an ellipsis before the next column starts (the last
// column at the page's edge), in both languages; a text that fits is printed whole. Read back as
// pdftotext's word boxes, in points from the page's left edge.
TEST_F(ReportTest, CellTextsEndBeforeTheNextColumn)
{
    addPrint({QStringLiteral("Konica-Minolta-bizhub-C458-PCL6-Floor3"), QStringLiteral("memo.doc"),
              QStringLiteral("PC-A"), 1, QStringLiteral("2026-03-02 09:15:00"),
              QStringLiteral("Research and Development Department")});
    addPrint({QStringLiteral("Laser-1"),
              QStringLiteral("季度销售报告最终版本第三稿修订确认版.docx"), QStringLiteral("PC-B"),
              2, QStringLiteral("2026-03-02 10:00:00"), QStringLiteral("IT")});
    const IniFile chinese(dir.file(QStringLiteral("Chinese.ini")), 134);
    const LangLookup zh = [&chinese](const QString &k) {
        return chinese.readString(QStringLiteral("Lang"), k);
    };
    const LangLookup languages[] = {lang(), zh};
    constexpr double PointsPerUnit = 72.0 / 96.0, Margin = 10 / 25.4 * 72.0, Slack = 0.3;
    static const QRegularExpression word(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    for (const LangLookup &l : languages) {
        ReportLayout layout;
        ASSERT_TRUE(LoadReportLayout(db(), ReportTable::PrinterData, QStringLiteral("HostName"), l,
                                     layout));
        SCOPED_TRACE(layout.heading.toStdString());
        GroupedReport r(layout);
        ASSERT_TRUE(r.read(db(), {}));
        const QString file = dir.file(QStringLiteral("report.pdf"));
        ASSERT_TRUE(WriteReportPdf(r, file));
        // Where each column's room begins and ends: the group value's first.
        std::vector<double> starts{Margin + report::GroupLeft * PointsPerUnit};
        for (const ReportColumn &c : layout.columns)
            starts.push_back(Margin + c.left * PointsPerUnit);
        starts.push_back(QPageSize(QPageSize::A4).size(QPageSize::Point).height() - Margin);
        QProcess bbox;
        bbox.start(QStringLiteral("pdftotext"),
                   {QStringLiteral("-bbox"), file, QStringLiteral("-")});
        ASSERT_TRUE(bbox.waitForFinished(60000));
        const QString boxes = QString::fromUtf8(bbox.readAllStandardOutput());
        const double titleBand = Margin + report::TitleBandHeight * PointsPerUnit;
        int checked = 0;
        for (const QRegularExpressionMatch &m : word.globalMatch(boxes)) {
            const double xMin = m.captured(1).toDouble(), xMax = m.captured(3).toDouble();
            if (m.captured(2).toDouble() < titleBand)
                continue; // the heading has its band to itself
            // pdftotext places a word's left edge a third of a point left of where it was drawn.
            const auto next = std::upper_bound(starts.begin(), starts.end() - 1, xMin + 1);
            EXPECT_LE(xMax, *next + Slack) << m.captured(4).toStdString();
            ++checked;
        }
        EXPECT_GT(checked, 20);
        const QString text = pdfText(file);
        for (const char *whole :
             {"Laser-1", "memo.doc", "PC-A", "IT", "2026-03-02 09:15:00", "00-11-22-33-44-55"})
            EXPECT_TRUE(text.contains(QLatin1String(whole))) << whole;
        for (const char *cut : {"Konica-[^ ]+… ", "季度[^ ]+… ", "Research[^\n]*…\n"})
            EXPECT_TRUE(text.contains(QRegularExpression(QString::fromUtf8(cut)))) << cut;
    }
}

// A column title wider than its column wraps onto a second line instead of ending in "…", at a
// blank in Latin script and between characters in Chinese, and at the initial widths a usual
// document name is printed whole: the room the other columns leave is the document's. Read back
// with pdftotext.
TEST_F(ReportTest, TitlesWrapAndUsualDocumentNamesFitAtTheInitialWidths)
{
    addPrint(
        {QStringLiteral("Laser-1"), QStringLiteral("Minutes, draft.docx"), QStringLiteral("PC-A")});
    const struct
    {
        const char *langFile;
        int charset;
        const char *arrange; // a statement run first, or empty
        const char *firstLine, *secondLine;
    } cases[] = {
        {"English.ini", 0, "",
         "Printer Document Computer Pages Document Paper Print Time User IP MAC Employee "
         "Department",
         "Size"},
        {"Chinese.ini", 134,
         "update tShowSetting set FName='员工姓名', FWidth=40 where FieldName='EmName'",
         "打印机 Document Computer Pages Document Paper Print Time User IP MAC 员工 Department",
         "Size 姓名"},
    };
    exec(QStringLiteral("create table tShowSettingStart as select * from tShowSetting"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.langFile);
        exec(QStringLiteral("delete from tShowSetting"));
        exec(QStringLiteral("insert into tShowSetting select * from tShowSettingStart"));
        if (*c.arrange)
            exec(QString::fromUtf8(c.arrange));
        const IniFile catalogue(dir.file(QString::fromLatin1(c.langFile)), c.charset);
        ReportLayout layout;
        ASSERT_TRUE(LoadReportLayout(
            db(), ReportTable::PrinterData, QStringLiteral("PrinterName"),
            [&](const QString &k) { return catalogue.readString(QStringLiteral("Lang"), k); },
            layout));
        GroupedReport r(layout);
        ASSERT_TRUE(r.read(db(), {}));
        const QString text = writePdf(r);
        const QStringList lines = text.split(u'\n');
        const auto first = std::find_if(lines.begin(), lines.end(), [&](const QString &l) {
            return l.simplified() == QString::fromUtf8(c.firstLine);
        });
        ASSERT_NE(first, lines.end()) << text.toStdString();
        ASSERT_NE(first + 1, lines.end());
        EXPECT_EQ((first + 1)->simplified(), QString::fromUtf8(c.secondLine));
        EXPECT_TRUE(text.contains(QStringLiteral(" Minutes, draft.docx ")));
    }
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
