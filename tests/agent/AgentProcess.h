// The built Veskagent as a service process on a private cupsd: install it in a temporary
// application folder, start, kill and end it, print with lp, count what reached the database.
// Shared by the service tests and the kill-storm benchmark.
#pragma once

#include "TestAppDir.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <functional>
#include <grp.h>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <unistd.h>

namespace vesk::test {

// Runs a command to its end; its exit code, -1 when it could not run.
inline int run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
               QByteArray *out = nullptr)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return -1;
    if (out)
        *out = p.readAll();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Waits for a condition, checking every 50 ms; false when it did not come within `ms`.
inline bool waitUntil(const std::function<bool()> &condition, int ms = 60000)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
    return true;
}

// Runs `f` on a connection of its own to the folder's database.
inline void withDatabase(const TestAppDir &app, const std::function<void(QSqlDatabase &)> &f)
{
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("agentprocess"));
        db.setDatabaseName(app.databaseFile());
        if (db.open())
            f(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("agentprocess"));
}

inline int countRows(const TestAppDir &app, const QString &statement)
{
    int n = -1;
    withDatabase(app, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (q.exec(statement) && q.next())
            n = q.value(0).toInt();
    });
    return n;
}

inline bool execSql(const TestAppDir &app, const QString &statement)
{
    bool ok = false;
    withDatabase(app, [&](QSqlDatabase &db) { ok = QSqlQuery(db).exec(statement); });
    return ok;
}

// How many times each document name is stored in tPrinterData.
inline std::map<QString, int> storedDocuments(const TestAppDir &app)
{
    std::map<QString, int> counts;
    withDatabase(app, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("select documentName, count(*) from tPrinterData "
                                   "group by documentName")))
            return;
        while (q.next())
            counts[q.value(0).toString()] = q.value(1).toInt();
    });
    return counts;
}

// The program runs from a copy in the folder: its folder is its application folder.
inline bool installProgram(const TestAppDir &app)
{
    const QString program = app.file(QStringLiteral("Veskagent"));
    return QFile::copy(QStringLiteral(VESK_AGENT_PROGRAM), program) &&
           QFile::copy(QStringLiteral(VESK_PROBE_LIBRARY),
                       app.file(QStringLiteral("libVesk.so"))) &&
           QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A private cupsd, stopped by PID whatever happens, with raw queues added on request.
class PrivateCups
{
public:
    enum class Policy
    {
        Open,   // every client sees and may do everything (TCP)
        Debian, // Debian's stock policy; clients use the domain socket, whose peer is known
    };

    explicit PrivateCups(Policy policy = Policy::Open) : policy_(policy)
    {
        QByteArray out;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (policy == Policy::Debian)
            env.insert(QStringLiteral("CUPSD_POLICY"), QStringLiteral("debian"));
        rc_ = run(script(), {QStringLiteral("start"), dir_.path(), QString::number(::getpid())},
                  env, &out);
        bool number = false;
        const int port = out.trimmed().toInt(&number);
        if (rc_ == 0 && !number)
            rc_ = -1; // a start that names no port is no server to test against
        if (rc_ == 0)
            server_ = QStringLiteral("127.0.0.1:%1").arg(port);
    }
    ~PrivateCups()
    {
        run(script(), {QStringLiteral("stop"), dir_.path()},
            QProcessEnvironment::systemEnvironment());
    }
    PrivateCups(const PrivateCups &) = delete;
    PrivateCups &operator=(const PrivateCups &) = delete;

    int rc() const { return rc_; }
    const QString &server() const { return server_; }
    QProcessEnvironment clientEnv() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("CUPS_SERVER"),
                   policy_ == Policy::Debian ? dir_.filePath(QStringLiteral("run/cups.sock"))
                                             : server_);
        return env;
    }
    // A queue whose jobs print to nothing within milliseconds.
    bool addRawQueue(const QString &name) const
    {
        return run(QStringLiteral("lpadmin"),
                   {QStringLiteral("-p"), name, QStringLiteral("-E"), QStringLiteral("-v"),
                    QStringLiteral("file:///dev/null"), QStringLiteral("-m"),
                    QStringLiteral("raw")},
                   clientEnv()) == 0;
    }
    // Prints a one-line text job with the title; its job id, 0 on failure.
    uint32_t print(const QString &queue, const QString &title, const QString &file) const
    {
        QByteArray out;
        if (run(QStringLiteral("lp"),
                {QStringLiteral("-d"), queue, QStringLiteral("-t"), title, file}, clientEnv(),
                &out) != 0)
            return 0;
        const auto m = QRegularExpression(QStringLiteral("request id is \\S+-(\\d+)"))
                           .match(QString::fromLocal8Bit(out));
        return m.hasMatch() ? m.captured(1).toUInt() : 0;
    }
    // True when no job of the queue is waiting or printing.
    bool queueEmpty(const QString &queue) const
    {
        QByteArray out;
        return run(QStringLiteral("lpstat"), {QStringLiteral("-o"), queue}, clientEnv(), &out) ==
                   0 &&
               out.trimmed().isEmpty();
    }

private:
    static QString script() { return QStringLiteral(VESK_SOURCE_DIR "/scripts/cupsd"); }
    Policy policy_;
    QTemporaryDir dir_;
    int rc_ = -1;
    QString server_;
};

// The agent program in service mode (offscreen, log lines on standard output).
class AgentProcess
{
public:
    AgentProcess(const TestAppDir &app, const QProcessEnvironment &env) : app_(app), env_(env)
    {
        env_.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env_.remove(QStringLiteral("DISPLAY"));
    }
    ~AgentProcess() { kill(); }

    // Started under another account (the test runs as root), as a service manager's User= does.
    void runAs(uid_t uid, gid_t gid)
    {
        uid_ = uid;
        gid_ = gid;
    }

    void start()
    {
        process_ = std::make_unique<QProcess>();
        process_->setProcessEnvironment(env_);
        if (uid_) {
            process_->setChildProcessModifier([uid = *uid_, gid = gid_] {
                if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0)
                    ::_exit(126);
            });
        }
        process_->setWorkingDirectory(app_.path());
        out_.clear();
        process_->start(app_.file(QStringLiteral("Veskagent")), {});
        process_->waitForStarted(30000);
    }
    // Waits for a text on standard output (a log line).
    bool waitForOutput(const QByteArray &text, int ms = 30000)
    {
        QDeadlineTimer deadline(ms);
        while (!output().contains(text)) {
            if (deadline.hasExpired() || process_->state() == QProcess::NotRunning)
                return false;
            process_->waitForReadyRead(100);
        }
        return true;
    }
    // Waits until a text stands at least `n` times on standard output.
    bool waitForCount(const QByteArray &text, qsizetype n, int ms = 60000)
    {
        QDeadlineTimer deadline(ms);
        while (output().count(text) < n) {
            if (deadline.hasExpired() || process_->state() == QProcess::NotRunning)
                return false;
            process_->waitForReadyRead(100);
        }
        return true;
    }
    const QByteArray &output()
    {
        if (process_)
            out_ += process_->readAllStandardOutput();
        return out_;
    }
    void kill()
    {
        if (process_ && process_->state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process_->processId()), SIGKILL);
            process_->waitForFinished(30000);
        }
    }
    // SIGTERM, and SIGKILL `ms` later: killed while it stops and saves, if it got that far.
    void terminateThenKill(int ms)
    {
        if (process_ && process_->state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(process_->processId()), SIGTERM);
            process_->waitForFinished(ms);
        }
        kill();
    }
    // SIGTERM, as the service manager ends it; its exit code, -1 when it did not end normally.
    int terminate()
    {
        if (!process_ || process_->state() == QProcess::NotRunning)
            return -1;
        ::kill(static_cast<pid_t>(process_->processId()), SIGTERM);
        if (!process_->waitForFinished(30000))
            return -1;
        output();
        return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
    }
    QProcess &process() { return *process_; }

private:
    const TestAppDir &app_;
    QProcessEnvironment env_;
    std::unique_ptr<QProcess> process_;
    QByteArray out_;
    std::optional<uid_t> uid_;
    gid_t gid_ = 0;
};

// The journal file's text as it stands (never through RecordJournal, which may rewrite it).
inline QByteArray journalText(const TestAppDir &app)
{
    QFile f(app.file(QStringLiteral("RecordJournal.dat")));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Jobs printed at a steady pace while the agent is killed with SIGKILL at random moments and
// started again at once (every third time SIGTERM first and SIGKILL up to 100 ms later, which
// may catch it saving); then the agent runs until every job has been handed over and ends with
// SIGTERM.
struct StormPlan
{
    int jobs = 20;
    int paceMs = 300;    // between two jobs
    int killMinMs = 500; // between two kills
    int killMaxMs = 2500;
    unsigned seed = 2027;
    int settleMs = 120000; // at most this long for the last hand-overs
};

struct StormFigures
{
    int jobs = 0;
    int kills = 0;
    int stored = 0;  // titles stored at least once
    int lost = 0;    // titles never stored
    int doubled = 0; // extra rows of titles stored more than once
    bool failed = false;
    QString error;
};

inline QString stormTitle(int i)
{
    return QStringLiteral("storm-%1").arg(i, 4, 10, QLatin1Char('0'));
}

inline StormFigures runStorm(const StormPlan &plan)
{
    StormFigures f;
    const auto fail = [&f](const QString &why) {
        f.failed = true;
        f.error = why;
        return f;
    };
    PrivateCups cups;
    if (cups.rc() != 0)
        return fail(QStringLiteral("cupsd did not start"));
    const QString queue = QStringLiteral("storm");
    if (!cups.addRawQueue(queue))
        return fail(QStringLiteral("lpadmin failed"));
    TestAppDir app;
    app.prepareEnglish();
    if (!installProgram(app) ||
        !execSql(app, QStringLiteral("insert into tPrinter(Name,IsMonitor) values('storm',1)")))
        return fail(QStringLiteral("cannot prepare the application folder"));
    app.write(QStringLiteral("page.txt"), QStringLiteral("one page\n"));
    const QString page = app.file(QStringLiteral("page.txt"));

    AgentProcess agent(app, cups.clientEnv());
    agent.start();
    if (!agent.waitForOutput("Monitoring printer storm."))
        return fail(QStringLiteral("the agent did not start: ") +
                    QString::fromLocal8Bit(agent.output()));

    std::mt19937 random(plan.seed);
    std::uniform_int_distribution<int> killGap(plan.killMinMs, plan.killMaxMs);
    std::uniform_int_distribution<int> saveGap(0, 100);
    QDeadlineTimer nextKill(killGap(random));
    for (int i = 0; i < plan.jobs; ++i) {
        QDeadlineTimer nextJob(plan.paceMs);
        if (cups.print(queue, stormTitle(i), page) == 0)
            return fail(QStringLiteral("lp failed"));
        ++f.jobs;
        // At least one look per job: on a loaded machine lp alone can outlast the pace, and a
        // storm must not calm down because printing got slow.
        do {
            if (nextKill.hasExpired()) {
                if (++f.kills % 3 == 0)
                    agent.terminateThenKill(saveGap(random));
                else
                    agent.kill();
                agent.start();
                nextKill.setRemainingTime(killGap(random));
            }
            QThread::msleep(10);
        } while (!nextJob.hasExpired());
    }
    if (!waitUntil([&] { return cups.queueEmpty(queue); }))
        return fail(QStringLiteral("the queue did not empty"));
    // The last agent catches up and hands everything over: each title is in the journal, or
    // in the database when a save went through.
    waitUntil(
        [&] {
            const QByteArray journal = journalText(app);
            const auto stored = storedDocuments(app);
            for (int i = 0; i < plan.jobs; ++i)
                if (!journal.contains(stormTitle(i).toLatin1()) && stored.count(stormTitle(i)) == 0)
                    return false;
            return true;
        },
        plan.settleMs);
    if (agent.terminate() != 0)
        return fail(QStringLiteral("the agent did not end cleanly: ") +
                    QString::fromLocal8Bit(agent.output()));

    const auto stored = storedDocuments(app);
    for (int i = 0; i < plan.jobs; ++i) {
        const auto it = stored.find(stormTitle(i));
        if (it == stored.end() || it->second == 0) {
            ++f.lost;
            continue;
        }
        ++f.stored;
        f.doubled += it->second - 1;
    }
    return f;
}

} // namespace vesk::test
