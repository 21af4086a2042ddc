// vesk report and vesk export, run as cron would run them: no display, the files the console
// writes for the same search.
#include "GroupedReport.h"
#include "HeadlessRun.h"
#include "PrinterDataSearch.h"
#include "ReportsFixture.h"
#include "SpreadsheetExport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>

namespace vesk::test {

namespace {

// A print job: its document's name and its time.
struct Job
{
    const char *document;
    const char *time;
};

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
    // The documents of a history export with `args`, in the database's order.
    QStringList documents(const QStringList &args)
    {
        const QString file = dir.file(QStringLiteral("documents.csv"));
        EXPECT_EQ(vesk(QStringList{QStringLiteral("export"), QStringLiteral("history"),
                                   QStringLiteral("-o"), file} +
                       args),
                  0)
            << stderr_.toStdString();
        QStringList out;
        for (const QString &line :
             QString::fromUtf8(readBytes(file)).split(QStringLiteral("\r\n")).mid(1))
            if (!line.isEmpty())
                out << line.section(u',', 1, 1);
        return out;
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
                            QStringLiteral("--to"), QStringLiteral("2026-11-30")};
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

// --from and --to take their days whole, with or without other filters; today is the end when
// --to is not given.
TEST_F(CommandTest, DatesIncludeTheWholeDaysNamed)
{
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    const Job jobs[] = {{"day-first", "2026-11-25 00:00:00"},
                        {"day-last", "2026-11-25 23:59:59"},
                        {"next-day", "2026-11-26 00:00:00"},
                        {"day-before", "2026-11-24 23:59:59"},
                        {"today", ""}};
    for (const Job &j : jobs)
        addPrint({QStringLiteral("Laser-1"), QLatin1String(j.document), QStringLiteral("PC-A"), 1,
                  *j.time ? QString::fromLatin1(j.time) : today + QStringLiteral(" 23:59:59")});
    const struct
    {
        const char *args;
        const char *documents;
    } cases[] = {
        {"--from 2026-11-25 --to 2026-11-25", "day-first day-last"},
        {"--printer Laser-1 --from 2026-11-25 --to 2026-11-25", "day-first day-last"},
        {"--from 2026-11-24 --to 2026-11-24", "day-before"},
        {"--printer Laser-1 --from 2026-11-26", "next-day today"},
        {"--from 2026-11-26", "next-day today"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(documents(QString::fromLatin1(c.args).split(u' ')).join(u' '),
                  QString::fromLatin1(c.documents));
    }
}

// The monthly unit's command, run as systemd runs it on the 1st: each month's files hold that
// month's jobs, the one at midnight on the 1st in the new month only.
TEST_F(CommandTest, MonthlyUnitCountsEveryJobInOneMonth)
{
    exec(QStringLiteral("delete from tPrinterData"));
    const Job jobs[] = {{"oct-last", "2026-10-31 23:59:59"},
                        {"nov-first", "2026-11-01 00:00:00"},
                        {"nov-last", "2026-11-30 23:59:59"},
                        {"dec-first", "2026-12-01 00:00:00"},
                        {"dec-last", "2026-12-31 23:59:59"}};
    for (const Job &j : jobs)
        addPrint({QStringLiteral("Laser-1"), QLatin1String(j.document), QStringLiteral("PC-A"), 1,
                  QString::fromLatin1(j.time)});
    // ExecStart's command line: continuation lines joined, systemd's %% a single %.
    QString unit = QString::fromUtf8(readBytes(QStringLiteral(VESK_REPORT_UNIT)));
    unit.replace(QStringLiteral("\\\n"), QStringLiteral(" "));
    QString script =
        unit.section(QStringLiteral("\nExecStart=/bin/sh -ec '"), 1).section(u'\n', 0, 0);
    ASSERT_TRUE(script.endsWith(u'\''));
    script.chop(1);
    script.replace(QStringLiteral("%%"), QStringLiteral("%"));
    script.replace(QStringLiteral("/opt/vesk/vesk"),
                   QStringLiteral("'%1' --app '%2'").arg(QStringLiteral(VESK_COMMAND), dir.path()));
    // `date` without -d answers the timer's start; every other call is the real one.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("bin")));
    dir.write(QStringLiteral("bin/date"),
              QStringLiteral("#!/bin/sh\n"
                             "[ \"$1\" = -d ] && exec /bin/date \"$@\"\n"
                             "exec /bin/date -d \"$VESK_NOW\" \"$@\"\n"));
    ASSERT_TRUE(QFile::setPermissions(dir.file(QStringLiteral("bin/date")),
                                      QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const struct
    {
        const char *now;
        const char *month;
        const char *documents;
    } cases[] = {
        {"2026-12-01 06:00:00", "2026-11", "nov-first nov-last"},
        {"2027-01-01 06:00:00", "2026-12", "dec-first dec-last"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.now);
        const int status = test::RunHeadless(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-ec"),
             QStringLiteral("export PATH='%1/bin':\"$PATH\" VESK_NOW='%2' STATE_DIRECTORY='%1'; ")
                     .arg(dir.path(), QLatin1String(c.now)) +
                 script},
            nullptr, &stderr_);
        ASSERT_EQ(status, 0) << stderr_.toStdString();
        const QString name = dir.file(QStringLiteral("history-") + QLatin1String(c.month));
        QStringList documents;
        for (const QJsonValue &row : readXlsx(name + QStringLiteral(".xlsx"))[u"rows"].toArray())
            documents << row.toArray()[1].toString();
        EXPECT_EQ(documents.mid(1).join(u' '), QString::fromLatin1(c.documents));
        const QString pdf = pdfText(name + QStringLiteral(".pdf"));
        for (const Job &j : jobs)
            EXPECT_EQ(pdf.contains(QLatin1String(j.document)),
                      QByteArray(c.documents).contains(j.document))
                << j.document;
    }
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
