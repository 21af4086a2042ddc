// The built agent on a private cupsd across restarts, kills, steady load, a second agent of the
// same folder and subscriptions a killed agent left behind.
#include "AgentProcess.h"
#include "FolderLock.h"
#include "Skip.h"

#include <cups/cups.h>
#include <gtest/gtest.h>

namespace vesk::test {

namespace {

// One monitored raw queue "office", an application folder with the program and a page to print.
class CatchUp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (cups.rc() == 77)
            VESK_SKIP() << "cupsd is not installed";
        ASSERT_EQ(cups.rc(), 0);
        ASSERT_TRUE(cups.addRawQueue(queue));
        app.prepareEnglish();
        ASSERT_TRUE(installProgram(app));
        ASSERT_TRUE(execSql(
            app, QStringLiteral("insert into tPrinter(Name,IsMonitor) values('office',1)")));
        app.write(QStringLiteral("page.txt"), QStringLiteral("one page\n"));
    }

    uint32_t print(const QString &title)
    {
        return cups.print(queue, title, app.file(QStringLiteral("page.txt")));
    }
    bool journaled(const QStringList &titles)
    {
        return waitUntil([&] {
            const QByteArray journal = journalText(app);
            return std::all_of(titles.begin(), titles.end(), [&](const QString &t) {
                return journal.contains(QByteArray('"' + t.toUtf8() + '"'));
            });
        });
    }
    void startAgent(AgentProcess &agent)
    {
        agent.start();
        ASSERT_TRUE(agent.waitForOutput("Monitoring printer office.")) << agent.output().data();
    }

    PrivateCups cups;
    const QString queue = QStringLiteral("office");
    TestAppDir app;
};

struct Subscription
{
    int id = 0;
    std::string owner; // notify-user-data
};

// The server's subscriptions, whoever made them.
std::vector<Subscription> subscriptions(http_t *http)
{
    static const char *const names[] = {"notify-subscription-id", "notify-user-data"};
    ipp_t *req = ippNewRequest(IPP_OP_GET_SUBSCRIPTIONS);
    ippAddString(req, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddString(req, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddBoolean(req, IPP_TAG_OPERATION, "my-subscriptions", 0);
    ippAddStrings(req, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 2, nullptr,
                  names);
    ipp_t *res = cupsDoRequest(http, req, "/");
    std::vector<Subscription> rows;
    bool newGroup = true;
    for (ipp_attribute_t *a = ippFirstAttribute(res); a != nullptr; a = ippNextAttribute(res)) {
        if (ippGetName(a) == nullptr || ippGetGroupTag(a) != IPP_TAG_SUBSCRIPTION) {
            newGroup = true;
            continue;
        }
        if (newGroup)
            rows.emplace_back();
        newGroup = false;
        const std::string name = ippGetName(a);
        if (name == "notify-subscription-id") {
            rows.back().id = ippGetInteger(a, 0);
        } else if (name == "notify-user-data") {
            int length = 0;
            const void *data = ippGetOctetString(a, 0, &length);
            rows.back().owner.assign(static_cast<const char *>(data), static_cast<size_t>(length));
        }
    }
    ippDelete(res);
    return rows;
}

int subscribe(http_t *http, const std::string &owner)
{
    ipp_t *req = ippNewRequest(IPP_OP_CREATE_PRINTER_SUBSCRIPTIONS);
    ippAddString(req, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, "ipp://localhost/");
    ippAddString(req, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-pull-method", nullptr,
                 "ippget");
    ippAddString(req, IPP_TAG_SUBSCRIPTION, IPP_TAG_KEYWORD, "notify-events", nullptr,
                 "job-completed");
    ippAddOctetString(req, IPP_TAG_SUBSCRIPTION, "notify-user-data", owner.data(),
                      static_cast<int>(owner.size()));
    ipp_t *res = cupsDoRequest(http, req, "/");
    ipp_attribute_t *id = ippFindAttribute(res, "notify-subscription-id", IPP_TAG_INTEGER);
    const int result = id != nullptr ? ippGetInteger(id, 0) : 0;
    ippDelete(res);
    return result;
}

} // namespace

TEST_F(CatchUp, JobsPrintedWhileNoAgentRanAreStoredOnceAtTheNextStartAndNeverAgain)
{
    {
        AgentProcess agent(app, cups.clientEnv());
        startAgent(agent);
        ASSERT_NE(print(QStringLiteral("before")), 0u);
        ASSERT_TRUE(journaled({QStringLiteral("before")}));
        ASSERT_EQ(agent.terminate(), 0) << agent.output().data();
    }
    ASSERT_NE(print(QStringLiteral("while down 1")), 0u);
    ASSERT_NE(print(QStringLiteral("while down 2")), 0u);
    ASSERT_TRUE(waitUntil([&] { return cups.queueEmpty(queue); }));

    // Each start prints a marker: its hand-over proves the start's catch-up sweep went by.
    QStringList expected = {QStringLiteral("before"), QStringLiteral("while down 1"),
                            QStringLiteral("while down 2")};
    for (int start = 1; start <= 3; ++start) {
        SCOPED_TRACE(start);
        AgentProcess agent(app, cups.clientEnv());
        startAgent(agent);
        const QString marker = QStringLiteral("marker %1").arg(start);
        ASSERT_NE(print(marker), 0u);
        expected << marker;
        ASSERT_TRUE(journaled(start == 1 ? expected.mid(1) : QStringList{marker}));
        ASSERT_EQ(agent.terminate(), 0) << agent.output().data();
    }
    std::map<QString, int> want;
    for (const QString &t : expected)
        want[t] = 1;
    EXPECT_EQ(storedDocuments(app), want);
}

TEST_F(CatchUp, JobsPurgedFromTheHistoryMeanwhileAreCountedInTheLog)
{
    {
        AgentProcess agent(app, cups.clientEnv());
        startAgent(agent);
        ASSERT_NE(print(QStringLiteral("before")), 0u);
        ASSERT_TRUE(journaled({QStringLiteral("before")}));
        ASSERT_EQ(agent.terminate(), 0) << agent.output().data();
    }
    // While no agent runs: a job of ours, one of another printer, then ours are purged.
    ASSERT_TRUE(cups.addRawQueue(QStringLiteral("other")));
    ASSERT_NE(print(QStringLiteral("purged")), 0u);
    ASSERT_NE(cups.print(QStringLiteral("other"), QStringLiteral("elsewhere"),
                         app.file(QStringLiteral("page.txt"))),
              0u);
    ASSERT_TRUE(waitUntil([&] { return cups.queueEmpty(queue); }));
    ASSERT_EQ(run(QStringLiteral("cancel"), {QStringLiteral("-a"), QStringLiteral("-x"), queue},
                  cups.clientEnv()),
              0);

    AgentProcess agent(app, cups.clientEnv());
    startAgent(agent);
    EXPECT_TRUE(agent.waitForOutput("office: 1 job ids are no longer in the spooler's job history"))
        << agent.output().data();
    EXPECT_EQ(agent.terminate(), 0);
}

TEST_F(CatchUp, ADatabaseLockedWhileTheAgentEndsLosesAndDoublesNothing)
{
    {
        AgentProcess agent(app, cups.clientEnv());
        startAgent(agent);
        ASSERT_NE(print(QStringLiteral("locked at exit")), 0u);
        ASSERT_TRUE(journaled({QStringLiteral("locked at exit")}));
        // Another program holds the write lock past the agent's busy timeout.
        withDatabase(app, [&](QSqlDatabase &db) {
            QSqlQuery lock(db);
            ASSERT_TRUE(lock.exec(QStringLiteral("BEGIN IMMEDIATE")));
            EXPECT_EQ(agent.terminate(), 0) << agent.output().data();
            ASSERT_TRUE(lock.exec(QStringLiteral("ROLLBACK")));
        });
    }
    EXPECT_TRUE(storedDocuments(app).empty());
    AgentProcess agent(app, cups.clientEnv());
    startAgent(agent);
    ASSERT_EQ(agent.terminate(), 0) << agent.output().data();
    EXPECT_EQ(storedDocuments(app), (std::map<QString, int>{{"locked at exit", 1}}));
}

TEST_F(CatchUp, ASteadyStreamIsHandedOverWhileItLasts)
{
    AgentProcess agent(app, cups.clientEnv());
    startAgent(agent);
    // One job a second, never a quiet period: the first must be journaled before the stream
    // ends, not only once it stops.
    bool handedDuringStream = false;
    for (int i = 0; i < 60 && !handedDuringStream; ++i) {
        ASSERT_NE(print(QStringLiteral("stream %1").arg(i)), 0u);
        QThread::msleep(1000);
        handedDuringStream = journalText(app).contains("\"stream 0\"");
    }
    EXPECT_TRUE(handedDuringStream);
    EXPECT_EQ(agent.terminate(), 0);
}

TEST(CatchUpStorm, ASigkillStormStoresEveryJobExactlyOnce)
{
    if (PrivateCups().rc() == 77)
        VESK_SKIP() << "cupsd is not installed";
    StormPlan plan;
    plan.jobs = 25;
    plan.paceMs = 250;
    plan.killMinMs = 300;
    plan.killMaxMs = 1500;
    const StormFigures f = runStorm(plan);
    ASSERT_FALSE(f.failed) << f.error.toStdString();
    EXPECT_GE(f.kills, 2);
    EXPECT_EQ(f.jobs, plan.jobs);
    EXPECT_EQ(f.lost, 0);
    EXPECT_EQ(f.doubled, 0);
}

TEST_F(CatchUp, ASecondAgentOfTheSameFolderRefusesAndTheFirstGoesOn)
{
    AgentProcess first(app, cups.clientEnv());
    startAgent(first);

    QProcess second;
    QProcessEnvironment env = cups.clientEnv();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.start(app.file(QStringLiteral("Veskagent")), {});
    ASSERT_TRUE(second.waitForFinished(30000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), FolderLock::HeldElsewhereExit);
    EXPECT_TRUE(second.readAllStandardError().contains(
        "Another Veskagent is already running from the application folder"));

    ASSERT_EQ(first.process().state(), QProcess::Running);
    ASSERT_NE(print(QStringLiteral("after the second")), 0u);
    ASSERT_TRUE(journaled({QStringLiteral("after the second")}));
    ASSERT_EQ(first.terminate(), 0) << first.output().data();
    EXPECT_EQ(storedDocuments(app), (std::map<QString, int>{{"after the second", 1}}));
}

TEST_F(CatchUp, AKilledAgentsSubscriptionIsCancelledAtTheNextStartAndNoOtherOne)
{
    http_t *http = httpConnect2("127.0.0.1", cups.server().section(u':', 1).toInt(), nullptr,
                                AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
    ASSERT_NE(http, nullptr);
    const int foreign = subscribe(http, "another program");
    ASSERT_NE(foreign, 0);
    const std::string ours = FolderTag(app.path());

    const auto owned = [&] {
        std::vector<int> ids;
        for (const auto &s : subscriptions(http))
            if (s.owner == ours)
                ids.push_back(s.id);
        return ids;
    };
    // The monitor subscribes as it starts running, just after its start is logged.
    AgentProcess agent(app, cups.clientEnv());
    startAgent(agent);
    ASSERT_TRUE(waitUntil([&] { return !owned().empty(); }));
    const int killed = owned().front();
    agent.kill();
    startAgent(agent);
    ASSERT_TRUE(waitUntil([&] {
        const std::vector<int> now = owned();
        return now.size() == 1 && now.front() != killed;
    }));
    const auto after = subscriptions(http);
    EXPECT_EQ(agent.terminate(), 0);
    httpClose(http);
    EXPECT_TRUE(std::any_of(after.begin(), after.end(),
                            [&](const Subscription &s) { return s.id == foreign; }));
}

} // namespace vesk::test
