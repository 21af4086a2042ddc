// A console over a database of its own on the private PostgreSQL server.
#pragma once

#include "ComputerMForm.h"
#include "MainDM.h"
#include "PostgresServer.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vesk::test {

struct PgPrintRow
{
    QString printer;
    QString document;
    QString host;
    int pages = 1;
    QString time; // "yyyy-MM-dd hh:mm:ss"
    QString dept;
    QVariant em; // null stays NULL in the table
};

// The application folder's Config.ini names the test's database; the schema and its first rows
// are the product's own. Tests arrange and check rows on a connection of the fixture's own.
class PgConsoleFixture : public FreshPostgresDatabase
{
protected:
    void SetUp() override;
    void TearDown() override;

    // A console data module connected as the panes use it, with the English catalogue.
    TdmMain &openModule();
    // The console's main window, created from Config.ini and shown.
    TComputerMFrm &showWindow();

    void exec(const QString &statement);
    int count(const QString &statement);
    void addPrint(const PgPrintRow &row);
    void addHost(const QString &name, const QString &ip, const QString &dept, const QString &em,
                 const QString &net);
    void addPrinter(const QString &name, const QString &host, int isMonitor);
    QStringList boxTexts() const;

    std::unique_ptr<TestAppDir> dir;
    ScriptedPresenter boxes;
    std::unique_ptr<TdmMain> dm;
    std::unique_ptr<TComputerMFrm> window;

private:
    QString connection_;
};

} // namespace vesk::test
