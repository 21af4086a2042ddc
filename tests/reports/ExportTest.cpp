// Spreadsheet export: the workbook read back with openpyxl, the CSV byte for byte, failures.
#include "IniFile.h"
#include "ReportsFixture.h"
#include "SpreadsheetExport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

namespace vesk::test {

namespace {

class ExportTest : public ReportsFixture
{
protected:
    ExportTest()
    {
        addPrint({QStringLiteral("Laser, 1"), QStringLiteral("say \"hi\"\nnow"),
                  QStringLiteral("PC-A"), 3, QStringLiteral("2026-03-02 09:15:00")});
        addPrint({QVariant(), QStringLiteral("orphan.txt"), QStringLiteral("PC-C"), 12,
                  QStringLiteral("2026-03-04 17:00:59"), QVariant()});
    }
    bool exportTo(const QString &name, const LangLookup &l,
                  ReportTable table = ReportTable::PrinterData, const QString &filter = {},
                  QString *error = nullptr)
    {
        const QString file = dir.file(name);
        return ExportRecords(db(), table, filter, ExportColumns(table, l), file,
                             ExportFormatOf(file), error);
    }
};

QStringList texts(const QJsonValue &row)
{
    QStringList out;
    for (const QJsonValue &v : row.toArray())
        out << (v.isObject() ? v.toObject().begin().key() + u':' +
                                   v.toObject().begin().value().toVariant().toString()
                             : v.toString());
    return out;
}

} // namespace

TEST_F(ExportTest, CsvIsUtf8WithBomAndRfc4180Quoting)
{
    exec(QStringLiteral("update tPrinterData set JobOutcome=2, PagesPrinted=0, ColorPrint=1, "
                        "Duplex=0 where documentName='orphan.txt'"));
    ASSERT_TRUE(exportTo(QStringLiteral("out.CSV"), lang()));
    EXPECT_EQ(readBytes(dir.file(QStringLiteral("out.CSV"))),
              QByteArray("\xEF\xBB\xBF"
                         "Printer,Document,Computer,Pages,Document Size,Paper,Print Time,User,IP,"
                         "MAC,Employee,Department,Outcome,Pages Printed,Colour,Two-sided\r\n"
                         "\"Laser, 1\",\"say \"\"hi\"\"\nnow\",PC-A,3,2048,A4,2026-03-02 09:15:00,"
                         "ann,10.0.0.1,00-11-22-33-44-55,Ann,Sales,,,,\r\n"
                         ",orphan.txt,PC-C,12,2048,A4,2026-03-04 17:00:59,ann,10.0.0.1,"
                         "00-11-22-33-44-55,Ann,,Cancelled,0,Yes,No\r\n"));
}

TEST_F(ExportTest, WorkbookHasTypedCellsAndThePrintSetup)
{
    exec(QStringLiteral("update tPrinterData set JobOutcome=3, PagesPrinted=2, ColorPrint=0, "
                        "Duplex=1 where PrinterName='Laser, 1'"));
    ASSERT_TRUE(exportTo(QStringLiteral("history"), lang())); // no extension: kept as typed
    const QJsonObject x = readXlsx(dir.file(QStringLiteral("history")));
    EXPECT_EQ(x[u"sheets"].toArray(), QJsonArray{QStringLiteral("Data")});
    const QJsonArray rows = x[u"rows"].toArray();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(texts(rows[0]).join(u'|'),
              QStringLiteral("Printer|Document|Computer|Pages|Document Size|Paper|Print Time|User|"
                             "IP|MAC|Employee|Department|Outcome|Pages Printed|Colour|Two-sided"));
    EXPECT_EQ(
        texts(rows[1]).join(u'|'),
        QStringLiteral("Laser, 1|say \"hi\"\nnow|PC-A|number:3|number:2048|A4|"
                       "datetime:2026-03-02 09:15:00|ann|10.0.0.1|00-11-22-33-44-55|Ann|Sales|"
                       "Aborted|number:2|No|Yes"));
    EXPECT_EQ(texts(rows[2]).first(), QString()); // null stays an empty cell
    EXPECT_EQ(x[u"autofilter"].toString(), QStringLiteral("A1:Q3"));
    EXPECT_EQ(x[u"orientation"].toString(), QStringLiteral("landscape"));
    EXPECT_EQ(x[u"fitToWidth"].toInt(), 1);
    EXPECT_EQ(x[u"fitToHeight"].toInt(), 0);
    EXPECT_TRUE(x[u"fitToPage"].toBool());
    EXPECT_EQ(x[u"printTitleRows"].toString(), QStringLiteral("$1:$1"));
    EXPECT_EQ(x[u"freeze"].toString(), QStringLiteral("A2"));
    EXPECT_EQ(x[u"activeCell"].toString(), QStringLiteral("A1"));
    // Written under a private temporary name, the workbook still gets a new file's permissions.
    ASSERT_TRUE(exportTo(QStringLiteral("history.csv"), lang()));
    EXPECT_EQ(QFile::permissions(dir.file(QStringLiteral("history"))),
              QFile::permissions(dir.file(QStringLiteral("history.csv"))));
}

TEST_F(ExportTest, HeadingsComeFromTheLanguageAsPlainText)
{
    const IniFile chinese(dir.file(QStringLiteral("Chinese.ini")), 134);
    const LangLookup zh = [&chinese](const QString &k) {
        return chinese.readString(QStringLiteral("Lang"), k);
    };
    const LangLookup bracket = [this](const QString &k) {
        return k == u"RSTotalPageCount" ? QStringLiteral("Pages] [x'") : lang()(k);
    };
    exec(QStringLiteral("insert into tHost (HostName, IP, MAC, tNetGroup) values "
                        "('PC-A','10.0.0.1','00-11','WORK'), ('PC-B','10.0.0.2','00-12','HOME')"));
    const struct
    {
        const char *file;
        ReportTable table;
        LangLookup lang;
        const char *filter;
        const char *headings;
        int rows;
        const char *autofilter;
    } cases[] = {
        {"zh.xlsx", ReportTable::PrinterData, zh, "",
         "打印机|文档名称|计算机名|页数|文档大小|纸张|打印时间|用户名|IP地址|MAC|员工|部门|结果|"
         "已打印页数|彩色|双面",
         3, "A1:Q3"},
        {"bracket.xlsx", ReportTable::PrinterData, bracket, " where  hostName like '%PC-A%'",
         "Printer|Document|Computer|Pages] [x'|Document Size|Paper|Print Time|User|IP|MAC|"
         "Employee|Department|Outcome|Pages Printed|Colour|Two-sided",
         2, "A1:Q2"},
        {"hosts.xlsx", ReportTable::Host, zh, "",
         "计算机名|IP地址|MAC|工作组|所属部门|使用员工|电话|传真|电子邮件|备注", 3, "A1:J3"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        QString error;
        ASSERT_TRUE(exportTo(QString::fromLatin1(c.file), c.lang, c.table,
                             QString::fromLatin1(c.filter), &error))
            << error.toStdString();
        const QJsonObject x = readXlsx(dir.file(QString::fromLatin1(c.file)));
        const QJsonArray rows = x[u"rows"].toArray();
        ASSERT_EQ(rows.size(), c.rows);
        EXPECT_EQ(texts(rows[0]).join(u'|'), QString::fromUtf8(c.headings));
        EXPECT_EQ(x[u"autofilter"].toString(), QString::fromLatin1(c.autofilter));
    }
}

TEST_F(ExportTest, FailuresLeaveNoFileBehind)
{
    const QString kept = dir.file(QStringLiteral("kept.xlsx"));
    ASSERT_TRUE(exportTo(QStringLiteral("kept.xlsx"), lang()));
    const QByteArray before = readBytes(kept);
    const struct
    {
        const char *file;
        const char *filter;
    } cases[] = {
        {"missing-folder/out.xlsx", ""},
        {"missing-folder/out.csv", ""},
        {"kept.xlsx", " where NoSuchColumn=1"},
        {"kept.csv", " where NoSuchColumn=1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        QString error;
        EXPECT_FALSE(exportTo(QString::fromLatin1(c.file), lang(), ReportTable::PrinterData,
                              QString::fromLatin1(c.filter), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(readBytes(kept), before);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("kept.csv"))));
    EXPECT_EQ(QDir(dir.path())
                  .entryList(QDir::Files | QDir::Hidden)
                  .filter(QStringLiteral("vesk-export")),
              QStringList());
}

} // namespace vesk::test
