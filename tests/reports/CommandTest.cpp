// vesk report and vesk export, run as cron would run them: no display, the files the console
// writes for the same search.
#include "GroupedReport.h"
#include "HeadlessRun.h"
#include "PrinterDataSearch.h"
#include "ReportsFixture.h"
#include "SpreadsheetExport.h"

#include <QFile>

namespace vesk::test {

namespace {

class CommandTest : public ReportsFixture
{
protected:
    CommandTest()
    {
        addPrint({QStringLiteral("Laser-1"), QStringLiteral("memo.doc"), QStringLiteral("PC-A"), 2,
                  QStringLiteral("2026-11-03 10:00:00"), QStringLiteral("Sales")});
        addPrint({QStringLiteral("Laser-2"), QStringLiteral("plan.doc"), QStringLiteral("PC-B"), 5,
                  QStringLiteral("2026-11-20 16:30:00"), QStringLiteral("IT")});
        addPrint({QStringLiteral("Laser-1"), QStringLiteral("old.doc"), QStringLiteral("PC-A"), 1,
                  QStringLiteral("2026-10-30 09:00:00"), QStringLiteral("Sales")});
        exec(QStringLiteral("insert into tHost (HostName, IP, tNetGroup, DeptName) values "
                            "('PC-A','10.0.0.1','WORK','Sales')"));
    }
    // Runs vesk on the fixture's folder without a display; the exit status.
    int vesk(const QStringList &args)
    {
        return test::RunHeadless(QStringLiteral(VESK_COMMAND),
                                 QStringList{QStringLiteral("--app"), dir.path()} + args, nullptr,
                                 &stderr_);
    }
    QString stderr_;
};

} // namespace

TEST_F(CommandTest, WritesTheConsolesFilesWithoutADisplay)
{
    // What the console writes for November's search grouped by department.
    const QString filter =
        PrinterDataSearch({QDate(2026, 11, 1), QDate(2026, 12, 1), {}, {}, {}, {}, {}}).filter;
    ReportLayout layout;
    ASSERT_TRUE(LoadReportLayout(db(), ReportTable::PrinterData, QStringLiteral("DeptName"), lang(),
                                 layout));
    GroupedReport console(layout);
    ASSERT_TRUE(console.read(db(), filter));
    ASSERT_TRUE(WriteReportPdf(console, dir.file(QStringLiteral("console.pdf"))));
    ASSERT_TRUE(ExportRecords(db(), ReportTable::PrinterData, filter,
                              ExportColumns(ReportTable::PrinterData, lang()),
                              dir.file(QStringLiteral("console.csv")), ExportFormat::Csv));

    const QStringList month{QStringLiteral("--from"), QStringLiteral("2026-11-01"),
                            QStringLiteral("--to"), QStringLiteral("2026-12-01")};
    ASSERT_EQ(vesk(QStringList{QStringLiteral("report"), QStringLiteral("history"),
                               QStringLiteral("--group-by"), QStringLiteral("dept"),
                               QStringLiteral("-o"), dir.file(QStringLiteral("cli.pdf"))} +
                   month),
              0)
        << stderr_.toStdString();
    EXPECT_EQ(stderr_, QString());
    ASSERT_EQ(vesk(QStringList{QStringLiteral("export"), QStringLiteral("history"),
                               QStringLiteral("-o"), dir.file(QStringLiteral("cli.csv"))} +
                   month),
              0)
        << stderr_.toStdString();
    const QString text = pdfText(dir.file(QStringLiteral("cli.pdf")));
    EXPECT_EQ(text, pdfText(dir.file(QStringLiteral("console.pdf"))));
    EXPECT_TRUE(text.contains(QStringLiteral("plan.doc")));
    EXPECT_FALSE(text.contains(QStringLiteral("old.doc")));
    EXPECT_EQ(readBytes(dir.file(QStringLiteral("cli.csv"))),
              readBytes(dir.file(QStringLiteral("console.csv"))));

    ASSERT_EQ(vesk({QStringLiteral("export"), QStringLiteral("hosts"),
                    QStringLiteral("--workgroup"), QStringLiteral("work"), QStringLiteral("-o"),
                    dir.file(QStringLiteral("hosts.xlsx"))}),
              0);
    EXPECT_EQ(readXlsx(dir.file(QStringLiteral("hosts.xlsx")))[u"autofilter"].toString(),
              QStringLiteral("A1:J2"));
}

TEST_F(CommandTest, RefusesWhatItCannotDo)
{
    const struct
    {
        const char *args;
        int status;
        const char *message;
    } cases[] = {
        {"report hosts --group-by printer -o x.pdf", 2,
         "--group-by dept, host, employee or workgroup"},
        {"report history --group-by printer", 2, "name the output file with -o FILE"},
        {"export history --ip 10 -o x.csv", 2, "unknown option --ip"},
        {"export history --from 2026-13-01 -o x.csv", 2, "not a date (yyyy-mm-dd): 2026-13-01"},
        {"export printers -o x.csv", 2, "name the records first: history or hosts"},
        {"export history -o missing-folder/x.xlsx", 1, "missing-folder"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        QStringList args = QString::fromLatin1(c.args).split(u' ');
        const qsizetype o = args.indexOf(QStringLiteral("-o"));
        if (o >= 0)
            args[o + 1] = dir.file(args[o + 1]);
        EXPECT_EQ(vesk(args), c.status);
        EXPECT_TRUE(stderr_.contains(QLatin1String(c.message))) << stderr_.toStdString();
        if (o >= 0) {
            EXPECT_FALSE(QFile::exists(args[o + 1]));
        }
    }
}

} // namespace vesk::test
