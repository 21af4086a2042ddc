// Plausible office data: names, departments and print times spread over working days.
#include "DemoData.h"

#include "Database.h"
#include "JobOutcome.h"
#include "Totals.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <vector>

namespace vesk {

namespace {

struct Dept
{
    const char *name;
    const char *super; // "-1" for a top-level department
    const char *code;
};

const Dept Depts[] = {
    {"Sales", "-1", "SAL"},         {"Sales East", "Sales", "SLE"},
    {"Sales West", "Sales", "SLW"}, {"Finance", "-1", "FIN"},
    {"Engineering", "-1", "ENG"},   {"Support", "Engineering", "SUP"},
    {"Marketing", "-1", "MKT"},     {"Purchasing", "-1", "PUR"},
    {"Warehouse", "-1", "WHS"},     {"Human Resources", "-1", "HR"},
    {"Legal", "-1", "LEG"},         {"Front Desk", "-1", "FD"},
};

const char *const FirstNames[] = {
    "Anna", "Ben",  "Chloe", "David", "Emma",  "Felix", "Grace",  "Henry",    "Isla",   "Jack",
    "Kate", "Liam", "Maria", "Noah",  "Olga",  "Paul",  "Quinn",  "Rosa",     "Samuel", "Tara",
    "Umar", "Vera", "Will",  "Xenia", "Yusuf", "Zoe",   "Li Wei", "Chen Jing"};
const char *const LastNames[] = {"Smith", "Müller", "Garcia",   "O'Brien", "Novak",  "Rossi",
                                 "Kim",   "Nguyen", "Ivanova",  "Schmidt", "Dubois", "Wang",
                                 "Jones", "Silva",  "Kowalski", "Hansen",  "Brown",  "Zhang"};
const char *const Documents[] = {"Quarterly report %1.docx", "Invoice %1.pdf",
                                 "Meeting notes %1.docx",    "Price list %1.xlsx",
                                 "Delivery note %1.pdf",     "Contract draft v%1.docx",
                                 "Timesheet week %1.xlsx",   "Microsoft Word - Letter %1.doc",
                                 "https://intranet/news/%1", "Drawing %1.dwg",
                                 "Payroll %1.xlsx",          "Presentation %1.pptx"};
const char *const Printers[] = {"HP LaserJet 4250",     "Kyocera FS-2100D",      "Brother HL-L5100",
                                "Canon iR-ADV C5535",   "Epson WF-C5790",        "Ricoh MP 2555",
                                "Xerox VersaLink C405", "HP Color LaserJet M553"};
const char *const Papers[] = {"A4", "A4", "A4", "A4", "A4", "Letter", "A3", "A5", "Legal"};

struct Host
{
    QString name, ip, mac, net, dept, em, tel, email, login;
};

template <class T, size_t N> const T &pick(QRandomGenerator &r, const T (&a)[N])
{
    return a[r.bounded(int(N))];
}

bool fail(QSqlQuery &q, QString *error)
{
    if (error)
        *error = q.lastError().text();
    return false;
}

} // namespace

bool fillDemoDatabase(QSqlDatabase &db, const DemoOptions &o, QString *error)
{
    QRandomGenerator rnd(o.seed);
    const QDate last = o.lastDay.isValid() ? o.lastDay : QDate::currentDate();
    const QDate first = o.firstDay.isValid() ? o.firstDay : last.addYears(-3);
    const QString unknown = o.lang ? o.lang(QStringLiteral("RSUnkown")) : QStringLiteral("Unknown");

    if (!beginWrite(db, error))
        return false;
    QSqlQuery q(db);
    auto abort = [&](QString *e) {
        fail(q, e);
        q.finish();
        rollbackWrite(db);
        return false;
    };

    q.prepare(
        QStringLiteral("insert into tDept (Name, SuperName, Manager, tel) values (?, ?, ?, ?)"));
    for (const Dept &d : Depts) {
        q.addBindValue(QString::fromUtf8(d.name));
        q.addBindValue(QString::fromUtf8(d.super));
        q.addBindValue(QStringLiteral("%1 %2").arg(QString::fromUtf8(pick(rnd, FirstNames)),
                                                   QString::fromUtf8(pick(rnd, LastNames))));
        q.addBindValue(QStringLiteral("555-%1").arg(rnd.bounded(1000, 9999)));
        if (!q.exec())
            return abort(error);
    }

    std::vector<Host> hosts;
    hosts.reserve(o.hosts);
    q.prepare(QStringLiteral("insert into tHost (HostName, IP, MAC, tNetGroup, DeptName, EmName, "
                             "Tel, Fax, Email, Memo) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int i = 0; i < o.hosts; ++i) {
        const Dept &d = pick(rnd, Depts);
        Host h;
        h.name = QStringLiteral("%1-PC%2")
                     .arg(QString::fromUtf8(d.code))
                     .arg(i + 1, 4, 10, QLatin1Char('0'));
        h.ip = QStringLiteral("10.%1.%2.%3").arg(i / 62500).arg(i / 250 % 250).arg(i % 250 + 2);
        for (int b = 0; b < 6; ++b)
            h.mac +=
                QStringLiteral("%1%2")
                    .arg(b ? QStringLiteral("-") : QString())
                    .arg(b < 2 ? (b ? 0x1A : 0x00) : int(rnd.bounded(256)), 2, 16, QLatin1Char('0'))
                    .toUpper();
        h.net = rnd.bounded(5) ? QStringLiteral("OFFICE") : QStringLiteral("WORKGROUP");
        h.dept = QString::fromUtf8(d.name);
        const QString firstName = QString::fromUtf8(pick(rnd, FirstNames));
        const QString lastName = QString::fromUtf8(pick(rnd, LastNames));
        h.em = firstName + u' ' + lastName;
        h.login = (firstName.left(1) + lastName).toLower().remove(u' ').remove(u'\'');
        h.tel = QStringLiteral("555-%1").arg(1000 + i);
        h.email = h.login + QStringLiteral("@example.com");
        for (const QString &v :
             {h.name, h.ip, h.mac, h.net, h.dept, h.em, h.tel, QString(), h.email, QString()})
            q.addBindValue(v);
        if (!q.exec())
            return abort(error);
        hosts.push_back(std::move(h));
    }

    // One or two printers per department-sized group of computers, each on some computer.
    QStringList printerNames;
    const int printerCount = std::max(3, std::min(60, o.hosts / 20 + 3));
    q.prepare(QStringLiteral("insert into tPrinter (Name, HostName, IsMonitor) values (?, ?, ?)"));
    for (int i = 0; i < printerCount; ++i) {
        const QString name = QStringLiteral("%1 (%2F-%3)")
                                 .arg(QString::fromUtf8(pick(rnd, Printers)))
                                 .arg(i % 6 + 1)
                                 .arg(i + 1);
        printerNames << name;
        q.addBindValue(name);
        q.addBindValue(hosts.empty() ? QString() : hosts[rnd.bounded(int(hosts.size()))].name);
        q.addBindValue(rnd.bounded(10) ? 1 : 0);
        if (!q.exec())
            return abort(error);
    }

    // Print times on working days between 07:30 and 18:30, appended in order.
    const qint64 days = std::max<qint64>(1, first.daysTo(last) + 1);
    std::vector<qint64> stamps; // seconds since `first`
    stamps.reserve(o.records);
    while (qint64(stamps.size()) < o.records) {
        const qint64 day = rnd.bounded(days);
        const int dow = first.addDays(day).dayOfWeek();
        if (dow >= 6 && rnd.bounded(20))
            continue; // little is printed at weekends
        stamps.push_back(day * 86400 + 27000 + rnd.bounded(39600));
    }
    std::sort(stamps.begin(), stamps.end());

    const QDateTime origin(first, QTime(0, 0));
    q.prepare(QStringLiteral("insert into tPrinterData (PrinterName, documentName, hostName, "
                             "TotalPageCount, PrintedDocumentSize, PageSize, PrintTime, "
                             "OperatorName, IP, MAC, EmName, DeptName, JobOutcome, "
                             "PagesPrinted, ColorPrint, Duplex) "
                             "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // How each job ended, from a generator of its own: the other columns stay as a seed has
    // always made them.
    QRandomGenerator outcomes(o.seed ^ 0x6f757463u);
    const QString timeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    for (qint64 i = 0; i < o.records; ++i) {
        const Host *h = hosts.empty() ? nullptr : &hosts[rnd.bounded(int(hosts.size()))];
        const bool known = h && rnd.bounded(50) != 0;
        // Most jobs are short; a few are long reports.
        const int pages = rnd.bounded(10) ? 1 + rnd.bounded(6) : 6 + rnd.bounded(120);
        q.addBindValue(printerNames[rnd.bounded(int(printerNames.size()))]);
        q.addBindValue(QString::fromUtf8(pick(rnd, Documents)).arg(rnd.bounded(1, 9999)));
        q.addBindValue(h ? h->name : QStringLiteral("LAPTOP-%1").arg(rnd.bounded(100)));
        q.addBindValue(pages);
        q.addBindValue(pages * (20000 + rnd.bounded(60000)));
        q.addBindValue(QString::fromLatin1(pick(rnd, Papers)));
        q.addBindValue(origin.addSecs(stamps[i]).toString(timeFormat));
        q.addBindValue(h ? h->login : QStringLiteral("guest"));
        q.addBindValue(h ? h->ip : QStringLiteral("10.99.0.1"));
        q.addBindValue(h ? h->mac : QString());
        q.addBindValue(known ? h->em : unknown);
        q.addBindValue(known ? h->dept : unknown);
        // Most print; a few are cancelled or fail part way, having printed some of their pages.
        const int roll = outcomes.bounded(100);
        const JobOutcome outcome = roll < 96   ? JobOutcome::Printed
                                   : roll < 99 ? JobOutcome::Cancelled
                                               : JobOutcome::Aborted;
        q.addBindValue(int(outcome));
        q.addBindValue(outcome == JobOutcome::Printed ? pages : outcomes.bounded(pages));
        q.addBindValue(outcomes.bounded(100) < 30 ? 1 : 0);
        q.addBindValue(pages > 1 && outcomes.bounded(100) < 45 ? 1 : 0);
        if (!q.exec())
            return abort(error);
        if (o.progress && (i + 1) % 100000 == 0)
            o.progress(i + 1);
    }
    q.finish();
    // The totals once from the records, not from a log of every insert.
    if (!RebuildTotals(db, {}, error)) {
        rollbackWrite(db);
        return false;
    }
    return commitWrite(db, error) && SettleTotals(db, error);
}

bool multiplyPrintRecords(QSqlDatabase &db, int copies, QString *error)
{
    // One copy of each is what every engine already holds.
    if (copies <= 1)
        return true;
    const bool pg = engineOf(db) == DbEngine::PostgreSQL;
    QSqlQuery q(db);
    const auto run = [&](const QString &statement) { return q.exec(statement) || fail(q, error); };
    const auto read = [&](const QString &statement, QStringList *a, QStringList *b = nullptr) {
        if (!run(statement))
            return false;
        while (q.next()) {
            *a << q.value(0).toString();
            if (b)
                *b << q.value(1).toString();
        }
        q.finish();
        return true;
    };
    // The table's own indexes (not those behind its key's constraint) are built again at the end:
    // one sort each instead of ten million insertions.
    QStringList names, definitions, columns, triggerNames, triggers;
    if (!read(pg ? QStringLiteral("select indexname, indexdef from pg_indexes where tablename = "
                                  "'tprinterdata' and indexname not in (select conname from "
                                  "pg_constraint)")
                 : QStringLiteral("select name, sql from sqlite_master where type = 'index' and "
                                  "tbl_name = 'tPrinterData' and sql is not null"),
              &names, &definitions))
        return false;
    // Every column but the paging key, which the identity (the row id on SQLite) numbers again
    // in the new order.
    if (!read(pg ? QStringLiteral("select column_name from information_schema.columns where "
                                  "table_name = 'tprinterdata' and is_identity = 'NO' order by "
                                  "ordinal_position")
                 : QStringLiteral("select name from pragma_table_info('tPrinterData') order by "
                                  "cid"),
              &columns))
        return false;
    // SQLite cannot switch the totals' triggers off: they are dropped and made again.
    if (!pg && !read(QStringLiteral("select name, sql from sqlite_master where type = 'trigger' "
                                    "and tbl_name = 'tPrinterData'"),
                     &triggerNames, &triggers))
        return false;
    columns.replaceInStrings(QRegularExpression(QStringLiteral("^(.*)$")),
                             QStringLiteral("\"\\1\""));
    QStringList shifted = columns;
    // Copy 0 is the record itself; the others take a new time on the same day, 07:30 to 18:30,
    const QString newTime =
        pg ? QStringLiteral("to_char(left(printtime, 10)::date + make_interval(secs => 27000 + "
                            "floor(random() * 39600)), 'YYYY-MM-DD HH24:MI:SS')")
           : QStringLiteral("strftime('%Y-%m-%d %H:%M:%S', substr(printtime, 1, 10), '+' || "
                            "(27000 + abs(random() % 39600)) || ' seconds')");
    shifted.replaceInStrings(
        QRegularExpression(QStringLiteral("^\"printtime\"$"),
                           QRegularExpression::CaseInsensitiveOption),
        QStringLiteral("case when k = 0 then printtime else %1 end as printtime").arg(newTime));
    // and its document the number a new document of the same kind would have (SQLite, without
    // regular expressions: the generator's names are letters, the number and a lower-case
    // extension).
    const QString stem = QStringLiteral("rtrim(documentname, '.abcdefghijklmnopqrstuvwxyz')");
    const QString newDocument =
        pg ? QStringLiteral("regexp_replace(documentname, '[0-9]+', (1 + floor(random() * "
                            "9998))::text)")
           : QStringLiteral("rtrim(%1, '0123456789') || (1 + abs(random() % 9998)) || "
                            "substr(documentname, length(%1) + 1)")
                 .arg(stem);
    shifted.replaceInStrings(
        QRegularExpression(QStringLiteral("^\"documentname\"$"),
                           QRegularExpression::CaseInsensitiveOption),
        QStringLiteral("case when k = 0 then documentname else %1 end as documentname")
            .arg(newDocument));
    const QString list = columns.join(u',');
    if (!beginWrite(db, error))
        return false;
    // The totals' triggers are off while the copies go in; the totals are built from them at
    // the end instead of from a log of ten million rows.
    QStringList steps{pg ? QStringLiteral("create temporary table demo_base on commit drop as "
                                          "select %1 from tPrinterData")
                               .arg(list)
                         : QStringLiteral("create temporary table demo_base as select %1 from "
                                          "tPrinterData")
                               .arg(list)};
    if (pg)
        steps << QStringLiteral("alter table tPrinterData disable trigger user");
    for (const QString &name : triggerNames)
        steps << QStringLiteral("drop trigger \"%1\"").arg(name);
    for (const QString &name : names)
        steps << QStringLiteral("drop index \"%1\"").arg(name);
    steps << (pg ? QStringLiteral("truncate tPrinterData restart identity")
                 : QStringLiteral("delete from tPrinterData"))
          << (pg ? QStringLiteral("insert into tPrinterData (%1) select * from (select %2 from "
                                  "demo_base cross join generate_series(0, %3) k) c order by "
                                  "printtime")
                 : QStringLiteral("insert into tPrinterData (%1) with recursive n(k) as (values "
                                  "(0) union all select k + 1 from n where k < %3) select %2 "
                                  "from demo_base cross join n order by printtime"))
                 .arg(list, shifted.join(u','), QString::number(copies - 1))
          << definitions;
    if (pg)
        steps << QStringLiteral("alter table tPrinterData enable trigger user");
    else
        steps << triggers << QStringLiteral("drop table temp.demo_base");
    for (const QString &s : steps) {
        if (!run(s)) {
            q.finish();
            rollbackWrite(db);
            return false;
        }
    }
    q.finish();
    if (!RebuildTotals(db, {}, error)) {
        rollbackWrite(db);
        return false;
    }
    if (!commitWrite(db, error))
        return false;
    return (!pg || run(QStringLiteral("analyze tPrinterData"))) && SettleTotals(db, error);
}

} // namespace vesk
