// A console data module on a new SQLite file in a temporary application folder.
#pragma once

#include "MainDM.h"
#include "ScriptedPresenter.h"
#include "TestAppDir.h"

#include <QSqlRecord>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace vesk::test {

struct PrintRow
{
    QString printer;
    QString document;
    QString host;
    int pages = 1;
    QString time; // "yyyy-MM-dd hh:mm:ss"
    QString dept;
    QString em;
};

class ViewsFixture : public ::testing::Test
{
protected:
    ViewsFixture();

    void exec(const QString &statement);
    void addPrint(const PrintRow &row);
    void addHost(const QString &name, const QString &ip, const QString &dept, const QString &em,
                 const QString &tel, const QString &net);
    int count(const QString &statement);

    // Every row of a dataset's open result (fetching them all), one column's values.
    static QStringList column(const TDataset &ds, const QString &field);

    TestAppDir dir;
    TdmMain dm;
    ScriptedPresenter boxes;
};

} // namespace vesk::test
