// Spreadsheet export: the workbook read back with openpyxl, the CSV byte for byte, failures.
#include "GroupedReport.h"
#include "IniFile.h"
#include "ReportsFixture.h"
#include "SpreadsheetExport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <algorithm>
#include <unistd.h>

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

// Runs the scope with the rights of an ordinary user: root's rights would let it write any file.
// The effective user only, so that root comes back at the end; a test run by an ordinary user
// keeps its own.
class AsOrdinaryUser
{
public:
    AsOrdinaryUser()
    {
        if (geteuid() != 0)
            return;
        constexpr uid_t nobody = 65534; // Debian's nobody and nogroup
        EXPECT_EQ(setegid(nobody), 0);
        EXPECT_EQ(seteuid(nobody), 0);
        root_ = true;
    }
    ~AsOrdinaryUser()
    {
        if (!root_)
            return;
        EXPECT_EQ(seteuid(0), 0);
        EXPECT_EQ(setegid(0), 0);
    }
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

private:
    bool root_ = false;
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
                        "Duplex=0, Cost=302 where documentName='orphan.txt'"));
    ASSERT_TRUE(exportTo(QStringLiteral("out.CSV"), lang()));
    EXPECT_EQ(readBytes(dir.file(QStringLiteral("out.CSV"))),
              QByteArray("\xEF\xBB\xBF"
                         "Printer,Document,Computer,Pages,Document Size,Paper,Print Time,User,IP,"
                         "MAC,Employee,Department,Outcome,Pages Printed,Colour,Two-sided,Cost\r\n"
                         "\"Laser, 1\",\"say \"\"hi\"\"\nnow\",PC-A,\"3\",\"2048\",A4,"
                         "2026-03-02 09:15:00,ann,10.0.0.1,00-11-22-33-44-55,Ann,Sales,,,,,\r\n"
                         ",orphan.txt,PC-C,\"12\",\"2048\",A4,2026-03-04 17:00:59,ann,10.0.0.1,"
                         "00-11-22-33-44-55,Ann,,Cancelled,\"0\",Yes,No,3.02\r\n"));
}

// A cell that a spreadsheet program would read as a formula is shown as the text it is; a number
// column's value that is no number (SQLite keeps text there) is such a text cell too.
TEST_F(ExportTest, CsvTextCellsNeverStartAFormula)
{
    const struct
    {
        const char *document;
        const char *field; // the document's CSV field, then what follows it
    } cases[] = {
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\",PC,\"1\""},
        {"=cmd|'/c calc'!A1", "'=cmd|'/c calc'!A1,PC,\"1\""},
        {"+1+2", "'+1+2,PC,\"1\""},
        {"-2+3", "'-2+3,PC,\"1\""},
        {"@SUM(A1)", "'@SUM(A1),PC,\"1\""},
        {"\tx", "'\tx,PC,\"1\""},
        {"\rx", "\"'\rx\",PC,\"1\""},
        {" =1+1", "' =1+1,PC,\"1\""},
        {"  \t@SUM(A1)", "'  \t@SUM(A1),PC,\"1\""},
        {"\u3000-2", "'\u3000-2,PC,\"1\""},
        {"\uFF1D1+1", "'\uFF1D1+1,PC,\"1\""},
        {"\uFF0B1", "'\uFF0B1,PC,\"1\""},
        {"\uFF0D1", "'\uFF0D1,PC,\"1\""},
        {"\uFF20SUM(A1)", "'\uFF20SUM(A1),PC,\"1\""},
        {" a=b", " a=b,PC,\"1\""},
        {"a=b", "a=b,PC,\"1\""},
        {"pages", "pages,PC,'=1+1,\"2048\""},
        {"negative", "negative,PC,\"-3\",\"2048\""},
    };
    exec(QStringLiteral("delete from tPrinterData"));
    for (const auto &c : cases)
        addPrint({QStringLiteral("P"), QString::fromUtf8(c.document), QStringLiteral("PC")});
    exec(
        QStringLiteral("update tPrinterData set TotalPageCount='=1+1' where documentName='pages'"));
    exec(QStringLiteral("update tPrinterData set TotalPageCount=-3 where documentName='negative'"));
    ASSERT_TRUE(exportTo(QStringLiteral("out.csv"), lang()));
    const QByteArray csv = readBytes(dir.file(QStringLiteral("out.csv")));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.document);
        EXPECT_TRUE(csv.contains(QByteArray("\r\nP," + QByteArray(c.field) + ',')));
    }
}

TEST_F(ExportTest, WorkbookHasTypedCellsAndThePrintSetup)
{
    exec(QStringLiteral("update tPrinterData set JobOutcome=3, PagesPrinted=2, ColorPrint=0, "
                        "Duplex=1, Cost=302 where PrinterName='Laser, 1'"));
    ASSERT_TRUE(exportTo(QStringLiteral("history"), lang())); // no extension: kept as typed
    const QJsonObject x = readXlsx(dir.file(QStringLiteral("history")));
    EXPECT_EQ(x[u"sheets"].toArray(), QJsonArray{QStringLiteral("Data")});
    const QJsonArray rows = x[u"rows"].toArray();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(
        texts(rows[0]).join(u'|'),
        QStringLiteral("Printer|Document|Computer|Pages|Document Size|Paper|Print Time|User|"
                       "IP|MAC|Employee|Department|Outcome|Pages Printed|Colour|Two-sided|Cost"));
    EXPECT_EQ(
        texts(rows[1]).join(u'|'),
        QStringLiteral("Laser, 1|say \"hi\"\nnow|PC-A|number:3|number:2048|A4|"
                       "datetime:2026-03-02 09:15:00|ann|10.0.0.1|00-11-22-33-44-55|Ann|Sales|"
                       "Aborted|number:2|No|Yes|number:3.02"));
    EXPECT_EQ(texts(rows[2]).first(), QString()); // null stays an empty cell
    EXPECT_EQ(x[u"autofilter"].toString(), QStringLiteral("A1:R3"));
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
         "已打印页数|彩色|双面|费用",
         3, "A1:R3"},
        {"bracket.xlsx", ReportTable::PrinterData, bracket, " where  hostName like '%PC-A%'",
         "Printer|Document|Computer|Pages] [x'|Document Size|Paper|Print Time|User|IP|MAC|"
         "Employee|Department|Outcome|Pages Printed|Colour|Two-sided|Cost",
         2, "A1:R2"},
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

// Every column is as wide as what it shows, the heading beside its filter button included: no
// "#####" for a time, no cut heading or value until the reader widens the column.
TEST_F(ExportTest, WorkbookColumnsAreWideEnoughForTheirContent)
{
    const IniFile chinese(dir.file(QStringLiteral("Chinese.ini")), 134);
    const LangLookup zh = [&chinese](const QString &k) {
        return chinese.readString(QStringLiteral("Lang"), k);
    };
    exec(QStringLiteral("insert into tHost (HostName, IP, MAC, tNetGroup, Email) values "
                        "('PC-A','10.0.0.1','00-11-22-33-44-55','WORKGROUP','ann@example.com')"));
    // Characters a text takes, the wide East Asian ones twice; a time "yyyy-mm-dd hh:mm:ss".
    const auto needs = [](const QJsonValue &v) {
        if (v.isObject())
            return v.toObject().contains(u"datetime") ? 19.0 : 0.0;
        double widest = 0;
        for (const QString &line : v.toString().split(u'\n')) {
            double w = 0;
            for (QChar ch : line)
                w += ch.unicode() >= 0x2E80 ? 2 : 1;
            widest = std::max(widest, w);
        }
        return widest;
    };
    constexpr double FilterButton = 2;
    const struct
    {
        const char *file;
        ReportTable table;
        LangLookup lang;
    } cases[] = {
        {"en.xlsx", ReportTable::PrinterData, lang()},
        {"zh.xlsx", ReportTable::PrinterData, zh},
        {"hosts.xlsx", ReportTable::Host, zh},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(exportTo(QString::fromLatin1(c.file), c.lang, c.table));
        const QJsonObject x = readXlsx(dir.file(QString::fromLatin1(c.file)));
        const QJsonArray widths = x[u"widths"].toArray(), rows = x[u"rows"].toArray();
        for (int i = 0; i < widths.size(); ++i) {
            SCOPED_TRACE(rows[0].toArray()[i].toString().toStdString());
            double least = needs(rows[0].toArray()[i]) + FilterButton;
            for (int r = 1; r < rows.size(); ++r)
                least = std::max(least, needs(rows[r].toArray()[i]));
            EXPECT_GE(widths[i].toDouble(), least);
        }
    }
}

// Over an existing file every format follows one rule: a file the user may not write is
// refused and kept; a symbolic link is written through and stays a link.
TEST_F(ExportTest, AnExistingFileIsReplacedOnlyWhereTheUserMayWriteIt)
{
    // A folder anyone may write, as a shared folder is; the export runs as an ordinary user.
    QTemporaryDir shared;
    ASSERT_TRUE(QFile::setPermissions(shared.path(), QFileDevice::Permissions(0x7777)));
    const auto path = [&shared](const char *name) { return shared.filePath(QLatin1String(name)); };
    const struct
    {
        const char *file;    // what the export is given
        const char *written; // the file that must hold the export; null: refused
    } cases[] = {
        {"locked.xlsx", nullptr}, {"locked.csv", nullptr}, {"link.xlsx", "open.xlsx"},
        {"link.csv", "open.csv"}, {"locked.pdf", nullptr}, {"link.pdf", "open.pdf"},
    };
    // What each format's file begins with.
    const auto magic = [](const QString &file) {
        return file.endsWith(u".csv") ? "\xEF\xBB\xBF" : file.endsWith(u".pdf") ? "%PDF" : "PK";
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        const QString target = path(c.written ? c.written : c.file);
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        if (c.written) {
            ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::Permissions(0x6666)));
            ASSERT_TRUE(QFile::link(c.written, path(c.file))); // relative, as ln -s makes it
        } else {
            ASSERT_TRUE(QFile::setPermissions(target, QFileDevice::Permissions(0x4444)));
        }
        QString error;
        bool ok = false;
        {
            const AsOrdinaryUser user;
            ok = path(c.file).endsWith(u".pdf")
                     ? WriteReportPdf(GroupedReport(ReportLayout{}), path(c.file), &error)
                     : ExportRecords(db(), ReportTable::PrinterData, {},
                                     ExportColumns(ReportTable::PrinterData, lang()), path(c.file),
                                     ExportFormatOf(path(c.file)), &error);
        }
        EXPECT_EQ(ok, c.written != nullptr) << error.toStdString();
        if (c.written) {
            EXPECT_TRUE(QFileInfo(path(c.file)).isSymLink());
            EXPECT_TRUE(readBytes(target).startsWith(magic(target)));
        } else {
            EXPECT_TRUE(error.contains(target)) << error.toStdString();
            EXPECT_EQ(readBytes(target), QByteArray("old"));
        }
        EXPECT_EQ(QDir(shared.path())
                      .entryList(QDir::Files | QDir::Hidden)
                      .filter(QStringLiteral("vesk-export")),
                  QStringList());
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
