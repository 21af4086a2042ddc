// Several print servers on one PostgreSQL database: a private cupsd and a real agent in service
// mode per server, the vesk command reading the history, jobs printed on every server at once,
// and the database server stopped by its PID and started again in the middle. Shared by the
// short soak of the suite and the long one under bench/.
#pragma once

#include "AgentProcess.h"
#include "Database.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSqlError>
#include <QUuid>

#include <atomic>
#include <thread>

namespace vesk::test {

struct SoakPlan
{
    int servers = 3;
    int printMs = 20000;    // jobs are printed this long
    int paceMs = 300;       // between two rounds (one job on every server)
    int saveEveryMs = 2000; // each agent is asked to save (SIGUSR1) this often
    int downMs = 3000;      // the database server stays stopped this long
    int users = 5;          // the jobs' users take turns among user0..userN-1
    int settleMs = 120000;  // at most this long for the last hand-overs
};

struct SoakFigures
{
    int jobs = 0;
    int stored = 0;         // jobs stored exactly once, with their printer and user
    int lost = 0;           // jobs never stored
    int doubled = 0;        // extra rows of jobs stored more than once
    int wrong = 0;          // rows whose printer or user is not the job's
    int failedSaves = 0;    // saves the agents reported as failed (the server was down)
    int consoleReads = 0;   // vesk summary runs that answered
    int consoleRefused = 0; // runs that could not reach the database (while it was down)
    double seconds = 0;
    bool failed = false;
    QString error;
};

// A private PostgreSQL server (scripts/pg-server) for one soak, stopped by its script at the end.
class SoakPostgres
{
public:
    SoakPostgres()
        : dir_(QDir::tempPath() + QStringLiteral("/vesk-soak-pg-") +
               QUuid::createUuid().toString(QUuid::WithoutBraces))
    {
        QByteArray out;
        if (run(script(), {QStringLiteral("start"), dir_}, QProcessEnvironment::systemEnvironment(),
                &out) == 0)
            port_ = out.trimmed().toInt();
    }
    ~SoakPostgres()
    {
        run(script(), {QStringLiteral("stop"), dir_}, QProcessEnvironment::systemEnvironment());
    }
    SoakPostgres(const SoakPostgres &) = delete;
    SoakPostgres &operator=(const SoakPostgres &) = delete;

    int port() const { return port_; }
    QString constr(const QString &database) const
    {
        return QStringLiteral(
                   "Provider=PostgreSQL;Host=127.0.0.1;Port=%1;Database=%2;User ID=postgres")
            .arg(port_)
            .arg(database);
    }
    // The postmaster's PID: the first line of its pid file.
    pid_t pid() const
    {
        QFile f(dir_ + QStringLiteral("/data/postmaster.pid"));
        return f.open(QIODevice::ReadOnly) ? static_cast<pid_t>(f.readLine().trimmed().toInt()) : 0;
    }
    // Fast shutdown by PID (SIGINT), waiting until the server has gone.
    bool stop() const
    {
        const pid_t server = pid();
        if (server <= 0 || ::kill(server, SIGINT) != 0)
            return false;
        return waitUntil([server] { return ::kill(server, 0) != 0; });
    }
    // Starts it again on the same port with its databases.
    bool resume() const
    {
        return run(script(), {QStringLiteral("resume"), dir_},
                   QProcessEnvironment::systemEnvironment()) == 0;
    }

private:
    static QString script() { return QStringLiteral(VESK_SOURCE_DIR "/scripts/pg-server"); }
    QString dir_;
    int port_ = 0;
};

inline QString soakPrinter(int server)
{
    return QStringLiteral("soak_%1").arg(server);
}
inline QString soakTitle(int server, int round)
{
    return QStringLiteral("soak-%1-%2").arg(server).arg(round, 5, 10, QLatin1Char('0'));
}
inline QString soakUser(const SoakPlan &plan, int round)
{
    return QStringLiteral("user%1").arg(round % plan.users);
}

// One connection of the calling thread to the soak's database, for setting up and counting.
class SoakDb
{
public:
    explicit SoakDb(const QString &constr) : name_(QStringLiteral("soak-check"))
    {
        ok_ = openDatabase(name_, constr, QDir::tempPath()).ok;
    }
    ~SoakDb() { QSqlDatabase::removeDatabase(name_); }
    bool ok() const { return ok_; }
    bool exec(const QString &statement, QString *error = nullptr) const
    {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (q.exec(statement))
            return true;
        if (error)
            *error = q.lastError().text();
        return false;
    }
    // Every stored soak row: title -> printer|user of each of its rows. A session the server
    // restart ended is opened again.
    std::map<QString, QStringList> rows() const
    {
        std::map<QString, QStringList> found;
        const QString statement =
            QStringLiteral("select documentName, PrinterName, OperatorName "
                           "from tPrinterData where documentName like 'soak-%'");
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (!q.exec(statement)) {
            q = QSqlQuery();
            if (!reopenDatabase(name_).ok)
                return found;
            q = QSqlQuery(QSqlDatabase::database(name_, false));
            if (!q.exec(statement))
                return found;
        }
        while (q.next())
            found[q.value(0).toString()] << q.value(1).toString() + u'|' + q.value(2).toString();
        return found;
    }

private:
    QString name_;
    bool ok_ = false;
};

// The console's pace: an administrator does not read the history back to back.
constexpr int ConsolePauseMs = 200;

// The start of the agent's log line for a save that failed (English.ini).
constexpr const char *SaveFailed = "Print records could not be saved";

inline SoakFigures runSoak(const SoakPlan &plan)
{
    SoakFigures f;
    QElapsedTimer clock;
    clock.start();
    const auto fail = [&f](const QString &why) {
        f.failed = true;
        f.error = why;
        return f;
    };

    SoakPostgres pg;
    if (pg.port() == 0)
        return fail(QStringLiteral("the PostgreSQL server did not start"));
    {
        SoakDb admin(pg.constr(QStringLiteral("postgres")));
        if (!admin.ok() || !admin.exec(QStringLiteral("create database vesk")))
            return fail(QStringLiteral("cannot create the database"));
    }
    const QString constr = pg.constr(QStringLiteral("vesk"));
    const auto writeFolder = [&](const TestAppDir &app) {
        app.write(QStringLiteral("Config.ini"),
                  QStringLiteral("[Connection]\nConstr=%1\n[Font]\nCharset=0\n"
                                 "[Language]\nFileName=English.ini\n")
                      .arg(constr));
        app.copyLanguage(QStringLiteral("English.ini"));
    };

    // One application folder per print server, one for the console.
    std::vector<std::unique_ptr<PrivateCups>> cups;
    std::vector<std::unique_ptr<TestAppDir>> folders;
    for (int s = 0; s < plan.servers; ++s) {
        cups.push_back(std::make_unique<PrivateCups>());
        if (cups.back()->rc() != 0)
            return fail(QStringLiteral("cupsd did not start"));
        if (!cups.back()->addRawQueue(soakPrinter(s)))
            return fail(QStringLiteral("lpadmin failed"));
        folders.push_back(std::make_unique<TestAppDir>());
        writeFolder(*folders.back());
        if (!installProgram(*folders.back()))
            return fail(QStringLiteral("cannot install the agent"));
    }
    TestAppDir console;
    writeFolder(console);
    QByteArray out;
    if (run(QStringLiteral(VESK_INITDB), {console.path()}, QProcessEnvironment::systemEnvironment(),
            &out) != 0)
        return fail(QStringLiteral("vesk-initdb failed: ") + QString::fromLocal8Bit(out));

    SoakDb db(constr);
    if (!db.ok())
        return fail(QStringLiteral("cannot connect to the database"));
    // Every agent reads the whole roster; a printer that is not on its server stays unmonitored.
    for (int s = 0; s < plan.servers; ++s) {
        if (!db.exec(QStringLiteral("insert into tPrinter(Name,IsMonitor) values('%1',1)")
                         .arg(soakPrinter(s))))
            return fail(QStringLiteral("cannot add the printers"));
    }

    std::vector<std::unique_ptr<AgentProcess>> agents;
    for (int s = 0; s < plan.servers; ++s) {
        agents.push_back(
            std::make_unique<AgentProcess>(*folders[size_t(s)], cups[size_t(s)]->clientEnv()));
        agents.back()->start();
        if (!agents.back()->waitForOutput(
                (QStringLiteral("Monitoring printer ") + soakPrinter(s) + u'.').toUtf8()))
            return fail(QStringLiteral("an agent did not start: ") +
                        QString::fromLocal8Bit(agents.back()->output()));
    }
    const auto agentsRunning = [&] {
        return std::all_of(agents.begin(), agents.end(),
                           [](const auto &a) { return a->process().state() == QProcess::Running; });
    };
    // Before the restart every agent saves now and then. From the restart on only the first one
    // does (its save meets the stopped server, and later ones the restarted one); the others'
    // first save after the restart is their last, at SIGTERM, which meets a session the restart
    // ended and must not leave the rows to a next start.
    const auto askSaves = [&](bool all) {
        for (size_t i = 0; i < (all ? agents.size() : 1); ++i)
            ::kill(static_cast<pid_t>(agents[i]->process().processId()), SIGUSR1);
    };

    // The console reads the history as the administrator would, again and again.
    std::atomic<bool> reading{true};
    std::atomic<int> reads{0}, refused{0};
    std::thread reader([&] {
        while (reading) {
            QProcess vesk;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            vesk.setProcessEnvironment(env);
            vesk.start(QStringLiteral(VESK_COMMAND),
                       {QStringLiteral("--app"), console.path(), QStringLiteral("summary"),
                        QStringLiteral("--csv")});
            if (vesk.waitForFinished(60000) && vesk.exitStatus() == QProcess::NormalExit &&
                vesk.exitCode() == 0)
                ++reads;
            else
                ++refused;
            QThread::msleep(ConsolePauseMs);
        }
    });
    struct Join
    {
        std::atomic<bool> &flag;
        std::thread &t;
        ~Join()
        {
            flag = false;
            if (t.joinable())
                t.join();
        }
    } joinReader{reading, reader};

    // Printing: one job on every server per round, the lp commands side by side.
    folders[0]->write(QStringLiteral("page.txt"), QStringLiteral("one page\n"));
    const QString page = folders[0]->file(QStringLiteral("page.txt"));
    QElapsedTimer printing;
    printing.start();
    QDeadlineTimer nextSave(plan.saveEveryMs);
    enum class Db
    {
        Up,
        Down,
        Restarted
    } dbState = Db::Up;
    QDeadlineTimer downUntil;
    int rounds = 0;
    while (printing.elapsed() < plan.printMs) {
        QDeadlineTimer nextRound(plan.paceMs);
        // The database server goes away in the middle, before a round, and comes back after a
        // while: the first agent's save of that round's job must then fail.
        const bool stopping = dbState == Db::Up && printing.elapsed() >= plan.printMs / 2;
        if (stopping) {
            if (!pg.stop())
                return fail(QStringLiteral("cannot stop the database server"));
            dbState = Db::Down;
            downUntil.setRemainingTime(plan.downMs);
        }
        std::vector<std::unique_ptr<QProcess>> lp;
        for (int s = 0; s < plan.servers; ++s) {
            auto p = std::make_unique<QProcess>();
            p->setProcessEnvironment(cups[size_t(s)]->clientEnv());
            p->start(QStringLiteral("lp"),
                     {QStringLiteral("-d"), soakPrinter(s), QStringLiteral("-U"),
                      soakUser(plan, rounds), QStringLiteral("-t"), soakTitle(s, rounds), page});
            lp.push_back(std::move(p));
        }
        for (const auto &p : lp) {
            if (!p->waitForFinished(60000) || p->exitCode() != 0)
                return fail(QStringLiteral("lp failed: ") + QString::fromLocal8Bit(p->readAll()));
        }
        f.jobs += plan.servers;
        ++rounds;

        if (stopping) {
            // The first agent meets the stopped server with a save, and keeps its rows. Its
            // journal holds the round's job first (a save of nothing does not reach the server).
            const QByteArray title = soakTitle(0, rounds - 1).toLatin1();
            if (!waitUntil([&] {
                    agents[0]->output();
                    return journalText(*folders[0]).contains(title);
                }))
                return fail(QStringLiteral("the first agent did not take its job in"));
            const qsizetype before = agents[0]->output().count(SaveFailed);
            askSaves(false);
            if (!agents[0]->waitForCount(SaveFailed, before + 1))
                return fail(QStringLiteral("the agent did not report the failed save: ") +
                            QString::fromLocal8Bit(agents[0]->output()));
            nextSave.setRemainingTime(plan.saveEveryMs);
        } else if (dbState == Db::Down && downUntil.hasExpired()) {
            if (!pg.resume())
                return fail(QStringLiteral("cannot start the database server again"));
            dbState = Db::Restarted;
        }
        if (nextSave.hasExpired()) {
            askSaves(dbState == Db::Up);
            nextSave.setRemainingTime(plan.saveEveryMs);
        }
        if (!agentsRunning())
            return fail(QStringLiteral("an agent ended during the soak"));
        // The agents' log lines are read as they come, so no agent waits on a full pipe.
        for (const auto &a : agents) {
            a->process().waitForReadyRead(0);
            a->output();
        }
        while (!nextRound.hasExpired())
            QThread::msleep(10);
    }
    if (dbState == Db::Down && !pg.resume())
        return fail(QStringLiteral("cannot start the database server again"));
    reading = false;
    reader.join();
    f.consoleReads = reads;
    f.consoleRefused = refused;

    for (int s = 0; s < plan.servers; ++s) {
        if (!waitUntil([&] { return cups[size_t(s)]->queueEmpty(soakPrinter(s)); }))
            return fail(QStringLiteral("a queue did not empty"));
    }
    // Every job taken in: in the agent's journal, or stored by one of the saves.
    waitUntil(
        [&] {
            const auto stored = db.rows();
            for (int s = 0; s < plan.servers; ++s) {
                const QByteArray journal = journalText(*folders[size_t(s)]);
                for (int r = 0; r < rounds; ++r)
                    if (!journal.contains(soakTitle(s, r).toLatin1()) &&
                        stored.count(soakTitle(s, r)) == 0)
                        return false;
            }
            return true;
        },
        plan.settleMs);
    if (!agentsRunning())
        return fail(QStringLiteral("an agent ended during the soak"));
    // SIGTERM: each agent stores what it holds and ends.
    for (auto &a : agents) {
        if (a->terminate() != 0)
            return fail(QStringLiteral("an agent did not end cleanly: ") +
                        QString::fromLocal8Bit(a->output()));
        f.failedSaves += static_cast<int>(a->output().count(SaveFailed));
    }

    const auto stored = db.rows();
    for (int s = 0; s < plan.servers; ++s) {
        for (int r = 0; r < rounds; ++r) {
            const auto it = stored.find(soakTitle(s, r));
            if (it == stored.end()) {
                ++f.lost;
                continue;
            }
            const QString expected = soakPrinter(s) + u'|' + soakUser(plan, r);
            f.wrong += static_cast<int>(it->second.size() - it->second.count(expected));
            f.doubled += static_cast<int>(it->second.size()) - 1;
            if (it->second.size() == 1 && it->second.first() == expected)
                ++f.stored;
        }
    }
    f.seconds = clock.elapsed() / 1000.0;
    return f;
}

} // namespace vesk::test
