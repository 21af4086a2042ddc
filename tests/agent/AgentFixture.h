// A temporary application folder, data module, scripted boxes and spooler for the agent window.
#pragma once

#include "HostProbe.h"
#include "LumoForm.h"
#include "MainDM.h"
#include "MemorySpooler.h"
#include "ScriptedPresenter.h"
#include "SqlText.h"
#include "TestAppDir.h"
#include "VeskagentForm.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

namespace vesk::test {

// Answers every computer with nothing, so no test reaches a resolver.
class SilentProbe : public HostProbe
{
public:
    QString MacOf(std::string &) override { return {}; }
    QString IpOf(std::string &) override { return {}; }
};

class AgentFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The agent hides and closes its windows; that must not end a test's event loop.
        QApplication::setQuitOnLastWindowClosed(false);
        app.prepareEnglish();
    }

    void TearDown() override
    {
        if (frm) {
            frm->close(); // stops the monitors the test left running
            frm->JoinMonitors();
        }
        frm.reset();
        TLumoFrm::SetDataModule(nullptr);
        dm.reset();
    }

    // A row of tPrinter, written before the agent starts.
    void addPrinterRow(const QString &name, int isMonitor)
    {
        withDb([&](QSqlDatabase &db) {
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("insert into tPrinter(Name,IsMonitor) values(") +
                               QuotedStr(name) + u',' + QString::number(isMonitor) + u')'));
        });
    }

    // Starts the agent window in the folder with the given command-line parameters.
    void start(const QStringList &args = {})
    {
        frm.reset();
        TLumoFrm::SetDataModule(nullptr);
        dm.reset();
        dm = std::make_unique<TdmMain>(TdmMain::Program::Agent, app.path());
        dm->setMessagePresenter(&boxes);
        TLumoFrm::SetDataModule(dm.get());
        AgentDeps deps;
        deps.Spooler = spooler;
        deps.PlatformTest = [] { return true; };
        deps.Probe = &probe;
        frm = std::make_unique<TVeskagentFrm>(*dm, deps, args);
    }

    // A value of the database as the agent's own connection reads it.
    QVariant scalar(const QString &statement)
    {
        QSqlQuery q(dm->acntVesk.database());
        if (!q.exec(statement) || !q.next())
            return {};
        return q.value(0);
    }

    QString log() const { return frm->MemLog->toPlainText(); }
    QString lang(const char *key) const { return dm->GetLangString(QLatin1String(key)); }

    template <class F> void withDb(F &&f)
    {
        const QString name = QStringLiteral("fixture");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(app.databaseFile());
            ASSERT_TRUE(db.open());
            f(db);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }

    TestAppDir app;
    ScriptedPresenter boxes;
    SilentProbe probe;
    std::shared_ptr<spooler::MemorySpooler> spooler = std::make_shared<spooler::MemorySpooler>();
    std::unique_ptr<TdmMain> dm;
    std::unique_ptr<TVeskagentFrm> frm;
};

} // namespace vesk::test
